// The word-list builder: inverts a delivered word book into its reverse word
// book. The work runs on compact 8-bit data: the records of the temporary file
// are grouped by source word with a bucketed sort, every distinct word is
// converted, keyed and ordered once, and the merge then walks the groups in
// that order. So a large word book needs neither a wide work item per record
// nor one slow locale comparison per step of a record sort.
#include "setup/wordlist.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/collate.h"
#include "core/fileutil.h"
#include "core/records.h"
#include "core/runboth.h"
#include "core/sortbook.h"
#include "core/textfold.h"
#include "core/uistrings.h"
#include <windows.h>
#include <io.h>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

bool g_wordListCompareSortOnly = false;

namespace {

constexpr size_t kBlockRecords = 12288;  // about 1 MB per read or write
constexpr int kMaxPartBytes = 30;        // a reverse source word must fit its field
constexpr int kMaxForeignBytes = 50;     // a foreign word must fit the translation field
constexpr int kMergeLimit = 50;          // bytes: a merged translation stays below it
constexpr size_t kBuckets = 65536;       // by the first two bytes of the source word

struct Build {
    const WordListJob& job;
    const WordListProgress& progress;
    std::wstring error;
    std::wstring outputTemp;        // the output is written here, then renamed
    std::vector<uint32_t> buckets;  // temporary records per bucket
    size_t foreignBytes = 0;        // what the foreign words of those records take in the arena
};

bool Fail(Build& b, const std::wstring& text)
{
    if (b.error.empty())
        b.error = text;
    return false;
}

void Bar(const Build& b, int fillRight, const wchar_t* label)
{
    if (b.progress.bar)
        b.progress.bar(fillRight, label);
}

void Step(const Build& b, StringId id)
{
    if (b.progress.step)
        b.progress.step(Str(id), id == Txt_Install_SortTo ? 400 : 480);
}

void Done(const Build& b)
{
    if (b.progress.done)
        b.progress.done();
}

void Counter(const Build& b, size_t value)
{
    if (b.progress.counter)
        b.progress.counter(static_cast<long>(value));
}

// Shows every index divisible by 100 in [from, to).
void CountHundreds(const Build& b, size_t from, size_t to)
{
    if (b.progress.counter)
        for (size_t i = (from + 99) / 100 * 100; i < to; i += 100)
            Counter(b, i);
}

// ToWideField, without its heap buffer: this runs several times per record,
// and an allocation costs more than the conversion.
int WideField(const char* src, int srcBytes, wchar_t* field, int fieldSize, int codePage)
{
    int len = 0;
    while (len < srcBytes && len < kTranslationChars && src[len])
        ++len;
    // A result never has more characters than its input has bytes.
    if (len < fieldSize) {
        int n = len ? MultiByteToWideChar(codePage, MB_PRECOMPOSED, src, len, field, len) : 0;
        field[n] = L'\0';
        return n;
    }
    wchar_t wide[kTranslationChars];
    int n = MultiByteToWideChar(codePage, MB_PRECOMPOSED, src, len, wide, len);
    n = std::min(n, fieldSize - 1);
    wmemcpy(field, wide, n);
    field[n] = L'\0';
    return n;
}

// ToNarrow of a text of known length (at most kTranslationChars); returns the
// byte count, dest holds 2 * srcLen bytes and gets no terminator.
int Narrow(const wchar_t* src, int srcLen, char* dest, int codePage)
{
    return srcLen ? WideCharToMultiByte(codePage, 0, src, srcLen, dest, 2 * srcLen, nullptr, nullptr) : 0;
}

// ToNarrowField, without its heap buffer.
void NarrowField(const wchar_t* src, int srcLen, char* field, int fieldSize, int codePage)
{
    char narrow[2 * kTranslationChars];
    int n = Narrow(src, std::min(srcLen, kTranslationChars), narrow, codePage);
    n = CutAtCharBoundary(narrow, n, fieldSize - 1, codePage);
    memcpy(field, narrow, n);
    field[n] = '\0';
}

// Unbuffered: all reads and writes are whole blocks of records.
UniqueFile OpenFile(const std::wstring& path, const wchar_t* mode)
{
    FILE* f = _wfopen(path.c_str(), mode);
    if (f)
        setvbuf(f, nullptr, _IONBF, 0);
    return UniqueFile(f);
}

// A file on a local fixed drive mapped for reading, let go of when done.
struct MappedFile {
    HANDLE mapping = nullptr;
    const unsigned char* view = nullptr;
    const unsigned char* Map(FILE* f, const std::wstring& path, size_t bytes)
    {
        if (!OnLocalFixedDrive(path.c_str()))
            return nullptr;
        HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
        if (h == INVALID_HANDLE_VALUE || !(mapping = CreateFileMappingW(h, nullptr, PAGE_READONLY, 0, 0, nullptr)))
            return nullptr;
        view = static_cast<const unsigned char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, bytes));
        if (!view)
            Close();
        return view;
    }
    void Close()
    {
        if (view)
            UnmapViewOfFile(view);
        if (mapping)
            CloseHandle(mapping);
        view = nullptr;
        mapping = nullptr;
    }
    ~MappedFile() { Close(); }
};

