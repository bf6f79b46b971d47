// Collation: per-language 256-byte weight tables, the word comparison and the
// bisection over a sorted word book on disk.
#pragma once
#include <cstddef>

constexpr int kSortTableSize = 256;
constexpr int kSortKeyBuffer = 104;

extern unsigned char g_sortTable[kSortTableSize];

void LoadSortTable();
int CompareByTable(const wchar_t* a, const wchar_t* b);
int CompareByLocale(const wchar_t* a, const wchar_t* b);
int CompareWords(const wchar_t* a, const wchar_t* b);
int FindWordPosition(const wchar_t* word);

// The building blocks, for programs that sort without a current pair.
// Maps 8-bit text into its sort key (at most kSortKeyBuffer - 1 bytes); returns its length.
int MakeSortKey(const unsigned char* text, const unsigned char table[kSortTableSize], unsigned char* key);
int CompareSortKeys(const unsigned char* a, int aLen, const unsigned char* b, int bLen);
// Reads a table file; false unless it holds at least 256 bytes.
bool ReadSortTableFile(const wchar_t* path, unsigned char table[kSortTableSize]);
