// mkstrings: compiles a readable UTF-8 strings source into the scrambled
// strings file the programs read, and decodes such a file back to a source.
//
//   mkstrings SOURCE.txt OUT.str     compile
//   mkstrings --decode IN.str        write the source to stdout
//
// Source: one Key=Value per line; lines starting with # and blank lines are
// skipped; values know the escapes \n, \t and \\.
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/uistrings.h"
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::wstring key;
    std::wstring value;
    int line;
};

bool FromUtf8(const std::string& s, std::wstring* w)
{
    w->clear();
    if (s.empty())
        return true;
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0)
        return false;
    w->resize(n);
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), w->data(), n);
    return true;
}

// Messages are UTF-8 whatever the console's code page.
void Say(FILE* f, const std::wstring& text)
{
    std::string s = NarrowText(text + L"\n", CP_UTF8);
    fwrite(s.data(), 1, s.size(), f);
    fflush(f);
}

int Fail(const std::wstring& text)
{
    Say(stderr, L"mkstrings: " + text);
    return 1;
}

bool ReadFileBytes(const wchar_t* path, std::string* bytes)
{
    UniqueFile f(_wfopen(path, L"rb"));
    if (!f)
        return false;
    bytes->clear();
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f.get())) > 0)
        bytes->append(buf, n);
    return !ferror(f.get());
}

bool EqualsFoldAZ(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t x = (a[i] >= L'a' && a[i] <= L'z') ? a[i] - 32 : a[i];
        wchar_t y = (b[i] >= L'a' && b[i] <= L'z') ? b[i] - 32 : b[i];
        if (x != y)
            return false;
    }
    return true;
}

const Entry* FindKey(const std::vector<Entry>& entries, const std::wstring& key)
{
    for (const Entry& e : entries)
        if (EqualsFoldAZ(e.key, key))
            return &e;
    return nullptr;
}

bool IsKeyChar(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'_';
}

// Strict decimal, so a typo can't silently become 0.
bool ParseNumber(const std::wstring& text, int* number)
{
    if (text.empty() || text.size() > 6)
        return false;
    for (wchar_t c : text)
        if (c < L'0' || c > L'9')
            return false;
    *number = _wtoi(text.c_str());
    return true;
}

std::wstring Where(const wchar_t* source, int line)
{
    return std::wstring(source) + L":" + std::to_wstring(line) + L": ";
}

// Splits the source into entries; false (after a message) on a malformed line.
bool ParseSource(const wchar_t* source, const std::string& bytes, std::vector<Entry>* entries)
{
    size_t pos = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (int line = 1; pos < bytes.size(); ++line) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            end = bytes.size();
        std::string raw = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        if (raw.find_first_not_of(" \t") == std::string::npos || raw[0] == '#')
            continue;
        std::wstring text;
        if (!FromUtf8(raw, &text)) {
            Fail(Where(source, line) + L"not valid UTF-8");
            return false;
        }
        size_t eq = text.find(L'=');
        if (eq == std::wstring::npos || eq == 0) {
            Fail(Where(source, line) + L"expected Key=Value");
            return false;
        }
        Entry e{text.substr(0, eq), L"", line};
        for (wchar_t c : e.key)
            if (!IsKeyChar(c)) {
                Fail(Where(source, line) + L"a key holds only letters, digits and _: " + e.key);
                return false;
            }
        for (size_t i = eq + 1; i < text.size(); ++i) {
            wchar_t c = text[i];
            if (c == L'\0') {
                Fail(Where(source, line) + L"a value can't hold a zero character");
                return false;
            }
            if (c != L'\\') {
                e.value += c;
                continue;
            }
            wchar_t next = i + 1 < text.size() ? text[++i] : L'\0';
            switch (next) {
            case L'n': e.value += L'\n'; break;
            case L't': e.value += L'\t'; break;
            case L'\\': e.value += L'\\'; break;
            default:
                Fail(Where(source, line) + L"unknown escape in the value of " + e.key + L" (write \\\\ for a backslash)");
                return false;
            }
        }
        if (const Entry* first = FindKey(*entries, e.key)) {
            Fail(Where(source, line) + L"duplicate entry " + e.key + L" (first on line " + std::to_wstring(first->line) + L")");
            return false;
        }
        entries->push_back(std::move(e));
    }
    return true;
}

// Names the first character of text that the code page can't hold.
bool CheckFits(const wchar_t* source, const Entry& e, const std::wstring& text, int codePage)
{
    if (FitsCodePage(text.c_str(), codePage))
        return true;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t len = (IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size()) ? 2 : 1;
        std::wstring one = text.substr(i, len);
        if (!FitsCodePage(one.c_str(), codePage)) {
            unsigned cp = len == 2 ? 0x10000 + ((text[i] - 0xD800) << 10) + (text[i + 1] - 0xDC00) : text[i];
            wchar_t hex[16];
            swprintf(hex, 16, L"U+%04X", cp);
            Fail(Where(source, e.line) + e.key + L": character " + hex + L" can't be written in code page " +
                 std::to_wstring(codePage));
            return false;
        }
        i += len - 1;
    }
    Fail(Where(source, e.line) + e.key + L": text can't be written in code page " + std::to_wstring(codePage));
    return false;
}

