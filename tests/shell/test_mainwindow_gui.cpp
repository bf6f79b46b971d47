#include "shell/app.h"
#include "shell/mainwindow.h"
#include "search/searchwindow.h"
#include "core/fileutil.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "core/usersettings.h"
#include "kit/kit.h"
#include "tests/support/install.h"
#include "tests/support/installcheck.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"

namespace {

std::wstring SettingsFolder()
{
    std::wstring path = SettingsFilePath();
    return path.substr(0, path.find_last_of(L'\\'));
}

class MainWindow : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
    }
    void TearDown() override
    {
        Quit();
        ClearSettings();
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
    // The id of the main menu's item at a position, as a click finds it.
    int MenuId(int menu, int position)
    {
        return static_cast<int>(GetMenuItemID(GetSubMenu(GetMenu(g_mainWindow), menu), position));
    }
    // The search window, opened from the main window.
    HWND OpenSearch()
    {
        Command(CmdSearch);
        PumpMessages();
        return FindWindowW(L"zoeken", nullptr);
    }
    void CloseSearch(HWND search)
    {
        SendMessageW(search, WM_COMMAND, MAKEWPARAM(IdDone, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(search, IdDone)));
        PumpMessages();
    }
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
    EXPECT_EQ(L"1", FileSetting(L"StayOnTop"));
    EXPECT_EQ(L"2", FileSetting(L"PracticeMode"));
    EXPECT_NE(L"<none>", FileSetting(L"WinPosLeftMain"));
    EXPECT_EQ(L"10", FileSetting(L"searchwindowsize"));
    EXPECT_EQ(L"<none>", FileSetting(L"WinPosLeftSearch"));
    EXPECT_EQ(L"<none>", FileSetting(L"PracticeList"));
}

TEST_F(MainWindow, AStoredListThatIsGoneIsForgotten)
{
    SetSetting(L"PracticeList", L"vanished");
    SetSetting(L"ListID", L"803");
    Start();
    EXPECT_STREQ(L"", g_session.listName);
    EXPECT_EQ(800, g_session.listId);
    Command(CmdQuit);
    EXPECT_EQ(L"vanished", FileSetting(L"PracticeList"));  // untouched: nothing is written
}

// A window that does not exist yet is visibly unavailable, never a click
// that silently does nothing.
TEST_F(MainWindow, EveryCommandIsOffered)
{
    Start();
    HMENU bar = GetMenu(g_mainWindow);
    for (int menu : {0, 3}) {
        HMENU sub = GetSubMenu(bar, menu);
        SendMessageW(g_mainWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), menu);  // as opening it does
        // No practice list yet: there is none to export. (The system greys separators.)
        for (int i = 0; i < GetMenuItemCount(sub); ++i) {
            UINT state = GetMenuState(sub, i, MF_BYPOSITION);
            if (!(state & MF_SEPARATOR)) {
                EXPECT_EQ(static_cast<int>(GetMenuItemID(sub, i)) == CmdExportList, (state & MF_GRAYED) != 0)
                    << menu << " " << i;
            }
        }
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
    SetSetting(L"WinPosLeftMain", L"37");
    SetSetting(L"WinPosTopMain", L"41");
    Start();
    RECT rc;
    GetWindowRect(g_mainWindow, &rc);
    EXPECT_EQ(37, rc.left);
    EXPECT_EQ(41, rc.top);
    Command(CmdQuit);
    EXPECT_EQ(L"37", FileSetting(L"WinPosLeftMain"));
    EXPECT_EQ(L"41", FileSetting(L"WinPosTopMain"));

    SetSetting(L"WinPosLeftMain", L"5000");
    SetSetting(L"WinPosTopMain", L"-3000");
    Start();
    GetWindowRect(g_mainWindow, &rc);
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_GE(rc.left, screen.left);
    EXPECT_GE(rc.top, screen.top);
    EXPECT_LE(rc.right, screen.right);
    EXPECT_LE(rc.bottom, screen.bottom);
}

