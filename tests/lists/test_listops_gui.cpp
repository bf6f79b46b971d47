#include "lists/listops.h"
#include "shell/app.h"
#include "core/catalogue.h"
#include "core/fileutil.h"
#include "core/records.h"
#include "core/report.h"
#include "core/review.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <algorithm>

namespace {

const WordPairs kFive{{L"un", L"one"}, {L"deux", L"two"}, {L"trois", L"three"}, {L"quatre", L"four"}, {L"cinq", L"five"}};

std::wstring ListPath(const wchar_t* name) { return PairListPath(CurrentPair(), name); }
std::wstring ListDir(const wchar_t* name) { return std::wstring(L"lists\\") + name; }
bool IsDirectory(const std::wstring& path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
// What deletions that stopped half way left in the lists root.
std::vector<std::wstring> Leftovers()
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(L"lists\\.deleted-*", &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(fd.cFileName);
    while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}
void RemoveLeftovers()
{
    for (const std::wstring& name : Leftovers())
        RemoveTree(ListDir(name.c_str()));
}

// Lists "alpha" (current, holding kFive with records 1 and 3 marked) and "beta".
class ListOps : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        MakeDir(ListDir(L"alpha"));
        MakeDir(ListDir(L"beta"));
        g_instance = GetModuleHandleW(nullptr);
        g_listsMenu = nullptr;
        g_listChanged = false;
        ASSERT_TRUE(StartWordbook(""));
        ShowWindow(g_mainWindow, SW_SHOW);
        PumpMessages();
        lstrcpynW(g_session.listName, L"alpha", kListNameChars);
        CloseListFile();
        WriteWordBook(ListPath(L"alpha"), kFive, {0, 1, 0, 1, 0});
        OpenListFile();
        CountListRecords();
        before_ = ReadBytes(ListPath(L"alpha"));
    }
    void TearDown() override
    {
        g_updatingShown = nullptr;
        if (window_)
            DestroyWindow(window_);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // A top-level window with a File menu, as the list maker has it.
    HWND WindowWithMenuBar()
    {
        HMENU bar = CreateMenu();
        AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), L"File");
        window_ = CreateWindowW(L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, nullptr, bar, g_instance, nullptr);
        return window_;
    }
    static std::wstring ItemText(HMENU menu, int position)
    {
        wchar_t text[256] = L"";
        GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
        return text;
    }
    static std::vector<int> CheckedIds(HMENU menu)
    {
        std::vector<int> ids;
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
            if (GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED)
                ids.push_back(static_cast<int>(GetMenuItemID(menu, i)));
        return ids;
    }
    // Nothing but the list file: no temporary file left behind.
    void ExpectOnlyTheListFile()
    {
        EXPECT_EQ(std::vector<std::wstring>{PairListFile(CurrentPair())}, FilesIn(ListDir(L"alpha")));
    }

    HWND window_ = nullptr;
    std::string before_;
    MessageCapture capture_;
};

// The new-list dialog is driven by a timer inside its modal loop: one name
// per tick, so a dialog that closes too early leaves names unused.
struct DialogRun {
    std::vector<std::wstring> names;  // confirmed with OK; the last one with Enter
    size_t confirmed = 0;
    std::vector<size_t> boxesAfter;   // boxes captured after each name
    std::vector<std::wstring> caption;  // dialog, group box, OK, Cancel
    bool focusInField = false, guiFont = false, busy = false;
    bool screenshot = false;
};
DialogRun* g_run;
const MessageCapture* g_boxes;

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = FindWindowW(L"#32770", Str(Txt_NewlistDialogCaption));
    DialogRun& r = *g_run;
    if (!dialog || !IsWindowVisible(dialog) || r.busy)
        return;
    r.busy = true;
    HWND field = GetDlgItem(dialog, 30);
    if (r.caption.empty()) {
        for (HWND w : {dialog, GetDlgItem(dialog, 68), GetDlgItem(dialog, IDOK), GetDlgItem(dialog, IDCANCEL)}) {
            wchar_t text[256];
            GetWindowTextW(w, text, 256);
            r.caption.push_back(text);
        }
        r.focusInField = GetFocus() == field;
        r.guiFont = reinterpret_cast<HFONT>(SendMessageW(field, WM_GETFONT, 0, 0)) == g_fonts.gui;
    }
    if (r.confirmed + 1 < r.names.size()) {
        SetWindowTextW(field, r.names[r.confirmed].c_str());
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    } else if (r.confirmed + 1 == r.names.size()) {
        SetWindowTextW(field, r.names.back().c_str());
        if (r.screenshot) {
            RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            PumpMessages(300);
            SaveScreenshot(dialog, L"newlist-dialog");
        }
        SetFocus(field);
        PostMessageW(field, WM_KEYDOWN, VK_RETURN, 1);
    } else {
        PostMessageW(field, WM_KEYDOWN, VK_ESCAPE, 1);  // never left hanging
    }
    ++r.confirmed;
    r.boxesAfter.push_back(g_boxes->messages().size());
    r.busy = false;
}

