// Importing a table of words into the current pair's word book, with a
// preview of what would be stored, and exporting a word book or practice
// list as a table.
#pragma once
#include <windows.h>

enum ImportControls {
    ImpLabel = 100,  // the texts on the window's grey
    ImpFormat = 101,
    ImpHeader = 102,
    ImpWord = 103,
    ImpTranslation = 104,
    ImpSummary = 105,
    ImpRefused = 106,
    ImpSaveRefused = 107,
    ImpStart = 108,
    ImpCancel = 109,
    ImpProgressBar = 110,
    ImpProgressCancel = 111,
};

// Asks for a table file over the main window and shows the preview, modal to
// the main window; nothing when a window is open already or none was chosen.
void OpenImportWindow();
// Save dialogs over owner, then the export and a message with the count or the error.
void ExportWordBookAs(HWND owner);
void ExportPracticeListAs(HWND owner);

// Called after each step the progress window shows (lets tests act at work).
extern void (*g_importStepShown)(HWND progressWindow, long done, long total);
