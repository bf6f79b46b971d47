#include "shell/sortwindow.h"
#include "shell/app.h"
#include "core/catalogue.h"
#include "core/collate.h"
#include "core/draw.h"
#include "core/records.h"
#include "core/report.h"
#include "core/sortbook.h"
#include "core/uistrings.h"
#include <strsafe.h>

SortAfterAddingFlags g_sortAfterAdding;

static HWND g_progressWindow;
void (*g_sortProgressDrawn)(HWND progressWindow);

// The sort runs without a message loop, so progress is drawn straight away.
static void DrawProgress(StringId word, long value)
{
    if (!g_progressWindow)
        return;
    HDC dc = GetDC(g_progressWindow);
    RECT rc{110, 65, 270, 95};
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    wchar_t text[128];
    StringCchPrintfW(text, 128, L"%s %ld", Str(word), value);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(50, 50, 50));
    HGDIOBJ old = SelectObject(dc, g_fonts.gui);
    DrawTextW(dc, text, -1, &rc, DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(g_progressWindow, dc);
    // Some systems (Wine) show drawing outside painting only once the
    // program looks at its queue; nothing is taken from it.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    if (g_sortProgressDrawn)
        g_sortProgressDrawn(g_progressWindow);
}

static void OnReading(int index) { DrawProgress(Txt_Reading, index); }
static void OnWriting(int index) { DrawProgress(Txt_Writing, index); }
static void OnComparing(long counter) { DrawProgress(Txt_Sorting, counter); }

static void OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, g_fonts.gui);
    if (LanguagePair* pair = CurrentPair()) {
        wchar_t title[256];
        StringCchPrintfW(title, 256, L"%s - %s", pair->sourceName, pair->targetName);
        RECT rc{0, 5, 350, 30};
        DrawEngravedText(dc, &rc, title, DT_CENTER | DT_SINGLELINE);
    }
    RECT busy{0, 25, 350, 120};
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextW(dc, Str(Txt_SortBusy), -1, &busy, DT_CENTER | DT_WORDBREAK);
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
}

static LRESULT CALLBACK SortingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: ApplyStayOnTop(hwnd); return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

static HWND CreateProgressWindow()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = SortingProc;
    wc.hInstance = g_instance;
    wc.hIcon = LoadIconW(g_instance, L"wboekicon");
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = L"sorting";
    RegisterClassExW(&wc);
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HWND hwnd = CreateWindowW(L"sorting", Str(Txt_SortCaption), WS_CAPTION | WS_SYSMENU, (w - 350) / 2, (h - 120) / 2,
                              350, 120, nullptr, nullptr, g_instance, nullptr);
    if (hwnd) {
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
    }
    return hwnd;
}

int SortWordBook()
{
    g_progressWindow = CreateProgressWindow();
    SortProgress progress{OnReading, OnWriting, OnComparing};
    RecordArray records;
    int result = -1;
    if (LoadAllRecords(&records, progress)) {
        LoadSortTable();
        SortRecords(records, progress);
        result = WriteAllRecords(records, progress);
    }
    if (result != 0)
        ShowMessage(g_progressWindow, Str(Txt_SortFailed), Str(Txt_Error), MB_OK | MB_ICONWARNING);
    if (g_progressWindow)
        DestroyWindow(g_progressWindow);
    g_progressWindow = nullptr;
    return result;
}

static void ReopenCurrentPair()
{
    ApplyPairLocale(CurrentPair()->sourceLocale);
    ClosePairFiles();
    OpenPairFiles();
    CountRecords();
}

void SortAfterAdding()
{
    SortAfterAddingFlags& f = g_sortAfterAdding;
    if (f.mirroredGotWords && f.mirroredPair) {
        LanguagePair* remembered = CurrentPair();
        g_catalogue.current = f.mirroredPair;
        ReopenCurrentPair();
        SortWordBook();
        g_catalogue.current = remembered;
        f.mirroredGotWords = false;
        ReopenCurrentPair();
        LoadSortTable();
    }
    if (f.currentGotWords) {
        SortWordBook();
        f.currentGotWords = false;
    }
}
