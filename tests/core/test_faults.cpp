// Every step of a rewrite failing in turn: the old file stays byte for byte
// or the new one is complete, and no temporary file is left behind.
#include "core/fileutil.h"
#include "core/review.h"
#include "core/scores.h"
#include "tests/support/testutil.h"
#include <functional>

namespace {

class Faults : public ScratchDirTest {
protected:
    void TearDown() override
    {
        InjectFileFault(0);
        ScratchDirTest::TearDown();
    }
    // Runs rewrite with step 1, 2, 3... failing until it succeeds; returns
    // the number of steps that were made to fail.
    int FailEachStep(const std::wstring& file, const std::function<bool()>& rewrite, const std::string& expected)
    {
        const std::string old = ReadBytes(file);
        for (int failAt = 1; failAt < 50; ++failAt) {
            InjectFileFault(failAt);
            bool done = rewrite();
            long steps = FileStepsTaken();
            InjectFileFault(0);
            EXPECT_EQ(std::vector<std::wstring>{file}, FilesIn(L".")) << "step " << failAt;
            if (done) {
                EXPECT_LT(steps, failAt) << "a failed step was reported as success";
                EXPECT_EQ(expected, ReadBytes(file));
                return failAt - 1;
            }
            EXPECT_EQ(old, ReadBytes(file)) << "step " << failAt;
        }
        ADD_FAILURE() << "never completed";
        return 0;
    }
    // The same with the disk full after 0, 1, 2... bytes.
    void FillDiskAtEachByte(const std::wstring& file, const std::function<bool()>& rewrite, const std::string& expected)
    {
        const std::string old = ReadBytes(file);
        for (long long room = 0; room <= static_cast<long long>(expected.size()); ++room) {
            InjectFileFault(0, room);
            bool done = rewrite();
            InjectFileFault(0);
            EXPECT_EQ(std::vector<std::wstring>{file}, FilesIn(L"."));
            EXPECT_EQ(done ? expected : old, ReadBytes(file)) << room << " bytes of room";
            EXPECT_EQ(room >= static_cast<long long>(expected.size()), done) << room << " bytes of room";
        }
    }
};

TEST_F(Faults, ScoreScheduleAndHistoryKeepTheirOldFileAtEveryFailure)
{
    WriteBytes(L"l.score", "3\r\n4\r\n");
    EXPECT_EQ(4, FailEachStep(L"l.score", [] { return WriteScore(L"l.score", {1, 2}); }, "1\r\n2\r\n"));
    FillDiskAtEachByte(L"l.score", [] { return WriteScore(L"l.score", {0, 7}); }, "0\r\n7\r\n");

    DeleteFileW(L"l.score");
    ASSERT_TRUE(WriteSchedule(L"l.review", {{2, 10}}));
    std::string twoEntries = std::string("\x03\0\0\0\x0b\0\0\0\x01\0\0\0\x05\0\0\0", 16);
    EXPECT_EQ(4, FailEachStep(L"l.review", [] { return WriteSchedule(L"l.review", {{3, 11}, {1, 5}}); }, twoEntries));
    FillDiskAtEachByte(L"l.review", [] { return WriteSchedule(L"l.review", {{4, 12}}); },
                       std::string("\x04\0\0\0\x0c\0\0\0", 8));
    DeleteFileW(L"l.review");

    ASSERT_TRUE(AppendHistory(L"l.history", {L"2026-12-09 10:00:00", L"typed", 3, 1, 0}));
    std::string before = ReadBytes(L"l.history");
    const HistoryLine run{L"2026-12-09 11:00:00", L"review", 2, 0, 1};
    EXPECT_EQ(4, FailEachStep(L"l.history", [&] { return AppendHistory(L"l.history", run); },
                              before + "2026-12-09 11:00:00,review,2,0,1\r\n"));
}

} // namespace
