// Benchmark of the search window's work on one keystroke: find the typed text
// in a sorted word book by bisection, then read the ten rows shown from there.
// The anchor is the same number of bare 84-byte reads at random places of the
// same file, through the same handle: what the lookup costs beyond its I/O.
//   bench_lookup gen WORDS RECORDS SEED TABLE.stb   books\eng_ned.wb, sorted by the table
//   bench_lookup run TABLE.stb KEYSTROKES SEED      times the keystrokes, prints
//                                                   median and 99th percentile of both
#include "core/codepage.h"
#include "core/collate.h"
#include "core/fileutil.h"
#include "core/records.h"
#include "core/sortbook.h"
#include "core/uistrings.h"
#include "bench/benchrandom.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

constexpr int kRows = 10;
static const wchar_t* const kBookPath = L"books\\eng_ned.wb";

static std::vector<std::wstring> ReadWords(const wchar_t* path)
{
    std::vector<std::wstring> words;
    UniqueFile f(_wfopen(path, L"rb"));
    if (!f)
        return words;
    std::string line;
    while (ReadTextLine(f.get(), line)) {
        std::wstring wide = WidenText(line, CP_UTF8);
        if (!wide.empty() && wide.size() < kSourceChars && FitsCodePage(wide.c_str(), 1252) &&
            wide.find(L'\t') == std::wstring::npos)
            words.push_back(wide);
    }
    return words;
}

static bool LoadTable(const wchar_t* path, Collation* c)
{
    c->codePage = 1252;
    c->useTable = ReadSortTableFile(path, c->table);
    if (!c->useTable)
        fwprintf(stderr, L"cannot read the table %ls\n", path);
    return c->useTable;
}

static int Generate(const wchar_t* wordsPath, long records, uint32_t seed, const wchar_t* table)
{
    g_benchRandom = seed;
    Collation c;
    if (!LoadTable(table, &c))
        return 1;
    std::vector<std::wstring> words = ReadWords(wordsPath);
    if (words.empty() || records <= 0)
        return 1;
    // The program's own sort and rewrite, so the book is ordered exactly as
    // the bisection expects.
    OverrideString(Txt_FilenameTempLanguage, L"book.tmp");
    CreateDirectoryW(L"books", nullptr);
    WordBook book;
    if (!OpenWordBook(&book, kBookPath, 1252, 1252, true))
        return 1;
    RecordArray all;
    all.pool.resize(static_cast<size_t>(records));
    for (WideRecord& r : all.pool) {
        wcsncpy(r.source, words[Next() % words.size()].c_str(), kSourceChars - 1);
        wcsncpy(r.translation, words[Next() % words.size()].c_str(), kTranslationChars - 1);
        all.order.push_back(&r);
    }
    SortRecords(all, c, {});
    int result = WriteAllRecords(&book, all, {});
    printf("words=%zu records=%d result=%d\n", words.size(), book.count, result);
    return result == 0 && book.count == records ? 0 : 1;
}

