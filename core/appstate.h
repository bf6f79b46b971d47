// State of the running program that the core needs without knowing any window.
#pragma once
#include <windows.h>

// The main window: owner of the core's warning boxes (null until it exists).
extern HWND g_mainWindow;
