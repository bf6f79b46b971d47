#include "core/fileutil.h"
#include <windows.h>
#include <io.h>
#include <cerrno>

static struct {
    long steps = 0;
    long failAt = 0;
    long long bytesLeft = -1;  // -1: no limit
    std::wstring unwritable;   // with a trailing backslash; empty: none
} g_fault;

void InjectFileFault(long failAt, long long diskFullAt)
{
    g_fault.steps = 0;
    g_fault.failAt = failAt;
    g_fault.bytesLeft = diskFullAt;
}

long FileStepsTaken() { return g_fault.steps; }

void InjectUnwritableFolder(const std::wstring& dir)
{
    g_fault.unwritable = dir.empty() ? L"" : FullPath(dir);
    if (!g_fault.unwritable.empty() && g_fault.unwritable.back() != L'\\')
        g_fault.unwritable += L'\\';
}

// True (with access denied) for a path in the folder a test made unwritable.
static bool PathDenied(const wchar_t* path)
{
    if (g_fault.unwritable.empty() || !path)
        return false;
    std::wstring full = FullPath(path) + L"\\";
    if (full.size() < g_fault.unwritable.size() ||
        CompareStringOrdinal(full.c_str(), static_cast<int>(g_fault.unwritable.size()), g_fault.unwritable.c_str(),
                             -1, TRUE) != CSTR_EQUAL)
        return false;
    SetLastError(ERROR_ACCESS_DENIED);
    return true;
}

// True when the step about to be taken is the one that must fail.
static bool StepFails()
{
    ++g_fault.steps;
    if (g_fault.failAt <= 0 || g_fault.steps != g_fault.failAt)
        return false;
    SetLastError(ERROR_WRITE_FAULT);
    return true;
}

bool WriteToFile(FILE* f, const void* data, size_t size)
{
    if (!f || StepFails())
        return false;
    size_t allowed = size;
    if (g_fault.bytesLeft >= 0 && static_cast<unsigned long long>(g_fault.bytesLeft) < size)
        allowed = static_cast<size_t>(g_fault.bytesLeft);
    size_t written = allowed ? fwrite(data, 1, allowed, f) : 0;
    if (g_fault.bytesLeft >= 0)
        g_fault.bytesLeft -= static_cast<long long>(written);
    if (written < size)
        SetLastError(ERROR_DISK_FULL);
    return written == size;
}

bool CloseWrittenFile(UniqueFile& f)
{
    if (!f)
        return false;
    bool failed = StepFails();
    return fclose(f.release()) == 0 && !failed;
}

bool FlushFileToDisk(FILE* f)
{
    if (!f || StepFails() || fflush(f) != 0)
        return false;
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h);
}

bool ReplaceFileAtomic(const wchar_t* source, const wchar_t* target)
{
    if (StepFails() || PathDenied(source) || PathDenied(target))
        return false;
    return MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool FlushWrites(FILE* f) { return f && !StepFails() && fflush(f) == 0; }

bool KeepBackupOf(const wchar_t* path, const wchar_t* backup)
{
    if (StepFails() || PathDenied(path) || PathDenied(backup))
        return false;
    return CreateHardLinkW(backup, path, nullptr) || CopyFileW(path, backup, TRUE);
}

bool RenamePath(const wchar_t* source, const wchar_t* target)
{
    return !StepFails() && !PathDenied(source) && !PathDenied(target) &&
           MoveFileExW(source, target, MOVEFILE_WRITE_THROUGH) != 0;
}

bool MakeDirectory(const wchar_t* path)
{
    return !StepFails() && !PathDenied(path) && CreateDirectoryW(path, nullptr) != 0;
}

std::wstring RunningProgramPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return L"";
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

static bool IsRunningProgram(const wchar_t* path)
{
    std::wstring self = RunningProgramPath();
    if (self.empty())
        return false;
    std::wstring a = FullPath(path), b = FullPath(self);
    return !a.empty() && CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool RemoveFilePath(const wchar_t* path)
{
    if (StepFails() || PathDenied(path))
        return false;
    if (IsRunningProgram(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return DeleteFileW(path) != 0;
}

bool RemoveEmptyDirectory(const wchar_t* path)
{
    return !StepFails() && !PathDenied(path) && RemoveDirectoryW(path) != 0;
}

FILE* OpenFileForUpdate(const wchar_t* path)
{
    if (PathDenied(path)) {
        errno = EACCES;
        return nullptr;
    }
    return _wfopen(path, L"r+b");
}

bool CanWriteInFolder(const std::wstring& dir, unsigned long* error)
{
    // A name of this process's own, so two programs probing at once don't meet.
    std::wstring probe = dir;
    if (!probe.empty() && probe.back() != L'\\' && probe.back() != L'/')
        probe += L'\\';
    probe += L"~wbprobe" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    DWORD code = ERROR_SUCCESS;
    if (StepFails() || PathDenied(probe.c_str())) {
        code = GetLastError();
    } else {
        HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            code = GetLastError();
        } else {
            CloseHandle(h);
            if (!RemoveFilePath(probe.c_str())) {
                code = GetLastError();
                DeleteFileW(probe.c_str());
            }
        }
    }
    if (error)
        *error = code;
    return code == ERROR_SUCCESS;
}

bool ReplaceFileContents(const std::wstring& path, const std::string& bytes, const std::wstring& tempPath)
{
    std::wstring temp = tempPath.empty() ? path + L".new" : tempPath;
    bool ok;
    {
        UniqueFile f(_wfopen(temp.c_str(), L"wb"));
        ok = f && (bytes.empty() || WriteToFile(f.get(), bytes.data(), bytes.size())) && FlushFileToDisk(f.get());
        ok = CloseWrittenFile(f) && ok;
    }
    ok = ok && ReplaceFileAtomic(temp.c_str(), path.c_str());
    if (!ok)
        _wremove(temp.c_str());
    return ok;
}

bool OnLocalFixedDrive(const wchar_t* path)
{
    wchar_t full[MAX_PATH];
    DWORD n = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    // Only a drive letter's root is known for sure: shares, devices and
    // paths too long for this buffer are read the plain way.
    if (n < 3 || n >= MAX_PATH || full[1] != L':' || full[2] != L'\\')
        return false;
    const wchar_t root[] = {full[0], L':', L'\\', 0};
    return GetDriveTypeW(root) == DRIVE_FIXED;
}

std::wstring FullPath(const std::wstring& path)
{
    DWORD room = path.empty() ? 0 : GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (!room)
        return L"";
    std::wstring full(room, L'\0');
    DWORD n = GetFullPathNameW(path.c_str(), room, full.data(), nullptr);
    if (!n || n >= room)
        return L"";
    full.resize(n);
    return full;
}

bool ReadWholeFile(const std::wstring& path, std::string* data)
{
    UniqueFile f(_wfopen(path.c_str(), L"rb"));
    if (!f)
        return false;
    data->clear();
    if (_fseeki64(f.get(), 0, SEEK_END) == 0) {
        long long size = _ftelli64(f.get());
        if (size > 0)
            data->reserve(static_cast<size_t>(size));
        _fseeki64(f.get(), 0, SEEK_SET);
    }
    char buf[1 << 16];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f.get())) > 0)
        data->append(buf, n);
    return !ferror(f.get());
}

bool ReadTextLine(FILE* f, std::string& line)
{
    if (!ReadRawLine(f, line))
        return false;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return true;
}

bool ReadRawLine(FILE* f, std::string& line)
{
    line.clear();
    int c;
    while ((c = getc(f)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    return !line.empty();
}
