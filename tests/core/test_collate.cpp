#include "core/catalogue.h"
#include "core/collate.h"
#include "core/session.h"
#include "tests/support/testutil.h"
#include <cstring>
#include <string>
#include <vector>

namespace {

class Collate : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ResetSession();
        g_session.collation.useTable = true;
        g_session.collation.codePage = 1252;
        pair_.hasSortTable = 1;
        pair_.sourceCodePage = 1252;
        wcscpy(pair_.sourceName, L"test");
        // Byte order, with case folded, the hyphen ignored and | ending the key.
        for (int v = 0; v < kSortTableSize; ++v)
            g_session.collation.table[v] = static_cast<unsigned char>(v);
        for (int v = 'A'; v <= 'Z'; ++v)
            g_session.collation.table[v] = static_cast<unsigned char>(v - 'A' + 'a');
        g_session.collation.table['-'] = 1;
        g_session.collation.table['|'] = 0;
    }
    void TearDown() override
    {
        ResetSession();
        ScratchDirTest::TearDown();
    }
    void OpenBook(const std::vector<std::wstring>& words)
    {
        std::string bytes;
        for (const auto& w : words) {
            WideRecord in{};
            wcsncpy(in.source, w.c_str(), kSourceChars - 1);
            wcscpy(in.translation, L"x");
            WordRecord rec;
            BuildWordRecord(in, 1252, 1252, &rec);
            bytes.append(reinterpret_cast<const char*>(&rec), sizeof rec);
        }
        WriteBytes(L"book.wb", bytes);
        ASSERT_TRUE(OpenWordBook(&g_session.book, L"book.wb", 1252, 1252));
        ASSERT_EQ(static_cast<int>(words.size()), g_session.book.count);
    }
    // Whose table LoadSortTable reads: tables\<sourceName>.stb.
    LanguagePair pair_{};
};

TEST_F(Collate, TableWeightsDecideTheOrder)
{
    EXPECT_EQ(0, CompareByTable(g_session.collation, L"Apple", L"apple"));
    EXPECT_EQ(0, CompareByTable(g_session.collation, L"e-mail", L"email"));
    EXPECT_EQ(-1, CompareByTable(g_session.collation, L"tab", L"table"));
    EXPECT_EQ(0, CompareByTable(g_session.collation, L"word|one", L"word|two"));
    // Weights above 127 are larger, not negative.
    EXPECT_EQ(1, CompareByTable(g_session.collation, L"\u00e9", L"z"));
    EXPECT_EQ(-1, CompareByTable(g_session.collation, L"z", L"\u00ff"));
    // The table, not the locale, while the pair has one.
    g_session.collation.table['b'] = 250;
    EXPECT_EQ(1, CompareWords(L"b", L"c"));
    g_session.collation.useTable = false;
    EXPECT_LT(CompareWords(L"b", L"c"), 0);
}

TEST_F(Collate, OnlyTheFirst103BytesCount)
{
    std::wstring base(102, L'a');
    EXPECT_EQ(-1, CompareByTable(g_session.collation, (base + L"b").c_str(), (base + L"c").c_str()));
    std::wstring longA = base + L"a" + std::wstring(200, L'x');
    std::wstring longB = base + L"a" + std::wstring(300, L'y');
    EXPECT_EQ(0, CompareByTable(g_session.collation, longA.c_str(), longB.c_str()));

    // A double-byte character that would straddle the limit is left out whole:
    // 52 two-byte characters keep 51 of them, shorter than 51 and one letter.
    g_session.collation.codePage = 932;
    std::wstring kana(51, L'\u3042');
    EXPECT_EQ(-1, CompareByTable(g_session.collation, (kana + L"\u3042").c_str(), (kana + L"x").c_str()));
    EXPECT_EQ(0, CompareByTable(g_session.collation, (kana + L"\u3042\u3044").c_str(), (kana + L"\u3042\u3046").c_str()));
}

