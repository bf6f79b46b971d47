#include "setup/setup.h"
#include "core/uistrings.h"
#include "core/usersettings.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include "tests/setup/setuptest.h"
#include <algorithm>
#include <iterator>

namespace {

class Script : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        src_ = dir_ + L"\\src";
        dst_ = dir_ + L"\\dst";
        MakeDir(src_);
        MakeDir(dst_);
        g_startDir = src_;
        g_targetDir = dst_;
        g_script = ScriptResults{};
        g_interfaceCodePage = 1252;
        g_setupWindow = nullptr;
        OverrideString(Txt_AviDelay, L"WbTestAviDelay");
        OverrideString(Txt_PathLanguage, L"books\\");
        OverrideString(Txt_Install_Failed, L"These steps failed:");
        OverrideString(Txt_Install_Kept, L"Kept in:");
        OverrideString(Txt_Install_Finished, L"Finished");
        g_outcome = InstallOutcome{};
        ClearSettings();
    }
    void Inf(const std::string& text) { WriteBytes(src_ + L"\\install.inf", text); }
    std::wstring src_, dst_;
};

} // namespace

TEST_F(Script, HeaderKeywordsByTheirFirstLettersInAnyCase)
{
    g_targetDir = dir_;
    Inf("# a comment\n"
        "\n"
        "copy a.txt b.txt\n"          // a command: only counts when installing
        "SUBDIR one\n"
        "TiTlE Word book 2.0\n"
        "subfolder two\n"             // "sub" is enough for subdir
        " dir C:\\ignored\n"           // leading blank: not a keyword
        "\tsubdir ignored\n"
        "wbarg wb english\n"
        "title\n"                     // no argument: ignored
        "debug\n");
    ReadScriptHeader();
    EXPECT_EQ(dir_ + L"\\one\\two", g_targetDir);
    EXPECT_EQ(L"Word book 2.0", g_script.title);
    EXPECT_EQ(L"wb english", g_script.wbarg);
    EXPECT_TRUE(g_detailedDisplay);
    EXPECT_EQ(dir_ + L"\\one\\two\\uninstall.ini", g_script.uninstallPath);
    // Nothing is written before the user has chosen where to install.
    EXPECT_FALSE(FileExists(dir_ + L"\\uninstall.ini"));
    EXPECT_FALSE(FileExists(dst_ + L"\\b.txt"));
}

TEST_F(Script, DirStartsAgainAndLongLinesStayWhole)
{
    std::string longTitle(150, 'x');
    Inf("subdir first\r\n"
        "dir C:\\Apps\r\n"
        "subdir Word Book\r\n"
        "title " + longTitle + "\r\n"
        "wbarg after\r\n");
    ReadScriptHeader();
    EXPECT_EQ(L"C:\\Apps\\Word Book", g_targetDir);
    EXPECT_EQ(Widen(longTitle), g_script.title);
    EXPECT_EQ(L"after", g_script.wbarg);
}

TEST_F(Script, CommandsCopyCreateAndRecord)
{
    WriteBytes(src_ + L"\\a.txt", "A");
    MakeDir(src_ + L"\\data");
    MakeDir(src_ + L"\\data\\sub.stb");
    WriteBytes(src_ + L"\\data\\x.stb", "X");
    WriteBytes(src_ + L"\\data\\h.stb", "H");
    SetFileAttributesW((src_ + L"\\data\\h.stb").c_str(), FILE_ATTRIBUTE_HIDDEN);
    WriteBytes(src_ + L"\\data\\note.txt", "N");
    MakeDir(src_ + L"\\snd");
    MakeDir(src_ + L"\\snd\\nested");
    WriteBytes(src_ + L"\\snd\\w1.wav", "1");
    WriteBytes(src_ + L"\\snd\\w2.wav", "2");
    Inf("Title only read at start-up\n"
        "dir C:\\not\\here\n"
        "mkdir data\n"
        "MKDIR sound\n"
        "copy a.txt renamed.txt\n"
        "xcopy a.txt\n"
        "xcopy   data\\*.stb    data\n"
        "sndcopy snd sound\n"
        "setini WbTestKey=a=b\n"
        "avidelay 250\n"
        "iconname Word Book\n"
        "icongroup My Group\n"
        "iconexe wordbook.exe\n"
        "display readme.txt\n"
        "mkwlist\n"
        " copy a.txt blank.txt\n"
        "\tcopy a.txt tab.txt\n"
        "copy onlyone\n"
        "setini NoEquals\n"
        "setini =novalue\n"
        "sndcopy snd\n"
        "iconexe\n"
        "icongroup \n");
    RunScript();
    EXPECT_TRUE(g_outcome.failures.empty());
    EXPECT_EQ(dst_, g_targetDir);
    EXPECT_EQ("A", ReadBytes(dst_ + L"\\renamed.txt"));
    EXPECT_EQ("A", ReadBytes(dst_ + L"\\a.txt"));
    EXPECT_EQ("X", ReadBytes(dst_ + L"\\data\\x.stb"));
    EXPECT_EQ("H", ReadBytes(dst_ + L"\\data\\h.stb"));
    EXPECT_FALSE(FileExists(dst_ + L"\\data\\note.txt"));
    EXPECT_FALSE(FileExists(dst_ + L"\\data\\sub.stb"));
    EXPECT_EQ("1", ReadBytes(dst_ + L"\\sound\\w1.wav"));
    EXPECT_EQ("2", ReadBytes(dst_ + L"\\sound\\w2.wav"));
    EXPECT_FALSE(FileExists(dst_ + L"\\sound\\nested"));
    EXPECT_FALSE(FileExists(dst_ + L"\\blank.txt"));
    EXPECT_FALSE(FileExists(dst_ + L"\\tab.txt"));
    EXPECT_FALSE(FileExists(dst_ + L"\\onlyone"));

    EXPECT_EQ(L"a=b", FileSetting(L"WbTestKey"));
    EXPECT_EQ(L"250", FileSetting(L"WbTestAviDelay"));
    EXPECT_EQ(L"<none>", FileSetting(L"NoEquals"));
    EXPECT_EQ(L"<none>", WinIniSetting(L"WbTestKey"));

    EXPECT_TRUE(g_script.wantShortcut);
    EXPECT_EQ(L"Word Book", g_script.iconName);
    EXPECT_EQ(L"My Group", g_script.iconGroup);
    EXPECT_EQ(L"wordbook.exe", g_script.iconExe);
    EXPECT_EQ(L"readme.txt", g_script.displayFile);
    EXPECT_TRUE(g_script.mkwlist);
    EXPECT_EQ(L"", g_script.title);

    // The record is written once, when the installation is done.
    EXPECT_EQ(dst_ + L"\\uninstall.ini", g_script.uninstallPath);
    EXPECT_FALSE(FileExists(g_script.uninstallPath));
}

