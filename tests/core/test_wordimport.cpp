// Tables in and out of a Greek-English pair: the readers and writer, the
// plan of an import, its files, and what a cancel or a failed step leaves.
#include "core/fileutil.h"
#include "core/review.h"
#include "core/wordimport.h"
#include "tests/core/corefixture.h"
#include "tests/support/install.h"

namespace {

using Rows = std::vector<std::pair<long, std::vector<std::string>>>;

Rows RowsOf(const Table& t)
{
    Rows rows;
    for (const TableRow& r : t.rows)
        rows.emplace_back(r.line, r.cells);
    return rows;
}

TEST(Tables, ReadEveryRowWithTheLineItStartsOn)
{
    struct Case {
        TableFormat format;
        std::string data;
        Rows rows;
        long open;
    } cases[] = {
        {TableFormat::Tsv, "\xEF\xBB\xBF" "a\tb\r\n\r\n  \t \nc\t\"d\"\te",
         {{1, {"a", "b"}}, {4, {"c", "\"d\"", "e"}}}, 0},
        {TableFormat::Csv, "a,\"b, c\"\r\n\n\"x\r\ny\",\"say \"\"hi\"\"\"\r\nlast",
         {{1, {"a", "b, c"}}, {3, {"x\r\ny", "say \"hi\""}}, {5, {"last"}}}, 0},
        {TableFormat::Csv, "\xEF\xBB\xBFw;t\n\"1;2\";x\n;\n", {{1, {"w", "t"}}, {2, {"1;2", "x"}}}, 0},
        {TableFormat::Csv, "a,\"open\nmore", {{1, {"a", "open\nmore"}}}, 1},
        {TableFormat::Tsv, std::string("\xFF\xFEh\0\t\0\xb1\x03\n\0", 10), {{1, {"h", "\xce\xb1"}}}, 0},
    };
    for (const Case& c : cases) {
        Table t = ReadTable(c.data, c.format);
        EXPECT_EQ(c.rows, RowsOf(t)) << c.data;
        EXPECT_EQ(c.open, t.unterminatedQuotes) << c.data;
    }
    EXPECT_EQ(TableFormat::Csv, GuessTableFormat(L"x.CSV", "a\tb"));
    EXPECT_EQ(TableFormat::Tsv, GuessTableFormat(L"x.txt", "a,b"));
    EXPECT_EQ(TableFormat::Tsv, GuessTableFormat(L"x", "\xEF\xBB\xBF" "a\tb,c\n"));
    EXPECT_EQ(TableFormat::Csv, GuessTableFormat(L"x", "a,b\n\t"));
}

TEST(Tables, WrittenLinesReadBackTheSame)
{
    const std::vector<std::wstring> cells = {L"plain", L"a, b", L"say \"hi\"", L"1;2", L"two\nlines", L"\u03b1\u03b2",
                                             L""};
    Table csv = ReadTable(TableStart(TableFormat::Csv) + TableLine(cells, TableFormat::Csv), TableFormat::Csv);
    Table tsv = ReadTable(TableLine(cells, TableFormat::Tsv) + TableLine({L"a\tb", L"c"}, TableFormat::Tsv),
                          TableFormat::Tsv);
    std::vector<std::string> utf8;
    for (const std::wstring& c : cells)
        utf8.push_back(Narrow(c));
    EXPECT_EQ(Rows({{1, utf8}}), RowsOf(csv));
    utf8[4] = "two lines";
    EXPECT_EQ(Rows({{1, utf8}, {2, {"a b", "c"}}}), RowsOf(tsv));
}

const std::wstring kHouse = L"\u03c3\u03c0\u03af\u03c4\u03b9", kCat = L"\u03b3\u03ac\u03c4\u03b1",
                   kTaxi = L"\u03c4\u03b1\u03be\u03af", kAlpha = L"\u03b1", kOmega = L"\u03c9";
const wchar_t* const kForward = L"books\\gre_eng.wb";
const wchar_t* const kMirror = L"books\\eng_gre.wb";
const wchar_t* const kJournal = L"new\\greek_english.wb";

class WordImport : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        std::string missing;
        ASSERT_TRUE(LoadUiStringsFromFile(BuildPath(L"strings/english.str").c_str(), &missing)) << missing;
        UseAgreedStrings();
        MakeDir(L"books");
        MakeDir(L"tables");
        MakeDir(L"new");
        CopyFileW(BuildPath(L"tables/english.stb").c_str(), L"tables\\english.stb", FALSE);
        // Greek is ordered without a table, English by its table.
        greek_ = AddPair(L"greek", L"english", 1253, 1252, L"gre_eng", 0);
        AddPair(L"english", L"greek", 1252, 1253, L"eng_gre", 1);
        g_catalogue.current = greek_;
        WriteBooks();
        OpenPairFiles();
        CountRecords();
    }
    void TearDown() override
    {
        InjectFileFault(0);
        FreeUiStrings();
        CoreTest::TearDown();
    }
    LanguagePair* AddPair(const wchar_t* source, const wchar_t* target, int sourceCp, int targetCp,
                          const wchar_t* file, int table)
    {
        auto pair = std::make_unique<LanguagePair>();
        wcscpy(pair->sourceName, source);
        wcscpy(pair->targetName, target);
        wcscpy(pair->sourceLocale, source);
        wcscpy(pair->wordBookFile, (std::wstring(file) + L".wb").c_str());
        wcscpy(pair->listFile, (std::wstring(file) + L".ls").c_str());
        pair->sourceCodePage = sourceCp;
        pair->targetCodePage = targetCp;
        pair->hasSortTable = table;
        g_catalogue.entries.push_back(std::move(pair));
        return g_catalogue.entries.back().get();
    }
    static void WriteBooks()
    {
        WriteWordBook(kForward, {{kAlpha, L"a"}, {L"\u03b2", L"b"}, {kCat, L"kitten"}, {kOmega, L"o"}}, {0, 1, 0, 0},
                      1253, 1252);
        WriteWordBook(kMirror, {{L"cab", kTaxi}, {L"cat", kCat}, {L"house", L"\u03bf\u03af\u03ba\u03bf\u03c2"}}, {},
                      1252, 1253);
        WriteWordBook(kJournal, {{L"old", L"word"}}, {}, 1253, 1252);
    }
    // A header, entries added, replaced and merged, and a refusal of every kind.
    ImportPlan Plan()
    {
        std::string data = "greek\tEnglish\n" + Narrow(kHouse) + "\thouse; home\n" + Narrow(kCat) +
                           "\tcat\n\tno word\n\xcf\x83\t\nwo,rd\tx\n\xd0\xb6\tx\n" + std::string(31, 'g') +
                           "\tx\nw\t\xd0\xb6\nlong\t" + std::string(51, 'x') + "\ntaxi\tcab\nTAXI\ttaxi, cab\nTaxi\t" +
                           std::string(41, 'y') + "\n";
        Table table = ReadTable(data, TableFormat::Tsv);
        EXPECT_TRUE(LooksLikeHeader(table, greek_));
        ImportPlan plan;
        std::wstring error;
        EXPECT_TRUE(PlanImport(table, {0, 1, true}, greek_, &plan, &error)) << Narrow(error);
        return plan;
    }
    std::vector<std::string> Files()
    {
        std::vector<std::string> files;
        for (const wchar_t* dir : {L".", L"books", L"new"})
            for (const std::wstring& name : FilesIn(dir))
                files.push_back(Narrow(std::wstring(dir) + L"\\" + name) + "=" +
                                ReadBytes(std::wstring(dir) + L"\\" + name));
        return files;
    }
    LanguagePair* greek_ = nullptr;
};

