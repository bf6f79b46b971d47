#include "core/fileutil.h"
#include <windows.h>
#include <io.h>

static struct {
    long steps = 0;
    long failAt = 0;
    long long bytesLeft = -1;  // -1: no limit
} g_fault;

void InjectFileFault(long failAt, long long diskFullAt)
{
    g_fault.steps = 0;
    g_fault.failAt = failAt;
    g_fault.bytesLeft = diskFullAt;
}

long FileStepsTaken() { return g_fault.steps; }

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
    if (StepFails())
        return false;
    return MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool FlushWrites(FILE* f) { return f && !StepFails() && fflush(f) == 0; }

bool RenamePath(const wchar_t* source, const wchar_t* target)
{
    return !StepFails() && MoveFileExW(source, target, MOVEFILE_WRITE_THROUGH) != 0;
}

bool MakeDirectory(const wchar_t* path) { return !StepFails() && CreateDirectoryW(path, nullptr) != 0; }

bool RemoveFilePath(const wchar_t* path) { return !StepFails() && DeleteFileW(path) != 0; }

bool RemoveEmptyDirectory(const wchar_t* path) { return !StepFails() && RemoveDirectoryW(path) != 0; }

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
