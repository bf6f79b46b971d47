#include "shell/help.h"
#include "core/uistrings.h"
#include <htmlhelp.h>

static void HelpPath(wchar_t* path, DWORD size)
{
    // The viewer needs a full path; the help file lies in the installation directory.
    GetFullPathNameW(Str(Txt_FilenameHelp), size, path, nullptr);
}

void OpenHelpContents(HWND owner)
{
    wchar_t path[MAX_PATH];
    HelpPath(path, MAX_PATH);
    HtmlHelpW(owner, path, HH_DISPLAY_TOC, 0);
}

void OpenHelpKeyword(HWND owner, const wchar_t* keyword)
{
    wchar_t path[MAX_PATH];
    HelpPath(path, MAX_PATH);
    HH_AKLINK link{};
    link.cbStruct = sizeof link;
    link.pszKeywords = keyword;
    link.fIndexOnFail = TRUE;
    HtmlHelpW(owner, path, HH_DISPLAY_TOC, 0);
    HtmlHelpW(owner, path, HH_KEYWORD_LOOKUP, reinterpret_cast<DWORD_PTR>(&link));
}
