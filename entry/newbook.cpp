#include "entry/newbook.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "shell/resource.h"
#include "core/listdirs.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/report.h"
#include "core/textfold.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/kit.h"
#include <cwchar>
#include <string>
#include <vector>

static const int kWidth = 265;
static const int kHeight = 220;
static const int kNameChars = 98;

enum NewBookId { IdLabel = 45, IdName = 30, IdList = 300, IdCreate = 18, IdCancel = 14 };

static const wchar_t* const kLocales[] = {
    L"albanian", L"arabic", L"australian", L"belgian", L"bulgarian", L"canadian", L"catalan", L"chinese",
    L"chinese-simplified", L"chinese-traditional", L"croatian", L"czech", L"danish", L"dutch", L"english",
    L"english-nz", L"english-uk", L"english-usa", L"finnish", L"french", L"french-belgian", L"french-canadian",
    L"french-swiss", L"german", L"german-austrian", L"german-swiss", L"greek", L"hebrew", L"hungarian", L"icelandic",
    L"indonesian", L"italian", L"italian-swiss", L"japanese", L"korean", L"lithuanian", L"norwegian",
    L"norwegian-bokmal", L"norwegian-nynorsk", L"polish", L"portuguese", L"portuguese-brazilian", L"romanian",
    L"russian", L"serbian", L"slovak", L"spanish", L"spanish-mexican", L"spanish-modern", L"swedish", L"thai",
    L"turkish", L"urdu",
};

struct CharsetChoice {
    const wchar_t* name;
    int charset;
};
static const CharsetChoice kCharsets[] = {
    {L"ANSI", 0},           {L"Greek", 161},          {L"Turkish", 162},
    {L"Central Europe", 238}, {L"Cyrillic", 204},      {L"Baltic", 186},
    {L"Hangul (Korean)", 129}, {L"Shift-JS (Japanese)", 128}, {L"GB2312 (Chinese)", 134},
    {L"Big-5 (Chinese)", 136}, {L"Vietnamese", 163},    {L"Thai", 222},
};

struct NewBookState {
    HWND hwnd;
    HWND name;
    HWND locales;
    HWND charsets;
    int dpi;
};
static NewBookState s;

static void Say(const wchar_t* text, UINT icon = 0)
{
    ShowMessage(s.hwnd, text, Str(Txt_Dictionary), MB_OK | icon);
}

