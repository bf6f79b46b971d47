#include "practice/flashcards.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/random.h"
#include "core/report.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/fonts.h"
#include "kit/kit.h"
#include <commctrl.h>
#include <algorithm>
#include <string>
#include <vector>

static const int kLayoutWidth = 630;
static const int kLayoutHeight = 270;
static const int kWindowHeight = 262;  // and the caption and menu bar's
static const int kLeft = 15, kTop = 10;
static const int kSlowest = 1, kFastest = 11, kStartSpeed = 6;
// Periods that are no speed period: which kind of step is pending.
static const UINT kFirstPeriod = 100;
static const UINT kQuickPeriod = 10;
static const COLORREF kCardColour = RGB(0, 0, 128);

struct ChildPlace {
    int id;
    const wchar_t* cls;
    DWORD style;
    int x, y, w, h;  // from the layout origin
};
static const ChildPlace kChildren[] = {
    {CardQuestion, L"static", SS_OWNERDRAW | SS_SUNKEN, 0, 25, 595, 40},
    {CardAnswer, L"static", SS_OWNERDRAW | SS_SUNKEN, 0, 100, 595, 40},
    {CardProgress, PROGRESS_CLASSW, PBS_SMOOTH, 265, 170, 330, 17},
    {CardFrame, L"static", SS_ETCHEDFRAME, 0, 170, 240, 75},
    {CardSpeed, TRACKBAR_CLASSW, TBS_AUTOTICKS, 20, 200, 200, 35},
    {CardQuit, L"button", BS_PUSHBUTTON, 495, 215, 100, 30},
};

struct PracticeState {
    HWND hwnd;
    HWND question, answer, progress, speedBar;
    HFONT questionFont, answerFont;
    int dpi;
    int x0, y0;  // the layout's origin, in design pixels
    int cards;              // the list's records at opening
    std::vector<int> pool;  // list indices not yet drawn, the first cardsLeft of them
    int cardsLeft;
    int cardsStarted;
    int phase;   // 0: the next step shows a question, 1: its answer
    int speed;   // slider position at the last tick
    UINT period; // 0 once the run has ended
    bool rescaling;  // a change of scale resizes the window: the card stays
};
static PracticeState s;

static void StartTimer(UINT period)
{
    KillTimer(s.hwnd, kCardTimer);
    s.period = period;
    SetTimer(s.hwnd, kCardTimer, period, nullptr);
}

static void ArmSpeedPeriod() { StartTimer(static_cast<UINT>(10950 - 950 * s.speed)); }

// The box draws its own text (WM_DRAWITEM), so a repaint keeps the card.
static void SetCard(HWND box, const wchar_t* text)
{
    SetWindowTextW(box, text);
    InvalidateRect(box, nullptr, TRUE);
}

// --- the steps ---

static void DrawNextCard()
{
    // An unreadable record leaves the previous card in the current record.
    ReadListRecord(DrawFromPool(s.pool, &s.cardsLeft));
    SetCard(s.answer, L"");
    SetCard(s.question, g_session.record.source);
}

// The timer is gone before the box, so no step comes while it is open.
static void EndRun()
{
    HWND hwnd = s.hwnd;
    KillTimer(hwnd, kCardTimer);
    s.period = 0;
    ShowMessage(hwnd, Str(Txt_PracticeEndlist), Str(Txt_Dictionary), MB_OK);
    if (IsWindow(hwnd))
        DestroyWindow(hwnd);
}

static void OnTimer()
{
    int position = static_cast<int>(SendMessageW(s.speedBar, TBM_GETPOS, 0, 0));
    if (position != s.speed) {
        s.speed = position;
        ArmSpeedPeriod();
    }
    if (s.period == kQuickPeriod)
        ArmSpeedPeriod();
    bool answerStep = s.phase == 1;
    s.phase = 1 - s.phase;
    if (answerStep) {
        SetCard(s.answer, g_session.record.translation);
        SendMessageW(s.progress, PBM_SETPOS, s.cards - s.cardsLeft, 0);
        return;
    }
    if (++s.cardsStarted > s.cards) {
        EndRun();
        return;
    }
    if (s.period == kFirstPeriod)
        ArmSpeedPeriod();
    DrawNextCard();
}

static void QuickStep()
{
    if (s.period != 0)
        StartTimer(kQuickPeriod);
}

// --- the window ---

