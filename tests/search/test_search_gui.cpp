#include "search/lookup.h"
#include "search/searchwindow.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/fileutil.h"
#include "core/records.h"
#include "core/report.h"
#include "core/review.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/listmaker.h"
#include "tests/support/practicelist.h"
#include "tests/support/screenshot.h"
#include "tests/support/searchwindows.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <commctrl.h>
#include <functional>
#include <map>

namespace {

// A tiny but real wave file: 8 kHz, 8 bits, mono, a tenth of a second.
std::string SmallWave()
{
    std::string data(800, '\x80');
    auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
    return "RIFF" + u32(36 + data.size()) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(8000) + u32(8000) + u16(1) +
           u16(8) + "data" + u32(data.size()) + data;
}

class SearchWindow : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
    }
    void TearDown() override
    {
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // Starts the program and opens the search window from the main window.
    void Open(int rows = 10, int minimal = 0)
    {
        w_ = OpenSearchWindow(rows, minimal);
        ASSERT_NE(nullptr, w_);
    }
    HWND Item(int id) { return GetDlgItem(FindWindowW(L"zoeken", nullptr), id); }
    std::wstring Text(HWND field)
    {
        wchar_t text[128] = L"";
        GetWindowTextW(field, text, 128);
        return text;
    }
    std::wstring Source(int row) { return Text(Item(IdSource + row)); }
    std::wstring Translation(int row) { return Text(Item(IdTranslation + row)); }
    // Types into the search field as the keyboard would.
    void Type(const std::wstring& text)
    {
        for (wchar_t c : text)
            SendMessageW(Item(IdSearch), WM_CHAR, c, 1);
    }
    void Key(HWND field, UINT key) { SendMessageW(field, WM_KEYDOWN, key, 1); }
    void Scroll(int code, int pos = 0)
    {
        SendMessageW(w_, WM_VSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(Item(IdScroll)));
    }
    // The menu bar's item at (menu, position) chosen, as a click on it would.
    void Menu(int menu, int position, int subPosition = -1)
    {
        HMENU sub = GetSubMenu(GetMenu(w_), menu);
        if (subPosition >= 0)
            sub = GetSubMenu(sub, position), position = subPosition;
        SendMessageW(w_, WM_COMMAND, GetMenuItemID(sub, position), 0);
        PumpMessages();
        w_ = FindWindowW(L"zoeken", nullptr);
    }
    // Edits a row field and presses Enter in it.
    void EditRow(HWND field, const std::wstring& text)
    {
        SetWindowTextW(field, text.c_str());
        Key(field, VK_RETURN);
    }
    // Opens a row field's menu and picks an item by its access key.
    void FieldMenu(HWND field, wchar_t key)
    {
        PostMessageW(field, WM_CHAR, key, 1);
        PostMessageW(field, WM_KEYDOWN, VK_ESCAPE, 1);  // closes a menu the key did not
        SendMessageW(field, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
        PumpMessages();
    }
    void Close()
    {
        SendMessageW(w_, WM_COMMAND, MAKEWPARAM(IdDone, BN_CLICKED), reinterpret_cast<LPARAM>(Item(IdDone)));
        PumpMessages();
    }
    HWND w_ = nullptr;
    MessageCapture capture_;
};

TEST_F(SearchWindow, OpensFromTheMainWindowAndGivesItBackOnClosing)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(40));
    Open();
    EXPECT_FALSE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(1, g_windowOpen);
    RECT rc;
    GetWindowRect(w_, &rc);
    EXPECT_EQ(630, rc.right - rc.left);
    EXPECT_EQ(23 * 10 + g_captionHeight + g_menuHeight + 80, rc.bottom - rc.top);
    EXPECT_EQ(L"mot000", Source(0));
    EXPECT_EQ(L"word009", Translation(9));
    SaveScreenshot(w_, L"search");

    MoveWindow(w_, 33, 44, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    Close();
    EXPECT_EQ(nullptr, FindWindowW(L"zoeken", nullptr));
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(0, g_windowOpen);
    EXPECT_EQ(33, g_settings.windowPos[PosSearch].x);
    EXPECT_EQ(44, g_settings.windowPos[PosSearch].y);
    EXPECT_TRUE(capture_.messages().empty());
}

TEST_F(SearchWindow, TypingPositionsTheTable)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(40));
    Open();
    Type(L"mot02");
    EXPECT_EQ(L"mot020", Source(0));
    Type(L"5");
    EXPECT_EQ(L"mot025", Source(0));
    EXPECT_EQ(L"word025", Translation(0));
    Type(L"x");  // between two words: the next one
    EXPECT_EQ(L"mot026", Source(0));
    SetWindowTextW(Item(IdSearch), L"");
    Type(L"zzz");  // after every word: the last page stays full
    EXPECT_EQ(L"mot030", Source(0));
    EXPECT_EQ(L"mot039", Source(9));
    Key(Item(IdSearch), VK_RETURN);  // empties the field: back to the start
    EXPECT_EQ(L"", Text(Item(IdSearch)));
    EXPECT_EQ(L"mot000", Source(0));
    Type(L"MOT01");  // case folds
    EXPECT_EQ(L"mot010", Source(0));
    SetWindowTextW(Item(IdSearch), L"");
    EXPECT_EQ(L"mot000", Source(0));
}

