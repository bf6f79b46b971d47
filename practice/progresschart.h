// The chart of a practice list's finished runs and of its review boxes.
#pragma once
#include <windows.h>

// Creates and shows the window; false when it can't be made (no list: said so).
bool ShowProgressChart();
