// The uninstaller's own run for one section of a profile, on a made-up machine where the product
// is installed whole: every device, driver file, service and key that the section names exists.
// Whatever such a run leaves in place, it leaves on every customer's PC.
#pragma once

#include <string>
#include <vector>

#include "app/uninst_app.h"

namespace tvprofile {

struct ModelOutcome {
    enum class Stop { None, NotInstalled, DeviceCheck };
    Stop stop = Stop::None;
    // Beyond the product's own uninstaller file and its Uninstall entry, which every run takes.
    bool removedDevice = false;
    bool removedFile = false;
    bool removedKey = false;
    // Every file below the Windows directory that the run looked for, lower-cased.
    std::vector<std::string> filesLookedFor;

    bool RemovesSomething() const { return removedDevice || removedFile || removedKey; }
};

// Runs the product for a user of `country` on a simulated Windows XP (Windows 98 with
// `family9x`) whose TVMuxDrv.ini holds `profileBytes`; `loaded` is what the product's loader
// makes of that file for that country, and names what the machine is given. The installed port is
// put back afterwards, the program state is left reset.
ModelOutcome RunOnModelMachine(const std::string& profileBytes, int country,
                               const UninstallProfile& loaded, bool family9x = false);

}  // namespace tvprofile
