#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "kit/kit.h"
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
    EXPECT_EQ(3, g_session.book.count);

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
    // The title bar's icon is the icon's own small image, not the large one shrunk.
    HICON small = reinterpret_cast<HICON>(GetClassLongPtrW(g_mainWindow, GCLP_HICONSM));
    HICON large = reinterpret_cast<HICON>(GetClassLongPtrW(g_mainWindow, GCLP_HICON));
    ASSERT_NE(nullptr, small);
    EXPECT_NE(large, small);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(small, &info));
    BITMAP bm{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), bm.bmWidth);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
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
    EXPECT_EQ(2, g_session.book.count);
}

TEST_F(MainWindow, AMissingWordBookLeavesThePairAsItWas)
{
    Start();
    std::string ini = ReadBytes(L"DICT.INI");
    ASSERT_TRUE(DeleteFileW(L"books\\deutsch_english.wb"));
    capture_.clear();
    Command(CmdFirstPair + 1);
    ASSERT_EQ(1u, capture_.messages().size());
    EXPECT_NE(std::wstring::npos, capture_.messages()[0].text.find(L"deutsch_english.wb"));
    EXPECT_STREQ(L"francais", CurrentPair()->sourceName);
    EXPECT_TRUE(Checked(CmdFirstPair));
    EXPECT_FALSE(Checked(CmdFirstPair + 1));
    EXPECT_EQ(ini, ReadBytes(L"DICT.INI"));
    EXPECT_EQ(3, g_session.book.count);
    // The next start opens what it can instead of ending.
    Quit();
    WriteBytes(L"DICT.INI", "[Selected]\ndeutsch_english.wb\n\n" + ini.substr(ini.find("[Languages]")));
    capture_.clear();
    Start();
    EXPECT_STREQ(L"francais", CurrentPair()->sourceName);
    EXPECT_TRUE(Checked(CmdFirstPair));
    EXPECT_EQ(1u, capture_.messages().size());
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
    // The third mode, reached as a user would: the mode menu's third item.
    HMENU modes = GetSubMenu(GetMenu(g_mainWindow), 2);
    ASSERT_EQ(3, GetMenuItemCount(modes));
    Command(static_cast<int>(GetMenuItemID(modes, 2)));
    EXPECT_TRUE(Checked(CmdMode2));
    EXPECT_FALSE(Checked(CmdMode1));
    EXPECT_EQ(CmdProgress, static_cast<int>(GetMenuItemID(GetSubMenu(GetMenu(g_mainWindow), 3), 2)));
    Command(CmdQuit);
    EXPECT_EQ(nullptr, g_mainWindow);
    EXPECT_EQ(L"1", ProfileString(L"StayOnTop"));
    EXPECT_EQ(L"2", ProfileString(L"PracticeMode"));
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
    EXPECT_STREQ(L"", g_session.listName);
    EXPECT_EQ(800, g_session.listId);
    Command(CmdQuit);
    EXPECT_EQ(L"vanished", ProfileString(L"PracticeList"));  // untouched: nothing is written
}

// A window that does not exist yet is visibly unavailable, never a click
// that silently does nothing.
TEST_F(MainWindow, EveryCommandIsOffered)
{
    Start();
    HMENU bar = GetMenu(g_mainWindow);
    for (int menu : {0, 3}) {
        HMENU sub = GetSubMenu(bar, menu);
        for (int i = 0; i < GetMenuItemCount(sub); ++i)
            EXPECT_FALSE(GetMenuState(sub, i, MF_BYPOSITION) & MF_GRAYED) << menu << " " << i;
    }
    EXPECT_EQ(CmdRecord, static_cast<int>(GetMenuItemID(GetSubMenu(bar, 0), 3)));
    for (int id : {CmdAdd, CmdMakeList, CmdPractise, CmdSearch}) {
        ASSERT_NE(nullptr, GetDlgItem(g_mainWindow, id));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(g_mainWindow, id))) << id;
    }
    capture_.clear();
    Command(CmdPractise);  // as Alt+P would send it: an empty list asks first; No ends it
    ASSERT_EQ(1u, capture_.messages().size());
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONWARNING), capture_.messages()[0].type);
    EXPECT_EQ(0, g_windowOpen);
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
}

