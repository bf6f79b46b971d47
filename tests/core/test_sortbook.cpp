#include "core/catalogue.h"
#include "core/collate.h"
#include "core/fileutil.h"
#include "core/session.h"
#include "core/sortbook.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/testutil.h"
#include <algorithm>
#include <cstring>
#include <random>

namespace {

class SortBook : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        OverrideString(Txt_PathLanguage, L"books\\");
        OverrideString(Txt_PathNameList, L"lists\\");
        OverrideString(Txt_FilenameTempLanguage, L"book.tmp");
        OverrideString(Txt_Dictionary, L"Wordbook");
        MakeDir(L"books");
        auto pair = std::make_unique<LanguagePair>();
        wcscpy(pair->sourceName, L"english");
        wcscpy(pair->targetName, L"nederlands");
        wcscpy(pair->wordBookFile, L"eng_ned.wb");
        wcscpy(pair->listFile, L"eng_ned.ls");
        pair->sourceCodePage = pair->targetCodePage = 1252;
        pair->hasSortTable = ReadSortTableFile(BuildPath(L"tables/english.stb").c_str(), g_session.collation.table) ? 1 : 0;
        g_session.collation.useTable = pair->hasSortTable == 1;
        g_session.collation.codePage = 1252;
        g_catalogue.entries.clear();
        g_catalogue.entries.push_back(std::move(pair));
        g_catalogue.current = g_catalogue.entries[0].get();
    }
    void TearDown() override
    {
        ResetSession();
        ScratchDirTest::TearDown();
    }
    void Open(const WordPairs& words, const std::vector<int>& deleted = {})
    {
        WriteWordBook(L"books\\eng_ned.wb", words, deleted);
        OpenPairFiles();
        CountRecords();
    }
    // Opens books\eng_ned.wb as it stands, in the given code pages.
    void OpenAs(int sourceCodePage, int targetCodePage)
    {
        g_catalogue.current->sourceCodePage = sourceCodePage;
        g_catalogue.current->targetCodePage = targetCodePage;
        OpenPairFiles();
        CountRecords();
    }
    int Sort()
    {
        RecordArray records;
        if (!LoadAllRecords(g_session.book, &records, {}))
            return -2;
        SortRecords(records, g_session.collation, {});
        return WriteAllRecords(&g_session.book, records, {});
    }
};

TEST_F(SortBook, DeletedRecordsLeaveTheFile)
{
    Open({{L"a", L"1"}, {L"b", L"2"}, {L"c", L"3"}, {L"d", L"4"}, {L"e", L"5"}}, {0, 1, 0, 1, 0});
    RecordArray records;
    ASSERT_TRUE(LoadAllRecords(g_session.book, &records, {}));
    ASSERT_EQ(3u, records.size());
    EXPECT_STREQ(L"c", records[1]->source);
    EXPECT_EQ(0, WriteAllRecords(&g_session.book, records, {}));
    EXPECT_EQ(252u, ReadBytes(L"books\\eng_ned.wb").size());
    EXPECT_EQ(3, g_session.book.count);
    EXPECT_FALSE(FileExists(L"book.tmp"));
}

TEST_F(SortBook, AllDeletedGivesAnEmptyBook)
{
    Open({{L"a", L"1"}, {L"b", L"2"}}, {1, 1});
    EXPECT_EQ(0, Sort());
    EXPECT_EQ(0u, ReadBytes(L"books\\eng_ned.wb").size());
}

TEST_F(SortBook, OrderIsThatOfTheWordComparison)
{
    std::vector<std::wstring> words = {L"table", L"Tab", L"e-mail", L"apple", L"Zebra", L"\u00e9clair", L"b", L"Apple"};
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {
        std::wstring w;
        for (int n = 1 + static_cast<int>(rng() % 8); n > 0; --n)
            w += static_cast<wchar_t>(L"aAbBeE\u00e9-z "[rng() % 10]);
        words.push_back(w);
    }
    WordPairs pairs;
    for (const auto& w : words)
        pairs.emplace_back(w, L"x");
    Open(pairs);
    ASSERT_EQ(0, Sort());
    WordPairs sorted = ReadWordBook(L"books\\eng_ned.wb");
    ASSERT_EQ(pairs.size(), sorted.size());
    for (size_t i = 1; i < sorted.size(); ++i)
        EXPECT_LE(CompareWords(sorted[i - 1].first.c_str(), sorted[i].first.c_str()), 0) << i;
    // Sorting what is sorted keeps size and order.
    ASSERT_EQ(0, Sort());
    EXPECT_EQ(sorted.size(), ReadWordBook(L"books\\eng_ned.wb").size());
}

