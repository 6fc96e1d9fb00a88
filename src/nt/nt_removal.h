// Steps of the NT-family removal; each works on the one application object.
#pragma once

#include "platform/win32_types.h"

int ScanDevicesNt();
int RemoveDevicesNt();
int CleanRegistryNt();
void TerminateProcessByName(const char* imageName);
w32::DWORD NtMinorVersion();
