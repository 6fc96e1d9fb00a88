// The 9x-family removal: the device scan fills the enumerator-key state (app/program_state.h),
// the registry cleanup reads it.
#pragma once

#include "app/program_state.h"
#include "app/removal_run.h"

// The whole 9x-family removal: files group by group, then keys; it ends completed.
void RunWin9xRemoval(RemovalRun& run);

int ScanDevicesWin9x();
// Records what it deletes in the result; without one, the cleanup is run on its own.
int CleanRegistryWin9x(RunResult& result);
inline int CleanRegistryWin9x() {
    RunResult unused;
    return CleanRegistryWin9x(unused);
}