long long RecordCount(FILE* f)
{
    long long size = _filelengthi64(_fileno(f));
    return size < 0 ? -1 : size / kRecordSize;
}

// Reads count records a block at a time, calling use(block, records).
template <class Use>
bool ReadRecords(const Build& b, FILE* f, size_t count, Use use)
{
    std::vector<unsigned char> block(kBlockRecords * kRecordSize);
    for (size_t i = 0; i < count; i += kBlockRecords) {
        size_t n = std::min(kBlockRecords, count - i);
        if (fread(block.data(), kRecordSize, n, f) != n)
            return false;
        use(block.data(), n);
        CountHundreds(b, i, i + n);
    }
    return true;
}

// Collects zero-filled records and writes them out a block at a time.
struct RecordWriter {
    FILE* file;
    std::vector<unsigned char> block = std::vector<unsigned char>(kBlockRecords * kRecordSize);
    size_t used = 0;
    bool ok = true;
};

bool FlushRecords(RecordWriter& w)
{
    if (w.used && !WriteToFile(w.file, w.block.data(), kRecordSize * w.used))
        w.ok = false;
    w.used = 0;
    return w.ok;
}

unsigned char* NextRecord(RecordWriter& w)
{
    if (w.used == kBlockRecords)
        FlushRecords(w);
    unsigned char* r = w.block.data() + w.used++ * kRecordSize;
    memset(r, 0, kRecordSize);
    return r;
}

size_t BucketOf(const unsigned char* word)
{
    return (size_t{word[0]} << 8) | (word[0] ? word[1] : 0);
}

// One temporary record per usable translation of the input record.
void InvertRecord(Build& b, const unsigned char* rec, RecordWriter& out)
{
    const int foreignCodePage = b.job.foreignCodePage;
    const int mainCodePage = b.job.mainCodePage;
    wchar_t source[kSourceChars];
    wchar_t translation[kTranslationChars];
    int sourceLen = WideField(reinterpret_cast<const char*>(rec), kSourceChars, source, kSourceChars, foreignCodePage);
    int translationLen = WideField(reinterpret_cast<const char*>(rec) + kSourceChars, kTranslationChars, translation,
                                   kTranslationChars, mainCodePage);
    // Zero-filled buffers: a word is copied with its field's fixed size.
    char foreign[2 * kSourceChars + kTranslationChars] = {};
    int foreignLen = Narrow(source, sourceLen, foreign, foreignCodePage);
    // An empty foreign word would give reverse entries without a translation.
    if (foreignLen == 0 || foreignLen > kMaxForeignBytes)
        return;
    for (int begin = 0; begin < translationLen;) {
        int end = begin;
        while (end < translationLen && translation[end] != L',')
            ++end;
        char narrow[2 * kTranslationChars + kSourceChars] = {};
        int n = Narrow(translation + begin, end - begin, narrow, mainCodePage);
        int skip = 0;
        while (skip < n && narrow[skip] == ' ')
            ++skip;
        // Empty parts, and parts of nothing but spaces, give no record.
        if (n - skip > 0 && n - skip <= kMaxPartBytes) {
            unsigned char* r = NextRecord(out);
            memcpy(r, narrow + skip, kSourceChars);
            memcpy(r + kSourceChars, foreign, kTranslationChars);
            ++b.buckets[BucketOf(r)];
            b.foreignBytes += 1 + foreignLen;
        }
        begin = end + 1;
    }
}

