// A stranger's DLL lying where our programs run is never loaded: beside
// setup.exe on a copy of the medium, beside wordbook.exe in the installation,
// in the uninstaller's temporary folder. This test's Wine prefers a DLL found
// on disk for every planted name, as Windows does for all but its known DLLs
// (the names and the preference: tests/CMakeLists.txt). Each planted file is
// the stand-in of planted.c, which notes who loaded it in "<file>.loaded".
#include "lists/listmaker.h"
#include "record/recordwindow.h"
#include "search/translate.h"
#include "shell/mainwindow.h"
#include "shell/resource.h"
#include "tests/e2e/e2e.h"
#include "tests/support/installcheck.h"
#include <tlhelp32.h>
#include <atomic>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace {

std::wstring g_scratch, g_medium, g_target;

std::vector<std::wstring> PlantedNames()
{
    wchar_t list[4096] = L"";
    DWORD n = GetEnvironmentVariableW(L"WB_PLANTED_DLLS", list, 4096);
    std::vector<std::wstring> names;
    std::wistringstream all(n < 4096 ? list : L"");
    for (std::wstring name; std::getline(all, name, L',');)
        names.push_back(name);
    return names;
}

// Puts the stand-in under every planted name into dir; earlier marks go.
bool Plant(const std::wstring& dir)
{
    for (const std::wstring& name : FilesIn(dir))
        if (name.size() > 7 && _wcsicmp(name.c_str() + name.size() - 7, L".loaded") == 0)
            DeleteFileW((dir + L"\\" + name).c_str());
    std::wstring standIn = BuildPath(L"planted\\planted.dll");
    bool all = true;
    for (const std::wstring& name : PlantedNames())
        all = CopyFileW(standIn.c_str(), (dir + L"\\" + name).c_str(), FALSE) && all;
    return all;
}

// "<planted file> loaded by <program>..." for every planted file that was loaded.
std::string Loaded(const std::wstring& dir)
{
    std::string found;
    for (const std::wstring& name : FilesIn(dir)) {
        if (name.size() <= 7 || _wcsicmp(name.c_str() + name.size() - 7, L".loaded") != 0)
            continue;
        std::string bytes = ReadBytes(dir + L"\\" + name);
        std::wstring programs(bytes.size() / sizeof(wchar_t), L'\0');
        memcpy(programs.data(), bytes.data(), programs.size() * sizeof(wchar_t));
        for (wchar_t& c : programs)
            c = c == L'\n' ? L' ' : c;
        found += Narrow(dir + L"\\" + name.substr(0, name.size() - 7) + L" loaded by " + programs) + "\n";
    }
    return found;
}

void CopyTree(const std::wstring& from, const std::wstring& to)
{
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((from + L"\\*").c_str(), &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << Narrow(from);
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + L"\\" + name, to + L"\\" + name);
        else
            ASSERT_TRUE(CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE)) << Narrow(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

// Every module a running program has loaded, by full path.
std::vector<std::wstring> ModulesOf(DWORD pid)
{
    std::vector<std::wstring> paths;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE)
        return paths;
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module))
        paths.push_back(module.szExePath);
    CloseHandle(snapshot);
    return paths;
}

std::wstring TempFolder()
{
    wchar_t temp[MAX_PATH] = L"";
    DWORD n = GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp, n < MAX_PATH ? n : 0);
}

std::wstring WindowsFolder()
{
    wchar_t folder[MAX_PATH] = L"";
    UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, n < MAX_PATH ? n : 0) + L"\\";
}

class Planted : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_scratch = TempFolder() + L"wbplanted" + std::to_wstring(GetCurrentProcessId());
        g_medium = g_scratch + L"\\Downloads";
        g_target = g_scratch + L"\\Word Book";
        MakeDir(g_scratch);
        SetCurrentDirectoryW(g_scratch.c_str());
        CopyTree(MediumPath(L"english"), g_medium);
    }
    static void TearDownTestSuite()
    {
        SetCurrentDirectoryW(L"C:\\");
        RemoveInstallation(g_target);
        RemoveTree(g_scratch);
    }
};