TEST_F(SearchWindow, FewerRecordsThanRowsKeepTheTopAtTheStart)
{
    Open();  // three records
    EXPECT_EQ(L"bonjour", Source(0));
    EXPECT_EQ(L"\u00e9t\u00e9", Source(2));
    EXPECT_EQ(L"", Source(3));
    Type(L"z");
    EXPECT_EQ(L"bonjour", Source(0));
    Key(Item(IdSearch), VK_DOWN);
    Key(Item(IdSearch), VK_NEXT);
    Scroll(SB_PAGEDOWN);
    EXPECT_EQ(L"bonjour", Source(0));
}

TEST_F(SearchWindow, KeysAndScrollBarMoveWithinTheBook)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(40));
    Open();
    HWND search = Item(IdSearch);
    Key(search, VK_UP);
    EXPECT_EQ(L"mot000", Source(0));
    Key(search, VK_DOWN);
    EXPECT_EQ(L"mot001", Source(0));
    Key(search, VK_NEXT);
    EXPECT_EQ(L"mot011", Source(0));
    Key(search, VK_PRIOR);
    Key(search, VK_PRIOR);
    EXPECT_EQ(L"mot000", Source(0));
    for (int i = 0; i < 5; ++i)
        Key(search, VK_NEXT);
    EXPECT_EQ(L"mot030", Source(0));  // the last full page
    Scroll(SB_LINEUP);
    EXPECT_EQ(L"mot029", Source(0));
    EXPECT_EQ(2, GetScrollPos(Item(IdScroll), SB_CTL));
    Scroll(SB_THUMBPOSITION, 1);
    EXPECT_EQ(L"mot010", Source(0));
    Scroll(SB_THUMBPOSITION, 3);  // past the last page: the last page
    EXPECT_EQ(L"mot030", Source(0));
    Scroll(SB_LINEDOWN);
    EXPECT_EQ(L"mot030", Source(0));
    Scroll(SB_THUMBTRACK, 0);  // tracking changes nothing
    EXPECT_EQ(L"mot030", Source(0));
    int low = -1, high = -1;
    GetScrollRange(Item(IdScroll), SB_CTL, &low, &high);
    EXPECT_EQ(3, high);
    Scroll(SB_PAGEUP);
    EXPECT_EQ(L"mot020", Source(0));
    // Another scroll bar's messages are not this table's.
    SendMessageW(w_, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    EXPECT_EQ(L"mot020", Source(0));
}

TEST_F(SearchWindow, EditingASourceWordSortsTheBookOnClosing)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(12));
    Open();
    EditRow(Item(IdSource + 1), L"zebre");
    EXPECT_EQ(GetFocus(), Item(IdSearch));
    EXPECT_EQ(L"zebre", ReadWordBook(L"books\\francais_english.wb")[1].first);  // written at once
    Close();
    WordPairs after = ReadWordBook(L"books\\francais_english.wb");
    ASSERT_EQ(12u, after.size());
    EXPECT_EQ(L"mot002", after[1].first);
    EXPECT_EQ(L"zebre", after[11].first);
    EXPECT_EQ(L"word001", after[11].second);
}

TEST_F(SearchWindow, EditingOnlyATranslationDoesNotSort)
{
    // A record marked deleted would be dropped by a sort.
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(5), {0, 0, 0, 0, 1});
    Open();
    EXPECT_EQ(Str(Txt_CreateListDeleted), Source(4));
    EditRow(Item(IdTranslation + 2), L"a word, another");
    Close();
    WordPairs after = ReadWordBook(L"books\\francais_english.wb");
    ASSERT_EQ(5u, after.size());
    EXPECT_EQ(L"a word, another", after[2].second);
}

TEST_F(SearchWindow, RefusedEditsBeepAndPutTheStoredTextBack)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(3), {0, 1, 0});
    std::string before = ReadBytes(L"books\\francais_english.wb");
    Open(5);
    EditRow(Item(IdSource + 0), L"");
    EXPECT_EQ(L"mot000", Source(0));
    EditRow(Item(IdTranslation + 0), L"");
    EXPECT_EQ(L"word000", Translation(0));
    EditRow(Item(IdSource + 1), L"revived");  // a deleted record
    EXPECT_EQ(Str(Txt_CreateListDeleted), Source(1));
    EditRow(Item(IdSource + 4), L"past the end");  // a row that shows no record
    FieldMenu(Item(IdSource + 4), 'd');
    EXPECT_EQ(before, ReadBytes(L"books\\francais_english.wb"));
    Close();
    EXPECT_EQ(before, ReadBytes(L"books\\francais_english.wb"));  // nothing to sort
}

