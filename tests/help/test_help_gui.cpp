// The compiled help files open in the system's HTML Help viewer, and every
// keyword that a Help button asks for is in the index of its language and
// leads to a page that exists.
#include "tests/support/testutil.h"
#include <htmlhelp.h>
#include "shell/help.h"
#include <cctype>
#include <vector>

namespace {

struct HelpSet {
    std::wstring file;  // value of FilenameHelp
    std::vector<std::wstring> keywords;  // values of AddHelpkey and TranslateHelpkey
};

// The values the strings files are to carry.
std::vector<HelpSet> BuiltInSets()
{
    return {
        {L"wordbook.chm", {L"Adding words", L"Translating a text"}},
        {L"woordenboek.chm", {L"Woorden toevoegen", L"Tekst vertalen"}},
    };
}

std::wstring FromCodePage1252(const std::string& s)
{
    std::wstring w(s.size(), L'\0');
    int n = MultiByteToWideChar(1252, 0, s.data(), (int)s.size(), w.data(), (int)w.size());
    w.resize(n > 0 ? n : 0);
    return w;
}

// The same entries as the strings sources give them, where those exist, so
// that a strings file and the help can't drift apart unnoticed.
std::vector<HelpSet> SetsFromStringsSources()
{
    std::vector<HelpSet> sets;
    WIN32_FIND_DATAW fd;
    std::wstring dir = SourcePath(L"data\\strings\\");
    HANDLE h = FindFirstFileW((dir + L"*.txt").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return sets;
    do {
        std::string text = ReadBytes(dir + fd.cFileName);
        HelpSet set;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(start, end - start);
            start = end + 1;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            size_t eq = line.find('=');
            if (eq == std::string::npos)
                continue;
            std::string key = line.substr(0, eq);
            for (char& c : key)
                c = (char)tolower((unsigned char)c);
            std::wstring value = FromCodePage1252(line.substr(eq + 1));
            if (key == "filenamehelp" && set.file.empty())
                set.file = value;
            else if (key == "addhelpkey" || key == "translatehelpkey")
                set.keywords.push_back(value);
        }
        if (!set.file.empty())
            sets.push_back(set);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return sets;
}

std::wstring HelpPath(const std::wstring& file) { return BuildPath(L"help\\" + file); }

std::wstring Stem(const std::wstring& file) { return file.substr(0, file.rfind(L'.')); }

void Pump(DWORD ms)
{
    DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while ((LONG)(GetTickCount() - end) < 0);
}

HWND VisibleHelpWindow()
{
    for (int i = 0; i < 300; ++i) {
        HWND w = FindWindowW(L"HH Parent", nullptr);
        if (w && IsWindowVisible(w))
            return w;
        Pump(10);
    }
    return nullptr;
}

bool HelpWindowGone()
{
    HtmlHelpW(nullptr, nullptr, HH_CLOSE_ALL, 0);
    for (int i = 0; i < 300; ++i) {
        if (!FindWindowW(L"HH Parent", nullptr))
            return true;
        Pump(10);
    }
    return false;
}

// The keyword route the program takes: the topic when the viewer can look
// keywords up, else the index (which this viewer may be the one lacking).
HWND OpenAtKeyword(const std::wstring& chm, const std::wstring& keyword)
{
    HtmlHelpW(nullptr, chm.c_str(), HH_DISPLAY_TOPIC, 0);
    HH_AKLINK link = {};
    link.cbStruct = sizeof link;
    link.pszKeywords = keyword.c_str();
    link.fIndexOnFail = TRUE;
    HWND w = HtmlHelpW(nullptr, chm.c_str(), HH_KEYWORD_LOOKUP, (DWORD_PTR)&link);
    if (!w)
        w = HtmlHelpW(nullptr, chm.c_str(), HH_DISPLAY_INDEX, (DWORD_PTR)keyword.c_str());
    return w;
}

// Page that the index (.hhk text) gives for a keyword; empty when it has none.
std::string IndexTopic(const std::string& hhk, const std::string& keyword)
{
    size_t at = hhk.find("<param name=\"Name\" value=\"" + keyword + "\">");
    if (at == std::string::npos)
        return {};
    size_t close = hhk.find("</OBJECT>", at);
    const std::string local = "<param name=\"Local\" value=\"";
    size_t l = hhk.find(local, at);
    if (l == std::string::npos || l > close)
        return {};
    l += local.size();
    return hhk.substr(l, hhk.find('"', l) - l);
}

}  // namespace

// Each opening and closing of a viewer window costs Wine about two seconds
// without a window manager, so one window per language serves all its calls.
TEST(Help, EachLanguageOpensAtItsContentsAndAtEveryHelpButtonKeyword)
{
    for (const HelpSet& set : BuiltInSets()) {
        SCOPED_TRACE(Narrow(set.file));
        std::wstring chm = HelpPath(set.file);
        HWND w = HtmlHelpW(nullptr, chm.c_str(), HH_DISPLAY_TOC, 0);
        ASSERT_NE(nullptr, w);
        EXPECT_EQ(w, VisibleHelpWindow());
        wchar_t title[128] = {};
        GetWindowTextW(w, title, 128);
        EXPECT_NE(L'\0', title[0]);  // the help file's own title
        for (const std::wstring& keyword : set.keywords) {
            EXPECT_NE(nullptr, OpenAtKeyword(chm, keyword)) << Narrow(keyword);
            EXPECT_NE(nullptr, VisibleHelpWindow());
        }
        EXPECT_TRUE(HelpWindowGone());
    }
    // A help file that isn't there opens nothing, so the caller can fall back.
    EXPECT_EQ(nullptr, HtmlHelpW(nullptr, HelpPath(L"missing.chm").c_str(), HH_DISPLAY_TOC, 0));
    EXPECT_EQ(nullptr, FindWindowW(L"HH Parent", nullptr));
}

TEST(Help, EveryHelpButtonKeywordIsIndexedWithAPage)
{
    std::vector<HelpSet> sets = BuiltInSets();
    for (const HelpSet& set : SetsFromStringsSources())
        sets.push_back(set);
    for (const HelpSet& set : sets) {
        SCOPED_TRACE(Narrow(set.file));
        ASSERT_TRUE(FileExists(HelpPath(set.file)));
        // The plain pages beside it, for a viewer that can't show HTML.
        std::wstring pages = HelpPath(Stem(set.file) + L"\\");
        EXPECT_TRUE(FileExists(pages + L"index.htm"));
        std::string hhk = ReadBytes(pages + Stem(set.file) + L".hhk");
        ASSERT_FALSE(hhk.empty());
        for (const std::wstring& keyword : set.keywords) {
            std::string topic = IndexTopic(hhk, Narrow(keyword));
            EXPECT_FALSE(topic.empty()) << Narrow(keyword) << " is not in the index";
            EXPECT_TRUE(topic.empty() || FileExists(pages + Widen(topic))) << topic;
        }
    }
}

// The fallback route's own index lookup, for viewers that can't look keywords up.
TEST(Help, TheIndexLookupFindsEachKeywordsOwnPageAtAnyLength)
{
    auto entry = [](const std::string& name, const std::string& page) {
        std::string e = "  <LI> <OBJECT type=\"text/sitemap\">\n      <param name=\"Name\" value=\"" + name + "\">\n";
        if (!page.empty())
            e += "      <param name=\"Local\" value=\"" + page + "\">\n";
        return e + "      </OBJECT>\n";
    };
    const std::string longName(300, 'k');
    const std::string hhk = "<UL>\n" + entry("Woorden toevoegen", "add.htm") + entry(longName.substr(0, 255), "cut.htm") +
                            entry(longName, "long.htm") + entry("Zonder pagina", "") + entry("Overzicht", "\xfc" "ber.htm") +
                            entry("?", "question.htm") + "</UL>\n";
    EXPECT_EQ(L"add.htm", PageForKeyword(hhk, L"Woorden toevoegen"));
    EXPECT_EQ(L"", PageForKeyword(hhk, L"Woorden"));
    // Longer than any fixed buffer: neither cut nor left unterminated.
    EXPECT_EQ(L"long.htm", PageForKeyword(hhk, Widen(longName).c_str()));
    EXPECT_EQ(L"", PageForKeyword(hhk, Widen(longName + "kkkk").c_str()));
    EXPECT_EQ(L"", PageForKeyword(hhk, Widen(std::string(5000, 'k')).c_str()));
    // No page of its own: not the next entry's.
    EXPECT_EQ(L"", PageForKeyword(hhk, L"Zonder pagina"));
    EXPECT_EQ(L"\u00fcber.htm", PageForKeyword(hhk, L"Overzicht"));
    EXPECT_EQ(L"question.htm", PageForKeyword(hhk, L"?"));
    EXPECT_EQ(L"", PageForKeyword(hhk, L"\u0416"));  // not in the index's code page
    EXPECT_EQ(L"", PageForKeyword("<param name=\"Name\" value=\"open\"><param name=\"Local\" value=\"x.htm", L"open"));
}