// The input, inverted into the temporary file: one record per translation,
// so that the reverse book can be sorted by those words.
bool WriteInverted(Build& b)
{
    const WordListJob& job = b.job;
    Bar(b, 0, L"0%");
    Step(b, Txt_Install_ReadFrom);
    UniqueFile in = OpenFile(job.inputPath, L"rb");
    if (!in)
        return Fail(b, L"Input file \"" + job.inputPath + L"\" missing");
    Bar(b, 64, L"10%");
    long long count = RecordCount(in.get());
    if (count < 0)
        return Fail(b, L"Read error input file \"" + job.inputPath + L"\"");
    // Read where the system keeps the file: fresh memory for a copy costs
    // more than the reading. A copy when the file can't be mapped.
    std::vector<unsigned char> copy;
    MappedFile mapped;
    const unsigned char* input = count > 0 ? mapped.Map(in.get(), job.inputPath, static_cast<size_t>(count) * kRecordSize) : nullptr;
    if (!input && count > 0) {
        copy.resize(static_cast<size_t>(count) * kRecordSize);
        for (size_t i = 0; i < static_cast<size_t>(count); i += kBlockRecords) {
            size_t n = std::min(kBlockRecords, static_cast<size_t>(count) - i);
            if (fread(copy.data() + i * kRecordSize, kRecordSize, n, in.get()) != n)
                return Fail(b, L"Read error input file \"" + job.inputPath + L"\"");
        }
        input = copy.data();
    }
    CountHundreds(b, 0, static_cast<size_t>(count));
    Done(b);

    UniqueFile temp = OpenFile(job.tempPath, L"wb");
    if (!temp)
        return Fail(b, L"Can't create tempfile");
    Bar(b, 117, L"25%");
    Step(b, Txt_Install_WriteTemp);
    b.buckets.assign(kBuckets, 0);
    RecordWriter out{temp.get()};
    for (size_t i = 0; i < static_cast<size_t>(count) && out.ok; ++i) {
        if (i % 100 == 0)
            Counter(b, i);
        InvertRecord(b, input + i * kRecordSize, out);
    }
    mapped.Close();
    in.reset();
    copy = {};
    if (!FlushRecords(out) || !CloseWrittenFile(temp))
        return Fail(b, L"Write error tempfile");
    Done(b);
    return true;
}

// A record of the temporary file: its source word packed for comparison
// (zero-padded and big-endian, so integer order is byte order) and where its
// foreign word lies in the arena. Arena offsets grow with the record number,
// so they also give the input order.
struct Entry {
    uint64_t source[4];
    uint64_t foreign;
};

// A distinct source word: one group of equal entries after their sort.
struct Word {
    uint32_t first;  // entries [first, first + count)
    uint32_t count;
    size_t wide;     // wide form, terminated, in wideArena
    size_t key;      // sort key in keyArena
    uint16_t keyLen;
    uint8_t wideLen;
};

// Bytes appended in small pieces, with room to copy a whole field at a time.
struct ByteArena {
    std::vector<unsigned char> bytes;  // its size is the room; used is the part in use
    size_t used = 0;
    unsigned char* Room(size_t n)
    {
        if (used + n > bytes.size())
            bytes.resize(std::max(2 * bytes.size(), used + n + (size_t{1} << 20)));
        return bytes.data() + used;
    }
};

struct WorkSet {
    std::vector<Entry> entries;         // bucket by bucket
    std::vector<uint32_t> bucketStart;  // kBuckets + 1 bounds into entries
    ByteArena foreign;                  // per record: length byte, then the bytes
    std::vector<Word> words;
    std::vector<wchar_t> wideArena;
    std::vector<unsigned char> keyArena;
};

Entry MakeEntry(const unsigned char* rec, WorkSet& w)
{
    Entry e{};
    unsigned char packed[32] = {};
    for (int i = 0; i < kSourceChars && rec[i]; ++i)
        packed[i] = rec[i];
    for (int k = 0; k < 4; ++k) {
        uint64_t v;
        memcpy(&v, packed + 8 * k, 8);
        e.source[k] = __builtin_bswap64(v);
    }
    const unsigned char* foreign = rec + kSourceChars;
    size_t len = 0;
    while (len < kTranslationChars && foreign[len])
        ++len;
    e.foreign = w.foreign.used;
    unsigned char* to = w.foreign.Room(1 + kTranslationChars);
    to[0] = static_cast<unsigned char>(len);
    memcpy(to + 1, foreign, kTranslationChars);
    w.foreign.used += 1 + len;
    return e;
}

