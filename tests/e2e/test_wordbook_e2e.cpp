// wordbook.exe as its own process, started in an installed medium.
#include "core/review.h"
#include "core/uistrings.h"
#include "entry/addwords.h"
#include "lists/listmaker.h"
#include "practice/typedpractice.h"
#include "record/recordwindow.h"
#include "shell/resource.h"
#include "search/searchwindow.h"
#include "search/translate.h"
#include "tests/e2e/e2e.h"
#include <commctrl.h>
#include <dlgs.h>
#include <map>
#include <set>
#include "tests/support/screenshot.h"
#include "tests/support/installcheck.h"
#include "tests/support/settings.h"
#include "tests/support/snapshot.h"
#include "core/usersettings.h"

namespace {

std::wstring g_target;  // one installation for all tests of this file
TreeSnapshot g_driveBefore;
std::string g_winIniBefore;

class Wordbook : public ::testing::Test {
protected:
    // The installation is a standard user's: the default folder, no /D=.
    // Everything the session's tests do is then checked against what such a
    // user may write: the installation folder, the settings file and the
    // Start-menu group, never the Windows folder.
    static void SetUpTestSuite()
    {
        g_target = UserProgramsFolder() + L"\\Wordbook";
        RemoveInstallation(g_target);
        g_driveBefore = SnapshotTree(L"C:\\");
        ASSERT_EQ(1u, g_driveBefore.count(L"C:\\WINDOWS\\WIN.INI")) << "the snapshot must see the Windows folder";
        g_winIniBefore = WinIniBytes();
        std::wstring medium = MediumPath(L"english");
        ProcessRun run = RunProgram(medium + L"\\setup.exe", L"/S", medium);
        ASSERT_EQ(0u, run.exitCode) << run.errors;
        ASSERT_TRUE(FileExists(g_target + L"\\wordbook.exe"));
        std::string missing;
        ASSERT_TRUE(LoadUiStringsFromFile((g_target + L"\\strings\\english.str").c_str(), &missing));
    }
    static void TearDownTestSuite()
    {
        if (HWND main = FindWindowW(L"wboek", nullptr))
            PostMessageW(main, WM_COMMAND, 3, 0);
        Sleep(1000);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        std::wstring settings = SettingsFilePath();
        std::vector<std::wstring> allowed = {
            g_target,
            UserProgramsFolder(),                        // made for the per-user installation
            settings.substr(0, settings.rfind(L'\\')),
            ProgramsFolder() + L"\\Wordbook",            // the shortcut's group
            temp,                                        // the tests' own scratch folders
        };
        std::vector<std::wstring> changed = ChangedPaths(g_driveBefore, SnapshotTree(L"C:\\"), allowed);
        std::string list;
        for (const std::wstring& path : changed)
            list += Narrow(path) + "\n";
        EXPECT_TRUE(changed.empty()) << "written outside the installation, settings and Start menu:\n" << list;
        EXPECT_TRUE(g_winIniBefore == WinIniBytes()) << "win.ini changed";
        RemoveInstallation(g_target);
        RemoveSettingsFile();
    }
    void SetUp() override { ClearSettings(); }
    void TearDown() override
    {
        if (process_) {
            if (HWND main = FindWindowW(L"wboek", nullptr))
                PostMessageW(main, WM_COMMAND, 3, 0);
            if (WaitForSingleObject(process_, 20000) != WAIT_OBJECT_0)
                TerminateProcess(process_, 99);
            CloseHandle(process_);
        }
    }
    std::wstring Exe() { return g_target + L"\\wordbook.exe"; }
    // Starts the program and waits for its main window.
    HWND Start(const std::wstring& arguments)
    {
        process_ = StartProgram(Exe(), arguments, g_target);
        for (int i = 0; i < 300 && process_; ++i) {
            // Shown only once start-up is complete, menus and all.
            HWND w = FindWindowW(L"wboek", Str(Txt_Dictionary));
            if (w && IsWindowVisible(w))
                return w;
            if (WaitForSingleObject(process_, 100) == WAIT_OBJECT_0)
                break;
        }
        return nullptr;
    }
    DWORD WaitExit(DWORD ms = 30000)
    {
        DWORD code = 99;
        if (WaitForSingleObject(process_, ms) == WAIT_OBJECT_0)
            GetExitCodeProcess(process_, &code);
        CloseHandle(process_);
        process_ = nullptr;
        return code;
    }
    // Clicks the source icon, which reverses the direction and records the new
    // pair in DICT.INI: the word book named there tells which pair was current.
    static std::string ReverseAndReadSelection(HWND main)
    {
        PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(70, 120));
        PostMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(70, 120));
        std::string selected;
        for (int i = 0; i < 50; ++i) {
            Sleep(100);
            std::string ini = WithoutCr(ReadBytes(g_target + L"\\DICT.INI"));
            size_t at = ini.find("[Selected]\n");
            if (at == std::string::npos)
                continue;
            at += 11;
            selected = ini.substr(at, ini.find('\n', at) - at);
            if (selected.rfind("english_", 0) == 0)
                break;
        }
        return selected;
    }
    HANDLE process_ = nullptr;
};

