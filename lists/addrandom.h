// The small window that asks how many random words the list maker adds.
#pragma once
#include <windows.h>

enum AddRandomControl {
    ArCancel = 14,
    ArOk = 18,
    ArReplace = 19,
    ArCount = 30,
};

// Opens the window, or brings it forward when it is open already.
void OpenAddRandom(HWND listMaker);
// Closes it without handing the focus back (the list maker is going).
void CloseAddRandom();
