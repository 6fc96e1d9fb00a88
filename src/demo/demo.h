// The native demo: the uninstaller run once on a simulated machine with the product installed,
// the user clicking OK, and a report of what the user saw and what was removed.
#pragma once

#include <iosfwd>

namespace demo {

// Runs the demo and prints its report to standard output; returns the process exit code.
int RunDemo(int argc, char** argv);

// The same run, with the report written to out.
int RunDemo(int argc, char** argv, std::ostream& out);

}  // namespace demo
