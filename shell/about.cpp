#include "shell/about.h"
#include "version.h"
#include "core/report.h"
#include "core/fileutil.h"
#include "shell/app.h"
#include "shell/resource.h"
#include "core/uistrings.h"
#include <vfw.h>

struct AboutState {
    HWND media;
    UINT device;
    MCIERROR lastPlay;
};
static AboutState s;

static MCIERROR PlayFromStart(HWND dialog)
{
    MCI_PLAY_PARMS play{};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(dialog);
    play.dwFrom = 0;
    return mciSendCommandW(s.device, MCI_PLAY, MCI_FROM | MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play));
}

static void OnInitDialog(HWND dialog)
{
    const struct { int id; StringId text; } items[] = {
        {IDOK, Txt_AboutDialogOk},
        {IDC_ABOUT_VERSION, Txt_AboutDialogVersion},
        {IDC_ABOUT_COPYRIGHT, Txt_AboutDialogCopyright},
        {IDC_ABOUT_WEBSITE, Txt_AboutDialogWebsite},
        {IDC_ABOUT_EMAIL, Txt_AboutDialogEmail},
    };
    for (const auto& item : items) {
        HWND control = GetDlgItem(dialog, item.id);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(g_fonts.gui), FALSE);
        SetWindowTextW(control, Str(item.text));
    }
    // The build's version, in the strings file's words.
    SetWindowTextW(GetDlgItem(dialog, IDC_ABOUT_VERSION), FillIn(Str(Txt_AboutDialogVersion), {WB_VERSION_WIDE}).c_str());
    SetWindowTextW(dialog, Str(Txt_AboutDialogCaption));

    s = {};
    // The media device resolves names by itself: give it the full path. One
    // it can't take whole means no film.
    std::wstring file = FullPath(L"dict.avi");
    if (file.empty() || file.size() >= MAX_PATH)
        return;
    s.media = MCIWndCreateW(dialog, g_instance,
                            WS_CHILD | WS_VISIBLE | MCIWNDF_NOPLAYBAR | MCIWNDF_NOMENU | MCIWNDF_NOERRORDLG, file.c_str());
    if (!s.media)
        return;
    // On top of the group box that frames it, or the box paints over the film.
    SetWindowPos(s.media, HWND_TOP, 10, 11, 0, 0, SWP_NOSIZE);
    MCIWndSetRepeat(s.media, TRUE);
    s.device = MCIWndGetDeviceID(s.media);
    s.lastPlay = PlayFromStart(dialog);
}

// Waits the pause between two runs; a mouse click or a key press cuts it
// short. The message stays queued, so Esc, Enter or the close box then close
// the box as they do while the film runs.
static void PauseBetweenRuns()
{
    if (g_settings.aviDelay <= 0)
        return;
    DWORD end = GetTickCount() + static_cast<DWORD>(g_settings.aviDelay);
    MSG msg;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        if (PeekMessageW(&msg, nullptr, WM_LBUTTONDOWN, WM_MBUTTONDBLCLK, PM_NOREMOVE) ||
            PeekMessageW(&msg, nullptr, WM_NCLBUTTONDOWN, WM_NCMBUTTONDBLCLK, PM_NOREMOVE) ||
            PeekMessageW(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE) ||
            PeekMessageW(&msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_NOREMOVE))
            return;
        Sleep(10);
    }
}

static void OnMciNotify(HWND dialog, WPARAM flags)
{
    if (flags != MCI_NOTIFY_SUCCESSFUL || s.lastPlay != 0)
        return;
    PauseBetweenRuns();
    s.lastPlay = PlayFromStart(dialog);
}

static void Close(HWND dialog)
{
    if (s.media) {
        MCIWndDestroy(s.media);
        s.media = nullptr;
    }
    EndDialog(dialog, 0);
}

static INT_PTR CALLBACK AboutProc(HWND dialog, UINT msg, WPARAM wp, LPARAM)
{
    switch (msg) {
    case WM_INITDIALOG: OnInitDialog(dialog); return TRUE;
    case MM_MCINOTIFY: OnMciNotify(dialog, wp); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            Close(dialog);
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

void ShowAboutBox(HWND owner)
{
    DialogBoxW(g_instance, IDD_ABOUTBOX_NAME, owner, AboutProc);
}
