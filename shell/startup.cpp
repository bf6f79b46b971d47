#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/appstate.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/collate.h"
#include "core/listdirs.h"
#include "core/random.h"
#include "core/records.h"
#include "core/report.h"
#include "core/uistrings.h"
#include <commctrl.h>
#include <cstring>
#include <ctime>

HINSTANCE g_instance;
int g_screenWidth, g_screenHeight;
int g_captionHeight, g_menuHeight;
HACCEL g_accelerators;
int g_windowOpen;

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

static int MessageLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (g_mainWindow && TranslateAcceleratorW(g_mainWindow, g_accelerators, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

bool StartWordbook(const char* commandLine)
{
    currentListName[0] = L'\0';
    g_windowOpen = 0;
    numberOfLists = 0;

    LoadUiStrings(StringsMode::Wordbook);
    if (FindWindowW(L"wboek", Str(Txt_Dictionary)))
        QuitProcess(1);

    char name[100];
    PairNameFromCommandLine(commandLine, name, sizeof name);

    if (LoadCatalogue() != 0)
        FatalMessage(nullptr, Str(Txt_NoIni), Str(Txt_Dictionary), MB_OK | MB_ICONWARNING, 1);
    SelectFromCatalogueFile();
    SelectPairByName(ToWideShared(name, g_uiCodePage));
    if (!ApplyPairLocale(CurrentPair()->sourceLocale))
        ShowMessage(nullptr, Str(Txt_ErrorLocale), Str(Txt_Dictionary), MB_OK | MB_ICONWARNING);
    LoadSortTable();

    ReadStartupSettings();
    MakeFonts();

    g_screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_screenHeight = GetSystemMetrics(SM_CYSCREEN);
    g_captionHeight = GetSystemMetrics(SM_CYCAPTION);
    g_menuHeight = GetSystemMetrics(SM_CYMENU);
    if (!CreateMainWindow())
        return false;

    wchar_t list[kListNameChars];
    GetProfileStringW(L"Dictionary", L"PracticeList", L"", list, kListNameChars);
    lstrcpynW(currentListName, list, kListNameChars);
    currentListId = static_cast<int>(GetProfileIntW(L"Dictionary", L"ListID", kFirstListId));
    if (currentListName[0] && !ListExists()) {
        currentListName[0] = L'\0';
        currentListId = kFirstListId;
    }
    OpenPairFiles();
    CountRecords();

    SeedRandom(static_cast<uint32_t>(time(nullptr)));
    BuildMainMenu();

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    LoadLibraryW(L"RICHED32.DLL");
    g_accelerators = BuildAccelerators();
    return true;
}

int RunWordbook(HINSTANCE instance, const char* commandLine, int show)
{
    g_instance = instance;
    if (!StartWordbook(commandLine))
        return 1;
    ShowWindow(g_mainWindow, show);
    UpdateWindow(g_mainWindow);
    return MessageLoop();
}
