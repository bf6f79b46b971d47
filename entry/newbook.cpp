#include "entry/newbook.h"

bool ShowNewBookWindow() { return false; }
