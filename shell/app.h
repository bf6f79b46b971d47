// State of the running program shared by all of its windows.
#pragma once
#include <windows.h>

extern HINSTANCE g_instance;
extern int g_screenWidth, g_screenHeight;
extern int g_captionHeight, g_menuHeight;
extern HACCEL g_accelerators;
// 1 while a secondary window is open; the main window ignores its window commands then.
extern int g_windowOpen;

struct Fonts {
    HFONT title;        // main window title
    HFONT title2;       // made and deleted only
    HFONT language;     // language names in the main window
    HFONT arial15;
    HFONT arial14Bold;
    HFONT arial12Bold;
    HFONT arial15Bold;
    HFONT arial10;
    HFONT arial14;      // made and deleted only
    HFONT gui;          // buttons, controls and progress texts
};
extern Fonts g_fonts;

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
    POINT windowPos[PosCount];
};
extern Settings g_settings;

// win.ini [Dictionary]
void ReadStartupSettings();   // fonts and search-window settings
void ReadWindowSettings();    // colours, modes and positions: at main-window creation
void WriteSettings(HWND mainWindow);

void MakeFonts();
void DeleteFonts();

// Makes a window topmost or not, as StayOnTop says.
void ApplyStayOnTop(HWND hwnd);

// Start-up up to the message loop; false when the main window can't be made.
bool StartWordbook(const char* commandLine);
// Runs the program: start-up, message loop; returns the exit code.
int RunWordbook(HINSTANCE instance, const char* commandLine, int show);
// The pair name of the "wb " command line ("" when none).
void PairNameFromCommandLine(const char* commandLine, char* name, size_t size);
