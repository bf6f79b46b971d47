#include "core/catalogue.h"
#include "core/fileutil.h"
#include "tests/core/corefixture.h"
#include <clocale>
#include <cstring>

class Catalogue : public CoreTest {
protected:
    static LanguagePair& E(int i) { return *g_catalogue.entries.at(i); }
    static void MakeBook(const wchar_t* name, size_t records = 2)
    {
        MakeDir(L"books");
        WriteBytes(std::wstring(L"books\\") + name, std::string(84 * records, '\0'));
    }
};

TEST_F(Catalogue, TwoLinesGiveFourDirectionsInFileThenMirrorOrder)
{
    WriteBytes(L"DICT.INI", "[Languages]\nenglish,english,0\nfrancais,french,238\n\n");
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(4, g_catalogue.count());
    const wchar_t* books[] = {L"eng_ned.wb", L"fra_ned.wb", L"ned_eng.wb", L"ned_fra.wb"};
    const wchar_t* sources[] = {L"english", L"francais", L"nederlands", L"nederlands"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(books[i], PairWordBookFile(&E(i))) << i;
        EXPECT_STREQ(sources[i], E(i).sourceName) << i;
    }
    EXPECT_STREQ(L"ned_fra.ls", E(3).listFile);
    EXPECT_STREQ(L"francais", E(3).targetName);
    EXPECT_STREQ(L"fra.ico", E(3).targetIcon);
    EXPECT_EQ(&E(2), CurrentPair());
    // Character sets and locales cross over in the mirror.
    EXPECT_EQ(1250, E(1).sourceCodePage);
    EXPECT_EQ(1252, E(3).sourceCodePage);
    EXPECT_EQ(1250, E(3).targetCodePage);
    EXPECT_STREQ(L"dutch", E(3).sourceLocale);
}

TEST_F(Catalogue, MissingOddAndOverlongFieldsStayInBounds)
{
    WriteBytes(L"DICT.INI", "[languages]\r\n"      // marker case, CRLF line ends
                            "english\r\n"
                            "greek,,greek,,abc\r\n"  // doubled commas, non-numeric charset
                            "en,english,204\r\n" +
                                std::string(150, 'q') + ",english,0\r\n"
                                "esp," + std::string(300, 'l') + ",0\r\n"
                                "pt,portuguese-brazilian,0\r\n"
                                ",,,\r\n\r\n");
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(12, g_catalogue.count());
    EXPECT_STREQ(L"english", E(0).sourceLocale);
    EXPECT_EQ(1252, E(0).sourceCodePage);
    EXPECT_STREQ(L"greek", E(1).sourceLocale);
    EXPECT_EQ(0, E(1).sourceCharset);
    EXPECT_STREQ(L"en_ned.wb", E(2).wordBookFile);
    EXPECT_STREQ(L"ned_en.wb", E(8).wordBookFile);
    EXPECT_EQ(1251, E(2).sourceCodePage);
    EXPECT_EQ(std::wstring(99, L'q'), E(3).sourceName);
    EXPECT_STREQ(L"qqq_ned.wb", E(3).wordBookFile);
    EXPECT_EQ(std::wstring(20, L'l'), E(4).sourceLocale);
    // The longest name of the locale list fits whole.
    EXPECT_STREQ(L"portuguese-brazilian", E(5).sourceLocale);
}

TEST_F(Catalogue, LongNameNamesTheFilesOfBothDirections)
{
    WriteBytes(L"DICT.INI", "[Languages]\nenglish,english,0,mywords\n");
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(2, g_catalogue.count());
    EXPECT_STREQ(L"mywords", E(0).sourceName);
    EXPECT_STREQ(L"mywords_nederlands.wb", PairWordBookFile(&E(0)));
    EXPECT_STREQ(L"mywords_nederlands.ls", PairListFile(&E(0)));
    EXPECT_STREQ(L"nederlands_mywords.wb", PairWordBookFile(&E(1)));
    EXPECT_STREQ(L"mywords.ico", PairTargetIcon(&E(1)));
}

