// System DLLs come from the system folder only: never from the folder a
// program was started from (a downloads folder, a temporary folder) nor from
// the current directory, where anyone may have put a DLL of the same name.
#pragma once
#include <windows.h>

// The first thing each program does: before any call that could load a DLL.
void RestrictDllSearch();

// A system DLL by file name, from the system folder only; null when missing.
HMODULE LoadSystemLibrary(const wchar_t* name);
