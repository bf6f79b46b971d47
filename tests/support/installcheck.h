// What an installation leaves for its uninstaller, read the way the system
// and the user see it: uninstall.ini, the entry in the user's list of
// installed programs, and win.ini (which no installation may change).
#pragma once
#include <windows.h>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The entry's values under HKCU's Uninstall key; REG_DWORD ones as decimal
// text with a "#" before them. Empty when there is no such key.
std::map<std::wstring, std::wstring> ReadUninstallEntry(const std::wstring& keyName);
bool UninstallEntryExists(const std::wstring& keyName);

struct RecordedFile {
    uint64_t size = 0;
    uint32_t crc = 0;
    bool operator==(const RecordedFile& o) const { return size == o.size && crc == o.crc; }
};
// uninstall.ini's [Files], by relative path folded to upper case.
std::map<std::wstring, RecordedFile> RecordedFiles(const std::wstring& target);
// Every file under target (the record itself and skipped folders aside) as it
// is now, by the same key; CRC by the system's own routine.
std::map<std::wstring, RecordedFile> FilesUnder(const std::wstring& target,
                                               const std::vector<std::wstring>& skipFolders = {});
// Where the record and the files differ, one line each; empty when every file
// is recorded with its size and CRC and nothing recorded is missing.
std::string RecordDifferences(const std::wstring& target, const std::vector<std::wstring>& skipFolders = {});
// The sum of the recorded sizes.
uint64_t RecordedBytes(const std::wstring& target);
// A [Dictionary] key of the target's uninstall.ini; "<none>" when missing.
std::wstring RecordKey(const std::wstring& target, const wchar_t* key);

// Takes away what an installation into target left: the folder, its Start
// menu shortcut and group, and its uninstall entry.
void RemoveInstallation(const std::wstring& target);

// The user's own programs folder: the known folder, or where Windows keeps it,
// %LOCALAPPDATA%\Programs, on a system that doesn't know it (Wine).
std::wstring UserProgramsFolder();

// Removes every uninstall entry whose InstallLocation lies in folder.
void RemoveUninstallEntriesUnder(const std::wstring& folder);

// The bytes of C:\windows\win.ini.
std::string WinIniBytes();
