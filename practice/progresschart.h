// The chart of a practice list's finished runs and of its review boxes.
#pragma once
#include <windows.h>

enum ProgressControls {
    ProgressIdDone = 14,
    ProgressIdHelp = 22,
};

// The colours of the two series, and of boxes 1 to 5 (box 1 the lightest).
constexpr COLORREF kProgressErrorColour = RGB(200, 0, 0);
constexpr COLORREF kProgressSkipColour = RGB(0, 0, 160);
constexpr COLORREF kProgressBoxColours[5] = {RGB(255, 255, 255), RGB(200, 235, 200), RGB(140, 205, 140),
                                             RGB(70, 165, 70), RGB(0, 110, 0)};

// Where the runs are plotted in a client area of the size: the first run on
// the left edge, the last on the right, 0% of the words asked on the bottom
// edge and the scale's top (100% while no share goes beyond) on the top edge.
// Pixels of a window at dpi (the design's own pixels at 96).
RECT ProgressRunArea(int clientWidth, int clientHeight, int dpi = 96);

// Creates and shows the window; false when it can't be made (no list: said so).
bool ShowProgressChart();
