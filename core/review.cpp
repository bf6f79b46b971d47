#include "core/review.h"
#include "core/codepage.h"
#include "core/fileutil.h"
#include <windows.h>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cwchar>

static const int kEntryBytes = 8;
static const char kHistoryHeader[] = "when,mode,asked,errors,skips\r\n";

// Days from 0000-03-01 (proleptic Gregorian), so that leap days fall last.
static long DaysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

int DayNumber(int year, int month, int day)
{
    return static_cast<int>(DaysFromCivil(year, month, day) - DaysFromCivil(2000, 1, 1));
}

int Today()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DayNumber(now.wYear, now.wMonth, now.wDay);
}

std::wstring DayText(int day)
{
    long z = day + DaysFromCivil(2000, 1, 1);
    long era = (z >= 0 ? z : z - 146096) / 146097;
    long doe = z - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    long y = yoe + era * 400 + (m <= 2);
    wchar_t text[32];
    swprintf(text, 32, L"%04ld-%02d-%02d", y, m, d);
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

std::vector<ReviewEntry> ReadSchedule(const std::wstring& path, int count)
{
    std::vector<ReviewEntry> schedule(std::max(count, 0));
    UniqueFile f(_wfopen(path.c_str(), L"rb"));
    if (!f)
        return schedule;
    unsigned char raw[kEntryBytes];
    for (ReviewEntry& entry : schedule) {
        if (fread(raw, 1, kEntryBytes, f.get()) != kEntryBytes)
            break;  // a short file: the rest are new and due
        entry.box = std::clamp<int32_t>(ReadInt32(raw), kFirstBox, kLastBox);
        entry.due = ReadInt32(raw + 4);
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
        entry->box = kFirstBox;
        entry->due = today;
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

bool RemoveSchedule(const std::wstring& path)
{
    return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
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

bool AppendHistory(const std::wstring& path, const HistoryLine& line)
{
    std::string bytes;
    {
        UniqueFile f(_wfopen(path.c_str(), L"rb"));
        if (f) {
            char buffer[65536];
            size_t n;
            while ((n = fread(buffer, 1, sizeof buffer, f.get())) > 0)
                bytes.append(buffer, n);
            if (ferror(f.get()))
                return false;  // unreadable: never replaced by a shorter file
        }
    }
    if (bytes.empty())
        bytes = kHistoryHeader;
    else if (bytes.back() != '\n')
        bytes += "\r\n";
    wchar_t numbers[64];
    swprintf(numbers, 64, L",%d,%d,%d\r\n", line.asked, line.errors, line.skips);
    bytes += NarrowText(line.when + L"," + line.mode + numbers, CP_UTF8);
    return ReplaceFileContents(path, bytes);
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
