#include "search/searchwindow.h"
#include "search/lookup.h"
#include "lists/listops.h"
#include "entry/picker.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "shell/sortwindow.h"
#include "core/report.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/fieldkeys.h"
#include "kit/fonts.h"
#include "kit/kit.h"
#include <commctrl.h>
#include <mmsystem.h>
#include <algorithm>

static const int kMaxRows = 25;
static const int kSearchChars = 37;  // what the lookup looks at

enum SearchCommands {
    CmdPickerShow = 2000,
    CmdPickerHide,
    CmdClipFollow,
    CmdClipIgnore,
    CmdRows = 2100,  // + 0..25; 0 is the minimal layout
    CmdDeleteRecord = 2200,
    CmdCopy,
    CmdPaste,
    CmdPlay,
    CmdAddToList,
};

struct SearchState {
    HWND hwnd;
    int dpi;
    int rows;
    bool minimal;
    int top;
    int shownTop;
    HWND source[kMaxRows];
    HWND translation[kMaxRows];
    HWND scroll, search, done;
    HWND status;  // what the last add to the practice list came to
    HWND lastFocused;
    bool modified;
    bool rebuilding;
    HWND nextViewer;
    bool pickerShown;
    HFONT sourceFont, targetFont;
    HMENU menu;
    HMENU fieldMenu, deletedMenu;
};
static SearchState s;

// What a row field shows and which language it is in.
struct FieldInfo {
    int row;  // -1: not a row field
    bool isSource;
};

static FieldInfo InfoOf(HWND field)
{
    for (int i = 0; i < s.rows; ++i) {
        if (field == s.source[i])
            return {i, true};
        if (field == s.translation[i])
            return {i, false};
    }
    return {-1, field == s.search};
}

static std::wstring FieldText(HWND field, size_t limit)
{
    wchar_t text[64] = L"";
    GetWindowTextW(field, text, static_cast<int>(std::min<size_t>(limit + 1, 64)));
    return text;
}

static int FieldCodePage(bool isSource)
{
    LanguagePair* pair = CurrentPair();
    return isSource ? pair->sourceCodePage : pair->targetCodePage;
}

static int RecordCount() { return g_session.book.count; }

static void ShowRows()
{
    for (int i = 0; i < s.rows; ++i) {
        if (ReadWordRecord(s.top + i) < 0)
            break;
        const WideRecord& r = g_session.record;
        SetWindowTextW(s.source[i], IsDeleted(r) ? Str(Txt_CreateListDeleted) : r.source);
        SetWindowTextW(s.translation[i], IsDeleted(r) ? Str(Txt_CreateListDeleted) : r.translation);
    }
    SetScrollPos(s.scroll, SB_CTL, s.top / 10, TRUE);
    s.shownTop = s.top;
}

static void SetScrollRangeForBook()
{
    SetScrollRange(s.scroll, SB_CTL, 0, std::max(0, (RecordCount() - s.rows) / 10), FALSE);
    SetScrollPos(s.scroll, SB_CTL, s.top / 10, TRUE);
}

static void MoveTo(int top)
{
    s.top = ClampTop(top, RecordCount(), s.rows);
    if (s.top != s.shownTop)
        ShowRows();
}

static void Lookup()
{
    std::wstring word = FieldText(s.search, kSearchChars);
    MoveTo(FindWordPosition(word.c_str()));
}

