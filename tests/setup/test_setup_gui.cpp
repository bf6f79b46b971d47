// The installer driven as a user would: its real window, in this process, and
// setup.exe itself for the unattended mode.
#include "setup/setup.h"
#include "setup/installrecord.h"
#include "core/report.h"
#include "core/uistrings.h"
#include "tests/support/installcheck.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include "tests/setup/setuptest.h"
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wincodec.h>
#include <cstring>
#include <map>

namespace {

struct LinkInfo {
    std::wstring path, arguments, workDir;
};

bool ReadLink(const std::wstring& file, LinkInfo* info)
{
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* persist = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
              SUCCEEDED(persist->Load(file.c_str(), STGM_READ));
    wchar_t buf[MAX_PATH];
    if (ok && SUCCEEDED(link->GetPath(buf, MAX_PATH, nullptr, 0)))
        info->path = buf;
    if (ok && SUCCEEDED(link->GetArguments(buf, MAX_PATH)))
        info->arguments = buf;
    if (ok && SUCCEEDED(link->GetWorkingDirectory(buf, MAX_PATH)))
        info->workDir = buf;
    if (persist)
        persist->Release();
    link->Release();
    return ok;
}

// The screen as it is now, as a PNG in the build tree's screenshots folder.
void SaveScreenshot(const wchar_t* name)
{
    // Wine puts window drawing on the screen at most every 50 ms, when the
    // thread looks at its messages.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    GdiFlush();
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);

    MakeDir(BuildPath(L"screenshots"));
    std::wstring path = BuildPath(std::wstring(L"screenshots/") + name);
    IWICImagingFactory* factory = nullptr;
    IWICBitmap* source = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
              SUCCEEDED(factory->CreateBitmapFromHBITMAP(bmp, nullptr, WICBitmapIgnoreAlpha, &source)) &&
              SUCCEEDED(factory->CreateStream(&stream)) &&
              SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
              SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
              SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
              SUCCEEDED(frame->SetSize(static_cast<UINT>(w), static_cast<UINT>(h))) &&
              SUCCEEDED(frame->SetPixelFormat(&format)) && SUCCEEDED(frame->WriteSource(source, nullptr)) &&
              SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    for (IUnknown* u : std::initializer_list<IUnknown*>{frame, encoder, stream, source, factory})
        if (u)
            u->Release();
    DeleteObject(bmp);
    EXPECT_TRUE(ok) << "screenshot " << Narrow(path);
}

// The closing message of the first installation also takes the screenshot of
// the finished installation, while the window still shows its progress.
void ScreenshotFirstInstallation()
{
    // The first installation's: later tests' windows may be off the screen by then.
    static bool taken = false;
    if (!taken && g_setupWindow && !IsWindowVisible(SetupControl(kDirField))) {
        SaveScreenshot(L"setup.png");
        taken = true;
    }
}

class SetupWindow : public SetupWindowTest {
protected:
    void SetUp() override
    {
        SetupWindowTest::SetUp();
        g_afterSetupBox = ScreenshotFirstInstallation;
    }
};

} // namespace

