// End-to-end scenarios on the simulated machine: a scenario folder (tests/e2e/scenarios/README.md)
// is loaded into a fresh machine, the whole program runs on it, and the folder's expectations are
// checked against what the machine holds afterwards.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace scenario {

// A scenario folder that cannot be read as one.
struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct FileSpec {
    std::string path;  // relative to the Windows directory, with backslashes
    bool readOnly = false;
};

struct Version {
    w32::DWORD platformId = 2, major = 5, minor = 1, build = 2600;
};

struct Scenario {
    std::string name;  // the folder's name
    Version version;
    bool windows64 = false;    // 64-bit Windows
    bool onlyX86 = false;      // only the 32-bit exe runs it (WOW64 on a 64-bit machine)
    bool nativeBeside = true;  // tvuninst64.exe lies beside tvuninst.exe
    std::vector<std::string> processes;
    std::vector<std::string> windows;      // "" for an untitled window
    std::vector<std::string> hungWindows;  // windows whose program stops answering
    std::vector<std::string> heldFiles;    // relative to the Windows directory
    sim::UserAction user = sim::UserAction::ClickOk;
    std::optional<std::string> profile;     // TVMuxDrv.ini
    std::optional<std::string> machineReg;  // machine.reg
    std::vector<FileSpec> files;
    std::vector<std::string> expectations;  // the lines of expect.txt, comments and blanks dropped
};

struct CheckResult {
    std::string line;  // the expect.txt line
    bool passed = false;
    std::string detail;  // what was found, for a failure message
};

struct RunResult {
    std::vector<CheckResult> checks;       // one per check line, compare-* lines excluded
    std::vector<std::string> endState;     // sorted, unique
    std::vector<std::string> openHandles;  // what the program left unreleased
};

// The Windows directory of every scenario machine, as the program sees it.
inline constexpr const char* kWindowsDir = "C:\\windows";

// The source tree: TVU_SOURCE_DIR when set, else the tree this program was built from.
std::filesystem::path SourceDir();
// Every scenario folder below root (a folder that holds a scenario.txt), sorted by name.
std::vector<std::filesystem::path> ListScenarios(const std::filesystem::path& root);

// Throws ScenarioError for a folder, key, value or check it does not understand.
Scenario Load(const std::filesystem::path& folder);

// Sets up the machine (which must be the installed port) as the scenario describes, runs the
// program on it from a freshly started state, checks the expectations against what the machine
// holds afterwards and produces the end state.
RunResult Run(const Scenario& s, sim::Machine& machine);
// The same on a fresh machine of its own.
RunResult Run(const Scenario& s);

// The end state as text: one line each, every line ended by a line feed.
std::string EndStateText(const RunResult& result);

}  // namespace scenario
