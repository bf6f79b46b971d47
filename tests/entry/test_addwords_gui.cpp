#include "entry/addwords.h"
#include "entry/picker.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/catalogue.h"
#include "core/fileutil.h"
#include "core/report.h"
#include "core/records.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <algorithm>
#include <cstring>

namespace {

const wchar_t* const kForward = L"books\\english_nederlands.wb";
const wchar_t* const kMirror = L"books\\nederlands_english.wb";
const wchar_t* const kJournal = L"new\\english_nederlands.wb";

const WordPairs kEnglish = {{L"cat", L"kat"}, {L"hello", L"hallo"}, {L"house", L"huis, woning"}, {L"summer", L"zomer"}};
const WordPairs kDutch = {
    {L"hallo", L"hello"}, {L"huis", L"house"}, {L"kat", L"cat"}, {L"woning", L"house"}, {L"zomer", L"summer"}};

std::string Catalogue(const char* selected)
{
    return std::string("# Wordbook catalogue\n\n[Addnew]\n\n[Selected]\n") + selected +
           "\n\n[Languages]\nnederlands,dutch,0,nederlands\ngreek,greek,161\n\n# --- EOF\n";
}

// A word book whose languages write in other code pages than 1252.
void WriteBook(const std::wstring& path, const WordPairs& words, int sourceCodePage, int targetCodePage)
{
    std::string bytes;
    for (const auto& [word, translation] : words) {
        WideRecord wide{};
        wcsncpy(wide.source, word.c_str(), kSourceChars - 1);
        wcsncpy(wide.translation, translation.c_str(), kTranslationChars - 1);
        WordRecord raw;
        BuildWordRecord(wide, sourceCodePage, targetCodePage, &raw);
        bytes.append(reinterpret_cast<const char*>(&raw), sizeof raw);
    }
    WriteBytes(path, bytes);
}

WordPairs ReadBook(const std::wstring& path, int sourceCodePage, int targetCodePage)
{
    std::string bytes = ReadBytes(path);
    WordPairs words;
    for (size_t at = 0; at + sizeof(WordRecord) <= bytes.size(); at += sizeof(WordRecord)) {
        WordRecord raw;
        memcpy(&raw, bytes.data() + at, sizeof raw);
        WideRecord wide;
        ParseWordRecord(raw, sourceCodePage, targetCodePage, &wide);
        words.emplace_back(wide.source, wide.translation);
    }
    return words;
}

WordPairs With(WordPairs words, const WordPairs& more)
{
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

class AddWindow : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        WriteBytes(L"DICT.INI", Catalogue("english_nederlands.wb"));
        CopyFileW(BuildPath(L"tables/nederlands.stb").c_str(), L"tables\\nederlands.stb", FALSE);
        WriteWordBook(kForward, kEnglish);
        WriteWordBook(kMirror, kDutch);
    }
    void TearDown() override
    {
        if (HWND add = FindWindowW(L"toevoeg", nullptr))
            DestroyWindow(add);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // Starts the program and opens the window as the main window's add command does.
    void Open(int addToList = 0)
    {
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(""));
        g_settings.addNewWordsToList = addToList;
        ShowWindow(g_mainWindow, SW_SHOW);
        SendMessageW(g_mainWindow, WM_COMMAND, CmdAdd, 0);
        PumpMessages();
        w_ = FindWindowW(L"toevoeg", nullptr);
        ASSERT_NE(nullptr, w_);
    }
    HWND Item(int id) { return GetDlgItem(w_, id); }
    HWND WordField() { return Item(AddIdWord); }
    HWND TranslationField() { return Item(AddIdTranslation); }
    std::wstring Text(HWND field)
    {
        wchar_t text[128] = L"";
        GetWindowTextW(field, text, 128);
        return text;
    }
    // Types as the keyboard would: each character, then the key's release.
    void Type(HWND field, const std::wstring& text)
    {
        for (wchar_t c : text) {
            SendMessageW(field, WM_CHAR, c, 1);
            SHORT vk = VkKeyScanW(c);
            SendMessageW(field, WM_KEYUP, vk == -1 ? 'X' : LOBYTE(vk), 0xC0000001);
        }
    }
    // Enter goes down in the field; its release reaches whichever field has the focus then.
    void Enter(HWND field)
    {
        SendMessageW(field, WM_KEYDOWN, VK_RETURN, 1);
        SendMessageW(field, WM_CHAR, VK_RETURN, 1);
        if (HWND focus = GetFocus())
            SendMessageW(focus, WM_KEYUP, VK_RETURN, 0xC0000001);
    }
    // A word and its translations entered and stored.
    void Store(const std::wstring& word, const std::wstring& translations)
    {
        SetWindowTextW(WordField(), word.c_str());
        Enter(WordField());
        SetWindowTextW(TranslationField(), translations.c_str());
        Enter(TranslationField());
    }
    void Menu(int id) { SendMessageW(w_, WM_COMMAND, id, 0); }
    bool MenuChecked(int id) { return GetMenuState(GetMenu(w_), id, MF_BYCOMMAND) & MF_CHECKED; }
    void Close()
    {
        SendMessageW(w_, WM_COMMAND, MAKEWPARAM(AddIdDone, BN_CLICKED), reinterpret_cast<LPARAM>(Item(AddIdDone)));
        PumpMessages();
    }
    size_t CountMessages(StringId text)
    {
        size_t n = 0;
        for (const CapturedMessage& m : capture_.messages())
            n += m.text == Str(text);
        return n;
    }
    HWND w_ = nullptr;
    MessageCapture capture_;
};

