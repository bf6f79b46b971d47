// Small readers shared by the installer's tests.
#pragma once
#include <windows.h>
#include <string>

// [Dictionary] key of a profile file, or of win.ini without a file; "<none>" when missing.
inline std::wstring DictionaryKey(const wchar_t* key, const std::wstring& file = L"")
{
    wchar_t buf[400];
    if (file.empty())
        GetProfileStringW(L"Dictionary", key, L"<none>", buf, 400);
    else
        GetPrivateProfileStringW(L"Dictionary", key, L"<none>", buf, 400, file.c_str());
    return buf;
}
