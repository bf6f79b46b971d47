// The uninstaller: uninstall.exe /uninstall [/S] [/D=folder]. Removes what
// the installation recorded in uninstall.ini, as long as it is unchanged, and
// keeps the user's own work unless the user asks to remove it too.
#include "setup/setup.h"
#include "setup/installrecord.h"
#include "core/report.h"
#include "core/uistrings.h"
#include "core/usersettings.h"
#include <shlobj.h>
#include <algorithm>

namespace {

const wchar_t kRecordName[] = L"uninstall.ini";
// The temporary copies the uninstaller runs from: %TEMP%\<prefix><n>.
const wchar_t kCopyPrefix[] = L"wbuninst-";

// What the folder holds, sorted out before anything is removed.
struct UninstallPlan {
    std::vector<std::wstring> installed;  // recorded and unchanged: full paths
    std::vector<std::wstring> work;       // the user's own files: full paths
    std::vector<std::wstring> lists;      // practice lists, kept even when empty
    std::vector<std::wstring> folders;    // every folder inside, deepest first
    std::wstring catalogue;               // DICT.INI, which names the kept word books
};

struct Uninstall {
    std::wstring folder;       // full path, no trailing backslash
    std::wstring leaveForLater;
    InstallRecord record;
    UninstallPlan plan;
    bool removeWork = false;
} g_un;

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring WithoutBackslash(std::wstring path)
{
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

std::wstring WithFolder(StringId id, const std::wstring& folder) { return FillIn(Str(id), {folder}); }

int Ask(const std::wstring& text, UINT buttons)
{
    return ShowMessage(nullptr, text.c_str(), Str(Txt_Uninstall_Caption), buttons | MB_ICONQUESTION | MB_SETFOREGROUND);
}

void Tell(const std::wstring& text, UINT icon)
{
    ShowMessage(nullptr, text.c_str(), Str(Txt_Uninstall_Caption), MB_OK | icon | MB_SETFOREGROUND);
}

// The installation's own language; English of our own when its strings are gone.
void LoadInstalledStrings(const std::wstring& folder)
{
    wchar_t stem[149] = L"";
    GetPrivateProfileStringW(L"Dictionary", L"Language", L"", stem, 149, (folder + L"\\language.ini").c_str());
    std::wstring path = folder + L"\\strings\\" + stem + L".str";
    if (stem[0] && LoadUiStringsFromFile(path.c_str(), nullptr))
        return;
    const std::pair<StringId, const wchar_t*> fallback[] = {
        {Txt_Uninstall_Caption, L"Uninstall"},
        {Txt_Uninstall_Confirm, L"Remove the program from %s?"},
        {Txt_Uninstall_AlsoWork, L"The folder also holds your own work. Remove it too?"},
        {Txt_Uninstall_Done, L"The program has been removed."},
        {Txt_Uninstall_KeptWork, L"Your own work was kept in %s."},
        {Txt_Uninstall_NotInstalled, L"Nothing is installed in %s."},
        {Txt_Uninstall_Failed, L"These could not be removed:"},
        {Txt_Uninstall_Running, L"The program is still running. Close it, then try again."},
        {Txt_PathNameList, L"lists\\"},
        {Txt_FilenameIni, L"DICT.INI"},
    };
    for (const auto& [id, text] : fallback)
        OverrideString(id, text);
}

const InstalledFile* Recorded(const std::wstring& relative)
{
    for (const InstalledFile& file : g_un.record.files) {
        std::wstring path = file.path;
        std::replace(path.begin(), path.end(), L'/', L'\\');
        if (SamePath(path, relative))
            return &file;
    }
    return nullptr;
}

// Sorts every file and folder under dir (relative path prefix) into the plan.
void Scan(const std::wstring& relative)
{
    std::wstring dir = relative.empty() ? g_un.folder : g_un.folder + L"\\" + relative;
    std::wstring listsRoot = WithoutBackslash(Str(Txt_PathNameList));
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring rel = relative.empty() ? name : relative + L"\\" + name;
        std::wstring full = g_un.folder + L"\\" + rel;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A link to a folder elsewhere goes as a link: what it points to is not ours.
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                Scan(rel);
            g_un.plan.folders.push_back(full);
            if (SamePath(relative, listsRoot))
                g_un.plan.lists.push_back(full);
        } else if (relative.empty() && SamePath(name, kRecordName)) {
            continue;  // goes last, once everything else went
        } else if (relative.empty() && SamePath(name, Str(Txt_FilenameIni))) {
            g_un.plan.catalogue = full;
        } else {
            const InstalledFile* file = Recorded(rel);
            bool unchanged = file && UnchangedSinceInstall(g_un.folder, *file);
            (unchanged ? g_un.plan.installed : g_un.plan.work).push_back(full);
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

// True when both name the same file, whatever way the paths were spelled.
bool SameFile(const std::wstring& a, const std::wstring& b)
{
    BY_HANDLE_FILE_INFORMATION info[2];
    const std::wstring* paths[] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        HANDLE h = CreateFileW(paths[i]->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        BOOL ok = GetFileInformationByHandle(h, &info[i]);
        CloseHandle(h);
        if (!ok)
            return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// The running uninstaller's file as the plan names it; empty when it is not in the folder.
std::wstring InFolder(const std::wstring& running)
{
    if (running.empty())
        return L"";
    for (const auto* paths : {&g_un.plan.installed, &g_un.plan.work})
        for (const std::wstring& path : *paths)
            if (SamePath(path, running))
                return path;
    for (const auto* paths : {&g_un.plan.installed, &g_un.plan.work})
        for (const std::wstring& path : *paths)
            if (SameFile(path, running))
                return path;
    return L"";
}

bool HasWork() { return !g_un.plan.work.empty() || !g_un.plan.lists.empty(); }

// Removes a file; one already gone is no failure. A read-only one (copied
// from a CD) goes too.
bool RemoveFile(const std::wstring& path)
{
    if (SamePath(path, g_un.leaveForLater))
        return true;
    if (RemoveFilePath(path.c_str()))
        return true;
    DWORD error = GetLastError();
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND))
        return true;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        if (RemoveFilePath(path.c_str()))
            return true;
        error = GetLastError();
        SetFileAttributesW(path.c_str(), attributes);
    }
    NoteFailure(path, error);
    return false;
}

std::wstring ProgramsMenuFolder()
{
    wchar_t path[MAX_PATH] = L"";
    return SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAMS, FALSE) ? WithoutBackslash(path) : L"";
}

void RemoveShortcut()
{
    const std::wstring& link = g_un.record.shortcutFile;
    // Only a shortcut: a damaged record must not take anything else along.
    if (link.size() > 4 && SamePath(link.substr(link.size() - 4), L".lnk"))
        RemoveFile(link);
    std::wstring group = WithoutBackslash(g_un.record.shortcutFolder);
    std::wstring menu = ProgramsMenuFolder();
    if (!group.empty() && !menu.empty() && !SamePath(FullPath(group), menu))
        RemoveEmptyDirectory(group.c_str());  // kept, rightly, while other shortcuts are in it
}

// The entry of the record, and any other entry whose program lives in the folder.
void RemoveRegistryEntries(const std::wstring& recordKey)
{
    HKEY root = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKeyRoot, 0, KEY_READ | KEY_WRITE, &root) != ERROR_SUCCESS)
        return;
    std::vector<std::wstring> names;
    if (!recordKey.empty() && recordKey.find(L'\\') == std::wstring::npos)
        names.push_back(recordKey);
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(root, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        wchar_t location[MAX_PATH * 2] = L"";
        DWORD bytes = sizeof location - sizeof(wchar_t);
        if (RegGetValueW(root, name, L"InstallLocation", RRF_RT_REG_SZ, nullptr, location, &bytes) == ERROR_SUCCESS &&
            SamePath(WithoutBackslash(FullPath(location)), g_un.folder))
            names.push_back(name);
    }
    for (const std::wstring& key : names) {
        LSTATUS status = RegDeleteTreeW(root, key.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            NoteFailure(L"HKEY_CURRENT_USER\\" + std::wstring(kUninstallKeyRoot) + L"\\" + key, status);
    }
    RegCloseKey(root);
}

