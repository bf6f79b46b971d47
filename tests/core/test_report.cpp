#include "core/report.h"
#include "core/fileutil.h"
#include "tests/support/testutil.h"

TEST(Report, BoxesAndFatalExitsGoThroughTheHooks)
{
    MessageCapture capture(IDNO);
    EXPECT_EQ(IDNO, ShowMessage(nullptr, L"text", L"caption", MB_YESNO));
    try {
        FatalMessage(nullptr, L"fatal", L"Dictionary", MB_ICONWARNING, 1);
        FAIL() << "fatal message returned";
    } catch (const ExitCalled& e) {
        EXPECT_EQ(1, e.code);
    }
    ASSERT_EQ(2u, capture.messages().size());
    EXPECT_EQ(L"fatal", capture.messages()[1].text);
    EXPECT_EQ(L"Dictionary", capture.messages()[1].caption);
}

class FileUtil : public ScratchDirTest {};

TEST_F(FileUtil, ReplaceKeepsTheTargetWhenTheSourceIsMissing)
{
    WriteBytes(L"target", "old");
    EXPECT_FALSE(ReplaceFileAtomic(L"missing", L"target"));
    EXPECT_EQ("old", ReadBytes(L"target"));
    WriteBytes(L"source", "new");
    EXPECT_TRUE(ReplaceFileAtomic(L"source", L"target"));
    EXPECT_EQ("new", ReadBytes(L"target"));
    EXPECT_FALSE(FileExists(L"source"));
}
