// The windows that page through the word book, on a book of a million records
// against an empty one: each window opened from the main window, moved about
// (lines, pages, its end and start, type-ahead lookups) and closed, in process,
// as the window tests drive them. Memory comes from the process counters
// before and during the window, time from the performance counter.
//   bench_scale gen WORDS RECORDS SEED   a small installation in the current
//                                        directory; its francais-english book
//                                        holds RECORDS words (0: empty), sorted
//   bench_scale run WINDOW               search, listmaker, record or addwords
//                                        in that installation; prints its figures
#include "entry/addwords.h"
#include "lists/listmaker.h"
#include "record/recordwindow.h"
#include "search/searchwindow.h"
#include "shell/app.h"
#include "shell/mainwindow.h"
#include "core/codepage.h"
#include "core/collate.h"
#include "core/fileutil.h"
#include "core/records.h"
#include "core/report.h"
#include "core/session.h"
#include "core/sortbook.h"
#include "core/uistrings.h"
#include "core/usersettings.h"
#include "kit/fieldkeys.h"
#include "tests/support/install.h"
#include "tests/support/screenshot.h"
#include "tests/support/testutil.h"
#include "bench/benchrandom.h"
#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

static const wchar_t* const kBookPath = L"books\\francais_english.wb";

// --- the installation ---

static std::vector<std::wstring> ReadWords(const wchar_t* path)
{
    std::vector<std::wstring> words;
    UniqueFile f(_wfopen(path, L"rb"));
    if (!f)
        return words;
    std::string line;
    while (ReadTextLine(f.get(), line)) {
        std::wstring wide = WidenText(line, CP_UTF8);
        if (!wide.empty() && wide.size() < kSourceChars && FitsCodePage(wide.c_str(), 1252) &&
            wide.find(L'\t') == std::wstring::npos)
            words.push_back(wide);
    }
    return words;
}

static int Generate(const wchar_t* wordsPath, long records, uint32_t seed)
{
    MakeSmallInstallation();
    MakeDir(L"lists\\bench");  // the list maker wants a list to fill
    if (records <= 0) {
        WriteBytes(kBookPath, "");
        return 0;
    }
    g_benchRandom = seed;
    Collation c;
    c.codePage = 1252;
    c.useTable = ReadSortTableFile(L"tables\\francais.stb", c.table);
    std::vector<std::wstring> words = ReadWords(wordsPath);
    if (!c.useTable || words.empty())
        return 1;
    // The program's own sort and rewrite: the book is ordered as its lookups expect.
    OverrideString(Txt_FilenameTempLanguage, L"book.tmp");
    WordBook book;
    if (!OpenWordBook(&book, kBookPath, 1252, 1252, true))
        return 1;
    RecordArray all;
    all.pool.resize(static_cast<size_t>(records));
    for (WideRecord& r : all.pool) {
        wcsncpy(r.source, words[Next() % words.size()].c_str(), kSourceChars - 1);
        wcsncpy(r.translation, words[Next() % words.size()].c_str(), kTranslationChars - 1);
        all.order.push_back(&r);
    }
    SortRecords(all, c, {});
    int result = WriteAllRecords(&book, all, {});
    printf("words=%zu records=%d result=%d\n", words.size(), book.count, result);
    return result == 0 && book.count == records ? 0 : 1;
}

// --- measuring ---

static double Now()
{
    static LARGE_INTEGER freq;
    if (!freq.QuadPart)
        QueryPerformanceFrequency(&freq);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(freq.QuadPart);
}

struct Memory {
    double workingSet = 0, peakWorkingSet = 0, privateBytes = 0;  // MB
};

static Memory Sample()
{
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    const double mb = 1024.0 * 1024.0;
    return {pmc.WorkingSetSize / mb, pmc.PeakWorkingSetSize / mb,
            std::max(pmc.PrivateUsage, pmc.PagefileUsage) / mb};
}

// The largest figures seen while a window is open.
static Memory g_during;
static void Watch()
{
    Memory m = Sample();
    g_during.workingSet = std::max(g_during.workingSet, m.workingSet);
    g_during.peakWorkingSet = std::max(g_during.peakWorkingSet, m.peakWorkingSet);
    g_during.privateBytes = std::max(g_during.privateBytes, m.privateBytes);
}

// --- driving the windows ---

struct Driver {
    UINT command;          // the main window's command that opens it
    const wchar_t* cls;
    int scroll;            // its scroll bar over the word book
    int search;            // its type-ahead field (the word field of add-words)
    int done;              // its closing button
};

static HWND g_window;
static HWND Item(int id) { return GetDlgItem(g_window, id); }

static void Scroll(int bar, int code, int pos = 0)
{
    SendMessageW(g_window, WM_VSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(Item(bar)));
}

// The thumb dropped at a place: a large range is read back from the bar.
static void Thumb(int bar, bool toEnd)
{
    int low = 0, high = 0;
    GetScrollRange(Item(bar), SB_CTL, &low, &high);
    int place = toEnd ? high : low;
    SetScrollPos(Item(bar), SB_CTL, place, FALSE);
    Scroll(bar, SB_THUMBPOSITION, std::min(place, 0xFFFF));
}

// A word typed as the keyboard would, each key released.
static void Type(HWND field, const std::wstring& text)
{
    for (wchar_t ch : text) {
        SendMessageW(field, WM_CHAR, ch, 1);
        SHORT vk = VkKeyScanW(ch);
        SendMessageW(field, WM_KEYUP, vk == -1 ? 'X' : LOBYTE(vk), 0xC0000001);
    }
}

