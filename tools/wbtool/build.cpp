#include "tools/wbtool/wbtool.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/textfold.h"
#include <windows.h>
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <numeric>

// Bytes the text takes in the code page (it must fit the code page).
static int NarrowLength(const std::wstring& text, int codePage)
{
    if (text.empty())
        return 0;
    return WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
}

static void Detail(FILE* details, const wchar_t* what, const std::wstring& word)
{
    if (!details)
        return;
    std::string line = WideToUtf8(what) + ": " + WideToUtf8(word) + "\n";
    fwrite(line.data(), 1, line.size(), details);
}

std::vector<WordRecord> BuildRecords(const std::vector<SourceEntry>& entries, int sourceCodePage,
                                     int targetCodePage, const WordOrder& collation, ImportStats* stats,
                                     FILE* details)
{
    std::vector<WordRecord> records;
    records.reserve(entries.size());
    for (const auto& e : entries) {
        if (!FitsCodePage(e.word.c_str(), sourceCodePage)) {
            ++stats->wordUnrepresentable;
            Detail(details, L"word with characters the code page lacks", e.word);
            continue;
        }
        if (NarrowLength(e.word, sourceCodePage) > kSourceChars - 1) {
            ++stats->wordTooLong;
            Detail(details, L"word too long", e.word);
            continue;
        }
        // Whole translations only: one that doesn't fit is left out, a later
        // shorter one may still go in.
        std::wstring joined;
        int used = 0;
        bool cut = false;
        for (const auto& item : e.items) {
            if (!FitsCodePage(item.c_str(), targetCodePage)) {
                ++stats->itemsUnrepresentable;
                Detail(details, L"translation with characters the code page lacks", e.word + L" = " + item);
                continue;
            }
            int n = NarrowLength(item, targetCodePage);
            int need = joined.empty() ? n : used + 2 + n;
            if (need > kTranslationChars - 1) {
                ++stats->itemsCut;
                cut = true;
                continue;
            }
            if (!joined.empty())
                joined += L", ";
            joined += item;
            used = need;
        }
        if (joined.empty()) {
            ++stats->noItemFits;
            Detail(details, L"no translation fits", e.word);
            continue;
        }
        if (cut) {
            ++stats->recordsCut;
            Detail(details, L"translations cut", e.word);
        }
        // Within the byte limits, the wide texts hold no more characters than the fields.
        WideRecord wide{};
        wcsncpy(wide.source, e.word.c_str(), kSourceChars - 1);
        wcsncpy(wide.translation, joined.c_str(), kTranslationChars - 1);
        WordRecord record;
        BuildWordRecord(wide, sourceCodePage, targetCodePage, &record);
        records.push_back(record);
    }
    SortRecords(&records, sourceCodePage, collation);
    stats->written = static_cast<long>(records.size());
    return records;
}

// A record's source word as text: up to its terminator or the end of the field.
static std::string SourceBytes(const WordRecord& r)
{
    return std::string(r.source, strnlen(r.source, sizeof r.source));
}

static std::wstring SourceWide(const WordRecord& r, int codePage)
{
    // Cut like the program cuts a field that lacks its terminator.
    wchar_t buf[kSourceChars];
    int n = ToWideField(r.source, sizeof r.source, buf, kSourceChars, codePage);
    return std::wstring(buf, n);
}

// The ordering of the default rule: A to Z folded, then character codes.
static std::wstring DefaultKey(std::wstring text)
{
    for (auto& c : text)
        c = FoldAZ(c);
    return text;
}

namespace {
struct SortKey {
    std::string bytes;  // table
    std::wstring text;  // default (folded) or locale (as it stands)
};
}

static SortKey MakeKey(const WordRecord& r, int codePage, const WordOrder& c)
{
    SortKey k;
    if (c.mode == WordOrder::Table) {
        std::string text = SourceBytes(r);
        unsigned char key[kSortKeyBuffer];
        int n = MakeSortKey(reinterpret_cast<const unsigned char*>(text.c_str()), c.table, key);
        k.bytes.assign(reinterpret_cast<char*>(key), n);
    } else if (c.mode == WordOrder::Default) {
        k.text = DefaultKey(SourceWide(r, codePage));
    } else {
        k.text = SourceWide(r, codePage);
    }
    return k;
}

static int CompareKeys(const SortKey& a, const SortKey& b, const WordOrder& c)
{
    switch (c.mode) {
    case WordOrder::Table:
        return CompareSortKeys(reinterpret_cast<const unsigned char*>(a.bytes.data()), static_cast<int>(a.bytes.size()),
                               reinterpret_cast<const unsigned char*>(b.bytes.data()), static_cast<int>(b.bytes.size()));
    case WordOrder::Default:
        return a.text.compare(b.text);
    case WordOrder::Locale:
        return CompareByLocale(a.text.c_str(), b.text.c_str());
    }
    return 0;
}

int CompareRecordWords(const WordRecord& a, const WordRecord& b, int sourceCodePage, const WordOrder& collation)
{
    return CompareKeys(MakeKey(a, sourceCodePage, collation), MakeKey(b, sourceCodePage, collation), collation);
}

void SortRecords(std::vector<WordRecord>* records, int sourceCodePage, const WordOrder& collation)
{
    std::vector<SortKey> keys;
    keys.reserve(records->size());
    for (const auto& r : *records)
        keys.push_back(MakeKey(r, sourceCodePage, collation));
    std::vector<size_t> order(records->size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return CompareKeys(keys[a], keys[b], collation) < 0; });
    std::vector<WordRecord> sorted;
    sorted.reserve(records->size());
    for (size_t i : order)
        sorted.push_back((*records)[i]);
    records->swap(sorted);
}

bool WriteWordBook(const std::wstring& path, const std::vector<WordRecord>& records, std::wstring* error)
{
    std::wstring temp = path + L".tmp";
    UniqueFile f(_wfopen(temp.c_str(), L"wb"));
    if (!f) {
        *error = L"can't create " + temp;
        return false;
    }
    bool ok = records.empty() || fwrite(records.data(), sizeof(WordRecord), records.size(), f.get()) == records.size();
    ok = ok && FlushFileToDisk(f.get());
    ok = (fclose(f.release()) == 0) && ok;
    if (!ok) {
        DeleteFileW(temp.c_str());
        *error = L"can't write " + temp;
        return false;
    }
    if (!ReplaceFileAtomic(temp.c_str(), path.c_str())) {
        DeleteFileW(temp.c_str());
        *error = L"can't replace " + path;
        return false;
    }
    return true;
}
