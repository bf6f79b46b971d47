#include "lists/addrandom.h"
#include "lists/listmaker.h"
#include "lists/listops.h"
#include "lists/printlist.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/fileutil.h"
#include "core/random.h"
#include "core/report.h"
#include "core/records.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/listmaker.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <algorithm>
#include <functional>
#include <memory>

namespace {

// A sorted French word book of n records "mot00000" ... with translations "word00000" ...
WordPairs NumberedWords(int n, const wchar_t* stem = L"mot")
{
    WordPairs words;
    for (int i = 0; i < n; ++i) {
        wchar_t w[24], t[24];
        swprintf(w, 24, L"%ls%05d", stem, i);
        swprintf(t, 24, L"word%05d", i);
        words.emplace_back(w, t);
    }
    return words;
}

const WordPairs kThree = {{L"chien", L"dog"}, {L"maison", L"house"}, {L"pomme", L"apple"}};

std::wstring Text(HWND window)
{
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

// Answers the next dialog (owned by owner, when given) from inside its modal loop.
struct DialogAnswer {
    HWND owner = nullptr;
    std::function<void(HWND)> act;
    UINT button = IDOK;
    int seen = 0;
};
DialogAnswer* g_answer;

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND dlg = FindWindowW(L"#32770", nullptr);
    if (!g_answer || !dlg || !IsWindowVisible(dlg) || (g_answer->owner && GetWindow(dlg, GW_OWNER) != g_answer->owner))
        return;
    KillTimer(nullptr, id);
    ++g_answer->seen;
    if (g_answer->act)
        g_answer->act(dlg);
    // The system's "no printer" box has only OK.
    UINT button = GetDlgItem(dlg, static_cast<int>(g_answer->button)) ? g_answer->button : IDOK;
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, button)));
}

int g_printingNotices;
void CountPrintingNotice(HWND) { ++g_printingNotices; }

