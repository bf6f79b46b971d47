// Damaged and oversized inputs of the search and translate windows, made with
// fixed seeds: text files opened for translation (binary bytes, UTF-16 with and
// without a byte-order mark, one line of 10 MB) and clipboard texts of any
// length, pasted or followed. Fields keep to their limits.
#include "search/lookup.h"
#include "search/searchwindow.h"
#include "search/translate.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/codepage.h"
#include "core/session.h"
#include "tests/support/fuzz.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <cstring>

namespace {

WordPairs SomeWords()
{
    return {{L"abc", L"alphabet"}, {L"bonjour", L"hello"}, {L"chat", L"cat"}, {L"maison", L"house"}, {L"zebre", L"zebra"}};
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

std::wstring TextOf(HWND field)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
    return text;
}

// What the translate window shows of 8-bit text: up to its first zero, with
// every lone line feed made a CR LF.
std::wstring Shown(const std::string& bytes, int codePage)
{
    std::wstring wide = WidenText(bytes.substr(0, bytes.find('\0')), codePage), out;
    for (size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\n' && (i == 0 || wide[i - 1] != L'\r'))
            out += L'\r';
        out += wide[i];
    }
    return out;
}

class SearchFuzz : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        WriteWordBook(L"books\\francais_english.wb", SomeWords());
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(""));
        ShowWindow(g_mainWindow, SW_SHOW);
    }
    void TearDown() override
    {
        for (const wchar_t* c : {L"vertaal", L"zoeken"})
            if (HWND w = FindWindowW(c, nullptr))
                DestroyWindow(w);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    HWND Open(int command, const wchar_t* windowClass)
    {
        SendMessageW(g_mainWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        PumpMessages();
        return FindWindowW(windowClass, nullptr);
    }
    // Takes the word at k as a click there would.
    void ClickAt(HWND text, int k)
    {
        SendMessageW(text, EM_SETSEL, k, k);
        SendMessageW(text, WM_LBUTTONUP, 0, 0);
    }
    MessageCapture capture_;
};

TEST_F(SearchFuzz, TranslateTextFiles)
{
    HWND w = Open(CmdTranslate, L"vertaal");
    ASSERT_NE(nullptr, w);
    HWND text = GetDlgItem(w, TranslateText), search = GetDlgItem(w, TranslateSearch);
    const std::string good = "Le chat et le z\xe8" "bre de l'homme.\r\nBonjour, maison!\nabc\tzebre\r\n";
    auto utf16 = [](const std::wstring& s, bool bom) {
        std::string bytes = bom ? "\xff\xfe" : "";
        bytes.append(reinterpret_cast<const char*>(s.data()), s.size() * 2);
        return bytes;
    };
    const std::string fixed[] = {
        utf16(L"Le chat et le z\u00e8bre.\r\nBonjour!", true),
        utf16(L"Le chat et le z\u00e8bre.\r\nBonjour!", false),
        std::string("\xfe\xff\0L\0e\0 \0c\0h\0a\0t", 18),
        std::string(5 * 1024 * 1024, 'x') + " chat " + std::string(5 * 1024 * 1024, 'y'),  // one line of 10 MB
        "", "\n", "\r", "\r\r\n\n", std::string(3000, '\n'),
    };
    const int fixedCount = static_cast<int>(std::size(fixed));
    for (int round = 0; round < fixedCount + FuzzRounds(12); ++round) {
        SCOPED_TRACE(FuzzWhere(31, round));
        std::mt19937 rng = RoundGenerator(31, round);
        std::string bytes = round < fixedCount ? fixed[round]
                            : round % 4 == 0   ? RandomBytes(rng, 50000)
                                               : Mutate(good, rng);
        WriteBytes(L"text.txt", bytes);
        ASSERT_TRUE(LoadTranslateText(L"text.txt"));
        std::wstring expected = Shown(bytes, CurrentPair()->sourceCodePage);
        ASSERT_EQ(static_cast<int>(expected.size()), GetWindowTextLengthW(text));
        if (expected.size() < 100000) {
            ASSERT_TRUE(TextOf(text) == expected);
        }
        for (int click = 0; click < 4; ++click) {
            ClickAt(text, static_cast<int>(rng() % (expected.size() + 2)));
            ASSERT_LE(TextOf(search).size(), 49u);
        }
        ASSERT_TRUE(HeapsIntact());
    }
    // Too large to hold: refused, the text stays.
    HANDLE big = CreateFileW(L"big.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size{};
    size.QuadPart = 65LL * 1024 * 1024;
    SetFilePointerEx(big, size, nullptr, FILE_BEGIN);
    SetEndOfFile(big);
    CloseHandle(big);
    int before = GetWindowTextLengthW(text);
    EXPECT_FALSE(LoadTranslateText(L"big.txt"));
    EXPECT_EQ(before, GetWindowTextLengthW(text));
}

TEST_F(SearchFuzz, TranslatePastes)
{
    HWND w = Open(CmdTranslate, L"vertaal");
    ASSERT_NE(nullptr, w);
    HWND text = GetDlgItem(w, TranslateText);
    for (int round = 0; round < FuzzRounds(8); ++round) {
        SCOPED_TRACE(FuzzWhere(32, round));
        std::mt19937 rng = RoundGenerator(32, round);
        std::string bytes = RandomBytes(rng, round % 3 == 2 ? 2000000 : 3000);
        SetClipboardBytes(w, bytes);
        SendMessageW(w, WM_COMMAND, MenuPasteText, 0);
        ASSERT_EQ(static_cast<int>(Shown(bytes, CurrentPair()->sourceCodePage).size()), GetWindowTextLengthW(text));
        ClickAt(text, static_cast<int>(rng() % 5000));
        ASSERT_TRUE(HeapsIntact());
    }
}

// Clipboard texts of any length, in code pages of one and two bytes: pasted
// into the rows and followed by the search field, cut to what each holds.
TEST_F(SearchFuzz, SearchWindowClipboard)
{
    HWND w = Open(CmdSearch, L"zoeken");
    ASSERT_NE(nullptr, w);
    SendMessageW(w, WM_COMMAND, GetMenuItemID(GetSubMenu(GetMenu(w), 1), 0), 0);  // follow the clipboard
    PumpMessages();
    HWND other = CreateWindowW(L"edit", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 50, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    for (int round = 0; round < FuzzRounds(10); ++round) {
        SCOPED_TRACE(FuzzWhere(33, round));
        std::mt19937 rng = RoundGenerator(33, round);
        std::string bytes = RandomBytes(rng, round % 4 == 3 ? 100000 : 120);
        if (round % 2)  // lead bytes of code page 932 with and without their trail
            for (size_t i = 0; i < bytes.size(); i += 3)
                bytes[i] = '\x82';
        CurrentPair()->sourceCodePage = round % 2 ? 932 : 1252;
        SetForegroundWindow(other);
        SetActiveWindow(other);
        SetClipboardBytes(other, bytes);
        PumpMessages();
        ASSERT_LE(TextOf(GetDlgItem(w, IdSearch)).size(), 37u);
        SetForegroundWindow(w);
        SetActiveWindow(w);
        for (int id : {IdSource, IdTranslation}) {
            HWND field = GetDlgItem(w, id + static_cast<int>(rng() % 3));
            PostMessageW(field, WM_CHAR, 'p', 1);
            PostMessageW(field, WM_KEYDOWN, VK_ESCAPE, 1);
            SendMessageW(field, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
            PumpMessages();
            std::wstring pasted = TextOf(field);
            ASSERT_LE(pasted.size(), id == IdSource ? 30u : 50u);
            ASSERT_TRUE(pasted.empty() || !IS_HIGH_SURROGATE(pasted.back()));
        }
        ASSERT_TRUE(HeapsIntact());
    }
    DestroyWindow(other);
    CurrentPair()->sourceCodePage = 1252;
}

} // namespace
