#include "core/scores.h"
#include "core/fileutil.h"
#include <cstdlib>
#include <cwchar>

std::wstring ScorePath(const std::wstring& listPath)
{
    std::wstring path = listPath;
    size_t dot = path.rfind(L'.');
    size_t slash = path.find_last_of(L"\\/");
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash))
        path.resize(dot);
    return path + L".score";
}

// The runtime's reading: at most 18 characters of the line, then atol.
static long LineValue(const std::string& line) { return atol(line.substr(0, 18).c_str()); }

bool ReadScore(const std::wstring& path, Score* best)
{
    *best = Score{};
    UniqueFile f(_wfopen(path.c_str(), L"rb"));
    std::string skips, errors;
    if (!f || !ReadTextLine(f.get(), skips) || !ReadTextLine(f.get(), errors))
        return false;
    best->skips = LineValue(skips);
    best->errors = LineValue(errors);
    return true;
}

bool IsBetterScore(const Score& run, const Score& best)
{
    if (!best.known())
        return true;
    return run.skips < best.skips || (run.skips == best.skips && run.errors < best.errors);
}

bool WriteScore(const std::wstring& path, const Score& run)
{
    std::wstring temp = path + L".new";
    bool ok;
    {
        UniqueFile f(_wfopen(temp.c_str(), L"wb"));
        ok = f && fprintf(f.get(), "%ld\r\n%ld\r\n", run.skips, run.errors) > 0 && FlushFileToDisk(f.get());
    }
    ok = ok && ReplaceFileAtomic(temp.c_str(), path.c_str());
    if (!ok)
        _wremove(temp.c_str());
    return ok;
}