class ListMaker : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        MakeDir(L"lists\\words");
        capture_ = std::make_unique<MessageCapture>();
    }
    void TearDown() override
    {
        if (HWND w = FindWindowW(L"lijst", nullptr))
            DestroyWindow(w);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        capture_.reset();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // The program on this word book, its current list "words" holding these records.
    void Start(const WordPairs& book, const WordPairs& list, const std::vector<int>& flags = {})
    {
        ASSERT_NO_FATAL_FAILURE(StartWithBookAndList(book, list, flags));
        listPath_ = PairListPath(CurrentPair(), g_session.listName);
    }
    // The user's way in: the main window's make-list command.
    void OpenWindow()
    {
        w_ = OpenListMaker();
        ASSERT_NE(nullptr, w_);
    }
    void Open(const WordPairs& book, const WordPairs& list)
    {
        ASSERT_NO_FATAL_FAILURE(Start(book, list));
        ASSERT_NO_FATAL_FAILURE(OpenWindow());
    }
    HWND Item(int id) { return GetDlgItem(w_, id); }
    HWND Search() { return Item(LmSearch); }
    std::wstring ListRow(int k) { return Text(Item(LmListRow + k)); }
    // Column 0 the source word, 1 the translation: the cell made after it.
    HWND BookCell(int k, int column = 0)
    {
        HWND source = Item(LmBookRow + k);
        return column ? GetWindow(source, GW_HWNDNEXT) : source;
    }
    std::wstring BookWord(int k) { return Text(BookCell(k)); }
    // A left click gives the cell the focus.
    void Click(HWND cell)
    {
        SendMessageW(cell, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(cell, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        PumpMessages();
    }
    void Button(HWND window, int id)
    {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        PumpMessages();
    }
    void Menu(int id)
    {
        SendMessageW(w_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        PumpMessages();
    }
    void Type(HWND field, const std::wstring& text)
    {
        for (wchar_t c : text)
            SendMessageW(field, WM_CHAR, c, 1);
    }
    void Key(HWND field, UINT key) { SendMessageW(field, WM_KEYDOWN, key, 1); }
    void Scroll(int bar, int code, int pos = 0)
    {
        SendMessageW(w_, WM_VSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(Item(bar)));
    }
    int BarMax(int bar)
    {
        int low = -1, high = -1;
        GetScrollRange(Item(bar), SB_CTL, &low, &high);
        return high;
    }
    int BarPos(int bar) { return GetScrollPos(Item(bar), SB_CTL); }
    WordPairs ListFile() { return ReadWordBook(listPath_); }
    std::vector<int> ListFlags()
    {
        std::string bytes = ReadBytes(listPath_);
        std::vector<int> flags;
        for (size_t at = 0; at + kRecordSize <= bytes.size(); at += kRecordSize)
            flags.push_back(static_cast<unsigned char>(bytes[at + 82]) |
                            static_cast<unsigned char>(bytes[at + 83]) << 8);
        return flags;
    }
    HWND AddRandom() { return FindWindowW(L"addrandom", nullptr); }
    // A command that opens a dialog, answered meanwhile; how many dialogs came.
    int WithDialog(int id, DialogAnswer answer)
    {
        g_answer = &answer;
        UINT_PTR timer = SetTimer(nullptr, 0, 100, AnswerDialog);
        id == LmPrint ? Button(w_, id) : Menu(id);
        KillTimer(nullptr, timer);
        g_answer = nullptr;
        return answer.seen;
    }
    int NewList(const wchar_t* name)
    {
        return WithDialog(LmNewList, {w_, [name](HWND dlg) { SetDlgItemTextW(dlg, 30, name); }});
    }
    // The Lists menu's names, a '*' before the one checked.
    std::vector<std::wstring> ListsMenuItems()
    {
        std::vector<std::wstring> items;
        HMENU menu = GetSubMenu(GetMenu(w_), 1);
        for (int i = 0, n = menu ? GetMenuItemCount(menu) : 0; i < n; ++i) {
            wchar_t text[kListNameChars] = L"";
            GetMenuStringW(menu, i, text, kListNameChars, MF_BYPOSITION);
            items.push_back(((GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED) ? L"*" : L"") + std::wstring(text));
        }
        return items;
    }
    int ListsMenuId(int position) { return static_cast<int>(GetMenuItemID(GetSubMenu(GetMenu(w_), 1), position)); }
    std::wstring Title(const wchar_t* list)
    {
        return std::wstring(Str(Txt_CreateListCaption)) + L": " + list + L" (francais-english)";
    }
    const std::vector<CapturedMessage>& Messages() { return capture_->messages(); }
    // Replaces the capture; the old one must go first, its end restores the real boxes.
    void Answer(int button)
    {
        capture_.reset();
        capture_ = std::make_unique<MessageCapture>(button);
    }

    HWND w_ = nullptr;
    std::wstring listPath_;
    std::unique_ptr<MessageCapture> capture_;
};

TEST_F(ListMaker, ShowsTheListBesideTheWordBook)
{
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(5), kThree));
    EXPECT_FALSE(IsWindowVisible(g_mainWindow));
    RECT rc;
    GetWindowRect(w_, &rc);
    EXPECT_EQ(605, rc.right - rc.left);
    EXPECT_EQ(355 + g_captionHeight + g_menuHeight, rc.bottom - rc.top);
    EXPECT_EQ((g_screenWidth - 605) / 2, rc.left);
    EXPECT_EQ(Title(L"words"), Text(w_));
    EXPECT_EQ((std::vector<std::wstring>{L"*words"}), ListsMenuItems());

    EXPECT_EQ(L"pomme", ListRow(2));
    EXPECT_EQ(L"", ListRow(3));
    EXPECT_EQ(L"mot00000", BookWord(0));
    ASSERT_EQ(LmBookRow + 4, GetDlgCtrlID(BookCell(4, 1)));
    EXPECT_EQ(L"word00004", Text(BookCell(4, 1)));
    EXPECT_EQ(L"", BookWord(5));
    EXPECT_EQ(0, BarMax(LmBookBar));
    EXPECT_EQ(0, BarMax(LmListBar));
    EXPECT_EQ(Search(), GetFocus());
    SaveScreenshot(w_, L"listmaker");
}

TEST_F(ListMaker, ClickingAWordBookRowAppendsItsRecord)
{
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(5), NumberedWords(7, L"liste")));
    Click(BookCell(1, 1));  // the translation cell counts as the row
    WordPairs list = ListFile();
    ASSERT_EQ(8u, list.size());
    EXPECT_EQ(NumberedWords(5)[1], list[7]);
    EXPECT_EQ(L"mot00001", ListRow(7));
    EXPECT_EQ(Search(), GetFocus());

    Click(BookCell(3));  // the ninth record: the pane shows the end
    EXPECT_EQ(9, g_session.list.count);
    EXPECT_EQ(L"liste00001", ListRow(0));
    EXPECT_EQ(L"mot00003", ListRow(7));
    EXPECT_EQ(1, BarMax(LmListBar));
    EXPECT_EQ(1, BarPos(LmListBar));

    Click(BookCell(6));  // past the word book's end
    EXPECT_EQ(9u, ListFile().size());
    Key(Search(), VK_DOWN);  // five records: the pane stays at the start
    EXPECT_EQ(L"mot00000", BookWord(0));
}

