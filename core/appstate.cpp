#include "core/appstate.h"

HWND g_mainWindow = nullptr;
