#include "tests/support/listmaker.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/session.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>

void StartWithBookAndList(const WordPairs& book, const WordPairs& list, const std::vector<int>& flags)
{
    MakeDir(L"lists\\words");
    WriteWordBook(L"books\\francais_english.wb", book);
    g_instance = GetModuleHandleW(nullptr);
    SetSetting(L"PracticeList", L"words");
    ASSERT_TRUE(StartWordbook(""));
    CloseListFile();
    WriteWordBook(PairListPath(CurrentPair(), g_session.listName), list, flags);
    OpenListFile();
    CountListRecords();
    ShowWindow(g_mainWindow, SW_SHOW);
}

HWND OpenListMaker()
{
    SendMessageW(g_mainWindow, WM_COMMAND, CmdMakeList, 0);
    PumpMessages();
    return FindWindowW(L"lijst", nullptr);
}
