#include "tools/wbtool/wbtool.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include <windows.h>
#include <zlib.h>
#include <cstring>

std::wstring Utf8ToWide(std::string_view text) { return WidenText(std::string(text), CP_UTF8); }

std::string WideToUtf8(std::wstring_view text) { return NarrowText(std::wstring(text), CP_UTF8); }

static unsigned Le16(std::string_view d, size_t at)
{
    return static_cast<unsigned char>(d[at]) | static_cast<unsigned char>(d[at + 1]) << 8;
}

static uint32_t Le32(std::string_view d, size_t at)
{
    return Le16(d, at) | static_cast<uint32_t>(Le16(d, at + 2)) << 16;
}

static std::wstring Mebibytes(size_t bytes)
{
    return std::to_wstring(bytes >> 20) + L" MiB";
}

// The dictzip chunk table: chunk length, count and the packed size of every
// chunk. dictd reads the text by this table, so one that disagrees with the
// file marks the file as damaged even where the deflate data still unpacks.
// *covers gets the most text the table can hold.
static bool CheckChunkTable(std::string_view field, uint64_t room, uint64_t* covers, std::wstring* why)
{
    if (field.size() < 6 || Le16(field, 0) != 1) {
        *why = L"unknown dictzip header version";
        return false;
    }
    uint64_t chunkLength = Le16(field, 2);
    uint64_t chunks = Le16(field, 4);
    if (chunkLength == 0) {
        *why = L"the dictzip chunk length is 0";
        return false;
    }
    if (field.size() != 6 + 2 * chunks) {
        *why = L"the dictzip chunk count does not match its table";
        return false;
    }
    uint64_t total = 0;
    for (uint64_t i = 0; i < chunks; ++i)
        total += Le16(field, 6 + 2 * i);
    if (total > room) {
        *why = L"the dictzip chunk table reaches past the end of the file";
        return false;
    }
    *covers = chunkLength * chunks;
    return true;
}

// Checks the first member's header with its extra fields, which zlib skips
// unread, and the trailer's size before any data is unpacked. *tableCovers
// gets what the dictzip table can hold, or stays as it is when there is none.
static bool CheckGzipHeader(std::string_view packed, size_t limit, uint64_t* tableCovers, std::wstring* why)
{
    if (packed.size() < 18 || packed[0] != '\x1f' || packed[1] != '\x8b' || packed[2] != 8) {
        *why = L"not a gzip file";
        return false;
    }
    unsigned flags = static_cast<unsigned char>(packed[3]);
    size_t end = packed.size() - 8;  // the trailer follows the data
    size_t at = 10;
    std::string_view table;
    bool hasTable = false;
    if (flags & 4) {
        size_t extraLength = Le16(packed, at);
        at += 2;
        if (extraLength > end - at) {
            *why = L"the gzip header's extra field reaches past the end of the file";
            return false;
        }
        std::string_view extra = packed.substr(at, extraLength);
        at += extraLength;
        while (!extra.empty()) {
            if (extra.size() < 4 || Le16(extra, 2) > extra.size() - 4) {
                *why = L"damaged gzip header: an extra field is longer than the room for it";
                return false;
            }
            size_t length = Le16(extra, 2);
            if (extra[0] == 'R' && extra[1] == 'A' && !hasTable) {
                table = extra.substr(4, length);
                hasTable = true;
            }
            extra.remove_prefix(4 + length);
        }
    }
    for (unsigned field : {8u, 16u}) {  // file name, comment
        if (!(flags & field))
            continue;
        size_t zero = packed.find('\0', at);
        if (zero == std::string_view::npos || zero >= end) {
            *why = L"damaged gzip header: a text field runs to the end of the file";
            return false;
        }
        at = zero + 1;
    }
    if (flags & 2)
        at += 2;  // header checksum
    if (at > end) {
        *why = L"damaged gzip header";
        return false;
    }
    if (hasTable && !CheckChunkTable(table, end - at, tableCovers, why))
        return false;
    uint32_t unpacked = Le32(packed, packed.size() - 4);
    if (unpacked > limit) {
        *why = L"the trailer gives an unpacked size of " + std::to_wstring(unpacked) + L" bytes, more than the " +
               Mebibytes(limit) + L" wbtool reads";
        return false;
    }
    return true;
}

