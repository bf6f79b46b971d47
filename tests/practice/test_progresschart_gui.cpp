#include "practice/progresschart.h"
#include "shell/app.h"
#include "shell/help.h"
#include "shell/mainwindow.h"
#include "core/codepage.h"
#include "core/review.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <cmath>
#include <cstdio>

namespace {

const WordPairs kFour = {{L"chien", L"dog"}, {L"maison", L"house"}, {L"pomme", L"apple"}, {L"rue", L"street"}};
// The chart's heading and the legend of the series under it end above this.
const int kBelowHeading = 56;

std::wstring Text(HWND window)
{
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

// Pixels of the colour in the client area from row fromY down to the buttons.
int CountColour(HWND w, COLORREF colour, int fromY = 0)
{
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
    RECT rc;
    GetClientRect(w, &rc);
    HDC dc = GetDC(w);
    HDC mem = CreateCompatibleDC(dc);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), rc.right, -rc.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
    GdiFlush();
    DWORD wanted = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    int n = 0;
    for (int y = fromY; y < rc.bottom - 45; ++y)
        for (int x = 0; x < rc.right; ++x)
            n += (static_cast<const DWORD*>(bits)[y * rc.right + x] & 0xffffff) == wanted;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(w, dc);
    return n;
}

class ProgressChart : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
    }
    void TearDown() override
    {
        if (HWND w = FindWindowW(L"voortgang", nullptr))
            DestroyWindow(w);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // The program with the list "words" of these records (none: no list at all).
    void Start(const WordPairs& list)
    {
        if (!list.empty()) {
            MakeDir(L"lists\\words");
            SetSetting(L"PracticeList", L"words");
        }
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(""));
        listPath_ = PairListPath(CurrentPair(), g_session.listName);
        if (!list.empty()) {
            CloseListFile();
            WriteWordBook(listPath_, list);
            OpenListFile();
            CountListRecords();
        }
        ShowWindow(g_mainWindow, SW_SHOW);
    }
    // The user's way in: Help, Progress of the list.
    void Open()
    {
        SendMessageW(g_mainWindow, WM_COMMAND, CmdProgress, 0);
        PumpMessages();
        w_ = FindWindowW(L"voortgang", nullptr);
    }
    void WriteHistory(const std::string& runs) { WriteBytes(HistoryPath(listPath_), "when,mode,asked,errors,skips\r\n" + runs); }
    // Box and due day of each record, little-endian.
    void WriteSchedule(const std::vector<int>& boxes)
    {
        std::string bytes;
        for (int box : boxes)
            bytes += std::string{static_cast<char>(box), 0, 0, 0, 0x28, 0x23, 0, 0};
        WriteBytes(SchedulePath(listPath_), bytes);
    }
    void SetClientSize(int width, int height)
    {
        RECT rc{0, 0, width, height};
        AdjustWindowRectEx(&rc, GetWindowLongW(w_, GWL_STYLE), FALSE, GetWindowLongW(w_, GWL_EXSTYLE));
        SetWindowPos(w_, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
    }

    MessageCapture capture_;
    std::wstring listPath_;
    HWND w_ = nullptr;
};

TEST_F(ProgressChart, WithoutAnyListSaysSoAndOpensNothing)
{
    ASSERT_NO_FATAL_FAILURE(Start({}));
    Open();
    EXPECT_EQ(nullptr, w_);
    ASSERT_EQ(1u, capture_.messages().size());
    EXPECT_EQ(Str(Txt_ProgressNoList), capture_.messages()[0].text);
    EXPECT_EQ(0, g_windowOpen);
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
}

