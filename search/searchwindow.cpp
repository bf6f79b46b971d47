#include "search/searchwindow.h"

bool ShowSearchWindow() { return false; }