TEST_F(Wordbook, OneInstanceRunsAndItsSettingsAreWrittenAtExit)
{
    HWND main = Start(L"");
    ASSERT_NE(nullptr, main);
    PumpMessages(500);
    SaveScreenshot(main, L"e2e-main-window");

    ProcessRun second = RunProgram(Exe(), L"", g_target, 30000);
    EXPECT_EQ(1u, second.exitCode);

    EXPECT_EQ("english_nederlands.wb", ReverseAndReadSelection(main));
    SendMessageW(main, WM_COMMAND, 55, 0);  // stay on top
    SetWindowPos(main, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(main, WM_COMMAND, 3, 0);
    EXPECT_EQ(0u, WaitExit());
    EXPECT_EQ(L"1", FileSetting(L"StayOnTop"));
    EXPECT_NE(L"<none>", FileSetting(L"WinPosTopMain"));
}

TEST_F(Wordbook, CommandLineChoosesThePair)
{
    HWND main = Start(L"wb deutsch");
    ASSERT_NE(nullptr, main);
    EXPECT_EQ("english_deutsch.wb", ReverseAndReadSelection(main));
}

TEST_F(Wordbook, MissingCatalogueIsReportedAndEndsTheProgram)
{
    std::wstring ini = g_target + L"\\DICT.INI", moved = g_target + L"\\DICT.INI.away";
    ASSERT_TRUE(MoveFileW(ini.c_str(), moved.c_str()));
    process_ = StartProgram(Exe(), L"", g_target);
    HWND box = nullptr;
    for (int i = 0; i < 300 && !box; ++i) {
        Sleep(100);
        box = FindWindowW(L"#32770", Str(Txt_Dictionary));
    }
    ASSERT_NE(nullptr, box);
    std::wstring shown;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM found) -> BOOL {
            wchar_t text[512];
            GetWindowTextW(child, text, 512);
            if (wcscmp(text, Str(Txt_NoIni)) == 0)
                *reinterpret_cast<std::wstring*>(found) = text;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&shown));
    EXPECT_EQ(Str(Txt_NoIni), shown);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1u, WaitExit());
    MoveFileW(moved.c_str(), ini.c_str());
}

