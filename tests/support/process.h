// Runs another Windows program of the project and waits for it.
#pragma once
#include <windows.h>
#include <string>

struct ProcessRun {
    DWORD exitCode = 99;
    std::string errors;  // what it wrote to standard error
};

// Starts exe with the command line in directory; returns once it ended or the
// time ran out (then it is killed and the exit code stays 99).
ProcessRun RunProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& directory,
                      DWORD timeoutMs = 300000);

// Starts exe without waiting; the caller waits on and closes the handle.
HANDLE StartProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& directory);
