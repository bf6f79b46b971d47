#include "tests/support/testutil.h"
#include <string>

namespace {

class Mktable : public ScratchDirTest {
protected:
    // Runs the built tool in the scratch directory; returns its exit code.
    int Run(const std::wstring& args)
    {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE err = CreateFileW(L"stderr.txt", GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, err);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdError = err;
        si.hStdOutput = err;
        std::wstring cmd = L"\"" + BuildPath(L"bin/mktable.exe") + L"\" " + args;
        PROCESS_INFORMATION pi{};
        BOOL started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
        DWORD code = 999;
        if (started) {
            WaitForSingleObject(pi.hProcess, INFINITE);
            GetExitCodeProcess(pi.hProcess, &code);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        CloseHandle(err);
        errors_ = ReadBytes(L"stderr.txt");
        return static_cast<int>(code);
    }
    std::string errors_;
};

TEST_F(Mktable, CompilesClassesInLineOrder)
{
    WriteBytes(L"t.txt",
               "\xEF\xBB\xBF# a comment\r\n"
               "codepage 1252\r\n"
               "ignore: - U+0027\n"
               "end: |\n"
               "\n"
               "b B\n"
               "  a A \xC3\xA1\t\xC3\x81  \n"
               "U+0020\n");
    ASSERT_EQ(0, Run(L"t.txt t.stb")) << errors_;
    std::string t = ReadBytes(L"t.stb");
    ASSERT_EQ(256u, t.size());
    auto w = [&](unsigned char b) { return static_cast<unsigned char>(t[b]); };
    EXPECT_EQ(0, w(0));
    EXPECT_EQ(1, w('-'));
    EXPECT_EQ(1, w('\''));
    EXPECT_EQ(0, w('|'));
    EXPECT_EQ(2, w('b'));
    for (int b : {0x61, 0x41, 0xE1, 0xC1})
        EXPECT_EQ(3, w(static_cast<unsigned char>(b))) << b;
    EXPECT_EQ(4, w(' '));
    // The rest follow, one weight each, in byte order.
    EXPECT_EQ(5, w(0x01));
    EXPECT_LT(w('c'), w('d'));
    EXPECT_LT(w('z'), w(0xFF));
    EXPECT_FALSE(FileExists(L"t.stb.tmp"));
}

TEST_F(Mktable, StarPlacesTheUnlistedCharacters)
{
    WriteBytes(L"t.txt", "codepage 1250\n*\nl L\n\xC5\x82 \xC5\x81\nm M\n");
    ASSERT_EQ(0, Run(L"t.txt t.stb")) << errors_;
    std::string t = ReadBytes(L"t.stb");
    ASSERT_EQ(256u, t.size());
    auto w = [&](unsigned char b) { return static_cast<unsigned char>(t[b]); };
    EXPECT_EQ(2, w(0x01));
    EXPECT_LT(w('~'), w('l'));
    EXPECT_LT(w('a'), w('l'));  // not listed, so among the rest
    EXPECT_EQ(w('l') + 1, w(0xB3));
    EXPECT_EQ(w(0xA3), w(0xB3));
    EXPECT_EQ(w('l') + 2, w('M'));
}

TEST_F(Mktable, RefusesBadSourcesAndKeepsTheOldTable)
{
    struct Case {
        const char* source;
        const char* expected;
    } cases[] = {
        {"codepage 1252\na A\nb\nc a\n", "t.txt(4)"},         // a twice
        {"codepage 1252\nl\n\xC5\x82\n", "t.txt(3)"},         // no ł in 1252
        {"codepage 1253\n1 \xC2\xB9\n", "t.txt(2)"},          // no superscript one in 1253
        {"a A\ncodepage 1252\n", "t.txt(1)"},                 // characters before the code page
        {"codepage 99999\n", "t.txt(1)"},
        {"# nothing but a comment\n", "t.txt: no codepage"},
    };
    for (const Case& c : cases) {
        WriteBytes(L"t.txt", c.source);
        WriteBytes(L"t.stb", "old");
        EXPECT_EQ(1, Run(L"t.txt t.stb")) << c.source;
        EXPECT_NE(std::string::npos, errors_.find(c.expected)) << c.source << errors_;
        EXPECT_EQ("old", ReadBytes(L"t.stb")) << c.source;
    }
    EXPECT_EQ(1, Run(L"missing.txt t.stb"));
}

TEST_F(Mktable, UsageErrorsAndDump)
{
    EXPECT_EQ(2, Run(L""));
    EXPECT_EQ(2, Run(L"a b c"));
    WriteBytes(L"t.txt", "codepage 1252\nignore: -\na A\n");
    ASSERT_EQ(0, Run(L"t.txt t.stb"));
    ASSERT_EQ(0, Run(L"--dump t.stb"));
    EXPECT_NE(std::string::npos, errors_.find("  2  41=A 61=a")) << errors_;
}

}  // namespace
