#include "entry/info.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/records.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "kit/art.h"
#include "kit/dpi.h"
#include "kit/kit.h"
#include <commctrl.h>
#include <strsafe.h>
#include <iterator>
#include <string>

constexpr int kWidth = 450;
constexpr int kHeight = 300;
constexpr int kListId = 1;
constexpr int kColumnMargin = 40;
constexpr int kInitialColumnWidth = 10;
constexpr int kImageSize = 16;

enum InfoColumn { ColPair, ColWords, ColLocale, ColCharset, ColCount };

struct InfoState {
    HWND list;
    HIMAGELIST images;
    int dpi;
};
static InfoState s;

static std::wstring CharsetName(int charset)
{
    const char* name = nullptr;
    switch (charset) {
    case 0: name = "ANSI"; break;
    case 128: name = "Shift-JS"; break;
    case 129: name = "Hangul"; break;
    case 134: name = "GB2312"; break;
    case 136: name = "Big5"; break;
    case 161: name = "Greek"; break;
    case 162: name = "Turkish"; break;
    case 163: name = "Vietnamese"; break;
    case 186: name = "Baltic"; break;
    case 204: name = "Cyrillic"; break;
    case 222: name = "Thai"; break;
    case 238: name = "Centr. Europe"; break;
    default: return Str(Txt_WordlistInfoUnknown);
    }
    return WidenText(name, g_uiCodePage);
}

// The words column: the record count, or the missing text when the book
// can't be opened. The entry's own book is opened, so the current pair and
// its files stay as they are.
static std::wstring WordsText(const LanguagePair* pair)
{
    WordBook book;
    if (!OpenPairBook(pair, &book))
        return Str(Txt_WordlistInfoMissing);
    wchar_t text[16];
    StringCchPrintfW(text, std::size(text), L"%d", book.count);
    CloseWordBook(&book);
    return text;
}

// Measured in the list's font, which is the one at the window's scale.
static void WidenColumn(int column, const wchar_t* text)
{
    int wanted = ListView_GetStringWidth(s.list, text) + Scale(kColumnMargin, s.dpi);
    if (ListView_GetColumnWidth(s.list, column) < wanted)
        ListView_SetColumnWidth(s.list, column, wanted);
}

static void SetCell(int row, int column, const std::wstring& text)
{
    ListView_SetItemText(s.list, row, column, const_cast<wchar_t*>(text.c_str()));
    WidenColumn(column, text.c_str());
}

static void AddColumns()
{
    const StringId headers[ColCount] = {Txt_WordlistInfoWordlist, Txt_WordlistInfoWords, Txt_WordlistInfoLocale,
                                        Txt_CharacterSet};
    for (int c = 0; c < ColCount; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = Scale(kInitialColumnWidth, s.dpi);
        column.pszText = const_cast<wchar_t*>(Str(headers[c]));
        column.iSubItem = c;
        ListView_InsertColumn(s.list, c, &column);
        WidenColumn(c, column.pszText);  // a header wider than its cells stays readable
    }
}

static void AddRow(int row, const LanguagePair* pair)
{
    wchar_t name[256];
    StringCchPrintfW(name, std::size(name), L"%ls - %ls", pair->sourceName, pair->targetName);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = name;
    item.iImage = row;
    ListView_InsertItem(s.list, &item);
    WidenColumn(ColPair, name);
    SetCell(row, ColWords, WordsText(pair));
    SetCell(row, ColLocale, pair->sourceLocale);
    SetCell(row, ColCharset, CharsetName(pair->sourceCharset));
}

// One image per pair, every one the program's icon at the window's scale. The
// design's 16 colours hold at 16 pixels; a resized icon keeps its own colours.
static HIMAGELIST MakeImages()
{
    int k = g_catalogue.count(), size = Scale(kImageSize, s.dpi);
    HIMAGELIST images =
        ImageList_Create(size, size, (s.dpi == kDesignDpi ? ILC_COLOR4 : ILC_COLOR32) | ILC_MASK, k, 1);
    if (!images)
        return nullptr;
    HICON icon = LoadIconForDpi(g_instance, L"wboekicon", kImageSize, s.dpi);
    for (int i = 0; i < k; ++i)
        ImageList_AddIcon(images, icon);
    if (icon)
        DestroyIcon(icon);
    return images;
}

