#include "core/uistrings.h"
#include "tests/support/testutil.h"
#include <algorithm>

namespace {

// Runs mkstrings in the current directory; stdout and stderr go through files
// so a large output can't block on a full pipe. Returns the exit code.
DWORD RunMkstrings(const std::wstring& args, std::string* out = nullptr, std::string* err = nullptr)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = CreateFileW(L"tool.out", GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    si.hStdError = CreateFileW(L"tool.err", GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    std::wstring cmd = L"\"" + BuildPath(L"bin/mkstrings.exe") + L"\" " + args;
    PROCESS_INFORMATION pi{};
    DWORD code = 0xFFFFFFFF;
    if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(si.hStdOutput);
    CloseHandle(si.hStdError);
    if (out)
        *out = ReadBytes(L"tool.out");
    if (err)
        *err = ReadBytes(L"tool.err");
    return code;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    size_t at = text.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class Mkstrings : public ScratchDirTest {};

}  // namespace

TEST_F(Mkstrings, BuiltFilesDecodeToTheirSourcesAndLoad)
{
    const wchar_t* cases[][3] = {{L"english", L"Wordbook", L"&Copy"}, {L"nederlands", L"Woordenboek", L"&Kopi\u00EBren"}};
    for (auto& c : cases) {
        std::wstring built = BuildPath(L"strings/" + std::wstring(c[0]) + L".str");
        std::string decoded, err;
        EXPECT_EQ(0u, RunMkstrings(L"--decode \"" + built + L"\"", &decoded, &err)) << err;
        // The sources are kept free of comments, so decoding gives them back byte for byte.
        EXPECT_EQ(ReadBytes(SourcePath(L"data/strings/" + std::wstring(c[0]) + L".txt")), decoded);
        std::string missing;
        ASSERT_TRUE(LoadUiStringsFromFile(built.c_str(), &missing)) << missing;
        EXPECT_STREQ(c[1], Str(Txt_Dictionary));
        EXPECT_STREQ(c[2], Str(Txt_SearchCopy));
        EXPECT_STREQ(L"books\\", Str(Txt_PathLanguage));
    }
}

TEST_F(Mkstrings, CompilesWithTheSourcesOwnCodePageAndEscapes)
{
    std::string english = ReadBytes(SourcePath(L"data/strings/english.txt"));
    std::string source = Replaced(Replaced(english, "CharactersetCode=0", "CharactersetCode=204"), "Help=Help",
                                  "Help=\xD0\xA1\xD0\xBF\\t\\\\\\n.");
    std::string crlf = "\xEF\xBB\xBF# comment\r\n\r\n";
    for (char c : source)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    WriteBytes(L"src.txt", crlf);
    std::string decoded, err;
    ASSERT_EQ(0u, RunMkstrings(L"src.txt out.str", nullptr, &err)) << err;
    std::string missing;
    ASSERT_TRUE(LoadUiStringsFromFile(L"out.str", &missing)) << missing;
    EXPECT_EQ(1251, g_uiCodePage);
    EXPECT_STREQ(L"\u0421\u043F\t\\\n.", Str(Txt_Help));
    RunMkstrings(L"--decode out.str", &decoded);
    EXPECT_EQ(source, decoded);
}

TEST_F(Mkstrings, RefusesIncompleteSourcesAndUnwritableCharacters)
{
    std::string english = ReadBytes(SourcePath(L"data/strings/english.txt")), err;
    WriteBytes(L"src.txt", Replaced(english, "SortBusy=", "SortBusyX="));
    EXPECT_EQ(1u, RunMkstrings(L"src.txt out.str", nullptr, &err));
    EXPECT_NE(std::string::npos, err.find("missing entry SortBusy")) << err;
    WriteBytes(L"src.txt", Replaced(english, "ForeignFonts=0", "ForeignFonts=2\nFont600=Alpha"));
    EXPECT_EQ(1u, RunMkstrings(L"src.txt out.str", nullptr, &err));
    EXPECT_NE(std::string::npos, err.find("missing entry Font601")) << err;
    WriteBytes(L"src.txt", Replaced(english, "ProgressBox=Box %d", "ProgressBox=Box %s"));
    EXPECT_EQ(1u, RunMkstrings(L"src.txt out.str", nullptr, &err));
    EXPECT_NE(std::string::npos, err.find("ProgressBox must hold exactly the conversions %d")) << err;

    std::string polish = Replaced(english, "AddCaption=Add words", "AddCaption=\xC5\x81\xC3\xB3" "d\xC5\xBA");
    WriteBytes(L"src.txt", polish);
    EXPECT_EQ(1u, RunMkstrings(L"src.txt out.str", nullptr, &err));
    std::string line = std::to_string(1 + std::count(polish.begin(), polish.begin() + polish.find("AddCaption="), '\n'));
    EXPECT_NE(std::string::npos, err.find("src.txt:" + line + ": AddCaption: character U+0141")) << err;
    EXPECT_FALSE(FileExists(L"out.str"));
    EXPECT_EQ(2u, RunMkstrings(L""));
}
