#include "tests/support/screenshot.h"
#include "tests/support/testutil.h"
#include <vector>

void PumpMessages(DWORD forMilliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (forMilliseconds)
            Sleep(10);
    } while (GetTickCount() - start < forMilliseconds);
}

void SaveScreenshot(HWND hwnd, const std::wstring& name)
{
    RECT rc;
    GetWindowRect(hwnd, &rc);
    SaveScreenshot(rc, name);
}

void SaveScreenshot(const RECT& rc, const std::wstring& name)
{
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0)
        return;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfSize = static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader + stride * h);
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    std::string file(reinterpret_cast<const char*>(&fh), sizeof fh);
    file.append(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    file.append(static_cast<const char*>(bits), static_cast<size_t>(stride) * h);
    MakeDir(BuildPath(L"screenshots"));
    WriteBytes(BuildPath(L"screenshots/" + name + L".bmp"), file);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}
