// The program's shortcut in the Start menu, made through the shell's link object.
#include "setup/setup.h"
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

static HRESULT CreateShortcut(const wchar_t* program, const wchar_t* linkPath, const wchar_t* workDir, const wchar_t* arguments)
{
    IShellLinkW* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (FAILED(hr))
        return hr;
    link->SetPath(program);
    link->SetArguments(arguments);
    link->SetWorkingDirectory(workDir);
    IPersistFile* file = nullptr;
    hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) {
        hr = file->Save(linkPath, TRUE);
        file->Release();
    }
    link->Release();
    return hr;
}

static std::wstring ProgramsFolder()
{
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(g_setupWindow, CSIDL_PROGRAMS, &list)))
        return L"";
    wchar_t path[MAX_PATH] = L"";
    BOOL ok = SHGetPathFromIDListW(list, path);
    CoTaskMemFree(list);
    return ok ? path : L"";
}

void MakeProgramShortcut()
{
    if (!g_script.wantShortcut)
        return;
    std::wstring folder = ProgramsFolder();
    if (folder.empty()) {
        NoteFailure(g_script.iconName + L".lnk", ERROR_PATH_NOT_FOUND);
        return;
    }
    if (!g_script.iconGroup.empty()) {
        // The group's folder when it can be made, else the Programs folder itself.
        std::wstring group = WithBackslash(folder) + g_script.iconGroup;
        CreateDirectoryW(group.c_str(), nullptr);
        DWORD attributes = GetFileAttributesW(group.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            folder = group;
    }
    std::wstring link = WithBackslash(folder) + g_script.iconName + L".lnk";
    std::wstring program = WithBackslash(g_targetDir) + g_script.iconExe;
    HRESULT hr = CreateShortcut(program.c_str(), link.c_str(), g_targetDir.c_str(), g_script.wbarg.c_str());
    if (FAILED(hr)) {
        NoteFailure(link, static_cast<DWORD>(hr));
        return;
    }
    g_script.shortcutFolder = folder;
    g_script.shortcutFile = link;
}
