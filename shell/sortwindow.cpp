#include "shell/sortwindow.h"
#include "shell/app.h"
#include "core/report.h"
#include "core/session.h"
#include "core/sortbook.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/kit.h"
#include <strsafe.h>

// The window's size in design pixels.
static const int kWidth = 350, kHeight = 120;

SortAfterAddingFlags g_sortAfterAdding;
void (*g_sortProgressDrawn)(HWND progressWindow);

struct SortWindowState {
    HWND progress;
    int dpi;
    const LanguagePair* pair;  // whose names head the window
};
static SortWindowState s;

// The sort runs without a message loop, so progress is drawn straight away.
static void DrawProgress(StringId word, long value)
{
    if (!s.progress)
        return;
    {
        WindowDc dc(s.progress);
        RECT rc = ScaleRect({110, 65, 270, 95}, s.dpi);
        FillRect(dc.dc, &rc, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
        wchar_t text[128];
        StringCchPrintfW(text, 128, L"%s %ld", Str(word), value);
        SetBkMode(dc.dc, TRANSPARENT);
        SetTextColor(dc.dc, RGB(50, 50, 50));
        Selected font(dc.dc, FontsFor(s.dpi).gui);
        DrawTextW(dc.dc, text, -1, &rc, DT_SINGLELINE);
    }
    ShowDrawingNow();
    if (g_sortProgressDrawn)
        g_sortProgressDrawn(s.progress);
}

static void OnReading(int index) { DrawProgress(Txt_Reading, index); }
static void OnWriting(int index) { DrawProgress(Txt_Writing, index); }
static void OnComparing(long counter) { DrawProgress(Txt_Sorting, counter); }

static void OnPaint(HWND hwnd)
{
    PaintDc paint(hwnd);
    HDC dc = paint.dc;
    SetBkMode(dc, TRANSPARENT);
    Selected font(dc, FontsFor(s.dpi).gui);
    if (s.pair) {
        wchar_t title[256];
        StringCchPrintfW(title, 256, L"%s - %s", s.pair->sourceName, s.pair->targetName);
        RECT rc = ScaleRect({0, 5, kWidth, 30}, s.dpi);
        DrawEngravedText(dc, &rc, title, DT_CENTER | DT_SINGLELINE, s.dpi);
    }
    RECT busy = ScaleRect({0, 25, kWidth, kHeight}, s.dpi);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextW(dc, Str(Txt_SortBusy), -1, &busy, DT_CENTER | DT_WORDBREAK);
}

static void OnCreate(HWND hwnd)
{
    s.dpi = WindowDpi(hwnd);
    // Made for the primary screen: on another monitor the window is sized for its scale.
    if (s.dpi != SystemDpi())
        SetWindowPos(hwnd, nullptr, 0, 0, Scale(kWidth, s.dpi), Scale(kHeight, s.dpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyStayOnTop(hwnd);
}

static void OnDpiChanged(HWND hwnd, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(hwnd, wp, lp);
    InvalidateRect(hwnd, nullptr, TRUE);
}

static LRESULT CALLBACK SortingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_DPICHANGED: OnDpiChanged(hwnd, wp, lp); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

// Owned by the window the sort interrupts, so that one is active again afterwards.
static HWND CreateProgressWindow(HWND interrupted)
{
    RegisterWindowClass(g_instance, L"sorting", SortingProc, L"wboekicon", L"wboekicon");
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    int width = Scale(kWidth, SystemDpi()), height = Scale(kHeight, SystemDpi());
    HWND hwnd = CreateWindowW(L"sorting", Str(Txt_SortCaption), WS_CAPTION | WS_SYSMENU, (w - width) / 2,
                              (h - height) / 2, width, height, interrupted, nullptr, g_instance, nullptr);
    if (hwnd) {
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
    }
    return hwnd;
}

int SortWordBook(WordBook* book, const Collation& collation, const LanguagePair* pair)
{
    HWND interrupted = GetActiveWindow();
    int result = -1;
    {
        // The failure box runs a message loop: no window may start a command meanwhile.
        ThreadWindowsDisabled busy;
        s.pair = pair;
        s.progress = CreateProgressWindow(interrupted);
        SortProgress progress{OnReading, OnWriting, OnComparing};
        RecordArray records;
        if (LoadAllRecords(*book, &records, progress)) {
            SortRecords(records, collation, progress);
            result = WriteAllRecords(book, records, progress);
        }
        if (result != 0)
            ShowMessage(s.progress, Str(Txt_SortFailed), Str(Txt_Error), MB_OK | MB_ICONWARNING);
    }
    if (s.progress)
        DestroyWindow(s.progress);
    s = {};
    return result;
}

int SortCurrentWordBook()
{
    // The table is read again: it may have changed on disk since the pair was chosen.
    LoadSortTable(CurrentPair(), &g_session.collation);
    return SortWordBook(&g_session.book, g_session.collation, CurrentPair());
}

// The mirrored book is sorted by its own language's order; the locale is the
// runtime's one setting, so the current pair's comes back afterwards.
static void SortMirroredBook(const LanguagePair* mirrored)
{
    WordBook& book = g_session.mirror;
    if (!book.isOpen() && !OpenPairBook(mirrored, &book)) {
        ThreadWindowsDisabled busy;
        ShowMessage(GetActiveWindow(), Str(Txt_SortFailed), Str(Txt_Error), MB_OK | MB_ICONWARNING);
        return;
    }
    Collation collation;
    LoadSortTable(mirrored, &collation);
    ApplyPairLocale(mirrored->sourceLocale);
    SortWordBook(&book, collation, mirrored);
    CloseWordBook(&book);
    if (const LanguagePair* current = CurrentPair())
        ApplyPairLocale(current->sourceLocale);
}

void SortAfterAdding()
{
    SortAfterAddingFlags& f = g_sortAfterAdding;
    if (f.mirroredGotWords && f.mirroredPair)
        SortMirroredBook(f.mirroredPair);
    f.mirroredGotWords = false;
    if (f.currentGotWords)
        SortCurrentWordBook();
    f.currentGotWords = false;
}
