#include "core/uistrings.h"
#include "core/codepage.h"
#include "core/random.h"
#include "core/report.h"
#include "core/textfold.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <unordered_map>

const char* const kStringNames[Txt_Count] = {
#define X(name) #name,
#include "core/string_names.h"
#undef X
};

int g_uiCharset = 0;
int g_uiCodePage = 1252;
std::vector<const wchar_t*> g_foreignFontFaces;

namespace {

constexpr int kMaxForeignFonts = 100;
constexpr int kFirstForeignCharset = 600;
// Far above any real strings file; keeps the int-sized conversions safe.
constexpr LONGLONG kMaxStringsFileSize = 16 * 1024 * 1024;

// Both images carry one zero beyond the file's bytes, so a file cut in the
// middle of an entry still ends in a terminated value.
std::vector<char> g_image8;
size_t g_image8Size = 0;
std::vector<wchar_t> g_imageWide;
size_t g_imageWideCount = 0;
// Texts handed out stay valid for the whole run, even across a reload.
std::vector<std::vector<wchar_t>> g_retiredWideImages;
const wchar_t* g_values[Txt_Count];

// Entries the programs pass to printf-style functions, with the conversions
// each call supplies and the text used when a strings file's value asks for
// others: a translated file must never make printf read what wasn't passed.
struct FormatEntry {
    StringId id;
    const wchar_t* conversions;
    const wchar_t* builtIn;
};
const FormatEntry kFormatEntries[] = {
    {Txt_CreateListCopyFailed, L"%lu", L"Could not copy the word book into the list, error code %lu."},
    {Txt_ErrorOpenPair, L"%s", L"The word book %s can't be opened. The previous language pair stays selected."},
    {Txt_ErrorStartPair, L"%s%s", L"The word book %s can't be opened. Wordbook opens %s instead."},
    {Txt_WriteFailed, L"%s", L"%s could not be written (is the disk full?). The change was not saved."},
    {Txt_ReviewNothingDue, L"%s", L"No word of this list is due for review today. The next word is due on %s."},
    {Txt_ProgressBox, L"%d", L"Box %d"},
};

const wchar_t* CheckedValue(StringId id, const wchar_t* value)
{
    for (const FormatEntry& entry : kFormatEntries)
        if (entry.id == id && value && !FormatConversionsAre(value, entry.conversions))
            return entry.builtIn;
    return value;
}

// Walks key=value entries up to the empty entry or the end of the image.
template <typename Ch>
const Ch* FindEntry(const Ch* image, size_t count, const Ch* key)
{
    size_t keyLen = 0;
    while (key[keyLen])
        ++keyLen;
    size_t pos = 0;
    while (pos < count && image[pos] != 0) {
        size_t end = pos;
        while (end < count && image[end] != 0)
            ++end;
        if (end - pos > keyLen && image[pos + keyLen] == '=') {
            size_t i = 0;
            while (i < keyLen && FoldAZ(image[pos + i]) == FoldAZ(key[i]))
                ++i;
            if (i == keyLen)
                return image + pos + keyLen + 1;
        }
        pos = end + 1;
    }
    return nullptr;
}

// Each key's first entry, by its folded name: one walk over the image
// answers every name, where FindEntry walks it once per name.
using EntryIndex = std::unordered_map<std::wstring, const wchar_t*>;

std::wstring FoldedKey(const wchar_t* s, size_t n)
{
    std::wstring key(s, n);
    for (wchar_t& c : key)
        c = FoldAZ(c);
    return key;
}

EntryIndex IndexEntries(const wchar_t* image, size_t count)
{
    EntryIndex index;
    size_t pos = 0;
    while (pos < count && image[pos] != 0) {
        size_t end = pos;
        while (end < count && image[end] != 0)
            ++end;
        for (size_t eq = pos; eq < end; ++eq)
            if (image[eq] == L'=') {
                index.emplace(FoldedKey(image + pos, eq - pos), image + eq + 1);
                break;
            }
        pos = end + 1;
    }
    return index;
}

const wchar_t* FindIndexed(const EntryIndex& index, const std::wstring& name)
{
    auto it = index.find(FoldedKey(name.c_str(), name.size()));
    return it == index.end() ? nullptr : it->second;
}

std::wstring WidenAscii(const char* s)
{
    std::wstring w;
    while (*s)
        w += static_cast<wchar_t>(static_cast<unsigned char>(*s++));
    return w;
}

// Reads the whole file into image (plus a zero); false when it can't be read.
bool ReadWholeFile(const wchar_t* path, std::vector<char>* image, size_t* size)
{
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER fileSize{};
    bool ok = GetFileSizeEx(h, &fileSize) && fileSize.QuadPart <= kMaxStringsFileSize;
    if (ok) {
        *size = static_cast<size_t>(fileSize.QuadPart);
        image->assign(*size + 1, '\0');
        size_t done = 0;
        while (ok && done < *size) {
            DWORD got = 0;
            ok = ReadFile(h, image->data() + done, static_cast<DWORD>(*size - done), &got, nullptr) && got > 0;
            done += got;
        }
    }
    CloseHandle(h);
    return ok;
}

std::wstring CurrentDirectory()
{
    wchar_t buf[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, buf);
    return (n > 0 && n < MAX_PATH) ? std::wstring(buf, n) : std::wstring(L".");
}

// Profile functions without a directory would look in the Windows directory.
std::wstring ProgramLanguageFile(StringsMode mode)
{
    return CurrentDirectory() + (mode == StringsMode::Setup ? L"\\language.in_" : L"\\language.ini");
}

[[noreturn]] void StringsFatal(const std::wstring& text)
{
    FatalMessage(nullptr, text.c_str(), L"Dictionary", MB_OK | MB_ICONWARNING, 1);
}

}  // namespace

