/* A stranger's DLL, for the DLL-planting test: planted under the name of a
   system DLL, it appends the path of the program that loaded it to
   "<its own path>.loaded". */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t marker[MAX_PATH + 8], loader[MAX_PATH + 1];
    DWORD n = GetModuleFileNameW(self, marker, MAX_PATH), m = GetModuleFileNameW(NULL, loader, MAX_PATH);
    if (!n || n >= MAX_PATH || !m || m >= MAX_PATH)
        return TRUE;
    lstrcatW(marker, L".loaded");
    loader[m++] = L'\n';
    HANDLE f = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(f, loader, m * sizeof(wchar_t), &written, NULL);
        CloseHandle(f);
    }
    return TRUE;
}
