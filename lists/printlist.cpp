#include "lists/printlist.h"
#include "shell/app.h"
#include "core/catalogue.h"
#include "core/dllsearch.h"
#include "core/fileutil.h"
#include "core/report.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/kit.h"
#include <richedit.h>
#include <algorithm>
#include <cstdio>
#include <string>

void (*g_printingShown)(HWND notice);

constexpr int kEditId = 24;
constexpr int kColumn = 31;
static const wchar_t kPrintFile[] = L"list.prt";

// The print dialog's choices, kept from one print to the next for the run.
static struct {
    HGLOBAL devMode = nullptr;
    HGLOBAL devNames = nullptr;
    DWORD flags = PD_RETURNDC | PD_SHOWHELP;
    WORD fromPage = 65535;
    WORD toPage = 65535;
    WORD copies = 1;
} s_print;

void ForgetPrintSettings()
{
    if (s_print.devMode)
        GlobalFree(s_print.devMode);
    if (s_print.devNames)
        GlobalFree(s_print.devNames);
    s_print = {};
}

// ---- list.prt ----

static void AppendPadded(std::wstring& out, const wchar_t* text)
{
    size_t n = wcslen(text);
    out.append(text, n);
    if (n < kColumn)
        out.append(kColumn - n, L' ');
}

bool WriteListText(const wchar_t* path)
{
    const LanguagePair* pair = CurrentPair();
    std::wstring text;
    AppendPadded(text, pair ? pair->sourceName : L"");
    text += L"       ";
    text += pair ? pair->targetName : L"";
    text += L"\n\n";
    for (int i = 0; i < g_session.list.count; ++i) {
        // A record that can't be read would repeat the one before it.
        if (ReadListRecord(i) != 0)
            continue;
        AppendPadded(text, g_session.record.source);
        text += L"   -   ";
        text += g_session.record.translation;
        text += L'\n';
    }
    // wchar_t is the UTF-16 code unit here: the bytes are the file as it stands.
    UniqueFile f(_wfopen(path, L"wb"));
    bool written = f && fwrite(text.data(), sizeof(wchar_t), text.size(), f.get()) == text.size();
    written = f && fclose(f.release()) == 0 && written;
    if (!written) {
        DWORD error = GetLastError();
        _wremove(path);
        SetLastError(error);
    }
    return written;
}

// ---- the printing notice ----

static LRESULT CALLBACK PrintingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(WindowDpi(hwnd)).gui), FALSE);
        ApplyStayOnTop(hwnd);
        return 0;
    case WM_PAINT: {
        PaintDc paint(hwnd);
        SetBkMode(paint.dc, TRANSPARENT);
        SetTextColor(paint.dc, RGB(0, 0, 0));
        int dpi = WindowDpi(hwnd);
        Selected font(paint.dc, FontsFor(dpi).gui);
        RECT rc = ScaleRect({25, 20, 350, 40}, dpi);
        DrawTextW(paint.dc, Str(Txt_CreateListformatting), -1, &rc, DT_WORDBREAK);
        return 0;
    }
    case WM_DPICHANGED:
        TakeDpiChange(hwnd, wp, lp);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

// Painted at once: no messages are handled while the text is prepared.
static HWND ShowPrintingNotice()
{
    RegisterWindowClass(g_instance, L"printing", PrintingProc, L"wboekicon", L"wboekicon");
    int w = Scale(300, SystemDpi()), h = Scale(110, SystemDpi());
    HWND hwnd = CreateWindowW(L"printing", Str(Txt_CreateListPrint), WS_CAPTION | WS_SYSMENU,
                              (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h,
                              nullptr, nullptr, g_instance, nullptr);
    if (!hwnd)
        return nullptr;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    ShowDrawingNow();
    if (g_printingShown)
        g_printingShown(hwnd);
    return hwnd;
}

// ---- the rich edit control ----

static HWND CreatePrintEdit(HWND parent)
{
    // The program loads the library at start-up; this keeps printing whole without it.
    if (!GetModuleHandleW(L"RICHED32.DLL"))
        LoadSystemLibrary(L"RICHED32.DLL");
    return CreateWindowExW(WS_EX_CLIENTEDGE, L"RICHEDIT", L"", WS_CHILD | ES_MULTILINE, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), g_instance, nullptr);
}