// Moves the check mark of a pair of menu items to one of them.
static void CheckOneOf(int first, int second, int checked)
{
    CheckMenuItem(s.menu, first, MF_BYCOMMAND | (checked == first ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(s.menu, second, MF_BYCOMMAND | (checked == second ? MF_CHECKED : MF_UNCHECKED));
}

// --- the character-set picker ---

static void ShowPicker(bool show)
{
    if (show) {
        ReopenPicker(s.hwnd, s.lastFocused);
        SetFocus(s.lastFocused);
    } else {
        ClosePicker();
    }
    s.pickerShown = show;
    CheckOneOf(CmdPickerShow, CmdPickerHide, show ? CmdPickerShow : CmdPickerHide);
}

static void OnFieldFocus(HWND field)
{
    s.lastFocused = field;
    PickerFollowsField(s.hwnd, field, InfoOf(field).isSource, s.pickerShown);
}

// --- the clipboard ---

static void FollowClipboard(bool follow)
{
    if (follow && !g_settings.clipSearch) {
        s.nextViewer = SetClipboardViewer(s.hwnd);
        g_settings.clipSearch = 1;
    } else if (!follow && g_settings.clipSearch) {
        ChangeClipboardChain(s.hwnd, s.nextViewer);
        s.nextViewer = nullptr;
        g_settings.clipSearch = 0;
    }
    CheckOneOf(CmdClipFollow, CmdClipIgnore, g_settings.clipSearch ? CmdClipFollow : CmdClipIgnore);
}

static void OnDrawClipboard(WPARAM wp, LPARAM lp)
{
    if (s.nextViewer)
        SendMessageW(s.nextViewer, WM_DRAWCLIPBOARD, wp, lp);
    if (GetActiveWindow() == s.hwnd || !CurrentPair())
        return;
    std::wstring text;
    if (!ReadClipboardText(s.hwnd, FieldCodePage(true), kSearchChars, &text))
        return;
    SetWindowTextW(s.search, text.c_str());
    Lookup();
    if (IsIconic(s.hwnd))
        ShowWindow(s.hwnd, SW_RESTORE);
}

static void OnChangeClipboardChain(HWND leaving, HWND successor)
{
    if (leaving == s.nextViewer)
        s.nextViewer = successor;
    else if (s.nextViewer)
        SendMessageW(s.nextViewer, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(leaving),
                     reinterpret_cast<LPARAM>(successor));
}

// --- editing the rows ---

// The row's record into the current record; false for a row past the end.
static bool ReadRow(int row) { return row >= 0 && ReadWordRecord(s.top + row) == 0; }

static void PutBackStored(HWND field, bool isSource)
{
    const WideRecord& r = g_session.record;
    SetWindowTextW(field, IsDeleted(r) ? Str(Txt_CreateListDeleted) : isSource ? r.source : r.translation);
}

// Enter stores the whole row: a translation's Enter writes the row's word
// too, so a changed word is sorted in on closing, and an empty one is refused.
static void OnRowEnter(HWND field)
{
    FieldInfo info = InfoOf(field);
    if (g_readOnlyInstall) {  // nothing can be stored: the row shows what the book holds
        if (ReadRow(info.row))
            PutBackStored(field, info.isSource);
        SetFocus(s.search);
        return;
    }
    if (!ReadRow(info.row)) {
        MessageBeep(MB_OK);
        SetFocus(s.search);
        return;
    }
    std::wstring source = FieldText(s.source[info.row], kSourceChars - 1);
    std::wstring translation = FieldText(s.translation[info.row], kTranslationChars - 1);
    WideRecord& r = g_session.record;
    if (IsDeleted(r) || (info.isSource ? source : translation).empty()) {
        MessageBeep(MB_OK);
        PutBackStored(field, info.isSource);
        SetFocus(s.search);
        return;
    }
    if (source.empty()) {
        ShowMessage(s.hwnd, Str(Txt_SearchEmptyWord), Str(Txt_Dictionary), MB_OK | MB_ICONWARNING);
        SetFocus(s.source[info.row]);
        return;
    }
    bool newWord = source != r.source;
    wcsncpy(r.source, source.c_str(), kSourceChars - 1);
    r.source[kSourceChars - 1] = 0;
    wcsncpy(r.translation, translation.c_str(), kTranslationChars - 1);
    r.translation[kTranslationChars - 1] = 0;
    if (WriteWordRecord(s.top + info.row) != 0) {
        ReadRow(info.row);  // what the file still holds goes back in
        PutBackStored(s.source[info.row], true);
        PutBackStored(s.translation[info.row], false);
        ReportWriteFailure(s.hwnd, g_session.book.path);
    } else if (info.isSource || newWord) {
        s.modified = true;
    }
    SetFocus(s.search);
}

static void ToggleDeleted(HWND field)
{
    FieldInfo info = InfoOf(field);
    if (!ReadRow(info.row))
        return;
    WideRecord& r = g_session.record;
    r.deleted = IsDeleted(r) ? 0 : 1;
    if (WriteWordRecord(s.top + info.row) == 0) {
        s.modified = true;
        PutBackStored(s.source[info.row], true);
        PutBackStored(s.translation[info.row], false);
    } else {
        ReportWriteFailure(s.hwnd, g_session.book.path);
    }
    SetFocus(s.search);
}

static void CopyField(HWND field)
{
    WriteClipboardText(s.hwnd, FieldText(field, kTranslationChars - 1), FieldCodePage(InfoOf(field).isSource));
}

static void PasteField(HWND field)
{
    bool isSource = InfoOf(field).isSource;
    std::wstring text;
    if (ReadClipboardText(s.hwnd, FieldCodePage(isSource), isSource ? kSourceChars - 1 : kTranslationChars - 1, &text))
        SetWindowTextW(field, text.c_str());
}

// The pronunciation files of a field that exist, in order.
static std::vector<std::wstring> SoundsOf(HWND field)
{
    bool isSource = InfoOf(field).isSource;
    std::wstring text = FieldText(field, kTranslationChars - 1);
    std::vector<std::wstring> words = isSource ? std::vector<std::wstring>{text} : TranslationParts(text);
    LanguagePair* pair = CurrentPair();
    std::vector<std::wstring> files;
    for (const std::wstring& word : words) {
        std::wstring path = SoundFilePath(isSource ? pair->sourceName : pair->targetName, word);
        DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(path);
    }
    return files;
}

static void PlayField(HWND field)
{
    for (const std::wstring& file : SoundsOf(field))
        PlaySoundW(file.c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT);
}

// The minimal layout has no room for the line: its caption carries it.
static void ShowStatus(const std::wstring& text)
{
    SetWindowTextW(s.status, text.c_str());
    std::wstring caption = Str(Txt_SearchCaption);
    if (s.minimal)
        SetWindowTextW(s.hwnd, (text.empty() ? caption : caption + L" - " + text).c_str());
}

// A row adds its record; the search field the word typed, when the book has it.
static void AddToList(HWND field)
{
    FieldInfo info = InfoOf(field);
    ShowStatus(info.row >= 0 ? AddBookRecordToList(s.hwnd, s.top + info.row)
                             : AddWordToList(s.hwnd, FieldText(s.search, kSearchChars)));
}

static void ShowFieldMenu(HWND field, POINT screen)
{
    FieldInfo info = InfoOf(field);
    bool isRecord = ReadRow(info.row);
    bool deleted = isRecord && IsDeleted(g_session.record);
    HMENU menu = GetSubMenu(deleted ? s.deletedMenu : s.fieldMenu, 0);
    EnableMenuItem(menu, CmdPlay, MF_BYCOMMAND | (SoundsOf(field).empty() ? MF_GRAYED : MF_ENABLED));
    EnableMenuItem(menu, CmdAddToList, MF_BYCOMMAND | (isRecord && !deleted ? MF_ENABLED : MF_GRAYED));
    int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x,
                                 screen.y - Scale(10, s.dpi), 0, s.hwnd, nullptr);
    switch (command) {
    case CmdDeleteRecord: ToggleDeleted(field); break;
    case CmdCopy: CopyField(field); break;
    case CmdPaste: PasteField(field); break;
    case CmdPlay: PlayField(field); break;
    case CmdAddToList: AddToList(field); break;
    }
}

static LRESULT CALLBACK RowFieldProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR)
{
    switch (msg) {
    case WM_KEYDOWN:
        if (wp == VK_RETURN) {
            OnRowEnter(hwnd);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wp == VK_RETURN)
            return 0;
        break;
    case WM_RBUTTONDOWN: {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ClientToScreen(hwnd, &pt);
        ShowFieldMenu(hwnd, pt);
        return 0;
    }
    case WM_CONTEXTMENU:  // the field's own menu would follow the button's release
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, RowFieldProc, id);
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// --- layout ---

static HMENU BuildMenuBar()
{
    HMENU bar = CreateMenu();
    HMENU charset = CreatePopupMenu();
    AppendMenuW(charset, MF_STRING, CmdPickerShow, Str(Txt_SearchMenuCharset1));
    AppendMenuW(charset, MF_STRING | MF_CHECKED, CmdPickerHide, Str(Txt_SearchMenuCharset2));
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(charset), Str(Txt_SearchMenuCharset0));
    HMENU clip = CreatePopupMenu();
    AppendMenuW(clip, MF_STRING | (g_settings.clipSearch ? MF_CHECKED : 0), CmdClipFollow, Str(Txt_SearchMenuClipboard1));
    AppendMenuW(clip, MF_STRING | (g_settings.clipSearch ? 0 : MF_CHECKED), CmdClipIgnore, Str(Txt_SearchMenuClipboard2));
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(clip), Str(Txt_SearchMenuClipboard0));
    HMENU size = CreatePopupMenu();
    HMENU rows = CreatePopupMenu();
    int current = s.minimal ? 0 : s.rows;
    for (int n = 0; n <= kMaxRows; ++n)
        AppendMenuW(rows, MF_STRING | (n == current ? MF_CHECKED : 0), CmdRows + n, std::to_wstring(n).c_str());
    AppendMenuW(size, MF_POPUP, reinterpret_cast<UINT_PTR>(rows), Str(Txt_SearchMenuWindowsize1));
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(size), Str(Txt_SearchMenuWindowsize0));
    return bar;
}