// Another process's field text: WM_GETTEXT crosses processes, GetWindowText does not.
std::wstring FieldText(HWND field)
{
    wchar_t text[256] = L"";
    SendMessageW(field, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST_F(Wordbook, SearchWindowShowsTheTypedWordOfTheDeliveredDictionary)
{
    // No earlier test leaves a French pair chosen, so the command line picks French to English.
    HWND main = Start(L"wb francais");
    ASSERT_NE(nullptr, main);
    PostMessageW(main, WM_COMMAND, 12, 0);
    HWND search = WaitForVisible(L"zoeken");
    ASSERT_NE(nullptr, search);
    for (int i = 0; i < 100 && IsWindowVisible(main); ++i)
        Sleep(100);
    EXPECT_FALSE(IsWindowVisible(main));
    HWND field = GetDlgItem(search, IdSearch);
    for (wchar_t c : std::wstring(L"chat"))
        SendMessageW(field, WM_CHAR, c, 1);
    EXPECT_EQ(L"chat", FieldText(GetDlgItem(search, IdSource)));
    EXPECT_EQ(L"cat", FieldText(GetDlgItem(search, IdTranslation)));
    SaveScreenshot(search, L"e2e-search");
    PostMessageW(search, WM_COMMAND, MAKEWPARAM(IdDone, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(search, IdDone)));
    for (int i = 0; i < 100 && !IsWindowVisible(main); ++i)
        Sleep(100);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(nullptr, FindWindowW(L"zoeken", nullptr));
}

TEST_F(Wordbook, TranslateWindowOpensATextFileAndLooksUpTheClickedWord)
{
    WriteBytes(g_target + L"\\reading.txt", "Le chat dort dans la maison.\r\n");
    HWND main = Start(L"wb francais");
    ASSERT_NE(nullptr, main);
    PostMessageW(main, WM_COMMAND, 9, 0);
    HWND translate = WaitForVisible(L"vertaal");
    ASSERT_NE(nullptr, translate);
    // File > Open text file..., through the system's open-file dialog.
    PostMessageW(translate, WM_COMMAND, MenuOpenText, 0);
    HWND dialog = WaitForVisible(L"#32770");
    ASSERT_NE(nullptr, dialog);
    std::wstring file = g_target + L"\\reading.txt";
    SendMessageW(GetDlgItem(dialog, cmb13), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    HWND text = GetDlgItem(translate, TranslateText);
    for (int i = 0; i < 100 && FieldText(text).empty(); ++i)
        Sleep(100);
    ASSERT_EQ(L"Le chat dort dans la maison.\r\n", FieldText(text));
    SendMessageW(text, EM_SETSEL, 5, 5);
    SendMessageW(text, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(L"chat", FieldText(GetDlgItem(translate, TranslateSearch)));
    EXPECT_EQ(L"chat", FieldText(GetDlgItem(translate, TranslateSource0)));
    EXPECT_EQ(L"cat", FieldText(GetDlgItem(translate, TranslateTarget0)));
    SaveScreenshot(translate, L"e2e-translate");
    PostMessageW(translate, WM_COMMAND, MAKEWPARAM(TranslateDone, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(translate, TranslateDone)));
    for (int i = 0; i < 100 && !IsWindowVisible(main); ++i)
        Sleep(100);
    EXPECT_TRUE(IsWindowVisible(main));
}

// Types into another process's field and presses Enter there.
void TypeAndEnter(HWND field, const std::wstring& text)
{
    for (wchar_t c : text)
        SendMessageW(field, WM_CHAR, c, 1);
    SendMessageW(field, WM_KEYDOWN, VK_RETURN, 1);
}

// Opens the search window, looks the word up and gives back row 0's two texts.
std::pair<std::wstring, std::wstring> LookUp(HWND main, const std::wstring& word)
{
    PostMessageW(main, WM_COMMAND, 12, 0);
    HWND search = WaitForVisible(L"zoeken");
    if (!search)
        return {};
    for (wchar_t c : word)
        SendMessageW(GetDlgItem(search, IdSearch), WM_CHAR, c, 1);
    std::pair<std::wstring, std::wstring> row{FieldText(GetDlgItem(search, IdSource)),
                                              FieldText(GetDlgItem(search, IdTranslation))};
    PostMessageW(search, WM_COMMAND, MAKEWPARAM(IdDone, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(search, IdDone)));
    for (int i = 0; i < 100 && !IsWindowVisible(main); ++i)
        Sleep(100);
    return row;
}

TEST_F(Wordbook, AWordAddedThroughTheWindowIsFoundInBothDirections)
{
    HWND main = Start(L"wb francais");
    ASSERT_NE(nullptr, main);
    PostMessageW(main, WM_COMMAND, 10, 0);
    HWND add = WaitForVisible(L"toevoeg");
    ASSERT_NE(nullptr, add);
    TypeAndEnter(GetDlgItem(add, AddIdWord), L"mirlitonade");
    TypeAndEnter(GetDlgItem(add, AddIdTranslation), L"gizmo, thingummy");
    EXPECT_EQ(L"", FieldText(GetDlgItem(add, AddIdWord)));  // stored: both fields empty again
    PostMessageW(add, WM_COMMAND, MAKEWPARAM(AddIdDone, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(add, AddIdDone)));
    for (int i = 0; i < 300 && !IsWindowVisible(main); ++i)  // both word books are sorted first
        Sleep(100);
    ASSERT_TRUE(IsWindowVisible(main));

    EXPECT_EQ((std::pair<std::wstring, std::wstring>{L"mirlitonade", L"gizmo, thingummy"}), LookUp(main, L"mirlitonade"));
    ASSERT_EQ("english_francais.wb", ReverseAndReadSelection(main));
    EXPECT_EQ((std::pair<std::wstring, std::wstring>{L"thingummy", L"mirlitonade"}), LookUp(main, L"thingummy"));
    EXPECT_EQ(L"mirlitonade", LookUp(main, L"gizmo").second);
}

// The practice list a user makes: a new list named in its dialog (which the
// main window's command brings up for the first list, the list maker's File
// menu after that), words found by typing in the list maker and clicked into the list.
std::map<std::wstring, std::wstring> MakeListOf(HWND main, const std::vector<std::wstring>& words,
                                                const wchar_t* name = L"drill")
{
    std::map<std::wstring, std::wstring> made;
    PostMessageW(main, WM_COMMAND, 13, 0);
    HWND dialog = nullptr, maker = nullptr;
    for (int i = 0; i < 200 && !dialog && !maker; ++i) {
        Sleep(100);
        dialog = FindWindowW(L"#32770", nullptr);
        maker = FindWindowW(L"lijst", nullptr);
        dialog = dialog && IsWindowVisible(dialog) ? dialog : nullptr;
        maker = maker && IsWindowVisible(maker) ? maker : nullptr;
    }
    if (maker) {
        PostMessageW(maker, WM_COMMAND, LmNewList, 0);
        dialog = WaitForVisible(L"#32770", maker);
    } else {
        dialog = WaitForVisible(L"#32770");
    }
    if (!dialog)
        return made;
    SendMessageW(GetDlgItem(dialog, IDC_NEWLIST_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 200 && IsWindow(dialog); ++i)
        Sleep(100);
    maker = WaitForVisible(L"lijst");
    if (!maker)
        return made;
    SendMessageW(maker, WM_NULL, 0, 0);  // the new list is open once the maker answers
    HWND search = GetDlgItem(maker, LmSearch);
    HWND source = GetDlgItem(maker, LmBookRow);
    for (const std::wstring& word : words) {
        SendMessageW(search, WM_KEYDOWN, VK_RETURN, 1);
        for (wchar_t c : word)
            SendMessageW(search, WM_CHAR, c, 1);
        made[FieldText(source)] = FieldText(GetWindow(source, GW_HWNDNEXT));
        SendMessageW(source, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        SendMessageW(source, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    }
    Click(maker, LmDone);
    WaitUntilShown(main);
    return made;
}

TEST_F(Wordbook, ATypedPracticeOfAMadeListRunsToTheEndAndKeepsItsScore)
{
    HWND main = Start(L"wb francais");
    ASSERT_NE(nullptr, main);
    std::map<std::wstring, std::wstring> list = MakeListOf(main, {L"chat", L"chien"});
    ASSERT_EQ(2u, list.size());  // two rows of whichever direction is current
    PostMessageW(main, WM_COMMAND, 65, 0);  // Practice mode: typed answers
    PostMessageW(main, WM_COMMAND, 11, 0);
    HWND practice = WaitForVisible(L"leren2");
    ASSERT_NE(nullptr, practice);
    HWND answer = GetDlgItem(practice, TypedAnswer);
    TypeAndEnter(answer, L"wrong");  // one error
    for (int card = 0; card < 2; ++card) {
        std::wstring question = FieldText(GetDlgItem(practice, TypedQuestion));
        ASSERT_EQ(1u, list.count(question)) << question;
        if (card == 0)
            SaveScreenshot(practice, L"e2e-practice");
        SendMessageW(answer, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        for (wchar_t c : list[question].substr(0, list[question].find(L',')))
            SendMessageW(answer, WM_CHAR, c, 1);
        // The last answer's Enter brings up a message box: posted, it doesn't wait for it.
        if (card == 0)
            SendMessageW(answer, WM_KEYDOWN, VK_RETURN, 1);
        else
            PostMessageW(answer, WM_KEYDOWN, VK_RETURN, 1);
    }
    HWND done = WaitForVisible(L"#32770", practice);
    ASSERT_NE(nullptr, done);
    PostMessageW(done, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindowEnabled(answer));
    std::vector<std::wstring> scores;
    for (const std::wstring& f : FilesIn(g_target + L"\\lists\\drill"))
        if (f.size() > 6 && f.substr(f.size() - 6) == L".score")
            scores.push_back(f);
    ASSERT_EQ(1u, scores.size());
    EXPECT_EQ("0\r\n1\r\n", ReadBytes(g_target + L"\\lists\\drill\\" + scores[0]));
    Click(practice, TypedQuit);
    EXPECT_TRUE(WaitUntilShown(main));
}

// What the test prefix's sound device played last, as a Windows path.
std::wstring PlayedSoundPath()
{
    wchar_t unixPath[MAX_PATH] = L"";
    if (!GetEnvironmentVariableW(L"WB_PLAYED_SOUND", unixPath, MAX_PATH))
        return L"";
    std::wstring path = std::wstring(L"Z:") + unixPath;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

TEST_F(Wordbook, ARecordedWordIsPlayedFromTheSearchWindow)
{
    HWND main = Start(L"wb francais");
    ASSERT_NE(nullptr, main);
    PostMessageW(main, WM_COMMAND, 25, 0);
    HWND recorder = WaitForVisible(L"record");
    ASSERT_NE(nullptr, recorder);
    for (wchar_t c : std::wstring(L"chat"))
        SendMessageW(GetDlgItem(recorder, RecSearch), WM_CHAR, c, 1);
    ASSERT_EQ(L"chat", FieldText(GetDlgItem(recorder, RecLabel)));
    SendMessageW(GetDlgItem(recorder, RecStartStop), BM_CLICK, 0, 0);
    Sleep(700);
    SendMessageW(GetDlgItem(recorder, RecStartStop), BM_CLICK, 0, 0);
    // The caption names the language recorded: "...: (<language>)".
    std::wstring caption = FieldText(recorder);
    size_t open = caption.rfind(L'(');
    ASSERT_NE(std::wstring::npos, open);
    std::wstring language = caption.substr(open + 1, caption.size() - open - 2);
    std::string wave = ReadBytes(g_target + L"\\sound\\" + language + L"\\chat.wav");
    ASSERT_GT(wave.size(), 44u);
    EXPECT_EQ("RIFF", wave.substr(0, 4));
    EXPECT_EQ("WAVE", wave.substr(8, 4));
    Click(recorder, RecExit);
    ASSERT_TRUE(WaitUntilShown(main));

    std::wstring played = PlayedSoundPath();
    ASSERT_NE(L"", played);
    DeleteFileW(played.c_str());
    PostMessageW(main, WM_COMMAND, 12, 0);
    HWND search = WaitForVisible(L"zoeken");
    ASSERT_NE(nullptr, search);
    for (wchar_t c : std::wstring(L"chat"))
        SendMessageW(GetDlgItem(search, IdSearch), WM_CHAR, c, 1);
    HWND word = GetDlgItem(search, IdSource);
    ASSERT_EQ(L"chat", FieldText(word));
    // Right-click on the word, then the menu's Listen.
    PostMessageW(word, WM_CHAR, L'l', 1);
    SendMessageW(word, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    for (int i = 0; i < 100 && ReadBytes(played).size() <= 44; ++i)
        Sleep(100);
    EXPECT_GT(ReadBytes(played).size(), 44u);
    Click(search, IdDone);
    EXPECT_TRUE(WaitUntilShown(main));
}

// Answers every card of the open typed window, the cards numbered in wrong
// after one wrong answer, and closes the box at the end. Gives back the
// questions in the order asked.
std::vector<std::wstring> AnswerEveryCard(HWND practice, std::map<std::wstring, std::wstring>& list,
                                          const std::set<int>& wrong)
{
    std::vector<std::wstring> asked;
    HWND field = GetDlgItem(practice, TypedAnswer);
    int cards = static_cast<int>(SendMessageW(GetDlgItem(practice, TypedProgress), PBM_GETRANGE, FALSE, 0));
    for (int card = 0; card < cards; ++card) {
        std::wstring question = FieldText(GetDlgItem(practice, TypedQuestion));
        asked.push_back(question);
        if (wrong.count(card))
            TypeAndEnter(field, L"wrong");
        SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        for (wchar_t c : list[question].substr(0, list[question].find(L',')))
            SendMessageW(field, WM_CHAR, c, 1);
        // The last answer's Enter brings up a message box: posted, it doesn't wait for it.
        if (card + 1 < cards)
            SendMessageW(field, WM_KEYDOWN, VK_RETURN, 1);
        else
            PostMessageW(field, WM_KEYDOWN, VK_RETURN, 1);
    }
    if (HWND done = WaitForVisible(L"#32770", practice))
        PostMessageW(done, WM_COMMAND, IDOK, 0);
    else
        asked.clear();
    return asked;
}

TEST_F(Wordbook, AReviewAfterARestartAsksOnlyTheWordsAnsweredWrong)
{
    HWND main = Start(L"wb francais");
    ASSERT_NE(nullptr, main);
    std::map<std::wstring, std::wstring> list = MakeListOf(main, {L"chat", L"chien", L"maison"}, L"review");
    ASSERT_EQ(3u, list.size());
    PostMessageW(main, WM_COMMAND, 66, 0);  // Practice mode: review
    PostMessageW(main, WM_COMMAND, 11, 0);
    HWND review = WaitForVisible(L"leren2");
    ASSERT_NE(nullptr, review);
    EXPECT_EQ(std::wstring(Str(Txt_ReviewCaption)) + L"  (review)", FieldText(review));
    std::vector<std::wstring> asked = AnswerEveryCard(review, list, {0, 2});
    ASSERT_EQ(3u, asked.size());
    SaveScreenshot(review, L"e2e-review");
    Click(review, TypedQuit);
    ASSERT_TRUE(WaitUntilShown(main));
    PostMessageW(main, WM_COMMAND, 3, 0);
    ASSERT_EQ(0u, WaitExit());

    // A day passes: what was missed is due again (never the same day).
    for (const std::wstring& f : FilesIn(g_target + L"\\lists\\review"))
        if (f.size() > 7 && f.substr(f.size() - 7) == L".review") {
            std::wstring path = g_target + L"\\lists\\review\\" + f;
            std::vector<ReviewEntry> schedule = ReadSchedule(path, 3, Today() + 1);
            for (ReviewEntry& e : schedule)
                --e.due;
            ASSERT_TRUE(WriteSchedule(path, schedule));
        }

    main = Start(L"wb francais");  // the list and the mode stay chosen
    ASSERT_NE(nullptr, main);
    PostMessageW(main, WM_COMMAND, 11, 0);
    review = WaitForVisible(L"leren2");
    ASSERT_NE(nullptr, review);
    std::vector<std::wstring> again = AnswerEveryCard(review, list, {});
    EXPECT_EQ((std::set<std::wstring>{asked[0], asked[2]}), std::set<std::wstring>(again.begin(), again.end()));
    EXPECT_EQ(2u, again.size());
    Click(review, TypedQuit);
    EXPECT_TRUE(WaitUntilShown(main));

    std::vector<HistoryLine> history;
    for (const std::wstring& f : FilesIn(g_target + L"\\lists\\review"))
        if (f.size() > 8 && f.substr(f.size() - 8) == L".history")
            history = ReadHistory(g_target + L"\\lists\\review\\" + f);
    ASSERT_EQ(2u, history.size());
    EXPECT_EQ(L"review", history[1].mode);
    EXPECT_EQ(3, history[0].asked);
    EXPECT_EQ(2, history[0].errors);
    EXPECT_EQ(2, history[1].asked);
    EXPECT_EQ(0, history[1].errors);
}

} // namespace