TEST_F(SetupWindow, ChooseADirectoryThenInstall)
{
    std::wstring medium = dir_ + L"\\medium";
    MakeMedium(medium, Narrow(dir_) + "\\header", "WbTest Word Book");
    Start(medium);
    EXPECT_EQ(dir_ + L"\\header\\app", Text(SetupControl(kDirField)));
    EXPECT_EQ(Str(Txt_Install_Start), Text(SetupControl(kInstallButton)));
    EXPECT_EQ(Str(Txt_Install_Dir), Text(SetupControl(kDirListLabel)));
    RECT r;
    GetWindowRect(g_setupWindow, &r);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), r.right - r.left);
    EXPECT_FALSE(Visible(kDriveList));

    // Change directory shows the lists, starting at c:\.
    Command(kChangeDirButton, BN_CLICKED);
    EXPECT_FALSE(IsWindowEnabled(SetupControl(kChangeDirButton)));
    EXPECT_TRUE(Visible(kDriveList) && Visible(kDirList) && Visible(kDriveLabel));
    GetWindowRect(SetupControl(kFrame), &r);
    EXPECT_EQ(320, r.bottom - r.top);
    EXPECT_EQ(0, _wcsicmp(L"C:\\", Text(SetupControl(kDirField)).c_str()));
    Select(kDriveList, L"C:\\");
    EXPECT_EQ(0, _wcsicmp(L"C:\\", Text(SetupControl(kDirField)).c_str()));
    HWND dirs = SetupControl(kDirList);
    EXPECT_EQ(LB_ERR, SendMessageW(dirs, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L".")));
    Select(kDirList, L"users");
    EXPECT_EQ(0, _wcsicmp(L"C:\\users", Text(SetupControl(kDirField)).c_str()));
    Select(kDirList, L"..");
    EXPECT_EQ(0, _wcsicmp(L"C:\\", Text(SetupControl(kDirField)).c_str()));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))   // lets the window paint, as a user would see it
        DispatchMessageW(&msg);
    SaveScreenshot(L"setup-choose.png");

    // Refused: a directory whose parent is missing, by Enter and by the button, and a file.
    SetWindowTextW(SetupControl(kDirField), (dir_ + L"\\missing\\deeper").c_str());
    SendMessageW(SetupControl(kDirField), WM_KEYDOWN, VK_RETURN, 0);
    SetWindowTextW(SetupControl(kDirField), (medium + L"\\readme.txt").c_str());
    Command(kInstallButton, BN_CLICKED);
    ASSERT_EQ(2u, g_boxes.size());
    for (const auto& box : g_boxes) {
        EXPECT_EQ(L"Invalid Directory", box.text);
        EXPECT_EQ(L"Error", box.caption);
        EXPECT_TRUE(box.type & MB_ICONERROR);
    }
    EXPECT_TRUE(Visible(kInstallButton));
    g_boxes.clear();

    // Enter in the field installs into the chosen directory, made on the way.
    std::wstring target = dir_ + L"\\chosen";
    SetWindowTextW(SetupControl(kDirField), target.c_str());
    SendMessageW(SetupControl(kDirField), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(nullptr, g_setupWindow);
    EXPECT_TRUE(QuitPosted());
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_EQ(L"Thank you\r\nfor installing.", g_boxes[0].text);
    EXPECT_EQ(Str(Txt_Install_Install), g_boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), g_boxes[0].type & MB_TYPEMASK);

    EXPECT_EQ("MZ not really", ReadBytes(target + L"\\wordbook.exe"));
    EXPECT_TRUE(FileExists(target + L"\\strings\\english.str") || !FileExists(medium + L"\\english.str"));
    EXPECT_TRUE(FileExists(target + L"\\tables\\dutch.stb"));
    EXPECT_TRUE(FileExists(target + L"\\language.in_"));
    EXPECT_TRUE(FileExists(target + L"\\sound\\right.wav"));
    EXPECT_TRUE(FileExists(target + L"\\books\\eng_ned.wb"));
    std::string built = ReadBytes(target + L"\\books\\ned_eng.wb");
    EXPECT_TRUE(!built.empty() && built.size() % 84 == 0);
    EXPECT_FALSE(FileExists(target + L"\\LANGUAGE.CF"));
    EXPECT_FALSE(FileExists(target + L"\\tmp.ini"));
    EXPECT_TRUE(FileExists(medium + L"\\LANGUAGE.CF"));

    // One pair: created catalogue, not rewritten by the sort.
    auto ui8 = [](StringId id) { return Narrow(Str(id)); };
    EXPECT_EQ(ui8(Txt_Install_IniLine01) + "\r\n\r\n" + ui8(Txt_IniAddnew) + "\r\n" + ui8(Txt_Install_IniLine03) +
                  "\r\n\r\n" + ui8(Txt_IniSelected) + "\r\neng_ned.wb\r\n\r\n" + ui8(Txt_IniLanguage) +
                  "\r\neng,english,0,English\r\n\r\n\r\n# --- EOF " + std::string(56, '-') + "\r\n",
              ReadBytes(target + L"\\" + Str(Txt_FilenameIni)));

    std::wstring group = ProgramsFolder() + L"\\WbTest Group";
    std::wstring uninstall = target + L"\\uninstall.ini";
    EXPECT_EQ(target, DictionaryKey(L"program", uninstall));
    EXPECT_EQ(L"WbTest Group", DictionaryKey(L"name", uninstall));
    EXPECT_EQ(group, DictionaryKey(L"icon", uninstall));
    EXPECT_EQ(group + L"\\WbTest Word Book.lnk", DictionaryKey(L"link", uninstall));
    EXPECT_EQ(UninstallKeyName(target), DictionaryKey(L"regkey", uninstall));
    EXPECT_EQ("", RecordDifferences(target));
    EXPECT_TRUE(UninstallEntryExists(UninstallKeyName(target)));
    EXPECT_FALSE(FileExists(dir_ + L"\\header"));
    EXPECT_EQ(L"yes=1", FileSetting(L"WbGuiTest"));
    EXPECT_EQ(L"120", FileSetting(Str(Txt_AviDelay)));

    LinkInfo link;
    ASSERT_TRUE(ReadLink(group + L"\\WbTest Word Book.lnk", &link));
    EXPECT_EQ(target + L"\\wordbook.exe", link.path);
    EXPECT_EQ(L"wb english", link.arguments);
    EXPECT_EQ(target, link.workDir);

    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    EXPECT_EQ(medium, std::wstring(cwd));
}

