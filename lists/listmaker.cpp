#include "lists/listmaker.h"
#include "lists/addrandom.h"
#include "lists/listops.h"
#include "lists/printlist.h"
#include "search/lookup.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/random.h"
#include "core/report.h"
#include "core/session.h"
#include "core/textfold.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/fieldkeys.h"
#include "kit/fonts.h"
#include "kit/kit.h"
#include <commctrl.h>
#include <strsafe.h>
#include <algorithm>
#include <iterator>
#include <string>

static const int kRows = 8;
static const int kBookUnit = 8;  // records per position of the word-book bar
static const int kSearchChars = 37;
static const int kWidth = 605;
static const int kClientHeight = 355;
// One draw reaches every record of a book this size.

struct ListMakerState {
    HWND hwnd;
    HWND listRows[kRows];
    HWND bookSource[kRows], bookTranslation[kRows];
    HWND listBar, bookBar, search;
    HMENU fileMenu;
    HFONT sourceFont, targetFont;
    int listTop, listShown;
    int bookTop, bookShown;
    int lists;  // list directories, as last counted
    int dpi;
    bool closing;  // the list was compacted on the way out
};
static ListMakerState s;

static int ListCount() { return g_session.list.count; }
static int BookCount() { return g_session.book.count; }

static void SetTitle()
{
    LanguagePair* pair = CurrentPair();
    wchar_t title[512];
    StringCchPrintfW(title, std::size(title), L"%s: %s (%s-%s)", Str(Txt_CreateListCaption), g_session.listName,
                     pair ? pair->sourceName : L"", pair ? pair->targetName : L"");
    SetWindowTextW(s.hwnd, title);
}

// --- the panes ---

static void ShowListRows(int start)
{
    start = std::max(0, start);
    for (int i = 0; i < kRows; ++i) {
        if (start + i >= ListCount()) {
            SetWindowTextW(s.listRows[i], L"");
            continue;
        }
        if (ReadListRecord(start + i) != 0)
            break;
        const WideRecord& r = g_session.record;
        SetWindowTextW(s.listRows[i], IsDeleted(r) ? Str(Txt_CreateListDeleted) : r.source);
    }
}

static void ShowBookRows(int start)
{
    for (int i = 0; i < kRows; ++i) {
        if (start + i >= BookCount()) {
            SetWindowTextW(s.bookSource[i], L"");
            SetWindowTextW(s.bookTranslation[i], L"");
            continue;
        }
        if (ReadWordRecord(start + i) != 0)
            break;
        SetWindowTextW(s.bookSource[i], g_session.record.source);
        SetWindowTextW(s.bookTranslation[i], g_session.record.translation);
    }
}

// The list pane after its file changed: it shows the end, where words arrive.
static void ShowListEnd()
{
    s.listTop = std::max(0, ListCount() - kRows);
    s.listShown = s.listTop;
    ShowListRows(s.listTop);
    SetScrollRange(s.listBar, SB_CTL, 0, s.listTop, FALSE);
    SetScrollPos(s.listBar, SB_CTL, s.listTop, TRUE);
}

static void RefreshListPane()
{
    ShowListEnd();
    SetFocus(s.search);
    SetTitle();
}

static void MoveList(int top)
{
    s.listTop = ClampTop(top, ListCount(), kRows);
    if (s.listTop == s.listShown)
        return;
    ShowListRows(s.listTop);
    SetScrollPos(s.listBar, SB_CTL, s.listTop, TRUE);
    s.listShown = s.listTop;
}

static void MoveBook(int top)
{
    s.bookTop = ClampTop(top, BookCount(), kRows);
    if (s.bookTop == s.bookShown)
        return;
    ShowBookRows(s.bookTop);
    SetScrollPos(s.bookBar, SB_CTL, s.bookTop / kBookUnit, TRUE);
    s.bookShown = s.bookTop;
}

static void Lookup()
{
    wchar_t text[kSearchChars + 1] = L"";
    GetWindowTextW(s.search, text, static_cast<int>(std::size(text)));
    MoveBook(FindWordPosition(text));
}

// The current record at the list's end; false (and said) when it could not be written.
static bool AppendToList(HWND owner)
{
    std::wstring why = AppendToCurrentList();
    if (!why.empty())
        ShowMessage(owner, why.c_str(), Str(Txt_Error), MB_OK | MB_ICONWARNING);
    return why.empty();
}