TEST_F(WordImport, PlanCountsEntriesAndListsEveryRefusal)
{
    ImportPlan plan = Plan();
    ASSERT_EQ(3u, plan.entries.size());
    EXPECT_EQ(kHouse, plan.entries[0].word);
    EXPECT_EQ(L"house, home", plan.entries[0].translation);
    EXPECT_FALSE(plan.entries[0].replaces);
    EXPECT_TRUE(plan.entries[1].replaces);
    EXPECT_EQ(L"taxi", plan.entries[2].word);
    EXPECT_EQ(L"cab, taxi", plan.entries[2].translation);
    EXPECT_EQ(11, plan.entries[2].line);
    EXPECT_EQ(2, plan.added);
    EXPECT_EQ(1, plan.replaced);
    EXPECT_FALSE(plan.noMirror);
    using R = ImportRefusal;
    const std::vector<std::tuple<long, R, int>> refused = {
        {4, R::NoWord, 0},      {5, R::NoTranslation, 0},       {6, R::WordHasComma, 0}, {7, R::WordNotHeld, 0},
        {8, R::WordTooLong, 31}, {9, R::TranslationNotHeld, 0}, {10, R::TranslationTooLong, 51},
        {13, R::TranslationTooLong, 52}};
    std::vector<std::tuple<long, R, int>> got;
    for (const RefusedLine& r : plan.refused)
        got.emplace_back(r.line, r.why, r.bytes);
    EXPECT_EQ(refused, got);
    EXPECT_EQ("wo,rd\tx", plan.refused[2].text);
    EXPECT_EQ(L"the word takes 31 bytes in the code page of greek, and a word may take at most 30",
              RefusalText(plan.refused[4], greek_));
    ASSERT_TRUE(SaveRefusedLines(L"refused.tsv", plan));
    Table saved = ReadTable(ReadBytes(L"refused.tsv"), TableFormat::Tsv);
    ASSERT_EQ(8u, saved.rows.size());
    EXPECT_EQ((std::vector<std::string>{"6", Narrow(RefusalText(plan.refused[2], greek_)), "wo,rd", "x"}),
              saved.rows[2].cells);
}

