// Unattended installation of each built medium into a fresh directory.
#include "core/codepage.h"
#include "core/collate.h"
#include "core/records.h"
#include "core/uistrings.h"
#include "tests/e2e/e2e.h"
#include "tests/support/installcheck.h"
#include "tests/support/settings.h"
#include "version.h"
#include <cstring>
#include <algorithm>
#include <map>
#include <sstream>
#include <vector>

namespace {

struct Pair {
    std::string longName;
    int charset;
};

std::vector<Pair> PairsOf(const wchar_t* language)
{
    std::vector<Pair> pairs;
    std::istringstream cf(ReadBytes(MediumPath(language) + L"\\LANGUAGE.CF"));
    std::string line;
    int n = 0;
    while (std::getline(cf, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (n++ % 3)
            continue;
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string x; std::getline(fields, x, ',');)
            f.push_back(x);
        pairs.push_back({f.at(3), std::stoi(f.at(2))});
    }
    return pairs;
}

std::vector<WordRecord> Records(const std::wstring& path)
{
    std::string bytes = ReadBytes(path);
    std::vector<WordRecord> records(bytes.size() / sizeof(WordRecord));
    memcpy(records.data(), bytes.data(), records.size() * sizeof(WordRecord));
    return records;
}

std::string Field(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

// The reverse word book worked out the plain way: every translation of every
// record becomes a word of its own; equal words collect their foreign words
// in the order they came, while the list stays under 50 characters.
std::map<std::string, std::string> ExpectedReverse(const std::vector<WordRecord>& delivered)
{
    std::map<std::string, std::string> merged;
    for (const WordRecord& r : delivered) {
        std::string foreign = Field(r.source, sizeof r.source);
        std::string translations = Field(r.translation, sizeof r.translation);
        if (foreign.empty())
            continue;
        std::istringstream parts(translations);
        for (std::string part; std::getline(parts, part, ',');) {
            part.erase(0, part.find_first_not_of(' '));
            if (part.empty() || part.size() > 30 || foreign.size() > 50)
                continue;
            auto [it, fresh] = merged.try_emplace(part, foreign);
            if (!fresh && foreign.size() + it->second.size() + 2 < 50)
                it->second += ", " + foreign;
        }
    }
    return merged;
}

class Install : public ScratchDirTest {
protected:
    void CheckMedium(const wchar_t* language, const char* main)
    {
        std::wstring target = dir_ + L"\\Word Book";
        ClearSettings();
        std::string winIni = WinIniBytes();
        ProcessRun run = InstallMedium(language, target);
        ASSERT_EQ(0u, run.exitCode) << run.errors;
        struct Cleanup {
            std::wstring target;
            ~Cleanup() { RemoveInstallation(target); }
        } cleanup{target};

        // The catalogue: created header, the selection, the sorted block, the
        // two empty lines and the end marker it was created with.
        std::vector<Pair> pairs = PairsOf(language);
        std::string ini = WithoutCr(ReadBytes(target + L"\\DICT.INI"));
        EXPECT_EQ('#', ini[0]);
        EXPECT_NE(std::string::npos, ini.find("\n[Addnew]\n"));
        EXPECT_NE(std::string::npos, ini.find("\n[Selected]\n" + pairs[0].longName + "_" + main + ".wb\n"));
        std::string block = "[Languages]\n";
        std::vector<std::string> names;
        for (const Pair& p : pairs)
            names.push_back(p.longName);
        std::sort(names.begin(), names.end());
        std::istringstream cf(ReadBytes(MediumPath(language) + L"\\LANGUAGE.CF"));
        std::map<std::string, std::string> lines;
        int n = 0;
        for (std::string line; std::getline(cf, line);)
            if (!line.empty() && line[0] != '#' && n++ % 3 == 0)
                lines[line.substr(line.rfind(',') + 1)] = line;
        for (const auto& name : names)
            block += lines[name] + "\n";
        block += "\n\n# --- EOF " + std::string(56, '-') + "\n";
        ASSERT_GE(ini.size(), block.size());
        EXPECT_EQ(block, ini.substr(ini.size() - block.size()));
        EXPECT_FALSE(FileExists(target + L"\\LANGUAGE.CF"));

        // Every reverse word book: sorted by the table wordbook searches it
        // by, the main language's, and holding exactly the inversion of the
        // delivered one.
        unsigned char table[kSortTableSize];
        ASSERT_TRUE(ReadSortTableFile((target + L"\\tables\\" + Widen(main) + L".stb").c_str(), table));
        for (const Pair& p : pairs) {
            std::wstring delivered = target + L"\\books\\" + Widen(p.longName + "_" + main + ".wb");
            std::wstring reverse = target + L"\\books\\" + Widen(std::string(main) + "_" + p.longName + ".wb");
            std::vector<WordRecord> in = Records(delivered), out = Records(reverse);
            ASSERT_GT(in.size(), 1000u) << p.longName;
            std::map<std::string, std::string> expected = ExpectedReverse(in), got;
            std::vector<unsigned char> previous;
            for (const WordRecord& r : out) {
                std::string word = Field(r.source, sizeof r.source);
                got[word] = Field(r.translation, sizeof r.translation);
                EXPECT_EQ(0, r.deleted);
                unsigned char key[kSortKeyBuffer];
                int len = MakeSortKey(reinterpret_cast<const unsigned char*>(word.c_str()), table, key);
                if (!previous.empty()) {
                    ASSERT_LE(CompareSortKeys(previous.data(), static_cast<int>(previous.size()), key, len), 0)
                        << p.longName << ": " << word;
                }
                previous.assign(key, key + len);
            }
            EXPECT_EQ(expected.size(), out.size()) << p.longName << ": equal words were written twice";
            EXPECT_TRUE(expected == got) << p.longName;
        }

        // What else the script leaves: settings in the user's file (win.ini
        // as it was), the record, the shortcut, the entry in the installed programs.
        EXPECT_EQ(L"Times New Roman", FileSetting(L"languagefont"));
        EXPECT_EQ(L"2000", FileSetting(L"AviDelay"));
        EXPECT_TRUE(winIni == WinIniBytes()) << "win.ini changed";
        EXPECT_EQ(target, RecordKey(target, L"program"));
        std::wstring folder = RecordKey(target, L"icon");
        std::wstring shortcut = folder + L"\\" + (language == std::wstring(L"english") ? L"Wordbook" : L"Woordenboek") + L".lnk";
        EXPECT_TRUE(FileExists(shortcut)) << Narrow(shortcut);
        EXPECT_EQ(shortcut, RecordKey(target, L"link"));
        EXPECT_EQ(0u, folder.find(ProgramsFolder()));
        EXPECT_EQ("", RecordDifferences(target));
        EXPECT_TRUE(RecordedFiles(target).count(L"UNINSTALL.EXE"));
        // The art drawn for each display scale lands beside the 96-dpi one.
        for (const wchar_t* art : {L"logo.bmp", L"logo-144.bmp", L"logo-192.bmp", L"dict.avi", L"dict-144.avi",
                                   L"dict-192.avi"}) {
            std::string delivered = ReadBytes(MediumPath(language) + L"\\" + art);
            EXPECT_FALSE(delivered.empty()) << Narrow(art);
            EXPECT_TRUE(delivered == ReadBytes(target + L"\\" + art)) << Narrow(art);
        }
        EXPECT_EQ(ReadBytes(MediumPath(language) + L"\\setup.exe"), ReadBytes(target + L"\\uninstall.exe"));
        std::wstring uninstaller = L"\"" + target + L"\\uninstall.exe\" /uninstall";
        std::map<std::wstring, std::wstring> expected{
            {L"DisplayName", Widen(language == std::wstring(L"english") ? "Wordbook - English edition"
                                                                        : "Woordenboek - Nederlandse uitgave")},
            {L"DisplayVersion", WB_VERSION_WIDE},
            {L"Publisher", WB_PUBLISHER_WIDE},
            {L"InstallLocation", target},
            {L"DisplayIcon", target + L"\\wordbook.exe,0"},
            {L"EstimatedSize", L"#" + std::to_wstring((RecordedBytes(target) + 1023) / 1024)},
            {L"UninstallString", uninstaller},
            {L"QuietUninstallString", uninstaller + L" /S"},
            {L"NoModify", L"#1"},
            {L"NoRepair", L"#1"},
        };
        std::map<std::wstring, std::wstring> entry = ReadUninstallEntry(RecordKey(target, L"regkey"));
        EXPECT_EQ(expected.size(), entry.size());
        for (const auto& [name, value] : expected)
            EXPECT_EQ(Narrow(value), Narrow(entry[name])) << Narrow(name);

        // The user adds words to a pair's books in both directions.
        std::wstring books = target + L"\\books\\";
        std::wstring delivered = Widen(pairs[0].longName + "_" + main + ".wb");
        std::wstring reverse = Widen(std::string(main) + "_" + pairs[0].longName + ".wb");
        std::string deliveredBytes = ReadBytes(books + delivered), reverseBytes = ReadBytes(books + reverse);
        WordRecord added{};
        strcpy(added.source, "zzadded");
        strcpy(added.translation, "zzmine");
        std::string addedBytes(reinterpret_cast<const char*>(&added), sizeof added);
        WriteBytes(books + delivered, deliveredBytes + addedBytes);
        WriteBytes(books + reverse, reverseBytes + addedBytes);

        // Installing again adds no second line for any pair, and keeps those
        // two books, and only those, where the closing report says.
        run = InstallMedium(language, target);
        ASSERT_EQ(0u, run.exitCode) << run.errors;
        std::string again = WithoutCr(ReadBytes(target + L"\\DICT.INI"));
        EXPECT_EQ(block, again.substr(again.size() - block.size()));
        EXPECT_EQ(ini, again);
        EXPECT_EQ(deliveredBytes, ReadBytes(books + delivered));
        EXPECT_EQ(reverseBytes, ReadBytes(books + reverse));
        // The books are recorded as installed again; the user's kept ones are not.
        EXPECT_EQ("", RecordDifferences(target, {L"books\\backup"}));
        std::vector<std::wstring> kept;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((books + L"backup\\*.*").c_str(), &fd);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                kept.push_back(fd.cFileName);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
        ASSERT_EQ(2u, kept.size());
        if (kept[0].find(delivered + L".") != 0)
            std::swap(kept[0], kept[1]);
        EXPECT_EQ(0u, kept[0].find(delivered + L".")) << Narrow(kept[0]);
        EXPECT_EQ(0u, kept[1].find(reverse + L".")) << Narrow(kept[1]);
        EXPECT_EQ(deliveredBytes + addedBytes, ReadBytes(books + L"backup\\" + kept[0]));
        EXPECT_EQ(reverseBytes + addedBytes, ReadBytes(books + L"backup\\" + kept[1]));
        std::string missing;
        ASSERT_TRUE(LoadUiStringsFromFile((target + L"\\strings\\" + language + L".str").c_str(), &missing));
        EXPECT_NE(std::string::npos, run.errors.find(Narrow(Str(Txt_Install_Kept)) + " " + Narrow(books + L"backup")))
            << run.errors;
    }
};

TEST_F(Install, EnglishMedium) { CheckMedium(L"english", "english"); }

// Without /D=: into the user's own programs folder, where no administrator is needed.
TEST_F(Install, ByDefaultIntoTheUsersProgramsFolder)
{
    std::wstring target = UserProgramsFolder() + L"\\Wordbook";
    RemoveInstallation(target);
    std::wstring medium = MediumPath(L"english");
    ProcessRun run = RunProgram(medium + L"\\setup.exe", L"/S", medium);
    struct Cleanup {
        std::wstring target;
        ~Cleanup() { RemoveInstallation(target); }
    } cleanup{target};
    ASSERT_EQ(0u, run.exitCode) << run.errors;
    EXPECT_TRUE(FileExists(target + L"\\wordbook.exe")) << Narrow(target);
    EXPECT_EQ(target, RecordKey(target, L"program"));
    EXPECT_EQ(target, ReadUninstallEntry(RecordKey(target, L"regkey"))[L"InstallLocation"]);
}
TEST_F(Install, DutchMedium) { CheckMedium(L"nederlands", "nederlands"); }

} // namespace

// The installed uninstaller, as Settings > Apps runs it.
namespace {

class Uninstaller : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        target_ = dir_ + L"\\Word Book";
        ClearSettings();
        ProcessRun run = InstallMedium(L"english", target_);
        ASSERT_EQ(0u, run.exitCode) << run.errors;
        regkey_ = RecordKey(target_, L"regkey");
        link_ = RecordKey(target_, L"link");
        ASSERT_TRUE(UninstallEntryExists(regkey_));
        ASSERT_TRUE(FileExists(link_));
        ASSERT_NE(L"<none>", FileSetting(L"languagefont"));
        std::string missing;
        ASSERT_TRUE(LoadUiStringsFromFile((target_ + L"\\strings\\english.str").c_str(), &missing)) << missing;
    }
    void TearDown() override
    {
        RemoveInstallation(target_);
        ScratchDirTest::TearDown();
    }
    // The uninstaller's copy removes the installed uninstall.exe once the
    // original has ended, a moment after whoever waits on it goes on.
    bool GoneSoon(const std::wstring& path)
    {
        for (int i = 0; i < 100 && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
            Sleep(100);
        return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
    }
    void ExpectEverythingElseGone()
    {
        EXPECT_FALSE(UninstallEntryExists(regkey_));
        EXPECT_FALSE(FileExists(link_));
        EXPECT_EQ(L"<none>", FileSetting(L"languagefont"));
    }
    std::wstring target_, regkey_, link_;
};

TEST_F(Uninstaller, KeepsTheUsersWorkThenHasNothingLeftToDo)
{
    // The user's work: a word added to a delivered book, a practice list, a recording.
    std::wstring book;
    for (const std::wstring& name : FilesIn(target_ + L"\\books"))
        if (book.empty() && name.size() > 3 && name.substr(name.size() - 3) == L".wb")
            book = L"books\\" + name;
    ASSERT_FALSE(book.empty());
    WordRecord added{};
    strcpy(added.source, "zzadded");
    strcpy(added.translation, "zzmine");
    std::string bookBytes = ReadBytes(target_ + L"\\" + book) + std::string(reinterpret_cast<char*>(&added), sizeof added);
    WriteBytes(target_ + L"\\" + book, bookBytes);
    MakeDir(target_ + L"\\lists\\week one");
    WriteBytes(target_ + L"\\lists\\week one\\francais.lst", "list");
    MakeDir(target_ + L"\\sound\\francais");
    WriteBytes(target_ + L"\\sound\\francais\\chat.wav", "RIFF");

    ProcessRun run = RunProgram(target_ + L"\\uninstall.exe", L"/uninstall /S", dir_);
    EXPECT_EQ(0u, run.exitCode) << run.errors;
    EXPECT_NE(std::string::npos, run.errors.find(Narrow(Str(Txt_Uninstall_Done)))) << run.errors;
    EXPECT_TRUE(GoneSoon(target_ + L"\\uninstall.exe"));
    std::vector<std::wstring> left;
    std::vector<std::wstring> expected{L"DICT.INI", book, L"lists\\week one\\francais.lst",
                                       L"sound\\francais\\chat.wav"};
    for (const auto& [path, file] : FilesUnder(target_))
        left.push_back(path);
    EXPECT_EQ(expected.size(), left.size());
    for (const std::wstring& path : expected)
        EXPECT_TRUE(FileExists(target_ + L"\\" + path)) << Narrow(path);
    EXPECT_EQ(bookBytes, ReadBytes(target_ + L"\\" + book));
    EXPECT_FALSE(FileExists(target_ + L"\\uninstall.ini"));
    ExpectEverythingElseGone();

    // Once more, from the medium: nothing is installed there any more.
    std::wstring medium = MediumPath(L"english");
    run = RunProgram(medium + L"\\setup.exe", L"/uninstall /S /D=" + target_, medium);
    EXPECT_EQ(1u, run.exitCode) << run.errors;
    EXPECT_NE(std::string::npos, run.errors.find(Narrow(target_))) << run.errors;
    EXPECT_TRUE(FileExists(target_ + L"\\" + book));
}

TEST_F(Uninstaller, WithoutUserWorkNothingIsLeft)
{
    ProcessRun run = RunProgram(target_ + L"\\uninstall.exe", L"/uninstall /S", target_);
    EXPECT_EQ(0u, run.exitCode) << run.errors;
    EXPECT_TRUE(GoneSoon(target_));
    ExpectEverythingElseGone();
}

// The boxes of the window mode, answered as the user would.
HWND WaitForBox(const std::wstring& caption)
{
    for (int i = 0; i < 300; ++i) {
        HWND box = FindWindowW(L"#32770", caption.c_str());
        if (box && IsWindowVisible(box))
            return box;
        Sleep(100);
    }
    return nullptr;
}

TEST_F(Uninstaller, AnsweringTheWindowRemovesTheWorkToo)
{
    MakeDir(target_ + L"\\lists\\week one");
    WriteBytes(target_ + L"\\lists\\week one\\francais.lst", "list");
    HANDLE process = StartProgram(target_ + L"\\uninstall.exe", L"/uninstall", dir_);
    ASSERT_TRUE(process);
    struct Ender {
        HANDLE process;
        ~Ender()
        {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
                TerminateProcess(process, 99);  // a box the test didn't answer
            CloseHandle(process);
        }
    } ender{process};
    std::wstring caption = Str(Txt_Uninstall_Caption);
    HWND box = nullptr;
    for (int button : {IDYES, IDYES, IDOK}) {
        HWND previous = box;
        while (previous && IsWindow(previous))
            Sleep(50);
        box = WaitForBox(caption);
        ASSERT_TRUE(box) << "no box for button " << button;
        ASSERT_TRUE(GetDlgItem(box, button)) << "no button " << button;
        PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 60000));
    DWORD code = 99;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(GoneSoon(target_));
    ExpectEverythingElseGone();
}

} // namespace
