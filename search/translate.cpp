#include "search/translate.h"

bool ShowTranslateWindow() { return false; }
