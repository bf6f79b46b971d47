// The uninstaller on a small installation made in a scratch folder: what it
// removes, what it keeps of the user's, and how it answers what goes wrong.
#include "setup/installrecord.h"
#include "setup/setup.h"
#include "core/report.h"
#include "core/uistrings.h"
#include "core/usersettings.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <algorithm>
#include <set>

namespace {

std::vector<int> g_answers;  // the user's answers, in order; OK once they run out
std::vector<CapturedMessage> g_boxes;

int AnswerBox(HWND, const wchar_t* text, const wchar_t* caption, UINT type)
{
    g_boxes.push_back({text, caption, type, nullptr, {}, {}});
    int answer = g_answers.empty() ? IDOK : g_answers.front();
    if (!g_answers.empty())
        g_answers.erase(g_answers.begin());
    return answer;
}

// Every file (and, ending in "\", every empty folder) under dir, relative to it.
void Contents(const std::wstring& dir, const std::wstring& relative, std::set<std::wstring>* out)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\" + relative + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    bool empty = true;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        empty = false;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Contents(dir, relative + name + L"\\", out);
        else
            out->insert(relative + name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    if (empty && !relative.empty())
        out->insert(relative);
}

bool UninstallKeyExists(const std::wstring& name)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kUninstallKeyRoot) + L"\\" + name).c_str(), 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void MakeUninstallKey(const std::wstring& name, const std::wstring& location)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kUninstallKeyRoot) + L"\\" + name).c_str(),
                                             0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    RegSetValueExW(key, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(location.c_str()),
                   static_cast<DWORD>((location.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void DeleteUninstallKey(const std::wstring& name)
{
    RegDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(kUninstallKeyRoot) + L"\\" + name).c_str());
}

// What setup leaves: recorded files, the record, a shortcut, an entry in the
// list of programs and the settings file.
const wchar_t* const kInstalled[] = {
    L"wordbook.exe", L"language.ini", L"uninstall.exe", L"DICT.INI", L"books\\francais_english.wb",
    L"books\\english_francais.wb", L"tables\\english.stb", L"help\\wordbook\\index.htm",
};

class Uninstall : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        target_ = dir_ + L"\\Word Book";
        key_ = L"WordbookTest-" + std::to_wstring(GetCurrentProcessId());
        link_ = dir_ + L"\\menu\\Wordbook\\Wordbook.lnk";
        MakeDir(target_);
        for (const wchar_t* dir : {L"\\books", L"\\tables", L"\\help", L"\\help\\wordbook", L"\\strings",
                                   L"\\lists", L"\\sound"})
            MakeDir(target_ + dir);
        MakeDir(dir_ + L"\\menu");
        MakeDir(dir_ + L"\\menu\\Wordbook");
        WriteBytes(link_, "shortcut");
        InstallRecord record;
        record.program = target_;
        record.groupName = L"Wordbook";
        record.shortcutFolder = dir_ + L"\\menu\\Wordbook";
        record.shortcutFile = link_;
        record.registryKey = key_;
        for (const wchar_t* file : kInstalled)
            WriteBytes(target_ + L"\\" + file, "delivered " + Narrow(file));
        WriteBytes(target_ + L"\\language.ini", "[Dictionary]\r\nLanguage=english\r\n");
        ASSERT_TRUE(CopyFileW(BuildPath(L"strings/english.str").c_str(),
                              (target_ + L"\\strings\\english.str").c_str(), FALSE));
        std::vector<std::wstring> recorded(std::begin(kInstalled), std::end(kInstalled));
        recorded.push_back(L"strings\\english.str");
        for (const std::wstring& file : recorded) {
            InstalledFile f{file};
            ASSERT_TRUE(FileFingerprint(target_ + L"\\" + file, &f.size, &f.crc));
            record.files.push_back(f);
        }
        ASSERT_TRUE(WriteInstallRecord(target_ + L"\\uninstall.ini", record));
        MakeUninstallKey(key_, target_);
        SetSetting(L"languagefont", L"Times New Roman");
        g_answers.clear();
        g_boxes.clear();
    }
    void TearDown() override
    {
        SetReportHooks({});
        InjectFileFault(0);
        InjectUnwritableFolder(L"");
        DeleteUninstallKey(key_);
        ScratchDirTest::TearDown();
    }
    int Run(bool unattended, std::vector<int> answers = {})
    {
        g_answers = answers;
        g_boxes.clear();
        SetReportHooks({AnswerBox, nullptr});
        int code = UninstallFolder(target_, unattended);
        SetReportHooks({});
        return code;
    }
    std::set<std::wstring> Left() const
    {
        std::set<std::wstring> files;
        Contents(target_, L"", &files);
        return files;
    }
    // Everything setup left is still there.
    void ExpectUntouched(const std::set<std::wstring>& before)
    {
        EXPECT_EQ(before, Left());
        EXPECT_TRUE(UninstallKeyExists(key_));
        EXPECT_TRUE(FileExists(link_));
        EXPECT_EQ(L"Times New Roman", FileSetting(L"languagefont"));
    }
    void ExpectShortcutEntryAndSettingsGone()
    {
        EXPECT_FALSE(FileExists(link_));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dir_ + L"\\menu\\Wordbook").c_str()));
        EXPECT_FALSE(UninstallKeyExists(key_));
        EXPECT_FALSE(FileExists(SettingsFilePath()));
    }
    std::wstring LastBox() const { return g_boxes.empty() ? L"(none)" : g_boxes.back().text; }
    std::wstring target_, key_, link_;
};

