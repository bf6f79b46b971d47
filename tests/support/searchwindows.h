// The search window opened as the user opens it, on a word book of numbered words.
#pragma once
#include "tests/support/install.h"
#include <windows.h>

// A sorted French word book's words: "mot000" ... translated "word000" ...
WordPairs NumberedWords(int n);
// Opens the search window from the main window (started if it isn't) with a
// row count and layout as stored in the settings; null if none opened.
HWND OpenSearchWindow(int rows = 10, int minimal = 0);
// The key pressed in the field with Ctrl held, as the keyboard sends it.
void PressCtrlKey(HWND field, UINT key);
