#include "core/collate.h"
#include "core/catalogue.h"
#include "core/records.h"
#include "core/report.h"
#include "core/fileutil.h"
#include <windows.h>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

unsigned char g_sortTable[kSortTableSize];

constexpr int kMaxSortText = kSortKeyBuffer - 1;

// Longest prefix of text[0..len) of at most limit bytes that does not end
// inside a multi-byte character.
static int CutToBoundary(const unsigned char* text, int len, int limit, int codePage)
{
    if (len <= limit)
        return len;
    if (codePage == CP_UTF8) {
        int i = limit;
        while (i > 0 && (text[i] & 0xC0) == 0x80)
            --i;
        return i;
    }
    CPINFO info{};
    if (!GetCPInfo(codePage, &info) || info.MaxCharSize < 2)
        return limit;
    int i = 0;
    while (i < len) {
        int step = IsDBCSLeadByteEx(codePage, text[i]) ? 2 : 1;
        if (i + step > limit)
            break;
        i += step;
    }
    return i;
}

// Converts at most the first kMaxSortText bytes' worth of a word into out
// (zero-terminated), without allocating.
static int ToSortText(const wchar_t* word, int codePage, unsigned char out[kSortKeyBuffer])
{
    int chars = 0;
    while (chars < kMaxSortText && word[chars])
        ++chars;
    // Never hand the converter half of a surrogate pair.
    if (chars > 0 && IS_HIGH_SURROGATE(word[chars - 1]) && word[chars])
        --chars;
    // Room for the longest byte sequence any code page gives one character.
    char scratch[kMaxSortText * 6];
    int bytes = chars ? WideCharToMultiByte(codePage, 0, word, chars, scratch, sizeof scratch, nullptr, nullptr) : 0;
    if (bytes < 0)
        bytes = 0;
    bytes = CutToBoundary(reinterpret_cast<const unsigned char*>(scratch), bytes, kMaxSortText, codePage);
    memcpy(out, scratch, bytes);
    out[bytes] = 0;
    return bytes;
}

int MakeSortKey(const unsigned char* text, const unsigned char table[kSortTableSize], unsigned char* key)
{
    int len = 0;
    for (int i = 0; i < kMaxSortText && text[i]; ++i) {
        unsigned char w = table[text[i]];
        if (w == 0)
            break;
        if (w != 1)
            key[len++] = w;
    }
    key[len] = 0;
    return len;
}

int CompareSortKeys(const unsigned char* a, int aLen, const unsigned char* b, int bLen)
{
    int n = aLen < bLen ? aLen : bLen;
    for (int i = 0; i < n; ++i)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    if (aLen == bLen)
        return 0;
    return aLen < bLen ? -1 : 1;
}

bool ReadSortTableFile(const wchar_t* path, unsigned char table[kSortTableSize])
{
    UniqueFile f(_wfopen(path, L"rb"));
    if (!f)
        return false;
    return fread(table, 1, kSortTableSize, f.get()) == static_cast<size_t>(kSortTableSize);
}

void LoadSortTable()
{
    const LanguagePair* pair = CurrentPair();
    if (!pair || pair->hasSortTable != 1)
        return;
    std::wstring path = std::wstring(L"tables\\") + pair->sourceName + L".stb";
    // Read into a copy so a short or unreadable file leaves the old table whole.
    unsigned char table[kSortTableSize];
    if (!ReadSortTableFile(path.c_str(), table)) {
        ShowMessage(nullptr, L"Can't open sorttable   ", L"error", MB_OK);
        return;
    }
    memcpy(g_sortTable, table, kSortTableSize);
}

int CompareByTable(const wchar_t* a, const wchar_t* b)
{
    const LanguagePair* pair = CurrentPair();
    int codePage = pair ? pair->sourceCodePage : CP_ACP;
    unsigned char textA[kSortKeyBuffer], textB[kSortKeyBuffer];
    unsigned char keyA[kSortKeyBuffer], keyB[kSortKeyBuffer];
    ToSortText(a, codePage, textA);
    ToSortText(b, codePage, textB);
    int lenA = MakeSortKey(textA, g_sortTable, keyA);
    int lenB = MakeSortKey(textB, g_sortTable, keyB);
    return CompareSortKeys(keyA, lenA, keyB, lenB);
}

static bool CollationIsDefault()
{
    if (!PairLocaleIsSet())
        return true;
    const char* name = setlocale(LC_COLLATE, nullptr);
    return !name || strcmp(name, "C") == 0;
}

static wchar_t FoldAsciiLetter(wchar_t c) { return c >= L'A' && c <= L'Z' ? c + (L'a' - L'A') : c; }

int CompareByLocale(const wchar_t* a, const wchar_t* b)
{
    if (!CollationIsDefault())
        return _wcsicoll(a, b);
    for (;; ++a, ++b) {
        wchar_t ca = FoldAsciiLetter(*a), cb = FoldAsciiLetter(*b);
        if (ca != cb)
            return static_cast<int>(ca) - static_cast<int>(cb);
        if (!ca)
            return 0;
    }
}

int CompareWords(const wchar_t* a, const wchar_t* b)
{
    const LanguagePair* pair = CurrentPair();
    if (pair && pair->hasSortTable == 1)
        return CompareByTable(a, b);
    return CompareByLocale(a, b);
}

int FindWordPosition(const wchar_t* word)
{
    int count = wordBookCount;
    if (count <= 0)
        return 0;
    // Callers may pass the current record's own text, which every read replaces.
    const std::wstring sought(word);
    int lo = 0, hi = count - 1, mid = 0;
    bool found = false;
    while (lo <= hi && !found) {
        mid = lo + (hi - lo) / 2;
        // A record that can't be read (a file shorter than its count) is taken
        // as lying beyond the word, so the search moves towards readable records.
        int r = ReadWordRecord(mid) == 0 ? CompareWords(currentRecord.source, sought.c_str()) : 1;
        if (r == 0)
            found = true;
        else if (r < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    int result = found || mid == lo ? mid : mid + 1;
    return result < count ? result : count;
}
