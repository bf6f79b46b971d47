#include "tests/support/snapshot.h"

static std::wstring Upper(std::wstring s)
{
    CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

static void Walk(const std::wstring& dir, TreeSnapshot* out)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring path = dir + L"\\" + name;
        PathState state;
        state.folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        state.size = state.folder ? 0 : (uint64_t(fd.nFileSizeHigh) << 32 | fd.nFileSizeLow);
        state.written = state.folder ? 0 : (uint64_t(fd.ftLastWriteTime.dwHighDateTime) << 32 | fd.ftLastWriteTime.dwLowDateTime);
        (*out)[Upper(path)] = state;
        // Links to elsewhere (Wine's own folder links) are not followed.
        if (state.folder && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            Walk(path, out);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

TreeSnapshot SnapshotTree(const std::wstring& root)
{
    TreeSnapshot snapshot;
    std::wstring dir = root;
    while (!dir.empty() && dir.back() == L'\\')
        dir.pop_back();
    Walk(dir, &snapshot);
    return snapshot;
}

std::vector<std::wstring> ChangedPaths(const TreeSnapshot& before, const TreeSnapshot& after,
                                       const std::vector<std::wstring>& allowed)
{
    auto isAllowed = [&allowed](const std::wstring& path) {
        for (const std::wstring& a : allowed) {
            std::wstring prefix = Upper(a);
            while (!prefix.empty() && prefix.back() == L'\\')
                prefix.pop_back();
            if (path == prefix || path.compare(0, prefix.size() + 1, prefix + L"\\") == 0)
                return true;
        }
        return false;
    };
    std::vector<std::wstring> changed;
    for (const auto& [path, state] : after) {
        auto old = before.find(path);
        bool differs = old == before.end() || old->second.folder != state.folder || old->second.size != state.size ||
                       old->second.written != state.written;
        if (differs && !isAllowed(path))
            changed.push_back(path);
    }
    for (const auto& [path, state] : before)
        if (!after.count(path) && !isAllowed(path))
            changed.push_back(path + L" (removed)");
    return changed;
}
