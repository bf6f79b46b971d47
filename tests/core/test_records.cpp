#include "core/fileutil.h"
#include "core/session.h"
#include "tests/core/corefixture.h"
#include <cstring>

class Records : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        auto p = std::make_unique<LanguagePair>();
        p->sourceCodePage = 1252;
        p->targetCodePage = 1252;
        wcscpy(p->wordBookFile, L"eng_ned.wb");
        wcscpy(p->listFile, L"eng_ned.ls");
        g_catalogue.current = p.get();
        g_catalogue.entries.push_back(std::move(p));
        MakeDir(L"books");
    }
    static void SetRecord(const wchar_t* source, const wchar_t* translation, uint16_t deleted = 0)
    {
        g_session.record = {};
        wcscpy(g_session.record.source, source);
        wcscpy(g_session.record.translation, translation);
        g_session.record.deleted = deleted;
    }
    static std::string Record(const std::string& source, const std::string& translation, uint16_t deleted = 0)
    {
        WordRecord r{};
        memcpy(r.source, source.data(), source.size());
        memcpy(r.translation, translation.data(), translation.size());
        r.deleted = deleted;
        return std::string(reinterpret_cast<const char*>(&r), sizeof r);
    }
};

TEST_F(Records, CountIgnoresAPartialRecordAndReadsStayInBounds)
{
    WriteBytes(L"books\\eng_ned.wb", std::string(840, '\0'));
    OpenPairFiles();
    CountRecords();
    EXPECT_EQ(10, g_session.book.count);

    std::string book = std::string(9 * 84, '\0') + Record("last", "laatst") + "partial...";
    WriteBytes(L"books\\eng_ned.wb", book);
    OpenPairFiles();
    CountRecords();
    ASSERT_EQ(10, g_session.book.count);
    SetRecord(L"untouched", L"x");
    EXPECT_EQ(-1, ReadWordRecord(10));
    EXPECT_EQ(-1, ReadWordRecord(-1));
    EXPECT_STREQ(L"untouched", g_session.record.source);
    ASSERT_EQ(0, ReadWordRecord(9));
    EXPECT_STREQ(L"last", g_session.record.source);
    EXPECT_STREQ(L"laatst", g_session.record.translation);
}

TEST_F(Records, WritesLayTheRecordOutByteForByte)
{
    WriteBytes(L"books\\eng_ned.wb", Record("aap", "monkey"));
    OpenPairFiles();
    CountRecords();
    SetRecord(L"cat", L"kat, poes", 1);
    ASSERT_EQ(0, WriteWordRecord(g_session.book.count));
    ++g_session.book.count;
    EXPECT_EQ(-1, WriteWordRecord(g_session.book.count + 1));  // would leave a gap
    EXPECT_EQ(-1, WriteWordRecord(-1));
    SetRecord(L"ape", L"aap");
    ASSERT_EQ(0, WriteWordRecord(0));

    std::string bytes = ReadBytes(L"books\\eng_ned.wb");
    ASSERT_EQ(168u, bytes.size());
    std::string rec = bytes.substr(84);
    EXPECT_EQ("cat", rec.substr(0, 3));
    EXPECT_EQ(std::string(28, '\0'), rec.substr(3, 28));
    EXPECT_EQ("kat, poes", rec.substr(31, 9));
    EXPECT_EQ(std::string(42, '\0'), rec.substr(40, 42));
    EXPECT_EQ(std::string("\1\0", 2), rec.substr(82, 2));
    EXPECT_EQ(Record("ape", "aap"), bytes.substr(0, 84));
}

TEST_F(Records, DoubleByteTextIsCutWholeAtTheFieldEnd)
{
    CurrentPair()->sourceCodePage = 932;
    CurrentPair()->targetCodePage = 1253;
    WriteBytes(L"books\\eng_ned.wb", "");
    OpenPairFiles();
    CountRecords();
    // 'a' and 16 two-byte characters: the 15th ends at byte 31, past the 30 a word may use.
    std::wstring source = L"a" + std::wstring(16, L'\x3042');
    std::wstring greek(60, L'\x03b1');
    SetRecord(L"", L"");
    wcscpy(g_session.record.source, source.substr(0, 30).c_str());
    wcscpy(g_session.record.translation, greek.substr(0, 50).c_str());
    ASSERT_EQ(0, WriteWordRecord(0));
    std::string rec = ReadBytes(L"books\\eng_ned.wb");
    ASSERT_EQ(84u, rec.size());
    EXPECT_EQ('a', rec[0]);
    for (int i = 1; i < 29; i += 2)
        EXPECT_EQ("\x82\xa0", rec.substr(i, 2)) << i;
    EXPECT_EQ(std::string(2, '\0'), rec.substr(29, 2));
    EXPECT_EQ(std::string(50, '\xe1'), rec.substr(31, 50));
    EXPECT_EQ('\0', rec[81]);

    CountRecords();
    ASSERT_EQ(0, ReadWordRecord(0));
    EXPECT_EQ(source.substr(0, 15), g_session.record.source);
    EXPECT_EQ(greek.substr(0, 50), g_session.record.translation);
}

