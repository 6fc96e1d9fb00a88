// The program's command line: the options that deployment tools pass, read the way Windows
// programs read theirs (case-insensitive, "/" or "-" before each).
#pragma once

#include <string>

struct CommandLine {
    bool silent = false;    // /S, /quiet, /silent, /verysilent, /qn: no window, no message box
    bool help = false;      // /? or /help
    std::string logPath;    // /log=PATH; empty: the default log
    std::string badOption;  // the first option the program does not know
    std::string arguments;  // everything after the program's own name, as it was given
};

// Reads the command line as GetCommandLineA gives it: the program's name (quoted or not), then
// the options. A quoted stretch keeps its blanks ("/log=C:\My Logs\tvuninst.log" in quotes).
CommandLine ParseCommandLine(const char* commandLine);

// The usage text, shown for /? and, after the bad option, for an option the program does not know.
std::string UsageText();