bool InflateGzip(const std::string& packed, std::string* out, std::wstring* why, size_t limit)
{
    out->clear();
    std::wstring reason;
    if (!why)
        why = &reason;
    uint64_t tableCovers = UINT64_MAX;
    if (!CheckGzipHeader(packed, limit, &tableCovers, why))
        return false;
    // No room is set aside from the sizes the file gives: they may be damaged.
    z_stream s{};
    if (inflateInit2(&s, 15 + 16) != Z_OK) {
        *why = L"out of memory";
        return false;
    }
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    size_t remaining = packed.size();
    char buf[1 << 16];
    bool ok = false;
    for (;;) {
        if (s.avail_in == 0) {
            uInt step = remaining > (1u << 30) ? (1u << 30) : static_cast<uInt>(remaining);
            s.avail_in = step;
            remaining -= step;
        }
        s.next_out = reinterpret_cast<Bytef*>(buf);
        s.avail_out = sizeof buf;
        int rc = inflate(&s, Z_NO_FLUSH);
        size_t produced = sizeof buf - s.avail_out;
        if (produced > limit - out->size()) {
            *why = L"it unpacks to more than the " + Mebibytes(limit) + L" wbtool reads";
            break;
        }
        out->append(buf, produced);
        if (rc == Z_STREAM_END) {
            // The table describes the first member only.
            if (out->size() > tableCovers) {
                *why = L"the text is longer than the dictzip chunk table holds";
                break;
            }
            tableCovers = UINT64_MAX;
            // gzip allows several members one after another.
            if (s.avail_in == 0 && remaining == 0) {
                ok = true;
                break;
            }
            if (inflateReset(&s) != Z_OK) {
                *why = L"out of memory";
                break;
            }
            continue;
        }
        if (rc == Z_BUF_ERROR && s.avail_in == 0 && remaining == 0) {
            *why = L"the file is cut short";
            break;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            *why = L"damaged data";
            if (s.msg)
                *why += L" (" + Utf8ToWide(s.msg) + L")";
            break;
        }
    }
    inflateEnd(&s);
    if (!ok) {
        out->clear();
        out->shrink_to_fit();
    }
    return ok;
}

bool DecodeBase64Number(std::string_view digits, uint64_t* value)
{
    if (digits.empty() || digits.size() > 10)
        return false;
    uint64_t v = 0;
    for (char c : digits) {
        int d;
        if (c >= 'A' && c <= 'Z')
            d = c - 'A';
        else if (c >= 'a' && c <= 'z')
            d = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            d = c - '0' + 52;
        else if (c == '+')
            d = 62;
        else if (c == '/')
            d = 63;
        else
            return false;
        v = v * 64 + d;
    }
    *value = v;
    return true;
}

bool ParseIndexLine(std::string_view line, IndexLine* out)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    // The headword may hold anything but a tab; the two numbers are the last fields.
    size_t last = line.rfind('\t');
    if (last == std::string_view::npos || last == 0)
        return false;
    size_t middle = line.rfind('\t', last - 1);
    if (middle == std::string_view::npos)
        return false;
    if (!DecodeBase64Number(line.substr(middle + 1, last - middle - 1), &out->offset) ||
        !DecodeBase64Number(line.substr(last + 1), &out->length))
        return false;
    out->headword.assign(line.substr(0, middle));
    return true;
}

bool IsDatabaseInfoEntry(std::string_view headword)
{
    return headword.starts_with("00-database-") || headword.starts_with("00database");
}

static bool EndsWithNoCase(const std::wstring& s, const wchar_t* suffix)
{
    size_t n = wcslen(suffix);
    return s.size() >= n && _wcsicmp(s.c_str() + s.size() - n, suffix) == 0;
}