TEST_F(SortBook, ReadsEveryRecordOfTheFileWhateverTheCountSays)
{
    // A window that searches only the sorted part lowers the count; the
    // records beyond it are words just added and must survive the sort.
    Open({{L"b", L"2"}, {L"d", L"4"}, {L"c", L"3"}, {L"a", L"1"}});
    g_session.book.count = 2;
    ASSERT_EQ(0, Sort());
    WordPairs sorted = ReadWordBook(L"books\\eng_ned.wb");
    ASSERT_EQ(4u, sorted.size());
    EXPECT_EQ(L"a", sorted[0].first);
    EXPECT_EQ(L"d", sorted[3].first);
    EXPECT_EQ(4, g_session.book.count);
}

TEST_F(SortBook, AFailedWriteKeepsTheWordBook)
{
    Open({{L"b", L"2"}, {L"a", L"1"}});
    std::string before = ReadBytes(L"books\\eng_ned.wb");
    CreateDirectoryW(L"book.tmp", nullptr);  // the temporary file can't be made
    EXPECT_EQ(-1, Sort());
    EXPECT_EQ(before, ReadBytes(L"books\\eng_ned.wb"));
    RemoveDirectoryW(L"book.tmp");
    // The book is still open and usable.
    EXPECT_EQ(0, ReadWordRecord(0));
    EXPECT_STREQ(L"b", g_session.record.source);
}

// Each step of the rewrite failing in turn, then a disk that fills up in the
// middle: the book stays as it was, open and readable, with no temporary file.
TEST_F(SortBook, EveryFailingStepKeepsTheWordBook)
{
    WordPairs words;
    for (int i = 5000; i > 0; --i)  // two chunks of the writer
        words.emplace_back(L"w" + std::to_wstring(i), L"t");
    Open(words);
    const std::string before = ReadBytes(L"books\\eng_ned.wb");
    int failAt = 1;
    for (; failAt < 20; ++failAt) {
        InjectFileFault(failAt);
        int result = Sort();
        InjectFileFault(0);
        EXPECT_FALSE(FileExists(L"book.tmp")) << failAt;
        if (result == 0)
            break;
        EXPECT_EQ(before, ReadBytes(L"books\\eng_ned.wb")) << failAt;
        ASSERT_EQ(0, ReadWordRecord(4999)) << failAt;
        EXPECT_STREQ(L"w1", g_session.record.source);
    }
    EXPECT_EQ(6, failAt) << "two writes, a flush, a close and the replace could each fail";
    EXPECT_EQ(before.size(), ReadBytes(L"books\\eng_ned.wb").size());
    ASSERT_EQ(0, ReadWordRecord(0));
    EXPECT_STREQ(L"w1", g_session.record.source);

    Open(words);
    InjectFileFault(0, 4096 * 84 + 100);
    EXPECT_EQ(-1, Sort());
    InjectFileFault(0);
    EXPECT_EQ(before, ReadBytes(L"books\\eng_ned.wb"));
    EXPECT_FALSE(FileExists(L"book.tmp"));
}

