// Fonts sized for a window's dots per inch (kit/dpi.h): at 96 dpi the design's sizes.
#pragma once
#include <windows.h>

// 500 names the south-European face. 600..699 name the foreign fonts of the
// strings file; without foreignFaces (the installer, which knows none) such a
// number is passed on as the character set.
HFONT MakeFont(int points, int weight, const wchar_t* face, int charset, bool foreignFaces = true, int dpi = 96);
// -(points * dpi / 72) rounded to the nearest integer.
int FontHeightForPoints(int points, int dpi = 96);