int Compile(const wchar_t* source, const wchar_t* out)
{
    std::string bytes;
    if (!ReadFileBytes(source, &bytes))
        return Fail(std::wstring(L"can't read ") + source);
    std::vector<Entry> entries;
    if (!ParseSource(source, bytes, &entries))
        return 1;

    int charset = 0;
    const Entry* charsetEntry = FindKey(entries, L"CharactersetCode");
    if (charsetEntry && !ParseNumber(charsetEntry->value, &charset))
        return Fail(Where(source, charsetEntry->line) + L"CharactersetCode must be a decimal number");
    int fonts = 0;
    const Entry* fontsEntry = FindKey(entries, L"ForeignFonts");
    if (fontsEntry && (!ParseNumber(fontsEntry->value, &fonts) || fonts > 100))
        return Fail(Where(source, fontsEntry->line) + L"ForeignFonts must be a number from 0 to 100");

    std::vector<std::wstring> required;
    for (const char* name : kStringNames)
        required.emplace_back(name, name + strlen(name));
    for (int i = 0; i < fonts; ++i)
        required.push_back(L"Font" + std::to_wstring(600 + i));
    bool complete = true;
    for (const std::wstring& name : required)
        if (!FindKey(entries, name)) {
            Fail(std::wstring(source) + L": missing entry " + name);
            complete = false;
        }
    if (!complete)
        return 1;
    // A shipped file never falls back to the built-in texts.
    for (int id = 0; id < Txt_Count; ++id) {
        const wchar_t* conversions = FormatConversionsOf(static_cast<StringId>(id));
        const Entry* e = conversions ? FindKey(entries, required[id]) : nullptr;
        if (e && !FormatConversionsAre(e->value.c_str(), conversions))
            return Fail(Where(source, e->line) + required[id] + L" must hold exactly the conversions " + conversions);
    }

    int codePage = CharsetToCodePage(charset);
    std::string plain;
    for (const Entry& e : entries) {
        if (!CheckFits(source, e, e.key, codePage) || !CheckFits(source, e, e.value, codePage))
            return 1;
        std::wstring text = e.key + L"=" + e.value;
        plain.append(NarrowText(text, codePage));
        plain.push_back('\0');
    }
    plain.push_back('\0');
    Scramble(reinterpret_cast<unsigned char*>(plain.data()), plain.size());

    std::wstring temp = std::wstring(out) + L".tmp";
    {
        UniqueFile f(_wfopen(temp.c_str(), L"wb"));
        bool ok = f && fwrite(plain.data(), 1, plain.size(), f.get()) == plain.size() && FlushFileToDisk(f.get());
        if (!ok) {
            f.reset();
            DeleteFileW(temp.c_str());
            return Fail(std::wstring(L"can't write ") + out);
        }
    }
    if (!ReplaceFileAtomic(temp.c_str(), out)) {
        DeleteFileW(temp.c_str());
        return Fail(std::wstring(L"can't write ") + out);
    }
    return 0;
}

std::wstring Escape(const std::wstring& text)
{
    std::wstring s;
    for (wchar_t c : text) {
        switch (c) {
        case L'\n': s += L"\\n"; break;
        case L'\t': s += L"\\t"; break;
        case L'\\': s += L"\\\\"; break;
        default: s += c; break;
        }
    }
    return s;
}

int Decode(const wchar_t* in)
{
    std::string bytes;
    if (!ReadFileBytes(in, &bytes))
        return Fail(std::wstring(L"can't read ") + in);
    Unscramble(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size());

    // Entries up to the empty one; a file cut short still gives its last entry.
    std::vector<std::string> raw;
    for (size_t pos = 0; pos < bytes.size() && bytes[pos] != '\0';) {
        size_t end = bytes.find('\0', pos);
        if (end == std::string::npos)
            end = bytes.size();
        raw.push_back(bytes.substr(pos, end - pos));
        pos = end + 1;
    }
    int charset = -1;
    for (const std::string& r : raw) {
        size_t eq = r.find('=');
        std::wstring key(r.begin(), r.begin() + (eq == std::string::npos ? 0 : eq));
        if (eq != std::string::npos && EqualsFoldAZ(key, L"CharactersetCode")) {
            charset = atoi(r.c_str() + eq + 1);
            break;
        }
    }
    if (charset < 0) {
        Say(stderr, L"mkstrings: warning: no CharactersetCode entry; decoding with code page 1252");
        charset = 0;
    }
    int codePage = CharsetToCodePage(charset);

    _setmode(_fileno(stdout), _O_BINARY);
    std::string out;
    for (const std::string& r : raw) {
        std::vector<wchar_t> wide(r.size() + 1);
        ToWideCount(r.data(), wide.data(), static_cast<int>(r.size()), codePage);
        out += NarrowText(Escape(wide.data()), CP_UTF8);
        out += '\n';
    }
    if (fwrite(out.data(), 1, out.size(), stdout) != out.size() || fflush(stdout) != 0)
        return Fail(L"can't write the output");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && wcscmp(argv[1], L"--decode") == 0)
        return Decode(argv[2]);
    if (argc == 3 && argv[1][0] != L'-')
        return Compile(argv[1], argv[2]);
    Say(stderr,
        L"usage: mkstrings SOURCE.txt OUT.str    compile a UTF-8 strings source\n"
        L"       mkstrings --decode IN.str       write the source of a strings file to stdout");
    return 2;
}
