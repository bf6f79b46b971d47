// The user's settings as the tests set and read them: the settings file in the
// prefix's roaming application data, and win.ini of an older installation.
#pragma once
#include <string>

// No settings anywhere: the settings file gone, win.ini's section emptied.
void ClearSettings();
// Sets a key in the settings file.
void SetSetting(const wchar_t* key, const std::wstring& value);
// A key as the programs read it (file, then win.ini); missing when neither has it.
std::wstring GetSetting(const wchar_t* key, const wchar_t* missing = L"<none>");
// A key of the settings file alone.
std::wstring FileSetting(const wchar_t* key, const wchar_t* missing = L"<none>");
// A key of win.ini alone, and setting one there (an older installation's).
std::wstring WinIniSetting(const wchar_t* key, const wchar_t* missing = L"<none>");
void SetWinIniSetting(const wchar_t* key, const wchar_t* value);
