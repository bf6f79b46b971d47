#include "core/catalogue.h"
#include "core/collate.h"
#include "core/fileutil.h"
#include "core/session.h"
#include "core/sortbook.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/testutil.h"
#include <algorithm>
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
            w += static_cast<wchar_t>(L"aAbBeE\u00e9-z "[rng() % 12]);
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

} // namespace
