// The command line of setup, and what it runs: the installer window, an
// unattended installation, the uninstaller.
#include "setup/setup.h"

SetupOptions ParseSetupCommandLine(const wchar_t* commandLine)
{
    SetupOptions options;
    std::wstring line = commandLine ? commandLine : L"";
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && iswspace(line[i]))
            ++i;
        // The rest of the line, spaces and all; quotes around the whole
        // argument or around the directory alone are dropped.
        bool quoted = i < line.size() && line[i] == L'"';
        size_t at = quoted ? i + 1 : i;
        if (_wcsnicmp(line.c_str() + at, L"/D=", 3) == 0) {
            std::wstring dir = line.substr(at + 3);
            while (!dir.empty() && iswspace(dir.back()))
                dir.pop_back();
            if (!dir.empty() && dir.front() == L'"') {
                dir.erase(0, 1);
                quoted = true;
            }
            if (quoted && !dir.empty() && dir.back() == L'"')
                dir.pop_back();
            options.targetDir = dir;
            break;
        }
        size_t start = i;
        while (i < line.size() && !iswspace(line[i]))
            ++i;
        std::wstring word = line.substr(start, i - start);
        unsigned long long* handle = nullptr;
        size_t prefix = 0;
        if (_wcsnicmp(word.c_str(), L"/WAIT=", 6) == 0)
            handle = &options.waitFor, prefix = 6;
        else if (_wcsnicmp(word.c_str(), L"/RESULT=", 8) == 0)
            handle = &options.resultPipe, prefix = 8;
        if (word == L"/S" || word == L"/s")
            options.unattended = true;
        else if (_wcsicmp(word.c_str(), L"/uninstall") == 0)
            options.uninstall = true;
        else if (handle && word.size() > prefix && iswdigit(word[prefix]))
            *handle = wcstoull(word.c_str() + prefix, nullptr, 10);
        else if (options.unknown.empty())
            options.unknown = word;
    }
    return options;
}

int SetupRun(HINSTANCE instance, const wchar_t* commandLine, int showCommand)
{
    SetupOptions options = ParseSetupCommandLine(commandLine);
    if (options.unattended) {
        UseStandardErrorForMessages();
        // A mistyped option must not install somewhere unintended.
        if (!options.unknown.empty())
            SetupFatal((L"Unknown argument: " + options.unknown).c_str());
    }
    if (options.uninstall)
        return UninstallRun(options);
    StartSetup(instance, options, showCommand);
    if (options.unattended) {
        InstallCommand();
        return g_outcome.failures.empty() ? 0 : 1;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
