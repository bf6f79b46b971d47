#include "kit/art.h"
#include "kit/dpi.h"
#include "kit/kit.h"
#include <string>

namespace {

// The scales the build draws bitmaps for, besides 96.
constexpr int kDrawnDpis[] = {144, 192};

std::wstring FileForDpi(const std::wstring& file, int dpi)
{
    size_t dot = file.find_last_of(L'.');
    std::wstring stem = dot == std::wstring::npos ? file : file.substr(0, dot);
    std::wstring ext = dot == std::wstring::npos ? L"" : file.substr(dot);
    return stem + L"-" + std::to_wstring(dpi) + ext;
}

HBITMAP LoadFile(const std::wstring& path)
{
    return static_cast<HBITMAP>(LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

SIZE SizeOf(HBITMAP bitmap)
{
    BITMAP bm{};
    GetObjectW(bitmap, sizeof bm, &bm);
    return {bm.bmWidth, bm.bmHeight};
}

HBITMAP Resized(HBITMAP source, SIZE to)
{
    SIZE from = SizeOf(source);
    WindowDc screen(nullptr);
    HBITMAP out = CreateCompatibleBitmap(screen.dc, to.cx, to.cy);
    if (!out)
        return nullptr;
    MemoryDc src(screen.dc), dst(screen.dc);
    Selected a(src.dc, source), b(dst.dc, out);
    SetStretchBltMode(dst.dc, COLORONCOLOR);
    StretchBlt(dst.dc, 0, 0, to.cx, to.cy, src.dc, 0, 0, from.cx, from.cy, SRCCOPY);
    return out;
}

}  // namespace

HBITMAP LoadBitmapForDpi(const wchar_t* file, int dpi)
{
    HBITMAP design = LoadFile(file);
    if (dpi == kDesignDpi || !design)
        return design;
    SIZE want{Scale(SizeOf(design).cx, dpi), Scale(SizeOf(design).cy, dpi)};
    HBITMAP best = nullptr;
    for (int drawn : kDrawnDpis) {
        if (HBITMAP b = LoadFile(FileForDpi(file, drawn))) {
            if (best)
                DeleteObject(best);
            best = b;
            if (drawn >= dpi)
                break;
        }
    }
    if (!best)
        best = design;
    else
        DeleteObject(design);
    SIZE have = SizeOf(best);
    if (have.cx == want.cx && have.cy == want.cy)
        return best;
    HBITMAP out = Resized(best, want);
    DeleteObject(best);
    return out;
}

HICON LoadIconForDpi(HINSTANCE instance, const wchar_t* name, int designSize, int dpi)
{
    int size = Scale(designSize, dpi);
    return static_cast<HICON>(
        LoadImageW(instance, name, IMAGE_ICON, size, size, instance ? 0u : static_cast<UINT>(LR_LOADFROMFILE)));
}
