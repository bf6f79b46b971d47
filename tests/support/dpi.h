// Checks of windows laid out at the display's scale (tests named _dpi_gui run
// at 144 dpi; see tests/CMakeLists.txt).
#pragma once
#include <windows.h>
#include <string>

// The child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);
// The child sits at the design rectangle scaled to dpi (edges scaled, as the kit does).
void ExpectScaledRect(HWND child, int x, int y, int w, int h, int dpi, const char* what);
// The control's font has the height of `points` at dpi.
void ExpectFontHeight(HWND control, int points, int dpi, const char* what);
// The font's height (lfHeight) of a control's font; 0 when it has none.
int FontHeightOf(HWND control);
// The control's own text, measured in its font, fits its client area (on one
// line, or word-wrapped when multiline is true).
void ExpectTextFits(HWND control, bool multiline, const char* what);
// A text measured in a font fits a width (and, wrapped, a height when height > 0).
void ExpectTextFitsIn(HFONT font, const std::wstring& text, int width, int height, const char* what);
// Delivers a change of scale as the system does when the window moves to a
// monitor of another scale: the suggested rectangle keeps the left top and
// scales the size by newDpi / oldDpi.
void SendDpiChange(HWND hwnd, int oldDpi, int newDpi);
