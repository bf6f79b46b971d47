#include "core/sortbook.h"
#include "core/codepage.h"
#include "core/runboth.h"
#include "core/uistrings.h"
#include <windows.h>
#include <io.h>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

bool g_sortBookCompareSortOnly = false;

namespace {

// Bytes that come back as themselves through wide text, alone and beside any
// other such byte: a field of them is written back as it was read. In a
// multi-byte code page only the single-byte characters below 0x80 qualify.
void MakeSafeBytes(int codePage, bool safe[256])
{
    CPINFO info{};
    bool singleByte = GetCPInfo(static_cast<UINT>(codePage), &info) && info.MaxCharSize == 1;
    bool plainLow = singleByte || info.MaxCharSize == 2 || codePage == CP_UTF8;
    safe[0] = false;
    for (int v = 1; v < 256; ++v) {
        char byte = static_cast<char>(v);
        wchar_t wide[2];
        char back[8];
        safe[v] = (singleByte || (plainLow && v < 0x80)) && ToWideField(&byte, 1, wide, 2, codePage) == 1 &&
                  ToNarrowField(wide, back, sizeof back, codePage) == 1 && back[0] == byte;
    }
}

// Length of a field's text, and whether it is all safe bytes.
int FieldLength(const char* field, int size, const bool safe[256], bool* allSafe)
{
    int n = 0;
    while (n < size && field[n]) {
        *allSafe = *allSafe && safe[static_cast<unsigned char>(field[n])];
        ++n;
    }
    return n;
}

// Counts comparisons for the progress report; only this thread reports, the
// helper's comparisons are added in by thousands.
struct CompareCounter {
    const SortProgress& progress;
    long count = 0;
    std::atomic<long> helper{0};
    void Here()
    {
        if (count % 2000 == 0 && progress.comparing)
            progress.comparing(count + helper.load(std::memory_order_relaxed));
        ++count;
    }
};

// Sorts v by less, a total order (no two elements equal, so the result is
// the one order there is), and hands the result over as put(i, element).
// Each element's hi holds the first bytes of its key: the range is first
// dealt out in place by the top two of them, then each thread sorts the
// buckets of about half the elements.
template <class T, class Less, class Put>
void SortTotal(std::vector<T>& v, Less less, CompareCounter& counter, Put put)
{
    auto here = [&](const T& a, const T& b) {
        counter.Here();
        return less(a, b);
    };
    const size_t n = v.size();
    if (n < 50000) {
        std::sort(v.begin(), v.end(), here);
        for (size_t i = 0; i < n; ++i)
            put(i, v[i]);
        return;
    }
    constexpr size_t kBuckets = 65536;
    auto bucketOf = [](const T& e) { return static_cast<size_t>(e.hi >> 48); };
    std::vector<uint32_t> start(kBuckets + 1, 0);
    for (const T& e : v)
        ++start[bucketOf(e) + 1];
    for (size_t k = 0; k < kBuckets; ++k)
        start[k + 1] += start[k];
    // Each bucket fills from its start; an element taken out of place is
    // swapped along the cycle it starts until the hole is filled.
    std::vector<uint32_t> next(start.begin(), start.end() - 1);
    for (size_t k = 0; k < kBuckets; ++k)
        while (next[k] < start[k + 1]) {
            T e = v[next[k]];
            size_t d = bucketOf(e);
            while (d != k) {
                std::swap(e, v[next[d]++]);
                d = bucketOf(e);
            }
            v[next[k]++] = e;
        }
    std::vector<uint32_t>().swap(next);
    long helperCount = 0;
    auto there = [&](const T& a, const T& b) {
        if (++helperCount % 1000 == 0)
            counter.helper.fetch_add(1000, std::memory_order_relaxed);
        return less(a, b);
    };
    auto sortBuckets = [&](size_t from, size_t to, auto cmp) {
        for (size_t k = from; k < to; ++k) {
            std::sort(v.begin() + start[k], v.begin() + start[k + 1], cmp);
            for (size_t i = start[k]; i < start[k + 1]; ++i)
                put(i, v[i]);
        }
    };
    size_t split = std::lower_bound(start.begin(), start.end() - 1, static_cast<uint32_t>(n / 2)) - start.begin();
    RunBoth([&] { sortBuckets(0, split, here); }, [&] { sortBuckets(split, kBuckets, there); });
}

// A table key in a sortable number: its first bytes big-endian. Keys never
// hold a zero byte, so a key that ends before the number does is all in it.
uint64_t BigEndian(const unsigned char* key, int len, int from, int bytes)
{
    uint64_t v = 0;
    for (int i = from; i < from + bytes; ++i)
        v = (v << 8) | (i < len ? key[i] : 0);
    return v;
}

// Record entry's source word, as read, in wide form.
void SourceOf(const RecordArray& records, uint32_t entry, wchar_t out[kSourceChars])
{
    if (entry & RecordArray::kConverted)
        wmemcpy(out, records.ConvertedOf(entry).wide.source, kSourceChars);
    else
        ToWideField(records.file[entry].source, kSourceChars, out, kSourceChars, records.sourceCodePage);
}

// Record entry's table key; its length.
int TableKeyOf(const RecordArray& records, uint32_t entry, const Collation& c, unsigned char key[kSortKeyBuffer])
{
    // A record read as it stands holds the very bytes the table weighs,
    // unless the table weighs another code page.
    if (!(entry & RecordArray::kConverted) && c.codePage == records.sourceCodePage) {
        const char* source = records.file[entry].source;
        unsigned char text[kSourceChars + 1];
        size_t len = strnlen(source, kSourceChars - 1);
        memcpy(text, source, len);
        text[len] = 0;
        return MakeSortKey(text, c.table, key);
    }
    wchar_t wide[kSourceChars];
    char narrow[kSortKeyBuffer];
    SourceOf(records, entry, wide);
    ToNarrowField(wide, narrow, kSortKeyBuffer, c.codePage);
    return MakeSortKey(reinterpret_cast<const unsigned char*>(narrow), c.table, key);
}

// A record in the table's order: the first 16 key bytes settle most
// comparisons; the rest of the key is made again for the few they don't.
#pragma pack(push, 4)
struct TableRef {
    uint64_t hi, lo;
    uint32_t entry;
};
#pragma pack(pop)

void SortLoadedByTable(RecordArray& records, const Collation& c, CompareCounter& counter)
{
    const size_t n = records.rawOrder.size();
    std::vector<TableRef> refs(n);
    for (size_t i = 0; i < n; ++i) {
        unsigned char key[kSortKeyBuffer];
        uint32_t entry = records.rawOrder[i];
        int len = TableKeyOf(records, entry, c, key);
        refs[i] = {BigEndian(key, len, 0, 8), BigEndian(key, len, 8, 8), entry};
    }
    // Equal keys: the record earlier in the file first.
    SortTotal(refs, [&records, &c](const TableRef& a, const TableRef& b) {
        if (a.hi != b.hi)
            return a.hi < b.hi;
        if (a.lo != b.lo)
            return a.lo < b.lo;
        // Longer than 16 bytes: the rest of the keys decides.
        if ((a.lo & 0xFF) != 0) {
            unsigned char x[kSortKeyBuffer], y[kSortKeyBuffer];
            int xLen = TableKeyOf(records, a.entry, c, x);
            int yLen = TableKeyOf(records, b.entry, c, y);
            if (int k = CompareSortKeys(x, xLen, y, yLen))
                return k < 0;
        }
        return (a.entry & ~RecordArray::kConverted) < (b.entry & ~RecordArray::kConverted);
    }, counter, [&records](size_t i, const TableRef& r) { records.rawOrder[i] = r.entry; });
}

// A source word's bytes, zero-filled: compared and hashed as four numbers.
struct WordText {
    uint64_t v[4];
    bool operator==(const WordText& o) const
    {
        return v[0] == o.v[0] && v[1] == o.v[1] && v[2] == o.v[2] && v[3] == o.v[3];
    }
};
static_assert(sizeof(WordText) > kSourceChars - 1, "a source word fits");

WordText TextOf(const WordRecord& r)
{
    WordText t{};
    memcpy(t.v, r.source, strnlen(r.source, kSourceChars - 1));
    return t;
}

uint64_t HashOf(const WordText& t)
{
    uint64_t h = 0x9E3779B97F4A7C15ULL;
    for (uint64_t v : t.v) {
        h = (h ^ v) * 0xff51afd7ed558ccdULL;
        h ^= h >> 32;
    }
    return h * 0xc4ceb9fe1a85ec53ULL;
}

// The distinct source words of the loaded records, for the locale's order.
struct Words {
    std::vector<uint32_t> of;        // per record of rawOrder: its word
    std::vector<uint32_t> first;     // per word: the entry of a record that has it
    std::vector<WordText> text;      // per word: its bytes (unused for a converted record)
    std::vector<unsigned char> keys;
    std::vector<uint32_t> keyStart;  // per word, and one more at the end
    int CompareKeys(uint32_t a, uint32_t b) const
    {
        return CompareSortKeys(keys.data() + keyStart[a], static_cast<int>(keyStart[a + 1] - keyStart[a]),
                               keys.data() + keyStart[b], static_cast<int>(keyStart[b + 1] - keyStart[b]));
    }
};

// Word id's source word in wide form.
void WideOf(const RecordArray& records, const Words& w, uint32_t id, wchar_t out[kSourceChars])
{
    uint32_t entry = w.first[id];
    if (entry & RecordArray::kConverted)
        wmemcpy(out, records.ConvertedOf(entry).wide.source, kSourceChars);
    else
        ToWideField(reinterpret_cast<const char*>(w.text[id].v), kSourceChars, out, kSourceChars,
                    records.sourceCodePage);
}

// The words whose hash has the given top bit (converted records go with
// 0): their ids from 0 in first and text, and each such record's id in of.
void GroupPart(const RecordArray& records, uint64_t part, std::vector<uint32_t>& of, std::vector<uint32_t>& first,
               std::vector<WordText>& text)
{
    const size_t n = records.rawOrder.size();
    size_t slots = 1024;
    while (slots < n)
        slots *= 2;
    // Upper half of the hash, and word + 1 (0 for an empty slot): most
    // probes settle on the hash without looking at the words.
    std::vector<uint64_t> table(slots, 0);
    // Room for as many words as the part is likely to have: no copying as they come.
    first.reserve(n / 2 + 1024);
    text.reserve(n / 2 + 1024);
    for (size_t i = 0; i < n; ++i) {
        uint32_t entry = records.rawOrder[i];
        if (entry & RecordArray::kConverted) {
            if (part == 0) {
                of[i] = static_cast<uint32_t>(first.size());
                first.push_back(entry);
                text.push_back({});
            }
            continue;
        }
        if (i + 8 < n)
            __builtin_prefetch(records.file[records.rawOrder[i + 8] & ~RecordArray::kConverted].source);
        WordText t = TextOf(records.file[entry]);
        uint64_t h = HashOf(t);
        if ((h >> 63) != part)
            continue;
        const uint64_t tag = h & 0xFFFFFFFF00000000ULL;
        for (size_t slot = static_cast<size_t>(h) & (slots - 1);; slot = (slot + 1) & (slots - 1)) {
            uint64_t cell = table[slot];
            if (cell == 0) {
                uint32_t id = static_cast<uint32_t>(first.size());
                first.push_back(entry);
                text.push_back(t);
                table[slot] = tag | (id + 1);
                of[i] = id;
                break;
            }
            uint32_t id = static_cast<uint32_t>(cell) - 1;
            if ((cell & 0xFFFFFFFF00000000ULL) == tag && text[id] == t) {
                of[i] = id;
                break;
            }
        }
    }
}

// Records with the same source bytes have the same word; a converted
// record is a word of its own. Each thread takes the words of half the
// hashes.
void GroupWords(const RecordArray& records, Words& w)
{
    const size_t n = records.rawOrder.size();
    constexpr uint32_t kElsewhere = UINT32_MAX;
    w.of.assign(n, kElsewhere);
    std::vector<uint32_t> of(n);
    std::vector<uint32_t> first;
    std::vector<WordText> text;
    RunBoth([&] { GroupPart(records, 0, w.of, w.first, w.text); },
            [&] { GroupPart(records, 1, of, first, text); });
    const uint32_t base = static_cast<uint32_t>(w.first.size());
    for (size_t i = 0; i < n; ++i)
        if (w.of[i] == kElsewhere)
            w.of[i] = of[i] + base;
    w.first.insert(w.first.end(), first.begin(), first.end());
    w.text.insert(w.text.end(), text.begin(), text.end());
}

// The keys of words [from, to) into keys, with their starts.
void MakeKeys(const RecordArray& records, const Words& w, const LocaleKeys& how, uint32_t from, uint32_t to,
              std::vector<unsigned char>& keys, uint32_t* starts)
{
    keys.reserve((to - from) * size_t{24});
    unsigned char key[1024];
    for (uint32_t id = from; id < to; ++id) {
        wchar_t text[kSourceChars];
        WideOf(records, w, id, text);
        int len = MakeLocaleSortKey(how, text, static_cast<int>(wcslen(text)), key, sizeof key);
        starts[id - from] = static_cast<uint32_t>(keys.size());
        keys.insert(keys.end(), key, key + len);
    }
}

int CompareWordsByLocale(const RecordArray& records, const Words& w, uint32_t a, uint32_t b)
{
    wchar_t x[kSourceChars], y[kSourceChars];
    WideOf(records, w, a, x);
    WideOf(records, w, b, y);
    return CompareByLocale(x, y);
}

struct WordRef {
    uint64_t hi, lo;  // the first 16 key bytes, big-endian
    uint32_t word;
};

// Whether two words' keys are equal. Different first bytes settle it
// without the keys themselves.
bool SameKeys(const Words& w, const WordRef& a, const WordRef& b)
{
    return a.hi == b.hi && a.lo == b.lo && w.CompareKeys(a.word, b.word) == 0;
}

// True when the key order is the comparison's for the neighbours (i - 1, i),
// i in [from, to): equal keys compare equal, rising keys rise.
bool KeysAgree(const RecordArray& records, const Words& w, const std::vector<WordRef>& order, size_t from, size_t to)
{
    wchar_t text[2][kSourceChars];
    if (from < to)
        WideOf(records, w, order[from - 1].word, text[(from - 1) & 1]);
    for (size_t i = from; i < to; ++i) {
        WideOf(records, w, order[i].word, text[i & 1]);
        int k = SameKeys(w, order[i - 1], order[i]) ? 0 : -1;
        int c = CompareByLocale(text[(i - 1) & 1], text[i & 1]);
        if (k == 0 ? c != 0 : c >= 0)
            return false;
    }
    return true;
}

// Under the locale each distinct word is keyed once and the words are
// ranked; the records are then sorted by rank, which orders them as the
// comparison does. The keys' order is checked against the comparison, and
// where they disagree the words are ranked by the comparison itself.
void SortLoadedByLocale(RecordArray& records, CompareCounter& counter)
{
    const size_t n = records.rawOrder.size();
    Words w;
    GroupWords(records, w);
    const uint32_t count = static_cast<uint32_t>(w.first.size());
    const LocaleKeys how = PrepareLocaleKeys();
    w.keyStart.resize(count + 1);
    uint32_t mid = count / 2;
    std::vector<unsigned char> second;
    // Locale keys are slow to make: a helper thread makes half of them.
    RunBoth([&] { MakeKeys(records, w, how, 0, mid, w.keys, w.keyStart.data()); },
            [&] { MakeKeys(records, w, how, mid, count, second, w.keyStart.data() + mid); });
    for (uint32_t id = mid; id < count; ++id)
        w.keyStart[id] += static_cast<uint32_t>(w.keys.size());
    w.keys.insert(w.keys.end(), second.begin(), second.end());
    w.keyStart[count] = static_cast<uint32_t>(w.keys.size());
    std::vector<unsigned char>().swap(second);
    std::vector<WordRef> refs(count);
    for (uint32_t id = 0; id < count; ++id) {
        const unsigned char* key = w.keys.data() + w.keyStart[id];
        int len = static_cast<int>(w.keyStart[id + 1] - w.keyStart[id]);
        refs[id] = {BigEndian(key, len, 0, 8), BigEndian(key, len, 8, 8), id};
    }
    // Words with equal keys get the same rank below: their order among
    // themselves is only for a definite result.
    std::vector<WordRef> order(count);
    SortTotal(refs, [&w](const WordRef& a, const WordRef& b) {
        if (a.hi != b.hi)
            return a.hi < b.hi;
        if (a.lo != b.lo)
            return a.lo < b.lo;
        int k = w.CompareKeys(a.word, b.word);
        return k ? k < 0 : a.word < b.word;
    }, counter, [&order](size_t i, const WordRef& r) { order[i] = r; });
    std::vector<WordRef>().swap(refs);
    // The check costs a comparison per word: a helper thread checks half.
    size_t half = std::max<size_t>(order.size() / 2, 1);
    bool agree = true, agreeSecond = true;
    RunBoth([&] { agree = KeysAgree(records, w, order, 1, half); },
            [&] { agreeSecond = KeysAgree(records, w, order, half, order.size()); });
    bool byKeys = agree && agreeSecond && !g_sortBookCompareSortOnly;
    // A merge sort: whatever the comparison does, it stays in bounds.
    if (!byKeys)
        std::stable_sort(order.begin(), order.end(), [&](const WordRef& a, const WordRef& b) {
            counter.Here();
            return CompareWordsByLocale(records, w, a.word, b.word) < 0;
        });
    // Rank of each word: equal words share one.
    std::vector<uint32_t> rank(count);
    uint32_t r = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        uint32_t b = order[i].word;
        if (i && (byKeys ? !SameKeys(w, order[i - 1], order[i])
                         : CompareWordsByLocale(records, w, order[i - 1].word, b) != 0))
            ++r;
        rank[b] = r;
    }
    std::vector<WordRef>().swap(order);
    // The records by rank, counted out: each rank's records in file order.
    std::vector<uint32_t> next(static_cast<size_t>(r) + 2, 0);
    for (size_t i = 0; i < n; ++i)
        ++next[rank[w.of[i]] + 1];
    for (size_t k = 1; k < next.size(); ++k)
        next[k] += next[k - 1];
    std::vector<uint32_t> entries(n);
    for (size_t i = 0; i < n; ++i)
        entries[next[rank[w.of[i]]]++] = records.rawOrder[i];
    records.rawOrder.swap(entries);
}

