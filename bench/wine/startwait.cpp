// Times the start of dialog programs: from the moment it starts a program to the moment that
// program's dialog is visible. The dialog is then closed (WM_CLOSE, which a dialog takes as
// Cancel) and the program's end awaited before the next start, so runs never overlap. The programs
// take turns, one warm-up start of each is not counted, and each program's median is printed
// with the ratio of the first program's median to each other's (and of their fastest starts).
//
//   startwait RUNS PROGRAM [PROGRAM ...]
//
// Exit codes: 0 done, 2 bad arguments, 3 a program did not start, 4 no dialog appeared in
// 20 s, 5 a program did not end within 20 s of its dialog being closed.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr int kPromptId = 1001;

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lParam) {
    auto* s = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    // A dialog with the prompt control: a message box (the uninstaller's warning when it finds
    // no product) is a dialog too, but has none.
    if (std::string(cls) != "#32770" || GetDlgItem(hwnd, kPromptId) == nullptr) return TRUE;
    s->found = hwnd;
    return FALSE;
}

double Ms(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER freq) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(freq.QuadPart);
}

// One start: the time to the visible dialog in ms; on failure -1, with failure set to the exit
// code. caption, when given, receives the dialog's caption.
double StartOnce(const std::string& program, int& failure, std::string* caption = nullptr) {
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string commandLine = "\"" + program + "\"";
    QueryPerformanceCounter(&t0);
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
        std::fprintf(stderr, "startwait: cannot start %s (error %lu)\n", program.c_str(),
                     GetLastError());
        failure = 3;
        return -1;
    }
    Search s{pi.dwProcessId, nullptr};
    for (;;) {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&s));
        QueryPerformanceCounter(&t1);
        if (s.found != nullptr) break;
        if (Ms(t0, t1, freq) > kTimeoutMs || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            std::fprintf(stderr, "startwait: no dialog from %s\n", program.c_str());
            TerminateProcess(pi.hProcess, 1);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
            failure = 4;
            return -1;
        }
        Sleep(1);
    }
    const double ms = Ms(t0, t1, freq);
    if (caption != nullptr) {
        char text[256] = {};
        GetWindowTextA(s.found, text, sizeof text);
        *caption = text;
    }
    PostMessageA(s.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "startwait: %s did not end\n", program.c_str());
        TerminateProcess(pi.hProcess, 1);
        failure = 5;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return failure == 0 ? ms : -1;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string BaseName(const std::string& path) {
    const std::size_t at = path.find_last_of("\\/");
    return at == std::string::npos ? path : path.substr(at + 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startwait RUNS PROGRAM [PROGRAM ...]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    if (runs < 1) return 2;
    std::vector<std::string> programs(argv + 2, argv + argc);
    std::vector<std::vector<double>> times(programs.size());
    int failure = 0;
    for (const std::string& p : programs) {
        std::string caption;
        const double ms = StartOnce(p, failure, &caption);  // warm-up, not counted
        if (failure != 0) return failure;
        std::printf("warm-up: %s showed \"%s\" after %.1f ms\n", BaseName(p).c_str(),
                    caption.c_str(), ms);
    }
    for (int r = 1; r <= runs; ++r) {
        for (std::size_t i = 0; i < programs.size(); ++i) {
            const double ms = StartOnce(programs[i], failure);
            if (failure != 0) return failure;
            times[i].push_back(ms);
            std::printf("run %d: %s %.1f ms\n", r, BaseName(programs[i]).c_str(), ms);
        }
    }
    const double first = Median(times[0]);
    const double firstFastest = *std::min_element(times[0].begin(), times[0].end());
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const auto [lo, hi] = std::minmax_element(times[i].begin(), times[i].end());
        std::printf("median %s %.1f ms (min %.1f, max %.1f, %d runs)\n",
                    BaseName(programs[i]).c_str(), Median(times[i]), *lo, *hi, runs);
    }
    for (std::size_t i = 1; i < programs.size(); ++i) {
        // The fastest starts are the least disturbed by whatever else the machine runs.
        const double fastest = *std::min_element(times[i].begin(), times[i].end());
        std::printf("ratio %s / %s %.2f (of the fastest starts %.2f)\n",
                    BaseName(programs[0]).c_str(), BaseName(programs[i]).c_str(),
                    first / Median(times[i]), firstFastest / fastest);
    }
    std::fflush(stdout);
    return 0;
}
