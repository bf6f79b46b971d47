// Typed answers with a score over the current practice list (window class "leren2").
#pragma once
#include <windows.h>
#include <string>

// Child window and menu ids.
enum TypedPracticeControl {
    TypedPickerShow = 6,
    TypedPickerHide = 7,
    TypedQuit = 14,
    TypedShow = 27,
    TypedAnswer = 30,
    TypedProgress = 40,
    TypedQuestion = 45,
    TypedFrame = 47,
    TypedCurrentLabel = 51,
    TypedCurrentScore = 52,
    TypedBestLabel = 53,
    TypedBestScore = 54,
    TypedSoundOn = 66,
    TypedSoundOff = 67,
};

// Longest answer the field takes.
constexpr int kAnswerChars = 99;

enum class AnswerVerdict {
    None,   // nothing but commas and spaces: the field is cleared, nothing counts
    Wrong,
    Right,
};

// Judges a typed text against a card's translation list. Only the text before
// the first comma counts (leading commas skipped); it is right when it equals
// one of the translation's comma-separated parts. Both sides lose their outer
// spaces (U+0020 only) and compare with A-Z folded, no other case.
AnswerVerdict JudgeAnswer(const std::wstring& typed, const std::wstring& translation);

// Creates and shows the window; false when it can't be made.
bool OpenScoredPractice();
// The same window over the list's records due for review today; when none
// is due it says when the next one is, and no window is made (false).
bool OpenReviewPractice();
