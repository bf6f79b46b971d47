#include "tools/wbtool/wbtool.h"
#include "tests/support/testutil.h"
#include <zlib.h>
#include <algorithm>

using Items = std::vector<std::wstring>;

static std::wstring Fixture(const std::wstring& name)
{
    return SourcePath(L"tests/wbtool/fixtures/" + name);
}

// Entries of a fixture database, merged as an import merges them.
static std::vector<SourceEntry> ReadFixture(const std::wstring& name, ImportStats* stats)
{
    std::vector<SourceEntry> entries;
    std::wstring error;
    EXPECT_TRUE(ReadDictd(Fixture(name), &entries, stats, &error)) << Narrow(error);
    return MergeEntries(std::move(entries), stats);
}

static Items ItemsOf(const std::vector<SourceEntry>& entries, const std::wstring& word)
{
    for (const auto& e : entries)
        if (e.word == word)
            return e.items;
    ADD_FAILURE() << "no entry " << Narrow(word);
    return {};
}

static bool HasWord(const std::vector<SourceEntry>& entries, const std::wstring& word)
{
    return std::any_of(entries.begin(), entries.end(), [&](const SourceEntry& e) { return e.word == word; });
}

TEST(DictdIndex, NumbersAndLines)
{
    uint64_t v = 0;
    EXPECT_TRUE(DecodeBase64Number("F+BFr", &v));
    EXPECT_EQ(((5ull * 64 + 62) * 64 + 1) * 64 * 64 + 5 * 64 + 43, v);
    EXPECT_FALSE(DecodeBase64Number("", &v));
    EXPECT_FALSE(DecodeBase64Number("A=", &v));

    IndexLine line;
    ASSERT_TRUE(ParseIndexLine("die suppe\tqEAN\tBO\r", &line));
    EXPECT_EQ("die suppe", line.headword);
    EXPECT_EQ(78u, line.length);
    // An empty headword is allowed (the index folds some away entirely).
    ASSERT_TRUE(ParseIndexLine("\tGHAt\tB0", &line));
    EXPECT_EQ("", line.headword);
    EXPECT_FALSE(ParseIndexLine("word\tB", &line));
    EXPECT_TRUE(IsDatabaseInfoEntry("00databaseinfo"));
    EXPECT_TRUE(IsDatabaseInfoEntry("00-database-short"));
}

TEST(DictdIndex, PathsFromIndexOrStem)
{
    std::wstring index, dict;
    DictdPaths(Fixture(L"freedict-fra-eng"), &index, &dict);
    EXPECT_EQ(Fixture(L"freedict-fra-eng.index"), index);
    EXPECT_EQ(Fixture(L"freedict-fra-eng.dict.dz"), dict);
    // No .dict.dz: the plain .dict beside the index.
    DictdPaths(L"C:\\nowhere\\x.index", &index, &dict);
    EXPECT_EQ(L"C:\\nowhere\\x.dict", dict);
}

TEST(Gzip, WholeSeveralMembersAndDamage)
{
    std::string packed = ReadBytes(Fixture(L"freedict-eng-nld.dict.dz"));
    std::string plain;
    ASSERT_TRUE(InflateGzip(packed, &plain));
    EXPECT_EQ(0u, plain.find("a /"));
    std::string twice;
    ASSERT_TRUE(InflateGzip(packed + packed, &twice));
    EXPECT_EQ(plain + plain, twice);
    EXPECT_FALSE(InflateGzip(packed.substr(0, packed.size() / 2), &twice));
    EXPECT_FALSE(InflateGzip("not gzip at all", &twice));
}

static void PutLe(std::string* s, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        *s += static_cast<char>(v >> (8 * i));
}

