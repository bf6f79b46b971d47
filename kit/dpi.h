// The scale of the screen. Every size of the windows is given in 96-dpi
// pixels (design pixels) and passes through Scale on its way to the screen;
// each window follows the scale of the monitor it is on.
#pragma once
#include <windows.h>

constexpr int kDesignDpi = 96;

// The window's dots per inch (its monitor's, the program being per-monitor
// aware); where the system can't tell per window, the screen's.
int WindowDpi(HWND hwnd);
// The scale windows not yet made are sized for: the primary screen's.
int SystemDpi();
// A design-pixel length at the dpi, rounded half away from zero: the one
// rounding of the programs.
int Scale(int designPixels, int dpi);
// The reverse, for reading back a scaled length (a dragged size) in design pixels.
int Unscale(int pixels, int dpi);

// Creates a child at a design rectangle, scaled to the parent's dpi, and
// remembers the rectangle so that RescaleChildren can place it again.
HWND CreateScaledChild(HWND parent, DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, int x,
                       int y, int w, int h, int id);
// Moves a child to a design rectangle at the parent's dpi and remembers it.
void MoveScaledChild(HWND child, int x, int y, int w, int h, bool repaint = true);
// Every child that remembers a design rectangle (CreateScaledChild,
// MoveScaledChild) is placed at it for the dpi, and given the font if not null.
void RescaleChildren(HWND parent, int dpi, HFONT font = nullptr);

// WM_DPICHANGED: the window takes the rectangle the system suggests (lParam)
// and its remembered children are placed again; returns the new dpi. The
// caller then remakes its fonts and art and repaints.
int TakeDpiChange(HWND hwnd, WPARAM wParam, LPARAM lParam);

// A design rectangle scaled.
RECT ScaleRect(RECT design, int dpi);