// A click whose append fails, and random words meeting a full disk: the
// list keeps whole records only, the pane and count follow the file, and the
// user is told once.
TEST_F(ListMaker, AFailedAppendKeepsTheListWholeAndSaysSo)
{
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(40), kThree));
    const std::string before = ReadBytes(listPath_);
    for (long failAt : {1L, 2L}) {
        InjectFileFault(failAt);
        Click(BookCell(1));
        InjectFileFault(0);
        EXPECT_EQ(before, ReadBytes(listPath_)) << failAt;
        EXPECT_EQ(3, g_session.list.count);
        EXPECT_EQ(failAt, static_cast<long>(Messages().size()));
        EXPECT_NE(std::wstring::npos, Messages().back().text.find(listPath_.substr(listPath_.rfind(L'\\') + 1)));
    }
    InjectFileFault(0, 2 * sizeof(WordRecord) + 10);
    AddRandomWords(5, false, w_);
    InjectFileFault(0);
    EXPECT_EQ(5u, ListFile().size());
    EXPECT_EQ(5, g_session.list.count);
    EXPECT_EQ(before.size() + 2 * sizeof(WordRecord), ReadBytes(listPath_).size());
    EXPECT_EQ(3u, Messages().size());
    Click(BookCell(1));
    EXPECT_EQ(6u, ListFile().size());
}

TEST_F(ListMaker, ClickingAListRowTwiceRestoresTheRecord)
{
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(5), kThree));
    Click(Item(LmListRow + 1));
    EXPECT_EQ(Str(Txt_CreateListDeleted), ListRow(1));
    EXPECT_EQ((std::vector<int>{0, 1, 0}), ListFlags());
    EXPECT_EQ(Search(), GetFocus());
    Click(Item(LmListRow + 1));
    EXPECT_EQ(L"maison", ListRow(1));
    EXPECT_EQ((std::vector<int>{0, 0, 0}), ListFlags());
    EXPECT_TRUE(g_listChanged);
    Click(Item(LmListRow + 5));  // no record there
    EXPECT_EQ(Search(), GetFocus());

    Button(w_, LmDone);  // compacts, keeping every record
    EXPECT_EQ(nullptr, FindWindowW(L"lijst", nullptr));
    EXPECT_EQ(kThree, ListFile());
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(0, g_windowOpen);
}

