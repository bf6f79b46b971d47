// A window of the program opened as the user opens it, from the main window,
// and checks of its layout at a scale.
#pragma once
#include <windows.h>
#include <vector>

// Starts the program on the installation in the current directory unless it
// runs, shows its main window and gives it the command; the window of the
// class that the command opened, or null.
HWND OpenFromMainWindow(int command, const wchar_t* windowClass);
// Destroys the window (when open) and the main window, and handles what they
// leave in the queue.
void CloseProgram(HWND window);
// The window is width x height pixels, or as large as the system lets a
// window be on the screen (a scaled window may be larger than the test's screen).
void ExpectWindowSize(HWND hwnd, int width, int height, const char* what);

// A child, in creation order: its design rectangle (height 0: a combobox,
// whose closed height is its font's) and its font's points (0: the interface
// font's, -1: none); the text it shows fits it.
struct DesignChild {
    int x, y, w, h;
    int points;
    const char* what;
};
void ExpectLaidOut(HWND window, const std::vector<DesignChild>& children, int dpi);