void RunDialog(DialogRun& run, const MessageCapture& boxes)
{
    g_run = &run;
    g_boxes = &boxes;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, DriveDialog);
    EXPECT_EQ(0, NewListDialog(g_mainWindow));
    KillTimer(nullptr, timer);
}

TEST_F(ListOps, NewListDialogRefusesBadNamesAndMakesAGoodOneCurrent)
{
    // A plain file of that name leaves no room for the list's directory.
    WriteBytes(L"lists\\notes", "x");
    DialogRun run;
    const std::wstring refusedCharacters = L"/\\<>|.\"*?:";
    for (wchar_t c : refusedCharacters)
        run.names.push_back(std::wstring(L"ab") + c + L"cd");
    run.names.push_back(L"\u65e5\u672c");  // the French code page has no such characters
    run.names.push_back(L"week ");
    run.names.push_back(L"con");
    run.names.push_back(L"");  // nothing at all is said
    run.names.push_back(L"notes");
    run.names.push_back(L"Week 1");
    run.screenshot = true;
    RunDialog(run, capture_);

    EXPECT_EQ((std::vector<std::wstring>{Str(Txt_NewlistDialogCaption), Str(Txt_NewlistDialogListname),
                                         Str(Txt_NewlistDialogOk), Str(Txt_NewlistDialogCancel)}),
              run.caption);
    EXPECT_TRUE(run.focusInField);
    EXPECT_TRUE(run.guiFont);
    ASSERT_EQ(run.names.size(), run.confirmed) << "the dialog closed on a refused name";
    size_t refused = refusedCharacters.size() + 1;
    const auto& boxes = capture_.messages();
    ASSERT_EQ(refused + 3, boxes.size());
    for (size_t i = 0; i < refused; ++i) {
        EXPECT_EQ(Str(Txt_CreateListNotAllowed), boxes[i].text) << Narrow(run.names[i]);
        EXPECT_EQ(Str(Txt_CreateListnewList), boxes[i].caption);
    }
    EXPECT_EQ(Str(Txt_CreateListNameBlank), boxes[refused].text);
    EXPECT_EQ(Str(Txt_CreateListNameReserved), boxes[refused + 1].text);
    EXPECT_EQ(refused + 2, run.boxesAfter[refused + 2]) << "an empty name gave a message";
    EXPECT_EQ(Str(Txt_CreateListNotMade), boxes[refused + 2].text);  // "notes" is a file

    EXPECT_STREQ(L"Week 1", g_session.listName);
    EXPECT_TRUE(IsDirectory(ListDir(L"Week 1")));
    EXPECT_EQ("x", ReadBytes(L"lists\\notes"));
    EXPECT_EQ(3, CountLists()) << "a refused name made a directory";
}

