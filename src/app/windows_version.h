// Which Windows the program runs on: the version record, the family, 64-bit Windows and WOW64,
// and the registry views that follow from them. Everything that asks what the system is asks here.
#pragma once

#include "platform/port.h"

// The running system's version, as GetVersionExA gives it. Its result is not looked at: a failed
// call leaves the record zero-filled (platform id 0), which every caller takes for neither the 9x
// family nor NT 5 and later.
inline w32::OSVERSIONINFOA QueryVersion() {
    w32::OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(w32::OSVERSIONINFOA);
    w32::Api().GetVersionExA(&version);
    return version;
}

inline bool IsWin9xFamily() {
    return QueryVersion().dwPlatformId == w32::VER_PLATFORM_WIN32_WINDOWS;
}

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
