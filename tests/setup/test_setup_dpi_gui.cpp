// The installer's window at the display's scale: its controls, fonts and the
// progress it draws in design pixels scaled, and a change of scale taken.
#include "setup/setup.h"
#include "kit/dpi.h"
#include "kit/fonts.h"
#include "tests/support/dpi.h"
#include "tests/support/screenshot.h"
#include "tests/setup/setuptest.h"

namespace {

struct Placed {
    int id;
    int x, y, w, h;
    enum { Plain, Captioned, List } kind;   // a caption must fit; a list shows whole lines
    const char* what;
};
// The design's places while a directory is chosen: the frame grown round the lists.
const Placed kChoosing[] = {
    {kFrame, 110, 138, 440, 320, Placed::Plain, "frame"},
    {kDirLabel, 120, 148, 420, 22, Placed::Captioned, "directory label"},
    {kDirField, 120, 170, 420, 25, Placed::Plain, "directory field"},
    {kInstallButton, 120, 205, 100, 30, Placed::Captioned, "install button"},
    {kChangeDirButton, 230, 205, 200, 30, Placed::Captioned, "change directory button"},
    {kQuitButton, 440, 205, 100, 30, Placed::Captioned, "quit button"},
    {kDriveLabel, 120, 260, 150, 20, Placed::Captioned, "drive label"},
    {kDirListLabel, 280, 260, 260, 20, Placed::Captioned, "directory list label"},
    {kDriveList, 120, 280, 150, 100, Placed::List, "drive list"},
    {kDirList, 280, 280, 260, 180, Placed::List, "directory list"},
};

// A list box sits at the scaled rectangle but ends on its last whole line.
void ExpectScaledList(HWND list, int x, int y, int w, int h, int dpi, const char* what)
{
    RECT want = ScaleRect({x, y, x + w, y + h}, dpi), got = ChildRect(list);
    EXPECT_EQ(want.left, got.left) << what;
    EXPECT_EQ(want.top, got.top) << what;
    EXPECT_EQ(want.right, got.right) << what;
    LRESULT line = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    EXPECT_TRUE(got.bottom <= want.bottom && want.bottom - got.bottom <= line)
        << what << ": ends at " << got.bottom << " for " << want.bottom << ", lines of " << line;
}

class SetupDpi : public SetupWindowTest {
protected:
    void StartChoosing()
    {
        std::wstring medium = dir_ + L"\\medium";
        MakeMedium(medium, Narrow(dir_), "WbTest Word Book");
        Start(medium);
        if (!g_setupWindow)
            return;
        Command(kChangeDirButton, BN_CLICKED);
        PumpMessages();
        dpi_ = WindowDpi(g_setupWindow);
    }
    static void ExpectLaidOutAt(int dpi)
    {
        for (const Placed& p : kChoosing) {
            HWND control = SetupControl(p.id);
            if (p.kind == Placed::List)
                ExpectScaledList(control, p.x, p.y, p.w, p.h, dpi, p.what);
            else
                ExpectScaledRect(control, p.x, p.y, p.w, p.h, dpi, p.what);
            ExpectFontHeight(control, 9, dpi, p.what);
            if (p.kind == Placed::Captioned)
                ExpectTextFits(control, false, p.what);
        }
        LOGFONTW title{};
        GetObjectW(g_titleFont, sizeof title, &title);
        EXPECT_EQ(FontHeightForPoints(30, dpi), title.lfHeight);
        ExpectTextFitsIn(g_titleFont, L"Word Book Test", Scale(770, dpi), Scale(70, dpi), "title");
        // Full screen at any scale: the whole monitor.
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(g_setupWindow, MONITOR_DEFAULTTONEAREST), &monitor);
        RECT window{};
        GetWindowRect(g_setupWindow, &window);
        EXPECT_TRUE(EqualRect(&window, &monitor.rcMonitor));
    }
    int dpi_ = kDesignDpi;
};

TEST_F(SetupDpi, ChoosingADirectoryIsLaidOutAtEveryScale)
{
    StartChoosing();
    ASSERT_NE(nullptr, g_setupWindow);
    EXPECT_EQ(SystemDpi(), dpi_);
    ExpectLaidOutAt(dpi_);
    PumpMessages(100);
    SaveScreenshot(g_setupWindow, L"setup_dpi" + std::to_wstring(dpi_));
}

