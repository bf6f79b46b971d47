#include "search/searchwindow.h"
#include "search/translate.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/session.h"
#include "kit/dpi.h"
#include "tests/support/dpi.h"
#include "tests/support/install.h"
#include "tests/support/programwindow.h"
#include "tests/support/screenshot.h"
#include "tests/support/searchwindows.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <algorithm>
#include <vector>

namespace {

// A child at its design rectangle.
struct Placed {
    int id;
    int x, y, w, h;
};

// The search window's children in the design, normal and minimal.
std::vector<Placed> SearchLayout(int rows, bool minimal)
{
    if (minimal)
        return {{IdSource, 5, 5, 215, 25},   {IdTranslation, 240, 5, 250, 25}, {IdScroll, 220, 5, 20, 23},
                {IdSearch, 20, 58, 215, 25}, {IdDone, 505, 58, 100, 28},     {IdStatus, 20, 84, 480, 19}};
    int below = 23 * rows + 35;
    std::vector<Placed> layout{{IdScroll, 235, 25, 20, 23 * rows}, {IdSearch, 20, below, 215, 25},
                               {IdDone, 505, below, 100, 28}, {IdStatus, 20, below + 26, 480, 19}};
    for (int i : {0, rows - 1}) {
        layout.push_back({IdSource + i, 20, 25 + 23 * i, 215, 25});
        layout.push_back({IdTranslation + i, 255, 25 + 23 * i, 350, 25});
    }
    return layout;
}

const std::vector<Placed> kTranslateLayout{
    {TranslateSource0, 20, 40, 215, 25},   {TranslateSource0 + 2, 20, 86, 215, 25},
    {TranslateTarget0, 255, 40, 350, 25},  {TranslateTarget0 + 2, 255, 86, 350, 25},
    {TranslateScroll, 235, 40, 20, 69},    {TranslateText, 20, 115, 586, 180},
    {TranslateSearch, 20, 300, 215, 25},   {TranslateHelp, 400, 300, 100, 30},
    {TranslateDone, 505, 300, 100, 30},    {TranslateStatus, 20, 331, 585, 20}};

// The children at their scaled design rectangles; the fields' fonts at the
// dpi, their words not cut top or bottom, no margins; the buttons' texts in
// the interface font, whole.
void ExpectLaidOut(HWND w, const std::vector<Placed>& layout, const std::vector<int>& fields,
                   const std::vector<int>& buttons, int dpi)
{
    for (const Placed& p : layout)
        ExpectScaledRect(GetDlgItem(w, p.id), p.x, p.y, p.w, p.h, dpi, ("child " + std::to_string(p.id)).c_str());
    for (int id : fields) {
        std::string what = "field " + std::to_string(id);
        HWND field = GetDlgItem(w, id);
        ExpectFontHeight(field, 11, dpi, what.c_str());
        RECT client;
        GetClientRect(field, &client);
        ExpectTextFitsIn(reinterpret_cast<HFONT>(SendMessageW(field, WM_GETFONT, 0, 0)), L"\u00c9g", client.right,
                         client.bottom, what.c_str());
        EXPECT_EQ(0, SendMessageW(field, EM_GETMARGINS, 0, 0)) << what;
    }
    for (int id : buttons) {
        std::string what = "button " + std::to_string(id);
        ExpectFontHeight(GetDlgItem(w, id), g_settings.guiFontSize, dpi, what.c_str());
        ExpectTextFits(GetDlgItem(w, id), false, what.c_str());
    }
}

int OtherDpi(int dpi) { return dpi == 192 ? 144 : 192; }

std::wstring TextOf(HWND control)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::pair<DWORD, DWORD> Selection(HWND field)
{
    DWORD start = 0, end = 0;
    SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

void Screenshot(HWND w, const std::wstring& name)
{
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages(200);
    SaveScreenshot(w, name + std::to_wstring(WindowDpi(w)));
}

class SearchWindowsDpi : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        WriteWordBook(L"books\\francais_english.wb", NumberedWords(40));
    }
    void TearDown() override
    {
        if (HWND search = FindWindowW(L"zoeken", nullptr))
            DestroyWindow(search);  // and with it the picker
        CloseProgram(FindWindowW(L"vertaal", nullptr));
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // The window's size: the design's width and height scaled, with the
    // system's caption and menu bar.
    static void ExpectDesignSize(HWND w, int width, int height, const char* what)
    {
        int dpi = WindowDpi(w);
        ExpectWindowSize(w, Scale(width, dpi), Scale(height, dpi) + g_captionHeight + g_menuHeight, what);
    }
};

TEST_F(SearchWindowsDpi, TheSearchWindowIsLaidOutAtEveryScale)
{
    struct Case {
        const char* what;
        int rows;
        int minimal;
        int width, height;  // the design's, without caption and menu bar
    };
    const Case cases[] = {{"ten rows", 10, 0, 630, 23 * 10 + 80}, {"one row", 1, 0, 630, 23 + 80},
                          {"minimal", 1, 1, 500, 23 + 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HWND w = OpenSearchWindow(c.rows, c.minimal);
        ASSERT_NE(nullptr, w);
        int dpi = WindowDpi(w);
        EXPECT_EQ(SystemDpi(), dpi);
        ExpectDesignSize(w, c.width, c.height, c.what);
        ExpectLaidOut(w, SearchLayout(c.rows, c.minimal), {IdSource, IdTranslation + c.rows - 1, IdSearch}, {IdDone},
                      dpi);
        for (const wchar_t* name : {CurrentPair()->sourceName, CurrentPair()->targetName})
            ExpectTextFitsIn(FontsFor(dpi).searchHeading, name, Scale(215, dpi), 0, "heading");
        if (c.rows == 10)
            Screenshot(w, L"searchwindow_dpi");
        DestroyWindow(w);
        PumpMessages();
    }
}

// Moved to a monitor of another scale and back: the window takes the
// rectangle offered, its rows, search field and button are placed and
// lettered for the new scale, and the typed texts, the rows shown and a
// shown picker stay.
TEST_F(SearchWindowsDpi, AChangeOfScaleKeepsTypedTextRowsAndPickerAtEveryScale)
{
    HWND w = OpenSearchWindow(10, 0);
    ASSERT_NE(nullptr, w);
    int dpi = WindowDpi(w);
    HWND search = GetDlgItem(w, IdSearch), row3 = GetDlgItem(w, IdTranslation + 3);
    for (wchar_t c : std::wstring(L"mot02"))
        SendMessageW(search, WM_CHAR, c, 1);
    SendMessageW(w, WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(GetDlgItem(w, IdScroll)));
    ASSERT_EQ(L"mot021", TextOf(GetDlgItem(w, IdSource)));
    SetWindowTextW(row3, L"typed, not yet stored");
    SendMessageW(row3, EM_SETSEL, 2, 7);
    SetFocus(row3);
    SendMessageW(w, WM_COMMAND, GetMenuItemID(GetSubMenu(GetMenu(w), 0), 0), 0);  // show the picker
    PumpMessages();
    int scrollPos = GetScrollPos(GetDlgItem(w, IdScroll), SB_CTL);

    for (int to : {OtherDpi(dpi), dpi}) {
        SCOPED_TRACE(to);
        SendDpiChange(w, WindowDpi(w), to);
        PumpMessages();
        EXPECT_EQ(to, WindowDpi(w));
        ExpectLaidOut(w, SearchLayout(10, false), {IdSource, IdTranslation + 3, IdSearch}, {IdDone}, to);
        EXPECT_EQ(L"mot02", TextOf(search));
        EXPECT_EQ(L"mot021", TextOf(GetDlgItem(w, IdSource)));
        EXPECT_EQ(L"word030", TextOf(GetDlgItem(w, IdTranslation + 9)));
        EXPECT_EQ(scrollPos, GetScrollPos(GetDlgItem(w, IdScroll), SB_CTL));
        EXPECT_EQ(L"typed, not yet stored", TextOf(row3));
        EXPECT_EQ(std::make_pair(2ul, 7ul), Selection(row3));
        EXPECT_EQ(row3, GetFocus());
        // The picker sits centred on the window's new top edge.
        HWND picker = FindWindowW(L"tekenset", nullptr);
        ASSERT_NE(nullptr, picker);
        RECT area, after;
        GetWindowRect(picker, &area);
        GetWindowRect(w, &after);
        if (area.left > 0) {
            EXPECT_NEAR((after.left + after.right) / 2, (area.left + area.right) / 2, 1);
        }
        EXPECT_EQ(std::max(0L, after.top - (area.bottom - area.top)), area.top);
    }
}

// The translate window at the screen's scale, and once moved to another:
// the loaded text keeps its place and selection, the search field its word.
TEST_F(SearchWindowsDpi, TheTranslateWindowIsLaidOutAndKeepsItsTextOnAChangeOfScale)
{
    HWND w = OpenFromMainWindow(CmdTranslate, L"vertaal");
    ASSERT_NE(nullptr, w);
    int dpi = WindowDpi(w);
    ExpectDesignSize(w, 630, 352, "translate");
    const std::vector<int> fields{TranslateSource0, TranslateTarget0 + 2, TranslateSearch};
    ExpectLaidOut(w, kTranslateLayout, fields, {TranslateHelp, TranslateDone}, dpi);
    ExpectFontHeight(GetDlgItem(w, TranslateText), 11, dpi, "text");
    for (const wchar_t* name : {CurrentPair()->sourceName, CurrentPair()->targetName})
        ExpectTextFitsIn(FontsFor(dpi).translateHeading, name, Scale(215, dpi), 0, "heading");

    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "ligne " + std::to_string(i) + " mot0" + std::to_string(i % 40) + "\r\n";
    WriteBytes(L"text.txt", text);
    ASSERT_TRUE(LoadTranslateText(L"text.txt"));
    HWND textField = GetDlgItem(w, TranslateText);
    SendMessageW(textField, EM_SETSEL, 3, 9);
    SendMessageW(textField, EM_LINESCROLL, 0, 30);
    int firstLine = static_cast<int>(SendMessageW(textField, EM_GETFIRSTVISIBLELINE, 0, 0));
    ASSERT_GT(firstLine, 0);
    SetWindowTextW(GetDlgItem(w, TranslateSearch), L"mot03");
    std::wstring loaded = TextOf(textField);
    Screenshot(w, L"translate_dpi");

    SendDpiChange(w, dpi, OtherDpi(dpi));
    PumpMessages();
    int to = OtherDpi(dpi);
    ExpectLaidOut(w, kTranslateLayout, fields, {TranslateHelp, TranslateDone}, to);
    ExpectFontHeight(textField, 11, to, "text");
    EXPECT_EQ(loaded, TextOf(textField));
    EXPECT_EQ(firstLine, SendMessageW(textField, EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_EQ(std::make_pair(3ul, 9ul), Selection(textField));
    EXPECT_EQ(L"mot03", TextOf(GetDlgItem(w, TranslateSearch)));
    EXPECT_EQ(L"mot030", TextOf(GetDlgItem(w, TranslateSource0)));
}

}  // namespace
