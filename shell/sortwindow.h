// Sorting a word book with a small progress window.
#pragma once
#include <windows.h>

struct LanguagePair;
struct WordBook;
struct Collation;

// Sorts the book of the pair (its names head the progress window); 0 or -1,
// and on failure the SortFailed warning has been shown.
int SortWordBook(WordBook* book, const Collation& collation, const LanguagePair* pair);
// The current pair's word book.
int SortCurrentWordBook();

// Set by the add-words window before it closes.
struct SortAfterAddingFlags {
    bool currentGotWords;
    bool mirroredGotWords;
    const LanguagePair* mirroredPair;
};
extern SortAfterAddingFlags g_sortAfterAdding;
// Sorts the books that got words; the current pair stays current throughout.
void SortAfterAdding();

// Called after each progress line is drawn (lets tests see the window at work).
extern void (*g_sortProgressDrawn)(HWND progressWindow);