TEST_F(SetupWindow, QuitInstallsNothing)
{
    std::wstring medium = dir_ + L"\\medium";
    MakeMedium(medium, Narrow(dir_), "WbTest Word Book");
    MakeDir(dir_ + L"\\app");
    Start(medium);
    Command(kQuitButton, BN_CLICKED);
    EXPECT_EQ(nullptr, g_setupWindow);
    EXPECT_TRUE(QuitPosted());
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_FALSE(FileExists(dir_ + L"\\app\\uninstall.ini"));
    EXPECT_FALSE(FileExists(dir_ + L"\\app\\wordbook.exe"));
}

namespace {

// Runs setup.exe in dir with its standard error going to a file; returns the exit code.
DWORD RunSetupExe(const std::wstring& dir, const std::wstring& arguments, std::string* errors)
{
    std::wstring errFile = dir + L"\\..\\stderr-" + std::to_wstring(GetTickCount()) + L".txt";
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE err = CreateFileW(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    std::wstring exe = BuildPath(L"bin/setup.exe");
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    DWORD code = 99;
    if (CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(), &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 120000);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(err);
    *errors = ReadBytes(errFile);
    DeleteFileW(errFile.c_str());
    return code;
}

} // namespace

TEST_F(SetupWindow, UnattendedInstallReportsOnStandardError)
{
    std::wstring medium = dir_ + L"\\medium";
    MakeMedium(medium, Narrow(dir_) + "\\header", "WbTest Unattended", "copy onlyone\r\n");
    std::wstring target = dir_ + L"\\un attended";
    std::string errors;
    ASSERT_EQ(0u, RunSetupExe(medium, L"/S /D=" + target, &errors)) << errors;
    EXPECT_NE(std::string::npos, errors.find("install.inf, line 23: argument missing, line ignored: copy onlyone")) << errors;
    EXPECT_EQ("MZ not really", ReadBytes(target + L"\\wordbook.exe"));
    EXPECT_NE(std::string::npos, ReadBytes(target + L"\\DICT.INI").find("eng,english,0,English"));
    EXPECT_EQ(target, DictionaryKey(L"program", target + L"\\uninstall.ini"));
    EXPECT_TRUE(FileExists(ProgramsFolder() + L"\\WbTest Group\\WbTest Unattended.lnk"));

    // Fatal errors: exit code 1 and the text on standard error, no box.
    std::wstring empty = dir_ + L"\\empty";
    MakeDir(empty);
    EXPECT_EQ(1u, RunSetupExe(empty, L"/S", &errors));
    EXPECT_NE(std::string::npos, errors.find("Can't open INSTALL.INF")) << errors;
    EXPECT_EQ(1u, RunSetupExe(medium, L"/S /D=" + dir_ + L"\\no\\such\\place", &errors));
    EXPECT_NE(std::string::npos, errors.find("Invalid Directory")) << errors;
}

TEST(SetupCommandLine, UnattendedAndTargetDirectory)
{
    SetupOptions o = ParseSetupCommandLine(L"/S /D=C:\\Program Files\\Word Book  ");
    EXPECT_TRUE(o.unattended);
    EXPECT_EQ(L"C:\\Program Files\\Word Book", o.targetDir);
    o = ParseSetupCommandLine(L"  /s   /D=\"D:\\x y\"");
    EXPECT_TRUE(o.unattended);
    EXPECT_EQ(L"D:\\x y", o.targetDir);
    EXPECT_EQ(L"D:\\x y", ParseSetupCommandLine(L"/S \"/D=D:\\x y\"").targetDir);
    o = ParseSetupCommandLine(L"");
    EXPECT_FALSE(o.unattended);
    EXPECT_TRUE(o.targetDir.empty());
    o = ParseSetupCommandLine(L"/Silent /D C:\\x");
    EXPECT_FALSE(o.unattended);
    EXPECT_EQ(L"/Silent", o.unknown);
    EXPECT_TRUE(o.targetDir.empty());
}

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    if (at < text.size())
        lines.push_back(text.substr(at));
    return lines;
}

