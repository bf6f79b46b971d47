// Damaged files of every kind the core reads, made from good ones with fixed
// seeds: nothing may crash, and what the readers give back stays in its limits.
// Rounds per reader: the count below times WB_FUZZ_ROUNDS.
#include "core/collate.h"
#include "core/review.h"
#include "core/scores.h"
#include "tests/core/corefixture.h"
#include "tests/support/fuzz.h"
#include <cwchar>

namespace {

bool Terminated(const wchar_t* field, size_t size) { return wmemchr(field, L'\0', size) != nullptr; }

class Mutation : public CoreTest {};

TEST_F(Mutation, WordBooks)
{
    std::string good;
    for (const char* w : {"apple", "bar", "foo", "table", "zebra"}) {
        WordRecord r{};
        strcpy(r.source, w);
        strcpy(r.translation, "one, two");
        good.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    WriteBytes(L"DICT.INI", "[Languages]\nenglish,english,0\n");
    MakeDir(L"books");
    for (int round = 0; round < FuzzRounds(150); ++round) {
        SCOPED_TRACE(FuzzWhere(1, round));
        std::mt19937 rng = RoundGenerator(1, round);
        std::string bad = Mutate(good, rng);
        WriteBytes(L"books\\eng_ned.wb", bad);
        ASSERT_EQ(0, LoadCatalogue());
        g_catalogue.current = g_catalogue.entries[0].get();
        OpenPairFiles();
        CountRecords();
        ASSERT_EQ(static_cast<int>(bad.size() / kRecordSize), g_session.book.count);
        for (int i = 0; i < g_session.book.count; ++i) {
            ASSERT_EQ(0, ReadWordRecord(i));
            ASSERT_TRUE(Terminated(g_session.record.source, kSourceChars));
            ASSERT_TRUE(Terminated(g_session.record.translation, kTranslationChars));
        }
        ASSERT_EQ(-1, ReadWordRecord(g_session.book.count));
        for (const wchar_t* w : {L"", L"a", L"foo", L"zzzz"}) {
            int at = FindWordPosition(w);
            ASSERT_GE(at, 0);
            ASSERT_LE(at, g_session.book.count);
        }
        ClosePairFiles();
        ASSERT_TRUE(HeapsIntact());
    }
}

TEST_F(Mutation, Catalogues)
{
    const std::string good =
        "# header\n\n[Addnew]\n\n[Selected]\nfrancais_nederlands.wb\n\n[Languages]\n"
        "english,english,0,english\nfrancais,french,0,francais\ngreek,greek,161,greek\n\n# --- EOF\n";
    MakeDir(L"books");
    for (int round = 0; round < FuzzRounds(150); ++round) {
        SCOPED_TRACE(FuzzWhere(2, round));
        std::mt19937 rng = RoundGenerator(2, round);
        std::string bad = Mutate(good, rng);
        WriteBytes(L"DICT.INI", bad);
        if (LoadCatalogue() != 0)
            continue;
        ASSERT_EQ(0, g_catalogue.count() % 2);
        for (auto& e : g_catalogue.entries) {
            ASSERT_TRUE(Terminated(e->sourceName, 100));
            ASSERT_TRUE(Terminated(e->wordBookFile, 13));
            ASSERT_TRUE(Terminated(e->longWordBookFile, 205));
            ASSERT_TRUE(Terminated(e->sourceLocale, 21));
        }
        int entries = g_catalogue.count();
        SelectFromCatalogueFile();
        ASSERT_NE(nullptr, CurrentPair());
        // Recording the choice keeps every other line: the catalogue reads the same.
        for (auto& e : g_catalogue.entries)
            WriteBytes(std::wstring(L"books\\") + PairWordBookFile(e.get()), "");
        MessageCapture capture;
        ActivateCurrentPair(CurrentPair());
        ClosePairFiles();
        ASSERT_EQ(0, LoadCatalogue()) << "before:\n" << bad << "\nafter:\n" << ReadBytes(L"DICT.INI");
        ASSERT_EQ(entries, g_catalogue.count());
        ASSERT_TRUE(HeapsIntact());
    }
}

TEST_F(Mutation, CollationTables)
{
    std::string good = ReadBytes(BuildPath(L"tables/english.stb"));
    ASSERT_EQ(256u, good.size());
    auto pair = std::make_unique<LanguagePair>();
    wcscpy(pair->sourceName, L"english");
    pair->sourceCodePage = 1252;
    pair->hasSortTable = 1;
    g_catalogue.entries.push_back(std::move(pair));
    g_catalogue.current = g_catalogue.entries[0].get();
    MakeDir(L"tables");
    MessageCapture capture;
    for (int round = 0; round < FuzzRounds(100); ++round) {
        SCOPED_TRACE(FuzzWhere(3, round));
        std::mt19937 rng = RoundGenerator(3, round);
        std::string bad = Mutate(good, rng);
        WriteBytes(L"tables\\english.stb", bad);
        unsigned char before[kSortTableSize];
        memcpy(before, g_session.collation.table, sizeof before);
        LoadSortTable(CurrentPair(), &g_session.collation);
        if (bad.size() < kSortTableSize) {
            ASSERT_EQ(0, memcmp(before, g_session.collation.table, sizeof before)) << "a short table changed the one in force";
        }
        const wchar_t* words[] = {L"apple", L"Apple", L"e-mail", L"\u00e9t\u00e9", L"", L"zebra"};
        for (const wchar_t* a : words)
            for (const wchar_t* b : words) {
                int ab = CompareWords(a, b), ba = CompareWords(b, a);
                ASSERT_TRUE(ab >= -1 && ab <= 1);
                ASSERT_EQ(ab, -ba);
            }
    }
}

TEST_F(Mutation, StringsFiles)
{
    std::string good = ReadBytes(BuildPath(L"strings/english.str"));
    ASSERT_FALSE(good.empty());
    int loaded = 0;
    for (int round = 0; round < FuzzRounds(120); ++round) {
        SCOPED_TRACE(FuzzWhere(4, round));
        std::mt19937 rng = RoundGenerator(4, round);
        std::string bad = Mutate(good, rng);
        WriteBytes(L"damaged.str", bad);
        std::string missing;
        if (!LoadUiStringsFromFile(L"damaged.str", &missing))
            continue;
        ++loaded;
        for (int id = 0; id < Txt_Count; ++id)
            ASSERT_LE(wcslen(Str(static_cast<StringId>(id))), bad.size());
        ASSERT_TRUE(HeapsIntact());
    }
    EXPECT_GT(loaded, 0);
}

TEST_F(Mutation, ListsRoots)
{
    for (int round = 0; round < FuzzRounds(20); ++round) {
        SCOPED_TRACE(FuzzWhere(5, round));
        std::mt19937 rng = RoundGenerator(5, round);
        if (round % 2) {
            WriteBytes(L"lists", std::string(rng() % 50, 'x'));
        } else {
            DeleteFileW(L"lists");
            MakeDir(L"lists");
            MakeDir(L"lists\\" + std::to_wstring(rng()));
            WriteBytes(L"lists\\" + std::to_wstring(rng()), "plain");
        }
        int n = CountLists();
        ASSERT_GE(n, 0);
        std::wstring first = FirstListName();
        ASSERT_EQ(n == 0, first.empty());
        ASSERT_LT(first.size(), static_cast<size_t>(kListNameChars));
        if (round % 2 == 0) {
            // Empties the root for the next round's plain file.
            WIN32_FIND_DATAW fd;
            HANDLE h = FindFirstFileW(L"lists\\*", &fd);
            do {
                std::wstring p = std::wstring(L"lists\\") + fd.cFileName;
                if (fd.cFileName[0] != L'.')
                    (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(p.c_str()) : DeleteFileW(p.c_str());
            } while (FindNextFileW(h, &fd));
            FindClose(h);
            RemoveDirectoryW(L"lists");
        }
    }
}

// Practice-list files of a double-byte pair: lead bytes cut by the field end,
// a partial record, flags of any value.
TEST_F(Mutation, ListFiles)
{
    std::string good;
    for (const char* w : {"\x82\xa0", "\x88\xa4\x82\xb5", "abc", "\x93\xfa\x96\x7b"}) {
        WordRecord r{};
        strcpy(r.source, w);
        strcpy(r.translation, "one, two");
        r.deleted = 1;
        good.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    WriteBytes(L"DICT.INI", "[Languages]\njapanese,japanese,128\n");
    MakeDir(L"books");
    MakeDir(L"lists");
    MakeDir(L"lists\\week");
    WriteBytes(L"books\\jap_ned.wb", "");
    for (int round = 0; round < FuzzRounds(150); ++round) {
        SCOPED_TRACE(FuzzWhere(6, round));
        std::mt19937 rng = RoundGenerator(6, round);
        std::string bad = Mutate(good, rng);
        WriteBytes(L"lists\\week\\jap_ned.ls", bad);
        ASSERT_EQ(0, LoadCatalogue());
        g_catalogue.current = g_catalogue.entries[0].get();
        wcscpy(g_session.listName, L"week");
        OpenPairFiles();
        CountListRecords();
        ASSERT_EQ(static_cast<int>(bad.size() / kRecordSize), g_session.list.count);
        for (int i = 0; i < g_session.list.count; ++i) {
            ASSERT_EQ(0, ReadListRecord(i));
            ASSERT_TRUE(Terminated(g_session.record.source, kSourceChars));
            ASSERT_TRUE(Terminated(g_session.record.translation, kTranslationChars));
        }
        ASSERT_EQ(-1, ReadListRecord(g_session.list.count));
        ASSERT_EQ(-1, ReadListRecord(-1));
        ClosePairFiles();
        ASSERT_TRUE(HeapsIntact());
    }
}

TEST_F(Mutation, ScoreFiles)
{
    const std::string good = "3\r\n12\r\n";
    WriteBytes(L"week.score", "-3\r\n12\r\n");
    Score negative;
    EXPECT_FALSE(ReadScore(L"week.score", &negative));
    EXPECT_FALSE(negative.known());
    for (int round = 0; round < FuzzRounds(150); ++round) {
        SCOPED_TRACE(FuzzWhere(7, round));
        std::mt19937 rng = RoundGenerator(7, round);
        std::string bad = round % 8 == 7 ? RandomBytes(rng, 64) : Mutate(good, rng);
        WriteBytes(L"week.score", bad);
        Score best;
        if (!ReadScore(L"week.score", &best)) {
            ASSERT_FALSE(best.known());
            continue;
        }
        // A damaged score never blocks a better run for good: counts are
        // never negative, so a run of no skips and no errors can beat it.
        ASSERT_GE(best.skips, 0) << bad;
        ASSERT_GE(best.errors, 0) << bad;
        Score perfect;
        perfect.skips = perfect.errors = 0;
        if (best.skips > 0 || best.errors > 0) {
            ASSERT_TRUE(IsBetterScore(perfect, best)) << bad;
        }
        ASSERT_TRUE(WriteScore(L"week.score", perfect));
        Score again;
        ASSERT_TRUE(ReadScore(L"week.score", &again));
        ASSERT_EQ(0, again.skips);
        ASSERT_EQ(0, again.errors);
    }
}

TEST_F(Mutation, ReviewSchedules)
{
    std::string good;
    for (int i = 0; i < 6; ++i) {
        int32_t entry[2] = {1 + i % 5, 9000 + i};
        good.append(reinterpret_cast<const char*>(entry), sizeof entry);
    }
    const int today = 9003;
    for (int round = 0; round < FuzzRounds(150); ++round) {
        SCOPED_TRACE(FuzzWhere(8, round));
        std::mt19937 rng = RoundGenerator(8, round);
        std::string bad = round % 8 == 7 ? RandomBytes(rng, 100) : Mutate(good, rng);
        WriteBytes(L"week.review", bad);
        int count = static_cast<int>(rng() % 10) - 1;  // the list may be shorter or longer, or even "-1"
        std::vector<ReviewEntry> schedule = ReadSchedule(L"week.review", count);
        ASSERT_EQ(static_cast<size_t>(std::max(count, 0)), schedule.size());
        for (ReviewEntry& e : schedule) {
            ASSERT_GE(e.box, kFirstBox);
            ASSERT_LE(e.box, kLastBox);
            ScheduleAnswer(&e, rng() % 2, today);
            ASSERT_GE(e.box, kFirstBox);
            ASSERT_LE(e.box, kLastBox);
            ASSERT_GE(e.due, today);
            ASSERT_LE(e.due, today + BoxInterval(kLastBox));
        }
        std::vector<int> due = DueRecords(schedule, today);
        for (int i : due)
            ASSERT_LT(static_cast<size_t>(i), schedule.size());
        std::vector<int> boxes = BoxCounts(schedule);
        int total = 0;
        for (int n : boxes)
            total += n;
        ASSERT_EQ(static_cast<int>(schedule.size()), total);
        DayText(NextDueDay(schedule, today));
        std::vector<bool> keep(std::max(count, 0));
        for (size_t i = 0; i < keep.size(); ++i)
            keep[i] = rng() % 2;
        ASSERT_TRUE(CompactSchedule(L"week.review", keep));
        ASSERT_TRUE(HeapsIntact());
    }
}

TEST_F(Mutation, ReviewHistories)
{
    const std::string good = "when,mode,asked,errors,skips\r\n2026-12-09 14:05:31,typed,20,3,1\r\n"
                             "2026-12-10 09:00:00,review,7,0,0\r\n";
    for (int round = 0; round < FuzzRounds(150); ++round) {
        SCOPED_TRACE(FuzzWhere(9, round));
        std::mt19937 rng = RoundGenerator(9, round);
        std::string bad = round % 8 == 7 ? RandomBytes(rng, 300) : Mutate(good, rng);
        WriteBytes(L"week.history", bad);
        std::vector<HistoryLine> lines = ReadHistory(L"week.history");
        ASSERT_LE(lines.size(), bad.size() / 20 + 1);
        for (const HistoryLine& line : lines) {
            ASSERT_EQ(19u, line.when.size());
            ASSERT_GE(line.asked, 0);
            ASSERT_GE(line.errors, 0);
            ASSERT_GE(line.skips, 0);
        }
        // A run appended to a damaged history reads back as the last line; one
        // that is no history any more is left as it is.
        bool damaged = false;
        if (!AppendHistory(L"week.history", {L"2027-01-01 10:00:00", L"typed", 5, 1, 0}, &damaged)) {
            ASSERT_TRUE(damaged);
            ASSERT_EQ(bad, ReadBytes(L"week.history"));
            ASSERT_TRUE(HeapsIntact());
            continue;
        }
        std::vector<HistoryLine> after = ReadHistory(L"week.history");
        ASSERT_FALSE(after.empty());
        ASSERT_EQ(L"2027-01-01 10:00:00", after.back().when);
        ASSERT_EQ(5, after.back().asked);
        ASSERT_TRUE(HeapsIntact());
    }
}

} // namespace
