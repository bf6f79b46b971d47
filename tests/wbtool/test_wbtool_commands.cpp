// Runs wbtool.exe as the build runs it and looks at exit codes, output and files.
#include "core/records.h"
#include "tests/support/testutil.h"
#include "version.h"
#include <cstring>

namespace {

struct ToolRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out, err;
};

HANDLE InheritableFile(const wchar_t* path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

ToolRun RunTool(const std::wstring& args)
{
    HANDLE in = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE out = InheritableFile(L"tool.out", GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = InheritableFile(L"tool.err", GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + BuildPath(L"bin/wbtool.exe") + L"\" " + args;
    ToolRun run;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 300000);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    } else {
        ADD_FAILURE() << "can't start wbtool.exe";
    }
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    run.out = ReadBytes(L"tool.out");
    run.err = ReadBytes(L"tool.err");
    return run;
}

std::string Record(const std::string& source, const std::string& translation, uint16_t flag = 0)
{
    WordRecord r{};
    memcpy(r.source, source.data(), std::min(source.size(), sizeof r.source));
    memcpy(r.translation, translation.data(), std::min(translation.size(), sizeof r.translation));
    r.deleted = flag;
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

std::vector<WordRecord> ReadBook(const std::wstring& path)
{
    std::string bytes = ReadBytes(path);
    EXPECT_EQ(0u, bytes.size() % sizeof(WordRecord));
    std::vector<WordRecord> records(bytes.size() / sizeof(WordRecord));
    if (!records.empty())
        memcpy(records.data(), bytes.data(), records.size() * sizeof(WordRecord));
    return records;
}

// "  label    N" of the import summary.
long Figure(const std::string& summary, const std::string& label)
{
    size_t at = summary.find("  " + label + " ");
    if (at == std::string::npos) {
        ADD_FAILURE() << "no figure " << label << " in\n" << summary;
        return -1;
    }
    return strtol(summary.c_str() + summary.find_first_not_of(' ', at + 2 + label.size()), nullptr, 10);
}

std::wstring Fixture(const std::wstring& name)
{
    return L"\"" + SourcePath(L"tests/wbtool/fixtures/" + name) + L"\"";
}

const wchar_t kWestern[] = L" --source-charset 0 --target-charset 0";

class WbTool : public ScratchDirTest {};

TEST_F(WbTool, ImportsAFreeDictDatabaseSortedAndChecksIt)
{
    ToolRun r = RunTool(L"import --format dictd " + Fixture(L"freedict-nld-eng.index") + L" nl.wb" + kWestern);
    ASSERT_EQ(0u, r.exitCode) << r.err;
    EXPECT_EQ(7, Figure(r.out, "entries read"));
    EXPECT_EQ(6, Figure(r.out, "records written"));
    // "bedriegen (van huwelijkspartner)" takes 32 bytes.
    EXPECT_EQ(1, Figure(r.out, "words too long (over 30 bytes)"));
    auto book = ReadBook(L"nl.wb");
    ASSERT_EQ(6u, book.size());
    const char* words[] = {"... aanvoelen", "aai", "aal", "aalachtig", "corpulent", "hop (plant)"};
    for (size_t i = 0; i < 6; ++i)
        EXPECT_STREQ(words[i], book[i].source);
    EXPECT_STREQ("ai, sloth, three-toedsloth", book[1].translation);
    EXPECT_STREQ("eel, elver, liquidmanure, muck-water, stale", book[2].translation);
    EXPECT_EQ(Record("aai", "ai, sloth, three-toedsloth"), std::string(reinterpret_cast<char*>(&book[1]), 84));
    EXPECT_FALSE(FileExists(L"nl.wb.tmp"));

    r = RunTool(L"check nl.wb" + std::wstring(kWestern));
    EXPECT_EQ(0u, r.exitCode) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("6 records"));
}

TEST_F(WbTool, GreekAndPolishGoIntoTheirCodePagesInTableOrder)
{
    std::wstring greekTable = L" --table \"" + BuildPath(L"tables/greek.stb") + L"\"";
    ToolRun r = RunTool(L"import --format dictd " + Fixture(L"freedict-ell-eng") + L" el.wb --source-charset 161 --target-charset 0" +
                        greekTable);
    ASSERT_EQ(0u, r.exitCode) << r.err;
    auto book = ReadBook(L"el.wb");
    ASSERT_EQ(4u, book.size());
    // Accents and case don't count in the Greek table: αβαρία, ΕΖΕΣ, έκδοση, συγγενής.
    EXPECT_STREQ("\xE1\xE2\xE1\xF1\xDF\xE1", book[0].source);
    EXPECT_STREQ("\xC5\xC6\xC5\xD3", book[1].source);
    EXPECT_STREQ("\xDD\xEA\xE4\xEF\xF3\xE7", book[2].source);
    EXPECT_STREQ("general average, damage", book[0].translation);
    r = RunTool(L"check el.wb --source-charset 161 --target-charset 0" + greekTable);
    EXPECT_EQ(0u, r.exitCode) << r.out;

    r = RunTool(L"import --format dictd " + Fixture(L"freedict-pol-nld") + L" pl.wb --source-charset 238 --target-charset 0");
    ASSERT_EQ(0u, r.exitCode) << r.err;
    r = RunTool(L"export pl.wb --source-charset 238 --target-charset 0");
    EXPECT_EQ("aberracja\taberratie\natmosfera\tatmosfeer, dampkring\njego\tzijn\n", r.out);
}

TEST_F(WbTool, TsvAndCsvRoundTrip)
{
    const std::string tsv =
        "zee\tsea\n"
        "\xC3\xA9\xC3\xA9n\tone\n"  // één
        "appel\tapple, apples\n"
        "euro\t\xE2\x82\xAC, money\n"
        "a, b\t\"quoted\", x;y\n";
    WriteBytes(L"in.tsv", tsv);
    ToolRun r = RunTool(L"import --format tsv in.tsv t.wb" + std::wstring(kWestern));
    ASSERT_EQ(0u, r.exitCode) << r.err;
    r = RunTool(L"export t.wb" + std::wstring(kWestern));
    ASSERT_EQ(0u, r.exitCode);
    EXPECT_EQ("a, b\t\"quoted\", x, y\n"
              "appel\tapple, apples\n"
              "euro\t\xE2\x82\xAC, money\n"
              "zee\tsea\n"
              "\xC3\xA9\xC3\xA9n\tone\n",
              r.out);
    WriteBytes(L"again.tsv", r.out);
    ASSERT_EQ(0u, RunTool(L"import --format tsv again.tsv t2.wb" + std::wstring(kWestern)).exitCode);
    EXPECT_EQ(ReadBytes(L"t.wb"), ReadBytes(L"t2.wb"));

    r = RunTool(L"export t.wb --format csv" + std::wstring(kWestern));
    EXPECT_EQ("\"a, b\",\"\"\"quoted\"\", x, y\"\n"
              "appel,\"apple, apples\"\n"
              "euro,\"\xE2\x82\xAC, money\"\n"
              "zee,sea\n"
              "\xC3\xA9\xC3\xA9n,one\n",
              r.out);
    WriteBytes(L"in.csv", r.out);
    ASSERT_EQ(0u, RunTool(L"import --format csv in.csv c.wb" + std::wstring(kWestern)).exitCode);
    EXPECT_EQ(ReadBytes(L"t.wb"), ReadBytes(L"c.wb"));
}

TEST_F(WbTool, CsvAsSpreadsheetsWriteIt)
{
    // Semicolons between columns, a header, CRLF, a line break and quotes inside fields.
    WriteBytes(L"list.csv",
               "Woord;Vertaling;Notitie\r\n"
               "huis;\"house, home\";\"n\"\r\n"
               "\"zeggen\";\"to say; to tell\"\r\n"
               "\"lange\r\nweg\";\"a \"\"long\"\" way\"\r\n"
               ";\r\n");
    ToolRun r = RunTool(L"import --format csv list.csv l.wb --header" + std::wstring(kWestern));
    ASSERT_EQ(0u, r.exitCode) << r.err;
    EXPECT_EQ(3, Figure(r.out, "records written"));
    r = RunTool(L"export l.wb" + std::wstring(kWestern));
    EXPECT_EQ("huis\thouse, home\nlange weg\ta \"long\" way\nzeggen\tto say, to tell\n", r.out);
}

TEST_F(WbTool, TranslationsAreCutAtItemBoundariesAndDuplicatesMerged)
{
    std::string x20(20, 'x'), y20(20, 'y'), z8(8, 'z'), w5(5, 'w'), long51(51, 'l');
    WriteBytes(L"cut.tsv", "word\t" + x20 + ", " + y20 + ", " + z8 + ", " + w5 + "\n" +
                               "huge\t" + long51 + "\n" +
                               "huis\thouse\n"
                               "huis\thome, house\n" +
                               std::string(31, 'k') + "\tlong word\n" + std::string(30, 'k') + "\tjust fits\n");
    ToolRun r = RunTool(L"import --format tsv cut.tsv cut.wb" + std::wstring(kWestern));
    ASSERT_EQ(0u, r.exitCode) << r.err;
    EXPECT_EQ(6, Figure(r.out, "entries read"));
    EXPECT_EQ(3, Figure(r.out, "records written"));
    EXPECT_EQ(1, Figure(r.out, "duplicate words merged"));
    EXPECT_EQ(1, Figure(r.out, "words too long (over 30 bytes)"));
    EXPECT_EQ(1, Figure(r.out, "words left out: no translation fits"));
    EXPECT_EQ(1, Figure(r.out, "records with translations cut to fit"));
    EXPECT_EQ(2, Figure(r.out, "translations left out for room"));
    auto book = ReadBook(L"cut.wb");
    ASSERT_EQ(3u, book.size());
    EXPECT_STREQ("house, home", book[0].translation);
    EXPECT_EQ(std::string(30, 'k'), book[1].source);
    EXPECT_EQ(x20 + ", " + y20 + ", " + w5, book[2].translation);  // 49 bytes: z8 left out
}

TEST_F(WbTool, CharactersTheCodePagesLackAreCounted)
{
    WriteBytes(L"mixed.tsv",
               "\xCE\xB8\xCE\xAC\xCE\xBB\xCE\xB1\xCF\x83\xCF\x83\xCE\xB1\tsea\n"      // θάλασσα: no cp1252
               "\xC5\x82\xC3\xB3\xC5\xBC\xC5\xBA\xCE\xBF\tboat\n"                      // łóżź + Greek omicron
               "most\tbridge, \xE2\x84\xA6hm, \xEF\xAC\x81ne\n"                        // Ωhm, ﬁne
               "\xC5\x82\xC3\xB3\xC5\xBC\xC5\xBA\xC5\x82\xC3\xB3\xC5\xBC\xC5\xBA\tbed\n");  // łóżźłóżź
    ToolRun r = RunTool(L"import --format tsv mixed.tsv pl.wb --source-charset 238 --target-charset 0");
    ASSERT_EQ(0u, r.exitCode) << r.err;
    EXPECT_EQ(2, Figure(r.out, "words the code page can't hold"));
    EXPECT_EQ(2, Figure(r.out, "translations the code page can't hold"));
    EXPECT_EQ(2, Figure(r.out, "records written"));
    r = RunTool(L"export pl.wb --source-charset 238 --target-charset 0");
    EXPECT_EQ("most\tbridge\n\xC5\x82\xC3\xB3\xC5\xBC\xC5\xBA\xC5\x82\xC3\xB3\xC5\xBC\xC5\xBA\tbed\n", r.out);
}

TEST_F(WbTool, LocaleOrderDiffersFromTheDefaultRule)
{
    WriteBytes(L"de.tsv", "Zebra\tzebra\n\xC3\x84pfel\tapples\nappel\tapple\n");
    ASSERT_EQ(0u, RunTool(L"import --format tsv de.tsv loc.wb --locale german" + std::wstring(kWestern)).exitCode);
    ToolRun r = RunTool(L"export loc.wb" + std::wstring(kWestern));
    EXPECT_EQ("\xC3\x84pfel\tapples\nappel\tapple\nZebra\tzebra\n", r.out);
    EXPECT_EQ(0u, RunTool(L"check loc.wb --locale german" + std::wstring(kWestern)).exitCode);
    // By character codes, Ä (0xC4) comes after z.
    r = RunTool(L"check loc.wb" + std::wstring(kWestern));
    EXPECT_EQ(1u, r.exitCode);
    EXPECT_NE(std::string::npos, r.out.find("record 1: \"appel\" sorts before \"\xC3\x84pfel\""));

    ASSERT_EQ(0u, RunTool(L"import --format tsv de.tsv def.wb" + std::wstring(kWestern)).exitCode);
    r = RunTool(L"export def.wb" + std::wstring(kWestern));
    EXPECT_EQ("appel\tapple\nZebra\tzebra\n\xC3\x84pfel\tapples\n", r.out);
}

TEST_F(WbTool, CheckFindsEachKindOfDamage)
{
    const std::string good = Record("apple", "appel") + Record("pear", "peer", 1) + Record("plum", "pruim");
    WriteBytes(L"good.wb", good);
    ToolRun r = RunTool(L"check good.wb" + std::wstring(kWestern));
    EXPECT_EQ(0u, r.exitCode) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("3 records"));
    EXPECT_NE(std::string::npos, r.out.find("no problems found"));

    WriteBytes(L"partial.wb", good + "tail");
    r = RunTool(L"check partial.wb" + std::wstring(kWestern));
    EXPECT_EQ(1u, r.exitCode);
    EXPECT_NE(std::string::npos, r.out.find("4 bytes of a partial record"));

    std::string open = good;
    memset(&open[84], 'p', 31);  // record 1's source runs into the translation
    WriteBytes(L"open.wb", open);
    r = RunTool(L"check open.wb" + std::wstring(kWestern));
    EXPECT_EQ(1u, r.exitCode);
    EXPECT_NE(std::string::npos, r.out.find("record 1: source word without terminator"));
    memset(&open[31], 'a', 51);
    WriteBytes(L"open.wb", open);
    r = RunTool(L"check open.wb" + std::wstring(kWestern));
    EXPECT_NE(std::string::npos, r.out.find("record 0: translation without terminator"));

    WriteBytes(L"flag.wb", Record("apple", "appel") + Record("pear", "peer", 2));
    r = RunTool(L"check flag.wb" + std::wstring(kWestern));
    EXPECT_EQ(1u, r.exitCode);
    EXPECT_NE(std::string::npos, r.out.find("record 1: deleted flag 2"));

    WriteBytes(L"order.wb", good + Record("banana", "banaan"));
    r = RunTool(L"check order.wb" + std::wstring(kWestern));
    EXPECT_EQ(1u, r.exitCode);
    EXPECT_NE(std::string::npos, r.out.find("record 3: \"banana\" sorts before \"plum\""));
    EXPECT_NE(std::string::npos, r.out.find("1 order breaks"));

    // Equal words in a row are in order; so is an empty book.
    WriteBytes(L"same.wb", Record("Apple", "a") + Record("apple", "b"));
    EXPECT_EQ(0u, RunTool(L"check same.wb" + std::wstring(kWestern)).exitCode);
    WriteBytes(L"empty.wb", "");
    EXPECT_EQ(0u, RunTool(L"check empty.wb" + std::wstring(kWestern)).exitCode);
}