TEST_F(WordImport, StoresForwardReverseAndJournalSortedAndReopensTheBook)
{
    ImportPlan plan = Plan();
    std::wstring failed;
    ASSERT_EQ(ImportResult::Done, ApplyImport(plan, greek_, {}, &failed));
    EXPECT_EQ(WordPairs({{L"taxi", L"cab, taxi"}, {kAlpha, L"a"}, {kCat, L"cat"}, {kHouse, L"house, home"},
                         {kOmega, L"o"}}),
              ReadWordBook(kForward, 1253, 1252));
    EXPECT_EQ(WordPairs({{L"cab", kTaxi + L", taxi"}, {L"cat", kCat}, {L"home", kHouse},
                         {L"house", L"\u03bf\u03af\u03ba\u03bf\u03c2, " + kHouse}, {L"taxi", L"taxi"}}),
              ReadWordBook(kMirror, 1252, 1253));
    EXPECT_EQ(WordPairs({{L"old", L"word"}, {kHouse, L"house, home"}, {L"taxi", L"cab, taxi"}}),
              ReadWordBook(kJournal, 1253, 1252));
    EXPECT_TRUE(g_session.book.isOpen());
    EXPECT_EQ(5, g_session.book.count);
}

// Each cancel point and each failing step of the file seam in turn: the
// files are as they were, byte for byte, and no temporary is left.
TEST_F(WordImport, CancelOrAnyFailedStepLeavesEveryFileAsItWas)
{
    ImportPlan plan = Plan();
    const std::vector<std::string> before = Files();
    struct Cancel {
        int at, calls = 0;
        static bool Step(void* c, long, long) { auto* self = static_cast<Cancel*>(c); return ++self->calls < self->at; }
    };
    std::wstring failed;
    int at = 1;
    for (;; ++at) {
        Cancel cancel{at};
        ImportResult result = ApplyImport(plan, greek_, {Cancel::Step, &cancel}, &failed);
        if (result == ImportResult::Done)
            break;
        EXPECT_EQ(ImportResult::Cancelled, result) << at;
        EXPECT_EQ(before, Files()) << "cancelled at " << at;
    }
    EXPECT_GE(at, 5);
    const std::vector<std::string> after = Files();
    long failAt = 1;
    for (;; ++failAt) {
        WriteBooks();
        InjectFileFault(failAt);
        ImportResult result = ApplyImport(plan, greek_, {}, &failed);
        long steps = FileStepsTaken();
        InjectFileFault(0);
        if (result == ImportResult::Failed) {
            EXPECT_EQ(before, Files()) << "step " << failAt;
            EXPECT_FALSE(failed.empty());
        } else {
            ASSERT_EQ(ImportResult::Done, result);
            // A backup that could not go is the old file, and goes at the next import.
            std::vector<std::string> files = Files();
            std::erase_if(files, [](const std::string& f) { return f.find(".old=") != std::string::npos; });
            EXPECT_EQ(after, files) << "step " << failAt;
        }
        EXPECT_TRUE(g_session.book.isOpen());
        if (steps < failAt)
            break;
        for (const wchar_t* old : {L"books\\gre_eng.wb.old", L"books\\eng_gre.wb.old", L"new\\greek_english.wb.old"})
            DeleteFileW(old);
    }
    EXPECT_GE(failAt, 10);
}

