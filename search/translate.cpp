#include "search/translate.h"
#include "search/lookup.h"
#include "lists/listops.h"
#include "shell/app.h"
#include "shell/help.h"
#include "shell/mainwindow.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/fieldkeys.h"
#include "kit/fonts.h"
#include "kit/kit.h"
#include <commctrl.h>
#include <commdlg.h>
#include <algorithm>
#include <cstdio>

static const int kWidth = 630;
static const int kClientHeight = 352;
static const int kRows = 3;
// Each scroll-bar step stands for this many records.
static const int kRecordsPerStep = 10;
// What the type-ahead looks at of the search field.
static const int kSearchChars = 37;
// Larger files are refused rather than read: the field holds the whole text.
static const long long kMaxTextBytes = 64LL * 1024 * 1024;
// The text field's menu.
enum TextMenu { TextMenuAdd = 1, TextMenuCopy, TextMenuPaste };

struct TranslateState {
    HWND hwnd;
    int dpi;
    HWND source[kRows];
    HWND target[kRows];
    HWND text;
    HWND search;
    HWND scroll;
    HWND status;     // what the last add to the practice list came to
    HWND lastFocus;  // text or search field: where the focus returns on activation
    HFONT sourceFont;
    HFONT targetFont;
    int top;
    int shownTop;
    std::wstring loaded;    // the text field's text, as set
    std::wstring lastWord;  // the word last taken from the text
};
static TranslateState s;

static int Count() { return g_session.book.count; }

static void MakePairFonts()
{
    LanguagePair* pair = CurrentPair();
    s.sourceFont = MakeFont(11, 400, L"Times New Roman", pair ? pair->sourceCharset : 0, true, s.dpi);
    s.targetFont = MakeFont(11, 400, L"Times New Roman", pair ? pair->targetCharset : 0, true, s.dpi);
}

static void DeletePairFonts()
{
    for (HFONT* font : {&s.sourceFont, &s.targetFont})
        if (*font) {
            DeleteObject(*font);
            *font = nullptr;
        }
}

static void NoMargins(HWND field) { SendMessageW(field, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0); }

// A new font gives an edit the font's margins again: the fields' zero margins are set after it.
static void SetFieldFonts()
{
    auto set = [](HWND field, HFONT font) {
        SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        NoMargins(field);
    };
    for (int i = 0; i < kRows; ++i) {
        set(s.source[i], s.sourceFont);
        set(s.target[i], s.targetFont);
    }
    set(s.search, s.sourceFont);
    SendMessageW(s.text, WM_SETFONT, reinterpret_cast<WPARAM>(s.sourceFont), TRUE);
}

static void ShowRows()
{
    for (int i = 0; i < kRows; ++i) {
        // Rows past the end are emptied: a shorter book must not keep the last one's words.
        bool read = s.top + i < Count() && ReadWordRecord(s.top + i) == 0;
        SetWindowTextW(s.source[i], read ? g_session.record.source : L"");
        SetWindowTextW(s.target[i], read ? g_session.record.translation : L"");
    }
    SetScrollPos(s.scroll, SB_CTL, s.top / kRecordsPerStep, TRUE);
    s.shownTop = s.top;
}

static void SetScrollRange()
{
    SetScrollRange(s.scroll, SB_CTL, 0, std::max(0, (Count() - kRows) / kRecordsPerStep), TRUE);
}

static void MoveTo(int top)
{
    s.top = ClampTop(top, Count(), kRows);
    if (s.top != s.shownTop)
        ShowRows();
}

// What the type-ahead looks at.
static std::wstring SearchText()
{
    wchar_t word[kSearchChars + 1] = L"";
    GetWindowTextW(s.search, word, kSearchChars + 1);
    return word;
}

static void LookUpSearchText() { MoveTo(FindWordPosition(SearchText().c_str())); }

static HWND MakeField(DWORD style, int x, int y, int width, int height, int id)
{
    return CreateScaledChild(s.hwnd, WS_EX_CLIENTEDGE, L"edit", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | style, x, y,
                             width, height, id);
}

