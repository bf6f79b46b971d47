// Benchmark of importing a table into a large word book the way the program
// does it: plan, then store forward, reverse and journal and sort both books.
//   bench_import gen WORDS RECORDS LINES SEED   books\eng_ned.wb and books\ned_eng.wb
//                                                (sorted), import.tsv (about a tenth of
//                                                its words in the book) and sort.wb
//                                                (the book with LINES records appended)
//   bench_import run                             imports import.tsv, prints the time
//   bench_import sort                            sorts sort.wb once, prints the time
// Files are in the current directory; tables\english.stb and tables\dutch.stb order the books.
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/session.h"
#include "core/sortbook.h"
#include "core/uistrings.h"
#include "core/wordimport.h"
#include "bench/benchrandom.h"
#include <windows.h>
#include <psapi.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

static std::vector<std::wstring> ReadWords(const wchar_t* path)
{
    std::vector<std::wstring> words;
    std::string data;
    if (!ReadWholeFile(path, &data))
        return words;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\n', start);
        if (end == std::string::npos)
            end = data.size();
        std::wstring w = WidenText(data.substr(start, end - start), CP_UTF8);
        start = end + 1;
        int n = CodePageBytes(w.c_str(), 1252);
        if (n > 0 && n <= 20 && w.find_first_of(L"\t,;\r\"") == std::wstring::npos && w[0] != L' ')
            words.push_back(w);
    }
    return words;
}

static void AddPair(const wchar_t* source, const wchar_t* target, const wchar_t* file)
{
    auto pair = std::make_unique<LanguagePair>();
    wcscpy(pair->sourceName, source);
    wcscpy(pair->targetName, target);
    wcscpy(pair->wordBookFile, file);
    wcscpy(pair->listFile, L"none.ls");
    pair->sourceCodePage = pair->targetCodePage = 1252;
    pair->hasSortTable = 1;
    g_catalogue.entries.push_back(std::move(pair));
}

static void SetUp()
{
    OverrideString(Txt_PathLanguage, L"books\\");
    OverrideString(Txt_PathNameList, L"lists\\");
    OverrideString(Txt_FilenameTempLanguage, L"book.tmp");
    AddPair(L"english", L"dutch", L"eng_ned.wb");
    AddPair(L"dutch", L"english", L"ned_eng.wb");
    g_catalogue.current = g_catalogue.entries[0].get();
}

static double Seconds(const LARGE_INTEGER& from)
{
    LARGE_INTEGER freq, now;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - from.QuadPart) / double(freq.QuadPart);
}

static const std::wstring& Pick(const std::vector<std::wstring>& words) { return words[Next() % words.size()]; }

// A book of records of random words, sorted by its pair's table.
static bool MakeBook(const LanguagePair* pair, long records, const std::vector<std::wstring>& words)
{
    std::string bytes;
    bytes.reserve(records * sizeof(WordRecord));
    for (long i = 0; i < records; ++i) {
        WideRecord r{};
        lstrcpynW(r.source, Pick(words).c_str(), kSourceChars);
        lstrcpynW(r.translation, (Pick(words) + L", " + Pick(words)).c_str(), kTranslationChars);
        WordRecord raw;
        BuildWordRecord(r, 1252, 1252, &raw);
        bytes.append(reinterpret_cast<const char*>(&raw), sizeof raw);
    }
    WordBook book;
    Collation c;
    LoadSortTable(pair, &c);
    RecordArray all;
    return ReplaceFileContents(PairWordBookPath(pair), bytes) && OpenPairBook(pair, &book) &&
           LoadAllRecords(book, &all, {}) && (SortRecords(all, c, {}), WriteAllRecords(&book, all, {}) == 0);
}