TEST_F(ListOps, NewListDialogTakesAnExistingListAsItIsSpeltAndCancelChangesNothing)
{
    for (const wchar_t* typed : {L"BETA", L"beta"}) {
        DialogRun run;
        run.names = {typed};
        RunDialog(run, capture_);
        EXPECT_STREQ(L"beta", g_session.listName);
        EXPECT_EQ(2, CountLists()) << "a second directory for " << Narrow(typed);
    }
    DialogRun cancel;  // Escape at once
    RunDialog(cancel, capture_);
    EXPECT_EQ(1u, cancel.confirmed);
    EXPECT_STREQ(L"beta", g_session.listName);
    EXPECT_TRUE(capture_.messages().empty());
}

TEST_F(ListOps, ListsMenuStandsSecondWithTheCurrentListCheckedAndChoosesAList)
{
    MakeDir(ListDir(L"Gamma"));
    WriteBytes(L"lists\\plain", "");  // not a list
    HWND w = WindowWithMenuBar();
    lstrcpynW(g_session.listName, L"gAMMA", kListNameChars);  // A to Z folded
    g_session.listId = 845;  // stored by an earlier run: not the checked item's id
    std::vector<std::wstring> names;
    ASSERT_TRUE(ListNames(&names));
    ASSERT_EQ(3u, names.size());

    BuildListsMenu(w);
    BuildListsMenu(w);  // built again (after a deletion) it takes the old one's place
    HMENU bar = GetMenu(w);
    ASSERT_EQ(2, GetMenuItemCount(bar));
    HMENU lists = GetSubMenu(bar, 1);
    EXPECT_EQ(g_listsMenu, lists);
    EXPECT_EQ(Str(Txt_CreateListLists), ItemText(bar, 1));
    ASSERT_EQ(3, GetMenuItemCount(lists));
    int gamma = 0, beta = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(static_cast<UINT>(kListsMenuFirstId + i), GetMenuItemID(lists, i));
        EXPECT_EQ(names[i], ItemText(lists, i));
        if (names[i] == L"Gamma")
            gamma = kListsMenuFirstId + i;
        if (names[i] == L"beta")
            beta = kListsMenuFirstId + i;
    }
    EXPECT_EQ(std::vector<int>{gamma}, CheckedIds(lists));

    SelectListFromMenu(w, beta);
    EXPECT_STREQ(L"beta", g_session.listName);
    EXPECT_EQ(beta, g_session.listId);
    EXPECT_EQ(std::vector<int>{beta}, CheckedIds(lists));
    ASSERT_TRUE(g_session.list.isOpen());
    EXPECT_EQ(ListPath(L"beta"), g_session.list.path);
    EXPECT_TRUE(FileExists(ListPath(L"beta")));

    SelectListFromMenu(w, kListsMenuFirstId + 7);  // no such item
    EXPECT_STREQ(L"beta", g_session.listName);
}

struct NoticeSeen {
    std::wstring caption;
    RECT rect{};
    bool visible = false;
} g_notice;

TEST_F(ListOps, CompactingDropsTheMarkedRecordsUnderTheUpdatingNotice)
{
    g_listChanged = true;
    g_updatingShown = [](HWND notice) {
        wchar_t text[128];
        GetWindowTextW(notice, text, 128);
        g_notice = {text, {}, IsWindowVisible(notice) != 0};
        GetWindowRect(notice, &g_notice.rect);
        SaveScreenshot(notice, L"updating");
    };
    CompactList(g_mainWindow);

    std::string after = ReadBytes(ListPath(L"alpha"));
    // Records 0, 2 and 4 exactly as they stood, in their order.
    EXPECT_EQ(before_.substr(0, 84) + before_.substr(168, 84) + before_.substr(336, 84), after);
    EXPECT_EQ(252u, after.size());
    ExpectOnlyTheListFile();
    EXPECT_FALSE(g_listChanged);
    ASSERT_TRUE(g_session.list.isOpen());
    EXPECT_EQ(3, g_session.list.count);

    EXPECT_TRUE(g_notice.visible);
    EXPECT_EQ(Str(Txt_CreateListUpdateCaption), g_notice.caption);
    EXPECT_EQ(350, g_notice.rect.right - g_notice.rect.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 120) / 2, g_notice.rect.top);
    EXPECT_EQ(nullptr, FindWindowW(L"updating", nullptr));
}

