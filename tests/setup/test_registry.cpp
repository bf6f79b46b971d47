#include "setup/setup.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/records.h"
#include "core/uistrings.h"
#include "tests/support/testutil.h"
#include <cstring>

namespace {

const std::string kMarker = "# --- EOF " + std::string(56, '-');

class Registry : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        g_interfaceCodePage = 1252;
        g_setupWindow = nullptr;
        g_detailedDisplay = true;
        g_textY = 170;
        OverrideString(Txt_FilenameIni, L"DICT.INI");
        OverrideString(Txt_IniLanguage, L"[Languages]");
        OverrideString(Txt_IniSelected, L"[Selected]");
        OverrideString(Txt_IniAddnew, L"[Addnew]");
        OverrideString(Txt_Install_IniLine01, L"# Dictionary catalogue");
        OverrideString(Txt_Install_IniLine03, L"# Word books added by setup");
        OverrideString(Txt_Install_TaalCf, L"LANGUAGE.CF");
        OverrideString(Txt_Install_TaalTemp, L"wlist.tmp");
        OverrideString(Txt_PathLanguage, L"books\\");
        OverrideString(Txt_MainLanguage, L"nederlands");
        OverrideString(Txt_Locale, L"dutch");
        OverrideString(Txt_CharactersetCode, L"0");
        g_mainCodePage = 1252;
        g_targetDir = dir_;
        g_outcome = InstallOutcome{};
    }
    // "\n" in the test is "\r\n" on disk, the line end setup writes.
    static std::string Crlf(const std::string& s)
    {
        std::string out;
        for (char c : s)
            out += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return out;
    }
    static void Dict(const std::string& text) { WriteBytes(L"DICT.INI", Crlf(text)); }
    static std::string DictNow() { return ReadBytes(L"DICT.INI"); }
    static PairGroup Group(const char* name, const char* locale, const char* charset, const char* longName)
    {
        return PairGroup{0, {name, locale, charset, longName}, "", ""};
    }
    // Runs code that must end setup; returns the fatal text.
    template <class F>
    static std::wstring FatalText(F f)
    {
        MessageCapture capture;
        try {
            f();
        } catch (const ExitCalled& e) {
            EXPECT_EQ(1, e.code);
            return capture.messages().empty() ? L"" : capture.messages().back().text;
        }
        ADD_FAILURE() << "not fatal";
        return L"";
    }
    // The fatal text, "" when the code ran to its end.
    template <class F>
    static std::wstring FatalTextIfAny(F f)
    {
        MessageCapture capture;
        try {
            f();
        } catch (const ExitCalled&) {
            return capture.messages().empty() ? L"(no text)" : capture.messages().back().text;
        }
        return L"";
    }
};

} // namespace

TEST_F(Registry, MissingCatalogueIsCreatedWithTheFirstWordBookSelected)
{
    EnsureDictIni("eng_ned.wb");
    EXPECT_EQ(Crlf("# Dictionary catalogue\n\n[Addnew]\n# Word books added by setup\n\n[Selected]\neng_ned.wb\n\n"
                   "[Languages]\n\n\n" + kMarker + "\n"),
              DictNow());
    EXPECT_EQ(195, g_textY);
    EXPECT_FALSE(FileExists(L"tmp.ini"));

    Dict("[Languages]\nmine\n");
    EnsureDictIni("other.wb");
    EXPECT_EQ(Crlf("[Languages]\nmine\n"), DictNow());

    // A fresh catalogue gets pairs before its two empty lines, sorted ones before one.
    DeleteFileW(L"DICT.INI");
    EnsureDictIni("x.wb");
    AppendPairLine(Group("fra", "french", "0", "Francais"));
    AppendPairLine(Group("eng", "english", "0", "English"));
    std::string appended = DictNow();
    EXPECT_NE(std::string::npos, appended.find(Crlf("[Languages]\nfra,french,0,Francais\neng,english,0,English\n\n\n" + kMarker + "\n")));
    EXPECT_EQ(2, CountCatalogueLines());
    ASSERT_EQ(0, SortCatalogueBlock());
    std::string sorted = DictNow();
    EXPECT_EQ(appended.substr(0, appended.find("[Languages]")), sorted.substr(0, sorted.find("[Languages]")));
    EXPECT_NE(std::string::npos, sorted.find(Crlf("[Languages]\neng,english,0,English\nfra,french,0,Francais\n\n\n" + kMarker + "\n")));
}