std::wstring Filled(StringId id, const std::wstring& folder)
{
    std::wstring text = Str(id);
    text.replace(text.find(L"%s"), 2, folder);
    return text;
}

// The user's work, made the ways wordbook makes it.
struct Work {
    const char* what;
    std::vector<std::pair<std::wstring, std::string>> files;  // path in the folder, contents; "\" ending: a folder
};

const Work kWork[] = {
    {"nothing of the user's", {}},
    {"a word added to a delivered book", {{L"books\\francais_english.wb", "delivered books\\francais_english.wb+mot"}}},
    {"a practice list with scores, schedule and history",
     {{L"lists\\week one\\francais.lst", "l"}, {L"lists\\week one\\francais.sco", "s"},
      {L"lists\\week one\\francais.rev", "r"}, {L"lists\\week one\\francais.his", "h"}}},
    {"an empty practice list", {{L"lists\\week two\\", ""}}},
    {"a recording", {{L"sound\\francais\\chat.wav", "RIFF"}}},
    {"the journal of new words", {{L"new\\francais.new", "chat"}}},
    {"a replaced book kept in backup", {{L"books\\backup\\francais_english.wb.20261209-120000", "old"}}},
    {"a word book of the user's with its icon",
     {{L"books\\klingon_english.wb", "k"}, {L"icons\\klingon.ico", "i"}}},
};

TEST_F(Uninstall, RemovesWhatWasInstalledAndKeepsTheUsersWork)
{
    struct Mode {
        const char* name;
        bool unattended;
        std::vector<int> answers;  // confirm, then whether to remove the work too
    };
    const Mode modes[] = {{"/S", true, {}}, {"window, keeping the work", false, {IDYES, IDNO}}};
    for (const Mode& mode : modes)
        for (const Work& work : kWork) {
            SCOPED_TRACE(std::string(mode.name) + ": " + work.what);
            TearDown();
            SetUp();
            std::set<std::wstring> kept;
            for (const auto& [path, bytes] : work.files) {
                std::wstring full = target_ + L"\\" + path;
                for (size_t slash = full.find(L'\\', target_.size() + 1); slash != std::wstring::npos;
                     slash = full.find(L'\\', slash + 1))
                    CreateDirectoryW(full.substr(0, slash).c_str(), nullptr);
                if (path.back() != L'\\')
                    WriteBytes(full, bytes);
                kept.insert(path);
            }
            if (!kept.empty())
                kept.insert(L"DICT.INI");  // it names the kept word books

            EXPECT_EQ(0, Run(mode.unattended, mode.answers)) << Narrow(LastBox());
            EXPECT_EQ(kept, Left());
            EXPECT_EQ(!kept.empty(), GetFileAttributesW(target_.c_str()) != INVALID_FILE_ATTRIBUTES);
            ExpectShortcutEntryAndSettingsGone();
            // Window: the confirmation, the question when there is work, the closing message.
            ASSERT_EQ(mode.unattended ? 1u : (kept.empty() ? 2u : 3u), g_boxes.size());
            std::wstring done = Str(Txt_Uninstall_Done);
            if (!kept.empty())
                done += L"\n\n" + Filled(Txt_Uninstall_KeptWork, target_);
            EXPECT_EQ(done, LastBox());
            EXPECT_EQ(std::wstring(Str(Txt_Uninstall_Caption)), g_boxes.back().caption);
            if (!mode.unattended) {
                EXPECT_EQ(Filled(Txt_Uninstall_Confirm, target_), g_boxes[0].text);
                if (!kept.empty()) {
                    EXPECT_EQ(std::wstring(Str(Txt_Uninstall_AlsoWork)), g_boxes[1].text);
                }
            }
        }
}