bool StartsWith(const std::string& text, const std::wstring& prefix) { return text.rfind(Narrow(prefix), 0) == 0; }

} // namespace

TEST_F(SetupWindow, FailuresAreListedNotFinished)
{
    std::string missing;
    ASSERT_TRUE(LoadUiStringsFromFile(BuildPath(L"strings/english.str").c_str(), &missing)) << missing;
    std::wstring medium = dir_ + L"\\medium";
    MakeMedium(medium, Narrow(dir_), "WbTest Unattended", "copy absent.txt absent.txt\r\n");
    std::wstring target = dir_ + L"\\target";
    MakeDir(target);
    WriteBytes(target + L"\\sound", "a file where the sound folder goes");

    // Unattended: exit code 1, and the list on standard error.
    std::string errors;
    EXPECT_EQ(1u, RunSetupExe(medium, L"/S /D=" + target, &errors));
    std::vector<std::string> lines = Lines(errors.substr(std::min(errors.find(Narrow(Str(Txt_Install_Failed))), errors.size())));
    ASSERT_EQ(4u, lines.size()) << errors;
    EXPECT_EQ(Narrow(Str(Txt_Install_Failed)), lines[0]);
    EXPECT_TRUE(StartsWith(lines[1], target + L"\\sound: ")) << lines[1];
    EXPECT_TRUE(StartsWith(lines[2], target + L"\\sound\\right.wav: ")) << lines[2];
    EXPECT_TRUE(StartsWith(lines[3], target + L"\\absent.txt: ")) << lines[3];
    // What could be done was done.
    EXPECT_EQ("MZ not really", ReadBytes(target + L"\\wordbook.exe"));
    EXPECT_TRUE(FileExists(target + L"\\books\\ned_eng.wb"));

    // In the window: the same list in the closing box instead of the display file.
    Start(medium);
    SetWindowTextW(SetupControl(kDirField), target.c_str());
    Command(kInstallButton, BN_CLICKED);
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_EQ(Widen(errors.substr(errors.find(Narrow(Str(Txt_Install_Failed))))), g_boxes[0].text + L"\r\n");
    EXPECT_TRUE(g_boxes[0].type & MB_ICONWARNING);

}