TEST(TranslationList, ItemsAreTrimmedJoinedAndNeverCut)
{
    EXPECT_EQ(L"a, b, c", NormaliseTranslationList(L" a ,b,, c "));
    EXPECT_EQ(L"", NormaliseTranslationList(L","));
    EXPECT_EQ(L"", NormaliseTranslationList(L" , ,"));
    EXPECT_EQ(L"\tx, y z", NormaliseTranslationList(L"\tx,  y z  "));  // only blanks are trimmed
    // Compact input grows by the blanks after the commas; no item is left out.
    EXPECT_EQ(L"aaaaaaaaa, bbbbbbbbb, ccccccccc, ddddddddd, eeeeeeeee",
              NormaliseTranslationList(L"aaaaaaaaa,bbbbbbbbb,ccccccccc,ddddddddd,eeeeeeeee"));
    std::wstring fifty = std::wstring(24, L'x') + L", " + std::wstring(24, L'y');
    EXPECT_EQ(fifty, NormaliseTranslationList(std::wstring(24, L'x') + L"," + std::wstring(24, L'y')));
}

TEST_F(AddWindow, OpensInPlaceOfTheMainWindowAndGivesItBack)
{
    std::string forward = ReadBytes(kForward), mirror = ReadBytes(kMirror);
    Open(1);
    EXPECT_FALSE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(1, g_windowOpen);
    RECT rc;
    GetWindowRect(w_, &rc);
    EXPECT_EQ(630, rc.right - rc.left);
    EXPECT_EQ(205 + g_captionHeight + g_menuHeight, rc.bottom - rc.top);
    EXPECT_EQ(Str(Txt_AddCaption), Text(w_));
    EXPECT_EQ(WordField(), GetFocus());
    DWORD attributes = GetFileAttributesW(L"new");
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(MenuChecked(AddIdOptionList));
    EXPECT_TRUE(MenuChecked(AddIdPickerHide));
    Menu(AddIdOptionList);
    EXPECT_FALSE(MenuChecked(AddIdOptionList));
    EXPECT_EQ(0, g_settings.addNewWordsToList);
    Menu(AddIdOptionList);
    EXPECT_EQ(1, g_settings.addNewWordsToList);

    Type(WordField(), L"house");
    EXPECT_EQ(L"huis, woning", Text(TranslationField()));
    Enter(WordField());
    EXPECT_EQ(TranslationField(), GetFocus());
    PumpMessages();
    SaveScreenshot(w_, L"addwords");
    // Coming back to the window brings the focus back to the field last used.
    SetFocus(Item(AddIdDone));
    SendMessageW(w_, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(TranslationField(), GetFocus());

    MoveWindow(w_, 33, 44, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    Close();
    EXPECT_EQ(nullptr, FindWindowW(L"toevoeg", nullptr));
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(0, g_windowOpen);
    EXPECT_EQ(33, g_settings.windowPos[PosAdd].x);
    EXPECT_EQ(44, g_settings.windowPos[PosAdd].y);
    EXPECT_EQ(forward, ReadBytes(kForward));
    EXPECT_EQ(mirror, ReadBytes(kMirror));
    EXPECT_FALSE(FileExists(kJournal));
    EXPECT_TRUE(capture_.messages().empty());

    // The next window opens where this one was.
    SendMessageW(g_mainWindow, WM_COMMAND, CmdAdd, 0);
    w_ = FindWindowW(L"toevoeg", nullptr);
    ASSERT_NE(nullptr, w_);
    GetWindowRect(w_, &rc);
    EXPECT_EQ(33, rc.left);
    EXPECT_EQ(44, rc.top);
    EXPECT_TRUE(MenuChecked(AddIdOptionList));
    SendMessageW(w_, WM_CLOSE, 0, 0);
}

TEST_F(AddWindow, ExtendingAnEntryRewritesItAsTypedAndAddsOnlyTheNewReverseEntry)
{
    Open();
    Type(WordField(), L"house");
    EXPECT_EQ(L"huis, woning", Text(TranslationField()));
    SetWindowTextW(WordField(), L"");
    Type(WordField(), L"HOUSE");
    EXPECT_EQ(L"huis, woning", Text(TranslationField()));
    Enter(WordField());
    ASSERT_EQ(TranslationField(), GetFocus());
    Type(TranslationField(), L", pand");  // the caret stands at the end
    EXPECT_EQ(L"huis, woning, pand", Text(TranslationField()));
    Enter(TranslationField());
    EXPECT_EQ(L"", Text(WordField()));
    EXPECT_EQ(L"", Text(TranslationField()));
    EXPECT_EQ(WordField(), GetFocus());

    WordPairs forward = kEnglish;
    forward[2] = {L"HOUSE", L"huis, woning, pand"};
    EXPECT_EQ(forward, ReadWordBook(kForward));
    EXPECT_EQ(With(kDutch, {{L"pand", L"HOUSE"}}), ReadWordBook(kMirror));
    EXPECT_FALSE(FileExists(kJournal));  // no new source word

    Close();
    EXPECT_EQ(forward, ReadWordBook(kForward));
    EXPECT_EQ(WordPairs({{L"hallo", L"hello"},
                         {L"huis", L"house"},
                         {L"kat", L"cat"},
                         {L"pand", L"HOUSE"},
                         {L"woning", L"house"},
                         {L"zomer", L"summer"}}),
              ReadWordBook(kMirror));
    EXPECT_TRUE(capture_.messages().empty());
}

TEST_F(AddWindow, OnlyTheLettersAToZFoldSoAnAccentedCapitalMakesANewWord)
{
    WriteWordBook(kForward, {{L"\u00c9t\u00e9", L"zomer"}});
    Open();
    SetWindowTextW(TranslationField(), L"stale");
    Type(WordField(), L"\u00e9t\u00e9");
    EXPECT_EQ(L"", Text(TranslationField()));
    SetWindowTextW(WordField(), L"");
    Type(WordField(), L"\u00c9T\u00e9");  // folds to the stored word
    EXPECT_EQ(L"zomer", Text(TranslationField()));
    Store(L"\u00e9t\u00e9", L"zomer");
    EXPECT_EQ(WordPairs({{L"\u00c9t\u00e9", L"zomer"}, {L"\u00e9t\u00e9", L"zomer"}}), ReadWordBook(kForward));
    WordPairs mirror = kDutch;
    mirror[4].second = L"summer, \u00e9t\u00e9";
    EXPECT_EQ(mirror, ReadWordBook(kMirror));
}

TEST_F(AddWindow, RecordsAddedMeanwhileAreInvisibleSoTheSameNewWordTwiceGivesTwoRecords)
{
    Open();
    Store(L"tree", L"boom");
    Type(WordField(), L"tree");
    EXPECT_EQ(L"", Text(TranslationField()));
    SetWindowTextW(WordField(), L"");
    Store(L"tree", L"boom");
    EXPECT_EQ(With(kEnglish, {{L"tree", L"boom"}, {L"tree", L"boom"}}), ReadWordBook(kForward));
    EXPECT_EQ(With(kDutch, {{L"boom", L"tree"}, {L"boom", L"tree"}}), ReadWordBook(kMirror));
    EXPECT_EQ(WordPairs({{L"tree", L"boom"}, {L"tree", L"boom"}}), ReadWordBook(kJournal));
}

TEST_F(AddWindow, TranslationsAreStoredTidyAndEmptyOnesStoreNothing)
{
    Open();
    Store(L"  word ", L" a ,b,, c ");
    EXPECT_EQ(With(kEnglish, {{L"word", L"a, b, c"}}), ReadWordBook(kForward));
    EXPECT_EQ(With(kDutch, {{L"a", L"word"}, {L"b", L"word"}, {L"c", L"word"}}), ReadWordBook(kMirror));

    std::string forward = ReadBytes(kForward), mirror = ReadBytes(kMirror);
    Store(L"x", L",");
    EXPECT_EQ(L"", Text(WordField()));
    EXPECT_EQ(L"", Text(TranslationField()));
    Store(L"y", L" , , ");
    EXPECT_EQ(L"", Text(WordField()));
    EXPECT_EQ(L"", Text(TranslationField()));
    // A translation of blanks is emptied; the word waits for another.
    Store(L"z", L"   ");
    EXPECT_EQ(L"z", Text(WordField()));
    EXPECT_EQ(L"", Text(TranslationField()));
    EXPECT_EQ(forward, ReadBytes(kForward));
    EXPECT_EQ(mirror, ReadBytes(kMirror));

    // A word of blanks empties the field and keeps the focus there.
    SetFocus(WordField());
    SetWindowTextW(WordField(), L"   ");
    Enter(WordField());
    EXPECT_EQ(L"", Text(WordField()));
    EXPECT_EQ(WordField(), GetFocus());

    // Typed without blanks, the list would outgrow the record: refused whole
    // and kept for shortening, never stored with items left out.
    capture_.clear();
    const std::wstring compact = L"aaaaaaaaa,bbbbbbbbb,ccccccccc,ddddddddd,eeeeeeeee";
    Store(L"many", compact);
    ASSERT_EQ(1u, capture_.messages().size());
    EXPECT_EQ(FillIn(Str(Txt_AddTranslationTooLong), {L"53", L"nederlands", L"50"}), capture_.messages()[0].text);
    EXPECT_EQ(compact, Text(TranslationField()));
    EXPECT_EQ(forward, ReadBytes(kForward));
    EXPECT_EQ(mirror, ReadBytes(kMirror));
}

TEST_F(AddWindow, LongItemsGetNoReverseEntryAndReverseListsStayWithinFiftyCharacters)
{
    const std::wstring twenty = L"twenty characters ok";
    ASSERT_EQ(20u, twenty.size());
    WriteWordBook(kMirror, With({{L"aap", twenty}, {L"beer", twenty}}, kDutch));
    Open();
    std::wstring item31(31, L'q'), item30(30, L'r');
    Store(L"long", L"kort, " + item31);
    Store(L"longer", item30);
    const std::wstring word28 = L"abcdefghijklmnopqrstuvwxyzab", word29 = word28 + L"c";
    Store(word28, L"aap");  // 20 + 2 + 28 = 50: fits
    Store(word29, L"beer");  // 51: left as it is

    WordPairs forward = ReadWordBook(kForward);
    ASSERT_EQ(kEnglish.size() + 4, forward.size());
    EXPECT_EQ(L"kort, " + item31, forward[4].second);
    WordPairs reverse = ReadWordBook(kMirror);
    EXPECT_EQ(With(With({{L"aap", twenty + L", " + word28}, {L"beer", twenty}}, kDutch),
                   {{L"kort", L"long"}, {item30, L"longer"}}),
              reverse);
    EXPECT_EQ(50u, reverse[0].second.size());
}

TEST_F(AddWindow, AnEmptyWordBookHoldsNoWord)
{
    WriteBytes(kForward, "");
    Open();
    SetWindowTextW(TranslationField(), L"stale");
    Type(WordField(), L"cat");
    EXPECT_EQ(L"", Text(TranslationField()));
    SetWindowTextW(WordField(), L"");
    Store(L"zebra", L"zebra");
    Store(L"apple", L"appel");
    EXPECT_EQ(WordPairs({{L"zebra", L"zebra"}, {L"apple", L"appel"}}), ReadWordBook(kForward));
    Close();
    EXPECT_EQ(WordPairs({{L"apple", L"appel"}, {L"zebra", L"zebra"}}), ReadWordBook(kForward));
}

TEST_F(AddWindow, ClosingSortsBothBooksAndTheJournalHoldsTheNewWordsOnly)
{
    Open();
    Store(L"tree", L"boom");
    Store(L"HOUSE", L"huis, pand");
    Store(L"apple", L"appel, kat");
    Close();
    EXPECT_EQ(WordPairs({{L"apple", L"appel, kat"},
                         {L"cat", L"kat"},
                         {L"hello", L"hallo"},
                         {L"HOUSE", L"huis, pand"},
                         {L"summer", L"zomer"},
                         {L"tree", L"boom"}}),
              ReadWordBook(kForward));
    EXPECT_EQ(WordPairs({{L"appel", L"apple"},
                         {L"boom", L"tree"},
                         {L"hallo", L"hello"},
                         {L"huis", L"house"},
                         {L"kat", L"cat, apple"},
                         {L"pand", L"HOUSE"},
                         {L"woning", L"house"},
                         {L"zomer", L"summer"}}),
              ReadWordBook(kMirror));
    EXPECT_EQ(WordPairs({{L"tree", L"boom"}, {L"apple", L"appel, kat"}}), ReadWordBook(kJournal));
    EXPECT_TRUE(capture_.messages().empty());
}

TEST_F(AddWindow, ClosingAfterOnlyEditsSortsNothing)
{
    // A sort would drop the records marked deleted.
    WriteWordBook(kForward, With(kEnglish, {{L"zoo", L"dierentuin"}}), {0, 0, 0, 0, 1});
    WriteWordBook(kMirror, With(kDutch, {{L"zwaan", L"swan"}}), {0, 0, 0, 0, 0, 1});
    Open();
    Store(L"house", L"woning, huis");
    Store(L"cat", L"kat");
    std::string forward = ReadBytes(kForward), mirror = ReadBytes(kMirror);
    EXPECT_EQ(L"woning, huis", ReadWordBook(kForward)[2].second);
    Close();
    EXPECT_EQ(forward, ReadBytes(kForward));
    EXPECT_EQ(mirror, ReadBytes(kMirror));
    EXPECT_EQ(5u * kRecordSize, forward.size());
}

TEST_F(AddWindow, NewEntriesGoToTheChosenPracticeListsOfBothDirections)
{
    MakeDir(L"lists\\animals");
    MakeDir(L"lists\\verbs");
    SetSetting(L"PracticeList", L"verbs");
    const std::wstring forwardList = L"lists\\verbs\\english_nederlands.ls";
    const std::wstring mirrorList = L"lists\\verbs\\nederlands_english.ls";
    Open(1);
    Store(L"tree", L"boom, huis");  // huis gets tree among its translations: not a new entry
    Store(L"cat", L"kat, poes");    // an existing word: only poes is new
    EXPECT_EQ(WordPairs({{L"tree", L"boom, huis"}}), ReadWordBook(forwardList));
    EXPECT_EQ(WordPairs({{L"boom", L"tree"}, {L"poes", L"cat"}}), ReadWordBook(mirrorList));
    EXPECT_FALSE(FileExists(L"lists\\animals\\english_nederlands.ls"));
    EXPECT_FALSE(FileExists(L"lists\\animals\\nederlands_english.ls"));

    Menu(AddIdOptionList);
    Store(L"apple", L"appel");
    EXPECT_EQ(1u, ReadWordBook(forwardList).size());
    EXPECT_EQ(2u, ReadWordBook(mirrorList).size());
    EXPECT_EQ(L"appel", ReadWordBook(kMirror).back().first);
}

TEST_F(AddWindow, WithoutAChosenListTheFirstOneIsUsedAndWithoutAnyTheWordsAreStoredAllTheSame)
{
    Open(1);
    Store(L"tree", L"boom");
    EXPECT_EQ(With(kEnglish, {{L"tree", L"boom"}}), ReadWordBook(kForward));
    EXPECT_EQ(With(kDutch, {{L"boom", L"tree"}}), ReadWordBook(kMirror));
    EXPECT_TRUE(FilesIn(L"lists").empty());

    MakeDir(L"lists\\first");
    Store(L"apple", L"appel");
    EXPECT_EQ(WordPairs({{L"apple", L"appel"}}), ReadWordBook(L"lists\\first\\english_nederlands.ls"));
    EXPECT_EQ(WordPairs({{L"appel", L"apple"}}), ReadWordBook(L"lists\\first\\nederlands_english.ls"));
    EXPECT_TRUE(capture_.messages().empty());
}

TEST_F(AddWindow, AWordWithACommaIsRefusedAndTheTranslationFieldCannotBeEntered)
{
    std::string forward = ReadBytes(kForward), mirror = ReadBytes(kMirror);
    Open();
    Type(WordField(), L"a,");
    ASSERT_EQ(1u, capture_.messages().size());
    EXPECT_EQ(Str(Txt_AddNocomma), capture_.messages()[0].text);
    EXPECT_EQ(Str(Txt_Error), capture_.messages()[0].caption);
    EXPECT_TRUE(capture_.messages()[0].type & MB_ICONWARNING);
    capture_.clear();

    Enter(WordField());
    EXPECT_EQ(1u, CountMessages(Txt_AddNocomma));
    EXPECT_EQ(WordField(), GetFocus());
    capture_.clear();

    SetFocus(TranslationField());
    EXPECT_EQ(1u, CountMessages(Txt_AddNocomma));
    EXPECT_EQ(WordField(), GetFocus());
    capture_.clear();

    // Put there without a key: caught all the same.
    SetWindowTextW(WordField(), L"x,y");
    SetFocus(TranslationField());
    EXPECT_EQ(WordField(), GetFocus());
    SetWindowTextW(TranslationField(), L"iets");
    Enter(TranslationField());
    EXPECT_EQ(2u, CountMessages(Txt_AddNocomma));
    EXPECT_EQ(L"x,y", Text(WordField()));
    EXPECT_EQ(forward, ReadBytes(kForward));
    EXPECT_EQ(mirror, ReadBytes(kMirror));
}

TEST_F(AddWindow, AMissingOppositeBookIsSaidOnceAndTheWordsGoOneWay)
{
    DeleteFileW(kMirror);
    Open();
    EXPECT_TRUE(capture_.messages().empty());
    Store(L"tree", L"boom");
    Store(L"apple", L"appel");
    ASSERT_EQ(1u, capture_.messages().size());
    EXPECT_EQ(Str(Txt_AddNoMirror), capture_.messages()[0].text);
    EXPECT_EQ(Str(Txt_Dictionary), capture_.messages()[0].caption);
    EXPECT_TRUE(capture_.messages()[0].type & MB_ICONWARNING);
    EXPECT_EQ(With(kEnglish, {{L"tree", L"boom"}, {L"apple", L"appel"}}), ReadWordBook(kForward));
    EXPECT_FALSE(FileExists(kMirror));
    Close();
    EXPECT_EQ(1u, capture_.messages().size());  // no failed sort either
    EXPECT_EQ(L"apple", ReadWordBook(kForward)[0].first);
    EXPECT_FALSE(FileExists(kMirror));
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
}

// Without tables both books go by their languages' collation, which the
// runtime holds for the whole process: Swedish puts \u00e4 after z, English next to a.
TEST_F(AddWindow, EachBookIsSearchedInTheOrderOfItsOwnLanguage)
{
    WriteBytes(L"DICT.INI", "[Selected]\nenglish_svenska.wb\n\n[Languages]\nsvenska,swedish,0,svenska\n\n");
    DeleteFileW(L"tables\\english.stb");
    WriteWordBook(L"books\\english_svenska.wb", {{L"\u00e4b", L"eb"}, {L"apa", L"apa"}, {L"zoo", L"djurpark"}});
    WriteWordBook(L"books\\svenska_english.wb", {{L"apa", L"ape"}, {L"zebra", L"zebra"}, {L"\u00e4rm", L"arm"}});
    Open();
    Store(L"sleeve", L"\u00e4rm");
    EXPECT_EQ(WordPairs({{L"apa", L"ape"}, {L"zebra", L"zebra"}, {L"\u00e4rm", L"arm, sleeve"}}),
              ReadWordBook(L"books\\svenska_english.wb"));
    // ...and afterwards the window's own language orders the lookups again.
    Type(WordField(), L"\u00e4b");
    EXPECT_EQ(L"eb", Text(TranslationField()));
}

// The target language writes in code page 1253: each book and the journal
// keep each language in its own code page.
TEST_F(AddWindow, EachLanguageIsWrittenInItsOwnCodePageAndThePickerFollowsTheField)
{
    WriteBytes(L"DICT.INI", Catalogue("eng_gre.wb"));
    const std::wstring cat = L"\u03b3\u03ac\u03c4\u03b1", house = L"\u03c3\u03c0\u03af\u03c4\u03b9";
    WriteBook(L"books\\eng_gre.wb", {{L"cat", cat}}, 1252, 1253);
    // Greek words compared as English ones would lose their letters.
    const WordPairs greek = {{L"\u03b1", L"a"}, {L"\u03b2\u03b2\u03b2\u03b2\u03b2", L"bbbbb"}, {cat, L"cat"}};
    WriteBook(L"books\\gre_eng.wb", greek, 1253, 1252);
    MakeDir(L"charset");
    WriteBytes(L"charset\\greek.chs", "\xe1\xe2\n");
    Open();

    Menu(AddIdPickerShow);
    EXPECT_TRUE(MenuChecked(AddIdPickerShow));
    EXPECT_FALSE(MenuChecked(AddIdPickerHide));
    ASSERT_NE(nullptr, FindWindowW(L"tekenset", nullptr));
    EXPECT_EQ(L"english", g_picker.language);
    SetWindowTextW(WordField(), L"house");
    Enter(WordField());
    EXPECT_EQ(TranslationField(), GetFocus());
    EXPECT_EQ(161, g_picker.charset);
    EXPECT_EQ(L"greek", g_picker.language);
    HWND picker = FindWindowW(L"tekenset", nullptr);
    ASSERT_NE(nullptr, picker);
    EXPECT_EQ(TranslationField(), g_picker.target);
    SendMessageW(picker, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(picker, 1)));
    EXPECT_EQ(L"\u03b2", Text(TranslationField()));

    SetWindowTextW(TranslationField(), (house + L", " + cat).c_str());
    Enter(TranslationField());
    EXPECT_EQ(L"english", g_picker.language);  // back in the word field
    Menu(AddIdPickerHide);
    EXPECT_EQ(nullptr, FindWindowW(L"tekenset", nullptr));
    Close();
    EXPECT_EQ(WordPairs({{L"cat", cat}, {L"house", house + L", " + cat}}), ReadBook(L"books\\eng_gre.wb", 1252, 1253));
    EXPECT_EQ(WordPairs({greek[0], greek[1], {cat, L"cat, house"}, {house, L"house"}}),
              ReadBook(L"books\\gre_eng.wb", 1253, 1252));
    EXPECT_EQ(WordPairs({{L"house", house + L", " + cat}}), ReadBook(L"new\\english_greek.wb", 1252, 1253));
    EXPECT_TRUE(capture_.messages().empty());
}

// A store of a new word writes five records: the word book, the journal, the
// list, the opposite book and its list, each a write and a flush. Each step
// fails in turn, then the disk fills up at every point of the store: each file
// keeps its bytes or gains one whole record, the user hears which file failed,
// and the next store works.
TEST_F(AddWindow, EveryFailingWriteOfAStoreKeepsEachFileWholeAndSaysWhichFailed)
{
    MakeDir(L"lists\\verbs");
    SetSetting(L"PracticeList", L"verbs");
    const std::vector<std::wstring> files = {kForward, kJournal, L"lists\\verbs\\english_nederlands.ls", kMirror,
                                             L"lists\\verbs\\nederlands_english.ls"};
    Open(1);
    Store(L"first", L"eerste");  // every file exists from here on
    std::vector<std::wstring> stored;
    auto after0Grew = [&](const std::string& old) { return ReadBytes(files[0]).size() > old.size(); };
    auto run = [&](int round, long failAt, long long diskFullAt) {
        std::vector<std::string> before;
        for (const std::wstring& f : files)
            before.push_back(ReadBytes(f));
        size_t boxes = capture_.messages().size();
        const std::wstring word = L"word" + std::to_wstring(round), translation = L"woord" + std::to_wstring(round);
        InjectFileFault(failAt, diskFullAt);
        Store(word, translation);
        long steps = FileStepsTaken();
        InjectFileFault(0);
        int failed = -1;  // the file whose write failed
        for (size_t i = 0; i < files.size(); ++i) {
            std::string after = ReadBytes(files[i]);
            EXPECT_EQ(0u, after.size() % sizeof(WordRecord)) << round << " " << i;
            EXPECT_EQ(before[i], after.substr(0, before[i].size())) << round << " " << i;
            if (after != before[i]) {
                EXPECT_EQ(before[i].size() + sizeof(WordRecord), after.size()) << round << " " << i;
            } else if (failed < 0) {
                failed = static_cast<int>(i);
            }
        }
        for (const wchar_t* dir : {L"books", L"new", L"lists\\verbs"})
            for (const std::wstring& name : FilesIn(dir))
                EXPECT_EQ(std::wstring::npos, name.find(L".new")) << round;
        if (after0Grew(before[0]))
            stored.push_back(word);
        if (failed < 0) {
            EXPECT_EQ(boxes, capture_.messages().size()) << round;
            return false;
        }
        EXPECT_LE(failAt > 0 ? failAt : 1, steps) << round;
        EXPECT_EQ(boxes + 1, capture_.messages().size()) << round;
        if (capture_.messages().size() > boxes) {
            EXPECT_NE(std::wstring::npos, capture_.messages().back().text.find(files[failed])) << round;
        }
        // Nothing of a word the book did not take is kept anywhere, and it can be stored again.
        if (failed == 0) {
            for (size_t i = 1; i < files.size(); ++i)
                EXPECT_EQ(before[i], ReadBytes(files[i])) << round << " " << i;
            EXPECT_EQ(word, Text(WordField())) << round;
            EXPECT_EQ(translation, Text(TranslationField())) << round;
        }
        return true;
    };
    int round = 0;
    long failAt = 1;
    while (run(++round, failAt, -1))
        ++failAt;
    EXPECT_EQ(11, failAt) << "five records, each a write and a flush";
    for (long long full : {0LL, 1LL, 83LL, 84LL, 2 * 84 + 5LL, 4 * 84 + 83LL})
        EXPECT_TRUE(run(++round, 0, full)) << full;
    EXPECT_FALSE(run(++round, 0, 5 * 84));

    // Closing sorts in exactly the words the book took, none torn or doubled.
    Close();
    std::vector<std::wstring> words;
    for (const auto& [word, translation] : ReadWordBook(kForward))
        if (word.rfind(L"word", 0) == 0)
            words.push_back(word);
    std::sort(stored.begin(), stored.end());
    std::sort(words.begin(), words.end());
    EXPECT_EQ(stored, words);
}

// A pair whose foreign language writes in code page 932, two bytes a kanji:
// the record's 30 and 50 bytes hold 15 and 25 of them.
const wchar_t* const kEnglishJapanese = L"books\\eng_nih.wb";
const wchar_t* const kJapaneseEnglish = L"books\\nih_eng.wb";
std::wstring Kanji(size_t n) { return std::wstring(n, L'\u732b'); }

class AddJapanese : public AddWindow {
protected:
    void SetUp() override
    {
        AddWindow::SetUp();
        WriteBytes(L"DICT.INI", "[Selected]\neng_nih.wb\n\n[Languages]\nnihongo,japanese,128\n\n");
        WriteBook(kEnglishJapanese, {{L"cat", Kanji(20)}, {L"dog", Kanji(18)}}, 1252, 932);
        WriteBook(kJapaneseEnglish, {{Kanji(1), L"cat"}}, 932, 1252);
    }
    // The add window on the word book's pair, chosen in the main window.
    void OpenOn(const std::wstring& book)
    {
        auto current = [] { return L"books\\" + std::wstring(PairWordBookFile(CurrentPair())); };
        if (!w_)
            Open();
        if (current() == book)
            return;
        Close();
        for (const auto& pair : g_catalogue.entries)
            if (L"books\\" + std::wstring(PairWordBookFile(pair.get())) == book)
                SendMessageW(g_mainWindow, WM_COMMAND, pair->menuId, 0);
        SendMessageW(g_mainWindow, WM_COMMAND, CmdAdd, 0);
        w_ = FindWindowW(L"toevoeg", nullptr);
        ASSERT_EQ(book, current());
    }
    static WordPairs English() { return ReadBook(kEnglishJapanese, 1252, 932); }
    static WordPairs Japanese() { return ReadBook(kJapaneseEnglish, 932, 1252); }
};

// Text too long in bytes, or with characters its code page lacks, is refused
// naming the field and its limit, and stays in its field; none of it is stored.
TEST_F(AddJapanese, TextThatDoesNotFitItsFieldIsRefusedThereAndKept)
{
    auto said = [](StringId id, std::vector<std::wstring> parts) { return FillIn(Str(id), parts); };
    const std::wstring k12 = Kanji(12), tooLong52 = said(Txt_AddTranslationTooLong, {L"52", L"nihongo", L"50"});
    const struct {
        const wchar_t* book;
        std::wstring word, translation;
        std::wstring refusal;  // empty: stored as it stands
        bool inWordField;
    } cases[] = {
        {kEnglishJapanese, L"owl", k12 + L"," + k12, L"", false},  // 24 + 2 + 24 bytes
        {kEnglishJapanese, L"owl", k12 + L"," + Kanji(13), tooLong52, false},
        {kEnglishJapanese, L"owl", Kanji(26), tooLong52, false},
        {kEnglishJapanese, L"owl", L"caf\u00e9", said(Txt_AddTranslationNotHeld, {L"nihongo"}), false},
        {kEnglishJapanese, Kanji(1), L"x", said(Txt_AddWordNotHeld, {L"english"}), true},
        {kJapaneseEnglish, Kanji(15), L"bird", L"", true},
        {kJapaneseEnglish, Kanji(16), L"bird", said(Txt_AddWordTooLong, {L"32", L"nihongo", L"30"}), true},
        {kJapaneseEnglish, L"\u00e9t\u00e9", L"summer", said(Txt_AddWordNotHeld, {L"nihongo"}), true},
        {kJapaneseEnglish, Kanji(2), Kanji(1), said(Txt_AddTranslationNotHeld, {L"english"}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.word + L" / " + c.translation));
        ASSERT_NO_FATAL_FAILURE(OpenOn(c.book));
        const std::string english = ReadBytes(kEnglishJapanese), japanese = ReadBytes(kJapaneseEnglish);
        capture_.clear();
        SetWindowTextW(WordField(), c.word.c_str());
        SetWindowTextW(TranslationField(), c.translation.c_str());
        SetFocus(TranslationField());
        Enter(TranslationField());
        if (c.refusal.empty()) {
            EXPECT_TRUE(capture_.messages().empty());
            WordPairs book = c.book == kEnglishJapanese ? English() : Japanese();
            EXPECT_EQ(std::make_pair(c.word, NormaliseTranslationList(c.translation)), book.back());
            continue;
        }
        // Enter in the word field refuses a word before the translation is reached.
        if (c.inWordField)
            Enter(WordField());
        ASSERT_EQ(c.inWordField ? 2u : 1u, capture_.messages().size());
        for (const CapturedMessage& m : capture_.messages())
            EXPECT_EQ(c.refusal + Str(Txt_Error), m.text + m.caption);
        EXPECT_EQ(c.inWordField ? WordField() : TranslationField(), GetFocus());
        EXPECT_EQ(c.word + L" / " + c.translation, Text(WordField()) + L" / " + Text(TranslationField()));
        EXPECT_EQ(english + japanese, ReadBytes(kEnglishJapanese) + ReadBytes(kJapaneseEnglish));
    }
}

// Reverse entries are made of exactly what the forward record holds, where
// they fit in bytes: a word of more than 30 gets none, a list that would pass
// 50 stays as it was.
TEST_F(AddJapanese, ReverseEntriesAreMadeOnlyWhereTheyFitInBytes)
{
    const std::tuple<const wchar_t*, std::wstring, std::wstring> stores[] = {
        {kJapaneseEnglish, Kanji(5), L"cat"},    // 40 + 2 + 10 bytes: cat's list stays
        {kJapaneseEnglish, Kanji(6), L"dog"},    // 36 + 2 + 12: exactly 50
        {kEnglishJapanese, L"bird", Kanji(16)},  // 32 bytes: too long for a word
        {kEnglishJapanese, L"fish", Kanji(15)},
    };
    for (const auto& [book, word, translation] : stores) {
        ASSERT_NO_FATAL_FAILURE(OpenOn(book));
        Store(word, translation);
    }
    EXPECT_TRUE(capture_.messages().empty());
    EXPECT_EQ(WordPairs({{L"cat", Kanji(20)}, {L"dog", Kanji(18) + L", " + Kanji(6)}, {L"bird", Kanji(16)},
                         {L"fish", Kanji(15)}}),
              English());
    EXPECT_EQ(WordPairs({{Kanji(1), L"cat"}, {Kanji(5), L"cat"}, {Kanji(6), L"dog"}, {Kanji(15), L"fish"}}),
              Japanese());
}

} // namespace
