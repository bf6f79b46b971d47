#include "entry/info.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/records.h"
#include "core/session.h"
#include "core/uistrings.h"
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

enum InfoColumn { ColPair, ColWords, ColLocale, ColCharset, ColCount };

struct InfoState {
    HWND list;
    HIMAGELIST images;
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

static void WidenColumn(int column, const wchar_t* text)
{
    int wanted = ListView_GetStringWidth(s.list, text) + kColumnMargin;
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
        column.cx = kInitialColumnWidth;
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

static bool MakeList(HWND hwnd)
{
    int k = g_catalogue.count();
    s.images = ImageList_Create(16, 16, ILC_COLOR4 | ILC_MASK, k, 1);
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
    if (g_fonts.gui)
        SendMessageW(s.list, WM_SETFONT, reinterpret_cast<WPARAM>(g_fonts.gui), FALSE);
    ListView_SetImageList(s.list, s.images, LVSIL_SMALL);
    HICON icon = static_cast<HICON>(LoadImageW(g_instance, L"wboekicon", IMAGE_ICON, 16, 16, LR_SHARED));
    for (int i = 0; i < k; ++i)
        ImageList_AddIcon(s.images, icon);
    return true;
}

static void OnCreate(HWND hwnd)
{
    s = {};
    if (MakeList(hwnd)) {
        AddColumns();
        for (int i = 0; i < g_catalogue.count(); ++i)
            AddRow(i, g_catalogue.entries[i].get());
    }
    ApplyStayOnTop(hwnd);
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
    case WM_DESTROY: OnDestroy(); return 0;
    default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool ShowInfoWindow()
{
    if (!RegisterWindowClass(g_instance, L"info", InfoProc, L"wboekicon", L"wboekicon"))
        return false;
    HWND hwnd = CreateWindowW(L"info", Str(Txt_WordlistInfoCaption), WS_OVERLAPPEDWINDOW, (g_screenWidth - kWidth) / 2,
                              (g_screenHeight - kHeight) / 2, kWidth, kHeight, nullptr, nullptr, g_instance, nullptr);
    if (!hwnd)
        return false;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return true;
}