bool Contains(const std::vector<std::wstring>& paths, const std::wstring& path)
{
    for (const std::wstring& p : paths)
        if (SamePath(p, path))
            return true;
    return false;
}

void RemoveEverything()
{
    bool keep = HasWork() && !g_un.removeWork;
    // A failure keeps what a second attempt needs: the record, the entry in
    // the list of programs and the uninstaller.
    std::wstring uninstaller = g_un.folder + L"\\" + kUninstallerName;
    bool uninstallerGoes = false;
    for (const std::wstring& path : g_un.plan.installed)
        if (SamePath(path, uninstaller))
            uninstallerGoes = true;
        else
            RemoveFile(path);
    if (!keep) {
        for (const std::wstring& path : g_un.plan.work)
            if (SamePath(path, uninstaller))
                uninstallerGoes = true;
            else
                RemoveFile(path);
        if (!g_un.plan.catalogue.empty())
            RemoveFile(g_un.plan.catalogue);
    }
    RemoveShortcut();
    if (!RemoveSettingsFile())
        NoteFailure(SettingsFilePath(), GetLastError());
    if (g_outcome.failures.empty() && uninstallerGoes)
        RemoveFile(uninstaller);
    if (g_outcome.failures.empty())
        RemoveRegistryEntries(g_un.record.registryKey);
    if (g_outcome.failures.empty())
        RemoveFile(g_un.folder + L"\\" + kRecordName);
    for (const std::wstring& dir : g_un.plan.folders)
        if (!keep || !Contains(g_un.plan.lists, dir))
            RemoveEmptyDirectory(dir.c_str());  // fails, rightly, around kept work
    if (g_un.leaveForLater.empty())
        RemoveEmptyDirectory(g_un.folder.c_str());
}

}  // namespace

