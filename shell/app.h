// State of the running program shared by all of its windows.
#pragma once
#include <windows.h>

extern HINSTANCE g_instance;
// The main window (null until it exists).
extern HWND g_mainWindow;
extern int g_screenWidth, g_screenHeight;
extern int g_captionHeight, g_menuHeight;
extern HACCEL g_accelerators;
// 1 while a secondary window is open; the main window ignores its window commands then.
extern int g_windowOpen;
// The installation folder can't be written (one made for all users, run by a
// standard user): words can be looked up, nothing there is changed.
extern bool g_readOnlyInstall;

// The fonts of all windows, by what they are for.
struct Fonts {
    HFONT title;            // the main window's title
    HFONT language;         // language names in the main window
    HFONT heading;          // language names over the fields of the add and practice windows
    HFONT listHeading;      // the list maker's heading
    HFONT listHint;         // the list maker's hints
    HFONT searchHeading;    // the search window's heading
    HFONT translateHeading; // the translate window's heading
    HFONT gui;              // buttons, controls and progress texts
};
// The fonts at the primary screen's scale.
extern Fonts g_fonts;
// The fonts at a window's scale (WindowDpi): made on first use, kept until DeleteFonts.
const Fonts& FontsFor(int dpi);

// Remembered window positions; 9999 in top means never placed.
enum WindowSlot { PosMain, PosPractise, PosMakelist, PosAdd, PosTranslate, PosSearch, PosCount };

struct Settings {
    wchar_t languageFont[49];
    wchar_t guiFont[49];
    int guiFontSize;
    int languageFontSize;
    int searchWindowSize;
    int searchWindowMinimal;
    int colorR, colorG, colorB;
    int colorRi, colorGi, colorBi;
    int aviDelay;
    int practiceMode;
    int practiceSound;
    int stayOnTop;
    int clipSearch;
    int addNewWordsToList;
    POINT windowPos[PosCount];  // screen coordinates; y kNoPosition: never placed
};
extern Settings g_settings;

// The user's settings (core/usersettings.h)
void ReadStartupSettings();   // fonts and search-window settings
void ReadWindowSettings();    // colours, modes and positions: at main-window creation
void WriteSettings(HWND mainWindow);

void MakeFonts();
void DeleteFonts();

// Makes a window topmost or not, as StayOnTop says.
void ApplyStayOnTop(HWND hwnd);

// True for messages to the main window or its children: the only ones the
// main window's accelerators apply to.
bool IsMainWindowMessage(const MSG& msg);
// Start-up up to the message loop; false when the main window can't be made.
bool StartWordbook(const char* commandLine);
// Runs the program: start-up, message loop; returns the exit code.
int RunWordbook(HINSTANCE instance, const char* commandLine, int show);
// The pair name of the "wb " command line ("" when none).
void PairNameFromCommandLine(const char* commandLine, char* name, size_t size);
