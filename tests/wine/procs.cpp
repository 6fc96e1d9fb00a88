// Lists the running processes by image name, one a line, as Tool Help reports them (letter case
// kept). With names on the command line it prints "running NAME" or "absent NAME" for each.
#define WIN32_LEAN_AND_MEAN
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> names;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 1;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
        names.emplace_back(pe.szExeFile);
    CloseHandle(snap);
    if (argc == 1) {
        for (const std::string& n : names) std::printf("%s\n", n.c_str());
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        bool found = false;
        for (const std::string& n : names) found = found || lstrcmpiA(n.c_str(), argv[i]) == 0;
        std::printf("%s %s\n", found ? "running" : "absent", argv[i]);
    }
    return 0;
}
