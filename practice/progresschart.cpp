#include "practice/progresschart.h"
#include "shell/app.h"
#include "shell/help.h"
#include "shell/mainwindow.h"
#include "core/listdirs.h"
#include "core/report.h"
#include "core/review.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "kit/dpi.h"
#include "kit/kit.h"
#include <strsafe.h>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

static const int kClientWidth = 640;
static const int kClientHeight = 440;
static const int kMinClientWidth = 420;
static const int kMinClientHeight = 320;
static const int kMargin = 15;
static const int kButtonWidth = 100;
static const int kButtonHeight = 30;
static const int kAxisLabelWidth = 44;  // room left of the plot for the tick values
static const COLORREF kGridColour = RGB(160, 160, 160);

// A finished run as plotted: errors and skips as percentages of the words asked.
struct PlottedRun {
    long long seconds;  // since 2000-01-01
    bool review;
    double errors, skips;
    std::wstring date;
};

struct ChartState {
    HWND hwnd;
    int dpi;
    std::vector<PlottedRun> runs;  // in time order
    std::vector<int> boxes;        // records per box, [0] for box 1
};
static ChartState s;

// Where everything goes in a client area of the size.
struct ChartLayout {
    RECT heading;     // "Finished runs"
    RECT legend;      // of the series, under the heading's right end
    RECT plot;        // inside the axes
    RECT boxHeading;  // "Words per box"
    RECT bar;
    RECT boxLegend;
    int buttonTop;
};

// The top half hangs from the top edge, the bottom half stands on the bottom edge.
static ChartLayout LayoutFor(int width, int height, int dpi)
{
    auto px = [dpi](int design) { return Scale(design, dpi); };
    int margin = px(kMargin), right = width - margin;
    ChartLayout l{};
    l.buttonTop = height - px(10) - px(kButtonHeight);
    l.boxLegend = {margin, l.buttonTop - px(32), right, l.buttonTop - px(10)};
    l.bar = {margin, l.boxLegend.top - px(30), right, l.boxLegend.top - px(6)};
    l.boxHeading = {margin, l.bar.top - px(30), right, l.bar.top - px(4)};
    l.heading = {margin, px(8), right, px(36)};
    l.legend = {margin, px(36), right, px(54)};
    // The dates need a line under the x axis.
    l.plot = {px(kMargin + kAxisLabelWidth), px(64), right - px(16), l.boxHeading.top - px(34)};
    return l;
}

// The first run and the last stand a little in from the plot's ends.
static const int kRunPad = 12;

RECT ProgressRunArea(int clientWidth, int clientHeight, int dpi)
{
    RECT plot = LayoutFor(clientWidth, clientHeight, dpi).plot;
    return {plot.left + Scale(kRunPad, dpi), plot.top, plot.right - Scale(kRunPad, dpi), plot.bottom};
}

static int Px(int design) { return Scale(design, s.dpi); }

