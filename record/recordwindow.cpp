#include "record/recordwindow.h"
#include "search/lookup.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/report.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "core/usersettings.h"
#include "kit/dpi.h"
#include "kit/fieldkeys.h"
#include "kit/fonts.h"
#include "kit/kit.h"
#include <commctrl.h>
#include <mmsystem.h>
#include <strsafe.h>
#include <tlhelp32.h>
#include <algorithm>
#include <iterator>
#include <string>

static const int kRows = 6;
static const int kRowUnit = 10;  // records per position of the scroll bar
static const int kSearchChars = 37;
static const int kWidth = 633;
static const int kHeight = 330;

struct RecordState {
    HWND hwnd;
    HWND startStop, skip, back;
    HWND wordLabel, progress, recordingLabel;
    HWND rowWord[kRows], rowTranslation[kRows];
    HWND scroll, search;
    HWND lastFocused;
    HFONT sourceFont, targetFont, wordFont, labelFont;
    int dpi;
    int current;
    int top, shownTop;
    bool recording;
};
static RecordState s;

static int BookCount() { return g_session.book.count; }
static int LastIndex() { return std::max(0, BookCount() - 1); }

static std::wstring PositionKey() { return std::wstring(L"lastrecord_") + CurrentPair()->sourceName; }

// --- the sound device ---

// The driver's own words on a failure; the sequences go on regardless. The
// box is the window's: while it is up no second click can reach the device.
static bool SendMci(const std::wstring& command)
{
    MCIERROR error = mciSendStringW(command.c_str(), nullptr, 0, nullptr);
    if (error == 0)
        return true;
    wchar_t text[1024] = L"";
    if (!mciGetErrorStringW(error, text, static_cast<UINT>(std::size(text))))
        text[0] = L'\0';
    MessageBeep(MB_ICONEXCLAMATION);
    ShowMessage(s.hwnd, text, L"MCI Error", MB_OK | MB_ICONWARNING);
    return false;
}

// Wine's waveaudio driver answers "stop" while its recording thread is still
// writing the last buffers and closing the wave device: "save" would cut the
// file and "close" would free the device under it (a crash). Under Wine the
// threads started in the driver are waited for; Windows stops synchronously.
static void WaitForRecordingThread()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    HMODULE driver = GetModuleHandleW(L"mciwave.dll");
    if (!ntdll || !driver || !GetProcAddress(ntdll, "wine_get_version"))
        return;
    using QueryThread = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    auto query =
        reinterpret_cast<QueryThread>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationThread")));
    if (!query)
        return;
    const int kStartAddress = 9;  // ThreadQuerySetWin32StartAddress
    auto base = reinterpret_cast<const BYTE*>(driver);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const BYTE* end = base + headers->OptionalHeader.SizeOfImage;
    HANDLE threads = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (threads == INVALID_HANDLE_VALUE)
        return;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(threads, &entry); more; more = Thread32Next(threads, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId() || entry.th32ThreadID == GetCurrentThreadId())
            continue;
        HANDLE thread = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        if (!thread)
            continue;
        const BYTE* start = nullptr;
        if (query(thread, kStartAddress, &start, sizeof start, nullptr) == 0 && start >= base && start < end)
            WaitForSingleObject(thread, 2000);
        CloseHandle(thread);
    }
    CloseHandle(threads);
}

static void StopRecording()
{
    SendMci(L"stop mysound");
    WaitForRecordingThread();
}

static void OpenAndRecord()
{
    if (!SendMci(L"open new type waveaudio alias mysound"))
        ShowMessage(s.hwnd, L"Can't open new sound   ", L"Error", MB_OK);
    SendMci(L"record mysound");
}

// The driver writes the recording beside its place, and it takes the place
// of an earlier one only once complete: a failed save keeps the old sound.
static void SaveAs(const std::wstring& path)
{
    std::wstring temp = path + L".new";
    _wremove(temp.c_str());
    bool saved = SendMci(L"save mysound \"" + temp + L"\"");
    SendMci(L"close mysound");
    if (saved) {
        UniqueFile written(_wfopen(temp.c_str(), L"r+b"));
        saved = FlushFileToDisk(written.get());
        written.reset();
        saved = saved && ReplaceFileAtomic(temp.c_str(), path.c_str());
        if (!saved)
            ReportWriteFailure(s.hwnd, path);
    }
    _wremove(temp.c_str());
}

