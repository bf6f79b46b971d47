#include "shell/mainwindow.h"
#include "shell/about.h"
#include "shell/app.h"
#include "shell/help.h"
#include "core/appstate.h"
#include "core/catalogue.h"
#include "core/listdirs.h"
#include "core/records.h"
#include "core/report.h"
#include "core/uistrings.h"
#include <strsafe.h>

SecondaryWindows g_openers;

static const int kWidth = 565;
static const int kClientHeight = 332;

struct MainState {
    HICON sourceIcon;
    HICON targetIcon;
    HBITMAP logo;
    HBITMAP logoMask;
    SIZE logoSize;
    int colourDepth;   // bits per pixel x planes
    int markedPairItem;
    HMENU menu;
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
    s.sourceIcon = static_cast<HICON>(LoadImageW(nullptr, path, IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
    StringCchPrintfW(path, MAX_PATH, L"%s%s", Str(Txt_PathIcons), PairTargetIcon(pair));
    s.targetIcon = static_cast<HICON>(LoadImageW(nullptr, path, IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
}

// The mask has the transparent colour (the top-left pixel's) set; those pixels
// of the logo become black so that AND-then-OR draws the logo over any background.
static void LoadLogo()
{
    s.logo = static_cast<HBITMAP>(LoadImageW(nullptr, L"logo.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!s.logo)
        return;
    BITMAP bm;
    GetObjectW(s.logo, sizeof bm, &bm);
    s.logoSize = {bm.bmWidth, bm.bmHeight};
    s.logoMask = CreateBitmap(bm.bmWidth, bm.bmHeight, 1, 1, nullptr);
    HDC screen = GetDC(nullptr);
    HDC logoDC = CreateCompatibleDC(screen);
    HDC maskDC = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldLogo = SelectObject(logoDC, s.logo);
    HGDIOBJ oldMask = SelectObject(maskDC, s.logoMask);
    SetBkColor(logoDC, GetPixel(logoDC, 0, 0));
    BitBlt(maskDC, 0, 0, bm.bmWidth, bm.bmHeight, logoDC, 0, 0, SRCCOPY);
    SetBkColor(logoDC, RGB(0, 0, 0));
    SetTextColor(logoDC, RGB(255, 255, 255));
    BitBlt(logoDC, 0, 0, bm.bmWidth, bm.bmHeight, maskDC, 0, 0, SRCAND);
    SelectObject(logoDC, oldLogo);
    SelectObject(maskDC, oldMask);
    DeleteDC(logoDC);
    DeleteDC(maskDC);
}

static void OnCreate(HWND hwnd)
{
    g_mainWindow = hwnd;
    LoadPairIcons();
    HDC dc = GetDC(hwnd);
    s.colourDepth = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    ReleaseDC(hwnd, dc);
    if (s.colourDepth > 15)
        LoadLogo();
    ReadWindowSettings();
    struct { int x; StringId text; int id; } buttons[] = {
        {10, Txt_MainButtonAdd, CmdAdd},
        {150, Txt_MainButtonCreatelist, CmdMakeList},
        {290, Txt_MainButtonPractice, CmdPractise},
        {430, Txt_MainButtonSearch, CmdSearch},
    };
    for (const auto& b : buttons) {
        HWND button = CreateWindowW(L"button", Str(b.text), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_MULTILINE, b.x, 280,
                                    120, 30, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)), g_instance, nullptr);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(g_fonts.gui), FALSE);
    }
    ApplyStayOnTop(hwnd);
    const POINT& pos = g_settings.windowPos[PosMain];
    if (pos.y != 9999)
        SetWindowPos(hwnd, nullptr, pos.x, pos.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static void DrawRaisedText(HDC dc, RECT rc, const wchar_t* text)
{
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextW(dc, text, -1, &rc, DT_SINGLELINE);
    rc.left -= 2;
    rc.top -= 2;
    SetTextColor(dc, RGB(230, 230, 230));
    DrawTextW(dc, text, -1, &rc, DT_SINGLELINE);
}

static void PaintGradient(HDC dc, const RECT& client)
{
    HPEN pens[64];
    const Settings& g = g_settings;
    for (int i = 0; i < 64; ++i)
        pens[i] = CreatePen(PS_SOLID, 1, RGB((g.colorR - i * g.colorRi) & 255, (g.colorG - i * g.colorGi) & 255,
                                             (g.colorB - i * g.colorBi) & 255));
    int height = client.bottom > 0 ? client.bottom : 1;
    HGDIOBJ old = SelectObject(dc, pens[0]);
    for (int y = 0; y < client.bottom; ++y) {
        SelectObject(dc, pens[s.colourDepth < 24 ? 32 : 63 * y / height]);
        MoveToEx(dc, 0, y, nullptr);
        LineTo(dc, client.right, y);
    }
    HPEN dark = CreatePen(PS_SOLID, 1, RGB(25, 25, 25));
    SelectObject(dc, dark);
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, client.right, 0);
    SelectObject(dc, old);
    DeleteObject(dark);
    for (HPEN pen : pens)
        DeleteObject(pen);
}

static void DrawLogo(HDC dc)
{
    HDC mem = CreateCompatibleDC(dc);
    int x = (kWidth - s.logoSize.cx) / 2, y = (96 - s.logoSize.cy) / 2;
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(mem, s.logoMask);
    BitBlt(dc, x, y, s.logoSize.cx, s.logoSize.cy, mem, 0, 0, SRCAND);
    SelectObject(mem, s.logo);
    BitBlt(dc, x, y, s.logoSize.cx, s.logoSize.cy, mem, 0, 0, SRCPAINT);
    SelectObject(mem, old);
    DeleteDC(mem);
}

static void OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    PaintGradient(dc, client);
    if (s.sourceIcon)
        DrawIcon(dc, 60, 107, s.sourceIcon);
    if (s.targetIcon)
        DrawIcon(dc, 60, 177, s.targetIcon);
    SetBkMode(dc, TRANSPARENT);
    if (s.colourDepth > 15 && s.logo) {
        DrawLogo(dc);
    } else {
        HGDIOBJ old = SelectObject(dc, g_fonts.title);
        DrawRaisedText(dc, {140, 20, 560, 90}, Str(Txt_Dictionary));
        SelectObject(dc, old);
    }
    if (LanguagePair* pair = CurrentPair()) {
        HGDIOBJ old = SelectObject(dc, g_fonts.language);
        DrawRaisedText(dc, {140, 102, 560, 160}, pair->sourceName);
        DrawRaisedText(dc, {140, 172, 560, 230}, pair->targetName);
        SelectObject(dc, old);
    }
    EndPaint(hwnd, &ps);
}

static void SwitchToPair(HWND hwnd, LanguagePair* pair)
{
    CheckMenuItem(s.menu, s.markedPairItem, MF_BYCOMMAND | MF_UNCHECKED);
    CheckMenuItem(s.menu, pair->menuId, MF_BYCOMMAND | MF_CHECKED);
    s.markedPairItem = pair->menuId;
    g_catalogue.current = pair;
    ActivateCurrentPair(hwnd);
    LoadPairIcons();
    InvalidateRect(hwnd, nullptr, TRUE);
}

static void OnPairCommand(HWND hwnd, int id)
{
    CheckMenuItem(s.menu, s.markedPairItem, MF_BYCOMMAND | MF_UNCHECKED);
    for (auto& entry : g_catalogue.entries)
        if (entry->menuId == id) {
            SwitchToPair(hwnd, entry.get());
            return;
        }
}

static void OnLButtonDown(HWND hwnd, int x, int y)
{
    bool onIcon = x >= 60 && x <= 91 && ((y >= 107 && y <= 138) || (y >= 177 && y <= 208));
    LanguagePair* current = CurrentPair();
    if (!onIcon || !current)
        return;
    CheckMenuItem(s.menu, s.markedPairItem, MF_BYCOMMAND | MF_UNCHECKED);
    for (auto& entry : g_catalogue.entries)
        if (wcscmp(entry->targetName, current->sourceName) == 0 && wcscmp(entry->sourceName, current->targetName) == 0) {
            SwitchToPair(hwnd, entry.get());
            return;
        }
}

static void OpenSecondary(HWND hwnd, OpenWindowFn open)
{
    if (g_windowOpen || !open)
        return;
    g_windowOpen = 1;
    if (open())
        ShowWindow(hwnd, SW_HIDE);
    else
        g_windowOpen = 0;
}

void SecondaryWindowClosed()
{
    g_windowOpen = 0;
    if (g_mainWindow)
        ShowWindow(g_mainWindow, SW_SHOW);
}

static void MakeList(HWND hwnd)
{
    if (g_windowOpen)
        return;
    if (CountLists() == 0) {
        if (!g_openers.newListDialog)
            return;
        g_openers.newListDialog();
        if (!currentListName[0])
            return;
    }
    OpenSecondary(hwnd, g_openers.makeList);
}

static void Practise(HWND hwnd)
{
    if (g_windowOpen)
        return;
    if (listCount > 0) {
        OpenSecondary(hwnd, g_settings.practiceMode == 1 ? g_openers.practiseScored : g_openers.practise);
        return;
    }
    LanguagePair* pair = CurrentPair();
    wchar_t text[512];
    StringCchPrintfW(text, 512, L"%s (%s-%s) %s", Str(Txt_CreateListEmpty1), pair->sourceName, pair->targetName,
                     Str(Txt_CreateListEmpty2));
    if (ShowMessage(hwnd, text, Str(Txt_Dictionary), MB_YESNO | MB_ICONWARNING) == IDYES)
        MakeList(hwnd);
}

static void ToggleStayOnTop(HWND hwnd)
{
    bool marked = GetMenuState(s.menu, CmdStayOnTop, MF_BYCOMMAND) & MF_CHECKED;
    CheckMenuItem(s.menu, CmdStayOnTop, MF_BYCOMMAND | (marked ? MF_UNCHECKED : MF_CHECKED));
    g_settings.stayOnTop = marked ? 0 : 1;
    ApplyStayOnTop(hwnd);
}

static void ChoosePracticeMode(int mode)
{
    CheckMenuItem(s.menu, CmdMode0, MF_BYCOMMAND | (mode == 0 ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(s.menu, CmdMode1, MF_BYCOMMAND | (mode == 1 ? MF_CHECKED : MF_UNCHECKED));
    g_settings.practiceMode = mode;
}

static void OnCommand(HWND hwnd, int id)
{
    switch (id) {
    case CmdQuit: DestroyWindow(hwnd); break;
    case CmdHelp: OpenHelpContents(hwnd); break;
    case CmdAbout: ShowAboutBox(hwnd); break;
    case CmdTranslate: OpenSecondary(hwnd, g_openers.translate); break;
    case CmdAdd: OpenSecondary(hwnd, g_openers.add); break;
    case CmdPractise: Practise(hwnd); break;
    case CmdSearch: OpenSecondary(hwnd, g_openers.search); break;
    case CmdMakeList: MakeList(hwnd); break;
    case CmdRecord: OpenSecondary(hwnd, g_openers.record); break;
    case CmdStayOnTop: ToggleStayOnTop(hwnd); break;
    case CmdNewBook: OpenSecondary(hwnd, g_openers.newBook); break;
    case CmdInfo: OpenSecondary(hwnd, g_openers.info); break;
    case CmdMode0: ChoosePracticeMode(0); break;
    case CmdMode1: ChoosePracticeMode(1); break;
    default:
        if (id >= CmdFirstPair && id < CmdFirstPair + g_catalogue.count())
            OnPairCommand(hwnd, id);
        break;
    }
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
    PostQuitMessage(0);
}

static LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_COMMAND: OnCommand(hwnd, LOWORD(wp)); return 0;
    case WM_LBUTTONDOWN: OnLButtonDown(hwnd, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))); return 0;
    case WM_DESTROY: OnDestroy(hwnd); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

bool CreateMainWindow()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = g_instance;
    wc.hIcon = LoadIconW(g_instance, L"wboekicon");
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = L"wboek";
    RegisterClassExW(&wc);
    int height = kClientHeight + g_captionHeight + g_menuHeight;
    int x = (g_screenWidth - kWidth) / 2;
    int y = (g_screenHeight - g_menuHeight - g_captionHeight - kClientHeight) / 2;
    HWND hwnd = CreateWindowW(L"wboek", Str(Txt_Dictionary), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, kWidth,
                              height, nullptr, nullptr, g_instance, nullptr);
    return hwnd != nullptr;
}

void BuildMainMenu()
{
    s.menu = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING | (g_settings.stayOnTop == 1 ? MF_CHECKED : 0), CmdStayOnTop, Str(Txt_MainMenuFile1));
    AppendMenuW(file, MF_STRING, CmdTranslate, Str(Txt_MainMenuFile2));
    AppendMenuW(file, MF_STRING, CmdNewBook, Str(Txt_MainMenuFile3));
    AppendMenuW(file, MF_STRING, CmdRecord, Str(Txt_RecordCaption));
    AppendMenuW(file, MF_STRING, CmdQuit, Str(Txt_MainMenuFile4));
    AppendMenuW(s.menu, MF_POPUP, reinterpret_cast<UINT_PTR>(file), Str(Txt_MainMenuFile0));
    HMENU mode = CreatePopupMenu();
    AppendMenuW(mode, MF_STRING | (g_settings.practiceMode == 0 ? MF_CHECKED : 0), CmdMode0, Str(Txt_MainMenuPracticeMode1));
    AppendMenuW(mode, MF_STRING | (g_settings.practiceMode == 1 ? MF_CHECKED : 0), CmdMode1, Str(Txt_MainMenuPracticeMode2));
    AppendMenuW(s.menu, MF_POPUP, reinterpret_cast<UINT_PTR>(mode), Str(Txt_MainMenuPracticeMode0));
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, CmdHelp, Str(Txt_MainMenuPracticeHelp1));
    AppendMenuW(help, MF_STRING, CmdInfo, Str(Txt_MainMenuPracticeHelp2));
    AppendMenuW(help, MF_STRING, CmdAbout, Str(Txt_MainMenuPracticeHelp3));
    AppendMenuW(s.menu, MF_POPUP, reinterpret_cast<UINT_PTR>(help), Str(Txt_MainMenuPracticeHelp0));
    SetMenu(g_mainWindow, s.menu);

    HMENU languages = CreatePopupMenu();
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
    DrawMenuBar(g_mainWindow);
}