TEST_F(SetupWindow, TheTargetDirectoryIsTakenWhole)
{
    std::wstring medium = dir_ + L"\\medium";
    MakeMedium(medium, Narrow(dir_), "WbTest Unattended");
    // Longer than a path may be, but short once made absolute: cut to
    // MAX_PATH characters it would name another directory.
    std::wstring text = dir_ + L"\\a";
    while (text.size() < MAX_PATH + 20)
        text += L"\\.";
    text += L"\\..\\b";
    std::string errors;
    ASSERT_EQ(0u, RunSetupExe(medium, L"/S /D=" + text, &errors)) << errors;
    EXPECT_EQ("MZ not really", ReadBytes(dir_ + L"\\b\\wordbook.exe"));
    EXPECT_FALSE(FileExists(dir_ + L"\\a"));

    // Too long once absolute: refused.
    EXPECT_EQ(1u, RunSetupExe(medium, L"/S /D=" + dir_ + L"\\" + std::wstring(MAX_PATH, L'x'), &errors));
    EXPECT_NE(std::string::npos, errors.find("Invalid Directory")) << errors;
}

TEST_F(SetupWindow, WithoutADirTheUsersProgramsFolderIsOffered)
{
    std::wstring medium = dir_ + L"\\medium";
    MakeMedium(medium, "", "WbTest Word Book");   // "dir" without a folder: ignored
    Start(medium);
    EXPECT_EQ(UserProgramsFolder() + L"\\app", Text(SetupControl(kDirField)));
    Command(kQuitButton, BN_CLICKED);
}

namespace {

// Nothing at all in dir (or no dir).
bool EmptyOrAbsent(const std::wstring& dir)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return true;
    bool empty = true;
    do
        empty = empty && (wcscmp(fd.cFileName, L".") == 0 || wcscmp(fd.cFileName, L"..") == 0);
    while (FindNextFileW(h, &fd));
    FindClose(h);
    return empty;
}

} // namespace

