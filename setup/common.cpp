#include "setup/setup.h"
#include "core/codepage.h"
#include "core/report.h"
#include "core/uistrings.h"
#include <strsafe.h>
#include <cstring>
#include <cwctype>

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
InstallOutcome g_outcome;

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

std::wstring WithBackslash(const std::wstring& dir)
{
    if (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/'))
        return dir;
    return dir + L"\\";
}

std::wstring NotWritableText(const std::wstring& dir, DWORD error)
{
    return FillIn(Str(Txt_Install_NotWritable), {dir, SystemErrorText(error)});
}

void NoteFailure(const std::wstring& path, DWORD error)
{
    g_outcome.failures.push_back(path + L": " + SystemErrorText(error));
}

std::vector<std::wstring> OutcomeLines()
{
    std::vector<std::wstring> lines;
    if (!g_outcome.failures.empty()) {
        lines.push_back(Str(Txt_Install_Failed));
        lines.insert(lines.end(), g_outcome.failures.begin(), g_outcome.failures.end());
    }
    if (!g_outcome.backupDir.empty())
        lines.push_back(std::wstring(Str(Txt_Install_Kept)) + L" " + g_outcome.backupDir);
    return lines;
}

bool MakeDirectory(const std::wstring& dir)
{
    if (CreateDirectoryW(dir.c_str(), nullptr))
        return true;
    DWORD error = GetLastError();
    DWORD attributes = GetFileAttributesW(dir.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    NoteFailure(dir, error);
    return false;
}

void NoteWrittenFile(const std::wstring& path)
{
    std::wstring full = FullPath(path);
    if (!full.empty())
        g_outcome.written.push_back(full);
}

// The directory part with its backslash, or empty.
static std::wstring FolderOf(const std::wstring& fullPath)
{
    size_t slash = fullPath.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : fullPath.substr(0, slash + 1);
}

bool InWordBookFolder(const std::wstring& path)
{
    std::wstring folder = FullPath(WithBackslash(WithBackslash(g_targetDir) + Str(Txt_PathLanguage)));
    std::wstring full = FullPath(path);
    return !folder.empty() && !full.empty() && EqualFoldAZ(FolderOf(full), WithBackslash(folder));
}

// False when the files differ or either can't be read.
static bool SameContents(const std::wstring& a, const std::wstring& b)
{
    UniqueFile fa(_wfopen(a.c_str(), L"rb"));
    UniqueFile fb(_wfopen(b.c_str(), L"rb"));
    if (!fa || !fb)
        return false;
    std::vector<char> ba(65536), bb(65536);
    for (;;) {
        size_t na = fread(ba.data(), 1, ba.size(), fa.get());
        size_t nb = fread(bb.data(), 1, bb.size(), fb.get());
        if (na != nb || memcmp(ba.data(), bb.data(), na) != 0)
            return false;
        if (na < ba.size())
            return !ferror(fa.get()) && !ferror(fb.get());
    }
}

bool KeepReplacedWordBook(const std::wstring& path, const std::wstring& replacement)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;   // nothing there to lose
    if (GetFileAttributesW(replacement.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;   // nothing will replace it
    if (SameContents(path, replacement))
        return true;
    std::wstring full = FullPath(path);
    if (full.empty()) {
        NoteFailure(path, GetLastError());
        return false;
    }
    std::wstring folder = FolderOf(full) + L"backup";
    if (!MakeDirectory(folder))
        return false;
    if (g_outcome.backupStamp.empty()) {
        SYSTEMTIME t;
        GetLocalTime(&t);
        wchar_t stamp[32];
        StringCchPrintfW(stamp, 32, L"%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                         t.wSecond);
        g_outcome.backupStamp = stamp;
    }
    // The same book replaced twice in one run keeps both of its old versions.
    std::wstring base = folder + L"\\" + full.substr(FolderOf(full).size()) + L"." + g_outcome.backupStamp;
    std::wstring copy = base;
    for (int n = 2; !CopyFileW(full.c_str(), copy.c_str(), TRUE); ++n) {
        DWORD error = GetLastError();
        if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || n > 99) {
            NoteFailure(copy, error);
            return false;
        }
        copy = base + L"-" + std::to_wstring(n);
    }
    g_outcome.backupDir = folder;
    return true;
}
