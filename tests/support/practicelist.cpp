#include "tests/support/practicelist.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "shell/resource.h"
#include "core/session.h"
#include "core/uistrings.h"
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

static std::wstring g_nextListName;

static void CALLBACK AnswerNewList(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dialog = FindWindowW(L"#32770", Str(Txt_NewlistDialogCaption));
    if (dialog && IsWindowVisible(dialog) && KillTimer(nullptr, id)) {
        SetDlgItemTextW(dialog, IDC_NEWLIST_NAME, g_nextListName.c_str());
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
}

void NameNextNewList(const std::wstring& name)
{
    g_nextListName = name;
    SetTimer(nullptr, 0, 20, AnswerNewList);
}
