#pragma once
#include <windows.h>

// The modal about box with its looping animation.
void ShowAboutBox(HWND owner);