// A word that would name a file outside the language's folder is never saved.
static void SaveUnder(const std::wstring& word)
{
    std::wstring path = SoundFilePath(CurrentPair()->sourceName, word);
    StopRecording();
    if (!path.empty()) {
        SaveAs(path);
        return;
    }
    SendMci(L"close mysound");
    MessageBeep(MB_ICONEXCLAMATION);
    ShowMessage(s.hwnd, Str(Txt_RecordBadName), Str(Txt_Dictionary), MB_OK | MB_ICONWARNING);
}

// --- the word to record and the rows ---

static void Select(int index, bool keepFocus = false)
{
    s.current = index;
    SetWindowTextW(s.wordLabel, ReadWordRecord(index) == 0 ? g_session.record.source : L"");
    wchar_t line[200];
    StringCchPrintfW(line, std::size(line), L"%s %d %s %d", Str(Txt_RecordWord), index + 1, Str(Txt_RecordOf),
                     BookCount());
    SetWindowTextW(s.progress, line);
    if (!keepFocus)
        SetFocus(s.startStop);
}

static void ShowEndOfList()
{
    s.current = LastIndex();
    SetWindowTextW(s.wordLabel, Str(Txt_RecordEndOfList));
}

static void ShowRows(int top)
{
    s.top = s.shownTop = top;
    for (int i = 0; i < kRows; ++i) {
        bool read = ReadWordRecord(top + i) == 0;
        SetWindowTextW(s.rowWord[i], read ? g_session.record.source : L"");
        SetWindowTextW(s.rowTranslation[i], read ? g_session.record.translation : L"");
    }
    SetScrollPos(s.scroll, SB_CTL, top / kRowUnit, TRUE);
}

// Typing goes on in the search field: its moves leave the focus there.
static void MoveTop(int top, bool keepFocus = false)
{
    if (BookCount() == 0)
        return;
    s.top = std::clamp(top, 0, LastIndex());
    if (s.top == s.shownTop)
        return;
    ShowRows(s.top);
    Select(s.top, keepFocus);
}

// --- the buttons ---

static void ShowRecordingState(bool recording)
{
    s.recording = recording;
    SetWindowTextW(s.startStop, Str(recording ? Txt_RecordStop : Txt_RecordStart));
    SetWindowTextW(s.recordingLabel, recording ? Str(Txt_RecordRecording) : L"");
    EnableWindow(s.skip, !recording);
    EnableWindow(s.back, !recording);
}

static void StartStop()
{
    if (BookCount() == 0)
        return;
    if (!s.recording) {
        ShowRecordingState(true);
        OpenAndRecord();
        return;
    }
    SaveUnder(ReadWordRecord(s.current) == 0 ? g_session.record.source : L"");
    if (s.current + 1 >= BookCount()) {
        ShowEndOfList();
        ShowRecordingState(false);
        return;
    }
    Select(s.current + 1);
    ShowRecordingState(false);
    ShowRows(s.current);
}

static void Skip()
{
    if (s.current + 1 >= BookCount()) {
        ShowEndOfList();
        return;
    }
    Select(s.current + 1);
    ShowRows(s.current);
}

static void Back()
{
    if (BookCount() == 0)
        return;
    if (s.current > 0)
        --s.current;
    Select(s.current);
    ShowRows(s.current);
}

static void OnButtonKey(UINT key)
{
    switch (key) {
    case VK_SPACE: StartStop(); break;
    case VK_RETURN: Skip(); break;
    case VK_BACK: Back(); break;
    }
}

// --- the search field and the scroll bar ---

static void Lookup()
{
    wchar_t text[kSearchChars + 1] = L"";
    GetWindowTextW(s.search, text, static_cast<int>(std::size(text)));
    // Text after the last word finds the end of the book: its last record.
    MoveTop(FindWordPosition(text), true);
}

static void OnSearchKey(UINT key)
{
    switch (key) {
    case VK_RETURN:
        SetWindowTextW(s.search, L"");
        Lookup();
        break;
    case VK_DOWN: MoveTop(s.top + 1, true); break;
    case VK_UP: MoveTop(s.top - 1, true); break;
    }
}

static void OnVScroll(HWND bar, int code, int position)
{
    if (GetDlgCtrlID(bar) != RecScroll)
        return;
    switch (code) {
    case SB_LINEUP: MoveTop(s.top - 1); break;
    case SB_LINEDOWN: MoveTop(s.top + 1); break;
    case SB_PAGEUP: MoveTop(s.top - kRows); break;
    case SB_PAGEDOWN: MoveTop(s.top + kRows); break;
    case SB_THUMBPOSITION: MoveTop(ThumbPosition(bar, position) * kRowUnit); break;
    }
}

// --- the window ---

