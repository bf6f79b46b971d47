// The list maker: composes the current practice list from the word book.
#pragma once
#include <windows.h>

// Child window and menu ids.
enum ListMakerControl {
    LmDone = 14,
    LmAddAll = 15,
    LmRemoveAll = 16,
    LmAddRandom = 17,
    LmPrint = 23,
    LmSearch = 30,
    LmListBar = 41,
    LmBookBar = 42,
    LmNewList = 59,
    LmDeleteList = 60,
    LmListRow = 500,  // + row
    LmBookRow = 550,  // + row; both cells of a word-book row carry it
};

// Creates and shows the window; false when it can't be made.
bool ShowListMaker();

// Appends n records drawn at random from the word book to the list, after
// emptying the list when replace is set; failures are said in boxes owned by owner.
void AddRandomWords(int n, bool replace, HWND owner);
