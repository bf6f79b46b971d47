// Tables of text in UTF-8: tab-separated lines and comma-separated rows with
// quoted fields, as spreadsheets and flash-card programs read and write them.
// The one reader and writer of each format, for the program and wbtool alike.
#pragma once
#include <string>
#include <string_view>
#include <vector>

enum class TableFormat { Tsv, Csv };

struct TableRow {
    long line = 0;                    // the file's line the row starts on, from 1
    std::vector<std::string> cells;  // UTF-8, as read
};

struct Table {
    std::vector<TableRow> rows;       // blank lines left out
    char delimiter = '\t';
    long unterminatedQuotes = 0;      // CSV: a quoted field still open at the end
};

// A byte-order mark at the start is skipped (UTF-16 text with one is read as
// such). TSV: every tab separates (no quoting); CSV: RFC 4180 with the
// delimiter GuessCsvDelimiter finds.
Table ReadTable(std::string_view data, TableFormat format);
// CSV rows split at delimiter, blank ones kept, a byte-order mark read as text.
Table ReadCsvRows(std::string_view data, char delimiter);
// ',' unless the first line holds semicolons and no comma outside quotes.
char GuessCsvDelimiter(std::string_view data);
// By the name's extension (.csv: CSV, .tsv/.tab/.txt: TSV), else by the first
// line (a tab: TSV, else CSV).
TableFormat GuessTableFormat(const std::wstring& fileName, std::string_view data);

// One row written out, line end included (CRLF). CSV quotes a field holding
// a comma, a semicolon, a quote or a line break, doubling its quotes; TSV
// turns tabs and line breaks inside a field into spaces.
std::string TableLine(const std::vector<std::wstring>& cells, TableFormat format);
// What a file of the format starts with: CSV a UTF-8 byte-order mark (so that
// spreadsheets read it as UTF-8), TSV nothing.
std::string TableStart(TableFormat format);

// Every run of white space (line breaks and tabs too) as one space, both ends trimmed.
std::wstring CollapseSpaces(std::wstring_view text);
// A translation text's items, split at ";" and at "," before a space or the
// end (so "1,5" stays whole), trimmed, empty ones dropped.
std::vector<std::wstring> SplitTranslationItems(std::wstring_view text);
