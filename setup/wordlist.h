// The word-list builder: turns a delivered word book (foreign -> main language)
// into its sorted reverse word book (main -> foreign).
#pragma once
#include <string>

// What the builder draws while it works; the installer window provides these,
// tests and benchmarks may leave them null.
struct WordListProgress {
    void (*bar)(int fillRight, const wchar_t* label);   // fillRight 0 = no fill
    void (*step)(const wchar_t* text, int boxRight);    // a detailed-display step text
    void (*done)();                                     // "Done" after the step, next line
    void (*counter)(long value);                        // the counter box
};

struct WordListJob {
    std::wstring inputPath;    // delivered word book
    std::wstring outputPath;   // reverse word book to write
    std::wstring tempPath;     // scratch file of the inversion
    std::wstring tablePath;    // main language's collation table (may not exist)
    int foreignCodePage;
    int mainCodePage;
    // Called with the old output and its finished replacement just before the
    // one replaces the other; false stops the build with the old output kept.
    bool (*keepOld)(const std::wstring& oldPath, const std::wstring& newPath) = nullptr;
};

// Runs the whole build; returns true, or false with the fatal message in *error.
// The output appears under its name only when complete. The caller owns the
// window state around it: the wait cursor, and the next bar 50 pixels lower.
bool BuildWordList(const WordListJob& job, const WordListProgress& progress, std::wstring* error);

// Tests: order the words with the comparison alone, never with sort keys.
extern bool g_wordListCompareSortOnly;
