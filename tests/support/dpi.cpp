#include "tests/support/dpi.h"
#include "kit/dpi.h"
#include "kit/fonts.h"
#include <gtest/gtest.h>
#include <vector>

RECT ChildRect(HWND child)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ExpectScaledRect(HWND child, int x, int y, int w, int h, int dpi, const char* what)
{
    ASSERT_TRUE(IsWindow(child)) << what;
    RECT want = ScaleRect({x, y, x + w, y + h}, dpi), got = ChildRect(child);
    EXPECT_EQ(want.left, got.left) << what;
    EXPECT_EQ(want.top, got.top) << what;
    EXPECT_EQ(want.right, got.right) << what;
    EXPECT_EQ(want.bottom, got.bottom) << what;
}

int FontHeightOf(HWND control)
{
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    if (!font || !GetObjectW(font, sizeof lf, &lf))
        return 0;
    return lf.lfHeight;
}

void ExpectFontHeight(HWND control, int points, int dpi, const char* what)
{
    EXPECT_EQ(FontHeightForPoints(points, dpi), FontHeightOf(control)) << what;
}

void ExpectTextFitsIn(HFONT font, const std::wstring& text, int width, int height, const char* what)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    RECT r{0, 0, width, 0};
    UINT flags = DT_CALCRECT | DT_NOPREFIX | (height > 0 ? DT_WORDBREAK : DT_SINGLELINE);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_LE(r.right, width) << what << ": \"" << std::string(text.begin(), text.end()) << "\"";
    if (height > 0) {
        EXPECT_LE(r.bottom, height) << what;
    }
}

void ExpectTextFits(HWND control, bool multiline, const char* what)
{
    int n = GetWindowTextLengthW(control);
    std::vector<wchar_t> text(static_cast<size_t>(n) + 1);
    GetWindowTextW(control, text.data(), n + 1);
    RECT client{};
    GetClientRect(control, &client);
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    ExpectTextFitsIn(font, text.data(), client.right, multiline ? client.bottom : 0, what);
}

void SendDpiChange(HWND hwnd, int oldDpi, int newDpi)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    RECT suggested{r.left, r.top, r.left + MulDiv(r.right - r.left, newDpi, oldDpi),
                   r.top + MulDiv(r.bottom - r.top, newDpi, oldDpi)};
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi), reinterpret_cast<LPARAM>(&suggested));
}
