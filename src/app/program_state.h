// The program-wide state that a 9x-family run keeps between its device scan and its registry
// cleanup: the enumerator-key lists and the flag word. It is defined with the other program-wide
// objects (app/globals.cpp), which put it back to its start in ResetProgramState.
#pragma once

#include <cstdint>
#include <string>

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
