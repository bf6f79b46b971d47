#include "core/sortbook.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/collate.h"
#include "core/fileutil.h"
#include "core/uistrings.h"
#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>

bool LoadAllRecords(RecordArray* out, const SortProgress& progress)
{
    out->clear();
    LanguagePair* pair = CurrentPair();
    if (!wordBookFile || !pair || _fseeki64(wordBookFile, 0, SEEK_SET) != 0)
        return false;
    try {
        out->reserve(static_cast<size_t>(wordBookCount));
        for (int i = 0; i < wordBookCount; ++i) {
            if (i % 1000 == 0 && progress.reading)
                progress.reading(i);
            WordRecord raw;
            if (fread(&raw, sizeof raw, 1, wordBookFile) != 1) {
                out->clear();
                return false;
            }
            if (raw.deleted != 0)
                continue;
            auto rec = std::make_unique<WideRecord>();
            ParseWordRecord(raw, pair->sourceCodePage, pair->targetCodePage, rec.get());
            rec->deleted = 0;
            out->push_back(std::move(rec));
        }
    } catch (const std::bad_alloc&) {
        out->clear();
        out->shrink_to_fit();
        return false;
    }
    wordBookCount = static_cast<int>(out->size());
    return true;
}

// Writes the records to the temporary file; false on any failure.
static bool WriteTemporary(const wchar_t* tempPath, RecordArray& records, const SortProgress& progress)
{
    LanguagePair* pair = CurrentPair();
    std::vector<char> buffer(1 << 16);
    UniqueFile temp(_wfopen(tempPath, L"wb"));
    if (!temp)
        return false;
    setvbuf(temp.get(), buffer.data(), _IOFBF, buffer.size());
    for (size_t i = 0; i < records.size(); ++i) {
        if (i % 1000 == 0 && progress.writing)
            progress.writing(static_cast<int>(i));
        WordRecord raw;
        BuildWordRecord(*records[i], pair->sourceCodePage, pair->targetCodePage, &raw);
        records[i].reset();
        if (fwrite(&raw, sizeof raw, 1, temp.get()) != 1)
            return false;
    }
    if (!FlushFileToDisk(temp.get()))
        return false;
    return fclose(temp.release()) == 0;
}

int WriteAllRecords(RecordArray& records, const SortProgress& progress)
{
    const wchar_t* tempPath = Str(Txt_FilenameTempLanguage);
    bool written = CurrentPair() && WriteTemporary(tempPath, records, progress);
    records.clear();
    records.shrink_to_fit();
    if (!written) {
        _wremove(tempPath);
        CountRecords();  // the load counted live records only
        return -1;
    }
    wchar_t bookPath[MAX_PATH];
    WordBookPath(bookPath, MAX_PATH);
    // The open handles would block the replacement.
    ClosePairFiles();
    bool replaced = ReplaceFileAtomic(tempPath, bookPath);
    if (!replaced)
        _wremove(tempPath);
    OpenPairFiles();
    CountRecords();
    return replaced ? 0 : -1;
}

namespace {

struct KeyedSort {
    std::vector<unsigned char> keys;
    std::vector<uint32_t> offset;
    std::vector<uint8_t> length;
};

} // namespace

void SortRecords(RecordArray& records, const SortProgress& progress)
{
    LanguagePair* pair = CurrentPair();
    long counter = 0;
    auto count = [&]() {
        if (counter % 2000 == 0 && progress.comparing)
            progress.comparing(counter);
        ++counter;
    };
    if (!pair || !pair->hasSortTable) {
        std::sort(records.begin(), records.end(), [&](const auto& a, const auto& b) {
            count();
            return CompareWords(a->source, b->source) < 0;
        });
        return;
    }
    // Keys made once per record give exactly the order of the table comparison.
    KeyedSort ks;
    size_t n = records.size();
    ks.keys.reserve(n * 8);
    ks.offset.resize(n);
    ks.length.resize(n);
    for (size_t i = 0; i < n; ++i) {
        char narrow[kSortKeyBuffer];
        unsigned char key[kSortKeyBuffer];
        ToNarrowField(records[i]->source, narrow, kSortKeyBuffer, pair->sourceCodePage);
        int len = MakeSortKey(reinterpret_cast<const unsigned char*>(narrow), g_sortTable, key);
        ks.offset[i] = static_cast<uint32_t>(ks.keys.size());
        ks.length[i] = static_cast<uint8_t>(len);
        ks.keys.insert(ks.keys.end(), key, key + len);
    }
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    const unsigned char* base = ks.keys.data();
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        count();
        return CompareSortKeys(base + ks.offset[a], ks.length[a], base + ks.offset[b], ks.length[b]) < 0;
    });
    RecordArray sorted;
    sorted.reserve(n);
    for (uint32_t i : order)
        sorted.push_back(std::move(records[i]));
    records.swap(sorted);
}