TEST_F(Registry, ReinstallingReplacesThePairInAnyCase)
{
    std::string longLine = "# " + std::string(400, 'c') + ", kept whole";
    Dict("[Other]\nEnglish,outside the catalogue\n" + longLine + "\n\n"
         "[LANGUAGES]\n"
         "eng,english,0,ENGLISH\n"
         "English,english\n"          // older line without a long name
         "english\n"                  // no comma: always kept
         "fra,french,0,Francais\n"
         "\n"
         "[Selected]\neng_ned.wb\n");
    RemovePairLines("English");
    EXPECT_EQ(Crlf("[Other]\nEnglish,outside the catalogue\n" + longLine + "\n\n"
                   "[LANGUAGES]\nenglish\nfra,french,0,Francais\n\n[Selected]\neng_ned.wb\n"),
              DictNow());
    AppendPairLine(Group("eng", "english", "0", "English"));
    EXPECT_EQ(Crlf("[Other]\nEnglish,outside the catalogue\n" + longLine + "\n\n"
                   "[LANGUAGES]\nenglish\nfra,french,0,Francais\neng,english,0,English\n\n[Selected]\neng_ned.wb\n"),
              DictNow());
    EXPECT_FALSE(FileExists(L"tmp.ini"));
}

TEST_F(Registry, AppendFindsTheEndOfTheBlockOrMakesOne)
{
    Dict("[Languages]\na,x,0,A");   // block runs to the end of the file
    AppendPairLine(Group("b", "x", "0", "B"));
    EXPECT_EQ(Crlf("[Languages]\na,x,0,A\nb,x,0,B\n\n"), DictNow());

    Dict("[Languages]\na,x,0,A\n# comment ends the block\nz,x,0,Z\n");
    AppendPairLine(Group("b", "x", "0", "B"));
    EXPECT_EQ(Crlf("[Languages]\na,x,0,A\nb,x,0,B\n# comment ends the block\nz,x,0,Z\n"), DictNow());

    Dict("[Selected]\nb_ned.wb\n");
    AppendPairLine(Group("b", "x", "0", "B"));
    EXPECT_EQ(Crlf("[Selected]\nb_ned.wb\n\n[Languages]\nb,x,0,B\n\n"), DictNow());
}

TEST_F(Registry, SortingMovesTheFirstBlockAlone)
{
    std::string longLine = "q,x,0," + std::string(350, 'q');
    // Lines after the block: other sections, a second block, lines after a
    // "#" line, and an end marker of its own; all stay as they are.
    std::string after = "\n"
                        "trailing,lines,are,kept\n"
                        "[languages]\n"
                        "d,x,0,Delta\n"
                        "# closes\n"
                        "e,x,0,Echo\n"
                        "# --- EOF\n"
                        "[Later]\nafter the marker\n";
    Dict("[Selected]\nx.wb\n\n"
         "[Languages]\n"
         "b,x,0,Zulu\n"
         "alpha\n"
         + longLine + "\n"
         "c,x,0,beta\n" + after);
    EXPECT_EQ(4, CountCatalogueLines());
    ASSERT_EQ(0, SortCatalogueBlock());
    EXPECT_EQ(Crlf("[Selected]\nx.wb\n\n[Languages]\nalpha\nc,x,0,beta\n" + longLine + "\nb,x,0,Zulu\n" + after), DictNow());

    // Without an end marker after the block, one goes at the end of the file;
    // the last line, without its line end, moves up whole.
    WriteBytes(L"DICT.INI", "# top\n[Languages]\r\nz,x,0,Z\r\na,x,0,A");
    ASSERT_EQ(0, SortCatalogueBlock());
    EXPECT_EQ("# top\n[Languages]\r\na,x,0,A\r\nz,x,0,Z\r\n\r\n" + kMarker + "\r\n", DictNow());
    // Sorted and marked already: nothing to do.
    ASSERT_EQ(0, SortCatalogueBlock());
    EXPECT_EQ("# top\n[Languages]\r\na,x,0,A\r\nz,x,0,Z\r\n\r\n" + kMarker + "\r\n", DictNow());

    DeleteFileW(L"DICT.INI");
    EXPECT_EQ(-1, CountCatalogueLines());
    EXPECT_EQ(-1, SortCatalogueBlock());
}

