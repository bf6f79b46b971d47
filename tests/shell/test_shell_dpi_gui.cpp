#include "shell/about.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "shell/resource.h"
#include "shell/sortwindow.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/kit.h"
#include "tests/support/dpi.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <vfw.h>

namespace {

class ShellDpi : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        for (const wchar_t* art : {L"logo-144.bmp", L"logo-192.bmp", L"dict.avi", L"dict-144.avi", L"dict-192.avi"})
            CopyFileW(BuildPath(std::wstring(L"assets/") + art).c_str(), art, FALSE);
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(""));
        // Wholly on the screen, where its pixels can be read.
        SetWindowPos(g_mainWindow, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ShowWindow(g_mainWindow, SW_SHOW);
        PumpMessages();
        dpi_ = WindowDpi(g_mainWindow);
    }
    void TearDown() override
    {
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    int dpi_ = 0;
};

// The scale a window is moved to and back from.
int OtherDpi(int dpi) { return dpi == 192 ? 144 : 192; }

// The box around an area's pixels that differ from its last column on their
// row (the background: the main window's shading runs down).
RECT DrawnBox(HDC dc, RECT area)
{
    RECT box{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right - 1; ++x)
            if (GetPixel(dc, x, y) != GetPixel(dc, area.right - 1, y))
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                       std::max<LONG>(box.bottom, y + 1)};
    return box;
}

// The main window shows a picture (w x h, drawn by draw over a background)
// where the design puts it (x, y), scaled: to within a design pixel, as art
// drawn for a scale rounds its own edges.
template <typename Draw> void ExpectDrawnScaled(int x, int y, int w, int h, COLORREF background, Draw draw, int dpi)
{
    WindowDc screen(nullptr), window(g_mainWindow);
    MemoryDc mem(screen.dc);
    GdiObject canvas(CreateCompatibleBitmap(screen.dc, w + 1, h)), brush(CreateSolidBrush(background));
    Selected selected(mem.dc, canvas.handle);
    RECT all{0, 0, w + 1, h};
    FillRect(mem.dc, &all, static_cast<HBRUSH>(brush.handle));
    draw(mem.dc);
    RECT d = DrawnBox(mem.dc, all), want = ScaleRect({x + d.left, y + d.top, x + d.right, y + d.bottom}, dpi);
    RECT got = DrawnBox(window.dc, ScaleRect({x - 10, y - 5, x + w + 10, y + h + 5}, dpi));
    for (auto [a, b] :
         {std::pair{want.left, got.left}, {want.top, got.top}, {want.right, got.right}, {want.bottom, got.bottom}})
        EXPECT_NEAR(a, b, Scale(1, dpi)) << w << " x " << h;
}

void ExpectMainWindowAt(int dpi)
{
    for (auto [id, x] : {std::pair{CmdAdd, 10}, {CmdMakeList, 150}, {CmdPractise, 290}, {CmdSearch, 430}}) {
        ExpectScaledRect(GetDlgItem(g_mainWindow, id), x, 280, 120, 30, dpi, "button");
        ExpectFontHeight(GetDlgItem(g_mainWindow, id), g_settings.guiFontSize, dpi, "button");
        ExpectTextFits(GetDlgItem(g_mainWindow, id), true, "button");
    }
    for (const wchar_t* name : {CurrentPair()->sourceName, CurrentPair()->targetName})
        ExpectTextFitsIn(FontsFor(dpi).language, name, Scale(420, dpi), 0, "language");
    UpdateWindow(g_mainWindow);
    // The logo (its top-left colour is the transparent one) and the flag.
    GdiObject logo(LoadImageW(nullptr, L"logo.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    BITMAP bm{};
    GetObjectW(logo.handle, sizeof bm, &bm);
    WindowDc screen(nullptr);
    MemoryDc src(screen.dc);
    Selected selected(src.dc, logo.handle);
    ExpectDrawnScaled((565 - bm.bmWidth) / 2, (96 - bm.bmHeight) / 2, bm.bmWidth, bm.bmHeight, GetPixel(src.dc, 0, 0),
                      [&](HDC dc) { BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, src.dc, 0, 0, SRCCOPY); }, dpi);
    std::wstring file = L"icons\\" + std::wstring(PairSourceIcon(CurrentPair()));
    HICON flag = static_cast<HICON>(LoadImageW(nullptr, file.c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE));
    ExpectDrawnScaled(60, 107, 32, 32, RGB(255, 255, 255),
                      [&](HDC dc) { DrawIconEx(dc, 0, 0, flag, 32, 32, 0, nullptr, DI_NORMAL); }, dpi);
    DestroyIcon(flag);
}

TEST_F(ShellDpi, MainWindowIsLaidOutAndDrawnForItsScaleAtEveryScale)
{
    RECT rc;
    GetWindowRect(g_mainWindow, &rc);
    EXPECT_EQ(Scale(565, dpi_), rc.right - rc.left);
    EXPECT_EQ(Scale(332, dpi_) + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU), rc.bottom - rc.top);
    ExpectMainWindowAt(dpi_);
    SaveScreenshot(g_mainWindow, L"mainwindow_dpi" + std::to_wstring(dpi_));
    // A click beside the scaled flag does nothing, one on it reverses the pair.
    SendMessageW(g_mainWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Scale(93, dpi_), Scale(120, dpi_)));
    EXPECT_STREQ(L"francais", CurrentPair()->sourceName);
    SendMessageW(g_mainWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(Scale(90, dpi_), Scale(137, dpi_)));
    EXPECT_STREQ(L"english", CurrentPair()->sourceName);
    // Moved to another scale and back: the suggested size, laid out and drawn anew, the pair kept.
    for (int dpi : {OtherDpi(dpi_), dpi_}) {
        SCOPED_TRACE(dpi);
        int from = WindowDpi(g_mainWindow);
        GetWindowRect(g_mainWindow, &rc);
        SendDpiChange(g_mainWindow, from, dpi);
        EXPECT_EQ(dpi, WindowDpi(g_mainWindow));
        RECT taken;
        GetWindowRect(g_mainWindow, &taken);
        EXPECT_EQ(MulDiv(rc.bottom - rc.top, dpi, from), taken.bottom - taken.top);
        ExpectMainWindowAt(dpi);
        EXPECT_STREQ(L"english", CurrentPair()->sourceName);
        EXPECT_EQ(CmdFirstPair + 2, MarkedPairItem());
    }
}