TEST_F(Catalogue, SectionEndsAtSeparatorsAndLongLinesStayWhole)
{
    EXPECT_EQ(-1, LoadCatalogue());  // no file
    WriteBytes(L"DICT.INI", "[Selected]\neng_ned.wb\n\n[Languages]\n\nenglish\n");
    EXPECT_EQ(-1, LoadCatalogue());
    EXPECT_EQ(nullptr, CurrentPair());
    // Read in 99-byte pieces, this line would leave its line end behind as
    // an empty separator.
    std::string line99 = "english,english,0," + std::string(81, 'w');
    WriteBytes(L"DICT.INI", "[Languages]\n" + line99 + "\nfrancais\n# end\nitaliano\n");
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(4, g_catalogue.count());
    EXPECT_STREQ(L"francais", E(1).sourceName);
}

TEST_F(Catalogue, SelectionByFileNameThenByCommandLine)
{
    WriteBytes(L"DICT.INI", "[Selected]\nnothing.wb\nFRA_NED.WB\neng_ned.wb\n\n"
                            "[Languages]\nenglish\nfrancais\nspanish,spanish,0,Castellano\n\n"
                            "[Selected]\n\nnederlands_castellano.wb\n");
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(0, SelectFromCatalogueFile());
    EXPECT_EQ(&E(1), CurrentPair());
    EXPECT_EQ(0, E(0).selected);

    WriteBytes(L"DICT.INI", "[Languages]\nenglish\nspanish,spanish,0,Castellano\n\n[SELECTED]\nnederlands_castellano.wb\n");
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(0, SelectFromCatalogueFile());
    EXPECT_EQ(&E(3), CurrentPair());
    g_catalogue.current = &E(0);  // english to nederlands
    SelectPairByName(L"ned");
    SelectPairByName(L"englishx");
    EXPECT_EQ(&E(0), CurrentPair());
    E(0).selected = 1;
    SelectPairByName(L"CAST");
    EXPECT_EQ(&E(1), CurrentPair());
    EXPECT_EQ(1, E(1).selected);
    EXPECT_EQ(0, E(0).selected);
}

TEST_F(Catalogue, LocaleNamesTheRuntimeLacksAreMapped)
{
    EXPECT_TRUE(ApplyPairLocale(L"Esperanto"));
    EXPECT_TRUE(PairLocaleIsSet());
    EXPECT_STREQ("English_United States.1252", setlocale(LC_COLLATE, nullptr));
    EXPECT_TRUE(ApplyPairLocale(L"serbian"));
    EXPECT_NE(nullptr, strstr(setlocale(LC_COLLATE, nullptr), ".1251"));
    EXPECT_TRUE(ApplyPairLocale(L"dutch"));
    EXPECT_FALSE(ApplyPairLocale(L"klingon"));
    EXPECT_NE(nullptr, strstr(setlocale(LC_COLLATE, nullptr), "Dutch"));
    EXPECT_STREQ("C", setlocale(LC_CTYPE, nullptr));
    setlocale(LC_ALL, "C");
}