// A folder a standard user can't write (Program Files) is refused before
// anything is copied, written or registered.
TEST_F(SetupWindow, AnUnwritableTargetIsRefusedBeforeAnything)
{
    std::string missing;
    ASSERT_TRUE(LoadUiStringsFromFile(BuildPath(L"strings/english.str").c_str(), &missing)) << missing;
    std::wstring medium = dir_ + L"\\medium";
    MakeMedium(medium, Narrow(dir_), "WbTest Word Book");
    const struct {
        const char* name;
        bool unattended;
        bool exists;   // else setup would have to make it
    } cases[] = {
        {"window, existing folder", false, true},
        {"window, folder to make", false, false},
        {"unattended, existing folder", true, true},
        {"unattended, folder to make", true, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring target = dir_ + L"\\locked" + std::to_wstring(++n);
        if (c.exists)
            MakeDir(target);
        InjectUnwritableFolder(target);
        g_boxes.clear();
        SetupOptions options;
        options.unattended = c.unattended;
        options.targetDir = target;
        Start(medium, options);
        int exitCode = 0;
        try {
            InstallCommand();
        } catch (const ExitCalled& e) {
            exitCode = e.code;
        }
        InjectUnwritableFolder(L"");

        ASSERT_EQ(1u, g_boxes.size());
        std::wstring text = g_boxes[0].text;
        EXPECT_NE(std::wstring::npos, text.find(target + L" (" + SystemErrorText(ERROR_ACCESS_DENIED) + L")"))
            << Narrow(text);
        EXPECT_EQ(0u, text.find(L"You can't write in the folder ")) << Narrow(text);
        EXPECT_EQ(L"Error", g_boxes[0].caption);
        EXPECT_TRUE(g_boxes[0].type & MB_ICONERROR);
        EXPECT_EQ(c.unattended ? 1 : 0, exitCode);
        EXPECT_TRUE(EmptyOrAbsent(target));
        EXPECT_EQ(c.exists, FileExists(target));
        EXPECT_EQ(L"<none>", FileSetting(L"WbGuiTest"));
        EXPECT_FALSE(UninstallEntryExists(UninstallKeyName(target)));
        if (c.unattended) {
            DestroyWindow(g_setupWindow);
            continue;
        }
        // Still choosing: a folder that can be written is taken at the next try.
        ASSERT_NE(nullptr, g_setupWindow);
        EXPECT_TRUE(Visible(kInstallButton) && Visible(kDirField));
        std::wstring free = target + L"-free";
        SetWindowTextW(SetupControl(kDirField), free.c_str());
        Command(kInstallButton, BN_CLICKED);
        EXPECT_EQ(nullptr, g_setupWindow);
        EXPECT_EQ("MZ not really", ReadBytes(free + L"\\wordbook.exe"));
        EXPECT_TRUE(UninstallEntryExists(UninstallKeyName(free)));
        EXPECT_EQ(L"yes=1", FileSetting(L"WbGuiTest"));
        ClearSettings();
    }
}

// Installing over an earlier installation: what this run wrote is recorded
// as it is now; the earlier record's files this run left alone stay recorded
// as they were installed, while they are there.
TEST_F(SetupWindow, AReinstallKeepsTheEarlierRecord)
{
    std::wstring medium = dir_ + L"\\medium";
    MakeMedium(medium, Narrow(dir_), "WbTest Unattended",
               "copy readme.txt kept.txt\r\ncopy readme.txt changed.txt\r\ncopy readme.txt gone.txt\r\n");
    std::wstring target = dir_ + L"\\target";
    std::string errors;
    ASSERT_EQ(0u, RunSetupExe(medium, L"/S /D=" + target, &errors)) << errors;
    std::map<std::wstring, RecordedFile> first = RecordedFiles(target);
    ASSERT_TRUE(first.count(L"KEPT.TXT") && first.count(L"GONE.TXT") && first.count(L"WORDBOOK.EXE"));

    WriteBytes(target + L"\\changed.txt", "the user's own text");
    DeleteFileW((target + L"\\gone.txt").c_str());
    WriteBytes(target + L"\\mine.txt", "never installed");
    std::string inf = ReadBytes(medium + L"\\install.inf");
    WriteBytes(medium + L"\\install.inf", inf.substr(0, inf.find("copy readme.txt kept.txt")));
    WriteBytes(medium + L"\\program.exe", "MZ the second version");
    ASSERT_EQ(0u, RunSetupExe(medium, L"/S /D=" + target, &errors)) << errors;

    std::map<std::wstring, RecordedFile> second = RecordedFiles(target);
    std::map<std::wstring, RecordedFile> now = FilesUnder(target);
    const struct {
        const wchar_t* path;
        bool recorded;
        bool asFirst;   // else as it is now
    } cases[] = {
        {L"KEPT.TXT", true, true},
        {L"CHANGED.TXT", true, true},
        {L"GONE.TXT", false, false},
        {L"MINE.TXT", false, false},
        {L"WORDBOOK.EXE", true, false},
        {L"UNINSTALL.EXE", true, false},
        {L"BOOKS\\NED_ENG.WB", true, false},
        {L"DICT.INI", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.path));
        ASSERT_EQ(c.recorded, second.count(c.path) == 1);
        if (c.recorded) {
            EXPECT_TRUE(second[c.path] == (c.asFirst ? first[c.path] : now[c.path]));
        }
    }
    EXPECT_FALSE(first[L"WORDBOOK.EXE"] == second[L"WORDBOOK.EXE"]);
    EXPECT_EQ(UninstallKeyName(target), RecordKey(target, L"regkey"));
}
