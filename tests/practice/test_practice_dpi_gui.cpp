#include "practice/flashcards.h"
#include "practice/progresschart.h"
#include "practice/typedpractice.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/review.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "tests/support/dpi.h"
#include "tests/support/practicelist.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <algorithm>
#include <cmath>

namespace {

// A child's design rectangle from the layout's origin, and the points of its
// font: -1 the program's gui font (its text must fit), 0 none to check.
struct Box {
    int id, x, y, w, h, points;
};
const Box kCardBoxes[] = {
    {CardQuestion, 0, 25, 595, 40, 22},   {CardAnswer, 0, 100, 595, 40, 22}, {CardProgress, 265, 170, 330, 17, 0},
    {CardFrame, 0, 170, 240, 75, 0},      {CardSpeed, 20, 200, 200, 35, 0},  {CardQuit, 495, 215, 100, 30, -1},
};
const Box kTypedBoxes[] = {
    {TypedQuestion, 0, 25, 595, 40, 22},      {TypedAnswer, 0, 100, 595, 40, 22},
    {TypedProgress, 265, 155, 330, 17, 0},    {TypedFrame, 0, 155, 240, 77, 0},
    {TypedCurrentLabel, 10, 160, 210, 15, -1}, {TypedCurrentScore, 10, 175, 210, 15, -1},
    {TypedBestLabel, 10, 195, 210, 15, -1},   {TypedBestScore, 10, 210, 210, 15, -1},
    {TypedShow, 265, 202, 100, 30, -1},       {TypedQuit, 495, 202, 100, 30, -1},
};

struct PracticeWindow {
    const char* name;
    const wchar_t* cls;
    int mode;  // the practice mode the main window's command opens
    const Box* boxes;
    size_t count;
};
const PracticeWindow kWindows[] = {
    {"practice_flashcards", L"leren", 0, kCardBoxes, std::size(kCardBoxes)},
    {"practice_typed", L"leren2", 1, kTypedBoxes, std::size(kTypedBoxes)},
    {"practice_review", L"leren2", 2, kTypedBoxes, std::size(kTypedBoxes)},
};

std::wstring Text(HWND window)
{
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

// The system keeps a window within the screen's size: 630 design pixels at
// 192 dpi are wider than the test screen.
int Fitted(int width) { return std::min(width, GetSystemMetrics(SM_CXMAXTRACK)); }

class PracticeDpi : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        ASSERT_NO_FATAL_FAILURE(StartWithPracticeList({{L"maison", L"house, home"}, {L"chien", L"dog"}}));
        // Two typed runs and two reviews over 16 days, for the chart.
        WriteBytes(HistoryPath(PairListPath(CurrentPair(), g_session.listName)),
                   "when,mode,asked,errors,skips\r\n2026-11-01 10:00:00,typed,4,2,0\r\n"
                   "2026-11-02 10:00:00,review,5,0,1\r\n2026-11-16 10:00:00,typed,10,1,3\r\n"
                   "2026-11-17 10:00:00,review,2,2,1\r\n");
    }
    void TearDown() override
    {
        Close();
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // The main window's command, in the practice mode (the chart: CmdProgress).
    void Open(const wchar_t* cls, int command, int mode = 0)
    {
        g_settings.practiceMode = mode;
        SendMessageW(g_mainWindow, WM_COMMAND, command, 0);
        PumpMessages();
        ASSERT_NE(nullptr, w_ = FindWindowW(cls, nullptr));
    }
    void Close()
    {
        if (w_ && IsWindow(w_))
            DestroyWindow(w_);
        w_ = nullptr;
        PumpMessages();
    }
    void ExpectLaidOut(const PracticeWindow& pw, int dpi)
    {
        // The origin read off the first box: a wider client would centre the layout.
        RECT first = ChildRect(GetDlgItem(w_, pw.boxes[0].id));
        POINT o{Unscale(first.left, dpi) - pw.boxes[0].x, Unscale(first.top, dpi) - pw.boxes[0].y};
        EXPECT_EQ(15, o.x) << "the client is narrower than the layout";
        EXPECT_GE(o.y, 10);
        for (const Box* b = pw.boxes; b != pw.boxes + pw.count; ++b) {
            HWND child = GetDlgItem(w_, b->id);
            std::string what = std::string(pw.name) + " " + std::to_string(b->id) + " at " + std::to_string(dpi);
            ExpectScaledRect(child, o.x + b->x, o.y + b->y, b->w, b->h, dpi, what.c_str());
            if (b->points != 0)
                ExpectFontHeight(child, b->points < 0 ? g_settings.guiFontSize : b->points, dpi, what.c_str());
            if (b->points < 0)
                ExpectTextFits(child, false, what.c_str());
        }
    }
    // The buttons in the bottom right corner, and each run's marker at its
    // time and share: typed runs squares (their corners filled), reviews diamonds.
    void ExpectChartAtItsScale()
    {
        SetWindowPos(w_, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // all of the plot on the screen
        RedrawWindow(w_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpMessages();
        int dpi = WindowDpi(w_);
        RECT client, done = ChildRect(GetDlgItem(w_, ProgressIdDone)), help = ChildRect(GetDlgItem(w_, ProgressIdHelp));
        GetClientRect(w_, &client);
        int right = client.right - Scale(15, dpi), bottom = client.bottom - Scale(10, dpi);
        RECT want{right - Scale(100, dpi), bottom - Scale(30, dpi), right, bottom};
        EXPECT_TRUE(EqualRect(&want, &done)) << done.left << "," << done.top << " at " << dpi;
        OffsetRect(&want, -Scale(10, dpi) - Scale(100, dpi), 0);
        EXPECT_TRUE(EqualRect(&want, &help)) << help.left << "," << help.top << " at " << dpi;
        for (int id : {ProgressIdDone, ProgressIdHelp}) {
            ExpectFontHeight(GetDlgItem(w_, id), g_settings.guiFontSize, dpi, "chart button");
            ExpectTextFits(GetDlgItem(w_, id), false, "chart button");
        }
        const RECT area = ProgressRunArea(client.right, client.bottom, dpi);
        const struct {
            int days, percent;
            COLORREF colour;
            bool review;
        } points[] = {{0, 50, kProgressErrorColour, false}, {1, 20, kProgressSkipColour, true},
                      {15, 30, kProgressSkipColour, false}, {16, 100, kProgressErrorColour, true}};
        int r = Scale(3, dpi);
        HDC dc = GetDC(w_);
        for (const auto& p : points) {
            SCOPED_TRACE(std::to_string(p.days) + " days, " + std::to_string(p.percent) + "%, " + std::to_string(dpi));
            int x = area.left + p.days * (area.right - area.left) / 16;
            int y = area.bottom - static_cast<int>(std::lround(p.percent * (area.bottom - area.top) / 100.0));
            EXPECT_EQ(p.colour, GetPixel(dc, x, y));
            for (POINT c : {POINT{x - r, y - r}, POINT{x + r, y - r}, POINT{x - r, y + r}, POINT{x + r, y + r}})
                EXPECT_EQ(!p.review, GetPixel(dc, c.x, c.y) == p.colour) << c.x - x << "," << c.y - y;
        }
        ReleaseDC(w_, dc);
    }

    MessageCapture capture_;
    HWND w_ = nullptr;
};

TEST_F(PracticeDpi, PracticeWindowsAreLaidOutAtEveryScale)
{
    int dpi = SystemDpi();
    const Fonts& fonts = FontsFor(dpi);
    for (const PracticeWindow& pw : kWindows) {
        SCOPED_TRACE(pw.name);
        ASSERT_NO_FATAL_FAILURE(Open(pw.cls, CmdPractise, pw.mode));
        ASSERT_EQ(dpi, WindowDpi(w_));
        RECT rc;
        GetWindowRect(w_, &rc);
        EXPECT_EQ(Fitted(Scale(630, dpi)), rc.right - rc.left);
        EXPECT_EQ(Scale(262, dpi) + g_captionHeight + g_menuHeight, rc.bottom - rc.top);
        ExpectLaidOut(pw, dpi);
        // The painted texts: the languages over the boxes, the slider's ends.
        for (const wchar_t* language : {CurrentPair()->sourceName, CurrentPair()->targetName})
            ExpectTextFitsIn(fonts.heading, language, Scale(500, dpi), Scale(50, dpi), "language");
        if (pw.mode == 0) {
            ExpectTextFitsIn(fonts.gui, Str(Txt_PracticeSlow), Scale(85, dpi), 0, "slow");
            ExpectTextFitsIn(fonts.gui, Str(Txt_PracticeFast), Scale(80, dpi), 0, "fast");
        }
        PumpMessages(200);
        SaveScreenshot(w_, Widen(pw.name) + L"_dpi" + std::to_wstring(dpi));
        Close();
    }
    ASSERT_NO_FATAL_FAILURE(Open(L"voortgang", CmdProgress));
    RECT rc, frame{0, 0, Scale(640, dpi), Scale(440, dpi)}, client;
    AdjustWindowRectEx(&frame, GetWindowLongW(w_, GWL_STYLE), FALSE, 0);
    GetWindowRect(w_, &rc);
    EXPECT_EQ(Fitted(static_cast<int>(frame.right - frame.left)), rc.right - rc.left);
    EXPECT_EQ(std::min<LONG>(frame.bottom - frame.top, GetSystemMetrics(SM_CYMAXTRACK)), rc.bottom - rc.top);
    ExpectChartAtItsScale();
    GetClientRect(w_, &client);
    for (const wchar_t* heading : {Str(Txt_ProgressRuns), Str(Txt_ProgressBoxes)})
        ExpectTextFitsIn(fonts.heading, heading, client.right - Scale(30, dpi), Scale(26, dpi), "heading");
    // No smaller than the layout needs, at the scale.
    SetWindowPos(w_, nullptr, 0, 0, 100, 80, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(w_, &client);
    EXPECT_GE(client.right, Scale(420, dpi));
    EXPECT_GE(client.bottom, Scale(320, dpi));
    PumpMessages(200);
    SaveScreenshot(w_, L"progress_chart_dpi" + std::to_wstring(dpi));
}

// Moved to a monitor of another scale and back: laid out again each time,
// with what was typed, selected and shown kept.
TEST_F(PracticeDpi, AChangeOfScaleKeepsWhatIsTypedAndShownAtEveryScale)
{
    const int dpi = SystemDpi(), other = dpi == 192 ? 144 : 192;
    for (const PracticeWindow& pw : kWindows) {
        SCOPED_TRACE(pw.name);
        ASSERT_NO_FATAL_FAILURE(Open(pw.cls, CmdPractise, pw.mode));
        HWND question = GetDlgItem(w_, pw.boxes[0].id), field = GetDlgItem(w_, TypedAnswer);
        for (DWORD start = GetTickCount(); Text(question).empty(); PumpMessages(5))  // the first card comes
            ASSERT_LT(GetTickCount() - start, 5000u);
        std::wstring shown = Text(question);
        SetWindowTextW(field, L"hou");
        SendMessageW(field, EM_SETSEL, 1, 3);
        for (int to : {other, dpi}) {
            int from = WindowDpi(w_);
            RECT before, after;
            GetWindowRect(w_, &before);
            SendDpiChange(w_, from, to);
            GetWindowRect(w_, &after);
            EXPECT_EQ(to, WindowDpi(w_));
            EXPECT_EQ(Fitted(MulDiv(before.right - before.left, to, from)), after.right - after.left) << to;
            ExpectLaidOut(pw, to);
            EXPECT_EQ(shown, Text(question)) << to;
            if (pw.mode > 0) {
                DWORD selFrom = 0, selTo = 0;
                SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&selFrom), reinterpret_cast<LPARAM>(&selTo));
                EXPECT_EQ(L"hou", Text(field)) << to;
                EXPECT_EQ(1u, selFrom) << to;
                EXPECT_EQ(3u, selTo) << to;
                EXPECT_EQ(field, GetFocus()) << to;
            }
        }
        PumpMessages(300);  // a size change would bring the next card in 100 ms; a change of scale doesn't
        EXPECT_EQ(shown, Text(question));
        Close();
    }
    EXPECT_TRUE(capture_.messages().empty());
    ASSERT_NO_FATAL_FAILURE(Open(L"voortgang", CmdProgress));
    for (int to : {other, dpi}) {
        SendDpiChange(w_, WindowDpi(w_), to);
        ExpectChartAtItsScale();
    }
}

}  // namespace
