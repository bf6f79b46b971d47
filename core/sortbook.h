// Sorting a whole word book: load the live records, sort, write back through a
// temporary file that replaces the word book only when it is complete.
#pragma once
#include "core/records.h"
#include <vector>

// The records of one sort: held in one block, ordered through references.
struct RecordArray {
    std::vector<WideRecord> pool;    // in file order
    std::vector<WideRecord*> order;  // what the sort permutes
    size_t size() const { return order.size(); }
    WideRecord* operator[](size_t i) const { return order[i]; }
    void clear()
    {
        std::vector<WideRecord>().swap(pool);
        std::vector<WideRecord*>().swap(order);
    }
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
// Sorts by source word with the collation's comparison.
void SortRecords(RecordArray& records, const Collation& c, const SortProgress& progress);
