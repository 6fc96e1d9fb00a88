// The program's run from its start: the command line, the hand-over to the 64-bit uninstaller,
// one run at a time, the installed check, then the dialog or the silent run, the log and the
// exit code.
#pragma once

#include "app/removal_run.h"
#include "platform/win32_types.h"

// The removal itself, on either family: the companion window is closed, then the family's
// sequence runs. ownWindow is the dialog, or null in a silent run.
void RunRemoval(RemovalRun& run, w32::HWND ownWindow);
