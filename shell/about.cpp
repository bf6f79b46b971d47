#include "shell/about.h"
#include "version.h"
#include "core/report.h"
#include "core/fileutil.h"
#include "shell/app.h"
#include "shell/resource.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/kit.h"
#include <string>
#include <vfw.h>

// The film's left top in the design (dict.avi); the build draws the film for
// these scales too, as dict-144.avi and so on.
static const POINT kFilm{10, 11};
static const int kDrawnFilmDpis[] = {192, 144};

struct AboutState {
    HWND media;
    UINT device;
    MCIERROR lastPlay;
    int dpi;
    std::wstring film;
    int filmDpi;  // the scale the film is drawn for
};
static AboutState s;

static MCIERROR PlayFromStart(HWND dialog)
{
    MCI_PLAY_PARMS play{};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(dialog);
    play.dwFrom = 0;
    return mciSendCommandW(s.device, MCI_PLAY, MCI_FROM | MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play));
}

static const struct {
    int id;
    StringId text;
} kItems[] = {
    {IDOK, Txt_AboutDialogOk},
    {IDC_ABOUT_VERSION, Txt_AboutDialogVersion},
    {IDC_ABOUT_COPYRIGHT, Txt_AboutDialogCopyright},
    {IDC_ABOUT_WEBSITE, Txt_AboutDialogWebsite},
    {IDC_ABOUT_EMAIL, Txt_AboutDialogEmail},
};

static void SetFonts(HWND dialog)
{
    for (const auto& item : kItems)
        SendMessageW(GetDlgItem(dialog, item.id), WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), TRUE);
}

// The dialog manager's base units for the box's font made at 96 dpi.
static SIZE DesignBaseUnits(HWND dialog, SIZE atDpi)
{
    LOGFONTW lf{};
    auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (!font || !GetObjectW(font, sizeof lf, &lf))
        return atDpi;
    lf.lfHeight = MulDiv(lf.lfHeight, kDesignDpi, s.dpi);
    GdiObject design(CreateFontIndirectW(&lf));
    WindowDc dc(dialog);
    Selected selected(dc.dc, design.handle);
    TEXTMETRICW tm{};
    SIZE letters{};
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    if (!GetTextMetricsW(dc.dc, &tm) || !GetTextExtentPoint32W(dc.dc, kLetters, 52, &letters))
        return atDpi;
    return {(letters.cx / 26 + 1) / 2, tm.tmHeight};
}

struct BoxLayout {
    SIZE atDpi, design;  // base units
    // Back to the template's dialog units (a unit is more than a pixel, so
    // exactly), then out in design pixels as the system does it.
    LONG X(LONG v) const { return MulDiv(MulDiv(v, 4, atDpi.cx), design.cx, 4); }
    LONG Y(LONG v) const { return MulDiv(MulDiv(v, 8, atDpi.cy), design.cy, 8); }
    RECT Design(RECT r) const
    {
        if (design.cx == atDpi.cx && design.cy == atDpi.cy)
            return r;
        return {X(r.left), Y(r.top), X(r.right), Y(r.bottom)};
    }
};

static BOOL CALLBACK PlaceControl(HWND control, LPARAM layout)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    RECT d = reinterpret_cast<const BoxLayout*>(layout)->Design(r);
    MoveScaledChild(control, d.left, d.top, d.right - d.left, d.bottom - d.top);
    return TRUE;
}

