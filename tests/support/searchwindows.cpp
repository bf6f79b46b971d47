#include "tests/support/searchwindows.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "tests/support/programwindow.h"

WordPairs NumberedWords(int n)
{
    WordPairs words;
    for (int i = 0; i < n; ++i) {
        wchar_t w[16], t[16];
        swprintf(w, 16, L"mot%03d", i);
        swprintf(t, 16, L"word%03d", i);
        words.emplace_back(w, t);
    }
    return words;
}

HWND OpenSearchWindow(int rows, int minimal)
{
    // Starting reads the stored settings: the size goes in after.
    if (!g_mainWindow) {
        g_instance = GetModuleHandleW(nullptr);
        if (!StartWordbook(""))
            return nullptr;
    }
    g_settings.searchWindowSize = rows;
    g_settings.searchWindowMinimal = minimal;
    return OpenFromMainWindow(CmdSearch, L"zoeken");
}

void PressCtrlKey(HWND field, UINT key)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(field, WM_KEYDOWN, key, 1);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}
