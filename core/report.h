// The one way the programs show message boxes and end on fatal errors, so that
// tests (and unattended installs) can observe both without a box or an exit.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

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

// The system's words for an error code, without line end or closing full
// stop, to go inside a sentence; the number when the system has none.
std::wstring SystemErrorText(unsigned long error);
// text with each "%s" taken, in order, by the next of parts: a translated
// text is no format to hand to printf.
std::wstring FillIn(std::wstring text, const std::vector<std::wstring>& parts);