TEST_F(Records, UnterminatedFieldsAndOddFlagsReadSafely)
{
    // No terminators anywhere: the texts must stop at their fields, and an
    // unknown flag value survives a rewrite.
    WriteBytes(L"books\\eng_ned.wb", std::string(31, 'x') + std::string(51, 'y') + "\x07\x01");
    OpenPairFiles();
    CountRecords();
    ASSERT_EQ(0, ReadWordRecord(0));
    EXPECT_EQ(std::wstring(30, L'x'), g_session.record.source);
    EXPECT_EQ(std::wstring(50, L'y'), g_session.record.translation);
    EXPECT_EQ(0x0107, g_session.record.deleted);
    EXPECT_TRUE(IsDeleted(g_session.record));
    ASSERT_EQ(0, WriteWordRecord(0));
    EXPECT_EQ(Record(std::string(30, 'x'), std::string(50, 'y'), 0x0107), ReadBytes(L"books\\eng_ned.wb"));

    // A caller's wide fields without terminators are cut, not overrun.
    WideRecord full;
    wmemset(full.source, L's', kSourceChars);
    wmemset(full.translation, L't', kTranslationChars);
    full.deleted = 0;
    WordRecord out;
    BuildWordRecord(full, 1252, 1252, &out);
    EXPECT_EQ(std::string(30, 's') + '\0', std::string(out.source, 31));
    EXPECT_EQ(std::string(50, 't') + '\0', std::string(out.translation, 51));
}

TEST_F(Records, MissingWordBookEndsTheProgram)
{
    MessageCapture capture;
    try {
        OpenPairFiles();
        FAIL() << "no fatal exit";
    } catch (const ExitCalled& e) {
        EXPECT_EQ(1, e.code);
    }
    ASSERT_EQ(1u, capture.messages().size());
    EXPECT_EQ(L"Can't open books\\eng_ned.wb   \n\nProgram aborted", capture.messages()[0].text);
    EXPECT_EQ(L"Wordbook", capture.messages()[0].caption);
}

TEST_F(Records, ListFileOpensInTheFirstListAndIsCreatedThere)
{
    WriteBytes(L"books\\eng_ned.wb", "");
    OpenPairFiles();
    CountRecords();
    EXPECT_EQ(nullptr, g_session.list.file.get());
    EXPECT_EQ(0, g_session.list.count);
    EXPECT_EQ(-1, OpenListFile());

    MakeDir(L"lists");
    MakeDir(L"lists\\week1");
    EXPECT_EQ(0, OpenListFile());
    EXPECT_STREQ(L"week1", g_session.listName);
    EXPECT_TRUE(FileExists(L"lists\\week1\\eng_ned.ls"));
    SetRecord(L"cat", L"kat");
    ASSERT_EQ(0, WriteListRecord(g_session.list.count));
    CloseListFile();
    ASSERT_EQ(0, OpenListFile());  // keeps what is there
    CountListRecords();
    EXPECT_EQ(1, g_session.list.count);
    EXPECT_EQ(-1, ReadListRecord(1));

    wcscpy(g_session.listName, L"gone");  // its directory was removed meanwhile
    EXPECT_EQ(-1, OpenListFile());
    CountListRecords();
    EXPECT_EQ(0, g_session.list.count);
}

// A book in a folder the user may not write (an installation made for all
// users) still opens for looking words up.
TEST_F(Records, ABookThatCantBeWrittenOpensForReading)
{
    WriteBytes(L"books\\eng_ned.wb", Record("aap", "monkey"));
    InjectUnwritableFolder(L"books");
    OpenPairFiles();
    InjectUnwritableFolder(L"");
    CountRecords();
    EXPECT_EQ(1, g_session.book.count);
    ASSERT_EQ(0, ReadWordRecord(0));
    EXPECT_STREQ(L"aap", g_session.record.source);
    SetRecord(L"cat", L"kat");
    EXPECT_EQ(-1, WriteWordRecord(1));
    CloseWordBook(&g_session.book);
    EXPECT_EQ(Record("aap", "monkey"), ReadBytes(L"books\\eng_ned.wb"));
}
