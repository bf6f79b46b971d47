#include "core/codepage.h"
#include "tests/support/testutil.h"
#include <cstring>

TEST(CodePage, CharsetNumbersMapToTheirCodePages)
{
    EXPECT_EQ(1252, CharsetToCodePage(0));
    EXPECT_EQ(1254, CharsetToCodePage(500));
    EXPECT_EQ(932, CharsetToCodePage(128));
    EXPECT_EQ(1250, CharsetToCodePage(238));
    for (int charset : {1, 2, 600, 699})
        EXPECT_EQ(static_cast<int>(GetACP()), CharsetToCodePage(charset)) << charset;
}

TEST(CodePage, EightBitTextRoundTripsInItsOwnCodePage)
{
    char greek[31] = {};  // 30 Greek letters, all defined in 1253
    for (int i = 0; i < 30; ++i)
        greek[i] = static_cast<char>(0xE1 + i);
    wchar_t wide[31];
    EXPECT_EQ(30, ToWideCount(greek, wide, 30, 1253));
    EXPECT_EQ(L'\u03B1', wide[0]);
    char back[61];
    ToNarrow(wide, back, 1253);
    EXPECT_STREQ(greek, back);
    EXPECT_STREQ(L"\u0141\u00F3d\u017A", ToWideShared("\xA3\xF3" "d\x9F", 1250));
    EXPECT_EQ("\xD1\xEB\xEE\xE2\xEE", NarrowText(L"\u0421\u043B\u043E\u0432\u043E", 1251));
    EXPECT_FALSE(FitsCodePage(L"\u0141\u00F3d\u017A", 1252));
    EXPECT_EQ(4, CodePageBytes(L"\u732b\u72ac", 932));
    EXPECT_EQ(-1, CodePageBytes(L"\u00e9", 932));  // best fit would make it "e"
    EXPECT_EQ(0, ToWideCount("", wide, 0, 1252));
    EXPECT_STREQ(L"", wide);
    EXPECT_EQ("", NarrowText(L"", 932));
}

TEST(CodePage, FieldCutsNeverSplitADoubleByteCharacterNorOverrun)
{
    // "a" + two hiragana: 61 82 A0 82 A2 in 932.
    const int expected[] = {0, 1, 1, 3, 3, 5, 5};
    for (int size = 1; size <= 7; ++size) {
        char buf[16];
        memset(buf, 0x7F, sizeof buf);
        int n = ToNarrowField(L"a\u3042\u3044", buf, size, 932);
        EXPECT_EQ(expected[size - 1], n) << size;
        EXPECT_EQ('\0', buf[n]);
        for (int i = size; i < 16; ++i)
            ASSERT_EQ(0x7F, buf[i]) << "field " << size << " overrun at " << i;
    }
    std::string longText(1500, 'x');
    EXPECT_EQ(kSharedTextSize - 1, static_cast<int>(wcslen(ToWideShared(longText.c_str(), 1252))));
}

// The fast tables of single-byte code pages must give what the system gives.
TEST(CodePageTables, AgreeWithTheSystemForEveryCharacter)
{
    for (int cp : {1250, 1251, 1252, 1253}) {
        for (int b = 1; b < 256; ++b) {
            char in = static_cast<char>(b);
            wchar_t fast[2], slow[2] = {};
            ToWideCount(&in, fast, 1, cp);
            MultiByteToWideChar(cp, MB_PRECOMPOSED, &in, 1, slow, 1);
            ASSERT_EQ(slow[0], fast[0]) << cp << " byte " << b;
        }
        for (int c = 1; c < 65536; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            wchar_t in[2] = {static_cast<wchar_t>(c), 0};
            char fast[4], slow[4] = {};
            ToNarrowField(in, fast, sizeof fast, cp);
            WideCharToMultiByte(cp, 0, in, 1, slow, sizeof slow, nullptr, nullptr);
            ASSERT_EQ(slow[0], fast[0]) << cp << " char " << c;
        }
    }
}

// Character sets 1, 2 and 600 and up take the system's code page, which may
// be UTF-8: up to 3 bytes a unit, and cuts at UTF-8 character boundaries.
TEST(CodePage, Utf8SystemCodePageKeepsWordsWholeAndCutsAtCharacters)
{
    const wchar_t* word = L"\u65E5\u672C\u8A9E";  // 3 bytes each in UTF-8
    EXPECT_EQ("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", NarrowText(word, CP_UTF8));
    char field[31];
    EXPECT_EQ(9, ToNarrowField(word, field, 31, CP_UTF8));
    // 8 bytes of room: two whole characters, never half of the third.
    EXPECT_EQ(6, ToNarrowField(word, field, 9, CP_UTF8));
    EXPECT_EQ("\xE6\x97\xA5\xE6\x9C\xAC", std::string(field));
    EXPECT_EQ(2, ToNarrowField(L"\u00E9t\u00E9", field, 3, CP_UTF8));  // e-acute alone
    EXPECT_EQ(0, ToNarrowField(L"\U0001F600", field, 4, CP_UTF8));      // 4 bytes don't fit in 3
    EXPECT_TRUE(FitsCodePage(word, CP_UTF8));
    EXPECT_EQ(9, CodePageBytes(word, CP_UTF8));  // takes neither the no-best-fit flag nor its question
    wchar_t back[31];
    ToWideField(field, 31, back, 31, CP_UTF8);
    EXPECT_EQ(5, CutAtCharBoundary("ab\xE6\x97\xA5", 5, 5, CP_UTF8));
    EXPECT_EQ(2, CutAtCharBoundary("ab\xE6\x97\xA5", 5, 4, CP_UTF8));
    char narrow[3 * 3 + 1];
    ToNarrow(word, narrow, CP_UTF8);
    EXPECT_EQ(9u, strlen(narrow));
}