// Maps the book's file for reading; null when it can't be.
const WordRecord* MapBook(FILE* f, size_t count, void** mapping)
{
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    if (h == INVALID_HANDLE_VALUE || count == 0)
        return nullptr;
    HANDLE m = CreateFileMappingW(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!m)
        return nullptr;
    void* view = MapViewOfFile(m, FILE_MAP_READ, 0, 0, count * sizeof(WordRecord));
    if (!view) {
        CloseHandle(m);
        return nullptr;
    }
    *mapping = m;
    return static_cast<const WordRecord*>(view);
}

}  // namespace

const RecordArray::Converted& RecordArray::ConvertedOf(uint32_t entry) const
{
    uint32_t index = entry & ~kConverted;
    return *std::lower_bound(converted.begin(), converted.end(), index,
                             [](const Converted& e, uint32_t k) { return e.index < k; });
}

void RecordArray::Output(size_t i, WordRecord* out) const
{
    uint32_t entry = rawOrder[i];
    if (entry & kConverted) {
        *out = ConvertedOf(entry).out;
        return;
    }
    // What the round trip through wide text gives: the texts cut to their fields.
    const WordRecord& in = file[entry];
    memset(out, 0, sizeof *out);
    memcpy(out->source, in.source, strnlen(in.source, kSourceChars - 1));
    memcpy(out->translation, in.translation, strnlen(in.translation, kTranslationChars - 1));
}

