// mktable SOURCE.txt OUT.stb       compiles a collation table source (UTF-8)
//                                  into the 256-byte table the programs read.
// mktable --dump IN.stb [CODEPAGE] prints a table, one line per weight.
//
// Source lines (blank lines and lines starting with # are skipped):
//   codepage N       the code page of the language; comes before any characters
//   a A á Á          one class: characters that sort alike; classes take the
//                    weights 2, 3, ... in the order of their lines
//   ignore: - '      characters left out of the sort key (weight 1)
//   end: |           characters at which the sort key ends (weight 0)
//   *                where the characters not listed anywhere go, each with a
//                    weight of its own in byte order; without this line they
//                    follow the last class
// Items are separated by blanks; an item is one character or U+XXXX (for the
// blank itself, # at the start of a line, * alone, or anything hard to see).
// Exit codes: 0 done, 1 bad source or file error, 2 usage.
#include "core/codepage.h"
#include "core/collate.h"
#include "core/fileutil.h"
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kIgnoreWeight = 1;
constexpr int kEndWeight = 0;
constexpr int kFirstClassWeight = 2;
constexpr int kMaxWeight = 255;

// "'a' (U+0061)", readable on any terminal.
std::string Describe(const std::wstring& ch)
{
    unsigned cp = ch[0];
    if (ch.size() == 2 && IS_HIGH_SURROGATE(ch[0]) && IS_LOW_SURROGATE(ch[1]))
        cp = 0x10000 + ((ch[0] - 0xD800u) << 10) + (ch[1] - 0xDC00u);
    char buf[32];
    snprintf(buf, sizeof buf, "U+%04X", cp);
    if (cp < 0x21 || cp == 0x7F)
        return buf;
    std::string out = "'";
    out += NarrowText(ch, CP_UTF8);
    out += "' (";
    out += buf;
    out += ")";
    return out;
}

struct Source {
    std::string name;  // for messages
    int codePage = 0;
    std::vector<std::vector<unsigned char>> classes;
    int restAt = -1;   // index into classes where the unlisted characters go
    int lineOf[kSortTableSize] = {};  // line that placed each byte, 0 = not listed
    int fixedWeight[kSortTableSize];  // ignore/end weights, -1 otherwise
};

[[noreturn]] void Fail(const Source& src, int line, const std::string& message)
{
    if (line > 0)
        fprintf(stderr, "%s(%d): %s\n", src.name.c_str(), line, message.c_str());
    else
        fprintf(stderr, "%s: %s\n", src.name.c_str(), message.c_str());
    exit(1);
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::vector<std::wstring> SplitItems(const std::wstring& text)
{
    std::vector<std::wstring> items;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        size_t start = i;
        while (i < text.size() && !IsBlank(text[i]))
            ++i;
        if (i > start)
            items.push_back(text.substr(start, i - start));
    }
    return items;
}

bool StartsWithWord(const std::wstring& line, const wchar_t* word)
{
    size_t n = wcslen(word);
    return line.size() >= n && _wcsnicmp(line.c_str(), word, n) == 0;
}

