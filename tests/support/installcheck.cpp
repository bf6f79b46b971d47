#include "tests/support/installcheck.h"
#include "tests/support/testutil.h"
#include <shlobj.h>

namespace {

const wchar_t kRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring Upper(std::wstring s)
{
    CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

uint32_t SystemCrc32(const std::string& bytes)
{
    using Crc = DWORD(WINAPI*)(DWORD, const BYTE*, INT);
    static Crc crc = reinterpret_cast<Crc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlComputeCrc32")));
    return crc ? crc(0, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<INT>(bytes.size())) : 0;
}

void Walk(const std::wstring& root, const std::wstring& relative, const std::vector<std::wstring>& skip,
          std::map<std::wstring, RecordedFile>* files)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((root + L"\\" + relative + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring path = relative + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            bool skipped = false;
            for (const std::wstring& s : skip)
                skipped = skipped || Upper(s) == Upper(path);
            if (!skipped)
                Walk(root, path + L"\\", skip, files);
        } else if (Upper(path) != L"UNINSTALL.INI") {
            std::string bytes = ReadBytes(root + L"\\" + path);
            (*files)[Upper(path)] = {bytes.size(), SystemCrc32(bytes)};
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

} // namespace

std::map<std::wstring, std::wstring> ReadUninstallEntry(const std::wstring& keyName)
{
    std::map<std::wstring, std::wstring> values;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (kRoot + keyName).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLen = 256, type = 0, size = 0;
        BYTE data[4096] = {};
        size = sizeof data - 2;
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        if (type == REG_DWORD)
            values[name] = L"#" + std::to_wstring(*reinterpret_cast<DWORD*>(data));
        else
            values[name] = reinterpret_cast<const wchar_t*>(data);
    }
    RegCloseKey(key);
    return values;
}

bool UninstallEntryExists(const std::wstring& keyName)
{
    HKEY key;
    if (keyName.empty() || RegOpenKeyExW(HKEY_CURRENT_USER, (kRoot + keyName).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::map<std::wstring, RecordedFile> RecordedFiles(const std::wstring& target)
{
    std::map<std::wstring, RecordedFile> files;
    std::wstring section(65536, L'\0');
    section.resize(GetPrivateProfileSectionW(L"Files", section.data(), static_cast<DWORD>(section.size()),
                                             (target + L"\\uninstall.ini").c_str()));
    for (size_t at = 0; at < section.size(); at = section.find(L'\0', at) + 1) {
        std::wstring line = section.c_str() + at;
        size_t eq = line.find(L'='), bar2 = line.rfind(L'|'), bar1 = line.rfind(L'|', bar2 - 1);
        if (eq == std::wstring::npos || bar1 == std::wstring::npos || bar1 <= eq) {
            files[L"<malformed> " + line] = {};
            continue;
        }
        files[Upper(line.substr(eq + 1, bar1 - eq - 1))] = {
            std::stoull(line.substr(bar1 + 1, bar2 - bar1 - 1)),
            static_cast<uint32_t>(std::stoul(line.substr(bar2 + 1), nullptr, 16))};
    }
    return files;
}

std::map<std::wstring, RecordedFile> FilesUnder(const std::wstring& target, const std::vector<std::wstring>& skip)
{
    std::map<std::wstring, RecordedFile> files;
    Walk(target, L"", skip, &files);
    return files;
}

std::string RecordDifferences(const std::wstring& target, const std::vector<std::wstring>& skip)
{
    std::map<std::wstring, RecordedFile> recorded = RecordedFiles(target), present = FilesUnder(target, skip);
    std::string out;
    for (const auto& [path, file] : present) {
        auto it = recorded.find(path);
        if (it == recorded.end())
            out += "not recorded: " + Narrow(path) + "\n";
        else if (!(it->second == file))
            out += "recorded wrong: " + Narrow(path) + " " + std::to_string(it->second.size) + " vs " +
                   std::to_string(file.size) + "\n";
    }
    for (const auto& [path, file] : recorded)
        if (!present.count(path))
            out += "recorded, missing: " + Narrow(path) + "\n";
    return out;
}

uint64_t RecordedBytes(const std::wstring& target)
{
    uint64_t sum = 0;
    for (const auto& [path, file] : RecordedFiles(target))
        sum += file.size;
    return sum;
}

std::wstring RecordKey(const std::wstring& target, const wchar_t* key)
{
    wchar_t buf[1024];
    GetPrivateProfileStringW(L"Dictionary", key, L"<none>", buf, 1024, (target + L"\\uninstall.ini").c_str());
    return buf;
}

void RemoveInstallation(const std::wstring& target)
{
    std::wstring regkey = RecordKey(target, L"regkey"), link = RecordKey(target, L"link");
    if (regkey != L"<none>" && !regkey.empty())
        RegDeleteTreeW(HKEY_CURRENT_USER, (kRoot + regkey).c_str());
    if (link != L"<none>")
        DeleteFileW(link.c_str());
    std::wstring group = RecordKey(target, L"name"), folder = RecordKey(target, L"icon");
    // The group's folder, never the Programs folder itself; only when left empty.
    if (group != L"<none>" && folder.size() > group.size() && folder.substr(folder.size() - group.size()) == group)
        RemoveDirectoryW(folder.c_str());
    RemoveTree(target);
}

std::wstring UserProgramsFolder()
{
    wchar_t* known = nullptr;
    HRESULT hr = SHGetKnownFolderPath(FOLDERID_UserProgramFiles, 0, nullptr, &known);
    std::wstring folder = SUCCEEDED(hr) && known ? known : L"";
    CoTaskMemFree(known);
    if (folder.empty()) {
        wchar_t local[MAX_PATH];
        DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
        EXPECT_TRUE(n > 0 && n < MAX_PATH) << "no LOCALAPPDATA, known folder: " << std::hex << hr;
        folder = std::wstring(local) + L"\\Programs";
    }
    return folder;
}

void RemoveUninstallEntriesUnder(const std::wstring& folder)
{
    HKEY root;
    std::wstring rootPath(kRoot, wcslen(kRoot) - 1);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, rootPath.c_str(), 0, KEY_READ, &root) != ERROR_SUCCESS)
        return;
    std::vector<std::wstring> doomed;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        if (RegEnumKeyExW(root, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        std::wstring location = Upper(ReadUninstallEntry(name)[L"InstallLocation"]);
        if (!location.empty() && location.rfind(Upper(folder), 0) == 0)
            doomed.push_back(name);
    }
    RegCloseKey(root);
    for (const std::wstring& key : doomed)
        RegDeleteTreeW(HKEY_CURRENT_USER, (kRoot + key).c_str());
}

std::string WinIniBytes()
{
    wchar_t dir[MAX_PATH];
    GetWindowsDirectoryW(dir, MAX_PATH);
    return ReadBytes(std::wstring(dir) + L"\\win.ini");
}
