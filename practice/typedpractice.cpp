#include "practice/typedpractice.h"
#include "entry/picker.h"
#include "search/lookup.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/random.h"
#include "core/report.h"
#include "core/review.h"
#include "core/scores.h"
#include "core/session.h"
#include "core/textfold.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/fieldkeys.h"
#include "kit/fonts.h"
#include "kit/kit.h"
#include <commctrl.h>
#include <mmsystem.h>
#include <strsafe.h>
#include <algorithm>
#include <iterator>
#include <numeric>
#include <utility>
#include <vector>

static const int kWidth = 630;
static const int kClientHeight = 262;
// A larger window centres the layout as a block of kWidth by this.
static const int kLayoutHeight = 270;
static const POINT kOrigin{15, 10};

struct TypedState {
    HWND hwnd;
    HWND question, answer, progress, show;
    HWND currentScore, bestScore;
    HMENU menu;
    HFONT questionFont, answerFont;
    int dpi;
    POINT origin;  // of the layout, in design pixels
    std::vector<int> pool;  // list indices not drawn yet; the first cardsLeft count
    int cardsLeft;
    int count;              // cards of the run
    int card;               // list index of the card shown
    int right, skips, errors;
    Score best;             // read once, at opening
    std::wstring translation;  // of the card shown
    std::wstring listPath;  // of the list at opening; "" for none
    // Review: the due records only, each answer rescheduling its record.
    bool review;
    bool missed;            // the card shown had a wrong answer or Show
    bool scheduleChanged;   // answers not in the schedule file yet
    int today;
    std::vector<ReviewEntry> schedule;
    // The finished run's history line, until it is in the file.
    bool historyPending;
    HistoryLine run;
};
static TypedState s;

// --- judging ---

AnswerVerdict JudgeAnswer(const std::wstring& typed, const std::wstring& translation)
{
    size_t start = typed.find_first_not_of(L',');
    if (start == std::wstring::npos)
        return AnswerVerdict::None;
    std::wstring answer = TrimSpaces(typed.substr(start, typed.find(L',', start) - start));
    if (answer.empty())
        return AnswerVerdict::None;
    // Empty parts are dropped there, and an empty answer never gets this far.
    for (const std::wstring& part : TranslationParts(translation))
        if (EqualFoldAZ(part, answer))
            return AnswerVerdict::Right;
    return AnswerVerdict::Wrong;
}

// --- the score ---

// The list file, found as OpenListFile finds it; "" when there is no list.
static std::wstring CurrentListPath()
{
    if (!g_session.listName[0] && CountLists() > 0)
        ChooseFirstList();
    return PairListPath(CurrentPair(), g_session.listName);
}

static int ReadBestScore()
{
    if (s.listPath.empty() || !ReadScore(ScorePath(s.listPath), &s.best) || !s.best.known()) {
        s.best = Score{};
        return -1;
    }
    return 0;
}

// Results go beside the list, in the installation: none where it is read-only.
static bool MaySaveResults() { return !s.listPath.empty() && !g_readOnlyInstall; }

// A score file that can't be written is left as it was, without a word.
static void SaveScoreIfBetter()
{
    Score run{s.skips, s.errors};
    if (!IsBetterScore(run, s.best))
        return;
    if (MaySaveResults())
        WriteScore(ScorePath(s.listPath), run);
}

// --- the review schedule and the history ---

// A wrong answer or Show sends the card back to box 1 at once, so quitting
// before the right answer can't keep it in a higher box.
static void MissCard()
{
    s.missed = true;
    if (!s.review)
        return;
    ScheduleAnswer(&s.schedule[s.card], false, s.today);
    s.scheduleChanged = true;
}

static void CardAnsweredRight()
{
    if (!s.review || s.missed)
        return;
    ScheduleAnswer(&s.schedule[s.card], true, s.today);
    s.scheduleChanged = true;
}

// Writes what isn't written yet: the schedule, then the history line. Returns
// the file that couldn't be written ("" when all is saved); the rest stays
// pending. A history that isn't one is said once and left alone.
static std::wstring SaveResults()
{
    if (!MaySaveResults())
        return L"";
    std::wstring schedule = SchedulePath(s.listPath), history = HistoryPath(s.listPath);
    if (s.scheduleChanged) {
        if (!WriteSchedule(schedule, s.schedule))
            return schedule;
        s.scheduleChanged = false;
    }
    bool damaged = false;
    if (s.historyPending && !AppendHistory(history, s.run, &damaged) && !damaged)
        return history;
    if (damaged)
        ShowMessage(s.hwnd, FillIn(Str(Txt_PracticeHistoryDamaged), {history}).c_str(), Str(Txt_Dictionary),
                    MB_OK | MB_ICONWARNING);
    s.historyPending = false;
    return L"";
}