static void SetButtonFonts()
{
    for (int id : {+TranslateHelp, +TranslateDone, +TranslateStatus})
        SendMessageW(GetDlgItem(s.hwnd, id), WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), TRUE);
}

static void MakeButton(StringId text, int x, int id)
{
    CreateScaledChild(s.hwnd, 0, L"button", Str(text), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, 300, 100, 30, id);
}

// The start of the text's selection (and its end).
static DWORD CaretIndex(DWORD* end = nullptr)
{
    DWORD start = 0, selectionEnd = 0;
    SendMessageW(s.text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&selectionEnd));
    if (end)
        *end = selectionEnd;
    return start;
}

// A word is taken from the text when the caret has settled: after a key or
// the left button is released.
static void TakeWordAtCaret()
{
    std::wstring word = WordAtCaret(s.loaded, CaretIndex());
    // The same word again leaves whatever the user typed or scrolled to since.
    if (word.empty() || word == s.lastWord)
        return;
    s.lastWord = word;
    SetWindowTextW(s.search, word.c_str());
}

static void ShowStatus(const std::wstring& text) { SetWindowTextW(s.status, text.c_str()); }

// The text adds the word at its caret, a row its record, the search field its word.
static void AddToList(HWND field)
{
    int id = GetDlgCtrlID(field);
    int row = id >= TranslateTarget0 ? id - TranslateTarget0 : id - TranslateSource0;
    if (field == s.text)
        ShowStatus(AddWordToList(s.hwnd, WordAtCaret(s.loaded, CaretIndex())));
    else if (row >= 0 && row < kRows)
        ShowStatus(AddBookRecordToList(s.hwnd, s.top + row));
    else if (field == s.search)
        ShowStatus(AddWordToList(s.hwnd, SearchText()));
}

static void PasteText(HWND hwnd);

// In place of the field's own menu: adding the word at the caret, copying,
// and pasting as the File menu does.
static void ShowTextMenu(LPARAM at)
{
    POINT pt{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    if (pt.x == -1 && pt.y == -1) {  // the keyboard's menu key: at the caret
        GetCaretPos(&pt);
        ClientToScreen(s.text, &pt);
    }
    DWORD end = 0, start = CaretIndex(&end);
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, TextMenuAdd, AddToListItemText().c_str());
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | (start == end ? MF_GRAYED : 0), TextMenuCopy, Str(Txt_SearchCopy));
    AppendMenuW(menu, MF_STRING, TextMenuPaste, Str(Txt_TranslateMenuFile2));
    int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, s.hwnd, nullptr);
    DestroyMenu(menu);
    if (command == TextMenuAdd)
        AddToList(s.text);
    else if (command == TextMenuCopy)
        SendMessageW(s.text, WM_COPY, 0, 0);
    else if (command == TextMenuPaste)
        PasteText(s.hwnd);
}

// A right click puts the caret on the word clicked, so that the menu's add
// takes that word; inside a selection the selection stays, for Copy.
static void PutCaretAtClick(HWND field, LPARAM at)
{
    LRESULT pos = SendMessageW(field, EM_CHARFROMPOS, 0, at);
    // The message gives 16 bits of the index; what is shown lies within 64K
    // characters of the first line shown.
    DWORD first = static_cast<DWORD>(
        SendMessageW(field, EM_LINEINDEX, SendMessageW(field, EM_GETFIRSTVISIBLELINE, 0, 0), 0));
    DWORD index = first + ((LOWORD(pos) - first) & 0xFFFF);
    DWORD end = 0, start = CaretIndex(&end);
    if (start != end && index >= start && index < end)
        return;
    SendMessageW(field, EM_SETSEL, index, index);
    TakeWordAtCaret();
}

