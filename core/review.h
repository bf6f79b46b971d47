// Spaced review of a practice list, and the history of its finished runs.
//
// The schedule is a file beside the list file (".review" for ".ls"): one
// 8-byte record per list record, in the list's order: the box (1 to 5) and
// the day it is due (days since 2000-01-01), each a little-endian 32-bit
// integer. A list record without a schedule record is in box 1 and due.
//
// The history is a UTF-8 text file beside it (".history"): a header line,
// then one line per finished run:
//   2026-12-09 14:05:31,typed,20,3,1
// date and time (local), mode ("typed" or "review"), records asked, errors, skips.
#pragma once
#include <string>
#include <vector>

constexpr int kFirstBox = 1;
constexpr int kLastBox = 5;

struct ReviewEntry {
    int box = kFirstBox;
    int due = 0;  // days since 2000-01-01
};

// Days since 2000-01-01 of a date, and of today (local time).
int DayNumber(int year, int month, int day);
int Today();
// "yyyy-mm-dd" of a day number.
std::wstring DayText(int day);
// Days a record waits after reaching box (1, 2, 4, 8 and 16 for boxes 1 to 5).
int BoxInterval(int box);

// The list file's path with another extension in place of its ".ls".
std::wstring ListSiblingPath(const std::wstring& listPath, const wchar_t* extension);
std::wstring SchedulePath(const std::wstring& listPath);
std::wstring HistoryPath(const std::wstring& listPath);

// The schedule of a list of count records: missing or short files give due
// records in box 1, out-of-range boxes are clamped, due days no later than
// today plus the last box's interval, records past count dropped.
std::vector<ReviewEntry> ReadSchedule(const std::wstring& path, int count, int today = Today());
// Temporary file, flush, atomic replace; false (old file intact) on failure.
bool WriteSchedule(const std::wstring& path, const std::vector<ReviewEntry>& schedule);
// A right answer without Show moves the record up one box, due after that
// box's interval; a wrong answer or a skip puts it back in box 1, due tomorrow.
void ScheduleAnswer(ReviewEntry* entry, bool right, int today);
// The indices of the records due on or before today.
std::vector<int> DueRecords(const std::vector<ReviewEntry>& schedule, int today);
// The earliest due day of the schedule (today when it is empty).
int NextDueDay(const std::vector<ReviewEntry>& schedule, int today);
// Records per box, [0] for box 1.
std::vector<int> BoxCounts(const std::vector<ReviewEntry>& schedule);

// Keeps the schedule in step with a list that dropped records: keep[i] says
// whether list record i stays; the kept ones keep their order. The file is
// rewritten only when it exists. False when the rewrite fails.
bool CompactSchedule(const std::wstring& path, const std::vector<bool>& keep);
// Before a record is appended to a list of count records: entries past count
// belong to no record (the list was cut behind the schedule's back) and would
// give the new one another's box, so they go. The file is rewritten only then;
// false when that rewrite fails.
bool TrimSchedule(const std::wstring& path, int count);

// Around a rewrite of a list, so that its schedule is never read for other
// records. Before: the schedule is moved aside; false (schedule in place, the
// list not to be touched) when it can't be. After: it comes back when the list
// kept its records (keep: those marked stay, in order; none: all), false when
// it can't (the records then start in box 1); it goes when the list holds
// other records now.
bool SetScheduleAside(const std::wstring& path);
bool PutScheduleBack(const std::wstring& path, const std::vector<bool>* keep = nullptr);
void DropAsideSchedule(const std::wstring& path);

struct HistoryLine {
    std::wstring when;  // "yyyy-mm-dd hh:mm:ss"
    std::wstring mode;  // "typed" or "review"
    int asked = 0, errors = 0, skips = 0;
};

// The lines that parse; damaged lines are skipped.
std::vector<HistoryLine> ReadHistory(const std::wstring& path);
// Appends one line through a temporary file that replaces the old one. A
// missing or empty file starts with the header; one that can't be read, or
// doesn't start with the header (*damaged), is left as it is. False (old
// file intact) on any failure.
bool AppendHistory(const std::wstring& path, const HistoryLine& line, bool* damaged = nullptr);
// Seconds since 2000-01-01 00:00:00 of a line's "when"; false when it is no
// real date and time.
bool HistorySeconds(const std::wstring& when, long long* seconds);
// Now, as a history line's "when".
std::wstring NowText();
