#include "record/recordwindow.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "kit/dpi.h"
#include "tests/support/dpi.h"
#include "tests/support/install.h"
#include "tests/support/programwindow.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"

namespace {

std::wstring Text(HWND hwnd)
{
    wchar_t text[256] = L"";
    GetWindowTextW(hwnd, text, 256);
    return text;
}

class RecordDpi : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        WriteBytes(L"DICT.INI", "# Wordbook catalogue\n\n[Addnew]\n\n[Selected]\nenglish_deutsch.wb\n\n"
                                "[Languages]\ndeutsch,german,0,deutsch\n\n# --- EOF\n");
        WordPairs words;
        for (int i = 10; i < 50; ++i)
            words.emplace_back(L"word" + std::to_wstring(i), L"Wort " + std::to_wstring(i));
        WriteWordBook(L"books\\english_deutsch.wb", words);
    }
    void TearDown() override
    {
        CloseProgram(w_);
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    HWND w_ = nullptr;
    MessageCapture capture_;
};

// At the screen's scale, after a change of scale and back: the design scaled;
// the rows, the word, the typed search and the scroll bar where they were.
TEST_F(RecordDpi, FollowsTheScaleAtEveryScale)
{
    w_ = OpenFromMainWindow(CmdRecord, L"record");
    ASSERT_NE(nullptr, w_);
    int dpi0 = WindowDpi(w_);
    ExpectWindowSize(w_, Scale(633, dpi0), Scale(330, dpi0), "window");
    std::vector<DesignChild> children = {
        {506, 260, 100, 30, 0, "Exit"},  {20, 65, 120, 30, 0, "Start"},       {145, 65, 80, 30, 0, "Skip"},
        {230, 65, 80, 30, 0, "Back"},    {25, 10, 595, 40, 22, "word"},       {245, 269, 220, 20, 0, "progress"},
        {380, 71, 210, 30, 15, "recording"}};
    for (int i = 0; i < 6; ++i)
        children.push_back({20, 105 + 23 * i, 215, 25, 11, "row word"});
    for (int i = 0; i < 6; ++i)
        children.push_back({255, 105 + 23 * i, 350, 25, 11, "row translation"});
    children.push_back({235, 105, 20, 139, -1, "scroll bar"});
    children.push_back({20, 260, 215, 25, 11, "search"});
    HWND search = GetDlgItem(w_, RecSearch), scroll = GetDlgItem(w_, RecScroll);
    for (wchar_t c : std::wstring(L"word23"))
        SendMessageW(search, WM_CHAR, c, 1);
    PumpMessages(100);
    SaveScreenshot(w_, L"record_dpi" + std::to_wstring(dpi0));
    int thumb = GetScrollPos(scroll, SB_CTL);
    EXPECT_EQ(1, thumb);
    for (int dpi : {dpi0, dpi0 == 192 ? 144 : 192, dpi0}) {
        SCOPED_TRACE(dpi);
        if (dpi != WindowDpi(w_))
            SendDpiChange(w_, WindowDpi(w_), dpi);
        ExpectLaidOut(w_, children, dpi);
        EXPECT_EQ(L"word23", Text(search));
        EXPECT_EQ(L"word23", Text(GetDlgItem(w_, RecLabel)));
        EXPECT_EQ(L"word28", Text(GetDlgItem(w_, RecRowWord + 5)));
        EXPECT_EQ(L"Wort 28", Text(GetDlgItem(w_, RecRowTranslation + 5)));
        EXPECT_EQ(thumb, GetScrollPos(scroll, SB_CTL));
        EXPECT_EQ(0, SendMessageW(search, EM_GETMARGINS, 0, 0));
    }
}

}  // namespace