// The only test that sets a locale; the default rule holds until it does.
TEST_F(Collate, LocaleCollationAndTheDefaultRule)
{
    ASSERT_FALSE(PairLocaleIsSet());
    // Only A to Z are folded; the rest compares by character code.
    EXPECT_EQ(0, CompareByLocale(L"Apple", L"aPPLE"));
    EXPECT_GT(CompareByLocale(L"aZ", L"a_"), 0);
    EXPECT_NE(0, CompareByLocale(L"\u00c9t\u00e9", L"\u00e9t\u00e9"));
    EXPECT_GT(CompareByLocale(L"\u00e9clair", L"fromage"), 0);

    ASSERT_TRUE(ApplyPairLocale(L"dutch"));
    EXPECT_EQ(0, CompareByLocale(L"Apple", L"aPPLE"));
    EXPECT_EQ(0, CompareByLocale(L"\u00c9t\u00e9", L"\u00e9t\u00e9"));
    EXPECT_LT(CompareByLocale(L"\u00e9clair", L"fromage"), 0);

    ASSERT_TRUE(ApplyPairLocale(L"C"));
    EXPECT_GT(CompareByLocale(L"aZ", L"a_"), 0);
    EXPECT_GT(CompareByLocale(L"\u00e9clair", L"fromage"), 0);
}

TEST_F(Collate, PositionSearch)
{
    OpenBook({});
    EXPECT_EQ(0, FindWordPosition(L"anything"));

    OpenBook({L"bar", L"foo"});
    EXPECT_EQ(1, FindWordPosition(L"baz"));
    EXPECT_EQ(1, FindWordPosition(L"foo"));
    EXPECT_EQ(1, FindWordPosition(L"FOO"));
    EXPECT_EQ(0, FindWordPosition(L"aardvark"));
    EXPECT_EQ(2, FindWordPosition(L"zebra"));
    EXPECT_STREQ(L"foo", g_session.record.source);

    // Every word is found where it stands, every gap gives its insert point.
    std::vector<std::wstring> words;
    wchar_t buf[8];
    for (int i = 0; i < 99; i += 2) {
        swprintf(buf, 8, L"w%03d", i);
        words.push_back(buf);
    }
    OpenBook(words);
    for (int i = 0; i <= 100; ++i) {
        swprintf(buf, 8, L"w%03d", i);
        EXPECT_EQ((i + 1) / 2, FindWordPosition(buf)) << i;
    }
    // The word may be the current record itself, which the search overwrites.
    ASSERT_EQ(0, ReadWordRecord(37));
    EXPECT_EQ(37, FindWordPosition(g_session.record.source));
}

TEST_F(Collate, UnreadableRecordsCountAsBeyondTheWord)
{
    OpenBook({L"bar", L"foo"});
    g_session.book.count = 6;  // the file holds only two records
    EXPECT_EQ(2, FindWordPosition(L"zebra"));
    EXPECT_EQ(1, FindWordPosition(L"foo"));
    EXPECT_EQ(0, FindWordPosition(L"aardvark"));
}

TEST_F(Collate, LoadSortTableKeepsTheOldTableOnFailure)
{
    MessageCapture capture;
    unsigned char before[kSortTableSize];
    memcpy(before, g_session.collation.table, kSortTableSize);

    LoadSortTable(&pair_, &g_session.collation);  // no tables directory at all
    MakeDir(L"tables");
    WriteBytes(L"tables\\test.stb", std::string(100, '\x07'));
    LoadSortTable(&pair_, &g_session.collation);
    ASSERT_EQ(2u, capture.messages().size());
    for (const auto& m : capture.messages()) {
        EXPECT_EQ(L"Can't open sorttable   ", m.text);
        EXPECT_EQ(L"error", m.caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK), m.type);
    }
    EXPECT_EQ(0, memcmp(before, g_session.collation.table, kSortTableSize));

    pair_.hasSortTable = 0;
    WriteBytes(L"tables\\test.stb", std::string(256, '\x09'));
    LoadSortTable(&pair_, &g_session.collation);
    EXPECT_EQ(0, memcmp(before, g_session.collation.table, kSortTableSize));
    pair_.hasSortTable = 1;
    LoadSortTable(&pair_, &g_session.collation);
    EXPECT_EQ(9, g_session.collation.table[200]);
    EXPECT_EQ(2u, capture.messages().size());
}

