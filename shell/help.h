// The help file named by the strings, opened at its contents or at a keyword.
#pragma once
#include <windows.h>
#include <string>

void OpenHelpContents(HWND owner);
void OpenHelpKeyword(HWND owner, const wchar_t* keyword);
// Closes every help window the program opened (at exit).
void CloseHelp();
// The page the index (.hhk text, code page 1252) gives for a keyword ("" when none).
std::wstring PageForKeyword(const std::string& hhk, const wchar_t* keyword);
