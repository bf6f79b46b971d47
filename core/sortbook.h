// Sorting a whole word book: load the live records, sort, write back through a
// temporary file that replaces the word book only when it is complete.
#pragma once
#include "core/records.h"
#include <cstdint>
#include <vector>

// A record of the array in wide form, a copy that lives as long as the view.
struct RecordView {
    WideRecord record;
    const WideRecord* operator->() const { return &record; }
    const WideRecord& operator*() const { return record; }
};

// The records of one sort. Loaded from a book, they are read where the
// book's file is mapped into memory, and the sort permutes their numbers;
// records a caller builds itself go in pool and order.
struct RecordArray {
    std::vector<WideRecord> pool;    // in file order
    std::vector<WideRecord*> order;  // what the sort permutes

    // Filled by LoadAllRecords: what follows.
    bool loaded = false;
    const WordRecord* file = nullptr;   // every record of the book, deleted ones too
    std::vector<WordRecord> copy;       // the records, when the file can't be mapped
    void* mapping = nullptr;
    // Live records by number in the file, kConverted marking those whose bytes
    // would not come back the same through wide text.
    std::vector<uint32_t> rawOrder;
    static constexpr uint32_t kConverted = 0x80000000u;
    struct Converted {
        uint32_t index;     // in the file
        WordRecord out;     // as it will be written
        WideRecord wide;    // as read
    };
    std::vector<Converted> converted;   // by index, rising
    int sourceCodePage = 1252;
    int targetCodePage = 1252;

    RecordArray() = default;
    RecordArray(const RecordArray&) = delete;
    RecordArray& operator=(const RecordArray&) = delete;
    ~RecordArray() { clear(); }
    size_t size() const { return loaded ? rawOrder.size() : order.size(); }
    RecordView operator[](size_t i) const;
    // Record i (of rawOrder) as it will be written.
    void Output(size_t i, WordRecord* out) const;
    const Converted& ConvertedOf(uint32_t entry) const;
    void clear();
};

// Progress reports while the work runs; any may be null.
struct SortProgress {
    void (*reading)(int index);        // every 1000 records
    void (*writing)(int index);        // every 1000 records
    void (*comparing)(long counter);   // every 2000 comparisons
};

// Live records of the book in file order: all the file holds, whatever the
// book's count says. False (and the book untouched) on a read or allocation failure.
bool LoadAllRecords(const WordBook& book, RecordArray* out, const SortProgress& progress);
// Replaces the book's file by the records, in order, through a temporary
// file; 0 or -1. On failure the file stays as it was and the temporary file
// is removed. The array is emptied; the book is open and counted afterwards.
int WriteAllRecords(WordBook* book, RecordArray& records, const SortProgress& progress);
// Sorts by source word with the collation's comparison; records whose words
// compare equal keep their order (file order for loaded records): the order
// std::stable_sort gives with CompareWords.
void SortRecords(RecordArray& records, const Collation& c, const SortProgress& progress);
// For merging other records into loaded ones in the sort's order: record
// i's source word as the sort reads it, and its key under a table.
void RecordSourceWord(const RecordArray& records, size_t i, wchar_t out[kSourceChars]);
int RecordTableKey(const RecordArray& records, size_t i, const Collation& c, unsigned char key[kSortKeyBuffer]);
// For tests: under a locale, order the words by the comparison itself even
// where the keys agree with it.
extern bool g_sortBookCompareSortOnly;