static void SetPrintFormat(HWND edit)
{
    const LanguagePair* pair = CurrentPair();
    int charset = pair ? pair->sourceCharset : 0;
    CHARFORMATW cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_FACE | CFM_CHARSET | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_COLOR;
    cf.dwEffects = CFE_AUTOCOLOR;
    // 500 and 600 to 699 name fonts of their own, not character sets.
    cf.bCharSet = static_cast<BYTE>(charset >= 0 && charset <= 255 ? charset : ANSI_CHARSET);
    wcscpy(cf.szFaceName, L"Courier New");
    SendMessageW(edit, EM_SETCHARFORMAT, 0, reinterpret_cast<LPARAM>(&cf));
    LRESULT mask = SendMessageW(edit, EM_GETEVENTMASK, 0, 0);
    SendMessageW(edit, EM_SETEVENTMASK, 0, mask | ENM_SELCHANGE);
    SendMessageW(edit, EM_EXLIMITTEXT, 0, 0xFFFFF);
}

static DWORD CALLBACK ReadPrintFile(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got)
{
    DWORD read = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(wanted), &read, nullptr))
        read = 0;
    *got = static_cast<LONG>(read);
    return 0;
}

static bool StreamIn(HWND edit, const wchar_t* path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file);
    stream.pfnCallback = ReadPrintFile;
    SendMessageW(edit, EM_STREAMIN, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&stream));
    SendMessageW(edit, EM_SETMODIFY, FALSE, 0);
    CloseHandle(file);
    return true;
}

// The system's words for an error (when it gave one), after the file it
// concerns (when there is one).
static void ReportFileError(HWND owner, const wchar_t* path, DWORD error)
{
    std::wstring text = Str(Txt_CreateListPrintFailed);
    if (path)
        text += L"\n\n" + FullPath(path);
    wchar_t* reason = nullptr;
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (error && FormatMessageW(flags, nullptr, error, 0, reinterpret_cast<wchar_t*>(&reason), 0, nullptr) && reason) {
        text += L"\n\n";
        text += reason;
    }
    if (reason)
        LocalFree(reason);
    ShowMessage(owner, text.c_str(), Str(Txt_Dictionary), MB_OK | MB_ICONWARNING);
}

HWND PrepareListForPrinting(HWND parent)
{
    HWND edit = CreatePrintEdit(parent);
    if (!edit) {
        ReportFileError(parent, L"RICHED32.DLL", GetLastError());
        return nullptr;
    }
    HWND notice = ShowPrintingNotice();
    bool ready = WriteListText(kPrintFile);
    DWORD error = ready ? 0 : GetLastError();
    if (ready) {
        SetPrintFormat(edit);
        ready = StreamIn(edit, kPrintFile);
        if (!ready)
            error = GetLastError();
        _wremove(kPrintFile);
    }
    if (notice)
        DestroyWindow(notice);
    if (!ready) {
        // An empty page would look like an empty list.
        ReportFileError(parent, kPrintFile, error ? error : ERROR_WRITE_FAULT);
        DestroyWindow(edit);
        return nullptr;
    }
    return edit;
}

// ---- printing ----

void (*g_pageLaidOut)(int pageNumber);

RECT PrintRectangle(int widthTwips, int heightTwips)
{
    RECT area{0, 0, widthTwips, heightTwips};
    if (widthTwips > 3600) {
        area.left = 360;
        area.right = widthTwips - 360;
    }
    if (heightTwips > 4320) {
        area.top = 720;
        area.bottom = heightTwips - 720;
    }
    return area;
}

// Restores the cursor that was showing when it goes out of scope.
struct WaitCursor {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    ~WaitCursor() { SetCursor(previous); }
};

// The pages as the control lays them out; a control that can't (Wine's rich
// edit has no page layout) gets its plain text laid out here instead, line
// by line in its default font, so that the list still prints.
struct PageLayout {
    HWND edit = nullptr;
    HDC dc = nullptr;
    RECT page{};  // twips
    RECT area{};  // twips
    bool measured = false;  // the control has laid out a page
    bool own = false;
    std::wstring text;
    HFONT font = nullptr;
    int lineHeight = 0;
    ~PageLayout()
    {
        if (font)
            DeleteObject(font);
    }
};

static std::wstring EditText(HWND edit)
{
    GETTEXTLENGTHEX len{GTL_NUMCHARS | GTL_PRECISE, 1200};
    LRESULT n = SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&len), 0);
    std::wstring text(static_cast<size_t>(std::max<LRESULT>(n, 0)) + 1, L'\0');
    GETTEXTEX get{};
    get.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    get.flags = GT_DEFAULT;
    get.codepage = 1200;
    LRESULT got = SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                               reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
    return text;
}

