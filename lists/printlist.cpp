#include "lists/printlist.h"

void PrintList(HWND) {}