TEST_F(Catalogue, ActivatingRecordsTheChoiceAndOpensItsFiles)
{
    // Read in 199-byte pieces, this line's second piece would look like the marker.
    std::string longLine = "; " + std::string(197, 'c') + "[Selected]" + std::string(100, 'c');
    std::string before = "; header\n" + longLine + "\nkeep me\n\n[Selected]\n";
    std::string after = "\n\n[Languages]\nklingon,tlhIngan,0\nfrancais,french,0,Francais\n\n";
    WriteBytes(L"DICT.INI", before + "eng_ned.wb" + after);
    MakeBook(L"Francais_nederlands.wb", 3);
    MakeBook(L"kli_ned.wb");
    ASSERT_EQ(0, LoadCatalogue());
    MessageCapture capture;
    g_catalogue.current = &E(1);
    EXPECT_EQ(0, ActivateCurrentPair(CurrentPair()));
    EXPECT_EQ(before + "Francais_nederlands.wb" + after, ReadBytes(L"DICT.INI"));
    EXPECT_FALSE(FileExists(L"tmp.ini"));
    EXPECT_NE(nullptr, g_session.book.file.get());
    EXPECT_EQ(3, g_session.book.count);
    EXPECT_TRUE(capture.messages().empty());

    g_catalogue.current = &E(0);  // a locale the runtime refuses: warned, goes on
    EXPECT_EQ(0, ActivateCurrentPair(CurrentPair()));
    ASSERT_EQ(1u, capture.messages().size());
    EXPECT_EQ(L"Locale not available", capture.messages()[0].text);
    EXPECT_EQ(L"Wordbook", capture.messages()[0].caption);
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(0, SelectFromCatalogueFile());
    EXPECT_EQ(&E(0), CurrentPair());
    setlocale(LC_ALL, "C");
}

TEST_F(Catalogue, SelectionMarkerWithoutAFollowingNameLine)
{
    MakeBook(L"ned_eng.wb");
    MakeBook(L"eng_ned.wb");
    MessageCapture capture;
    // The marker as the last line, with or without its line end: the choice
    // still goes in, and is read back at the next start.
    WriteBytes(L"DICT.INI", "[Languages]\nenglish\n\n[Selected]");
    ASSERT_EQ(0, LoadCatalogue());
    EXPECT_EQ(0, ActivateCurrentPair(&E(0)));
    EXPECT_EQ("[Languages]\nenglish\n\n[Selected]\neng_ned.wb\n", ReadBytes(L"DICT.INI"));
    WriteBytes(L"DICT.INI", "[Languages]\r\nenglish\r\n\r\n[Selected]\r\n");
    EXPECT_EQ(0, ActivateCurrentPair(&E(0)));
    EXPECT_EQ("[Languages]\r\nenglish\r\n\r\n[Selected]\r\neng_ned.wb\r\n", ReadBytes(L"DICT.INI"));
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(0, SelectFromCatalogueFile());
    EXPECT_EQ(&E(0), CurrentPair());
    // Before a separator the name goes in and the separator stays.
    WriteBytes(L"DICT.INI", "[Selected]\n# note\n[Languages]\nenglish\n");
    EXPECT_EQ(0, ActivateCurrentPair(&E(1)));
    EXPECT_EQ("[Selected]\nned_eng.wb\n# note\n[Languages]\nenglish\n", ReadBytes(L"DICT.INI"));
}

TEST_F(Catalogue, RewriteNeverEatsOtherLines)
{
    MakeBook(L"ned_eng.wb");
    MessageCapture capture;
    // A stray zero byte in a line: the line is copied as it stands.
    static const char withZero[] = "# a\0b\n[Selected]\nx.wb\n\n[Languages]\nenglish\n";
    static const char expected[] = "# a\0b\n[Selected]\nned_eng.wb\n\n[Languages]\nenglish\n";
    WriteBytes(L"DICT.INI", std::string(withZero, sizeof withZero - 1));
    ASSERT_EQ(0, LoadCatalogue());
    EXPECT_EQ(0, ActivateCurrentPair(CurrentPair()));
    EXPECT_EQ(std::string(expected, sizeof expected - 1), ReadBytes(L"DICT.INI"));
    // A section header right after the marker is no selection line to replace.
    WriteBytes(L"DICT.INI", "[Selected]\n[Languages]\nenglish\n");
    EXPECT_EQ(0, ActivateCurrentPair(CurrentPair()));
    ASSERT_EQ(0, LoadCatalogue());
    EXPECT_EQ(2, g_catalogue.count());
}