static void Key(HWND field, UINT key)
{
    SendMessageW(field, WM_KEYDOWN, key, 1);
    SendMessageW(field, WM_KEYUP, key, 0xC0000001);
}

// Words of the book to type: read from its file at spread places.
static std::vector<std::wstring> WordsToType(int n)
{
    std::vector<std::wstring> words;
    WordBook book;
    if (!OpenWordBook(&book, kBookPath, 1252, 1252))
        return words;
    g_benchRandom = 5;
    for (int i = 0; i < n && book.count > 0; ++i) {
        WideRecord r{};
        if (ReadRecord(book, static_cast<int>(Next() % static_cast<uint32_t>(book.count)), &r) == 0)
            words.push_back(r.source);
    }
    while (static_cast<int>(words.size()) < n)
        words.push_back(L"maison");
    return words;
}

// The moves a user makes through the book; the memory is looked at between them.
static void Move(const Driver& d, const std::vector<std::wstring>& words)
{
    for (int i = 0; i < 200; ++i)
        Scroll(d.scroll, SB_LINEDOWN);
    Watch();
    for (int i = 0; i < 100; ++i)
        Scroll(d.scroll, SB_PAGEDOWN);
    Watch();
    Thumb(d.scroll, true);
    for (int i = 0; i < 50; ++i)
        Scroll(d.scroll, SB_PAGEUP);
    for (int i = 0; i < 50; ++i)
        Scroll(d.scroll, SB_LINEUP);
    Watch();
    Thumb(d.scroll, false);
    HWND field = Item(d.search);
    for (int i = 0; i < 100; ++i)
        Key(field, VK_DOWN);
    Watch();
    for (const std::wstring& word : words) {
        SetFocus(field);
        Type(field, word);
        Key(field, VK_RETURN);
        SetWindowTextW(field, L"");
    }
    PumpMessages();
    Watch();
}

static int RunWindow(const wchar_t* name)
{
    static const Driver kDrivers[] = {
        {CmdSearch, L"zoeken", IdScroll, IdSearch, IdDone},
        {CmdMakeList, L"lijst", LmBookBar, LmSearch, LmDone},
        {CmdRecord, L"record", RecScroll, RecSearch, RecExit},
        {CmdAdd, L"toevoeg", 0, AddIdWord, AddIdDone},
    };
    static const wchar_t* const kNames[] = {L"search", L"listmaker", L"record", L"addwords"};
    int which = -1;
    for (int i = 0; i < 4; ++i)
        if (wcscmp(name, kNames[i]) == 0)
            which = i;
    if (which < 0)
        return 2;
    const Driver& d = kDrivers[which];
    std::vector<std::wstring> words = WordsToType(40);

    MessageCapture capture;  // a box would wait for a user
    RemoveSettingsFile();
    WriteProfileStringW(L"Dictionary", nullptr, nullptr);
    g_instance = GetModuleHandleW(nullptr);
    if (!StartWordbook(""))
        return 1;
    ShowWindow(g_mainWindow, SW_SHOW);
    PumpMessages();
    int records = g_session.book.count;
    Memory before = Sample();

    double t0 = Now();
    SendMessageW(g_mainWindow, WM_COMMAND, d.command, 0);
    PumpMessages();
    g_window = FindWindowW(d.cls, nullptr);
    double t1 = Now();
    if (!g_window) {
        fprintf(stderr, "the %ls window did not open\n", name);
        return 1;
    }
    Watch();
    if (d.scroll)
        Move(d, words);
    else  // add-words has no bar: lookups while typing, nothing stored
        for (const std::wstring& word : words) {
            Type(Item(d.search), word);
            SetWindowTextW(Item(d.search), L"");
        }
    PumpMessages();
    Watch();
    double t2 = Now();
    SendMessageW(g_window, WM_COMMAND, MAKEWPARAM(d.done, BN_CLICKED), reinterpret_cast<LPARAM>(Item(d.done)));
    PumpMessages();
    double t3 = Now();
    Memory after = Sample();
    bool closed = !IsWindow(g_window);
    // What the moves' reads alone cost: as many random record reads as a
    // lookup and a page of rows make, a thousand times.
    g_benchRandom = 9;
    double r0 = Now();
    for (int i = 0; i < 30000 && records > 0; ++i)
        ReadWordRecord(static_cast<int>(Next() % static_cast<uint32_t>(records)));
    double reads = Now() - r0;
    DestroyWindow(g_mainWindow);
    PumpMessages();
    RemoveSettingsFile();
    WriteProfileStringW(L"Dictionary", nullptr, nullptr);
    printf("window=%ls records=%d open=%.6f moves=%.6f close=%.6f seconds=%.6f "
           "reads_30k=%.6f ws_before=%.2f ws_during=%.2f ws_peak=%.2f private_before=%.2f private_during=%.2f "
           "boxes=%zu closed=%d\n",
           name, records, t1 - t0, t2 - t1, t3 - t2, t3 - t0, reads, before.workingSet, g_during.workingSet,
           std::max(after.peakWorkingSet, g_during.peakWorkingSet), before.privateBytes, g_during.privateBytes,
           capture.messages().size(), closed ? 1 : 0);
    return closed ? 0 : 1;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc == 5 && wcscmp(argv[1], L"gen") == 0)
        return Generate(argv[2], wcstol(argv[3], nullptr, 10), static_cast<uint32_t>(wcstoul(argv[4], nullptr, 10)));
    if (argc == 3 && wcscmp(argv[1], L"run") == 0)
        return RunWindow(argv[2]);
    fprintf(stderr, "usage: bench_scale gen WORDS RECORDS SEED | run search|listmaker|record|addwords\n");
    return 2;
}