// Space records, Enter skips, Backspace goes back; the button never sees them.
static LRESULT CALLBACK StartStopProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR)
{
    switch (msg) {
    case WM_KEYDOWN:
        if (wp == VK_BACK || wp == VK_RETURN || wp == VK_SPACE) {
            SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(RecButtonKey, wp), 0);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, StartStopProc, id);
        break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

static HWND MakeControl(const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int id, int x, int y,
                        int w, int h, HFONT font)
{
    HWND control = CreateScaledChild(s.hwnd, exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, id);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

static void SetFieldFont(HWND field, HFONT font)
{
    SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // A font brings margins of its own: the fields have none.
    SendMessageW(field, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
}

static HWND MakeField(int id, int x, int y, int w, DWORD style, HFONT font)
{
    HWND field = MakeControl(L"edit", L"", WS_BORDER | style, WS_EX_CLIENTEDGE, id, x, y, w, 25, nullptr);
    SetFieldFont(field, font);
    return field;
}

static HWND MakeButton(int id, StringId text, int x, int y, int w)
{
    return MakeControl(L"button", Str(text), WS_TABSTOP | BS_PUSHBUTTON, 0, id, x, y, w, 30, FontsFor(s.dpi).gui);
}

// The four fonts at the window's scale.
static void MakeWindowFonts()
{
    const LanguagePair* pair = CurrentPair();
    s.sourceFont = MakeFont(11, FW_NORMAL, L"Times New Roman", pair->sourceCharset, true, s.dpi);
    s.targetFont = MakeFont(11, FW_NORMAL, L"Times New Roman", pair->targetCharset, true, s.dpi);
    s.wordFont = MakeFont(22, FW_BOLD, L"Times New Roman", pair->sourceCharset, true, s.dpi);
    s.labelFont = MakeFont(15, FW_NORMAL, L"Times New Roman", 0, true, s.dpi);
}

static void DeleteWindowFonts(const HFONT (&fonts)[4])
{
    for (HFONT font : fonts)
        DeleteObject(font);
}

static void CreateControls()
{
    MakeWindowFonts();
    MakeButton(RecExit, Txt_RecordExit, 506, 260, 100);
    s.startStop = MakeButton(RecStartStop, Txt_RecordStart, 20, 65, 120);
    s.skip = MakeButton(RecSkip, Txt_RecordSkip, 145, 65, 80);
    s.back = MakeButton(RecBack, Txt_RecordBack, 230, 65, 80);
    s.wordLabel = MakeControl(L"static", L"", 0, 0, RecLabel, 25, 10, 595, 40, s.wordFont);
    s.progress = MakeControl(L"static", L"", 0, 0, RecLabel, 245, 269, 220, 20, FontsFor(s.dpi).gui);
    s.recordingLabel = MakeControl(L"static", L"", 0, 0, RecLabel, 380, 71, 210, 30, s.labelFont);
    for (int i = 0; i < kRows; ++i) {
        s.rowWord[i] = MakeField(RecRowWord + i, 20, 105 + 23 * i, 215, ES_AUTOHSCROLL, s.sourceFont);
        SendMessageW(s.rowWord[i], EM_LIMITTEXT, kSourceChars - 1, 0);
    }
    for (int i = 0; i < kRows; ++i) {
        s.rowTranslation[i] = MakeField(RecRowTranslation + i, 255, 105 + 23 * i, 350, ES_AUTOHSCROLL, s.targetFont);
        SendMessageW(s.rowTranslation[i], EM_LIMITTEXT, kTranslationChars - 1, 0);
    }
    s.scroll = MakeControl(L"scrollbar", L"", SBS_VERT, 0, RecScroll, 235, 105, 20, 139, nullptr);
    s.search = MakeField(RecSearch, 20, 260, 215, 0, s.sourceFont);
    SubclassSearchField(s.search);
}

// A position from a longer book (or a damaged key) is taken to the nearest record.
static int SavedPosition()
{
    std::wstring value = ReadSettingText(PositionKey().c_str(), L"0", 31);
    long saved = wcstol(value.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(saved, 0, LastIndex()));
}

static void OnCreate(HWND hwnd)
{
    s = {};
    s.hwnd = hwnd;
    s.dpi = WindowDpi(hwnd);
    CreateControls();
    // Made on a monitor of another scale than the one it was sized for.
    if (s.dpi != SystemDpi())
        SetWindowPos(hwnd, nullptr, 0, 0, Scale(kWidth, s.dpi), Scale(kHeight, s.dpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyStayOnTop(hwnd);
    s.shownTop = -1;
    if (BookCount() > 0) {
        Select(SavedPosition());
    } else {
        // Nothing to record: the end of the list at once.
        SetWindowTextW(s.wordLabel, Str(Txt_RecordEndOfList));
        EnableWindow(s.startStop, FALSE);
        SetFocus(s.search);
    }
    SetWindowSubclass(s.startStop, StartStopProc, 1, 0);
    SetScrollRange(s.scroll, SB_CTL, 0, std::max(0, (BookCount() - kRows) / kRowUnit), FALSE);
    ShowRows(s.current);
    CreateDirectoryW(L"sound", nullptr);
    CreateDirectoryW((std::wstring(L"sound\\") + CurrentPair()->sourceName).c_str(), nullptr);
}

// Every control gets its font at the new scale; the rows, the word, the
// typed search and the scroll position stay.
static void OnDpiChanged(HWND hwnd, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(hwnd, wp, lp);
    const HFONT old[] = {s.sourceFont, s.targetFont, s.wordFont, s.labelFont};
    MakeWindowFonts();
    for (HWND control : {GetDlgItem(hwnd, RecExit), s.startStop, s.skip, s.back, s.progress})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), TRUE);
    SendMessageW(s.wordLabel, WM_SETFONT, reinterpret_cast<WPARAM>(s.wordFont), TRUE);
    SendMessageW(s.recordingLabel, WM_SETFONT, reinterpret_cast<WPARAM>(s.labelFont), TRUE);
    for (int i = 0; i < kRows; ++i) {
        SetFieldFont(s.rowWord[i], s.sourceFont);
        SetFieldFont(s.rowTranslation[i], s.targetFont);
    }
    SetFieldFont(s.search, s.sourceFont);
    DeleteWindowFonts(old);
    InvalidateRect(hwnd, nullptr, TRUE);
}

static void OnCommand(int id, int code, LPARAM lp)
{
    switch (id) {
    case RecButtonKey: OnButtonKey(static_cast<UINT>(code)); return;
    case RecSearch:
        if (code == kFieldKey)
            OnSearchKey(HIWORD(lp));
        else if (code == EN_UPDATE)
            Lookup();
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case RecStartStop: StartStop(); break;
    case RecSkip: Skip(); break;
    case RecBack: Back(); break;
    case RecExit: DestroyWindow(s.hwnd); break;
    }
}

// The labels stand on the window's grey rather than on the system's face colour.
static LRESULT OnCtlColorStatic(HWND hwnd, HDC dc, HWND control)
{
    if (GetDlgCtrlID(control) != RecLabel)
        return DefWindowProcW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
}

// The field or button that had the focus gets it back with the window (after a box).
static void OnActivate(HWND hwnd, bool active)
{
    if (!active) {
        HWND focus = GetFocus();
        s.lastFocused = focus && GetParent(focus) == hwnd ? focus : nullptr;
    } else {
        SetFocus(s.lastFocused && IsWindowEnabled(s.lastFocused) ? s.lastFocused
                 : IsWindowEnabled(s.startStop)                    ? s.startStop
                                                                   : s.search);
    }
}

// A recording left running would hold the device: the next start could not open it.
static void OnDestroy()
{
    if (s.recording) {
        StopRecording();
        SendMci(L"close mysound");
        s.recording = false;
    }
    if (BookCount() > 0)
        StoreSetting(PositionKey().c_str(), std::to_wstring(s.current));
}

static void OnNcDestroy()
{
    DeleteWindowFonts({s.sourceFont, s.targetFont, s.wordFont, s.labelFont});
    s = {};
    SecondaryWindowClosed();
}

static LRESULT CALLBACK RecordProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp), lp); return 0;
    case WM_VSCROLL: OnVScroll(reinterpret_cast<HWND>(lp), LOWORD(wp), HIWORD(wp)); return 0;
    case WM_DPICHANGED: OnDpiChanged(hwnd, wp, lp); return 0;
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(hwnd, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_ACTIVATE: OnActivate(hwnd, LOWORD(wp) != WA_INACTIVE); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_NCDESTROY: OnNcDestroy(); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

bool ShowRecordWindow()
{
    const LanguagePair* pair = CurrentPair();
    if (!pair)
        return false;
    RegisterWindowClass(g_instance, L"record", RecordProc, L"wboekicon", L"wboekicon");
    wchar_t caption[256];
    StringCchPrintfW(caption, std::size(caption), L"%s: (%s)", Str(Txt_RecordCaption), pair->sourceName);
    int width = Scale(kWidth, SystemDpi()), height = Scale(kHeight, SystemDpi());
    HWND hwnd = CreateWindowW(L"record", caption, WS_OVERLAPPEDWINDOW, (g_screenWidth - width) / 2,
                              (g_screenHeight - height) / 2, width, height, nullptr, nullptr, g_instance, nullptr);
    if (!hwnd)
        return false;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return true;
}