// The probes FindWordPosition makes for word, counted over the words held in
// memory (their indexes into *probed, when given); *position is its answer,
// which the caller checks against the real one.
static int CountProbes(const std::vector<std::wstring>& sources, const Collation& c, const wchar_t* word,
                       int* position, std::vector<int>* probed = nullptr)
{
    int count = static_cast<int>(sources.size());
    int lo = 0, hi = count - 1, mid = 0, probes = 0;
    bool found = false;
    while (lo <= hi && !found) {
        mid = lo + (hi - lo) / 2;
        ++probes;
        if (probed)
            probed->push_back(mid);
        int r = CompareWords(c, sources[mid].c_str(), word);
        if (r == 0)
            found = true;
        else if (r < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    int result = found || mid == lo ? mid : mid + 1;
    *position = count <= 0 ? 0 : std::min(result, count);
    return probes;
}

// A keystroke's text: mostly what a user types, a prefix of a word in the
// book; some text that matches nothing in particular.
static std::wstring MakeKeystroke(const WordBook& book)
{
    int length = 1 + static_cast<int>(Next() % 8);
    if (Next() % 10 == 0) {
        static const wchar_t kChars[] = L"abcdefghijklmnopqrstuvwxyzABCDEZ \x00e9\x00fc\x00df-'0";
        std::wstring text;
        for (int i = 0; i < length; ++i)
            text += kChars[Next() % (sizeof kChars / sizeof kChars[0] - 1)];
        return text;
    }
    WideRecord r{};
    ReadRecord(book, static_cast<int>(Next() % static_cast<uint32_t>(book.count)), &r);
    std::wstring word = r.source;
    return word.substr(0, std::min<size_t>(word.size(), length));
}

struct Keystroke {
    std::wstring text;
    int position = 0;
    int reads = 0;                    // probes plus rows
    std::vector<long long> offsets;   // the anchor's reads
    std::vector<long long> own;       // the records the lookup reads, for the breakdown
};

static long long Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

// What the search window does: the bisection, then the rows from the top
// row it settles on (a page that fits before the end).
static int Lookup(const WordBook& book, const Collation& c, const std::wstring& text, WideRecord* rows)
{
    WideRecord last;
    int at = FindWordPosition(book, c, text.c_str(), &last);
    int top = std::min(at, std::max(0, book.count - kRows));
    for (int i = 0; i < kRows && top + i < book.count; ++i)
        ReadRecord(book, top + i, &rows[i]);
    return at;
}

static unsigned BareReads(const WordBook& book, const std::vector<long long>& offsets)
{
    FILE* f = book.file.get();
    unsigned sum = 0;
    for (long long offset : offsets) {
        WordRecord rec;
        if (_fseeki64(f, offset, SEEK_SET) == 0 && fread(&rec, sizeof rec, 1, f) == 1)
            sum += static_cast<unsigned char>(rec.source[0]);
    }
    return sum;
}

// Nearest-rank percentile of the samples (sorted in place), in seconds.
static double Percentile(std::vector<long long>& ticks, double p, double freq)
{
    std::sort(ticks.begin(), ticks.end());
    size_t rank = static_cast<size_t>(p * ticks.size() + 0.999999);
    rank = std::clamp<size_t>(rank, 1, ticks.size());
    return double(ticks[rank - 1]) / freq;
}

static int Run(const wchar_t* table, int keystrokes, uint32_t seed)
{
    Collation c;
    if (!LoadTable(table, &c))
        return 1;
    WordBook book;
    if (!OpenWordBook(&book, kBookPath, 1252, 1252) || book.count <= 0 || keystrokes <= 0)
        return 1;
    std::vector<std::wstring> sources;
    {
        RecordArray all;
        if (!LoadAllRecords(book, &all, {}) || static_cast<int>(all.size()) != book.count)
            return 1;
        sources.reserve(all.size());
        for (size_t i = 0; i < all.size(); ++i)
            sources.emplace_back(all[i]->source);
    }

    g_benchRandom = seed;
    std::vector<Keystroke> keys(static_cast<size_t>(keystrokes));
    WideRecord rows[kRows];
    long long probes = 0;
    for (Keystroke& k : keys) {
        k.text = MakeKeystroke(book);
        std::vector<int> probed;
        int counted = CountProbes(sources, c, k.text.c_str(), &k.position, &probed);
        k.reads = counted + std::min(kRows, book.count);
        probes += counted;
        for (int i = 0; i < k.reads; ++i)
            k.offsets.push_back(static_cast<long long>(Next() % static_cast<uint32_t>(book.count)) * kRecordSize);
        int top = std::min(k.position, std::max(0, book.count - kRows));
        for (int i = 0; i < kRows && top + i < book.count; ++i)
            probed.push_back(top + i);
        for (int index : probed)
            k.own.push_back(static_cast<long long>(index) * kRecordSize);
        // The counted probes stand for the real search only when both agree.
        int at = Lookup(book, c, k.text, rows);
        if (at != k.position) {
            fwprintf(stderr, L"counted search disagrees for \"%ls\": %d, not %d\n", k.text.c_str(), k.position, at);
            return 1;
        }
    }

    LARGE_INTEGER freqValue;
    QueryPerformanceFrequency(&freqValue);
    double freq = double(freqValue.QuadPart);
    unsigned sum = 0;
    for (const Keystroke& k : keys)
        sum += BareReads(book, k.offsets);

    // Alternating which goes first, so neither side always follows the other's reads.
    std::vector<long long> ours, anchor, findOnly, compareOnly, ownReads;
    ours.reserve(keys.size());
    anchor.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        const Keystroke& k = keys[i];
        for (int side = 0; side < 2; ++side) {
            long long start = Now();
            if ((side == 0) == (i % 2 == 0)) {
                Lookup(book, c, k.text, rows);
                ours.push_back(Now() - start);
            } else {
                sum += BareReads(book, k.offsets);
                anchor.push_back(Now() - start);
            }
        }
    }
    // Where the time goes: the bisection alone, its comparisons without the
    // file, and bare reads of the very records the lookup reads.
    for (const Keystroke& k : keys) {
        WideRecord last;
        int position;
        long long start = Now();
        FindWordPosition(book, c, k.text.c_str(), &last);
        long long mid = Now();
        CountProbes(sources, c, k.text.c_str(), &position);
        long long end = Now();
        sum += BareReads(book, k.own);
        ownReads.push_back(Now() - end);
        compareOnly.push_back(end - mid);
        findOnly.push_back(mid - start);
    }

    double oursMedian = Percentile(ours, 0.5, freq), oursP99 = Percentile(ours, 0.99, freq);
    double anchorMedian = Percentile(anchor, 0.5, freq), anchorP99 = Percentile(anchor, 0.99, freq);
    fprintf(stderr,
            "records=%d keystrokes=%d probes_avg=%.2f find_median=%.6f compare_median=%.6f "
            "own_reads_median=%.6f check=%u\n",
            book.count, keystrokes, double(probes) / keystrokes, Percentile(findOnly, 0.5, freq),
            Percentile(compareOnly, 0.5, freq), Percentile(ownReads, 0.5, freq), sum);
    printf("ours_median=%.6f ours_p99=%.6f anchor_median=%.6f anchor_p99=%.6f\n", oursMedian, oursP99, anchorMedian,
           anchorP99);
    return 0;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc == 6 && wcscmp(argv[1], L"gen") == 0)
        return Generate(argv[2], wcstol(argv[3], nullptr, 10), static_cast<uint32_t>(wcstoul(argv[4], nullptr, 10)),
                        argv[5]);
    if (argc == 5 && wcscmp(argv[1], L"run") == 0)
        return Run(argv[2], static_cast<int>(wcstol(argv[3], nullptr, 10)),
                   static_cast<uint32_t>(wcstoul(argv[4], nullptr, 10)));
    fprintf(stderr, "usage: bench_lookup gen WORDS RECORDS SEED TABLE.stb | run TABLE.stb KEYSTROKES SEED\n");
    return 2;
}
