#include "practice/progresschart.h"

bool ShowProgressChart() { return false; }