static HMENU BuildFieldMenu(StringId first)
{
    HMENU holder = CreateMenu();
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, CmdDeleteRecord, Str(first));
    AppendMenuW(menu, MF_STRING, CmdCopy, Str(Txt_SearchCopy));
    AppendMenuW(menu, MF_STRING, CmdPaste, Str(Txt_SearchPaste));
    AppendMenuW(menu, MF_STRING, CmdPlay, Str(Txt_SearchPlay));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, CmdAddToList, AddToListItemText().c_str());
    AppendMenuW(holder, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), L"");
    return holder;
}

static void MakeFieldFonts()
{
    LanguagePair* pair = CurrentPair();
    HFONT oldSource = s.sourceFont, oldTarget = s.targetFont;
    s.sourceFont = MakeFont(11, FW_NORMAL, L"Times New Roman", pair->sourceCharset, true, s.dpi);
    s.targetFont = MakeFont(11, FW_NORMAL, L"Times New Roman", pair->targetCharset, true, s.dpi);
    auto set = [](HWND field, HFONT font) {
        SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        SendMessageW(field, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    };
    for (int i = 0; i < s.rows; ++i) {
        set(s.source[i], s.sourceFont);
        set(s.translation[i], s.targetFont);
    }
    set(s.search, s.sourceFont);
    for (HFONT font : {oldSource, oldTarget})
        if (font)
            DeleteObject(font);
}

static HWND MakeEdit(HWND parent, int id, int x, int y, int w, int limit, bool scrolls, bool visible)
{
    DWORD style = WS_CHILD | WS_BORDER | WS_TABSTOP | (scrolls ? ES_AUTOHSCROLL : 0) | (visible ? WS_VISIBLE : 0);
    HWND field = CreateScaledChild(parent, WS_EX_CLIENTEDGE, L"edit", L"", style, x, y, w, 25, id);
    SendMessageW(field, EM_LIMITTEXT, limit, 0);
    return field;
}

static void CreateControls(HWND hwnd)
{
    int below = 23 * s.rows + 35;
    for (int i = 0; i < s.rows; ++i) {
        int y = s.minimal ? 5 : 25 + 23 * i;
        s.source[i] = MakeEdit(hwnd, IdSource + i, s.minimal ? 5 : 20, y, 215, kSourceChars - 1, true, true);
        s.translation[i] = MakeEdit(hwnd, IdTranslation + i, s.minimal ? 240 : 255, y, s.minimal ? 250 : 350,
                                    kTranslationChars - 1, true, true);
        SetWindowSubclass(s.source[i], RowFieldProc, 1, 0);
        SetWindowSubclass(s.translation[i], RowFieldProc, 1, 0);
        SubclassCtrlKey(s.source[i], kAddToListKey);
        SubclassCtrlKey(s.translation[i], kAddToListKey);
        if (g_readOnlyInstall) {
            SendMessageW(s.source[i], EM_SETREADONLY, TRUE, 0);
            SendMessageW(s.translation[i], EM_SETREADONLY, TRUE, 0);
        }
    }
    s.scroll = CreateScaledChild(hwnd, 0, L"scrollbar", L"", WS_CHILD | WS_VISIBLE | SBS_VERT, s.minimal ? 220 : 235,
                                 s.minimal ? 5 : 25, 20, 23 * s.rows, IdScroll);
    s.search = MakeEdit(hwnd, IdSearch, 20, below, 215, kSearchChars, false, !s.minimal);
    s.done = CreateScaledChild(hwnd, 0, L"button", Str(Txt_Done), WS_CHILD | WS_TABSTOP | (s.minimal ? 0 : WS_VISIBLE),
                               505, below, 100, 28, IdDone);
    SendMessageW(s.done, WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), TRUE);
    s.status = CreateScaledChild(hwnd, 0, L"static", L"", WS_CHILD | SS_LEFTNOWORDWRAP | SS_NOPREFIX |
                                 (s.minimal ? 0 : WS_VISIBLE), 20, below + 26, 480, 19, IdStatus);
    SendMessageW(s.status, WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), TRUE);
    SubclassCtrlKey(s.search, kAddToListKey);
}

