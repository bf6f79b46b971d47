// Saves what a window shows, for people to look at (build/screenshots/NAME.bmp).
#pragma once
#include <windows.h>
#include <string>

void SaveScreenshot(HWND hwnd, const std::wstring& name);
// What the screen shows in an area (several windows at once).
void SaveScreenshot(const RECT& area, const std::wstring& name);
// Handles every message waiting for this thread.
void PumpMessages(DWORD forMilliseconds = 0);
