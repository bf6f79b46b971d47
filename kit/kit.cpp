#include "kit/kit.h"
#include "kit/dpi.h"
#include <climits>
#include <iterator>

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* className, WNDPROC proc, const wchar_t* icon,
                         const wchar_t* smallIcon)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    // A class has one pair of icons: the images for the primary screen's
    // scale, the small one its own image rather than the large one shrunk.
    int dpi = SystemDpi(), large = Scale(32, dpi), small = Scale(16, dpi);
    wc.hIcon = icon ? static_cast<HICON>(LoadImageW(instance, icon, IMAGE_ICON, large, large, LR_SHARED))
                    : LoadIconW(nullptr, IDI_APPLICATION);
    if (smallIcon)
        wc.hIconSm = static_cast<HICON>(LoadImageW(instance, smallIcon, IMAGE_ICON, small, small, LR_SHARED));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void ShowDrawingNow()
{
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

bool IsHighColourScreen(HDC dc) { return GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) >= 24; }

void PaintGradient(HDC dc, const RECT& area, const COLORREF colours[64])
{
    bool flat = !IsHighColourScreen(dc);
    int height = area.bottom - area.top > 0 ? area.bottom - area.top : 1;
    int current = -1;
    HPEN pen = nullptr;
    HGDIOBJ previous = nullptr;
    for (int y = area.top; y < area.bottom; ++y) {
        int band = flat ? 32 : 63 * (y - area.top) / height;
        if (band != current) {
            HPEN next = CreatePen(PS_SOLID, 1, colours[band]);
            HGDIOBJ old = SelectObject(dc, next);
            if (pen)
                DeleteObject(pen);
            else
                previous = old;
            pen = next;
            current = band;
        }
        MoveToEx(dc, area.left, y, nullptr);
        LineTo(dc, area.right, y);
    }
    if (pen) {
        SelectObject(dc, previous);
        DeleteObject(pen);
    }
}

void DrawRaisedText(HDC dc, RECT rc, const wchar_t* text, UINT format, int dpi)
{
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextW(dc, text, -1, &rc, format);
    OffsetRect(&rc, -Scale(2, dpi), -Scale(2, dpi));
    SetTextColor(dc, RGB(230, 230, 230));
    DrawTextW(dc, text, -1, &rc, format);
}

void DrawEngravedText(HDC dc, RECT* rc, const wchar_t* text, UINT format, int dpi)
{
    SetTextColor(dc, RGB(224, 224, 224));
    DrawTextW(dc, text, -1, rc, format);
    rc->left -= Scale(1, dpi);
    rc->top -= Scale(1, dpi);
    SetTextColor(dc, RGB(0, 128, 0));
    DrawTextW(dc, text, -1, rc, format);
}

POINT WorkspaceToScreen(POINT workspace, const MONITORINFO& monitor)
{
    return {workspace.x + monitor.rcWork.left - monitor.rcMonitor.left,
            workspace.y + monitor.rcWork.top - monitor.rcMonitor.top};
}

POINT KeepInside(POINT pos, SIZE size, const RECT& work)
{
    // Wide: a damaged setting may put the far edge past the coordinate range.
    long long x = pos.x, y = pos.y;
    if (x + size.cx > work.right)
        x = work.right - size.cx;
    if (y + size.cy > work.bottom)
        y = work.bottom - size.cy;
    if (x < work.left)
        x = work.left;
    if (y < work.top)
        y = work.top;
    return {static_cast<LONG>(x), static_cast<LONG>(y)};
}

POINT SaveWindowPosition(HWND hwnd)
{
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(hwnd, &wp))
        return {0, kNoPosition};
    POINT pos{wp.rcNormalPosition.left, wp.rcNormalPosition.top};
    // The placement counts from the work area (a task bar at the top or left
    // shifts it), the restore from the screen: saved as the screen has it.
    if (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)
        return pos;
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoW(MonitorFromRect(&wp.rcNormalPosition, MONITOR_DEFAULTTONEAREST), &mi))
        pos = WorkspaceToScreen(pos, mi);
    return pos;
}

void RestoreWindowPosition(HWND hwnd, POINT saved)
{
    if (saved.y == kNoPosition)
        return;
    RECT rc;
    GetWindowRect(hwnd, &rc);
    SIZE size{rc.right - rc.left, rc.bottom - rc.top};
    // A far edge past the coordinate range (a damaged setting) is on no monitor.
    bool fits = saved.x <= LONG_MAX - size.cx && saved.y <= LONG_MAX - size.cy;
    RECT wanted = fits ? RECT{saved.x, saved.y, saved.x + size.cx, saved.y + size.cy} : RECT{};
    POINT pos = saved;
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    // A position no monitor shows any more (a screen removed, a resolution
    // lowered) would leave the window out of reach.
    HMONITOR monitor = fits ? MonitorFromRect(&wanted, MONITOR_DEFAULTTONULL) : nullptr;
    if (!monitor && GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &mi))
        pos = KeepInside(saved, size, mi.rcWork);
    SetWindowPos(hwnd, nullptr, pos.x, pos.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DrawTopEdge(HWND hwnd, HDC dc)
{
    RECT edge;
    GetClientRect(hwnd, &edge);
    edge.bottom = Scale(1, WindowDpi(hwnd));
    GdiObject brush(CreateSolidBrush(RGB(224, 224, 224)));
    FillRect(dc, &edge, static_cast<HBRUSH>(brush.handle));
}

void DrawLanguageHeadings(HDC dc, HFONT font, RECT sourceBox, const wchar_t* source, RECT targetBox,
                          const wchar_t* target, int dpi)
{
    SetBkMode(dc, TRANSPARENT);
    Selected selected(dc, font);
    DrawEngravedText(dc, &sourceBox, source, DT_CENTER | DT_VCENTER | DT_SINGLELINE, dpi);
    DrawEngravedText(dc, &targetBox, target, DT_CENTER | DT_VCENTER | DT_SINGLELINE, dpi);
}

static BOOL CALLBACK DisableOne(HWND hwnd, LPARAM scope)
{
    auto* s = reinterpret_cast<ThreadWindowsDisabled*>(scope);
    if (s->count < static_cast<int>(std::size(s->disabled)) && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        EnableWindow(hwnd, FALSE);
        s->disabled[s->count++] = hwnd;
    }
    return TRUE;
}

ThreadWindowsDisabled::ThreadWindowsDisabled()
{
    EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(this));
}

ThreadWindowsDisabled::~ThreadWindowsDisabled()
{
    // In reverse, so the window that was active last gets activation back.
    while (count > 0) {
        HWND hwnd = disabled[--count];
        if (IsWindow(hwnd))
            EnableWindow(hwnd, TRUE);
    }
}
