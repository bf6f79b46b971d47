#include "core/usersettings.h"
#include "core/fileutil.h"
#include <windows.h>
#include <shlobj.h>
#include <cstdint>

static const wchar_t kSection[] = L"Dictionary";

std::wstring SettingsFilePath()
{
    // The environment names the folder without loading the shell, which
    // start-up would pay for; the shell is asked only when it doesn't.
    wchar_t folder[MAX_PATH] = L"";
    DWORD n = GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder)))
            folder[0] = L'\0';
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path + L"Wordbook\\wordbook.ini";
}

static bool SameKey(const std::wstring& a, const wchar_t* b)
{
    return CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

static std::wstring Trimmed(const std::wstring& s)
{
    size_t first = s.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return L"";
    size_t last = s.find_last_not_of(L" \t");
    return s.substr(first, last - first + 1);
}

static std::wstring Unquoted(std::wstring value)
{
    value = Trimmed(value);
    if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"')
        value = value.substr(1, value.size() - 2);
    return value;
}

// The section a line opens, or false when it opens none.
static bool SectionLine(const std::wstring& line, std::wstring* name)
{
    std::wstring t = Trimmed(line);
    if (t.empty() || t[0] != L'[')
        return false;
    size_t close = t.find(L']');
    *name = Trimmed(t.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
    return true;
}

// A key line's key (trimmed); false for comments and lines without "=".
static bool KeyLine(const std::wstring& line, std::wstring* key, std::wstring* value)
{
    std::wstring t = Trimmed(line);
    if (t.empty() || t[0] == L';')
        return false;
    size_t eq = t.find(L'=');
    if (eq == std::wstring::npos || eq == 0)
        return false;
    *key = Trimmed(t.substr(0, eq));
    if (value)
        *value = Unquoted(t.substr(eq + 1));
    return !key->empty();
}

static std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        lines.push_back(line);
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    return lines;
}

std::vector<std::pair<std::wstring, std::wstring>> ParseProfileSection(const std::wstring& text, const wchar_t* section)
{
    std::vector<std::pair<std::wstring, std::wstring>> keys;
    bool inside = false;
    for (const std::wstring& line : SplitLines(text)) {
        std::wstring name, key, value;
        if (SectionLine(line, &name))
            inside = SameKey(name, section);
        else if (inside && KeyLine(line, &key, &value))
            keys.emplace_back(key, value);
    }
    return keys;
}

std::wstring DecodeProfileBytes(const std::string& bytes)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<wchar_t>(b[2 + 2 * i] | (b[3 + 2 * i] << 8));
        return text;
    }
    bool utf8 = bytes.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF;
    std::string body = utf8 ? bytes.substr(3) : bytes;
    if (body.empty() || body.size() > 0x7FFFFFFF)
        return L"";
    UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    int n = MultiByteToWideChar(codePage, 0, body.data(), static_cast<int>(body.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, body.data(), static_cast<int>(body.size()), text.data(), n);
    return text;
}

static std::string ReadWholeFile(const std::wstring& path, bool* exists)
{
    std::string bytes;
    UniqueFile f(_wfopen(path.c_str(), L"rb"));
    *exists = f != nullptr;
    if (!f)
        return bytes;
    char buf[8192];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, f.get())) > 0)
        bytes.append(buf, got);
    return bytes;
}

// win.ini's section in one call; the list is grown until it fits.
static std::vector<std::pair<std::wstring, std::wstring>> WinIniKeys()
{
    std::vector<std::pair<std::wstring, std::wstring>> keys;
    std::vector<wchar_t> buf(8192);
    DWORD n;
    for (;;) {
        n = GetProfileSectionW(kSection, buf.data(), static_cast<DWORD>(buf.size()));
        if (n + 2 < buf.size() || buf.size() >= (1u << 24))
            break;
        buf.resize(buf.size() * 4);
    }
    for (const wchar_t* p = buf.data(); p < buf.data() + n && *p; p += wcslen(p) + 1) {
        std::wstring key, value;
        if (KeyLine(p, &key, &value))
            keys.emplace_back(key, value);
    }
    return keys;
}

bool ReadProfileFile(const std::wstring& path, std::wstring* text)
{
    bool exists;
    *text = DecodeProfileBytes(ReadWholeFile(path, &exists));
    return exists;
}

SettingsSnapshot ReadSettings()
{
    SettingsSnapshot s;
    std::wstring text;
    ReadProfileFile(SettingsFilePath(), &text);
    s.fileKeys = ParseProfileSection(text, kSection);
    s.winIniKeys = WinIniKeys();
    return s;
}

