// Enumerator-key state of the 9x family: filled by the device scan, read by the registry cleanup.
#pragma once

#include <cstdint>
#include <string>

#include "app/removal_run.h"
#include "platform/win32_types.h"

inline constexpr int kEnumKeyListSize = 10;

// Subkeys of "Enum\PCI" or "Enum\USB" (which one, UsbDeviceSeen says), in the order recorded.
extern std::string VendorKeyList[kEnumKeyListSize];
// Subkeys of "Enum\STREAM", in the order recorded.
extern std::string StreamKeyList[kEnumKeyListSize];
extern const std::string UsbPrefix;  // "USB\"
extern std::int32_t VendorKeyCount;
extern std::int32_t StreamKeyCount;

// The program-wide flag word; UsbDeviceSeen is its only flag.
extern w32::DWORD Win9xFlags;
inline constexpr w32::DWORD kUsbDeviceSeen = 0x10000;
inline bool UsbDeviceSeen() {
    return (Win9xFlags & kUsbDeviceSeen) != 0;
}

// The whole 9x-family removal: files group by group, then keys; it ends completed.
void RunWin9xRemoval(RemovalRun& run);

int ScanDevicesWin9x();
// Records what it deletes in the result; without one, the cleanup is run on its own.
int CleanRegistryWin9x(RunResult& result);
inline int CleanRegistryWin9x() {
    RunResult unused;
    return CleanRegistryWin9x(unused);
}