// New words merged into a sorted book, or a book out of order sorted whole:
// both books end in their collation's order, every record kept.
TEST_F(WordImport, BothBooksEndInOrderWhetherOrNotTheyWereSorted)
{
    for (bool sorted : {true, false}) {
        WordPairs old;
        std::string lines;
        for (int i = 0; i < 300; ++i) {
            std::wstring word = {L"aAbBe-"[(i * 7) % 6], L"abE-z"[(i * 13) % 5], L"xyz"[i % 3]};
            if (i % 3)
                old.emplace_back(word, L"w");
            if (i % 2)
                lines += Narrow(word + (i % 4 == 1 ? L"x" : L"")) + "\tcat, c" + std::to_string(i % 17) + "\n";
        }
        if (!sorted)
            std::reverse(old.begin(), old.end());
        WriteWordBook(kForward, old, {}, 1253, 1252);
        ImportPlan plan;
        ASSERT_TRUE(PlanImport(ReadTable(lines, TableFormat::Tsv), {}, greek_, &plan, nullptr));
        std::wstring failed;
        ASSERT_EQ(ImportResult::Done, ApplyImport(plan, greek_, {}, &failed));
        for (const LanguagePair* pair : {g_catalogue.entries[0].get(), g_catalogue.entries[1].get()}) {
            Collation c;
            LoadSortTable(pair, &c);
            ApplyPairLocale(pair->sourceLocale);
            WordPairs book = ReadWordBook(PairWordBookPath(pair), pair->sourceCodePage, pair->targetCodePage);
            for (size_t i = 1; i < book.size(); ++i)
                EXPECT_LE(CompareWords(c, book[i - 1].first.c_str(), book[i].first.c_str()), 0) << sorted << i;
        }
        ApplyPairLocale(greek_->sourceLocale);
        EXPECT_EQ(old.size() + plan.added, ReadWordBook(kForward).size());
    }
}

TEST_F(WordImport, ExportedBookImportsIntoAnEmptyPairAsTheSameRecords)
{
    const WordPairs words = {{L"taxi", L"1,5 km, cab"}, {kAlpha, L"a, \"b\""}, {kCat, L"cat"}};
    for (TableFormat format : {TableFormat::Tsv, TableFormat::Csv}) {
        WriteWordBook(kForward, words, {}, 1253, 1252);
        std::wstring error;
        ASSERT_TRUE(ExportWordBook(greek_, L"out.txt", format, &error)) << Narrow(error);
        WriteBytes(kForward, "");
        ImportPlan plan;
        ASSERT_TRUE(PlanImport(ReadTable(ReadBytes(L"out.txt"), format), {}, greek_, &plan, &error));
        EXPECT_TRUE(plan.refused.empty());
        std::wstring failed;
        ASSERT_EQ(ImportResult::Done, ApplyImport(plan, greek_, {}, &failed));
        EXPECT_EQ(words, ReadWordBook(kForward, 1253, 1252));
    }
}

TEST_F(WordImport, ExportedListCarriesBoxDueDayAndTags)
{
    MakeDir(L"lists");
    MakeDir(L"lists\\my verbs");
    const std::wstring list = L"lists\\my verbs\\gre_eng.ls";
    WriteWordBook(list, {{kCat, L"cat, kitten"}, {kAlpha, L"a"}}, {}, 1253, 1252);
    const int due = Today() + 3;
    ASSERT_TRUE(WriteSchedule(SchedulePath(list), {{3, due}}));
    std::wstring error;
    ASSERT_TRUE(ExportPracticeList(greek_, L"my verbs", L"list.csv", TableFormat::Csv, &error)) << Narrow(error);
    EXPECT_EQ(Rows({{1, {Narrow(kCat), "cat, kitten", "3", Narrow(DayText(due)), "my_verbs box3"}},
                    {2, {Narrow(kAlpha), "a", "1", Narrow(DayText(Today())), "my_verbs box1"}}}),
              RowsOf(ReadTable(ReadBytes(L"list.csv"), TableFormat::Csv)));
    EXPECT_FALSE(ExportPracticeList(greek_, L"none", L"list.csv", TableFormat::Csv, &error));
    EXPECT_NE(std::wstring::npos, error.find(L"lists\\none\\gre_eng.ls"));
}

}  // namespace
