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

std::wstring SystemErrorText(unsigned long error)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason = text ? text : L"";
    if (text)
        LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' '))
        reason.pop_back();
    if (!reason.empty() && reason.back() == L'.')
        reason.pop_back();
    return reason.empty() ? std::to_wstring(error) : reason;
}

std::wstring FillIn(std::wstring text, const std::vector<std::wstring>& parts)
{
    size_t at = 0;
    for (const std::wstring& part : parts) {
        at = text.find(L"%s", at);
        if (at == std::wstring::npos)
            break;
        text.replace(at, 2, part);
        at += part.size();
    }
    return text;
}
