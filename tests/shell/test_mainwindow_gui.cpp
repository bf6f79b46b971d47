#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/appstate.h"
#include "core/catalogue.h"
#include "core/listdirs.h"
#include "core/records.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/testutil.h"

namespace {

std::wstring ProfileString(const wchar_t* key)
{
    wchar_t buf[256];
    GetProfileStringW(L"Dictionary", key, L"<none>", buf, 256);
    return buf;
}

class MainWindow : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        WriteProfileStringW(L"Dictionary", nullptr, nullptr);
        MakeSmallInstallation();
    }
    void TearDown() override
    {
        Quit();
        WriteProfileStringW(L"Dictionary", nullptr, nullptr);
        ScratchDirTest::TearDown();
    }
    void Start(const char* commandLine = "")
    {
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(commandLine));
        ShowWindow(g_mainWindow, SW_SHOW);
        UpdateWindow(g_mainWindow);
        PumpMessages();
    }
    void Quit()
    {
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    void Command(int id) { SendMessageW(g_mainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    bool Checked(int id) { return GetMenuState(GetMenu(g_mainWindow), id, MF_BYCOMMAND) & MF_CHECKED; }
    // The word book named under [Selected] in DICT.INI.
    std::string Selected()
    {
        std::string ini = ReadBytes(L"DICT.INI");
        size_t at = ini.find("[Selected]");
        if (at == std::string::npos)
            return "";
        at = ini.find('\n', at) + 1;
        return ini.substr(at, ini.find_first_of("\r\n", at) - at);
    }
    MessageCapture capture_;
};

TEST_F(MainWindow, StartsWithThePairOfTheCatalogueAndItsMenus)
{
    Start();
    ASSERT_NE(nullptr, g_mainWindow);
    EXPECT_EQ(g_mainWindow, FindWindowW(L"wboek", L"Wordbook"));
    EXPECT_STREQ(L"francais", CurrentPair()->sourceName);
    EXPECT_STREQ(L"english", CurrentPair()->targetName);
    EXPECT_EQ(3, wordBookCount);

    RECT rc;
    GetWindowRect(g_mainWindow, &rc);
    EXPECT_EQ(565, rc.right - rc.left);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 565) / 2, rc.left);

    HMENU bar = GetMenu(g_mainWindow);
    ASSERT_EQ(4, GetMenuItemCount(bar));
    HMENU languages = GetSubMenu(bar, 1);
    EXPECT_EQ(5, GetMenuItemCount(languages));  // two pairs, separator, two mirrors
    wchar_t text[100];
    GetMenuStringW(languages, 0, text, 100, MF_BYPOSITION);
    EXPECT_STREQ(L"francais\tenglish", text);
    EXPECT_TRUE(Checked(CmdFirstPair));
    EXPECT_EQ(CmdFirstPair, MarkedPairItem());
    EXPECT_TRUE(Checked(CmdMode0));
    EXPECT_FALSE(Checked(CmdStayOnTop));
    SaveScreenshot(g_mainWindow, L"main-window");
}

TEST_F(MainWindow, CommandLineNamesThePair)
{
    Start("wb deutsch");
    EXPECT_STREQ(L"deutsch", CurrentPair()->sourceName);
}

TEST(CommandLine, OnlyTheTextBeforeASlashCounts)
{
    char name[100];
    PairNameFromCommandLine("wb english", name, sizeof name);
    EXPECT_STREQ("english", name);
    PairNameFromCommandLine("/x wb english", name, sizeof name);
    EXPECT_STREQ("", name);
    PairNameFromCommandLine("", name, sizeof name);
    EXPECT_STREQ("", name);
    PairNameFromCommandLine(std::string(300, 'w').append("wb x").c_str(), name, sizeof name);
    EXPECT_STREQ("", name);
}

TEST_F(MainWindow, MenuSwitchRecordsThePairInTheCatalogue)
{
    Start();
    Command(CmdFirstPair + 1);
    EXPECT_STREQ(L"deutsch", CurrentPair()->sourceName);
    EXPECT_TRUE(Checked(CmdFirstPair + 1));
    EXPECT_FALSE(Checked(CmdFirstPair));
    EXPECT_EQ("deutsch_english.wb", Selected());
    EXPECT_EQ(2, wordBookCount);
}

