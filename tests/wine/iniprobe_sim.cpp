// The INI probe on the simulated machine: the profile goes into the machine's Windows folder.
#include <string>

#include "iniprobe.h"
#include "platform/port.h"
#include "platform/sim/sim_machine.h"

int main(int argc, char** argv) {
    sim::Machine machine;
    w32::InstallApi(&machine);
    const int rc = iniprobe::Main(argc, argv, [&machine](const std::string& bytes) {
        machine.WriteProfile(bytes);
        return true;
    });
    w32::InstallApi(nullptr);
    return rc;
}