static void StartOwnLayout(PageLayout& l)
{
    l.own = true;
    l.text = EditText(l.edit);
    CHARFORMATW cf{};
    cf.cbSize = sizeof cf;
    SendMessageW(l.edit, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
    int twips = cf.yHeight > 0 ? static_cast<int>(cf.yHeight) : 200;
    l.font = CreateFontW(-MulDiv(twips, GetDeviceCaps(l.dc, LOGPIXELSY), 1440), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                         FALSE, cf.bCharSet, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         FIXED_PITCH | FF_MODERN, cf.szFaceName[0] ? cf.szFaceName : L"Courier New");
    Selected font(l.dc, l.font);
    TEXTMETRICW tm{};
    GetTextMetricsW(l.dc, &tm);
    l.lineHeight = std::max<int>(1, tm.tmHeight);
}

static bool IsBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }

// Lines that fit the area from start on: wrapped after the last blank that
// fits, or where the line stops fitting. The first character that is left.
static LONG OwnPage(PageLayout& l, LONG start, LONG end, bool draw)
{
    end = std::min<LONG>(end, static_cast<LONG>(l.text.size()));
    int dpiX = GetDeviceCaps(l.dc, LOGPIXELSX), dpiY = GetDeviceCaps(l.dc, LOGPIXELSY);
    int left = MulDiv(l.area.left, dpiX, 1440), width = MulDiv(l.area.right - l.area.left, dpiX, 1440);
    int y = MulDiv(l.area.top, dpiY, 1440), bottom = MulDiv(l.area.bottom, dpiY, 1440);
    Selected font(l.dc, l.font);
    SetBkMode(l.dc, TRANSPARENT);
    SetTextColor(l.dc, RGB(0, 0, 0));
    LONG at = start;
    while (at < end && y + l.lineHeight <= bottom) {
        LONG stop = at;
        while (stop < end && !IsBreak(l.text[stop]))
            ++stop;
        int fit = 0;
        SIZE size;
        GetTextExtentExPointW(l.dc, l.text.data() + at, static_cast<int>(stop - at), width, &fit, nullptr, &size);
        LONG shown = stop, next = stop;
        if (at + fit < stop) {
            LONG blank = at + fit;
            while (blank > at && l.text[blank] != L' ')
                --blank;
            shown = blank > at ? blank : at + std::max(fit, 1);
            next = blank > at ? blank + 1 : shown;
        } else {
            if (next < end && l.text[next] == L'\r')
                ++next;
            if (next < end && l.text[next] == L'\n')
                ++next;
        }
        if (draw)
            TextOutW(l.dc, left, y, l.text.data() + at, static_cast<int>(shown - at));
        y += l.lineHeight;
        at = next;
    }
    return at;
}

static LONG MeasurePage(PageLayout& l, CHARRANGE range)
{
    if (l.own)
        return OwnPage(l, range.cpMin, range.cpMax, false);
    FORMATRANGE fr{};
    fr.hdc = fr.hdcTarget = l.dc;
    fr.rc = l.area;
    fr.rcPage = l.page;
    fr.chrg = range;
    LONG next = static_cast<LONG>(SendMessageW(l.edit, EM_FORMATRANGE, FALSE, reinterpret_cast<LPARAM>(&fr)));
    // Only the first page tells a control that can't lay out from the end of the text.
    if (next > range.cpMin || range.cpMin >= range.cpMax || l.measured) {
        l.measured = true;
        return next;
    }
    StartOwnLayout(l);
    return OwnPage(l, range.cpMin, range.cpMax, false);
}

static void DrawPage(PageLayout& l, CHARRANGE range)
{
    if (l.own) {
        OwnPage(l, range.cpMin, range.cpMax, true);
        return;
    }
    RECT band = l.area;
    if (!SendMessageW(l.edit, EM_DISPLAYBAND, 0, reinterpret_cast<LPARAM>(&band))) {
        FORMATRANGE fr{};
        fr.hdc = fr.hdcTarget = l.dc;
        fr.rc = l.area;
        fr.rcPage = l.page;
        fr.chrg = range;
        SendMessageW(l.edit, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&fr));
    }
}

