// The program's run from its start: the command line, the hand-over to the 64-bit uninstaller,
// one run at a time, the installed check, then the dialog or the silent run, the log and the
// exit code.
#pragma once

#include <optional>

#include "app/removal_run.h"
#include "app/single_run.h"
#include "platform/win32_types.h"

// The removal itself, on either family: the companion window is closed, then the family's
// sequence runs. ownWindow is the dialog, or null in a silent run.
void RunRemoval(RemovalRun& run, w32::HWND ownWindow);

class CUninstApp;
// The one-run lock, taken when the run starts (OK pressed, or at once in a silent run), then the
// installed check again. Nothing when the run ends there: another run holds the lock, or the
// product is no longer installed; the user has been told and the run's end logged.
std::optional<SingleRunLock> TakeLock(CUninstApp& app);