void BuildScrambleKey(unsigned char key[kScrambleKeyLength])
{
    // The program's generator from a fixed seed; folding into 1..255 keeps
    // every key byte non-zero.
    Lcg generator{0x5745};
    for (int i = 0; i < kScrambleKeyLength; ++i)
        key[i] = static_cast<unsigned char>(generator.Next() % 255 + 1);
}

void Scramble(unsigned char* data, size_t size)
{
    unsigned char key[kScrambleKeyLength];
    BuildScrambleKey(key);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<unsigned char>(data[i] + key[i % kScrambleKeyLength]);
}

void Unscramble(unsigned char* data, size_t size)
{
    unsigned char key[kScrambleKeyLength];
    BuildScrambleKey(key);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<unsigned char>(data[i] - key[i % kScrambleKeyLength]);
}

bool LoadUiStringsFromFile(const wchar_t* path, std::string* missing)
{
    std::string ignored;
    if (!missing)
        missing = &ignored;
    missing->clear();
    std::vector<char> image8;
    size_t size = 0;
    if (!ReadWholeFile(path, &image8, &size))
        return false;
    Unscramble(reinterpret_cast<unsigned char*>(image8.data()), size);

    const char* charsetText = FindEntry(image8.data(), size, "CharactersetCode");
    if (!charsetText) {
        *missing = "CharactersetCode";
        return false;
    }
    int charset = atoi(charsetText);
    int codePage = CharsetToCodePage(charset);

    std::vector<wchar_t> wide(size + 1);
    size_t wideCount = static_cast<size_t>(ToWideCount(image8.data(), wide.data(), static_cast<int>(size), codePage));

    const EntryIndex index = IndexEntries(wide.data(), wideCount);
    const wchar_t* values[Txt_Count];
    for (int id = 0; id < Txt_Count; ++id) {
        values[id] = FindIndexed(index, WidenAscii(kStringNames[id]));
        if (!values[id]) {
            *missing = kStringNames[id];
            return false;
        }
    }
    int fonts = _wtoi(values[Txt_ForeignFonts]);
    fonts = fonts < 0 ? 0 : (fonts > kMaxForeignFonts ? kMaxForeignFonts : fonts);
    std::vector<const wchar_t*> faces;
    for (int i = 0; i < fonts; ++i) {
        char name[16];
        snprintf(name, sizeof name, "Font%03d", kFirstForeignCharset + i);
        const wchar_t* face = FindIndexed(index, WidenAscii(name));
        if (!face) {
            *missing = name;
            return false;
        }
        faces.push_back(face);
    }

    // Moving a vector keeps its buffer, so the references stay valid.
    g_image8 = std::move(image8);
    g_image8Size = size;
    if (!g_imageWide.empty())
        g_retiredWideImages.push_back(std::move(g_imageWide));
    g_imageWide = std::move(wide);
    g_imageWideCount = wideCount;
    for (int id = 0; id < Txt_Count; ++id)
        g_values[id] = CheckedValue(static_cast<StringId>(id), values[id]);
    g_foreignFontFaces = std::move(faces);
    g_uiCharset = charset;
    g_uiCodePage = codePage;
    return true;
}

