#include "core/report.h"

static ReportHooks g_hooks{};

void SetReportHooks(const ReportHooks& hooks) { g_hooks = hooks; }

int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    if (g_hooks.messageBox)
        return g_hooks.messageBox(owner, text, caption, type);
    return MessageBoxW(owner, text, caption, type);
}

void FatalMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, int exitCode)
{
    ShowMessage(owner, text, caption, type);
    if (g_hooks.fatalExit)
        g_hooks.fatalExit(exitCode);
    ExitProcess(static_cast<UINT>(exitCode));
}

void QuitProcess(int exitCode)
{
    if (g_hooks.fatalExit)
        g_hooks.fatalExit(exitCode);
    ExitProcess(static_cast<UINT>(exitCode));
}