// Windows keeps a read-only file where Wine would replace it: refuse it here
// so both behave alike.
static bool IsReadOnly(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Writes bytes to temp, flushes it and puts it in target's place in one step;
// on failure target is as it was and temp is gone.
static bool ReplaceWithBytes(const wchar_t* temp, const wchar_t* target, const std::string& bytes)
{
    if (!IsReadOnly(target))
        return ReplaceFileContents(target, bytes, temp);
    _wremove(temp);  // a temporary name may have been made already
    return false;
}

static bool WriteCatalogue(const std::string& bytes)
{
    return ReplaceWithBytes(L"tmp.ini", Str(Txt_FilenameIni), bytes);
}

// DICT.INI byte for byte (binary, so that the rewrite keeps every line as it
// was); false when it can't be read.
static bool ReadCatalogue(std::string* bytes)
{
    UniqueFile in(_wfopen(Str(Txt_FilenameIni), L"rb"));
    if (!in)
        return false;
    std::string raw;
    while (ReadRawLine(in.get(), raw))
        *bytes += raw;
    return !ferror(in.get());
}

// What a creation has made so far, taken back when a later step fails.
struct Made {
    std::string oldCatalogue;
    bool catalogueChanged = false;
    std::vector<std::wstring> books;
};

// False when something stays behind.
static bool TakeBack(const Made& made)
{
    bool ok = true;
    for (const std::wstring& path : made.books)
        ok = RemoveFilePath(path.c_str()) && ok;
    if (made.catalogueChanged)
        ok = WriteCatalogue(made.oldCatalogue) && ok;
    return ok;
}

// Characters that would split the entry line or that file names can't hold.
static bool IsBadName(const std::wstring& name)
{
    if (name.front() == L' ' || name.back() == L' ')
        return true;
    for (wchar_t c : name)
        if (c < 0x20 || wcschr(L",\\/:*?\"<>|", c))
            return true;
    // The icon and word books are files named after it.
    if (IsDeviceName(name))
        return true;
    // The name goes into DICT.INI in the interface's code page.
    return !FitsCodePage(name.c_str(), g_uiCodePage);
}

static std::wstring BookPath(const std::wstring& source, const std::wstring& target)
{
    return std::wstring(Str(Txt_PathLanguage)) + source + L"_" + target + L".wb";
}

static bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Never over an existing word book, even one made since the check.
static bool CreateEmptyBook(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

static bool WriteIcon(const std::wstring& name)
{
    HRSRC found = FindResourceW(g_instance, MAKEINTRESOURCEW(IDR_NEWBOOK_ICON), L"DATA");
    HGLOBAL loaded = found ? LoadResource(g_instance, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes)
        return false;
    std::wstring dir = Str(Txt_PathIcons);
    std::wstring path = dir + name + L".ico";
    wchar_t temp[MAX_PATH];
    if (!GetTempFileNameW(dir.empty() ? L"." : dir.c_str(), L"ico", 0, temp))
        return false;
    return ReplaceWithBytes(temp, path.c_str(), std::string(bytes, SizeofResource(g_instance, found)));
}

static void Refuse(const std::wstring& text)
{
    Say(text.c_str());
    SetFocus(s.name);
}

// A step after the catalogue line failed: all that was made goes again, so
// that the catalogue never names a word book that is not there.
static void Fail(const Made& made, const wchar_t* text, UINT icon)
{
    bool takenBack = TakeBack(made);
    Say(text, icon);
    if (!takenBack)
        Say(Str(Txt_CreateEmptyUndoFailed), MB_ICONWARNING);
    SetFocus(s.name);
}

// The list's chosen entry and its item data.
static std::wstring ChosenText(HWND list, LRESULT* data)
{
    LRESULT i = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (i == CB_ERR)
        i = 0;
    wchar_t text[64] = L"";
    if (SendMessageW(list, CB_GETLBTEXTLEN, i, 0) < 64)
        SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    *data = SendMessageW(list, CB_GETITEMDATA, i, 0);
    return text;
}

static void OnCreateClicked()
{
    wchar_t buffer[kNameChars + 1] = L"";
    GetWindowTextW(s.name, buffer, kNameChars + 1);
    std::wstring name = buffer;
    const std::wstring mainLanguage = Str(Txt_MainLanguage);
    if (name.empty())
        return Refuse(Str(Txt_CreateEmptyEnterName));
    if (EqualFoldAZ(name, mainLanguage))
        return Refuse(Str(Txt_CreateEmptyNotAllowed));
    for (auto& entry : g_catalogue.entries)
        if (EqualFoldAZ(name.c_str(), entry->sourceName))
            return Refuse(std::wstring(entry->sourceName) + L"\n\n" + Str(Txt_CreateEmptyExists));
    if (IsBadName(name))
        return Refuse(Str(Txt_CreateEmptyBadName));
    if (static_cast<int>(name.size()) > LongestLongName())
        return Refuse(FillIn(Str(Txt_CreateEmptyNameTooLong), {std::to_wstring(LongestLongName())}));
    const std::wstring mainBook = BookPath(mainLanguage, name), nameBook = BookPath(name, mainLanguage);
    if (FileExists(mainBook) || FileExists(nameBook))
        return Refuse(Str(Txt_CreateEmptyFileExists));

    LRESULT unused = 0, charset = 0;
    std::wstring locale = ChosenText(s.locales, &unused);
    ChosenText(s.charsets, &charset);
    const std::string entry = "longname," + NarrowText(locale, g_uiCodePage) + "," + std::to_string(charset) + "," +
                              NarrowText(name, g_uiCodePage);
    // The catalogue line first: without it nothing else is made, and the
    // window stays for another try.
    Made made;
    std::string catalogue;
    if (!ReadCatalogue(&made.oldCatalogue))
        return Refuse(Str(Txt_CreateEmptyErrorIni));
    if (!PlaceUserEntryLine(made.oldCatalogue, entry, &catalogue))
        return Refuse(Str(Txt_CreateEmptyNoSection));
    if (!WriteCatalogue(catalogue))
        return Refuse(Str(Txt_CreateEmptyErrorTmp));
    made.catalogueChanged = true;
    for (const std::wstring& path : {mainBook, nameBook}) {
        if (!CreateEmptyBook(path))
            return Fail(made, Str(Txt_CreateEmptyErrorDatabase), MB_ICONWARNING);
        made.books.push_back(path);
    }
    if (!WriteIcon(name))
        return Fail(made, Str(Txt_CreateEmptyIcon), 0);
    Say(Str(Txt_CreateEmptyCreated));
    DestroyWindow(s.hwnd);
}

static HWND MakeControl(DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int width,
                        int height, int id)
{
    HWND control =
        CreateScaledChild(s.hwnd, exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, id);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), FALSE);
    return control;
}

