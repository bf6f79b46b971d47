// Typed answers with a score over the current practice list (window class "leren2").
#pragma once
#include <windows.h>

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
    TypedSoundOn = 66,
    TypedSoundOff = 67,
};

// Creates and shows the window; false when it can't be made.
bool OpenScoredPractice();
