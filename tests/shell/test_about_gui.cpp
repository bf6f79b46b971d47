#include "shell/about.h"
#include "shell/app.h"
#include "shell/sortwindow.h"
#include "core/appstate.h"
#include "core/catalogue.h"
#include "core/records.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/testutil.h"

namespace {

class Windows : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        WriteProfileStringW(L"Dictionary", nullptr, nullptr);
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
        WriteProfileStringW(L"Dictionary", nullptr, nullptr);
        ScratchDirTest::TearDown();
    }
    MessageCapture capture_;
};

// What the timer saw of the about box while it was up.
struct AboutSeen {
    std::wstring caption, version;
    bool media = false;
    bool closed = false;
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
    PumpMessages(1500);
    SaveScreenshot(box, L"about-box");
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
    EXPECT_EQ(Str(Txt_AboutDialogVersion), g_seen.version);
    EXPECT_TRUE(g_seen.media);
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
    currentRecord.deleted = 1;
    ASSERT_EQ(0, WriteWordRecord(0));
    currentRecord = {};
    wcscpy(currentRecord.source, L"abeille");
    wcscpy(currentRecord.translation, L"bee");
    ASSERT_EQ(0, WriteWordRecord(wordBookCount));
    ++wordBookCount;
    EXPECT_EQ(0, SortWordBook());
    EXPECT_EQ(3, wordBookCount);
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
    EXPECT_EQ(-1, SortWordBook());
    RemoveDirectoryW(Str(Txt_FilenameTempLanguage));
    ASSERT_EQ(1u, capture_.messages().size());
    EXPECT_EQ(Str(Txt_SortFailed), capture_.messages()[0].text);
    EXPECT_EQ(Str(Txt_Error), capture_.messages()[0].caption);
    EXPECT_EQ(before, ReadBytes(L"books\\francais_english.wb"));
    EXPECT_EQ(3, wordBookCount);
}

} // namespace