// One item as the character it stands for.
std::wstring ItemCharacter(const Source& src, int line, const std::wstring& item)
{
    if (item.size() > 2 && (item[0] == L'U' || item[0] == L'u') && item[1] == L'+') {
        std::wstring hex = item.substr(2);
        wchar_t* end = nullptr;
        unsigned long cp = wcstoul(hex.c_str(), &end, 16);
        if (hex.size() > 6 || *end || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            Fail(src, line, "bad character code " + NarrowText(item, CP_UTF8));
        if (cp < 0x10000)
            return std::wstring(1, static_cast<wchar_t>(cp));
        cp -= 0x10000;
        return {static_cast<wchar_t>(0xD800 + (cp >> 10)), static_cast<wchar_t>(0xDC00 + (cp & 0x3FF))};
    }
    bool pair = item.size() == 2 && IS_HIGH_SURROGATE(item[0]) && IS_LOW_SURROGATE(item[1]);
    if (item.size() != 1 && !pair)
        Fail(src, line, "'" + NarrowText(item, CP_UTF8) + "' is not one character (separate the characters with blanks)");
    return item;
}

// The byte a character has in the source's code page, refusing what it lacks.
unsigned char ItemByte(Source& src, int line, const std::wstring& item)
{
    if (!src.codePage)
        Fail(src, line, "the codepage line must come before the characters");
    std::wstring ch = ItemCharacter(src, line, item);
    char bytes[8];
    int n = 0;
    if (FitsCodePage(ch.c_str(), src.codePage))
        n = WideCharToMultiByte(src.codePage, 0, ch.c_str(), static_cast<int>(ch.size()), bytes, sizeof bytes, nullptr, nullptr);
    if (n != 1 || bytes[0] == 0)
        Fail(src, line, Describe(ch) + " is not a character of code page " + std::to_string(src.codePage));
    unsigned char b = static_cast<unsigned char>(bytes[0]);
    if (src.lineOf[b])
        Fail(src, line, Describe(ch) + " is listed twice (first on line " + std::to_string(src.lineOf[b]) + ")");
    src.lineOf[b] = line;
    return b;
}

void ParseLine(Source& src, int line, std::wstring text)
{
    while (!text.empty() && IsBlank(text.back()))
        text.pop_back();
    size_t lead = 0;
    while (lead < text.size() && IsBlank(text[lead]))
        ++lead;
    text.erase(0, lead);
    if (text.empty() || text[0] == L'#')
        return;

    if (StartsWithWord(text, L"codepage") && (text.size() == 8 || IsBlank(text[8]))) {
        if (src.codePage)
            Fail(src, line, "a second codepage line");
        wchar_t* end = nullptr;
        long cp = wcstol(text.c_str() + 8, &end, 10);
        while (*end && IsBlank(*end))
            ++end;
        if (*end || cp <= 0 || cp > 65535 || !IsValidCodePage(static_cast<UINT>(cp)))
            Fail(src, line, "not a code page this system knows: " + NarrowText(text.substr(8), CP_UTF8));
        src.codePage = static_cast<int>(cp);
        return;
    }
    if (text == L"*") {
        if (src.restAt >= 0)
            Fail(src, line, "a second * line");
        src.restAt = static_cast<int>(src.classes.size());
        return;
    }
    int fixed = -1;
    if (StartsWithWord(text, L"ignore:")) {
        fixed = kIgnoreWeight;
        text.erase(0, 7);
    } else if (StartsWithWord(text, L"end:")) {
        fixed = kEndWeight;
        text.erase(0, 4);
    }
    std::vector<unsigned char> members;
    for (const std::wstring& item : SplitItems(text)) {
        unsigned char b = ItemByte(src, line, item);
        if (fixed >= 0)
            src.fixedWeight[b] = fixed;
        else
            members.push_back(b);
    }
    if (!members.empty())
        src.classes.push_back(members);
}

bool ReadWholeFile(const wchar_t* path, std::string& out)
{
    UniqueFile f(_wfopen(path, L"rb"));
    if (!f)
        return false;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f.get())) > 0)
        out.append(buf, n);
    return !ferror(f.get());
}

