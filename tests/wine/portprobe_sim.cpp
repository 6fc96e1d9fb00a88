// The port probe on the simulated machine, set up with the same machine.reg and files.txt, and
// the version the harness gives the Windows probe (XP, 5.1).
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/port.h"
#include "platform/sim/sim_machine.h"
#include "portprobe.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: portprobe-sim MACHINE_REG FILES_TXT\n", stderr);
        return 4;
    }
    sim::Machine machine;
    machine.SetVersion(w32::VER_PLATFORM_WIN32_NT, 5, 1);
    std::ifstream reg(argv[1], std::ios::binary);
    std::ostringstream text;
    text << reg.rdbuf();
    machine.ImportReg(text.str());
    char dir[260] = {};
    machine.GetWindowsDirectoryA(dir, sizeof dir);
    std::ifstream files(argv[2]);
    for (std::string line; std::getline(files, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const bool readonly = line.size() > 9 && line.compare(line.size() - 9, 9, " readonly") == 0;
        if (readonly) line.resize(line.size() - 9);
        machine.WriteFile(std::string(dir) + "\\" + line, "x",
                          readonly ? w32::FILE_ATTRIBUTE_READONLY : w32::FILE_ATTRIBUTE_ARCHIVE);
    }
    w32::InstallApi(&machine);
    const int rc = portprobe::Run();
    w32::InstallApi(nullptr);
    return rc;
}
