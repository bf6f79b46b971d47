#include "core/uistrings.h"
#include "tests/support/testutil.h"
#include <algorithm>
#include <functional>
#include <set>

namespace {

// Every entry of the list as Name=<Name> (CharactersetCode=0, ForeignFonts=0),
// after the entries of `first`, which therefore win; `omit` names entries to leave out.
std::string PlainStrings(const std::vector<std::string>& first = {}, const std::set<std::string>& omit = {})
{
    std::string plain;
    for (const std::string& e : first)
        plain += e + '\0';
    for (std::string n : kStringNames)
        if (!omit.count(n))
            plain += n + "=" + (n == "CharactersetCode" || n == "ForeignFonts" ? "0" : "<" + n + ">") + '\0';
    return plain + '\0';
}

void WriteStrings(const std::wstring& path, std::string plain)
{
    Scramble(reinterpret_cast<unsigned char*>(plain.data()), plain.size());
    WriteBytes(path, plain);
}

bool Load(const std::string& plain, std::string* missing)
{
    WriteStrings(L"test.str", plain);
    return LoadUiStringsFromFile(L"test.str", missing);
}

int FatalExitCode(const std::function<void()>& run)
{
    try {
        run();
    } catch (const ExitCalled& e) {
        return e.code;
    }
    return -1;
}

class UiStrings : public ScratchDirTest {};

}  // namespace

TEST(ScrambleKey, HasTwentyNineNonZeroBytesCycledOverTheFile)
{
    unsigned char key[kScrambleKeyLength];
    BuildScrambleKey(key);
    EXPECT_EQ(key + kScrambleKeyLength, std::find(key, key + kScrambleKeyLength, 0));
    std::string plain(100, 'a'), data = plain;
    Scramble(reinterpret_cast<unsigned char*>(data.data()), data.size());
    EXPECT_EQ(key[0], static_cast<unsigned char>(data[29] - 'a'));
    EXPECT_EQ(key[28], static_cast<unsigned char>(data[57] - 'a'));
    Unscramble(reinterpret_cast<unsigned char*>(data.data()), data.size());
    EXPECT_EQ(plain, data);
}

TEST_F(UiStrings, KeysMatchWithTheEqualsSignFoldingOnlyAToZ)
{
    std::string missing;
    ASSERT_TRUE(Load(PlainStrings({"mainmenufile0=lower", "MainMenuFile10=ten", "MainMenuFile1=one", "Help=",
                                   "Quit=first", "Quit=second", "\xE9x=accent"}),
                     &missing))
        << missing;
    EXPECT_STREQ(L"lower", Str(Txt_MainMenuFile0));
    EXPECT_STREQ(L"one", Str(Txt_MainMenuFile1));
    EXPECT_STREQ(L"", Str(Txt_Help));
    EXPECT_STREQ(L"first", Str(Txt_Quit));
}

TEST_F(UiStrings, TextIsConvertedWithTheCodePageOfCharactersetCode)
{
    std::string missing;
    ASSERT_TRUE(Load(PlainStrings({"CharactersetCode=204", "Dictionary=\xD1\xEB\xEE\xE2\xE0\xF0\xFC"}), &missing));
    EXPECT_EQ(204, g_uiCharset);
    EXPECT_EQ(1251, g_uiCodePage);
    EXPECT_STREQ(L"\u0421\u043B\u043E\u0432\u0430\u0440\u044C", Str(Txt_Dictionary));
}

TEST_F(UiStrings, ForeignFontsNamesTheFontEntriesThatMustExist)
{
    std::string missing;
    ASSERT_TRUE(Load(PlainStrings({"ForeignFonts=2", "Font600=Alpha", "Font601=Beta"}), &missing));
    ASSERT_EQ(2u, g_foreignFontFaces.size());
    EXPECT_STREQ(L"Beta", g_foreignFontFaces[1]);
    EXPECT_FALSE(Load(PlainStrings({"ForeignFonts=2", "Font600=Alpha"}), &missing));
    EXPECT_EQ("Font601", missing);
    ASSERT_TRUE(Load(PlainStrings({"Font600=Alpha"}), &missing));
    EXPECT_TRUE(g_foreignFontFaces.empty());
}

TEST_F(UiStrings, ImagesEndSafelyWhenTheFileIsEmptyOrCut)
{
    std::string missing;
    EXPECT_FALSE(Load("", &missing));
    EXPECT_EQ("CharactersetCode", missing);
    // The last entry loses its terminator and there is no empty entry.
    std::string plain = PlainStrings({}, {"Quit"});
    plain.pop_back();
    ASSERT_TRUE(Load(plain + "Quit=abc", &missing)) << missing;
    EXPECT_STREQ(L"abc", Str(Txt_Quit));
    // Cut inside the key of MainMenuFile1.
    EXPECT_FALSE(Load(PlainStrings({"CharactersetCode=0"}).substr(0, 59), &missing));
    EXPECT_EQ("MainMenuFile1", missing);
}

