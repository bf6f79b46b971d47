#include "lists/listops.h"

HMENU g_listsMenu;
bool g_listChanged;

void BuildListsMenu(HWND) {}
void SelectListFromMenu(HWND, int) {}
int NewListDialog(HWND) { return 0; }
void DeleteCurrentList(HWND) {}
void FillListFromWordBook() {}
void EmptyList() {}
void CompactList() {}
