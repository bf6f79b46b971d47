// The installer's one full-screen window: choosing the target directory, then
// the installation itself with its progress drawn straight onto the window.
#include "setup/setup.h"
#include "setup/wordlist.h"
#include "core/codepage.h"
#include "kit/dpi.h"
#include "kit/fonts.h"
#include "kit/kit.h"
#include "core/report.h"
#include "core/uistrings.h"
#include <objbase.h>
#include <shlobj.h>

namespace {

const wchar_t kClassName[] = L"Installation";
const COLORREF kWhite = RGB(255, 255, 255);

int g_screenWidth = 0;
int g_screenHeight = 0;
HBRUSH g_counterBrush = nullptr;
WNDPROC g_editProc = nullptr;
bool g_installing = false;
int g_dpi = kDesignDpi;   // the window's scale; every number here is in design pixels

struct ControlSpec {
    int id;
    const wchar_t* cls;
    DWORD style;
    DWORD exStyle;
    int x, y, w, h;
};

const DWORD kListStyle = LBS_SORT | LBS_NOTIFY | WS_VSCROLL | WS_BORDER;
const ControlSpec kControls[] = {
    {kFrame, L"STATIC", WS_VISIBLE | WS_BORDER | WS_CLIPSIBLINGS, 0, 110, 138, 440, 110},
    {kDirLabel, L"STATIC", WS_VISIBLE, 0, 120, 148, 420, 22},
    {kDirField, L"EDIT", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 120, 170, 420, 25},
    {kInstallButton, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 120, 205, 100, 30},
    {kChangeDirButton, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 230, 205, 200, 30},
    {kQuitButton, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 440, 205, 100, 30},
    {kDriveLabel, L"STATIC", 0, 0, 120, 260, 150, 20},
    {kDirListLabel, L"STATIC", 0, 0, 280, 260, 260, 20},
    {kDriveList, L"LISTBOX", kListStyle, WS_EX_CLIENTEDGE, 120, 280, 150, 100},
    {kDirList, L"LISTBOX", kListStyle, WS_EX_CLIENTEDGE, 280, 280, 260, 180},
};

void Show(int id, bool visible) { ShowWindow(SetupControl(id), visible ? SW_SHOW : SW_HIDE); }

// The frame grows around the directory lists and shrinks back for the copying.
void SizeFrame(int height) { MoveScaledChild(SetupControl(kFrame), 110, 138, 440, height); }

// The title and control fonts at the scale; the controls take the new one.
void MakeFonts(int dpi)
{
    HFONT title = g_titleFont, small = g_smallFont;
    g_titleFont = MakeFont(30, FW_BOLD, L"Times New Roman", g_installerCharset, false, dpi);
    g_smallFont = MakeFont(9, FW_NORMAL, L"Arial", g_installerCharset, false, dpi);
    for (const ControlSpec& c : kControls)
        if (HWND child = SetupControl(c.id))
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(g_smallFont), TRUE);
    if (title)
        DeleteObject(title);
    if (small)
        DeleteObject(small);
}

std::wstring CurrentDirectory()
{
    wchar_t buf[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, buf);
    return n && n < MAX_PATH ? buf : L"";
}

std::wstring ListText(HWND list, LRESULT index)
{
    LRESULT len = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (len == LB_ERR)
        return L"";
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

// Every visible subdirectory of the current directory, ".." included.
void FillDirectoryList()
{
    HWND list = SetupControl(kDirList);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(L"*.*", &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) &&
                wcscmp(fd.cFileName, L".") != 0)
                SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fd.cFileName));
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    SetWindowTextW(SetupControl(kDirField), CurrentDirectory().c_str());
}

