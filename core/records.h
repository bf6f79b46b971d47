// The word-book record store: fixed 84-byte records, read and written by index.
#pragma once
#include <cstdint>
#include <cstdio>

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

// Shared state: the current record, the open files and their counts.
extern WideRecord currentRecord;
extern FILE* wordBookFile;
extern FILE* listFileHandle;
extern int wordBookCount;
extern int listCount;

// Builds a zero-filled record from wide texts, cutting at character boundaries.
void BuildWordRecord(const WideRecord& in, int sourceCodePage, int targetCodePage, WordRecord* out);
// Converts a record read from disk; fields lacking a terminator are cut at the field end.
void ParseWordRecord(const WordRecord& in, int sourceCodePage, int targetCodePage, WideRecord* out);

// Full paths (relative to the current directory) of the current pair's files.
void WordBookPath(wchar_t* dest, size_t destChars);
// Returns false when no practice list is chosen.
bool ListFilePath(wchar_t* dest, size_t destChars);

int OpenPairFiles();
int OpenListFile();
void CountRecords();
void CountListRecords();
int ReadWordRecord(int index);
int ReadListRecord(int index);
int WriteWordRecord(int index);
int WriteListRecord(int index);
int CopyRecordTo(FILE* file);
void ClosePairFiles();
void CloseListFile();