void ExpectAboutBoxAt(HWND box, int dpi)
{
    for (int id : {IDOK, IDC_ABOUT_VERSION, IDC_ABOUT_COPYRIGHT, IDC_ABOUT_WEBSITE, IDC_ABOUT_EMAIL}) {
        ExpectFontHeight(GetDlgItem(box, id), g_settings.guiFontSize, dpi, "about");
        // Labels whole, descenders too.
        ExpectTextFits(GetDlgItem(box, id), id != IDOK, "about");
    }
    // The film drawn for the scale, not stretched, where the design's is, in
    // its frame as in the design (over the frame's bottom line by 2 pixels).
    HWND film = FindWindowExW(box, nullptr, L"MCIWndClass", nullptr);
    wchar_t file[MAX_PATH] = L"";
    MCIWndGetFileName(film, file, MAX_PATH);
    std::wstring name = dpi == 96 ? L"\\dict.avi" : L"\\dict-" + std::to_wstring(dpi) + L".avi";
    EXPECT_EQ(name, std::wstring(file).substr(wcslen(file) - std::min(wcslen(file), name.size())));
    RECT source{}, shown{}, at = ChildRect(film), frame = ChildRect(GetWindow(GetDlgItem(box, IDOK), GW_HWNDNEXT));
    MCIWndGetSource(film, &source);
    GetClientRect(film, &shown);
    EXPECT_TRUE(EqualRect(&source, &shown));
    EXPECT_NEAR(Scale(10, dpi), at.left, 1);
    EXPECT_NEAR(Scale(11, dpi), at.top, 1);
    EXPECT_TRUE(at.left > frame.left && at.top > frame.top && at.right < frame.right);
    EXPECT_LE(at.bottom - frame.bottom, Scale(2, dpi));
}

bool g_aboutChecked;

void CALLBACK CheckAboutBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = FindWindowW(L"#32770", Str(Txt_AboutDialogCaption));
    if (!box)
        return;
    KillTimer(nullptr, timer);
    int dpi = WindowDpi(box), other = OtherDpi(dpi);
    ExpectAboutBoxAt(box, dpi);
    PumpMessages(1500);
    SaveScreenshot(box, L"about_dpi" + std::to_wstring(dpi));
    // The controls scale with the box and come back to their places.
    RECT ok = ChildRect(GetDlgItem(box, IDOK));
    SendDpiChange(box, dpi, other);
    ExpectAboutBoxAt(box, other);
    EXPECT_NEAR(MulDiv(ok.right, other, dpi), ChildRect(GetDlgItem(box, IDOK)).right, 1);
    EXPECT_NEAR(MulDiv(ok.bottom, other, dpi), ChildRect(GetDlgItem(box, IDOK)).bottom, 1);
    SendDpiChange(box, other, dpi);
    ExpectAboutBoxAt(box, dpi);
    RECT back = ChildRect(GetDlgItem(box, IDOK));
    EXPECT_TRUE(EqualRect(&ok, &back));
    g_aboutChecked = true;
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(ShellDpi, AboutBoxScalesItsTextsAndTakesTheFilmDrawnForItsScaleAtEveryScale)
{
    g_aboutChecked = false;
    SetTimer(nullptr, 0, 100, CheckAboutBox);
    ShowAboutBox(g_mainWindow);
    EXPECT_TRUE(g_aboutChecked);
}

int g_progressDrawn;

void CheckProgressWindow(HWND progress)
{
    if (g_progressDrawn++)
        return;
    int dpi = WindowDpi(progress);
    RECT rc, client;
    GetWindowRect(progress, &rc);
    GetClientRect(progress, &client);
    EXPECT_EQ(Scale(350, dpi), rc.right - rc.left);
    EXPECT_EQ(Scale(120, dpi), rc.bottom - rc.top);
    ExpectTextFitsIn(FontsFor(dpi).gui, Str(Txt_SortBusy), client.right, client.bottom - Scale(25, dpi), "busy");
    ExpectTextFitsIn(FontsFor(dpi).gui, Str(Txt_Sorting) + std::wstring(L" 1000000"), Scale(160, dpi), 0, "count");
    SendDpiChange(progress, dpi, OtherDpi(dpi));
    EXPECT_EQ(OtherDpi(dpi), WindowDpi(progress));
}

TEST_F(ShellDpi, SortProgressWindowIsSizedForItsScale)
{
    g_progressDrawn = 0;
    g_sortProgressDrawn = CheckProgressWindow;
    EXPECT_EQ(0, SortCurrentWordBook());
    g_sortProgressDrawn = nullptr;
    EXPECT_GT(g_progressDrawn, 0);
}

}  // namespace
