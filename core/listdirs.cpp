#include "core/listdirs.h"
#include "core/codepage.h"
#include "core/textfold.h"
#include "core/uistrings.h"
#include <windows.h>
#include <cwchar>
#include <string>

wchar_t currentListName[kListNameChars];
int currentListId = kFirstListId;
int numberOfLists;

// A list is a subdirectory of the lists root whose name does not begin with
// "." (which also leaves out "." and "..") and fits a list name.
static bool IsListEntry(const WIN32_FIND_DATAW& fd)
{
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != L'.' &&
           wcslen(fd.cFileName) < static_cast<size_t>(kListNameChars);
}

// Calls visit(name) for every list in enumeration order until it returns true.
template <typename Visit>
static void ForEachList(Visit visit)
{
    std::wstring pattern = std::wstring(Str(Txt_PathNameList)) + L"\\*.*";
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (IsListEntry(fd) && visit(fd.cFileName))
            break;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

int CountLists()
{
    int n = 0;
    ForEachList([&](const wchar_t*) {
        ++n;
        return false;
    });
    numberOfLists = n;
    return n;
}

int ChooseFirstList()
{
    int id = 0;
    ForEachList([&](const wchar_t* name) {
        wcscpy(currentListName, name);  // IsListEntry checked that it fits
        currentListId = id = kFirstListId;
        return true;
    });
    return id;
}

int ListExists()
{
    if (!currentListName[0])
        return 0;
    int found = 0;
    ForEachList([&](const wchar_t* name) {
        found = EqualFoldAZ(name, currentListName) ? 1 : 0;
        return found == 1;
    });
    return found;
}

void CreateListDirectory()
{
    if (!currentListName[0])
        return;
    // A fresh installation may lack the root; without it no list could open.
    std::wstring root = Str(Txt_PathNameList);
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW((root + L"\\" + currentListName).c_str(), nullptr);
}

bool IsValidListName(const wchar_t* name, int codePage)
{
    size_t len = name ? wcslen(name) : 0;
    if (len == 0 || len > static_cast<size_t>(kListNameChars - 1))
        return false;
    // Checked after the round trip through the code page: a character it lacks
    // comes back as "?", and a best-fit stand-in as what it stands for. The
    // wide form is checked so a trail byte of a double-byte character that
    // happens to equal "\" is not taken for one.
    std::wstring narrowed = ToWideShared(ToNarrowShared(name, codePage), codePage);
    if (narrowed.empty())
        return false;
    return narrowed.find_first_of(L"/\\<>|.\"*?:") == std::wstring::npos &&
           wcspbrk(name, L"/\\<>|.\"*?:") == nullptr;
}
