// setup: installs wordbook from its delivery medium (the current directory).
//   setup.exe              the installer window
//   setup.exe /S [/D=dir]  unattended: no questions, errors on standard error
#include "setup/setup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand)
{
    return SetupRun(instance, commandLine, showCommand);
}
