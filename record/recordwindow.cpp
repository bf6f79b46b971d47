#include "record/recordwindow.h"

bool ShowRecordWindow() { return false; }
