#include "core/tabular.h"
#include "core/codepage.h"
#include <windows.h>
#include <algorithm>

static std::string_view SkipBom(std::string_view data)
{
    if (data.starts_with("\xEF\xBB\xBF"))
        data.remove_prefix(3);
    return data;
}

static bool IsBlankCell(const std::string& cell) { return cell.find_first_not_of(" \t") == std::string::npos; }

static bool IsBlankRow(const TableRow& row)
{
    for (const std::string& cell : row.cells)
        if (!IsBlankCell(cell))
            return false;
    return true;
}

// Every tab separates; a CR before the line end goes.
static Table ReadTsvRows(std::string_view data)
{
    Table table;
    table.delimiter = '\t';
    long line = 0;
    while (!data.empty()) {
        ++line;
        size_t eol = data.find('\n');
        std::string_view text = data.substr(0, eol);
        data = eol == std::string_view::npos ? std::string_view() : data.substr(eol + 1);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        TableRow row;
        row.line = line;
        for (;;) {
            size_t tab = text.find('\t');
            row.cells.emplace_back(text.substr(0, tab));
            if (tab == std::string_view::npos)
                break;
            text.remove_prefix(tab + 1);
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

Table ReadCsvRows(std::string_view data, char delimiter)
{
    Table table;
    table.delimiter = delimiter;
    TableRow row;
    std::string field;
    bool inQuotes = false, quoted = false;
    long line = 1;
    row.line = 1;
    auto endField = [&] {
        row.cells.push_back(std::move(field));
        field.clear();
        quoted = false;
    };
    auto endRow = [&] {
        endField();
        table.rows.push_back(std::move(row));
        row = TableRow();
        row.line = line;
    };
    for (size_t i = 0; i < data.size(); ++i) {
        char c = data[i];
        // CRLF, LF and a lone CR each end one line, inside quotes too.
        bool lineEnd = c == '\n' || (c == '\r' && (i + 1 == data.size() || data[i + 1] != '\n'));
        if (inQuotes) {
            if (c != '"')
                field += c;
            else if (i + 1 < data.size() && data[i + 1] == '"')
                field += data[++i];
            else
                inQuotes = false;
            if (lineEnd)
                ++line;
        } else if (c == '"' && field.empty() && !quoted) {
            inQuotes = quoted = true;
        } else if (c == delimiter) {
            endField();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
            ++line;
            endRow();
        } else {
            // A stray quote inside an unquoted field, or text after a closing quote,
            // is taken as it stands, as spreadsheets do.
            field += c;
        }
    }
    if (inQuotes)
        ++table.unterminatedQuotes;
    if (!field.empty() || !row.cells.empty() || quoted)
        endRow();
    return table;
}

char GuessCsvDelimiter(std::string_view data)
{
    int commas = 0, semicolons = 0;
    bool inQuotes = false;
    for (char c : data) {
        if (c == '"')
            inQuotes = !inQuotes;
        else if (inQuotes)
            continue;
        else if (c == '\n' || c == '\r')
            break;
        else if (c == ',')
            ++commas;
        else if (c == ';')
            ++semicolons;
    }
    return semicolons > 0 && commas == 0 ? ';' : ',';
}

// A spreadsheet's "Unicode text" is UTF-16 with a byte-order mark: read
// byte by byte as UTF-8, its words would come out as one letter each.
static std::string Utf16AsUtf8(std::string_view data)
{
    bool bigEndian = data[0] == '\xFE';
    std::wstring wide((data.size() - 2) / 2, L'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        auto hi = static_cast<unsigned char>(data[2 + 2 * i + (bigEndian ? 0 : 1)]);
        auto lo = static_cast<unsigned char>(data[2 + 2 * i + (bigEndian ? 1 : 0)]);
        wide[i] = static_cast<wchar_t>(hi << 8 | lo);
    }
    std::replace(wide.begin(), wide.end(), L'\0', L'\xFFFD');
    return NarrowText(wide, CP_UTF8);
}

Table ReadTable(std::string_view data, TableFormat format)
{
    std::string utf8;
    if (data.starts_with("\xFF\xFE") || data.starts_with("\xFE\xFF")) {
        utf8 = Utf16AsUtf8(data);
        data = utf8;
    }
    data = SkipBom(data);
    Table table = format == TableFormat::Tsv ? ReadTsvRows(data) : ReadCsvRows(data, GuessCsvDelimiter(data));
    std::erase_if(table.rows, IsBlankRow);
    return table;
}

static bool EndsWithNoCase(const std::wstring& s, const wchar_t* suffix)
{
    size_t n = wcslen(suffix);
    return s.size() >= n && _wcsicmp(s.c_str() + s.size() - n, suffix) == 0;
}

TableFormat GuessTableFormat(const std::wstring& fileName, std::string_view data)
{
    if (EndsWithNoCase(fileName, L".csv"))
        return TableFormat::Csv;
    for (const wchar_t* tsv : {L".tsv", L".tab", L".txt"})
        if (EndsWithNoCase(fileName, tsv))
            return TableFormat::Tsv;
    data = SkipBom(data);
    std::string_view first = data.substr(0, data.find_first_of("\r\n"));
    return first.find('\t') != std::string_view::npos ? TableFormat::Tsv : TableFormat::Csv;
}

std::string TableLine(const std::vector<std::wstring>& cells, TableFormat format)
{
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i)
            line += format == TableFormat::Tsv ? '\t' : ',';
        std::string cell = NarrowText(cells[i], CP_UTF8);
        if (format == TableFormat::Tsv) {
            for (char& c : cell)
                if (c == '\t' || c == '\r' || c == '\n')
                    c = ' ';
            line += cell;
        } else if (cell.find_first_of(",;\"\r\n") == std::string::npos) {
            line += cell;
        } else {
            line += '"';
            for (char c : cell) {
                if (c == '"')
                    line += '"';
                line += c;
            }
            line += '"';
        }
    }
    return line + "\r\n";
}

std::string TableStart(TableFormat format) { return format == TableFormat::Csv ? "\xEF\xBB\xBF" : ""; }

static bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

std::wstring CollapseSpaces(std::wstring_view text)
{
    std::wstring s;
    s.reserve(text.size());
    bool space = false;
    for (wchar_t c : text) {
        if (IsBlank(c)) {
            space = !s.empty();
            continue;
        }
        if (space)
            s += L' ';
        space = false;
        s += c;
    }
    return s;
}

std::vector<std::wstring> SplitTranslationItems(std::wstring_view text)
{
    std::vector<std::wstring> items;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        bool end = i == text.size() || text[i] == L';' ||
                   (text[i] == L',' && (i + 1 == text.size() || IsBlank(text[i + 1])));
        if (!end)
            continue;
        std::wstring item = CollapseSpaces(text.substr(start, i - start));
        if (!item.empty())
            items.push_back(std::move(item));
        start = i + 1;
    }
    return items;
}
