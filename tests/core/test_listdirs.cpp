#include "core/listdirs.h"
#include "tests/core/corefixture.h"

class ListDirs : public CoreTest {};

TEST_F(ListDirs, ARootWithoutSubdirectoriesHasNoLists)
{
    EXPECT_EQ(0, CountLists());  // no root at all
    EXPECT_EQ(0, ChooseFirstList());
    WriteBytes(L"lists", "a plain file where the root should be");
    EXPECT_EQ(0, CountLists());
    DeleteFileW(L"lists");
    MakeDir(L"lists");
    WriteBytes(L"lists\\notes.txt", "x");
    MakeDir(L"lists\\.hidden");
    EXPECT_EQ(0, CountLists());
    EXPECT_EQ(0, numberOfLists);
    currentListId = 805;
    EXPECT_EQ(0, ChooseFirstList());
    EXPECT_STREQ(L"", currentListName);
    EXPECT_EQ(805, currentListId);
    wcscpy(currentListName, L"notes.txt");
    EXPECT_EQ(0, ListExists());
}

TEST_F(ListDirs, ListsAreTheDirectoriesComparedByFoldingAToZ)
{
    MakeDir(L"lists");
    MakeDir(L"lists\\Week1");
    MakeDir(L"lists\\\x00e9t\x00e9");
    WriteBytes(L"lists\\file", "");
    EXPECT_EQ(2, CountLists());
    EXPECT_EQ(2, numberOfLists);
    EXPECT_EQ(kFirstListId, ChooseFirstList());
    EXPECT_TRUE(wcscmp(currentListName, L"Week1") == 0 || wcscmp(currentListName, L"\x00e9t\x00e9") == 0);
    wcscpy(currentListName, L"WEEK1");
    EXPECT_EQ(1, ListExists());
    wcscpy(currentListName, L"\x00c9T\x00c9");  // only A to Z fold
    EXPECT_EQ(0, ListExists());
    wcscpy(currentListName, L"week");
    EXPECT_EQ(0, ListExists());
    wcscpy(currentListName, L"file");
    EXPECT_EQ(0, ListExists());
}

TEST_F(ListDirs, CreatingAListMakesTheRootWhenMissing)
{
    wcscpy(currentListName, L"verbs");
    CreateListDirectory();
    CreateListDirectory();  // existing: no harm
    EXPECT_EQ(1, CountLists());
    EXPECT_EQ(1, ListExists());
}

TEST_F(ListDirs, ListNamesAreCheckedAfterTheCodePage)
{
    EXPECT_TRUE(IsValidListName(L"week 1", 1252));
    EXPECT_TRUE(IsValidListName(std::wstring(148, L'n').c_str(), 1252));
    EXPECT_FALSE(IsValidListName(std::wstring(149, L'n').c_str(), 1252));
    EXPECT_FALSE(IsValidListName(L"", 1252));
    for (const wchar_t* bad : {L"a/b", L"a\\b", L"a<b", L"a>b", L"a|b", L"a.b", L"a\"b", L"a*b", L"a?b", L"a:b"})
        EXPECT_FALSE(IsValidListName(bad, 1252)) << Narrow(bad);
    EXPECT_FALSE(IsValidListName(L"\x65e5\x672c", 1252));  // not in the code page
    EXPECT_TRUE(IsValidListName(L"\x30bd", 932));          // second byte is 0x5C
}