int SourceBytes(const Entry& e, char* out)
{
    int n = 0;
    for (int k = 0; k < 4; ++k)
        for (int shift = 56; shift >= 0; shift -= 8) {
            char c = static_cast<char>(e.source[k] >> shift);
            if (!c)
                return n;
            out[n++] = c;
        }
    return n;
}

bool SameSource(const Entry& a, const Entry& b)
{
    return memcmp(a.source, b.source, sizeof a.source) == 0;
}

// The temporary file, loaded into its buckets (counted while it was
// written), each bucket in record order, so that equal words end up together.
bool LoadInverted(Build& b, WorkSet& w)
{
    UniqueFile temp = OpenFile(b.job.tempPath, L"rb");
    if (!temp)
        return Fail(b, L"Can't open tempfile");
    Bar(b, 205, L"50%");
    Step(b, Txt_Install_ReadTo);
    long long count = RecordCount(temp.get());
    if (count < 0 || static_cast<unsigned long long>(count) >= UINT32_MAX)
        return Fail(b, L"Read error tempfile");
    w.bucketStart.assign(kBuckets + 1, 0);
    for (size_t k = 0; k < kBuckets; ++k)
        w.bucketStart[k + 1] = w.bucketStart[k] + b.buckets[k];
    if (w.bucketStart[kBuckets] != count)
        return Fail(b, L"Read error tempfile");
    std::vector<uint32_t> next(w.bucketStart.begin(), w.bucketStart.end() - 1);
    w.entries.resize(static_cast<size_t>(count));
    // Room for them all at once: growing would copy them.
    w.foreign.Room(b.foreignBytes + 1 + kTranslationChars);
    bool fits = true;
    bool read = ReadRecords(b, temp.get(), static_cast<size_t>(count), [&](const unsigned char* block, size_t n) {
        for (size_t k = 0; k < n && fits; ++k) {
            const unsigned char* rec = block + k * kRecordSize;
            size_t bucket = BucketOf(rec);
            fits = next[bucket] < w.bucketStart[bucket + 1];
            if (fits)
                w.entries[next[bucket]++] = MakeEntry(rec, w);
        }
    });
    if (!read || !fits)
        return Fail(b, L"Read error tempfile");
    Done(b);
    return true;
}

// The counter shows every 1000th comparison of the sort. Only this thread
// draws; a helper thread's comparisons are added in by thousands.
struct CompareCounter {
    const Build& b;
    size_t count = 0;
    std::atomic<size_t> helperCount{0};
    void operator()()
    {
        if (++count % 1000 == 0)
            Counter(b, count + helperCount.load(std::memory_order_relaxed));
    }
};

// Sorts each bucket by source word and record order, and makes one Word per
// group of equal source words.
void GroupEntries(WorkSet& w, int mainCodePage, CompareCounter& counter)
{
    auto sortBuckets = [&](size_t from, size_t to, auto&& count) {
        for (size_t k = from; k < to; ++k)
            std::sort(w.entries.begin() + w.bucketStart[k], w.entries.begin() + w.bucketStart[k + 1],
                      [&](const Entry& x, const Entry& y) {
                          count();
                          for (int i = 0; i < 4; ++i)
                              if (x.source[i] != y.source[i])
                                  return x.source[i] < y.source[i];
                          return x.foreign < y.foreign;
                      });
    };
    // The buckets are independent: a helper thread sorts those of the second
    // half of the entries.
    size_t split = std::lower_bound(w.bucketStart.begin(), w.bucketStart.end() - 1,
                                    static_cast<uint32_t>(w.entries.size() / 2)) - w.bucketStart.begin();
    size_t helperCount = 0;
    RunBoth([&] { sortBuckets(0, split, counter); },
            [&] {
                sortBuckets(split, kBuckets, [&] {
                    if (++helperCount % 1000 == 0)
                        counter.helperCount.fetch_add(1000, std::memory_order_relaxed);
                });
            });
    for (size_t i = 0; i < w.entries.size(); ++i) {
        if (i > 0 && SameSource(w.entries[i - 1], w.entries[i])) {
            ++w.words.back().count;
            continue;
        }
        Word word{};
        word.first = static_cast<uint32_t>(i);
        word.count = 1;
        char text[kSourceChars + 1];
        int len = SourceBytes(w.entries[i], text);
        wchar_t wide[kSourceChars];
        word.wideLen = static_cast<uint8_t>(WideField(text, len, wide, kSourceChars, mainCodePage));
        word.wide = w.wideArena.size();
        w.wideArena.insert(w.wideArena.end(), wide, wide + word.wideLen + 1);
        w.words.push_back(word);
    }
}

