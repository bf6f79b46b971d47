// The settings file in the user's profile: read as the profile functions read,
// written in one replace, win.ini only ever read; and the folder probe.
#include "core/fileutil.h"
#include "core/usersettings.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"

namespace {

std::wstring SettingsFolder()
{
    std::wstring path = SettingsFilePath();
    return path.substr(0, path.find_last_of(L'\\'));
}

std::string WinIniBytes()
{
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return ReadBytes(std::wstring(windows) + L"\\win.ini");
}

class UserSettings : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        ClearSettings();
    }
    void TearDown() override
    {
        InjectFileFault(0);
        InjectUnwritableFolder(L"");
        ClearSettings();
        ScratchDirTest::TearDown();
    }
};

TEST(SettingsText, ParsesAsTheProfileFunctionsRead)
{
    struct Case {
        const wchar_t* text;
        std::vector<std::pair<std::wstring, std::wstring>> keys;
    } cases[] = {
        {L"[Dictionary]\r\nA=1\r\nb = two words \r\n", {{L"A", L"1"}, {L"b", L"two words"}}},
        {L"[other]\nA=1\n[ dictionary ]\nB=2\n[x]\nC=3\n", {{L"B", L"2"}}},
        {L"[Dictionary]\nq=\"  spaced \"\nr=\"half\n", {{L"q", L"  spaced "}, {L"r", L"\"half"}}},
        {L"[Dictionary]\n; note=1\nnoequals\n=novalue\nk=a=b\nempty=\n", {{L"k", L"a=b"}, {L"empty", L""}}},
        {L"A=outside\n[Dictionary]\nA=1\nA=2\n", {{L"A", L"1"}, {L"A", L"2"}}},
        {L"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.keys, ParseProfileSection(c.text, L"Dictionary")) << Narrow(c.text);
}

TEST(SettingsText, DecodesEveryEncodingAFileMayHave)
{
    struct Case {
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {std::string("\xFF\xFE" "a\0=\0\xB1\x03", 8), L"a=\x03B1"},
        {"\xEF\xBB\xBF" "a=\xCE\xB1", L"a=\x03B1"},
        {"a=caf\xE9", L"a=caf\x00E9"},  // older files: the ANSI code page, 1252 here
        {"\xFF\xFE" "a", L""},           // an odd byte after the mark is no character
        {"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, DecodeProfileBytes(c.bytes)) << c.bytes;
}

TEST_F(UserSettings, IntegersReadAsTheProfileFunctionsReadThem)
{
    struct Case {
        const wchar_t* value;
        int expected;
    } cases[] = {
        {L"12", 12},    {L"-3000", -3000}, {L" 7 ", 7},          {L"abc", 0},    {L"12abc", 12},
        {L"+5", 5},     {L"-", 0},         {L"4294967297", 1},   {L"", 77},
    };
    for (const Case& c : cases) {
        SetSetting(L"n", c.value);
        EXPECT_EQ(c.expected, ReadSettingInt(L"n", 77)) << Narrow(c.value);
    }
    EXPECT_EQ(77, ReadSettingInt(L"missing", 77));
    EXPECT_EQ(L"Ari", ReadSettingText(L"missing", L"Arial", 3));
}

TEST_F(UserSettings, ValuesComeBackAsTheyWereStored)
{
    const std::wstring values[] = {L"plain", L"  leading and trailing  ", L"\"quoted\"", L"a=b=c",
                                   L"\x03B1\x03B2\x03B3 \x0436", L"", L"C:\\lists\\verbs"};
    int n = 0;
    for (const std::wstring& v : values)
        SetSetting((L"k" + std::to_wstring(n++)).c_str(), v);
    n = 0;
    for (const std::wstring& v : values)
        EXPECT_EQ(v, FileSetting((L"k" + std::to_wstring(n++)).c_str())) << Narrow(v);
    // The system's own reader agrees: the file is UTF-16 with its mark.
    EXPECT_EQ(0u, ReadBytes(SettingsFilePath()).find("\xFF\xFE"));
    wchar_t read[64];
    GetPrivateProfileStringW(L"Dictionary", L"k4", L"", read, 64, SettingsFilePath().c_str());
    EXPECT_STREQ(values[4].c_str(), read);
}

TEST_F(UserSettings, ARewriteKeepsWhatItDoesNotChange)
{
    MakeDir(SettingsFolder());
    WriteBytes(SettingsFilePath(), "; mine\r\n[Other]\r\nx=1\r\n\r\n[dictionary]\r\nKeep=yes\r\nMode=1\r\nGone=1\r\n"
                                   "\r\n[Later]\r\ny=2\r\n");
    ASSERT_TRUE(StoreSettings({{L"mode", L"2"}, {L"New", L"3"}, {L"gone", L"", true}, {L"absent", L"", true}}));
    std::wstring text = DecodeProfileBytes(ReadBytes(SettingsFilePath()));
    EXPECT_EQ(L"; mine\r\n[Other]\r\nx=1\r\n\r\n[dictionary]\r\nKeep=yes\r\nmode=2\r\nNew=3\r\n\r\n[Later]\r\ny=2\r\n",
              text);
    EXPECT_EQ((std::vector<std::pair<std::wstring, std::wstring>>{{L"x", L"1"}}), ParseProfileSection(text, L"other"));
}

TEST_F(UserSettings, WinIniIsReadForMissingKeysAndNeverWritten)
{
    SetWinIniSetting(L"colorR", L"40");
    SetWinIniSetting(L"PracticeSound", L"0");
    const std::string winIni = WinIniBytes();
    SetSetting(L"PracticeSound", L"1");
    ASSERT_TRUE(StoreSettings({{L"colorG", L"9"}, {L"colorR", L"", true}}));
    SettingsSnapshot s = ReadSettings();
    EXPECT_EQ(40, SettingInt(s, L"colorR", 0));         // only win.ini has it
    EXPECT_EQ(1, SettingInt(s, L"practicesound", 5));   // the file wins
    EXPECT_EQ(9, SettingInt(s, L"colorG", 0));
    EXPECT_EQ(winIni, WinIniBytes());
    EXPECT_TRUE(RemoveSettingsFile());
    EXPECT_EQ(0, ReadSettingInt(L"PracticeSound", 5));
}

TEST_F(UserSettings, AFailedWriteKeepsTheOldFile)
{
    SetSetting(L"a", L"old");
    const std::string old = ReadBytes(SettingsFilePath());
    int failures = 0;
    for (long failAt = 1; failAt < 20; ++failAt) {
        InjectFileFault(failAt);
        bool done = StoreSetting(L"a", L"new");
        InjectFileFault(0);
        EXPECT_EQ(std::vector<std::wstring>{L"wordbook.ini"}, FilesIn(SettingsFolder())) << failAt;
        if (done)
            break;
        ++failures;
        EXPECT_EQ(old, ReadBytes(SettingsFilePath())) << failAt;
    }
    EXPECT_GE(failures, 3);  // write, flush, close, replace
    EXPECT_EQ(L"new", FileSetting(L"a"));

    InjectUnwritableFolder(SettingsFolder());
    EXPECT_FALSE(StoreSetting(L"a", L"denied"));
    InjectUnwritableFolder(L"");
    EXPECT_EQ(L"new", FileSetting(L"a"));
}

TEST_F(UserSettings, TheFolderIsMadeAndRemovedWithTheFile)
{
    ASSERT_TRUE(RemoveSettingsFile());
    EXPECT_FALSE(FileExists(SettingsFolder()));
    SetSetting(L"a", L"1");
    EXPECT_TRUE(FileExists(SettingsFilePath()));
    EXPECT_TRUE(RemoveSettingsFile());
    EXPECT_FALSE(FileExists(SettingsFolder()));
    EXPECT_TRUE(RemoveSettingsFile());  // nothing left to remove is no failure

    SetSetting(L"a", L"1");
    WriteBytes(SettingsFolder() + L"\\notes.txt", "mine");
    EXPECT_TRUE(RemoveSettingsFile());
    EXPECT_TRUE(FileExists(SettingsFolder() + L"\\notes.txt"));
    DeleteFileW((SettingsFolder() + L"\\notes.txt").c_str());
}

TEST_F(UserSettings, FolderProbeTellsWhatAStandardUserMayWrite)
{
    unsigned long error = 0;
    EXPECT_TRUE(CanWriteInFolder(dir_, &error));
    EXPECT_EQ(0ul, error);
    EXPECT_TRUE(FilesIn(dir_).empty());  // the probe is gone again

    MakeDir(dir_ + L"\\All Users");
    InjectUnwritableFolder(dir_ + L"\\All Users");
    EXPECT_FALSE(CanWriteInFolder(dir_ + L"\\All Users\\", &error));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_ACCESS_DENIED), error);
    EXPECT_TRUE(CanWriteInFolder(dir_, &error)) << "only the folder named is denied";
    InjectUnwritableFolder(L"");

    EXPECT_FALSE(CanWriteInFolder(dir_ + L"\\missing", &error));
    EXPECT_NE(0ul, error);
}

TEST(FileSeam, TheRunningProgramFileIsNotRemoved)
{
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    EXPECT_FALSE(RemoveFilePath(self));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_TRUE(FileExists(self));
}

} // namespace
