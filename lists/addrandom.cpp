#include "lists/addrandom.h"
#include "lists/listmaker.h"
#include "shell/app.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/fieldkeys.h"
#include "kit/kit.h"
#include <strsafe.h>
#include <cwchar>
#include <iterator>

static const int kWidth = 325;
static const int kHeight = 145;
static const int kCountChars = 9;  // no number of this length overflows

struct AddRandomState {
    HWND hwnd;
    HWND owner;  // the list maker
    HWND replaceBox, field;
    bool replace;
    bool quiet;  // closing with the list maker: no focus to hand back
    int dpi;
    wchar_t prompt[256];
};
static AddRandomState s;

static HWND MakeChild(HWND parent, DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x,
                      int y, int w, int h)
{
    HWND child = CreateScaledChild(parent, exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, id);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), FALSE);
    return child;
}

static void OnCreate(HWND hwnd)
{
    s.hwnd = hwnd;
    s.replace = true;
    s.quiet = false;
    // Made on a monitor of another scale than the primary screen's at start-up.
    s.dpi = WindowDpi(hwnd);
    if (s.dpi != SystemDpi())
        SetWindowPos(hwnd, nullptr, 0, 0, Scale(kWidth, s.dpi), Scale(kHeight, s.dpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    s.replaceBox = MakeChild(hwnd, 0, L"button", Str(Txt_CreateListDelOldlist), WS_TABSTOP | BS_CHECKBOX, ArReplace, 5,
                             5, 300, 30);
    SendMessageW(s.replaceBox, BM_SETCHECK, BST_CHECKED, 0);
    s.field = MakeChild(hwnd, WS_EX_CLIENTEDGE, L"edit", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, ArCount, 5, 80,
                        90, 25);
    SendMessageW(s.field, EM_LIMITTEXT, kCountChars, 0);
    SubclassKeyField(s.field, {VK_RETURN});
    MakeChild(hwnd, 0, L"button", Str(Txt_OK), WS_TABSTOP | BS_PUSHBUTTON, ArOk, 120, 80, 80, 25);
    MakeChild(hwnd, 0, L"button", Str(Txt_Cancel), WS_TABSTOP | BS_PUSHBUTTON, ArCancel, 220, 80, 80, 25);
    StringCchPrintfW(s.prompt, std::size(s.prompt), L"%s %ld) ?", Str(Txt_CreateListNumberWords),
                     static_cast<long>(g_session.book.count));
    ApplyStayOnTop(hwnd);
    SetFocus(s.field);
}

static void OnPaint(HWND hwnd)
{
    PaintDc paint(hwnd);
    SetBkMode(paint.dc, TRANSPARENT);
    SetTextColor(paint.dc, RGB(0, 0, 0));
    Selected font(paint.dc, FontsFor(s.dpi).gui);
    RECT rc = ScaleRect({7, 43, 320, 60}, s.dpi);
    DrawTextW(paint.dc, s.prompt, -1, &rc, DT_WORDBREAK);
}

static void ToggleReplace()
{
    s.replace = !s.replace;
    SendMessageW(s.replaceBox, BM_SETCHECK, s.replace ? BST_CHECKED : BST_UNCHECKED, 0);
    SetFocus(s.field);
}

// A count outside 1 to the word book's size only empties the field.
static void Accept()
{
    wchar_t text[kCountChars + 1] = L"";
    GetWindowTextW(s.field, text, static_cast<int>(std::size(text)));
    long n = std::wcstol(text, nullptr, 10);
    if (n < 1 || n > g_session.book.count) {
        SetWindowTextW(s.field, L"");
        SetFocus(s.field);
        return;
    }
    AddRandomWords(static_cast<int>(n), s.replace, s.hwnd);
    DestroyWindow(s.hwnd);
}

static void OnCommand(int id, int code)
{
    if (id == ArCount) {
        if (code == kFieldKey)
            Accept();
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case ArReplace: ToggleReplace(); break;
    case ArOk: Accept(); break;
    case ArCancel: DestroyWindow(s.hwnd); break;
    }
}

static void OnDpiChanged(HWND hwnd, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(hwnd, wp, lp);
    RescaleChildren(hwnd, s.dpi, FontsFor(s.dpi).gui);
    InvalidateRect(hwnd, nullptr, TRUE);
}

static void OnDestroy()
{
    HWND owner = s.owner;
    bool quiet = s.quiet;
    s = {};
    if (!quiet && IsWindow(owner))
        SetFocus(GetDlgItem(owner, LmSearch));
}

static LRESULT CALLBACK AddRandomProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp)); return 0;
    // The field keeps the focus whenever the window is active.
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && s.field)
            SetFocus(s.field);
        return 0;
    case WM_DPICHANGED: OnDpiChanged(hwnd, wp, lp); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

void OpenAddRandom(HWND listMaker)
{
    if (s.hwnd) {
        BringWindowToTop(s.hwnd);
        return;
    }
    if (!RegisterWindowClass(g_instance, L"addrandom", AddRandomProc, L"wboekicon", L"wboekicon"))
        return;
    s.owner = listMaker;
    int w = Scale(kWidth, SystemDpi()), h = Scale(kHeight, SystemDpi());
    HWND hwnd = CreateWindowW(L"addrandom", Str(Txt_CreateListAddRandomNumber), WS_CAPTION | WS_SYSMENU,
                              (g_screenWidth - w) / 2, (g_screenHeight - h) / 2, w, h, nullptr, nullptr, g_instance,
                              nullptr);
    if (!hwnd) {
        s = {};
        return;
    }
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
}

void CloseAddRandom()
{
    if (!s.hwnd)
        return;
    s.quiet = true;
    DestroyWindow(s.hwnd);
}
