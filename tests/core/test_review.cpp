#include "core/review.h"
#include "core/scores.h"
#include "tests/support/testutil.h"
#include "core/fileutil.h"
#include <algorithm>
#include <climits>

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
    EXPECT_EQ(today + 1, e.due) << "a miss comes back tomorrow, never promoted the same day";

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

// Any day an int holds has its date, and the date gives the day back.
TEST(ReviewDays, NoDayOverflows)
{
    for (int day : {INT_MIN, -730425, INT_MAX - 730425, INT_MAX}) {
        std::wstring text = DayText(day);
        size_t dash = text.size() - 6;  // before the month
        EXPECT_EQ(day, DayNumber(_wtoi(text.substr(0, dash).c_str()), _wtoi(text.substr(dash + 1, 2).c_str()),
                                 _wtoi(text.substr(dash + 4).c_str())))
            << Narrow(text);
    }
}

// A due day beyond the longest wait is damage; long overdue is just due.
TEST_F(Review, DueDaysReadAreNoLaterThanTheLongestWait)
{
    const struct {
        int today, stored, read;
    } cases[] = {{9000, 9016, 9016}, {9000, 9017, 9016}, {9000, INT_MAX, 9016}, {9000, INT_MIN, INT_MIN},
                 {INT_MAX - 3, INT_MAX, INT_MAX}};
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteSchedule(L"x.review", {{3, c.stored}}));
        EXPECT_EQ(c.read, ReadSchedule(L"x.review", 1, c.today)[0].due) << c.stored;
    }
}

// Only a missing or empty history starts anew; one that can't be read, or is
// no history, is left as it is.
TEST_F(Review, AHistoryIsAddedToOnlyWhenItIsOne)
{
    const std::string header = "when,mode,asked,errors,skips\r\n", bom = "\xEF\xBB\xBF";
    const std::string line = "2026-12-09 14:05:31,typed,20,3,1\r\n", other = "name,phone\r\nJan,123\r\n";
    const struct {
        const char* what;
        bool exists, held;
        std::string before;
        bool damaged;
        std::string after;  // "" : left as it was
    } cases[] = {
        {"missing", false, false, "", false, header + line}, {"empty", true, false, "", false, header + line},
        {"an editor's BOM", true, false, bom + header, false, bom + header + line},
        {"another file", true, false, other, true, ""}, {"the header later", true, false, "x\r\n" + header, true, ""},
        {"unreadable", true, true, header, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(L"h.history");
        if (c.exists)
            WriteBytes(L"h.history", c.before);
        HANDLE held = c.held ? CreateFileW(L"h.history", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) : nullptr;
        bool damaged = !c.damaged;
        EXPECT_EQ(!c.after.empty(), AppendHistory(L"h.history", {L"2026-12-09 14:05:31", L"typed", 20, 3, 1}, &damaged));
        if (held)
            CloseHandle(held);
        EXPECT_EQ(c.damaged, damaged);
        EXPECT_EQ(c.after.empty() ? c.before : c.after, ReadBytes(L"h.history"));
    }
}

// Around a list's rewrite the schedule steps aside, then comes back (whole or
// compacted) or goes: it never stays where other records would read it.
TEST_F(Review, AScheduleStepsAsideWhileItsListIsRewritten)
{
    ASSERT_TRUE(WriteSchedule(L"three", {{2, 10}, {3, 11}, {4, 12}}));
    const std::string three = ReadBytes(L"three"), compacted = three.substr(0, 8) + three.substr(16);
    DeleteFileW(L"three");
    const std::vector<bool> keep{true, false, true};
    enum After { Back, Compacted, Gone };
    const struct {
        const char* what;
        bool leftover;
        long failAt;  // the step of the whole that fails; 0: none
        After after;
        bool done;
        std::string result;  // "": no schedule
    } cases[] = {
        {"list unchanged", true, 0, Back, true, three},  // an old leftover goes first
        {"list compacted", false, 0, Compacted, true, compacted},
        {"list refilled", false, 0, Gone, true, ""},
        {"can't be moved", false, 1, Back, false, three},
        {"compaction fails", false, 2, Compacted, false, ""},
        {"can't come back", false, 6, Compacted, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(L"l.review", three);
        if (c.leftover)
            WriteBytes(L"l.review.old", "stale");
        InjectFileFault(c.failAt);
        bool done = SetScheduleAside(L"l.review");
        EXPECT_EQ(done, !FileExists(L"l.review"));
        if (done && c.after == Gone)
            DropAsideSchedule(L"l.review");
        else if (done)  // when it can't step aside, the list isn't touched
            done = PutScheduleBack(L"l.review", c.after == Compacted ? &keep : nullptr);
        InjectFileFault(0);
        EXPECT_EQ(c.done, done);
        EXPECT_EQ(c.result, ReadBytes(L"l.review"));
        EXPECT_EQ(c.result.empty() ? 0u : 1u, FilesIn(L".").size());
        DeleteFileW(L"l.review");
    }
}

} // namespace
