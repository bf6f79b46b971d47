// Settings the program reads, out of range or no numbers at all, made
// with fixed seeds: the program starts, paints and opens its windows on the
// screen, keeps the search window's rows and the recording position in range.
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "search/searchwindow.h"
#include "search/translate.h"
#include "entry/addwords.h"
#include "record/recordwindow.h"
#include "core/uistrings.h"
#include "core/usersettings.h"
#include "tests/support/fuzz.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"

namespace {

const wchar_t* const kKeys[] = {
    L"guifontsize", L"languagefontsize", L"searchwindowsize", L"searchwindowminimal", L"colorR", L"colorG", L"colorB",
    L"colorRi", L"colorGi", L"colorBi", L"PracticeMode", L"PracticeSound", L"StayOnTop", L"ClipSearch",
    L"AddNewWordsToList", L"WinPosLeftMain", L"WinPosTopMain", L"WinPosLeftSearch", L"WinPosTopSearch",
    L"WinPosLeftTranslate", L"WinPosTopTranslate", L"WinPosLeftAdd", L"WinPosTopAdd", L"lastrecord_francais",
    L"ListID", L"PracticeList", L"guifont", L"languagefont"};

const wchar_t* const kValues[] = {L"0", L"1", L"-1", L"9999", L"-9999", L"2147483647", L"-2147483648",
                                  L"99999999999", L"-99999999999", L"abc", L"", L"12abc", L"0x10", L" 7", L"4294967295"};

// A number the program wrote, read as the program reads it.
int FileInt(const wchar_t* key)
{
    SettingsSnapshot settings = ReadSettings();
    settings.winIniKeys.clear();
    return SettingInt(settings, key, -12345);
}

class ShellFuzz : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        WordPairs words;
        for (int i = 0; i < 30; ++i)
            words.emplace_back(L"mot" + std::to_wstring(100 + i), L"word" + std::to_wstring(i));
        WriteWordBook(L"books\\francais_english.wb", words);
    }
    void TearDown() override
    {
        Quit();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    void Quit()
    {
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
    }
    // The window shows at least partly on the screen.
    static bool OnScreen(HWND w)
    {
        RECT rc, screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, both;
        return w && GetWindowRect(w, &rc) && IntersectRect(&both, &rc, &screen);
    }
    HWND Open(int command, const wchar_t* windowClass)
    {
        SendMessageW(g_mainWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        PumpMessages();
        return FindWindowW(windowClass, nullptr);
    }
    MessageCapture capture_;
};

TEST_F(ShellFuzz, SettingsValues)
{
    for (int round = 0; round < FuzzRounds(4); ++round) {
        SCOPED_TRACE(FuzzWhere(51, round));
        std::mt19937 rng = RoundGenerator(51, round);
        ClearSettings();
        std::wstring written;
        for (const wchar_t* key : kKeys)
            if (rng() % 4) {
                std::wstring value = kValues[rng() % std::size(kValues)];
                if (rng() % 3 == 0)
                    value = std::to_wstring(static_cast<int>(rng()));
                SetSetting(key, value);
                written += std::wstring(key) + L"=" + value + L" ";
            }
        SCOPED_TRACE(Narrow(written));
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(""));
        ShowWindow(g_mainWindow, SW_SHOW);
        RedrawWindow(g_mainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages();
        ASSERT_TRUE(OnScreen(g_mainWindow));

        // Opening a window costs seconds here: each round opens one of them.
        switch (round % 4) {
        case 0: {
            HWND search = Open(CmdSearch, L"zoeken");
            ASSERT_TRUE(OnScreen(search));
            int rows = 0;
            while (GetDlgItem(search, IdSource + rows))
                ++rows;
            ASSERT_GE(rows, 1);
            ASSERT_LE(rows, 25);
            SendMessageW(search, WM_COMMAND, MAKEWPARAM(IdDone, BN_CLICKED), 0);
            break;
        }
        case 1: {
            HWND translate = Open(CmdTranslate, L"vertaal");
            ASSERT_TRUE(OnScreen(translate));
            DestroyWindow(translate);
            break;
        }
        case 2: {
            HWND add = Open(CmdAdd, L"toevoeg");
            ASSERT_TRUE(OnScreen(add));
            DestroyWindow(add);
            break;
        }
        default: {
            HWND record = Open(CmdRecord, L"record");
            ASSERT_TRUE(OnScreen(record));
            wchar_t text[64] = L"";
            GetWindowTextW(GetDlgItem(record, RecRowWord), text, 64);
            ASSERT_NE(L'\0', text[0]);
            DestroyWindow(record);
            break;
        }
        }
        PumpMessages();
        // An empty list: the practice command offers to make one (no, here).
        Open(CmdPractise, L"leren");
        capture_.clear();

        Quit();
        if (round % 4 == 0) {  // the search window took its size as the nearest that exists
            int size = FileInt(L"searchwindowsize");
            ASSERT_GE(size, 1);
            ASSERT_LE(size, 25);
            int minimal = FileInt(L"searchwindowminimal");
            ASSERT_TRUE(minimal == 0 || minimal == 1);
        }
        ASSERT_TRUE(HeapsIntact());
    }
}

} // namespace