// Random raw records in a code page: words drawn from a small pool (so there
// are many equal and case-equal words), some filling their field without a
// terminator, some with bytes the code page lacks or a lone lead byte,
// leftovers after the terminator, and deleted flags of several values.
static std::string RandomBook(int codePage, int records, std::mt19937& rng)
{
    std::vector<std::string> letters;
    for (const char* c : {"a", "A", "b", "B", "e", "E", "z", "Z", "-", "'", " ", "1"})
        letters.emplace_back(c);
    if (codePage == 1252)
        for (const char* c : {"\xe9", "\xc9", "\xe8", "\xff", "\x81", "\x8d", "\xdf", "\x9c", "\x8c"})
            letters.emplace_back(c);
    if (codePage == 1253)
        for (const char* c : {"\xc1", "\xe1", "\xdc", "\xf2", "\xf3", "\xd3", "\xaa", "\xd2", "\xff"})
            letters.emplace_back(c);
    if (codePage == 932)
        for (const char* c : {"\x82\xa0", "\x82\xa2", "\x83\x41", "\xb1", "\xb2", "\x88\x9f", "\x81", "\x5c"})
            letters.emplace_back(c);
    auto word = [&](size_t limit) {
        std::string w;
        size_t length = rng() % 8 == 0 ? limit + 2 : 1 + rng() % 9;
        while (w.size() < length)
            w += letters[rng() % letters.size()];
        return w.substr(0, limit);
    };
    std::vector<std::string> pool;
    for (int i = 0; i < 400; ++i)
        pool.push_back(word(kSourceChars));
    std::string bytes;
    for (int i = 0; i < records; ++i) {
        WordRecord r;
        memset(&r, 0, sizeof r);
        std::string source = pool[rng() % pool.size()], translation = word(kTranslationChars);
        memcpy(r.source, source.data(), source.size());
        memcpy(r.translation, translation.data(), translation.size());
        if (rng() % 10 == 0 && source.size() + 2 < kSourceChars)
            r.source[source.size() + 1] = 'q';
        unsigned d = rng() % 40;
        r.deleted = static_cast<uint16_t>(d == 0 ? 1 : d == 1 ? 2 : d == 2 ? 0x100 : 0);
        bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    return bytes;
}

// The book as the plain sort makes it: every live record in wide form, in
// file order, sorted with std::stable_sort by CompareWords, built back.
static std::string SortedByComparison(const std::string& book, int sourceCodePage, int targetCodePage, const Collation& c)
{
    std::vector<WideRecord> live;
    for (size_t at = 0; at + kRecordSize <= book.size(); at += kRecordSize) {
        WordRecord r;
        memcpy(&r, book.data() + at, sizeof r);
        if (r.deleted != 0)
            continue;
        live.emplace_back();
        memset(&live.back(), 0, sizeof(WideRecord));
        ParseWordRecord(r, sourceCodePage, targetCodePage, &live.back());
        live.back().deleted = 0;
    }
    std::vector<const WideRecord*> order;
    for (const WideRecord& r : live)
        order.push_back(&r);
    std::stable_sort(order.begin(), order.end(),
                     [&](const WideRecord* a, const WideRecord* b) { return CompareWords(c, a->source, b->source) < 0; });
    std::string out;
    for (const WideRecord* r : order) {
        WordRecord w;
        BuildWordRecord(*r, sourceCodePage, targetCodePage, &w);
        out.append(reinterpret_cast<const char*>(&w), sizeof w);
    }
    return out;
}

// The fast sort writes byte for byte what the plain comparison sort writes,
// equal words in file order, with a table and under a locale, in code
// pages of one byte and of two; the large books take the two-thread path.
TEST_F(SortBook, WritesWhatTheComparisonSortWrites)
{
    struct Case {
        int sourceCodePage, targetCodePage;
        const wchar_t* table;   // null: the locale
        const wchar_t* locale;  // null: leave it
        int collationCodePage;
        int records;
    };
    const Case cases[] = {
        {1252, 1252, L"tables/english.stb", nullptr, 1252, 3000},
        {1252, 1252, L"tables/english.stb", nullptr, 1252, 70000},
        {1253, 1252, L"tables/greek.stb", nullptr, 1253, 3000},
        {1252, 1253, L"tables/greek.stb", nullptr, 1253, 3000},  // the table weighs another code page
        {932, 1252, L"tables/english.stb", nullptr, 932, 3000},
        {1252, 932, nullptr, L"C", 1252, 3000},
        {1252, 1253, nullptr, L"english", 1252, 3000},
        {1253, 1252, nullptr, L"english", 1253, 3000},
        {932, 932, nullptr, L"english", 932, 3000},
        {1252, 1252, nullptr, L"english", 1252, 70000},
    };
    std::mt19937 rng(11);
    for (int round = 0; round < 2; ++round)
    for (const Case& k : cases) {
        // The second time the locale cases order their words by the comparison.
        if (round == 1 && k.table)
            continue;
        g_sortBookCompareSortOnly = round == 1;
        SCOPED_TRACE(testing::Message() << k.sourceCodePage << "/" << k.targetCodePage << " "
                                        << (k.table ? k.table : k.locale) << " " << k.records << " round " << round);
        if (k.locale) {
            ASSERT_TRUE(ApplyPairLocale(k.locale));
        }
        Collation& c = g_session.collation;
        c.useTable = k.table != nullptr;
        c.codePage = k.collationCodePage;
        if (k.table) {
            ASSERT_TRUE(ReadSortTableFile(BuildPath(k.table).c_str(), c.table));
        }
        std::string book = RandomBook(k.sourceCodePage, k.records, rng);
        WriteBytes(L"books\\eng_ned.wb", book);
        OpenAs(k.sourceCodePage, k.targetCodePage);
        ASSERT_EQ(0, Sort());
        EXPECT_TRUE(SortedByComparison(book, k.sourceCodePage, k.targetCodePage, c) ==
                    ReadBytes(L"books\\eng_ned.wb"));
        CloseWordBook(&g_session.book);
    }
    g_sortBookCompareSortOnly = false;
    ApplyPairLocale(L"C");
}

// A share or a device is never mapped: a read error there must stay a read error.
TEST_F(SortBook, MapsOnlyFilesOnALocalFixedDrive)
{
    EXPECT_FALSE(OnLocalFixedDrive(L"\\\\server\\share\\eng_ned.wb"));
    EXPECT_FALSE(OnLocalFixedDrive(L"\\\\.\\pipe\\eng_ned"));
    EXPECT_FALSE(OnLocalFixedDrive((L"C:\\" + std::wstring(MAX_PATH, L'a')).c_str()));
}

} // namespace