int UninstallFolder(const std::wstring& folder, bool unattended, const std::wstring& leaveForLater,
                    std::wstring* removeLater)
{
    if (removeLater)
        removeLater->clear();
    g_un = Uninstall{};
    g_outcome = InstallOutcome{};
    g_un.folder = WithoutBackslash(FullPath(folder));
    LoadInstalledStrings(g_un.folder);

    std::wstring recordPath = g_un.folder + L"\\" + kRecordName;
    // A drive's root is never an installation of ours, whatever it holds.
    if (g_un.folder.size() <= 3 || !ReadInstallRecord(recordPath, &g_un.record)) {
        if (g_un.folder.size() > 3)
            RemoveRegistryEntries(L"");
        Tell(WithFolder(Txt_Uninstall_NotInstalled, g_un.folder), MB_ICONWARNING);
        return 1;
    }
    if (FindWindowW(L"wboek", nullptr)) {
        Tell(Str(Txt_Uninstall_Running), MB_ICONWARNING);
        return 1;
    }
    if (!unattended && Ask(WithFolder(Txt_Uninstall_Confirm, g_un.folder), MB_YESNO) != IDYES)
        return 1;

    Scan(L"");
    g_un.leaveForLater = InFolder(leaveForLater);
    if (HasWork() && !unattended) {
        int answer = Ask(Str(Txt_Uninstall_AlsoWork), MB_YESNOCANCEL | MB_DEFBUTTON2);
        if (answer == IDCANCEL)
            return 1;
        g_un.removeWork = answer == IDYES;
    }
    RemoveEverything();

    if (!g_outcome.failures.empty()) {
        std::wstring text = Str(Txt_Uninstall_Failed);
        for (const std::wstring& line : g_outcome.failures)
            text += L"\n" + line;
        Tell(text, MB_ICONERROR);
        return 1;
    }
    std::wstring text = Str(Txt_Uninstall_Done);
    if (HasWork() && !g_un.removeWork)
        text += L"\n\n" + WithFolder(Txt_Uninstall_KeptWork, g_un.folder);
    Tell(text, MB_ICONINFORMATION);
    if (removeLater && (Contains(g_un.plan.installed, g_un.leaveForLater) ||
                        (g_un.removeWork && Contains(g_un.plan.work, g_un.leaveForLater))))
        *removeLater = g_un.leaveForLater;
    return 0;
}

