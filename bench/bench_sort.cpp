// Benchmark of sorting a whole word book the way the program does it after
// adding words: load the live records, sort with the word comparison, write back.
//   bench_sort gen WORDS RECORDS SEED   books\eng_ned.wb (5% marked deleted) and
//                                       the live records as text live.tsv
//   bench_sort run TABLE.stb            sorts the word book with the table, prints the time
//   bench_sort run locale               the same without a table, under the pair's locale
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/collate.h"
#include "core/session.h"
#include "core/sortbook.h"
#include "core/uistrings.h"
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
    FILE* f = _wfopen(path, L"rb");
    if (!f)
        return words;
    char line[1024];
    while (fgets(line, sizeof line, f)) {
        line[strcspn(line, "\r\n")] = '\0';
        wchar_t wide[1024];
        int n = MultiByteToWideChar(CP_UTF8, 0, line, -1, wide, 1024);
        if (n > 1 && n <= 30 && FitsCodePage(wide, 1252) && !wcschr(wide, L'\t'))
            words.push_back(wide);
    }
    fclose(f);
    return words;
}

static int Generate(const wchar_t* wordsPath, long records, uint32_t seed)
{
    g_benchRandom = seed;
    std::vector<std::wstring> words = ReadWords(wordsPath);
    if (words.empty())
        return 1;
    CreateDirectoryW(L"books", nullptr);
    FILE* book = _wfopen(L"books\\eng_ned.wb", L"wb");
    FILE* tsv = _wfopen(L"live.tsv", L"wb");
    for (long i = 0; i < records; ++i) {
        WideRecord r{};
        wcsncpy(r.source, words[Next() % words.size()].c_str(), kSourceChars - 1);
        wcsncpy(r.translation, words[Next() % words.size()].c_str(), kTranslationChars - 1);
        WordRecord raw;
        BuildWordRecord(r, 1252, 1252, &raw);
        raw.deleted = Next() % 100 < 5;
        fwrite(&raw, sizeof raw, 1, book);
        if (!raw.deleted)
            fprintf(tsv, "%s\t%s\n", raw.source, raw.translation);
    }
    fclose(book);
    fclose(tsv);
    printf("words=%zu records=%ld\n", words.size(), records);
    return 0;
}

static int Run(const wchar_t* table)
{
    OverrideString(Txt_PathLanguage, L"books\\");
    OverrideString(Txt_PathNameList, L"lists\\");
    OverrideString(Txt_FilenameTempLanguage, L"book.tmp");
    auto pair = std::make_unique<LanguagePair>();
    wcscpy(pair->sourceName, L"english");
    wcscpy(pair->wordBookFile, L"eng_ned.wb");
    wcscpy(pair->listFile, L"eng_ned.ls");
    pair->sourceCodePage = pair->targetCodePage = 1252;
    bool byLocale = wcscmp(table, L"locale") == 0;
    if (byLocale && !ApplyPairLocale(L"english")) {
        fprintf(stderr, "the runtime refuses the locale\n");
        return 1;
    }
    pair->hasSortTable = !byLocale && ReadSortTableFile(table, g_session.collation.table) ? 1 : 0;
    g_session.collation.useTable = pair->hasSortTable == 1;
    g_session.collation.codePage = pair->sourceCodePage;
    g_catalogue.entries.push_back(std::move(pair));
    g_catalogue.current = g_catalogue.entries[0].get();
    OpenPairFiles();
    CountRecords();
    long long bytes = static_cast<long long>(g_session.book.count) * kRecordSize;

    LARGE_INTEGER freq, start, end;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    RecordArray records;
    int result = -1;
    LARGE_INTEGER t1{}, t2{};
    if (LoadAllRecords(g_session.book, &records, {})) {
        QueryPerformanceCounter(&t1);
        SortRecords(records, g_session.collation, {});
        QueryPerformanceCounter(&t2);
        result = WriteAllRecords(&g_session.book, records, {});
    }
    QueryPerformanceCounter(&end);
    fprintf(stderr, "load=%.3f sort=%.3f write=%.3f\n", double(t1.QuadPart - start.QuadPart) / double(freq.QuadPart),
            double(t2.QuadPart - t1.QuadPart) / double(freq.QuadPart), double(end.QuadPart - t2.QuadPart) / double(freq.QuadPart));
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    printf("result=%d seconds=%.3f peak_ws_mb=%.1f book_mb=%.1f\n", result,
           double(end.QuadPart - start.QuadPart) / double(freq.QuadPart), pmc.PeakWorkingSetSize / 1048576.0,
           bytes / 1048576.0);
    return result == 0 ? 0 : 1;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc == 5 && wcscmp(argv[1], L"gen") == 0)
        return Generate(argv[2], wcstol(argv[3], nullptr, 10), static_cast<uint32_t>(wcstoul(argv[4], nullptr, 10)));
    if (argc == 3 && wcscmp(argv[1], L"run") == 0)
        return Run(argv[2]);
    fprintf(stderr, "usage: bench_sort gen WORDS RECORDS SEED | run TABLE.stb|locale\n");
    return 2;
}