// A dictzip file as dictd's packer lays it out: chunks flushed apart, their
// packed sizes in an "RA" field, and a final empty block outside the table.
static std::string Dictzip(const std::string& plain, unsigned chunkLength)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string data;
    std::vector<unsigned> sizes;
    auto pack = [&](const char* from, size_t n, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(from));
        z.avail_in = static_cast<uInt>(n);
        size_t before = data.size();
        char buf[1 << 17];
        do {
            z.next_out = reinterpret_cast<Bytef*>(buf);
            z.avail_out = sizeof buf;
            deflate(&z, flush);
            data.append(buf, sizeof buf - z.avail_out);
        } while (z.avail_out == 0);
        return static_cast<unsigned>(data.size() - before);
    };
    for (size_t at = 0; at < plain.size(); at += chunkLength)
        sizes.push_back(pack(plain.data() + at, std::min<size_t>(chunkLength, plain.size() - at), Z_FULL_FLUSH));
    pack(nullptr, 0, Z_FINISH);
    deflateEnd(&z);

    std::string field = "RA";
    PutLe(&field, 6 + 2 * sizes.size(), 2);
    PutLe(&field, 1, 2);
    PutLe(&field, chunkLength, 2);
    PutLe(&field, sizes.size(), 2);
    for (unsigned n : sizes)
        PutLe(&field, n, 2);
    std::string file("\x1f\x8b\x08\x0c\0\0\0\0\x02\x03", 10);  // extra field and name
    PutLe(&file, field.size(), 2);
    file += field + "book.dict" + '\0' + data;
    PutLe(&file, crc32(0, reinterpret_cast<const Bytef*>(plain.data()), static_cast<uInt>(plain.size())), 4);
    PutLe(&file, static_cast<uint32_t>(plain.size()), 4);
    return file;
}

// Offsets in a file from Dictzip: the fields of its chunk table.
constexpr size_t kExtraLength = 10, kChunkLength = 18, kChunkCount = 20, kFirstChunk = 22;

static void SetLe16(std::string* s, size_t at, unsigned v)
{
    (*s)[at] = static_cast<char>(v);
    (*s)[at + 1] = static_cast<char>(v >> 8);
}

// What InflateGzip says about a file, and that it set no large buffer aside.
static std::string InflateFails(const std::string& packed, size_t limit = kMaxUnpacked)
{
    std::string out = "old";
    std::wstring why;
    EXPECT_FALSE(InflateGzip(packed, &out, &why, limit));
    EXPECT_TRUE(out.empty());
    EXPECT_LT(out.capacity(), size_t{1} << 20);
    EXPECT_FALSE(why.empty());
    return Narrow(why);
}

TEST(Gzip, DictzipTableIsCheckedAgainstTheFile)
{
    std::string plain;
    for (int i = 0; plain.size() < 200000; ++i)
        plain += "word" + std::to_string(i) + " /w/\nvertaling " + std::to_string(i * 7) + "\n";
    const std::string packed = Dictzip(plain, 4000);
    std::string out;
    std::wstring why;
    ASSERT_TRUE(InflateGzip(packed, &out, &why)) << Narrow(why);
    EXPECT_EQ(plain, out);
    // Two dictzip members one after another: the table speaks for the first.
    ASSERT_TRUE(InflateGzip(packed + Dictzip("tail\n", 4000), &out, &why)) << Narrow(why);
    EXPECT_EQ(plain + "tail\n", out);

    std::string damaged = packed;
    SetLe16(&damaged, kChunkCount, 0xFFFF);
    EXPECT_NE(std::string::npos, InflateFails(damaged).find("chunk count"));
    damaged = packed;
    SetLe16(&damaged, kFirstChunk + 2 * 7, 0xFFFF);  // chunks past the end of the file
    EXPECT_NE(std::string::npos, InflateFails(damaged).find("past the end"));
    damaged = packed;
    SetLe16(&damaged, kChunkLength, 100);  // chunks of 100 bytes can't hold the text
    EXPECT_NE(std::string::npos, InflateFails(damaged).find("chunk table holds"));
    damaged = packed;
    SetLe16(&damaged, kChunkLength, 0);
    EXPECT_NE(std::string::npos, InflateFails(damaged).find("chunk length"));
    damaged = Dictzip("short", 4000);
    SetLe16(&damaged, kExtraLength, 0xFFF0);
    EXPECT_NE(std::string::npos, InflateFails(damaged).find("extra field"));
    damaged = packed;
    SetLe16(&damaged, kExtraLength + 4, 0x7000);  // the RA field longer than the extra field
    EXPECT_NE(std::string::npos, InflateFails(damaged).find("extra field"));
}

TEST(Gzip, SizesThatAskForGigabytesAreRefused)
{
    const std::string packed = ReadBytes(Fixture(L"freedict-eng-nld.dict.dz"));
    std::string damaged = packed;
    SetLe16(&damaged, damaged.size() - 2, 0xFFFF);  // the trailer's size: 4 GiB
    EXPECT_NE(std::string::npos, InflateFails(damaged).find("unpacked size"));
    damaged = packed;
    damaged[damaged.size() - 1] = 0x10;  // 256 MiB: allowed, but not the size of this text
    InflateFails(damaged);
    // A file name that never ends.
    damaged = packed.substr(0, 3) + '\x08' + packed.substr(4, 6) + std::string(packed.size(), 'n');
    EXPECT_NE(std::string::npos, InflateFails(damaged).find("header"));
    EXPECT_EQ("not a gzip file", InflateFails(packed.substr(0, 17)));

    // Text that unpacks to more than the reader takes (a small limit stands in
    // for the real one).
    std::string plain(300000, 'x');
    std::string out;
    ASSERT_TRUE(InflateGzip(Dictzip(plain, 60000), &out, nullptr, plain.size()));
    EXPECT_NE(std::string::npos, InflateFails(Dictzip(plain, 60000), plain.size() - 1).find("more than"));
}

