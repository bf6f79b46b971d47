#include "core/review.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include <windows.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cwchar>

static const int kEntryBytes = 8;
static const char kHistoryHeader[] = "when,mode,asked,errors,skips\r\n";

// Days from 0000-03-01 (proleptic Gregorian), so that leap days fall last.
// Wide enough for any year an int holds.
static long long DaysFromCivil(long long y, int m, int d)
{
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yoe = y - era * 400;
    long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

int DayNumber(int year, int month, int day)
{
    long long days = DaysFromCivil(year, month, day) - DaysFromCivil(2000, 1, 1);
    return static_cast<int>(std::clamp<long long>(days, INT_MIN, INT_MAX));
}

int Today()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DayNumber(now.wYear, now.wMonth, now.wDay);
}

std::wstring DayText(int day)
{
    long long z = day + DaysFromCivil(2000, 1, 1);
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    long long y = yoe + era * 400 + (m <= 2);
    wchar_t text[32];  // an int's days reach some six million years
    swprintf(text, 32, L"%04d-%02d-%02d", static_cast<int>(y), m, d);
    return text;
}

int BoxInterval(int box)
{
    box = std::clamp(box, kFirstBox, kLastBox);
    return 1 << (box - 1);
}

std::wstring ListSiblingPath(const std::wstring& listPath, const wchar_t* extension)
{
    std::wstring path = listPath;
    size_t dot = path.rfind(L'.');
    size_t slash = path.find_last_of(L"\\/");
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash))
        path.resize(dot);
    return path + extension;
}

std::wstring SchedulePath(const std::wstring& listPath) { return ListSiblingPath(listPath, L".review"); }
std::wstring HistoryPath(const std::wstring& listPath) { return ListSiblingPath(listPath, L".history"); }