// The window's size at a dpi: the design's, with the caption and menu bar
// the system draws at that dpi.
static SIZE WindowSize(int dpi)
{
    int frame = CaptionAndMenuHeight(dpi);
    if (s.minimal)
        return {Scale(500, dpi), Scale(23 + 20, dpi) + frame};
    return {Scale(630, dpi), Scale(23 * s.rows + 80, dpi) + frame};
}

// --- the window ---

static void OnCreate(HWND hwnd)
{
    s.hwnd = hwnd;
    // Made for the primary screen; another monitor's scale resizes it.
    s.dpi = WindowDpi(hwnd);
    if (s.dpi != SystemDpi()) {
        SIZE size = WindowSize(s.dpi);
        SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    s.menu = BuildMenuBar();
    SetMenu(hwnd, s.menu);
    s.fieldMenu = BuildFieldMenu(Txt_SearchDelRecord);
    s.deletedMenu = BuildFieldMenu(Txt_SearchResRecord);
    // The word book of a read-only installation is shown, never changed.
    for (HMENU holder : {s.fieldMenu, s.deletedMenu})
        for (int id : {CmdDeleteRecord, CmdPaste})
            EnableMenuItem(holder, id, MF_BYCOMMAND | (g_readOnlyInstall ? MF_GRAYED : MF_ENABLED));
    CreateControls(hwnd);
    MakeFieldFonts();
    s.pickerShown = false;
    SetPickerLanguage(true);
    g_picker.owner = hwnd;
    SetFocus(s.search);
    s.lastFocused = s.search;
    g_picker.target = s.search;
    SubclassSearchField(s.search);
    s.top = 0;
    SetScrollRangeForBook();
    ShowRows();
    ApplyStayOnTop(hwnd);
    RestoreWindowPosition(hwnd, g_settings.windowPos[PosSearch]);
    if (g_settings.clipSearch)
        s.nextViewer = SetClipboardViewer(hwnd);
}

static void OnPaint(HWND hwnd)
{
    PaintDc paint(hwnd);
    HDC dc = paint.dc;
    DrawTopEdge(hwnd, dc);
    if (LanguagePair* pair = CurrentPair())
        DrawLanguageHeadings(dc, FontsFor(s.dpi).searchHeading, ScaleRect({20, 5, 235, 30}, s.dpi), pair->sourceName,
                             ScaleRect({255, 5, 605, 30}, s.dpi), pair->targetName);
}

// Another scale: the fields keep their texts and the rows where they were;
// only their places and fonts change, and a shown picker moves along.
static void OnDpiChanged(HWND hwnd, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(hwnd, wp, lp);
    MakeFieldFonts();
    for (HWND control : {s.done, s.status})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), TRUE);
    if (s.pickerShown)
        ShowPicker(true);
    InvalidateRect(hwnd, nullptr, TRUE);
}

