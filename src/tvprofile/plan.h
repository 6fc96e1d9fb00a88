// `tvprofile plan`: what a run of the uninstaller would do, step by step in the run's own order.
// The product's own run is carried out on a simulated machine (loaded from a scenario folder or,
// on Windows, copied read-only from the live machine) with the user pressing OK, and its call log
// is read back as actions. No rule of the product is written a second time here.
#pragma once

#include <string>
#include <vector>

#include "app/run_result.h"
#include "platform/sim/sim_machine.h"

namespace tvprofile {

// Runs the uninstaller from a freshly started state on the machine, which must be the installed
// port and set up for the run, its user scripted to press OK. Returns the plan lines.
std::vector<std::string> PlanRun(sim::Machine& machine);

// The plan lines of a finished run, from its result: the actions it carried out, in the log's
// words (close-window TITLE, end-process IMAGE, uninstall-driver-package OEM_INF, delete-file
// PATH, schedule-delete PATH, remove-device INSTANCE_ID, delete-key HKLM\PATH), then its end:
// message TEXT, stop not-installed: TEXT, stop device-check: ... Line feeds in a message are
// written as "\n".
std::vector<std::string> PlanFromResult(const RunResult& result);

// Every file below the Windows directory that the run asked about or acted on, as the run named
// it (an OEM INF also with its PNF): what a copy of a live machine must hold for the run to find
// what the live one has.
std::vector<std::string> FilesTouched(const sim::Machine& machine);

}  // namespace tvprofile
