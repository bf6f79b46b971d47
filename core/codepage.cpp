#include "core/codepage.h"
#include <windows.h>
#include <cstring>
#include <cwchar>
#include <memory>
#include <unordered_map>
#include <vector>

static wchar_t g_wideShared[kSharedTextSize];

// Single-byte code pages convert character by character, so both directions fit
// in tables made once from the system's own conversions: the same results for
// every character of the basic plane, without a system call per word (sorting
// converts millions of them).
struct SingleByteTables {
    wchar_t toWide[256];
    unsigned char toNarrow[65536];
};

static const SingleByteTables* TablesFor(int codePage)
{
    static std::unordered_map<int, std::unique_ptr<SingleByteTables>> cache;
    auto found = cache.find(codePage);
    if (found != cache.end())
        return found->second.get();
    std::unique_ptr<SingleByteTables> t;
    CPINFO info{};
    if (GetCPInfo(static_cast<UINT>(codePage), &info) && info.MaxCharSize == 1) {
        t = std::make_unique<SingleByteTables>();
        char bytes[255];
        for (int v = 1; v < 256; ++v)
            bytes[v - 1] = static_cast<char>(v);
        bool ok = MultiByteToWideChar(codePage, MB_PRECOMPOSED, bytes, 255, t->toWide + 1, 255) == 255;
        t->toWide[0] = L'\0';
        // Every code unit on its own; a surrogate pair would count as one character.
        std::vector<wchar_t> chars(65536);
        for (int c = 0; c < 65536; ++c)
            chars[c] = (c >= 0xD800 && c <= 0xDFFF) ? static_cast<wchar_t>(0xD800) : static_cast<wchar_t>(c);
        for (int c = 1; ok && c < 65536; c += 0x800) {
            // Runs of lone high surrogates never pair up.
            int n = c + 0x800 > 65536 ? 65536 - c : 0x800;
            ok = WideCharToMultiByte(codePage, 0, chars.data() + c, n, reinterpret_cast<char*>(t->toNarrow + c), n,
                                     nullptr, nullptr) == n;
        }
        t->toNarrow[0] = 0;
        if (!ok)
            t.reset();
    }
    const SingleByteTables* result = t.get();
    cache.emplace(codePage, std::move(t));
    return result;
}

int CharsetToCodePage(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 500: return 1254;
    default: return static_cast<int>(GetACP());
    }
}

// UTF-8, UTF-7, GB18030 and the ISO-2022 pages refuse MB_PRECOMPOSED: Windows
// converts nothing for them when it is given.
static DWORD WideFlags(int codePage)
{
    bool plain = codePage == CP_UTF8 || codePage == CP_UTF7 || codePage == 54936 || codePage == 42 ||
                 (codePage >= 50220 && codePage <= 50229) || (codePage >= 57002 && codePage <= 57011);
    return plain ? 0 : MB_PRECOMPOSED;
}

int ToWideCount(const char* src, wchar_t* dest, int byteCount, int codePage)
{
    if (const SingleByteTables* t = TablesFor(codePage)) {
        int n = byteCount > 0 ? byteCount : 0;
        for (int i = 0; i < n; ++i)
            dest[i] = t->toWide[static_cast<unsigned char>(src[i])];
        dest[n] = L'\0';
        return n;
    }
    int n = byteCount > 0 ? MultiByteToWideChar(codePage, WideFlags(codePage), src, byteCount, dest, byteCount) : 0;
    dest[n] = L'\0';
    return n;
}


int CutAtCharBoundary(const char* text, int len, int limit, int codePage)
{
    if (len <= limit)
        return len;
    if (limit <= 0)
        return 0;
    if (codePage == CP_UTF8) {
        // Back up over continuation bytes to the start of the cut character.
        int i = limit;
        while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            --i;
        return i;
    }
    CPINFO info{};
    if (!GetCPInfo(codePage, &info) || info.MaxCharSize < 2)
        return limit;
    int i = 0;
    while (i < len) {
        int step = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[i])) ? 2 : 1;
        if (i + step > limit)
            break;
        i += step;
    }
    return i;
}

// Bytes a converted text can take: UTF-8 needs up to 3 per UTF-16 unit
// (4 per surrogate pair), double-byte code pages 2.
static int NarrowRoom(int wideLength) { return 3 * wideLength + 1; }

