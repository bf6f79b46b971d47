// Start-up time of a program: from CreateProcess until a visible top-level
// window of the new process exists; then the window is closed and the process
// waited for. Two programs are measured in turns (which one goes first
// alternates), each in its own folder, within one Wine server's life.
//   bench_startup RUNS WARMUPS OURS.exe ANCHOR.exe
// Prints each run on stderr and the best and median of both on stdout.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

static double Now()
{
    static LARGE_INTEGER freq;
    if (!freq.QuadPart)
        QueryPerformanceFrequency(&freq);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(freq.QuadPart);
}

struct Search {
    DWORD pid;
    HWND found;
};

static BOOL CALLBACK FindShown(HWND hwnd, LPARAM lp)
{
    auto* search = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Seconds until the window showed; a negative figure when it never did.
static double TimeStart(const std::wstring& exe)
{
    std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/"));
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    double start = Now();
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return -1;
    Search search{pi.dwProcessId, nullptr};
    double shown = -1;
    while (Now() - start < 60) {
        EnumWindows(FindShown, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            shown = Now() - start;
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0)
            break;  // ended without a window
        Sleep(1);
    }
    if (search.found)
        PostMessageW(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
        shown = -1;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return shown;
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: bench_startup RUNS WARMUPS OURS.exe ANCHOR.exe\n");
        return 2;
    }
    int runs = _wtoi(argv[1]), warmups = _wtoi(argv[2]);
    const std::wstring exes[2] = {argv[3], argv[4]};
    std::vector<double> times[2];
    for (int i = -warmups; i < runs; ++i) {
        for (int k = 0; k < 2; ++k) {
            int side = (i + k) % 2 == 0 ? 0 : 1;  // alternates which goes first
            if (i < 0)
                side = k;
            double t = TimeStart(exes[side]);
            if (t < 0) {
                fprintf(stderr, "%ls showed no window\n", exes[side].c_str());
                return 1;
            }
            if (i >= 0) {
                times[side].push_back(t);
                fprintf(stderr, "run %d %s %.4f\n", i, side == 0 ? "ours" : "anchor", t);
            }
        }
    }
    printf("ours_best=%.4f ours_median=%.4f anchor_best=%.4f anchor_median=%.4f\n",
           *std::min_element(times[0].begin(), times[0].end()), Median(times[0]),
           *std::min_element(times[1].begin(), times[1].end()), Median(times[1]));
    return 0;
}
