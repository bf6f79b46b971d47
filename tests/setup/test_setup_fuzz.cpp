// Damaged files of every kind the installer reads, made from good ones with
// fixed seeds: install.inf, its display file, LANGUAGE.CF, DICT.INI,
// language.in_ and the word books the reverse builder reads. Nothing may
// crash or hang; a fatal stop is the installer's own "Error" box.
#include "setup/setup.h"
#include "setup/wordlist.h"
#include "core/catalogue.h"
#include "core/codepage.h"
#include "core/records.h"
#include "core/uistrings.h"
#include "tests/support/fuzz.h"
#include "tests/support/installcheck.h"
#include "tests/support/settings.h"
#include "tests/support/testutil.h"
#include <algorithm>
#include <cstring>

namespace {

std::string Record(const char* word, const char* translation)
{
    WordRecord r{};
    memcpy(r.source, word, std::min(strlen(word), sizeof r.source - 1));
    memcpy(r.translation, translation, std::min(strlen(translation), sizeof r.translation - 1));
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

bool Terminated(const char* field, size_t size) { return memchr(field, '\0', size) != nullptr; }

class SetupFuzz : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        // The script writes the settings file, and win.ini never.
        ClearSettings();
        winIni_ = WinIniBytes();
        g_interfaceCodePage = 1252;
        g_mainCodePage = 1252;
        g_setupWindow = nullptr;
        g_detailedDisplay = false;
        g_textY = 170;
        OverrideString(Txt_FilenameIni, L"DICT.INI");
        OverrideString(Txt_IniLanguage, L"[Languages]");
        OverrideString(Txt_IniSelected, L"[Selected]");
        OverrideString(Txt_IniAddnew, L"[Addnew]");
        OverrideString(Txt_Install_IniLine01, L"# Dictionary catalogue");
        OverrideString(Txt_Install_IniLine03, L"# Word books added by setup");
        OverrideString(Txt_Install_TaalCf, L"LANGUAGE.CF");
        OverrideString(Txt_Install_TaalTemp, L"wlist.tmp");
        OverrideString(Txt_PathLanguage, L"books\\");
        OverrideString(Txt_MainLanguage, L"nederlands");
        OverrideString(Txt_Locale, L"dutch");
        OverrideString(Txt_CharactersetCode, L"0");
        OverrideString(Txt_AviDelay, L"WbFuzzAviDelay");
        OverrideString(Txt_Install_Failed, L"These steps failed:");
        OverrideString(Txt_Install_Kept, L"Kept in:");
        OverrideString(Txt_Install_Finished, L"Finished");
        g_targetDir = dir_;
        g_startDir = dir_;
        g_outcome = InstallOutcome{};
        g_script = ScriptResults{};
    }
    void TearDown() override
    {
        EXPECT_TRUE(winIni_ == WinIniBytes()) << "win.ini changed";
        ClearSettings();
        ScratchDirTest::TearDown();
    }
    // Runs code that may end setup; true when it did (exit code 1, one box).
    template <class F>
    static bool EndsSetup(F f)
    {
        MessageCapture capture;
        try {
            f();
        } catch (const ExitCalled& e) {
            EXPECT_EQ(1, e.code);
            EXPECT_FALSE(capture.messages().empty());
            return true;
        }
        return false;
    }
    std::string winIni_;
};

