#include "tests/support/process.h"
#include "tests/support/testutil.h"

static HANDLE Launch(const std::wstring& exe, const std::wstring& arguments, const std::wstring& directory,
                     HANDLE errors)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (errors) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        si.hStdError = errors;
    }
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, errors != nullptr, 0, nullptr, directory.c_str(),
                        &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

ProcessRun RunProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& directory,
                      DWORD timeoutMs)
{
    ProcessRun run;
    wchar_t tmp[MAX_PATH], name[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    GetTempFileNameW(tmp, L"err", 0, name);
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.bInheritHandle = TRUE;
    HANDLE err = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    if (HANDLE process = Launch(exe, arguments, directory, err)) {
        if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0)
            TerminateProcess(process, 99);
        GetExitCodeProcess(process, &run.exitCode);
        CloseHandle(process);
    }
    CloseHandle(err);
    run.errors = ReadBytes(name);
    DeleteFileW(name);
    return run;
}

HANDLE StartProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& directory)
{
    return Launch(exe, arguments, directory, nullptr);
}
