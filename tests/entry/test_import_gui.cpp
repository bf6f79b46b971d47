#include "entry/importwindow.h"
#include "shell/app.h"
#include "core/fileutil.h"
#include "core/report.h"
#include "core/review.h"
#include "core/session.h"
#include "core/tabular.h"
#include "core/uistrings.h"
#include "core/wordimport.h"
#include "tests/support/filedialog.h"
#include "tests/support/install.h"
#include "tests/support/programwindow.h"
#include "tests/support/screenshot.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <algorithm>

namespace {

// A Greek pair with the interface's language: Greek in code page 1253, the other in 1252.
const std::wstring kCat = L"\u03b3\u03ac\u03c4\u03b1", kHouse = L"\u03c3\u03c0\u03af\u03c4\u03b9",
                   kDog = L"\u03c3\u03ba\u03cd\u03bb\u03bf\u03c2", kWater = L"\u03bd\u03b5\u03c1\u03cc";
const std::string kTsv =
    Narrow(kDog + L"\tdog\n" + kCat + L"\tcat, kitty\n\tnothing\n" + kWater + L"\tcaf\u00e9 \u2603\n");
const std::string kCsv = Narrow(L"Word,Translation\r\n\"" + kWater + L"\",\"water\"\r\n\"" + kHouse +
                                L"\",\"house, home\"\r\n\"a, \"\"b\"\"\",x\r\n");
// The File menu's positions.
enum { kImportItem = 5, kExportBookItem = 6, kExportListItem = 7 };

class Import : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
        MakeSmallInstallation();
        MakeDir(L"lists\\words");
        SetSetting(L"PracticeList", L"words");
        Install(L"english");
    }
    void TearDown() override
    {
        g_importStepShown = nullptr;
        CloseProgram(nullptr);
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // The interface in a language, the pair's books as at first, no journal.
    void Install(const std::wstring& language)
    {
        main_ = language;
        InstallStrings(language);
        WriteBytes(L"DICT.INI",
                   "[Addnew]\n\n[Selected]\n" + Narrow(Forward().substr(6)) + "\n\n[Languages]\ngreek,greek,161\n");
        WriteWordBook(Forward(), {{kCat, L"cat"}, {kHouse, L"house"}}, {}, 1253, 1252);
        WriteWordBook(Mirror(), {{L"cat", kCat}, {L"house", kHouse}}, {}, 1252, 1253);
        DeleteFileW(Journal().c_str());
    }
    std::wstring Forward() { return L"books\\gre_" + main_.substr(0, 3) + L".wb"; }
    std::wstring Mirror() { return L"books\\" + main_.substr(0, 3) + L"_gre.wb"; }
    std::wstring Journal() { return L"new\\greek_" + main_ + L".wb"; }
    std::vector<std::string> Files() { return {ReadBytes(Forward()), ReadBytes(Mirror()), ReadBytes(Journal())}; }
    void Start()
    {
        g_instance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(StartWordbook(""));
        ShowWindow(g_mainWindow, SW_SHOW);
    }
    // The File menu's item at a position chosen, its file dialog answered with a file here.
    bool FileCommand(int position, const std::wstring& name, int filter = 0)
    {
        UINT id = GetMenuItemID(GetSubMenu(GetMenu(g_mainWindow), 0), position);
        return AnswerFileDialog([id] { SendMessageW(g_mainWindow, WM_COMMAND, id, 0); }, dir_ + L"\\" + name, filter);
    }
    HWND Preview(const std::string& table, const wchar_t* name = L"words.tsv")
    {
        WriteBytes(name, table);
        EXPECT_TRUE(FileCommand(kImportItem, name));
        return w_ = FindWindowW(L"importpreview", nullptr);
    }
    void Send(int id, int code) { SendMessageW(w_, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(GetDlgItem(w_, id))); }
    std::wstring Said() { return capture_.messages().empty() ? L"" : capture_.messages().back().text; }
    std::wstring Done() { return FillIn(Str(Txt_ImportDone), {L"2", L"greek", main_, L"1", L"1"}); }
    HWND w_ = nullptr;
    std::wstring main_;
    MessageCapture capture_;
};