static int Generate(const wchar_t* wordsPath, long records, long lines, uint32_t seed)
{
    g_benchRandom = seed ? seed : 1;
    std::vector<std::wstring> words = ReadWords(wordsPath);
    if (words.empty())
        return 1;
    SetUp();
    CreateDirectoryW(L"books", nullptr);
    for (const auto& pair : g_catalogue.entries)
        if (!MakeBook(pair.get(), records, words))
            return 1;
    // The import: a tenth of the words from the book, the rest made up of two
    // words (mostly new to it); one to three translations each.
    std::string bytes;
    ReadWholeFile(L"books\\eng_ned.wb", &bytes);
    std::string tsv, appended;
    for (long i = 0; i < lines; ++i) {
        std::wstring word;
        if (Next() % 10 == 0) {
            WordRecord raw;
            memcpy(&raw, bytes.data() + (Next() % records) * sizeof raw, sizeof raw);
            word = WidenText(raw.source, 1252);
        } else {
            word = Pick(words) + L" " + Pick(words);
            if (CodePageBytes(word.c_str(), 1252) > 30)
                word = Pick(words);
        }
        std::wstring list = Pick(words);
        for (int k = Next() % 3; k > 0; --k)
            list += L", " + Pick(words);
        tsv += NarrowText(word + L"\t" + list + L"\n", CP_UTF8);
        WideRecord r{};
        lstrcpynW(r.source, word.c_str(), kSourceChars);
        lstrcpynW(r.translation, list.c_str(), kTranslationChars);
        WordRecord raw;
        BuildWordRecord(r, 1252, 1252, &raw);
        appended.append(reinterpret_cast<const char*>(&raw), sizeof raw);
    }
    if (!ReplaceFileContents(L"import.tsv", tsv) || !ReplaceFileContents(L"sort.wb", bytes + appended))
        return 1;
    printf("words=%zu records=%ld lines=%ld\n", words.size(), records, lines);
    return 0;
}

static void PrintResult(bool ok, double seconds)
{
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    printf("result=%d seconds=%.3f peak_ws_mb=%.1f\n", ok ? 0 : 1, seconds, pmc.PeakWorkingSetSize / 1048576.0);
}

static int Run()
{
    SetUp();
    OpenPairFiles();
    CountRecords();
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    std::string data;
    ImportPlan plan;
    std::wstring error;
    bool ok = ReadWholeFile(L"import.tsv", &data) &&
              PlanImport(ReadTable(data, TableFormat::Tsv), {}, CurrentPair(), &plan, &error);
    double planned = Seconds(start);
    ok = ok && ApplyImport(plan, CurrentPair(), {}, &error) == ImportResult::Done;
    double seconds = Seconds(start);
    fprintf(stderr, "plan=%.3f apply=%.3f added=%ld replaced=%ld refused=%zu records=%d\n", planned,
            seconds - planned, plan.added, plan.replaced, plan.refused.size(), g_session.book.count);
    PrintResult(ok, seconds);
    return ok ? 0 : 1;
}

static int Sort()
{
    SetUp();
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    WordBook book;
    RecordArray records;
    Collation c;
    LoadSortTable(CurrentPair(), &c);
    bool ok = OpenWordBook(&book, L"sort.wb", 1252, 1252) && LoadAllRecords(book, &records, {});
    if (ok) {
        SortRecords(records, c, {});
        ok = WriteAllRecords(&book, records, {}) == 0;
    }
    PrintResult(ok, Seconds(start));
    return ok ? 0 : 1;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc == 6 && wcscmp(argv[1], L"gen") == 0)
        return Generate(argv[2], wcstol(argv[3], nullptr, 10), wcstol(argv[4], nullptr, 10),
                        static_cast<uint32_t>(wcstoul(argv[5], nullptr, 10)));
    if (argc == 2 && wcscmp(argv[1], L"run") == 0)
        return Run();
    if (argc == 2 && wcscmp(argv[1], L"sort") == 0)
        return Sort();
    fprintf(stderr, "usage: bench_import gen WORDS RECORDS LINES SEED | run | sort\n");
    return 2;
}
