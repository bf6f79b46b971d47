#include "shell/help.h"
#include "core/fileutil.h"
#include "core/codepage.h"
#include "core/dllsearch.h"
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
        HMODULE engine = LoadSystemLibrary(L"mshtml.dll");
        have = engine != nullptr;
        if (engine)
            FreeLibrary(engine);
    }
    return have == 1;
}

// A path too long for the viewer's buffer stays relative rather than cut.
static std::wstring ViewerPath(const std::wstring& relative)
{
    std::wstring full = FullPath(relative);
    return !full.empty() && full.size() < MAX_PATH ? full : relative;
}

// help\<file stem>\: the pages of the help file, for a browser.
static std::wstring PagesFolder()
{
    std::wstring file = Str(Txt_FilenameHelp);
    size_t dot = file.rfind(L'.');
    return ViewerPath(L"help\\" + file.substr(0, dot));
}

std::wstring PageForKeyword(const std::string& hhk, const wchar_t* keyword)
{
    // Characters the index can't hold would come out as '?' and match the wrong entry.
    if (!FitsCodePage(keyword, 1252))
        return L"";
    size_t at = hhk.find("value=\"" + NarrowText(keyword, 1252) + "\"");
    if (at == std::string::npos)
        return L"";
    // The entry's own page: one without a page must not take the next one's.
    size_t close = hhk.find("</OBJECT>", at);
    const std::string local = "name=\"Local\" value=\"";
    at = hhk.find(local, at);
    if (at == std::string::npos || at > close)
        return L"";
    at += local.size();
    size_t end = hhk.find('"', at);
    if (end == std::string::npos)
        return L"";
    return WidenText(hhk.substr(at, end - at), 1252);
}

static std::string ReadIndex(const std::wstring& folder)
{
    std::wstring file = Str(Txt_FilenameHelp);
    std::ifstream index((folder + L"\\" + file.substr(0, file.rfind(L'.')) + L".hhk").c_str(), std::ios::binary);
    std::stringstream text;
    text << index.rdbuf();
    return text.str();
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
    if (HaveHtmlEngine() && HtmlHelpW(owner, ViewerPath(Str(Txt_FilenameHelp)).c_str(), HH_DISPLAY_TOC, 0))
        return;
    OpenPage(owner, PagesFolder() + L"\\index.htm");
}

void OpenHelpKeyword(HWND owner, const wchar_t* keyword)
{
    std::wstring file = ViewerPath(Str(Txt_FilenameHelp));
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
    std::wstring page = PageForKeyword(ReadIndex(folder), keyword);
    OpenPage(owner, folder + L"\\" + (page.empty() ? L"index.htm" : page));
}

// Without the viewer loaded no help window is open: nothing to close, and no
// viewer to load on the way out.
void CloseHelp()
{
    if (GetModuleHandleW(L"hhctrl.ocx"))
        HtmlHelpW(nullptr, nullptr, HH_CLOSE_ALL, 0);
}