TEST_F(UiStrings, MissingFileOrEntryIsFatalWithABuiltInMessage)
{
    MessageCapture capture;
    EXPECT_EQ(1, FatalExitCode([] { LoadUiStrings(StringsMode::Wordbook); }));
    EXPECT_EQ(1, FatalExitCode([this] { LoadUiStrings(StringsMode::Setup, dir_.c_str()); }));
    InstallStrings(L"english");
    WriteStrings(L"strings\\english.str", PlainStrings({}, {"SortBusy"}));
    EXPECT_EQ(1, FatalExitCode([] { LoadUiStrings(StringsMode::Wordbook); }));
    WriteStrings(L"strings\\english.str", "");
    EXPECT_EQ(1, FatalExitCode([] { LoadUiStrings(StringsMode::Wordbook); }));
    const wchar_t* expected[] = {L"No strings file found.   ", L"No strings file found (2).   ",
                                 L"String: SortBusy not found.   ", L"String: CharactersetCode not found.   "};
    ASSERT_EQ(4u, capture.messages().size());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(expected[i], capture.messages()[i].text);
        EXPECT_EQ(L"Dictionary", capture.messages()[i].caption);
    }
}

TEST_F(UiStrings, ProgramsFindTheirStringsFileInTheirOwnPlaces)
{
    MessageCapture capture;
    MakeDir(L"strings");
    WriteStrings(L"strings\\demo.str", PlainStrings({"Dictionary=from strings dir"}));
    WriteBytes(L"language.ini", "[Dictionary]\r\nLanguage=demo\r\n");
    LoadUiStrings(StringsMode::Wordbook);
    EXPECT_STREQ(L"from strings dir", Str(Txt_Dictionary));
    // The installer looks beside itself first, then in the install directory.
    WriteBytes(L"language.in_", "[Dictionary]\r\nLanguage=demo\r\nCharacter=204\r\n");
    LoadUiStrings(StringsMode::Setup, dir_.c_str());
    EXPECT_STREQ(L"from strings dir", Str(Txt_Dictionary));
    WriteStrings(L"demo.str", PlainStrings({"Dictionary=beside setup"}));
    LoadUiStrings(StringsMode::Setup, dir_.c_str());
    EXPECT_STREQ(L"beside setup", Str(Txt_Dictionary));
    EXPECT_EQ(204, ReadInstallerCharset(dir_));
    EXPECT_TRUE(capture.messages().empty());
}

// A translated value used as a printf format is kept only when it asks for
// exactly what the call passes; anything else gets the built-in text.
TEST_F(UiStrings, ValuesUsedAsFormatsAskForExactlyWhatTheCallPasses)
{
    const wchar_t* box = L"Box %d";
    const wchar_t* written = L"%s could not be written (is the disk full?). The change was not saved.";
    struct Case {
        StringId id;
        const char* entry;
        const wchar_t* expected;
    } cases[] = {
        {Txt_ErrorStartPair, "ErrorStartPair=Boek %s fehlt, %s statt dessen.", L"Boek %s fehlt, %s statt dessen."},
        {Txt_ProgressBox, "ProgressBox=100%% Bak %3d", L"100%% Bak %3d"},
        {Txt_CreateListCopyFailed, "CreateListCopyFailed=code %-8lu", L"code %-8lu"},
        {Txt_WriteFailed, "WriteFailed=%s %s", written},  // one too many: reads past the arguments
        {Txt_WriteFailed, "WriteFailed=geen", written},   // none: the file's name is lost
        {Txt_WriteFailed, "WriteFailed=%s en 50%", written},  // a lone % at the end
        {Txt_ProgressBox, "ProgressBox=Bak %s", box},     // a number read as a string
        {Txt_ProgressBox, "ProgressBox=Bak %n", box},     // writes through an argument
        {Txt_ProgressBox, "ProgressBox=Bak %*d", box},    // width taken from the arguments
        {Txt_ProgressBox, "ProgressBox=Bak %1$d", box},   // by position
        {Txt_ProgressBox, "ProgressBox=%lld", box},       // wider than the int passed
    };
    for (const Case& c : cases) {
        std::string missing;
        ASSERT_TRUE(Load(PlainStrings({c.entry}), &missing)) << missing;
        EXPECT_STREQ(c.expected, Str(c.id)) << c.entry;
    }
    // Overriding goes through the same check.
    OverrideString(Txt_ProgressBox, L"%s%s%s");
    EXPECT_STREQ(box, Str(Txt_ProgressBox));
}