TEST_F(Catalogue, FailedRewriteKeepsTheCatalogueFileButStillSwitches)
{
    const std::string original = "[Selected]\neng_ned.wb\n\n[Languages]\nenglish\n";
    WriteBytes(L"DICT.INI", original);
    MakeBook(L"ned_eng.wb");
    ASSERT_EQ(0, LoadCatalogue());
    MessageCapture capture;

    MakeDir(L"tmp.ini");  // can't be written
    EXPECT_EQ(-1, ActivateCurrentPair(CurrentPair()));
    EXPECT_EQ(original, ReadBytes(L"DICT.INI"));
    EXPECT_EQ(2, g_session.book.count);
    RemoveDirectoryW(L"tmp.ini");

    SetFileAttributesW(L"DICT.INI", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(-1, ActivateCurrentPair(CurrentPair()));
    EXPECT_EQ(original, ReadBytes(L"DICT.INI"));
    SetFileAttributesW(L"DICT.INI", FILE_ATTRIBUTE_NORMAL);

    // Held open by another program that does not share deletion.
    HANDLE h = CreateFileW(L"DICT.INI", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(-1, ActivateCurrentPair(CurrentPair()));
    CloseHandle(h);
    EXPECT_EQ(original, ReadBytes(L"DICT.INI"));
    EXPECT_FALSE(FileExists(L"tmp.ini"));
    EXPECT_EQ(&E(1), CurrentPair());
    EXPECT_NE(nullptr, g_session.book.file.get());

    // Every write, the flush, the close and the replace failing in turn.
    int failAt = 1;
    for (; failAt < 30; ++failAt) {
        InjectFileFault(failAt);
        int result = ActivateCurrentPair(CurrentPair());
        InjectFileFault(0);
        EXPECT_FALSE(FileExists(L"tmp.ini")) << failAt;
        if (result == 0)
            break;
        EXPECT_EQ(original, ReadBytes(L"DICT.INI")) << failAt;
        EXPECT_NE(nullptr, g_session.book.file.get()) << failAt;
    }
    EXPECT_EQ(9, failAt);  // five lines, flush, close, replace
    EXPECT_EQ("[Selected]\nned_eng.wb\n\n[Languages]\nenglish\n", ReadBytes(L"DICT.INI"));
}

// Text mode would take Ctrl-Z for the end of the file: the pairs after it
// would vanish, and the next rewrite would drop them from the file for good.
TEST_F(Catalogue, ACtrlZByteIsTextLikeAnyOther)
{
    const std::string ini = std::string("# saved by an old editor \x1A\r\n[Selected]\r\neng_ned.wb\r\n\r\n") +
                            "[Languages]\r\nenglish\r\nfrancais,french,0\r\n\r\n# after \x1A the end\r\n";
    WriteBytes(L"DICT.INI", ini);
    MakeBook(L"ned_fra.wb");
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(4, g_catalogue.count());
    MessageCapture capture;
    EXPECT_EQ(0, ActivateCurrentPair(&E(3)));
    std::string expected = ini;
    expected.replace(expected.find("eng_ned.wb"), 10, "ned_fra.wb");
    EXPECT_EQ(expected, ReadBytes(L"DICT.INI"));
}

TEST_F(Catalogue, FieldsSplitAtCommasWithRunsAsOne)
{
    using V = std::vector<std::string>;
    EXPECT_EQ((V{"english", "english", "0", "Long name"}), SplitCatalogueFields("english,english,0,Long name"));
    EXPECT_EQ((V{"greek", "greek", "abc"}), SplitCatalogueFields("greek,,greek,,abc,"));
    EXPECT_EQ(V{}, SplitCatalogueFields(",,,"));
    // A Shift-JIS name: its trail bytes are never a comma.
    EXPECT_EQ((V{"\x83\x5C\x83\x74", "japanese", "128"}), SplitCatalogueFields("\x83\x5C\x83\x74,japanese,128"));
    EXPECT_TRUE(IsCatalogueSeparator(""));
    EXPECT_TRUE(IsCatalogueSeparator("# x"));
    EXPECT_FALSE(IsCatalogueSeparator(" #"));
    EXPECT_TRUE(IsCatalogueMarker("[LANGUAGES]", L"[Languages]", 1252));
    EXPECT_FALSE(IsCatalogueMarker("[Languages] ", L"[Languages]", 1252));
}

// Choosing a pair whose word book has gone must neither record it nor leave
// the program without an open word book.
TEST_F(Catalogue, SwitchingToAMissingWordBookKeepsThePreviousPair)
{
    const std::string ini = "[Selected]\neng_ned.wb\n\n[Languages]\nenglish\nfrancais,french,0\n";
    WriteBytes(L"DICT.INI", ini);
    MakeBook(L"eng_ned.wb", 3);
    OverrideString(Txt_ErrorOpenPair, L"Can't open %s; staying.");
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(0, SelectFromCatalogueFile());
    MessageCapture capture;
    OpenStartPair();
    ASSERT_EQ(&E(0), CurrentPair());

    EXPECT_EQ(-1, ActivateCurrentPair(&E(1)));  // books\fra_ned.wb does not exist
    ASSERT_EQ(1u, capture.messages().size());
    EXPECT_EQ(L"Can't open books\\fra_ned.wb; staying.", capture.messages()[0].text);
    EXPECT_EQ(&E(0), CurrentPair());
    EXPECT_EQ(1, E(0).selected);
    EXPECT_EQ(0, E(1).selected);
    EXPECT_EQ(ini, ReadBytes(L"DICT.INI"));
    EXPECT_EQ(3, g_session.book.count);
    EXPECT_EQ(0, ReadWordRecord(2));
}

TEST_F(Catalogue, StartUpFallsBackToTheFirstWordBookThatOpens)
{
    WriteBytes(L"DICT.INI", "[Selected]\nned_fra.wb\n\n[Languages]\nenglish\nfrancais,french,0\n");
    MakeBook(L"fra_ned.wb", 4);
    OverrideString(Txt_ErrorStartPair, L"%s gone, %s instead");
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(0, SelectFromCatalogueFile());
    ASSERT_EQ(&E(3), CurrentPair());
    MessageCapture capture;
    OpenStartPair();
    EXPECT_EQ(&E(1), CurrentPair());
    EXPECT_EQ(4, g_session.book.count);
    ASSERT_EQ(1u, capture.messages().size());
    EXPECT_EQ(L"books\\ned_fra.wb gone, francais - nederlands instead", capture.messages()[0].text);

    // None at all: the old fatal end, naming the chosen word book.
    ClosePairFiles();
    ASSERT_TRUE(DeleteFileW(L"books\\fra_ned.wb"));
    ASSERT_EQ(0, LoadCatalogue());
    ASSERT_EQ(0, SelectFromCatalogueFile());
    capture.clear();
    try {
        OpenStartPair();
        FAIL() << "started without a word book";
    } catch (const ExitCalled& e) {
        EXPECT_EQ(1, e.code);
    }
    ASSERT_EQ(1u, capture.messages().size());
    EXPECT_NE(std::wstring::npos, capture.messages()[0].text.find(L"books\\ned_fra.wb"));
}

// At the longest name allowed the file and icon names made of it are whole;
// one character more would cut one.
TEST_F(Catalogue, TheLongestLongNameKeepsEveryNameMadeOfItWhole)
{
    const std::pair<std::wstring, int> cases[] = {{L"nederlands", 95}, {std::wstring(120, L'm'), 80}};
    for (const auto& [mainLanguage, longest] : cases) {
        OverrideString(Txt_MainLanguage, mainLanguage.c_str());
        EXPECT_EQ(longest, LongestLongName());
        for (int extra : {0, 1}) {
            const std::wstring name(longest + extra, L'n');
            WriteBytes(L"DICT.INI", "[Languages]\nlongname,english,0," + Narrow(name) + "\n");
            ASSERT_EQ(0, LoadCatalogue());
            bool whole = PairWordBookFile(&E(0)) == name + L"_" + mainLanguage + L".wb" &&
                         PairSourceIcon(&E(0)) == name + L".ico" && E(1).targetName == name;
            EXPECT_EQ(extra == 0, whole) << longest + extra;
        }
    }
}