TEST_F(Script, ClosingTextIsTheDisplayFileCutAtALineEnd)
{
    EXPECT_EQ(L"Finished", ClosingText());   // no display line
    g_script.displayFile = L"readme.txt";
    EXPECT_EQ(L"Finished", ClosingText());   // missing file
    WriteBytes(src_ + L"\\readme.txt", "");
    EXPECT_EQ(L"Finished", ClosingText());
    std::string line = std::string(98, 'r') + "\r\n";
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += line;
    WriteBytes(src_ + L"\\readme.txt", text);
    EXPECT_EQ(Widen(text.substr(0, 49 * line.size())), ClosingText());
    WriteBytes(src_ + L"\\readme.txt", std::string(6000, 'x'));
    EXPECT_EQ(4999u, ClosingText().size());
}

TEST_F(Script, MissingScriptIsFatalInBothPasses)
{
    MessageCapture capture;
    for (auto pass : {ReadScriptHeader, +[] { RunScript(); }}) {
        capture.clear();
        try {
            pass();
            ADD_FAILURE() << "returned without install.inf";
        } catch (const ExitCalled& e) {
            EXPECT_EQ(1, e.code);
        }
        ASSERT_EQ(1u, capture.messages().size());
        EXPECT_EQ(L"Can't open INSTALL.INF", capture.messages()[0].text);
        EXPECT_EQ(L"Error", capture.messages()[0].caption);
        EXPECT_TRUE(capture.messages()[0].type & MB_ICONERROR);
    }
}

TEST_F(Script, FailuresAreListedInsteadOfFinished)
{
    WriteBytes(src_ + L"\\a.txt", "A");
    WriteBytes(dst_ + L"\\taken", "a file where a directory should go");
    MakeDir(dst_ + L"\\there");
    Inf("mkdir there\n"             // already there: no failure
        "mkdir taken\n"
        "mkdir no\\such\\parent\n"
        "copy missing.txt m.txt\n"
        "copy a.txt taken\\a.txt\n"
        "xcopy *.none\n"            // nothing matches: no failure
        "sndcopy nosuchdir sound\n"
        "copy a.txt fine.txt\n"
        "display readme.txt\n");
    WriteBytes(src_ + L"\\readme.txt", "Thank you");
    RunScript();
    EXPECT_EQ("A", ReadBytes(dst_ + L"\\fine.txt"));
    const std::wstring failed[] = {dst_ + L"\\taken: ", dst_ + L"\\no\\such\\parent: ", dst_ + L"\\m.txt: ",
                                   dst_ + L"\\taken\\a.txt: ", src_ + L"\\nosuchdir\\*.*: "};
    ASSERT_EQ(std::size(failed), g_outcome.failures.size());
    for (size_t i = 0; i < std::size(failed); ++i) {
        EXPECT_EQ(0u, g_outcome.failures[i].find(failed[i])) << Narrow(g_outcome.failures[i]);
        EXPECT_GT(g_outcome.failures[i].size(), failed[i].size());   // and the system's reason
    }
    // The closing message lists them instead of the display file.
    std::wstring expected = L"These steps failed:";
    for (const std::wstring& f : g_outcome.failures)
        expected += L"\r\n" + f;
    EXPECT_EQ(expected, ClosingText());
}