const wchar_t* WideOf(const WorkSet& w, uint32_t id) { return &w.wideArena[w.words[id].wide]; }

int CompareUnits(const WorkSet& w, uint32_t a, uint32_t b)
{
    const Word& x = w.words[a];
    const Word& y = w.words[b];
    int c = wmemcmp(&w.wideArena[x.wide], &w.wideArena[y.wide], std::min(x.wideLen, y.wideLen));
    return c ? c : x.wideLen - y.wideLen;
}

int CompareKeys(const WorkSet& w, uint32_t a, uint32_t b)
{
    const Word& x = w.words[a];
    const Word& y = w.words[b];
    int c = memcmp(&w.keyArena[x.key], &w.keyArena[y.key], std::min(x.keyLen, y.keyLen));
    return c ? c : x.keyLen - y.keyLen;
}

// The sort key of every word. With a table it is the table's key, the very
// order of the comparison. Without one it is a key meant to order like
// CompareByLocale; the order it gives is checked against the comparison.
void MakeKeys(WorkSet& w, const unsigned char* table, int mainCodePage)
{
    const LocaleKeys how = table ? LocaleKeys{} : PrepareLocaleKeys();
    auto make = [&](size_t from, size_t to, std::vector<unsigned char>& arena) {
        unsigned char key[512];
        for (size_t id = from; id < to; ++id) {
            Word& word = w.words[id];
            const wchar_t* wide = &w.wideArena[word.wide];
            int len = 0;
            if (table) {
                char narrow[2 * kSourceChars + 1];
                narrow[Narrow(wide, word.wideLen, narrow, mainCodePage)] = '\0';
                len = MakeSortKey(reinterpret_cast<const unsigned char*>(narrow), table, key);
            } else {
                len = MakeLocaleSortKey(how, wide, word.wideLen, key, sizeof key);
            }
            word.key = arena.size();
            word.keyLen = static_cast<uint16_t>(std::max(len, 0));
            arena.insert(arena.end(), key, key + word.keyLen);
        }
    };
    size_t n = w.words.size();
    if (table || !how.lcid) {
        make(0, n, w.keyArena);
        return;
    }
    // Locale keys are slow to make: a helper thread makes the second half.
    size_t mid = n / 2;
    std::vector<unsigned char> second;
    RunBoth([&] { make(0, mid, w.keyArena); }, [&] { make(mid, n, second); });
    for (size_t id = mid; id < n; ++id)
        w.words[id].key += w.keyArena.size();
    w.keyArena.insert(w.keyArena.end(), second.begin(), second.end());
}

struct SortEntry {
    uint64_t prefix[2];  // first 16 key bytes, big-endian: settle most comparisons
    uint32_t word;
};

uint64_t KeyPrefix(const WorkSet& w, const Word& word, size_t from)
{
    uint64_t p = 0;
    for (size_t i = from; i < from + 8; ++i)
        p = (p << 8) | (i < word.keyLen ? w.keyArena[word.key + i] : 0);
    return p;
}

// True when the key order is the comparison's order for the neighbours
// (i - 1, i), i in [from, to): equal keys compare equal, rising keys smaller.
bool KeysAgree(const WorkSet& w, const std::vector<SortEntry>& order, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        uint32_t a = order[i - 1].word;
        uint32_t b = order[i].word;
        if (CompareUnits(w, a, b) == 0)
            continue;
        int k = CompareKeys(w, a, b);
        int c = CompareByLocale(WideOf(w, a), WideOf(w, b));
        if (k == 0 ? c != 0 : c >= 0)
            return false;
    }
    return true;
}