static void ClickBookRow(int row)
{
    int index = s.bookTop + row;
    if (index < BookCount() && ReadWordRecord(index) == 0 && AppendToList(s.hwnd))
        RefreshListPane();
    SetFocus(s.search);
}

// Marks or unmarks the record; the marked ones go when the window closes.
static void ClickListRow(int row)
{
    int index = s.listTop + row;
    if (index < ListCount() && ReadListRecord(index) == 0) {
        WideRecord& r = g_session.record;
        r.deleted = IsDeleted(r) ? 0 : 1;
        if (WriteListRecord(index) == 0) {
            g_listChanged = true;
            SetWindowTextW(s.listRows[row], IsDeleted(r) ? Str(Txt_CreateListDeleted) : r.source);
        } else {
            ReportWriteFailure(s.hwnd, g_session.list.path);
        }
    }
    SetFocus(s.search);
}

// --- random words ---

void AddRandomWords(int n, bool replace, HWND owner)
{
    if (replace)
        EmptyList(owner);
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    for (int i = 0; i < n && BookCount() > 0; ++i) {
        if (ReadWordRecord(RandomIndex(BookCount())) != 0)
            continue;
        if (!AppendToList(owner))
            break;
    }
    SetCursor(previous);
    if (s.hwnd) {
        ShowListEnd();
        SetTitle();
    }
}

// --- the lists ---

// The Lists menu item that names the list (0 when there is none).
static int ListMenuItem(const wchar_t* name)
{
    if (!g_listsMenu)
        return 0;
    int items = GetMenuItemCount(g_listsMenu);
    for (int i = 0; i < items; ++i) {
        wchar_t text[kListNameChars] = L"";
        GetMenuStringW(g_listsMenu, i, text, static_cast<int>(std::size(text)), MF_BYPOSITION);
        if (EqualFoldAZ(text, name))
            return static_cast<int>(GetMenuItemID(g_listsMenu, i));
    }
    return 0;
}

static void EnableDelete()
{
    EnableMenuItem(s.fileMenu, LmDeleteList, MF_BYCOMMAND | (s.lists > 0 ? MF_ENABLED : MF_GRAYED));
}

// Marks left in a list the window turns away from would stay in its file
// (only the list current at closing is compacted). The open file is still
// the one of the list left.
static void CompactListLeft(const wchar_t* left)
{
    if (!g_listChanged)
        return;
    wchar_t chosen[kListNameChars];
    lstrcpynW(chosen, g_session.listName, kListNameChars);
    lstrcpynW(g_session.listName, left, kListNameChars);
    CompactList(s.hwnd);
    lstrcpynW(g_session.listName, chosen, kListNameChars);
    g_listChanged = false;
}

// The stored id need not be the item with the check: ids follow each build's order.
static void CheckListsMenuItem(int id)
{
    if (!g_listsMenu)
        return;
    for (int i = 0, n = GetMenuItemCount(g_listsMenu); i < n; ++i)
        CheckMenuItem(g_listsMenu, i, MF_BYPOSITION | MF_UNCHECKED);
    CheckMenuItem(g_listsMenu, id, MF_BYCOMMAND | MF_CHECKED);
}

// A name given again to a list that exists keeps its one menu item.
static void NewList()
{
    std::wstring before = g_session.listName;
    NewListDialog(s.hwnd);
    if (EqualFoldAZ(before.c_str(), g_session.listName))
        return;
    CompactListLeft(before.c_str());
    if (!g_listsMenu) {
        BuildListsMenu(s.hwnd);
        s.lists = CountLists();
    }
    int id = ListMenuItem(g_session.listName);
    if (id == 0) {
        id = kListsMenuFirstId + s.lists;
        if (g_listsMenu)
            AppendMenuW(g_listsMenu, MF_STRING, id, g_session.listName);
        ++s.lists;
    }
    CloseListFile();
    OpenListFile();
    CountListRecords();
    CheckListsMenuItem(id);
    g_session.listId = id;
    EnableDelete();
    RefreshListPane();
}

