// What a folder tree holds, to tell afterwards what a run of the programs
// wrote there: every file and folder with its size and last write.
#pragma once
#include <windows.h>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct PathState {
    bool folder = false;
    uint64_t size = 0;
    uint64_t written = 0;  // last write time
};
using TreeSnapshot = std::map<std::wstring, PathState>;

// Everything under root (upper-cased full paths).
TreeSnapshot SnapshotTree(const std::wstring& root);
// Paths made, removed or changed from before to after, but those under one of
// the allowed folders (full paths, any case).
std::vector<std::wstring> ChangedPaths(const TreeSnapshot& before, const TreeSnapshot& after,
                                       const std::vector<std::wstring>& allowed);