TEST_F(Registry, RewritesKeepEveryOtherByte)
{
    // Read in binary: a Ctrl-Z is text, and each line keeps its own line end.
    const std::string head = "# catalogue \x1A with a Ctrl-Z\n[Selected]\r\nx.wb\n\n[Languages]\r\n";
    const std::string tail = "\r\n[Later]\nkept \x1A too\r\n# --- EOF\n";
    WriteBytes(L"DICT.INI", head + "eng,english,0,English\n" + "fra,french,0,Francais\r\n" + tail);
    AppendPairLine(Group("deu", "german", "0", "Deutsch"));
    EXPECT_EQ(head + "eng,english,0,English\n" + "fra,french,0,Francais\r\n" + "deu,german,0,Deutsch\r\n" + tail,
              DictNow());
    RemovePairLines("English");
    EXPECT_EQ(head + "fra,french,0,Francais\r\n" + "deu,german,0,Deutsch\r\n" + tail, DictNow());
    ASSERT_EQ(0, SortCatalogueBlock());
    EXPECT_EQ(head + "deu,german,0,Deutsch\r\n" + "fra,french,0,Francais\r\n" + tail, DictNow());
}

TEST_F(Registry, TheMarkerIsFoundAsWordbookFindsIt)
{
    // In code page 932 these two characters differ only in a trail byte that
    // folding the bytes A to Z would take for a capital letter.
    const std::wstring marker = WidenText("[\x83\x41]", 932);
    OverrideString(Txt_IniLanguage, marker.c_str());
    g_interfaceCodePage = g_uiCodePage = 932;
    Dict("[\x83\x61]\nfra,french,0,Francais\n");
    AppendPairLine(Group("eng", "english", "0", "English"));
    EXPECT_EQ(1, CountCatalogueLines());
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(2, g_catalogue.count());
    EXPECT_STREQ(L"English", g_catalogue.entries[0]->longName);
    g_catalogue.entries.clear();
    g_catalogue.current = nullptr;
    g_uiCodePage = 1252;
}

TEST_F(Registry, CommentsOnlyChangeNothing)
{
    WriteBytes(L"LANGUAGE.CF", "# nothing to install\r\n\r\n#eng,english,0,English\r\n\x1A");
    ProcessLanguageCf();
    EXPECT_FALSE(FileExists(L"DICT.INI"));
    EXPECT_FALSE(FileExists(L"LANGUAGE.CF"));
}

TEST_F(Registry, DamagedLanguageCfStopsBeforeAnyChange)
{
    Dict("[Languages]\n");
    WriteBytes(L"LANGUAGE.CF", "# pairs\neng,english,0,English\neng_ned.wb\nned_eng.wb\n\nfra,french,0,Francais\nfra_ned.wb\n");
    EXPECT_EQ(L"LANGUAGE.CF, line 6: the group ends before its two word-book file names", FatalText(ProcessLanguageCf));
    WriteBytes(L"LANGUAGE.CF", "\n\n\neng,,english,0\neng_ned.wb\nned_eng.wb\n");
    EXPECT_EQ(L"LANGUAGE.CF, line 4: a pair line needs four fields separated by commas", FatalText(ProcessLanguageCf));
    EXPECT_EQ(Crlf("[Languages]\n"), DictNow());
    EXPECT_TRUE(FileExists(L"LANGUAGE.CF"));
    DeleteFileW(L"LANGUAGE.CF");
    EXPECT_EQ(L"Can't open LANGUAGE.CF", FatalText(ProcessLanguageCf));
}