void ChangeDirectoryCommand()
{
    EnableWindow(SetupControl(kChangeDirButton), FALSE);
    SizeFrame(320);
    for (int id : {kDriveLabel, kDirListLabel, kDriveList, kDirList})
        Show(id, true);
    HWND drives = SetupControl(kDriveList);
    SendMessageW(drives, LB_RESETCONTENT, 0, 0);
    std::vector<wchar_t> roots(200);
    DWORD n = GetLogicalDriveStringsW(static_cast<DWORD>(roots.size()), roots.data());
    if (n > roots.size()) {
        roots.resize(n + 1);
        n = GetLogicalDriveStringsW(static_cast<DWORD>(roots.size()), roots.data());
    }
    for (const wchar_t* p = roots.data(); n && *p; p += wcslen(p) + 1)
        SendMessageW(drives, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p));
    SetCurrentDirectoryW(L"c:\\");
    FillDirectoryList();
}

void ListSelectionCommand(int id)
{
    HWND list = SetupControl(id);
    LRESULT sel = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR)
        return;
    SetCurrentDirectoryW(ListText(list, sel).c_str());
    FillDirectoryList();
}

// The field's directory, made absolute; it must exist or be creatable (one
// level), and be writable, before anything is copied. The text is taken whole:
// a cut one could name another directory. Empty when taken, else what to tell.
std::wstring TakeTargetDirectory()
{
    std::wstring text = g_targetDir;
    if (g_setupWindow) {
        HWND field = SetupControl(kDirField);
        text.assign(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
    }
    // Too long for the paths the installation builds on it.
    std::wstring dir = FullPath(text);
    if (dir.empty() || dir.size() >= MAX_PATH)
        return L"Invalid Directory";
    while (dir.size() > 3 && dir.back() == L'\\')
        dir.pop_back();
    DWORD attributes = GetFileAttributesW(dir.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return L"Invalid Directory";
    if (attributes == INVALID_FILE_ATTRIBUTES && !MakeDirectory(dir.c_str())) {
        DWORD error = GetLastError();
        return error == ERROR_ACCESS_DENIED ? NotWritableText(dir, error) : L"Invalid Directory";
    }
    unsigned long error = 0;
    if (!CanWriteInFolder(dir, &error))
        return NotWritableText(dir, error);
    g_targetDir = dir;
    return L"";
}


void PaintWindow(HWND hwnd)
{
    PaintDc paint(hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    COLORREF blues[64];
    for (int k = 0; k < 64; ++k)
        blues[k] = RGB(0, 0, (200 - 3 * k) % 256);
    PaintGradient(paint.dc, client, blues);
    Selected font(paint.dc, g_titleFont);
    SetBkMode(paint.dc, TRANSPARENT);
    DrawRaisedText(paint.dc, ScaleRect({30, 20, 800, 90}, g_dpi), g_script.title.c_str(), DT_SINGLELINE, g_dpi);
}

// The Enter key in the directory field starts the installation like the button.
LRESULT CALLBACK DirFieldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KEYDOWN && wParam == VK_RETURN) {
        SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(kInstallButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(SetupControl(kInstallButton)));
        if (!IsWindow(hwnd))   // the installation ended and took the window with it
            return 0;
    } else if (msg == WM_CHAR && wParam == L'\r') {
        return 0;   // no beep for the Enter that was already handled
    }
    return CallWindowProcW(g_editProc, hwnd, msg, wParam, lParam);
}

void CreateControls(HWND hwnd)
{
    for (const ControlSpec& c : kControls) {
        HWND child = CreateScaledChild(hwnd, c.exStyle, c.cls, L"", WS_CHILD | c.style, c.x, c.y, c.w, c.h, c.id);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(g_smallFont), FALSE);
    }
    // The frame lies under the controls it surrounds.
    SetWindowPos(SetupControl(kFrame), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    g_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(SetupControl(kDirField), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DirFieldProc)));
}

void OnCreate(HWND hwnd)
{
    g_setupWindow = hwnd;
    // The fonts were made for the primary screen; the window may be on another.
    if (WindowDpi(hwnd) != g_dpi) {
        g_dpi = WindowDpi(hwnd);
        MakeFonts(g_dpi);
    }
    CreateControls(hwnd);
    g_counterBrush = CreateSolidBrush(RGB(0, 0, 104));
    CoInitialize(nullptr);
}