bool FindSetting(const SettingsSnapshot& settings, const wchar_t* key, std::wstring* value)
{
    for (const auto* keys : {&settings.fileKeys, &settings.winIniKeys})
        for (const auto& [name, text] : *keys)
            if (SameKey(name, key)) {
                *value = text;
                return true;
            }
    return false;
}

int SettingInt(const SettingsSnapshot& settings, const wchar_t* key, int fallback)
{
    std::wstring text;
    if (!FindSetting(settings, key, &text) || text.empty())
        return fallback;
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
        negative = text[i++] == L'-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - L'0');
    if (negative)
        value = 0u - value;
    return static_cast<int>(value);
}

std::wstring SettingText(const SettingsSnapshot& settings, const wchar_t* key, const wchar_t* fallback,
                         size_t maxChars)
{
    std::wstring text;
    if (!FindSetting(settings, key, &text))
        text = fallback ? fallback : L"";
    if (text.size() > maxChars)
        text.resize(maxChars);
    return text;
}

int ReadSettingInt(const wchar_t* key, int fallback) { return SettingInt(ReadSettings(), key, fallback); }

std::wstring ReadSettingText(const wchar_t* key, const wchar_t* fallback, size_t maxChars)
{
    return SettingText(ReadSettings(), key, fallback, maxChars);
}

// A value the reader would trim or unquote is written in quotes.
std::wstring ProfileValueText(const std::wstring& value)
{
    bool quote = !value.empty() && (Trimmed(value) != value || (value.front() == L'"' && value.back() == L'"'));
    return quote ? L"\"" + value + L"\"" : value;
}

std::string EncodeProfileLines(const std::vector<std::wstring>& lines)
{
    std::string bytes = "\xFF\xFE";
    auto put = [&bytes](wchar_t c) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    };
    for (const std::wstring& line : lines) {
        for (wchar_t c : line)
            put(c);
        put(L'\r');
        put(L'\n');
    }
    return bytes;
}

bool StoreSettings(const std::vector<SettingChange>& changes)
{
    std::wstring path = SettingsFilePath();
    size_t slash = path.find_last_of(L'\\');
    bool exists;
    std::string old = ReadWholeFile(path, &exists);
    if (!exists && slash != std::wstring::npos) {
        std::wstring folder = path.substr(0, slash);
        if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES && !MakeDirectory(folder.c_str()))
            return false;
    }
    std::vector<std::wstring> lines = SplitLines(DecodeProfileBytes(old));
    while (!lines.empty() && Trimmed(lines.back()).empty())
        lines.pop_back();

    // The section's extent: its heading, and after its last non-empty line.
    auto findSection = [&lines](size_t* head, size_t* end) {
        bool inside = false;
        bool found = false;
        for (size_t i = 0; i < lines.size(); ++i) {
            std::wstring name;
            if (SectionLine(lines[i], &name)) {
                if (inside)
                    break;
                inside = SameKey(name, kSection);
                if (inside && !found) {
                    found = true;
                    *head = i;
                    *end = i + 1;
                }
            } else if (inside && !Trimmed(lines[i]).empty()) {
                *end = i + 1;
            }
        }
        return found;
    };
    size_t head = 0, end = 0;
    if (!findSection(&head, &end)) {
        if (!lines.empty())
            lines.emplace_back();
        lines.push_back(L"[" + std::wstring(kSection) + L"]");
        head = lines.size() - 1;
        end = lines.size();
    }
    for (const SettingChange& change : changes) {
        size_t at = end;
        for (size_t i = head + 1; i < end; ++i) {
            std::wstring key;
            if (KeyLine(lines[i], &key, nullptr) && SameKey(key, change.key.c_str())) {
                at = i;
                break;
            }
        }
        if (change.remove) {
            if (at < end) {
                lines.erase(lines.begin() + static_cast<long>(at));
                --end;
            }
            continue;
        }
        std::wstring line = change.key + L"=" + ProfileValueText(change.value);
        if (at < end) {
            lines[at] = line;
        } else {
            lines.insert(lines.begin() + static_cast<long>(end), line);
            ++end;
        }
    }
    return ReplaceFileContents(path, EncodeProfileLines(lines));
}

bool StoreSetting(const wchar_t* key, const std::wstring& value) { return StoreSettings({{key, value}}); }

bool RemoveSettingsFile()
{
    std::wstring path = SettingsFilePath();
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES && !RemoveFilePath(path.c_str()))
        return false;
    size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos)
        RemoveEmptyDirectory(path.substr(0, slash).c_str());  // fails, rightly, when anything else is there
    return true;
}
