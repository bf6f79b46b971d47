// State and operations shared by the parts of the installer.
#pragma once
#include <windows.h>
#include <string>

// Where the installer draws its progress (client coordinates of its window).
extern int g_titleY;   // next entry title, from 100
extern int g_barY;     // next progress bar, from 155
extern int g_textY;    // detailed-display text line, from 170
extern bool g_detailedDisplay;

extern HWND g_setupWindow;
extern HFONT g_titleFont;
extern HFONT g_smallFont;
extern std::wstring g_startDir;    // source directory: where setup was started
extern std::wstring g_targetDir;   // installation directory
extern int g_installerCharset;     // [Dictionary] Character of language.in_
extern int g_mainCodePage;         // its code page: the main language's
extern int g_interfaceCodePage;    // installer charset's until the strings load
// Unattended (/S): no boxes, fatal errors to standard error.
extern bool g_unattended;

// What the install script asked for.
struct ScriptResults {
    std::wstring title;
    std::wstring wbarg;
    std::wstring iconName;
    std::wstring iconGroup;
    std::wstring iconExe;
    std::wstring displayFile;
    std::wstring uninstallPath;
    bool wantShortcut = false;
    bool mkwlist = false;
};
extern ScriptResults g_script;

// Arrow cursor, "Error" box (or standard error when unattended), exit code 1.
[[noreturn]] void SetupFatal(const wchar_t* text);
