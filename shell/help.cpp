#include "shell/help.h"
#include "core/uistrings.h"
#include <htmlhelp.h>
#include <shellapi.h>
#include <fstream>
#include <sstream>
#include <string>

// The HTML Help viewer needs the system's HTML engine; where it is missing
// (as under Wine without its browser engine) the plain pages that come with
// the help file are opened in the system's browser instead.
static bool HaveHtmlEngine()
{
    static int have = -1;
    if (have < 0) {
        HMODULE engine = LoadLibraryW(L"mshtml.dll");
        have = engine != nullptr;
        if (engine)
            FreeLibrary(engine);
    }
    return have == 1;
}

static std::wstring FullPath(const std::wstring& relative)
{
    wchar_t path[MAX_PATH];
    DWORD n = GetFullPathNameW(relative.c_str(), MAX_PATH, path, nullptr);
    return n && n < MAX_PATH ? path : relative;
}

// help\<file stem>\: the pages of the help file, for a browser.
static std::wstring PagesFolder()
{
    std::wstring file = Str(Txt_FilenameHelp);
    size_t dot = file.rfind(L'.');
    return FullPath(L"help\\" + file.substr(0, dot));
}

// The page that the help index gives for a keyword ("" when none).
static std::wstring PageForKeyword(const std::wstring& folder, const wchar_t* keyword)
{
    std::wstring file = Str(Txt_FilenameHelp);
    std::ifstream index((folder + L"\\" + file.substr(0, file.rfind(L'.')) + L".hhk").c_str());
    std::stringstream text;
    text << index.rdbuf();
    std::string hhk = text.str();
    char narrow[256];
    WideCharToMultiByte(1252, 0, keyword, -1, narrow, sizeof narrow, nullptr, nullptr);
    size_t at = hhk.find(std::string("value=\"") + narrow + "\"");
    if (at == std::string::npos)
        return L"";
    at = hhk.find("name=\"Local\" value=\"", at);
    if (at == std::string::npos)
        return L"";
    at += 20;
    std::string page = hhk.substr(at, hhk.find('"', at) - at);
    return std::wstring(page.begin(), page.end());
}

static void OpenPage(HWND owner, const std::wstring& page)
{
    if (reinterpret_cast<INT_PTR>(ShellExecuteW(owner, L"open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32)
        return;
    std::wstring quoted = L"\"" + page + L"\"";
    ShellExecuteW(owner, L"open", L"winebrowser.exe", quoted.c_str(), nullptr, SW_SHOWNORMAL);
}

void OpenHelpContents(HWND owner)
{
    if (HaveHtmlEngine() && HtmlHelpW(owner, FullPath(Str(Txt_FilenameHelp)).c_str(), HH_DISPLAY_TOC, 0))
        return;
    OpenPage(owner, PagesFolder() + L"\\index.htm");
}

void OpenHelpKeyword(HWND owner, const wchar_t* keyword)
{
    std::wstring file = FullPath(Str(Txt_FilenameHelp));
    if (HaveHtmlEngine()) {
        HH_AKLINK link{};
        link.cbStruct = sizeof link;
        link.pszKeywords = keyword;
        link.fIndexOnFail = TRUE;
        HtmlHelpW(owner, file.c_str(), HH_DISPLAY_TOPIC, 0);
        if (HtmlHelpW(owner, file.c_str(), HH_KEYWORD_LOOKUP, reinterpret_cast<DWORD_PTR>(&link)) ||
            HtmlHelpW(owner, file.c_str(), HH_DISPLAY_INDEX, reinterpret_cast<DWORD_PTR>(keyword)))
            return;
    }
    std::wstring folder = PagesFolder();
    std::wstring page = PageForKeyword(folder, keyword);
    OpenPage(owner, folder + L"\\" + (page.empty() ? L"index.htm" : page));
}

void CloseHelp() { HtmlHelpW(nullptr, nullptr, HH_CLOSE_ALL, 0); }
