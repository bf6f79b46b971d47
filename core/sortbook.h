// Sorting a whole word book: load the live records, sort, write back through a
// temporary file that replaces the word book only when it is complete.
#pragma once
#include "core/records.h"
#include <memory>
#include <vector>

using RecordArray = std::vector<std::unique_ptr<WideRecord>>;

// Progress reports while the work runs; any may be null.
struct SortProgress {
    void (*reading)(int index);        // every 1000 records
    void (*writing)(int index);        // every 1000 records
    void (*comparing)(long counter);   // every 2000 comparisons
};

// Live records of the open word book in file order; sets wordBookCount to their
// number. False (and the word book untouched) on a read or allocation failure.
bool LoadAllRecords(RecordArray* out, const SortProgress& progress);
// Replaces the word book by the records, in order; 0 or -1. On failure the
// word book stays as it was and the temporary file is removed. The array is emptied.
int WriteAllRecords(RecordArray& records, const SortProgress& progress);
// Sorts by source word with CompareWords.
void SortRecords(RecordArray& records, const SortProgress& progress);
