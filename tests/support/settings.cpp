#include "tests/support/settings.h"
#include "core/usersettings.h"
#include <gtest/gtest.h>
#include <windows.h>

void ClearSettings()
{
    ASSERT_TRUE(RemoveSettingsFile());
    WriteProfileStringW(L"Dictionary", nullptr, nullptr);
}

void SetSetting(const wchar_t* key, const std::wstring& value) { ASSERT_TRUE(StoreSetting(key, value)); }

std::wstring GetSetting(const wchar_t* key, const wchar_t* missing)
{
    std::wstring value;
    return FindSetting(ReadSettings(), key, &value) ? value : missing;
}

std::wstring FileSetting(const wchar_t* key, const wchar_t* missing)
{
    SettingsSnapshot s = ReadSettings();
    s.winIniKeys.clear();
    std::wstring value;
    return FindSetting(s, key, &value) ? value : missing;
}

std::wstring WinIniSetting(const wchar_t* key, const wchar_t* missing)
{
    wchar_t buf[1024];
    GetProfileStringW(L"Dictionary", key, L"\x1", buf, 1024);
    return buf[0] == L'\x1' && !buf[1] ? missing : buf;
}

void SetWinIniSetting(const wchar_t* key, const wchar_t* value) { WriteProfileStringW(L"Dictionary", key, value); }