TEST_F(ListOps, CompactionThatCantReplaceTheFileKeepsTheOldOne)
{
    g_listChanged = true;
    HANDLE held = HoldOpen(ListPath(L"alpha"));
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    CompactList(g_mainWindow);
    CloseHandle(held);
    EXPECT_EQ(before_, ReadBytes(ListPath(L"alpha")));
    ExpectOnlyTheListFile();
    EXPECT_TRUE(g_listChanged) << "the marks are still in the file";
    ASSERT_TRUE(g_session.list.isOpen());
    EXPECT_EQ(5, g_session.list.count);
}

// The review schedule follows its list record for record.
TEST_F(ListOps, ScheduleFollowsCompactionAndGoesWithEmptyingAndFilling)
{
    std::wstring schedule = SchedulePath(ListPath(L"alpha"));
    std::vector<ReviewEntry> five;
    for (int i = 0; i < 5; ++i)
        five.push_back({i + 1, 100 + i});
    ASSERT_TRUE(WriteSchedule(schedule, five));
    std::string scheduled = ReadBytes(schedule);

    HANDLE held = HoldOpen(ListPath(L"alpha"));
    CompactList(g_mainWindow);  // fails: the schedule stays as it was
    CloseHandle(held);
    EXPECT_EQ(scheduled, ReadBytes(schedule));

    CompactList(g_mainWindow);
    std::vector<ReviewEntry> kept = ReadSchedule(schedule, 5);
    EXPECT_EQ(24u, ReadBytes(schedule).size());
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(2 * k + 1, kept[k].box);
        EXPECT_EQ(100 + 2 * k, kept[k].due);
    }
    EXPECT_EQ(1, kept[3].box) << "past the file: new and due";
    EXPECT_EQ(0, kept[3].due);

    EmptyList(g_mainWindow);
    EXPECT_FALSE(FileExists(schedule));
    ASSERT_TRUE(WriteSchedule(schedule, five));
    FillListFromWordBook(g_mainWindow);
    EXPECT_FALSE(FileExists(schedule));
    ExpectOnlyTheListFile();
}

// Compaction, emptying and filling with each step of their rewrite failing in turn.
TEST_F(ListOps, EveryFailingStepKeepsTheListAndItsSchedule)
{
    std::wstring schedule = SchedulePath(ListPath(L"alpha"));
    ASSERT_TRUE(WriteSchedule(schedule, {{2, 1}, {3, 2}, {4, 3}, {5, 4}, {1, 5}}));
    const std::string scheduled = ReadBytes(schedule);
    int failAt = 1;
    for (; failAt < 30; ++failAt) {
        g_listChanged = true;
        InjectFileFault(failAt);
        CompactList(g_mainWindow);
        InjectFileFault(0);
        if (!g_listChanged)
            break;
        EXPECT_EQ(before_, ReadBytes(ListPath(L"alpha"))) << failAt;
        EXPECT_EQ(scheduled, ReadBytes(schedule)) << failAt;
        EXPECT_EQ(5, g_session.list.count) << failAt;
        EXPECT_EQ(2u, FilesIn(ListDir(L"alpha")).size()) << failAt;
    }
    EXPECT_EQ(8, failAt) << "the schedule aside, three records, flush, close, replace";
    EXPECT_EQ(252u, ReadBytes(ListPath(L"alpha")).size());
    EXPECT_EQ(3, g_session.list.count);

    // The list compacted and its schedule's rewrite failing: the schedule goes,
    // so no record takes another's box.
    ASSERT_TRUE(WriteSchedule(schedule, {{2, 1}, {3, 2}, {4, 3}}));
    WriteBytes(ListPath(L"alpha"), before_);
    CloseListFile();
    OpenListFile();
    CountListRecords();
    InjectFileFault(8);
    CompactList(g_mainWindow);
    InjectFileFault(0);
    EXPECT_EQ(252u, ReadBytes(ListPath(L"alpha")).size());
    EXPECT_FALSE(FileExists(schedule));
    ExpectOnlyTheListFile();

    const std::string compacted = ReadBytes(ListPath(L"alpha"));
    EXPECT_EQ(7u, capture_.messages().size()) << "one message for each failed compaction";
    for (failAt = 1; failAt < 10; ++failAt) {
        InjectFileFault(failAt);
        EmptyList(g_mainWindow);
        InjectFileFault(0);
        if (ReadBytes(ListPath(L"alpha")).empty())
            break;
        EXPECT_EQ(compacted, ReadBytes(ListPath(L"alpha"))) << failAt;
        EXPECT_EQ(3, g_session.list.count) << failAt;
        ExpectOnlyTheListFile();
    }
    EXPECT_EQ(4, failAt) << "flush, close, replace";
    EXPECT_EQ(10u, capture_.messages().size()) << "one message for each failed emptying";
    EXPECT_EQ(0, g_session.list.count);
}