TEST_F(Planted, SetupInstallsWithoutLoadingThem)
{
    ASSERT_FALSE(PlantedNames().empty()) << "WB_PLANTED_DLLS names no DLL";
    ASSERT_TRUE(Plant(g_medium));
    ProcessRun run = RunProgram(g_medium + L"\\setup.exe", L"/S /D=" + g_target, g_medium);
    EXPECT_EQ("", Loaded(g_medium));
    ASSERT_EQ(0u, run.exitCode) << run.errors;
}

// Ends a program the test leaves waiting (a window it didn't answer), and
// whatever program shows a box then: the uninstaller's copy asks its questions.
struct Ender {
    HANDLE process;
    ~Ender()
    {
        HWND box;
        for (int i = 0; i < 5 && (box = FindWindowW(L"#32770", nullptr)) != nullptr; ++i) {
            DWORD pid = 0;
            GetWindowThreadProcessId(box, &pid);
            HANDLE owner = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
            if (!owner)
                break;
            TerminateProcess(owner, 99);
            WaitForSingleObject(owner, 5000);
            CloseHandle(owner);
        }
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
            TerminateProcess(process, 99);
        CloseHandle(process);
    }
};

// Cancels the dialog box that owner shows and waits for it to go.
bool CancelDialogOf(HWND owner)
{
    HWND box = WaitForVisible(L"#32770", owner);
    if (!box)
        return false;
    PostMessageW(box, WM_COMMAND, GetDlgItem(box, IDCANCEL) ? IDCANCEL : IDOK, 0);
    for (int i = 0; i < 100 && IsWindow(box); ++i)
        Sleep(100);
    return !IsWindow(box);
}

TEST_F(Planted, WordbookOpensItsWindowsWithoutLoadingThem)
{
    ASSERT_TRUE(FileExists(g_target + L"\\wordbook.exe"));
    ASSERT_TRUE(Plant(g_target));
    // Looked at last, however the session ends.
    struct Marks {
        ~Marks() { EXPECT_EQ("", Loaded(g_target)); }
    } marks;
    HANDLE process = StartProgram(g_target + L"\\wordbook.exe", L"wb francais", g_target);
    ASSERT_TRUE(process);
    Ender ender{process};
    HWND main = WaitForVisible(L"wboek");
    ASSERT_TRUE(main);
    // The windows that load the delay-loaded and dynamically loaded DLLs, as
    // a user opens them, each closed again.

    // Help: the about box's animation, and the help pages.
    PostMessageW(main, WM_COMMAND, CmdAbout, 0);
    EXPECT_TRUE(CancelDialogOf(main)) << "about box";
    PostMessageW(main, WM_COMMAND, CmdHelp, 0);

    // Recording a word.
    PostMessageW(main, WM_COMMAND, CmdRecord, 0);
    HWND recorder = WaitForVisible(L"record");
    ASSERT_TRUE(recorder);
    for (wchar_t c : std::wstring(L"chat"))
        SendMessageW(GetDlgItem(recorder, RecSearch), WM_CHAR, c, 1);
    SendMessageW(GetDlgItem(recorder, RecStartStop), BM_CLICK, 0, 0);
    Sleep(500);
    SendMessageW(GetDlgItem(recorder, RecStartStop), BM_CLICK, 0, 0);
    Click(recorder, RecExit);
    ASSERT_TRUE(WaitUntilShown(main));

    // The open-file dialog of the translate window.
    PostMessageW(main, WM_COMMAND, CmdTranslate, 0);
    HWND translate = WaitForVisible(L"vertaal");
    ASSERT_TRUE(translate);
    PostMessageW(translate, WM_COMMAND, MenuOpenText, 0);
    EXPECT_TRUE(CancelDialogOf(translate)) << "open-file dialog";
    Click(translate, TranslateDone);
    ASSERT_TRUE(WaitUntilShown(main));

    // Printing a new list from the list maker.
    PostMessageW(main, WM_COMMAND, CmdMakeList, 0);
    HWND named = WaitForVisible(L"#32770", main);
    ASSERT_TRUE(named);
    SendMessageW(GetDlgItem(named, IDC_NEWLIST_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"drill"));
    PostMessageW(named, WM_COMMAND, IDOK, 0);
    HWND maker = WaitForVisible(L"lijst");
    ASSERT_TRUE(maker);
    SendMessageW(maker, WM_NULL, 0, 0);  // the new list is open once the maker answers
    for (wchar_t c : std::wstring(L"chat"))
        SendMessageW(GetDlgItem(maker, LmSearch), WM_CHAR, c, 1);
    HWND row = GetDlgItem(maker, LmBookRow);
    SendMessageW(row, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(row, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    Click(maker, LmPrint);
    EXPECT_TRUE(CancelDialogOf(maker)) << "print dialog";
    Click(maker, LmDone);
    ASSERT_TRUE(WaitUntilShown(main));

    // Every DLL in the process, those the session made it load among them,
    // came from the Windows folder. (The help viewer, hhctrl.ocx, is used only
    // where the system has an HTML engine; the tests' Wine has none.)
    std::set<std::wstring> loaded;
    for (const std::wstring& path : ModulesOf(GetProcessId(process))) {
        std::wstring name = path.substr(path.rfind(L'\\') + 1);
        for (wchar_t& c : name)
            c = towlower(c);
        if (name != L"wordbook.exe") {
            EXPECT_EQ(0, _wcsnicmp(path.c_str(), WindowsFolder().c_str(), WindowsFolder().size())) << Narrow(path);
        }
        loaded.insert(name);
    }
    for (const wchar_t* name : {L"comctl32.dll", L"comdlg32.dll", L"msvfw32.dll", L"riched32.dll", L"shell32.dll",
                                L"winmm.dll", L"winspool.drv"})
        EXPECT_TRUE(loaded.count(name)) << Narrow(name) << " was not loaded: the session missed a window";

    PostMessageW(main, WM_COMMAND, CmdQuit, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 30000));
    DWORD code = 99;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(0u, code);
}

// Plants into every folder %TEMP%\wbuninst-* as soon as it is there: the
// uninstaller makes one, then writes its copy into it and starts it there.
struct CopyFolderPlanter {
    std::wstring temp = TempFolder();
    std::set<std::wstring> folders;
    bool planted = true;
    std::atomic<bool> done{false};
    std::thread thread{[this] { Watch(); }};
    ~CopyFolderPlanter() { Stop(); }
    void Stop()
    {
        done = true;
        if (thread.joinable())
            thread.join();
    }
    void Watch()
    {
        while (!done) {
            WIN32_FIND_DATAW fd;
            HANDLE h = FindFirstFileW((temp + L"wbuninst-*").c_str(), &fd);
            if (h != INVALID_HANDLE_VALUE) {
                do {
                    std::wstring dir = temp + fd.cFileName;
                    if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && folders.insert(dir).second)
                        planted = Plant(dir) && planted;
                } while (FindNextFileW(h, &fd));
                FindClose(h);
            }
            Sleep(1);
        }
    }
};

