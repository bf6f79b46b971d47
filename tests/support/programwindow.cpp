#include "tests/support/programwindow.h"
#include "shell/app.h"
#include "kit/dpi.h"
#include "tests/support/dpi.h"
#include "tests/support/screenshot.h"
#include <gtest/gtest.h>
#include <algorithm>

HWND OpenFromMainWindow(int command, const wchar_t* windowClass)
{
    if (!g_mainWindow) {
        g_instance = GetModuleHandleW(nullptr);
        if (!StartWordbook(""))
            return nullptr;
    }
    ShowWindow(g_mainWindow, SW_SHOW);
    SendMessageW(g_mainWindow, WM_COMMAND, static_cast<WPARAM>(command), 0);
    PumpMessages();
    return FindWindowW(windowClass, nullptr);
}

void CloseProgram(HWND window)
{
    if (IsWindow(window))
        DestroyWindow(window);
    if (g_mainWindow)
        DestroyWindow(g_mainWindow);
    PumpMessages();
}

void ExpectWindowSize(HWND hwnd, int width, int height, const char* what)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(std::min(width, GetSystemMetrics(SM_CXMAXTRACK)), r.right - r.left) << what;
    EXPECT_EQ(std::min(height, GetSystemMetrics(SM_CYMAXTRACK)), r.bottom - r.top) << what;
}

void ExpectLaidOut(HWND window, const std::vector<DesignChild>& children, int dpi)
{
    HWND child = GetWindow(window, GW_CHILD);
    for (const DesignChild& c : children) {
        ASSERT_NE(nullptr, child) << c.what;
        RECT want = ScaleRect({c.x, c.y, c.x + c.w, c.y + c.h}, dpi), got = ChildRect(child);
        EXPECT_EQ(want.left, got.left) << c.what;
        EXPECT_EQ(want.top, got.top) << c.what;
        EXPECT_EQ(want.right, got.right) << c.what;
        if (c.h > 0) {
            EXPECT_EQ(want.bottom, got.bottom) << c.what;
        }
        if (c.points >= 0)
            ExpectFontHeight(child, c.points ? c.points : g_settings.guiFontSize, dpi, c.what);
        ExpectTextFits(child, true, c.what);
        child = GetWindow(child, GW_HWNDNEXT);
    }
}