static void OnVScroll(HWND bar, int code, int position)
{
    if (bar != s.scroll)
        return;
    switch (code) {
    case SB_LINEUP: MoveTo(s.top - 1); break;
    case SB_LINEDOWN: MoveTo(s.top + 1); break;
    case SB_PAGEUP: MoveTo(s.top - s.rows); break;
    case SB_PAGEDOWN: MoveTo(s.top + s.rows); break;
    case SB_THUMBPOSITION: MoveTo(ThumbPosition(bar, position) * 10); break;
    }
}

static void OnSearchKey(UINT key)
{
    switch (key) {
    case VK_RETURN:
        SetWindowTextW(s.search, L"");
        Lookup();
        break;
    case VK_DOWN: MoveTo(s.top + 1); break;
    case VK_UP: MoveTo(s.top - 1); break;
    case VK_NEXT: MoveTo(s.top + s.rows); break;
    case VK_PRIOR: MoveTo(s.top - s.rows); break;
    }
}

// Sorts the word book again when a source word changed or a record was
// deleted or restored: the lookup bisects it.
static void SortIfModified()
{
    if (s.modified)
        SortCurrentWordBook();
    s.modified = false;
}

static void Close()
{
    if (s.pickerShown)
        ShowPicker(false);
    SortIfModified();
    DestroyWindow(s.hwnd);
}

