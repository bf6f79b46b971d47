#include "entry/info.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/catalogue.h"
#include "core/session.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <commctrl.h>
#include <algorithm>

namespace {

using Row = std::vector<std::wstring>;

class InfoWindow : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
    }
    void TearDown() override
    {
        if (IsWindow(w_))
            DestroyWindow(w_);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // Starts the program and opens the window the way the user does.
    void Open()
    {
        if (!g_mainWindow) {
            g_instance = GetModuleHandleW(nullptr);
            ASSERT_TRUE(StartWordbook(""));
            ShowWindow(g_mainWindow, SW_SHOW);
        }
        SendMessageW(g_mainWindow, WM_COMMAND, CmdInfo, 0);
        PumpMessages();
        w_ = FindWindowW(L"info", nullptr);
        ASSERT_NE(nullptr, w_);
        list_ = GetDlgItem(w_, 1);
        ASSERT_NE(nullptr, list_);
    }
    std::wstring Cell(int row, int column)
    {
        wchar_t text[256] = L"";
        ListView_GetItemText(list_, row, column, text, 256);
        return text;
    }
    // Every row's cells; checks on the way that each column is as wide as its
    // widest cell (or header) and the margin, whichever row that is in, and that each row
    // has its own image.
    std::vector<Row> Rows()
    {
        std::vector<Row> rows;
        int widest[4] = {};
        for (int c = 0; c < 4; ++c) {  // the headers count as cells
            wchar_t header[64] = L"";
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT;
            column.pszText = header;
            column.cchTextMax = 64;
            ListView_GetColumn(list_, c, &column);
            widest[c] = ListView_GetStringWidth(list_, header);
        }
        for (int r = 0; r < ListView_GetItemCount(list_); ++r) {
            rows.push_back({Cell(r, 0), Cell(r, 1), Cell(r, 2), Cell(r, 3)});
            for (int c = 0; c < 4; ++c)
                widest[c] = std::max(widest[c], ListView_GetStringWidth(list_, rows.back()[c].c_str()));
            LVITEMW item{};
            item.mask = LVIF_IMAGE;
            item.iItem = r;
            ListView_GetItem(list_, &item);
            EXPECT_EQ(r, item.iImage);
        }
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(widest[c] + 40, ListView_GetColumnWidth(list_, c)) << "column " << c;
        EXPECT_EQ(static_cast<int>(rows.size()), ImageList_GetImageCount(ListView_GetImageList(list_, LVSIL_SMALL)));
        return rows;
    }
    void ExpectListFillsClientArea(const char* when, bool onScreen = true)
    {
        RECT client, list;
        GetClientRect(w_, &client);
        GetWindowRect(list_, &list);
        MapWindowPoints(nullptr, w_, reinterpret_cast<POINT*>(&list), 2);
        EXPECT_EQ(client.right, list.right) << when;
        EXPECT_EQ(client.bottom, list.bottom) << when;
        EXPECT_EQ(0, list.left) << when;
        EXPECT_EQ(0, list.top) << when;
        // Below the rows and right of the columns the list's own background,
        // not the window's grey.
        if (!onScreen)
            return;
        PumpMessages(200);
        POINT p{client.right * 9 / 10, client.bottom * 8 / 10};
        ClientToScreen(w_, &p);
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(ListView_GetBkColor(list_), GetPixel(screen, p.x, p.y)) << when;
        ReleaseDC(nullptr, screen);
    }
    HWND w_ = nullptr;
    HWND list_ = nullptr;
    MessageCapture capture_;
};

TEST_F(InfoWindow, ListsEveryPairInCatalogueOrder)
{
    Open();
    EXPECT_FALSE(IsWindowVisible(g_mainWindow));
    std::vector<Row> expected = {
        {L"francais - english", L"3", L"french", L"ANSI"},
        {L"deutsch - english", L"2", L"german", L"ANSI"},
        {L"english - francais", L"3", L"english", L"ANSI"},
        {L"english - deutsch", L"2", L"english", L"ANSI"},
    };
    EXPECT_EQ(expected, Rows());
    PumpMessages(200);
    SaveScreenshot(w_, L"info");
}

TEST_F(InfoWindow, NamesCharacterSetsAndGoesOnPastAMissingBook)
{
    WriteBytes(L"DICT.INI", "[Selected]\nfrancais_english.wb\n\n"
                            "[Languages]\nfrancais,french,0,francais\nelliniki,greek,161,elliniki\n"
                            "klingon,english,177,klingon\n\n");
    WriteWordBook(L"books\\elliniki_english.wb", {{L"nero", L"water"}});
    WriteBytes(L"books\\english_elliniki.wb", "");
    WriteWordBook(L"books\\klingon_english.wb", {{L"a", L"b"}, {L"c", L"d"}, {L"e", L"f"}, {L"g", L"h"}});
    // books\english_klingon.wb was never made.
    Open();
    std::vector<Row> expected = {
        {L"francais - english", L"3", L"french", L"ANSI"},
        {L"elliniki - english", L"1", L"greek", L"Greek"},
        {L"klingon - english", L"4", L"english", L"Unknown"},
        {L"english - francais", L"3", L"english", L"ANSI"},
        {L"english - elliniki", L"0", L"english", L"ANSI"},
        {L"english - klingon", L"missing", L"english", L"ANSI"},
    };
    EXPECT_EQ(expected, Rows());
    EXPECT_TRUE(capture_.messages().empty());

    // The program goes on: the window closes and opens again, filled anew.
    SendMessageW(w_, WM_CLOSE, 0, 0);
    PumpMessages();
    Open();
    EXPECT_EQ(expected, Rows());
}

TEST_F(InfoWindow, ClosingLeavesThePairCurrentBeforeWithItsBookOpen)
{
    // Neither the first entry nor the last is current, so a pair left behind
    // by walking the catalogue would show.
    std::string dict = ReadBytes(L"DICT.INI");
    dict.replace(dict.find("francais_english.wb"), 19, "english_francais.wb");
    WriteBytes(L"DICT.INI", dict);
    Open();
    LanguagePair* before = CurrentPair();
    ASSERT_STREQ(L"english", before->sourceName);
    SendMessageW(w_, WM_CLOSE, 0, 0);
    PumpMessages();

    EXPECT_EQ(nullptr, FindWindowW(L"info", nullptr));
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(0, g_windowOpen);
    EXPECT_EQ(before, CurrentPair());
    EXPECT_EQ(3, g_session.book.count);
    ASSERT_EQ(0, ReadWordRecord(2));
    EXPECT_STREQ(L"summer", g_session.record.source);
    EXPECT_EQ(dict, ReadBytes(L"DICT.INI"));
}

TEST_F(InfoWindow, ListFillsTheClientAreaAsTheWindowIsResized)
{
    Open();
    ExpectListFillsClientArea("opened");
    MoveWindow(w_, 20, 30, 620, 410, TRUE);
    ExpectListFillsClientArea("resized");
    // Without a window manager the screen keeps showing the old size.
    ShowWindow(w_, SW_MAXIMIZE);
    ExpectListFillsClientArea("maximised", false);
}

}  // namespace
