// The user's settings: section [Dictionary] of one file in the user's roaming
// application data, which a standard user may always write. A key the file
// lacks is read from win.ini, where installations made before kept it; win.ini
// is never written.
#pragma once
#include <string>
#include <utility>
#include <vector>

// The settings file: %APPDATA%\Wordbook\wordbook.ini. Nothing else names it.
std::wstring SettingsFilePath();

// One reading of the settings: the file's keys, then win.ini's.
struct SettingsSnapshot {
    std::vector<std::pair<std::wstring, std::wstring>> fileKeys;
    std::vector<std::pair<std::wstring, std::wstring>> winIniKeys;
};
SettingsSnapshot ReadSettings();

// The value of key (file first, then win.ini); false when neither has it.
bool FindSetting(const SettingsSnapshot& settings, const wchar_t* key, std::wstring* value);
// As the profile functions read them: leading digits with a sign, wrapping
// past 32 bits; fallback when the key is missing or empty.
int SettingInt(const SettingsSnapshot& settings, const wchar_t* key, int fallback);
// At most maxChars characters of the value, or of fallback when the key is missing.
std::wstring SettingText(const SettingsSnapshot& settings, const wchar_t* key, const wchar_t* fallback,
                         size_t maxChars);

// Single reads, for the few keys read on their own.
int ReadSettingInt(const wchar_t* key, int fallback);
std::wstring ReadSettingText(const wchar_t* key, const wchar_t* fallback, size_t maxChars);

struct SettingChange {
    std::wstring key;
    std::wstring value;
    bool remove = false;  // takes the key out of the file
};
// Applies the changes in one rewrite of the file (made with its folder when
// missing); other sections and lines stay as they were. False when the file
// can't be written: the old one stays.
bool StoreSettings(const std::vector<SettingChange>& changes);
bool StoreSetting(const wchar_t* key, const std::wstring& value);

// Removes the settings file, and its folder when that is left empty. True
// when no file is left.
bool RemoveSettingsFile();

// Profile files of our own (the settings file, uninstall.ini):
// The keys of one section as "key=value" lines hold them: trimmed, one pair
// of quotes dropped, the first of equal keys first; comments skipped.
std::vector<std::pair<std::wstring, std::wstring>> ParseProfileSection(const std::wstring& text,
                                                                       const wchar_t* section);
// A profile file's bytes as text: UTF-16 with its byte-order mark, UTF-8 with
// its mark, otherwise the ANSI code page (as older files were written).
std::wstring DecodeProfileBytes(const std::string& bytes);
// A whole profile file as text; false when it can't be opened.
bool ReadProfileFile(const std::wstring& path, std::wstring* text);
// Lines as a profile file's bytes: UTF-16 with its mark, CRLF line ends, so
// that any text survives and the system's profile functions read it too.
std::string EncodeProfileLines(const std::vector<std::wstring>& lines);
// A value as a "key=value" line must hold it to be read back unchanged.
std::wstring ProfileValueText(const std::wstring& value);