static bool CreateSearchWindow();

static void Rebuild(int rowsItem)
{
    bool modified = s.modified;
    g_settings.searchWindowMinimal = rowsItem == 0 ? 1 : 0;
    g_settings.searchWindowSize = rowsItem == 0 ? 1 : rowsItem;
    s.rebuilding = true;
    DestroyWindow(s.hwnd);
    s.rebuilding = false;
    if (CreateSearchWindow())
        s.modified = modified;  // the new window still owes the sort
    else
        SecondaryWindowClosed();
}

// The picker takes the new source language even while hidden: showing it
// later must not offer the old pair's characters. Rows the new book doesn't
// reach would still show the old one's words.
static void SwitchPair(int command)
{
    SortIfModified();
    SwitchPairByCommand(command);
    MakeFieldFonts();
    SetPickerLanguage(true);
    SetFocus(s.search);
    if (s.pickerShown) {
        ReopenPicker(s.hwnd, s.search);
        SetFocus(s.search);
    }
    InvalidateRect(s.hwnd, nullptr, TRUE);
    for (int i = 0; i < s.rows; ++i) {
        SetWindowTextW(s.source[i], L"");
        SetWindowTextW(s.translation[i], L"");
    }
    s.top = 0;
    ShowRows();
    SetScrollRangeForBook();
    ShowStatus(L"");
}

static void OnControl(int id, int code, LPARAM lp)
{
    if (id == IdSearch && code == kFieldKey)
        return OnSearchKey(HIWORD(lp));
    if (code == kFieldCtrlKey)
        return AddToList(GetDlgItem(s.hwnd, id));
    if (code == EN_SETFOCUS)
        return OnFieldFocus(reinterpret_cast<HWND>(lp));
    if (id == IdSearch && code == EN_UPDATE)
        return Lookup();
    if (id == IdDone && code == BN_CLICKED)
        Close();
}

