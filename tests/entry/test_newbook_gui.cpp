#include "entry/newbook.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "shell/resource.h"
#include "core/catalogue.h"
#include "core/session.h"
#include "core/fileutil.h"
#include "core/report.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"

namespace {

const char kSmallIni[] =
    "# Wordbook catalogue\n\n[Addnew]\n\n[Selected]\nfrancais_english.wb\n\n"
    "[Languages]\nfrancais,french,0,francais\ndeutsch,german,0,deutsch\n\n# --- EOF\n";

std::string IconResource()
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_NEWBOOK_ICON), L"DATA");
    if (!found)
        return "";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(bytes, SizeofResource(module, found));
}

class NewBook : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
    }
    void TearDown() override
    {
        if (HWND w = FindWindowW(L"createnew", nullptr))
            DestroyWindow(w);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    void Start()
    {
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(""));
    }
    void Restart()
    {
        DestroyWindow(g_mainWindow);
        PumpMessages();
        Start();
    }
    // Opens the window from the main window, as its command does.
    void Open()
    {
        if (!g_mainWindow) {
            ASSERT_NO_FATAL_FAILURE(Start());
        }
        ShowWindow(g_mainWindow, SW_SHOW);
        SendMessageW(g_mainWindow, WM_COMMAND, CmdNewBook, 0);
        PumpMessages();
        w_ = FindWindowW(L"createnew", nullptr);
        ASSERT_NE(nullptr, w_);
    }
    HWND NameField() { return GetDlgItem(w_, 30); }
    // The locale list is the first combobox, the character sets the second.
    HWND List(int n)
    {
        HWND list = FindWindowExW(w_, nullptr, L"ComboBox", nullptr);
        return n == 0 ? list : FindWindowExW(w_, list, L"ComboBox", nullptr);
    }
    LRESULT Chosen(int n) { return SendMessageW(List(n), CB_GETCURSEL, 0, 0); }
    LRESULT Find(int n, const wchar_t* text)
    {
        return SendMessageW(List(n), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    }
    void Choose(int n, const wchar_t* text)
    {
        ASSERT_NE(CB_ERR, Find(n, text)) << Narrow(text);
        SendMessageW(List(n), CB_SETCURSEL, Find(n, text), 0);
    }
    void Create(const std::wstring& name, const wchar_t* locale = L"english", const wchar_t* charset = L"ANSI")
    {
        SetWindowTextW(NameField(), name.c_str());
        ASSERT_NO_FATAL_FAILURE(Choose(0, locale));
        ASSERT_NO_FATAL_FAILURE(Choose(1, charset));
        HWND button = GetDlgItem(w_, 18);
        SendMessageW(w_, WM_COMMAND, MAKEWPARAM(18, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        PumpMessages();
    }
    std::wstring OnlyMessage()
    {
        EXPECT_EQ(1u, capture_.messages().size());
        return capture_.messages().empty() ? L"" : capture_.messages().back().text;
    }
    bool Closed() { return FindWindowW(L"createnew", nullptr) == nullptr; }
    HWND w_ = nullptr;
    MessageCapture capture_;
};

TEST_F(NewBook, CreatesTheCatalogueLineTheWordBooksAndTheIcon)
{
    WriteBytes(L"icons\\mywords.ico", "an older icon");
    Open();
    EXPECT_FALSE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(1, g_windowOpen);
    RECT rc;
    GetWindowRect(w_, &rc);
    EXPECT_EQ(265, rc.right - rc.left);
    EXPECT_EQ(220, rc.bottom - rc.top);
    EXPECT_EQ((g_screenWidth - 265) / 2, rc.left);
    EXPECT_EQ(NameField(), GetFocus());
    EXPECT_EQ(Find(0, L"english"), Chosen(0));
    EXPECT_EQ(0, Chosen(1));
    SaveScreenshot(w_, L"newbook");

    Create(L"mywords");
    EXPECT_EQ(Str(Txt_CreateEmptyCreated), OnlyMessage());
    EXPECT_EQ(L"Wordbook", capture_.messages()[0].caption);
    EXPECT_EQ("# Wordbook catalogue\n\n[Addnew]\n\n[Selected]\nfrancais_english.wb\n\n"
              "[Languages]\nfrancais,french,0,francais\ndeutsch,german,0,deutsch\nlongname,english,0,mywords\n\n"
              "# --- EOF\n",
              ReadBytes(L"DICT.INI"));
    EXPECT_EQ("", ReadBytes(L"books\\english_mywords.wb"));
    EXPECT_EQ("", ReadBytes(L"books\\mywords_english.wb"));
    EXPECT_EQ(1078u, IconResource().size());
    EXPECT_EQ(IconResource(), ReadBytes(L"icons\\mywords.ico"));
    EXPECT_FALSE(FileExists(L"tmp.ini"));
    EXPECT_EQ(4u, FilesIn(L"icons").size());  // no temporary file left

    EXPECT_TRUE(Closed());
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(0, g_windowOpen);
}

TEST_F(NewBook, WritesTheChosenCharacterSetsNumberAndAddsAfterEarlierBooks)
{
    Open();
    Create(L"rus", L"russian", L"Cyrillic");
    EXPECT_TRUE(Closed());
    Open();
    Create(L"th", L"thai", L"Thai");
    EXPECT_TRUE(Closed());
    EXPECT_EQ(2u, capture_.messages().size());
    std::string ini = ReadBytes(L"DICT.INI");
    EXPECT_NE(std::string::npos,
              ini.find("deutsch,german,0,deutsch\nlongname,russian,204,rus\nlongname,thai,222,th\n\n# --- EOF\n"))
        << ini;
}

TEST_F(NewBook, RefusesNamesAndWritesNothing)
{
    WriteBytes(L"books\\taken_english.wb", "");
    WriteBytes(L"books\\english_gone.wb", "x");
    const std::wstring bad = Str(Txt_CreateEmptyBadName);
    const struct {
        std::wstring name;
        std::wstring message;
    } cases[] = {
        {L"", Str(Txt_CreateEmptyEnterName)},
        {L"ENGLISH", Str(Txt_CreateEmptyNotAllowed)},
        {L"Francais", std::wstring(L"francais\n\n") + Str(Txt_CreateEmptyExists)},
        {L"DeUtScH", std::wstring(L"deutsch\n\n") + Str(Txt_CreateEmptyExists)},
        {L"my,words", bad},
        {L"a\\b", bad}, {L"a/b", bad}, {L"a:b", bad}, {L"a*b", bad}, {L"a?b", bad},
        {L"a\"b", bad}, {L"a<b", bad}, {L"a>b", bad}, {L"a|b", bad},
        {L" lead", bad}, {L"trail ", bad}, {L"tab\tbed", bad}, {L"Com1", bad},
        {L"\u0440\u0443\u0441\u0441\u043a\u0438\u0439", bad},  // not in the interface's code page
        {L"taken", Str(Txt_CreateEmptyFileExists)},
        // Its icon name would not fit the catalogue's field.
        {std::wstring(96, L'n'), FillIn(Str(Txt_CreateEmptyNameTooLong), {L"95"})},
        {L"gone", Str(Txt_CreateEmptyFileExists)},
    };
    std::string ini = ReadBytes(L"DICT.INI");
    auto books = FilesIn(L"books"), icons = FilesIn(L"icons");
    Open();
    for (const auto& c : cases) {
        capture_.clear();
        SetFocus(List(0));
        Create(c.name);
        EXPECT_EQ(c.message, OnlyMessage()) << Narrow(c.name);
        EXPECT_FALSE(Closed()) << Narrow(c.name);
        EXPECT_EQ(NameField(), GetFocus()) << Narrow(c.name);
    }
    EXPECT_EQ(ini, ReadBytes(L"DICT.INI"));
    EXPECT_EQ(books, FilesIn(L"books"));
    EXPECT_EQ(icons, FilesIn(L"icons"));
    EXPECT_EQ("x", ReadBytes(L"books\\english_gone.wb"));

    capture_.clear();
    HWND cancel = GetDlgItem(w_, 14);
    SendMessageW(w_, WM_COMMAND, MAKEWPARAM(14, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
    EXPECT_TRUE(capture_.messages().empty());
    EXPECT_EQ(ini, ReadBytes(L"DICT.INI"));
}

TEST_F(NewBook, FoldsOnlyTheLettersAToZ)
{
    WriteBytes(L"DICT.INI", "[Languages]\nfrancais,french,0,francais\n\xe9\x63ole,french,0,\xe9\x63ole\n\n");
    Open();
    Create(L"\u00e9COLE");
    EXPECT_EQ(L"\u00e9cole\n\n" + std::wstring(Str(Txt_CreateEmptyExists)), OnlyMessage());
    capture_.clear();
    Create(L"\u00c9cole");
    EXPECT_EQ(Str(Txt_CreateEmptyCreated), OnlyMessage());
    EXPECT_EQ("[Languages]\nfrancais,french,0,francais\n\xe9\x63ole,french,0,\xe9\x63ole\nlongname,english,0,\xc9\x63ole\n\n",
              ReadBytes(L"DICT.INI"));
    EXPECT_TRUE(FileExists(L"books\\\u00c9cole_english.wb"));
}

// How the language section ends decides where the line goes; every other
// byte of the file stays as it was.
TEST_F(NewBook, PutsTheLineWhereTheLanguageSectionEnds)
{
    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        // The section ends the file: the line ends it, with an empty line after.
        {"[Selected]\nfrancais_english.wb\n\n[Languages]\nfrancais,french,0,francais\ndeutsch",
         "[Selected]\nfrancais_english.wb\n\n[Languages]\nfrancais,french,0,francais\ndeutsch\n"
         "longname,english,0,mywords\n\n"},
        {"[Languages]\nfrancais,french,0,francais\n",
         "[Languages]\nfrancais,french,0,francais\nlongname,english,0,mywords\n\n"},
        // A line of one character counts as the closing line and gives way.
        {"[Languages]\nfrancais,french,0,francais\nx\n[Other]\nz\n",
         "[Languages]\nfrancais,french,0,francais\nlongname,english,0,mywords\n\n[Other]\nz\n"},
        // Windows line ends, a Ctrl-Z and a last line without one are kept.
        {"# head\x1a\r\n\r\n[languages]\r\nfrancais,french,0,francais\r\n\r\n[Selected]\r\nfrancais_english.wb",
         "# head\x1a\r\n\r\n[languages]\r\nfrancais,french,0,francais\r\nlongname,english,0,mywords\r\n\r\n"
         "[Selected]\r\nfrancais_english.wb"},
        // A comment ends the section for the catalogue, so the line goes before it.
        {"[Languages]\nfrancais,french,0,francais\n# later\ndeutsch,german,0,deutsch\n\n",
         "[Languages]\nfrancais,french,0,francais\nlongname,english,0,mywords\n\n# later\ndeutsch,german,0,deutsch\n\n"},
        // Only the first language section gets it.
        {"[Languages]\nfrancais,french,0,francais\n\n[Languages]\ndeutsch,german,0,deutsch\n\n",
         "[Languages]\nfrancais,french,0,francais\nlongname,english,0,mywords\n\n[Languages]\ndeutsch,german,0,deutsch\n\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        WriteBytes(L"DICT.INI", c.before);
        DeleteFileW(L"books\\english_mywords.wb");
        DeleteFileW(L"books\\mywords_english.wb");
        capture_.clear();
        ASSERT_NO_FATAL_FAILURE(Open());
        Create(L"mywords");
        EXPECT_EQ(Str(Txt_CreateEmptyCreated), OnlyMessage());
        EXPECT_EQ(c.after, ReadBytes(L"DICT.INI"));
        EXPECT_FALSE(FileExists(L"tmp.ini"));
        DestroyWindow(g_mainWindow);
        PumpMessages();
    }
}

TEST_F(NewBook, ACatalogueThatCantBeRewrittenStaysAndNothingIsMade)
{
    const std::string ini = kSmallIni;
    auto books = FilesIn(L"books"), icons = FilesIn(L"icons");
    Open();

    // Open elsewhere without sharing: not even readable.
    HANDLE locked = CreateFileW(L"DICT.INI", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    Create(L"mywords");
    CloseHandle(locked);
    EXPECT_EQ(Str(Txt_CreateEmptyErrorIni), OnlyMessage());

    // Readable, but open elsewhere so that it can't be replaced.
    capture_.clear();
    locked = CreateFileW(L"DICT.INI", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    Create(L"mywords");
    CloseHandle(locked);
    EXPECT_EQ(Str(Txt_CreateEmptyErrorTmp), OnlyMessage());

    capture_.clear();
    SetFileAttributesW(L"DICT.INI", FILE_ATTRIBUTE_READONLY);
    Create(L"mywords");
    SetFileAttributesW(L"DICT.INI", FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Str(Txt_CreateEmptyErrorTmp), OnlyMessage());

    EXPECT_EQ(ini, ReadBytes(L"DICT.INI"));
    EXPECT_FALSE(FileExists(L"tmp.ini"));
    EXPECT_EQ(books, FilesIn(L"books"));
    EXPECT_EQ(icons, FilesIn(L"icons"));
    // The window stays for another try, which then succeeds.
    EXPECT_FALSE(Closed());
    EXPECT_EQ(NameField(), GetFocus());
    capture_.clear();
    Create(L"mywords");
    EXPECT_EQ(Str(Txt_CreateEmptyCreated), OnlyMessage());
    EXPECT_TRUE(FileExists(L"books\\mywords_english.wb"));
}

// Each step of the two rewrites failing in turn: a failed catalogue line
// leaves the catalogue and makes nothing, a failed icon takes the line and
// the word books back and leaves no temporary file; the user hears of both.
TEST_F(NewBook, EveryFailingStepOfTheCatalogueAndIconRewrites)
{
    const auto icons = FilesIn(L"icons");
    long failAt = 1;
    for (;; ++failAt) {
        std::wstring name = L"words" + std::to_wstring(failAt);
        const std::string ini = ReadBytes(L"DICT.INI");
        const auto books = FilesIn(L"books");
        if (Closed()) {
            ASSERT_NO_FATAL_FAILURE(Open());
        }
        capture_.clear();
        InjectFileFault(failAt);
        Create(name);
        long steps = FileStepsTaken();
        InjectFileFault(0);
        EXPECT_FALSE(FileExists(L"tmp.ini")) << failAt;
        if (steps < failAt)
            break;
        EXPECT_EQ(failAt <= 4 ? Str(Txt_CreateEmptyErrorTmp) : Str(Txt_CreateEmptyIcon), OnlyMessage()) << failAt;
        EXPECT_EQ(ini, ReadBytes(L"DICT.INI")) << failAt;
        EXPECT_EQ(books, FilesIn(L"books")) << failAt;
        EXPECT_FALSE(Closed()) << failAt;
        EXPECT_EQ(icons, FilesIn(L"icons")) << failAt;
    }
    EXPECT_EQ(9, failAt) << "each rewrite a write, a flush, a close and a replace";
    EXPECT_EQ(icons.size() + 1, FilesIn(L"icons").size());
    EXPECT_TRUE(Closed());
}

// "Created" only when everything is there: the word books made before the
// icon failed go again, and so does the catalogue line.
TEST_F(NewBook, AnIconThatCantBeReplacedTakesTheBookBack)
{
    WriteBytes(L"icons\\mywords.ico", "kept");
    SetFileAttributesW(L"icons\\mywords.ico", FILE_ATTRIBUTE_READONLY);
    const auto books = FilesIn(L"books");
    Open();
    Create(L"mywords");
    SetFileAttributesW(L"icons\\mywords.ico", FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Str(Txt_CreateEmptyIcon), OnlyMessage());
    EXPECT_EQ("kept", ReadBytes(L"icons\\mywords.ico"));
    EXPECT_EQ(4u, FilesIn(L"icons").size());
    EXPECT_EQ(books, FilesIn(L"books"));
    EXPECT_EQ(kSmallIni, ReadBytes(L"DICT.INI"));
    EXPECT_FALSE(Closed());
    EXPECT_EQ(NameField(), GetFocus());
}

TEST_F(NewBook, TheNewBookIsThereAfterARestart)
{
    Open();
    Create(L"mywords", L"dutch", L"Central Europe");
    EXPECT_EQ(Str(Txt_CreateEmptyCreated), OnlyMessage());
    ASSERT_NO_FATAL_FAILURE(Restart());

    ASSERT_EQ(6, g_catalogue.count());
    LanguagePair* read = g_catalogue.entries[2].get();
    LanguagePair* mirror = g_catalogue.entries[5].get();
    EXPECT_STREQ(L"mywords", read->sourceName);
    EXPECT_STREQ(L"dutch", read->sourceLocale);
    EXPECT_EQ(238, read->sourceCharset);
    EXPECT_STREQ(L"mywords_english.wb", read->longWordBookFile);
    EXPECT_STREQ(L"english_mywords.wb", mirror->longWordBookFile);

    capture_.clear();
    SendMessageW(g_mainWindow, WM_COMMAND, mirror->menuId, 0);
    PumpMessages();
    EXPECT_EQ(mirror, CurrentPair());
    EXPECT_EQ(0, g_session.book.count);
    EXPECT_TRUE(capture_.messages().empty());
    EXPECT_NE(std::string::npos, ReadBytes(L"DICT.INI").find("[Selected]\nenglish_mywords.wb\n"));

    // Known to the catalogue now: a second one of that name is refused by it.
    Open();
    Create(L"MyWords");
    EXPECT_EQ(L"mywords\n\n" + std::wstring(Str(Txt_CreateEmptyExists)), OnlyMessage());
}

// A word book that can't be made takes its catalogue line back; when even
// that fails the user hears of it, and the next try replaces that line. With
// no language section at all nothing is made.
TEST_F(NewBook, AWordBookThatCantBeMadeTakesItsLineBackAndRetriesAddOneLine)
{
    std::string withLine = kSmallIni;
    withLine.insert(withLine.find("\n# --- EOF"), "longname,english,0,mywords\n");
    const std::string noSection = "[Selected]\nfrancais_english.wb\n\n# --- EOF\n";
    const struct {
        std::string ini;
        long takeBackFails;  // the step of the take-back that fails (0: none)
        std::vector<std::wstring> said;
        std::string after;
    } cases[] = {
        {kSmallIni, 0, {Str(Txt_CreateEmptyErrorDatabase)}, kSmallIni},
        {kSmallIni, 5, {Str(Txt_CreateEmptyErrorDatabase), Str(Txt_CreateEmptyUndoFailed)}, withLine},
        {withLine, 0, {Str(Txt_CreateEmptyErrorDatabase)}, withLine},
        {noSection, 0, {Str(Txt_CreateEmptyNoSection)}, noSection},
    };
    const auto books = FilesIn(L"books"), icons = FilesIn(L"icons");
    Open();
    const wchar_t* bookFolder = Str(Txt_PathLanguage);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini + std::to_string(c.takeBackFails));
        capture_.clear();
        WriteBytes(L"DICT.INI", c.ini);
        OverrideString(Txt_PathLanguage, L"gone\\");  // no folder to make them in
        InjectFileFault(c.takeBackFails);
        Create(L"mywords");
        InjectFileFault(0);
        OverrideString(Txt_PathLanguage, bookFolder);
        std::vector<std::wstring> said;
        for (const CapturedMessage& m : capture_.messages())
            said.push_back(m.text);
        EXPECT_EQ(c.said, said);
        EXPECT_EQ(c.after, ReadBytes(L"DICT.INI"));
        EXPECT_EQ(books, FilesIn(L"books"));
        EXPECT_EQ(icons, FilesIn(L"icons"));
        EXPECT_FALSE(FileExists(L"tmp.ini") || Closed());
        EXPECT_EQ(NameField(), GetFocus());
    }
    capture_.clear();
    WriteBytes(L"DICT.INI", withLine);
    Create(L"mywords");
    EXPECT_EQ(Str(Txt_CreateEmptyCreated), OnlyMessage());
    EXPECT_EQ(withLine, ReadBytes(L"DICT.INI"));
}

}  // namespace
