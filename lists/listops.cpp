#include "lists/listops.h"
#include "shell/app.h"
#include "shell/resource.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/listdirs.h"
#include "core/records.h"
#include "core/report.h"
#include "core/review.h"
#include "core/session.h"
#include "core/textfold.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/kit.h"
#include <strsafe.h>
#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

HMENU g_listsMenu;
bool g_listChanged;
void (*g_updatingShown)(HWND notice);

static std::wstring ListDirectory(const wchar_t* name) { return std::wstring(Str(Txt_PathNameList)) + name; }

// Beside the list file, so that the replacement never crosses a volume.
static std::wstring TemporaryListPath() { return ListDirectory(g_session.listName) + L"\\" + Str(Txt_FilenameTempList); }

static std::wstring CurrentListPath() { return PairListPath(CurrentPair(), g_session.listName); }

// A schedule that can't be moved out of a list's way would be read for the
// records that take their places: the list stays as it is.
static void ReportScheduleStuck(HWND owner, const std::wstring& list)
{
    ShowMessage(owner, FillIn(Str(Txt_ReviewScheduleStuck), {SchedulePath(list)}).c_str(), Str(Txt_Dictionary),
                MB_OK | MB_ICONWARNING);
}

// ---- the Lists menu ----

// The Lists menu when it stands in the window's menu bar. A handle kept from
// a list maker that is gone may name another menu by now: it is never used.
static HMENU ListsMenuOf(HWND window)
{
    HMENU bar = window ? GetMenu(window) : nullptr;
    if (!bar || !g_listsMenu)
        return nullptr;
    return GetSubMenu(bar, 1) == g_listsMenu ? g_listsMenu : nullptr;
}

static void RemoveListsMenu(HWND window)
{
    if (ListsMenuOf(window)) {
        DeleteMenu(GetMenu(window), 1, MF_BYPOSITION);
        DrawMenuBar(window);
    }
    g_listsMenu = nullptr;
}

void BuildListsMenu(HWND window)
{
    HMENU bar = window ? GetMenu(window) : nullptr;
    std::vector<std::wstring> names;
    if (!bar || !ListNames(&names))
        return;
    // Built again, it takes the place of the one there.
    RemoveListsMenu(window);
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    int current = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        int id = kListsMenuFirstId + static_cast<int>(i);
        AppendMenuW(menu, MF_STRING, id, names[i].c_str());
        if (!current && EqualFoldAZ(names[i].c_str(), g_session.listName))
            current = id;
    }
    if (!InsertMenuW(bar, 1, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu),
                     Str(Txt_CreateListLists))) {
        DestroyMenu(menu);
        return;
    }
    if (current)
        CheckMenuItem(menu, current, MF_BYCOMMAND | MF_CHECKED);
    g_listsMenu = menu;
    DrawMenuBar(window);
}

void SelectListFromMenu(HWND window, int id)
{
    HMENU menu = ListsMenuOf(window);
    if (!menu || id < kListsMenuFirstId)
        return;
    wchar_t name[kListNameChars] = L"";
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = name;
    item.cch = kListNameChars;
    if (!GetMenuItemInfoW(menu, id, FALSE, &item) || !name[0])
        return;
    // The stored id need not be the item that carries the check (ids follow
    // the order of each build), so no other item keeps one.
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i)
        CheckMenuItem(menu, i, MF_BYPOSITION | MF_UNCHECKED);
    CheckMenuItem(menu, id, MF_BYCOMMAND | MF_CHECKED);
    g_session.listId = id;
    lstrcpynW(g_session.listName, name, kListNameChars);
    CloseListFile();
    OpenListFile();
    CountListRecords();
}

// ---- the new-list dialog ----

