// The hand-over on 64-bit Windows: only a 64-bit process may remove devices and reach the real
// system32, so the 32-bit build hands a run over to the 64-bit one. Whether the system is 64-bit
// Windows, and its registry views, are in app/windows_version.h.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/port.h"

// The file name of the 64-bit build, which ships beside this one.
inline constexpr const char* kNativeUninstallerName = "tvuninst64.exe";

// How the hand-over went: the 64-bit run's exit code, or why none was started.
struct HandOver {
    std::optional<w32::DWORD> exitCode;
    // A tvuninst64.exe lies beside this program but is not its twin: why. Empty when there is
    // none (or this program's own path does not fit), or it was started.
    std::string notTwin;
    // Lines for the log: the child runs outside a job object, and why.
    std::vector<std::string> notes;
};

// Starts the 64-bit uninstaller from this program's folder with the given arguments (this
// program's own, passed on whole), waits until it has ended and gives its exit code. Only this
// program's twin is started (see native_twin.h), and it runs in a job object that ends it when
// this process ends, however that comes (a deployment tool's time-out kills this one).
HandOver RunNativeUninstaller(const std::string& arguments);

// The message box that tells the user to run the 64-bit uninstaller, under the given caption.
void TellToRunNativeUninstaller(const char* caption);
