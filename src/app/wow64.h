// The hand-over on 64-bit Windows: only a 64-bit process may remove devices and reach the real
// system32, so the 32-bit build hands a run over to the 64-bit one. Whether the system is 64-bit
// Windows, and its registry views, are in app/windows_version.h.
#pragma once

#include <optional>
#include <string>

#include "platform/port.h"

// The file name of the 64-bit build, which ships beside this one.
inline constexpr const char* kNativeUninstallerName = "tvuninst64.exe";

// Starts the 64-bit uninstaller from this program's folder with the given arguments (this
// program's own, passed on whole), waits until it has ended and gives its exit code. Nothing when
// it cannot be started.
std::optional<w32::DWORD> RunNativeUninstaller(const std::string& arguments);

// The message box that tells the user to run the 64-bit uninstaller, under the given caption.
void TellToRunNativeUninstaller(const char* caption);
