#include "tests/support/practicelist.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/session.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>

void StartWithPracticeList(const WordPairs& list)
{
    MakeDir(L"lists\\words");
    SetSetting(L"PracticeList", L"words");
    g_instance = GetModuleHandleW(nullptr);
    ASSERT_TRUE(StartWordbook(""));
    CloseListFile();
    WriteWordBook(PairListPath(CurrentPair(), g_session.listName), list);
    OpenListFile();
    CountListRecords();
    ShowWindow(g_mainWindow, SW_SHOW);
}