RecordView RecordArray::operator[](size_t i) const
{
    RecordView v{};
    if (!loaded) {
        v.record = *order[i];
        return v;
    }
    uint32_t entry = rawOrder[i];
    if (entry & kConverted) {
        v.record = ConvertedOf(entry).wide;
    } else {
        ParseWordRecord(file[entry], sourceCodePage, targetCodePage, &v.record);
        v.record.deleted = 0;
    }
    return v;
}

void RecordArray::clear()
{
    if (mapping) {
        UnmapViewOfFile(file);
        CloseHandle(mapping);
        mapping = nullptr;
    }
    file = nullptr;
    std::vector<WideRecord>().swap(pool);
    std::vector<WideRecord*>().swap(order);
    std::vector<WordRecord>().swap(copy);
    std::vector<uint32_t>().swap(rawOrder);
    std::vector<Converted>().swap(converted);
    loaded = false;
}

bool LoadAllRecords(const WordBook& book, RecordArray* out, const SortProgress& progress)
{
    out->clear();
    FILE* f = book.file.get();
    // The file's own count: a caller may have lowered book.count to search
    // only the sorted part, and the rest must not be lost.
    int count = RecordsInFile(f);
    if (!f || _fseeki64(f, 0, SEEK_SET) != 0 || fflush(f) != 0)
        return false;
    try {
        out->loaded = true;
        out->sourceCodePage = book.sourceCodePage;
        out->targetCodePage = book.targetCodePage;
        // The book is read where the system keeps it: no copy of it to make.
        size_t total = static_cast<size_t>(count);
        if (OnLocalFixedDrive(book.path.c_str()))
            out->file = MapBook(f, total, &out->mapping);
        if (!out->file && total > 0) {
            out->copy.resize(total);
            if (fread(out->copy.data(), sizeof(WordRecord), total, f) != total) {
                out->clear();
                return false;
            }
            out->file = out->copy.data();
        }
        bool sourceSafe[256], targetSafe[256];
        MakeSafeBytes(book.sourceCodePage, sourceSafe);
        MakeSafeBytes(book.targetCodePage, targetSafe);
        out->rawOrder.reserve(total);
        for (int i = 0; i < count; ++i) {
            if (i % 1000 == 0 && progress.reading)
                progress.reading(i);
            const WordRecord& in = out->file[i];
            if (in.deleted != 0)
                continue;
            bool safe = true;
            FieldLength(in.source, kSourceChars, sourceSafe, &safe);
            FieldLength(in.translation, kTranslationChars, targetSafe, &safe);
            uint32_t entry = static_cast<uint32_t>(i);
            if (!safe) {
                RecordArray::Converted c{entry, {}, {}};
                ParseWordRecord(in, book.sourceCodePage, book.targetCodePage, &c.wide);
                c.wide.deleted = 0;
                BuildWordRecord(c.wide, book.sourceCodePage, book.targetCodePage, &c.out);
                out->converted.push_back(c);
                entry |= RecordArray::kConverted;
            }
            out->rawOrder.push_back(entry);
        }
    } catch (const std::bad_alloc&) {
        out->clear();
        return false;
    }
    return true;
}

