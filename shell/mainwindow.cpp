#include "shell/mainwindow.h"
#include "shell/about.h"
#include "shell/app.h"
#include "shell/help.h"
#include "entry/addwords.h"
#include "entry/importwindow.h"
#include "entry/info.h"
#include "entry/newbook.h"
#include "lists/listmaker.h"
#include "lists/listops.h"
#include "practice/flashcards.h"
#include "practice/progresschart.h"
#include "practice/typedpractice.h"
#include "record/recordwindow.h"
#include "search/searchwindow.h"
#include "search/translate.h"
#include "core/report.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "kit/art.h"
#include "kit/dpi.h"
#include "kit/kit.h"
#include <strsafe.h>
#include <utility>

// The window's width and its height without caption and menu bar, in design pixels.
static const int kWidth = 565;
static const int kClientHeight = 332;
// The language icons, their size and left top, and the logo's band at the top.
static const int kIconSize = 32;
static const POINT kSourceIcon{60, 107}, kTargetIcon{60, 177};
static const int kLogoBand = 96;

static const struct {
    int x;
    StringId text;
    int id;
} kButtons[] = {
    {10, Txt_MainButtonAdd, CmdAdd},
    {150, Txt_MainButtonCreatelist, CmdMakeList},
    {290, Txt_MainButtonPractice, CmdPractise},
    {430, Txt_MainButtonSearch, CmdSearch},
};

struct MainState {
    int dpi;
    HICON sourceIcon;
    HICON targetIcon;
    HBITMAP logo;
    HBITMAP logoMask;
    SIZE logoSize;
    bool highColour;   // a screen of more than 15 bits shows the logo
    int markedPairItem;
    HMENU menu;
    HMENU languages;
};
static MainState s;

int MarkedPairItem() { return s.markedPairItem; }

static void LoadPairIcons()
{
    for (HICON* icon : {&s.sourceIcon, &s.targetIcon})
        if (*icon) {
            DestroyIcon(*icon);
            *icon = nullptr;
        }
    LanguagePair* pair = CurrentPair();
    if (!pair)
        return;
    wchar_t path[MAX_PATH];
    StringCchPrintfW(path, MAX_PATH, L"%s%s", Str(Txt_PathIcons), PairSourceIcon(pair));
    s.sourceIcon = LoadIconForDpi(nullptr, path, kIconSize, s.dpi);
    StringCchPrintfW(path, MAX_PATH, L"%s%s", Str(Txt_PathIcons), PairTargetIcon(pair));
    s.targetIcon = LoadIconForDpi(nullptr, path, kIconSize, s.dpi);
}

// The mask has the transparent colour (the top-left pixel's) set; those pixels
// of the logo become black so that AND-then-OR draws the logo over any background.
static void LoadLogo()
{
    for (HBITMAP* bm : {&s.logo, &s.logoMask})
        if (*bm) {
            DeleteObject(*bm);
            *bm = nullptr;
        }
    s.logo = LoadBitmapForDpi(L"logo.bmp", s.dpi);
    if (!s.logo)
        return;
    BITMAP bm;
    GetObjectW(s.logo, sizeof bm, &bm);
    s.logoSize = {bm.bmWidth, bm.bmHeight};
    s.logoMask = CreateBitmap(bm.bmWidth, bm.bmHeight, 1, 1, nullptr);
    WindowDc screen(nullptr);
    MemoryDc logoDC(screen.dc), maskDC(screen.dc);
    Selected logo(logoDC.dc, s.logo), mask(maskDC.dc, s.logoMask);
    SetBkColor(logoDC.dc, GetPixel(logoDC.dc, 0, 0));
    BitBlt(maskDC.dc, 0, 0, bm.bmWidth, bm.bmHeight, logoDC.dc, 0, 0, SRCCOPY);
    SetBkColor(logoDC.dc, RGB(0, 0, 0));
    SetTextColor(logoDC.dc, RGB(255, 255, 255));
    BitBlt(logoDC.dc, 0, 0, bm.bmWidth, bm.bmHeight, maskDC.dc, 0, 0, SRCAND);
}

// The height of the caption and the menu bar at a dpi: the system's metrics
// at its own scale, else asked for that dpi where the system can tell.
static int BarsHeight(int dpi)
{
    using ForDpi = int(WINAPI*)(int, UINT);
    static auto forDpi = reinterpret_cast<ForDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
    if (dpi == SystemDpi() || !forDpi)
        return g_captionHeight + g_menuHeight;
    return forDpi(SM_CYCAPTION, static_cast<UINT>(dpi)) + forDpi(SM_CYMENU, static_cast<UINT>(dpi));
}