class BuiltTables : public Collate {
protected:
    // Loads a built table the way the program does, from tables\<name>.stb.
    void Use(const wchar_t* name, int codePage)
    {
        MakeDir(L"tables");
        std::wstring local = std::wstring(L"tables\\") + name + L".stb";
        ASSERT_TRUE(CopyFileW(BuildPath(std::wstring(L"tables/") + name + L".stb").c_str(), local.c_str(), FALSE));
        wcscpy(pair_.sourceName, name);
        pair_.sourceCodePage = codePage;
        MessageCapture capture;
        LoadSortTable(&pair_, &g_session.collation);
        ASSERT_TRUE(capture.messages().empty());
    }
};

TEST_F(BuiltTables, AreWholeTables)
{
    for (const wchar_t* name : {L"english", L"nederlands", L"dutch", L"francais", L"deutsch", L"greek", L"polish"}) {
        std::string bytes = ReadBytes(BuildPath(std::wstring(L"tables/") + name + L".stb"));
        EXPECT_EQ(256u, bytes.size()) << Narrow(name);
        if (bytes.size() == 256) {
            EXPECT_EQ(0, bytes[0]);
        }
    }
    EXPECT_EQ(ReadBytes(BuildPath(L"tables/nederlands.stb")), ReadBytes(BuildPath(L"tables/dutch.stb")));
}

TEST_F(BuiltTables, WesternLanguages)
{
    Use(L"english", 1252);
    EXPECT_EQ(0, CompareWords(L"Apple", L"apple"));
    EXPECT_EQ(0, CompareWords(L"e-mail", L"email"));
    EXPECT_EQ(0, CompareWords(L"caf\u00e9", L"CAFE"));
    EXPECT_EQ(-1, CompareWords(L"ice cream", L"icebox"));
    EXPECT_EQ(-1, CompareWords(L"747", L"aeroplane"));

    Use(L"deutsch", 1252);
    EXPECT_EQ(0, CompareWords(L"\u00c4pfel", L"apfel"));
    EXPECT_EQ(1, CompareWords(L"Stra\u00dfe", L"Strasse"));
    EXPECT_EQ(-1, CompareWords(L"Stra\u00dfe", L"Strat"));

    Use(L"nederlands", 1252);
    EXPECT_EQ(0, CompareWords(L"\u00e9\u00e9n", L"een"));
    EXPECT_EQ(1, CompareWords(L"'s-Hertogenbosch", L"schaap"));
    EXPECT_EQ(-1, CompareWords(L"'s-Hertogenbosch", L"sieraad"));
}

TEST_F(BuiltTables, PolishLettersOfTheirOwn)
{
    Use(L"polish", 1250);
    EXPECT_EQ(1, CompareWords(L"\u0142", L"l"));
    EXPECT_EQ(-1, CompareWords(L"\u0142", L"m"));
    EXPECT_EQ(0, CompareWords(L"\u0141\u00f3d\u017a", L"\u0142\u00d3D\u0179"));
    EXPECT_EQ(1, CompareWords(L"\u0142\u00f3d\u017a", L"lody"));
    EXPECT_EQ(-1, CompareWords(L"\u0105", L"b"));
    EXPECT_EQ(1, CompareWords(L"\u017c", L"\u017a"));
    EXPECT_EQ(1, CompareWords(L"\u017a", L"z"));
}

TEST_F(BuiltTables, GreekAccentsAndFinalSigma)
{
    Use(L"greek", 1253);
    EXPECT_EQ(0, CompareWords(L"\u03ac", L"\u03b1"));
    EXPECT_EQ(0, CompareWords(L"\u03c2", L"\u03c3"));
    EXPECT_EQ(0, CompareWords(L"\u03a9\u03bc\u03ad\u03b3\u03b1", L"\u03c9\u03bc\u03b5\u03b3\u03b1"));
    EXPECT_EQ(-1, CompareWords(L"\u03b1", L"\u03b2"));
    EXPECT_EQ(-1, CompareWords(L"zoo", L"\u03b1"));
}

}  // namespace
