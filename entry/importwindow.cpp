#include "entry/importwindow.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/report.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "core/wordimport.h"
#include "kit/dpi.h"
#include "kit/kit.h"
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>
#include <algorithm>
#include <utility>
#include <vector>

void (*g_importStepShown)(HWND progressWindow, long done, long total);

// The preview's and the progress window's sizes in design pixels, besides the caption.
static const int kWidth = 600, kClientHeight = 385;
static const int kProgressWidth = 360, kProgressClientHeight = 110;

struct ImportState {
    HWND hwnd;
    HWND format, header, word, translation, summary, refused, save, start;
    int dpi;
    std::wstring path;
    std::string data;  // the file as read
    Table table;
    ImportPlan plan;
    std::vector<std::wstring> refusedLines;  // as the list shows them
    // The import at work.
    HWND progress, bar;
    int progressDpi;
    bool cancelled;
};
static ImportState s;

// --- choosing files ---

struct FileChoice {
    std::wstring path;
    int filter = 0;  // from 1, as the dialog counts
};

using Filters = std::vector<std::pair<const wchar_t*, const wchar_t*>>;

static std::wstring DocumentsFolder()
{
    wchar_t folder[MAX_PATH] = L"";
    return SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, folder)) ? folder : L"";
}

// The open or save dialog, in the user's documents at first. The word books
// are opened relative to the current directory: whatever the dialog does
// there, it comes back.
static bool ChooseFile(HWND owner, bool save, const Filters& filters, const std::wstring& name, FileChoice* choice)
{
    std::wstring filter;
    for (const auto& [text, pattern] : filters)
        filter += std::wstring(text) + L'\0' + pattern + L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    lstrcpynW(file.data(), name.c_str(), static_cast<int>(file.size()));
    std::wstring documents = DocumentsFolder();
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = documents.empty() ? nullptr : documents.c_str();
    ofn.lpstrDefExt = save ? L"tsv" : nullptr;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    std::wstring current(GetCurrentDirectoryW(0, nullptr), L'\0');
    current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data()));
    BOOL picked = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!current.empty())
        SetCurrentDirectoryW(current.c_str());
    // A quit meant for the program's loop ends the dialog too, with no name.
    if (!picked || !file[0])
        return false;
    *choice = {file.data(), static_cast<int>(ofn.nFilterIndex)};
    return true;
}

static std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

static bool EndsWith(const std::wstring& text, const wchar_t* end)
{
    size_t n = wcslen(end);
    return text.size() >= n && _wcsicmp(text.c_str() + text.size() - n, end) == 0;
}

// A name's own extension says the format (the dialog gives a name without one
// the chosen type's); the type chosen decides otherwise.
static TableFormat ChosenFormat(const FileChoice& choice)
{
    if (EndsWith(choice.path, L".csv"))
        return TableFormat::Csv;
    if (EndsWith(choice.path, L".tsv") || EndsWith(choice.path, L".tab") || EndsWith(choice.path, L".txt"))
        return TableFormat::Tsv;
    return choice.filter == 2 ? TableFormat::Csv : TableFormat::Tsv;
}

static Filters TableFilters() { return {{Str(Txt_ImportFilterTsv), L"*.tsv"}, {Str(Txt_ImportFilterCsv), L"*.csv"}}; }

// --- export ---

// The rows written, read back: what the file now holds for another program.
static long RowsIn(const std::wstring& path, TableFormat format)
{
    std::string data;
    return ReadWholeFile(path, &data) ? static_cast<long>(ReadTable(data, format).rows.size()) : 0;
}

static void Export(HWND owner, const std::wstring& name, const wchar_t* listName)
{
    const LanguagePair* pair = CurrentPair();
    FileChoice choice;
    if (!pair || !ChooseFile(owner, true, TableFilters(), name, &choice))
        return;
    TableFormat format = ChosenFormat(choice);
    std::wstring error;
    bool written = listName ? ExportPracticeList(pair, listName, choice.path, format, &error)
                            : ExportWordBook(pair, choice.path, format, &error);
    std::wstring said =
        written ? FillIn(Str(Txt_ExportDone), {std::to_wstring(RowsIn(choice.path, format)), choice.path}) : error;
    ShowMessage(owner, said.c_str(), Str(written ? Txt_Dictionary : Txt_Error),
                MB_OK | (written ? MB_ICONINFORMATION : MB_ICONWARNING));
}