TEST_F(SearchWindow, DeletedRecordsGoAtClosingAndRestoredOnesStay)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(6));
    Open();
    FieldMenu(Item(IdSource + 2), 'd');
    EXPECT_EQ(Str(Txt_CreateListDeleted), Source(2));
    EXPECT_EQ(Str(Txt_CreateListDeleted), Translation(2));
    EXPECT_EQ(GetFocus(), Item(IdSearch));
    SaveScreenshot(w_, L"search-deleted-row");
    FieldMenu(Item(IdTranslation + 4), 'd');
    FieldMenu(Item(IdTranslation + 4), 'r');  // restored again
    EXPECT_EQ(L"mot004", Source(4));
    EXPECT_EQ(L"word004", Translation(4));
    Close();
    WordPairs after = ReadWordBook(L"books\\francais_english.wb");
    ASSERT_EQ(5u, after.size());
    EXPECT_EQ(L"mot003", after[2].first);
    EXPECT_EQ(L"mot004", after[3].first);
}

// An edit and a deletion with each step of their write failing, and with the
// disk full inside the record: the book keeps its bytes, the row shows what
// the book holds, the user is told, and the same change works next time.
TEST_F(SearchWindow, AFailingWriteKeepsTheRecordShowsItAndSaysSo)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(6));
    const std::string before = ReadBytes(L"books\\francais_english.wb");
    Open();
    struct Fault { long failAt; long long diskFullAt; };
    for (Fault fault : {Fault{1, -1}, Fault{2, -1}, Fault{0, 0}, Fault{0, 40}, Fault{0, 83}}) {
        size_t boxes = capture_.messages().size();
        InjectFileFault(fault.failAt, fault.diskFullAt);
        EditRow(Item(IdSource + 1), L"zebre");
        InjectFileFault(0);
        EXPECT_EQ(before, ReadBytes(L"books\\francais_english.wb")) << fault.failAt << " " << fault.diskFullAt;
        EXPECT_EQ(L"mot001", Source(1));
        ASSERT_EQ(boxes + 1, capture_.messages().size());
        EXPECT_NE(std::wstring::npos, capture_.messages().back().text.find(L"francais_english.wb"));

        InjectFileFault(fault.failAt, fault.diskFullAt);
        FieldMenu(Item(IdTranslation + 3), 'd');
        InjectFileFault(0);
        EXPECT_EQ(before, ReadBytes(L"books\\francais_english.wb"));
        EXPECT_EQ(L"word003", Translation(3));
        EXPECT_EQ(boxes + 2, capture_.messages().size());
    }
    EditRow(Item(IdSource + 1), L"zebre");
    FieldMenu(Item(IdTranslation + 3), 'd');
    EXPECT_EQ(before.size(), ReadBytes(L"books\\francais_english.wb").size());
    EXPECT_EQ(L"zebre", ReadWordBook(L"books\\francais_english.wb")[1].first);
    EXPECT_EQ(Str(Txt_CreateListDeleted), Source(3));
    Close();
    WordPairs after = ReadWordBook(L"books\\francais_english.wb");
    ASSERT_EQ(5u, after.size());
    EXPECT_EQ(L"zebre", after.back().first);
}

// A second pair whose source language writes in code page 1253.
void AddGreekPair()
{
    WriteBytes(L"DICT.INI",
               "# Wordbook catalogue\n\n[Addnew]\n\n[Selected]\nellinika_english.wb\n\n"
               "[Languages]\nellinika,greek,161,ellinika\nfrancais,french,0,francais\n\n# --- EOF\n");
    std::string bytes;
    for (auto [word, translation] : WordPairs{{L"\u03b1\u03b2", L"ab"}, {L"\u03b3\u03ac\u03c4\u03b1", L"cat"}}) {
        WideRecord wide{};
        wcscpy(wide.source, word.c_str());
        wcscpy(wide.translation, translation.c_str());
        WordRecord raw;
        BuildWordRecord(wide, 1253, 1252, &raw);
        bytes.append(reinterpret_cast<const char*>(&raw), sizeof raw);
    }
    WriteBytes(L"books\\ellinika_english.wb", bytes);
    WriteWordBook(L"books\\english_ellinika.wb", {});
}

std::string ClipboardBytes()
{
    std::string bytes;
    ReadClipboardBytes(nullptr, &bytes);
    return bytes;
}

