#include "core/fileutil.h"
#include <windows.h>
#include <io.h>

bool FlushFileToDisk(FILE* f)
{
    if (!f || fflush(f) != 0)
        return false;
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h);
}

bool ReplaceFileAtomic(const wchar_t* source, const wchar_t* target)
{
    return MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool ReplaceFileContents(const std::wstring& path, const std::string& bytes)
{
    std::wstring temp = path + L".new";
    bool ok;
    {
        UniqueFile f(_wfopen(temp.c_str(), L"wb"));
        ok = f && (bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size()) &&
             FlushFileToDisk(f.get());
        ok = f && fclose(f.release()) == 0 && ok;
    }
    ok = ok && ReplaceFileAtomic(temp.c_str(), path.c_str());
    if (!ok)
        _wremove(temp.c_str());
    return ok;
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