TEST_F(SetupFuzz, InstallScripts)
{
    MakeDir(L"src");
    MakeDir(L"src\\data");
    MakeDir(L"src\\snd");
    WriteBytes(L"src\\a.txt", "A");
    WriteBytes(L"src\\data\\x.stb", "table");
    WriteBytes(L"src\\snd\\w.wav", "RIFF");
    WriteBytes(L"src\\readme.txt", "Thank you.\r\n");
    const std::string good =
        "# script\r\ntitle Word book\r\ndir C:\\ignored\r\nsubdir Word Book\r\nwbarg wb english\r\ndebug\r\n"
        "mkdir data\r\nmkdir books\r\ncopy a.txt b.txt\r\nxcopy data\\*.stb data\r\nsndcopy snd sound\r\n"
        "setini searchwindowsize=12\r\navidelay 500\r\niconname Word book\r\nicongroup Word book\r\n"
        "iconexe wordbook.exe\r\ndisplay readme.txt\r\nmkwlist\r\n";
    for (int round = 0; round < FuzzRounds(40); ++round) {
        SCOPED_TRACE(FuzzWhere(21, round));
        std::mt19937 rng = RoundGenerator(21, round);
        std::string bad = round % 10 == 9 ? RandomBytes(rng, 400) : Mutate(good, rng);
        WriteBytes(L"src\\install.inf", bad);
        g_startDir = dir_ + L"\\src";
        g_targetDir = dir_;
        g_script = ScriptResults{};
        g_outcome = InstallOutcome{};
        ASSERT_FALSE(EndsSetup(ReadScriptHeader));
        RemoveTree(dir_ + L"\\dst");
        MakeDir(dir_ + L"\\dst");
        g_targetDir = dir_ + L"\\dst";  // wherever the damaged header pointed
        ASSERT_FALSE(EndsSetup(RunScript));
        std::wstring closing = ClosingText();
        size_t outcome = 0;
        for (const std::wstring& line : OutcomeLines())
            outcome += line.size() + 2;
        ASSERT_LE(closing.size(), 4999 + 4 + outcome);
        ASSERT_TRUE(HeapsIntact());
    }
}

TEST_F(SetupFuzz, DisplayFiles)
{
    std::string good;
    for (int i = 0; i < 300; ++i)
        good += "Line " + std::to_string(i) + " of the closing text \xe9\xe8.\r\n";
    for (int round = 0; round < FuzzRounds(30); ++round) {
        SCOPED_TRACE(FuzzWhere(22, round));
        std::mt19937 rng = RoundGenerator(22, round);
        std::string bad = round % 3 == 2 ? RandomBytes(rng, 30000) : Mutate(good, rng);
        WriteBytes(L"readme.txt", bad);
        g_script = ScriptResults{};
        g_script.displayFile = L"readme.txt";
        g_outcome = InstallOutcome{};
        g_interfaceCodePage = round % 2 ? 932 : 1252;
        std::wstring closing = ClosingText();
        ASSERT_LE(closing.size(), 4999u);
        ASSERT_FALSE(closing.empty());
        ASSERT_FALSE(IS_HIGH_SURROGATE(closing.back()));
    }
}

TEST_F(SetupFuzz, LanguageCfFiles)
{
    MakeDir(L"books");
    MakeDir(L"tables");
    const std::string fra = Record("chat", "cat, kat") + Record("chien", "dog,hond") + Record("maison", " house ,huis");
    const std::string jap = Record("\x82\xa0", "a, b") + Record("\x93\xfa", "day");
    const std::string good = "# pairs\r\nfra,french,0,Francais\r\nfra_ned.wb\r\nned_fra.wb\r\n\r\n"
                             "jap,japanese,128,Japans\r\njap_ned.wb\r\nned_jap.wb\r\n\x1a";
    for (int round = 0; round < FuzzRounds(30); ++round) {
        SCOPED_TRACE(FuzzWhere(23, round));
        std::mt19937 rng = RoundGenerator(23, round);
        std::string bad = Mutate(good, rng);
        RemoveTree(dir_ + L"\\books");
        MakeDir(L"books");
        WriteBytes(L"books\\fra_ned.wb", fra);
        WriteBytes(L"books\\jap_ned.wb", jap);
        DeleteFileW(L"DICT.INI");
        WriteBytes(L"LANGUAGE.CF", bad);
        g_outcome = InstallOutcome{};
        bool ended = EndsSetup(ProcessLanguageCf);
        if (!ended) {
            ASSERT_FALSE(FileExists(L"LANGUAGE.CF"));
        }
        if (FileExists(L"DICT.INI")) {
            ASSERT_GE(CountCatalogueLines(), 0);
            ASSERT_EQ(0, SortCatalogueBlock());
        }
        ASSERT_FALSE(FileExists(L"tmp.ini"));
        ASSERT_TRUE(HeapsIntact());
    }
}