// The check costs a locale comparison per word: a helper thread checks the
// second half of the list (the comparison only reads shared state).
bool KeysAgreeWithLocale(const WorkSet& w, const std::vector<SortEntry>& order)
{
    size_t mid = std::max<size_t>(order.size() / 2, 1);
    bool first = true, second = true;
    RunBoth([&] { first = KeysAgree(w, order, 1, mid); }, [&] { second = KeysAgree(w, order, mid, order.size()); });
    return first && second;
}

// The distinct words in word-book order. Words the comparison holds
// equal are ordered by their character codes, so equal words stay together.
std::vector<SortEntry> SortWords(WorkSet& w, const unsigned char* table, int mainCodePage, CompareCounter& counter)
{
    MakeKeys(w, table, mainCodePage);
    std::vector<SortEntry> order(w.words.size());
    for (uint32_t id = 0; id < order.size(); ++id)
        order[id] = {{KeyPrefix(w, w.words[id], 0), KeyPrefix(w, w.words[id], 8)}, id};
    std::sort(order.begin(), order.end(), [&](const SortEntry& x, const SortEntry& y) {
        counter();
        if (x.prefix[0] != y.prefix[0])
            return x.prefix[0] < y.prefix[0];
        if (x.prefix[1] != y.prefix[1])
            return x.prefix[1] < y.prefix[1];
        int c = CompareKeys(w, x.word, y.word);
        if (c == 0)
            c = CompareUnits(w, x.word, y.word);
        return c ? c < 0 : x.word < y.word;
    });
    if (table || (!g_wordListCompareSortOnly && KeysAgreeWithLocale(w, order)))
        return order;
    std::sort(order.begin(), order.end(), [&](const SortEntry& x, const SortEntry& y) {
        counter();
        int c = CompareByLocale(WideOf(w, x.word), WideOf(w, y.word));
        if (c == 0)
            c = CompareUnits(w, x.word, y.word);
        return c ? c < 0 : x.word < y.word;
    });
    return order;
}

// The foreign words in output order, as arena offsets, and where each run of
// equal source words ends in that list. Gathered ahead of the merge so that
// the merge can fetch the scattered foreign words early.
struct Runs {
    std::vector<uint64_t> foreign;
    std::vector<uint32_t> end;
    std::vector<uint32_t> word;  // the run's source word
};

Runs GatherRuns(const WorkSet& w, const std::vector<SortEntry>& order)
{
    Runs runs;
    runs.foreign.reserve(w.entries.size());
    constexpr size_t kAhead = 8;
    for (size_t i = 0; i < order.size();) {
        for (size_t a = i + 1; a <= i + kAhead && a < order.size(); ++a)
            __builtin_prefetch(&w.entries[w.words[order[a].word].first]);
        uint32_t id = order[i].word;
        size_t begin = runs.foreign.size();
        size_t next = i;
        do {
            const Word& word = w.words[order[next].word];
            for (uint32_t e = word.first; e < word.first + word.count; ++e)
                runs.foreign.push_back(w.entries[e].foreign);
            ++next;
        } while (next < order.size() && CompareUnits(w, id, order[next].word) == 0);
        // Different bytes that convert to the same word make one run, in input order.
        if (next - i > 1)
            std::sort(runs.foreign.begin() + begin, runs.foreign.end());
        runs.end.push_back(static_cast<uint32_t>(runs.foreign.size()));
        runs.word.push_back(id);
        i = next;
    }
    return runs;
}

