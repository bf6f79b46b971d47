#include "entry/addwords.h"
#include "entry/picker.h"
#include "search/lookup.h"
#include "shell/app.h"
#include "shell/help.h"
#include "shell/mainwindow.h"
#include "shell/sortwindow.h"
#include "core/codepage.h"
#include "core/report.h"
#include "core/session.h"
#include "core/textfold.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/fieldkeys.h"
#include "kit/fonts.h"
#include "kit/kit.h"
#include <strsafe.h>
#include <cwchar>

static const int kWordChars = kSourceChars - 1;
static const int kListChars = kTranslationChars - 1;
static const int kWidth = 630;
static const int kClientHeight = 205;  // and the caption and menu bar's
static const RECT kCounterBox{15, 146, 400, 166};

struct AddState {
    HWND hwnd;
    HWND word, translation;
    HWND lastFocused;
    HMENU menu;
    HFONT sourceFont, targetFont;
    int dpi;
    bool pickerShown;
    int stored;
    // Records appended while the window is open are unsorted: lookups see
    // only the records each book had when it was opened.
    int forwardSearchable;
    int mirroredSearchable;
    bool forwardChanged, mirroredChanged;
    const LanguagePair* mirrored;  // null: the catalogue lacks the opposite direction
    bool mirrorTried;              // its word book was opened, or found missing, at the first store
    Collation mirrorCollation;
    int foundIndex;
    std::wstring currentWord;      // the word field as last read
    std::wstring failedFile;       // the first file a store could not write
};
static AddState s;

static std::wstring FieldText(HWND field, int limit)
{
    wchar_t text[kTranslationChars] = L"";
    GetWindowTextW(field, text, limit + 1);
    return text;
}

static bool HasComma(const std::wstring& word) { return word.find(L',') != std::wstring::npos; }

static void CommaWarning() { ShowMessage(s.hwnd, Str(Txt_AddNocomma), Str(Txt_Error), MB_OK | MB_ICONWARNING); }

// A record field holds bytes of its language's code page, and a double-byte
// language's characters take two: a text goes in whole or not at all.
static bool FitsField(const std::wstring& text, int codePage, int bytes)
{
    int n = CodePageBytes(text.c_str(), codePage);
    return n >= 0 && n <= bytes;
}

struct FieldLimit {
    HWND field;
    int codePage;
    int bytes;
    const wchar_t* language;
    StringId tooLong, notHeld;
};

static FieldLimit WordLimit()
{
    return {s.word, g_session.book.sourceCodePage, kWordChars, CurrentPair()->sourceName, Txt_AddWordTooLong,
            Txt_AddWordNotHeld};
}

static FieldLimit ListLimit()
{
    return {s.translation, g_session.book.targetCodePage, kListChars, CurrentPair()->targetName,
            Txt_AddTranslationTooLong, Txt_AddTranslationNotHeld};
}

// Otherwise the user hears which field, and its limit, and the field keeps
// its text and gets the focus.
static bool CheckFits(const std::wstring& text, const FieldLimit& limit)
{
    if (FitsField(text, limit.codePage, limit.bytes))
        return true;
    int n = CodePageBytes(text.c_str(), limit.codePage);
    std::wstring message = n < 0 ? FillIn(Str(limit.notHeld), {limit.language})
                                 : FillIn(Str(limit.tooLong), {std::to_wstring(n), limit.language,
                                                               std::to_wstring(limit.bytes)});
    SetFocus(limit.field);
    ShowMessage(s.hwnd, message.c_str(), Str(Txt_Error), MB_OK | MB_ICONWARNING);
    return false;
}

static void SetRecord(const std::wstring& source, const std::wstring& translation, uint16_t deleted)
{
    WideRecord& r = g_session.record;
    lstrcpynW(r.source, source.c_str(), kSourceChars);
    lstrcpynW(r.translation, translation.c_str(), kTranslationChars);
    r.deleted = deleted;
}

// Looks the word up among the book's searchable records; the current record
// gets what was read. True when it holds the word.
static bool LookUp(WordBook& book, const Collation& c, int searchable, const std::wstring& word)
{
    int count = book.count;
    book.count = searchable;
    s.foundIndex = FindWordPosition(book, c, word.c_str(), &g_session.record);
    book.count = count;
    return s.foundIndex < searchable && ReadRecord(book, s.foundIndex, &g_session.record) == 0 &&
           EqualFoldAZ(g_session.record.source, word.c_str());
}