TEST_F(SetupFuzz, CatalogueRewrites)
{
    const std::string good =
        "# Dictionary catalogue\r\n\r\n[Addnew]\r\n\r\n[Selected]\r\nfra_ned.wb\r\n\r\n[Languages]\r\n"
        "fra,french,0,Francais\r\neng,english,0,English\r\nger,german,0\r\n\r\n[Languages]\r\nrus,russian,204,Russisch\r\n"
        "\r\n# --- EOF ---------------------------------------------------------\r\n";
    const PairGroup group{0, {"fra", "french", "0", "Francais"}, "fra_ned.wb", "ned_fra.wb"};
    for (int round = 0; round < FuzzRounds(60); ++round) {
        SCOPED_TRACE(FuzzWhere(24, round));
        std::mt19937 rng = RoundGenerator(24, round);
        std::string bad = Mutate(good, rng);
        WriteBytes(L"DICT.INI", bad);
        int before = CountCatalogueLines();
        ASSERT_GE(before, 0);
        ASSERT_EQ(0, SortCatalogueBlock());
        ASSERT_EQ(before, CountCatalogueLines());
        ASSERT_FALSE(EndsSetup([] { RemovePairLines("Francais"); }));
        ASSERT_FALSE(EndsSetup([&] { AppendPairLine(group); }));
        ASSERT_GE(CountCatalogueLines(), 1);
        ASSERT_NE(std::string::npos, ReadBytes(L"DICT.INI").find("fra,french,0,Francais\r\n"));
        ASSERT_FALSE(FileExists(L"tmp.ini"));
        ASSERT_TRUE(HeapsIntact());
    }
}

TEST_F(SetupFuzz, LanguageInFiles)
{
    WriteBytes(L"english.str", ReadBytes(BuildPath(L"strings/english.str")));
    const std::string good = "[Dictionary]\r\nLanguage=english\r\nCharacter=0\r\n";
    for (int round = 0; round < FuzzRounds(40); ++round) {
        SCOPED_TRACE(FuzzWhere(25, round));
        std::mt19937 rng = RoundGenerator(25, round);
        std::string bad = Mutate(good, rng);
        WriteBytes(L"language.in_", bad);
        int charset = ReadInstallerCharset(dir_);
        ASSERT_TRUE(IsValidCodePage(static_cast<UINT>(CharsetToCodePage(charset))));
        if (!EndsSetup([&] { LoadUiStrings(StringsMode::Setup, dir_.c_str()); })) {
            ASSERT_TRUE(IsValidCodePage(static_cast<UINT>(g_uiCodePage)));
            for (int id = 0; id < Txt_Count; ++id)
                ASSERT_NE(nullptr, Str(static_cast<StringId>(id)));
        }
    }
}

TEST_F(SetupFuzz, ReverseBuilderInputs)
{
    std::string good;
    for (const char* w : {"chat", "chien", "maison", "\xe9t\xe9", "zebre"})
        good += Record(w, "cat, kat,  ,house,a part of thirty-one bytes or more");
    const std::string table = ReadBytes(BuildPath(L"tables/english.stb"));
    for (int round = 0; round < FuzzRounds(60); ++round) {
        SCOPED_TRACE(FuzzWhere(26, round));
        std::mt19937 rng = RoundGenerator(26, round);
        std::string bad = round % 6 == 5 ? RandomBytes(rng, 2000) : Mutate(good, rng);
        WriteBytes(L"input.wb", bad);
        WriteBytes(L"main.stb", round % 4 == 3 ? Mutate(table, rng) : table);
        int foreignCp = round % 2 ? 932 : 1252;
        WordListJob job{L"input.wb", L"output.wb", L"wlist.tmp", L"main.stb", foreignCp, 1252};
        std::wstring error;
        ASSERT_TRUE(BuildWordList(job, {}, &error)) << Narrow(error);
        std::string out = ReadBytes(L"output.wb");
        ASSERT_EQ(0u, out.size() % kRecordSize);
        // Every translation part gives at most one record.
        ASSERT_LE(out.size() / kRecordSize, bad.size() / kRecordSize * 26);
        for (size_t at = 0; at < out.size(); at += kRecordSize) {
            auto r = reinterpret_cast<const WordRecord*>(out.data() + at);
            ASSERT_TRUE(Terminated(r->source, sizeof r->source));
            ASSERT_NE('\0', r->source[0]);
            ASSERT_TRUE(Terminated(r->translation, sizeof r->translation));
        }
        ASSERT_FALSE(FileExists(L"wlist.tmp"));
        ASSERT_TRUE(HeapsIntact());
    }
}

} // namespace
