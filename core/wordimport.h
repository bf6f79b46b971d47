// Importing a table into the current pair's word book, and exporting a word
// book or practice list as a table. An import stores what the add-words
// window stores (forward entries, the mirrored pair's reverse entries, the
// new-words journal) and sorts both books; it replaces every file at the end
// or none, so a cancel or a failure leaves both books as they were.
#pragma once
#include "core/catalogue.h"
#include "core/tabular.h"
#include <string>
#include <vector>

// Why a line can't be stored.
enum class ImportRefusal {
    NoWord,              // the word's cell is empty or missing
    NoTranslation,       // the translation's cell is empty or missing
    WordHasComma,        // it would split the reverse entries' lists
    WordTooLong,         // bytes in the source code page over 30
    WordNotHeld,         // characters the source code page lacks
    TranslationTooLong,  // bytes in the target code page over 50 (after merging lines of one word)
    TranslationNotHeld,
};

struct RefusedLine {
    long line = 0;
    ImportRefusal why = ImportRefusal::NoWord;
    int bytes = 0;        // for the too-long reasons: the bytes the text takes
    std::string text;     // the row as read, its cells joined by tabs (a tab or line break inside one a space)
};

struct ImportEntry {
    std::wstring word;
    std::wstring translation;  // the normalised list ("a, b")
    long line = 0;             // first line giving the word
    bool replaces = false;     // the word book holds the word already
};

struct ImportPlan {
    std::vector<ImportEntry> entries;  // in the order of the file; lines of one word merged
    std::vector<RefusedLine> refused;  // in the order of the file
    long added = 0, replaced = 0;
    const LanguagePair* pair = nullptr;  // planned for (RefusalText's languages)
    bool noMirror = false;  // no mirrored pair or word book: forward entries only
};

struct ImportColumns {
    int word = 0, translation = 1;
    bool header = false;  // the first row names the columns
};

// True when the first row looks like column names rather than an entry.
bool LooksLikeHeader(const Table& table, const LanguagePair* pair);
// Column names for choosing: the header's cells, or "1", "2"... (the widest row).
std::vector<std::wstring> ColumnNames(const Table& table, bool header);

// What an import of the table into pair's word book would do; nothing is
// written. False (with *error) when the word book can't be read.
bool PlanImport(const Table& table, const ImportColumns& columns, const LanguagePair* pair, ImportPlan* plan,
                std::wstring* error);

// Called now and then during ApplyImport: done of total steps; returning
// false cancels.
struct ImportProgress {
    bool (*step)(void* context, long done, long total) = nullptr;
    void* context = nullptr;
};

enum class ImportResult { Done, Cancelled, Failed };

// Stores the plan into pair's word book and its mirrored pair's (when the
// catalogue has one), appends the new words to the journal, sorts both
// books. The session's files are closed around the replacement and opened
// again. Failed: *failedPath is the file that could not be written; all files
// are as they were.
ImportResult ApplyImport(const ImportPlan& plan, const LanguagePair* pair, const ImportProgress& progress,
                         std::wstring* failedPath);

// Why a line was refused, in the user's language, naming the language and
// its limit as the add-words window does.
std::wstring RefusalText(const RefusedLine& refused, const LanguagePair* pair);

// The refused lines as a UTF-8 text file (one line each: line number, reason
// in the user's language, the row); false when it can't be written.
bool SaveRefusedLines(const std::wstring& path, const ImportPlan& plan);

// Export: the word book (word, translation) or the practice list (word,
// translation, box, due date "yyyy-mm-dd", tags; the tags hold the list's
// name with blanks as "_" and "box<n>", so that a flash-card program that
// takes one tags column keeps both) of pair, written through a temporary file, no header
// line, deleted records left out. False (with *error) when a file can't be read or written.
bool ExportWordBook(const LanguagePair* pair, const std::wstring& path, TableFormat format, std::wstring* error);
bool ExportPracticeList(const LanguagePair* pair, const wchar_t* listName, const std::wstring& path,
                        TableFormat format, std::wstring* error);