// Full screen stays full screen: the window covers the monitor the system
// moves it to rather than the rectangle it suggests. Progress already drawn
// is not kept (as after any repaint); what follows is drawn at the new scale.
void OnDpiChanged(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    g_dpi = TakeDpiChange(hwnd, wParam, 0);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    HMONITOR where = suggested ? MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST)
                               : MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
    if (GetMonitorInfoW(where, &monitor)) {
        const RECT& m = monitor.rcMonitor;
        SetWindowPos(hwnd, nullptr, m.left, m.top, m.right - m.left, m.bottom - m.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    MakeFonts(g_dpi);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT CALLBACK SetupWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        OnCreate(hwnd);
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(hwnd, wParam, lParam);
        return 0;
    case WM_PAINT:
        PaintWindow(hwnd);
        return 0;
    case WM_COMMAND: {
        int code = HIWORD(wParam);
        switch (LOWORD(wParam)) {
        case kInstallButton:
            if (code == BN_CLICKED)
                InstallCommand();
            return 0;
        case kChangeDirButton:
            if (code == BN_CLICKED)
                ChangeDirectoryCommand();
            return 0;
        case kQuitButton:
            if (code == BN_CLICKED)
                DestroyWindow(hwnd);
            return 0;
        case kDriveList:
        case kDirList:
            if (code == LBN_SELCHANGE)
                ListSelectionCommand(LOWORD(wParam));
            return 0;
        default:
            break;
        }
        break;
    }
    case WM_DESTROY:
        DeleteObject(g_titleFont);
        g_titleFont = nullptr;
        DeleteObject(g_counterBrush);
        g_counterBrush = nullptr;
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        // The controls are gone now, and with them the last users of the small font.
        DeleteObject(g_smallFont);
        g_smallFont = nullptr;
        g_setupWindow = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Progress drawing: straight onto the window, nothing kept, and shown at once.
struct ShownAfterRelease {
    ~ShownAfterRelease() { ShowDrawingNow(); }
};
struct WindowDC {
    ShownAfterRelease shown;  // last out: after the DC is released
    WindowDc window{g_setupWindow};
    HDC dc = window.dc;
    WindowDC() { SetBkMode(dc, TRANSPARENT); }
};

void DrawSmallText(HDC dc, const wchar_t* text, RECT box, UINT format)
{
    Selected font(dc, g_smallFont);
    SetTextColor(dc, kWhite);
    box = ScaleRect(box, g_dpi);
    DrawTextW(dc, text, -1, &box, format | DT_SINGLELINE);
}

void ProgressBar(int fillRight, const wchar_t* label)
{
    if (!g_setupWindow)
        return;
    WindowDC w;
    const RECT outer{30, g_barY, 380, g_barY + 20};
    // The white frame, a design pixel wide, is what the navy inside leaves of the white.
    RECT paint = ScaleRect(outer, g_dpi);
    FillRect(w.dc, &paint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    paint = ScaleRect({31, g_barY + 1, 379, g_barY + 19}, g_dpi);
    HBRUSH navy = CreateSolidBrush(RGB(0, 0, 128));
    FillRect(w.dc, &paint, navy);
    DeleteObject(navy);
    if (fillRight > 0) {
        RECT done = ScaleRect({31, g_barY + 1, fillRight < 379 ? fillRight : 379, g_barY + 19}, g_dpi);
        HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
        FillRect(w.dc, &done, green);
        DeleteObject(green);
    }
    DrawSmallText(w.dc, label, outer, DT_CENTER | DT_VCENTER);
}

void ProgressStep(const wchar_t* text, int boxRight)
{
    if (!g_setupWindow || !g_detailedDisplay)
        return;
    WindowDC w;
    DrawSmallText(w.dc, text, RECT{30, g_textY, boxRight, g_textY + 30}, DT_LEFT);
}

void ProgressDone()
{
    if (!g_detailedDisplay)
        return;
    if (g_setupWindow) {
        WindowDC w;
        DrawSmallText(w.dc, Str(Txt_Done), RECT{300, g_textY, 480, g_textY + 30}, DT_LEFT);
    }
    g_textY += 25;
}

void ProgressCounter(long value)
{
    if (!g_setupWindow || !g_counterBrush)
        return;
    WindowDC w;
    const RECT box{210, g_textY, 290, g_textY + 16};
    RECT paint = ScaleRect(box, g_dpi);
    FillRect(w.dc, &paint, g_counterBrush);
    DrawSmallText(w.dc, std::to_wstring(value).c_str(), box, DT_CENTER | DT_VCENTER);
}

const WordListProgress kProgress{ProgressBar, ProgressStep, ProgressDone, ProgressCounter};

bool RegisterSetupClass(HINSTANCE instance)
{
    return RegisterWindowClass(instance, kClassName, SetupWindowProc, nullptr, L"installicon");
}

} // namespace

HWND SetupControl(int id) { return GetDlgItem(g_setupWindow, id); }

std::wstring ClosingText()
{
    // A message box is no reader: longer texts end at the last whole line.
    const size_t limit = 4999;
    std::wstring text;
    HANDLE h = g_script.displayFile.empty() || !g_outcome.failures.empty()
                   ? INVALID_HANDLE_VALUE
                   : CreateFileW((WithBackslash(g_startDir) + g_script.displayFile).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        // No character takes more than four bytes: more than this is never shown.
        std::string bytes;
        char buf[4096];
        DWORD got;
        while (bytes.size() <= 4 * limit && ReadFile(h, buf, sizeof buf, &got, nullptr) && got)
            bytes.append(buf, got);
        CloseHandle(h);
        text = WidenText(bytes, g_interfaceCodePage);
        if (text.size() > limit) {
            size_t cut = text.find_last_of(L'\n', limit - 1);
            cut = (cut != std::wstring::npos && cut >= limit / 2) ? cut + 1 : limit;
            if (IS_HIGH_SURROGATE(text[cut - 1]))
                --cut;
            text.resize(cut);
        }
    }
    if (text.empty() && g_outcome.failures.empty())
        text = Str(Txt_Install_Finished);
    std::wstring outcome;
    for (const std::wstring& line : OutcomeLines())
        outcome += (outcome.empty() ? L"" : L"\r\n") + line;
    if (!text.empty() && !outcome.empty())
        text += text.back() == L'\n' ? L"\r\n" : L"\r\n\r\n";
    return text + outcome;
}

const WordListProgress& SetupProgress() { return kProgress; }

void ShowCopyStatus(const std::wstring& path)
{
    if (!g_setupWindow)
        return;
    SetWindowTextW(SetupControl(kDirField), path.c_str());
    UpdateWindow(g_setupWindow);
}

void DrawEntryTitle(const wchar_t* text)
{
    if (g_setupWindow) {
        WindowDC w;
        Selected font(w.dc, g_titleFont);
        DrawRaisedText(w.dc, ScaleRect({30, g_titleY, 30 + 2000, g_titleY + 50}, g_dpi), text,
                       DT_SINGLELINE | DT_NOCLIP, g_dpi);
    }
    g_titleY += 50;
}

std::wstring DefaultInstallFolder()
{
    auto known = [](REFKNOWNFOLDERID id) {
        wchar_t* path = nullptr;
        std::wstring folder;
        if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)) && path)
            folder = path;
        CoTaskMemFree(path);
        return folder;
    };
    std::wstring folder = known(FOLDERID_UserProgramFiles);
    if (folder.empty()) {
        std::wstring local = known(FOLDERID_LocalAppData);
        if (local.empty())
            return L"c:\\";
        folder = WithBackslash(local) + L"Programs";
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    return folder;
}

