// The INI probe on the real API. The port's headers come before <windows.h>, whose macros would
// otherwise rewrite the port's constants.
// clang-format off
#include "iniprobe.h"
#include "platform/port.h"
#include "platform/win32/win32_api.h"
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// clang-format on

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    win32adapter::RealApi api;
    w32::InstallApi(&api);
    return iniprobe::Main(argc, argv, [](const std::string& bytes) {
        char dir[MAX_PATH] = {};
        if (GetWindowsDirectoryA(dir, MAX_PATH) == 0) return false;
        const std::string path = std::string(dir) + "\\TVMuxDrv.ini";
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) return false;
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && ok;
    });
}