static SIZE WindowSize(int dpi)
{
    return {Scale(kLayoutWidth, dpi), Scale(kWindowHeight, dpi) + g_captionHeight + g_menuHeight};
}

static void PlaceChildren()
{
    for (const ChildPlace& c : kChildren)
        MoveScaledChild(GetDlgItem(s.hwnd, c.id), s.x0 + c.x, s.y0 + c.y, c.w, c.h);
}

// The cards' fonts at the window's scale, given to their boxes; the old ones go once the boxes have the new.
static void MakeCardFonts()
{
    const LanguagePair* pair = CurrentPair();
    HFONT oldQuestion = s.questionFont, oldAnswer = s.answerFont;
    s.questionFont = MakeFont(22, FW_BOLD, L"Times New Roman", pair->sourceCharset, true, s.dpi);
    s.answerFont = MakeFont(22, FW_BOLD, L"Times New Roman", pair->targetCharset, true, s.dpi);
    SendMessageW(s.question, WM_SETFONT, reinterpret_cast<WPARAM>(s.questionFont), TRUE);
    SendMessageW(s.answer, WM_SETFONT, reinterpret_cast<WPARAM>(s.answerFont), TRUE);
    if (oldQuestion)
        DeleteObject(oldQuestion);
    if (oldAnswer)
        DeleteObject(oldAnswer);
}

// Centres the layout in a client area of the size (pixels).
static void Layout(int width, int height)
{
    s.x0 = std::max(kLeft, (Unscale(width, s.dpi) - kLayoutWidth) / 2 + kLeft);
    s.y0 = std::max(kTop, (Unscale(height, s.dpi) - kLayoutHeight) / 2 + kTop);
    PlaceChildren();
}

static void OnCreate(HWND hwnd)
{
    s.hwnd = hwnd;
    s.dpi = WindowDpi(hwnd);
    s.cards = g_session.list.count;
    s.x0 = kLeft;
    s.y0 = kTop;
    for (const ChildPlace& c : kChildren) {
        HWND child = CreateScaledChild(hwnd, 0, c.cls, c.id == CardQuit ? Str(Txt_Quit) : L"",
                                       WS_CHILD | WS_VISIBLE | c.style, s.x0 + c.x, s.y0 + c.y, c.w, c.h, c.id);
        if (c.id == CardQuit)
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), TRUE);
    }
    s.question = GetDlgItem(hwnd, CardQuestion);
    s.answer = GetDlgItem(hwnd, CardAnswer);
    s.progress = GetDlgItem(hwnd, CardProgress);
    s.speedBar = GetDlgItem(hwnd, CardSpeed);
    MakeCardFonts();
    // The 32-bit range: lists go beyond 65535 records.
    SendMessageW(s.progress, PBM_SETRANGE32, 0, s.cards);
    SendMessageW(s.speedBar, TBM_SETRANGE, FALSE, MAKELPARAM(kSlowest, kFastest));
    SendMessageW(s.speedBar, TBM_SETPOS, TRUE, kStartSpeed);
    s.speed = kStartSpeed;

    // Made on a monitor of another scale than the one it was sized for.
    if (s.dpi != SystemDpi()) {
        SIZE size = WindowSize(s.dpi);
        SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    s.pool.resize(static_cast<size_t>(s.cards));
    for (int i = 0; i < s.cards; ++i)
        s.pool[static_cast<size_t>(i)] = i;
    s.cardsLeft = s.cards;
    s.cardsStarted = 0;
    s.phase = 0;
    StartTimer(kFirstPeriod);
    ApplyStayOnTop(hwnd);
    RestoreWindowPosition(hwnd, g_settings.windowPos[PosPractise]);
}

// A size change centres the layout and goes on with the next question; the
// card half shown is left. After the end nothing restarts (the end box is open).
static void OnSize(int width, int height)
{
    Layout(width, height);
    if (s.period == 0 || s.rescaling)
        return;
    s.phase = 0;
    StartTimer(kFirstPeriod);
}