TEST_F(WbTool, ExportLeavesDeletedRecordsOutUnlessAsked)
{
    WriteBytes(L"d.wb", Record("apple", "appel") + Record("pear", "peer", 1) + Record("plum", "pruim") + "xx");
    ToolRun r = RunTool(L"export d.wb" + std::wstring(kWestern));
    EXPECT_EQ(0u, r.exitCode);
    EXPECT_EQ("apple\tappel\nplum\tpruim\n", r.out);
    r = RunTool(L"export d.wb --deleted --format=csv" + std::wstring(kWestern));
    EXPECT_EQ("apple,appel,0\npear,peer,1\nplum,pruim,0\n", r.out);
}

TEST_F(WbTool, UsageAndFileErrorsHaveTheirExitCodes)
{
    WriteBytes(L"in.tsv", "a\tb\n");
    struct Case {
        const wchar_t* args;
        DWORD code;
    } cases[] = {
        {L"", 2},
        {L"import --format tsv in.tsv out.wb --target-charset 0", 2},
        {L"import --format tsv in.tsv out.wb --source-charset x --target-charset 0", 2},
        {L"import --format tsv in.tsv --source-charset 0 --target-charset 0", 2},
        {L"import --format tsv in.tsv out.wb --source-charset 0 --target-charset 0 --table t.stb --locale dutch", 2},
        {L"import --format tsv in.tsv out.wb --source-charset 0 --target-charset 0 --locale no-such-place", 2},
        {L"export in.tsv --source-charset 0 --target-charset 0 --table t.stb", 2},
        {L"import --format tsv missing.tsv out.wb --source-charset 0 --target-charset 0", 1},
        {L"import --format dictd missing out.wb --source-charset 0 --target-charset 0", 1},
        {L"import --format tsv in.tsv out.wb --source-charset 0 --target-charset 0 --table missing.stb", 1},
        {L"check missing.wb --source-charset 0 --target-charset 0", 1},
        {L"--help", 0},
        {L"--version", 0},
        {L"--version=1", 2},
    };
    for (const auto& c : cases) {
        ToolRun r = RunTool(c.args);
        EXPECT_EQ(c.code, r.exitCode) << Narrow(c.args) << "\n" << r.err;
        if (c.code == 2) {
            EXPECT_NE(std::string::npos, r.err.find("usage:")) << Narrow(c.args);
        } else if (c.code == 1) {
            EXPECT_NE(std::string::npos, r.err.find("wbtool: ")) << Narrow(c.args);
        }
    }
    EXPECT_NE(std::string::npos, RunTool(L"--help").out.find("wbtool import --format dictd|tsv|csv"));
    EXPECT_EQ("wbtool " WB_VERSION_TEXT "\n", RunTool(L"--version").out);
}

