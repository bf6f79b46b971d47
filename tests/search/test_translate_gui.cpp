#include "search/translate.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/catalogue.h"
#include "core/records.h"
#include "core/report.h"
#include "core/review.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/listmaker.h"
#include "tests/support/programwindow.h"
#include "tests/support/screenshot.h"
#include "tests/support/searchwindows.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <cstring>

namespace {

class TranslateWindow : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        WriteWordBook(L"books\\francais_english.wb",
                      {{L"abc", L"alphabet"}, {L"arc-en-ciel", L"rainbow"}, {L"bonjour", L"hello"}, {L"chat", L"cat"},
                       {L"homme", L"man"}, {L"l'homme", L"the man"}, {L"maison", L"house"}, {L"zebre", L"zebra"}});
    }
    void TearDown() override
    {
        if (HWND w = FindWindowW(L"vertaal", nullptr))
            DestroyWindow(w);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // The user's way in: the main window's command.
    void Open()
    {
        w_ = OpenFromMainWindow(CmdTranslate, L"vertaal");
        ASSERT_NE(nullptr, w_);
    }
    HWND Item(int id) { return GetDlgItem(w_, id); }
    std::wstring TextOf(int id)
    {
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(Item(id))) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(Item(id), text.data(), static_cast<int>(text.size()))));
        return text;
    }
    std::wstring Source(int row) { return TextOf(TranslateSource0 + row); }
    std::wstring Search() { return TextOf(TranslateSearch); }
    std::wstring Text() { return TextOf(TranslateText); }
    void ClickAt(int k)
    {
        SendMessageW(Item(TranslateText), EM_SETSEL, k, k);
        SendMessageW(Item(TranslateText), WM_LBUTTONUP, 0, 0);
    }
    void TypeIntoSearch(const wchar_t* text)
    {
        SendMessageW(Item(TranslateSearch), EM_SETSEL, 0, -1);
        for (const wchar_t* c = text; *c; ++c)
            SendMessageW(Item(TranslateSearch), WM_CHAR, *c, 1);
    }
    void SearchKey(UINT key) { SendMessageW(Item(TranslateSearch), WM_KEYDOWN, key, 1); }
    void Scroll(int request, int pos = 0)
    {
        SendMessageW(w_, WM_VSCROLL, MAKEWPARAM(request, pos), reinterpret_cast<LPARAM>(Item(TranslateScroll)));
    }
    // The second item of the window's one menu.
    void Paste() { SendMessageW(w_, WM_COMMAND, GetMenuItemID(GetSubMenu(GetMenu(w_), 0), 1), 0); }
    void Screenshot(const wchar_t* name)
    {
        RedrawWindow(w_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages(200);
        SaveScreenshot(w_, name);
    }
    HWND w_ = nullptr;
    MessageCapture capture_;
};

void PutOnClipboard(const std::string& bytes)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    if (!bytes.empty()) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
        memcpy(GlobalLock(block), bytes.c_str(), bytes.size() + 1);
        GlobalUnlock(block);
        SetClipboardData(CF_TEXT, block);
    }
    CloseClipboard();
}

