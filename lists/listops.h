// Operations on practice lists: the Lists menu, the new-list dialog, deleting
// the current list and the whole-file operations on its file.
#pragma once
#include <windows.h>
#include <string>

constexpr int kListsMenuFirstId = 800;

// The Lists menu of the list maker while it exists (null otherwise).
extern HMENU g_listsMenu;
// Set when the list maker marked or unmarked a record of the list file.
extern bool g_listChanged;

// Builds the Lists menu and puts it second in the window's menu bar.
void BuildListsMenu(HWND window);
// Makes the list of the menu item current and opens its file.
void SelectListFromMenu(HWND window, int id);
// The modal new-list dialog; a new current list name means a list was made.
int NewListDialog(HWND owner);
// Deletes the current list (all its files, for every pair) and chooses the
// first list left; false (with a message) when the list stays.
bool DeleteCurrentList(HWND listMaker);
// The whole-file operations; their failures are said in boxes owned by owner,
// the window whose command ran them, once the files are open again.
// The list becomes a copy of the current word book.
void FillListFromWordBook(HWND owner);
void EmptyList(HWND owner);
// Drops the records marked deleted; the old file stays when the new one can't be written.
void CompactList(HWND owner);
// Called once the updating notice of CompactList is painted (lets tests see it).
extern void (*g_updatingShown)(HWND notice);

// ---- one record into the list ----

// Appends the current record to the current list file as it stands (deletion
// mark included), its schedule kept one entry per record so that the new one
// starts in box 1, due. "" when it went in, else why not.
std::wstring AppendToCurrentList();

// Adding a word from the windows where it was met: Ctrl with this key, and
// the menu item's text naming it.
constexpr UINT kAddToListKey = 'L';
std::wstring AddToListItemText();
// Adds word-book record index to the current list unless a live record there
// has its word (A to Z folded); with no list yet, offers to make one. Failures
// are also said in a box owned by owner. Returns the line to show the user.
std::wstring AddBookRecordToList(HWND owner, int index);
// The same for the record whose word compares equal to word, as the lookup finds it.
std::wstring AddWordToList(HWND owner, const std::wstring& word);