// Only a menu's command (lParam 0, code 0) can switch the pair: a long
// catalogue's pair commands reach the ids of the fields.
static void OnCommand(int id, int code, LPARAM lp)
{
    if (lp != 0)
        return OnControl(id, code, lp);
    if (code != 0)
        return;
    if (id >= CmdRows && id <= CmdRows + kMaxRows)
        return Rebuild(id - CmdRows);
    if (IsPairCommand(id))
        return SwitchPair(id);
    switch (id) {
    case CmdPickerShow: ShowPicker(true); break;
    case CmdPickerHide: ShowPicker(false); break;
    case CmdClipFollow: FollowClipboard(true); break;
    case CmdClipIgnore: FollowClipboard(false); break;
    case IdDone: Close(); break;  // a click sent without its button
    }
}

static void OnRButtonDown(HWND hwnd, int x, int y)
{
    POINT pt{x, y};
    ClientToScreen(hwnd, &pt);
    TrackPopupMenu(PairMenu(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd, nullptr);
}

static void OnDestroy(HWND hwnd)
{
    if (s.pickerShown)
        ClosePicker();
    g_settings.windowPos[PosSearch] = SaveWindowPosition(hwnd);
    if (g_settings.clipSearch)
        ChangeClipboardChain(hwnd, s.nextViewer);
    s.nextViewer = nullptr;
    DestroyMenu(s.fieldMenu);
    DestroyMenu(s.deletedMenu);
    if (g_picker.owner == hwnd)
        g_picker = {};
}

static void OnNcDestroy()
{
    DeleteObject(s.sourceFont);
    DeleteObject(s.targetFont);
    bool rebuilding = s.rebuilding;
    s = {};
    s.rebuilding = rebuilding;
    if (!rebuilding)
        SecondaryWindowClosed();
}

static LRESULT CALLBACK SearchProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_DPICHANGED: OnDpiChanged(hwnd, wp, lp); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp), lp); return 0;
    case WM_VSCROLL: OnVScroll(reinterpret_cast<HWND>(lp), LOWORD(wp), HIWORD(wp)); return 0;
    case WM_RBUTTONDOWN: OnRButtonDown(hwnd, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))); return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && s.lastFocused)
            SetFocus(s.lastFocused);
        return 0;
    case WM_DRAWCLIPBOARD: OnDrawClipboard(wp, lp); return 0;
    case WM_CTLCOLORSTATIC:  // the status line on the window's grey; read-only fields as they are
        if (reinterpret_cast<HWND>(lp) != s.status)
            return DefWindowProcW(hwnd, msg, wp, lp);
        SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
    case WM_CHANGECBCHAIN: OnChangeClipboardChain(reinterpret_cast<HWND>(wp), reinterpret_cast<HWND>(lp)); return 0;
    case WM_CLOSE: Close(); return 0;
    case WM_DESTROY: OnDestroy(hwnd); return 0;
    case WM_NCDESTROY: OnNcDestroy(); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

// A stored size outside 1 to 25 rows is taken as the nearest that exists;
// the minimal layout always has one row.
static bool CreateSearchWindow()
{
    s.minimal = g_settings.searchWindowMinimal == 1;
    s.rows = s.minimal ? 1 : std::clamp(g_settings.searchWindowSize, 1, kMaxRows);
    g_settings.searchWindowSize = s.rows;
    g_settings.searchWindowMinimal = s.minimal ? 1 : 0;
    RegisterWindowClass(g_instance, L"zoeken", SearchProc, L"wboekicon", L"wboekicon");
    SIZE size = WindowSize(SystemDpi());
    HWND hwnd = CreateWindowW(L"zoeken", Str(Txt_SearchCaption), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              (g_screenWidth - size.cx) / 2, (g_screenHeight - size.cy) / 2, size.cx, size.cy, nullptr,
                              nullptr, g_instance, nullptr);
    if (!hwnd)
        return false;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    return true;
}

bool ShowSearchWindow()
{
    if (!CurrentPair())
        return false;
    return CreateSearchWindow();
}
