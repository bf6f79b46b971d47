#include "tests/support/filedialog.h"
#include <windows.h>
#include <dlgs.h>

static std::wstring g_path;
static int g_filter;
static bool g_seen;

static BOOL CALLBACK FindFileDialog(HWND hwnd, LPARAM found)
{
    wchar_t cls[16] = L"";
    GetClassNameW(hwnd, cls, 16);
    bool isFileDialog = wcscmp(cls, L"#32770") == 0 && IsWindowVisible(hwnd) && GetDlgItem(hwnd, cmb1);
    if (isFileDialog)
        *reinterpret_cast<HWND*>(found) = hwnd;
    return !isFileDialog;
}

static void CALLBACK AnswerWhenShown(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindFileDialog, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg)
        return;
    KillTimer(nullptr, id);
    g_seen = true;
    if (g_filter > 0) {
        HWND types = GetDlgItem(dlg, cmb1);
        SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(g_filter - 1), 0);
        for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
            SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(cmb1, code), reinterpret_cast<LPARAM>(types));
    }
    SetWindowTextW(GetDlgItem(dlg, GetDlgItem(dlg, cmb13) ? cmb13 : edt1), g_path.c_str());
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
}

bool AnswerFileDialog(const std::function<void()>& command, const std::wstring& path, int filter)
{
    g_path = path;
    g_filter = filter;
    g_seen = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, AnswerWhenShown);
    command();
    KillTimer(nullptr, timer);
    return g_seen;
}