TEST_F(Registry, FailedRewriteKeepsTheOldCatalogue)
{
    const std::string old = "[Languages]\neng,english,0,English\n";
    Dict(old);
    MakeDir(L"tmp.ini");   // can't be opened for writing
    EXPECT_EQ(L"Can't open TMP.INI", FatalText([] { RemovePairLines("English"); }));
    EXPECT_EQ(L"Can't open TMP.INI", FatalText([] { AppendPairLine(Group("fra", "french", "0", "Francais")); }));
    EXPECT_EQ(Crlf(old), DictNow());
    RemoveDirectoryW(L"tmp.ini");

    // DICT.INI held open by another program: it can't be replaced.
    HANDLE holder = CreateFileW(L"DICT.INI", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(L"Can't write DICT.INI", FatalText([] { RemovePairLines("English"); }));
    CloseHandle(holder);
    EXPECT_EQ(Crlf(old), DictNow());
    EXPECT_FALSE(FileExists(L"tmp.ini"));

    // Each step of the rewrite failing in turn, then the disk full at every byte.
    long failAt = 1;
    for (;; ++failAt) {
        InjectFileFault(failAt);
        std::wstring text = FatalTextIfAny([] { AppendPairLine(Group("fra", "french", "0", "Francais")); });
        long steps = FileStepsTaken();
        InjectFileFault(0);
        if (steps < failAt)
            break;
        EXPECT_EQ(L"Can't write DICT.INI", text) << failAt;
        EXPECT_EQ(Crlf(old), DictNow()) << failAt;
        EXPECT_FALSE(FileExists(L"tmp.ini")) << failAt;
    }
    EXPECT_EQ(5, failAt) << "write, flush, close, replace";
    const std::string appended = DictNow();
    EXPECT_NE(Crlf(old), appended);
    for (long long full = 0; full < static_cast<long long>(Crlf(old).size()); full += 5) {
        InjectFileFault(0, full);
        EXPECT_EQ(L"Can't write DICT.INI", FatalText([] { RemovePairLines("Francais"); })) << full;
        InjectFileFault(0);
        EXPECT_EQ(appended, DictNow()) << full;
        EXPECT_FALSE(FileExists(L"tmp.ini")) << full;
    }
}

namespace {

std::string Record(const char* word, const char* translation)
{
    WordRecord r{};
    memcpy(r.source, word, strlen(word));
    memcpy(r.translation, translation, strlen(translation));
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

std::vector<std::string> SourceWords(const std::string& book)
{
    std::vector<std::string> words;
    for (size_t i = 0; i + kRecordSize <= book.size(); i += kRecordSize)
        words.push_back(book.data() + i);
    return words;
}

// The files in books\backup, by name.
std::vector<std::wstring> Backups() { return FilesIn(L"books\\backup"); }

} // namespace

TEST_F(Registry, ReverseBookIsSortedByTheMainLanguagesTableAndTheOldOneKept)
{
    MessageCapture capture;   // a refused locale only warns
    MakeDir(L"books");
    MakeDir(L"tables");
    // Wordbook searches the reverse book by the main language's table; one
    // under the locale's name must not decide the order.
    std::string backwards(256, '\0'), forwards(256, '\0');
    for (int v = 1; v < 256; ++v) {
        backwards[v] = static_cast<char>(256 - v);
        forwards[v] = static_cast<char>(v);
    }
    WriteBytes(L"tables\\nederlands.stb", backwards);
    WriteBytes(L"tables\\dutch.stb", forwards);
    WriteBytes(L"books\\eng_ned.wb", Record("house", "huis") + Record("cat", "kat, poes") + Record("dog", "hond"));
    // A Ctrl-Z is text: the pair after it is still read.
    const std::string cf = "# \x1A\r\neng,english,0,English\r\neng_ned.wb\r\nned_eng.wb\r\n";
    WriteBytes(L"LANGUAGE.CF", cf);
    ProcessLanguageCf();
    std::string built = ReadBytes(L"books\\ned_eng.wb");
    EXPECT_EQ((std::vector<std::string>{"poes", "kat", "huis", "hond"}), SourceWords(built));
    EXPECT_TRUE(Backups().empty());
    EXPECT_TRUE(g_outcome.backupDir.empty());

    // The same book again: nothing to keep.
    WriteBytes(L"LANGUAGE.CF", cf);
    ProcessLanguageCf();
    EXPECT_TRUE(Backups().empty());

    // Words the user added to the reverse book survive its rebuild in backup.
    std::string added = built + Record("zebra", "zebra");
    WriteBytes(L"books\\ned_eng.wb", added);
    WriteBytes(L"LANGUAGE.CF", cf);
    ProcessLanguageCf();
    EXPECT_EQ(built, ReadBytes(L"books\\ned_eng.wb"));
    std::vector<std::wstring> backups = Backups();
    ASSERT_EQ(1u, backups.size());
    EXPECT_EQ(0u, backups[0].find(L"ned_eng.wb."));
    EXPECT_EQ(15u, backups[0].size() - wcslen(L"ned_eng.wb."));   // yyyymmdd-hhmmss
    EXPECT_EQ(added, ReadBytes(L"books\\backup\\" + backups[0]));
    EXPECT_EQ(dir_ + L"\\books\\backup", g_outcome.backupDir);
    EXPECT_TRUE(g_outcome.failures.empty());
}
