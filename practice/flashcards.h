// Timed flash cards over the current practice list (window class "leren").
#pragma once
#include <windows.h>

// Child window ids and the timer.
enum FlashCardControl {
    CardQuit = 14,
    CardProgress = 40,
    CardQuestion = 45,
    CardAnswer = 46,
    CardFrame = 47,
    CardSpeed = 50,
};
constexpr UINT_PTR kCardTimer = 43;

// Creates and shows the window; false when it can't be made.
bool OpenPractice();
