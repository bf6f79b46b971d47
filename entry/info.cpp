#include "entry/info.h"

bool ShowInfoWindow() { return false; }
