#include "entry/picker.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/fonts.h"
#include "kit/kit.h"
#include "shell/app.h"
#include <string>
#include <vector>

PickerInputs g_picker;

constexpr int kButtonWidth = 19;
constexpr int kButtonHeight = 23;
constexpr int kPickerHeight = 70;
constexpr size_t kMaxCharacters = 254;

struct PickerState {
    HFONT font;
    int dpi;
    int width;                   // design pixels, from the count of buttons
    std::vector<wchar_t> chars;  // one per button; 0: the byte types nothing
};
static PickerState s;

// The first line of the language's character file, its line feed included.
static bool ReadCharacterLine(std::string* line)
{
    std::wstring path = L"charset\\" + g_picker.language + L".chs";
    UniqueFile f(_wfopen(path.c_str(), L"rb"));
    if (!f)
        return false;
    if (!ReadRawLine(f.get(), *line))
        line->clear();
    // A file saved with Windows line ends gets no button for the CR.
    size_t n = line->size();
    if (n >= 2 && (*line)[n - 1] == '\n' && (*line)[n - 2] == '\r')
        line->erase(n - 2, 1);
    if (line->size() > kMaxCharacters)
        line->resize(kMaxCharacters);
    return true;
}

// Without a file: the accented capitals, the inverted question mark, the
// accented small letters and a question mark.
static std::string BuiltInCharacters()
{
    std::string set;
    for (int b = 0xC0; b <= 0xDF; ++b)
        set += static_cast<char>(b);
    set += static_cast<char>(0xBF);
    for (int b = 0xE0; b <= 0xFF; ++b)
        set += static_cast<char>(b);
    set += '?';
    return set;
}

// A lead byte of a double-byte code page is half a character: it converts to
// nothing rather than to whatever the system makes of it.
static wchar_t CharacterOf(char byte, int codePage)
{
    if (byte == '\0' || IsDBCSLeadByteEx(static_cast<UINT>(codePage), static_cast<BYTE>(byte)))
        return 0;
    wchar_t wide[2] = {};
    if (ToWideCount(&byte, wide, 1, codePage) != 1)
        return 0;
    return wide[0];
}

static void AddButton(HWND hwnd, int id, int x, int y, wchar_t ch)
{
    // A lone ampersand on a button would mark a mnemonic and show nothing.
    std::wstring text;
    if (ch == L'&')
        text = L"&&";
    else if (ch)
        text = ch;
    HWND button = CreateScaledChild(hwnd, 0, L"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, y,
                                    kButtonWidth, kButtonHeight, id);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);
}

static HFONT MakeButtonFont() { return MakeFont(11, 400, L"Times New Roman", g_picker.charset, true, s.dpi); }

static void OnCreate(HWND hwnd)
{
    s.dpi = WindowDpi(hwnd);
    s.font = MakeButtonFont();
    int codePage = CharsetToCodePage(g_picker.charset);
    std::string bytes;
    if (!ReadCharacterLine(&bytes))
        bytes = BuiltInCharacters();

    int n = static_cast<int>(bytes.size());
    // The first row holds half the buttons and the second the rest; a single
    // button stays in the first.
    int firstRow = n >= 2 ? n / 2 : n;
    int widestRow = firstRow > n - firstRow ? firstRow : n - firstRow;
    s.width = widestRow * kButtonWidth + 5;
    s.chars.clear();
    for (int i = 0; i < n; ++i) {
        s.chars.push_back(CharacterOf(bytes[i], codePage));
        bool second = i >= firstRow;
        int column = second ? i - firstRow : i;
        AddButton(hwnd, i, column * kButtonWidth, second ? kButtonHeight : 0, s.chars.back());
    }

    RECT owner{};
    if (!g_picker.owner || !GetWindowRect(g_picker.owner, &owner))
        owner = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    int width = Scale(s.width, s.dpi), height = Scale(kPickerHeight, s.dpi);
    int x = owner.left + (owner.right - owner.left - width) / 2;
    int y = owner.top - height;
    MoveWindow(hwnd, x < 0 ? 0 : x, y < 0 ? 0 : y, width, height, FALSE);
    ApplyStayOnTop(hwnd);
}

// The system's suggested size is the old one stretched; the picker keeps its
// own, made from its count of buttons at the new scale.
static void OnDpiChanged(HWND hwnd, WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(hwnd, wp, lp);
    HFONT old = s.font;
    s.font = MakeButtonFont();
    RescaleChildren(hwnd, s.dpi, s.font);
    if (old)
        DeleteObject(old);
    SetWindowPos(hwnd, nullptr, 0, 0, Scale(s.width, s.dpi), Scale(kPickerHeight, s.dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd, nullptr, TRUE);
}

static void OnCommand(WPARAM wp)
{
    if (HIWORD(wp) != BN_CLICKED)
        return;
    size_t id = LOWORD(wp);
    if (id >= s.chars.size() || !IsWindow(g_picker.target))
        return;
    SetFocus(g_picker.target);
    if (s.chars[id])
        SendMessageW(g_picker.target, WM_CHAR, s.chars[id], 0);
}

static void OnDestroy(HWND hwnd)
{
    if (s.font)
        DeleteObject(s.font);
    s = {};
    if (IsWindow(g_picker.target))
        SetFocus(g_picker.target);
    if (g_picker.window == hwnd)
        g_picker.window = nullptr;
}

// A short set makes a window narrower than the system's smallest captioned one.
static void OnGetMinMaxInfo(LPARAM lp)
{
    reinterpret_cast<MINMAXINFO*>(lp)->ptMinTrackSize = {1, 1};
}

static LRESULT CALLBACK PickerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_COMMAND: OnCommand(wp); return 0;
    case WM_DESTROY: OnDestroy(hwnd); return 0;
    case WM_CLOSE: return 0;  // the owner closes it, never the user
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(lp); return 0;
    case WM_DPICHANGED: OnDpiChanged(hwnd, wp, lp); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

bool OpenPicker()
{
    ClosePicker();
    RegisterWindowClass(g_instance, L"tekenset", PickerProc, L"wboekicon", L"wboekicon");
    int width = Scale(535, SystemDpi()), height = Scale(26, SystemDpi()) + g_captionHeight + g_menuHeight;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND hwnd = CreateWindowW(L"tekenset", Str(Txt_CharacterSet), WS_CAPTION, x, y, width, height, nullptr, nullptr,
                              g_instance, nullptr);
    g_picker.window = hwnd;
    if (!hwnd)
        return false;
    // The keyboard stays with the field being typed in.
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    return true;
}

void ClosePicker()
{
    if (g_picker.window && IsWindow(g_picker.window))
        DestroyWindow(g_picker.window);
    g_picker.window = nullptr;
}

void SetPickerLanguage(bool source)
{
    const LanguagePair* pair = CurrentPair();
    if (!pair)
        return;
    g_picker.charset = source ? pair->sourceCharset : pair->targetCharset;
    g_picker.language = source ? pair->sourceName : pair->targetName;
}

void ReopenPicker(HWND owner, HWND target)
{
    ClosePicker();
    g_picker.owner = owner;
    g_picker.target = target;
    OpenPicker();
}

void PickerFollowsField(HWND owner, HWND field, bool source, bool shown)
{
    g_picker.target = field;
    const LanguagePair* pair = CurrentPair();
    if (!pair || (source ? pair->sourceCharset : pair->targetCharset) == g_picker.charset)
        return;
    SetPickerLanguage(source);
    if (shown) {
        ReopenPicker(owner, field);
        SetFocus(field);
    }
}
