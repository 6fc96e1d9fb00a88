// The port probe: a fixed series of port calls whose results are printed one a line, so that the
// real API (under Wine) and the simulated machine can be compared call by call on the same
// machine: tests/e2e/wine/portprobe/machine.reg and files.txt.
#pragma once

namespace portprobe {

// Runs the series on the installed port and prints "case|result" lines. Returns 0.
int Run();

}  // namespace portprobe