// The list directory's own spelling of a name that exists on disk (A to Z
// folded, or as the file system matches it), "" when there is none.
static std::wstring ExistingListSpelling(const wchar_t* name)
{
    std::wstring stored = StoredListName(name);
    if (!stored.empty())
        return stored;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(ListDirectory(name).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return L"";
    FindClose(h);
    bool isList = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != L'.' &&
                  wcslen(fd.cFileName) < static_cast<size_t>(kListNameChars);
    return isList ? fd.cFileName : L"";
}

static void OnNewListOk(HWND dialog)
{
    wchar_t text[kListNameChars] = L"";
    GetDlgItemTextW(dialog, IDC_NEWLIST_NAME, text, kListNameChars);
    const LanguagePair* pair = CurrentPair();
    ListNameCheck check = CheckListName(text, pair ? pair->sourceCodePage : g_uiCodePage);
    if (check == ListNameCheck::Empty)
        return;
    if (check != ListNameCheck::Ok) {
        ShowMessage(dialog, ListNameMessage(check), Str(Txt_CreateListnewList), MB_OK | MB_ICONWARNING);
        SetFocus(GetDlgItem(dialog, IDC_NEWLIST_NAME));
        return;
    }
    // A list that exists under another case becomes current as it is spelt,
    // rather than being taken for a new one.
    std::wstring name = ExistingListSpelling(text);
    unsigned long error = ERROR_SUCCESS;
    if (name.empty() && CreateListDirectory(text, &error))
        name = ExistingListSpelling(text);
    // A name that no directory can take must not become a list that can
    // never be opened.
    if (name.empty()) {
        std::wstring folder = FullPath(ListDirectory(text));
        std::wstring why = error == ERROR_ALREADY_EXISTS
                               ? Str(Txt_CreateListNotMade)
                               : FillIn(Str(Txt_CreateListNoFolder), {folder, SystemErrorText(error)});
        ShowMessage(dialog, why.c_str(), Str(Txt_CreateListnewList), MB_OK | MB_ICONWARNING);
        SetFocus(GetDlgItem(dialog, IDC_NEWLIST_NAME));
        return;
    }
    lstrcpynW(g_session.listName, name.c_str(), kListNameChars);
    EndDialog(dialog, IDOK);
}

static const struct { int id; StringId text; } kNewListItems[] = {
    {IDC_NEWLIST_GROUP, Txt_NewlistDialogListname},
    {IDOK, Txt_NewlistDialogOk},
    {IDCANCEL, Txt_NewlistDialogCancel},
    {IDC_NEWLIST_NAME, Txt_Count},
};

// The controls as the system laid the template out, and the dpi it did so
// at: a change of scale places them from these, so that going back to a
// scale puts them back exactly.
static struct {
    int dpi;
    RECT made[std::size(kNewListItems)];
} s_newList;

static void OnNewListInit(HWND dialog)
{
    s_newList.dpi = WindowDpi(dialog);
    for (size_t i = 0; i < std::size(kNewListItems); ++i) {
        HWND control = GetDlgItem(dialog, kNewListItems[i].id);
        GetWindowRect(control, &s_newList.made[i]);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&s_newList.made[i]), 2);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s_newList.dpi).gui), FALSE);
        if (kNewListItems[i].text != Txt_Count)
            SetWindowTextW(control, Str(kNewListItems[i].text));
    }
    SetWindowTextW(dialog, Str(Txt_NewlistDialogCaption));
    HWND field = GetDlgItem(dialog, IDC_NEWLIST_NAME);
    SendMessageW(field, EM_LIMITTEXT, kListNameChars - 1, 0);
    SetFocus(field);
}

// The system scales the template by its font when the dialog is made; the
// controls' font is the program's, so a change of scale is taken here.
static void OnNewListDpiChanged(HWND dialog, WPARAM wp, LPARAM lp)
{
    int dpi = TakeDpiChange(dialog, wp, lp), made = s_newList.dpi;
    for (size_t i = 0; i < std::size(kNewListItems); ++i) {
        HWND control = GetDlgItem(dialog, kNewListItems[i].id);
        const RECT& r = s_newList.made[i];
        int left = MulDiv(r.left, dpi, made), top = MulDiv(r.top, dpi, made);
        SetWindowPos(control, nullptr, left, top, MulDiv(r.right, dpi, made) - left, MulDiv(r.bottom, dpi, made) - top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(dpi).gui), TRUE);
    }
}

static INT_PTR CALLBACK NewListProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_DPICHANGED:
        OnNewListDpiChanged(dialog, wp, lp);
        return TRUE;
    case WM_INITDIALOG:
        OnNewListInit(dialog);
        return FALSE;  // the focus is set
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK)
            OnNewListOk(dialog);
        else if (LOWORD(wp) == IDCANCEL)
            EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

int NewListDialog(HWND owner)
{
    DialogBoxParamW(g_instance, IDD_LISTDIALOG_NAME, owner, NewListProc, 0);
    return 0;
}

// ---- deleting a list ----

// The plain files of a directory; *others says whether it holds anything else.
static std::vector<std::wstring> FilesOf(const std::wstring& dir, bool* others)
{
    std::vector<std::wstring> files;
    *others = false;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*.*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(dir + L"\\" + fd.cFileName);
        else if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L".."))
            *others = true;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return files;
}

