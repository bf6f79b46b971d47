// The help file named by the strings, opened at its contents or at a keyword.
#pragma once
#include <windows.h>

void OpenHelpContents(HWND owner);
void OpenHelpKeyword(HWND owner, const wchar_t* keyword);
// Closes every help window the program opened (at exit).
void CloseHelp();