static int32_t ReadInt32(const unsigned char* p)
{
    return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

static void PutInt32(unsigned char* p, int32_t v)
{
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(u >> (8 * i));
}

std::vector<ReviewEntry> ReadSchedule(const std::wstring& path, int count, int today)
{
    // Nothing waits longer than the last box: a day beyond is damage.
    const int latest = today > INT_MAX - BoxInterval(kLastBox) ? INT_MAX : today + BoxInterval(kLastBox);
    std::vector<ReviewEntry> schedule(std::max(count, 0));
    UniqueFile f(_wfopen(path.c_str(), L"rb"));
    if (!f)
        return schedule;
    unsigned char raw[kEntryBytes];
    for (ReviewEntry& entry : schedule) {
        if (fread(raw, 1, kEntryBytes, f.get()) != kEntryBytes)
            break;  // a short file: the rest are new and due
        entry.box = std::clamp<int32_t>(ReadInt32(raw), kFirstBox, kLastBox);
        entry.due = std::min<int32_t>(ReadInt32(raw + 4), latest);
    }
    return schedule;
}

bool WriteSchedule(const std::wstring& path, const std::vector<ReviewEntry>& schedule)
{
    std::string bytes(schedule.size() * kEntryBytes, '\0');
    for (size_t i = 0; i < schedule.size(); ++i) {
        auto* p = reinterpret_cast<unsigned char*>(&bytes[i * kEntryBytes]);
        PutInt32(p, schedule[i].box);
        PutInt32(p + 4, schedule[i].due);
    }
    return ReplaceFileContents(path, bytes);
}

void ScheduleAnswer(ReviewEntry* entry, bool right, int today)
{
    if (right) {
        entry->box = std::min(std::clamp(entry->box, kFirstBox, kLastBox) + 1, kLastBox);
        entry->due = today + BoxInterval(entry->box);
    } else {
        // Not today again: a second run the same day would promote what was just missed.
        entry->box = kFirstBox;
        entry->due = today + 1;
    }
}

std::vector<int> DueRecords(const std::vector<ReviewEntry>& schedule, int today)
{
    std::vector<int> due;
    for (size_t i = 0; i < schedule.size(); ++i)
        if (schedule[i].due <= today)
            due.push_back(static_cast<int>(i));
    return due;
}

int NextDueDay(const std::vector<ReviewEntry>& schedule, int today)
{
    if (schedule.empty())
        return today;
    int next = schedule[0].due;
    for (const ReviewEntry& entry : schedule)
        next = std::min(next, entry.due);
    return next;
}

std::vector<int> BoxCounts(const std::vector<ReviewEntry>& schedule)
{
    std::vector<int> counts(kLastBox, 0);
    for (const ReviewEntry& entry : schedule)
        ++counts[std::clamp(entry.box, kFirstBox, kLastBox) - 1];
    return counts;
}

bool CompactSchedule(const std::wstring& path, const std::vector<bool>& keep)
{
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    std::vector<ReviewEntry> old = ReadSchedule(path, static_cast<int>(keep.size()));
    std::vector<ReviewEntry> kept;
    for (size_t i = 0; i < keep.size(); ++i)
        if (keep[i])
            kept.push_back(old[i]);
    return WriteSchedule(path, kept);
}

bool TrimSchedule(const std::wstring& path, int count)
{
    long long size = -1;
    {
        UniqueFile f(_wfopen(path.c_str(), L"rb"));
        if (f && _fseeki64(f.get(), 0, SEEK_END) == 0)
            size = _ftelli64(f.get());
    }
    if (size <= static_cast<long long>(std::max(count, 0)) * kEntryBytes)
        return true;
    return WriteSchedule(path, ReadSchedule(path, count));
}

static std::wstring AsidePath(const std::wstring& path) { return path + L".old"; }

static bool Missing(const std::wstring& path)
{
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool SetScheduleAside(const std::wstring& path)
{
    std::wstring aside = AsidePath(path);
    // A leftover of an earlier rewrite is no schedule of anything.
    if (!Missing(aside) && !RemoveFilePath(aside.c_str()))
        return false;
    return Missing(path) || RenamePath(path.c_str(), aside.c_str());
}

bool PutScheduleBack(const std::wstring& path, const std::vector<bool>* keep)
{
    std::wstring aside = AsidePath(path);
    if (Missing(aside))
        return true;
    if ((!keep || CompactSchedule(aside, *keep)) && RenamePath(aside.c_str(), path.c_str()))
        return true;
    // Left aside, it is no schedule: every record starts in box 1, none gets the boxes of others.
    if (keep)
        RemoveFilePath(aside.c_str());
    return false;
}

void DropAsideSchedule(const std::wstring& path)
{
    std::wstring aside = AsidePath(path);
    if (!Missing(aside))
        RemoveFilePath(aside.c_str());  // else the next rewrite removes it
}

// A whole non-negative number of the field, or -1.
static int FieldNumber(const std::wstring& field)
{
    if (field.empty() || field.size() > 9 || field.find_first_not_of(L"0123456789") != std::wstring::npos)
        return -1;
    return static_cast<int>(wcstol(field.c_str(), nullptr, 10));
}

static bool ParseHistoryLine(const std::string& line, HistoryLine* out)
{
    std::wstring text = WidenText(line, CP_UTF8);
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(L',', start);
        fields.push_back(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
        if (comma == std::wstring::npos)
            break;
        start = comma + 1;
    }
    if (fields.size() != 5 || fields[0].size() != 19 || fields[1].empty())
        return false;
    int asked = FieldNumber(fields[2]), errors = FieldNumber(fields[3]), skips = FieldNumber(fields[4]);
    if (asked < 0 || errors < 0 || skips < 0)
        return false;
    *out = {fields[0], fields[1], asked, errors, skips};
    return true;
}

std::vector<HistoryLine> ReadHistory(const std::wstring& path)
{
    std::vector<HistoryLine> lines;
    UniqueFile f(_wfopen(path.c_str(), L"rb"));
    std::string line;
    HistoryLine parsed;
    while (f && ReadTextLine(f.get(), line))
        if (ParseHistoryLine(line, &parsed))
            lines.push_back(parsed);
    return lines;
}

// Ours when it opens with the header (a BOM before it is an editor's).
static bool IsHistory(const std::string& bytes)
{
    size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const std::string header(kHistoryHeader, sizeof kHistoryHeader - 3);  // without its line end
    size_t end = bytes.find('\n', start);
    std::string first = bytes.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!first.empty() && first.back() == '\r')
        first.pop_back();
    return first == header;
}

bool AppendHistory(const std::wstring& path, const HistoryLine& line, bool* damaged)
{
    if (damaged)
        *damaged = false;
    std::string bytes;
    {
        UniqueFile f(_wfopen(path.c_str(), L"rb"));
        if (!f && errno != ENOENT)
            return false;  // there but unreadable: never replaced by a new one
        if (f) {
            char buffer[65536];
            size_t n;
            while ((n = fread(buffer, 1, sizeof buffer, f.get())) > 0)
                bytes.append(buffer, n);
            if (ferror(f.get()))
                return false;
        }
    }
    if (bytes.empty()) {
        bytes = kHistoryHeader;  // missing, or empty: nothing to keep
    } else if (!IsHistory(bytes)) {
        if (damaged)
            *damaged = true;
        return false;
    } else if (bytes.back() != '\n') {
        bytes += "\r\n";
    }
    wchar_t numbers[64];
    swprintf(numbers, 64, L",%d,%d,%d\r\n", line.asked, line.errors, line.skips);
    bytes += NarrowText(line.when + L"," + line.mode + numbers, CP_UTF8);
    return ReplaceFileContents(path, bytes);
}

static bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The two digits at text[at], within low to high; -1 otherwise.
static int TwoDigits(const std::wstring& text, size_t at, int low, int high)
{
    int value = (text[at] - L'0') * 10 + (text[at + 1] - L'0');
    return value >= low && value <= high ? value : -1;
}

bool HistorySeconds(const std::wstring& when, long long* seconds)
{
    static const wchar_t kShape[] = L"dddd-dd-dd dd:dd:dd";
    if (when.size() != 19)
        return false;
    for (size_t i = 0; i < when.size(); ++i)
        if (kShape[i] == L'd' ? !IsDigit(when[i]) : when[i] != kShape[i])
            return false;
    int year = _wtoi(when.substr(0, 4).c_str());
    int month = TwoDigits(when, 5, 1, 12), day = TwoDigits(when, 8, 1, 31);
    int hour = TwoDigits(when, 11, 0, 23), minute = TwoDigits(when, 14, 0, 59), second = TwoDigits(when, 17, 0, 59);
    if (month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return false;
    int dayNumber = DayNumber(year, month, day);
    if (DayText(dayNumber) != when.substr(0, 10))
        return false;  // 31 April and the like
    *seconds = ((static_cast<long long>(dayNumber) * 24 + hour) * 60 + minute) * 60 + second;
    return true;
}

std::wstring NowText()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    return text;
}