static void SaveResultsOrSay()
{
    std::wstring failed = SaveResults();
    if (!failed.empty())
        ShowMessage(s.hwnd, FillIn(Str(Txt_PracticeResultsKept), {failed}).c_str(), Str(Txt_Dictionary),
                    MB_OK | MB_ICONWARNING);
}

// The answers of a run quit halfway count all the same. Results that can't be
// written ask whether to try again.
static void Quit()
{
    for (std::wstring failed = SaveResults(); !failed.empty(); failed = SaveResults()) {
        std::wstring text = FillIn(Str(Txt_PracticeResultsUnsaved), {failed});
        if (ShowMessage(s.hwnd, text.c_str(), Str(Txt_Dictionary), MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY)
            break;
    }
    s.scheduleChanged = s.historyPending = false;
    DestroyWindow(s.hwnd);
}

static void ShowScore(HWND text, long skips, long errors)
{
    wchar_t line[256];
    StringCchPrintfW(line, std::size(line), L"%s %ld  -  %s %ld", Str(Txt_PracticeSkipped), skips,
                     Str(Txt_PracticeErrors), errors);
    SetWindowTextW(text, line);
}

static void ShowCurrentScore() { ShowScore(s.currentScore, s.skips, s.errors); }

// A missing sound file plays nothing and says nothing.
static void Play(const wchar_t* file)
{
    if (g_settings.practiceSound == 1)
        PlaySoundW(file, nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT);
}

// --- the cards ---

static void SetProgress() { SendMessageW(s.progress, PBM_SETPOS, s.count - s.cardsLeft, 0); }

// A record that can't be read leaves the previous card's texts.
static void DrawNextCard()
{
    s.card = DrawFromPool(s.pool, &s.cardsLeft);
    s.missed = false;
    ReadListRecord(s.card);
    s.translation = g_session.record.translation;
    SetWindowTextW(s.answer, L"");
    SetWindowTextW(s.question, g_session.record.source);
    EnableWindow(s.show, TRUE);
}

static void CompleteRun()
{
    EnableWindow(s.show, FALSE);
    EnableWindow(s.answer, FALSE);
    SetProgress();
    // Its cards are only part of the list: a review never competes for the best score.
    if (!s.review)
        SaveScoreIfBetter();
    s.run = {NowText(), s.review ? L"review" : L"typed", s.count, s.errors, s.skips};
    s.historyPending = true;
    SaveResultsOrSay();
    ShowMessage(s.hwnd, Str(Txt_PracticeEndlist), Str(Txt_Dictionary), MB_OK);
}

static void AnsweredRight()
{
    CardAnsweredRight();
    if (++s.right == s.count)
        return CompleteRun();
    SetProgress();
    ShowCurrentScore();
    Play(L"right.wav");
    DrawNextCard();
}

// No answer can be right for a record without a translation: once shown, Enter passes it.
static bool ShownWithoutTranslation()
{
    return !IsWindowEnabled(s.show) && TranslationParts(s.translation).empty();
}

static void CheckAnswer()
{
    if (ShownWithoutTranslation())
        return AnsweredRight();
    wchar_t typed[kAnswerChars + 1] = L"";
    GetWindowTextW(s.answer, typed, static_cast<int>(std::size(typed)));
    if (!typed[0])
        return;
    switch (JudgeAnswer(typed, s.translation)) {
    case AnswerVerdict::None:
        SetWindowTextW(s.answer, L"");
        return;
    case AnswerVerdict::Wrong:
        ++s.errors;
        MissCard();
        ShowCurrentScore();
        Play(L"wrong.wav");
        return;
    case AnswerVerdict::Right:
        return AnsweredRight();
    }
}

// The card stays: Enter now answers it with the translation shown.
static void ShowTranslation()
{
    ++s.skips;
    MissCard();
    SetWindowTextW(s.answer, s.translation.c_str());
    SetFocus(s.answer);
    int end = GetWindowTextLengthW(s.answer);
    SendMessageW(s.answer, EM_SETSEL, end, end);
    ShowCurrentScore();
    Play(L"skipped.wav");
    EnableWindow(s.show, FALSE);
}

// --- the menus ---

// Two items of which one carries the check mark.
static void CheckChoice(int first, int second, bool firstChosen)
{
    CheckMenuItem(s.menu, first, MF_BYCOMMAND | (firstChosen ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(s.menu, second, MF_BYCOMMAND | (firstChosen ? MF_UNCHECKED : MF_CHECKED));
}

static void ShowPicker(bool show)
{
    CheckChoice(TypedPickerShow, TypedPickerHide, show);
    if (show) {
        ReopenPicker(s.hwnd, s.answer);
        SetFocus(s.answer);
    } else {
        ClosePicker();
    }
}

static void SetSound(bool on)
{
    CheckChoice(TypedSoundOn, TypedSoundOff, on);
    g_settings.practiceSound = on ? 1 : 0;
}

static HMENU BuildMenuBar()
{
    HMENU bar = CreateMenu();
    HMENU charset = CreatePopupMenu();
    AppendMenuW(charset, MF_STRING, TypedPickerShow, Str(Txt_PracticeIAMenuCharset1));
    AppendMenuW(charset, MF_STRING | MF_CHECKED, TypedPickerHide, Str(Txt_PracticeIAMenuCharset2));
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(charset), Str(Txt_PracticeIAMenuCharset0));
    bool sound = g_settings.practiceSound == 1;
    HMENU sounds = CreatePopupMenu();
    AppendMenuW(sounds, MF_STRING | (sound ? MF_CHECKED : 0), TypedSoundOn, Str(Txt_PracticeIAMenuSound1));
    AppendMenuW(sounds, MF_STRING | (sound ? 0 : MF_CHECKED), TypedSoundOff, Str(Txt_PracticeIAMenuSound2));
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(sounds), Str(Txt_PracticeIAMenuSound0));
    return bar;
}

// --- the layout ---

struct Place {
    int id, x, y, width, height;
};
static const Place kPlaces[] = {
    {TypedQuestion, 0, 25, 595, 40},
    {TypedAnswer, 0, 100, 595, 40},
    {TypedProgress, 265, 155, 330, 17},
    {TypedFrame, 0, 155, 240, 77},
    {TypedCurrentLabel, 10, 160, 210, 15},
    {TypedCurrentScore, 10, 175, 210, 15},
    {TypedBestLabel, 10, 195, 210, 15},
    {TypedBestScore, 10, 210, 210, 15},
    {TypedShow, 265, 202, 100, 30},
    {TypedQuit, 495, 202, 100, 30},
};

static const Place& PlaceOf(int id)
{
    for (const Place& p : kPlaces)
        if (p.id == id)
            return p;
    return kPlaces[0];
}

static HWND MakeChild(const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int id, HFONT font)
{
    const Place& p = PlaceOf(id);
    HWND child = CreateScaledChild(s.hwnd, exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, s.origin.x + p.x,
                                   s.origin.y + p.y, p.width, p.height, id);
    if (font)
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

static void CreateControls()
{
    HFONT gui = FontsFor(s.dpi).gui;
    s.question = MakeChild(L"static", L"", SS_OWNERDRAW | SS_NOPREFIX, WS_EX_STATICEDGE, TypedQuestion,
                           s.questionFont);
    s.answer = MakeChild(L"edit", L"", WS_BORDER | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, TypedAnswer, s.answerFont);
    s.progress = MakeChild(PROGRESS_CLASSW, L"", PBS_SMOOTH, 0, TypedProgress, nullptr);
    MakeChild(L"static", L"", SS_ETCHEDFRAME, 0, TypedFrame, nullptr);
    MakeChild(L"static", Str(Txt_PracticeCurrentscore), SS_NOPREFIX, 0, TypedCurrentLabel, gui);
    s.currentScore = MakeChild(L"static", L"", SS_NOPREFIX, 0, TypedCurrentScore, gui);
    MakeChild(L"static", Str(Txt_PracticeBestscore), SS_NOPREFIX, 0, TypedBestLabel, gui);
    s.bestScore = MakeChild(L"static", L"", SS_NOPREFIX, 0, TypedBestScore, gui);
    s.show = MakeChild(L"button", Str(Txt_PracticeShow), BS_PUSHBUTTON, 0, TypedShow, gui);
    MakeChild(L"button", Str(Txt_Quit), BS_PUSHBUTTON, 0, TypedQuit, gui);
    SendMessageW(s.answer, EM_LIMITTEXT, kAnswerChars, 0);
}

static void OnSize(int width, int height)
{
    s.origin = {std::max<LONG>(kOrigin.x, (Unscale(width, s.dpi) - kWidth) / 2 + kOrigin.x),
                std::max<LONG>(kOrigin.y, (Unscale(height, s.dpi) - kLayoutHeight) / 2 + kOrigin.y)};
    for (const Place& p : kPlaces)
        MoveScaledChild(GetDlgItem(s.hwnd, p.id), s.origin.x + p.x, s.origin.y + p.y, p.width, p.height);
    InvalidateRect(s.hwnd, nullptr, TRUE);
}

// The cards' fonts at the window's scale; the old ones go once the boxes have the new.
static void MakeCardFonts()
{
    const LanguagePair* pair = CurrentPair();
    HFONT oldQuestion = s.questionFont, oldAnswer = s.answerFont;
    s.questionFont = MakeFont(22, FW_BOLD, L"Times New Roman", pair->sourceCharset, true, s.dpi);
    s.answerFont = MakeFont(22, FW_BOLD, L"Times New Roman", pair->targetCharset, true, s.dpi);
    for (auto [box, font] : {std::pair{s.question, s.questionFont}, std::pair{s.answer, s.answerFont}})
        if (box)
            SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (oldQuestion)
        DeleteObject(oldQuestion);
    if (oldAnswer)
        DeleteObject(oldAnswer);
}

static SIZE WindowSize(int dpi)
{
    return {Scale(kWidth, dpi), Scale(kClientHeight, dpi) + g_captionHeight + g_menuHeight};
}

// --- the window ---

static void OnCreate(HWND hwnd)
{
    s.hwnd = hwnd;
    s.dpi = WindowDpi(hwnd);
    s.menu = BuildMenuBar();
    SetMenu(hwnd, s.menu);
    MakeCardFonts();
    s.origin = kOrigin;
    ClosePicker();
    SetPickerLanguage(false);
    CreateControls();
    g_picker.owner = hwnd;
    g_picker.target = s.answer;

    // The open function filled the pool.
    s.count = static_cast<int>(s.pool.size());
    SendMessageW(s.progress, PBM_SETRANGE32, 0, s.count);
    s.cardsLeft = s.count;
    ApplyStayOnTop(hwnd);
    // Made on a monitor of another scale than the one it was sized for.
    if (s.dpi != SystemDpi()) {
        SIZE size = WindowSize(s.dpi);
        SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RestoreWindowPosition(hwnd, g_settings.windowPos[PosPractise]);
    SubclassKeyField(s.answer, {VK_RETURN, VK_ESCAPE});
    SetFocus(s.answer);

    g_session.record.source[0] = g_session.record.translation[0] = L'\0';
    DrawNextCard();
    ShowCurrentScore();
    // A review asks only part of the list: no best score to compare with.
    if (!s.review && ReadBestScore() == 0)
        ShowScore(s.bestScore, s.best.skips, s.best.errors);
    else
        SetWindowTextW(s.bestScore, Str(Txt_PracticeNotavailable));
}

static void OnPaint(HWND hwnd)
{
    PaintDc paint(hwnd);
    HDC dc = paint.dc;
    DrawTopEdge(hwnd, dc);
    SetBkMode(dc, TRANSPARENT);
    if (const LanguagePair* pair = CurrentPair()) {
        Selected font(dc, FontsFor(s.dpi).heading);
        POINT o = s.origin;
        RECT source = ScaleRect({o.x, o.y, o.x + 500, o.y + 50}, s.dpi);
        RECT target = ScaleRect({o.x, o.y + 75, o.x + 500, o.y + 125}, s.dpi);
        DrawEngravedText(dc, &source, pair->sourceName, DT_SINGLELINE);
        DrawEngravedText(dc, &target, pair->targetName, DT_SINGLELINE);
    }
}

// The question box draws its own text: navy, a little in from its edge, "&" as it stands.
static void DrawQuestion(const DRAWITEMSTRUCT& item)
{
    wchar_t text[kSourceChars] = L"";
    GetWindowTextW(item.hwndItem, text, kSourceChars);
    FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    RECT rc = item.rcItem;
    rc.left += Scale(5, s.dpi);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, RGB(0, 0, 128));
    Selected font(item.hDC, s.questionFont);
    DrawTextW(item.hDC, text, -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

// The score texts, and the answer field once disabled, stand on the window's grey.
static LRESULT OnCtlColorStatic(HDC dc)
{
    SetBkColor(dc, RGB(192, 192, 192));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
}

static void OnAnswerKey(UINT key)
{
    if (key == VK_RETURN)
        CheckAnswer();
    else if (key == VK_ESCAPE && IsWindowEnabled(s.show))
        ShowTranslation();
}

static void OnCommand(int id, int code, LPARAM lp)
{
    switch (id) {
    case TypedAnswer:
        if (code == kFieldKey)
            OnAnswerKey(HIWORD(lp));
        return;
    case TypedShow:
        if (code == BN_CLICKED && IsWindowEnabled(s.show))
            ShowTranslation();
        return;
    case TypedQuit:
        if (code == BN_CLICKED)
            Quit();
        return;
    }
    if (lp)
        return;  // menu items come without a control
    switch (id) {
    case TypedPickerShow: ShowPicker(true); break;
    case TypedPickerHide: ShowPicker(false); break;
    case TypedSoundOn: SetSound(true); break;
    case TypedSoundOff: SetSound(false); break;
    }
}

// Moved to a monitor of another scale: the typed answer, its selection and the card stay.
static void OnDpiChanged(WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(s.hwnd, wp, lp);
    MakeCardFonts();
    HFONT gui = FontsFor(s.dpi).gui;
    for (int id : {TypedCurrentLabel, TypedCurrentScore, TypedBestLabel, TypedBestScore, TypedShow, TypedQuit})
        SendMessageW(GetDlgItem(s.hwnd, id), WM_SETFONT, reinterpret_cast<WPARAM>(gui), FALSE);
    RECT client;
    GetClientRect(s.hwnd, &client);
    OnSize(client.right, client.bottom);
}

static void OnDestroy(HWND hwnd)
{
    ClosePicker();
    if (g_picker.owner == hwnd)
        g_picker = {};
    SaveResults();  // closed other than by Quit: one last try
    g_settings.windowPos[PosPractise] = SaveWindowPosition(hwnd);
}

static void OnNcDestroy()
{
    DeleteObject(s.questionFont);
    DeleteObject(s.answerFont);
    s = {};
    SecondaryWindowClosed();
}

static LRESULT CALLBACK TypedProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_SIZE: OnSize(LOWORD(lp), HIWORD(lp)); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp), lp); return 0;
    case WM_DRAWITEM: DrawQuestion(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp)); return TRUE;
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wp));
    case WM_ACTIVATE:
        // The keys belong to the answer field while there is a card to answer.
        if (LOWORD(wp) == WA_INACTIVE || !s.answer || !IsWindowEnabled(s.answer))
            return DefWindowProcW(hwnd, msg, wp, lp);
        SetFocus(s.answer);
        return 0;
    case WM_DPICHANGED: OnDpiChanged(wp, lp); return 0;
    case WM_CLOSE: Quit(); return 0;
    case WM_DESTROY: OnDestroy(hwnd); return 0;
    case WM_NCDESTROY: OnNcDestroy(); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