static bool LookUpForward(const std::wstring& word)
{
    return LookUp(g_session.book, g_session.collation, s.forwardSearchable, word);
}

// --- the character-set picker ---

static void ShowPicker(bool show)
{
    CheckMenuItem(s.menu, AddIdPickerShow, MF_BYCOMMAND | (show ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(s.menu, AddIdPickerHide, MF_BYCOMMAND | (show ? MF_UNCHECKED : MF_CHECKED));
    s.pickerShown = show;
    if (show) {
        ReopenPicker(s.hwnd, s.lastFocused);
        SetFocus(g_picker.target);
    } else {
        ClosePicker();
    }
}

// The picker types into the field last focused, in that field's language.
static void FollowFocus(HWND field, bool isSource)
{
    s.lastFocused = field;
    PickerFollowsField(s.hwnd, field, isSource, s.pickerShown);
}

// --- the counter line ---

static void DrawCounter(HDC dc)
{
    wchar_t text[200];
    StringCchPrintfW(text, 200, L"%s : %d", Str(Txt_AddNewentries), s.stored);
    RECT rc = ScaleRect(kCounterBox, s.dpi);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    Selected font(dc, FontsFor(s.dpi).gui);
    DrawTextW(dc, text, -1, &rc, DT_SINGLELINE);
}

static void RedrawCounter()
{
    {
        WindowDc dc(s.hwnd);
        RECT rc = ScaleRect(kCounterBox, s.dpi);
        FillRect(dc.dc, &rc, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
        DrawCounter(dc.dc);
    }
    ShowDrawingNow();
}

// --- storing ---

// Appends the current record to the current pair's practice list; without a
// list the entry is stored all the same.
// Remembers the first file of a store that could not be written; the user
// hears of it once, when the store is done.
static void NoteFailure(const std::wstring& path)
{
    if (s.failedFile.empty())
        s.failedFile = path;
}

static void AppendToCurrentList()
{
    CloseListFile();
    if (OpenListFile() != 0)
        return;
    CountListRecords();
    if (WriteListRecord(g_session.list.count) == 0)
        ++g_session.list.count;
    else
        NoteFailure(g_session.list.path);
}

// new\<source>_<target>.wb: every new source word, opened for each record so
// that nothing is lost when the program ends early.
static void AppendToJournal()
{
    std::wstring path = PairJournalPath(CurrentPair());
    UniqueFile journal(_wfopen(path.c_str(), L"r+b"));
    if (!journal)
        journal.reset(_wfopen(path.c_str(), L"w+b"));
    if (!journal || _fseeki64(journal.get(), 0, SEEK_END) != 0 || CopyRecordTo(journal.get()) != 0)
        NoteFailure(path);
}

// The mirrored word book, opened at the first store; false (said once) when
// there is none, and only the forward entries are stored.
static bool OpenMirror()
{
    if (!s.mirrorTried) {
        s.mirrorTried = true;
        if (s.mirrored && OpenPairBook(s.mirrored, &g_session.mirror)) {
            LoadSortTable(s.mirrored, &s.mirrorCollation);
            s.mirroredSearchable = g_session.mirror.count;
        } else {
            CloseWordBook(&g_session.mirror);
            ShowMessage(s.hwnd, Str(Txt_AddNoMirror), Str(Txt_Dictionary), MB_OK | MB_ICONWARNING);
        }
    }
    return g_session.mirror.isOpen();
}

// One translation item as a word of the mirrored book, with source among its translations.
static void AddReverseEntry(const std::wstring& item, const std::wstring& source, WordBook* list)
{
    std::wstring word = TrimSpaces(item);
    if (word.empty() || !FitsField(word, g_session.mirror.sourceCodePage, kWordChars))
        return;
    WideRecord& r = g_session.record;
    if (LookUp(g_session.mirror, s.mirrorCollation, s.mirroredSearchable, word)) {
        std::wstring translation = r.translation;
        for (const std::wstring& known : TranslationParts(translation))
            if (EqualFoldAZ(known, source))
                return;
        // An empty list gets no empty item in front.
        std::wstring longer = translation.empty() ? source : translation + L", " + source;
        if (!FitsField(longer, g_session.mirror.targetCodePage, kListChars))
            return;
        lstrcpynW(r.translation, longer.c_str(), kTranslationChars);
        if (WriteRecord(g_session.mirror, s.foundIndex, r) != 0)
            NoteFailure(g_session.mirror.path);
        return;
    }
    SetRecord(word, source, 0);
    if (WriteRecord(g_session.mirror, g_session.mirror.count, r) != 0) {
        NoteFailure(g_session.mirror.path);
        return;
    }
    ++g_session.mirror.count;
    s.mirroredChanged = true;
    if (g_settings.addNewWordsToList == 1 && list->isOpen()) {
        CountBookRecords(list);
        if (WriteRecord(*list, list->count, r) == 0)
            ++list->count;
        else
            NoteFailure(list->path);
    }
}

// The mirrored pair's lookups compare by its own table, or without one by its
// locale, which is the runtime's one setting: the current pair's comes back.
static void AddReverseEntries(const std::wstring& source, const std::wstring& list)
{
    ApplyPairLocale(s.mirrored->sourceLocale);
    CountBookRecords(&g_session.mirror);
    // Chooses the first list when none is chosen, as opening any pair's files does.
    OpenListFile();
    WordBook mirrorList;
    OpenWordBook(&mirrorList, PairListPath(s.mirrored, g_session.listName), s.mirrored->sourceCodePage,
                 s.mirrored->targetCodePage, true);
    for (const std::wstring& item : TranslationParts(list))
        AddReverseEntry(item, source, &mirrorList);
    CountRecords();
    ApplyPairLocale(CurrentPair()->sourceLocale);
}

static void StoreEntry()
{
    std::wstring raw = FieldText(s.word, kWordChars);
    if (raw.empty())
        return;
    std::wstring word = TrimSpaces(raw);
    // A comma would split the word in the reverse entries' lists.
    if (HasComma(word)) {
        SetFocus(s.word);
        CommaWarning();
        return;
    }
    std::wstring typed = FieldText(s.translation, kListChars);
    if (typed.empty())
        return;
    typed = TrimSpaces(typed);
    SetWindowTextW(s.translation, typed.c_str());
    if (word.empty() || typed.empty())
        return;
    // Refused text stays where it was typed: nothing is stored cut.
    if (!CheckFits(word, WordLimit()))
        return;
    std::wstring list = NormaliseTranslationList(typed);
    if (!list.empty() && !CheckFits(list, ListLimit()))
        return;
    bool exists = LookUpForward(word);
    int index = s.foundIndex;
    uint16_t deleted = exists ? g_session.record.deleted : 0;
    SetWindowTextW(s.word, L"");
    SetWindowTextW(s.translation, L"");
    if (list.empty())
        return;

    SetRecord(word, list, deleted);
    s.failedFile.clear();
    if (WriteWordRecord(exists ? index : g_session.book.count) != 0) {
        // What was typed comes back, so that nothing is lost and Enter tries again.
        SetWindowTextW(s.word, word.c_str());
        SetWindowTextW(s.translation, typed.c_str());
        SetFocus(s.word);
        ReportWriteFailure(s.hwnd, g_session.book.path);
        return;
    }
    if (!exists) {
        ++g_session.book.count;
        AppendToJournal();
        if (g_settings.addNewWordsToList == 1)
            AppendToCurrentList();
        s.forwardChanged = true;
    }
    if (OpenMirror())
        AddReverseEntries(word, list);
    if (!s.failedFile.empty())
        ReportWriteFailure(s.hwnd, s.failedFile);

    SetFocus(s.word);
    ++s.stored;
    RedrawCounter();
}

// --- the word field ---

static void LookUpWhileTyping()
{
    s.currentWord = FieldText(s.word, kWordChars);
    if (HasComma(s.currentWord)) {
        CommaWarning();
        return;
    }
    if (s.currentWord.empty())
        return;
    bool exists = LookUpForward(s.currentWord);
    SetWindowTextW(s.translation, exists ? g_session.record.translation : L"");
}

static void OnWordEnter()
{
    std::wstring raw = FieldText(s.word, kWordChars);
    if (raw.empty())
        return;
    SetWindowTextW(s.word, TrimSpaces(raw).c_str());
    s.currentWord = FieldText(s.word, kWordChars);
    if (HasComma(s.currentWord)) {
        CommaWarning();
        return;
    }
    if (s.currentWord.empty() || !CheckFits(s.currentWord, WordLimit()))
        return;
    SetFocus(s.translation);
}

// The word is read again: a comma pasted without a key is caught here too.
static void OnTranslationFocus()
{
    s.currentWord = FieldText(s.word, kWordChars);
    if (HasComma(s.currentWord)) {
        SetFocus(s.word);
        CommaWarning();
        return;
    }
    SendMessageW(s.translation, EM_SETSEL, kTranslationChars, kTranslationChars);
    FollowFocus(s.translation, false);
}

// --- the window ---

static HMENU BuildMenuBar()
{
    HMENU bar = CreateMenu();
    HMENU charset = CreatePopupMenu();
    AppendMenuW(charset, MF_STRING, AddIdPickerShow, Str(Txt_AddMenuCharset1));
    AppendMenuW(charset, MF_STRING | MF_CHECKED, AddIdPickerHide, Str(Txt_AddMenuCharset2));
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(charset), Str(Txt_AddMenuCharset0));
    HMENU options = CreatePopupMenu();
    AppendMenuW(options, MF_STRING | (g_settings.addNewWordsToList == 1 ? MF_CHECKED : 0), AddIdOptionList,
                Str(Txt_AddMenuOptions1));
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(options), Str(Txt_AddMenuOptions0));
    return bar;
}

static void ToggleAddToList()
{
    bool marked = GetMenuState(s.menu, AddIdOptionList, MF_BYCOMMAND) & MF_CHECKED;
    CheckMenuItem(s.menu, AddIdOptionList, MF_BYCOMMAND | (marked ? MF_UNCHECKED : MF_CHECKED));
    g_settings.addNewWordsToList = marked ? 0 : 1;
}

static HWND MakeControl(const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int id, int x, int y,
                        int w, int h, HFONT font)
{
    HWND control = CreateScaledChild(s.hwnd, exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, id);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
}

static void SetFieldFont(HWND field, HFONT font)
{
    SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // A font brings margins of its own: the fields have none.
    SendMessageW(field, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
}

static HWND MakeField(int id, int y, HFONT font)
{
    HWND field = MakeControl(L"edit", L"", WS_BORDER | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, id, 15, y, 595, 35, nullptr);
    SetFieldFont(field, font);
    return field;
}

// The fields' fonts at the window's scale.
static void MakeFieldFonts()
{
    const LanguagePair* pair = CurrentPair();
    s.sourceFont = MakeFont(17, FW_NORMAL, L"Times New Roman", pair->sourceCharset, true, s.dpi);
    s.targetFont = MakeFont(17, FW_NORMAL, L"Times New Roman", pair->targetCharset, true, s.dpi);
}

static SIZE WindowSize(int dpi)
{
    // The caption and menu bar at the screen's scale, taken to the window's.
    int frame = MulDiv(g_captionHeight + g_menuHeight, dpi, SystemDpi());
    return {Scale(kWidth, dpi), Scale(kClientHeight, dpi) + frame};
}

static void OnCreate(HWND hwnd)
{
    const LanguagePair* pair = CurrentPair();
    s.hwnd = hwnd;
    s.dpi = WindowDpi(hwnd);
    s.menu = BuildMenuBar();
    SetMenu(hwnd, s.menu);
    DrawMenuBar(hwnd);
    s.forwardSearchable = g_session.book.count;
    MakeFieldFonts();
    SetPickerLanguage(true);
    g_picker.owner = hwnd;
    MakeControl(L"button", Str(Txt_Done), 0, 0, AddIdDone, 510, 150, 100, 30, FontsFor(s.dpi).gui);
    MakeControl(L"button", Str(Txt_Help), 0, 0, AddIdHelp, 400, 150, 100, 30, FontsFor(s.dpi).gui);
    s.word = MakeField(AddIdWord, 35, s.sourceFont);
    s.translation = MakeField(AddIdTranslation, 105, s.targetFont);
    SetFocus(s.word);
    s.lastFocused = s.word;
    g_picker.target = s.word;
    SubclassKeyField(s.word, {VK_RETURN}, true);
    SubclassKeyField(s.translation, {VK_RETURN});
    SendMessageW(s.word, EM_LIMITTEXT, kWordChars, 0);
    SendMessageW(s.translation, EM_LIMITTEXT, kListChars, 0);
    s.mirrored = FindMirroredPair(pair);
    CloseWordBook(&g_session.mirror);
    // Made on a monitor of another scale than the one it was sized for.
    if (s.dpi != SystemDpi()) {
        SIZE size = WindowSize(s.dpi);
        SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ApplyStayOnTop(hwnd);
    RestoreWindowPosition(hwnd, g_settings.windowPos[PosAdd]);
    CreateDirectoryW(L"new", nullptr);
}

// The fields keep their text, selection and scroll; the new fonts are theirs
// before the old ones go.
static void OnDpiChanged(HWND hwnd, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(hwnd, wp, lp);
    HFONT oldSource = s.sourceFont, oldTarget = s.targetFont;
    MakeFieldFonts();
    SetFieldFont(s.word, s.sourceFont);
    SetFieldFont(s.translation, s.targetFont);
    for (int id : {AddIdDone, AddIdHelp})
        SendMessageW(GetDlgItem(hwnd, id), WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), TRUE);
    DeleteObject(oldSource);
    DeleteObject(oldTarget);
    InvalidateRect(hwnd, nullptr, TRUE);
}

static void OnPaint(HWND hwnd)
{
    PaintDc paint(hwnd);
    HDC dc = paint.dc;
    DrawTopEdge(hwnd, dc);
    SetBkMode(dc, TRANSPARENT);
    {
        Selected font(dc, FontsFor(s.dpi).gui);
        SetTextColor(dc, RGB(30, 30, 230));
        RECT confirm = ScaleRect({15, 166, 400, 210}, s.dpi);
        DrawTextW(dc, Str(Txt_AddConfirm), -1, &confirm, DT_SINGLELINE);
    }
    if (const LanguagePair* pair = CurrentPair()) {
        Selected font(dc, FontsFor(s.dpi).heading);
        RECT source = ScaleRect({15, 10, 620, 65}, s.dpi), target = ScaleRect({15, 80, 620, 114}, s.dpi);
        DrawEngravedText(dc, &source, pair->sourceName, DT_SINGLELINE);
        DrawEngravedText(dc, &target, pair->targetName, DT_SINGLELINE);
    }
    DrawCounter(dc);
}

// The books that got new records are sorted again: the next lookups bisect them.
static void Close()
{
    g_sortAfterAdding = {s.forwardChanged, s.mirroredChanged, s.mirrored};
    SortAfterAdding();
    CloseWordBook(&g_session.mirror);
    s.forwardChanged = s.mirroredChanged = false;
    DestroyWindow(s.hwnd);
}

static void OnCommand(int id, int code, LPARAM lp)
{
    switch (id) {
    case AddIdWord:
        // Enter has dealt with the word when its key comes up.
        if (code == kFieldReleased && HIWORD(lp) != VK_RETURN)
            LookUpWhileTyping();
        else if (code == kFieldKey)
            OnWordEnter();
        else if (code == EN_SETFOCUS)
            FollowFocus(s.word, true);
        return;
    case AddIdTranslation:
        if (code == kFieldKey)
            StoreEntry();
        else if (code == EN_SETFOCUS)
            OnTranslationFocus();
        return;
    case AddIdDone:
        if (code == BN_CLICKED)
            Close();
        return;
    case AddIdHelp:
        if (code == BN_CLICKED)
            OpenHelpKeyword(s.hwnd, Str(Txt_AddHelpkey));
        return;
    }
    if (lp)
        return;  // menu items come without a control
    switch (id) {
    case AddIdPickerShow: ShowPicker(true); break;
    case AddIdPickerHide: ShowPicker(false); break;
    case AddIdOptionList: ToggleAddToList(); break;
    }
}

static void OnDestroy(HWND hwnd)
{
    ClosePicker();
    g_settings.windowPos[PosAdd] = SaveWindowPosition(hwnd);
    if (g_picker.owner == hwnd)
        g_picker = {};
    CloseWordBook(&g_session.mirror);
}

static void OnNcDestroy()
{
    DeleteObject(s.sourceFont);
    DeleteObject(s.targetFont);
    s = {};
    SecondaryWindowClosed();
}

static LRESULT CALLBACK AddProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp), lp); return 0;
    case WM_DPICHANGED: OnDpiChanged(hwnd, wp, lp); return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && s.lastFocused)
            SetFocus(s.lastFocused);
        return 0;
    case WM_CLOSE: Close(); return 0;
    case WM_DESTROY: OnDestroy(hwnd); return 0;
    case WM_NCDESTROY: OnNcDestroy(); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

bool ShowAddWindow()
{
    if (!CurrentPair())
        return false;
    RegisterWindowClass(g_instance, L"toevoeg", AddProc, L"wboekicon", L"wboekicon");
    SIZE size = WindowSize(SystemDpi());
    HWND hwnd = CreateWindowW(L"toevoeg", Str(Txt_AddCaption), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              (g_screenWidth - size.cx) / 2, (g_screenHeight - size.cy) / 2, size.cx, size.cy, nullptr,
                              nullptr, g_instance, nullptr);
    if (!hwnd)
        return false;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return true;
}