TEST_F(TranslateWindow, StandsInForTheMainWindowAndComesBackWhereItWasLeft)
{
    Open();
    EXPECT_FALSE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(1, g_windowOpen);
    EXPECT_EQ(L"abc", Source(0));
    EXPECT_EQ(L"bonjour", Source(2));
    SetWindowPos(w_, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(Item(TranslateDone), BM_CLICK, 0, 0);
    EXPECT_EQ(nullptr, FindWindowW(L"vertaal", nullptr));
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(0, g_windowOpen);
    EXPECT_FALSE(LoadTranslateText(L"DICT.INI"));  // no window to load into

    Open();
    RECT rc;
    GetWindowRect(w_, &rc);
    EXPECT_EQ(50, rc.left);
    EXPECT_EQ(60, rc.top);
    // Coming back to the window gives the focus back to the field that had it.
    ASSERT_TRUE(LoadTranslateText(L"DICT.INI"));
    for (int id : {+TranslateText, +TranslateSearch}) {
        SetFocus(Item(id));
        SetFocus(w_);
        SendMessageW(w_, WM_ACTIVATE, WA_ACTIVE, 0);
        EXPECT_EQ(Item(id), GetFocus()) << id;
    }
    // Closed through the system menu, the place is kept all the same.
    SetWindowPos(w_, nullptr, 70, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(w_, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, g_windowOpen);
    EXPECT_EQ(70, g_settings.windowPos[PosTranslate].x);
    EXPECT_EQ(80, g_settings.windowPos[PosTranslate].y);
}

TEST_F(TranslateWindow, TheWordAtTheCaretIsLookedUpOnce)
{
    Open();
    WriteBytes(L"text.txt", "l'homme arc-en-ciel abc123 chat.");
    ASSERT_TRUE(LoadTranslateText(L"text.txt"));
    EXPECT_EQ(Item(TranslateText), GetFocus());
    const struct { int caret; const wchar_t* word; } clicks[] = {
        {0, L"l'homme"},       // the start of the text
        {12, L"arc-en-ciel"},  // the "e" of "en"
        {21, L"abc"},          // digits end a word
        {24, L"abc"},          // on a digit: no word
        {7, L"abc"},           // the space after a word
        {32, L"abc"},          // the end of the text
    };
    for (const auto& click : clicks) {
        ClickAt(click.caret);
        EXPECT_EQ(click.word, Search()) << click.caret;
        EXPECT_EQ(click.word, Source(0)) << click.caret;
    }
    EXPECT_EQ(L"rainbow", TextOf(TranslateTarget0 + 1));
    SendMessageW(Item(TranslateText), EM_SETSEL, 28, 28);
    SendMessageW(Item(TranslateText), WM_KEYUP, VK_RIGHT, 0);
    EXPECT_EQ(L"chat", Search());
    Screenshot(L"translate");

    // The same word again leaves the rows and the field as the user left them.
    SearchKey(VK_DOWN);
    ClickAt(29);
    EXPECT_EQ(L"homme", Source(0));
    TypeIntoSearch(L"bon");
    EXPECT_EQ(L"bonjour", Source(0));
    ClickAt(30);
    EXPECT_EQ(L"bon", Search());
    ClickAt(3);
    EXPECT_EQ(L"l'homme", Search());
    SearchKey(VK_RETURN);
    EXPECT_EQ(L"", Search());
    EXPECT_EQ(L"abc", Source(0));
}

TEST_F(TranslateWindow, RowsMoveWithinTheWordBook)
{
    WordPairs words;
    for (int i = 0; i < 25; ++i)
        words.emplace_back((i < 10 ? L"w0" : L"w") + std::to_wstring(i), L"t" + std::to_wstring(i));
    WriteWordBook(L"books\\francais_english.wb", words);
    Open();
    int low, high;
    GetScrollRange(Item(TranslateScroll), SB_CTL, &low, &high);
    EXPECT_EQ(2, high);  // a step is ten records
    Scroll(SB_THUMBPOSITION, 2);
    EXPECT_EQ(L"w20", Source(0));
    Scroll(SB_PAGEDOWN);
    EXPECT_EQ(L"w22", Source(0));  // the last full page
    EXPECT_EQ(L"w24", Source(2));
    Scroll(SB_PAGEUP);
    Scroll(SB_LINEUP);
    EXPECT_EQ(L"w18", Source(0));
    EXPECT_EQ(1, GetScrollPos(Item(TranslateScroll), SB_CTL));
    SendMessageW(w_, WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);  // not the window's bar
    SearchKey(VK_NEXT);
    EXPECT_EQ(L"w18", Source(0));
    TypeIntoSearch(L"w23");
    EXPECT_EQ(L"w22", Source(0));

    WriteWordBook(L"books\\deutsch_english.wb", {{L"Haus", L"house"}, {L"Katze", L"cat"}}, {0, 1});
    SendMessageW(w_, WM_COMMAND, CmdFirstPair + 1, 0);
    EXPECT_EQ(L"Katze", Source(1));  // deleted, shown all the same
    EXPECT_EQ(L"", Source(2));
    GetScrollRange(Item(TranslateScroll), SB_CTL, &low, &high);
    EXPECT_EQ(0, high);
    for (UINT key : {VK_DOWN, VK_NEXT, VK_PRIOR})
        SearchKey(key);
    Scroll(SB_THUMBPOSITION, 1);
    TypeIntoSearch(L"Katze");
    EXPECT_EQ(L"Haus", Source(0));
}

TEST_F(TranslateWindow, ATextThatCantBeHadLeavesThePreviousOne)
{
    Open();
    WriteBytes(L"first.txt", "bonjour chat");
    ASSERT_TRUE(LoadTranslateText(L"first.txt"));
    EXPECT_FALSE(LoadTranslateText(L"missing.txt"));
    EXPECT_FALSE(LoadTranslateText(L"books"));
    HANDLE big = CreateFileW(L"big.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    SetFilePointer(big, 65 * 1024 * 1024, nullptr, FILE_BEGIN);
    SetEndOfFile(big);
    CloseHandle(big);
    EXPECT_FALSE(LoadTranslateText(L"big.txt"));
    PutOnClipboard("");
    Paste();
    EXPECT_EQ(L"bonjour chat", Text());

    // A text ends at a zero byte; past it there is no word.
    WriteBytes(L"zero.txt", std::string("chat\0maison", 11));
    ASSERT_TRUE(LoadTranslateText(L"zero.txt"));
    EXPECT_EQ(L"chat", Text());
    ClickAt(6);
    EXPECT_EQ(L"", Search());

    // Lines ended by LF alone still show as lines; the words stay where the field has them.
    WriteBytes(L"lines.txt", "bonjour\nchat\r\nmaison");
    ASSERT_TRUE(LoadTranslateText(L"lines.txt"));
    EXPECT_EQ(L"bonjour\r\nchat\r\nmaison", Text());
    EXPECT_EQ(2, SendMessageW(Item(TranslateText), EM_GETLINECOUNT, 0, 0) - 1);
    ClickAt(10);
    EXPECT_EQ(L"chat", Search());

    PutOnClipboard("\xe9t\xe9 maison");
    SetFocus(Item(TranslateSearch));
    Paste();
    EXPECT_EQ(L"\u00e9t\u00e9 maison", Text());
    EXPECT_EQ(Item(TranslateText), GetFocus());
}

// A pair whose source is Greek: character set 161, code page 1253.
TEST_F(TranslateWindow, APairSwitchShowsTheNewBookInItsCodePageAndKeepsTheText)
{
    WriteBytes(L"DICT.INI", "[Selected]\nfrancais_english.wb\n\n"
                            "[Languages]\nfrancais,french,0,francais\nellinika,greek,161,ellinika\n\n");
    std::string book;
    for (const char* word : {"\xe1\xe3\xdc\xf0\xe7", "\xea\xfc\xf3\xec\xe5", "\xef\xf5\xf1\xe1\xed\xfc\xf2", "\xf9"}) {
        WordRecord raw{};
        strcpy(raw.source, word);
        strcpy(raw.translation, "english");
        book.append(reinterpret_cast<const char*>(&raw), sizeof raw);
    }
    WriteBytes(L"books\\ellinika_english.wb", book);
    Open();
    // Row and search fields have no margins, whatever font they were last given.
    auto expectNoMargins = [this] {
        for (int id : {+TranslateSource0, +TranslateTarget0, +TranslateSearch})
            EXPECT_EQ(0, SendMessageW(Item(id), EM_GETMARGINS, 0, 0)) << id;
    };
    expectNoMargins();
    WriteBytes(L"text.txt", "\xea\xe1\xeb\xe7\xec\xdd\xf1\xe1 \xea\xfc\xf3\xec\xe5");
    ASSERT_TRUE(LoadTranslateText(L"text.txt"));
    std::wstring asFrench = Text();
    ClickAt(1);
    EXPECT_EQ(asFrench.substr(0, 8), Search());

    SendMessageW(w_, WM_COMMAND, CmdFirstPair + 1, 0);
    ASSERT_STREQ(L"ellinika", CurrentPair()->sourceName);
    EXPECT_EQ(L"\u03b1\u03b3\u03ac\u03c0\u03b7", Source(0));
    EXPECT_EQ(0, GetScrollPos(Item(TranslateScroll), SB_CTL));
    EXPECT_EQ(asFrench, Text());
    for (int id : {+TranslateSource0, +TranslateSearch, +TranslateText, +TranslateTarget0}) {
        LOGFONTW lf{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Item(id), WM_GETFONT, 0, 0)), sizeof lf, &lf);
        EXPECT_EQ(id == TranslateTarget0 ? ANSI_CHARSET : GREEK_CHARSET, lf.lfCharSet) << id;
    }
    expectNoMargins();
    // The word last taken is forgotten with the old pair.
    SearchKey(VK_RETURN);
    ClickAt(1);
    EXPECT_EQ(asFrench.substr(0, 8), Search());
    ASSERT_TRUE(LoadTranslateText(L"text.txt"));
    EXPECT_EQ(L"\u03ba\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1 \u03ba\u03cc\u03c3\u03bc\u03b5", Text());
    ClickAt(11);
    EXPECT_EQ(L"\u03ba\u03cc\u03c3\u03bc\u03b5", Source(0));
    Screenshot(L"translate-greek");
    PutOnClipboard("\xea\xfc\xf3\xec\xe5");
    Paste();
    EXPECT_EQ(L"\u03ba\u03cc\u03c3\u03bc\u03b5", Text());

    // A word book that can't be opened changes nothing here.
    ASSERT_TRUE(DeleteFileW(L"books\\francais_english.wb"));
    SendMessageW(w_, WM_COMMAND, CmdFirstPair, 0);
    EXPECT_STREQ(L"ellinika", CurrentPair()->sourceName);
    EXPECT_EQ(L"\u03ba\u03cc\u03c3\u03bc\u03b5", Source(0));
}

// Greek (code page 1253) to English: the word at the caret goes in as its
// book holds it, once; a schedule longer than the list gives it no stray box.
TEST_F(TranslateWindow, AddsTheWordAtTheCaretToThePracticeListOnce)
{
    WriteBytes(L"DICT.INI", "[Selected]\nellinika_english.wb\n\n[Languages]\nellinika,greek,161,ellinika\n\n");
    const std::wstring love = L"\u03b1\u03b3\u03ac\u03c0\u03b7", world = L"\u03ba\u03cc\u03c3\u03bc\u03b5";
    WriteWordBook(L"books\\ellinika_english.wb", {{love, L"love"}, {world, L"world"}}, {}, 1253, 1252);
    ASSERT_NO_FATAL_FAILURE(StartWithBookAndList({}, {}));
    Open();
    const std::wstring list = PairListPath(CurrentPair(), g_session.listName), schedule = SchedulePath(list);
    ASSERT_TRUE(WriteSchedule(schedule, {{4, Today() + 8}, {5, Today() + 16}}));
    WriteBytes(L"text.txt", "\xe1\xe3\xdc\xf0\xe7 \xea\xfc\xf3\xec\xe5 oiseau");
    ASSERT_TRUE(LoadTranslateText(L"text.txt"));
    const std::string book = ReadBytes(L"books\\ellinika_english.wb");
    // menu: 1 the menu key at the caret, 2 a right click on the word.
    const struct { int caret, menu, record; std::wstring status; } cases[] = {
        {1, 1, 0, FillIn(Str(Txt_AddToListAdded), {love, L"words"})},
        {3, 0, -1, FillIn(Str(Txt_AddToListAlready), {love, L"words"})},
        {5, 0, -1, Str(Txt_AddToListNoWord)},  // the space after a word
        {13, 0, -1, FillIn(Str(Txt_AddToListNotInBook), {L"oiseau"})},
        {8, 2, 1, FillIn(Str(Txt_AddToListAdded), {world, L"words"})},  // caret still on "oiseau"
    };
    std::string expected;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caret);
        HWND text = Item(TranslateText);
        if (c.menu == 2) {  // a right click on the word
            LRESULT at = SendMessageW(text, EM_POSFROMCHAR, c.caret, 0);
            LPARAM on = MAKELPARAM(LOWORD(at) + 2, HIWORD(at) + 2);
            SendMessageW(text, WM_RBUTTONDOWN, MK_RBUTTON, on);
            SendMessageW(text, WM_RBUTTONUP, 0, on);
            PumpMessages(200);
        } else {
            ClickAt(c.caret);
        }
        if (c.menu) {  // the item's access key, waiting for the menu
            PostMessageW(text, WM_CHAR, L'a', 1);
            PostMessageW(text, WM_KEYDOWN, VK_ESCAPE, 1);
            SendMessageW(text, WM_CONTEXTMENU, 0, MAKELPARAM(5, 5));
        } else {
            PressCtrlKey(Item(TranslateText), 'L');
        }
        if (c.record >= 0)
            expected += book.substr(c.record * sizeof(WordRecord), sizeof(WordRecord));
        EXPECT_EQ(expected, ReadBytes(list));
        EXPECT_EQ(c.status, TextOf(TranslateStatus));
    }
    Screenshot(L"translate-addtolist");
    EXPECT_EQ("", ReadBytes(schedule));  // both words new, in box 1
    EXPECT_TRUE(capture_.messages().empty());
}

} // namespace
