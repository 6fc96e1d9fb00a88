// What 64-bit Windows changes for the uninstaller: the product's 32-bit installer writes its
// uninstall entry into the registry's 32-bit view, and only a 64-bit process may remove devices
// and reach the real system32, so the 32-bit build hands a run over to the 64-bit one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/port.h"

// 64-bit Windows of the NT family. The 9x family and 32-bit Windows have one registry view and no
// redirection, and there the view flags are never passed (Windows 2000 and older do not know
// them).
bool Is64BitWindows();

// This process is a 32-bit one on 64-bit Windows. A system without IsWow64Process has no WOW64.
bool RunsUnderWow64();

// The registry views that may hold the uninstall entry, as flags for samDesired: the 64-bit view
// first, then the 32-bit one, on 64-bit Windows; elsewhere the one view, with no flag.
struct RegistryViews {
    w32::DWORD flags[2];
    int count;
};
RegistryViews UninstallEntryViews();

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
