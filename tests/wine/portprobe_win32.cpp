// The port probe on the real API. The registry part of the machine is imported by the harness
// (reg import); the files of files.txt are made here. The port's headers come before
// <windows.h>, whose macros would otherwise rewrite the port's constants.
// clang-format off
#include "portprobe.h"
#include "platform/port.h"
#include "platform/win32/win32_api.h"
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// clang-format on

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: portprobe FILES_TXT\n", stderr);
        return 4;
    }
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, MAX_PATH);
    std::ifstream files(argv[1]);
    for (std::string line; std::getline(files, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const bool readonly = line.size() > 9 && line.compare(line.size() - 9, 9, " readonly") == 0;
        if (readonly) line.resize(line.size() - 9);
        const std::string path = std::string(dir) + "\\" + line;
        CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fputs("x", f);
            std::fclose(f);
        }
        if (readonly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    win32adapter::RealApi api;
    w32::InstallApi(&api);
    return portprobe::Run();
}