TEST_F(ListMaker, ClosingAfterMarksDropsTheMarkedRecordsInOrder)
{
    WordPairs twelve = NumberedWords(12, L"liste");
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(5), twelve));
    EXPECT_EQ(L"liste00004", ListRow(0));  // the end of the list
    Click(Item(LmListRow + 0));
    Click(Item(LmListRow + 3));
    Scroll(LmListBar, SB_LINEUP);
    EXPECT_EQ(L"liste00003", ListRow(0));
    Scroll(LmListBar, SB_THUMBPOSITION, 0);
    Click(Item(LmListRow + 1));
    EXPECT_EQ((std::vector<int>{0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0}), ListFlags());

    SendMessageW(w_, WM_CLOSE, 0, 0);  // the system menu's close
    PumpMessages();
    WordPairs kept;
    for (int i : {0, 2, 3, 5, 6, 8, 9, 10, 11})
        kept.push_back(twelve[i]);
    EXPECT_EQ(kept, ListFile());
    EXPECT_EQ(9, g_session.list.count);
}

TEST_F(ListMaker, TheSearchFieldPositionsTheWordBook)
{
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(40), kThree));
    Type(Search(), L"mot0002");
    EXPECT_EQ(L"mot00020", BookWord(0));
    Type(Search(), L"5");
    EXPECT_EQ(L"mot00025", BookWord(0));
    EXPECT_EQ(3, BarPos(LmBookBar));  // eight records a step
    Key(Search(), VK_RETURN);  // empties the field: back to the start
    EXPECT_EQ(L"", Text(Search()));
    EXPECT_EQ(L"mot00000", BookWord(0));
    Type(Search(), L"z");  // after every word: the last full page
    EXPECT_EQ(L"mot00032", BookWord(0));
    EXPECT_EQ(L"mot00039", BookWord(7));

    Key(Search(), VK_RETURN);
    Key(Search(), VK_DOWN);
    EXPECT_EQ(L"mot00001", BookWord(0));
    Key(Search(), VK_UP);
    Key(Search(), VK_UP);
    EXPECT_EQ(L"mot00000", BookWord(0));
    Type(Search(), L"MOT00038");  // case folds
    Click(BookCell(6));  // the row clicked is the record shown
    EXPECT_EQ(L"mot00038", ListFile().back().first);
}

TEST_F(ListMaker, TheWordBookBarMovesInUnitsOfEightRecords)
{
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(20000), kThree));
    EXPECT_EQ(2499, BarMax(LmBookBar));
    Scroll(LmBookBar, SB_PAGEDOWN);
    Scroll(LmBookBar, SB_LINEDOWN);
    EXPECT_EQ(L"mot00009", BookWord(0));
    EXPECT_EQ(1, BarPos(LmBookBar));
    Scroll(LmBookBar, SB_THUMBPOSITION, 1000);
    EXPECT_EQ(L"mot08000", BookWord(0));
    EXPECT_EQ(L"mot08007", BookWord(7));
    EXPECT_EQ(1000, BarPos(LmBookBar));
    Scroll(LmBookBar, SB_THUMBTRACK, 5);  // only the released thumb counts
    Scroll(LmBookBar, SB_LINEUP);
    EXPECT_EQ(L"mot07999", BookWord(0));
    EXPECT_EQ(999, BarPos(LmBookBar));
    Scroll(LmBookBar, SB_THUMBPOSITION, 2499);
    EXPECT_EQ(L"mot19999", BookWord(7));
}

