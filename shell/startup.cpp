#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/codepage.h"
#include "core/dllsearch.h"
#include "core/fileutil.h"
#include "core/random.h"
#include "core/report.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "core/usersettings.h"
#include <commctrl.h>
#include <string>
#include <cstring>
#include <ctime>

HINSTANCE g_instance;
HWND g_mainWindow;
int g_screenWidth, g_screenHeight;
int g_captionHeight, g_menuHeight;
HACCEL g_accelerators;
int g_windowOpen;
bool g_readOnlyInstall;

void PairNameFromCommandLine(const char* commandLine, char* name, size_t size)
{
    name[0] = '\0';
    if (!commandLine || size == 0)
        return;
    // Only the text before the first "/" is looked at, at most 99 characters.
    char head[100];
    size_t n = 0;
    while (commandLine[n] && commandLine[n] != '/' && n < sizeof head - 1) {
        head[n] = commandLine[n];
        ++n;
    }
    head[n] = '\0';
    const char* at = strstr(head, "wb ");
    if (!at)
        return;
    strncpy(name, at + 3, size - 1);
    name[size - 1] = '\0';
    // Trailing blanks are no part of a language name.
    for (size_t len = strlen(name); len > 0 && (name[len - 1] == ' ' || name[len - 1] == '"'); --len)
        name[len - 1] = '\0';
}

static HACCEL BuildAccelerators()
{
    ACCEL keys[6] = {
        {FALT | FVIRTKEY, static_cast<WORD>(Str(Txt_AccelAdd)[0]), CmdAdd},
        {FALT | FVIRTKEY, static_cast<WORD>(Str(Txt_AccelPractice)[0]), CmdPractise},
        {FALT | FVIRTKEY, static_cast<WORD>(Str(Txt_AccelSearch)[0]), CmdSearch},
        {FALT | FVIRTKEY, static_cast<WORD>(Str(Txt_AccelCreatelist)[0]), CmdMakeList},
        {FCONTROL | FVIRTKEY, static_cast<WORD>(Str(Txt_AccelExit)[0]), CmdQuit},
        {FVIRTKEY, VK_F1, CmdHelp},
    };
    return CreateAcceleratorTableW(keys, 6);
}

bool IsMainWindowMessage(const MSG& msg)
{
    return g_mainWindow && (msg.hwnd == g_mainWindow || IsChild(g_mainWindow, msg.hwnd));
}

static int MessageLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Only the main window's keys: Ctrl+Q in another window must not end
        // the program behind that window's back.
        if (IsMainWindowMessage(msg) && TranslateAcceleratorW(g_mainWindow, g_accelerators, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// The practice list of the settings, when it still exists.
static void ReadPracticeList()
{
    SettingsSnapshot settings = ReadSettings();
    lstrcpynW(g_session.listName, SettingText(settings, L"PracticeList", L"", kListNameChars - 1).c_str(),
              kListNameChars);
    g_session.listId = SettingInt(settings, L"ListID", kFirstListId);
    if (g_session.listName[0] && !ListExists(g_session.listName)) {
        g_session.listName[0] = L'\0';
        g_session.listId = kFirstListId;
    }
}

// Start-up up to the main window, ready to show.
static bool StartMainWindow(const char* commandLine)
{
    ResetSession();
    g_windowOpen = 0;
    g_readOnlyInstall = false;

    LoadUiStrings(StringsMode::Wordbook);
    if (FindWindowW(L"wboek", Str(Txt_Dictionary)))
        QuitProcess(1);

    char name[100];
    PairNameFromCommandLine(commandLine, name, sizeof name);

    if (LoadCatalogue() != 0)
        FatalMessage(nullptr, Str(Txt_NoIni), Str(Txt_Dictionary), MB_OK | MB_ICONWARNING, 1);
    SelectFromCatalogueFile();
    SelectPairByName(ToWideShared(name, g_uiCodePage));

    ReadStartupSettings();
    MakeFonts();

    g_screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_screenHeight = GetSystemMetrics(SM_CYSCREEN);
    g_captionHeight = GetSystemMetrics(SM_CYCAPTION);
    g_menuHeight = GetSystemMetrics(SM_CYMENU);
    // The pair is settled before the main window shows it: a word book that
    // can't be opened gives way to the first one that can. Its list, table
    // and locale wait until the window shows.
    OpenStartBook();
    if (!CreateMainWindow())
        return false;

    SeedRandom(static_cast<uint32_t>(time(nullptr)));

    g_accelerators = BuildAccelerators();
    return true;
}

// An installation made for all users is read-only to a standard user: said
// once here, rather than as a failure at every change the user tries.
static void CheckInstallationFolder()
{
    std::wstring folder = FullPath(L".");
    unsigned long error = 0;
    g_readOnlyInstall = !folder.empty() && !CanWriteInFolder(folder, &error);
    if (!g_readOnlyInstall)
        return;
    DisableInstallationChanges();
    std::wstring text = FillIn(Str(Txt_ReadOnlyInstall), {folder, SystemErrorText(error)});
    ShowMessage(g_mainWindow, text.c_str(), Str(Txt_Dictionary), MB_OK | MB_ICONINFORMATION);
}

// What the main window's first paint doesn't need: done once it shows.
static void FinishStartup()
{
    ReadPracticeList();
    SettleStartPair();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    LoadSystemLibrary(L"RICHED32.DLL");
    CheckInstallationFolder();
}

bool StartWordbook(const char* commandLine)
{
    if (!StartMainWindow(commandLine))
        return false;
    FinishStartup();
    return true;
}

int RunWordbook(HINSTANCE instance, const char* commandLine, int show)
{
    g_instance = instance;
    if (!StartMainWindow(commandLine))
        return 1;
    ShowWindow(g_mainWindow, show);
    UpdateWindow(g_mainWindow);
    FinishStartup();
    return MessageLoop();
}
