// Damaged character files of the picker and clipboard texts of any length
// pasted into the add-words fields, made with fixed seeds: no crash, at most
// one button per byte of the first line (254 at most), fields within their limits.
#include "entry/addwords.h"
#include "entry/picker.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/records.h"
#include "core/uistrings.h"
#include "tests/support/fuzz.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <cstring>

namespace {

std::wstring TextOf(HWND field)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
    return text;
}

void SetClipboardBytes(HWND owner, const std::string& bytes)
{
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
    ASSERT_NE(nullptr, block);
    char* p = static_cast<char*>(GlobalLock(block));
    memcpy(p, bytes.c_str(), bytes.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

class PickerFuzz : public ScratchDirTest {
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
        target_ = CreateWindowW(L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 300, 24, owner_, nullptr,
                                g_instance, nullptr);
    }
    void TearDown() override
    {
        ClosePicker();
        DestroyWindow(owner_);
        ScratchDirTest::TearDown();
    }
    HWND owner_, target_;
};

TEST_F(PickerFuzz, CharacterFiles)
{
    const std::string good = "\xe0\xe8\xec\xf2\xf9&\x82\xa0\r\nsecond line\n";
    const int charsets[] = {0, 128, 161, 204, 500, 650};
    for (int round = 0; round < FuzzRounds(10); ++round) {
        SCOPED_TRACE(FuzzWhere(41, round));
        std::mt19937 rng = RoundGenerator(41, round);
        std::string bad = round % 5 == 4 ? RandomBytes(rng, round % 2 ? 600 : 100000) : Mutate(good, rng);
        if (round % 8 == 7)
            bad = std::string(300000, '\xe9');  // one line far longer than the buttons
        WriteBytes(L"charset\\damaged.chs", bad);
        g_picker = {charsets[rng() % std::size(charsets)], L"damaged", target_, owner_};
        SetWindowTextW(target_, L"");
        ASSERT_TRUE(OpenPicker());
        PumpMessages(0);
        int buttons = 0;
        while (GetDlgItem(g_picker.window, buttons))
            ++buttons;
        size_t line = std::min(bad.find('\n'), bad.size());
        ASSERT_LE(buttons, 254);
        ASSERT_LE(static_cast<size_t>(buttons), line + 1);
        RECT rc;
        GetWindowRect(g_picker.window, &rc);
        ASSERT_LE(rc.right - rc.left, 127 * 19 + 5);
        ASSERT_GE(rc.left, 0);
        ASSERT_GE(rc.top, 0);
        // A button types at most one character.
        for (int click = 0; click < 6 && buttons > 0; ++click) {
            int id = static_cast<int>(rng() % buttons);
            size_t before = TextOf(target_).size();
            SendMessageW(g_picker.window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(g_picker.window, id)));
            ASSERT_LE(TextOf(target_).size(), before + 1);
        }
        ClosePicker();
        ASSERT_TRUE(HeapsIntact());
    }
}

class AddFuzz : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        WriteWordBook(L"books\\francais_english.wb", {{L"chat", L"cat"}});
        WriteWordBook(L"books\\english_francais.wb", {{L"cat", L"chat"}});
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(""));
        g_settings.addNewWordsToList = 0;
        ShowWindow(g_mainWindow, SW_SHOW);
        SendMessageW(g_mainWindow, WM_COMMAND, CmdAdd, 0);
        PumpMessages();
        w_ = FindWindowW(L"toevoeg", nullptr);
        ASSERT_NE(nullptr, w_);
    }
    void TearDown() override
    {
        if (HWND add = FindWindowW(L"toevoeg", nullptr))
            DestroyWindow(add);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    void Enter(HWND field)
    {
        SendMessageW(field, WM_KEYDOWN, VK_RETURN, 1);
        SendMessageW(field, WM_CHAR, VK_RETURN, 1);
        if (HWND focus = GetFocus())
            SendMessageW(focus, WM_KEYUP, VK_RETURN, 0xC0000001);
    }
    HWND w_ = nullptr;
    MessageCapture capture_;
};

// Pasted texts of any length stay within the fields and, stored, within the records.
TEST_F(AddFuzz, PastedFields)
{
    HWND word = GetDlgItem(w_, AddIdWord), translation = GetDlgItem(w_, AddIdTranslation);
    for (int round = 0; round < FuzzRounds(10); ++round) {
        SCOPED_TRACE(FuzzWhere(42, round));
        std::mt19937 rng = RoundGenerator(42, round);
        for (HWND field : {word, translation}) {
            std::string bytes = RandomBytes(rng, round % 4 == 3 ? 200000 : 90);
            for (char& c : bytes)
                if (c == ',' && rng() % 2)
                    c = ' ';
            SetClipboardBytes(w_, bytes);
            SetFocus(field);
            SendMessageW(field, EM_SETSEL, 0, -1);
            SendMessageW(field, WM_PASTE, 0, 0);
            std::wstring pasted = TextOf(field);
            ASSERT_LE(pasted.size(), field == word ? 30u : 50u);
            ASSERT_TRUE(pasted.empty() || !IS_HIGH_SURROGATE(pasted.back()));
            Enter(field);
            PumpMessages(0);
        }
        ASSERT_TRUE(HeapsIntact());
    }
    SendMessageW(w_, WM_COMMAND, MAKEWPARAM(AddIdDone, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(w_, AddIdDone)));
    PumpMessages();
    for (const wchar_t* book : {L"books\\francais_english.wb", L"books\\english_francais.wb"}) {
        std::string bytes = ReadBytes(book);
        ASSERT_EQ(0u, bytes.size() % kRecordSize);
        for (size_t at = 0; at < bytes.size(); at += kRecordSize) {
            auto r = reinterpret_cast<const WordRecord*>(bytes.data() + at);
            EXPECT_NE(nullptr, memchr(r->source, '\0', sizeof r->source));
            EXPECT_NE(nullptr, memchr(r->translation, '\0', sizeof r->translation));
        }
    }
}

} // namespace
