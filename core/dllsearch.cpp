#include "core/dllsearch.h"
#include <string>

void RestrictDllSearch()
{
    // Windows 7 has it only with update KB2533623: looked up, not imported.
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    auto setDirectories = reinterpret_cast<SetDirectories>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (!setDirectories || !setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");  // at least not the current directory
}

HMODULE LoadSystemLibrary(const wchar_t* name)
{
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    // A system without the flag: the file by its full path, and its own
    // imports looked for beside it rather than beside the program.
    wchar_t folder[MAX_PATH];
    UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (!n || n >= MAX_PATH)
        return nullptr;
    return LoadLibraryExW((std::wstring(folder) + L"\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
