// The record store of word books and practice-list files: fixed 84-byte
// records, read and written by index through an open book.
#pragma once
#include "core/collate.h"
#include "core/fileutil.h"
#include <cstdint>
#include <cstdio>
#include <string>

#pragma pack(push, 1)
struct WordRecord {
    char source[31];
    char translation[51];
    uint16_t deleted;  // little-endian on disk, as on x86
};
#pragma pack(pop)
static_assert(sizeof(WordRecord) == 84, "record layout is part of the file format");

constexpr int kRecordSize = 84;
constexpr int kSourceChars = 31;
constexpr int kTranslationChars = 51;

struct WideRecord {
    wchar_t source[kSourceChars];
    wchar_t translation[kTranslationChars];
    uint16_t deleted;
};

// The flag is kept as read (a value other than 0 or 1 survives a rewrite);
// any non-zero value counts as deleted, as the sort treats it.
inline bool IsDeleted(const WideRecord& r) { return r.deleted != 0; }

// An open word book or practice-list file: its records are in the code pages
// of its pair. count is what the callers work with (an append raises it).
struct WordBook {
    std::wstring path;
    UniqueFile file;
    int count = 0;
    int sourceCodePage = 1252;
    int targetCodePage = 1252;
    bool isOpen() const { return file != nullptr; }
};

// Builds a zero-filled record from wide texts, cutting at character boundaries.
void BuildWordRecord(const WideRecord& in, int sourceCodePage, int targetCodePage, WordRecord* out);
// Converts a record read from disk; fields lacking a terminator are cut at the field end.
void ParseWordRecord(const WordRecord& in, int sourceCodePage, int targetCodePage, WideRecord* out);

// Opens path for reading and writing; with create, a missing file is made
// empty. False (and the book closed) on failure. Counts the records.
bool OpenWordBook(WordBook* book, const std::wstring& path, int sourceCodePage, int targetCodePage, bool create = false);
void CloseWordBook(WordBook* book);
// Whole records in the file; a partial record at the end does not count.
int RecordsInFile(FILE* f);
// Sets book->count from the file's size (0 when closed).
void CountBookRecords(WordBook* book);

// 0 or -1; a failed read leaves *out unchanged.
int ReadRecord(const WordBook& book, int index, WideRecord* out);
// Writes at index (index == count appends; the caller raises count); 0 or -1.
int WriteRecord(const WordBook& book, int index, const WideRecord& in);
// Writes the record at the file's position, flushed; 0 or -1. A failed write
// leaves the file as it was (a torn record is put back, an append cut off).
int WriteRecordTo(FILE* file, const WideRecord& in, int sourceCodePage, int targetCodePage);

// Bisection over a book sorted by source word: the index of a record that
// compares equal to word, else where word would be inserted (0 to count).
// *last holds the last record read.
int FindWordPosition(const WordBook& book, const Collation& c, const wchar_t* word, WideRecord* last);
