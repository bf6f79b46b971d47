#include "shell/about.h"
#include "version.h"
#include "shell/app.h"
#include "shell/sortwindow.h"
#include "core/session.h"
#include "core/catalogue.h"
#include "core/records.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <vfw.h>

namespace {

class Windows : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        CopyFileW(BuildPath(L"assets/dict.avi").c_str(), L"dict.avi", FALSE);
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(""));
        ShowWindow(g_mainWindow, SW_SHOW);
        PumpMessages();
    }
    void TearDown() override
    {
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    MessageCapture capture_;
};

// What the timer saw of the about box while it was up.
struct AboutSeen {
    std::wstring caption, version;
    bool media = false;
    bool closed = false;
    bool screenshot = true;  // of the box with its film, for the gallery
};
AboutSeen g_seen;

BOOL CALLBACK FindMedia(HWND child, LPARAM)
{
    wchar_t cls[64];
    GetClassNameW(child, cls, 64);
    if (wcsstr(cls, L"MCIWnd")) {
        g_seen.media = true;
    }

    return TRUE;
}

void CALLBACK LookAtAbout(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND box = FindWindowW(L"#32770", Str(Txt_AboutDialogCaption));
    if (!box)
        return;
    KillTimer(nullptr, id);
    wchar_t text[256];
    GetWindowTextW(box, text, 256);
    g_seen.caption = text;
    GetDlgItemTextW(box, 69, text, 256);
    g_seen.version = text;
    EnumChildWindows(box, FindMedia, 0);
    if (g_seen.screenshot) {
        PumpMessages(1500);
        SaveScreenshot(box, L"about-box");
    }
    // Escape, as a user closes it.
    HWND ok = GetDlgItem(box, IDOK);
    SetFocus(ok);
    PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, 0);
    g_seen.closed = true;
}

TEST_F(Windows, AboutBoxShowsItsTextsAndAnimationAndClosesWithEscape)
{
    g_seen = {};
    SetTimer(nullptr, 0, 100, LookAtAbout);
    ShowAboutBox(g_mainWindow);  // returns when the box is closed
    EXPECT_TRUE(g_seen.closed);
    EXPECT_EQ(Str(Txt_AboutDialogCaption), g_seen.caption);
    EXPECT_EQ(L"Wordbook version " WB_VERSION_WIDE, g_seen.version);
    EXPECT_TRUE(g_seen.media);
}

// The film's window in the about box, once the box is up (null after 30 s).
HWND WaitForFilm()
{
    for (int i = 0; i < 300; ++i) {
        HWND box = FindWindowW(L"#32770", Str(Txt_AboutDialogCaption));
        HWND film = box ? FindWindowExW(box, nullptr, L"MCIWndClass", nullptr) : nullptr;
        if (film)
            return film;
        Sleep(100);
    }
    return nullptr;
}

struct PauseKey {
    WPARAM key;
    bool pausing = false;  // the key went in while the film stood still
    DWORD postedAt = 0;
};

// Presses the key once the film has run to its end and the box waits out the
// pause; the film's window still answers then, as the wait takes sent messages.
DWORD WINAPI PressKeyInPause(void* param)
{
    auto* k = static_cast<PauseKey*>(param);
    HWND film = WaitForFilm();
    HWND box = film ? GetParent(film) : FindWindowW(L"#32770", Str(Txt_AboutDialogCaption));
    bool played = false;
    for (int i = 0; film && i < 600 && !k->pausing; ++i) {
        DWORD_PTR mode = 0;
        if (!SendMessageTimeoutW(film, MCIWNDM_GETMODEW, 0, 0, SMTO_NORMAL, 5000, &mode))
            break;
        played = played || mode == MCI_MODE_PLAY;
        k->pausing = played && mode != MCI_MODE_PLAY;
        Sleep(50);
    }
    k->postedAt = GetTickCount();
    // Posted either way, so that the box comes down even when the test fails.
    PostMessageW(GetDlgItem(box, IDOK), WM_KEYDOWN, k->key, 0);
    return 0;
}

TEST_F(Windows, EscapeAndEnterCloseTheAboutBoxInThePauseBetweenRuns)
{
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        SCOPED_TRACE(key == VK_ESCAPE ? "Escape" : "Enter");
        // A pause far longer than the bound below.
        g_settings.aviDelay = 120000;
        PauseKey k{key};
        HANDLE presser = CreateThread(nullptr, 0, PressKeyInPause, &k, 0, nullptr);
        ASSERT_NE(nullptr, presser);
        ShowAboutBox(g_mainWindow);
        DWORD closedAt = GetTickCount();
        WaitForSingleObject(presser, INFINITE);
        CloseHandle(presser);
        EXPECT_TRUE(k.pausing) << "the film never reached its pause";
        EXPECT_LT(closedAt - k.postedAt, 60000u);
        EXPECT_EQ(nullptr, FindWindowW(L"#32770", Str(Txt_AboutDialogCaption)));
    }
    g_settings.aviDelay = 0;
}

TEST_F(Windows, AboutBoxOpensWithoutItsFilmWhereThePathIsTooLong)
{
    // A current directory so deep that the film's full path can't fit MAX_PATH.
    std::wstring deep = dir_;
    while (deep.size() < MAX_PATH - 8) {
        deep += L"\\" + std::wstring(std::min<size_t>(40, MAX_PATH - 8 - deep.size()), L'd');
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr)) << Narrow(deep);
    }
    ASSERT_TRUE(SetCurrentDirectoryW(deep.c_str()));
    wchar_t probe[MAX_PATH];
    ASSERT_GE(GetFullPathNameW(L"dict.avi", MAX_PATH, probe, nullptr), static_cast<DWORD>(MAX_PATH));
    g_seen = {};
    g_seen.screenshot = false;
    SetTimer(nullptr, 0, 100, LookAtAbout);
    ShowAboutBox(g_mainWindow);
    SetCurrentDirectoryW(dir_.c_str());
    EXPECT_TRUE(g_seen.closed);
    EXPECT_EQ(L"Wordbook version " WB_VERSION_WIDE, g_seen.version);
    EXPECT_FALSE(g_seen.media);
}