static bool CanOpen() { return CurrentPair() && !s.hwnd && g_session.list.count > 0; }

// Makes the window over the cards the open function put into the pool.
static bool MakeWindow(const wchar_t* caption)
{
    if (!RegisterWindowClass(g_instance, L"leren2", TypedProc, L"wboekicon", L"wboekicon")) {
        s = {};
        return false;
    }
    std::wstring title = std::wstring(caption) + L"  (" + g_session.listName + L")";
    int dpi = SystemDpi();
    SIZE size = WindowSize(dpi);
    HWND hwnd = CreateWindowW(L"leren2", title.c_str(), WS_OVERLAPPEDWINDOW, (g_screenWidth - size.cx) / 2,
                              (g_screenHeight - g_menuHeight - g_captionHeight - Scale(350, dpi)) / 2, size.cx,
                              size.cy, nullptr, nullptr, g_instance, nullptr);
    if (!hwnd) {
        s = {};
        return false;
    }
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    return true;
}

bool OpenScoredPractice()
{
    if (!CanOpen())
        return false;
    s.listPath = CurrentListPath();
    s.pool.resize(g_session.list.count);
    std::iota(s.pool.begin(), s.pool.end(), 0);
    return MakeWindow(Str(Txt_PracticeCaption));
}

bool OpenReviewPractice()
{
    if (!CanOpen())
        return false;
    std::wstring listPath = CurrentListPath();
    if (listPath.empty())
        return false;
    int today = Today();
    std::vector<ReviewEntry> schedule = ReadSchedule(SchedulePath(listPath), g_session.list.count, today);
    std::vector<int> due = DueRecords(schedule, today);
    if (due.empty()) {
        wchar_t text[512];
        StringCchPrintfW(text, std::size(text), Str(Txt_ReviewNothingDue), DayText(NextDueDay(schedule, today)).c_str());
        ShowMessage(g_mainWindow, text, Str(Txt_Dictionary), MB_OK | MB_ICONINFORMATION);
        return false;
    }
    s.review = true;
    s.today = today;
    s.listPath = listPath;
    s.schedule = std::move(schedule);
    s.pool = std::move(due);
    return MakeWindow(Str(Txt_ReviewCaption));
}
