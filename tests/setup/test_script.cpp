#include "setup/setup.h"
#include "core/uistrings.h"
#include "tests/support/testutil.h"
#include "tests/setup/setuptest.h"

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
    ASSERT_EQ(0, RunScript());
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

    EXPECT_EQ(L"a=b", DictionaryKey(L"WbTestKey"));
    EXPECT_EQ(L"250", DictionaryKey(L"WbTestAviDelay"));
    EXPECT_EQ(L"<none>", DictionaryKey(L"NoEquals"));

    EXPECT_TRUE(g_script.wantShortcut);
    EXPECT_EQ(L"Word Book", g_script.iconName);
    EXPECT_EQ(L"My Group", g_script.iconGroup);
    EXPECT_EQ(L"wordbook.exe", g_script.iconExe);
    EXPECT_EQ(L"readme.txt", g_script.displayFile);
    EXPECT_TRUE(g_script.mkwlist);
    EXPECT_EQ(L"", g_script.title);

    std::wstring uninstall = dst_ + L"\\uninstall.ini";
    EXPECT_EQ(uninstall, g_script.uninstallPath);
    EXPECT_EQ(dst_, DictionaryKey(L"program", uninstall));
    EXPECT_EQ(L"My Group", DictionaryKey(L"name", uninstall));
}

TEST_F(Script, ClosingTextIsTheDisplayFileCutAtALineEnd)
{
    OverrideString(Txt_Install_Finished, L"Finished");
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
