// Drawing helpers shared by the windows.
#pragma once
#include <windows.h>

// Light grey, then green one pixel up and left; the caller's rectangle stays moved.
void DrawEngravedText(HDC dc, RECT* rc, const wchar_t* text, UINT format);
