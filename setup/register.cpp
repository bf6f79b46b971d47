// The installation's end: its uninstaller, its record (uninstall.ini) and its
// entry in the user's list of installed programs (Settings > Apps), all for
// the current user alone.
#include "setup/setup.h"
#include "setup/installrecord.h"
#include "version.h"
#include <set>

namespace {

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The path relative to the target folder; empty for one outside it.
std::wstring InTarget(const std::wstring& full)
{
    std::wstring target = WithBackslash(FullPath(g_targetDir));
    if (full.size() <= target.size() ||
        CompareStringOrdinal(full.c_str(), static_cast<int>(target.size()), target.c_str(),
                             static_cast<int>(target.size()), TRUE) != CSTR_EQUAL)
        return L"";
    return full.substr(target.size());
}

// Setup is its own uninstaller: a copy of it goes into the target.
void CopyUninstaller()
{
    std::wstring uninstaller = WithBackslash(g_targetDir) + kUninstallerName;
    std::wstring self = RunningProgramPath();
    std::wstring full = FullPath(uninstaller);
    if (!self.empty() && SamePath(FullPath(self), full)) {
        NoteWrittenFile(uninstaller);   // run from there already
        return;
    }
    if (!self.empty() && CopyFileW(self.c_str(), uninstaller.c_str(), FALSE))
        NoteWrittenFile(uninstaller);
    else
        NoteFailure(uninstaller, GetLastError());
}

// This run's files as they are now, then the earlier installation's that this
// run left alone and that are still there, so that the uninstaller finds
// everything installed; the user's backups of replaced word books are not
// listed: they are the user's.
std::vector<InstalledFile> InstalledFiles(const InstallRecord& earlier)
{
    std::vector<InstalledFile> files;
    std::set<std::wstring> seen;
    auto folded = [](std::wstring s) {
        CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
        return s;
    };
    for (const std::wstring& full : g_outcome.written) {
        InstalledFile file;
        file.path = InTarget(full);
        // LANGUAGE.CF is copied and removed again: only what is left counts.
        if (file.path.empty() || seen.count(folded(file.path)) ||
            !FileFingerprint(full, &file.size, &file.crc))
            continue;
        seen.insert(folded(file.path));
        files.push_back(file);
    }
    std::wstring target = WithBackslash(g_targetDir);
    for (const InstalledFile& file : earlier.files) {
        DWORD attributes = GetFileAttributesW((target + file.path).c_str());
        if (seen.count(folded(file.path)) || attributes == INVALID_FILE_ATTRIBUTES ||
            (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        seen.insert(folded(file.path));
        files.push_back(file);
    }
    return files;
}

LSTATUS SetText(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LSTATUS SetNumber(HKEY key, const wchar_t* name, DWORD value)
{
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// The entry under HKEY_CURRENT_USER, which a standard user may write.
LSTATUS Register(const InstallRecord& record)
{
    HKEY key = nullptr;
    std::wstring path = std::wstring(kUninstallKeyRoot) + L"\\" + record.registryKey;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                     &key, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    std::wstring target = WithBackslash(g_targetDir);
    std::wstring uninstaller = L"\"" + target + kUninstallerName + L"\" /uninstall";
    uint64_t bytes = 0;
    for (const InstalledFile& file : record.files)
        bytes += file.size;
    uint64_t kilobytes = (bytes + 1023) / 1024;
    const std::pair<const wchar_t*, std::wstring> texts[] = {
        {L"DisplayName", g_script.title.empty() ? std::wstring(L"" WB_PRODUCT_NAME) : g_script.title},
        {L"DisplayVersion", WB_VERSION_WIDE},
        {L"Publisher", WB_PUBLISHER_WIDE},
        {L"InstallLocation", g_targetDir},
        {L"DisplayIcon", target + (g_script.iconExe.empty() ? kUninstallerName : g_script.iconExe) + L",0"},
        {L"UninstallString", uninstaller},
        {L"QuietUninstallString", uninstaller + L" /S"},
    };
    const std::pair<const wchar_t*, DWORD> numbers[] = {
        {L"EstimatedSize", static_cast<DWORD>(kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : kilobytes)},
        {L"NoModify", 1},
        {L"NoRepair", 1},
    };
    for (const auto& [name, value] : texts)
        if (status == ERROR_SUCCESS)
            status = SetText(key, name, value);
    for (const auto& [name, value] : numbers)
        if (status == ERROR_SUCCESS)
            status = SetNumber(key, name, value);
    RegCloseKey(key);
    return status;
}

} // namespace

void RecordInstallation()
{
    CopyUninstaller();
    InstallRecord earlier;
    if (!ReadInstallRecord(g_script.uninstallPath, &earlier))
        earlier = InstallRecord{};
    InstallRecord record;
    record.program = g_targetDir;
    record.groupName = g_script.iconGroup;
    record.shortcutFolder = g_script.shortcutFolder;
    record.shortcutFile = g_script.shortcutFile;
    // A shortcut of the earlier installation that this run didn't make is still there.
    if (record.shortcutFile.empty() && (!earlier.shortcutFile.empty() || !earlier.shortcutFolder.empty())) {
        record.groupName = earlier.groupName;
        record.shortcutFolder = earlier.shortcutFolder;
        record.shortcutFile = earlier.shortcutFile;
    }
    record.registryKey = UninstallKeyName(g_targetDir);
    record.files = InstalledFiles(earlier);
    // Without its record the uninstaller could remove nothing: no entry then.
    if (!WriteInstallRecord(g_script.uninstallPath, record)) {
        DWORD error = GetLastError();
        NoteFailure(g_script.uninstallPath, error ? error : ERROR_WRITE_FAULT);
        return;
    }
    LSTATUS status = Register(record);
    if (status != ERROR_SUCCESS)
        NoteFailure(L"HKEY_CURRENT_USER\\" + std::wstring(kUninstallKeyRoot) + L"\\" + record.registryKey,
                    static_cast<DWORD>(status));
}