void SetClipboardBytes(HWND owner, const std::string& bytes)
{
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
    char* p = static_cast<char*>(GlobalLock(block));
    memcpy(p, bytes.c_str(), bytes.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

TEST_F(SearchWindow, CopyAndPasteTravelInTheFieldLanguagesCodePage)
{
    AddGreekPair();
    Open();
    ASSERT_EQ(L"\u03b3\u03ac\u03c4\u03b1", Source(1));
    FieldMenu(Item(IdSource + 1), 'c');
    EXPECT_EQ("\xe3\xdc\xf4\xe1", ClipboardBytes());
    FieldMenu(Item(IdSource + 0), 'p');
    EXPECT_EQ(L"\u03b3\u03ac\u03c4\u03b1", Source(0));
    FieldMenu(Item(IdTranslation + 0), 'c');
    EXPECT_EQ("ab", ClipboardBytes());

    // Longer than the field: cut to what it holds.
    SetClipboardBytes(w_, std::string(40, '\xe1') + "\xe2");
    FieldMenu(Item(IdSource + 0), 'p');
    EXPECT_EQ(std::wstring(30, L'\u03b1'), Source(0));
    SetClipboardBytes(w_, std::string(70, 'x'));
    FieldMenu(Item(IdTranslation + 1), 'p');
    EXPECT_EQ(std::wstring(50, L'x'), Translation(1));
    // Pasting writes nothing until Enter.
    EXPECT_EQ(L"cat", ReadWordBook(L"books\\ellinika_english.wb")[1].second);
}

TEST_F(SearchWindow, ThePickerFollowsTheLanguageOfTheFocusedField)
{
    AddGreekPair();
    MakeDir(L"charset");
    WriteBytes(L"charset\\ellinika.chs", "\xe1\xe2\n");
    Open();
    Menu(0, 0);
    HWND picker = FindWindowW(L"tekenset", nullptr);
    ASSERT_NE(nullptr, picker);
    HMENU charset = GetSubMenu(GetMenu(w_), 0);
    EXPECT_TRUE(GetMenuState(charset, 0, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(charset, 1, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_EQ(Item(IdSearch), GetFocus());
    SendMessageW(picker, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(picker, 1)));
    EXPECT_EQ(L"\u03b2", Text(Item(IdSearch)));
    PumpMessages(200);
    RECT searchArea, pickerArea, both;
    GetWindowRect(w_, &searchArea);
    GetWindowRect(picker, &pickerArea);
    UnionRect(&both, &searchArea, &pickerArea);
    SaveScreenshot(both, L"search-picker");

    // A field of the other language brings that language's characters.
    SetFocus(Item(IdTranslation + 1));
    PumpMessages();
    picker = FindWindowW(L"tekenset", nullptr);
    ASSERT_NE(nullptr, picker);
    EXPECT_EQ(Item(IdTranslation + 1), GetFocus());
    EXPECT_NE(nullptr, GetDlgItem(picker, 65));  // the built-in set: no english.chs
    SendMessageW(Item(IdTranslation + 1), EM_SETSEL, 0, 0);
    SendMessageW(picker, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(picker, 0)));
    EXPECT_EQ(L"\u00c0cat", Translation(1));

    Menu(0, 1);
    EXPECT_EQ(nullptr, FindWindowW(L"tekenset", nullptr));
    EXPECT_TRUE(GetMenuState(charset, 1, MF_BYPOSITION) & MF_CHECKED);
    Menu(0, 0);
    Close();
    EXPECT_EQ(nullptr, FindWindowW(L"tekenset", nullptr));
}

TEST_F(SearchWindow, FollowsWhatOtherWindowsCopy)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(40));
    Open();
    HMENU clip = GetSubMenu(GetMenu(w_), 1);
    EXPECT_TRUE(GetMenuState(clip, 1, MF_BYPOSITION) & MF_CHECKED);
    Menu(1, 0);
    EXPECT_TRUE(GetMenuState(clip, 0, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(clip, 1, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_EQ(1, g_settings.clipSearch);

    HWND other = CreateWindowW(L"edit", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 50, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(other);
    SetActiveWindow(other);
    PumpMessages();
    SetClipboardBytes(other, "mot033");
    PumpMessages();
    EXPECT_EQ(L"mot033", Text(Item(IdSearch)));
    EXPECT_EQ(L"mot030", Source(0));  // the last page stays full

    // Copied in the search window itself: no lookup.
    SetForegroundWindow(w_);
    SetActiveWindow(w_);
    PumpMessages();
    FieldMenu(Item(IdSource + 2), 'c');
    EXPECT_EQ("mot032", ClipboardBytes());
    EXPECT_EQ(L"mot033", Text(Item(IdSearch)));

    Menu(1, 1);  // leaves the chain: other windows' copies are theirs again
    EXPECT_EQ(0, g_settings.clipSearch);
    SetActiveWindow(other);
    SetClipboardBytes(other, "mot001");
    PumpMessages();
    EXPECT_EQ(L"mot033", Text(Item(IdSearch)));
    DestroyWindow(other);
}

// The word book of an installation the user can't write is shown, never
// changed: its rows can't be typed in, and neither Enter nor the field menu
// stores anything or reports a failure.
TEST_F(SearchWindow, AReadOnlyInstallationsBookIsOnlyShown)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(20));
    std::string before = ReadBytes(L"books\\francais_english.wb");
    InjectUnwritableFolder(L".");
    Open();
    ASSERT_EQ(1u, capture_.messages().size());  // the start's one word on it
    capture_.clear();
    for (int row = 0; row < 6; ++row) {
        EXPECT_TRUE(GetWindowLongW(Item(IdSource + row), GWL_STYLE) & ES_READONLY) << row;
        EXPECT_TRUE(GetWindowLongW(Item(IdTranslation + row), GWL_STYLE) & ES_READONLY) << row;
    }
    SetClipboardBytes(w_, "pasted");
    const struct {
        const char* what;
        int row;
        bool source;
        wchar_t menuKey;  // 0: an edit ended with Enter
    } tries[] = {
        {"edited source", 1, true, 0},
        {"edited translation", 2, false, 0},
        {"deleted", 3, true, 'd'},
        {"pasted", 4, true, 'p'},
    };
    for (const auto& t : tries) {
        SCOPED_TRACE(t.what);
        HWND field = Item((t.source ? IdSource : IdTranslation) + t.row);
        if (t.menuKey)
            FieldMenu(field, t.menuKey);
        else
            EditRow(field, L"changed");
        EXPECT_EQ(L"mot00" + std::to_wstring(t.row), Source(t.row));
        EXPECT_EQ(L"word00" + std::to_wstring(t.row), Translation(t.row));
        EXPECT_EQ(before, ReadBytes(L"books\\francais_english.wb"));
    }
    Type(L"mot004");
    EXPECT_EQ(L"mot004", Source(0));
    Close();
    InjectUnwritableFolder(L"");
    EXPECT_TRUE(capture_.messages().empty());
    EXPECT_EQ(before, ReadBytes(L"books\\francais_english.wb"));
}

// A viewer that keeps its own place in the clipboard chain and logs what reaches it.
struct ChainViewer {
    static HWND Next(HWND h) { return reinterpret_cast<HWND>(GetWindowLongPtrW(h, GWLP_USERDATA)); }
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp)
    {
        HWND next = Next(h);
        if (m == WM_CHANGECBCHAIN) {
            leaving[h].push_back(reinterpret_cast<HWND>(wp));
            if (reinterpret_cast<HWND>(wp) == next)
                SetWindowLongPtrW(h, GWLP_USERDATA, lp);
            else if (next)
                SendMessageW(next, m, wp, lp);
            return 0;
        }
        if (m == WM_DRAWCLIPBOARD) {
            ++notices[h];
            if (next)
                SendMessageW(next, m, wp, lp);
            return 0;
        }
        return DefWindowProcW(h, m, wp, lp);
    }
    static HWND Join()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"testchainviewer";
        RegisterClassW(&wc);
        HWND h = CreateWindowW(L"testchainviewer", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                               nullptr);
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(SetClipboardViewer(h)));
        return h;
    }
    static inline std::map<HWND, std::vector<HWND>> leaving;
    static inline std::map<HWND, int> notices;
};