void LoadUiStrings(StringsMode mode, const wchar_t* installDir)
{
    wchar_t stem[149] = L"";
    GetPrivateProfileStringW(L"Dictionary", L"Language", L"", stem, 149, ProgramLanguageFile(mode).c_str());

    std::string missing;
    bool loaded;
    if (mode == StringsMode::Wordbook) {
        std::wstring path = CurrentDirectory() + L"\\strings\\" + stem + L".str";
        loaded = LoadUiStringsFromFile(path.c_str(), &missing);
        if (!loaded && missing.empty())
            StringsFatal(L"No strings file found.   ");
    } else {
        std::wstring path = CurrentDirectory() + L"\\" + stem + L".str";
        loaded = LoadUiStringsFromFile(path.c_str(), &missing);
        if (!loaded && missing.empty() && installDir) {
            path = std::wstring(installDir) + L"\\strings\\" + stem + L".str";
            loaded = LoadUiStringsFromFile(path.c_str(), &missing);
        }
        if (!loaded && missing.empty())
            StringsFatal(L"No strings file found (2).   ");
    }
    if (!loaded)
        StringsFatal(L"String: " + WidenAscii(missing.c_str()) + L" not found.   ");
}

int ReadInstallerCharset(const std::wstring& dir)
{
    std::wstring file = dir;
    if (!file.empty() && file.back() != L'\\')
        file += L'\\';
    return static_cast<int>(GetPrivateProfileIntW(L"Dictionary", L"Character", 0, (file + L"language.in_").c_str()));
}

void FreeUiStrings()
{
    std::vector<char>().swap(g_image8);
    g_image8Size = 0;
}

const wchar_t* Str(StringId id)
{
    const wchar_t* v = (id >= 0 && id < Txt_Count) ? g_values[id] : nullptr;
    return v ? v : L"";
}

void OverrideString(StringId id, const wchar_t* value)
{
    if (id >= 0 && id < Txt_Count)
        g_values[id] = CheckedValue(id, value);
}

const wchar_t* FormatConversionsOf(StringId id)
{
    for (const FormatEntry& entry : kFormatEntries)
        if (entry.id == id)
            return entry.conversions;
    return nullptr;
}

bool FormatConversionsAre(const wchar_t* format, const wchar_t* conversions)
{
    std::wstring found;
    for (const wchar_t* p = format; *p; ++p) {
        if (*p != L'%')
            continue;
        ++p;
        if (*p == L'%')
            continue;
        // Flags, width and precision change no argument as long as none is
        // taken from the list ('*') or by position ('$').
        while (*p && wcschr(L"-+ #0", *p))
            ++p;
        while (iswdigit(*p))
            ++p;
        if (*p == L'.')
            for (++p; iswdigit(*p); ++p) {}
        std::wstring conversion = L"%";
        while (*p && wcschr(L"hlLIjzt", *p) && conversion.size() < 4)
            conversion += *p++;
        if (!*p || !wcschr(L"cCdiouxXeEfgGaAsSp", *p))
            return false;  // also '*', '$', 'n' and a lone '%' at the end
        found += conversion + *p;
    }
    return found == conversions;
}
