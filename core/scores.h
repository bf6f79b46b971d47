// The best score of a practice list and direction: a small text file beside
// the list file, two lines (skips, then errors), replaced only by a better run.
#pragma once
#include <string>

struct Score {
    long skips = -1;   // -1: no score
    long errors = -1;
    bool known() const { return skips != -1; }
};

// The list file's path with ".score" in place of its ".ls".
std::wstring ScorePath(const std::wstring& listPath);
// The stored score; false (and no score) when the file can't be read, has
// fewer than two lines or a count below zero.
bool ReadScore(const std::wstring& path, Score* best);
// Fewer skips is better; with equal skips, fewer errors. Anything beats no score.
bool IsBetterScore(const Score& run, const Score& best);
// Writes the score through a temporary file that replaces the old one, so a
// failed write keeps the old score; false on failure.
bool WriteScore(const std::wstring& path, const Score& run);