TEST_F(WbTool, AFailedImportLeavesTheOldBookAlone)
{
    WriteBytes(L"book.wb", Record("old", "oud"));
    EXPECT_EQ(1u, RunTool(L"import --format tsv missing.tsv book.wb" + std::wstring(kWestern)).exitCode);
    EXPECT_EQ(Record("old", "oud"), ReadBytes(L"book.wb"));
    // The output's directory doesn't exist: nothing is written anywhere.
    WriteBytes(L"in.tsv", "new\tnieuw\n");
    ToolRun r = RunTool(L"import --format tsv in.tsv nodir\\book.wb" + std::wstring(kWestern));
    EXPECT_EQ(1u, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("can't create"));
}

TEST_F(WbTool, DamagedDictzipSizesAreRefusedWithTheirReason)
{
    const std::string index = ReadBytes(SourcePath(L"tests/wbtool/fixtures/freedict-nld-eng.index"));
    const std::string packed = ReadBytes(SourcePath(L"tests/wbtool/fixtures/freedict-nld-eng.dict.dz"));
    ASSERT_EQ(0, packed[3]);  // no header fields: the cases below add theirs
    auto withExtra = [&](const std::string& extra) {
        std::string field(1, static_cast<char>(extra.size()));
        field += '\0';
        return packed.substr(0, 3) + '\x04' + packed.substr(4, 6) + field + extra + packed.substr(10);
    };
    // A dictzip table: version 1, chunks of 58315 bytes, one chunk of 65535 packed bytes.
    const std::string farChunk("RA\x08\0\x01\0\xcb\xe3\x01\0\xff\xff", 12);
    struct Case {
        std::string dz;
        const char* reason;
    } cases[] = {
        {packed.substr(0, packed.size() - 1) + '\xff', "unpacked size of"},  // 4 GiB in the trailer
        {withExtra(farChunk), "chunk table reaches past the end"},
        {withExtra(farChunk).erase(12, 2), "extra field"},  // the field's length reaches past the end
        {packed.substr(0, packed.size() / 2), ""},  // cut short: its last bytes say anything
    };
    WriteBytes(L"nl.index", index);
    WriteBytes(L"book.wb", Record("old", "oud"));
    for (const auto& c : cases) {
        WriteBytes(L"nl.dict.dz", c.dz);
        ToolRun r = RunTool(L"import --format dictd nl.index book.wb" + std::wstring(kWestern));
        EXPECT_EQ(1u, r.exitCode) << c.reason;
        EXPECT_NE(std::string::npos, r.err.find("wbtool: can't unpack nl.dict.dz: ")) << r.err;
        EXPECT_NE(std::string::npos, r.err.find(c.reason)) << r.err;
        EXPECT_EQ(Record("old", "oud"), ReadBytes(L"book.wb"));
    }
}