// One output record per run of equal source words, with the foreign words
// of the run's records in input order. They are counted in the bytes they
// take in the translation field, and a word goes in whole or not at all, so
// the field never ends inside a word or inside a double-byte character.
bool WriteMerged(Build& b, const WorkSet& w, const std::vector<SortEntry>& order, FILE* out)
{
    Bar(b, 292, L"75%");
    Step(b, Txt_Install_WriteTo);
    const int foreignCodePage = b.job.foreignCodePage;
    const Runs runs = GatherRuns(w, order);
    const size_t total = runs.foreign.size();
    constexpr size_t kAhead = 16;
    RecordWriter writer{out};
    size_t k = 0;
    static_assert(kMergeLimit < kTranslationChars, "a merged translation fits its field");
    for (size_t r = 0; r < runs.end.size() && writer.ok; ++r) {
        char collected[kTranslationChars];
        int collectedLen = 0;
        for (size_t first = k; k < runs.end[r]; ++k) {
            if (k + kAhead < total)
                __builtin_prefetch(&w.foreign.bytes[runs.foreign[k + kAhead]]);
            const unsigned char* foreign = &w.foreign.bytes[runs.foreign[k]];
            // Counted in the bytes its wide form converts back to: what the field will hold.
            wchar_t t[kTranslationChars];
            int len = WideField(reinterpret_cast<const char*>(foreign + 1), foreign[0], t, kTranslationChars, foreignCodePage);
            char narrow[2 * kTranslationChars];
            int bytes = Narrow(t, len, narrow, foreignCodePage);
            if (k == first) {
                collectedLen = CutAtCharBoundary(narrow, bytes, kTranslationChars - 1, foreignCodePage);
                memcpy(collected, narrow, collectedLen);
            } else if (collectedLen + 2 + bytes < kMergeLimit) {
                collected[collectedLen++] = ',';
                collected[collectedLen++] = ' ';
                memcpy(collected + collectedLen, narrow, bytes);
                collectedLen += bytes;
            }
        }
        uint32_t id = runs.word[r];
        auto* rec = reinterpret_cast<WordRecord*>(NextRecord(writer));
        NarrowField(WideOf(w, id), w.words[id].wideLen, rec->source, kSourceChars, b.job.mainCodePage);
        memcpy(rec->translation, collected, collectedLen);
        if ((k - 1) % 100 == 0)
            Counter(b, k - 1);
    }
    if (!FlushRecords(writer))
        return Fail(b, L"Write error output file");
    return true;
}

// An existing output that could not be replaced is refused before the work.
bool OutputReplaceable(const std::wstring& path)
{
    DWORD attr = GetFileAttributesW(path.c_str());
    return attr == INVALID_FILE_ATTRIBUTES || !(attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

// The reverse book from the temporary file: loaded, grouped, sorted, merged,
// and put in the old output's place only when complete.
bool WriteOutput(Build& b)
{
    WorkSet w;
    if (!LoadInverted(b, w))
        return false;

    std::wstring cantCreate = L"Can't create output file \"" + b.job.outputPath + L"\" ";
    if (!OutputReplaceable(b.job.outputPath))
        return Fail(b, cantCreate);
    UniqueFile out = OpenFile(b.outputTemp, L"wb");
    if (!out)
        return Fail(b, cantCreate);

    Step(b, Txt_Install_SortTo);
    unsigned char table[kSortTableSize];
    bool hasTable = ReadSortTableFile(b.job.tablePath.c_str(), table);
    CompareCounter counter{b};
    GroupEntries(w, b.job.mainCodePage, counter);
    std::vector<SortEntry> order = SortWords(w, hasTable ? table : nullptr, b.job.mainCodePage, counter);
    Done(b);

    if (!WriteMerged(b, w, order, out.get()))
        return false;
    bool flushed = FlushFileToDisk(out.get());
    if (!CloseWrittenFile(out) || !flushed)
        return Fail(b, L"Write error output file");
    Done(b);
    if (b.job.keepOld && !b.job.keepOld(b.job.outputPath, b.outputTemp))
        return Fail(b, L"Can't keep the old output file \"" + b.job.outputPath + L"\"");
    if (!ReplaceFileAtomic(b.outputTemp.c_str(), b.job.outputPath.c_str()))
        return Fail(b, cantCreate);
    return true;
}

}  // namespace

bool BuildWordList(const WordListJob& job, const WordListProgress& progress, std::wstring* error)
{
    Build b{job, progress, {}, job.outputPath + L".tmp", {}, 0};
    // Never the scratch file of the inversion.
    if (lstrcmpiW(b.outputTemp.c_str(), job.tempPath.c_str()) == 0)
        b.outputTemp = job.outputPath + L".new";
    bool ok = false;
    try {
        ok = WriteInverted(b) && WriteOutput(b);
    } catch (const std::bad_alloc&) {
        Fail(b, L"Not enough memory to build the word list");
        ok = false;
    }
    DeleteFileW(job.tempPath.c_str());
    if (ok)
        Bar(b, 379, L"100%");
    else
        DeleteFileW(b.outputTemp.c_str());
    if (error)
        *error = ok ? std::wstring() : b.error;
    return ok;
}
