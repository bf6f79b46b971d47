// State and operations shared by the parts of the installer.
#pragma once
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

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

// Shows a warning box (standard error when unattended) and goes on.
void SetupWarning(const wchar_t* text, const wchar_t* caption);
// A note for the administrator of an unattended run; nothing otherwise.
void UnattendedNote(const std::wstring& text);
// Writes one line to standard error, attaching to the parent's console when the
// process has no standard error of its own.
void WriteStandardError(const std::wstring& text);
// Sends message boxes to standard error instead (unattended runs).
void UseStandardErrorForMessages();

// 8-bit text of the installer's files <-> wide text.
std::wstring WideFrom8(const std::string& text, int codePage);
std::string EightFrom(const std::wstring& text, int codePage);
// Reads one line of any length through a small buffer, line end removed;
// false at the end of the file.
bool ReadTextLine(FILE* f, std::string& line);
// Compares folding only the letters A to Z.
bool EqualFoldAZ(const std::string& a, const std::string& b);
// Directory with exactly one trailing backslash.
std::wstring WithBackslash(const std::wstring& dir);

// The install script, install.inf in the start directory.
void ReadScriptHeader();   // first pass: title, target directory, wbarg, debug
int RunScript();           // second pass: the commands, into g_targetDir

// The catalogue files, relative to the current directory (the target directory).
struct PairGroup {
    int line = 0;                  // line number of the pair line in LANGUAGE.CF
    std::string fields[4];         // name, locale, charset, long name
    std::string inputFile;         // delivered word book
    std::string outputFile;        // reverse word book to build
};
// Reads LANGUAGE.CF whole; a malformed group is fatal, naming its line.
std::vector<PairGroup> ReadPairGroups(FILE* f);
void ProcessLanguageCf();
void EnsureDictIni(const std::string& firstWordBook);
void RemovePairLines(const std::string& longName);
void AppendPairLine(const PairGroup& group);
int CountCatalogueLines();
int SortCatalogueBlock();
extern const char kDictEndMarker[];

// The installer window.
enum SetupControlId {
    kFrame = 100, kDirLabel, kDirField, kInstallButton, kChangeDirButton, kQuitButton,
    kDriveLabel, kDirListLabel, kDriveList, kDirList
};
HWND SetupControl(int id);
struct SetupOptions {
    bool unattended = false;
    std::wstring targetDir;   // /D=, empty for the default
    std::wstring unknown;     // the first argument not understood
};
SetupOptions ParseSetupCommandLine(const wchar_t* commandLine);
// Start-up up to the shown window (strings loaded, header read).
void StartSetup(HINSTANCE instance, const SetupOptions& options, int showCommand);
// The Install command: validate, run the script, build, register, shortcut, close.
void InstallCommand();
// The whole program; returns the exit code.
int SetupRun(HINSTANCE instance, const wchar_t* commandLine, int showCommand);
// Puts a copied file's destination into the directory field.
void ShowCopyStatus(const std::wstring& path);
void DrawEntryTitle(const wchar_t* text);
// The closing message: the script's display file (at most 4999 characters), or Install_Finished.
std::wstring ClosingText();
struct WordListProgress;
const WordListProgress& SetupProgress();

// Shortcuts through the shell's COM objects.
HRESULT CreateShortcut(const wchar_t* program, const wchar_t* linkPath, const wchar_t* workDir, const wchar_t* arguments);
void MakeProgramShortcut();
