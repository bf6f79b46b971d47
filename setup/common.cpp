#include "setup/setup.h"
#include "core/codepage.h"
#include "core/report.h"
#include <cstring>

int g_titleY = 100;
int g_barY = 155;
int g_textY = 170;
bool g_detailedDisplay = true;

HWND g_setupWindow = nullptr;
HFONT g_titleFont = nullptr;
HFONT g_smallFont = nullptr;
std::wstring g_startDir;
std::wstring g_targetDir;
int g_installerCharset = 0;
int g_mainCodePage = 1252;
int g_interfaceCodePage = 1252;
bool g_unattended = false;
ScriptResults g_script;

void SetupFatal(const wchar_t* text)
{
    if (g_setupWindow)
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    FatalMessage(g_setupWindow, text, L"Error", MB_OK | MB_ICONERROR, 1);
}

void SetupWarning(const wchar_t* text, const wchar_t* caption)
{
    ShowMessage(g_setupWindow, text, caption, MB_OK | MB_ICONWARNING);
}

void UnattendedNote(const std::wstring& text)
{
    if (g_unattended)
        WriteStandardError(text);
}

static bool WriteToHandle(HANDLE h, const std::wstring& line)
{
    if (!h || h == INVALID_HANDLE_VALUE)
        return false;
    DWORD mode, written;
    if (GetConsoleMode(h, &mode))
        return WriteConsoleW(h, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr) != 0;
    // Files and pipes get UTF-8, readable whatever the system's code page is.
    int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), n, nullptr, nullptr);
    return WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0;
}

void WriteStandardError(const std::wstring& text)
{
    std::wstring line = text + L"\r\n";
    // A redirected (or inherited) standard error first; a GUI program started
    // from a console has none, so it borrows the console of its parent.
    if (WriteToHandle(GetStdHandle(STD_ERROR_HANDLE), line))
        return;
    static HANDLE console = INVALID_HANDLE_VALUE;
    if (console == INVALID_HANDLE_VALUE && AttachConsole(ATTACH_PARENT_PROCESS))
        console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    WriteToHandle(console, line);
}

static int BoxToStandardError(HWND, const wchar_t* text, const wchar_t* caption, UINT)
{
    WriteStandardError(std::wstring(caption ? caption : L"") + L": " + (text ? text : L""));
    return IDOK;
}

void UseStandardErrorForMessages() { SetReportHooks({BoxToStandardError, nullptr}); }

std::wstring WideFrom8(const std::string& text, int codePage)
{
    std::vector<wchar_t> buf(text.size() + 1);
    ToWide(text.c_str(), buf.data(), codePage);
    return buf.data();
}

std::string EightFrom(const std::wstring& text, int codePage)
{
    std::vector<char> buf(2 * text.size() + 1);
    ToNarrow(text.c_str(), buf.data(), codePage);
    return buf.data();
}

bool ReadTextLine(FILE* f, std::string& line)
{
    line.clear();
    char piece[100];
    bool any = false;
    while (fgets(piece, sizeof piece, f)) {
        any = true;
        size_t n = strlen(piece);
        line.append(piece, n);
        if (n && piece[n - 1] == '\n')
            break;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return any;
}

static char FoldAZ(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualFoldAZ(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAZ(a[i]) != FoldAZ(b[i]))
            return false;
    return true;
}

std::wstring WithBackslash(const std::wstring& dir)
{
    if (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/'))
        return dir;
    return dir + L"\\";
}
