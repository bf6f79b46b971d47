// Collation: per-language 256-byte weight tables and the word comparison.
// Plain functions over an explicit table and code page; a language without a
// table is ordered by the runtime's collation locale, set by ApplyPairLocale.
#pragma once
#include <cstddef>

constexpr int kSortTableSize = 256;
constexpr int kSortKeyBuffer = 104;

struct Collation {
    bool useTable = false;  // the language has a table: compare by it
    unsigned char table[kSortTableSize] = {};
    int codePage = 1252;    // the words' code page, which the table weighs
};

// Reads tables\<language>.stb into c->table; false (the table as it was)
// when the file is missing or short.
bool LoadCollationTable(Collation* c, const wchar_t* languageName);

// Sets the runtime's collation locale; false when the runtime refuses it.
bool ApplyPairLocale(const wchar_t* localeName);
// True once ApplyPairLocale has set a collation locale.
bool PairLocaleIsSet();

int CompareByTable(const Collation& c, const wchar_t* a, const wchar_t* b);
// Case-insensitive under the collation locale; without one, A to Z folded
// and character codes compared.
int CompareByLocale(const wchar_t* a, const wchar_t* b);
int CompareWords(const Collation& c, const wchar_t* a, const wchar_t* b);

// The building blocks, for programs that sort with keys.
// Maps 8-bit text into its sort key (at most kSortKeyBuffer - 1 bytes); returns its length.
int MakeSortKey(const unsigned char* text, const unsigned char table[kSortTableSize], unsigned char* key);
int CompareSortKeys(const unsigned char* a, int aLen, const unsigned char* b, int bLen);
// Keys that order words as CompareByLocale does under the current collation:
// byte order, the shorter first when one begins the other. Without a collation
// locale they give exactly that order; under one they are the runtime's own
// sort keys, which a caller that must keep the comparison's order checks
// against the comparison.
struct LocaleKeys {
    unsigned long lcid = 0;   // 0: A to Z folded, then character codes
    unsigned long flags = 0;
};
LocaleKeys PrepareLocaleKeys();
// The key of the first length characters of word; its length, at most room
// bytes (0 when it does not fit).
int MakeLocaleSortKey(const LocaleKeys& how, const wchar_t* word, int length, unsigned char* key, int room);
// Reads a table file; false unless it holds at least 256 bytes.
bool ReadSortTableFile(const wchar_t* path, unsigned char table[kSortTableSize]);