// A schedule that can't be moved out of the way would be read for the records
// that take the old ones' places: the list stays as it is, and that is said.
TEST_F(ListOps, AScheduleThatCantGoKeepsItsListAsItIs)
{
    std::wstring schedule = SchedulePath(ListPath(L"alpha"));
    const struct {
        const char* what;
        void (*run)(HWND);
    } operations[] = {{"emptying", EmptyList}, {"filling", FillListFromWordBook}, {"compacting", CompactList}};
    for (const auto& operation : operations) {
        SCOPED_TRACE(operation.what);
        capture_.clear();
        g_listChanged = true;
        ASSERT_TRUE(WriteSchedule(schedule, {{2, 1}, {3, 2}, {4, 3}, {5, 4}, {1, 5}}));
        const std::string scheduled = ReadBytes(schedule);
        HANDLE held = CreateFileW(schedule.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        operation.run(g_mainWindow);
        CloseHandle(held);
        ASSERT_EQ(1u, capture_.messages().size());
        EXPECT_EQ(FillIn(Str(Txt_ReviewScheduleStuck), {schedule}), capture_.messages()[0].text);
        EXPECT_EQ(before_, ReadBytes(ListPath(L"alpha")));
        EXPECT_EQ(scheduled, ReadBytes(schedule));
        EXPECT_EQ(2u, FilesIn(ListDir(L"alpha")).size());
        EXPECT_TRUE(g_listChanged) << "the marks are still in the file";
        ASSERT_TRUE(g_session.list.isOpen());
        EXPECT_EQ(5, g_session.list.count);
    }
}

TEST_F(ListOps, FillingGivesExactlyTheWordBooksBytesOrSaysWhyNot)
{
    std::wstring book = PairWordBookPath(CurrentPair());
    HANDLE held = HoldOpen(ListPath(L"alpha"));
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    FillListFromWordBook(g_mainWindow);
    CloseHandle(held);
    ASSERT_EQ(1u, capture_.messages().size());
    const CapturedMessage& box = capture_.messages()[0];
    // The text ends in the system's error code.
    size_t digits = box.text.find_last_not_of(L"0123456789.");
    ASSERT_NE(std::wstring::npos, digits);
    EXPECT_NE(0, _wtoi(box.text.c_str() + digits + 1));
    wchar_t expected[512];
    swprintf(expected, 512, Str(Txt_CreateListCopyFailed), static_cast<unsigned long>(_wtoi(box.text.c_str() + digits + 1)));
    EXPECT_EQ(expected, box.text);
    EXPECT_EQ(Str(Txt_Dictionary), box.caption);
    EXPECT_EQ(before_, ReadBytes(ListPath(L"alpha")));
    ExpectOnlyTheListFile();
    EXPECT_EQ(5, g_session.list.count);

    FillListFromWordBook(g_mainWindow);
    EXPECT_EQ(1u, capture_.messages().size());
    EXPECT_EQ(ReadBytes(book), ReadBytes(ListPath(L"alpha")));
    ExpectOnlyTheListFile();
    ASSERT_TRUE(g_session.book.isOpen());
    EXPECT_EQ(3, g_session.list.count);
}

TEST_F(ListOps, EmptyingLeavesAnEmptyOpenList)
{
    EmptyList(g_mainWindow);
    EXPECT_TRUE(FileExists(ListPath(L"alpha")));
    EXPECT_EQ("", ReadBytes(ListPath(L"alpha")));
    ExpectOnlyTheListFile();
    EXPECT_EQ(0, g_session.list.count);
    ASSERT_EQ(0, ReadWordRecord(0));
    EXPECT_EQ(0, WriteListRecord(0)) << "the list takes words again";
}

TEST_F(ListOps, DeletingAListRemovesTheFilesOfEveryPairAndChoosesTheFirstLeft)
{
    for (const auto& pair : g_catalogue.entries)
        WriteBytes(PairListPath(pair.get(), L"alpha"), std::string(84, 'x'));
    WriteBytes(ListDir(L"alpha") + L"\\scores.scr", "12");
    HWND w = WindowWithMenuBar();
    BuildListsMenu(w);
    g_session.listId = 801;

    DeleteCurrentList(w);
    EXPECT_FALSE(IsDirectory(ListDir(L"alpha")));
    EXPECT_TRUE(capture_.messages().empty());
    EXPECT_STREQ(L"beta", g_session.listName);
    EXPECT_EQ(kListsMenuFirstId, g_session.listId);
    EXPECT_EQ(ListPath(L"beta"), g_session.list.path);
    EXPECT_TRUE(g_session.list.isOpen());
    HMENU bar = GetMenu(w);
    ASSERT_EQ(2, GetMenuItemCount(bar));
    ASSERT_EQ(1, GetMenuItemCount(GetSubMenu(bar, 1)));
    EXPECT_EQ(std::vector<int>{kListsMenuFirstId}, CheckedIds(GetSubMenu(bar, 1)));

    // A directory that can't go (it holds a subdirectory) is reported and stays whole.
    MakeDir(ListDir(L"beta") + L"\\kept");
    const std::vector<std::wstring> files = FilesIn(ListDir(L"beta"));
    DeleteCurrentList(w);
    ASSERT_EQ(1u, capture_.messages().size());
    EXPECT_EQ(std::wstring(Str(Txt_CreateListNoDel)) + L" beta", capture_.messages()[0].text);
    EXPECT_EQ(Str(Txt_CreateListDelList), capture_.messages()[0].caption);
    EXPECT_STREQ(L"beta", g_session.listName);
    EXPECT_EQ(files, FilesIn(ListDir(L"beta")));
    EXPECT_TRUE(g_session.list.isOpen());
}

// Deleting with each step failing in turn: the list stays whole and current
// with a message, or it is gone from the lists; what a removal that stopped
// half way leaves is never a list and goes with the next deletion.
TEST_F(ListOps, EveryFailingStepOfADeletionLeavesTheListWholeOrGone)
{
    const std::vector<std::wstring> names = {PairListFile(CurrentPair()), L"scores.scr"};
    HWND w = WindowWithMenuBar();
    long failAt = 1;
    for (; failAt < 12; ++failAt) {
        MakeDir(ListDir(L"alpha"));
        WriteBytes(ListPath(L"alpha"), before_);
        WriteBytes(ListDir(L"alpha") + L"\\scores.scr", "12");
        lstrcpynW(g_session.listName, L"alpha", kListNameChars);
        OpenListFile();
        BuildListsMenu(w);
        size_t boxes = capture_.messages().size();
        InjectFileFault(failAt);
        DeleteCurrentList(w);
        long steps = FileStepsTaken();
        InjectFileFault(0);
        if (ListExists(L"alpha")) {
            EXPECT_EQ(names, FilesIn(ListDir(L"alpha"))) << failAt;
            EXPECT_EQ(before_, ReadBytes(ListPath(L"alpha"))) << failAt;
            EXPECT_STREQ(L"alpha", g_session.listName) << failAt;
            EXPECT_EQ(5, g_session.list.count) << failAt;
            EXPECT_EQ(boxes + 1, capture_.messages().size()) << failAt;
        } else {
            EXPECT_STREQ(L"beta", g_session.listName) << failAt;
            EXPECT_EQ(boxes, capture_.messages().size()) << failAt;
            std::vector<std::wstring> lists;
            ListNames(&lists);
            EXPECT_EQ(std::vector<std::wstring>{L"beta"}, lists) << failAt;
        }
        RemoveLeftovers();
        if (steps < failAt)
            break;
    }
    EXPECT_EQ(5, failAt) << "the move aside, two files, the folder";

    auto remake = [&] {
        MakeDir(ListDir(L"alpha"));
        lstrcpynW(g_session.listName, L"alpha", kListNameChars);
        OpenListFile();
    };
    remake();
    InjectFileFault(3);
    DeleteCurrentList(w);
    InjectFileFault(0);
    EXPECT_EQ(1u, Leftovers().size());
    remake();
    DeleteCurrentList(w);
    EXPECT_TRUE(Leftovers().empty()) << "the next deletion takes the leftover";
    EXPECT_FALSE(IsDirectory(ListDir(L"alpha")));
}

// A leftover that can't go (it holds a folder) blocks no later deletion, not
// even under the name the list would have taken; those that can go, go.
TEST_F(ListOps, LeftoversThatCantGoBlockNoDeletion)
{
    const std::vector<std::wstring> cases[] = {{L".deleted-alpha"}, {L".deleted-1", L".deleted-2", L".deleted-3"}};
    HWND w = WindowWithMenuBar();
    for (const auto& leftovers : cases) {
        SCOPED_TRACE(Narrow(leftovers[0]));
        RemoveLeftovers();
        for (const std::wstring& name : leftovers)
            MakeDir(ListDir(name.c_str()));
        std::vector<std::wstring> stuck(leftovers.begin(), leftovers.begin() + std::min<size_t>(2, leftovers.size()));
        for (const std::wstring& name : stuck)
            MakeDir(ListDir(name.c_str()) + L"\\kept");
        for (int deletion = 0; deletion < 2; ++deletion) {
            MakeDir(ListDir(L"alpha"));
            lstrcpynW(g_session.listName, L"alpha", kListNameChars);
            OpenListFile();
            EXPECT_TRUE(DeleteCurrentList(w)) << deletion;
            EXPECT_STREQ(L"beta", g_session.listName) << deletion;
        }
        EXPECT_TRUE(capture_.messages().empty());
        std::vector<std::wstring> left = Leftovers();
        std::sort(left.begin(), left.end());
        EXPECT_EQ(stuck, left);
    }
}

// A list folder that can't be made is said with the system's reason and
// nothing changes; the next try works.
TEST_F(ListOps, ANewListWhoseFolderCantBeMadeIsSaidWithTheSystemsReason)
{
    const struct {
        const char* what;
        DWORD error;
        void (*fail)();
    } cases[] = {
        {"a failing write", ERROR_WRITE_FAULT, [] { InjectFileFault(1); }},
        {"a lists folder the user may not write", ERROR_ACCESS_DENIED, [] { InjectUnwritableFolder(L"lists"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        capture_.clear();
        DialogRun run;
        run.names = {L"gamma"};
        c.fail();
        RunDialog(run, capture_);
        InjectFileFault(0);
        InjectUnwritableFolder(L"");
        ASSERT_EQ(1u, capture_.messages().size());
        EXPECT_EQ(FillIn(Str(Txt_CreateListNoFolder), {dir_ + L"\\lists\\gamma", SystemErrorText(c.error)}),
                  capture_.messages()[0].text);
        EXPECT_EQ(Str(Txt_CreateListnewList), capture_.messages()[0].caption);
        EXPECT_STREQ(L"alpha", g_session.listName);
        EXPECT_FALSE(IsDirectory(ListDir(L"gamma")));
    }
    DialogRun run;
    run.names = {L"gamma"};
    RunDialog(run, capture_);
    EXPECT_STREQ(L"gamma", g_session.listName) << "the next try made it";
    EXPECT_TRUE(IsDirectory(ListDir(L"gamma")));
    EXPECT_EQ(3, CountLists());
}

} // namespace
