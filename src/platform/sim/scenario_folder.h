// A scenario folder (tests/e2e/scenarios/README.md) read into a simulated machine: the machine
// description and the expectations, and the machine set up as the folder describes. The same
// folder drives the end-to-end tests and `tvprofile plan --machine`, so both see one machine.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
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
    bool data2m = false;  // " data2m": 2 MiB of 'd', a data file that is no log
    bool folder = false;  // a folder of that name instead of a file
};

// The content of a " data2m" file.
std::string Data2m();

struct Version {
    w32::DWORD platformId = 2, major = 5, minor = 1, build = 2600;
};

struct Scenario {
    std::string name;  // the folder's name
    Version version;
    bool windows64 = false;       // 64-bit Windows
    bool onlyX86 = false;         // only the 32-bit exe runs it (WOW64 on a 64-bit machine)
    bool nativeBeside = true;     // tvuninst64.exe lies beside tvuninst.exe
    bool nativeStranger = false;  // ... but it is another program of that name, not the twin
    std::vector<std::string> processes;
    std::vector<std::string> windows;      // "" for an untitled window
    std::vector<std::string> hungWindows;  // windows whose program stops answering
    std::vector<std::string> heldFiles;    // relative to the Windows directory
    std::vector<std::string> heldModules;  // loaded as modules, relative to the Windows directory
    sim::UserAction user = sim::UserAction::ClickOk;
    std::string arguments;  // the program's command-line options ("/S")
    // Another run of the uninstaller started first: "dialog" its dialog waits for OK (it holds
    // nothing), "running" its run is under way; empty: none.
    std::string anotherRun;
    int runs = 1;  // how many times the program runs, one after the other
    // The first run is killed when it makes the nth call of this operation ("" for none).
    std::string interruptApi;
    int interruptNth = 0;
    int dpi = 96;  // the screen's resolution (Wine's LogPixels)
    // Devices Windows knows but does not see now (instance paths below Enum); Wine sees them all.
    std::vector<std::string> absentDevices;
    // OEM INFs whose driver package runs from the store: it stays while a device uses it, forced
    // or not (the simulated machine's store; Wine keeps none).
    std::vector<std::string> storeKeepsInUse;
    // A path below the Windows directory removed after the first run (the cause of a failure gone).
    std::string removeAfterFirstRun;
    std::optional<std::string> profile;     // TVMuxDrv.ini
    std::optional<std::string> machineReg;  // machine.reg
    std::vector<FileSpec> files;
    std::vector<std::string> expectations;  // the lines of expect.txt, comments and blanks dropped
};

// The Windows directory of every scenario machine, as the program sees it.
inline constexpr const char* kWindowsDir = "C:\\windows";

// Throws ScenarioError for a folder, key or value it does not understand. expect.txt is read as
// lines only; its checks are the tests' business.
Scenario Load(const std::filesystem::path& folder);

// The text without the blanks and line ends around it, as the folder's files are read.
std::string Trim(const std::string& text);

// The pids and window handles that PrepareMachine made, by name.
struct Prepared {
    std::vector<std::pair<std::string, w32::DWORD>> processes;
    std::vector<std::pair<std::string, w32::HWND>> windows;
};

// Sets the machine up as the scenario describes (version, profile, registry, files, processes,
// windows, the user's script) for a run of the program from C:\tvu.
Prepared PrepareMachine(const Scenario& s, sim::Machine& m);

}  // namespace scenario
