#include "core/collate.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/textfold.h"
#include <windows.h>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

static bool g_localeSet = false;

// msvcrt: the locale handles (LCIDs) of the current C locale, by category.
extern "C" unsigned int* __cdecl ___lc_handle_func(void);

constexpr int kMaxSortText = kSortKeyBuffer - 1;

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
    bytes = CutAtCharBoundary(scratch, bytes, kMaxSortText, codePage);
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

bool LoadCollationTable(Collation* c, const wchar_t* languageName)
{
    std::wstring path = std::wstring(L"tables\\") + languageName + L".stb";
    // Read into a copy so a short or unreadable file leaves the old table whole.
    unsigned char table[kSortTableSize];
    if (!ReadSortTableFile(path.c_str(), table))
        return false;
    memcpy(c->table, table, kSortTableSize);
    return true;
}

int CompareByTable(const Collation& c, const wchar_t* a, const wchar_t* b)
{
    unsigned char textA[kSortKeyBuffer], textB[kSortKeyBuffer];
    unsigned char keyA[kSortKeyBuffer], keyB[kSortKeyBuffer];
    ToSortText(a, c.codePage, textA);
    ToSortText(b, c.codePage, textB);
    int lenA = MakeSortKey(textA, c.table, keyA);
    int lenB = MakeSortKey(textB, c.table, keyB);
    return CompareSortKeys(keyA, lenA, keyB, lenB);
}

static bool SetCollation(const wchar_t* name)
{
    if (!_wsetlocale(LC_COLLATE, name))
        return false;
    g_localeSet = true;
    return true;
}

bool ApplyPairLocale(const wchar_t* localeName)
{
    if (!localeName)
        return false;
    // Languages the runtime has no collation for sort well enough as English.
    if (EqualFoldAZ(localeName, L"esperanto") || EqualFoldAZ(localeName, L"russkij"))
        return SetCollation(L"english_usa.1252");
    if (EqualFoldAZ(localeName, L"serbian"))
        return SetCollation(L"serbian (cyrillic)_Serbia.1251") ||
               SetCollation(L"serbian (cyrillic)_Serbia and Montenegro.1251");
    return SetCollation(localeName);
}

bool PairLocaleIsSet() { return g_localeSet; }

static bool CollationIsDefault()
{
    if (!g_localeSet)
        return true;
    const char* name = setlocale(LC_COLLATE, nullptr);
    return !name || strcmp(name, "C") == 0;
}

int CompareByLocale(const wchar_t* a, const wchar_t* b)
{
    if (!CollationIsDefault())
        return _wcsicoll(a, b);
    for (;; ++a, ++b) {
        wchar_t ca = FoldAZ(*a), cb = FoldAZ(*b);
        if (ca != cb)
            return static_cast<int>(ca) - static_cast<int>(cb);
        if (!ca)
            return 0;
    }
}

LocaleKeys PrepareLocaleKeys()
{
    LocaleKeys how;
    if (CollationIsDefault())
        return how;
    LCID lcid = ___lc_handle_func()[LC_COLLATE];
    if (!lcid)
        return how;
    how.lcid = lcid;
    // Word sort or string sort: whichever orders like the comparison on a
    // word where the two differ.
    int c = CompareByLocale(L"co-op", L"coop");
    int s = CompareStringW(lcid, NORM_IGNORECASE | SORT_STRINGSORT, L"co-op", -1, L"coop", -1) - CSTR_EQUAL;
    how.flags = ((c < 0) == (s < 0) && (c > 0) == (s > 0)) ? NORM_IGNORECASE | SORT_STRINGSORT : NORM_IGNORECASE;
    return how;
}

int MakeLocaleSortKey(const LocaleKeys& how, const wchar_t* word, int length, unsigned char* key, int room)
{
    if (how.lcid) {
        int len = length > 0 ? LCMapStringW(how.lcid, LCMAP_SORTKEY | how.flags, word, length,
                                            reinterpret_cast<wchar_t*>(key), room)
                             : 0;
        // The key's own terminator is no part of the order.
        if (len > 0 && key[len - 1] == 0)
            --len;
        return len > 0 ? len : 0;
    }
    if (2 * length > room)
        return 0;
    for (int i = 0; i < length; ++i) {
        wchar_t c = FoldAZ(word[i]);
        key[2 * i] = static_cast<unsigned char>(c >> 8);
        key[2 * i + 1] = static_cast<unsigned char>(c & 0xFF);
    }
    return 2 * length;
}

int CompareWords(const Collation& c, const wchar_t* a, const wchar_t* b)
{
    return c.useTable ? CompareByTable(c, a, b) : CompareByLocale(a, b);
}
