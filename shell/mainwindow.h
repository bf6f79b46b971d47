// The main window: the hub from which every other window opens.
#pragma once
#include <windows.h>

enum MainCommand {
    CmdQuit = 3,
    CmdHelp = 4,
    CmdAbout = 5,
    CmdTranslate = 9,
    CmdAdd = 10,
    CmdPractise = 11,
    CmdSearch = 12,
    CmdMakeList = 13,
    CmdRecord = 25,
    CmdStayOnTop = 55,
    CmdNewBook = 62,
    CmdInfo = 63,
    CmdMode0 = 64,
    CmdMode1 = 65,
    CmdMode2 = 66,
    CmdProgress = 67,
    CmdImport = 68,
    CmdExportBook = 69,
    CmdExportList = 70,
    CmdFirstPair = 200,
};

bool CreateMainWindow();
// Menu bar with the language menu; attaches it to the main window.
void BuildMainMenu();
// Greys the commands that change files of the installation (g_readOnlyInstall).
void DisableInstallationChanges();
// Called by every secondary window when it is destroyed.
void SecondaryWindowClosed();
// Id of the language-menu item carrying the check mark.
int MarkedPairItem();

// The language-pair submenu, for the background menus of other windows.
HMENU PairMenu();
bool IsPairCommand(int id);
// A pair command from any window: moves the check mark and makes the pair
// current with its icons. False when the pair is not current afterwards
// (no such command, or its word book can't be opened).
bool SwitchPairByCommand(int id);

// Opens a secondary window through its open function (false: it could not
// be made) unless one is open already; hides the main window meanwhile.
void OpenSecondary(bool (*open)());
