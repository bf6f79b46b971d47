// Practice-list directories below the lists root: one directory per list.
#pragma once
#include <string>
#include <vector>

constexpr int kListNameChars = 149;
constexpr int kFirstListId = 800;

int CountLists();
// The first list in the root's order ("" when there is none).
std::wstring FirstListName();
// True when a list of that name (folding A to Z) exists.
bool ListExists(const wchar_t* name);
// The spelling of that list's directory ("" when there is none).
std::wstring StoredListName(const wchar_t* name);
// The lists in the root's order; false when the root can't be enumerated.
bool ListNames(std::vector<std::wstring>* names);
// Makes the list's directory (and the lists root) unless it exists; false
// when it is not there afterwards, with the system's reason in *error
// (ERROR_ALREADY_EXISTS: a plain file of that name is in the way).
bool CreateListDirectory(const wchar_t* name, unsigned long* error = nullptr);

// CON, PRN, AUX, NUL, COM1-9, LPT1-9: Windows opens the device, not a file
// or directory, for these names.
bool IsDeviceName(const std::wstring& name);

enum class ListNameCheck { Ok, Empty, BadCharacter, TrailingBlank, ReservedName };
// A name is 1 to 148 characters without any of / \ < > | . " * ? : once
// converted with the code page, does not end in a blank, and is no name
// Windows keeps for a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9).
ListNameCheck CheckListName(const wchar_t* name, int codePage);
inline bool IsValidListName(const wchar_t* name, int codePage) { return CheckListName(name, codePage) == ListNameCheck::Ok; }
// The message that explains a refusal.
const wchar_t* ListNameMessage(ListNameCheck check);
