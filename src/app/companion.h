// The companion remote-control program's window, closed before a run so that it lets go of the
// product's devices and files.
#pragma once

#include "app/removal_run.h"
#include "platform/win32_types.h"

// WM_CLOSE to the window titled as the profile's UnInstRemoteTitleName, if it names one and it is
// open; ownWindow (the dialog, or null in a silent run) is never taken for it.
void CloseCompanionWindow(RemovalRun& run, w32::HWND ownWindow);