namespace {

std::wstring FolderOfFile(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

bool Inside(const std::wstring& path, const std::wstring& folder)
{
    std::wstring dir = WithBackslash(WithoutBackslash(folder));
    return path.size() > dir.size() && SamePath(path.substr(0, dir.size()), dir);
}

std::wstring TempFolder()
{
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    return n && n <= MAX_PATH ? WithoutBackslash(temp) : L"";
}

// Copies of earlier runs: each could only go once it had ended.
void RemoveEarlierCopies(const std::wstring& temp)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((temp + L"\\" + kCopyPrefix + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        std::wstring dir = temp + L"\\" + fd.cFileName;
        if (RemoveFilePath((dir + L"\\" + kUninstallerName).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND)
            RemoveEmptyDirectory(dir.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

// An inheritable duplicate of h, or null. (GetCurrentProcess() is the value
// of INVALID_HANDLE_VALUE: a missing standard handle must not reach here.)
HANDLE Inheritable(HANDLE h, DWORD access, DWORD options)
{
    HANDLE copy = nullptr;
    if (!h || !DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, access, TRUE, options))
        return nullptr;
    return copy;
}

struct HandleCloser { void operator()(HANDLE h) const { if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h); } };
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Runs the uninstall from a copy in a fresh temporary folder, since Windows
// won't remove a running program's file; the copy reports its exit code
// through a pipe, then waits for this process to end and removes its file.
// -1 when the copy can't be started.
int UninstallThroughCopy(const std::wstring& self, const std::wstring& folder, bool unattended)
{
    std::wstring temp = TempFolder();
    if (temp.empty())
        return -1;
    RemoveEarlierCopies(temp);
    std::wstring dir;
    for (unsigned n = GetTickCount() ^ GetCurrentProcessId(), tries = 0; dir.empty() && tries < 100; ++n, ++tries)
        if (CreateDirectoryW((temp + L"\\" + kCopyPrefix + std::to_wstring(n)).c_str(), nullptr))
            dir = temp + L"\\" + kCopyPrefix + std::to_wstring(n);
    std::wstring copy = dir + L"\\" + kUninstallerName;
    if (dir.empty() || !CopyFileW(self.c_str(), copy.c_str(), FALSE)) {
        if (!dir.empty())
            RemoveDirectoryW(dir.c_str());
        return -1;
    }
    // Not holding the folder as the current directory, which would keep it.
    SetCurrentDirectoryW(dir.c_str());

    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return -1;
    UniqueHandle reader(readEnd), writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    UniqueHandle me(Inheritable(GetCurrentProcess(), SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, 0));
    auto standard = [](DWORD which) {
        HANDLE h = GetStdHandle(which);
        return h == INVALID_HANDLE_VALUE ? nullptr : Inheritable(h, 0, DUPLICATE_SAME_ACCESS);
    };
    UniqueHandle errors(standard(STD_ERROR_HANDLE));
    UniqueHandle output(standard(STD_OUTPUT_HANDLE));
    if (!me)
        return -1;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (errors) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = output.get();
        si.hStdError = errors.get();
    }
    std::wstring line = L"\"" + copy + L"\" /uninstall" + (unattended ? L" /S" : L"") +
                        L" /WAIT=" + std::to_wstring(reinterpret_cast<uintptr_t>(me.get())) +
                        L" /RESULT=" + std::to_wstring(reinterpret_cast<uintptr_t>(writeEnd)) + L" /D=" + folder;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(copy.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(), &si, &pi)) {
        RemoveFilePath(copy.c_str());
        RemoveEmptyDirectory(dir.c_str());
        return -1;
    }
    CloseHandle(pi.hThread);
    UniqueHandle child(pi.hProcess);
    writer.reset();  // the copy's end alone: its end, reported or not, ends the read
    unsigned char code = 1;
    DWORD got = 0;
    if (!ReadFile(reader.get(), &code, 1, &got, nullptr) || got != 1)
        code = 1;
    return code;
}

// In the copy: reports the exit code, lets the original end, then removes its file.
void FinishForOriginal(const SetupOptions& options, int code, const std::wstring& folder, const std::wstring& original)
{
    HANDLE result = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(options.resultPipe));
    HANDLE waitFor = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(options.waitFor));
    unsigned char byte = static_cast<unsigned char>(code);
    DWORD written;
    WriteFile(result, &byte, 1, &written, nullptr);
    CloseHandle(result);
    // Whoever reads the original's standard error to its end waits for ours too.
    for (DWORD which : {STD_ERROR_HANDLE, STD_OUTPUT_HANDLE}) {
        HANDLE h = GetStdHandle(which);
        SetStdHandle(which, nullptr);
        if (h && h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    if (original.empty())
        return;
    if (WaitForSingleObject(waitFor, 60000) != WAIT_OBJECT_0)
        return;
    // The system lets go of an ended program's file a moment later.
    for (int tries = 0; tries < 50 && !RemoveFilePath(original.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND;
         ++tries)
        Sleep(100);
    for (std::wstring dir = FolderOfFile(original); Inside(dir + L"\\", folder) || SamePath(dir, folder);
         dir = FolderOfFile(dir))
        if (!RemoveEmptyDirectory(dir.c_str()) || SamePath(dir, folder))
            break;
}

std::wstring OriginalProgram(const SetupOptions& options)
{
    HANDLE process = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(options.waitFor));
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process, 0, path.data(), &size))
        return L"";
    path.resize(size);
    return path;
}

}  // namespace

int UninstallRun(const SetupOptions& options)
{
    g_unattended = options.unattended;
    if (options.unattended)
        UseStandardErrorForMessages();
    std::wstring self = RunningProgramPath();
    std::wstring folder = options.targetDir.empty() ? FolderOfFile(self) : options.targetDir;
    folder = WithoutBackslash(FullPath(folder));
    if (options.resultPipe && options.waitFor) {
        // The original runs from the folder, by the name setup gave it unless told otherwise.
        std::wstring original = OriginalProgram(options);
        if (original.empty())
            original = folder + L"\\" + kUninstallerName;
        std::wstring removeLater;
        int code = UninstallFolder(folder, options.unattended, original, &removeLater);
        FinishForOriginal(options, code, folder, removeLater);
        return code;
    }
    if (!folder.empty() && Inside(FullPath(self), folder)) {
        int code = UninstallThroughCopy(FullPath(self), folder, options.unattended);
        if (code >= 0)
            return code;
    }
    // From elsewhere (the medium's setup.exe), or when no copy could run:
    // then the running file stays and is reported.
    return UninstallFolder(folder, options.unattended);
}
