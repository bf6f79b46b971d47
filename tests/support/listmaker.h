// The program started over a word book and a list, as the list windows' tests need it.
#pragma once
#include "tests/support/install.h"
#include <windows.h>

// The program (in a small installation) on this French word book, the list
// "words" current and holding these records (deletion marks in flags), its
// main window shown. Fails the test when the program doesn't start.
void StartWithBookAndList(const WordPairs& book, const WordPairs& list, const std::vector<int>& flags = {});
// The list maker opened as the user does, by the main window's command; null
// when none opened.
HWND OpenListMaker();