int PrintPages(PRINTDLGW& pd, HWND edit)
{
    WaitCursor wait;
    HDC dc = pd.hDC;
    pd.hDC = nullptr;
    wchar_t title[MAX_PATH];
    if (GetFileTitleW(kPrintFile, title, MAX_PATH) != 0)
        wcscpy(title, kPrintFile);
    DOCINFOW doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = title;
    doc.lpszOutput = (pd.Flags & PD_PRINTTOFILE) ? L"FILE:" : nullptr;
    SetLastError(ERROR_SUCCESS);
    if (StartDocW(dc, &doc) <= 0) {
        DWORD error = GetLastError();
        DeleteDC(dc);
        // Cancelling the file name of "print to file" is no fault; a printer
        // that refuses the document, even without a reason, is.
        if (error != ERROR_CANCELLED && error != ERROR_PRINT_CANCELLED)
            ReportFileError(pd.hwndOwner, nullptr, error);
        return -1;
    }

    LONG length = static_cast<LONG>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
    int width = MulDiv(GetDeviceCaps(dc, PHYSICALWIDTH), 1440, GetDeviceCaps(dc, LOGPIXELSX));
    int height = MulDiv(GetDeviceCaps(dc, PHYSICALHEIGHT), 1440, GetDeviceCaps(dc, LOGPIXELSY));
    PageLayout layout;
    layout.edit = edit;
    layout.dc = dc;
    layout.page = RECT{0, 0, width, height};
    layout.area = PrintRectangle(width, height);

    int copies = std::max<int>(1, pd.nCopies);
    int passes = 1, repeats = copies;
    if (pd.Flags & PD_COLLATE) {
        passes = copies;
        repeats = 1;
        pd.nCopies = 1;
    }
    bool ranged = (pd.Flags & PD_PAGENUMS) != 0;
    int printed = 0;
    bool failed = false;
    DWORD error = ERROR_SUCCESS;
    for (int pass = 0; pass < passes && !failed; ++pass) {
        CHARRANGE range{0, length};
        if (pd.Flags & PD_SELECTION) {
            CHARRANGE sel{};
            SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
            range.cpMin = sel.cpMin;
            if (sel.cpMax >= sel.cpMin)
                range.cpMax = sel.cpMax;
        }
        int pageNumber = 1;
        LONG next;
        do {
            next = MeasurePage(layout, range);
            if (g_pageLaidOut)
                g_pageLaidOut(pageNumber);
            // Nothing fits, or nothing is left (the text length of a control
            // that keeps ANSI text can exceed its characters).
            if (next <= range.cpMin)
                break;
            if (!ranged || pageNumber >= pd.nFromPage) {
                for (int r = 0; r < repeats && !failed; ++r) {
                    SetLastError(ERROR_SUCCESS);
                    failed = StartPage(dc) <= 0;
                    if (!failed) {
                        DrawPage(layout, range);
                        SetLastError(ERROR_SUCCESS);
                        failed = EndPage(dc) <= 0;
                        printed += failed ? 0 : 1;
                    }
                    error = failed ? GetLastError() : error;
                }
            }
            ++pageNumber;
            range.cpMin = next;
        } while (!failed && (!ranged || pageNumber <= pd.nToPage) && next < range.cpMax);
        if (!layout.own)
            SendMessageW(edit, EM_FORMATRANGE, FALSE, 0);
    }
    if (failed) {
        AbortDoc(dc);
    } else {
        SetLastError(ERROR_SUCCESS);
        failed = EndDoc(dc) <= 0;
        error = GetLastError();
    }
    DeleteDC(dc);
    // The printer refused a page or the document: the user must not take
    // the list for printed.
    if (failed) {
        ReportFileError(pd.hwndOwner, nullptr, error);
        return -1;
    }
    return printed;
}

bool PrintWithDialog(HWND owner, HWND edit)
{
    PRINTDLGW pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = owner;
    pd.hDevMode = s_print.devMode;
    pd.hDevNames = s_print.devNames;
    pd.Flags = s_print.flags;
    pd.nFromPage = s_print.fromPage;
    pd.nToPage = s_print.toPage;
    pd.nMinPage = 0;
    pd.nMaxPage = 65535;
    pd.nCopies = s_print.copies;
    BOOL chosen = PrintDlgW(&pd);
    // The dialog may have replaced the printer data even when cancelled.
    s_print.devMode = pd.hDevMode;
    s_print.devNames = pd.hDevNames;
    if (!chosen)
        return false;
    int printed = pd.hDC ? PrintPages(pd, edit) : -1;
    s_print.flags = pd.Flags;
    s_print.fromPage = pd.nFromPage;
    s_print.toPage = pd.nToPage;
    s_print.copies = pd.nCopies;
    return printed >= 0;
}

void PrintList(HWND owner)
{
    HWND parent = owner ? owner : g_mainWindow;
    HWND edit = PrepareListForPrinting(parent);
    if (!edit)
        return;
    // Owned by the list maker, the dialog keeps it from a second Print meanwhile.
    PrintWithDialog(parent, edit);
    DestroyWindow(edit);
}