static LRESULT CALLBACK TextFieldProc(HWND field, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR)
{
    switch (msg) {
    case WM_RBUTTONDOWN: {
        LRESULT r = DefSubclassProc(field, msg, wp, lp);
        PutCaretAtClick(field, lp);
        return r;
    }
    case WM_KEYUP:
    case WM_LBUTTONUP: {
        LRESULT r = DefSubclassProc(field, msg, wp, lp);
        TakeWordAtCaret();
        return r;
    }
    case WM_CONTEXTMENU: ShowTextMenu(lp); return 0;
    case WM_NCDESTROY: RemoveWindowSubclass(field, TextFieldProc, id); break;
    }
    return DefSubclassProc(field, msg, wp, lp);
}

// The text field breaks lines only at CR LF; files written elsewhere often
// end their lines with LF alone.
static std::wstring WithWindowsLineEnds(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r'))
            out += L'\r';
        out += text[i];
    }
    return out;
}

static void SetText(const std::wstring& text)
{
    s.loaded = WithWindowsLineEnds(text);
    SetWindowTextW(s.text, s.loaded.c_str());
    SetFocus(s.text);
}

// The whole file, up to its first zero byte; false when it can't be read or is too large.
static bool ReadTextBytes(const wchar_t* path, std::string* bytes)
{
    UniqueFile f(_wfopen(path, L"rb"));
    if (!f || _fseeki64(f.get(), 0, SEEK_END) != 0)
        return false;
    long long size = _ftelli64(f.get());
    if (size < 0 || size > kMaxTextBytes || _fseeki64(f.get(), 0, SEEK_SET) != 0)
        return false;
    bytes->assign(static_cast<size_t>(size), '\0');
    if (fread(bytes->data(), 1, bytes->size(), f.get()) != bytes->size())
        return false;
    bytes->resize(std::min(bytes->find('\0'), bytes->size()));
    return true;
}

bool LoadTranslateText(const wchar_t* path)
{
    LanguagePair* pair = CurrentPair();
    std::string bytes;
    if (!s.hwnd || !pair || !ReadTextBytes(path, &bytes))
        return false;
    SetText(WidenText(bytes, pair->sourceCodePage));
    return true;
}

static void OpenTextFile(HWND hwnd)
{
    wchar_t file[260] = L"";
    wchar_t title[512] = L"";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd;
    std::wstring filter = std::wstring(Str(Txt_TranslateFilterText)) + L'\0' + L"*.txt" + L'\0' +
                          Str(Txt_TranslateFilterAll) + L'\0' + L"*.*" + L'\0';
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = 260;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = 512;
    ofn.lpstrInitialDir = L"C:\\";
    ofn.lpstrDefExt = L"txt";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    // The word books are opened relative to the current directory: whatever
    // the dialog does, it must come back.
    std::wstring current(GetCurrentDirectoryW(0, nullptr), L'\0');
    current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data()));
    BOOL picked = GetOpenFileNameW(&ofn);
    if (!current.empty())
        SetCurrentDirectoryW(current.c_str());
    if (picked)
        LoadTranslateText(file);
}

static void PasteText(HWND hwnd)
{
    LanguagePair* pair = CurrentPair();
    std::string bytes;
    if (pair && ReadClipboardBytes(hwnd, &bytes))
        SetText(WidenText(bytes, pair->sourceCodePage));
}

static void BuildMenu(HWND hwnd)
{
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, MenuOpenText, Str(Txt_TranslateMenuFile1));
    AppendMenuW(file, MF_STRING, MenuPasteText, Str(Txt_TranslateMenuFile2));
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), Str(Txt_TranslateMenuFile0));
    SetMenu(hwnd, bar);
}

// The window's size at a dpi: the design's, with the caption and menu bar
// the system draws at that dpi.
static SIZE WindowSize(int dpi) { return {Scale(kWidth, dpi), Scale(kClientHeight, dpi) + CaptionAndMenuHeight(dpi)}; }

