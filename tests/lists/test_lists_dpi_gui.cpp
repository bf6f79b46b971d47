#include "lists/addrandom.h"
#include "lists/listmaker.h"
#include "lists/listops.h"
#include "lists/printlist.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "shell/resource.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "tests/support/dpi.h"
#include "tests/support/listmaker.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>

namespace {

// The scale a window is moved to from dpi, and back.
int OtherDpi(int dpi) { return dpi == 192 ? 144 : 192; }

WordPairs Words(int n, const wchar_t* stem)
{
    WordPairs words;
    for (int i = 100; i < 100 + n; ++i)
        words.emplace_back(stem + std::to_wstring(i), L"word" + std::to_wstring(i));
    return words;
}

std::wstring Text(HWND control)
{
    wchar_t text[256] = L"";
    GetWindowTextW(control, text, 256);
    return text;
}

// A control's design rectangle; the points of its font (0: the interface
// font's, whose text must fit; -1: none).
struct Place {
    int id;
    int x, y, w, h;
    int points;
};
const Place kListMaker[] = {
    {LmListBar, 15, 41, 20, 184, -1}, {LmBookBar, 385, 40, 20, 184, -1}, {LmAddAll, 15, 305, 120, 30, 0},
    {LmRemoveAll, 140, 305, 140, 30, 0}, {LmAddRandom, 285, 305, 125, 30, 0}, {LmPrint, 415, 305, 80, 30, 0},
    {LmDone, 500, 305, 84, 30, 0}, {LmSearch, 225, 250, 160, 25, 11},
};
const Place kAddRandom[] = {
    {ArReplace, 5, 5, 300, 30, 0}, {ArCount, 5, 80, 90, 25, 0}, {ArOk, 120, 80, 80, 25, 0},
    {ArCancel, 220, 80, 80, 25, 0},
};

template <size_t n> void ExpectPlaced(HWND window, const Place (&places)[n], int dpi)
{
    for (const Place& p : places) {
        std::string what = "control " + std::to_string(p.id) + " at " + std::to_string(dpi);
        HWND control = GetDlgItem(window, p.id);
        ExpectScaledRect(control, p.x, p.y, p.w, p.h, dpi, what.c_str());
        if (p.points >= 0)
            ExpectFontHeight(control, p.points ? p.points : g_settings.guiFontSize, dpi, what.c_str());
        if (p.points == 0)
            ExpectTextFits(control, false, what.c_str());
    }
}

// The rows' cells (a word-book row's translation cell follows its source
// cell), and the green lines painted where the scale puts them.
void ExpectListMakerAt(HWND w, int dpi)
{
    ExpectPlaced(w, kListMaker, dpi);
    for (int i = 0; i < 8; ++i) {
        HWND source = GetDlgItem(w, LmBookRow + i);
        const struct { HWND cell; int x, width; } cells[] = {
            {GetDlgItem(w, LmListRow + i), 35, 160}, {source, 225, 160}, {GetWindow(source, GW_HWNDNEXT), 405, 180}};
        for (const auto& c : cells) {
            ExpectScaledRect(c.cell, c.x, 40 + 23 * i, c.width, 25, dpi, "cell");
            ExpectFontHeight(c.cell, 11, dpi, "cell");
        }
    }
    UpdateWindow(w);
    HDC dc = GetDC(w);
    EXPECT_EQ(RGB(0, 128, 0), GetPixel(dc, Scale(210, dpi), Scale(150, dpi))) << dpi;
    EXPECT_EQ(RGB(0, 128, 0), GetPixel(dc, Scale(400, dpi), Scale(285, dpi))) << dpi;
    ReleaseDC(w, dc);
}

class ListWindowsDpi : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        ASSERT_NO_FATAL_FAILURE(StartWithBookAndList(Words(40, L"mot"), Words(12, L"liste")));
        // The scale the test runs at: its prefix's.
        EXPECT_EQ(atoi(getenv("WB_DPI") ? getenv("WB_DPI") : "96"), WindowDpi(g_mainWindow));
    }
    void TearDown() override
    {
        g_updatingShown = g_printingShown = nullptr;
        for (const wchar_t* cls : {L"addrandom", L"lijst"})
            if (HWND w = FindWindowW(cls, nullptr))
                DestroyWindow(w);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    void Open()
    {
        ASSERT_NE(nullptr, w_ = OpenListMaker());
        dpi_ = WindowDpi(w_);
    }
    void OpenRandom()
    {
        HWND button = GetDlgItem(w_, LmAddRandom);
        SendMessageW(w_, WM_COMMAND, MAKEWPARAM(LmAddRandom, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        PumpMessages(300);
        ASSERT_NE(nullptr, random_ = FindWindowW(L"addrandom", nullptr));
    }
    HWND w_ = nullptr, random_ = nullptr;
    int dpi_ = 0;
    MessageCapture capture_;
};

TEST_F(ListWindowsDpi, ListMakerAtEveryScale)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    RECT rc;
    GetWindowRect(w_, &rc);
    EXPECT_EQ(Scale(605, dpi_), rc.right - rc.left);
    EXPECT_EQ(Scale(355, dpi_) + g_captionHeight + g_menuHeight, rc.bottom - rc.top);
    ExpectListMakerAt(w_, dpi_);
    // What it paints, in its hint font or (heading) its heading's.
    const struct { StringId text; bool heading; RECT design; } painted[] = {
        {Txt_CreateListClickAdd, false, {225, 230, 600, 250}},
        {Txt_CreateListClickRemove, false, {15, 230, 203, 280}},
        {Txt_CreateListAddwords, false, {225, 13, 600, 30}},
        {Txt_CreateListPracticelist, true, {0, 10, 208, 30}},
    };
    for (const auto& t : painted) {
        RECT r = ScaleRect(t.design, dpi_);
        ExpectTextFitsIn(t.heading ? FontsFor(dpi_).listHeading : FontsFor(dpi_).listHint, Str(t.text),
                         r.right - r.left, t.heading ? 0 : r.bottom - r.top, "painted");
    }
    SaveScreenshot(w_, L"listmaker_dpi" + std::to_wstring(dpi_));

    ASSERT_NO_FATAL_FAILURE(OpenRandom());
    GetWindowRect(random_, &rc);
    EXPECT_EQ(Scale(325, dpi_), rc.right - rc.left);
    EXPECT_EQ(Scale(145, dpi_), rc.bottom - rc.top);
    ExpectPlaced(random_, kAddRandom, dpi_);
    ExpectTextFitsIn(FontsFor(dpi_).gui, Str(Txt_CreateListNumberWords) + std::wstring(L" 40) ?"), Scale(313, dpi_),
                     Scale(17, dpi_), "prompt");
    SaveScreenshot(random_, L"addrandom_dpi" + std::to_wstring(dpi_));
}

// The search field's text and selection, the rows and the bars' places stay.
TEST_F(ListWindowsDpi, ListMakerAndAddRandomFollowAChangeOfScale)
{
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(OpenRandom());
    HWND search = GetDlgItem(w_, LmSearch), listBar = GetDlgItem(w_, LmListBar);
    for (wchar_t c : std::wstring(L"mot12"))
        SendMessageW(search, WM_CHAR, c, 1);
    SendMessageW(search, EM_SETSEL, 1, 3);
    SendMessageW(w_, WM_VSCROLL, SB_LINEUP, reinterpret_cast<LPARAM>(listBar));
    SendMessageW(GetDlgItem(random_, ArCount), WM_CHAR, L'7', 1);
    for (int dpi : {OtherDpi(dpi_), dpi_}) {
        for (HWND w : {w_, random_})
            SendDpiChange(w, WindowDpi(w), dpi);
        ExpectListMakerAt(w_, dpi);
        ExpectPlaced(random_, kAddRandom, dpi);
        EXPECT_EQ(L"mot12", Text(search));
        DWORD from = 0, to = 0;
        SendMessageW(search, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(1u, from);
        EXPECT_EQ(3u, to);
        EXPECT_EQ(3, GetScrollPos(listBar, SB_CTL));
        EXPECT_EQ(L"liste103", Text(GetDlgItem(w_, LmListRow)));
        EXPECT_EQ(L"mot120", Text(GetDlgItem(w_, LmBookRow)));
        EXPECT_EQ(L"7", Text(GetDlgItem(random_, ArCount)));
    }
}

// Run inside the dialog's modal loop, which then is cancelled.
void (*g_inDialog)(HWND dialog);

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = FindWindowW(L"#32770", Str(Txt_NewlistDialogCaption));
    if (!dialog || !IsWindowVisible(dialog) || !g_inDialog)
        return;
    KillTimer(nullptr, id);
    std::exchange(g_inDialog, nullptr)(dialog);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

// The system lays the template out by its font; the controls carry the
// interface font of the scale and follow a change of it, the typed name kept.
TEST_F(ListWindowsDpi, NewListDialogAtEveryScale)
{
    g_inDialog = [](HWND dialog) {
        const int ids[] = {IDC_NEWLIST_GROUP, IDOK, IDCANCEL, IDC_NEWLIST_NAME};
        SetDlgItemTextW(dialog, IDC_NEWLIST_NAME, L"Week 1");
        int dpi = WindowDpi(dialog);
        RECT made[4];
        for (int i = 0; i < 4; ++i) {
            made[i] = ChildRect(GetDlgItem(dialog, ids[i]));
            ExpectFontHeight(GetDlgItem(dialog, ids[i]), g_settings.guiFontSize, dpi, "made");
            if (i < 3)
                ExpectTextFits(GetDlgItem(dialog, ids[i]), false, "made");
        }
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        SaveScreenshot(dialog, L"newlist_dpi" + std::to_wstring(dpi));
        for (int to : {OtherDpi(dpi), dpi}) {
            SendDpiChange(dialog, WindowDpi(dialog), to);
            for (int i = 0; i < 4; ++i) {
                RECT r = ChildRect(GetDlgItem(dialog, ids[i]));
                EXPECT_EQ(MulDiv(made[i].left, to, dpi), r.left) << to;
                EXPECT_EQ(MulDiv(made[i].bottom, to, dpi), r.bottom) << to;
                ExpectFontHeight(GetDlgItem(dialog, ids[i]), g_settings.guiFontSize, to, "changed");
            }
            EXPECT_EQ(L"Week 1", Text(GetDlgItem(dialog, IDC_NEWLIST_NAME)));
        }
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 100, DriveDialog);
    NewListDialog(g_mainWindow);
    KillTimer(nullptr, timer);
    EXPECT_EQ(nullptr, g_inDialog) << "the dialog never showed";
}

// The notices shown while a list is rewritten and while it is prepared for printing.
struct Notice {
    int w, h;
    StringId text;
    RECT design;
} g_notice;
int g_noticesSeen;

void CheckNotice(HWND notice)
{
    ++g_noticesSeen;
    int dpi = WindowDpi(notice), other = OtherDpi(dpi);
    RECT rc, client, text = ScaleRect(g_notice.design, dpi);
    GetWindowRect(notice, &rc);
    GetClientRect(notice, &client);
    EXPECT_EQ(Scale(g_notice.w, dpi), rc.right - rc.left);
    EXPECT_EQ(Scale(g_notice.h, dpi), rc.bottom - rc.top);
    ExpectTextFitsIn(FontsFor(dpi).gui, Str(g_notice.text), std::min(text.right, client.right) - text.left,
                     text.bottom - text.top, "notice");
    SendDpiChange(notice, dpi, other);
    GetWindowRect(notice, &rc);
    EXPECT_EQ(MulDiv(Scale(g_notice.w, dpi), other, dpi), rc.right - rc.left);
}

TEST_F(ListWindowsDpi, NoticesAtEveryScale)
{
    g_updatingShown = g_printingShown = CheckNotice;
    g_noticesSeen = 0;
    g_notice = {350, 120, Txt_CreateListUpdarting, {50, 20, 340, 40}};
    CompactList(g_mainWindow);
    g_notice = {300, 110, Txt_CreateListformatting, {25, 20, 350, 40}};
    HWND edit = PrepareListForPrinting(g_mainWindow);
    ASSERT_NE(nullptr, edit);
    DestroyWindow(edit);
    EXPECT_EQ(2, g_noticesSeen);
}

}  // namespace