void ExportWordBookAs(HWND owner)
{
    if (const LanguagePair* pair = CurrentPair())
        Export(owner, std::wstring(pair->sourceName) + L"_" + pair->targetName, nullptr);
}

void ExportPracticeListAs(HWND owner)
{
    if (g_session.listName[0])
        Export(owner, g_session.listName, g_session.listName);
}

// --- the preview ---

static int Chosen(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

static void FillColumns(HWND combo, const std::vector<std::wstring>& names, int chosen)
{
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& name : names)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    int last = static_cast<int>(names.size()) - 1;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(std::clamp(chosen, 0, std::max(last, 0))), 0);
}

// The drop-downs name the columns as the header (or their numbers) does.
static void FillColumnLists(int word, int translation)
{
    std::vector<std::wstring> names =
        ColumnNames(s.table, SendMessageW(s.header, BM_GETCHECK, 0, 0) == BST_CHECKED);
    FillColumns(s.word, names, word);
    FillColumns(s.translation, names, translation);
}

// Wide enough to scroll to the end of the longest line.
static void FitRefusedExtent()
{
    WindowDc dc(s.refused);
    Selected font(dc.dc, FontsFor(s.dpi).gui);
    int widest = 0;
    for (const std::wstring& line : s.refusedLines) {
        SIZE size{};
        GetTextExtentPoint32W(dc.dc, line.c_str(), static_cast<int>(line.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    SendMessageW(s.refused, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + Scale(8, s.dpi)), 0);
}

// The row's cells apart as a table shows them.
static std::wstring RowShown(const std::string& row)
{
    std::wstring shown;
    for (wchar_t c : WidenText(row, CP_UTF8))
        shown += c == L'\t' ? std::wstring(L" | ") : std::wstring(1, c);
    return shown;
}

static void ListRefused()
{
    std::vector<std::wstring>& lines = s.refusedLines;
    lines.clear();
    for (const RefusedLine& r : s.plan.refused)
        lines.push_back(FillIn(Str(Txt_ImportRefusedLine),
                               {std::to_wstring(r.line), RefusalText(r, CurrentPair()), RowShown(r.text)}));
    SendMessageW(s.refused, WM_SETREDRAW, FALSE, 0);
    SendMessageW(s.refused, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& line : lines)
        SendMessageW(s.refused, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    SendMessageW(s.refused, WM_SETREDRAW, TRUE, 0);
    FitRefusedExtent();
    InvalidateRect(s.refused, nullptr, TRUE);
}

// What the import would do with the choices as they stand; nothing is written.
static void Replan()
{
    s.plan = {};
    ImportColumns columns;
    columns.word = Chosen(s.word);
    columns.translation = Chosen(s.translation);
    columns.header = SendMessageW(s.header, BM_GETCHECK, 0, 0) == BST_CHECKED;
    std::wstring summary;
    bool planned =
        columns.word != columns.translation && PlanImport(s.table, columns, CurrentPair(), &s.plan, &summary);
    if (columns.word == columns.translation)
        summary = Str(Txt_ImportSameColumn);
    else if (planned)
        summary = FillIn(Str(Txt_ImportSummary), {std::to_wstring(s.plan.added), std::to_wstring(s.plan.replaced),
                                                  std::to_wstring(s.plan.refused.size())}) +
                  (s.plan.noMirror ? std::wstring(L" ") + Str(Txt_AddNoMirror) : L"");
    SetWindowTextW(s.summary, summary.c_str());
    ListRefused();
    EnableWindow(s.save, !s.plan.refused.empty());
    EnableWindow(s.start, planned && s.plan.added + s.plan.replaced > 0);
}

static void ReadAs(TableFormat format)
{
    s.table = ReadTable(s.data, format);
    SendMessageW(s.format, CB_SETCURSEL, format == TableFormat::Csv ? 1 : 0, 0);
}

static void OnFormatChosen()
{
    int word = Chosen(s.word), translation = Chosen(s.translation);
    ReadAs(Chosen(s.format) == 1 ? TableFormat::Csv : TableFormat::Tsv);
    FillColumnLists(word, translation);
    Replan();
}

static void OnHeaderToggled()
{
    FillColumnLists(Chosen(s.word), Chosen(s.translation));
    Replan();
}

static void SaveRefused()
{
    FileChoice choice;
    std::wstring stem = FileName(s.path);
    stem = stem.substr(0, stem.rfind(L'.'));
    Filters filters = {{Str(Txt_TranslateFilterText), L"*.txt"}, {Str(Txt_TranslateFilterAll), L"*.*"}};
    if (ChooseFile(s.hwnd, true, filters, stem + L"-refused.txt", &choice) && !SaveRefusedLines(choice.path, s.plan))
        ReportWriteFailure(s.hwnd, choice.path);
}

// --- the import at work ---

// The texts stand on the window's grey rather than on the system's face colour.
static LRESULT OnCtlColorStatic(HDC dc)
{
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
}

static LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == ImpProgressCancel)
            s.cancelled = true;
        return 0;
    case WM_CLOSE: s.cancelled = true; return 0;
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wp));
    case WM_DPICHANGED:
        s.progressDpi = TakeDpiChange(hwnd, wp, lp);
        RescaleChildren(hwnd, s.progressDpi, FontsFor(s.progressDpi).gui);
        return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

