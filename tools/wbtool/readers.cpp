#include "tools/wbtool/wbtool.h"
#include "core/fileutil.h"
#include <windows.h>
#include <zlib.h>
#include <cstring>

std::wstring Utf8ToWide(std::string_view text)
{
    if (text.empty())
        return {};
    // Invalid sequences come out as U+FFFD, which no code page holds, so they are
    // counted as unrepresentable instead of slipping through.
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string WideToUtf8(std::wstring_view text)
{
    if (text.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n, nullptr, nullptr);
    return narrow;
}

bool ReadWholeFile(const std::wstring& path, std::string* data)
{
    UniqueFile f(_wfopen(path.c_str(), L"rb"));
    if (!f)
        return false;
    data->clear();
    if (_fseeki64(f.get(), 0, SEEK_END) == 0) {
        long long size = _ftelli64(f.get());
        if (size > 0)
            data->reserve(static_cast<size_t>(size));
        _fseeki64(f.get(), 0, SEEK_SET);
    }
    char buf[1 << 16];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f.get())) > 0)
        data->append(buf, n);
    return !ferror(f.get());
}

bool InflateGzip(const std::string& packed, std::string* out)
{
    out->clear();
    if (packed.size() >= 4) {
        // The trailer holds the unpacked size (modulo 4 GiB) of the last member.
        const unsigned char* t = reinterpret_cast<const unsigned char*>(packed.data() + packed.size() - 4);
        out->reserve(t[0] | t[1] << 8 | t[2] << 16 | static_cast<size_t>(t[3]) << 24);
    }
    z_stream s{};
    if (inflateInit2(&s, 15 + 16) != Z_OK)
        return false;
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
        out->append(buf, sizeof buf - s.avail_out);
        if (rc == Z_STREAM_END) {
            // gzip allows several members one after another.
            if (s.avail_in == 0 && remaining == 0) {
                ok = true;
                break;
            }
            if (inflateReset(&s) != Z_OK)
                break;
            continue;
        }
        if (rc == Z_BUF_ERROR && s.avail_in == 0 && remaining == 0)
            break;  // cut short
        if (rc != Z_OK && rc != Z_BUF_ERROR)
            break;
    }
    inflateEnd(&s);
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
        if (!InflateGzip(dict, &plain)) {
            *error = L"can't unpack " + dictPath + L" (damaged or not gzip)";
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
        if (line.offset > dict.size() || line.length > dict.size() - line.offset) {
            ++stats->unreadable;
            continue;
        }
        std::wstring definition = Utf8ToWide(std::string_view(dict).substr(line.offset, line.length));
        out->push_back(ExtractFreeDictEntry(definition, Utf8ToWide(line.headword)));
    }
    return true;
}

static std::string_view SkipBom(std::string_view data)
{
    if (data.starts_with("\xEF\xBB\xBF"))
        data.remove_prefix(3);
    return data;
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

void ReadTsv(std::string_view data, bool header, std::vector<SourceEntry>* out, ImportStats* stats)
{
    data = SkipBom(data);
    bool first = true;
    while (!data.empty()) {
        size_t eol = data.find('\n');
        std::string_view line = data.substr(0, eol);
        data = eol == std::string_view::npos ? std::string_view() : data.substr(eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (first && header) {
            first = false;
            continue;
        }
        first = false;
        if (line.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        size_t tab = line.find('\t');
        std::string word(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            AddRow(word, nullptr, out, stats);
            continue;
        }
        std::string_view second = line.substr(tab + 1);
        std::string translations(second.substr(0, second.find('\t')));
        AddRow(word, &translations, out, stats);
    }
}

std::vector<std::vector<std::string>> ParseCsvRows(std::string_view data, char delimiter, long* unterminated)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool inQuotes = false, quoted = false;
    auto endField = [&] {
        row.push_back(std::move(field));
        field.clear();
        quoted = false;
    };
    auto endRow = [&] {
        endField();
        rows.push_back(std::move(row));
        row.clear();
    };
    for (size_t i = 0; i < data.size(); ++i) {
        char c = data[i];
        if (inQuotes) {
            if (c != '"')
                field += c;
            else if (i + 1 < data.size() && data[i + 1] == '"')
                field += data[++i];
            else
                inQuotes = false;
        } else if (c == '"' && field.empty() && !quoted) {
            inQuotes = quoted = true;
        } else if (c == delimiter) {
            endField();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
            endRow();
        } else {
            // A stray quote inside an unquoted field, or text after a closing quote,
            // is taken as it stands, as spreadsheets do.
            field += c;
        }
    }
    if (inQuotes)
        ++*unterminated;
    if (!field.empty() || !row.empty() || quoted)
        endRow();
    return rows;
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

void ReadCsv(std::string_view data, bool header, std::vector<SourceEntry>* out, ImportStats* stats)
{
    data = SkipBom(data);
    auto rows = ParseCsvRows(data, GuessCsvDelimiter(data), &stats->unterminatedQuotes);
    for (size_t r = header ? 1 : 0; r < rows.size(); ++r) {
        const auto& row = rows[r];
        bool blank = true;
        for (const auto& f : row)
            blank = blank && f.find_first_not_of(" \t") == std::string::npos;
        if (blank)
            continue;
        AddRow(row[0], row.size() > 1 ? &row[1] : nullptr, out, stats);
    }
}
