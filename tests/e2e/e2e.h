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

// A shown window of the class (owned by owner, when one is given), of this
// process or another; null when none shows within 20 seconds.
inline HWND WaitForVisible(const wchar_t* className, HWND owner = nullptr)
{
    for (int i = 0; i < 200; ++i) {
        for (HWND w = FindWindowW(className, nullptr); w; w = FindWindowExW(nullptr, w, className, nullptr))
            if (IsWindowVisible(w) && (!owner || GetWindow(w, GW_OWNER) == owner))
                return w;
        Sleep(100);
    }
    return nullptr;
}

inline bool WaitUntilShown(HWND window)
{
    for (int i = 0; i < 300 && !IsWindowVisible(window); ++i)
        Sleep(100);
    return IsWindowVisible(window);
}

// Another process's button, clicked as its window gets it.
inline void Click(HWND window, int id)
{
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}