TEST_F(Uninstall, TheUsersAnswers)
{
    struct Case {
        const char* what;
        std::vector<int> answers;
        int exitCode;
        bool removed;     // the installation went
        bool workKept;
    };
    const Case cases[] = {
        {"no to the confirmation", {IDNO}, 1, false, true},
        {"cancel at the question about the work", {IDYES, IDCANCEL}, 1, false, true},
        {"remove the work too", {IDYES, IDYES}, 0, true, false},
        {"keep the work", {IDYES, IDNO}, 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        MakeDir(target_ + L"\\lists\\week");
        WriteBytes(target_ + L"\\lists\\week\\francais.lst", "mine");
        std::set<std::wstring> before = Left();
        EXPECT_EQ(c.exitCode, Run(false, c.answers));
        EXPECT_TRUE(g_answers.empty()) << "a question was not asked";
        if (!c.removed) {
            ExpectUntouched(before);
            EXPECT_EQ(c.answers.size(), g_boxes.size()) << "no message after the user stopped it";
            continue;
        }
        ExpectShortcutEntryAndSettingsGone();
        EXPECT_EQ(c.workKept, FileExists(target_ + L"\\lists\\week\\francais.lst"));
        EXPECT_EQ(c.workKept, GetFileAttributesW(target_.c_str()) != INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(Uninstall, NothingToUninstall)
{
    struct Case {
        const char* what;
        bool firstUninstall;   // a successful uninstall before
        bool strayEntry;       // an entry in the list of programs names the folder
    };
    const Case cases[] = {
        {"a second uninstall", true, false},
        {"a second uninstall, the entry back", true, true},
        {"a folder that was never an installation", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        if (c.firstUninstall) {
            ASSERT_EQ(0, Run(true));
            MakeDir(target_);
        } else {
            ASSERT_TRUE(DeleteFileW((target_ + L"\\uninstall.ini").c_str()));
        }
        if (c.strayEntry)
            MakeUninstallKey(key_, target_ + L"\\");
        std::set<std::wstring> before = Left();
        ASSERT_EQ(1, Run(true));
        ASSERT_EQ(1u, g_boxes.size());
        // Without its strings the installation speaks the uninstaller's own English.
        if (c.firstUninstall)
            EXPECT_EQ(L"Nothing is installed in " + target_ + L".", g_boxes[0].text);
        else
            EXPECT_EQ(Filled(Txt_Uninstall_NotInstalled, target_), g_boxes[0].text);
        EXPECT_EQ(before, Left());
        EXPECT_FALSE(UninstallKeyExists(key_));
    }
}

TEST_F(Uninstall, HalfRemovedInstallation)
{
    for (const wchar_t* file : {L"wordbook.exe", L"books\\francais_english.wb", L"strings\\english.str"})
        ASSERT_TRUE(DeleteFileW((target_ + L"\\" + file).c_str()));
    RemoveDirectoryW((target_ + L"\\strings").c_str());
    ASSERT_TRUE(DeleteFileW(link_.c_str()));
    DeleteUninstallKey(key_);
    ClearSettings();
    EXPECT_EQ(0, Run(true)) << Narrow(LastBox());
    EXPECT_EQ(L"The program has been removed.", LastBox());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(target_.c_str()));
    ExpectShortcutEntryAndSettingsGone();
}

TEST_F(Uninstall, AFileThatCantBeRemoved)
{
    struct Case {
        const char* what;
        long failAt;                 // the removal that fails
        const wchar_t* unwritable;   // or a folder nothing can be removed from
        size_t left;                 // installed files left
    };
    const Case cases[] = {
        {"one removal fails", 1, nullptr, 1},
        {"a folder of it is locked", 0, L"\\books", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        InjectFileFault(c.failAt);
        if (c.unwritable)
            InjectUnwritableFolder(target_ + c.unwritable);
        EXPECT_EQ(1, Run(true));
        InjectFileFault(0);
        InjectUnwritableFolder(L"");
        std::set<std::wstring> left = Left();
        // What a second attempt needs stays: the record, the uninstaller, the entry.
        for (const wchar_t* needed : {L"uninstall.ini", L"uninstall.exe"})
            EXPECT_EQ(1u, left.erase(needed)) << Narrow(needed);
        EXPECT_TRUE(UninstallKeyExists(key_));
        ASSERT_EQ(c.left, left.size());
        std::wstring text = LastBox();
        EXPECT_EQ(0u, text.find(Str(Txt_Uninstall_Failed))) << Narrow(text);
        for (const std::wstring& file : left)
            EXPECT_NE(std::wstring::npos, text.find(target_ + L"\\" + file + L": ")) << Narrow(text);
        EXPECT_FALSE(FileExists(link_));
        EXPECT_FALSE(FileExists(SettingsFilePath()));

        // The second attempt finishes it.
        EXPECT_EQ(0, Run(true)) << Narrow(LastBox());
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(target_.c_str()));
        EXPECT_FALSE(UninstallKeyExists(key_));
    }
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(Uninstall, RefusesWhileWordbookRuns)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"wboek";
    RegisterClassW(&wc);
    HWND main = CreateWindowW(L"wboek", L"Wordbook", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              wc.hInstance, nullptr);
    ASSERT_TRUE(main);
    std::set<std::wstring> before = Left();
    EXPECT_EQ(1, Run(false, {IDYES, IDYES}));
    DestroyWindow(main);
    UnregisterClassW(L"wboek", wc.hInstance);
    EXPECT_EQ(std::wstring(Str(Txt_Uninstall_Running)), LastBox());
    EXPECT_EQ(1u, g_boxes.size());
    ExpectUntouched(before);
}

TEST(UninstallCommandLine, Options)
{
    struct Case {
        const wchar_t* line;
        bool uninstall, unattended;
        unsigned long long waitFor, resultPipe;
        const wchar_t* dir;
        const wchar_t* unknown;
    };
    const Case cases[] = {
        {L"/uninstall", true, false, 0, 0, L"", L""},
        {L"/UNINSTALL /S", true, true, 0, 0, L"", L""},
        {L"/uninstall /S /D=C:\\Users\\a b\\Word Book", true, true, 0, 0, L"C:\\Users\\a b\\Word Book", L""},
        {L"/uninstall /WAIT=124 /RESULT=88 /D=C:\\x", true, false, 124, 88, L"C:\\x", L""},
        {L"/uninstall /WAIT=x", true, false, 0, 0, L"", L"/WAIT=x"},
        {L"/S /D=C:\\x", false, true, 0, 0, L"C:\\x", L""},
        {L"/uninstal /S", false, true, 0, 0, L"", L"/uninstal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.line));
        SetupOptions o = ParseSetupCommandLine(c.line);
        EXPECT_EQ(c.uninstall, o.uninstall);
        EXPECT_EQ(c.unattended, o.unattended);
        EXPECT_EQ(c.waitFor, o.waitFor);
        EXPECT_EQ(c.resultPipe, o.resultPipe);
        EXPECT_EQ(std::wstring(c.dir), o.targetDir);
        EXPECT_EQ(std::wstring(c.unknown), o.unknown);
    }
}

} // namespace
