// The window kit shared by wordbook and setup: class registration, device
// contexts and GDI objects that release themselves, the gradient background,
// raised and engraved text, and window positions that survive a restart.
#pragma once
#include <windows.h>

// Registers a class the way every window of the programs has it: redrawn on
// resizing, arrow cursor, light grey background. Icons are loaded from the
// module by name (null: the system's application icon) at the primary
// screen's scale, the small one at the small-icon size. True when the class
// exists afterwards.
bool RegisterWindowClass(HINSTANCE instance, const wchar_t* className, WNDPROC proc, const wchar_t* icon,
                         const wchar_t* smallIcon);

// A window's DC for drawing outside painting.
struct WindowDc {
    HWND hwnd;
    HDC dc;
    explicit WindowDc(HWND h) : hwnd(h), dc(GetDC(h)) {}
    ~WindowDc() { ReleaseDC(hwnd, dc); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
};

struct PaintDc {
    HWND hwnd;
    PAINTSTRUCT ps;
    HDC dc;
    explicit PaintDc(HWND h) : hwnd(h), ps{}, dc(BeginPaint(h, &ps)) {}
    ~PaintDc() { EndPaint(hwnd, &ps); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
};

struct MemoryDc {
    HDC dc;
    explicit MemoryDc(HDC compatible) : dc(CreateCompatibleDC(compatible)) {}
    ~MemoryDc() { DeleteDC(dc); }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
};

// Selects an object into a DC and puts the previous one back.
struct Selected {
    HDC dc;
    HGDIOBJ previous;
    Selected(HDC d, HGDIOBJ object) : dc(d), previous(SelectObject(d, object)) {}
    ~Selected() { SelectObject(dc, previous); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;
};

// Owns a pen, brush, font or bitmap.
struct GdiObject {
    HGDIOBJ handle;
    explicit GdiObject(HGDIOBJ h = nullptr) : handle(h) {}
    ~GdiObject() { if (handle) DeleteObject(handle); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
};

// Drawing done outside painting reaches the screen under some systems (Wine)
// only once the thread looks at its queue; this looks, taking nothing out.
void ShowDrawingNow();

// 64 bands of colour from top to bottom, colours[i] for the i-th; a screen of
// fewer than 24 bits gets the middle colour throughout.
void PaintGradient(HDC dc, const RECT& area, const COLORREF colours[64]);
bool IsHighColourScreen(HDC dc);

// The light grey line along the top edge of a client area, under the menu
// bar: one design pixel thick at the window's dpi.
void DrawTopEdge(HWND hwnd, HDC dc);

// The two language names in engraved text, each centred over its column
// (boxes in pixels; dpi scales the engraving's offset).
void DrawLanguageHeadings(HDC dc, HFONT font, RECT sourceBox, const wchar_t* source, RECT targetBox,
                          const wchar_t* target, int dpi = 96);

// Black, then light grey two design pixels up and left: the titles of both programs.
void DrawRaisedText(HDC dc, RECT rc, const wchar_t* text, UINT format, int dpi = 96);
// Light grey, then green one design pixel up and left; the caller's rectangle stays moved.
void DrawEngravedText(HDC dc, RECT* rc, const wchar_t* text, UINT format, int dpi = 96);

// "Never placed" in a saved position's top.
constexpr int kNoPosition = 9999;
// Left and top of the window's normal position in screen coordinates, as
// RestoreWindowPosition takes them.
POINT SaveWindowPosition(HWND hwnd);
// Moves the window there unless top is kNoPosition; a position off every
// monitor (a screen since removed) is moved onto the nearest one's work area.
void RestoreWindowPosition(HWND hwnd, POINT saved);
// The placement's workspace coordinates in screen coordinates.
POINT WorkspaceToScreen(POINT workspace, const MONITORINFO& monitor);
// The left top that keeps a window of the size inside the work area.
POINT KeepInside(POINT pos, SIZE size, const RECT& work);

// Disables the thread's enabled top-level windows for its lifetime, as a modal
// box does for its owner: a window busy on a command (a sort, a box of its
// own) can't be given a second one. Windows created meanwhile stay enabled.
struct ThreadWindowsDisabled {
    HWND disabled[64];
    int count = 0;
    ThreadWindowsDisabled();
    ~ThreadWindowsDisabled();
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;
};
