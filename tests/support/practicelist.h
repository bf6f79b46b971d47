// The program started over a practice list, as the practice windows' tests need it.
#pragma once
#include "tests/support/install.h"

// The program (in a small installation) with the list "words" of the current
// pair holding these records, none practised yet, and its main window shown.
// Fails the test when the program doesn't start.
void StartWithPracticeList(const WordPairs& list);
// The next new-list dialog, whoever opens it, gets this name and OK
// (answered from inside its modal loop).
void NameNextNewList(const std::wstring& name);