// A drag as the mouse makes it: the bar tracks the thumb in a loop of its own
// and reports where it was let go in 16 bits only.
TEST_F(ListMaker, DraggingTheListThumbBeyondSixteenBits)
{
    const int n = 70000;
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(5), NumberedWords(n, L"l")));
    HWND bar = Item(LmListBar);
    EXPECT_EQ(n - 8, BarMax(LmListBar));
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetScrollBarInfo(bar, OBJID_CLIENT, &info));
    int grab = (info.xyThumbTop + info.xyThumbBottom) / 2;
    PostMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, grab - 3));
    PostMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(10, grab - 3));
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, grab));
    PumpMessages();
    int top = std::stoi(ListRow(0).substr(1));
    EXPECT_GT(top, 0xFFFF);
    EXPECT_LT(top, n - 8);
    EXPECT_EQ(top, BarPos(LmListBar));
}

TEST_F(ListMaker, AddsRandomWordsToTheList)
{
    WordPairs book = NumberedWords(40);
    ASSERT_NO_FATAL_FAILURE(Open(book, kThree));
    Button(w_, LmAddRandom);
    HWND add = AddRandom();
    ASSERT_NE(nullptr, add);
    EXPECT_EQ(Str(Txt_CreateListAddRandomNumber), Text(add));
    EXPECT_EQ(BST_CHECKED, SendDlgItemMessageW(add, ArReplace, BM_GETCHECK, 0, 0));
    EXPECT_EQ(GetDlgItem(add, ArCount), GetFocus());
    SaveScreenshot(add, L"addrandom");
    Button(w_, LmAddRandom);  // only brings it forward
    EXPECT_EQ(nullptr, FindWindowExW(nullptr, add, L"addrandom", nullptr));

    Button(add, ArReplace);
    EXPECT_EQ(BST_UNCHECKED, SendDlgItemMessageW(add, ArReplace, BM_GETCHECK, 0, 0));
    Type(GetDlgItem(add, ArCount), L"5");
    SeedRandom(1234);
    Button(add, ArOk);
    EXPECT_EQ(nullptr, AddRandom());
    EXPECT_EQ(Search(), GetFocus());
    WordPairs expected = kThree;
    Lcg draws{1234};
    for (int i = 0; i < 5; ++i)
        expected.push_back(book[draws.Next() % 40]);
    EXPECT_EQ(expected, ListFile());
    EXPECT_EQ(expected[7].first, ListRow(7));

    // Opened again the box is checked again; Enter in the field adds as OK does.
    Button(w_, LmAddRandom);
    add = AddRandom();
    ASSERT_NE(nullptr, add);
    EXPECT_EQ(BST_CHECKED, SendDlgItemMessageW(add, ArReplace, BM_GETCHECK, 0, 0));
    Button(add, ArReplace);
    Type(GetDlgItem(add, ArCount), L"2");
    Key(GetDlgItem(add, ArCount), VK_RETURN);
    PumpMessages();
    EXPECT_EQ(nullptr, AddRandom());
    EXPECT_EQ(10u, ListFile().size());
}

TEST_F(ListMaker, RandomWordsReplaceTheListWhenAsked)
{
    WordPairs book = NumberedWords(40);
    ASSERT_NO_FATAL_FAILURE(Open(book, NumberedWords(50, L"liste")));
    Button(w_, LmAddRandom);
    ASSERT_NE(nullptr, AddRandom());
    Type(GetDlgItem(AddRandom(), ArCount), L"10");
    Button(AddRandom(), ArOk);
    WordPairs list = ListFile();
    ASSERT_EQ(10u, list.size());
    for (const auto& word : list)
        EXPECT_NE(book.end(), std::find(book.begin(), book.end(), word)) << Narrow(word.first);
    EXPECT_EQ(list[2].first, ListRow(0));
    EXPECT_EQ(2, BarMax(LmListBar));
}

