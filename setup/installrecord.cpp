#include "setup/installrecord.h"
#include "core/fileutil.h"
#include "core/usersettings.h"
#include <windows.h>
#include <cwchar>

static uint32_t Crc32Update(uint32_t crc, const unsigned char* data, size_t size)
{
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

bool FileFingerprint(const std::wstring& path, uint64_t* size, uint32_t* crc)
{
    UniqueFile f(_wfopen(path.c_str(), L"rb"));
    if (!f)
        return false;
    uint64_t total = 0;
    uint32_t c = 0;
    unsigned char buf[65536];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, f.get())) > 0) {
        c = Crc32Update(c, buf, got);
        total += got;
    }
    if (ferror(f.get()))
        return false;
    *size = total;
    *crc = c;
    return true;
}

bool UnchangedSinceInstall(const std::wstring& targetDir, const InstalledFile& file)
{
    uint64_t size;
    uint32_t crc;
    std::wstring dir = targetDir;
    if (!dir.empty() && dir.back() != L'\\')
        dir += L'\\';
    return FileFingerprint(dir + file.path, &size, &crc) && size == file.size && crc == file.crc;
}

std::wstring UninstallKeyName(const std::wstring& targetDir)
{
    // The folder's full path, case folded, hashed: the same folder gives the same key.
    std::wstring full = FullPath(targetDir);
    if (full.empty())
        full = targetDir;
    while (full.size() > 3 && full.back() == L'\\')
        full.pop_back();
    CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    uint32_t crc = Crc32Update(0, reinterpret_cast<const unsigned char*>(full.data()), full.size() * sizeof(wchar_t));
    wchar_t name[32];
    swprintf(name, 32, L"Wordbook-%08X", crc);
    return name;
}

bool ReadInstallRecord(const std::wstring& iniPath, InstallRecord* record)
{
    std::wstring text;
    if (!ReadProfileFile(iniPath, &text))
        return false;
    *record = InstallRecord{};
    for (const auto& [key, value] : ParseProfileSection(text, L"Dictionary")) {
        std::wstring* field = nullptr;
        if (_wcsicmp(key.c_str(), L"program") == 0)
            field = &record->program;
        else if (_wcsicmp(key.c_str(), L"name") == 0)
            field = &record->groupName;
        else if (_wcsicmp(key.c_str(), L"icon") == 0)
            field = &record->shortcutFolder;
        else if (_wcsicmp(key.c_str(), L"link") == 0)
            field = &record->shortcutFile;
        else if (_wcsicmp(key.c_str(), L"regkey") == 0)
            field = &record->registryKey;
        if (field && field->empty())
            *field = value;
    }
    for (const auto& [key, value] : ParseProfileSection(text, L"Files")) {
        size_t bar1 = value.find(L'|');
        size_t bar2 = bar1 == std::wstring::npos ? bar1 : value.find(L'|', bar1 + 1);
        if (bar2 == std::wstring::npos || bar1 == 0)
            continue;
        InstalledFile file;
        file.path = value.substr(0, bar1);
        wchar_t* end = nullptr;
        std::wstring sizeText = value.substr(bar1 + 1, bar2 - bar1 - 1);
        std::wstring crcText = value.substr(bar2 + 1);
        file.size = wcstoull(sizeText.c_str(), &end, 10);
        if (sizeText.empty() || *end)
            continue;
        file.crc = static_cast<uint32_t>(wcstoul(crcText.c_str(), &end, 16));
        if (crcText.empty() || *end)
            continue;
        // Only paths inside the folder: a damaged record must not reach beyond it.
        if (file.path.find(L':') != std::wstring::npos || file.path[0] == L'\\' || file.path[0] == L'/' ||
            file.path.find(L"..") != std::wstring::npos)
            continue;
        record->files.push_back(file);
    }
    return !record->program.empty();
}

bool WriteInstallRecord(const std::wstring& iniPath, const InstallRecord& record)
{
    std::vector<std::wstring> lines{L"[Dictionary]"};
    auto put = [&lines](const wchar_t* key, const std::wstring& value) {
        if (!value.empty())
            lines.push_back(std::wstring(key) + L"=" + ProfileValueText(value));
    };
    put(L"program", record.program);
    put(L"name", record.groupName);
    put(L"icon", record.shortcutFolder);
    put(L"link", record.shortcutFile);
    put(L"regkey", record.registryKey);
    lines.emplace_back();
    lines.push_back(L"[Files]");
    int n = 0;
    for (const InstalledFile& file : record.files) {
        wchar_t tail[48];
        swprintf(tail, 48, L"|%llu|%08X", static_cast<unsigned long long>(file.size), file.crc);
        lines.push_back(std::to_wstring(++n) + L"=" + file.path + tail);
    }
    return ReplaceFileContents(iniPath, EncodeProfileLines(lines));
}
