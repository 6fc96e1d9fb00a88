// Starts a program the way a deployment tool does and reports what a person would not see: every
// window of it that became visible while it ran, and its real exit code (the shell sees only the
// code modulo 256 from wine). Every wait has a timeout.
//
//   launch EXIT_FILE PROGRAM [ARGUMENTS...]
//
// Prints "visible window CLASS|TITLE" once per window of the program or of a program it started
// (the 32-bit uninstaller hands its run to the 64-bit one, whose windows count too), then "exit
// CODE" and "elapsed MS" (from the start to the end of the program), and writes CODE to EXIT_FILE.
// Exit codes: 0 done, 2 the program could not be started (three tries), 3 it did not end in 50 s, 4
// bad arguments.
#define WIN32_LEAN_AND_MEAN
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <cstdio>
#include <set>
#include <string>

namespace {

struct Watch {
    std::set<DWORD> pids;  // the program and every process it started, once seen
    std::set<HWND> seen;
};

// Adds the processes whose parent is one of the watched ones; a child that has already ended is
// of no interest, since its windows went with it.
void WatchChildren(Watch& watch) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (watch.pids.count(entry.th32ParentProcessID) != 0)
            watch.pids.insert(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
}

BOOL CALLBACK Visit(HWND hwnd, LPARAM param) {
    auto* watch = reinterpret_cast<Watch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (watch->pids.count(pid) == 0 || !IsWindowVisible(hwnd) || !watch->seen.insert(hwnd).second)
        return TRUE;
    char cls[128] = "";
    char title[256] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    std::printf("visible window %s|%s\n", cls, title);
    std::fflush(stdout);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: launch EXIT_FILE PROGRAM [ARGUMENTS...]\n", stderr);
        return 4;
    }
    std::string commandLine = std::string("\"") + argv[2] + "\"";
    for (int i = 3; i < argc; ++i) commandLine += std::string(" ") + argv[i];
    LARGE_INTEGER frequency{}, begin{}, end{};
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // Wine's CreateProcess fails when the new process dies before its loader is done: once, on a
    // loaded machine, a sound exe that started in every other run was not started. None of the
    // program ran then, so it is started again, as a deployment tool's retry would; a program
    // that cannot start at all fails every try, and each failure is printed.
    for (int attempt = 1;; ++attempt) {
        QueryPerformanceCounter(&begin);
        if (CreateProcessA(argv[2], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &started))
            break;
        std::printf("not started, error %lu\n", GetLastError());
        std::fflush(stdout);
        if (attempt == 3) return 2;
        Sleep(1000);
    }
    Watch watch;
    watch.pids.insert(started.dwProcessId);
    DWORD waited = 0;
    while (WaitForSingleObject(started.hProcess, 20) == WAIT_TIMEOUT) {
        WatchChildren(watch);
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&watch));
        waited += 20;
        if (waited > 50000) {
            std::puts("still running after 50 s");
            return 3;
        }
    }
    QueryPerformanceCounter(&end);
    DWORD code = 0;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    std::printf("exit %lu\nelapsed %.1f\n", code,
                1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                    static_cast<double>(frequency.QuadPart));
    if (FILE* f = std::fopen(argv[1], "w")) {
        std::fprintf(f, "%lu\n", code);
        std::fclose(f);
    }
    return 0;
}
