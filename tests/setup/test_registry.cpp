#include "setup/setup.h"
#include "core/uistrings.h"
#include "tests/support/testutil.h"

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
    }
    // Text-mode files: "\n" in the test is "\r\n" on disk.
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
    EXPECT_NE(std::string::npos, sorted.find(Crlf("[Languages]\neng,english,0,English\nfra,french,0,Francais\n\n" + kMarker + "\n")));
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

TEST_F(Registry, CountAndSortTheBlock)
{
    std::string longLine = "q,x,0," + std::string(350, 'q');
    Dict("[Selected]\nx.wb\n\n"
         "[Languages]\n"
         "b,x,0,Zulu\n"
         "alpha\n"
         + longLine + "\n"
         "c,x,0,beta\n"
         "\n"
         "trailing,lines,are,dropped\n"
         "[languages]\n"
         "d,x,0,Delta\n"
         "# closes\n"
         "e,x,0,Echo\n");
    EXPECT_EQ(5, CountCatalogueLines());
    ASSERT_EQ(0, SortCatalogueBlock());
    EXPECT_EQ(Crlf("[Selected]\nx.wb\n\n[Languages]\nalpha\nc,x,0,beta\nd,x,0,Delta\n" + longLine +
                   "\nb,x,0,Zulu\n\n" + kMarker + "\n"),
              DictNow());
    DeleteFileW(L"DICT.INI");
    EXPECT_EQ(-1, CountCatalogueLines());
    EXPECT_EQ(-1, SortCatalogueBlock());
}

TEST_F(Registry, CommentsOnlyChangeNothing)
{
    WriteBytes(L"LANGUAGE.CF", "# nothing to install\r\n\r\n#eng,english,0,English\r\n");
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
}
