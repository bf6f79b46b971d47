#include "shell/app.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "kit/fonts.h"
#include "kit/kit.h"
#include <strsafe.h>
#include <cwchar>
#include <string>
#include <vector>

Settings g_settings;
Fonts g_fonts;

static const wchar_t kSection[] = L"Dictionary";
static const wchar_t* const kSlotNames[PosCount] = {L"Main", L"Practise", L"Makelist", L"Add", L"Translate", L"Search"};

// Every key read looks at win.ini afresh, which start-up would pay for
// dozens of times. The section's key names, listed once, spare the look for
// keys that aren't there (colours, fonts, windows never opened): their
// default is what the read would give. Keys present are read as before.
static std::vector<std::wstring> g_keysPresent;
static bool g_keysKnown;

static void ListSectionKeys()
{
    g_keysPresent.clear();
    std::vector<wchar_t> names(16384);
    DWORD n = GetProfileStringW(kSection, nullptr, L"", names.data(), static_cast<DWORD>(names.size()));
    g_keysKnown = n + 2 < names.size();  // a list cut short tells nothing
    for (const wchar_t* p = names.data(); g_keysKnown && p < names.data() + n && *p; p += wcslen(p) + 1)
        g_keysPresent.emplace_back(p);
}

static void ForgetSectionKeys()
{
    g_keysPresent.clear();
    g_keysKnown = false;
}

static bool MayHold(const wchar_t* key)
{
    if (!g_keysKnown)
        return true;
    for (const std::wstring& name : g_keysPresent)
        if (CompareStringOrdinal(name.c_str(), -1, key, -1, TRUE) == CSTR_EQUAL)
            return true;
    return false;
}

static int ReadInt(const wchar_t* key, int fallback)
{
    return MayHold(key) ? static_cast<int>(GetProfileIntW(kSection, key, fallback)) : fallback;
}

static void ReadString(const wchar_t* key, const wchar_t* fallback, wchar_t* out, DWORD size)
{
    if (MayHold(key))
        GetProfileStringW(kSection, key, fallback, out, size);
    else
        lstrcpynW(out, fallback, static_cast<int>(size));
}

static void WriteInt(const wchar_t* key, long value)
{
    wchar_t text[16];
    StringCchPrintfW(text, 16, L"%ld", value);
    WriteProfileStringW(kSection, key, text);
}

static void PositionKeys(int slot, wchar_t* left, wchar_t* top)
{
    StringCchPrintfW(left, 32, L"WinPosLeft%s", kSlotNames[slot]);
    StringCchPrintfW(top, 32, L"WinPosTop%s", kSlotNames[slot]);
}

void ReadStartupSettings()
{
    ListSectionKeys();
    ReadString(L"languagefont", L"Times New Roman", g_settings.languageFont, 49);
    ReadString(L"guifont", L"Arial", g_settings.guiFont, 49);
    g_settings.guiFontSize = ReadInt(L"guifontsize", 9);
    g_settings.languageFontSize = ReadInt(L"languagefontsize", 30);
    g_settings.searchWindowSize = ReadInt(L"searchwindowsize", 10);
    g_settings.searchWindowMinimal = ReadInt(L"searchwindowminimal", 0);
    ForgetSectionKeys();
}

void ReadWindowSettings()
{
    ListSectionKeys();
    g_settings.colorR = ReadInt(L"colorR", 0);
    g_settings.colorG = ReadInt(L"colorG", 200);
    g_settings.colorB = ReadInt(L"colorB", 0);
    g_settings.colorRi = ReadInt(L"colorRi", 0);
    g_settings.colorGi = ReadInt(L"colorGi", 3);
    g_settings.colorBi = ReadInt(L"colorBi", 0);
    g_settings.aviDelay = ReadInt(Str(Txt_AviDelay), 0);
    g_settings.practiceMode = ReadInt(L"PracticeMode", 0);
    g_settings.stayOnTop = ReadInt(L"StayOnTop", 0);
    for (int slot = 0; slot < PosCount; ++slot) {
        wchar_t left[32], top[32];
        PositionKeys(slot, left, top);
        g_settings.windowPos[slot].x = ReadInt(left, kNoPosition);
        g_settings.windowPos[slot].y = ReadInt(top, kNoPosition);
    }
    g_settings.clipSearch = ReadInt(L"ClipSearch", 0);
    g_settings.addNewWordsToList = ReadInt(L"AddNewWordsToList", 1);
    g_settings.practiceSound = ReadInt(L"PracticeSound", 1);
    ForgetSectionKeys();
}

void WriteSettings(HWND mainWindow)
{
    WriteInt(L"searchwindowsize", g_settings.searchWindowSize);
    WriteInt(L"searchwindowminimal", g_settings.searchWindowMinimal);
    WriteInt(L"PracticeMode", g_settings.practiceMode);
    WriteInt(L"PracticeSound", g_settings.practiceSound);
    WriteInt(L"StayOnTop", g_settings.stayOnTop);
    if (mainWindow)
        g_settings.windowPos[PosMain] = SaveWindowPosition(mainWindow);
    WriteInt(L"WinPosLeftMain", g_settings.windowPos[PosMain].x);
    WriteInt(L"WinPosTopMain", g_settings.windowPos[PosMain].y);
    for (int slot = PosPractise; slot < PosCount; ++slot) {
        if (g_settings.windowPos[slot].y == kNoPosition)
            continue;
        wchar_t left[32], top[32];
        PositionKeys(slot, left, top);
        WriteInt(left, g_settings.windowPos[slot].x);
        WriteInt(top, g_settings.windowPos[slot].y);
    }
    WriteInt(L"ClipSearch", g_settings.clipSearch);
    WriteInt(L"AddNewWordsToList", g_settings.addNewWordsToList);
    if (g_session.listName[0]) {
        WriteProfileStringW(kSection, L"PracticeList", g_session.listName);
        WriteInt(L"ListID", g_session.listId);
    }
}

void MakeFonts()
{
    int cs = g_uiCharset;
    g_fonts.title = MakeFont(43, 700, L"Times New Roman", cs);
    g_fonts.language = MakeFont(g_settings.languageFontSize, 700, g_settings.languageFont, cs);
    g_fonts.listHeading = MakeFont(15, 400, L"Arial", cs);
    g_fonts.translateHeading = MakeFont(14, 700, L"Arial", cs);
    g_fonts.searchHeading = MakeFont(12, 700, L"Arial", cs);
    g_fonts.heading = MakeFont(15, 700, L"Arial", cs);
    g_fonts.listHint = MakeFont(10, 400, L"Arial", cs);
    g_fonts.gui = MakeFont(g_settings.guiFontSize, 400, g_settings.guiFont, cs);
}

void DeleteFonts()
{
    HFONT* all[] = {&g_fonts.title,         &g_fonts.language,         &g_fonts.heading, &g_fonts.listHeading,
                    &g_fonts.listHint,      &g_fonts.searchHeading,    &g_fonts.translateHeading, &g_fonts.gui};
    for (HFONT* f : all) {
        if (*f)
            DeleteObject(*f);
        *f = nullptr;
    }
}

void ApplyStayOnTop(HWND hwnd)
{
    SetWindowPos(hwnd, g_settings.stayOnTop == 1 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
