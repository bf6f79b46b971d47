// What an installation put into its folder, kept in its uninstall.ini, so that
// the uninstaller removes exactly that and nothing the user made or changed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The uninstaller that setup leaves in the target folder (a copy of itself).
constexpr wchar_t kUninstallerName[] = L"uninstall.exe";
// Under HKEY_CURRENT_USER: the user's list of installed programs.
constexpr wchar_t kUninstallKeyRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct InstalledFile {
    std::wstring path;  // relative to the target folder
    uint64_t size = 0;
    uint32_t crc = 0;   // CRC-32 of the contents when installed
};

struct InstallRecord {
    // [Dictionary]
    std::wstring program;         // program: the target folder
    std::wstring groupName;       // name: the Start-menu group ("icongroup")
    std::wstring shortcutFolder;  // icon: the folder holding the shortcut
    std::wstring shortcutFile;    // link: the shortcut's full path
    std::wstring registryKey;     // regkey: the key's name under kUninstallKeyRoot
    // [Files]: n=path|size|crc (hex); '|' can't be part of a file name.
    std::vector<InstalledFile> files;
};

// Reads uninstall.ini; false when it can't be read or names no program.
// Lines of [Files] that don't parse are skipped.
bool ReadInstallRecord(const std::wstring& iniPath, InstallRecord* record);
// Writes the whole file in one replace; the old one stays on failure.
bool WriteInstallRecord(const std::wstring& iniPath, const InstallRecord& record);

// Size and CRC-32 of a file's contents; false when it can't be read.
bool FileFingerprint(const std::wstring& path, uint64_t* size, uint32_t* crc);
// True when the file is still what the installation put there.
bool UnchangedSinceInstall(const std::wstring& targetDir, const InstalledFile& file);

// The uninstall key of an installation in targetDir: one per folder, so two
// installations don't take each other's entry.
std::wstring UninstallKeyName(const std::wstring& targetDir);