void ShootProgress(HWND progress)
{
    static int shots = 0;
    if (shots++ == 1) {  // the window is up and has drawn its first line
        PumpMessages(300);
        SaveScreenshot(progress, L"sorting-progress");
    }
}

TEST_F(Windows, SortingDropsDeletedRecordsBehindItsProgressWindow)
{
    g_sortProgressDrawn = ShootProgress;
    // Sort the current word book after appending an unsorted word and marking one deleted.
    ASSERT_EQ(0, ReadWordRecord(0));
    g_session.record.deleted = 1;
    ASSERT_EQ(0, WriteWordRecord(0));
    g_session.record = {};
    wcscpy(g_session.record.source, L"abeille");
    wcscpy(g_session.record.translation, L"bee");
    ASSERT_EQ(0, WriteWordRecord(g_session.book.count));
    ++g_session.book.count;
    EXPECT_EQ(0, SortCurrentWordBook());
    EXPECT_EQ(3, g_session.book.count);
    WordPairs words = ReadWordBook(L"books\\francais_english.wb");
    ASSERT_EQ(3u, words.size());
    EXPECT_EQ(L"abeille", words[0].first);
    EXPECT_EQ(L"chat", words[1].first);
    EXPECT_EQ(nullptr, FindWindowW(L"sorting", nullptr));
    EXPECT_TRUE(capture_.messages().empty());
    g_sortProgressDrawn = nullptr;
}

TEST_F(Windows, AFailedSortSaysSoAndKeepsTheBook)
{
    std::string before = ReadBytes(L"books\\francais_english.wb");
    CreateDirectoryW(Str(Txt_FilenameTempLanguage), nullptr);
    EXPECT_EQ(-1, SortCurrentWordBook());
    RemoveDirectoryW(Str(Txt_FilenameTempLanguage));
    ASSERT_EQ(1u, capture_.messages().size());
    EXPECT_EQ(Str(Txt_SortFailed), capture_.messages()[0].text);
    EXPECT_EQ(Str(Txt_Error), capture_.messages()[0].caption);
    // While the box is up nothing else can start a command, and afterwards all is as before.
    EXPECT_EQ(L"sorting", capture_.messages()[0].ownerClass);
    const std::vector<HWND>& enabled = capture_.messages()[0].enabledWindows;
    EXPECT_EQ(enabled.end(), std::find(enabled.begin(), enabled.end(), g_mainWindow));
    EXPECT_TRUE(IsWindowEnabled(g_mainWindow));
    EXPECT_EQ(before, ReadBytes(L"books\\francais_english.wb"));
    EXPECT_EQ(3, g_session.book.count);
}

// The add-words window writes both directions; sorting them afterwards must
// never make the mirrored pair current, not even for a moment.
const LanguagePair* g_pairDuringSort;
bool g_pairStayed = true;

void CheckPairStays(HWND)
{
    g_pairStayed = g_pairStayed && CurrentPair() == g_pairDuringSort;
}

TEST_F(Windows, SortingAfterAddingKeepsTheCurrentPair)
{
    const LanguagePair* current = CurrentPair();
    const LanguagePair* mirrored = nullptr;
    for (auto& e : g_catalogue.entries)
        if (wcscmp(e->sourceName, current->targetName) == 0 && wcscmp(e->targetName, current->sourceName) == 0)
            mirrored = e.get();
    ASSERT_NE(nullptr, mirrored);
    ASSERT_TRUE(OpenPairBook(mirrored, &g_session.mirror));
    WideRecord added{L"aardvark", L"oryct\u00e9rope", 0};
    ASSERT_EQ(0, WriteRecord(g_session.mirror, g_session.mirror.count, added));
    g_session.record = {};
    wcscpy(g_session.record.source, L"abeille");
    wcscpy(g_session.record.translation, L"bee");
    ASSERT_EQ(0, WriteWordRecord(g_session.book.count));

    g_pairDuringSort = current;
    g_pairStayed = true;
    g_sortProgressDrawn = CheckPairStays;
    g_sortAfterAdding = {true, true, mirrored};
    SortAfterAdding();
    g_sortProgressDrawn = nullptr;
    EXPECT_TRUE(g_pairStayed);
    EXPECT_EQ(current, CurrentPair());
    EXPECT_FALSE(g_sortAfterAdding.currentGotWords || g_sortAfterAdding.mirroredGotWords);
    EXPECT_TRUE(capture_.messages().empty());

    WordPairs forward = ReadWordBook(L"books\\francais_english.wb");
    ASSERT_EQ(4u, forward.size());
    EXPECT_EQ(L"abeille", forward[0].first);
    WordPairs reverse = ReadWordBook(std::wstring(L"books\\") + PairWordBookFile(mirrored));
    ASSERT_EQ(4u, reverse.size());
    EXPECT_EQ(L"aardvark", reverse[0].first);
    EXPECT_FALSE(g_session.mirror.isOpen());
    EXPECT_EQ(4, g_session.book.count);
    ASSERT_EQ(0, ReadWordRecord(0));
    EXPECT_STREQ(L"abeille", g_session.record.source);
}

} // namespace