// No history yet: no series; a list without a schedule has all its records in box 1.
TEST_F(ProgressChart, WithoutHistoryShowsNoSeriesButTheBoxesAndClosesWithDone)
{
    ASSERT_NO_FATAL_FAILURE(Start(kFour));
    Open();
    ASSERT_NE(nullptr, w_);
    EXPECT_TRUE(capture_.messages().empty());
    EXPECT_EQ(std::wstring(Str(Txt_ProgressCaption)) + L"  (words)", Text(w_));
    EXPECT_EQ(Str(Txt_Help), Text(GetDlgItem(w_, ProgressIdHelp)));
    EXPECT_FALSE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(0, CountColour(w_, kProgressErrorColour));
    EXPECT_EQ(0, CountColour(w_, kProgressSkipColour));
    // The bar is all box 1; the other boxes show only in their small legend squares.
    EXPECT_GT(CountColour(w_, kProgressBoxColours[0]), 2000);
    for (int box = 1; box < 5; ++box)
        EXPECT_LT(CountColour(w_, kProgressBoxColours[box]), 200) << box;
    SendMessageW(w_, WM_COMMAND, MAKEWPARAM(ProgressIdDone, BN_CLICKED), 0);
    PumpMessages();
    EXPECT_FALSE(IsWindow(w_));
    EXPECT_EQ(0, g_windowOpen);
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
}

TEST_F(ProgressChart, DrawsTheRunsAndTheBoxesAndRedrawsWhenResized)
{
    ASSERT_NO_FATAL_FAILURE(Start(kFour));
    WriteHistory("2026-11-28 19:02:11,typed,4,6,3\r\n2026-11-29 08:15:40,typed,4,4,2\r\n"
                 "2026-11-29 20:41:05,review,4,3,2\r\n2026-12-01 18:00:00,review,3,2,1\r\n"
                 "2026-12-03 07:55:12,typed,4,2,0\r\n2026-12-05 21:30:59,review,2,1,1\r\n"
                 "2026-12-09 14:05:31,review,2,0,0\r\n");
    WriteSchedule({1, 3, 5, 5});
    Open();
    ASSERT_NE(nullptr, w_);
    SaveScreenshot(w_, L"progress_chart");
    // One record in box 3, two in box 5, none in boxes 2 and 4.
    int box3 = CountColour(w_, kProgressBoxColours[2]);
    EXPECT_GT(box3, 2000);
    EXPECT_GT(CountColour(w_, kProgressBoxColours[4]), box3 * 3 / 2);
    EXPECT_LT(CountColour(w_, kProgressBoxColours[1]), 200);
    EXPECT_LT(CountColour(w_, kProgressBoxColours[3]), 200);
    for (SIZE size : {SIZE{640, 440}, SIZE{420, 320}, SIZE{980, 640}}) {
        SetClientSize(size.cx, size.cy);
        ASSERT_TRUE(IsWindow(w_));
        EXPECT_GT(CountColour(w_, kProgressErrorColour, kBelowHeading), 200) << size.cx;
        EXPECT_GT(CountColour(w_, kProgressSkipColour, kBelowHeading), 200) << size.cx;
        RECT done, help;
        GetWindowRect(GetDlgItem(w_, ProgressIdDone), &done);
        GetWindowRect(GetDlgItem(w_, ProgressIdHelp), &help);
        EXPECT_LT(help.right, done.left);
        MapWindowPoints(nullptr, w_, reinterpret_cast<POINT*>(&done), 2);
        EXPECT_EQ(size.cx - 15, done.right);
        EXPECT_EQ(size.cy - 10, done.bottom);
    }
    SetClientSize(100, 80);  // no smaller than the layout needs
    RECT rc;
    GetClientRect(w_, &rc);
    EXPECT_GE(rc.right, 420);
    EXPECT_GE(rc.bottom, 320);
}

// More runs than the width has pixels, and one run of nothing but zeros.
TEST_F(ProgressChart, ManyRunsAndAnAllZeroRunAreDrawn)
{
    ASSERT_NO_FATAL_FAILURE(Start(kFour));
    std::string runs;
    for (int i = 0; i < 1000; ++i) {
        char line[64];
        snprintf(line, sizeof line, "%d-%02d-%02d 10:00:00,typed,4,%d,%d\r\n", 2024 + i / 336, 1 + i / 28 % 12,
                 1 + i % 28, i % 7, i % 3);
        runs += line;
    }
    for (const std::string& history : {runs, std::string("2026-12-09 14:05:31,review,2,0,0\r\n")}) {
        WriteHistory(history);
        Open();
        ASSERT_NE(nullptr, w_);
        EXPECT_GT(CountColour(w_, kProgressErrorColour, kBelowHeading), 20);
        DestroyWindow(w_);
        PumpMessages();
    }
}