TEST_F(ListMaker, AnInvalidCountOnlyEmptiesTheField)
{
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(40), kThree));
    Button(w_, LmAddRandom);
    HWND add = AddRandom();
    ASSERT_NE(nullptr, add);
    HWND field = GetDlgItem(add, ArCount);
    for (const wchar_t* count : {L"0", L"-3", L"41", L"abc", L""}) {
        SetWindowTextW(field, count);
        Button(add, ArOk);
        EXPECT_EQ(add, AddRandom()) << Narrow(count);
        EXPECT_EQ(L"", Text(field)) << Narrow(count);
    }
    Type(field, L"1234567890");  // nine characters at most
    EXPECT_EQ(L"123456789", Text(field));
    Key(field, VK_RETURN);
    EXPECT_EQ(L"", Text(field));
    Button(add, ArCancel);
    EXPECT_EQ(nullptr, AddRandom());
    EXPECT_EQ(kThree, ListFile());

    Button(w_, LmAddRandom);  // closing the list maker takes it along
    ASSERT_NE(nullptr, AddRandom());
    Button(w_, LmDone);
    EXPECT_EQ(nullptr, AddRandom());
}

TEST_F(ListMaker, TakesItsPlaceFromTheSettings)
{
    ASSERT_NO_FATAL_FAILURE(Start(NumberedWords(5), kThree));
    g_settings.windowPos[PosMakelist] = {40, 50};
    g_settings.stayOnTop = 1;
    ASSERT_NO_FATAL_FAILURE(OpenWindow());
    RECT rc;
    GetWindowRect(w_, &rc);
    EXPECT_EQ(40, rc.left);
    EXPECT_EQ(50, rc.top);
    EXPECT_TRUE(GetWindowLongW(w_, GWL_EXSTYLE) & WS_EX_TOPMOST);
    Button(w_, LmAddRandom);
    ASSERT_NE(nullptr, AddRandom());
    EXPECT_TRUE(GetWindowLongW(AddRandom(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    MoveWindow(w_, 70, 80, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    Button(w_, LmDone);
    EXPECT_EQ(70, g_settings.windowPos[PosMakelist].x);
    EXPECT_EQ(80, g_settings.windowPos[PosMakelist].y);
}

// Marks are dropped from the list that is left, not only from the one current at closing.
TEST_F(ListMaker, TheListsMenuChoosesTheList)
{
    MakeDir(L"lists\\other");
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(5), kThree));
    Click(Item(LmListRow + 0));
    std::vector<std::wstring> items = ListsMenuItems();
    ASSERT_EQ(2u, items.size());
    Menu(ListsMenuId(items[0] == L"other" ? 0 : 1));
    EXPECT_EQ(Title(L"other"), Text(w_));
    EXPECT_EQ(L"", ListRow(0));
    EXPECT_EQ((WordPairs{kThree[1], kThree[2]}), ListFile());
    Click(BookCell(2));  // goes to the list chosen
    EXPECT_EQ(L"mot00002", ListRow(0));
    EXPECT_EQ(2u, ListFile().size());

    ASSERT_EQ(1, NewList(L"fresh"));  // the same on leaving for a new list
    Click(BookCell(1));
    Click(Item(LmListRow + 0));
    ASSERT_EQ(1, NewList(L"Words"));
    EXPECT_TRUE(ReadWordBook(PairListPath(CurrentPair(), L"fresh")).empty());
    EXPECT_EQ(L"maison", ListRow(0));
}

TEST_F(ListMaker, ANewListBecomesCurrentAndTheCurrentOneCanBeDeleted)
{
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(5), kThree));
    ASSERT_EQ(1, NewList(L"fresh"));
    EXPECT_EQ(Title(L"fresh"), Text(w_));
    EXPECT_EQ((std::vector<std::wstring>{L"words", L"*fresh"}), ListsMenuItems());
    EXPECT_EQ(ListsMenuId(1), g_session.listId);
    EXPECT_EQ(L"", ListRow(0));
    Click(BookCell(4));
    EXPECT_EQ((WordPairs{NumberedWords(5)[4]}), ReadWordBook(PairListPath(CurrentPair(), L"fresh")));

    // An existing list named again (A to Z in another case) gets no second item.
    ASSERT_EQ(1, NewList(L"WORDS"));
    EXPECT_EQ((std::vector<std::wstring>{L"*words", L"fresh"}), ListsMenuItems());
    EXPECT_EQ(L"pomme", ListRow(2));

    Answer(IDYES);
    Menu(LmDeleteList);
    ASSERT_EQ(1u, Messages().size());
    EXPECT_EQ(Str(Txt_CreateListSureDel) + (L" words" + std::wstring(Str(Txt_CreateListSureDel2))), Messages()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONWARNING), Messages()[0].type);
    EXPECT_FALSE(FileExists(listPath_));
    EXPECT_EQ(Title(L"fresh"), Text(w_));
    EXPECT_EQ((std::vector<std::wstring>{L"*fresh"}), ListsMenuItems());
    EXPECT_EQ(L"mot00004", ListRow(0));

    Menu(LmDeleteList);  // the last list stays
    ASSERT_EQ(2u, Messages().size());
    EXPECT_EQ(Str(Txt_CreateListKeeplist), Messages()[1].text);
    EXPECT_EQ(Str(Txt_CreateListDelList), Messages()[1].caption);
    EXPECT_EQ(L"mot00004", ListRow(0));
}