static HWND MakeChild(HWND parent, int dpi, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle,
                      int id, RECT r)
{
    HWND child = CreateScaledChild(parent, exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                   r.right - r.left, r.bottom - r.top, id);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(dpi).gui), FALSE);
    return child;
}

static SIZE FrameSize(int width, int clientHeight, int dpi)
{
    return {Scale(width, dpi), Scale(clientHeight, dpi) + MulDiv(g_captionHeight, dpi, SystemDpi())};
}

// Owned by the preview, over its middle.
static HWND MakeProgressWindow()
{
    RegisterWindowClass(g_instance, L"importing", ProgressProc, L"wboekicon", L"wboekicon");
    RECT owner;
    GetWindowRect(s.hwnd, &owner);
    SIZE size = FrameSize(kProgressWidth, kProgressClientHeight, s.dpi);
    const LanguagePair* pair = CurrentPair();
    HWND hwnd = CreateWindowW(L"importing", Str(Txt_ImportCaption), WS_CAPTION | WS_SYSMENU,
                              (owner.left + owner.right - size.cx) / 2, (owner.top + owner.bottom - size.cy) / 2,
                              size.cx, size.cy, s.hwnd, nullptr, g_instance, nullptr);
    if (!hwnd)
        return nullptr;
    // Placed for the preview's scale; its own monitor may have another.
    s.progressDpi = WindowDpi(hwnd);
    if (s.progressDpi != s.dpi) {
        size = FrameSize(kProgressWidth, kProgressClientHeight, s.progressDpi);
        SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    std::wstring busy = FillIn(Str(Txt_ImportBusy), {pair->sourceName, pair->targetName});
    MakeChild(hwnd, s.progressDpi, L"static", busy.c_str(), SS_NOPREFIX, 0, ImpLabel, {15, 12, 345, 32});
    s.bar = MakeChild(hwnd, s.progressDpi, PROGRESS_CLASSW, L"", PBS_SMOOTH, 0, ImpProgressBar, {15, 40, 345, 60});
    MakeChild(hwnd, s.progressDpi, L"button", Str(Txt_Cancel), WS_TABSTOP | BS_PUSHBUTTON, 0, ImpProgressCancel,
              {132, 72, 227, 100});
    ApplyStayOnTop(hwnd);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    SetFocus(GetDlgItem(hwnd, ImpProgressCancel));
    return hwnd;
}

// Shows the step and lets the user reach Cancel; a quit asked for meanwhile cancels too.
static bool OnStep(void*, long done, long total)
{
    SendMessageW(s.bar, PBM_SETRANGE32, 0, std::max(total, 1L));
    SendMessageW(s.bar, PBM_SETPOS, static_cast<WPARAM>(done), 0);
    if (g_importStepShown)
        g_importStepShown(s.progress, done, total);
    MSG msg;
    while (!s.cancelled && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            s.cancelled = true;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return !s.cancelled;
}

static void ClosePreview();

static void StartImport()
{
    const LanguagePair* pair = CurrentPair();
    std::wstring failedPath;
    ImportResult result;
    {
        // Nothing but the progress window's Cancel can be reached meanwhile.
        ThreadWindowsDisabled busy;
        s.cancelled = false;
        s.progress = MakeProgressWindow();
        ImportProgress progress;
        progress.step = OnStep;
        result = ApplyImport(s.plan, pair, progress, &failedPath);
    }
    if (s.progress)
        DestroyWindow(s.progress);
    s.progress = s.bar = nullptr;
    CountRecords();
    if (g_mainWindow)
        InvalidateRect(g_mainWindow, nullptr, TRUE);
    switch (result) {
    case ImportResult::Done:
        ShowMessage(s.hwnd,
                    FillIn(Str(Txt_ImportDone), {std::to_wstring(s.plan.added + s.plan.replaced), pair->sourceName,
                                                 pair->targetName, std::to_wstring(s.plan.added),
                                                 std::to_wstring(s.plan.replaced)})
                        .c_str(),
                    Str(Txt_Dictionary), MB_OK | MB_ICONINFORMATION);
        ClosePreview();
        break;
    case ImportResult::Cancelled:
        ShowMessage(s.hwnd, Str(Txt_ImportCancelled), Str(Txt_Dictionary), MB_OK | MB_ICONINFORMATION);
        break;
    case ImportResult::Failed:
        ShowMessage(s.hwnd, FillIn(Str(Txt_ImportFailed), {failedPath}).c_str(), Str(Txt_Error),
                    MB_OK | MB_ICONWARNING);
        break;
    }
}

// --- the window ---

// The main window comes back before this one goes, so that it is the one activated.
static void ClosePreview()
{
    if (g_mainWindow)
        EnableWindow(g_mainWindow, TRUE);
    DestroyWindow(s.hwnd);
}

static void OnCreate(HWND hwnd)
{
    s.hwnd = hwnd;
    s.dpi = WindowDpi(hwnd);
    // Made for the primary screen: on another monitor the window is sized for its scale.
    if (s.dpi != SystemDpi()) {
        SIZE size = FrameSize(kWidth, kClientHeight, s.dpi);
        SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int id, RECT r) {
        return MakeChild(hwnd, s.dpi, cls, text, style, exStyle, id, r);
    };
    const DWORD label = SS_NOPREFIX, dropDown = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    make(L"static", FillIn(Str(Txt_ImportFile), {FileName(s.path)}).c_str(), label | SS_ENDELLIPSIS, 0, ImpLabel,
         {15, 10, 585, 30});
    make(L"static", Str(Txt_ImportFormat), label, 0, ImpLabel, {15, 42, 125, 62});
    s.format = make(L"combobox", L"", dropDown, 0, ImpFormat, {130, 38, 340, 138});
    s.header = make(L"button", Str(Txt_ImportHeader), BS_AUTOCHECKBOX | WS_TABSTOP, 0, ImpHeader, {355, 38, 585, 63});
    make(L"static", Str(Txt_ImportWordColumn), label, 0, ImpLabel, {15, 77, 125, 97});
    s.word = make(L"combobox", L"", dropDown, 0, ImpWord, {130, 73, 340, 273});
    make(L"static", Str(Txt_ImportTranslationColumn), label, 0, ImpLabel, {355, 77, 445, 97});
    s.translation = make(L"combobox", L"", dropDown, 0, ImpTranslation, {445, 73, 585, 273});
    s.summary = make(L"static", L"", label, 0, ImpSummary, {15, 108, 585, 163});
    make(L"static", Str(Txt_ImportRefusedHeading), label, 0, ImpLabel, {15, 165, 585, 185});
    s.refused = make(L"listbox", L"", WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT,
                     WS_EX_CLIENTEDGE, ImpRefused, {15, 185, 585, 335});
    s.save = make(L"button", Str(Txt_ImportSaveRefused), BS_PUSHBUTTON | WS_TABSTOP, 0, ImpSaveRefused,
                  {15, 345, 195, 373});
    s.start = make(L"button", Str(Txt_ImportStart), BS_DEFPUSHBUTTON | WS_TABSTOP, 0, ImpStart, {385, 345, 480, 373});
    make(L"button", Str(Txt_Cancel), BS_PUSHBUTTON | WS_TABSTOP, 0, ImpCancel, {490, 345, 585, 373});
    for (StringId text : {Txt_ImportFormatTsv, Txt_ImportFormatCsv})
        SendMessageW(s.format, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Str(text)));
    ReadAs(GuessTableFormat(s.path, s.data));
    SendMessageW(s.header, BM_SETCHECK, LooksLikeHeader(s.table, CurrentPair()) ? BST_CHECKED : BST_UNCHECKED, 0);
    FillColumnLists(0, 1);
    Replan();
    ApplyStayOnTop(hwnd);
}

static void OnDpiChanged(HWND hwnd, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(hwnd, wp, lp);
    RescaleChildren(hwnd, s.dpi, FontsFor(s.dpi).gui);
    FitRefusedExtent();
    InvalidateRect(hwnd, nullptr, TRUE);
}

static void OnCommand(int id, int code)
{
    if (code == CBN_SELCHANGE) {
        if (id == ImpFormat)
            OnFormatChosen();
        else if (id == ImpWord || id == ImpTranslation)
            Replan();
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case ImpHeader: OnHeaderToggled(); break;
    case ImpSaveRefused: SaveRefused(); break;
    case ImpStart: StartImport(); break;
    case ImpCancel: ClosePreview(); break;
    }
}

static void OnNcDestroy()
{
    if (g_mainWindow)
        EnableWindow(g_mainWindow, TRUE);
    s = {};
    SecondaryWindowClosed();
}

static LRESULT CALLBACK ImportProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp)); return 0;
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wp));
    case WM_DPICHANGED: OnDpiChanged(hwnd, wp, lp); return 0;
    case WM_CLOSE: ClosePreview(); return 0;
    case WM_NCDESTROY: OnNcDestroy(); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

