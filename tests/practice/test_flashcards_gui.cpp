#include "practice/flashcards.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/random.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <commctrl.h>
#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace {

WordPairs Numbered(int n, const wchar_t* stem)
{
    WordPairs words;
    for (int i = 0; i < n; ++i)
        words.emplace_back(stem + std::to_wstring(100000 + i).substr(1), L"word" + std::to_wstring(i));
    return words;
}

const WordPairs kThree = {{L"chien", L"dog"}, {L"R&D", L"research & development"}, {L"pomme", L"apple"}};

// Points this program's import of name from dll at replacement; returns what it pointed at.
void* ReplaceImport(const char* dll, const char* name, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
        if (_stricmp(reinterpret_cast<char*>(base + d->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name, name) != 0)
                continue;
            DWORD protection;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            void* old = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return old;
        }
    }
    return nullptr;
}

// The periods the window gives its card timer, as it asks the system for them.
std::vector<UINT> g_periods;
decltype(&SetTimer) g_systemSetTimer = nullptr;

UINT_PTR WINAPI RecordingSetTimer(HWND hwnd, UINT_PTR id, UINT period, TIMERPROC proc)
{
    if (id == kCardTimer)
        g_periods.push_back(period);
    return g_systemSetTimer(hwnd, id, period, proc);
}