TEST_F(SearchWindow, PassesClipboardNoticesOnAlongTheChain)
{
    Open();
    HWND viewer = ChainViewer::Join();
    Menu(1, 0);  // the search window joins in front of the viewer
    ChainViewer::notices.clear();
    SetClipboardBytes(viewer, "mot");
    PumpMessages();
    EXPECT_EQ(1, ChainViewer::notices[viewer]);
    // The viewer leaves: its successor becomes the search window's next.
    ChangeClipboardChain(viewer, ChainViewer::Next(viewer));
    PumpMessages();
    ChainViewer::notices.clear();
    SetClipboardBytes(viewer, "chat");
    PumpMessages();
    EXPECT_EQ(0, ChainViewer::notices[viewer]);
    Menu(1, 1);
    DestroyWindow(viewer);
}

// The search window, then a near and a far viewer: the far one leaving is
// news for the near one, which only the search window can pass on.
TEST_F(SearchWindow, PassesAChainChangeFurtherDownOnToItsNextViewer)
{
    Open();
    HWND farViewer = ChainViewer::Join();
    HWND nearViewer = ChainViewer::Join();
    Menu(1, 0);
    HWND afterFar = ChainViewer::Next(farViewer);
    ChangeClipboardChain(farViewer, afterFar);
    PumpMessages();
    EXPECT_EQ((std::vector<HWND>{farViewer}), ChainViewer::leaving[nearViewer]);
    EXPECT_EQ(afterFar, ChainViewer::Next(nearViewer));
    ChainViewer::notices.clear();
    SetClipboardBytes(nearViewer, "chat");
    PumpMessages();
    EXPECT_EQ(1, ChainViewer::notices[nearViewer]);
    EXPECT_EQ(0, ChainViewer::notices[farViewer]);
    Menu(1, 1);
    ChangeClipboardChain(nearViewer, ChainViewer::Next(nearViewer));
    DestroyWindow(nearViewer);
    DestroyWindow(farViewer);
}

