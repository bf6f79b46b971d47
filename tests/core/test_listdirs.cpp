#include "core/listdirs.h"
#include "tests/core/corefixture.h"

class ListDirs : public CoreTest {};

TEST_F(ListDirs, ARootWithoutSubdirectoriesHasNoLists)
{
    EXPECT_EQ(0, CountLists());  // no root at all
    EXPECT_EQ(L"", FirstListName());
    WriteBytes(L"lists", "a plain file where the root should be");
    EXPECT_EQ(0, CountLists());
    DeleteFileW(L"lists");
    MakeDir(L"lists");
    WriteBytes(L"lists\\notes.txt", "x");
    MakeDir(L"lists\\.hidden");
    EXPECT_EQ(0, CountLists());
    EXPECT_EQ(L"", FirstListName());
    EXPECT_FALSE(ListExists(L"notes.txt"));
}

TEST_F(ListDirs, ListsAreTheDirectoriesComparedByFoldingAToZ)
{
    MakeDir(L"lists");
    MakeDir(L"lists\\Week1");
    MakeDir(L"lists\\\x00e9t\x00e9");
    WriteBytes(L"lists\\file", "");
    EXPECT_EQ(2, CountLists());
    std::wstring first = FirstListName();
    EXPECT_TRUE(first == L"Week1" || first == L"\x00e9t\x00e9");
    EXPECT_TRUE(ListExists(L"WEEK1"));
    EXPECT_FALSE(ListExists(L"\x00c9T\x00c9"));  // only A to Z fold
    EXPECT_FALSE(ListExists(L"week"));
    EXPECT_FALSE(ListExists(L"file"));
}

TEST_F(ListDirs, CreatingAListMakesTheRootWhenMissing)
{
    CreateListDirectory(L"verbs");
    CreateListDirectory(L"verbs");  // existing: no harm
    EXPECT_EQ(1, CountLists());
    EXPECT_TRUE(ListExists(L"verbs"));
}

TEST_F(ListDirs, ListNamesAreCheckedAfterTheCodePage)
{
    EXPECT_TRUE(IsValidListName(L"week 1", 1252));
    EXPECT_TRUE(IsValidListName(std::wstring(148, L'n').c_str(), 1252));
    EXPECT_FALSE(IsValidListName(std::wstring(149, L'n').c_str(), 1252));
    EXPECT_FALSE(IsValidListName(L"", 1252));
    for (const wchar_t* bad : {L"a/b", L"a\\b", L"a<b", L"a>b", L"a|b", L"a.b", L"a\"b", L"a*b", L"a?b", L"a:b"})
        EXPECT_EQ(ListNameCheck::BadCharacter, CheckListName(bad, 1252)) << Narrow(bad);
    EXPECT_FALSE(IsValidListName(L"\x65e5\x672c", 1252));  // not in the code page
    EXPECT_TRUE(IsValidListName(L"\x30bd", 932));          // second byte is 0x5C
}

// Windows would drop the blank or open a device: the list could never be found again.
TEST_F(ListDirs, NamesWindowsCantKeepAreRefusedWithTheirOwnMessage)
{
    UseAgreedStrings();
    OverrideString(Txt_CreateListNameBlank, L"no trailing blank");
    OverrideString(Txt_CreateListNameReserved, L"device name");
    OverrideString(Txt_CreateListNotAllowed, L"bad character");
    EXPECT_EQ(ListNameCheck::TrailingBlank, CheckListName(L"week ", 1252));
    EXPECT_EQ(ListNameCheck::TrailingBlank, CheckListName(L"  ", 1252));
    for (const wchar_t* device : {L"CON", L"prn", L"Aux", L"nul", L"COM1", L"com9", L"LPT1", L"lpt9"})
        EXPECT_EQ(ListNameCheck::ReservedName, CheckListName(device, 1252)) << Narrow(device);
    for (const wchar_t* fine : {L"console", L"COM", L"COM0", L"LPT10", L" con x", L" week"})
        EXPECT_EQ(ListNameCheck::Ok, CheckListName(fine, 1252)) << Narrow(fine);
    EXPECT_STREQ(L"no trailing blank", ListNameMessage(ListNameCheck::TrailingBlank));
    EXPECT_STREQ(L"device name", ListNameMessage(ListNameCheck::ReservedName));
    EXPECT_STREQ(L"bad character", ListNameMessage(ListNameCheck::BadCharacter));
}
