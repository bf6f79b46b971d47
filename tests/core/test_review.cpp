#include "core/review.h"
#include "core/scores.h"
#include "tests/support/testutil.h"
#include <algorithm>

namespace {

class Review : public ScratchDirTest {};

TEST(ReviewDays, CountFromTheTurnOfTheCenturyThroughLeapYears)
{
    EXPECT_EQ(0, DayNumber(2000, 1, 1));
    EXPECT_EQ(60, DayNumber(2000, 3, 1));  // 2000 has a 29 February
    EXPECT_EQ(366, DayNumber(2001, 1, 1));
    EXPECT_EQ(-1, DayNumber(1999, 12, 31));
    for (int day : {-400, -1, 0, 59, 60, 365, 366, 9834, 36524, 36525, 60000})
        EXPECT_EQ(day, DayNumber(_wtoi(DayText(day).substr(0, 4).c_str()), _wtoi(DayText(day).substr(5, 2).c_str()),
                                 _wtoi(DayText(day).substr(8, 2).c_str())))
            << day;
    EXPECT_EQ(L"2026-12-09", DayText(DayNumber(2026, 12, 9)));
    EXPECT_EQ(L"2100-03-01", DayText(DayNumber(2100, 2, 28) + 1));  // 2100 has none
}

TEST(ReviewBoxes, RightMovesUpWrongAndSkipStartAgain)
{
    const int today = 9000;
    ReviewEntry e;  // never reviewed: box 1, due
    ScheduleAnswer(&e, true, today);
    EXPECT_EQ(2, e.box);
    EXPECT_EQ(today + 2, e.due);
    for (int box = 3; box <= 5; ++box) {
        ScheduleAnswer(&e, true, today);
        EXPECT_EQ(box, e.box);
        EXPECT_EQ(today + (1 << (box - 1)), e.due);
    }
    ScheduleAnswer(&e, true, today);
    EXPECT_EQ(5, e.box) << "the last box keeps its cards";
    EXPECT_EQ(today + 16, e.due);
    ScheduleAnswer(&e, false, today);
    EXPECT_EQ(1, e.box);
    EXPECT_EQ(today, e.due) << "a miss is asked again today";

    std::vector<ReviewEntry> schedule{{1, today}, {3, today + 4}, {2, today - 5}, {5, today + 1}};
    EXPECT_EQ((std::vector<int>{0, 2}), DueRecords(schedule, today));
    EXPECT_EQ(today - 5, NextDueDay(schedule, today));
    EXPECT_EQ(today + 1, NextDueDay({{3, today + 4}, {5, today + 1}}, today));
    EXPECT_EQ((std::vector<int>{1, 1, 1, 0, 1}), BoxCounts(schedule));
}

TEST_F(Review, ScheduleFileIsEightBytesARecordAndDamageIsRepaired)
{
    ASSERT_TRUE(WriteSchedule(L"x.review", {{2, 300}, {5, -3}}));
    EXPECT_EQ(std::string("\x02\0\0\0\x2c\x01\0\0\x05\0\0\0\xfd\xff\xff\xff", 16), ReadBytes(L"x.review"));
    std::vector<ReviewEntry> read = ReadSchedule(L"x.review", 4);  // two records added since
    ASSERT_EQ(4u, read.size());
    EXPECT_EQ(300, read[0].due);
    EXPECT_EQ(-3, read[1].due);
    EXPECT_EQ(1, read[2].box);
    EXPECT_EQ(0, read[3].due);
    EXPECT_EQ(1u, ReadSchedule(L"x.review", 1).size()) << "records past the list are dropped";
    EXPECT_EQ(2u, ReadSchedule(L"missing.review", 2).size());
    EXPECT_TRUE(ReadSchedule(L"x.review", -5).empty());

    // Boxes out of range clamp, a torn last record counts as missing.
    WriteBytes(L"bad.review", std::string("\x09\0\0\0\x05\0\0\0\xff\xff\xff\xff\x05\0\0\0\x03\0\0", 19));
    read = ReadSchedule(L"bad.review", 3);
    EXPECT_EQ(5, read[0].box);
    EXPECT_EQ(1, read[1].box);
    EXPECT_EQ(1, read[2].box);
    EXPECT_EQ(0, read[2].due);

    // A schedule that can't be replaced stays as it was, with no temporary left.
    HANDLE held = CreateFileW(L"x.review", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(WriteSchedule(L"x.review", {{1, 1}}));
    CloseHandle(held);
    EXPECT_EQ(16u, ReadBytes(L"x.review").size());
    std::vector<std::wstring> files = FilesIn(L".");
    std::sort(files.begin(), files.end());
    EXPECT_EQ(std::vector<std::wstring>({L"bad.review", L"x.review"}), files);
    EXPECT_TRUE(CompactSchedule(L"none.review", {true, false})) << "no schedule, nothing to follow";
    EXPECT_FALSE(FileExists(L"none.review"));
}

TEST_F(Review, HistoryIsReadableTextOneLineARun)
{
    EXPECT_EQ(L"lists\\a\\fra_eng.history", HistoryPath(L"lists\\a\\fra_eng.ls"));
    EXPECT_EQ(L"lists\\a.b\\fra_eng.review", SchedulePath(L"lists\\a.b\\fra_eng.ls"));
    EXPECT_EQ(L"lists\\a.b\\list.score", ScorePath(L"lists\\a.b\\list"));
    EXPECT_TRUE(ReadHistory(L"h.history").empty());
    ASSERT_TRUE(AppendHistory(L"h.history", {L"2026-12-09 14:05:31", L"typed", 20, 3, 1}));
    ASSERT_TRUE(AppendHistory(L"h.history", {L"2026-12-10 08:00:00", L"review", 4, 0, 0}));
    EXPECT_EQ("when,mode,asked,errors,skips\r\n2026-12-09 14:05:31,typed,20,3,1\r\n"
              "2026-12-10 08:00:00,review,4,0,0\r\n",
              ReadBytes(L"h.history"));
    // Damaged lines are skipped; a last line without its end still gets one.
    WriteBytes(L"h.history", ReadBytes(L"h.history") + "garbage\r\n2026-12-11 09:00:00,typed,-1,0,0\r\n"
                                                      "2026-12-11 09:00:00,typed,5,x,0\r\n2026-12-12 10:00:00,typed,7,1,2");
    ASSERT_TRUE(AppendHistory(L"h.history", {NowText(), L"typed", 1, 0, 0}));
    std::vector<HistoryLine> lines = ReadHistory(L"h.history");
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(L"review", lines[1].mode);
    EXPECT_EQ(7, lines[2].asked);
    EXPECT_EQ(2, lines[2].skips);
    EXPECT_EQ(19u, lines[3].when.size());
    EXPECT_EQ(DayText(Today()), lines[3].when.substr(0, 10));
}

} // namespace