TEST_F(SearchWindow, PlaysTheSoundsThatExist)
{
    WriteWordBook(L"books\\francais_english.wb", {{L"chat", L"cat,  tomcat "}, {L"chien", L"dog"}, {L"..", L"up"}});
    MakeDir(L"sound");
    MakeDir(L"sound\\francais");
    MakeDir(L"sound\\english");
    WriteBytes(L"sound\\francais\\chat.wav", SmallWave());
    WriteBytes(L"sound\\english\\tomcat.wav", SmallWave());
    WriteBytes(L"sound\\up.wav", SmallWave());
    Open();
    // The play item is offered only where a file exists.
    std::vector<bool> offered;
    struct Spy {
        static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data)
        {
            if (m == WM_INITMENUPOPUP)
                reinterpret_cast<std::vector<bool>*>(data)->push_back(
                    !(GetMenuState(reinterpret_cast<HMENU>(wp), 3, MF_BYPOSITION) & MF_GRAYED));
            return DefSubclassProc(h, m, wp, lp);
        }
    };
    SetWindowSubclass(w_, Spy::Proc, 7, reinterpret_cast<DWORD_PTR>(&offered));
    FieldMenu(Item(IdSource + 0), 'l');       // chat: plays, synchronously
    FieldMenu(Item(IdTranslation + 0), 'l');  // tomcat, found without its spaces
    FieldMenu(Item(IdSource + 1), 'l');       // chien: no file, nothing plays
    FieldMenu(Item(IdSource + 2), 'l');       // "..": never a file outside the folder
    RemoveWindowSubclass(w_, Spy::Proc, 7);
    EXPECT_EQ((std::vector<bool>{true, true, false, false}), offered);
    EXPECT_TRUE(capture_.messages().empty());
    EXPECT_TRUE(IsWindow(w_));
}

TEST(SoundFiles, StayInsideTheLanguagesFolder)
{
    EXPECT_EQ(L"sound\\english\\cat.wav", SoundFilePath(L"english", L"cat"));
    EXPECT_EQ(L"sound\\english\\l'eau-de-vie.wav", SoundFilePath(L"english", L"l'eau-de-vie"));
    for (const wchar_t* word : {L"", L"..", L"..\\x", L"a/b", L"a\\b", L"c:x", L"x..y"})
        EXPECT_EQ(L"", SoundFilePath(L"english", word)) << word;
    EXPECT_EQ((std::vector<std::wstring>{L"cat", L"tom cat"}), TranslationParts(L" cat ,, tom cat , "));
}

TEST_F(SearchWindow, RowCountsAndTheMinimalLayout)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(40));
    Open();
    HMENU rows = GetSubMenu(GetSubMenu(GetMenu(w_), 2), 0);
    ASSERT_EQ(26, GetMenuItemCount(rows));
    EXPECT_TRUE(GetMenuState(rows, 10, MF_BYPOSITION) & MF_CHECKED);
    EditRow(Item(IdSource + 0), L"zz");  // owed a sort
    Menu(2, 0, 25);
    RECT rc;
    GetWindowRect(w_, &rc);
    EXPECT_EQ(23 * 25 + g_captionHeight + g_menuHeight + 80, rc.bottom - rc.top);
    EXPECT_EQ(L"mot024", Source(24));
    EXPECT_EQ(25, g_settings.searchWindowSize);
    EXPECT_EQ(1, g_windowOpen);
    EXPECT_FALSE(IsWindowVisible(g_mainWindow));

    Menu(2, 0, 0);
    GetWindowRect(w_, &rc);
    EXPECT_EQ(500, rc.right - rc.left);
    EXPECT_EQ(23 + g_captionHeight + g_menuHeight + 20, rc.bottom - rc.top);
    EXPECT_FALSE(IsWindowVisible(Item(IdSearch)));
    EXPECT_FALSE(IsWindowVisible(Item(IdDone)));
    EXPECT_EQ(nullptr, Item(IdSource + 1));
    EXPECT_EQ(1, g_settings.searchWindowMinimal);
    EXPECT_EQ(1, g_settings.searchWindowSize);
    EXPECT_TRUE(GetMenuState(GetSubMenu(GetSubMenu(GetMenu(w_), 2), 0), 0, MF_BYPOSITION) & MF_CHECKED);
    SaveScreenshot(w_, L"search-minimal");
    Type(L"mot007");
    EXPECT_EQ(L"mot007", Source(0));
    SendMessageW(w_, WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_EQ(L"zz", ReadWordBook(L"books\\francais_english.wb")[39].first);  // the edit still sorted
}

TEST_F(SearchWindow, StoredSizesOutOfRangeAreMadeValid)
{
    Open(99);
    EXPECT_EQ(25, g_settings.searchWindowSize);
    Close();
    Open(-3, 0);
    EXPECT_EQ(1, g_settings.searchWindowSize);
    Close();
    Open(12, 1);
    EXPECT_EQ(1, g_settings.searchWindowSize);
    EXPECT_FALSE(IsWindowVisible(Item(IdSearch)));
}

TEST_F(SearchWindow, SwitchingThePairSortsFirstAndShowsTheNewBook)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(12));
    Open();
    EditRow(Item(IdSource + 0), L"zz");
    SendMessageW(w_, WM_COMMAND, CurrentPair()->menuId + 1, 0);  // deutsch -> english
    PumpMessages();
    EXPECT_STREQ(L"deutsch", CurrentPair()->sourceName);
    EXPECT_EQ(L"Haus", Source(0));
    EXPECT_EQ(L"Katze", Source(1));
    EXPECT_EQ(L"zz", ReadWordBook(L"books\\francais_english.wb")[11].first);
    EXPECT_EQ(GetFocus(), Item(IdSearch));
    Close();
    EXPECT_STREQ(L"deutsch", CurrentPair()->sourceName);
}