static void OnCreate(HWND hwnd)
{
    s.hwnd = hwnd;
    // Made for the primary screen; another monitor's scale resizes it.
    s.dpi = WindowDpi(hwnd);
    if (s.dpi != SystemDpi()) {
        SIZE size = WindowSize(s.dpi);
        SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    BuildMenu(hwnd);
    MakePairFonts();
    for (int i = 0; i < kRows; ++i) {
        s.source[i] = MakeField(ES_AUTOHSCROLL, 20, 40 + 23 * i, 215, 25, TranslateSource0 + i);
        s.target[i] = MakeField(ES_AUTOHSCROLL, 255, 40 + 23 * i, 350, 25, TranslateTarget0 + i);
        SendMessageW(s.source[i], EM_LIMITTEXT, 30, 0);
        SendMessageW(s.target[i], EM_LIMITTEXT, 50, 0);
    }
    s.text = MakeField(ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL, 20, 115,
                       586, 180, TranslateText);
    SetWindowSubclass(s.text, TextFieldProc, 1, 0);
    s.search = MakeField(0, 20, 300, 215, 25, TranslateSearch);
    SetFieldFonts();
    MakeButton(Txt_Help, 400, TranslateHelp);
    MakeButton(Txt_Done, 505, TranslateDone);
    s.status = CreateScaledChild(hwnd, 0, L"static", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 20,
                                 331, 585, 20, TranslateStatus);
    for (int i = 0; i < kRows; ++i)
        for (HWND field : {s.source[i], s.target[i]})
            SubclassCtrlKey(field, kAddToListKey);
    SubclassCtrlKey(s.text, kAddToListKey);
    SubclassCtrlKey(s.search, kAddToListKey);
    SetButtonFonts();
    s.scroll = CreateScaledChild(hwnd, 0, L"scrollbar", nullptr, WS_CHILD | WS_VISIBLE | SBS_VERT, 235, 40, 20, 69,
                                 TranslateScroll);
    s.lastFocus = s.search;
    SetFocus(s.search);
    SubclassSearchField(s.search);
    SetScrollRange();
    s.top = 0;
    ShowRows();
    ApplyStayOnTop(hwnd);
    RestoreWindowPosition(hwnd, g_settings.windowPos[PosTranslate]);
}

static void OnPaint(HWND hwnd)
{
    PaintDc paint(hwnd);
    HDC dc = paint.dc;
    DrawTopEdge(hwnd, dc);
    if (LanguagePair* pair = CurrentPair())
        DrawLanguageHeadings(dc, FontsFor(s.dpi).translateHeading, ScaleRect({20, 10, 235, 40}, s.dpi),
                             pair->sourceName, ScaleRect({255, 10, 605, 40}, s.dpi), pair->targetName);
}

// The fields are given fonts made anew (another pair, another scale) before the old ones go.
static void RemakePairFonts()
{
    HFONT oldSource = s.sourceFont, oldTarget = s.targetFont;
    MakePairFonts();
    SetFieldFonts();
    DeleteObject(oldSource);
    DeleteObject(oldTarget);
}

// Another scale: the text, the rows and what was typed stay; places and fonts change.
static void OnDpiChanged(HWND hwnd, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(hwnd, wp, lp);
    RemakePairFonts();
    SetButtonFonts();
    InvalidateRect(hwnd, nullptr, TRUE);
}

static void SwitchPair(HWND hwnd, int id)
{
    if (!SwitchPairByCommand(id))
        return;
    RemakePairFonts();
    InvalidateRect(hwnd, nullptr, TRUE);
    SetScrollRange();
    s.top = 0;
    ShowRows();
    s.lastWord.clear();
    ShowStatus(L"");
}

static void OnSearchKey(UINT key)
{
    switch (key) {
    case VK_RETURN: SetWindowTextW(s.search, L""); break;
    case VK_UP: MoveTo(s.top - 1); break;
    case VK_DOWN: MoveTo(s.top + 1); break;
    default: break;  // Page Up and Page Down do nothing here
    }
}

static void OnSearchField(int code, UINT key)
{
    switch (code) {
    case EN_SETFOCUS: s.lastFocus = s.search; break;
    case EN_UPDATE: LookUpSearchText(); break;
    case kFieldKey: OnSearchKey(key); break;
    default: break;
    }
}

static void Close(HWND hwnd)
{
    g_settings.windowPos[PosTranslate] = SaveWindowPosition(hwnd);
    DestroyWindow(hwnd);
}

static void OnCommand(HWND hwnd, int id, int code, LPARAM lp)
{
    if (code == kFieldCtrlKey)
        return AddToList(GetDlgItem(hwnd, id));
    switch (id) {
    case MenuOpenText: OpenTextFile(hwnd); return;
    case MenuPasteText: PasteText(hwnd); return;
    case TranslateHelp: if (code == BN_CLICKED) OpenHelpKeyword(hwnd, Str(Txt_TranslateHelpkey)); return;
    case TranslateDone: if (code == BN_CLICKED) Close(hwnd); return;
    case TranslateText: if (code == EN_SETFOCUS) s.lastFocus = s.text; return;
    case TranslateSearch: OnSearchField(code, HIWORD(lp)); return;
    default: if (IsPairCommand(id)) SwitchPair(hwnd, id); return;
    }
}

static void OnVScroll(HWND bar, int request, int thumb)
{
    if (bar != s.scroll)
        return;
    switch (request) {
    case SB_LINEUP: MoveTo(s.top - 1); break;
    case SB_LINEDOWN: MoveTo(s.top + 1); break;
    case SB_PAGEUP: MoveTo(s.top - kRows); break;
    case SB_PAGEDOWN: MoveTo(s.top + kRows); break;
    case SB_THUMBPOSITION: MoveTo(ThumbPosition(bar, thumb) * kRecordsPerStep); break;
    default: break;
    }
}

static void OnContextMenu(HWND hwnd, HWND clicked)
{
    if (clicked != hwnd)
        return;
    POINT at;
    GetCursorPos(&at);
    TrackPopupMenu(PairMenu(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, nullptr);
}

// The focus goes back where it was rather than to the window itself.
static bool OnActivate(int state)
{
    if (state == WA_INACTIVE || !s.lastFocus)
        return false;
    SetFocus(s.lastFocus);
    return true;
}

static void OnDestroy(HWND hwnd)
{
    g_settings.windowPos[PosTranslate] = SaveWindowPosition(hwnd);
    DeletePairFonts();
    s = {};
    SecondaryWindowClosed();
}

static LRESULT CALLBACK TranslateProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_DPICHANGED: OnDpiChanged(hwnd, wp, lp); return 0;
    case WM_COMMAND: OnCommand(hwnd, LOWORD(wp), HIWORD(wp), lp); return 0;
    case WM_VSCROLL: OnVScroll(reinterpret_cast<HWND>(lp), LOWORD(wp), HIWORD(wp)); return 0;
    case WM_CONTEXTMENU: OnContextMenu(hwnd, reinterpret_cast<HWND>(wp)); return 0;
    case WM_CTLCOLORSTATIC:  // the status line on the window's grey; the read-only text stays white
        if (reinterpret_cast<HWND>(lp) != s.status)
            break;
        SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
    case WM_ACTIVATE: if (OnActivate(LOWORD(wp))) return 0; break;
    case WM_DESTROY: OnDestroy(hwnd); return 0;
    default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool ShowTranslateWindow()
{
    s = {};
    if (!RegisterWindowClass(g_instance, L"vertaal", TranslateProc, L"wboekicon", L"wboekicon"))
        return false;
    SIZE size = WindowSize(SystemDpi());
    HWND hwnd = CreateWindowW(L"vertaal", Str(Txt_TranslateCaption), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              (g_screenWidth - size.cx) / 2, (g_screenHeight - size.cy) / 2, size.cx, size.cy, nullptr,
                              nullptr, g_instance, nullptr);
    if (!hwnd)
        return false;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    return true;
}
