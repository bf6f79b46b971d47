#include "core/scores.h"
#include "core/fileutil.h"
#include "core/review.h"
#include <cstdlib>
#include <cwchar>

std::wstring ScorePath(const std::wstring& listPath) { return ListSiblingPath(listPath, L".score"); }

// The runtime's reading: at most 18 characters of the line, then atol.
static long LineValue(const std::string& line) { return atol(line.substr(0, 18).c_str()); }

bool ReadScore(const std::wstring& path, Score* best)
{
    *best = Score{};
    UniqueFile f(_wfopen(path.c_str(), L"rb"));
    std::string skips, errors;
    if (!f || !ReadTextLine(f.get(), skips) || !ReadTextLine(f.get(), errors))
        return false;
    // A count below zero is no score, and would never be beaten.
    Score read{LineValue(skips), LineValue(errors)};
    if (read.skips < 0 || read.errors < 0)
        return false;
    *best = read;
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
    char text[48];
    snprintf(text, sizeof text, "%ld\r\n%ld\r\n", run.skips, run.errors);
    return ReplaceFileContents(path, text);
}