// Ctrl+Q typed into another window belongs to that window.
TEST_F(MainWindow, AcceleratorsAreTheMainWindowsOnly)
{
    Start();
    HWND other = CreateWindowW(L"edit", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 50, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    MSG msg{};
    msg.hwnd = other;
    msg.message = WM_KEYDOWN;
    msg.wParam = 'Q';
    EXPECT_FALSE(IsMainWindowMessage(msg));
    msg.hwnd = GetDlgItem(g_mainWindow, CmdAdd);
    EXPECT_TRUE(IsMainWindowMessage(msg));
    msg.hwnd = g_mainWindow;
    EXPECT_TRUE(IsMainWindowMessage(msg));
    DestroyWindow(other);
}

// Alt+letter of a menu title would be taken by the accelerator of the same letter.
TEST_F(MainWindow, MenuTitleMnemonicsLeaveTheAltAcceleratorsAlone)
{
    Start();
    std::vector<std::wstring> shown;
    HMENU bar = GetMenu(g_mainWindow);
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        wchar_t title[100];
        GetMenuStringW(bar, i, title, 100, MF_BYPOSITION);
        shown.push_back(title);
    }
    Quit();
    for (const wchar_t* language : {L"nederlands", L"english"}) {
        InstallStrings(language);
        LoadUiStrings(StringsMode::Wordbook);
        std::vector<std::wstring> titles = {Str(Txt_MainMenuFile0), Str(Txt_LanguageMenu), Str(Txt_MainMenuPracticeMode0),
                                            Str(Txt_MainMenuPracticeHelp0)};
        std::wstring taken;
        for (StringId id : {Txt_AccelAdd, Txt_AccelPractice, Txt_AccelSearch, Txt_AccelCreatelist})
            taken += static_cast<wchar_t>(towupper(Str(id)[0]));
        for (const std::wstring& title : titles) {
            size_t amp = title.find(L'&');
            ASSERT_NE(std::wstring::npos, amp) << Narrow(title);
            EXPECT_EQ(std::wstring::npos, taken.find(static_cast<wchar_t>(towupper(title[amp + 1]))))
                << Narrow(language) << ": " << Narrow(title);
        }
    }
    EXPECT_EQ((std::vector<std::wstring>{Str(Txt_MainMenuFile0), Str(Txt_LanguageMenu), Str(Txt_MainMenuPracticeMode0),
                                         Str(Txt_MainMenuPracticeHelp0)}),
              shown);
}

// Where a position was saved is where the window comes back, and a position
// no screen shows any more is brought back onto one.
TEST_F(MainWindow, PositionsComeBackOnAScreen)
{
    WriteProfileStringW(L"Dictionary", L"WinPosLeftMain", L"37");
    WriteProfileStringW(L"Dictionary", L"WinPosTopMain", L"41");
    Start();
    RECT rc;
    GetWindowRect(g_mainWindow, &rc);
    EXPECT_EQ(37, rc.left);
    EXPECT_EQ(41, rc.top);
    Command(CmdQuit);
    EXPECT_EQ(L"37", ProfileString(L"WinPosLeftMain"));
    EXPECT_EQ(L"41", ProfileString(L"WinPosTopMain"));

    WriteProfileStringW(L"Dictionary", L"WinPosLeftMain", L"5000");
    WriteProfileStringW(L"Dictionary", L"WinPosTopMain", L"-3000");
    Start();
    GetWindowRect(g_mainWindow, &rc);
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_GE(rc.left, screen.left);
    EXPECT_GE(rc.top, screen.top);
    EXPECT_LE(rc.right, screen.right);
    EXPECT_LE(rc.bottom, screen.bottom);
}

TEST(WindowPositions, WorkspaceCountsFromTheWorkArea)
{
    // A task bar of 40 pixels at the top and 60 at the left.
    MONITORINFO mi{};
    mi.rcMonitor = {0, 0, 1024, 768};
    mi.rcWork = {60, 40, 1024, 768};
    POINT p = WorkspaceToScreen({100, 10}, mi);
    EXPECT_EQ(160, p.x);
    EXPECT_EQ(50, p.y);
    POINT inside = KeepInside({5000, -300}, {565, 380}, mi.rcWork);
    EXPECT_EQ(1024 - 565, inside.x);
    EXPECT_EQ(40, inside.y);
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