static void OnPaint(HWND hwnd)
{
    PaintDc paint(hwnd);
    HDC dc = paint.dc;
    SetBkMode(dc, TRANSPARENT);
    {
        Selected font(dc, FontsFor(s.dpi).gui);
        SetTextColor(dc, RGB(0, 0, 0));
        int fast = _wtoi(Str(Txt_PracticeFastPos));
        RECT slow = ScaleRect({s.x0 + 20, s.y0 + 180, s.x0 + 105, s.y0 + 200}, s.dpi);
        RECT quick = ScaleRect({s.x0 + fast - 15, s.y0 + 180, s.x0 + fast + 65, s.y0 + 200}, s.dpi);
        DrawTextW(dc, Str(Txt_PracticeSlow), -1, &slow, DT_SINGLELINE);
        DrawTextW(dc, Str(Txt_PracticeFast), -1, &quick, DT_SINGLELINE);
    }
    if (const LanguagePair* pair = CurrentPair()) {
        Selected font(dc, FontsFor(s.dpi).heading);
        RECT source = ScaleRect({s.x0, s.y0, s.x0 + 500, s.y0 + 50}, s.dpi);
        RECT target = ScaleRect({s.x0, s.y0 + 75, s.x0 + 500, s.y0 + 125}, s.dpi);
        DrawEngravedText(dc, &source, pair->sourceName, DT_SINGLELINE);
        DrawEngravedText(dc, &target, pair->targetName, DT_SINGLELINE);
    }
}

static void OnDrawItem(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    wchar_t text[kTranslationChars] = L"";
    GetWindowTextW(item.hwndItem, text, kTranslationChars);
    // The inset counts from the box's outer edge.
    RECT outer;
    GetWindowRect(item.hwndItem, &outer);
    int edge = (outer.right - outer.left - item.rcItem.right) / 2;
    RECT rc{Scale(5, s.dpi) - edge, item.rcItem.top, Scale(589, s.dpi) - edge, item.rcItem.bottom};
    Selected font(dc, item.CtlID == CardQuestion ? s.questionFont : s.answerFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kCardColour);
    DrawTextW(dc, text, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

// The slider asks for its background: the window's grey, not the system's face colour.
static LRESULT OnCtlColorStatic(HDC dc)
{
    SetBkColor(dc, RGB(192, 192, 192));
    return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
}

// A used child (the slider) would keep the keys that ask for quick steps.
static void OnCommand(int id, int code)
{
    if (id == CardQuit && code == BN_CLICKED) {
        DestroyWindow(s.hwnd);
        return;
    }
    SetFocus(s.hwnd);
}

// Moved to a monitor of another scale: the card shown stays, and so does the step pending.
static void OnDpiChanged(WPARAM wp, LPARAM lp)
{
    s.rescaling = true;
    s.dpi = TakeDpiChange(s.hwnd, wp, lp);
    s.rescaling = false;
    MakeCardFonts();
    SendMessageW(GetDlgItem(s.hwnd, CardQuit), WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), FALSE);
    RECT client;
    GetClientRect(s.hwnd, &client);
    Layout(client.right, client.bottom);
    InvalidateRect(s.hwnd, nullptr, TRUE);
}

static void OnDestroy(HWND hwnd)
{
    g_settings.windowPos[PosPractise] = SaveWindowPosition(hwnd);
    if (s.period != 0)
        KillTimer(hwnd, kCardTimer);
}

static void OnNcDestroy()
{
    DeleteObject(s.questionFont);
    DeleteObject(s.answerFont);
    s = {};
    SecondaryWindowClosed();
}

static LRESULT CALLBACK PracticeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_SIZE: OnSize(LOWORD(lp), HIWORD(lp)); return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_DRAWITEM: OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp)); return TRUE;
    case WM_TIMER:
        if (wp == kCardTimer)
            OnTimer();
        return 0;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: QuickStep(); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp)); return 0;
    case WM_HSCROLL: SetFocus(hwnd); return 0;
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wp));
    case WM_DPICHANGED: OnDpiChanged(wp, lp); return 0;
    case WM_DESTROY: OnDestroy(hwnd); return 0;
    case WM_NCDESTROY: OnNcDestroy(); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

bool OpenPractice()
{
    if (!CurrentPair() || g_session.list.count <= 0)
        return false;
    RegisterWindowClass(g_instance, L"leren", PracticeProc, L"wboekicon", L"wboekicon");
    std::wstring title = std::wstring(Str(Txt_PracticeCaption)) + L"  (" + g_session.listName + L")";
    SIZE size = WindowSize(SystemDpi());
    HWND hwnd = CreateWindowW(L"leren", title.c_str(), WS_OVERLAPPEDWINDOW, (g_screenWidth - size.cx) / 2,
                              (g_screenHeight - size.cy) / 2, size.cx, size.cy, nullptr, nullptr, g_instance, nullptr);
    if (!hwnd)
        return false;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return true;
}