// The menu command of the pair from a source language to english.
int PairCommand(const wchar_t* source)
{
    for (auto& entry : g_catalogue.entries)
        if (wcscmp(entry->sourceName, source) == 0)
            return entry->menuId;
    return -1;
}

// Enter in a translation field stores the row's word too; a new word there
// is sorted in on closing like one entered in its own field.
TEST_F(SearchWindow, AWordChangedThroughATranslationFieldIsSortedIn)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(12));
    Open();
    SetWindowTextW(Item(IdSource + 1), L"zebre");
    EditRow(Item(IdTranslation + 1), L"zebra");
    EXPECT_EQ(GetFocus(), Item(IdSearch));
    EXPECT_EQ((std::pair<std::wstring, std::wstring>{L"zebre", L"zebra"}),
              ReadWordBook(L"books\\francais_english.wb")[1]);  // written at once
    Close();
    WordPairs after = ReadWordBook(L"books\\francais_english.wb");
    ASSERT_EQ(12u, after.size());
    EXPECT_EQ(L"mot002", after[1].first);
    EXPECT_EQ((std::pair<std::wstring, std::wstring>{L"zebre", L"zebra"}), after[11]);
}

// A translation stored with its row's word emptied: refused with a word,
// nothing written, the row kept for the word to be typed.
TEST_F(SearchWindow, AnEmptyWordIsRefusedFromATranslationField)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(6));
    const std::string before = ReadBytes(L"books\\francais_english.wb");
    Open();
    SetWindowTextW(Item(IdSource + 2), L"");
    EditRow(Item(IdTranslation + 2), L"two");
    ASSERT_EQ(1u, capture_.messages().size());
    EXPECT_EQ(Str(Txt_SearchEmptyWord), capture_.messages()[0].text);
    EXPECT_EQ(w_, capture_.messages()[0].owner);
    EXPECT_EQ(before, ReadBytes(L"books\\francais_english.wb"));
    EXPECT_EQ(L"", Source(2));
    EXPECT_EQ(L"two", Translation(2));
    EXPECT_EQ(Item(IdSource + 2), GetFocus());
}

TEST_F(SearchWindow, RowsPastTheEndOfASmallerBookAreEmptiedOnASwitch)
{
    WriteWordBook(L"books\\francais_english.wb", NumberedWords(12));
    Open();
    SendMessageW(w_, WM_COMMAND, PairCommand(L"deutsch"), 0);
    PumpMessages();
    EXPECT_EQ(L"Katze", Source(1));
    for (int row = 2; row < 10; ++row) {
        EXPECT_EQ(L"", Source(row)) << row;
        EXPECT_EQ(L"", Translation(row)) << row;
    }
}

// The picker, hidden at the switch, offers the new source language when it
// is shown, though both languages share a character set.
TEST_F(SearchWindow, AHiddenPickerFollowsThePairSwitchedTo)
{
    MakeDir(L"charset");
    WriteBytes(L"charset\\francais.chs", "\xe9\n");
    WriteBytes(L"charset\\deutsch.chs", "\xdf\n");
    Open();
    SendMessageW(w_, WM_COMMAND, PairCommand(L"deutsch"), 0);
    PumpMessages();
    SetWindowTextW(Item(IdSearch), L"");
    Menu(0, 0);
    HWND picker = FindWindowW(L"tekenset", nullptr);
    ASSERT_NE(nullptr, picker);
    SendMessageW(picker, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(picker, 0)));
    EXPECT_EQ(L"\u00df", Text(Item(IdSearch)));
    Close();
}

// With more pairs than the fields' ids, what the fields tell the window is
// still no pair command; the menu's are.
TEST_F(SearchWindow, NoFieldsNoticeSwitchesThePairHoweverLongTheCatalogue)
{
    std::string catalogue = "# Wordbook catalogue\n\n[Addnew]\n\n[Selected]\nfrancais_english.wb\n\n[Languages]\n"
                            "francais,french,0,francais\ndeutsch,german,0,deutsch\n";
    for (int i = 0; i < 500; ++i) {
        char line[32];
        snprintf(line, sizeof line, "l%d,english,0\n", i);
        catalogue += line;
    }
    WriteBytes(L"DICT.INI", catalogue + "\n# --- EOF\n");
    Open();
    ASSERT_GT(CmdFirstPair + g_catalogue.count(), static_cast<int>(IdDone));
    const struct {
        const char* what;
        int id;
    } fields[] = {{"a word", IdSource + 1}, {"a translation", IdTranslation + 1}, {"the search", IdSearch}};
    for (const auto& field : fields) {
        SCOPED_TRACE(field.what);
        SendMessageW(Item(field.id), WM_CHAR, L'x', 1);
        SetFocus(Item(field.id));
        PumpMessages();
        EXPECT_STREQ(L"francais", CurrentPair()->sourceName);
        EXPECT_EQ(L"bonjour", Source(0));
    }
    EXPECT_TRUE(capture_.messages().empty());
    SendMessageW(w_, WM_COMMAND, PairCommand(L"deutsch"), 0);
    PumpMessages();
    EXPECT_STREQ(L"deutsch", CurrentPair()->sourceName);
    EXPECT_EQ(L"Haus", Source(0));
}

