#include "entry/addwords.h"
#include "entry/importwindow.h"
#include "entry/picker.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "tests/support/dpi.h"
#include "tests/support/filedialog.h"
#include "tests/support/install.h"
#include "tests/support/programwindow.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <commctrl.h>
#include <algorithm>

namespace {

std::wstring Text(HWND hwnd)
{
    wchar_t text[256] = L"";
    GetWindowTextW(hwnd, text, 256);
    return text;
}

class EntryDpi : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
    }
    void TearDown() override
    {
        CloseProgram(w_);
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    void Open(int command, const wchar_t* cls)
    {
        CloseProgram(w_);
        w_ = OpenFromMainWindow(command, cls);
        ASSERT_NE(nullptr, w_);
        dpi_ = WindowDpi(w_);
        other_ = dpi_ == 192 ? 144 : 192;
    }
    HWND w_ = nullptr;
    int dpi_ = 0, other_ = 0;
    MessageCapture capture_;
};

// At the screen's scale, after a change of scale and back: the design scaled,
// and what was typed and selected still there.
TEST_F(EntryDpi, AddAndNewBookWindowsFollowTheScaleAtEveryScale)
{
    struct Case {
        int command;
        const wchar_t* cls;
        int width, height;  // design pixels, besides the caption and menu bar of the add window
        std::vector<DesignChild> children;
        int field;
        bool noMargins;
        const wchar_t* shot;
    } cases[] = {
        {CmdAdd, L"toevoeg", 630, 205,
         {{510, 150, 100, 30, 0, "Done"}, {400, 150, 100, 30, 0, "Help"},
          {15, 35, 595, 35, 17, "word field"}, {15, 105, 595, 35, 17, "translation field"}},
         AddIdWord, true, L"addwords_dpi"},
        {CmdNewBook, L"createnew", 265, 220,
         {{20, 10, 200, 15, 0, "name label"}, {20, 25, 220, 25, 0, "name field"},
          {20, 60, 300, 15, 0, "locale label"}, {20, 75, 220, 0, 0, "locales"},
          {20, 110, 300, 15, 0, "character-set label"}, {20, 125, 220, 0, 0, "character sets"},
          {20, 160, 80, 25, 0, "Create"}, {160, 160, 80, 25, 0, "Cancel"}},
         30, false, L"newbook_dpi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.cls));
        ASSERT_NO_FATAL_FAILURE(Open(c.command, c.cls));
        int frame = c.command == CmdAdd ? g_captionHeight + g_menuHeight : 0;
        ExpectWindowSize(w_, Scale(c.width, dpi_), Scale(c.height, dpi_) + frame, "window");
        PumpMessages(100);
        SaveScreenshot(w_, c.shot + std::to_wstring(dpi_));
        HWND field = GetDlgItem(w_, c.field);
        SetWindowTextW(field, L"mywords");
        SendMessageW(field, EM_SETSEL, 2, 6);
        for (int dpi : {dpi_, other_, dpi_}) {
            SCOPED_TRACE(dpi);
            if (dpi != WindowDpi(w_))
                SendDpiChange(w_, WindowDpi(w_), dpi);
            ExpectLaidOut(w_, c.children, dpi);
            EXPECT_EQ(L"mywords", Text(field));
            DWORD from = 0, to = 0;
            SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
            EXPECT_EQ(2u, from);
            EXPECT_EQ(6u, to);
            if (c.noMargins) {
                EXPECT_EQ(0, SendMessageW(field, EM_GETMARGINS, 0, 0));
            }
        }
    }
}

// The import preview: the design scaled, its texts fitting, after a change of scale too.
TEST_F(EntryDpi, ImportPreviewFollowsTheScaleAtEveryScale)
{
    WriteBytes(L"words.tsv", "chat\tcat\n\tnothing\n");
    EXPECT_TRUE(AnswerFileDialog([this] { Open(CmdImport, L"importpreview"); }, dir_ + L"\\words.tsv"));
    ASSERT_NE(nullptr, w_);
    ExpectWindowSize(w_, Scale(600, dpi_), Scale(385, dpi_) + MulDiv(g_captionHeight, dpi_, SystemDpi()), "window");
    PumpMessages(100);
    SaveScreenshot(w_, L"import_dpi" + std::to_wstring(dpi_));
    const std::vector<DesignChild> children = {
        {15, 10, 570, 20, 0, "file"},           {15, 42, 110, 20, 0, "format label"},
        {130, 38, 210, 0, 0, "format"},         {355, 38, 230, 25, 0, "header"},
        {15, 77, 110, 20, 0, "word label"},     {130, 73, 210, 0, 0, "word"},
        {355, 77, 90, 20, 0, "translation label"}, {445, 73, 140, 0, 0, "translation"},
        {15, 108, 570, 55, 0, "summary"},       {15, 165, 570, 20, 0, "refused label"},
        {15, 185, 570, 150, 0, "refused"},      {15, 345, 180, 28, 0, "save refused"},
        {385, 345, 95, 28, 0, "import"},        {490, 345, 95, 28, 0, "cancel"}};
    for (int dpi : {dpi_, other_, dpi_}) {
        SCOPED_TRACE(dpi);
        if (dpi != WindowDpi(w_))
            SendDpiChange(w_, WindowDpi(w_), dpi);
        ExpectLaidOut(w_, children, dpi);
    }
}

// The texts the add window paints fit their boxes in the scaled fonts.
TEST_F(EntryDpi, AddWindowTextsFitAtEveryScale)
{
    ASSERT_NO_FATAL_FAILURE(Open(CmdAdd, L"toevoeg"));
    const Fonts& fonts = FontsFor(dpi_);
    ExpectTextFitsIn(fonts.gui, Str(Txt_AddConfirm), Scale(385, dpi_), Scale(44, dpi_), "instruction");
    ExpectTextFitsIn(fonts.gui, std::wstring(Str(Txt_AddNewentries)) + L" : 999", Scale(385, dpi_), Scale(20, dpi_),
                     "counter");
    ExpectTextFitsIn(fonts.heading, L"francais", Scale(605, dpi_), Scale(34, dpi_), "heading");
}

// Each column as wide as its widest text in the list's font and the scaled
// margin; the images at the scaled size; the selection kept.
TEST_F(EntryDpi, InfoColumnsAreMeasuredInTheScaledFontAtEveryScale)
{
    ASSERT_NO_FATAL_FAILURE(Open(CmdInfo, L"info"));
    HWND list = GetDlgItem(w_, 1);
    ExpectWindowSize(w_, Scale(450, dpi_), Scale(300, dpi_), "window");
    PumpMessages(100);
    SaveScreenshot(w_, L"info_dpi" + std::to_wstring(dpi_));
    ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
    for (int dpi : {dpi_, other_, dpi_}) {
        SCOPED_TRACE(dpi);
        if (dpi != WindowDpi(w_))
            SendDpiChange(w_, WindowDpi(w_), dpi);
        ExpectFontHeight(list, g_settings.guiFontSize, dpi, "list");
        int cx = 0, cy = 0;
        ImageList_GetIconSize(ListView_GetImageList(list, LVSIL_SMALL), &cx, &cy);
        EXPECT_EQ(Scale(16, dpi), cx);
        EXPECT_EQ(Scale(16, dpi), cy);
        for (int c = 0; c < 4; ++c) {
            wchar_t text[256] = L"";
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT;
            column.pszText = text;
            column.cchTextMax = 256;
            ListView_GetColumn(list, c, &column);
            int widest = ListView_GetStringWidth(list, text);
            for (int r = 0; r < ListView_GetItemCount(list); ++r) {
                ListView_GetItemText(list, r, c, text, 256);
                widest = std::max(widest, ListView_GetStringWidth(list, text));
            }
            EXPECT_EQ(widest + Scale(40, dpi), ListView_GetColumnWidth(list, c)) << "column " << c;
        }
        EXPECT_EQ(2, ListView_GetNextItem(list, -1, LVNI_SELECTED));
    }
}

// The picker above the add window, and again after a change of scale: window,
// buttons and font scaled, every character readable, as much of the second
// row and last column seen as at 96 dpi (where the caption bar is of the
// window's scale: Wine keeps the screen's).
TEST_F(EntryDpi, PickerIsTheDesignScaledAtEveryScale)
{
    MakeDir(L"charset");
    // 6 buttons a row: 119 pixels wide, an odd width, which the system's
    // suggestion for a change of scale rounds otherwise.
    WriteBytes(L"charset\\francais.chs", "\xE0\xE8\xEC\xF2\xF9\xE9\xEA\xEB\xE7\xE2\xF4\n");
    ASSERT_NO_FATAL_FAILURE(Open(CmdAdd, L"toevoeg"));
    SendMessageW(w_, WM_COMMAND, AddIdPickerShow, 0);
    HWND picker = g_picker.window;
    ASSERT_NE(nullptr, picker);
    RECT owner, rc;
    GetWindowRect(w_, &owner);
    GetWindowRect(picker, &rc);
    EXPECT_EQ(std::max(0L, owner.left + (owner.right - owner.left - Scale(119, dpi_)) / 2), rc.left);
    EXPECT_EQ(std::max(0L, owner.top - Scale(70, dpi_)), rc.top);
    std::vector<DesignChild> buttons;
    for (int i = 0; i < 12; ++i)
        buttons.push_back({i % 6 * 19, i / 6 * 23, 19, 23, 11, "button"});
    for (int dpi : {dpi_, other_, dpi_}) {
        SCOPED_TRACE(dpi);
        if (dpi != WindowDpi(picker))
            SendDpiChange(picker, WindowDpi(picker), dpi);
        ExpectWindowSize(picker, Scale(119, dpi), Scale(70, dpi), "picker");
        ExpectLaidOut(picker, buttons, dpi);
        RECT client;
        GetClientRect(picker, &client);
        if (dpi == SystemDpi()) {
            EXPECT_LE(Scale(45, dpi), client.bottom);
            EXPECT_LE(Scale(113, dpi), client.right);
        }
    }
    PumpMessages(100);
    SaveScreenshot(picker, L"picker_dpi" + std::to_wstring(dpi_));
}

}  // namespace
