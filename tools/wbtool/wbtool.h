// wbtool: makes word books from UTF-8 dictionaries (dictd, TSV, CSV), writes
// word books back out as UTF-8, and checks them for damage and order.
#pragma once
#include "core/collate.h"
#include "core/fileutil.h"
#include "core/records.h"
#include "core/tabular.h"
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// One word of the input with its translations, before any code-page work.
struct SourceEntry {
    std::wstring word;
    std::vector<std::wstring> items;
};

// What an import met on its way; every entry lands in exactly one outcome.
struct ImportStats {
    long entriesRead = 0;       // index entries or data rows taken from the input
    long unreadable = 0;        // index lines or definitions that could not be read
    long merged = 0;            // entries folded into an earlier one with the same word
    long noTranslation = 0;     // words left without any translation in the input
    long wordUnrepresentable = 0;
    long wordTooLong = 0;
    long noItemFits = 0;        // words dropped because not one translation could be stored
    long itemsUnrepresentable = 0;
    long recordsCut = 0;        // records that lost translations for want of room
    long itemsCut = 0;
    long written = 0;
    long unterminatedQuotes = 0;  // CSV only
};

// ---- readers (readers.cpp) ----

// Invalid UTF-8 comes out as U+FFFD, which no code page holds.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// Far more than any dictionary's text and any one definition take: larger
// sizes read from a file are damage.
constexpr size_t kMaxUnpacked = size_t{512} << 20;
constexpr uint64_t kMaxDefinition = 1 << 20;

// Unpacks gzip data (dictzip is gzip with an extra header field). On failure
// *why, when given, says what is wrong; nothing past limit bytes is unpacked.
bool InflateGzip(const std::string& packed, std::string* out, std::wstring* why = nullptr,
                 size_t limit = kMaxUnpacked);

// A dictd number: base64 digits (A-Z a-z 0-9 + /), most significant first.
bool DecodeBase64Number(std::string_view digits, uint64_t* value);

struct IndexLine {
    std::string headword;  // as the index holds it (folded by the database maker)
    uint64_t offset = 0;
    uint64_t length = 0;
};
bool ParseIndexLine(std::string_view line, IndexLine* out);
// True for the 00-database-* entries that describe the database itself.
bool IsDatabaseInfoEntry(std::string_view headword);

// Index and definition file names for SRC (the .index file or the stem).
// The definitions are the .dict.dz when it exists, else the .dict.
void DictdPaths(const std::wstring& src, std::wstring* indexPath, std::wstring* dictPath);
bool ReadDictd(const std::wstring& src, std::vector<SourceEntry>* out, ImportStats* stats, std::wstring* error);

// TSV: word TAB translations per line; CSV: RFC 4180 rows, first column the word,
// second the translations. Other columns are ignored.
void ReadTsv(std::string_view data, bool header, std::vector<SourceEntry>* out, ImportStats* stats);
// Rows of CSV text; *unterminated counts quoted fields still open at the end.
std::vector<std::vector<std::string>> ParseCsvRows(std::string_view data, char delimiter, long* unterminated);
void ReadCsv(std::string_view data, bool header, std::vector<SourceEntry>* out, ImportStats* stats);

// ---- FreeDict definitions (extract.cpp) ----

// Word and translation texts are single lines (CollapseSpaces) and
// translations are split into items (SplitTranslationItems): core/tabular.h.
// Removes (...), [...], <...> and {...} groups, which hold notes, labels and tags,
// and the abbreviation glued to a tag ("illustration <n>ill.").
std::wstring StripNotes(std::wstring_view text);
// The headword as the definition's first line spells it, without pronunciation
// and part-of-speech tags; indexHeadword (folded) picks among the candidates.
std::wstring ExtractHeadword(std::wstring_view firstLine, std::wstring_view indexHeadword);
// Headword and plain translation words of one definition.
SourceEntry ExtractFreeDictEntry(std::wstring_view definition, std::wstring_view indexHeadword);

// ---- building word books (merge.cpp, build.cpp) ----

// The order a word book is sorted in, as the command line asks for it.
struct WordOrder {
    enum Mode { Default, Table, Locale } mode = Default;
    unsigned char table[kSortTableSize] = {};
};

// Spells out the ij ligature, makes special hyphens and spaces plain ones and
// drops invisible marks, so that words fit 8-bit code pages and compare as they read.
std::wstring FoldTypography(std::wstring_view text);

// Merges entries with the same word, keeping the first one's place and each
// translation once.
std::vector<SourceEntry> MergeEntries(std::vector<SourceEntry> entries, ImportStats* stats);
// Converts, fits and sorts the entries into records; details, when given, gets
// a line for every word left out or cut.
std::vector<WordRecord> BuildRecords(const std::vector<SourceEntry>& entries, int sourceCodePage,
                                     int targetCodePage, const WordOrder& collation, ImportStats* stats,
                                     FILE* details);
// Sorts records by source word, keeping the order of equal words.
void SortRecords(std::vector<WordRecord>* records, int sourceCodePage, const WordOrder& collation);
// <0, 0, >0 as the source words of a and b compare.
int CompareRecordWords(const WordRecord& a, const WordRecord& b, int sourceCodePage, const WordOrder& collation);

// Writes through a temporary file beside path, then replaces path.
bool WriteWordBook(const std::wstring& path, const std::vector<WordRecord>& records, std::wstring* error);

// ---- the commands (commands.cpp) ----

// Exit codes: 0 done, 1 file error or damage found by check, 2 usage error.
int RunWbTool(int argc, wchar_t** argv, FILE* out, FILE* err);
