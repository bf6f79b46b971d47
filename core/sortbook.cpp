#include "core/sortbook.h"
#include "core/codepage.h"
#include "core/uistrings.h"
#include <windows.h>
#include <algorithm>
#include <cstring>
#include <new>

bool LoadAllRecords(const WordBook& book, RecordArray* out, const SortProgress& progress)
{
    out->clear();
    FILE* f = book.file.get();
    // The file's own count: a caller may have lowered book.count to search
    // only the sorted part, and the rest must not be lost.
    int count = RecordsInFile(f);
    if (!f || _fseeki64(f, 0, SEEK_SET) != 0)
        return false;
    try {
        out->pool.reserve(static_cast<size_t>(count));
        std::vector<WordRecord> chunk(4096);
        for (int i = 0; i < count;) {
            size_t want = std::min<size_t>(chunk.size(), static_cast<size_t>(count - i));
            if (fread(chunk.data(), sizeof(WordRecord), want, f) != want) {
                out->clear();
                return false;
            }
            for (size_t k = 0; k < want; ++k, ++i) {
                if (i % 1000 == 0 && progress.reading)
                    progress.reading(i);
                if (chunk[k].deleted != 0)
                    continue;
                out->pool.emplace_back();
                ParseWordRecord(chunk[k], book.sourceCodePage, book.targetCodePage, &out->pool.back());
                out->pool.back().deleted = 0;
            }
        }
        out->order.reserve(out->pool.size());
        for (WideRecord& r : out->pool)
            out->order.push_back(&r);
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
        BuildWordRecord(*records[i], book.sourceCodePage, book.targetCodePage, &chunk.back());
        if (chunk.size() == chunk.capacity() || i + 1 == records.size()) {
            if (!WriteToFile(temp.get(), chunk.data(), chunk.size() * sizeof(WordRecord)))
                return false;
            chunk.clear();
        }
    }
    bool flushed = FlushFileToDisk(temp.get());
    return CloseWrittenFile(temp) && flushed;
}

int WriteAllRecords(WordBook* book, RecordArray& records, const SortProgress& progress)
{
    const wchar_t* tempPath = Str(Txt_FilenameTempLanguage);
    bool written = false;
    try {
        written = WriteTemporary(tempPath, *book, records, progress);
    } catch (const std::bad_alloc&) {
        written = false;
    }
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

namespace {

// A record's sort key: its first 16 bytes big-endian in two numbers, so most
// comparisons are two integer compares; the rest of the key settles ties.
struct KeyRef {
    uint64_t hi, lo;
    uint32_t offset;
    uint8_t length;
    WideRecord* record;
};

uint64_t BigEndian(const unsigned char* key, int len, int from)
{
    uint64_t v = 0;
    for (int i = from; i < from + 8; ++i)
        v = (v << 8) | (i < len ? key[i] : 0);
    return v;
}

} // namespace

void SortRecords(RecordArray& records, const Collation& c, const SortProgress& progress)
{
    long counter = 0;
    auto count = [&]() {
        if (counter % 2000 == 0 && progress.comparing)
            progress.comparing(counter);
        ++counter;
    };
    if (!c.useTable) {
        std::sort(records.order.begin(), records.order.end(), [&](const WideRecord* a, const WideRecord* b) {
            count();
            return CompareByLocale(a->source, b->source) < 0;
        });
        return;
    }
    // Keys made once per record give exactly the order of the table comparison.
    size_t n = records.size();
    std::vector<unsigned char> keys;
    keys.reserve(n * 8);
    std::vector<KeyRef> refs(n);
    for (size_t i = 0; i < n; ++i) {
        char narrow[kSortKeyBuffer];
        unsigned char key[kSortKeyBuffer];
        ToNarrowField(records[i]->source, narrow, kSortKeyBuffer, c.codePage);
        int len = MakeSortKey(reinterpret_cast<const unsigned char*>(narrow), c.table, key);
        refs[i] = {BigEndian(key, len, 0), BigEndian(key, len, 8), static_cast<uint32_t>(keys.size()),
                   static_cast<uint8_t>(len), records[i]};
        keys.insert(keys.end(), key, key + len);
    }
    const unsigned char* base = keys.data();
    std::sort(refs.begin(), refs.end(), [&](const KeyRef& a, const KeyRef& b) {
        count();
        if (a.hi != b.hi)
            return a.hi < b.hi;
        if (a.lo != b.lo)
            return a.lo < b.lo;
        // Keys never hold a zero byte, so equal prefixes mean the first 16 bytes agree.
        return CompareSortKeys(base + a.offset, a.length, base + b.offset, b.length) < 0;
    });
    for (size_t i = 0; i < n; ++i)
        records.order[i] = refs[i].record;
}