// The preview counts and lists what a TSV and a quoted CSV with a header
// would do; the import stores the entries forward, mirrored and in the journal.
TEST_F(Import, ThePreviewTellsWhatTheImportStoresInBothBooksAndTheJournal)
{
    const struct {
        const wchar_t* language;
        const wchar_t* file;
        std::string table;
        bool header;
        std::vector<RefusedLine> refused;  // the rows as the list shows them
        WordPairs forward, mirror, journal;  // the books sorted
    } cases[] = {
        {L"english", L"words.tsv", kTsv, false,
         {{3, ImportRefusal::NoWord, 0, " | nothing"},
          {4, ImportRefusal::TranslationNotHeld, 0, Narrow(kWater + L" | caf\u00e9 \u2603")}},
         {{kCat, L"cat, kitty"}, {kDog, L"dog"}, {kHouse, L"house"}},
         {{L"cat", kCat}, {L"dog", kDog}, {L"house", kHouse}, {L"kitty", kCat}},
         {{kDog, L"dog"}}},
        {L"nederlands", L"words.csv", kCsv, true,
         {{4, ImportRefusal::WordHasComma, 0, "a, \"b\" | x"}},
         {{kCat, L"cat"}, {kWater, L"water"}, {kHouse, L"house, home"}},
         {{L"cat", kCat}, {L"home", kHouse}, {L"house", kHouse}, {L"water", kWater}},
         {{kWater, L"water"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.language));
        CloseProgram(nullptr);
        Install(c.language);
        ASSERT_NO_FATAL_FAILURE(Start());
        ASSERT_NE(nullptr, Preview(c.table, c.file));
        EXPECT_FALSE(IsWindowEnabled(g_mainWindow));
        EXPECT_EQ(c.header, IsDlgButtonChecked(w_, ImpHeader) == BST_CHECKED);
        wchar_t summary[256] = L"";
        GetDlgItemTextW(w_, ImpSummary, summary, 256);
        EXPECT_EQ(FillIn(Str(Txt_ImportSummary), {L"1", L"1", std::to_wstring(c.refused.size())}), summary);
        HWND list = GetDlgItem(w_, ImpRefused);
        ASSERT_EQ(LRESULT(c.refused.size()), SendMessageW(list, LB_GETCOUNT, 0, 0));
        for (size_t i = 0; i < c.refused.size(); ++i) {
            wchar_t line[512] = L"";
            SendMessageW(list, LB_GETTEXT, i, LPARAM(line));
            EXPECT_EQ(FillIn(Str(Txt_ImportRefusedLine), {std::to_wstring(c.refused[i].line),
                                                          RefusalText(c.refused[i], CurrentPair()),
                                                          Widen(c.refused[i].text)}),
                      line);
        }
        PumpMessages(100);
        SaveScreenshot(w_, std::wstring(L"import-preview-") + c.language);
        std::wstring refused = std::wstring(c.language) + L".txt";
        EXPECT_TRUE(AnswerFileDialog([this] { Send(ImpSaveRefused, BN_CLICKED); }, dir_ + L"\\" + refused));
        EXPECT_EQ(c.refused.size(), ReadTable(ReadBytes(refused), TableFormat::Tsv).rows.size());
        // The same column twice can't be imported.
        for (int column : {0, 1}) {
            SendDlgItemMessageW(w_, ImpTranslation, CB_SETCURSEL, column, 0);
            Send(ImpTranslation, CBN_SELCHANGE);
            EXPECT_EQ(column == 1, IsWindowEnabled(GetDlgItem(w_, ImpStart)) != 0);
        }
        Send(ImpStart, BN_CLICKED);
        EXPECT_EQ(Done(), Said());
        EXPECT_FALSE(IsWindow(w_));
        EXPECT_TRUE(IsWindowEnabled(g_mainWindow));
        EXPECT_EQ(c.forward, ReadWordBook(Forward(), 1253, 1252));
        EXPECT_EQ(c.mirror, ReadWordBook(Mirror(), 1252, 1253));
        EXPECT_EQ(c.journal, ReadWordBook(Journal(), 1253, 1252));
        EXPECT_EQ(3, g_session.book.count);
    }
}

// A cancel in the middle, and a failing write at each step in turn, leave
// every file as it was and the preview open; the next try imports.
TEST_F(Import, ACancelOrAFailedWriteChangesNothingAndTheNextTryImports)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NE(nullptr, Preview(kTsv));
    const std::vector<std::string> before = Files();
    // Cancel at the third step: a book's new contents written, none in place yet.
    static int steps;
    g_importStepShown = [](HWND progress, long, long) {
        EXPECT_FALSE(IsWindowEnabled(FindWindowW(L"importpreview", nullptr)));
        if (++steps == 3)
            PostMessageW(progress, WM_COMMAND, ImpProgressCancel, 0);
    };
    Send(ImpStart, BN_CLICKED);
    g_importStepShown = nullptr;
    EXPECT_EQ(Str(Txt_ImportCancelled), Said());
    EXPECT_EQ(before, Files());
    EXPECT_FALSE(FileExists(Forward() + L".new"));
    for (long failAt = 1;; ++failAt) {
        SCOPED_TRACE(failAt);
        ASSERT_TRUE(IsWindow(w_));
        EXPECT_TRUE(IsWindowEnabled(w_));
        EXPECT_FALSE(IsWindowEnabled(g_mainWindow));
        InjectFileFault(failAt);
        Send(ImpStart, BN_CLICKED);
        InjectFileFault(0);
        if (!IsWindow(w_))
            break;
        std::vector<std::wstring> said;
        for (const std::wstring& file : {Forward(), Mirror(), Journal()})
            said.push_back(FillIn(Str(Txt_ImportFailed), {file}));
        EXPECT_NE(said.end(), std::find(said.begin(), said.end(), Said())) << Narrow(Said());
        EXPECT_EQ(before, Files());
    }
    EXPECT_EQ(Done(), Said());
    EXPECT_EQ(3u, ReadWordBook(Forward()).size());
    EXPECT_EQ(4u, ReadWordBook(Mirror()).size());
}

// The word book and the practice list go out through the save dialog.
TEST_F(Import, TheWordBookAndThePracticeListAreExportedAsTables)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    std::wstring list = PairListPath(CurrentPair(), L"words");
    WriteWordBook(list, {{kHouse, L"house, home"}}, {}, 1253, 1252);
    WriteSchedule(SchedulePath(list), {{3, DayNumber(2024, 5, 9)}});
    const struct {
        int item, filter;
        const wchar_t* name;
        size_t rows;
        std::wstring table;
    } cases[] = {
        {kExportBookItem, 1, L"book.tsv", 2, kCat + L"\tcat\r\n" + kHouse + L"\thouse\r\n"},
        {kExportListItem, 2, L"list", 1, L"\ufeff" + kHouse + L",\"house, home\",3,2024-05-09,words box3\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        EXPECT_TRUE(FileCommand(c.item, c.name, c.filter));
        std::wstring path = dir_ + L"\\" + c.name + (c.filter == 2 ? L".csv" : L"");
        EXPECT_EQ(FillIn(Str(Txt_ExportDone), {std::to_wstring(c.rows), path}), Said());
        EXPECT_EQ(Narrow(c.table), ReadBytes(path));
    }
}

}  // namespace