// A box as the user meets it: whose it is, and whether the files the window
// behind it reads are open meanwhile.
struct BoxSeen {
    HWND owner;
    bool filesOpen;
};
std::vector<BoxSeen> g_boxes;
int SeeBox(HWND owner, const wchar_t*, const wchar_t*, UINT)
{
    g_boxes.push_back({owner, g_session.list.isOpen() && g_session.book.isOpen()});
    return IDYES;
}

// A failing command's box belongs to the window whose command it interrupts
// (a box disables its owner: no second click), once the files are open again.
TEST_F(ListMaker, FailureBoxesBelongToTheWindowTheyInterrupt)
{
    MakeDir(L"lists\\other");
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(5), kThree));
    capture_.reset();
    SetReportHooks({SeeBox, nullptr});
    const struct {
        const char* command;
        std::function<HWND()> run;  // gives the window whose command it is
    } cases[] = {
        {"marking a list row", [&] { InjectFileFault(1); Click(Item(LmListRow)); return w_; }},
        {"adding a word-book row", [&] { InjectFileFault(1); Click(BookCell(0)); return w_; }},
        {"add all", [&] { Button(w_, LmAddAll); return w_; }},
        {"remove all", [&] { Button(w_, LmRemoveAll); return w_; }},
        {"random words in place of the list", [&] {
             Button(w_, LmAddRandom);
             HWND add = AddRandom();
             Type(GetDlgItem(add, ArCount), L"2");
             Button(add, ArOk);
             return add;
         }},
        {"deleting the list", [&] {
             MakeDir(L"lists\\words\\kept");  // a folder the list can't take along
             Menu(LmDeleteList);
             return w_;
         }},
        {"closing after a mark", [&] { Click(Item(LmListRow)); Button(w_, LmDone); return w_; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        g_boxes.clear();
        HANDLE held = HoldOpen(listPath_);  // the list file can't be replaced
        HWND owner = c.run();
        InjectFileFault(0);
        CloseHandle(held);
        ASSERT_FALSE(g_boxes.empty());
        EXPECT_EQ(owner, g_boxes.back().owner);
        EXPECT_TRUE(g_boxes.back().filesOpen);
    }
    SetReportHooks({});
}

// A list that can't be deleted keeps its marked records marked, and closing
// drops them as usual.
TEST_F(ListMaker, MarksStayWhenTheListCantBeDeletedAndGoOnClosing)
{
    MakeDir(L"lists\\other");
    ASSERT_NO_FATAL_FAILURE(Open(NumberedWords(5), kThree));
    Click(Item(LmListRow + 1));
    MakeDir(L"lists\\words\\kept");
    Answer(IDYES);
    Menu(LmDeleteList);
    ASSERT_EQ(2u, Messages().size());
    EXPECT_EQ(Str(Txt_CreateListNoDel) + std::wstring(L" words"), Messages()[1].text);
    EXPECT_EQ(Str(Txt_CreateListDeleted), ListRow(1));
    EXPECT_EQ((std::vector<int>{0, 1, 0}), ListFlags());
    Button(w_, LmDone);
    EXPECT_EQ((WordPairs{kThree[0], kThree[2]}), ListFile());
}

// A list file another program holds for itself: each way of adding words
// says so, with the system's reason, once; once it is free words go in.
TEST_F(ListMaker, AddingToAListFileThatCantBeOpenedIsSaid)
{
    ASSERT_NO_FATAL_FAILURE(Start(NumberedWords(40), kThree));
    CloseListFile();
    HANDLE held = CreateFileW(listPath_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NO_FATAL_FAILURE(OpenWindow());
    const struct {
        const char* how;
        std::function<HWND()> add;  // gives the window that adds
    } cases[] = {
        {"a word-book row", [&] { Click(BookCell(2)); return w_; }},
        {"random words", [&] {
             Button(w_, LmAddRandom);
             HWND add = AddRandom();
             Button(add, ArReplace);  // only added to
             Type(GetDlgItem(add, ArCount), L"3");
             Button(add, ArOk);
             return add;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        capture_->clear();
        HWND owner = c.add();
        ASSERT_EQ(1u, Messages().size());
        EXPECT_EQ(FillIn(Str(Txt_CreateListCantOpen), {FullPath(listPath_), SystemErrorText(ERROR_SHARING_VIOLATION)}),
                  Messages()[0].text);
        EXPECT_EQ(owner, Messages()[0].owner);
        EXPECT_EQ(L"", ListRow(0));
    }
    CloseHandle(held);
    Click(BookCell(2));
    EXPECT_EQ(4u, ListFile().size());
    EXPECT_EQ(L"mot00002", ListRow(3));
}

TEST_F(ListMaker, AddAllRemoveAllAndPrint)
{
    WordPairs book = NumberedWords(12);
    ASSERT_NO_FATAL_FAILURE(Open(book, kThree));
    Button(w_, LmAddAll);
    EXPECT_EQ(book, ListFile());
    EXPECT_EQ(L"mot00004", ListRow(0));
    EXPECT_EQ(4, BarMax(LmListBar));
    EXPECT_EQ(L"mot00000", BookWord(0));  // the word book is open again

    g_printingNotices = 0;
    g_printingShown = CountPrintingNotice;
    WithDialog(LmPrint, {nullptr, nullptr, IDCANCEL});
    EXPECT_EQ(1, g_printingNotices);

    Button(w_, LmRemoveAll);
    EXPECT_TRUE(ListFile().empty());
    EXPECT_EQ(L"", ListRow(0));
    EXPECT_EQ(0, BarMax(LmListBar));
    EXPECT_EQ(Search(), GetFocus());
    EXPECT_EQ(0, WithDialog(LmPrint, {nullptr, nullptr, IDCANCEL}));  // an empty list prints nothing
    EXPECT_EQ(1, g_printingNotices);
    g_printingShown = nullptr;
}

// The draw on the program's generator, seeded as the test wants it.
TEST(RandomIndex, OneDrawWhileItReachesEveryRecordTwoAbove)
{
    for (int count : {1, 40, 32768, 100000}) {
        SeedRandom(77);
        Lcg same{77};
        int highest = 0;
        for (int i = 0; i < 2000; ++i) {
            int expected = same.Next();
            if (count > 32768)
                expected = (expected << 15) | same.Next();
            int r = RandomIndex(count);
            ASSERT_EQ(expected % count, r) << count;
            highest = std::max(highest, r);
        }
        if (count == 100000) {
            EXPECT_GT(highest, 90000);  // far above what one draw reaches
        }
    }
}

}  // namespace