void DictdPaths(const std::wstring& src, std::wstring* indexPath, std::wstring* dictPath)
{
    std::wstring stem = src;
    for (const wchar_t* suffix : {L".index", L".dict.dz", L".dict"}) {
        if (EndsWithNoCase(stem, suffix)) {
            stem.resize(stem.size() - wcslen(suffix));
            break;
        }
    }
    *indexPath = stem + L".index";
    *dictPath = stem + L".dict.dz";
    if (GetFileAttributesW(dictPath->c_str()) == INVALID_FILE_ATTRIBUTES)
        *dictPath = stem + L".dict";
}

bool ReadDictd(const std::wstring& src, std::vector<SourceEntry>* out, ImportStats* stats, std::wstring* error)
{
    std::wstring indexPath, dictPath;
    DictdPaths(src, &indexPath, &dictPath);
    std::string index, dict;
    if (!ReadWholeFile(indexPath, &index)) {
        *error = L"can't read " + indexPath;
        return false;
    }
    if (!ReadWholeFile(dictPath, &dict)) {
        *error = L"can't read " + dictPath;
        return false;
    }
    if (EndsWithNoCase(dictPath, L".dz")) {
        std::string plain;
        std::wstring why;
        if (!InflateGzip(dict, &plain, &why)) {
            *error = L"can't unpack " + dictPath + L": " + why;
            return false;
        }
        dict.swap(plain);
    }
    std::string_view rest(index);
    IndexLine line;
    while (!rest.empty()) {
        size_t eol = rest.find('\n');
        std::string_view text = rest.substr(0, eol);
        rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
        if (text.find_first_not_of(" \t\r") == std::string_view::npos)
            continue;
        if (!ParseIndexLine(text, &line)) {
            ++stats->entriesRead;
            ++stats->unreadable;
            continue;
        }
        if (IsDatabaseInfoEntry(line.headword))
            continue;
        ++stats->entriesRead;
        if (line.offset > dict.size() || line.length > dict.size() - line.offset || line.length > kMaxDefinition) {
            ++stats->unreadable;
            continue;
        }
        std::wstring definition = Utf8ToWide(std::string_view(dict).substr(line.offset, line.length));
        out->push_back(ExtractFreeDictEntry(definition, Utf8ToWide(line.headword)));
    }
    return true;
}

static void AddRow(const std::string& word, const std::string* translations, std::vector<SourceEntry>* out,
                   ImportStats* stats)
{
    ++stats->entriesRead;
    SourceEntry e;
    e.word = CollapseSpaces(Utf8ToWide(word));
    if (e.word.empty()) {
        ++stats->unreadable;
        return;
    }
    if (translations)
        e.items = SplitTranslationItems(CollapseSpaces(Utf8ToWide(*translations)));
    out->push_back(std::move(e));
}

// The first two columns of every row; with header, the file's first line is
// left out (a blank one is left out anyway).
static void AddRows(const Table& table, bool header, std::vector<SourceEntry>* out, ImportStats* stats)
{
    for (const TableRow& row : table.rows) {
        if (header && row.line == 1)
            continue;
        AddRow(row.cells[0], row.cells.size() > 1 ? &row.cells[1] : nullptr, out, stats);
    }
}

void ReadTsv(std::string_view data, bool header, std::vector<SourceEntry>* out, ImportStats* stats)
{
    AddRows(ReadTable(data, TableFormat::Tsv), header, out, stats);
}

std::vector<std::vector<std::string>> ParseCsvRows(std::string_view data, char delimiter, long* unterminated)
{
    Table table = ReadCsvRows(data, delimiter);
    *unterminated += table.unterminatedQuotes;
    std::vector<std::vector<std::string>> rows;
    rows.reserve(table.rows.size());
    for (TableRow& row : table.rows)
        rows.push_back(std::move(row.cells));
    return rows;
}

void ReadCsv(std::string_view data, bool header, std::vector<SourceEntry>* out, ImportStats* stats)
{
    Table table = ReadTable(data, TableFormat::Csv);
    stats->unterminatedQuotes += table.unterminatedQuotes;
    AddRows(table, header, out, stats);
}