// The preview stands in front of the main window, which waits disabled as
// it does behind a box of its own.
static bool ShowPreview()
{
    if (!RegisterWindowClass(g_instance, L"importpreview", ImportProc, L"wboekicon", L"wboekicon"))
        return false;
    SIZE size = FrameSize(kWidth, kClientHeight, SystemDpi());
    g_windowOpen = 1;
    HWND hwnd = CreateWindowW(L"importpreview", Str(Txt_ImportCaption), WS_CAPTION | WS_SYSMENU,
                              (g_screenWidth - size.cx) / 2, (g_screenHeight - size.cy) / 2, size.cx, size.cy,
                              g_mainWindow, nullptr, g_instance, nullptr);
    if (!hwnd) {
        s = {};
        g_windowOpen = 0;
        return false;
    }
    EnableWindow(g_mainWindow, FALSE);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    SetFocus(IsWindowEnabled(s.start) ? s.start : s.format);
    return true;
}

void OpenImportWindow()
{
    FileChoice choice;
    Filters filters = {{Str(Txt_ImportFilterTables), L"*.tsv;*.csv;*.txt"},
                       {Str(Txt_ImportFilterTsv), L"*.tsv"},
                       {Str(Txt_ImportFilterCsv), L"*.csv"},
                       {Str(Txt_TranslateFilterAll), L"*.*"}};
    if (g_windowOpen || s.hwnd || !CurrentPair() || !ChooseFile(g_mainWindow, false, filters, L"", &choice))
        return;
    std::string data;
    if (!ReadWholeFile(choice.path, &data)) {
        ShowMessage(g_mainWindow, FillIn(Str(Txt_ImportCantRead), {choice.path}).c_str(), Str(Txt_Error),
                    MB_OK | MB_ICONWARNING);
        return;
    }
    s = {};
    s.path = choice.path;
    s.data = std::move(data);
    ShowPreview();
}