TEST(FreeDictText, NotesItemsAndHeadwords)
{
    EXPECT_EQ(L"verzuim", StripNotes(L"(arbeids)verzuim"));
    EXPECT_EQ(L"a (b", StripNotes(L"a (b"));  // no closer: kept
    EXPECT_EQ(L"illustration , map", CollapseSpaces(StripNotes(L"illustration <n>ill., map <n>")));
    EXPECT_EQ((Items{L"a", L"b c", L"1,5 kg", L"d"}), SplitTranslationItems(L" a, b  c;1,5 kg , d,"));
    EXPECT_EQ((Items{L"€", L"x"}), SplitTranslationItems(L"€, x,  ;"));
    // In dictionary text, leftover punctuation and pronunciations are dropped.
    EXPECT_EQ((Items{L"x"}), ExtractFreeDictEntry(L"w /w/\r\n…, x, -, /ˈx/\r\n", L"w").items);

    EXPECT_EQ(L"aberracja", ExtractHeadword(L"aberracja /ˌab/ /ˌabɛ/ <n>", L"aberracja"));
    EXPECT_EQ(L"Haus", ExtractHeadword(L"Haus <n>", L"haus"));
    EXPECT_EQ(L"haus", ExtractHeadword(L"", L"haus"));
    // A gloss may start with a number; senses run 1, 2, 3.
    EXPECT_EQ((Items{L"his", L"its"}),
              ExtractFreeDictEntry(L"jego /ˈjɛ/ <pronoun>\n1. his\n3. (osoba) lp, rodzaj męski\n2. its\n", L"jego").items);
}

TEST(FreeDictFixtures, DutchEnglishAndEnglishDutch)
{
    ImportStats stats;
    auto nl = ReadFixture(L"freedict-nld-eng", &stats);
    EXPECT_EQ(7, stats.entriesRead);  // the two 00-database entries are not words
    EXPECT_FALSE(HasWord(nl, L"Dutch-English Freedict Dictionary ver. 0.2"));
    EXPECT_EQ((Items{L"feel..."}), ItemsOf(nl, L"... aanvoelen"));
    EXPECT_EQ((Items{L"ai", L"sloth", L"three-toedsloth"}), ItemsOf(nl, L"aai"));
    EXPECT_EQ((Items{L"eel", L"elver", L"liquidmanure", L"muck-water", L"stale"}), ItemsOf(nl, L"aal"));
    EXPECT_EQ((Items{L"eel-like"}), ItemsOf(nl, L"aalachtig"));
    EXPECT_EQ((Items{L"beunfaithful", L"beunfaithfulto"}), ItemsOf(nl, L"bedriegen (van huwelijkspartner)"));
    EXPECT_EQ((Items{L"hop", L"hops"}), ItemsOf(nl, L"hop (plant)"));

    ImportStats en;
    auto e = ReadFixture(L"freedict-eng-nld.index", &en);
    EXPECT_EQ((Items{L"in staat om", L"bereid"}), ItemsOf(e, L"able"));
    EXPECT_FALSE(HasWord(e, L"above"));  // no translation in the entry
    EXPECT_EQ(1, en.noTranslation);
}

