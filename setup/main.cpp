// setup: installs wordbook from its delivery medium (the current directory).
//   setup.exe              the installer window
//   setup.exe /S [/D=dir]  unattended: no questions, errors on standard error
//   uninstall.exe /uninstall [/S] [/D=dir]  removes the installation in dir
//                          (by default the program's own folder)
#include "setup/setup.h"
#include "core/dllsearch.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand)
{
    RestrictDllSearch();
    return SetupRun(instance, commandLine, showCommand);
}
