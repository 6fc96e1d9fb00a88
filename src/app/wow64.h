// What 64-bit Windows changes for the uninstaller: the product's 32-bit installer writes its
// uninstall entry into the registry's 32-bit view, and only a 64-bit process may remove devices
// and reach the real system32, so the 32-bit build hands a run over to the 64-bit one.
#pragma once

#include <optional>
#include <string>

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

// Starts the 64-bit uninstaller from this program's folder with the given arguments (this
// program's own, passed on whole), waits until it has ended and gives its exit code. Nothing when
// it cannot be started.
std::optional<w32::DWORD> RunNativeUninstaller(const std::string& arguments);

// The message box that tells the user to run the 64-bit uninstaller, under the given caption.
void TellToRunNativeUninstaller(const char* caption);
