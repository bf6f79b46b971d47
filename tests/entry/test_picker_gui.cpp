#include "entry/picker.h"
#include "shell/app.h"
#include "core/uistrings.h"
#include "tests/support/screenshot.h"
#include "tests/support/testutil.h"

namespace {

class Picker : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        InstallStrings(L"english");
        LoadUiStrings(StringsMode::Wordbook);
        g_instance = GetModuleHandleW(nullptr);
        MakeDir(L"charset");
        owner_ = CreateWindowW(L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 400, 200, nullptr, nullptr,
                               g_instance, nullptr);
        target_ = CreateWindowW(L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 300, 24, owner_, nullptr, g_instance, nullptr);
        SetFocus(target_);
        g_picker = {0, L"", target_, owner_};
    }
    void TearDown() override
    {
        ClosePicker();
        DestroyWindow(owner_);
        ScratchDirTest::TearDown();
    }
    // The buttons' texts in order, "-" for none; where the window and button `at` stand.
    std::wstring Open(int charset, const wchar_t* language, const char* line, int at = 0)
    {
        if (line)
            WriteBytes(std::wstring(L"charset\\") + language + L".chs", line);
        g_picker.charset = charset;
        g_picker.language = language;
        EXPECT_TRUE(OpenPicker());
        PumpMessages();
        GetWindowRect(g_picker.window, &rect_);
        RECT button{};
        GetWindowRect(GetDlgItem(g_picker.window, at), &button);
        MapWindowPoints(nullptr, g_picker.window, reinterpret_cast<POINT*>(&button), 1);
        button_ = {button.left, button.top};
        std::wstring texts;
        for (int i = 0; HWND b = GetDlgItem(g_picker.window, i); ++i)
            texts += Text(b).empty() ? L"-" : Text(b);
        return texts;
    }
    std::wstring Text(HWND hwnd)
    {
        wchar_t text[8] = L"";
        GetWindowTextW(hwnd, text, 8);
        return text;
    }
    void Click(int id) { SendMessageW(g_picker.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    HWND owner_, target_;
    RECT rect_;
    POINT button_;
};

TEST_F(Picker, FirstLineMakesTwoRowsAboveTheOwnerAndAClickTypesAtTheCaret)
{
    EXPECT_EQ(L"\u00e0\u00e8\u00ec\u00f2\u00f9\n", Open(0, L"english", "\xE0\xE8\xEC\xF2\xF9\nxyz\n", 3));
    RECT centred{300 + (400 - 62) / 2, 230, 300 + (400 - 62) / 2 + 62, 300}, corner{0, 0, 24, 70};
    EXPECT_TRUE(EqualRect(&centred, &rect_));
    EXPECT_EQ(0, button_.x);
    EXPECT_EQ(23, button_.y);
    SaveScreenshot(g_picker.window, L"picker");
    SetWindowTextW(target_, L"ab");
    SendMessageW(target_, EM_SETSEL, 1, 1);
    Click(3);
    EXPECT_EQ(L"a\u00f2b", Text(target_));

    MoveWindow(owner_, -200, 40, 400, 200, FALSE);
    EXPECT_EQ(L"\u00f1\n", Open(0, L"english", "\xF1\r\n"));  // Windows line ends drop the CR
    EXPECT_TRUE(EqualRect(&corner, &rect_));
}

// An odd count puts the extra button in the second row; the window is as wide
// as that row, so that button can be reached.
TEST_F(Picker, WidthAndButtonsFollowTheLine)
{
    Open(0, L"english", "abc", 2);
    EXPECT_EQ(43, rect_.right - rect_.left);
    EXPECT_EQ(19, button_.x);
    // A lone ampersand on a button would show nothing.
    EXPECT_EQ(L"&&" + std::wstring(253, L'x'), Open(0, L"english", ("&" + std::string(299, 'x')).c_str()));

    std::wstring texts = Open(0, L"missing", nullptr, 33);
    EXPECT_EQ(632, rect_.right - rect_.left);
    EXPECT_EQ(0, button_.x);
    EXPECT_EQ(23, button_.y);
    ASSERT_EQ(66u, texts.size());
    EXPECT_EQ(L"\u00c0\u00bf\u00e0?", texts.substr(0, 1) + texts[32] + texts[33] + texts[65]);
}

TEST_F(Picker, BytesAreCharactersOfTheLanguagesCodePage)
{
    Open(161, L"greek", "\xE1\xE2\n");
    Click(1);
    Click(0);
    EXPECT_EQ(L"\u03b2\u03b1", Text(target_));
    // A lead byte is half a character: no text, and a click types nothing.
    EXPECT_EQ(L"-\uff71\n", Open(128, L"japanese", "\x82\xB1\n"));
    Click(0);
    Click(1);
    EXPECT_EQ(L"\u03b2\u03b1\uff71", Text(target_));
}

TEST_F(Picker, OneAtATimeAndTheTargetKeepsTheKeyboard)
{
    Open(0, L"english", nullptr);
    EXPECT_EQ(target_, GetFocus());
    Open(0, L"english", nullptr);
    EXPECT_EQ(g_picker.window, FindWindowW(L"tekenset", nullptr));
    EXPECT_EQ(nullptr, FindWindowExW(nullptr, g_picker.window, L"tekenset", nullptr));
    SetFocus(owner_);
    ClosePicker();
    EXPECT_EQ(nullptr, FindWindowW(L"tekenset", nullptr));
    EXPECT_EQ(target_, GetFocus());
}

}  // namespace
