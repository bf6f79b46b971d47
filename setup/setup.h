// State and operations shared by the parts of the installer.
#pragma once
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/textfold.h"

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
    std::wstring shortcutFolder;  // where the shortcut went, once made
    std::wstring shortcutFile;
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

// Directory with exactly one trailing backslash.
std::wstring WithBackslash(const std::wstring& dir);

// What the installation could not do, and where it kept the word books it
// replaced; both end up in the closing message (standard error under /S).
struct InstallOutcome {
    std::vector<std::wstring> failures;  // one line each: what, and the system's reason
    std::wstring backupDir;              // empty until a word book was kept
    std::wstring backupStamp;            // one date-time for every backup of the run
    std::vector<std::wstring> written;   // files this run put in the target, full paths
};
extern InstallOutcome g_outcome;
// Records that path could not be made or written, with the system's text for error.
void NoteFailure(const std::wstring& path, DWORD error);
// Makes the directory unless it is there already; a failure is noted.
bool MakeDirectory(const std::wstring& dir);
// Install_Failed and the failures, then the Install_Kept line; empty when
// nothing failed and nothing was kept.
std::vector<std::wstring> OutcomeLines();
// Notes that the run put the file at path there, for the installation's record.
void NoteWrittenFile(const std::wstring& path);
// True when path names a file directly in the target's word-book folder.
bool InWordBookFolder(const std::wstring& path);
// Before path is replaced by replacement: keeps a copy of path, named with
// the date and time, in the word-book folder's "backup" when the two differ.
// False when a needed copy could not be made (path must then stay as it is).
bool KeepReplacedWordBook(const std::wstring& path, const std::wstring& replacement);

// The install script, install.inf in the start directory.
void ReadScriptHeader();   // first pass: title, target directory, wbarg, debug
void RunScript();          // second pass: the commands, into g_targetDir

// The catalogue files, relative to the current directory (the target directory).
struct PairGroup {
    int line = 0;                  // line number of the pair line in LANGUAGE.CF
    std::string fields[4];         // name, locale, charset, long name
    std::string inputFile;         // delivered word book
    std::string outputFile;        // reverse word book to build
};
void ProcessLanguageCf();
void EnsureDictIni(const std::string& firstWordBook);
void RemovePairLines(const std::string& longName);
void AppendPairLine(const PairGroup& group);
// The lines of the first catalogue block, the one setup adds to; -1 when
// DICT.INI can't be read.
int CountCatalogueLines();
// Sorts that block by long name; every other line stays as it was. 0, or -1.
int SortCatalogueBlock();

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
    bool uninstall = false;   // /uninstall: the uninstaller, for targetDir
    // Given to the uninstaller's temporary copy by the original: its process
    // handle (/WAIT=) and the pipe for the exit code (/RESULT=), both inherited.
    unsigned long long waitFor = 0;
    unsigned long long resultPipe = 0;
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
// The closing message: the script's display file (at most 4999 characters),
// or Install_Finished, or the failures instead; then where word books were kept.
std::wstring ClosingText();
struct WordListProgress;
const WordListProgress& SetupProgress();

// The Start-menu shortcut the script asked for; a failure is noted.
void MakeProgramShortcut();

// The installation's end, in the target: the uninstaller (a copy of setup),
// uninstall.ini listing what the run put there, and the entry in the user's
// list of installed programs; failures are noted.
void RecordInstallation();
// Where setup installs unless told otherwise: the user's own programs folder,
// which needs no administrator.
std::wstring DefaultInstallFolder();
// Install_NotWritable for dir, with the system's reason for error.
std::wstring NotWritableText(const std::wstring& dir, DWORD error);

// The uninstaller. Removes the installation in folder as its uninstall.ini
// recorded it, asking first unless unattended; the user's own work stays
// unless the user asks otherwise. leaveForLater: the running uninstaller's
// file, which can't go yet; *removeLater gets its path in the folder when it
// should go once it can. Returns the exit code: 0 removed, 1 not.
int UninstallFolder(const std::wstring& folder, bool unattended, const std::wstring& leaveForLater = L"",
                    std::wstring* removeLater = nullptr);
// uninstall.exe /uninstall [/S] [/D=folder]: from a temporary copy when the
// running file is in the folder. Returns the exit code.
int UninstallRun(const SetupOptions& options);