static SIZE TextSize(HDC dc, const std::wstring& text)
{
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

static void DrawHeading(HDC dc, RECT rc, const wchar_t* text)
{
    Selected font(dc, FontsFor(s.dpi).heading);
    DrawEngravedText(dc, &rc, text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

static void FillBox(HDC dc, RECT rc, COLORREF colour)
{
    GdiObject brush(CreateSolidBrush(colour));
    FillRect(dc, &rc, static_cast<HBRUSH>(brush.handle));
}

static void Line(HDC dc, int x0, int y0, int x1, int y1)
{
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

// --- the runs ---

// 1, 2 or 5 times a power of ten: at most five steps up to largest.
static long long NiceStep(long long largest)
{
    for (long long scale = 1;; scale *= 10)
        for (long long m : {1, 2, 5})
            if (largest <= 5 * m * scale)
                return m * scale;
}

// The percentage at the scale's top: 100, or more when a share goes beyond.
static long long ScaleTop(long long* step)
{
    double largest = 100;
    for (const PlottedRun& run : s.runs)
        largest = std::max({largest, run.errors, run.skips});
    long long ceiling = static_cast<long long>(std::ceil(largest));
    *step = NiceStep(ceiling);
    return (ceiling + *step - 1) / *step * *step;
}

static int YFor(const RECT& area, double percent, long long top)
{
    return area.bottom - static_cast<int>(std::lround(percent * (area.bottom - area.top) / static_cast<double>(top)));
}

// Runs by their time, the first at the left, the last at the right: a pause shows as a gap.
static int XFor(const RECT& area, long long seconds)
{
    long long first = s.runs.front().seconds, span = s.runs.back().seconds - first;
    if (span <= 0)
        return (area.left + area.right) / 2;
    return area.left + static_cast<int>((seconds - first) * (area.right - area.left) / span);
}

static void DrawYAxis(HDC dc, const RECT& plot, long long top, long long step)
{
    GdiObject grid(CreatePen(PS_SOLID, Px(1), kGridColour));
    GdiObject axis(CreatePen(PS_SOLID, Px(1), RGB(0, 0, 0)));
    Selected pen(dc, grid.handle);
    for (long long value = 0; value <= top; value += step) {
        int y = YFor(plot, static_cast<double>(value), top);
        if (value > 0)
            Line(dc, plot.left + Px(1), y, plot.right, y);
        std::wstring label = std::to_wstring(value) + L"%";
        RECT rc{0, y - Px(10), plot.left - Px(6), y + Px(10)};
        DrawTextW(dc, label.c_str(), -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    }
    SelectObject(dc, axis.handle);
    Line(dc, plot.left, plot.top, plot.left, plot.bottom);
    Line(dc, plot.left, plot.bottom, plot.right, plot.bottom);
}

// The run's date under its place; labels that would touch the last one drawn, or
// repeat its date, are left out.
static void DrawDates(HDC dc, const RECT& plot, const RECT& area, int clientWidth)
{
    int lastRight = -1000;
    std::wstring lastDate;
    for (const PlottedRun& run : s.runs) {
        int x = XFor(area, run.seconds);
        int half = TextSize(dc, run.date).cx / 2;
        int left = std::max(Px(2), std::min(x - half, clientWidth - 2 * half - Px(4)));
        if (run.date == lastDate || left < lastRight + Px(10))
            continue;
        RECT rc{left, plot.bottom + Px(4), left + 2 * half + Px(2), plot.bottom + Px(24)};
        DrawTextW(dc, run.date.c_str(), -1, &rc, DT_SINGLELINE | DT_NOPREFIX);
        Line(dc, x, plot.bottom, x, plot.bottom + Px(4));
        lastRight = rc.right;
        lastDate = run.date;
    }
}

// Typed runs are squares, reviews diamonds, in the brush and pen selected.
static void DrawMarker(HDC dc, POINT p, bool review)
{
    if (review) {
        int r = Px(4);
        POINT diamond[] = {{p.x, p.y - r}, {p.x + r, p.y}, {p.x, p.y + r}, {p.x - r, p.y}};
        Polygon(dc, diamond, 4);
    } else {
        int r = Px(3);  // the square's right and bottom edges are drawn inside: one more
        Rectangle(dc, p.x - r, p.y - r, p.x + r + 1, p.y + r + 1);
    }
}

// One measure of the runs of one kind, joined in their order.
static void DrawSeries(HDC dc, const RECT& area, long long top, double PlottedRun::*measure, bool review,
                       COLORREF colour)
{
    std::vector<POINT> points;
    for (const PlottedRun& run : s.runs)
        if (run.review == review)
            points.push_back({XFor(area, run.seconds), YFor(area, run.*measure, top)});
    GdiObject line(CreatePen(PS_SOLID, Px(review ? 1 : 2), colour));
    GdiObject fill(CreateSolidBrush(colour));
    Selected pen(dc, line.handle);
    Selected brush(dc, fill.handle);
    if (points.size() > 1)
        Polyline(dc, points.data(), static_cast<int>(points.size()));
    for (const POINT& p : points)
        DrawMarker(dc, p, review);
}

// From the right end of rc: each name with its colour or its marker before it.
static void DrawLegend(HDC dc, const RECT& rc)
{
    struct Item {
        StringId name;
        COLORREF colour;
        int marker;  // 0: a colour swatch; 1: a typed run's; 2: a review's
    };
    const Item items[] = {{Txt_ProgressReview, RGB(0, 0, 0), 2},
                          {Txt_ProgressTyped, RGB(0, 0, 0), 1},
                          {Txt_ProgressSkipped, kProgressSkipColour, 0},
                          {Txt_ProgressErrors, kProgressErrorColour, 0}};
    int right = rc.right;
    int middle = (rc.top + rc.bottom) / 2;
    for (const Item& item : items) {
        int width = TextSize(dc, Str(item.name)).cx;
        RECT text{right - width, rc.top, right, rc.bottom};
        DrawTextW(dc, Str(item.name), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        if (item.marker == 0) {
            RECT swatch{text.left - Px(26), middle - Px(2), text.left - Px(6), middle + Px(2)};
            FillBox(dc, swatch, item.colour);
            right = swatch.left - Px(18);
        } else {
            Selected brush(dc, GetStockObject(BLACK_BRUSH));
            Selected pen(dc, GetStockObject(BLACK_PEN));
            DrawMarker(dc, {text.left - Px(10), middle}, item.marker == 2);
            right = text.left - Px(28);
        }
    }
}

static void DrawNoHistory(HDC dc, const RECT& plot)
{
    RECT rc{plot.left, plot.top + Px(20), plot.right, plot.bottom};
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextW(dc, Str(Txt_ProgressNoHistory), -1, &rc, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

static void DrawRuns(HDC dc, const ChartLayout& l, int clientWidth, int clientHeight)
{
    DrawHeading(dc, l.heading, Str(Txt_ProgressRuns));
    Selected font(dc, FontsFor(s.dpi).gui);
    SetTextColor(dc, RGB(0, 0, 0));
    if (s.runs.empty()) {
        DrawNoHistory(dc, l.plot);
        return;
    }
    if (l.plot.right - l.plot.left < Px(40) || l.plot.bottom - l.plot.top < Px(20))
        return;
    long long step = 0;
    long long top = ScaleTop(&step);
    RECT area = ProgressRunArea(clientWidth, clientHeight, s.dpi);
    DrawLegend(dc, l.legend);
    DrawYAxis(dc, l.plot, top, step);
    DrawDates(dc, l.plot, area, clientWidth);
    // Errors last: where both coincide, they show.
    for (bool review : {false, true})
        DrawSeries(dc, area, top, &PlottedRun::skips, review, kProgressSkipColour);
    for (bool review : {false, true})
        DrawSeries(dc, area, top, &PlottedRun::errors, review, kProgressErrorColour);
}

// --- the boxes ---

// One bar split in the boxes' shares, the count in each part wide enough for it.
static void DrawBoxBar(HDC dc, const RECT& bar)
{
    long long total = 0;
    for (int count : s.boxes)
        total += count;
    int left = bar.left;
    long long before = 0;
    for (int box = 0; box < kLastBox && total > 0; ++box) {
        before += s.boxes[box];
        int right = bar.left + static_cast<int>(before * (bar.right - bar.left) / total);
        RECT part{left, bar.top, right, bar.bottom};
        FillBox(dc, part, kProgressBoxColours[box]);
        std::wstring count = std::to_wstring(s.boxes[box]);
        if (s.boxes[box] > 0 && TextSize(dc, count).cx + Px(6) < right - left) {
            SetTextColor(dc, box >= 3 ? RGB(255, 255, 255) : RGB(0, 0, 0));
            DrawTextW(dc, count.c_str(), -1, &part, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
        }
        if (box > 0 && right > left)
            Line(dc, left, bar.top, left, bar.bottom);
        left = right;
    }
    SetTextColor(dc, RGB(0, 0, 0));
    FrameRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

// "Box n: count" for each box, evenly over the width.
static void DrawBoxLegend(HDC dc, const RECT& rc)
{
    int width = (rc.right - rc.left) / kLastBox;
    for (int box = 0; box < kLastBox; ++box) {
        int left = rc.left + box * width;
        int middle = (rc.top + rc.bottom) / 2;
        RECT swatch{left, middle - Px(6), left + Px(12), middle + Px(6)};
        FillBox(dc, swatch, kProgressBoxColours[box]);
        FrameRect(dc, &swatch, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        wchar_t name[64], text[96];
        StringCchPrintfW(name, std::size(name), Str(Txt_ProgressBox), box + kFirstBox);
        StringCchPrintfW(text, std::size(text), L"%s: %d", name, s.boxes[box]);
        RECT label{left + Px(18), rc.top, left + width - Px(4), rc.bottom};
        DrawTextW(dc, text, -1, &label, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
}

static void DrawBoxes(HDC dc, const ChartLayout& l)
{
    DrawHeading(dc, l.boxHeading, Str(Txt_ProgressBoxes));
    Selected font(dc, FontsFor(s.dpi).gui);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawBoxBar(dc, l.bar);
    DrawBoxLegend(dc, l.boxLegend);
}

// --- the window ---

// The chart is drawn off screen and shown at once, so resizing doesn't flicker.
static void OnPaint(HWND hwnd)
{
    PaintDc paint(hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    MemoryDc memory(paint.dc);
    GdiObject bitmap(CreateCompatibleBitmap(paint.dc, client.right, client.bottom));
    Selected canvas(memory.dc, bitmap.handle);
    HDC dc = memory.dc;
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    ChartLayout l = LayoutFor(client.right, client.bottom, s.dpi);
    DrawRuns(dc, l, client.right, client.bottom);
    DrawBoxes(dc, l);
    BitBlt(paint.dc, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
}

// The buttons stand in the bottom right corner.
static void OnSize(int width, int height)
{
    ChartLayout l = LayoutFor(width, height, s.dpi);
    int w = Px(kButtonWidth), h = Px(kButtonHeight), done = width - Px(kMargin) - w;
    SetWindowPos(GetDlgItem(s.hwnd, ProgressIdDone), nullptr, done, l.buttonTop, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(GetDlgItem(s.hwnd, ProgressIdHelp), nullptr, done - Px(10) - w, l.buttonTop, w, h,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(s.hwnd, nullptr, FALSE);
}

// Comes before WM_CREATE: s.hwnd isn't set yet, nor is s.dpi.
static void OnMinMaxInfo(HWND hwnd, MINMAXINFO* info)
{
    int dpi = WindowDpi(hwnd);
    RECT rc{0, 0, Scale(kMinClientWidth, dpi), Scale(kMinClientHeight, dpi)};
    AdjustWindowRectEx(&rc, GetWindowLongW(hwnd, GWL_STYLE), FALSE, GetWindowLongW(hwnd, GWL_EXSTYLE));
    info->ptMinTrackSize = {rc.right - rc.left, rc.bottom - rc.top};
}

// Placed by OnSize, at the corner.
static void MakeButton(int id, const wchar_t* text)
{
    HWND button = CreateWindowW(L"button", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, Px(kButtonWidth),
                                Px(kButtonHeight), s.hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                g_instance, nullptr);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), TRUE);
}

// The list's history and boxes, read once: nothing changes them while the window is open.
static void ReadProgress()
{
    std::wstring list = PairListPath(CurrentPair(), g_session.listName);
    // A run without a real time, or without words asked, has no place.
    for (const HistoryLine& line : ReadHistory(HistoryPath(list))) {
        long long seconds = 0;
        if (line.asked <= 0 || !HistorySeconds(line.when, &seconds))
            continue;
        s.runs.push_back({seconds, line.mode == L"review", 100.0 * line.errors / line.asked,
                          100.0 * line.skips / line.asked, line.when.substr(0, 10)});
    }
    std::stable_sort(s.runs.begin(), s.runs.end(),
                     [](const PlottedRun& a, const PlottedRun& b) { return a.seconds < b.seconds; });
    s.boxes = BoxCounts(ReadSchedule(SchedulePath(list), g_session.list.count));
    s.boxes.resize(kLastBox);
}

static SIZE WindowSize(DWORD style, int dpi)
{
    RECT rc{0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
    AdjustWindowRectEx(&rc, style, FALSE, 0);
    return {rc.right - rc.left, rc.bottom - rc.top};
}

static void OnCreate(HWND hwnd)
{
    s.hwnd = hwnd;
    s.dpi = WindowDpi(hwnd);
    ReadProgress();
    MakeButton(ProgressIdHelp, Str(Txt_Help));
    MakeButton(ProgressIdDone, Str(Txt_Done));
    SetFocus(GetDlgItem(hwnd, ProgressIdDone));
    ApplyStayOnTop(hwnd);
    // Made on a monitor of another scale than the one it was sized for.
    if (s.dpi != SystemDpi()) {
        SIZE size = WindowSize(GetWindowLongW(hwnd, GWL_STYLE), s.dpi);
        SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// Moved to a monitor of another scale: the chart is drawn again at it.
static void OnDpiChanged(WPARAM wp, LPARAM lp)
{
    s.dpi = TakeDpiChange(s.hwnd, wp, lp);
    for (int id : {ProgressIdHelp, ProgressIdDone})
        SendMessageW(GetDlgItem(s.hwnd, id), WM_SETFONT, reinterpret_cast<WPARAM>(FontsFor(s.dpi).gui), FALSE);
    RECT client;
    GetClientRect(s.hwnd, &client);
    OnSize(client.right, client.bottom);
}

static void OnCommand(int id, int code)
{
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case ProgressIdDone: DestroyWindow(s.hwnd); break;
    case ProgressIdHelp: OpenHelpKeyword(s.hwnd, Str(Txt_ProgressHelpkey)); break;
    }
}

static void OnNcDestroy()
{
    s = {};
    SecondaryWindowClosed();
}

static LRESULT CALLBACK ProgressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(hwnd); return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_ERASEBKGND: return 1;  // painting covers the whole client area
    case WM_SIZE: OnSize(LOWORD(lp), HIWORD(lp)); return 0;
    case WM_GETMINMAXINFO: OnMinMaxInfo(hwnd, reinterpret_cast<MINMAXINFO*>(lp)); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wp), HIWORD(wp)); return 0;
    case WM_DPICHANGED: OnDpiChanged(wp, lp); return 0;
    case WM_NCDESTROY: OnNcDestroy(); return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

// The chosen list, or the first one when none is chosen; false when there is none.
static bool FindCurrentList()
{
    if (!g_session.listName[0]) {
        if (CountLists() == 0 || !ChooseFirstList())
            return false;
        OpenListFile();
    }
    CountListRecords();
    return true;
}

bool ShowProgressChart()
{
    if (!CurrentPair() || s.hwnd)
        return false;
    if (!FindCurrentList()) {
        ShowMessage(g_mainWindow, Str(Txt_ProgressNoList), Str(Txt_Dictionary), MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (!RegisterWindowClass(g_instance, L"voortgang", ProgressProc, L"wboekicon", L"wboekicon"))
        return false;
    std::wstring title = std::wstring(Str(Txt_ProgressCaption)) + L"  (" + g_session.listName + L")";
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    SIZE size = WindowSize(style, SystemDpi());
    HWND hwnd = CreateWindowW(L"voortgang", title.c_str(), style, (g_screenWidth - size.cx) / 2,
                              (g_screenHeight - size.cy) / 2, size.cx, size.cy, nullptr, nullptr, g_instance, nullptr);
    if (!hwnd)
        return false;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    return true;
}