int ToWideField(const char* src, int srcBytes, wchar_t* field, int fieldSize, int codePage)
{
    int len = 0;
    while (len < srcBytes && src[len])
        ++len;
    if (const SingleByteTables* t = TablesFor(codePage)) {
        int n = len < fieldSize - 1 ? len : fieldSize - 1;
        for (int i = 0; i < n; ++i)
            field[i] = t->toWide[static_cast<unsigned char>(src[i])];
        field[n] = L'\0';
        return n;
    }
    // A wide result never has more characters than the input has bytes.
    std::vector<wchar_t> tmp(len + 1);
    int n = len ? MultiByteToWideChar(codePage, WideFlags(codePage), src, len, tmp.data(), len) : 0;
    if (n > fieldSize - 1)
        n = fieldSize - 1;
    wmemcpy(field, tmp.data(), n);
    field[n] = L'\0';
    return n;
}

int ToNarrowField(const wchar_t* src, char* field, int fieldSize, int codePage)
{
    int wlen = static_cast<int>(wcslen(src));
    if (const SingleByteTables* t = TablesFor(codePage)) {
        int n = wlen < fieldSize - 1 ? wlen : fieldSize - 1;
        for (int i = 0; i < n; ++i)
            field[i] = static_cast<char>(t->toNarrow[static_cast<unsigned short>(src[i])]);
        field[n] = '\0';
        return n;
    }
    std::vector<char> tmp(NarrowRoom(wlen));
    int n = wlen ? WideCharToMultiByte(codePage, 0, src, wlen, tmp.data(), NarrowRoom(wlen), nullptr, nullptr) : 0;
    n = CutAtCharBoundary(tmp.data(), n, fieldSize - 1, codePage);
    memcpy(field, tmp.data(), n);
    field[n] = '\0';
    return n;
}

const wchar_t* ToWideShared(const char* src, int codePage)
{
    size_t len = strlen(src);
    int n = static_cast<int>(len < kSharedTextSize ? len : kSharedTextSize - 1);
    n = CutAtCharBoundary(src, static_cast<int>(len), n, codePage);
    ToWideCount(src, g_wideShared, n, codePage);
    return g_wideShared;
}

void ToNarrow(const wchar_t* src, char* dest, int codePage)
{
    int wlen = static_cast<int>(wcslen(src));
    if (const SingleByteTables* t = TablesFor(codePage)) {
        for (int i = 0; i < wlen; ++i)
            dest[i] = static_cast<char>(t->toNarrow[static_cast<unsigned short>(src[i])]);
        dest[wlen] = '\0';
        return;
    }
    int n = wlen ? WideCharToMultiByte(codePage, 0, src, wlen, dest, NarrowRoom(wlen) - 1, nullptr, nullptr) : 0;
    dest[n] = '\0';
}

int CodePageBytes(const wchar_t* text, int codePage)
{
    int wlen = static_cast<int>(wcslen(text));
    if (wlen == 0)
        return 0;
    // A single-byte page holds a character when it comes back from its byte.
    if (const SingleByteTables* t = TablesFor(codePage)) {
        for (int i = 0; i < wlen; ++i)
            if (t->toWide[t->toNarrow[static_cast<unsigned short>(text[i])]] != text[i])
                return -1;
        return wlen;
    }
    BOOL usedDefault = FALSE;
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int n = WideCharToMultiByte(codePage, flags, text, wlen, nullptr, 0, nullptr, &usedDefault);
    if (n == 0 && (GetLastError() == ERROR_INVALID_FLAGS || GetLastError() == ERROR_INVALID_PARAMETER)) {
        // UTF-8, UTF-7, GB18030 and the ISO-2022 pages take neither the flag
        // nor the question: the round trip below decides alone.
        flags = 0;
        n = WideCharToMultiByte(codePage, flags, text, wlen, nullptr, 0, nullptr, nullptr);
    }
    if (n <= 0 || usedDefault)
        return -1;
    std::vector<char> narrow(n);
    if (WideCharToMultiByte(codePage, flags, text, wlen, narrow.data(), n, nullptr, nullptr) != n)
        return -1;
    // A character mapped to a look-alike without a word comes back different.
    // The pages without the flag refuse MB_PRECOMPOSED as well.
    std::vector<wchar_t> back(n + 1);
    int m = MultiByteToWideChar(codePage, flags ? MB_PRECOMPOSED : 0, narrow.data(), n, back.data(), n + 1);
    return m == wlen && wmemcmp(back.data(), text, wlen) == 0 ? n : -1;
}

bool FitsCodePage(const wchar_t* src, int codePage) { return CodePageBytes(src, codePage) >= 0; }

std::wstring WidenText(const std::string& text, int codePage)
{
    std::vector<wchar_t> buf(text.size() + 1);
    int n = ToWideCount(text.data(), buf.data(), static_cast<int>(text.size()), codePage);
    return std::wstring(buf.data(), n);
}

std::string NarrowText(const std::wstring& text, int codePage)
{
    std::vector<char> buf(NarrowRoom(static_cast<int>(text.size())));
    ToNarrow(text.c_str(), buf.data(), codePage);
    return buf.data();
}
