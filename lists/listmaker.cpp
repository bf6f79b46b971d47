#include "lists/listmaker.h"

bool ShowListMaker() { return false; }