static void OnCreate(HWND hwnd)
{
    s.hwnd = hwnd;
    s.dpi = WindowDpi(hwnd);
    MakeControl(0, L"static", Str(Txt_CreateEmptyName), 0, 20, 10, 200, 15, IdLabel);
    s.name = MakeControl(WS_EX_CLIENTEDGE, L"edit", L"", WS_BORDER, 20, 25, 220, 25, IdName);
    SendMessageW(s.name, EM_LIMITTEXT, kNameChars, 0);
    MakeControl(0, L"static", Str(Txt_CreateEmptyLocale), 0, 20, 60, 300, 15, IdLabel);
    s.locales = MakeControl(WS_EX_CLIENTEDGE, L"combobox", L"", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL, 20, 75, 220,
                            250, IdList);
    for (const wchar_t* locale : kLocales)
        SendMessageW(s.locales, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(locale));
    SendMessageW(s.locales, CB_SETCURSEL,
                 SendMessageW(s.locales, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"english")),
                 0);
    MakeControl(0, L"static", Str(Txt_CreateEmptyCharset), 0, 20, 110, 300, 15, IdLabel);
    s.charsets = MakeControl(WS_EX_CLIENTEDGE, L"combobox", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 20, 125, 220, 250, IdList);
    for (const CharsetChoice& choice : kCharsets) {
        LRESULT i = SendMessageW(s.charsets, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.name));
        SendMessageW(s.charsets, CB_SETITEMDATA, i, choice.charset);
    }
    SendMessageW(s.charsets, CB_SETCURSEL, 0, 0);
    MakeControl(0, L"button", Str(Txt_CreateEmptyCreate), BS_PUSHBUTTON, 20, 160, 80, 25, IdCreate);
    MakeControl(0, L"button", Str(Txt_Cancel), BS_PUSHBUTTON, 160, 160, 80, 25, IdCancel);
    // Made on a monitor of another scale than the one it was sized for.
    if (s.dpi != SystemDpi())
        SetWindowPos(hwnd, nullptr, 0, 0, Scale(kWidth, s.dpi), Scale(kHeight, s.dpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyStayOnTop(hwnd);
}

static void OnDpiChanged(HWND hwnd, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(hwnd, wp, lp);
    RescaleChildren(hwnd, s.dpi, FontsFor(s.dpi).gui);
    InvalidateRect(hwnd, nullptr, TRUE);
}

static void OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return;
    if (id == IdCreate)
        OnCreateClicked();
    else if (id == IdCancel)
        DestroyWindow(s.hwnd);
}

// The labels stand on the window's grey rather than on the system's face colour.
static LRESULT OnCtlColorStatic(HWND hwnd, HDC dc, HWND control)
{
    if (GetDlgCtrlID(control) != IdLabel)
        return DefWindowProcW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(LTGRAY_BRUSH));
}

static LRESULT CALLBACK NewBookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(hwnd, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp)); return 0;
    case WM_DPICHANGED: OnDpiChanged(hwnd, wp, lp); return 0;
    case WM_DESTROY:
        s = {};
        SecondaryWindowClosed();
        return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

bool ShowNewBookWindow()
{
    s = {};
    if (!RegisterWindowClass(g_instance, L"createnew", NewBookProc, L"wboekicon", L"wboekicon"))
        return false;
    int width = Scale(kWidth, SystemDpi()), height = Scale(kHeight, SystemDpi());
    HWND hwnd = CreateWindowW(L"createnew", Str(Txt_CreateEmptyCaption), WS_OVERLAPPEDWINDOW,
                              (g_screenWidth - width) / 2, (g_screenHeight - height) / 2, width, height, nullptr,
                              nullptr, g_instance, nullptr);
    if (!hwnd)
        return false;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    SetFocus(s.name);
    return true;
}