// What a user changes comes back at the next start, from the settings file;
// win.ini is left as it was.
TEST_F(MainWindow, SettingsComeBackFromTheSettingsFile)
{
    std::string winIni = WinIniBytes();
    Start();
    SetWindowPos(g_mainWindow, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(CmdStayOnTop, MenuId(0, 0));
    Command(MenuId(0, 0));
    ASSERT_EQ(CmdMode1, MenuId(2, 1));
    Command(MenuId(2, 1));
    HWND search = OpenSearch();
    ASSERT_NE(nullptr, search);
    HMENU rows = GetSubMenu(GetSubMenu(GetMenu(search), 2), 0);
    SendMessageW(search, WM_COMMAND, GetMenuItemID(rows, 4), 0);  // four rows: the window is made again
    PumpMessages();
    search = FindWindowW(L"zoeken", nullptr);
    ASSERT_NE(nullptr, search);
    SetWindowPos(search, nullptr, 70, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    CloseSearch(search);
    ASSERT_EQ(CmdQuit, MenuId(0, 8));
    Command(MenuId(0, 8));
    ASSERT_EQ(nullptr, g_mainWindow);

    const struct {
        const wchar_t* key;
        const wchar_t* value;
    } written[] = {
        {L"WinPosLeftMain", L"50"},   {L"WinPosTopMain", L"60"},       {L"StayOnTop", L"1"},
        {L"PracticeMode", L"1"},      {L"searchwindowsize", L"4"},     {L"searchwindowminimal", L"0"},
        {L"WinPosLeftSearch", L"70"}, {L"WinPosTopSearch", L"80"},     {L"PracticeSound", L"1"},
        {L"ClipSearch", L"0"},        {L"AddNewWordsToList", L"1"},    {L"WinPosLeftAdd", L"<none>"},
        {L"PracticeList", L"<none>"}, {L"ListID", L"<none>"},          {L"colorG", L"<none>"},
    };
    for (const auto& key : written)
        EXPECT_EQ(key.value, FileSetting(key.key)) << Narrow(key.key);
    EXPECT_EQ(winIni, WinIniBytes());

    Start();
    RECT rc;
    GetWindowRect(g_mainWindow, &rc);
    EXPECT_EQ(50, rc.left);
    EXPECT_EQ(60, rc.top);
    EXPECT_TRUE(Checked(CmdStayOnTop));
    EXPECT_TRUE(GetWindowLongW(g_mainWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(Checked(CmdMode1));
    EXPECT_FALSE(Checked(CmdMode0));
    search = OpenSearch();
    ASSERT_NE(nullptr, search);
    int shown = 0;
    while (GetDlgItem(search, IdSource + shown))
        ++shown;
    EXPECT_EQ(4, shown);
    GetWindowRect(search, &rc);
    EXPECT_EQ(70, rc.left);
    EXPECT_EQ(80, rc.top);
    CloseSearch(search);
}

// An installation from before the settings file keeps its settings: what
// only win.ini holds is read, the file wins where both have a key, and the
// first exit writes the file without touching win.ini.
TEST_F(MainWindow, AnOlderInstallationsSettingsAreReadAndLeftInPlace)
{
    MakeDir(L"lists");
    MakeDir(L"lists\\verbs");
    const struct {
        const wchar_t* key;
        const wchar_t* winIni;
        const wchar_t* file;       // null: not in the file
        const wchar_t* fileAfter;  // the file's after the exit
    } keys[] = {
        {L"WinPosLeftMain", L"37", nullptr, L"37"},
        {L"WinPosTopMain", L"41", nullptr, L"41"},
        {L"colorG", L"120", nullptr, L"<none>"},  // never written
        {L"colorGi", L"1", nullptr, L"<none>"},
        {L"PracticeSound", L"0", nullptr, L"0"},
        {L"PracticeList", L"verbs", nullptr, L"verbs"},
        {L"ListID", L"805", nullptr, L"805"},
        {L"PracticeMode", L"2", L"1", L"1"},
        {L"StayOnTop", L"1", L"0", L"0"},
    };
    for (const auto& key : keys) {
        SetWinIniSetting(key.key, key.winIni);
        if (key.file)
            SetSetting(key.key, key.file);
    }
    std::string winIni = WinIniBytes();
    Start();
    RECT rc;
    GetWindowRect(g_mainWindow, &rc);
    EXPECT_EQ(37, rc.left);
    EXPECT_EQ(41, rc.top);
    EXPECT_EQ(120, g_settings.colorG);
    EXPECT_EQ(1, g_settings.colorGi);
    EXPECT_EQ(0, g_settings.practiceSound);
    EXPECT_STREQ(L"verbs", g_session.listName);
    EXPECT_EQ(805, g_session.listId);
    EXPECT_TRUE(Checked(CmdMode1));
    EXPECT_FALSE(Checked(CmdStayOnTop));
    Command(CmdQuit);
    ASSERT_EQ(nullptr, g_mainWindow);
    EXPECT_EQ(winIni, WinIniBytes());
    for (const auto& key : keys) {
        EXPECT_EQ(key.fileAfter, FileSetting(key.key)) << Narrow(key.key);
        EXPECT_EQ(key.winIni, WinIniSetting(key.key)) << Narrow(key.key);
    }
}

// Settings that can't be kept are said once, at the exit that loses them;
// the file keeps what it held and win.ini gets nothing instead.
TEST_F(MainWindow, SettingsThatCantBeWrittenAreReportedOnce)
{
    const struct {
        const char* what;
        bool fileBefore;
        bool unwritableFolder;
        long failingStep;  // of the rewrite's seam steps: write, flush, close, replace
    } cases[] = {
        {"folder can't be written", true, true, 0},
        {"folder can't be made", false, true, 0},
        {"the flush fails", true, false, 2},
        {"the replace fails", true, false, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ClearSettings();
        if (c.fileBefore)
            SetSetting(L"StayOnTop", L"0");
        std::string before = ReadBytes(SettingsFilePath());
        std::string winIni = WinIniBytes();
        Start();
        Command(CmdStayOnTop);
        capture_.clear();
        if (c.unwritableFolder)
            InjectUnwritableFolder(SettingsFolder());
        InjectFileFault(c.failingStep);
        Command(CmdQuit);
        InjectUnwritableFolder(L"");
        InjectFileFault(0);
        EXPECT_EQ(nullptr, g_mainWindow);
        ASSERT_EQ(1u, capture_.messages().size());
        EXPECT_NE(std::wstring::npos, capture_.messages()[0].text.find(SettingsFilePath()));
        EXPECT_EQ(c.fileBefore, FileExists(SettingsFilePath()));
        EXPECT_EQ(before, ReadBytes(SettingsFilePath()));
        EXPECT_EQ(c.fileBefore ? L"0" : L"<none>", FileSetting(L"StayOnTop"));
        EXPECT_EQ(std::vector<std::wstring>(c.fileBefore ? 1 : 0, L"wordbook.ini"), FilesIn(SettingsFolder()));
        EXPECT_EQ(winIni, WinIniBytes());
    }
}

// A standard user's copy of an installation made for all users: one word
// at start-up, the commands that would change it greyed, words still found,
// nothing in the folder changed, the settings kept in the profile.
TEST_F(MainWindow, AReadOnlyInstallationIsSaidOnceAndOnlyLooksWordsUp)
{
    WordPairs words;
    for (int i = 0; i < 30; ++i)
        words.emplace_back(L"mot" + std::to_wstring(100 + i), L"word" + std::to_wstring(i));
    WriteWordBook(L"books\\francais_english.wb", words);
    std::wstring folder = FullPath(L".");
    std::map<std::wstring, RecordedFile> files = FilesUnder(folder);
    InjectUnwritableFolder(folder);
    capture_.clear();
    Start();
    ASSERT_EQ(1u, capture_.messages().size());
    const std::wstring& said = capture_.messages()[0].text;
    EXPECT_NE(std::wstring::npos, said.find(folder + L" (")) << Narrow(said);
    EXPECT_EQ(std::wstring::npos, said.find(L"%s"));
    EXPECT_EQ(std::wstring::npos, said.find(L"\n)"));  // the reason's line end trimmed
    EXPECT_TRUE(g_readOnlyInstall);

    const struct {
        int menu, position, id;
        bool greyed;
    } items[] = {
        {0, 0, CmdStayOnTop, false}, {0, 1, CmdTranslate, false}, {0, 2, CmdNewBook, true},
        {0, 3, CmdRecord, true},     {0, 5, CmdImport, true},     {0, 6, CmdExportBook, false},
        {0, 8, CmdQuit, false},      {2, 0, CmdMode0, false},
        {3, 1, CmdInfo, false},      {3, 2, CmdProgress, false},
    };
    HMENU bar = GetMenu(g_mainWindow);
    for (const auto& item : items) {
        SCOPED_TRACE(item.id);
        ASSERT_EQ(item.id, MenuId(item.menu, item.position));
        EXPECT_EQ(item.greyed, (GetMenuState(GetSubMenu(bar, item.menu), item.position, MF_BYPOSITION) & MF_GRAYED) != 0);
    }
    const struct {
        int id;
        bool enabled;
    } buttons[] = {{CmdAdd, false}, {CmdMakeList, false}, {CmdPractise, true}, {CmdSearch, true}};
    for (const auto& button : buttons)
        EXPECT_EQ(button.enabled, IsWindowEnabled(GetDlgItem(g_mainWindow, button.id)) != 0) << button.id;
    // Their keys (Alt+A, Alt+C) send the commands all the same: nothing opens.
    for (int id : {CmdAdd, CmdMakeList, CmdNewBook, CmdRecord}) {
        Command(id);
        PumpMessages();
        EXPECT_EQ(0, g_windowOpen) << id;
    }

    HWND search = OpenSearch();
    ASSERT_NE(nullptr, search);
    for (wchar_t c : std::wstring(L"mot12"))
        SendMessageW(GetDlgItem(search, IdSearch), WM_CHAR, c, 1);
    PumpMessages();
    wchar_t shown[64] = L"";
    GetWindowTextW(GetDlgItem(search, IdSource), shown, 64);
    EXPECT_STREQ(L"mot120", shown);
    CloseSearch(search);
    Command(CmdFirstPair + 1);  // the choice can't be recorded in DICT.INI: said nothing of
    EXPECT_STREQ(L"deutsch", CurrentPair()->sourceName);
    Command(CmdPractise);  // no list, and none can be made
    EXPECT_EQ(0, g_windowOpen);
    Command(CmdStayOnTop);
    Command(CmdQuit);
    InjectUnwritableFolder(L"");
    EXPECT_EQ(1u, capture_.messages().size());
    EXPECT_EQ(L"1", FileSetting(L"StayOnTop"));
    EXPECT_EQ(files, FilesUnder(folder));
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
