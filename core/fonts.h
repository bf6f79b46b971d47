// Fonts at a fixed 96 dots per inch, so layouts don't move with the screen's setting.
#pragma once
#include <windows.h>

// 600..699 name the foreign fonts of the strings file, 500 the south-European face.
HFONT MakeFont(int points, int weight, const wchar_t* face, int charset);
// The installer's variant: it knows no foreign fonts and passes 600+ on as the charset.
HFONT MakeSetupFont(int points, int weight, const wchar_t* face, int charset);
// -(points * 96 / 72) rounded to the nearest integer.
int FontHeightForPoints(int points);