TEST_F(Script, ReplacedWordBooksAreKept)
{
    MakeDir(src_ + L"\\books");
    WriteBytes(src_ + L"\\books\\a.wb", "delivered a");
    WriteBytes(src_ + L"\\books\\b.wb", "delivered b");
    WriteBytes(src_ + L"\\other.wb", "delivered other");
    MakeDir(dst_ + L"\\books");
    WriteBytes(dst_ + L"\\books\\a.wb", "a with the user's words");
    WriteBytes(dst_ + L"\\books\\b.wb", "delivered b");
    WriteBytes(dst_ + L"\\other.wb", "not in the word-book folder");
    Inf("sndcopy books books\n"
        "copy other.wb other.wb\n"
        "copy other.wb books\\a.wb\n");   // the same book replaced twice in one run
    RunScript();
    EXPECT_TRUE(g_outcome.failures.empty());
    EXPECT_EQ("delivered other", ReadBytes(dst_ + L"\\books\\a.wb"));
    EXPECT_EQ("delivered b", ReadBytes(dst_ + L"\\books\\b.wb"));
    std::wstring backup = dst_ + L"\\books\\backup";
    std::vector<std::wstring> kept = FilesIn(backup);
    std::sort(kept.begin(), kept.end());
    ASSERT_EQ(2u, kept.size());
    std::wstring stamp = kept[0].substr(wcslen(L"a.wb."));
    EXPECT_EQ(15u, stamp.size());
    EXPECT_EQ(L'-', stamp[8]);
    EXPECT_EQ(L"a.wb." + stamp, kept[0]);
    EXPECT_EQ(L"a.wb." + stamp + L"-2", kept[1]);
    EXPECT_EQ("a with the user's words", ReadBytes(backup + L"\\" + kept[0]));
    EXPECT_EQ("delivered a", ReadBytes(backup + L"\\" + kept[1]));
    EXPECT_EQ(backup, g_outcome.backupDir);
    EXPECT_EQ(L"Finished\r\n\r\nKept in: " + backup, ClosingText());

    // A backup that can't be made leaves the user's book where it was.
    g_outcome = InstallOutcome{};
    RemoveTree(backup);
    WriteBytes(backup, "a file in the backup folder's place");
    WriteBytes(dst_ + L"\\books\\a.wb", "more words");
    Inf("copy books\\b.wb books\\a.wb\n");
    RunScript();
    EXPECT_EQ("more words", ReadBytes(dst_ + L"\\books\\a.wb"));
    ASSERT_EQ(1u, g_outcome.failures.size());
    EXPECT_EQ(0u, g_outcome.failures[0].find(backup + L": "));
    EXPECT_TRUE(g_outcome.backupDir.empty());
}

TEST_F(Script, ACtrlZIsTextInTheScript)
{
    WriteBytes(src_ + L"\\a.txt", "A");
    Inf("# old editors end a file with \x1A\r\ncopy a.txt after.txt\r\n");
    RunScript();
    EXPECT_EQ("A", ReadBytes(dst_ + L"\\after.txt"));
}

// setini and avidelay go to the user's settings file, the script's bytes taken
// in the ANSI code page whatever the interface's is; win.ini stays untouched.
TEST_F(Script, SettingsGoToTheUsersFile)
{
    ASSERT_EQ(1252u, GetACP());
    WriteBytes(src_ + L"\\a.txt", "A");
    const struct {
        int interfaceCodePage;
        bool writable;
    } cases[] = {{1252, true}, {1251, true}, {1252, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.interfaceCodePage);
        ClearSettings();
        g_outcome = InstallOutcome{};
        g_interfaceCodePage = c.interfaceCodePage;
        std::wstring file = SettingsFilePath();
        std::wstring folder = file.substr(0, file.rfind(L'\\'));
        if (!c.writable)
            InjectUnwritableFolder(folder);
        Inf("setini WbTestCaf\xe9=na\xefve\r\navidelay 75\r\ncopy a.txt a.txt\r\n");
        RunScript();
        InjectUnwritableFolder(L"");
        EXPECT_EQ("A", ReadBytes(dst_ + L"\\a.txt"));
        EXPECT_EQ(L"<none>", WinIniSetting(L"WbTestCaf\u00e9"));
        EXPECT_EQ(L"<none>", WinIniSetting(L"WbTestAviDelay"));
        if (c.writable) {
            EXPECT_TRUE(g_outcome.failures.empty());
            EXPECT_EQ(L"na\u00efve", FileSetting(L"WbTestCaf\u00e9"));
            EXPECT_EQ(L"75", FileSetting(L"WbTestAviDelay"));
        } else {
            // Noted like any failed step, and nothing half written.
            ASSERT_EQ(1u, g_outcome.failures.size());
            EXPECT_EQ(0u, g_outcome.failures[0].find(file + L": ")) << Narrow(g_outcome.failures[0]);
            EXPECT_FALSE(FileExists(file));
        }
    }
}
