// End-to-end scenarios on the simulated machine: a scenario folder (tests/e2e/scenarios/README.md)
// is loaded into a fresh machine (platform/sim/scenario_folder.h), the whole program runs on it,
// and the folder's expectations are checked against what the machine holds afterwards.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sim/scenario_folder.h"

namespace scenario {

struct CheckResult {
    std::string line;  // the expect.txt line
    bool passed = false;
    std::string detail;  // what was found, for a failure message
};

struct RunResult {
    std::vector<CheckResult> checks;       // one per check line, compare-* lines excluded
    std::vector<std::string> endState;     // sorted, unique
    std::vector<std::string> openHandles;  // what the program left unreleased
    std::vector<int> exitCodes;            // the program's, one per run
    std::string log;                       // the default log file's text after the run
};

// The source tree: TVU_SOURCE_DIR when set, else the tree this program was built from.
std::filesystem::path SourceDir();
// Every scenario folder below root (a folder that holds a scenario.txt), sorted by name.
std::vector<std::filesystem::path> ListScenarios(const std::filesystem::path& root);

// Sets up the machine (which must be the installed port) as the scenario describes, runs the
// program on it from a freshly started state, checks the expectations against what the machine
// holds afterwards and produces the end state.
RunResult Run(const Scenario& s, sim::Machine& machine);
// The same on a fresh machine of its own.
RunResult Run(const Scenario& s);
// The checks and the end state of a machine that PrepareMachine set up and the program has run on
// (once or more), with the exit code of each run.
RunResult Evaluate(const Scenario& s, const sim::Machine& machine, const Prepared& made,
                   const std::vector<int>& exitCodes);

// The end state as text: one line each, every line ended by a line feed.
std::string EndStateText(const RunResult& result);

}  // namespace scenario
