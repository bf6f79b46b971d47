#include "core/listdirs.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/textfold.h"
#include "core/uistrings.h"
#include <windows.h>
#include <cwchar>

// A list is a subdirectory of the lists root whose name does not begin with
// "." (which also leaves out "." and "..") and fits a list name.
static bool IsListEntry(const WIN32_FIND_DATAW& fd)
{
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != L'.' &&
           wcslen(fd.cFileName) < static_cast<size_t>(kListNameChars);
}

// Calls visit(name) for every list in enumeration order until it returns
// true; false when the root can't be enumerated.
template <typename Visit>
static bool ForEachList(Visit visit)
{
    std::wstring pattern = std::wstring(Str(Txt_PathNameList)) + L"\\*.*";
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    do {
        if (IsListEntry(fd) && visit(fd.cFileName))
            break;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return true;
}

int CountLists()
{
    int n = 0;
    ForEachList([&](const wchar_t*) {
        ++n;
        return false;
    });
    return n;
}

std::wstring FirstListName()
{
    std::wstring first;
    ForEachList([&](const wchar_t* name) {
        first = name;
        return true;
    });
    return first;
}

bool ListExists(const wchar_t* name) { return !StoredListName(name).empty(); }

std::wstring StoredListName(const wchar_t* name)
{
    std::wstring stored;
    if (!name || !name[0])
        return stored;
    ForEachList([&](const wchar_t* entry) {
        if (EqualFoldAZ(entry, name))
            stored = entry;
        return !stored.empty();
    });
    return stored;
}

bool ListNames(std::vector<std::wstring>* names)
{
    names->clear();
    return ForEachList([&](const wchar_t* entry) {
        names->push_back(entry);
        return false;
    });
}

// The system's code of the call that just failed.
static DWORD LastError()
{
    DWORD error = GetLastError();
    return error ? error : ERROR_GEN_FAILURE;
}

bool CreateListDirectory(const wchar_t* name, unsigned long* error)
{
    DWORD failure = ERROR_INVALID_NAME;
    if (name && name[0]) {
        // A fresh installation may lack the root; without it no list could open.
        std::wstring root = Str(Txt_PathNameList), dir = root + L"\\" + name;
        DWORD attributes = GetFileAttributesW(dir.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES)
            failure = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS;
        else if (GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES && !MakeDirectory(root.c_str()))
            failure = LastError();
        else
            failure = MakeDirectory(dir.c_str()) ? ERROR_SUCCESS : LastError();
    }
    if (error)
        *error = failure;
    return failure == ERROR_SUCCESS;
}

bool IsDeviceName(const std::wstring& name)
{
    static const wchar_t* const kDevices[] = {L"con", L"prn", L"aux", L"nul"};
    for (const wchar_t* d : kDevices)
        if (EqualFoldAZ(name.c_str(), d))
            return true;
    if (name.size() == 4 && name[3] >= L'1' && name[3] <= L'9')
        return EqualFoldAZ(name.substr(0, 3), std::wstring(L"com")) || EqualFoldAZ(name.substr(0, 3), std::wstring(L"lpt"));
    return false;
}

ListNameCheck CheckListName(const wchar_t* name, int codePage)
{
    size_t len = name ? wcslen(name) : 0;
    if (len == 0 || len > static_cast<size_t>(kListNameChars - 1))
        return ListNameCheck::Empty;
    // Checked after the round trip through the code page: a character it lacks
    // comes back as "?", and a best-fit stand-in as what it stands for. The
    // wide form is checked so a trail byte of a double-byte character that
    // happens to equal "\" is not taken for one.
    std::wstring narrowed = WidenText(NarrowText(name, codePage), codePage);
    if (narrowed.empty())
        return ListNameCheck::Empty;
    if (narrowed.find_first_of(L"/\\<>|.\"*?:") != std::wstring::npos || wcspbrk(name, L"/\\<>|.\"*?:"))
        return ListNameCheck::BadCharacter;
    // Windows drops trailing blanks from directory names: the list would
    // not be found again under the name it was made with.
    if (narrowed.back() == L' ' || name[len - 1] == L' ')
        return ListNameCheck::TrailingBlank;
    if (IsDeviceName(narrowed))
        return ListNameCheck::ReservedName;
    return ListNameCheck::Ok;
}

const wchar_t* ListNameMessage(ListNameCheck check)
{
    switch (check) {
    case ListNameCheck::Ok: return L"";
    case ListNameCheck::TrailingBlank: return Str(Txt_CreateListNameBlank);
    case ListNameCheck::ReservedName: return Str(Txt_CreateListNameReserved);
    default: return Str(Txt_CreateListNotAllowed);
    }
}