// Each run stands at its time across and at its shares of the words asked up:
// a pause of two weeks is a wide gap. Typed runs are squares, reviews diamonds.
TEST_F(ProgressChart, RunsStandAtTheirTimeAndTheirSharesOfTheWordsAsked)
{
    ASSERT_NO_FATAL_FAILURE(Start(kFour));
    // Out of order in the file; runs without a real time or without words asked have no place.
    WriteHistory("2026-11-17 10:00:00,review,2,2,1\r\n2026-11-01 10:00:00,typed,4,2,0\r\n"
                 "2026-11-02 10:00:00,review,5,0,1\r\n2026-11-20 10:00:00,typed,0,0,0\r\n"
                 "2026-11-31 10:00:00,typed,4,4,4\r\n2026-11-16 10:00:00,typed,10,1,3\r\n");
    Open();
    ASSERT_NE(nullptr, w_);
    RedrawWindow(w_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
    RECT client;
    GetClientRect(w_, &client);
    const RECT area = ProgressRunArea(client.right, client.bottom);
    const long long day = 86400, span = 16 * day;
    const struct {
        int days;  // after the first run
        int percent;
        COLORREF colour;
        bool review;
    } points[] = {
        {0, 50, kProgressErrorColour, false}, {0, 0, kProgressSkipColour, false},
        {1, 0, kProgressErrorColour, true},   {1, 20, kProgressSkipColour, true},
        {15, 10, kProgressErrorColour, false}, {15, 30, kProgressSkipColour, false},
        {16, 100, kProgressErrorColour, true}, {16, 50, kProgressSkipColour, true},
    };
    HDC dc = GetDC(w_);
    for (const auto& p : points) {
        SCOPED_TRACE(std::to_string(p.days) + " days, " + std::to_string(p.percent) + "%");
        int x = area.left + static_cast<int>(p.days * day * (area.right - area.left) / span);
        int y = area.bottom - static_cast<int>(std::lround(p.percent * (area.bottom - area.top) / 100.0));
        EXPECT_EQ(p.colour, GetPixel(dc, x, y));
        // A square fills its corners; a diamond leaves them.
        for (POINT corner : {POINT{x - 3, y - 3}, POINT{x + 3, y - 3}, POINT{x - 3, y + 3}, POINT{x + 3, y + 3}})
            EXPECT_EQ(!p.review, GetPixel(dc, corner.x, corner.y) == p.colour) << corner.x - x << "," << corner.y - y;
    }
    ReleaseDC(w_, dc);
}

// The Help buttons of the review and of this window lead to their pages, in both languages.
TEST(ProgressHelp, ReviewAndProgressKeywordsAreIndexed)
{
    for (const wchar_t* language : {L"english", L"nederlands"}) {
        std::wstring folder = SourcePath(L"data\\help\\") + language + L"\\";
        std::string hhk;
        for (const wchar_t* index : {L"wordbook.hhk", L"woordenboek.hhk"})
            if (FileExists(folder + index))
                hhk = ReadBytes(folder + index);
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about a character plus a string.
        std::string strings(1, '\n');
        strings += ReadBytes(SourcePath(L"data\\strings\\") + language + L".txt");
        for (const char* name : {"ReviewHelpkey", "ProgressHelpkey"}) {
            std::string key(1, '\n');
            key += name;
            key += '=';
            size_t at = strings.find(key);
            ASSERT_NE(std::string::npos, at) << name;
            at += key.size();
            std::wstring keyword = WidenText(strings.substr(at, strings.find_first_of("\r\n", at) - at), 1252);
            std::wstring page = PageForKeyword(hhk, keyword.c_str());
            EXPECT_EQ(name[0] == 'R' ? L"review.htm" : L"progress.htm", page) << Narrow(keyword);
            EXPECT_TRUE(FileExists(folder + page));
        }
    }
}

}  // namespace