TEST(FreeDictFixtures, FrenchGermanGreekPolish)
{
    ImportStats s;
    auto fr = ReadFixture(L"freedict-fra-eng", &s);
    EXPECT_EQ((Items{L"... to", L"from ... to", L"of ... to"}), ItemsOf(fr, L"... à"));
    EXPECT_EQ((Items{L"duck"}), ItemsOf(fr, L"cane"));
    EXPECT_EQ(7u, ItemsOf(fr, L"déranger").size());
    EXPECT_FALSE(HasWord(fr, L"falloir"));

    auto de = ReadFixture(L"freedict-deu-eng", &s);
    EXPECT_EQ((Items{L"smiley", L"smily"}), ItemsOf(de, L"Smiley"));
    // The abbreviation's index entries and the word's own merge into one.
    EXPECT_EQ((Items{L"figure", L"illustration", L"mapping", L"map", L"transformation", L"picture"}),
              ItemsOf(de, L"Abbildung"));
    EXPECT_EQ((Items{L"oblateness"}), ItemsOf(de, L"Abflachung / Abplattung an den Polen"));
    EXPECT_EQ((Items{L"the daily takings", L"the daily receipts", L"the day's takings", L"the day's receipts"}),
              ItemsOf(de, L"die Tageslosung"));
    EXPECT_EQ((Items{L"undistinguished", L"moderate", L"mediocre", L"average", L"middling", L"so-so",
                     L"fair to middling"}),
              ItemsOf(de, L"mittelmäßig"));

    auto el = ReadFixture(L"freedict-ell-eng", &s);
    EXPECT_EQ((Items{L"publishing house", L"issue", L"extradition", L"version", L"edition", L"publication"}),
              ItemsOf(el, L"έκδοση"));
    EXPECT_EQ((Items{L"general average", L"damage"}), ItemsOf(el, L"αβαρία"));
    EXPECT_EQ((Items{L"EFTA"}), ItemsOf(el, L"ΕΖΕΣ"));
    EXPECT_EQ(L"cognate", ItemsOf(el, L"συγγενής").at(0));

    auto pl = ReadFixture(L"freedict-pol-eng", &s);
    EXPECT_EQ((Items{L"for you to", L"so that you"}), ItemsOf(pl, L"byś"));
    EXPECT_EQ((Items{L"their", L"theirs"}), ItemsOf(pl, L"ich"));
    EXPECT_EQ((Items{L"offshoot", L"root"}), ItemsOf(pl, L"odrośl"));
    EXPECT_EQ((Items{L"rip off", L"drag away", L"come off", L"take off"}), ItemsOf(pl, L"odrywać"));
}

TEST(FreeDictFixtures, IntoDutch)
{
    ImportStats s;
    auto fr = ReadFixture(L"freedict-fra-nld", &s);
    EXPECT_EQ(20u, ItemsOf(fr, L"abaissement").size());
    EXPECT_EQ(L"afschuwelijk", ItemsOf(fr, L"abject").at(0));
    auto de = ReadFixture(L"freedict-deu-nld", &s);
    EXPECT_EQ((Items{L"aal", L"paling"}), ItemsOf(de, L"Aal"));
    EXPECT_EQ((Items{L"haan", L"haan van een vuurwapen"}), ItemsOf(de, L"Hahn (an der Schusswaffe)"));
    auto el = ReadFixture(L"freedict-ell-nld", &s);
    EXPECT_EQ((Items{L"buiten"}), ItemsOf(el, L"έξω"));
    EXPECT_EQ((Items{L"haak", L"accolade"}), ItemsOf(el, L"άγκιστρο"));
    EXPECT_EQ((Items{L"verzuim"}), ItemsOf(el, L"απουσιασμός"));
    auto pl = ReadFixture(L"freedict-pol-nld", &s);
    EXPECT_EQ((Items{L"zijn"}), ItemsOf(pl, L"jego"));
    EXPECT_EQ((Items{L"aberratie"}), ItemsOf(pl, L"aberracja"));
    EXPECT_EQ(L"atmosfeer", ItemsOf(pl, L"atmosfera").at(0));
}

class DictdScratch : public ScratchDirTest {};

TEST_F(DictdScratch, UnreadableLinesAreCountedNotFatal)
{
    WriteBytes(L"d.dict", "one /w/\nuno\ntwo /t/\ndos\n");
    // A line without numbers, an entry past the end, and two good ones.
    WriteBytes(L"d.index", "one\tA\tM\nbroken line\nfar\tBAAA\tB\ntwo\tM\tM\n");
    std::vector<SourceEntry> entries;
    ImportStats stats;
    std::wstring error;
    ASSERT_TRUE(ReadDictd(L"d", &entries, &stats, &error));
    EXPECT_EQ(4, stats.entriesRead);
    EXPECT_EQ(2, stats.unreadable);
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(L"two", entries[1].word);
    EXPECT_EQ((Items{L"dos"}), entries[1].items);
}