TEST(WordAtCaret, TakesTheWholeWordAroundTheCaret)
{
    std::wstring text = L"l'arc-en-ciel abc123 \u00e9t\u00e9, x";
    EXPECT_EQ(L"l'arc-en-ciel", WordAtCaret(text, 0));
    EXPECT_EQ(L"l'arc-en-ciel", WordAtCaret(text, 7));
    EXPECT_EQ(L"", WordAtCaret(text, 13));  // the space behind it
    EXPECT_EQ(L"abc", WordAtCaret(text, 15));
    EXPECT_EQ(L"", WordAtCaret(text, 18));  // a digit
    EXPECT_EQ(L"\u00e9t\u00e9", WordAtCaret(text, 22));
    EXPECT_EQ(L"x", WordAtCaret(text, text.size() - 1));
    EXPECT_EQ(L"", WordAtCaret(text, text.size()));
    EXPECT_EQ(L"word", WordAtCaret(L" word", 1));
    EXPECT_EQ(std::wstring(49, L'a'), WordAtCaret(std::wstring(60, L'a'), 30));
}

const WordPairs kFive = {
    {L"abc", L"alphabet"}, {L"bonjour", L"hello"}, {L"chat", L"cat"}, {L"homme", L"man"}, {L"maison", L"house"}};

// The record goes in as the book holds it; its schedule, untouched, has it due in box 1.
TEST_F(SearchWindow, AddsTheRowsWordToThePracticeListOnce)
{
    ASSERT_NO_FATAL_FAILURE(StartWithBookAndList(kFive, {{L"Chat", L"cat"}}));
    Open();
    const std::wstring list = PairListPath(CurrentPair(), g_session.listName), schedule = SchedulePath(list);
    ASSERT_TRUE(WriteSchedule(schedule, {{3, Today() + 2}}));
    const std::string book = ReadBytes(L"books\\francais_english.wb"), scheduled = ReadBytes(schedule);
    std::string expected = ReadBytes(list);
    const struct { std::function<void()> act; int record; std::wstring refused; } cases[] = {
        {[&] { FieldMenu(Item(IdTranslation + 1), L'a'); }, 1, L""},
        {[&] { PressCtrlKey(Item(IdSource + 4), 'L'); }, 4, L""},
        {[&] { SetWindowTextW(Item(IdSearch), L"ABC"); PressCtrlKey(Item(IdSearch), 'L'); }, 0, L""},
        {[&] { PressCtrlKey(Item(IdSource + 2), 'L'); }, -1, FillIn(Str(Txt_AddToListAlready), {L"chat", L"words"})},
        {[&] { FieldMenu(Item(IdSource + 3), L'd'); PressCtrlKey(Item(IdSource + 3), 'L'); }, -1,
         Str(Txt_AddToListNoWord)},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        SetWindowTextW(Item(IdStatus), L"");
        cases[i].act();
        if (cases[i].record >= 0)
            expected += book.substr(cases[i].record * sizeof(WordRecord), sizeof(WordRecord));
        EXPECT_EQ(expected, ReadBytes(list));
        EXPECT_EQ(cases[i].record < 0 ? cases[i].refused
                                      : FillIn(Str(Txt_AddToListAdded), {kFive[cases[i].record].first, L"words"}),
                  Text(Item(IdStatus)));
    }
    EXPECT_EQ(scheduled, ReadBytes(schedule));
    EXPECT_TRUE(capture_.messages().empty());
}

TEST_F(SearchWindow, WithNoPracticeListYetOneMayBeMadeForTheWord)
{
    Open();
    for (int answer : {IDNO, IDYES}) {
        MessageCapture boxes(answer);
        if (answer == IDYES)
            NameNextNewList(L"neu");
        PressCtrlKey(Item(IdSource + 1), 'L');
        ASSERT_EQ(1u, boxes.messages().size()) << answer;
        EXPECT_EQ(FillIn(Str(Txt_AddToListNoList), {L"francais-english"}), boxes.messages()[0].text);
        EXPECT_EQ(answer == IDYES ? FillIn(Str(Txt_AddToListAdded), {L"chat", L"neu"}) : Str(Txt_AddToListNothing),
                  Text(Item(IdStatus)));
        EXPECT_EQ(answer == IDYES ? 1 : 0, CountLists());
    }
    EXPECT_EQ(ReadBytes(L"books\\francais_english.wb").substr(sizeof(WordRecord), sizeof(WordRecord)),
              ReadBytes(PairListPath(CurrentPair(), L"neu")));
}

}  // namespace