// Removes a directory and the plain files in it, as far as it can.
static void RemoveListFolder(const std::wstring& dir)
{
    bool others;
    for (const std::wstring& file : FilesOf(dir, &others))
        RemoveFilePath(file.c_str());
    RemoveEmptyDirectory(dir.c_str());
}

// A list leaves the lists in one step, under a name no list can have (lists
// never begin with a dot), so a removal that stops half way never leaves a
// half list behind; the rest goes at a later deletion.
static const wchar_t kAsidePrefix[] = L".deleted-";

// What earlier deletions left, as far as it goes now.
static void RemoveLeftovers()
{
    std::vector<std::wstring> leftovers;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(ListDirectory(L"*.*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        bool aside = !wcsncmp(fd.cFileName, kAsidePrefix, wcslen(kAsidePrefix));
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && aside)
            leftovers.push_back(ListDirectory(fd.cFileName));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    for (const std::wstring& dir : leftovers)
        RemoveListFolder(dir);
}

// A name that nothing holds: a leftover that can't be removed must not stand
// in the way of every later deletion. "" when none is free.
static std::wstring AsideName()
{
    for (int n = 1; n < 1000; ++n) {
        std::wstring aside = ListDirectory((kAsidePrefix + std::to_wstring(n)).c_str());
        if (GetFileAttributesW(aside.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND)
            return aside;
    }
    return L"";
}

bool DeleteCurrentList(HWND listMaker)
{
    if (!g_session.listName[0])
        return false;
    CloseListFile();
    std::wstring dir = ListDirectory(g_session.listName);
    RemoveLeftovers();
    std::wstring gone = AsideName();
    // A folder holding more than a list's files is not ours to remove.
    bool others;
    FilesOf(dir, &others);
    if (others || gone.empty() || !RenamePath(dir.c_str(), gone.c_str())) {
        // The list stays as it was, its marked records with it.
        OpenListFile();
        CountListRecords();
        wchar_t text[512];
        StringCchPrintfW(text, std::size(text), L"%s %s", Str(Txt_CreateListNoDel), g_session.listName);
        ShowMessage(listMaker, text, Str(Txt_CreateListDelList), MB_OK);
        return false;
    }
    RemoveListFolder(gone);
    RemoveListsMenu(listMaker);
    g_session.listName[0] = L'\0';
    if (CountLists() > 0) {
        ChooseFirstList();
        // Checks the first item: the list just chosen.
        BuildListsMenu(listMaker);
    }
    OpenListFile();
    CountListRecords();
    return true;
}

// ---- the whole-file operations ----

// The word book copied to the temporary file and put in the list's place;
// 0, or the system's error code of the step that failed.
static DWORD CopyBookOverList(const std::wstring& book, const std::wstring& temp, const std::wstring& list)
{
    if (!CopyFileW(book.c_str(), temp.c_str(), FALSE))
        return GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
    {
        UniqueFile written(_wfopen(temp.c_str(), L"r+b"));
        if (!FlushFileToDisk(written.get()))
            return GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
    }
    if (!ReplaceFileAtomic(temp.c_str(), list.c_str()))
        return GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
    return 0;
}

void FillListFromWordBook(HWND owner)
{
    if (!g_session.listName[0])
        return;
    CreateListDirectory(g_session.listName);
    std::wstring book = PairWordBookPath(CurrentPair()), list = CurrentListPath(), temp = TemporaryListPath();
    if (!SetScheduleAside(SchedulePath(list)))
        return ReportScheduleStuck(owner, list);
    ClosePairFiles();
    DWORD error = CopyBookOverList(book, temp, list);
    if (error) {
        _wremove(temp.c_str());
        PutScheduleBack(SchedulePath(list));
    } else {
        DropAsideSchedule(SchedulePath(list));  // every record is new to the list
    }
    // Open before the box: the window behind it reads them.
    OpenPairFiles();
    CountRecords();
    if (error) {
        wchar_t text[512];
        StringCchPrintfW(text, std::size(text), Str(Txt_CreateListCopyFailed), error);
        ShowMessage(owner, text, Str(Txt_Dictionary), MB_OK | MB_ICONWARNING);
    }
}

static bool WriteEmptyFile(const std::wstring& path)
{
    UniqueFile file(_wfopen(path.c_str(), L"wb"));
    bool flushed = FlushFileToDisk(file.get());
    return CloseWrittenFile(file) && flushed;
}

void EmptyList(HWND owner)
{
    if (!g_session.listName[0])
        return;
    CreateListDirectory(g_session.listName);
    std::wstring list = CurrentListPath(), temp = TemporaryListPath();
    if (!SetScheduleAside(SchedulePath(list)))
        return ReportScheduleStuck(owner, list);
    bool written = WriteEmptyFile(temp);
    CloseListFile();
    written = written && ReplaceFileAtomic(temp.c_str(), list.c_str());
    if (!written) {
        _wremove(temp.c_str());
        PutScheduleBack(SchedulePath(list));
    } else
        DropAsideSchedule(SchedulePath(list));
    OpenListFile();
    CountListRecords();
    if (!written)
        ReportWriteFailure(owner, list);
}

// The live records of the open list, in order, as they stand on disk. The
// file's own size counts: the records are taken whole, never re-encoded.
// keep gets one flag per record: whether it stays.
static bool WriteKeptRecords(FILE* list, const std::wstring& temp, std::vector<bool>* keep)
{
    if (!list)
        return false;
    int count = RecordsInFile(list);
    UniqueFile out(_wfopen(temp.c_str(), L"wb"));
    if (!out || _fseeki64(list, 0, SEEK_SET) != 0)
        return false;
    std::vector<WordRecord> chunk(1024);
    for (int i = 0; i < count;) {
        size_t want = std::min<size_t>(chunk.size(), static_cast<size_t>(count - i));
        if (fread(chunk.data(), sizeof(WordRecord), want, list) != want)
            return false;
        for (size_t k = 0; k < want; ++k) {
            keep->push_back(chunk[k].deleted == 0);
            if (keep->back() && !WriteToFile(out.get(), &chunk[k], sizeof(WordRecord)))
                return false;
        }
        i += static_cast<int>(want);
    }
    bool flushed = FlushFileToDisk(out.get());
    return CloseWrittenFile(out) && flushed;
}

static void PaintUpdating(HWND hwnd)
{
    PaintDc paint(hwnd);
    SetBkMode(paint.dc, TRANSPARENT);
    SetTextColor(paint.dc, RGB(0, 0, 0));
    int dpi = WindowDpi(hwnd);
    Selected font(paint.dc, FontsFor(dpi).gui);
    RECT rc = ScaleRect({50, 20, 340, 40}, dpi);
    DrawTextW(paint.dc, Str(Txt_CreateListUpdarting), -1, &rc, DT_CENTER | DT_WORDBREAK);
}

static LRESULT CALLBACK UpdatingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: ApplyStayOnTop(hwnd); return 0;
    case WM_PAINT: PaintUpdating(hwnd); return 0;
    case WM_DPICHANGED:
        TakeDpiChange(hwnd, wp, lp);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

// Painted at once: no messages are handled while the list is rewritten.
static HWND ShowUpdatingNotice()
{
    RegisterWindowClass(g_instance, L"updating", UpdatingProc, L"wboekicon", L"wboekicon");
    int w = Scale(350, SystemDpi()), h = Scale(120, SystemDpi());
    HWND hwnd = CreateWindowW(L"updating", Str(Txt_CreateListUpdateCaption), WS_CAPTION | WS_SYSMENU,
                              (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h,
                              nullptr, nullptr, g_instance, nullptr);
    if (!hwnd)
        return nullptr;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    ShowDrawingNow();
    if (g_updatingShown)
        g_updatingShown(hwnd);
    return hwnd;
}

void CompactList(HWND owner)
{
    HWND notice = ShowUpdatingNotice();
    bool compacted = true;  // with no list there is nothing left to drop
    if (g_session.listName[0]) {
        CreateListDirectory(g_session.listName);
        std::wstring list = CurrentListPath(), temp = TemporaryListPath();
        std::vector<bool> keep;
        bool aside = SetScheduleAside(SchedulePath(list));
        compacted = aside && WriteKeptRecords(g_session.list.file.get(), temp, &keep);
        // The open handle would block the replacement.
        CloseListFile();
        compacted = compacted && ReplaceFileAtomic(temp.c_str(), list.c_str());
        if (aside && !compacted) {
            _wremove(temp.c_str());
            PutScheduleBack(SchedulePath(list));
        } else if (aside) {
            // One that can't follow starts every record afresh instead.
            PutScheduleBack(SchedulePath(list), &keep);
        }
        OpenListFile();
        CountListRecords();
        if (!aside)
            ReportScheduleStuck(owner, list);
        else if (!compacted)
            ReportWriteFailure(owner, list);
    }
    // Marks that stay in the file are dropped by the next compaction.
    if (compacted)
        g_listChanged = false;
    if (notice)
        DestroyWindow(notice);
}

// ---- one record into the list ----

// The list file, opened again when it could not be before (another program
// had it); "" or why it still can't be.
static std::wstring OpenListForAppend()
{
    if (g_session.list.isOpen())
        return L"";
    SetLastError(ERROR_SUCCESS);
    if (OpenListFile() == 0)
        return L"";
    DWORD error = GetLastError() ? GetLastError() : ERROR_FILE_NOT_FOUND;
    std::wstring path = CurrentListPath();
    return FillIn(Str(Txt_CreateListCantOpen),
                  {FullPath(path.empty() ? Str(Txt_PathNameList) : path), SystemErrorText(error)});
}

std::wstring AppendToCurrentList()
{
    std::wstring why = OpenListForAppend();
    if (!why.empty())
        return why;
    const std::wstring schedule = SchedulePath(g_session.list.path);
    if (!TrimSchedule(schedule, g_session.list.count))
        return FillIn(Str(Txt_WriteFailed), {schedule});
    if (WriteListRecord(g_session.list.count) != 0)
        return FillIn(Str(Txt_WriteFailed), {g_session.list.path});
    ++g_session.list.count;
    return L"";
}

std::wstring AddToListItemText() { return std::wstring(Str(Txt_AddToListMenu)) + L"\tCtrl+" + wchar_t(kAddToListKey); }

// Read in chunks: a list filled from a big word book is long.
static bool ListHoldsWord(const wchar_t* word)
{
    const WordBook& list = g_session.list;
    FILE* f = list.file.get();
    if (!f || _fseeki64(f, 0, SEEK_SET) != 0)
        return false;
    std::vector<WordRecord> chunk(1024);
    for (int i = 0; i < list.count;) {
        size_t want = std::min<size_t>(chunk.size(), static_cast<size_t>(list.count - i));
        size_t got = fread(chunk.data(), sizeof(WordRecord), want, f);
        for (size_t k = 0; k < got; ++k) {
            wchar_t source[kSourceChars];
            ToWideField(chunk[k].source, kSourceChars, source, kSourceChars, list.sourceCodePage);
            if (chunk[k].deleted == 0 && EqualFoldAZ(source, word))
                return true;
        }
        if (got < want)
            break;
        i += static_cast<int>(got);
    }
    return false;
}

// The first list, made now if the user wants it; false when there is none.
static bool OfferNewList(HWND owner)
{
    const LanguagePair* pair = CurrentPair();
    std::wstring name = std::wstring(pair->sourceName) + L"-" + pair->targetName;
    if (ShowMessage(owner, FillIn(Str(Txt_AddToListNoList), {name}).c_str(), Str(Txt_Dictionary),
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    NewListDialog(owner);
    return g_session.listName[0] != 0;
}

std::wstring AddBookRecordToList(HWND owner, int index)
{
    if (index < 0 || index >= g_session.book.count || ReadWordRecord(index) != 0 || IsDeleted(g_session.record))
        return Str(Txt_AddToListNoWord);
    WideRecord record = g_session.record;
    std::wstring word(record.source, wcsnlen(record.source, kSourceChars));
    if (!g_session.listName[0])
        ChooseFirstList();
    if (!g_session.listName[0] && !OfferNewList(owner))
        return Str(Txt_AddToListNothing);
    std::wstring why = OpenListForAppend();
    if (why.empty() && ListHoldsWord(word.c_str()))
        return FillIn(Str(Txt_AddToListAlready), {word, g_session.listName});
    if (why.empty()) {
        g_session.record = record;
        why = AppendToCurrentList();
    }
    if (!why.empty()) {
        ShowMessage(owner, why.c_str(), Str(Txt_Error), MB_OK | MB_ICONWARNING);
        return why;
    }
    return FillIn(Str(Txt_AddToListAdded), {word, g_session.listName});
}

std::wstring AddWordToList(HWND owner, const std::wstring& word)
{
    if (word.empty())
        return Str(Txt_AddToListNoWord);
    int index = FindWordPosition(word.c_str());
    if (index >= g_session.book.count || ReadWordRecord(index) != 0 || IsDeleted(g_session.record) ||
        CompareWords(g_session.record.source, word.c_str()) != 0)
        return FillIn(Str(Txt_AddToListNotInBook), {word});
    return AddBookRecordToList(owner, index);
}
