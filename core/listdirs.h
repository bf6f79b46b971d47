// Practice-list directories below the lists root: one directory per list.
#pragma once
#include <string>

constexpr int kListNameChars = 149;
constexpr int kFirstListId = 800;

int CountLists();
// The first list in the root's order ("" when there is none).
std::wstring FirstListName();
// True when a list of that name (folding A to Z) exists.
bool ListExists(const wchar_t* name);
void CreateListDirectory(const wchar_t* name);

enum class ListNameCheck { Ok, Empty, BadCharacter, TrailingBlank, ReservedName };
// A name is 1 to 148 characters without any of / \ < > | . " * ? : once
// converted with the code page, does not end in a blank, and is no name
// Windows keeps for a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9).
ListNameCheck CheckListName(const wchar_t* name, int codePage);
inline bool IsValidListName(const wchar_t* name, int codePage) { return CheckListName(name, codePage) == ListNameCheck::Ok; }
// The message that explains a refusal.
const wchar_t* ListNameMessage(ListNameCheck check);
