#include "setup/wordlist.h"
#include "core/fileutil.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/collate.h"
#include "core/records.h"
#include "core/uistrings.h"
#include "tests/support/testutil.h"
#include <algorithm>
#include <clocale>
#include <cstring>
#include <random>

namespace {

std::string Record(const std::string& source, const std::string& translation, uint16_t deleted = 0)
{
    WordRecord r{};
    memcpy(r.source, source.data(), std::min<size_t>(source.size(), sizeof r.source));
    memcpy(r.translation, translation.data(), std::min<size_t>(translation.size(), sizeof r.translation));
    r.deleted = deleted;
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

std::vector<std::pair<std::string, std::string>> Records(const std::string& bytes)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (size_t i = 0; i + kRecordSize <= bytes.size(); i += kRecordSize) {
        auto r = reinterpret_cast<const WordRecord*>(bytes.data() + i);
        out.push_back({std::string(r->source, strnlen(r->source, 31)), std::string(r->translation, strnlen(r->translation, 51))});
    }
    return out;
}

// The builder the plain way, on wide work items; equal-comparing words
// ordered by character codes, a run in input order, merged while the bytes
// of the translation stay below 50.
std::string ReferenceBuild(const std::string& input, int foreignCp, int mainCp, const unsigned char* table)
{
    std::vector<WordRecord> temp;
    for (size_t i = 0; i + kRecordSize <= input.size(); i += kRecordSize) {
        wchar_t source[31], translation[51];
        ToWideField(input.data() + i, 31, source, 31, foreignCp);
        ToWideField(input.data() + i + 31, 51, translation, 51, mainCp);
        char foreign[64];
        ToNarrow(source, foreign, foreignCp);
        if (!*foreign || strlen(foreign) > 50)
            continue;
        for (wchar_t* part = wcstok(translation, L","); part; part = wcstok(nullptr, L",")) {
            char narrow[110];
            ToNarrow(part, narrow, mainCp);
            const char* word = narrow + strspn(narrow, " ");
            if (*word && strlen(word) <= 30) {
                WordRecord r{};
                strcpy(r.source, word);
                strcpy(r.translation, foreign);
                temp.push_back(r);
            }
        }
    }
    std::vector<WideRecord> items(temp.size());
    for (size_t i = 0; i < temp.size(); ++i) {
        ToWideField(temp[i].source, 31, items[i].source, 31, mainCp);
        ToWideField(temp[i].translation, 51, items[i].translation, 51, foreignCp);
    }
    auto byTable = [&](const wchar_t* a, const wchar_t* b) {
        char na[64], nb[64];
        unsigned char ka[kSortKeyBuffer], kb[kSortKeyBuffer];
        ToNarrow(a, na, mainCp);
        ToNarrow(b, nb, mainCp);
        int la = MakeSortKey(reinterpret_cast<unsigned char*>(na), table, ka);
        int lb = MakeSortKey(reinterpret_cast<unsigned char*>(nb), table, kb);
        return CompareSortKeys(ka, la, kb, lb);
    };
    std::stable_sort(items.begin(), items.end(), [&](const WideRecord& a, const WideRecord& b) {
        int c = table ? byTable(a.source, b.source) : CompareByLocale(a.source, b.source);
        return c ? c < 0 : wcscmp(a.source, b.source) < 0;
    });
    auto narrow = [&](const wchar_t* w) {
        char n[3 * 51 + 1];
        ToNarrow(w, n, foreignCp);
        return std::string(n);
    };
    std::string out;
    for (size_t i = 0; i < items.size();) {
        std::string collected = narrow(items[i].translation);
        collected.resize(CutAtCharBoundary(collected.data(), static_cast<int>(collected.size()), 50, foreignCp));
        size_t j = i + 1;
        for (; j < items.size() && wcscmp(items[j].source, items[i].source) == 0; ++j) {
            std::string t = narrow(items[j].translation);
            if (collected.size() + 2 + t.size() < 50)
                collected += ", " + t;
        }
        WordRecord r{};
        ToNarrowField(items[i].source, r.source, 31, mainCp);
        memcpy(r.translation, collected.data(), collected.size());
        out.append(reinterpret_cast<const char*>(&r), sizeof r);
        i = j;
    }
    return out;
}

class WordList : public ScratchDirTest {
protected:
    // Builds input.wb into output.wb; returns the output, or "ERROR: text".
    std::string Build(const std::string& input, int foreignCp = 1252, int mainCp = 1252, const WordListProgress& progress = {})
    {
        WriteBytes(L"input.wb", input);
        WordListJob job{L"input.wb", L"output.wb", L"wlist.tmp", L"main.stb", foreignCp, mainCp};
        std::wstring error;
        if (!BuildWordList(job, progress, &error))
            return "ERROR: " + ::Narrow(error);
        EXPECT_TRUE(error.empty());
        return ReadBytes(L"output.wb");
    }
};

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST_F(WordList, InvertsSplitsAndMerges)
{
    std::string input = Record("hond", "dog, hound,,canine, ,", 1)  // marked deleted: still used
                        + Record("rekel", " dog") + Record("", "cat")
                        + Record("x", "a-part-of-thirty-one-bytes-long, kept")
                        + Record("y", "a-part-of-thirty-bytes-exactly");
    EXPECT_EQ((Pairs{{"a-part-of-thirty-bytes-exactly", "y"}, {"canine", "hond"}, {"dog", "hond, rekel"},
                     {"hound", "hond"}, {"kept", "x"}}),
              Records(Build(input)));
}

TEST_F(WordList, ZeroRecordsGiveAnEmptyOutput)
{
    WriteBytes(L"output.wb", Record("old", "oud"));
    EXPECT_EQ("", Build(Record("junk", "") + "tail"));  // a record without translation, then a partial one
    EXPECT_TRUE(FileExists(L"output.wb"));
    EXPECT_FALSE(FileExists(L"wlist.tmp"));
}

TEST_F(WordList, MergingDropsWhatNoLongerFits)
{
    // 10 + 2 + 10 + 2 + 10 + 2 + 10 = 46: a fifth 10-letter word would reach 58
    // and one of two letters 50, but one of one letter still fits (49).
    std::string input;
    for (const char* f : {"aaaaaaaaa1", "aaaaaaaaa2", "aaaaaaaaa3", "aaaaaaaaa4", "aaaaaaaaa5", "bb", "b"})
        input += Record(f, "word");
    EXPECT_EQ((Pairs{{"word", "aaaaaaaaa1, aaaaaaaaa2, aaaaaaaaa3, aaaaaaaaa4, b"}}), Records(Build(input)));
}

TEST_F(WordList, CaseVariantsStayApartAndTogether)
{
    unsigned char table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<unsigned char>(v >= 'A' && v <= 'Z' ? v + 32 : v);
    WriteBytes(L"main.stb", std::string(reinterpret_cast<char*>(table), 256));
    // Apple and apple sort alike; interleaved in the input they still make one run each.
    std::string input = Record("f1", "apple") + Record("f2", "Apple") + Record("f3", "apple") + Record("f4", "Ape");
    EXPECT_EQ((Pairs{{"Ape", "f4"}, {"Apple", "f2"}, {"apple", "f1, f3"}}), Records(Build(input)));
    // Without a table: the default locale's order, A to Z folded.
    DeleteFileW(L"main.stb");
    EXPECT_EQ((Pairs{{"Ape", "f4"}, {"Apple", "f2"}, {"apple", "f1, f3"}}), Records(Build(input)));
}

TEST_F(WordList, DoubleByteWordsAreMergedByTheirBytes)
{
    auto kanji = [](int n) {  // two bytes each in code page 932
        std::string k;
        for (int i = 0; i < n; ++i)
            k += "\x88\x9f";
        return k;
    };
    // 29 bytes, then 30 more would pass the field's 50 (though only 32
    // characters); the word is left out whole and a short one still fits.
    std::string first = std::string("a").append(kanji(14));
    Pairs records = Records(Build(Record(first, "word") + Record(kanji(15), "word") + Record("b", "word"), 932, 1252));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(first + ", b", records[0].second);

    // 20 + 2 + 26 = 48 bytes: the third word, with its separator, would make 51.
    records = Records(Build(Record(kanji(10), "word") + Record(kanji(13), "word") + Record("c", "word"), 932, 1252));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(kanji(10) + ", " + kanji(13), records[0].second);

    // Greek, one byte a character: 30 + 2 + 17 = 49 still fits, one more does not.
    std::string alpha(30, '\xE1');
    records = Records(Build(Record(alpha, "word") + Record(std::string(18, '\xE2'), "word") +
                            Record(std::string(17, '\xE3'), "word"), 1253, 1252));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(alpha + ", " + std::string(17, '\xE3'), records[0].second);
}

TEST_F(WordList, ProgressFollowsTheSteps)
{
    static std::vector<std::wstring> events;
    static std::vector<long> counters;
    events.clear();
    counters.clear();
    const StringId steps[] = {Txt_Install_ReadFrom, Txt_Install_WriteTemp, Txt_Install_ReadTo, Txt_Install_SortTo, Txt_Install_WriteTo};
    static std::vector<std::wstring> names;
    names.clear();
    for (StringId id : steps)
        names.push_back(Widen(kStringNames[id]));
    for (size_t i = 0; i < names.size(); ++i)
        OverrideString(steps[i], names[i].c_str());
    WordListProgress progress{
        [](int x, const wchar_t* label) { events.push_back(L"bar " + std::to_wstring(x) + L" " + label); },
        [](const wchar_t* text, int right) { events.push_back(std::wstring(text) + L" " + std::to_wstring(right)); },
        [] { events.push_back(L"done"); },
        [](long v) { counters.push_back(v); }};
    std::string input;
    for (int i = 0; i < 250; ++i)
        input += Record(std::string("f").append(std::to_string(i)), std::string("w").append(std::to_string(i % 7)));
    Build(input, 1252, 1252, progress);
    EXPECT_EQ((std::vector<std::wstring>{L"bar 0 0%", L"Install_ReadFrom 480", L"bar 64 10%", L"done", L"bar 117 25%",
                                         L"Install_WriteTemp 480", L"done", L"bar 205 50%", L"Install_ReadTo 480", L"done",
                                         L"Install_SortTo 400", L"done", L"bar 292 75%", L"Install_WriteTo 480", L"done",
                                         L"bar 379 100%"}),
              events);
    // Input and temporary records 0, 100, 200 while loading and inverting.
    EXPECT_EQ(3, std::count(counters.begin(), counters.end(), 200));
    EXPECT_TRUE(std::all_of(counters.begin(), counters.end(), [](long v) { return v % 100 == 0; }));
}

// Each write, flush, close and replace of the builder failing in turn.
TEST_F(WordList, EveryFailingStepLeavesTheOldOutputAndNoScratchFiles)
{
    std::string input;
    for (int i = 0; i < 300; ++i) {
        char word[16], translation[16];
        snprintf(word, sizeof word, "w%d", i);
        snprintf(translation, sizeof translation, "t%d", i % 7);
        input += Record(word, translation);
    }
    WriteBytes(L"output.wb", "old");
    int failAt = 1;
    for (; failAt < 40; ++failAt) {
        InjectFileFault(failAt);
        std::string built = Build(input);
        InjectFileFault(0);
        std::vector<std::wstring> files = FilesIn(L".");
        std::sort(files.begin(), files.end());
        EXPECT_EQ((std::vector<std::wstring>{L"input.wb", L"output.wb"}), files) << failAt;
        if (built.rfind("ERROR: ", 0) != 0)
            break;
        EXPECT_EQ("old", ReadBytes(L"output.wb")) << failAt;
    }
    EXPECT_LT(3, failAt) << "the inversion and the output each write, close and replace";
    EXPECT_EQ(7u, Records(ReadBytes(L"output.wb")).size());
}

TEST_F(WordList, FailuresLeaveTheOldOutputWhole)
{
    auto fails = [](const wchar_t* input, const wchar_t* temp) {
        WordListJob job{input, L"output.wb", temp, L"main.stb", 1252, 1252};
        std::wstring error;
        EXPECT_FALSE(BuildWordList(job, {}, &error));
        return error;
    };
    EXPECT_EQ(L"Input file \"absent.wb\" missing", fails(L"absent.wb", L"wlist.tmp"));
    std::string book = Record("hond", "dog");
    WriteBytes(L"input.wb", book);
    EXPECT_EQ(L"Can't create tempfile", fails(L"input.wb", L"nodir\\wlist.tmp"));

    MakeDir(L"output.wb");  // the output name taken by a directory
    EXPECT_EQ("ERROR: Can't create output file \"output.wb\" ", Build(book));
    RemoveDirectoryW(L"output.wb");

    WriteBytes(L"output.wb", "old");
    SetFileAttributesW(L"output.wb", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ("ERROR: Can't create output file \"output.wb\" ", Build(book));
    SetFileAttributesW(L"output.wb", FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ("old", ReadBytes(L"output.wb"));
    EXPECT_FALSE(FileExists(L"output.wb.tmp"));
    EXPECT_FALSE(FileExists(L"wlist.tmp"));

    EXPECT_EQ(1u, Records(Build(book)).size());  // and a good build replaces it

    // Refused by the caller at the last moment: the old output stays.
    static std::wstring seenOld;
    static std::string seenNew;
    WordListJob job{L"input.wb", L"output.wb", L"wlist.tmp", L"main.stb", 1252, 1252};
    job.keepOld = [](const std::wstring& oldPath, const std::wstring& newPath) {
        seenOld = oldPath;
        seenNew = ReadBytes(newPath);
        return false;
    };
    WriteBytes(L"input.wb", Record("kat", "cat"));
    std::string before = ReadBytes(L"output.wb");
    std::wstring error;
    EXPECT_FALSE(BuildWordList(job, {}, &error));
    EXPECT_EQ(L"Can't keep the old output file \"output.wb\"", error);
    EXPECT_EQ(L"output.wb", seenOld);
    EXPECT_EQ((Pairs{{"cat", "kat"}}), Records(seenNew));
    EXPECT_EQ(before, ReadBytes(L"output.wb"));
    EXPECT_FALSE(FileExists(L"output.wb.tmp"));
}

// Seeded random word books against the reference, with and without a table,
// with and without a locale, in single- and double-byte code pages.
TEST_F(WordList, MatchesTheReferenceOnRandomBooks)
{
    std::mt19937 rng(20240601);
    const std::string common = "aAbB-' \xE9\xC9\x88\x9f";
    auto text = [&](size_t maxLen, bool commas) {
        std::string s;
        size_t len = rng() % 4 == 0 ? rng() % (maxLen + 1) : rng() % 5;
        for (size_t i = 0; i < len; ++i) {
            int r = rng() % 20;
            s += r == 0 ? static_cast<char>(1 + rng() % 255) : commas && r < 4 ? ',' : common[rng() % common.size()];
        }
        return s;
    };
    const int pages[][2] = {{1252, 1252}, {1251, 1252}, {932, 1252}, {1252, 932}, {1250, 1253}};
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        int foreignCp = pages[round % 5][0], mainCp = pages[round % 5][1];
        std::string input;
        for (int n = rng() % 300; n > 0; --n) {
            std::string r = Record(text(31, false), text(51, true), rng() % 2);
            if (rng() % 10 == 0)
                r[30] = 'x';  // junk after the terminator, or a word with none
            input += r;
        }
        bool useTable = round % 3 != 2;
        unsigned char table[256];
        for (int v = 0; v < 256; ++v)
            table[v] = static_cast<unsigned char>(v == 0 ? 0 : rng() % 8 == 0 ? 1 + rng() % 3 : 'a' + rng() % 6);
        DeleteFileW(L"main.stb");
        if (useTable)
            WriteBytes(L"main.stb", std::string(reinterpret_cast<char*>(table), 256));
        if (round % 6 == 5)
            ApplyPairLocale(L"dutch");
        g_wordListCompareSortOnly = round % 5 == 2;
        EXPECT_EQ(ReferenceBuild(input, foreignCp, mainCp, useTable ? table : nullptr), Build(input, foreignCp, mainCp));
        g_wordListCompareSortOnly = false;
        _wsetlocale(LC_ALL, L"C");
    }
}

}  // namespace
