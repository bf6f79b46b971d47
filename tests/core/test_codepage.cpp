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
    EXPECT_EQ(30, ToWide(greek, wide, 1253));
    EXPECT_EQ(L'\u03B1', wide[0]);
    char back[61];
    ToNarrow(wide, back, 1253);
    EXPECT_STREQ(greek, back);
    EXPECT_STREQ(L"\u0141\u00F3d\u017A", ToWideShared("\xA3\xF3" "d\x9F", 1250));
    EXPECT_STREQ("\xD1\xEB\xEE\xE2\xEE", ToNarrowShared(L"\u0421\u043B\u043E\u0432\u043E", 1251));
    EXPECT_FALSE(FitsCodePage(L"\u0141\u00F3d\u017A", 1252));
    EXPECT_EQ(0, ToWide("", wide, 1252));
    EXPECT_STREQ(L"", wide);
    EXPECT_STREQ("", ToNarrowShared(L"", 932));
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
