// Printing the current practice list.
#pragma once
#include <windows.h>

// Prints the current list through the print dialog (owner: the list maker).
void PrintList(HWND owner);