TEST_F(MainWindow, ClickOnAnIconReversesTheDirection)
{
    Start();
    SendMessageW(g_mainWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(70, 120));
    EXPECT_STREQ(L"english", CurrentPair()->sourceName);
    EXPECT_STREQ(L"francais", CurrentPair()->targetName);
    EXPECT_TRUE(Checked(CmdFirstPair + 2));
    SendMessageW(g_mainWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 120));  // beside the icons
    EXPECT_STREQ(L"english", CurrentPair()->sourceName);
}

TEST_F(MainWindow, ExitWritesTheSettings)
{
    Start();
    Command(CmdStayOnTop);
    EXPECT_TRUE(Checked(CmdStayOnTop));
    EXPECT_TRUE(GetWindowLongW(g_mainWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
    Command(CmdMode1);
    EXPECT_TRUE(Checked(CmdMode1));
    EXPECT_FALSE(Checked(CmdMode0));
    Command(CmdQuit);
    EXPECT_EQ(nullptr, g_mainWindow);
    EXPECT_EQ(L"1", ProfileString(L"StayOnTop"));
    EXPECT_EQ(L"1", ProfileString(L"PracticeMode"));
    EXPECT_NE(L"<none>", ProfileString(L"WinPosLeftMain"));
    EXPECT_EQ(L"10", ProfileString(L"searchwindowsize"));
    EXPECT_EQ(L"<none>", ProfileString(L"WinPosLeftSearch"));
    EXPECT_EQ(L"<none>", ProfileString(L"PracticeList"));
}

TEST_F(MainWindow, AStoredListThatIsGoneIsForgotten)
{
    WriteProfileStringW(L"Dictionary", L"PracticeList", L"vanished");
    WriteProfileStringW(L"Dictionary", L"ListID", L"803");
    Start();
    EXPECT_STREQ(L"", currentListName);
    EXPECT_EQ(800, currentListId);
    Command(CmdQuit);
    EXPECT_EQ(L"vanished", ProfileString(L"PracticeList"));  // untouched: nothing is written
}

TEST_F(MainWindow, PractisingAnEmptyListAsksFirst)
{
    Start();
    capture_.clear();
    Command(CmdPractise);
    ASSERT_EQ(1u, capture_.messages().size());
    EXPECT_NE(std::wstring::npos, capture_.messages()[0].text.find(L" (francais-english) "));
    EXPECT_EQ(L"Wordbook", capture_.messages()[0].caption);
    EXPECT_EQ(0, g_windowOpen);
}

TEST_F(MainWindow, SecondInstanceLeavesWithCodeOne)
{
    Start();
    try {
        StartWordbook("");
        FAIL() << "second instance started";
    } catch (const ExitCalled& e) {
        EXPECT_EQ(1, e.code);
    }
}

TEST_F(MainWindow, PaintsTheGradientForTheScreenDepth)
{
    Start();
    RedrawWindow(g_mainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(g_mainWindow);
    int depth = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    COLORREF row0 = GetPixel(dc, 300, 0);
    COLORREF row1 = GetPixel(dc, 300, 1);
    EXPECT_EQ(GetNearestColor(dc, RGB(25, 25, 25)), row0);
    if (depth >= 24) {
        EXPECT_EQ(RGB(0, 200, 0), row1);
        SaveScreenshot(g_mainWindow, L"main-window-24bit");
    } else {
        // 16-bit: pen 32 everywhere, green 200 - 32 * 3
        EXPECT_EQ(GetNearestColor(dc, RGB(0, 104, 0)), row1);
        EXPECT_EQ(row1, GetPixel(dc, 300, 200));
        SaveScreenshot(g_mainWindow, L"main-window-16bit");
    }
    ReleaseDC(g_mainWindow, dc);
}

class StartUp : public ScratchDirTest {};

TEST_F(StartUp, MissingCatalogueIsFatal)
{
    MakeSmallInstallation();
    DeleteFileW(L"DICT.INI");
    MessageCapture capture;
    g_instance = GetModuleHandleW(nullptr);
    try {
        StartWordbook("");
        FAIL() << "started without a catalogue";
    } catch (const ExitCalled& e) {
        EXPECT_EQ(1, e.code);
    }
    ASSERT_EQ(1u, capture.messages().size());
    EXPECT_EQ(Str(Txt_NoIni), capture.messages()[0].text);
}

} // namespace