TEST_F(DictdScratch, DamagedDictzipIsAnErrorAndLongDefinitionsUnreadable)
{
    std::string plain = "one /w/\nuno\n" + std::string(kMaxDefinition + 1, 'x');
    std::string packed = Dictzip(plain, 60000);
    WriteBytes(L"d.dict.dz", packed);
    // The second entry spans more than any definition may.
    WriteBytes(L"d.index", "one\tA\tM\nhuge\tM\tEAAB\n");
    std::vector<SourceEntry> entries;
    ImportStats stats;
    std::wstring error;
    ASSERT_TRUE(ReadDictd(L"d.index", &entries, &stats, &error)) << Narrow(error);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(1, stats.unreadable);

    SetLe16(&packed, kFirstChunk, 0xFFFF);
    WriteBytes(L"d.dict.dz", packed);
    entries.clear();
    EXPECT_FALSE(ReadDictd(L"d.index", &entries, &stats, &error));
    EXPECT_NE(std::wstring::npos, error.find(L"can't unpack ")) << Narrow(error);
    EXPECT_NE(std::wstring::npos, error.find(L"d.dict.dz: the dictzip chunk table")) << Narrow(error);
    EXPECT_TRUE(entries.empty());
}

TEST(Tsv, LinesColumnsAndHeader)
{
    std::vector<SourceEntry> out;
    ImportStats stats;
    ReadTsv("\xEF\xBB\xBFword\ttranslation\r\nhuis\thouse, home\tnote\n\n  \nalleen\n\tno word\nboot\t ship ;boat\n", true,
            &out, &stats);
    ASSERT_EQ(3u, out.size());
    EXPECT_EQ(L"huis", out[0].word);
    EXPECT_EQ((Items{L"house", L"home"}), out[0].items);  // the third column is ignored
    EXPECT_EQ(L"alleen", out[1].word);
    EXPECT_TRUE(out[1].items.empty());
    EXPECT_EQ((Items{L"ship", L"boat"}), out[2].items);
    EXPECT_EQ(4, stats.entriesRead);
    EXPECT_EQ(1, stats.unreadable);  // a translation without a word
}

TEST(Csv, QuotingLikeSpreadsheets)
{
    long open = 0;
    auto rows = ParseCsvRows("a,\"b, c\"\r\n\"say \"\"hi\"\"\",\"two\nlines\"\nlast,\"\"", ',', &open);
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ((std::vector<std::string>{"a", "b, c"}), rows[0]);
    EXPECT_EQ((std::vector<std::string>{"say \"hi\"", "two\nlines"}), rows[1]);
    EXPECT_EQ((std::vector<std::string>{"last", ""}), rows[2]);
    EXPECT_EQ(0, open);

    // Text after a closing quote and stray quotes stay; an open quote at the end is counted.
    rows = ParseCsvRows("x\"y,\"a\"b\n\"open,\nstill", ',', &open);
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ((std::vector<std::string>{"x\"y", "ab"}), rows[0]);
    EXPECT_EQ((std::vector<std::string>{"open,\nstill"}), rows[1]);
    EXPECT_EQ(1, open);

    EXPECT_EQ(';', GuessCsvDelimiter("woord;vertaling\nhuis;house, home\n"));
    EXPECT_EQ(',', GuessCsvDelimiter("\"a;b\",c\n"));
    EXPECT_EQ(',', GuessCsvDelimiter("a;b,c\n"));

    std::vector<SourceEntry> out;
    ImportStats stats;
    ReadCsv("huis;\"house; home\"\n\"ver\r\nhaal\";\"story\nor tale\"\n;;\n", false, &out, &stats);
    ASSERT_EQ(2u, out.size());
    EXPECT_EQ((Items{L"house", L"home"}), out[0].items);
    EXPECT_EQ(L"ver haal", out[1].word);  // line breaks inside a field become spaces
    EXPECT_EQ((Items{L"story or tale"}), out[1].items);
}

TEST(Merge, SameWordsJoinTheirTranslationsOnce)
{
    ImportStats stats;
    auto merged = MergeEntries({{L"huis", {L"house"}},
                                {L"Huis", {L"House"}},
                                {L"huis", {L"home", L"house"}},
                                {L"leeg", {}},
                                {L"bij\u00a0na", {L"almost\u2010there"}},
                                {L"bij na", {L"nearly"}}},
                               &stats);
    ASSERT_EQ(3u, merged.size());
    EXPECT_EQ((Items{L"house", L"home"}), merged[0].items);
    EXPECT_EQ(L"Huis", merged[1].word);  // case tells words apart
    EXPECT_EQ(L"bij na", merged[2].word);
    EXPECT_EQ((Items{L"almost-there", L"nearly"}), merged[2].items);
    EXPECT_EQ(2, stats.merged);
    EXPECT_EQ(1, stats.noTranslation);
    EXPECT_EQ(L"IJsselmeer", FoldTypography(L"\u0132sselmeer\u200b"));
}
