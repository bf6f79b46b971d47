// Practice-list directories below the lists root, and the current list.
#pragma once

constexpr int kListNameChars = 149;
constexpr int kFirstListId = 800;

extern wchar_t currentListName[kListNameChars];
extern int currentListId;
extern int numberOfLists;

int CountLists();
int ChooseFirstList();
int ListExists();
void CreateListDirectory();
// True when the name is 1 to 148 characters and none of / \ < > | . " * ? :
// once converted with the code page.
bool IsValidListName(const wchar_t* name, int codePage);
