// Fonts at a fixed 96 dots per inch, so layouts don't move with the screen's setting.
#pragma once
#include <windows.h>

// 500 names the south-European face. 600..699 name the foreign fonts of the
// strings file; without foreignFaces (the installer, which knows none) such a
// number is passed on as the character set.
HFONT MakeFont(int points, int weight, const wchar_t* face, int charset, bool foreignFaces = true);
// -(points * 96 / 72) rounded to the nearest integer.
int FontHeightForPoints(int points);
