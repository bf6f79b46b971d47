// Benchmark of the word-list builder on a large synthetic word book.
//   bench_wordlist gen WORDS RECORDS SEED   word book input.wb, its inverted
//                                            text inverted.tsv and table main.stb
//   bench_wordlist run table|locale          builds reverse.wb, prints the time
// WORDS is a UTF-8 word list, one word a line. Files are in the current directory.
#include "setup/wordlist.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/records.h"
#include "bench/benchrandom.h"
#include <windows.h>
#include <psapi.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static const int kCodePage = 1252;


static std::vector<std::string> ReadWords(const wchar_t* path)
{
    std::vector<std::string> words;
    FILE* f = _wfopen(path, L"rb");
    if (!f)
        return words;
    char line[1024];
    while (fgets(line, sizeof line, f)) {
        line[strcspn(line, "\r\n")] = '\0';
        wchar_t wide[1024];
        int n = MultiByteToWideChar(CP_UTF8, 0, line, -1, wide, 1024);
        if (n <= 1 || !FitsCodePage(wide, kCodePage) || wcschr(wide, L',') || wide[0] == L' ')
            continue;
        char narrow[2048];
        ToNarrow(wide, narrow, kCodePage);
        if (strlen(narrow) <= 30)
            words.push_back(narrow);
    }
    fclose(f);
    return words;
}

// Western table: case folded, accents kept, hyphen and apostrophe ignored.
static void WriteTable()
{
    unsigned char t[256];
    for (int v = 0; v < 256; ++v) {
        int w = v;
        if (v >= 'A' && v <= 'Z')
            w = v + 32;
        else if (v >= 0xC0 && v <= 0xDE && v != 0xD7)
            w = v + 32;
        t[v] = static_cast<unsigned char>(w);
    }
    t['-'] = 1;
    t['\''] = 1;
    t[1] = 2;
    FILE* f = _wfopen(L"main.stb", L"wb");
    fwrite(t, 1, sizeof t, f);
    fclose(f);
}

static int Generate(const wchar_t* wordsPath, long records, uint32_t seed)
{
    std::vector<std::string> words = ReadWords(wordsPath);
    if (words.empty()) {
        fprintf(stderr, "no words\n");
        return 1;
    }
    g_benchRandom = seed ? seed : 1;
    FILE* wb = _wfopen(L"input.wb", L"wb");
    FILE* tsv = _wfopen(L"inverted.tsv", L"wb");
    if (!wb || !tsv)
        return 1;
    std::vector<char> wbBuf(1 << 20), tsvBuf(1 << 20);
    setvbuf(wb, wbBuf.data(), _IOFBF, wbBuf.size());
    setvbuf(tsv, tsvBuf.data(), _IOFBF, tsvBuf.size());
    long lines = 0;
    for (long i = 0; i < records; ++i) {
        WordRecord rec{};
        const std::string& foreign = words[Next() % words.size()];
        memcpy(rec.source, foreign.data(), foreign.size());
        uint32_t r = Next() % 10;
        int wanted = r < 5 ? 1 : r < 8 ? 2 : 3;
        std::string translation;
        for (int k = 0; k < wanted; ++k) {
            const std::string& t = words[Next() % words.size()];
            size_t len = translation.size() + (k ? 2 : 0) + t.size();
            if (len > 50)
                break;
            translation += (k ? ", " : "") + t;
            fprintf(tsv, "%s\t%s\n", t.c_str(), foreign.c_str());
            ++lines;
        }
        memcpy(rec.translation, translation.data(), translation.size());
        rec.deleted = Next() % 100 == 0;
        fwrite(&rec, sizeof rec, 1, wb);
    }
    fclose(wb);
    fclose(tsv);
    WriteTable();
    printf("words=%zu records=%ld lines=%ld\n", words.size(), records, lines);
    return 0;
}

static int Run(bool table)
{
    if (!table)
        ApplyPairLocale(L"dutch");
    WordListJob job{L"input.wb", L"reverse.wb", L"wlist.tmp", table ? L"main.stb" : L"none.stb", kCodePage, kCodePage};
    WordListProgress progress{};
    std::wstring error;
    LARGE_INTEGER freq, start, end;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    bool ok = BuildWordList(job, progress, &error);
    QueryPerformanceCounter(&end);
    if (!ok) {
        fprintf(stderr, "build failed: %ls\n", error.c_str());
        return 1;
    }
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    WIN32_FILE_ATTRIBUTE_DATA fa{};
    GetFileAttributesExW(L"reverse.wb", GetFileExInfoStandard, &fa);
    ULARGE_INTEGER size;
    size.LowPart = fa.nFileSizeLow;
    size.HighPart = fa.nFileSizeHigh;
    printf("seconds=%.3f peak_ws_mb=%.1f peak_pf_mb=%.1f records_out=%llu\n",
           double(end.QuadPart - start.QuadPart) / double(freq.QuadPart),
           pmc.PeakWorkingSetSize / 1048576.0, pmc.PeakPagefileUsage / 1048576.0,
           static_cast<unsigned long long>(size.QuadPart / kRecordSize));
    return 0;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc == 5 && wcscmp(argv[1], L"gen") == 0)
        return Generate(argv[2], wcstol(argv[3], nullptr, 10), static_cast<uint32_t>(wcstoul(argv[4], nullptr, 10)));
    if (argc == 3 && wcscmp(argv[1], L"run") == 0)
        return Run(wcscmp(argv[2], L"table") == 0);
    fprintf(stderr, "usage: bench_wordlist gen WORDS RECORDS SEED | run table|locale\n");
    return 2;
}