static void DeleteList()
{
    // Counted afresh: the one list on disk is never deleted.
    if (CountLists() <= 1) {
        ShowMessage(s.hwnd, Str(Txt_CreateListKeeplist), Str(Txt_CreateListDelList), MB_OK);
        return;
    }
    wchar_t text[1024];
    StringCchPrintfW(text, std::size(text), L"%s %s%s", Str(Txt_CreateListSureDel), g_session.listName,
                     Str(Txt_CreateListSureDel2));
    if (ShowMessage(s.hwnd, text, Str(Txt_CreateListDelList), MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    // Marks in a list that stays are still to be dropped.
    if (DeleteCurrentList(s.hwnd))
        g_listChanged = false;
    s.lists = CountLists();
    EnableDelete();
    RefreshListPane();
}

// --- the window ---

static LRESULT CALLBACK CellProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR)
{
    switch (msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_CONTEXTMENU:
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, CellProc, id);
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

static HWND MakeEdit(HWND parent, int id, int x, int y, int width)
{
    return CreateScaledChild(parent, WS_EX_CLIENTEDGE, L"edit", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL,
                             x, y, width, 25, id);
}

static HWND MakeCell(HWND parent, int id, int x, int y, int width)
{
    HWND cell = MakeEdit(parent, id, x, y, width);
    SetWindowSubclass(cell, CellProc, 1, 0);
    return cell;
}

static void MakeButton(HWND parent, int id, int x, int width, StringId text)
{
    CreateScaledChild(parent, 0, L"button", Str(text), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x, 305,
                      width, 30, id);
}

static HWND MakeBar(HWND parent, int id, int x, int y)
{
    return CreateScaledChild(parent, 0, L"scrollbar", L"", WS_CHILD | WS_VISIBLE | SBS_VERT, x, y, 20, 184, id);
}

static void MakeRowFonts()
{
    LanguagePair* pair = CurrentPair();
    s.sourceFont = MakeFont(11, FW_NORMAL, L"Times New Roman", pair->sourceCharset, true, s.dpi);
    s.targetFont = MakeFont(11, FW_NORMAL, L"Times New Roman", pair->targetCharset, true, s.dpi);
}

// A new font resets an edit control's margins to the font's.
static void SetFieldFont(HWND field, HFONT font)
{
    SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageW(field, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
}

static void GiveFonts()
{
    for (int i = 0; i < kRows; ++i) {
        SetFieldFont(s.listRows[i], s.sourceFont);
        SetFieldFont(s.bookSource[i], s.sourceFont);
        SetFieldFont(s.bookTranslation[i], s.targetFont);
    }
    SetFieldFont(s.search, s.sourceFont);
    for (int id : {LmAddAll, LmRemoveAll, LmAddRandom, LmPrint, LmDone})
        SendMessageW(GetDlgItem(s.hwnd, id), WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), TRUE);
}

static void CreateControls(HWND hwnd)
{
    MakeRowFonts();
    s.listBar = MakeBar(hwnd, LmListBar, 15, 41);
    s.bookBar = MakeBar(hwnd, LmBookBar, 385, 40);
    MakeButton(hwnd, LmAddAll, 15, 120, Txt_CreateListAddAll);
    MakeButton(hwnd, LmRemoveAll, 140, 140, Txt_CreateListRemoveAll);
    MakeButton(hwnd, LmAddRandom, 285, 125, Txt_CreateListAddRandom);
    MakeButton(hwnd, LmPrint, 415, 80, Txt_CreateListPrint);
    MakeButton(hwnd, LmDone, 500, 84, Txt_Done);
    for (int i = 0; i < kRows; ++i) {
        int y = 40 + 23 * i;
        s.listRows[i] = MakeCell(hwnd, LmListRow + i, 35, y, 160);
        s.bookSource[i] = MakeCell(hwnd, LmBookRow + i, 225, y, 160);
        s.bookTranslation[i] = MakeCell(hwnd, LmBookRow + i, 405, y, 180);
    }
    s.search = MakeEdit(hwnd, LmSearch, 225, 250, 160);
    GiveFonts();
    SendMessageW(s.search, EM_LIMITTEXT, kSearchChars, 0);
    SubclassKeyField(s.search, {VK_RETURN, VK_DOWN, VK_UP});
}

static HMENU BuildMenuBar()
{
    HMENU bar = CreateMenu();
    s.fileMenu = CreatePopupMenu();
    AppendMenuW(s.fileMenu, MF_STRING, LmNewList, Str(Txt_CreatePLMenuFile1));
    AppendMenuW(s.fileMenu, MF_STRING, LmDeleteList, Str(Txt_CreatePLMenuFile2));
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(s.fileMenu), Str(Txt_CreatePLMenuFile0));
    return bar;
}

// The design's client height under the caption and menu bar of the dpi.
static SIZE WindowSize(int dpi)
{
    return {Scale(kWidth, dpi), Scale(kClientHeight, dpi) + MulDiv(g_captionHeight + g_menuHeight, dpi, SystemDpi())};
}

static void OnCreate(HWND hwnd)
{
    s = {};
    s.hwnd = hwnd;
    // Made on a monitor of another scale than the primary screen's at start-up.
    s.dpi = WindowDpi(hwnd);
    SIZE size = WindowSize(s.dpi);
    if (s.dpi != SystemDpi())
        SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetMenu(hwnd, BuildMenuBar());
    SetTitle();
    CreateControls(hwnd);
    SetFocus(s.search);
    SetScrollRange(s.bookBar, SB_CTL, 0, std::max(0, (BookCount() - kRows) / kBookUnit), FALSE);
    ShowBookRows(0);
    g_listChanged = false;
    ApplyStayOnTop(hwnd);
    RestoreWindowPosition(hwnd, g_settings.windowPos[PosMakelist]);
    s.lists = CountLists();
    EnableDelete();
    if (s.lists > 0) {
        BuildListsMenu(hwnd);
        if (!g_session.listName[0] && ChooseFirstList() && g_listsMenu)
            CheckMenuItem(g_listsMenu, kListsMenuFirstId, MF_BYCOMMAND | MF_CHECKED);
    }
    CloseListFile();
    OpenListFile();
    CountListRecords();
    RefreshListPane();
}

static void OnPaint(HWND hwnd)
{
    PaintDc paint(hwnd);
    HDC dc = paint.dc;
    DrawTopEdge(hwnd, dc);
    int dpi = s.dpi;
    auto line = [dc, dpi](COLORREF colour, POINT from, POINT to) {
        GdiObject pen(CreatePen(PS_SOLID, Scale(5, dpi), colour));
        Selected selected(dc, pen.handle);
        MoveToEx(dc, Scale(from.x, dpi), Scale(from.y, dpi), nullptr);
        LineTo(dc, Scale(to.x, dpi), Scale(to.y, dpi));
    };
    line(RGB(224, 224, 224), {209, 4}, {209, 284});
    line(RGB(224, 224, 224), {1, 284}, {604, 284});
    line(RGB(0, 128, 0), {210, 5}, {210, 285});
    line(RGB(0, 128, 0), {2, 285}, {605, 285});
    SetBkMode(dc, TRANSPARENT);
    {
        Selected font(dc, FontsFor(dpi).listHint);
        SetTextColor(dc, RGB(0, 0, 0));
        RECT add = ScaleRect({225, 230, 600, 250}, dpi), remove = ScaleRect({15, 230, 203, 280}, dpi),
             words = ScaleRect({225, 13, 600, 30}, dpi);
        DrawTextW(dc, Str(Txt_CreateListClickAdd), -1, &add, DT_WORDBREAK);
        DrawTextW(dc, Str(Txt_CreateListClickRemove), -1, &remove, DT_WORDBREAK);
        DrawTextW(dc, Str(Txt_CreateListAddwords), -1, &words, DT_WORDBREAK);
    }
    Selected font(dc, FontsFor(dpi).listHeading);
    RECT heading = ScaleRect({0, 10, 208, 30}, dpi);
    DrawEngravedText(dc, &heading, Str(Txt_CreateListPracticelist), DT_CENTER | DT_SINGLELINE);
}

// Thumb positions go through ThumbPosition: a long list or a big word book
// has a range beyond the message's 16 bits.
static void OnVScroll(HWND bar, int code, int position)
{
    if (bar == s.listBar) {
        switch (code) {
        case SB_LINEUP: MoveList(s.listTop - 1); break;
        case SB_LINEDOWN: MoveList(s.listTop + 1); break;
        case SB_PAGEUP: MoveList(s.listTop - kRows); break;
        case SB_PAGEDOWN: MoveList(s.listTop + kRows); break;
        case SB_THUMBPOSITION: MoveList(ThumbPosition(bar, position)); break;
        }
    } else if (bar == s.bookBar) {
        switch (code) {
        case SB_LINEUP: MoveBook(s.bookTop - 1); break;
        case SB_LINEDOWN: MoveBook(s.bookTop + 1); break;
        case SB_PAGEUP: MoveBook(s.bookTop - kRows); break;
        case SB_PAGEDOWN: MoveBook(s.bookTop + kRows); break;
        case SB_THUMBPOSITION: MoveBook(ThumbPosition(bar, position) * kBookUnit); break;
        }
    }
}

static void OnSearchKey(UINT key)
{
    switch (key) {
    case VK_RETURN:
        SetWindowTextW(s.search, L"");
        Lookup();
        break;
    case VK_DOWN: MoveBook(s.bookTop + 1); break;
    case VK_UP: MoveBook(s.bookTop - 1); break;
    }
}

// Compacted while the window is still there, so that a failure's box
// belongs to it and no click reaches it meanwhile.
static void Close()
{
    CloseAddRandom();
    if (g_listChanged)
        CompactList(s.hwnd);
    s.closing = true;
    DestroyWindow(s.hwnd);
}

static void OnButton(int id)
{
    switch (id) {
    case LmAddAll:
        FillListFromWordBook(s.hwnd);
        RefreshListPane();
        break;
    case LmRemoveAll:
        EmptyList(s.hwnd);
        RefreshListPane();
        break;
    case LmAddRandom: OpenAddRandom(s.hwnd); break;
    case LmPrint:
        if (ListCount() > 0)
            PrintList(s.hwnd);
        break;
    case LmDone: Close(); break;
    }
}

static void OnCommand(int id, int code, LPARAM lp)
{
    if (id == LmSearch) {
        if (code == kFieldKey)
            OnSearchKey(HIWORD(lp));
        else if (code == EN_UPDATE)
            Lookup();
        return;
    }
    if (id >= LmBookRow && id < LmBookRow + kRows) {
        if (code == EN_SETFOCUS)
            ClickBookRow(id - LmBookRow);
        return;
    }
    if (id >= LmListRow && id < LmListRow + kRows) {
        if (code == EN_SETFOCUS)
            ClickListRow(id - LmListRow);
        return;
    }
    if (lp) {  // a button
        if (code == BN_CLICKED)
            OnButton(id);
        return;
    }
    if (id == LmNewList)
        return NewList();
    if (id == LmDeleteList)
        return DeleteList();
    if (id >= kListsMenuFirstId && id < kListsMenuFirstId + s.lists) {
        CompactListLeft(g_session.listName);
        SelectListFromMenu(s.hwnd, id);
        RefreshListPane();
    }
}

// The fields keep their texts and the bars their places: only sizes change.
static void OnDpiChanged(HWND hwnd, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(hwnd, wp, lp);
    HFONT oldSource = s.sourceFont, oldTarget = s.targetFont;
    MakeRowFonts();
    GiveFonts();
    DeleteObject(oldSource);
    DeleteObject(oldTarget);
    InvalidateRect(hwnd, nullptr, TRUE);
}

static void OnDestroy(HWND hwnd)
{
    g_settings.windowPos[PosMakelist] = SaveWindowPosition(hwnd);
    CloseAddRandom();
    // Not closed through Close (the program ends): compacted on the way out.
    if (g_listChanged && !s.closing)
        CompactList(g_session.owner);
    g_listChanged = false;
    g_listsMenu = nullptr;  // destroyed with the menu bar
}

static void OnNcDestroy()
{
    DeleteObject(s.sourceFont);
    DeleteObject(s.targetFont);
    s = {};
    SecondaryWindowClosed();
}

static LRESULT CALLBACK ListMakerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp), lp); return 0;
    case WM_VSCROLL: OnVScroll(reinterpret_cast<HWND>(lp), LOWORD(wp), HIWORD(wp)); return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && s.search)
            SetFocus(s.search);
        return 0;
    case WM_CLOSE: Close(); return 0;
    case WM_DPICHANGED: OnDpiChanged(hwnd, wp, lp); return 0;
    case WM_DESTROY: OnDestroy(hwnd); return 0;
    case WM_NCDESTROY: OnNcDestroy(); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

bool ShowListMaker()
{
    if (!CurrentPair() || s.hwnd)
        return false;
    if (!RegisterWindowClass(g_instance, L"lijst", ListMakerProc, L"wboekicon", L"wboekicon"))
        return false;
    SIZE size = WindowSize(SystemDpi());
    HWND hwnd = CreateWindowW(L"lijst", L"", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, (g_screenWidth - size.cx) / 2,
                              (g_screenHeight - size.cy) / 2, size.cx, size.cy, nullptr, nullptr, g_instance, nullptr);
    if (!hwnd)
        return false;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    return true;
}
