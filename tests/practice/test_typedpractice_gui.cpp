#include "practice/typedpractice.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/fileutil.h"
#include "core/report.h"
#include "core/review.h"
#include "core/scores.h"
#include "core/session.h"
#include "core/uistrings.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <commctrl.h>
#include <algorithm>
#include <map>

namespace {

const WordPairs kThree = {{L"chien", L"dog"}, {L"maison", L"house, home"}, {L"pomme", L"apple"}};

std::wstring Text(HWND window)
{
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

// What the sound device last played, a RIFF file rewritten by every play (tools/wine-run.sh).
std::wstring PlayedPath()
{
    const char* unixPath = getenv("WB_PLAYED_SOUND");
    std::wstring path = L"Z:" + Widen(unixPath ? unixPath : "/none");
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// True once the file holds samples that aren't all silence.
bool PlayedWithin(DWORD ms)
{
    for (DWORD start = GetTickCount();; Sleep(50)) {
        std::string bytes = ReadBytes(PlayedPath());
        if (bytes.size() > 44 && bytes.compare(0, 4, "RIFF") == 0 && bytes.find_first_not_of('\0', 44) != bytes.npos)
            return true;
        if (GetTickCount() - start > ms)
            return false;
    }
}

class TypedPractice : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        MakeDir(L"lists\\words");
        for (const wchar_t* sound : {L"right.wav", L"wrong.wav", L"skipped.wav"})
            CopyFileW(BuildPath(std::wstring(L"assets\\") + sound).c_str(), sound, FALSE);
    }
    void TearDown() override
    {
        if (HWND w = FindWindowW(L"leren2", nullptr))
            DestroyWindow(w);
        if (g_mainWindow)
            DestroyWindow(g_mainWindow);
        PumpMessages();
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // The program in practice mode 1 with the list "words" holding these records.
    void Start(const WordPairs& list, const wchar_t* sound = L"0")
    {
        SetSetting(L"PracticeList", L"words");
        SetSetting(L"PracticeSound", sound);
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(""));
        g_settings.practiceMode = 1;
        std::wstring listPath = PairListPath(CurrentPair(), g_session.listName);
        scorePath_ = ScorePath(listPath);
        schedulePath_ = SchedulePath(listPath);
        historyPath_ = HistoryPath(listPath);
        UseList(list);
        ShowWindow(g_mainWindow, SW_SHOW);
        ASSERT_NO_FATAL_FAILURE(Reopen());
    }
    // The list holds these records now, with no results yet; the window is closed.
    void UseList(const WordPairs& list)
    {
        if (w_)
            Click(TypedQuit);
        w_ = nullptr;
        std::wstring listPath = PairListPath(CurrentPair(), g_session.listName);
        CloseListFile();
        WriteWordBook(listPath, list);
        OpenListFile();
        CountListRecords();
        for (const std::wstring& path : {scorePath_, schedulePath_, historyPath_})
            DeleteFileW(path.c_str());
        translations_.clear();
        translations_.insert(list.begin(), list.end());
    }
    // Moves the schedule's due days as the passing days would.
    void DaysPass(int days)
    {
        std::vector<ReviewEntry> schedule = ReadSchedule(schedulePath_, g_session.list.count, Today() + days);
        for (ReviewEntry& e : schedule)
            e.due -= days;
        ASSERT_TRUE(WriteSchedule(schedulePath_, schedule));
    }
    // The user's way in: the main window's practice command.
    void Reopen()
    {
        if (w_)
            Click(TypedQuit);
        SendMessageW(g_mainWindow, WM_COMMAND, CmdPractise, 0);
        PumpMessages();
        w_ = FindWindowW(L"leren2", nullptr);
        ASSERT_NE(nullptr, w_);
    }
    // The review of the due records, through the same command.
    void Review()
    {
        g_settings.practiceMode = 2;
        ASSERT_NO_FATAL_FAILURE(Reopen());
    }
    HWND Item(int id) { return GetDlgItem(w_, id); }
    HWND Field() { return Item(TypedAnswer); }
    std::wstring Question() { return Text(Item(TypedQuestion)); }
    void Click(int id)
    {
        SendMessageW(w_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
        PumpMessages();
    }
    void Menu(int id) { SendMessageW(w_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    bool Checked(int id) { return GetMenuState(GetMenu(w_), id, MF_BYCOMMAND) & MF_CHECKED; }
    void Key(UINT key)
    {
        SendMessageW(Field(), WM_KEYDOWN, key, 1);
        SendMessageW(Field(), WM_CHAR, key, 1);
        PumpMessages();
    }
    // Types over what the field holds, then Enter.
    void Answer(const std::wstring& text)
    {
        SetWindowTextW(Field(), L"");
        for (wchar_t c : text)
            SendMessageW(Field(), WM_CHAR, c, 1);
        Key(VK_RETURN);
    }
    void AnswerRight() { Answer(translations_[Question()].substr(0, translations_[Question()].find(L','))); }
    // A whole run: every error on the first card, the skips on the first cards.
    void Run(int skips, int errors)
    {
        for (size_t card = 0; card < translations_.size(); ++card) {
            for (; errors > 0; --errors)
                Answer(L"xyz");
            if (skips-- > 0) {
                Key(VK_ESCAPE);
                Key(VK_RETURN);
            } else {
                AnswerRight();
            }
        }
    }
    int Progress() { return static_cast<int>(SendMessageW(Item(TypedProgress), PBM_GETPOS, 0, 0)); }
    int ProgressEnd() { return static_cast<int>(SendMessageW(Item(TypedProgress), PBM_GETRANGE, FALSE, 0)); }
    std::wstring Score(int skips, int errors)
    {
        return std::wstring(Str(Txt_PracticeSkipped)) + L" " + std::to_wstring(skips) + L"  -  " +
               Str(Txt_PracticeErrors) + L" " + std::to_wstring(errors);
    }
    // The end of a run is the only box there is.
    size_t EndMessages() { return capture_.messages().size(); }

    MessageCapture capture_;
    HWND w_ = nullptr;
    std::wstring scorePath_, schedulePath_, historyPath_;
    std::map<std::wstring, std::wstring> translations_;
};

TEST(JudgeAnswer, TakesTheFirstTypedPartAgainstEveryTranslationPart)
{
    for (const wchar_t* right : {L"home", L" HOME ", L"Home, whatever", L", home", L",,house"})
        EXPECT_EQ(AnswerVerdict::Right, JudgeAnswer(right, L"house, home")) << Narrow(right);
    for (const wchar_t* wrong : {L"hom", L"whatever, home", L"home\t", L"house home"})
        EXPECT_EQ(AnswerVerdict::Wrong, JudgeAnswer(wrong, L"house, home")) << Narrow(wrong);
    for (const wchar_t* none : {L",,,", L"   ", L" , home"})
        EXPECT_EQ(AnswerVerdict::None, JudgeAnswer(none, L"house, home")) << Narrow(none);
    EXPECT_EQ(AnswerVerdict::Wrong, JudgeAnswer(L"\u00c9t\u00e9", L"\u00e9t\u00e9"));  // only A to Z fold
    EXPECT_EQ(AnswerVerdict::Right, JudgeAnswer(L"\u00e9T\u00e9", L"\u00e9t\u00e9"));
    EXPECT_EQ(AnswerVerdict::Wrong, JudgeAnswer(L"x", L" , "));
}

TEST_F(TypedPractice, WrongAnswersStayShowCountsOnceAndBlankTextCountsNothing)
{
    ASSERT_NO_FATAL_FAILURE(Start({{L"maison", L"house, home"}, {L"chien", L"dog"}}));
    EXPECT_EQ(std::wstring(Str(Txt_PracticeCaption)) + L"  (words)", Text(w_));
    EXPECT_FALSE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(Field(), GetFocus());
    if (Question() != L"maison")
        AnswerRight();
    ASSERT_EQ(L"maison", Question());
    for (const wchar_t* nothing : {L",,,", L"   "}) {
        Answer(nothing);
        EXPECT_EQ(L"", Text(Field())) << Narrow(nothing);
    }
    Answer(L"hom");
    EXPECT_EQ(L"hom", Text(Field()));
    EXPECT_EQ(Score(0, 1), Text(Item(TypedCurrentScore)));
    SaveScreenshot(w_, L"practice_typed");
    // A wider window centres the layout.
    RECT outer, client, box;
    GetWindowRect(w_, &outer);
    GetClientRect(w_, &client);
    SetWindowPos(w_, nullptr, 0, 0, outer.right - outer.left + 830 - client.right, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(Item(TypedQuestion), &box);
    MapWindowPoints(nullptr, w_, reinterpret_cast<POINT*>(&box), 2);
    EXPECT_EQ(115, box.left);

    Key(VK_ESCAPE);  // as Show
    EXPECT_EQ(L"house, home", Text(Field()));
    EXPECT_FALSE(IsWindowEnabled(Item(TypedShow)));
    DWORD from = 0, to = 0;
    SendMessageW(Field(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(11u, from);
    EXPECT_EQ(11u, to);
    Key(VK_ESCAPE);
    EXPECT_EQ(Score(1, 1), Text(Item(TypedCurrentScore)));
    int answered = Progress();
    Key(VK_RETURN);
    EXPECT_EQ(answered + 1, Progress());
}

TEST_F(TypedPractice, ACompletedRunKeepsTheBetterScore)
{
    ASSERT_NO_FATAL_FAILURE(Start(kThree));
    EXPECT_EQ(Str(Txt_PracticeNotavailable), Text(Item(TypedBestScore)));
    EXPECT_EQ(3, ProgressEnd());
    Run(1, 2);
    ASSERT_EQ(1u, EndMessages());
    EXPECT_EQ(Str(Txt_PracticeEndlist), capture_.messages()[0].text);
    EXPECT_EQ(Str(Txt_Dictionary), capture_.messages()[0].caption);
    ASSERT_TRUE(IsWindow(w_));  // open until quit
    EXPECT_FALSE(IsWindowEnabled(Item(TypedShow)));
    EXPECT_FALSE(IsWindowEnabled(Field()));
    EXPECT_EQ(3, Progress());
    EXPECT_EQ("1\r\n2\r\n", ReadBytes(scorePath_));
    std::vector<HistoryLine> history = ReadHistory(historyPath_);
    ASSERT_EQ(1u, history.size());
    EXPECT_EQ(L"typed", history[0].mode);
    EXPECT_EQ(3, history[0].asked);
    EXPECT_EQ(2, history[0].errors);
    EXPECT_EQ(1, history[0].skips);
    EXPECT_FALSE(FileExists(schedulePath_));  // typed answers leave the review alone

    WriteBytes(scorePath_, "1\n2\n");  // no better run rewrites it
    ASSERT_NO_FATAL_FAILURE(Reopen());
    EXPECT_EQ(Score(1, 2), Text(Item(TypedBestScore)));
    Run(1, 2);
    EXPECT_EQ(2u, EndMessages());
    EXPECT_EQ("1\n2\n", ReadBytes(scorePath_));

    ASSERT_NO_FATAL_FAILURE(Reopen());
    Run(0, 5);
    EXPECT_EQ("0\r\n5\r\n", ReadBytes(scorePath_));

    ASSERT_NO_FATAL_FAILURE(Reopen());  // quitting halfway saves nothing
    AnswerRight();
    Click(TypedQuit);
    EXPECT_EQ("0\r\n5\r\n", ReadBytes(scorePath_));
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
    EXPECT_EQ(3u, ReadHistory(historyPath_).size());  // only completed runs
}

TEST_F(TypedPractice, AScoreFileThatCantBeReplacedStaysAsItWas)
{
    ASSERT_NO_FATAL_FAILURE(Start(kThree));
    WriteBytes(scorePath_, "3\r\n3\r\n");
    ASSERT_NO_FATAL_FAILURE(Reopen());
    EXPECT_EQ(Score(3, 3), Text(Item(TypedBestScore)));
    // Held open by a program that lets nobody else at it.
    HANDLE held = CreateFileW(scorePath_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    Run(0, 0);
    CloseHandle(held);
    EXPECT_EQ(1u, EndMessages());
    EXPECT_EQ("3\r\n3\r\n", ReadBytes(scorePath_));
    EXPECT_EQ(3u, FilesIn(L"lists\\words").size());  // list, score, history: no temporary file left

    DeleteFileW(scorePath_.c_str());
    MakeDir(scorePath_);
    ASSERT_NO_FATAL_FAILURE(Reopen());
    EXPECT_EQ(Str(Txt_PracticeNotavailable), Text(Item(TypedBestScore)));
    Run(0, 0);
    EXPECT_EQ(2u, EndMessages());
    EXPECT_TRUE(GetFileAttributesW(scorePath_.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(2u, FilesIn(L"lists\\words").size());
}

TEST_F(TypedPractice, SoundsPlayOnlyWhenSwitchedOn)
{
    ASSERT_NO_FATAL_FAILURE(Start(kThree, L"0"));
    EXPECT_TRUE(Checked(TypedSoundOff));
    EXPECT_FALSE(Checked(TypedSoundOn));
    EXPECT_TRUE(Checked(TypedPickerHide));
    EXPECT_FALSE(Checked(TypedPickerShow));
    DeleteFileW(PlayedPath().c_str());
    Answer(L"xyz");
    Key(VK_ESCAPE);
    Key(VK_RETURN);
    EXPECT_FALSE(PlayedWithin(1500));
    EXPECT_FALSE(FileExists(PlayedPath()));

    Menu(TypedSoundOn);
    EXPECT_EQ(1, g_settings.practiceSound);
    EXPECT_TRUE(Checked(TypedSoundOn));
    EXPECT_FALSE(Checked(TypedSoundOff));
    Answer(L"xyz");
    EXPECT_TRUE(PlayedWithin(5000));
}

TEST_F(TypedPractice, TheProgressBarCountsBeyondSixteenBits)
{
    WordPairs many;
    for (int i = 0; i < 70000; ++i)
        many.emplace_back(L"mot" + std::to_wstring(i), L"word" + std::to_wstring(i));
    ASSERT_NO_FATAL_FAILURE(Start(many));
    EXPECT_EQ(70000, ProgressEnd());
    AnswerRight();
    EXPECT_EQ(1, Progress());
}

// kThree's records in list order.
enum { Chien, Maison, Pomme };

TEST_F(TypedPractice, AReviewAsksTheDueRecordsAndSendsTheMissedOnesBackToBoxOne)
{
    ASSERT_NO_FATAL_FAILURE(Start(kThree));
    ASSERT_NO_FATAL_FAILURE(Review());  // never reviewed: all due
    EXPECT_EQ(std::wstring(Str(Txt_ReviewCaption)) + L"  (words)", Text(w_));
    EXPECT_EQ(3, ProgressEnd());
    EXPECT_EQ(Str(Txt_PracticeNotavailable), Text(Item(TypedBestScore)));
    for (int card = 0; card < 3; ++card) {
        if (Question() == L"chien")
            Answer(L"xyz");
        if (Question() == L"maison")
            Key(VK_ESCAPE);
        AnswerRight();
    }
    ASSERT_EQ(1u, EndMessages());
    EXPECT_EQ(Str(Txt_PracticeEndlist), capture_.messages()[0].text);
    int today = Today();
    std::vector<ReviewEntry> schedule = ReadSchedule(schedulePath_, 3);
    EXPECT_EQ(24u, ReadBytes(schedulePath_).size());
    for (int missed : {Chien, Maison}) {
        EXPECT_EQ(1, schedule[missed].box);
        EXPECT_EQ(today + 1, schedule[missed].due) << "tomorrow: not promoted again today";
    }
    EXPECT_EQ(2, schedule[Pomme].box);
    EXPECT_EQ(today + 2, schedule[Pomme].due);
    EXPECT_FALSE(FileExists(scorePath_));  // a part of the list doesn't compete for the best score
    std::vector<HistoryLine> history = ReadHistory(historyPath_);
    ASSERT_EQ(1u, history.size());
    EXPECT_EQ(L"review", history[0].mode);
    EXPECT_EQ(3, history[0].asked);
    EXPECT_EQ(1, history[0].errors);
    EXPECT_EQ(1, history[0].skips);

    // Nothing more today; tomorrow only the missed ones.
    Click(TypedQuit);
    w_ = nullptr;
    auto expectNothingDueUntil = [&](int day) {
        SendMessageW(g_mainWindow, WM_COMMAND, CmdPractise, 0);
        PumpMessages();
        EXPECT_EQ(nullptr, FindWindowW(L"leren2", nullptr));
        EXPECT_TRUE(IsWindowVisible(g_mainWindow));
        std::wstring nothingDue = Str(Txt_ReviewNothingDue);
        nothingDue.replace(nothingDue.find(L"%s"), 2, DayText(day));
        EXPECT_EQ(nothingDue, capture_.messages().back().text);
    };
    expectNothingDueUntil(today + 1);
    ASSERT_EQ(2u, EndMessages());
    ASSERT_NO_FATAL_FAILURE(DaysPass(1));
    ASSERT_NO_FATAL_FAILURE(Review());
    EXPECT_EQ(2, ProgressEnd());
    for (int card = 0; card < 2; ++card) {
        EXPECT_NE(L"pomme", Question());
        AnswerRight();
    }
    EXPECT_EQ(3u, EndMessages());
    EXPECT_EQ(2u, ReadHistory(historyPath_).size());

    Click(TypedQuit);
    w_ = nullptr;
    expectNothingDueUntil(today + 1);  // pomme, due two days after the first run
    EXPECT_EQ(4u, EndMessages());
}

// In an installation the user can't write, practice runs as ever; its
// results, which would go beside the list, are not tried, and nothing is said.
TEST_F(TypedPractice, AReadOnlyInstallationPractisesWithoutSavingResults)
{
    InjectUnwritableFolder(L".");
    ASSERT_NO_FATAL_FAILURE(Start(kThree));
    capture_.clear();  // the start's one word on it
    InjectFileFault(0);  // counts the file steps from here: none is tried
    const struct {
        const char* what;
        int mode;
        bool completed;
    } runs[] = {
        {"typed", 1, true},
        {"review", 2, true},
        {"review quit halfway", 2, false},
    };
    size_t ends = 0;
    for (const auto& run : runs) {
        SCOPED_TRACE(run.what);
        g_settings.practiceMode = run.mode;
        ASSERT_NO_FATAL_FAILURE(Reopen());
        EXPECT_EQ(3, ProgressEnd());  // nothing kept: every card is due again
        if (run.completed) {
            Run(1, 1);
            ++ends;
        } else {
            Answer(L"xyz");
            AnswerRight();
        }
        Click(TypedQuit);
        w_ = nullptr;
        ASSERT_EQ(ends, EndMessages());
        for (const CapturedMessage& m : capture_.messages())
            EXPECT_EQ(Str(Txt_PracticeEndlist), m.text);
        for (const std::wstring& path : {scorePath_, schedulePath_, historyPath_})
            EXPECT_FALSE(FileExists(path)) << Narrow(path);
    }
    EXPECT_EQ(0, FileStepsTaken());
    InjectUnwritableFolder(L"");
}

TEST_F(TypedPractice, AReviewQuitHalfwayKeepsTheAnswersGivenButNoHistory)
{
    ASSERT_NO_FATAL_FAILURE(Start(kThree));
    ASSERT_NO_FATAL_FAILURE(Review());
    std::map<std::wstring, int> index{{L"chien", Chien}, {L"maison", Maison}, {L"pomme", Pomme}};
    int right = index[Question()];
    AnswerRight();
    int wrong = index[Question()];
    Answer(L"xyz");  // and quit before the right answer
    Click(TypedQuit);
    w_ = nullptr;
    int today = Today();
    std::vector<ReviewEntry> schedule = ReadSchedule(schedulePath_, 3);
    EXPECT_EQ(2, schedule[right].box);
    EXPECT_EQ(today + 2, schedule[right].due);
    EXPECT_EQ(1, schedule[wrong].box);
    EXPECT_EQ(today + 1, schedule[wrong].due);
    EXPECT_FALSE(FileExists(historyPath_));

    ASSERT_NO_FATAL_FAILURE(Review());
    EXPECT_EQ(1, ProgressEnd()) << "only the card never answered";
}

// Show, then Enter, gets past a record that no answer can match, as a skip.
TEST_F(TypedPractice, ARecordWithoutTranslationIsPassedByShowThenEnter)
{
    ASSERT_NO_FATAL_FAILURE(Start(kThree));
    const struct {
        const wchar_t* translation;
        int mode;
    } cases[] = {{L"", 1}, {L" , ", 2}};
    size_t ends = 0;
    for (const auto& c : cases) {
        UseList({{L"vide", c.translation}, {L"chien", L"dog"}});
        g_settings.practiceMode = c.mode;
        ASSERT_NO_FATAL_FAILURE(Reopen());
        if (Question() != L"vide")
            AnswerRight();
        Answer(L"x");
        Key(VK_ESCAPE);
        Key(VK_RETURN);
        if (Question() == L"chien")
            AnswerRight();
        ASSERT_EQ(++ends, EndMessages()) << c.mode;
        EXPECT_EQ(Score(1, 1), Text(Item(TypedCurrentScore)));
        ASSERT_EQ(1u, ReadHistory(historyPath_).size());
        EXPECT_EQ(1, ReadHistory(historyPath_)[0].skips);
    }
}

// Boxes answered as a user would: OK, and at a Retry/Cancel box, once what
// the test broke is mended, the case's answer.
std::vector<std::wstring> g_boxTexts;
int g_retryAnswer = IDCANCEL;
std::wstring g_history;
HANDLE g_held = nullptr;

void Mend()
{
    InjectUnwritableFolder(L"");
    if (g_held)
        CloseHandle(g_held);
    g_held = nullptr;
}
void FolderUnwritable() { InjectUnwritableFolder(L"lists"); }
void HistoryHeld()
{
    WriteBytes(g_history, "when,mode,asked,errors,skips\r\n");
    g_held = CreateFileW(g_history.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}
void HistoryNotOne() { WriteBytes(g_history, "name,phone\r\nJan,123\r\n"); }

int AnswerBox(HWND, const wchar_t* text, const wchar_t*, UINT type)
{
    g_boxTexts.push_back(text);
    if ((type & MB_TYPEMASK) != MB_RETRYCANCEL)
        return IDOK;
    Mend();
    return g_retryAnswer;
}

// Results that can't be written are said and kept: written when the window
// closes, or, asked, dropped. A history that is none is said and left alone.
TEST_F(TypedPractice, ResultsThatCantBeWrittenAreSaidAndKeptUntilTheyCan)
{
    ASSERT_NO_FATAL_FAILURE(Start(kThree));
    g_history = historyPath_;
    const struct {
        const char* what;
        int mode;
        void (*breakIt)();
        int retryAnswer;
        bool historyFails;
        StringId atEnd;
        bool askedAtQuit;
        size_t historyLines;
    } cases[] = {
        {"review, retried", 2, FolderUnwritable, IDRETRY, false, Txt_PracticeResultsKept, true, 1},
        {"review, cancelled", 2, FolderUnwritable, IDCANCEL, false, Txt_PracticeResultsKept, true, 0},
        {"typed, history held", 1, HistoryHeld, IDRETRY, true, Txt_PracticeResultsKept, true, 1},
        {"review, history not one", 2, HistoryNotOne, IDCANCEL, true, Txt_PracticeHistoryDamaged, false, 0},
    };
    SetReportHooks({AnswerBox, nullptr});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UseList(kThree);
        g_settings.practiceMode = c.mode;
        ASSERT_NO_FATAL_FAILURE(Reopen());
        AnswerRight();
        AnswerRight();
        c.breakIt();
        g_retryAnswer = c.retryAnswer;
        g_boxTexts.clear();
        AnswerRight();
        std::wstring failing = c.historyFails ? historyPath_ : schedulePath_;
        std::vector<std::wstring> boxes{FillIn(Str(c.atEnd), {failing}), Str(Txt_PracticeEndlist)};
        EXPECT_EQ(boxes, g_boxTexts);
        EXPECT_EQ(c.historyFails && c.mode == 2, FileExists(schedulePath_)) << "kept until it can be written";
        Click(TypedQuit);
        EXPECT_FALSE(IsWindow(w_));
        w_ = nullptr;
        if (c.askedAtQuit)
            boxes.push_back(FillIn(Str(Txt_PracticeResultsUnsaved), {failing}));
        EXPECT_EQ(boxes, g_boxTexts);
        Mend();
        EXPECT_EQ(c.historyLines, ReadHistory(historyPath_).size());
        EXPECT_EQ(c.mode == 2 && (c.retryAnswer == IDRETRY || c.historyFails), FileExists(schedulePath_));
    }
}

}  // namespace