void StartSetup(HINSTANCE instance, const SetupOptions& options, int showCommand)
{
    g_startDir = CurrentDirectory();
    g_titleY = 100;
    g_barY = 155;
    g_textY = 170;
    g_script = ScriptResults{};
    g_detailedDisplay = true;
    g_installing = false;
    g_unattended = options.unattended;

    if (!RegisterSetupClass(instance))
        SetupFatal(L"Can't register the window class");
    g_screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_screenHeight = GetSystemMetrics(SM_CYSCREEN);

    g_installerCharset = ReadInstallerCharset(g_startDir);
    g_mainCodePage = CharsetToCodePage(g_installerCharset);
    g_interfaceCodePage = g_mainCodePage;
    // Fonts for the primary screen, where the window opens; OnCreate remakes them for another.
    g_dpi = SystemDpi();
    MakeFonts(g_dpi);

    if (!CreateWindowExW(0, kClassName, L"", WS_POPUP | WS_CLIPSIBLINGS | WS_MAXIMIZE, 0, 0, g_screenWidth,
                         g_screenHeight, nullptr, nullptr, instance, nullptr)) {
        // An unattended run needs no screen: it goes on without its window.
        if (!g_unattended)
            SetupFatal(L"Can't create the installer window");
        CoInitialize(nullptr);
    }

    g_targetDir = DefaultInstallFolder();
    ReadScriptHeader();
    if (!options.targetDir.empty())
        g_targetDir = options.targetDir;
    SetWindowTextW(SetupControl(kDirField), g_targetDir.c_str());

    LoadUiStrings(StringsMode::Setup, g_targetDir.c_str());
    g_interfaceCodePage = g_uiCodePage;
    const std::pair<int, StringId> captions[] = {
        {kInstallButton, Txt_Install_Start}, {kQuitButton, Txt_Install_Stop},  {kChangeDirButton, Txt_Install_ChDir},
        {kDirLabel, Txt_Install_InstDir},    {kDriveLabel, Txt_Install_Drive}, {kDirListLabel, Txt_Install_Dir},
    };
    for (const auto& [id, text] : captions)
        SetWindowTextW(SetupControl(id), Str(text));

    if (!g_unattended) {
        ShowWindow(g_setupWindow, showCommand);
        UpdateWindow(g_setupWindow);
    }
}