// What the progress bar shows at a point: design pixels, and a pixel off.
enum class Seen { White, Green, Background };
struct Probe {
    int x, dx, y, dy;
    Seen seen;
    const char* what;
};
// The first bar (design y 155..175, x 30..380) full at the end of the build.
const Probe kBar[] = {
    {30, 0, 165, 0, Seen::White, "left frame"},
    {30, -1, 165, 0, Seen::Background, "left of the bar"},
    {31, -1, 165, 0, Seen::White, "left frame's inner edge"},
    {31, 0, 165, 0, Seen::Green, "fill's left edge"},
    {380, -1, 165, 0, Seen::White, "right frame"},
    {380, 0, 165, 0, Seen::Background, "right of the bar"},
    {100, 0, 155, 0, Seen::White, "top frame"},
    {100, 0, 155, -1, Seen::Background, "above the bar"},
    {100, 0, 175, -1, Seen::White, "bottom frame"},
    {100, 0, 175, 0, Seen::Background, "below the bar"},
};
std::vector<COLORREF> g_barPixels;

void ReadBar()
{
    if (!g_setupWindow || !g_barPixels.empty())
        return;
    int dpi = WindowDpi(g_setupWindow);
    HDC dc = GetDC(g_setupWindow);
    for (const Probe& p : kBar)
        g_barPixels.push_back(GetPixel(dc, Scale(p.x, dpi) + p.dx, Scale(p.y, dpi) + p.dy));
    ReleaseDC(g_setupWindow, dc);
    SaveScreenshot(g_setupWindow, L"setup_progress_dpi" + std::to_wstring(dpi));
}

TEST_F(SetupDpi, ProgressIsDrawnAtTheScaleAtEveryScale)
{
    std::wstring medium = dir_ + L"\\medium";
    MakeMedium(medium, Narrow(dir_), "WbTest Word Book");
    Start(medium);
    ASSERT_NE(nullptr, g_setupWindow);
    PumpMessages(100);
    g_barPixels.clear();
    g_afterSetupBox = ReadBar;
    Command(kInstallButton, BN_CLICKED);
    ASSERT_EQ(1u, g_boxes.size());
    ASSERT_EQ(std::size(kBar), g_barPixels.size());
    for (size_t i = 0; i < g_barPixels.size(); ++i) {
        COLORREF c = g_barPixels[i];
        Seen seen = c == RGB(255, 255, 255) ? Seen::White : c == RGB(0, 128, 0) ? Seen::Green : Seen::Background;
        EXPECT_EQ(kBar[i].seen, seen) << kBar[i].what << ": colour " << std::hex << c;
    }
}

TEST_F(SetupDpi, AChangeOfScaleRelaysOutAndKeepsTheTypedDirectory)
{
    StartChoosing();
    ASSERT_NE(nullptr, g_setupWindow);
    HWND field = SetupControl(kDirField);
    const std::wstring typed = dir_ + L"\\typed here";
    SetWindowTextW(field, typed.c_str());
    SendMessageW(field, EM_SETSEL, 3, 9);
    SendMessageW(SetupControl(kDriveList), LB_SETCURSEL, 0, 0);
    LRESULT directory = SendMessageW(SetupControl(kDirList), LB_GETCOUNT, 0, 0) - 1;
    SendMessageW(SetupControl(kDirList), LB_SETCURSEL, static_cast<WPARAM>(directory), 0);

    int from = dpi_;
    for (int to : {192, 96, dpi_}) {
        SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to) + " dpi");
        SendDpiChange(g_setupWindow, from, to);
        PumpMessages();
        EXPECT_EQ(to, WindowDpi(g_setupWindow));
        ExpectLaidOutAt(to);
        EXPECT_EQ(typed, Text(field));
        DWORD start = 0, end = 0;
        SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(3u, start);
        EXPECT_EQ(9u, end);
        EXPECT_EQ(0, SendMessageW(SetupControl(kDriveList), LB_GETCURSEL, 0, 0));
        EXPECT_EQ(directory, SendMessageW(SetupControl(kDirList), LB_GETCURSEL, 0, 0));
        EXPECT_TRUE(Visible(kDirList));
        EXPECT_FALSE(IsWindowEnabled(SetupControl(kChangeDirButton)));
        from = to;
    }
}

}  // namespace
