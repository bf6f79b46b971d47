#include "shell/app.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "core/usersettings.h"
#include "kit/fonts.h"
#include "kit/dpi.h"
#include <deque>
#include <utility>
#include "kit/kit.h"
#include <strsafe.h>
#include <cwchar>
#include <string>
#include <vector>

Settings g_settings;
Fonts g_fonts;

static const wchar_t* const kSlotNames[PosCount] = {L"Main", L"Practise", L"Makelist", L"Add", L"Translate", L"Search"};

static void ReadText(const SettingsSnapshot& settings, const wchar_t* key, const wchar_t* fallback, wchar_t* out,
                     size_t size)
{
    lstrcpynW(out, SettingText(settings, key, fallback, size - 1).c_str(), static_cast<int>(size));
}

static SettingChange IntChange(const wchar_t* key, long value) { return {key, std::to_wstring(value)}; }

static void PositionKeys(int slot, wchar_t* left, wchar_t* top)
{
    StringCchPrintfW(left, 32, L"WinPosLeft%s", kSlotNames[slot]);
    StringCchPrintfW(top, 32, L"WinPosTop%s", kSlotNames[slot]);
}

void ReadStartupSettings()
{
    SettingsSnapshot s = ReadSettings();
    ReadText(s, L"languagefont", L"Times New Roman", g_settings.languageFont, 49);
    ReadText(s, L"guifont", L"Arial", g_settings.guiFont, 49);
    g_settings.guiFontSize = SettingInt(s, L"guifontsize", 9);
    g_settings.languageFontSize = SettingInt(s, L"languagefontsize", 30);
    g_settings.searchWindowSize = SettingInt(s, L"searchwindowsize", 10);
    g_settings.searchWindowMinimal = SettingInt(s, L"searchwindowminimal", 0);
}

void ReadWindowSettings()
{
    SettingsSnapshot s = ReadSettings();
    g_settings.colorR = SettingInt(s, L"colorR", 0);
    g_settings.colorG = SettingInt(s, L"colorG", 200);
    g_settings.colorB = SettingInt(s, L"colorB", 0);
    g_settings.colorRi = SettingInt(s, L"colorRi", 0);
    g_settings.colorGi = SettingInt(s, L"colorGi", 3);
    g_settings.colorBi = SettingInt(s, L"colorBi", 0);
    g_settings.aviDelay = SettingInt(s, Str(Txt_AviDelay), 0);
    g_settings.practiceMode = SettingInt(s, L"PracticeMode", 0);
    g_settings.stayOnTop = SettingInt(s, L"StayOnTop", 0);
    for (int slot = 0; slot < PosCount; ++slot) {
        wchar_t left[32], top[32];
        PositionKeys(slot, left, top);
        g_settings.windowPos[slot].x = SettingInt(s, left, kNoPosition);
        g_settings.windowPos[slot].y = SettingInt(s, top, kNoPosition);
    }
    g_settings.clipSearch = SettingInt(s, L"ClipSearch", 0);
    g_settings.addNewWordsToList = SettingInt(s, L"AddNewWordsToList", 1);
    g_settings.practiceSound = SettingInt(s, L"PracticeSound", 1);
}

void WriteSettings(HWND mainWindow)
{
    std::vector<SettingChange> changes = {
        IntChange(L"searchwindowsize", g_settings.searchWindowSize),
        IntChange(L"searchwindowminimal", g_settings.searchWindowMinimal),
        IntChange(L"PracticeMode", g_settings.practiceMode),
        IntChange(L"PracticeSound", g_settings.practiceSound),
        IntChange(L"StayOnTop", g_settings.stayOnTop),
    };
    if (mainWindow)
        g_settings.windowPos[PosMain] = SaveWindowPosition(mainWindow);
    changes.push_back(IntChange(L"WinPosLeftMain", g_settings.windowPos[PosMain].x));
    changes.push_back(IntChange(L"WinPosTopMain", g_settings.windowPos[PosMain].y));
    for (int slot = PosPractise; slot < PosCount; ++slot) {
        if (g_settings.windowPos[slot].y == kNoPosition)
            continue;
        wchar_t left[32], top[32];
        PositionKeys(slot, left, top);
        changes.push_back(IntChange(left, g_settings.windowPos[slot].x));
        changes.push_back(IntChange(top, g_settings.windowPos[slot].y));
    }
    changes.push_back(IntChange(L"ClipSearch", g_settings.clipSearch));
    changes.push_back(IntChange(L"AddNewWordsToList", g_settings.addNewWordsToList));
    if (g_session.listName[0]) {
        changes.push_back({L"PracticeList", g_session.listName});
        changes.push_back(IntChange(L"ListID", g_session.listId));
    }
    // Nothing else would keep them: the user hears of it, once.
    if (!StoreSettings(changes))
        ReportWriteFailure(mainWindow, SettingsFilePath());
}

static Fonts MakeFontsAt(int dpi)
{
    int cs = g_uiCharset;
    Fonts f;
    f.title = MakeFont(43, 700, L"Times New Roman", cs, true, dpi);
    f.language = MakeFont(g_settings.languageFontSize, 700, g_settings.languageFont, cs, true, dpi);
    f.listHeading = MakeFont(15, 400, L"Arial", cs, true, dpi);
    f.translateHeading = MakeFont(14, 700, L"Arial", cs, true, dpi);
    f.searchHeading = MakeFont(12, 700, L"Arial", cs, true, dpi);
    f.heading = MakeFont(15, 700, L"Arial", cs, true, dpi);
    f.listHint = MakeFont(10, 400, L"Arial", cs, true, dpi);
    f.gui = MakeFont(g_settings.guiFontSize, 400, g_settings.guiFont, cs, true, dpi);
    return f;
}

static void DeleteFontSet(Fonts& fonts)
{
    HFONT* all[] = {&fonts.title,         &fonts.language,         &fonts.heading, &fonts.listHeading,
                    &fonts.listHint,      &fonts.searchHeading,    &fonts.translateHeading, &fonts.gui};
    for (HFONT* f : all) {
        if (*f)
            DeleteObject(*f);
        *f = nullptr;
    }
}

// Sets at other scales than the primary screen's; a few monitors at most.
// (A deque: handed-out references stay valid as sets are added.)
static std::deque<std::pair<int, Fonts>> g_otherFonts;
static int g_fontsDpi = 0;

void MakeFonts()
{
    g_fontsDpi = SystemDpi();
    g_fonts = MakeFontsAt(g_fontsDpi);
}

const Fonts& FontsFor(int dpi)
{
    if (dpi == g_fontsDpi || dpi <= 0)
        return g_fonts;
    for (auto& [d, fonts] : g_otherFonts)
        if (d == dpi)
            return fonts;
    g_otherFonts.emplace_back(dpi, MakeFontsAt(dpi));
    return g_otherFonts.back().second;
}

void DeleteFonts()
{
    DeleteFontSet(g_fonts);
    for (auto& [d, fonts] : g_otherFonts)
        DeleteFontSet(fonts);
    g_otherFonts.clear();
}

void ApplyStayOnTop(HWND hwnd)
{
    SetWindowPos(hwnd, g_settings.stayOnTop == 1 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
