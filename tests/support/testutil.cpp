#include "tests/support/testutil.h"
#include "core/report.h"
#include <fstream>
#include <sstream>

static std::vector<CapturedMessage> g_captured;
static int g_answer = IDOK;

static BOOL CALLBACK AddIfEnabled(HWND hwnd, LPARAM list)
{
    if (IsWindowEnabled(hwnd))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

static int CaptureBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    std::vector<HWND> enabled;
    EnumThreadWindows(GetCurrentThreadId(), AddIfEnabled, reinterpret_cast<LPARAM>(&enabled));
    wchar_t ownerClass[64] = L"";
    if (owner)
        GetClassNameW(owner, ownerClass, 64);
    g_captured.push_back({text ? text : L"", caption ? caption : L"", type, owner, ownerClass, enabled});
    return g_answer;
}

static void ThrowExit(int code) { throw ExitCalled{code}; }

MessageCapture::MessageCapture(int answer)
{
    g_captured.clear();
    g_answer = answer;
    SetReportHooks({CaptureBox, ThrowExit});
}
MessageCapture::~MessageCapture() { SetReportHooks({}); }
const std::vector<CapturedMessage>& MessageCapture::messages() const { return g_captured; }
void MessageCapture::clear() { g_captured.clear(); }

void RemoveTree(const std::wstring& dir)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = dir + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

void ScratchDirTest::SetUp()
{
    wchar_t buf[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, buf);
    oldDir_ = buf;
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    for (unsigned n = GetTickCount() ^ GetCurrentProcessId();; ++n) {
        dir_ = std::wstring(tmp) + L"wbtest" + std::to_wstring(n);
        if (CreateDirectoryW(dir_.c_str(), nullptr))
            break;
    }
    SetCurrentDirectoryW(dir_.c_str());
}

void ScratchDirTest::TearDown()
{
    SetCurrentDirectoryW(oldDir_.c_str());
    RemoveTree(dir_);
}

std::wstring Widen(const std::string& s)
{
    if (s.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), w.data(), n);
    return w;
}

std::string Narrow(const std::wstring& w)
{
    if (w.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), s.data(), n, nullptr, nullptr);
    return s;
}

static std::wstring UnixToWindows(const char* unixPath, const std::wstring& relative)
{
    std::wstring p = L"Z:" + Widen(unixPath) + L"/" + relative;
    for (auto& c : p)
        if (c == L'/')
            c = L'\\';
    return p;
}

std::wstring SourcePath(const std::wstring& relative) { return UnixToWindows(WB_SOURCE_DIR, relative); }
std::wstring BuildPath(const std::wstring& relative) { return UnixToWindows(WB_BUILD_DIR, relative); }

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream f(path.c_str(), std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), (std::streamsize)bytes.size());
}

std::string ReadBytes(const std::wstring& path)
{
    std::ifstream f(path.c_str(), std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void MakeDir(const std::wstring& path) { CreateDirectoryW(path.c_str(), nullptr); }

HANDLE HoldOpen(const std::wstring& path)
{
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

void InstallStrings(const std::wstring& stem)
{
    MakeDir(L"strings");
    CopyFileW(BuildPath(L"strings/" + stem + L".str").c_str(), (L"strings\\" + stem + L".str").c_str(), FALSE);
    WriteBytes(L"language.ini", "[Dictionary]\r\nLanguage=" + Narrow(stem) + "\r\n");
}

std::vector<std::wstring> FilesIn(const std::wstring& dir)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(fd.cFileName);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}