void InstallCommand()
{
    if (g_installing)
        return;
    std::wstring refusal = TakeTargetDirectory();
    if (!refusal.empty()) {
        if (g_unattended)
            SetupFatal(refusal.c_str());
        ShowMessage(g_setupWindow, refusal.c_str(), L"Error", MB_OK | MB_ICONERROR);
        return;
    }
    g_installing = true;
    g_outcome = InstallOutcome{};

    SizeFrame(110);
    for (int id : {kDriveLabel, kDirListLabel, kDriveList, kDirList, kInstallButton, kChangeDirButton})
        Show(id, false);
    SetWindowTextW(SetupControl(kDirLabel), Str(Txt_Install_CopyFiles));
    UpdateWindow(g_setupWindow);

    RunScript();

    for (int id : {kQuitButton, kDirLabel, kFrame, kDirField})
        Show(id, false);
    // Repaint now: the progress is drawn over a finished background.
    UpdateWindow(g_setupWindow);
    SetCurrentDirectoryW(g_targetDir.c_str());
    if (g_script.mkwlist)
        ProcessLanguageCf();
    if (CountCatalogueLines() > 1)
        SortCatalogueBlock();
    MakeProgramShortcut();
    RecordInstallation();
    SetCurrentDirectoryW(g_startDir.c_str());

    if (g_unattended) {
        for (const std::wstring& line : OutcomeLines())
            WriteStandardError(line);
    } else {
        UINT icon = g_outcome.failures.empty() ? 0 : MB_ICONWARNING;
        ShowMessage(g_setupWindow, ClosingText().c_str(), Str(Txt_Install_Install), MB_OK | icon);
    }
    if (g_setupWindow)
        DestroyWindow(g_setupWindow);
}