static bool MakeList(HWND hwnd)
{
    s.images = MakeImages();
    if (!s.images)
        return false;
    // The window destroys the image list itself, so the list view must not.
    s.list = CreateWindowExW(0, WC_LISTVIEWW, L"",
                             WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHAREIMAGELISTS, 0, 20, 100,
                             100, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), g_instance, nullptr);
    if (!s.list) {
        ImageList_Destroy(s.images);
        s.images = nullptr;
        return false;
    }
    if (HFONT font = FontsFor(s.dpi).gui)
        SendMessageW(s.list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ListView_SetImageList(s.list, s.images, LVSIL_SMALL);
    return true;
}

static void OnCreate(HWND hwnd)
{
    s = {};
    s.dpi = WindowDpi(hwnd);
    if (MakeList(hwnd)) {
        AddColumns();
        for (int i = 0; i < g_catalogue.count(); ++i)
            AddRow(i, g_catalogue.entries[i].get());
    }
    // Made on a monitor of another scale than the one it was sized for.
    if (s.dpi != SystemDpi())
        SetWindowPos(hwnd, nullptr, 0, 0, Scale(kWidth, s.dpi), Scale(kHeight, s.dpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyStayOnTop(hwnd);
}

// The columns are measured again in the font at the new scale, from the
// cells the list holds: the table stays the snapshot taken at opening.
static void FitColumns()
{
    int rows = ListView_GetItemCount(s.list);
    wchar_t text[256];
    for (int c = 0; c < ColCount; ++c) {
        ListView_SetColumnWidth(s.list, c, Scale(kInitialColumnWidth, s.dpi));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = static_cast<int>(std::size(text));
        if (ListView_GetColumn(s.list, c, &column))
            WidenColumn(c, text);
        for (int r = 0; r < rows; ++r) {
            ListView_GetItemText(s.list, r, c, text, static_cast<int>(std::size(text)));
            WidenColumn(c, text);
        }
    }
}

static void OnDpiChanged(HWND hwnd, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(hwnd, wp, lp);
    if (!s.list)
        return;
    if (HIMAGELIST images = MakeImages()) {
        ListView_SetImageList(s.list, images, LVSIL_SMALL);
        ImageList_Destroy(s.images);
        s.images = images;
    }
    if (HFONT font = FontsFor(s.dpi).gui)
        SendMessageW(s.list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    FitColumns();
    InvalidateRect(s.list, nullptr, TRUE);
}

static void OnSize(UINT type, int width, int height)
{
    if (!s.list)
        return;
    MoveWindow(s.list, 0, 0, width, height, FALSE);
    // The whole list, not just its rows: the window's background is painted
    // over the list's new area, and the list does not repaint it by itself.
    if (type == SIZE_RESTORED || type == SIZE_MAXIMIZED)
        InvalidateRect(s.list, nullptr, TRUE);
}

static void OnDestroy()
{
    if (s.images)
        ImageList_Destroy(s.images);
    s = {};
    SecondaryWindowClosed();
}

static LRESULT CALLBACK InfoProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_SIZE: OnSize(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp)); break;
    case WM_DPICHANGED: OnDpiChanged(hwnd, wp, lp); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool ShowInfoWindow()
{
    if (!RegisterWindowClass(g_instance, L"info", InfoProc, L"wboekicon", L"wboekicon"))
        return false;
    int width = Scale(kWidth, SystemDpi()), height = Scale(kHeight, SystemDpi());
    HWND hwnd = CreateWindowW(L"info", Str(Txt_WordlistInfoCaption), WS_OVERLAPPEDWINDOW, (g_screenWidth - width) / 2,
                              (g_screenHeight - height) / 2, width, height, nullptr, nullptr, g_instance, nullptr);
    if (!hwnd)
        return false;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return true;
}
