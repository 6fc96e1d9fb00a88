// The log of every run: one block appended to %windir%\Logs\tvuninst.log (or the file /log=
// names), so that a support engineer can set it beside `tvprofile plan`. A log that cannot be
// written changes nothing else in the run.
#pragma once

#include <string>

#include "app/run_result.h"

// Where the log goes without /log=: the Windows directory's Logs folder. Empty when the Windows
// directory cannot be read.
std::string DefaultLogPath();

// The block of one run: when, which exe on which Windows, the command line, the profile section,
// every action with its outcome, why the run stopped, and last the exit code with its meaning.
std::string RunLogBlock(const RunResult& result, const std::string& commandLine);

// Appends the block to the file, making its folder when missing (the default Logs folder readable
// by users, writable only by administrators and SYSTEM). A file that would grow past kLogCapacity
// first loses its older half, whole blocks at a time, by a new file that replaces it.
//
// Someone may have made the file first, where users may create files (C:\Windows\Temp, a share):
// a link to another file, or a file of their own. The log is written only into a file that is
// plainly its own: no reparse point, one name (no hard link), in an elevated run owned by
// Administrators, SYSTEM or the run's own account, and empty or beginning with a block of this
// log. Otherwise nothing is written and the reason is given back (empty when it was written, or
// could not be for an ordinary failure, which changes nothing else in the run either).
inline constexpr unsigned kLogCapacity = 1024 * 1024;
std::string AppendToLog(const std::string& path, const std::string& block, bool defaultFolder);
