// Sorting the open word book with a small progress window.
#pragma once
#include <windows.h>

// Returns 0 or -1; on failure the SortFailed warning has been shown.
int SortWordBook();

// Set by the add-words window before it closes.
struct SortAfterAddingFlags {
    bool currentGotWords;
    bool mirroredGotWords;
    struct LanguagePair* mirroredPair;
};
extern SortAfterAddingFlags g_sortAfterAdding;
void SortAfterAdding();

// Called after each progress line is drawn (lets tests see the window at work).
extern void (*g_sortProgressDrawn)(HWND progressWindow);