// Writes the records to the temporary file; false on any failure.
static bool WriteTemporary(const wchar_t* tempPath, const WordBook& book, const RecordArray& records,
                           const SortProgress& progress)
{
    UniqueFile temp(_wfopen(tempPath, L"wb"));
    if (!temp)
        return false;
    std::vector<WordRecord> chunk;
    chunk.reserve(4096);
    for (size_t i = 0; i < records.size(); ++i) {
        if (i % 1000 == 0 && progress.writing)
            progress.writing(static_cast<int>(i));
        chunk.emplace_back();
        if (records.loaded) {
            if (i + 16 < records.size())
                __builtin_prefetch(&records.file[records.rawOrder[i + 16] & ~RecordArray::kConverted]);
            records.Output(i, &chunk.back());
        } else {
            BuildWordRecord(*records.order[i], book.sourceCodePage, book.targetCodePage, &chunk.back());
        }
        if (chunk.size() == chunk.capacity() || i + 1 == records.size()) {
            if (!WriteToFile(temp.get(), chunk.data(), chunk.size() * sizeof(WordRecord)))
                return false;
            chunk.clear();
        }
    }
    bool flushed = FlushFileToDisk(temp.get());
    bool closed = CloseWrittenFile(temp);
    return closed && flushed;
}

int WriteAllRecords(WordBook* book, RecordArray& records, const SortProgress& progress)
{
    const wchar_t* tempPath = Str(Txt_FilenameTempLanguage);
    bool written = false;
    // Loaded records are written in the code pages they were read in.
    bool sameCodePages = !records.loaded || (records.sourceCodePage == book->sourceCodePage &&
                                             records.targetCodePage == book->targetCodePage);
    try {
        written = sameCodePages && WriteTemporary(tempPath, *book, records, progress);
    } catch (const std::bad_alloc&) {
        written = false;
    }
    // Also lets go of the book's mapping, which would block the replacement.
    records.clear();
    if (!written) {
        _wremove(tempPath);
        return -1;
    }
    // The open handle would block the replacement.
    book->file.reset();
    bool replaced = ReplaceFileAtomic(tempPath, book->path.c_str());
    if (!replaced)
        _wremove(tempPath);
    OpenWordBook(book, book->path, book->sourceCodePage, book->targetCodePage);
    return replaced && book->isOpen() ? 0 : -1;
}