static SIZE WindowSize(int dpi)
{
    return {Scale(kWidth, dpi), Scale(kClientHeight, dpi) + BarsHeight(dpi)};
}

static void SetButtonFonts(HWND hwnd)
{
    for (const auto& b : kButtons)
        SendMessageW(GetDlgItem(hwnd, b.id), WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), TRUE);
}

static void OnCreate(HWND hwnd)
{
    g_mainWindow = hwnd;
    g_session.owner = hwnd;
    s.dpi = WindowDpi(hwnd);
    // Made for the primary screen: on another monitor the window is sized for its scale.
    if (s.dpi != SystemDpi()) {
        SIZE size = WindowSize(s.dpi);
        SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    LoadPairIcons();
    {
        WindowDc dc(hwnd);
        s.highColour = GetDeviceCaps(dc.dc, BITSPIXEL) * GetDeviceCaps(dc.dc, PLANES) > 15;
    }
    if (s.highColour)
        LoadLogo();
    for (const auto& b : kButtons)
        CreateScaledChild(hwnd, 0, L"button", Str(b.text), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_MULTILINE, b.x,
                          280, 120, 30, b.id);
    SetButtonFonts(hwnd);
    // A new window is not topmost: only the setting's "on" has work to do.
    if (g_settings.stayOnTop == 1)
        ApplyStayOnTop(hwnd);
    RestoreWindowPosition(hwnd, g_settings.windowPos[PosMain]);
}

static void PaintBackground(HDC dc, const RECT& client)
{
    COLORREF colours[64];
    const Settings& g = g_settings;
    // Unsigned: settings of any size wrap into 0 to 255 instead of overflowing.
    auto shade = [](int base, int step, unsigned i) {
        return static_cast<BYTE>(static_cast<unsigned>(base) - i * static_cast<unsigned>(step));
    };
    for (unsigned i = 0; i < 64; ++i)
        colours[i] = RGB(shade(g.colorR, g.colorRi, i), shade(g.colorG, g.colorGi, i), shade(g.colorB, g.colorBi, i));
    PaintGradient(dc, client, colours);
    RECT edge{0, 0, client.right, Scale(1, s.dpi)};
    GdiObject dark(CreateSolidBrush(RGB(25, 25, 25)));
    FillRect(dc, &edge, static_cast<HBRUSH>(dark.handle));
}

// Centred across the window's width in the band at the top.
static void DrawLogo(HDC dc)
{
    MemoryDc mem(dc);
    int x = (Scale(kWidth, s.dpi) - s.logoSize.cx) / 2, y = (Scale(kLogoBand, s.dpi) - s.logoSize.cy) / 2;
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    Selected mask(mem.dc, s.logoMask);
    BitBlt(dc, x, y, s.logoSize.cx, s.logoSize.cy, mem.dc, 0, 0, SRCAND);
    SelectObject(mem.dc, s.logo);
    BitBlt(dc, x, y, s.logoSize.cx, s.logoSize.cy, mem.dc, 0, 0, SRCPAINT);
}

static void OnPaint(HWND hwnd)
{
    PaintDc paint(hwnd);
    HDC dc = paint.dc;
    RECT client;
    GetClientRect(hwnd, &client);
    PaintBackground(dc, client);
    int iconSize = Scale(kIconSize, s.dpi);
    for (auto [icon, at] : {std::pair{s.sourceIcon, kSourceIcon}, std::pair{s.targetIcon, kTargetIcon}})
        if (icon)
            DrawIconEx(dc, Scale(at.x, s.dpi), Scale(at.y, s.dpi), icon, iconSize, iconSize, 0, nullptr, DI_NORMAL);
    SetBkMode(dc, TRANSPARENT);
    const Fonts& fonts = FontsFor(s.dpi);
    if (s.highColour && s.logo) {
        DrawLogo(dc);
    } else {
        Selected font(dc, fonts.title);
        DrawRaisedText(dc, ScaleRect({140, 20, 560, 90}, s.dpi), Str(Txt_Dictionary), DT_SINGLELINE, s.dpi);
    }
    if (LanguagePair* pair = CurrentPair()) {
        Selected font(dc, fonts.language);
        DrawRaisedText(dc, ScaleRect({140, 102, 560, 160}, s.dpi), pair->sourceName, DT_SINGLELINE, s.dpi);
        DrawRaisedText(dc, ScaleRect({140, 172, 560, 230}, s.dpi), pair->targetName, DT_SINGLELINE, s.dpi);
    }
}

// The new scale's buttons, fonts, logo and icons; the pair stays as it was.
static void OnDpiChanged(HWND hwnd, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(hwnd, wp, lp);
    SetButtonFonts(hwnd);
    if (s.highColour)
        LoadLogo();
    LoadPairIcons();
    InvalidateRect(hwnd, nullptr, TRUE);
}

static void MarkPairItem(int menuId)
{
    CheckMenuItem(s.menu, s.markedPairItem, MF_BYCOMMAND | MF_UNCHECKED);
    CheckMenuItem(s.menu, menuId, MF_BYCOMMAND | MF_CHECKED);
    s.markedPairItem = menuId;
}

// A pair whose word book can't be opened stays unchosen: the menu keeps
// its mark on the pair still in use.
static void SwitchToPair(HWND hwnd, LanguagePair* pair)
{
    if (ActivateCurrentPair(pair) < 0 && CurrentPair() != pair)
        return;
    MarkPairItem(pair->menuId);
    LoadPairIcons();
    InvalidateRect(hwnd, nullptr, TRUE);
}

bool SwitchPairByCommand(int id)
{
    for (auto& entry : g_catalogue.entries)
        if (entry->menuId == id) {
            SwitchToPair(g_mainWindow, entry.get());
            return CurrentPair() == entry.get();
        }
    return false;
}

HMENU PairMenu() { return s.languages; }

bool IsPairCommand(int id) { return id >= CmdFirstPair && id < CmdFirstPair + g_catalogue.count(); }

static bool OnIcon(POINT icon, int x, int y)
{
    RECT r = ScaleRect({icon.x, icon.y, icon.x + kIconSize, icon.y + kIconSize}, s.dpi);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

static void OnLButtonDown(HWND hwnd, int x, int y)
{
    bool onIcon = OnIcon(kSourceIcon, x, y) || OnIcon(kTargetIcon, x, y);
    LanguagePair* current = CurrentPair();
    if (!onIcon || !current)
        return;
    for (auto& entry : g_catalogue.entries)
        if (wcscmp(entry->targetName, current->sourceName) == 0 && wcscmp(entry->sourceName, current->targetName) == 0) {
            SwitchToPair(hwnd, entry.get());
            return;
        }
}

void OpenSecondary(bool (*open)())
{
    if (g_windowOpen)
        return;
    g_windowOpen = 1;
    if (open())
        ShowWindow(g_mainWindow, SW_HIDE);
    else
        g_windowOpen = 0;
}

void SecondaryWindowClosed()
{
    g_windowOpen = 0;
    if (g_mainWindow)
        ShowWindow(g_mainWindow, SW_SHOW);
}

static void ToggleStayOnTop(HWND hwnd)
{
    bool marked = GetMenuState(s.menu, CmdStayOnTop, MF_BYCOMMAND) & MF_CHECKED;
    CheckMenuItem(s.menu, CmdStayOnTop, MF_BYCOMMAND | (marked ? MF_UNCHECKED : MF_CHECKED));
    g_settings.stayOnTop = marked ? 0 : 1;
    ApplyStayOnTop(hwnd);
}

// With no list yet the user names one first; without a list there is nothing to make.
static void MakeList()
{
    if (g_windowOpen)
        return;
    if (CountLists() == 0) {
        NewListDialog(g_mainWindow);
        if (!g_session.listName[0])
            return;
        OpenListFile();
        CountListRecords();
    }
    OpenSecondary(ShowListMaker);
}

// A mode this version doesn't know (a later version's) gives flash cards.
static bool (*PracticeWindowOf(int mode))()
{
    switch (mode) {
    case 1: return OpenScoredPractice;
    case 2: return OpenReviewPractice;
    default: return OpenPractice;
    }
}

// An empty list can't be practised: the user may make one instead.
static void Practise()
{
    if (g_windowOpen)
        return;
    if (g_session.list.count > 0) {
        OpenSecondary(PracticeWindowOf(g_settings.practiceMode));
        return;
    }
    if (g_readOnlyInstall) {  // no list can be made to practise
        MessageBeep(MB_OK);
        return;
    }
    LanguagePair* pair = CurrentPair();
    wchar_t text[1024];
    StringCchPrintfW(text, 1024, L"%s (%s-%s) %s", Str(Txt_CreateListEmpty1), pair ? pair->sourceName : L"",
                     pair ? pair->targetName : L"", Str(Txt_CreateListEmpty2));
    if (ShowMessage(g_mainWindow, text, Str(Txt_Dictionary), MB_YESNO | MB_ICONWARNING) == IDYES)
        MakeList();
}

static void ChoosePracticeMode(int mode)
{
    CheckMenuItem(s.menu, CmdMode0, MF_BYCOMMAND | (mode == 0 ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(s.menu, CmdMode1, MF_BYCOMMAND | (mode == 1 ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(s.menu, CmdMode2, MF_BYCOMMAND | (mode == 2 ? MF_CHECKED : MF_UNCHECKED));
    g_settings.practiceMode = mode;
}

// What adds to the word books, lists and recordings of the installation.
static bool ChangesInstallation(int id)
{
    return id == CmdAdd || id == CmdMakeList || id == CmdNewBook || id == CmdRecord || id == CmdImport;
}

void DisableInstallationChanges()
{
    for (int id : {CmdAdd, CmdMakeList, CmdNewBook, CmdRecord, CmdImport}) {
        EnableMenuItem(s.menu, id, MF_BYCOMMAND | MF_GRAYED);
        if (HWND button = GetDlgItem(g_mainWindow, id))
            EnableWindow(button, FALSE);
    }
}

static void OnCommand(HWND hwnd, int id)
{
    // The accelerators still send them.
    if (g_readOnlyInstall && ChangesInstallation(id))
        return;
    switch (id) {
    case CmdQuit: DestroyWindow(hwnd); break;
    case CmdHelp: OpenHelpContents(hwnd); break;
    case CmdAbout: ShowAboutBox(hwnd); break;
    case CmdStayOnTop: ToggleStayOnTop(hwnd); break;
    case CmdSearch: OpenSecondary(ShowSearchWindow); break;
    case CmdTranslate: OpenSecondary(ShowTranslateWindow); break;
    case CmdAdd: OpenSecondary(ShowAddWindow); break;
    case CmdNewBook: OpenSecondary(ShowNewBookWindow); break;
    case CmdInfo: OpenSecondary(ShowInfoWindow); break;
    case CmdMakeList: MakeList(); break;
    case CmdPractise: Practise(); break;
    case CmdRecord: OpenSecondary(ShowRecordWindow); break;
    case CmdMode0: ChoosePracticeMode(0); break;
    case CmdMode1: ChoosePracticeMode(1); break;
    case CmdMode2: ChoosePracticeMode(2); break;
    case CmdProgress: OpenSecondary(ShowProgressChart); break;
    case CmdImport: OpenImportWindow(); break;
    case CmdExportBook: ExportWordBookAs(hwnd); break;
    case CmdExportList: ExportPracticeListAs(hwnd); break;
    default:
        if (IsPairCommand(id))
            SwitchPairByCommand(id);
        break;
    }
}

// A list may have been chosen or made since the menu was last shown.
static void OnInitMenuPopup()
{
    EnableMenuItem(s.menu, CmdExportList, MF_BYCOMMAND | (g_session.listName[0] ? MF_ENABLED : MF_GRAYED));
}

static void OnDestroy(HWND hwnd)
{
    WriteSettings(hwnd);
    for (HBITMAP* bm : {&s.logo, &s.logoMask})
        if (*bm) {
            DeleteObject(*bm);
            *bm = nullptr;
        }
    for (HICON* icon : {&s.sourceIcon, &s.targetIcon})
        if (*icon) {
            DestroyIcon(*icon);
            *icon = nullptr;
        }
    CloseHelp();
    ClosePairFiles();
    DeleteFonts();
    FreeUiStrings();
    g_mainWindow = nullptr;
    g_session.owner = nullptr;
    PostQuitMessage(0);
}

static LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_COMMAND: OnCommand(hwnd, LOWORD(wp)); return 0;
    case WM_LBUTTONDOWN: OnLButtonDown(hwnd, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))); return 0;
    case WM_DPICHANGED: OnDpiChanged(hwnd, wp, lp); return 0;
    case WM_INITMENUPOPUP: OnInitMenuPopup(); return 0;
    case WM_DESTROY: OnDestroy(hwnd); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

static void BuildMenus();

bool CreateMainWindow()
{
    RegisterWindowClass(g_instance, L"wboek", MainWndProc, L"wboekicon", L"wboekicon");
    // The menu comes with the window: set afterwards it would make the frame again.
    ReadWindowSettings();
    BuildMenus();
    SIZE size = WindowSize(SystemDpi());
    int x = (g_screenWidth - size.cx) / 2;
    int y = (g_screenHeight - size.cy) / 2;
    HWND hwnd = CreateWindowW(L"wboek", Str(Txt_Dictionary), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, size.cx,
                              size.cy, nullptr, s.menu, g_instance, nullptr);
    if (!hwnd) {
        DestroyMenu(s.menu);
        s.menu = s.languages = nullptr;
    }
    return hwnd != nullptr;
}

static void AppendPairMenuItem(HMENU menu, LanguagePair* entry, int commandId)
{
    std::wstring text = std::wstring(entry->sourceName) + L"\t" + entry->targetName;
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(commandId), text.c_str());
    entry->menuId = commandId;
}

static void BuildMenus()
{
    s.menu = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING | (g_settings.stayOnTop == 1 ? MF_CHECKED : 0), CmdStayOnTop, Str(Txt_MainMenuFile1));
    AppendMenuW(file, MF_STRING, CmdTranslate, Str(Txt_MainMenuFile2));
    AppendMenuW(file, MF_STRING, CmdNewBook, Str(Txt_MainMenuFile3));
    AppendMenuW(file, MF_STRING, CmdRecord, Str(Txt_RecordCaption));
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, CmdImport, Str(Txt_MainMenuFile5));
    AppendMenuW(file, MF_STRING, CmdExportBook, Str(Txt_MainMenuFile6));
    AppendMenuW(file, MF_STRING | (g_session.listName[0] ? 0 : MF_GRAYED), CmdExportList, Str(Txt_MainMenuFile7));
    AppendMenuW(file, MF_STRING, CmdQuit, Str(Txt_MainMenuFile4));
    AppendMenuW(s.menu, MF_POPUP, reinterpret_cast<UINT_PTR>(file), Str(Txt_MainMenuFile0));
    HMENU mode = CreatePopupMenu();
    AppendMenuW(mode, MF_STRING | (g_settings.practiceMode == 0 ? MF_CHECKED : 0), CmdMode0, Str(Txt_MainMenuPracticeMode1));
    AppendMenuW(mode, MF_STRING | (g_settings.practiceMode == 1 ? MF_CHECKED : 0), CmdMode1, Str(Txt_MainMenuPracticeMode2));
    AppendMenuW(mode, MF_STRING | (g_settings.practiceMode == 2 ? MF_CHECKED : 0), CmdMode2, Str(Txt_MainMenuPracticeMode3));
    AppendMenuW(s.menu, MF_POPUP, reinterpret_cast<UINT_PTR>(mode), Str(Txt_MainMenuPracticeMode0));
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, CmdHelp, Str(Txt_MainMenuPracticeHelp1));
    AppendMenuW(help, MF_STRING, CmdInfo, Str(Txt_MainMenuPracticeHelp2));
    AppendMenuW(help, MF_STRING, CmdProgress, Str(Txt_MainMenuPracticeHelp4));
    AppendMenuW(help, MF_STRING, CmdAbout, Str(Txt_MainMenuPracticeHelp3));
    AppendMenuW(s.menu, MF_POPUP, reinterpret_cast<UINT_PTR>(help), Str(Txt_MainMenuPracticeHelp0));

    HMENU languages = s.languages = CreatePopupMenu();
    int half = g_catalogue.count() / 2;
    for (int i = 0; i < g_catalogue.count(); ++i) {
        if (i == half)
            AppendMenuW(languages, MF_SEPARATOR, 0, nullptr);
        AppendPairMenuItem(languages, g_catalogue.entries[i].get(), CmdFirstPair + i);
    }
    InsertMenuW(s.menu, 1, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(languages), Str(Txt_LanguageMenu));
    s.markedPairItem = 0;
    for (auto& entry : g_catalogue.entries)
        if (entry->selected == 1) {
            CheckMenuItem(s.menu, entry->menuId, MF_BYCOMMAND | MF_CHECKED);
            s.markedPairItem = entry->menuId;
            break;
        }
}

void BuildMainMenu()
{
    BuildMenus();
    SetMenu(g_mainWindow, s.menu);
    if (g_readOnlyInstall)
        DisableInstallationChanges();
    DrawMenuBar(g_mainWindow);
}