// The system lays the template out by its font, whose sizes don't follow the
// scale evenly (150 % may make it 1.5 times as wide but 1.4 times as high, and
// the film no longer fits its frame): the box takes its layout at 96 dpi,
// scaled, and its controls follow later changes of scale (TakeDpiChange).
static void LayOutBox(HWND dialog)
{
    RECT unit{0, 0, 4, 8};
    MapDialogRect(dialog, &unit);
    BoxLayout layout{{unit.right, unit.bottom}, {unit.right, unit.bottom}};
    if (s.dpi != kDesignDpi)
        layout.design = DesignBaseUnits(dialog, layout.atDpi);
    EnumChildWindows(dialog, PlaceControl, reinterpret_cast<LPARAM>(&layout));
    RECT client, frame;
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &frame);
    RECT scaled = ScaleRect(layout.Design(client), s.dpi);
    int w = frame.right - frame.left + scaled.right - client.right;
    int h = frame.bottom - frame.top + scaled.bottom - client.bottom;
    // Centred where the system centred it.
    SetWindowPos(dialog, nullptr, (frame.left + frame.right - w) / 2, (frame.top + frame.bottom - h) / 2, w, h,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// The media device resolves names by itself: it gets full paths. The film
// drawn for the largest scale not above the box's, else the design's; "" when
// its full path is too long to be taken whole.
static std::wstring FilmFor(int dpi, int* drawnFor)
{
    for (int drawn : kDrawnFilmDpis) {
        std::wstring file = FullPath(L"dict-" + std::to_wstring(drawn) + L".avi");
        *drawnFor = drawn;
        if (drawn <= dpi && !file.empty() && file.size() < MAX_PATH &&
            GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES)
            return file;
    }
    *drawnFor = kDesignDpi;
    std::wstring file = FullPath(L"dict.avi");
    return file.size() < MAX_PATH ? file : L"";
}

// Frames are never enlarged (they would blur or go blocky): a film keeps its
// own size, centred where the design's film would be at this scale.
static void PlaceFilm()
{
    RECT r;
    GetWindowRect(s.media, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = Scale(kFilm.x, s.dpi) + (Scale(Unscale(w, s.filmDpi), s.dpi) - w) / 2;
    int y = Scale(kFilm.y, s.dpi) + (Scale(Unscale(h, s.filmDpi), s.dpi) - h) / 2;
    // On top of the group box that frames it, or the box paints over the film.
    SetWindowPos(s.media, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}

static void OnInitDialog(HWND dialog)
{
    s = {};
    s.dpi = WindowDpi(dialog);
    LayOutBox(dialog);
    SetFonts(dialog);
    for (const auto& item : kItems)
        SetWindowTextW(GetDlgItem(dialog, item.id), Str(item.text));
    // The build's version, in the strings file's words.
    SetWindowTextW(GetDlgItem(dialog, IDC_ABOUT_VERSION), FillIn(Str(Txt_AboutDialogVersion), {WB_VERSION_WIDE}).c_str());
    SetWindowTextW(dialog, Str(Txt_AboutDialogCaption));

    s.film = FilmFor(s.dpi, &s.filmDpi);
    if (s.film.empty())
        return;
    s.media = MCIWndCreateW(dialog, g_instance,
                            WS_CHILD | WS_VISIBLE | MCIWNDF_NOPLAYBAR | MCIWNDF_NOMENU | MCIWNDF_NOERRORDLG, s.film.c_str());
    if (!s.media)
        return;
    PlaceFilm();
    MCIWndSetRepeat(s.media, TRUE);
    s.device = MCIWndGetDeviceID(s.media);
    s.lastPlay = PlayFromStart(dialog);
}

// The film drawn for the new scale, from its start.
static void ChangeFilm(HWND dialog)
{
    int drawn = 0;
    std::wstring film = FilmFor(s.dpi, &drawn);
    if (film == s.film || film.empty())
        return;
    s.filmDpi = drawn;
    s.film = film;
    // Closed first: the window opens each film under one name.
    MCIWndClose(s.media);
    MCIWndOpen(s.media, s.film.c_str(), 0);
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

static void OnDpiChanged(HWND dialog, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(dialog, wp, lp);
    SetFonts(dialog);
    if (s.media) {
        ChangeFilm(dialog);
        PlaceFilm();
    }
    InvalidateRect(dialog, nullptr, TRUE);
}

static void Close(HWND dialog)
{
    if (s.media) {
        MCIWndDestroy(s.media);
        s.media = nullptr;
    }
    EndDialog(dialog, 0);
}

static INT_PTR CALLBACK AboutProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_INITDIALOG: OnInitDialog(dialog); return TRUE;
    case MM_MCINOTIFY: OnMciNotify(dialog, wp); return TRUE;
    case WM_DPICHANGED: OnDpiChanged(dialog, wp, lp); return TRUE;
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