void Compile(Source& src, const std::string& bytes, unsigned char table[kSortTableSize])
{
    for (int& w : src.fixedWeight)
        w = -1;
    size_t pos = 0;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        pos = 3;
    for (int line = 1; pos <= bytes.size(); ++line) {
        size_t eol = bytes.find('\n', pos);
        if (eol == std::string::npos)
            eol = bytes.size();
        std::string raw = bytes.substr(pos, eol - pos);
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        std::wstring text;
        if (!raw.empty()) {
            int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, raw.data(), static_cast<int>(raw.size()), nullptr, 0);
            if (n <= 0)
                Fail(src, line, "not UTF-8 text");
            text.resize(n);
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, raw.data(), static_cast<int>(raw.size()), text.data(), n);
        }
        ParseLine(src, line, text);
        pos = eol + 1;
    }
    if (!src.codePage)
        Fail(src, 0, "no codepage line");

    std::vector<unsigned char> rest;
    for (int b = 1; b < kSortTableSize; ++b)
        if (!src.lineOf[b])
            rest.push_back(static_cast<unsigned char>(b));
    size_t needed = src.classes.size() + rest.size();
    size_t available = kMaxWeight - kFirstClassWeight + 1;
    if (needed > available)
        Fail(src, 0, "too many classes: " + std::to_string(needed) + " weights needed (the classes and every unlisted byte), " +
                         std::to_string(available) + " available");
    if (src.restAt < 0)
        src.restAt = static_cast<int>(src.classes.size());

    table[0] = 0;
    int weight = kFirstClassWeight;
    for (size_t i = 0; i <= src.classes.size(); ++i) {
        if (static_cast<int>(i) == src.restAt)
            for (unsigned char b : rest)
                table[b] = static_cast<unsigned char>(weight++);
        if (i == src.classes.size())
            break;
        for (unsigned char b : src.classes[i])
            table[b] = static_cast<unsigned char>(weight);
        ++weight;
    }
    for (int b = 1; b < kSortTableSize; ++b)
        if (src.fixedWeight[b] >= 0)
            table[b] = static_cast<unsigned char>(src.fixedWeight[b]);
}

int Build(const wchar_t* sourcePath, const wchar_t* outPath)
{
    Source src;
    src.name = NarrowText(sourcePath, CP_UTF8);
    std::string bytes;
    if (!ReadWholeFile(sourcePath, bytes))
        Fail(src, 0, "can't read the file");
    unsigned char table[kSortTableSize];
    Compile(src, bytes, table);

    // Written beside the target and moved over it, so a failed run leaves no half table.
    std::wstring temp = std::wstring(outPath) + L".tmp";
    UniqueFile f(_wfopen(temp.c_str(), L"wb"));
    bool ok = f && fwrite(table, 1, kSortTableSize, f.get()) == static_cast<size_t>(kSortTableSize) && FlushFileToDisk(f.get());
    ok = f && fclose(f.release()) == 0 && ok;
    if (!ok || !ReplaceFileAtomic(temp.c_str(), outPath)) {
        _wremove(temp.c_str());
        fprintf(stderr, "%s: can't write the table\n", NarrowText(outPath, CP_UTF8).c_str());
        return 1;
    }
    return 0;
}

int Dump(const wchar_t* path, int codePage)
{
    unsigned char table[kSortTableSize];
    if (!ReadSortTableFile(path, table)) {
        fprintf(stderr, "%s: not a table of %d bytes\n", NarrowText(path, CP_UTF8).c_str(), kSortTableSize);
        return 1;
    }
    for (int w = 0; w <= kMaxWeight; ++w) {
        std::string line;
        for (int b = 1; b < kSortTableSize; ++b) {
            if (table[b] != w)
                continue;
            char c = static_cast<char>(b);
            wchar_t wc[4] = {};
            MultiByteToWideChar(codePage, 0, &c, 1, wc, 3);
            std::string shown = wc[0] > 0x20 && wc[0] != 0x7F && !(wc[0] >= 0x80 && wc[0] < 0xA0) ? NarrowText(wc, CP_UTF8) : "";
            char hex[8];
            snprintf(hex, sizeof hex, "%02X", b);
            line += ' ';
            line += hex;
            if (!shown.empty()) {
                line += '=';
                line += shown;
            }
        }
        if (line.empty())
            continue;
        const char* label = w == kEndWeight ? "end" : w == kIgnoreWeight ? "ignored" : "";
        printf("%3d %s%s\n", w, label, line.c_str());
    }
    return 0;
}

int Usage()
{
    fputs("usage: mktable SOURCE.txt OUT.stb\n"
          "       mktable --dump IN.stb [CODEPAGE]\n",
          stderr);
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 2 && wcscmp(argv[1], L"--dump") == 0) {
        if (argc != 3 && argc != 4)
            return Usage();
        int codePage = argc == 4 ? _wtoi(argv[3]) : 1252;
        if (codePage <= 0 || !IsValidCodePage(static_cast<UINT>(codePage)))
            return Usage();
        return Dump(argv[2], codePage);
    }
    if (argc != 3 || argv[1][0] == L'-')
        return Usage();
    return Build(argv[1], argv[2]);
}
