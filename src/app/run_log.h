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

// Appends the block to the file, making its folder when missing. A file that would grow past
// kLogCapacity first loses its older half, whole blocks at a time.
inline constexpr unsigned kLogCapacity = 1024 * 1024;
void AppendToLog(const std::string& path, const std::string& block);
