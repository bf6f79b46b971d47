// Installing a built delivery medium, as a user's administrator would.
#pragma once
#include "tests/support/process.h"
#include "tests/support/testutil.h"
#include <shlobj.h>
#include <string>

inline std::wstring MediumPath(const wchar_t* language) { return BuildPath(std::wstring(L"medium/") + language); }

inline ProcessRun InstallMedium(const wchar_t* language, const std::wstring& target)
{
    std::wstring medium = MediumPath(language);
    return RunProgram(medium + L"\\setup.exe", L"/S /D=" + target, medium);
}

inline std::string WithoutCr(std::string text)
{
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

inline std::wstring ProgramsFolder()
{
    wchar_t path[MAX_PATH] = L"";
    SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAMS, FALSE);
    return path;
}
