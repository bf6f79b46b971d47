#include "kit/dpi.h"
#include <cstdint>

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();

template <typename Fn> Fn User32Function(const char* name)
{
    // user32 is always loaded: asking it loads nothing new.
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

int ScreenDpi()
{
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
    if (dc)
        ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : kDesignDpi;
}

// The design rectangle lives in one window property, four 16-bit fields.
constexpr wchar_t kDesignProp[] = L"wb.design";
static_assert(sizeof(HANDLE) >= 8, "four 16-bit fields in a handle");

HANDLE Pack(int x, int y, int w, int h)
{
    auto f = [](int v) { return static_cast<uint64_t>(static_cast<uint16_t>(static_cast<int16_t>(v))); };
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(f(x) | f(y) << 16 | f(w) << 32 | f(h) << 48));
}

bool Unpack(HWND child, RECT* design)
{
    if (!GetPropW(child, L"wb.designset"))
        return false;
    auto bits = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(GetPropW(child, kDesignProp)));
    auto field = [bits](int i) { return static_cast<int>(static_cast<int16_t>(bits >> (16 * i))); };
    design->left = field(0);
    design->top = field(1);
    design->right = field(0) + field(2);
    design->bottom = field(1) + field(3);
    return true;
}

void Remember(HWND child, int x, int y, int w, int h)
{
    SetPropW(child, kDesignProp, Pack(x, y, w, h));
    SetPropW(child, L"wb.designset", reinterpret_cast<HANDLE>(1));
}

struct Rescale {
    HWND parent;
    int dpi;
    HFONT font;
};

BOOL CALLBACK RescaleOne(HWND child, LPARAM param)
{
    auto* r = reinterpret_cast<Rescale*>(param);
    if (GetParent(child) != r->parent)
        return TRUE;  // grandchildren belong to their own parents' layouts
    RECT d;
    if (Unpack(child, &d)) {
        RECT s = ScaleRect(d, r->dpi);
        SetWindowPos(child, nullptr, s.left, s.top, s.right - s.left, s.bottom - s.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (r->font)
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(r->font), TRUE);
    return TRUE;
}

}  // namespace

int SystemDpi()
{
    static auto forSystem = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
    int dpi = forSystem ? static_cast<int>(forSystem()) : 0;
    return dpi > 0 ? dpi : ScreenDpi();
}

int WindowDpi(HWND hwnd)
{
    // A change of scale, once taken, holds for the window and its children
    // (it is what the system reports afterwards anyway).
    if (HWND root = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr)
        if (auto taken = reinterpret_cast<uintptr_t>(GetPropW(root, L"wb.dpi")))
            return static_cast<int>(taken);
    static auto forWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    int dpi = forWindow && hwnd ? static_cast<int>(forWindow(hwnd)) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

int Scale(int designPixels, int dpi)
{
    return dpi == kDesignDpi ? designPixels : MulDiv(designPixels, dpi, kDesignDpi);
}

int Unscale(int pixels, int dpi)
{
    return dpi == kDesignDpi || dpi <= 0 ? pixels : MulDiv(pixels, kDesignDpi, dpi);
}

RECT ScaleRect(RECT d, int dpi)
{
    // Edges are scaled, not sizes, so neighbours that touch in the design still touch.
    return {Scale(d.left, dpi), Scale(d.top, dpi), Scale(d.right, dpi), Scale(d.bottom, dpi)};
}

HWND CreateScaledChild(HWND parent, DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, int x,
                       int y, int w, int h, int id)
{
    RECT s = ScaleRect({x, y, x + w, y + h}, WindowDpi(parent));
    HWND child = CreateWindowExW(exStyle, cls, text, style, s.left, s.top, s.right - s.left, s.bottom - s.top,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (child)
        Remember(child, x, y, w, h);
    return child;
}

void MoveScaledChild(HWND child, int x, int y, int w, int h, bool repaint)
{
    Remember(child, x, y, w, h);
    RECT s = ScaleRect({x, y, x + w, y + h}, WindowDpi(GetParent(child)));
    MoveWindow(child, s.left, s.top, s.right - s.left, s.bottom - s.top, repaint);
}

void RescaleChildren(HWND parent, int dpi, HFONT font)
{
    Rescale r{parent, dpi, font};
    EnumChildWindows(parent, RescaleOne, reinterpret_cast<LPARAM>(&r));
}

int TakeDpiChange(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    int dpi = LOWORD(wParam);
    if (dpi <= 0)
        dpi = WindowDpi(hwnd);
    SetPropW(hwnd, L"wb.dpi", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(dpi)));
    if (const RECT* suggested = reinterpret_cast<const RECT*>(lParam))
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    RescaleChildren(hwnd, dpi);
    return dpi;
}
