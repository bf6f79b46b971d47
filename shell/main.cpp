#include "shell/app.h"
#include "core/dllsearch.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show)
{
    RestrictDllSearch();
    return RunWordbook(instance, commandLine, show);
}