std::wstring Text(HWND window)
{
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

class Flashcards : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        MakeDir(L"lists\\words");
    }
    void TearDown() override
    {
        if (HWND w = FindWindowW(L"leren", nullptr))
            DestroyWindow(w);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // The program with this current list; the main window's command opens the window.
    void Open(const WordPairs& list, bool pump = true)
    {
        WriteWordBook(L"books\\francais_english.wb", kThree);
        g_instance = GetModuleHandleW(nullptr);
        SetSetting(L"PracticeList", L"words");
        ASSERT_TRUE(StartWordbook(""));
        CloseListFile();
        WriteWordBook(PairListPath(CurrentPair(), g_session.listName), list);
        OpenListFile();
        CountListRecords();
        for (const auto& card : list)
            answers_[card.first] = card.second;
        g_settings.practiceMode = 0;
        SendMessageW(g_mainWindow, WM_COMMAND, CmdPractise, 0);
        if (pump)
            PumpMessages();
        ASSERT_NE(nullptr, w_ = FindWindowW(L"leren", nullptr));
    }
    HWND Item(int id) { return GetDlgItem(w_, id); }
    std::wstring Question() { return Text(Item(CardQuestion)); }
    std::wstring Answer() { return Text(Item(CardAnswer)); }
    bool Ended() { return !ended_.messages().empty(); }
    LRESULT Progress(UINT msg, WPARAM wp = 0) { return SendMessageW(Item(CardProgress), msg, wp, 0); }
    void Tick() { SendMessageW(w_, WM_TIMER, kCardTimer, 0); }
    // Real time, bounded far beyond any step's period.
    bool WaitUntil(const std::function<bool()>& done)
    {
        for (DWORD start = GetTickCount(); !done(); PumpMessages(5))
            if (GetTickCount() - start > 15000)
                return false;
        return true;
    }
    bool FirstCard() { return WaitUntil([&] { return !Question().empty(); }); }
    // A key press and the step it brings.
    bool KeyStep()
    {
        std::wstring q = Question(), a = Answer();
        SendMessageW(w_, WM_KEYDOWN, VK_SPACE, 1);
        return WaitUntil([&] { return Question() != q || Answer() != a || Ended(); });
    }
    POINT ChildAt(int id)
    {
        RECT rc;
        GetWindowRect(Item(id), &rc);
        MapWindowPoints(nullptr, w_, reinterpret_cast<POINT*>(&rc), 2);
        return {rc.left, rc.top};
    }
    void SetClientSize(int width, int height)
    {
        RECT rc{0, 0, width, height};
        AdjustWindowRectEx(&rc, GetWindowLongW(w_, GWL_STYLE), FALSE, GetWindowLongW(w_, GWL_EXSTYLE));
        SetWindowPos(w_, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
    }
    void ExpectEnded()
    {
        ASSERT_EQ(1u, ended_.messages().size());
        EXPECT_EQ(Str(Txt_PracticeEndlist), ended_.messages()[0].text);
        EXPECT_EQ(Str(Txt_Dictionary), ended_.messages()[0].caption);
        EXPECT_FALSE(IsWindow(w_));
        EXPECT_TRUE(IsWindowVisible(g_mainWindow));
        EXPECT_EQ(0, g_windowOpen);
    }
    bool ShowsNavy(HWND box)
    {
        HDC dc = GetDC(box);
        bool navy = false;
        for (int x = 0; x < 590 && !navy; ++x)
            for (int y = 0; y < 38 && !navy; ++y)
                navy = GetPixel(dc, x, y) == RGB(0, 0, 128);
        ReleaseDC(box, dc);
        return navy;
    }

    HWND w_ = nullptr;
    std::map<std::wstring, std::wstring> answers_;
    MessageCapture ended_;
};

TEST_F(Flashcards, OpensCentredKeepsItsLayoutAndItsPlace)
{
    ASSERT_NO_FATAL_FAILURE(Open(kThree));
    EXPECT_EQ(std::wstring(Str(Txt_PracticeCaption)) + L"  (words)", Text(w_));
    RECT rc;
    GetWindowRect(w_, &rc);
    EXPECT_EQ(630, rc.right - rc.left);
    EXPECT_EQ(262 + g_captionHeight + g_menuHeight, rc.bottom - rc.top);
    EXPECT_EQ((g_screenWidth - 630) / 2, rc.left);
    EXPECT_EQ((g_screenHeight - g_menuHeight - g_captionHeight - 262) / 2, rc.top);
    EXPECT_EQ(6, SendMessageW(Item(CardSpeed), TBM_GETPOS, 0, 0));

    // (15, y0) at the start; (115, 60) at 830 x 370; (15, 10) below 630 x 270.
    const int ids[] = {CardQuestion, CardAnswer, CardProgress, CardFrame, CardSpeed, CardQuit};
    std::map<int, POINT> start;
    for (int id : ids)
        start[id] = ChildAt(id);
    EXPECT_EQ(15, start[CardQuestion].x);
    const struct { int width, height, x0, y0; } sizes[] = {{830, 370, 115, 60}, {500, 200, 15, 10}};
    for (const auto& size : sizes) {
        SetClientSize(size.width, size.height);
        for (int id : ids) {
            EXPECT_EQ(start[id].x + size.x0 - 15, ChildAt(id).x) << size.width << " " << id;
            EXPECT_EQ(start[id].y - start[CardQuestion].y + size.y0 + 25, ChildAt(id).y) << size.width << " " << id;
        }
    }

    SetWindowPos(w_, nullptr, 70, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(w_, WM_COMMAND, MAKEWPARAM(CardQuit, BN_CLICKED), reinterpret_cast<LPARAM>(Item(CardQuit)));
    EXPECT_FALSE(IsWindow(w_));
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
    g_settings.stayOnTop = 1;
    SendMessageW(g_mainWindow, WM_COMMAND, CmdPractise, 0);
    ASSERT_NE(nullptr, w_ = FindWindowW(L"leren", nullptr));
    GetWindowRect(w_, &rc);
    EXPECT_EQ(70, rc.left);
    EXPECT_EQ(80, rc.top);
    EXPECT_TRUE(GetWindowLongW(w_, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(Ended());
}

TEST_F(Flashcards, OneCardShowsQuestionAnswerAndTheEndInTurn)
{
    ASSERT_NO_FATAL_FAILURE(Open({{L"maison", L"house"}}, false));
    SendMessageW(Item(CardSpeed), TBM_SETPOS, TRUE, 11);  // half-second steps from the first on
    std::vector<std::wstring> seen;
    ASSERT_TRUE(WaitUntil([&] {
        std::wstring shown = Ended() ? L"end" : Answer().empty() ? Question() : Answer();
        if (!shown.empty() && (seen.empty() || seen.back() != shown))
            seen.push_back(shown);
        return Ended();
    }));
    EXPECT_EQ((std::vector<std::wstring>{L"maison", L"house", L"end"}), seen);
    ExpectEnded();
}

TEST_F(Flashcards, EveryCardOnceThenTheEnd)
{
    ASSERT_NO_FATAL_FAILURE(Open(Numbered(20, L"mot")));
    ASSERT_TRUE(FirstCard());
    EXPECT_EQ(20, Progress(PBM_GETRANGE, FALSE));
    std::set<std::wstring> shown;
    for (int i = 1; i <= 20; ++i) {
        EXPECT_TRUE(shown.insert(Question()).second) << Narrow(Question());
        EXPECT_EQ(L"", Answer());
        Tick();
        EXPECT_EQ(answers_[Question()], Answer());
        EXPECT_EQ(i, Progress(PBM_GETPOS));
        EXPECT_FALSE(Ended());
        Tick();
    }
    ExpectEnded();
}

// A size change leaves the card half shown: its answer never comes.
TEST_F(Flashcards, KeysBringTheNextStepAndASizeChangeTheNextQuestion)
{
    ASSERT_NO_FATAL_FAILURE(Open(kThree));
    ASSERT_TRUE(FirstCard());
    std::wstring first = Question();
    ASSERT_TRUE(KeyStep());
    EXPECT_EQ(first, Question());
    EXPECT_EQ(answers_[first], Answer());
    RedrawWindow(w_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(ShowsNavy(Item(CardQuestion)));
    EXPECT_TRUE(ShowsNavy(Item(CardAnswer)));
    PumpMessages(200);  // lets the drawing reach the screen
    SaveScreenshot(w_, L"practice_flashcards");

    SetFocus(Item(CardSpeed));  // after the slider the keys are the window's again
    SendMessageW(w_, WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(Item(CardSpeed)));
    EXPECT_EQ(w_, GetFocus());
    ASSERT_TRUE(KeyStep());
    std::wstring halfShown = Question();
    EXPECT_NE(first, halfShown);
    EXPECT_EQ(L"", Answer());
    SetClientSize(700, 300);
    bool answered = false;
    ASSERT_TRUE(WaitUntil([&] { answered |= !Answer().empty(); return Question() != halfShown; }));
    EXPECT_FALSE(answered);
    ASSERT_TRUE(KeyStep());
    EXPECT_EQ(answers_[Question()], Answer());
    ASSERT_TRUE(KeyStep());
    ExpectEnded();
}

// The slider sets the period, 10950 - 950 x its position ms, from the step
// after it moved; a quick step comes after 10 ms and the period resumes.
TEST_F(Flashcards, TheSliderSetsThePeriodFromTheNextStepOn)
{
    g_systemSetTimer = reinterpret_cast<decltype(&SetTimer)>(
        ReplaceImport("user32.dll", "SetTimer", reinterpret_cast<void*>(RecordingSetTimer)));
    ASSERT_NE(nullptr, g_systemSetTimer);
    ASSERT_NO_FATAL_FAILURE(Open(Numbered(30, L"mot")));
    ASSERT_TRUE(FirstCard());
    ASSERT_FALSE(g_periods.empty());
    EXPECT_EQ(5250u, g_periods.back()) << "after the first question, the start position's";
    const struct {
        UINT key;
        int position;
    } moves[] = {{VK_HOME, 1}, {VK_END, 11}, {VK_LEFT, 10}, {VK_RIGHT, 11}, {VK_HOME, 1}, {VK_RIGHT, 2}};
    for (const auto& move : moves) {
        SCOPED_TRACE(move.position);
        g_periods.clear();
        SetFocus(Item(CardSpeed));
        SendMessageW(Item(CardSpeed), WM_KEYDOWN, move.key, 1);
        SendMessageW(Item(CardSpeed), WM_KEYUP, move.key, 1);
        ASSERT_EQ(move.position, SendMessageW(Item(CardSpeed), TBM_GETPOS, 0, 0));
        EXPECT_TRUE(g_periods.empty()) << "the pending step keeps its period";
        Tick();
        EXPECT_EQ(std::vector<UINT>{static_cast<UINT>(10950 - 950 * move.position)}, g_periods);
        Tick();
        EXPECT_EQ(1u, g_periods.size()) << "and keeps it";
    }
    g_periods.clear();
    SendMessageW(w_, WM_KEYDOWN, VK_SPACE, 1);
    Tick();
    EXPECT_EQ((std::vector<UINT>{10, 10950 - 950 * 2}), g_periods);
    ReplaceImport("user32.dll", "SetTimer", reinterpret_cast<void*>(g_systemSetTimer));
}

// Beyond 16 bits: the bar's range, and cards drawn from the whole list.
TEST_F(Flashcards, ALongListIsCoveredWhole)
{
    ASSERT_NO_FATAL_FAILURE(Open(Numbered(70000, L"l"), false));
    SeedRandom(1);  // before the first card
    EXPECT_EQ(70000, Progress(PBM_GETRANGE, FALSE));
    ASSERT_TRUE(FirstCard());
    int highest = 0;
    for (int i = 0; i < 10; ++i) {
        highest = std::max(highest, std::stoi(Question().substr(1)));
        Tick();
        ASSERT_EQ(answers_[Question()], Answer());
        Tick();
    }
    EXPECT_GT(highest, 32767);
}

}  // namespace
