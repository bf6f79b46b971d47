// Readers, a delivery medium and the window's set-up shared by the installer's tests.
#pragma once
#include "setup/setup.h"
#include "core/fileutil.h"
#include "core/report.h"
#include "tests/support/installcheck.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <cstring>
#include <string>
#include <vector>

// [Dictionary] key of a profile file, or of win.ini without a file; "<none>" when missing.
inline std::wstring DictionaryKey(const wchar_t* key, const std::wstring& file = L"")
{
    wchar_t buf[400];
    if (file.empty())
        GetProfileStringW(L"Dictionary", key, L"<none>", buf, 400);
    else
        GetPrivateProfileStringW(L"Dictionary", key, L"<none>", buf, 400, file.c_str());
    return buf;
}

// A window's text (the first 399 characters).
inline std::wstring Text(HWND hwnd)
{
    wchar_t buf[400];
    GetWindowTextW(hwnd, buf, 400);
    return buf;
}

inline std::string Record(const char* word, const char* translation)
{
    std::string r(84, '\0');
    memcpy(&r[0], word, strlen(word));
    memcpy(&r[31], translation, strlen(translation));
    return r;
}

// A delivery medium: program, tables, strings, one word book and its LANGUAGE.CF.
inline void MakeMedium(const std::wstring& dir, const std::string& headerDir, const std::string& iconName,
                const std::string& extraLines = "")
{
    for (const wchar_t* sub : {L"", L"\\tables", L"\\snd"})
        MakeDir(dir + sub);
    std::string identity(256, '\0');
    for (int i = 0; i < 256; ++i)
        identity[i] = static_cast<char>(i);
    for (const wchar_t* stem : {L"english", L"dutch"})
        WriteBytes(dir + L"\\tables\\" + stem + L".stb", identity);
    WriteBytes(dir + L"\\program.exe", "MZ not really");
    WriteBytes(dir + L"\\snd\\right.wav", "RIFF");
    WriteBytes(dir + L"\\eng_ned.wb", Record("house", "huis") + Record("cat", "kat, poes"));
    WriteBytes(dir + L"\\LANGUAGE.CF", "# delivered pairs\r\neng,english,0,English\r\neng_ned.wb\r\nned_eng.wb\r\n");
    WriteBytes(dir + L"\\language.in_", "[Dictionary]\r\nLanguage=english\r\nCharacter=0\r\n");
    WriteBytes(dir + L"\\readme.txt", "Thank you\r\nfor installing.");
    CopyFileW(BuildPath(L"strings/english.str").c_str(), (dir + L"\\english.str").c_str(), FALSE);
    WriteBytes(dir + L"\\install.inf",
               "title Word Book Test\r\ndir " + headerDir + "\r\nsubdir app\r\nwbarg wb english\r\n"
               "mkdir books\r\nmkdir tables\r\nmkdir strings\r\nmkdir sound\r\n"
               "copy program.exe wordbook.exe\r\ncopy english.str strings\\english.str\r\n"
               "copy LANGUAGE.CF LANGUAGE.CF\r\ncopy eng_ned.wb books\\eng_ned.wb\r\n"
               "xcopy tables\\*.stb tables\r\nxcopy language.in_\r\nsndcopy snd sound\r\n"
               "setini WbGuiTest=yes=1\r\navidelay 120\r\niconname " + iconName + "\r\n"
               "icongroup WbTest Group\r\niconexe wordbook.exe\r\ndisplay readme.txt\r\nmkwlist\r\n" + extraLines);
}

inline std::wstring ProgramsFolder()
{
    wchar_t path[MAX_PATH];
    return SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAMS, FALSE) ? path : L"";
}

// The installer's boxes are recorded, answered with OK; a test may look at the
// window while each box would be up.
inline std::vector<CapturedMessage> g_boxes;
inline void (*g_afterSetupBox)() = nullptr;
inline int RecordSetupBox(HWND, const wchar_t* text, const wchar_t* caption, UINT type)
{
    g_boxes.push_back({text, caption, type, nullptr, {}, {}});
    if (g_afterSetupBox)
        g_afterSetupBox();
    return IDOK;
}
inline void ThrowOnExit(int code) { throw ExitCalled{code}; }

// The installer's real window in this process, started on a medium; the
// settings, win.ini, shortcuts and uninstall entries are as before afterwards.
class SetupWindowTest : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        CoInitialize(nullptr);
        g_boxes.clear();
        g_afterSetupBox = nullptr;
        SetReportHooks({RecordSetupBox, ThrowOnExit});
        ClearSettings();
        winIni_ = WinIniBytes();
    }
    void TearDown() override
    {
        if (g_setupWindow)
            DestroyWindow(g_setupWindow);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ;
        SetReportHooks({});
        g_afterSetupBox = nullptr;
        InjectUnwritableFolder(L"");
        RemoveShortcuts();
        RemoveUninstallEntriesUnder(dir_);
        // Settings go to the user's file alone.
        EXPECT_TRUE(winIni_ == WinIniBytes()) << "win.ini changed";
        ScratchDirTest::TearDown();
    }
    std::string winIni_;
    static void RemoveShortcuts()
    {
        std::wstring group = ProgramsFolder() + L"\\WbTest Group";
        for (const wchar_t* name : {L"\\WbTest Word Book.lnk", L"\\WbTest Unattended.lnk"})
            DeleteFileW((group + name).c_str());
        RemoveDirectoryW(group.c_str());
    }
    void Start(const std::wstring& medium, const SetupOptions& options = {})
    {
        SetCurrentDirectoryW(medium.c_str());
        try {
            StartSetup(GetModuleHandleW(nullptr), options, SW_SHOW);
        } catch (const ExitCalled&) {
            FAIL() << "start-up ended: " << Narrow(g_boxes.empty() ? L"" : g_boxes.back().text);
        }
        ASSERT_NE(nullptr, g_setupWindow);
    }
    static void Command(int id, int code)
    {
        SendMessageW(g_setupWindow, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(SetupControl(id)));
    }
    static void Select(int listId, const std::wstring& entry)
    {
        HWND list = SetupControl(listId);
        LRESULT i = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
        ASSERT_NE(LB_ERR, i) << Narrow(entry);
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        Command(listId, LBN_SELCHANGE);
    }
    static bool Visible(int id) { return IsWindowVisible(SetupControl(id)) != 0; }
    static bool QuitPosted()
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message == WM_QUIT)
                return msg.wParam == 0;
        return false;
    }
};
