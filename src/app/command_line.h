// The program's command line: the options that deployment tools pass, read the way Windows
// programs read theirs (case-insensitive, "/" or "-" before each).
#pragma once

#include <optional>
#include <string>
#include <vector>

struct CommandLine {
    bool silent = false;   // /S, /quiet, /silent, /verysilent, /qn: no window, no message box
    bool passive = false;  // /passive: the dialog shows the run at once; no OK, no message box
    bool help = false;     // /? or /help
    // /disconnected: the device check does not stop the run; the devices that are there go
    // with the rest of the product.
    bool disconnected = false;
    std::optional<int> country;        // /country=N: the profile's section N, whatever the user's
    std::string logPath;               // /log=PATH and its other forms; empty: the default log
    std::vector<std::string> ignored;  // switches accepted without effect, as they were given
    std::string badOption;             // the first option the program does not know
    std::string arguments;             // everything after the program's own name, as it was given

    // Whether a message box may wait for somebody: not in a silent or a passive run.
    bool ShowsMessages() const { return !silent && !passive; }
};

// Reads the command line as GetCommandLineA gives it: the program's name (quoted or not), then
// the options. A quoted stretch keeps its blanks ("/log=C:\My Logs\tvuninst.log" in quotes).
CommandLine ParseCommandLine(const char* commandLine);

// The usage text, shown for /? and, after the bad option, for an option the program does not know.
std::string UsageText();