TEST_F(Planted, UninstallerAsksAndRemovesWithoutLoadingThem)
{
    ASSERT_TRUE(FileExists(g_target + L"\\uninstall.exe"));
    ASSERT_TRUE(Plant(g_target));
    CopyFolderPlanter copies;
    // With its questions, as from Settings > Apps: remove the program, keep
    // the work (the planted files, and any mark among them), done.
    HANDLE process = StartProgram(g_target + L"\\uninstall.exe", L"/uninstall", g_target);
    ASSERT_TRUE(process);
    Ender ender{process};
    HWND box = nullptr;
    for (int button : {IDYES, IDNO, IDOK}) {
        for (int i = 0; i < 100 && box && IsWindow(box); ++i)
            Sleep(50);
        box = WaitForVisible(L"#32770");
        ASSERT_TRUE(box && GetDlgItem(box, button)) << "no box with button " << button;
        PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
    }
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 60000));
    DWORD code = 99;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(0u, code);
    // The copy ends last, once it has removed the installed uninstall.exe.
    for (int i = 0; i < 100 && FileExists(g_target + L"\\uninstall.exe"); ++i)
        Sleep(100);
    copies.Stop();
    EXPECT_FALSE(FileExists(g_target + L"\\wordbook.exe"));
    EXPECT_EQ("", Loaded(g_target));
    ASSERT_FALSE(copies.folders.empty()) << "no temporary folder seen";
    EXPECT_TRUE(copies.planted);
    for (const std::wstring& dir : copies.folders) {
        EXPECT_EQ("", Loaded(dir));
        RemoveTree(dir);
    }
}

} // namespace