void RecordSourceWord(const RecordArray& records, size_t i, wchar_t out[kSourceChars])
{
    SourceOf(records, records.rawOrder[i], out);
}

int RecordTableKey(const RecordArray& records, size_t i, const Collation& c, unsigned char key[kSortKeyBuffer])
{
    return TableKeyOf(records, records.rawOrder[i], c, key);
}

void SortRecords(RecordArray& records, const Collation& c, const SortProgress& progress)
{
    CompareCounter counter{progress};
    // The conversions' tables are made before any helper thread uses them.
    char warm[4];
    ToNarrowField(L"a", warm, sizeof warm, c.codePage);
    if (records.loaded) {
        if (c.useTable)
            SortLoadedByTable(records, c, counter);
        else
            SortLoadedByLocale(records, counter);
        return;
    }
    // Records a caller built: compared as they stand.
    if (!c.useTable) {
        std::stable_sort(records.order.begin(), records.order.end(), [&](const WideRecord* a, const WideRecord* b) {
            counter.Here();
            return CompareByLocale(a->source, b->source) < 0;
        });
        return;
    }
    size_t n = records.size();
    std::vector<unsigned char> keys;
    keys.reserve(n * 8);
    std::vector<uint32_t> start(n + 1);
    for (size_t i = 0; i < n; ++i) {
        char narrow[kSortKeyBuffer];
        unsigned char key[kSortKeyBuffer];
        ToNarrowField(records.order[i]->source, narrow, kSortKeyBuffer, c.codePage);
        int len = MakeSortKey(reinterpret_cast<const unsigned char*>(narrow), c.table, key);
        start[i] = static_cast<uint32_t>(keys.size());
        keys.insert(keys.end(), key, key + len);
    }
    start[n] = static_cast<uint32_t>(keys.size());
    std::vector<uint32_t> refs(n);
    for (size_t i = 0; i < n; ++i)
        refs[i] = static_cast<uint32_t>(i);
    std::stable_sort(refs.begin(), refs.end(), [&](uint32_t a, uint32_t b) {
        counter.Here();
        return CompareSortKeys(keys.data() + start[a], static_cast<int>(start[a + 1] - start[a]), keys.data() + start[b],
                               static_cast<int>(start[b + 1] - start[b])) < 0;
    });
    std::vector<WideRecord*> from = records.order;
    for (size_t i = 0; i < n; ++i)
        records.order[i] = from[refs[i]];
}
