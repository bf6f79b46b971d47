// The one way the programs show message boxes and end on fatal errors, so that
// tests (and unattended installs) can observe both without a box or an exit.
#pragma once
#include <windows.h>

// Shows a message box through the current hook; returns the button id (IDOK...).
int ShowMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// Shows the box, then ends the process with the code through the current hook.
[[noreturn]] void FatalMessage(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, int exitCode);

struct ReportHooks {
    // Replaces MessageBoxW; null means the real box.
    int (*messageBox)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
    // Replaces ExitProcess for fatal errors; must not return (a test throws).
    void (*fatalExit)(int exitCode);
};

// Installs hooks; pass {} to restore the real box and exit.
void SetReportHooks(const ReportHooks& hooks);

// Ends the process with the code, without a box (through the exit hook).
[[noreturn]] void QuitProcess(int exitCode);
