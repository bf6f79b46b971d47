#include "entry/addwords.h"

bool ShowAddWindow() { return false; }