TEST_F(WbTool, ImportsARealFreeDictDictionary)
{
    const std::wstring dict = L"Z:\\usr\\share\\dictd\\freedict-eng-nld.index";
    if (!FileExists(dict))
        GTEST_SKIP() << "no FreeDict English-Dutch dictionary installed";
    std::wstring table = L" --table \"" + BuildPath(L"tables/english.stb") + L"\"";
    ToolRun r = RunTool(L"import --format dictd " + dict + L" en.wb" + kWestern + table);
    ASSERT_EQ(0u, r.exitCode) << r.err;
    long written = Figure(r.out, "records written");
    EXPECT_GT(written, 7000);
    // Every entry ends up in exactly one of the outcomes.
    EXPECT_EQ(Figure(r.out, "entries read"),
              written + Figure(r.out, "duplicate words merged") + Figure(r.out, "words without translation") +
                  Figure(r.out, "words too long (over 30 bytes)") + Figure(r.out, "words the code page can't hold") +
                  Figure(r.out, "words left out: no translation fits") + Figure(r.out, "unreadable entries"));
    EXPECT_EQ(static_cast<size_t>(written), ReadBook(L"en.wb").size());
    r = RunTool(L"check en.wb" + std::wstring(kWestern) + table);
    EXPECT_EQ(0u, r.exitCode) << r.out;
}

}  // namespace
