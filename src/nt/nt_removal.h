// Steps of the NT-family removal; each works on the one application object.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/removal_run.h"
#include "platform/win32_types.h"

// The whole NT-family removal: the device check, then files, devices and keys. It ends with the
// run's end set: stopped at the device check, or completed.
void RunNtRemoval(RemovalRun& run);

int ScanDevicesNt();
// The steps record what they remove in the result; without one, the step is run on its own.
int RemoveDevicesNt(RunResult& result);
inline int RemoveDevicesNt() {
    RunResult unused;
    return RemoveDevicesNt(unused);
}
int CleanRegistryNt(RunResult& result);
inline int CleanRegistryNt() {
    RunResult unused;
    return CleanRegistryNt(unused);
}
void TerminateProcessByName(const char* imageName, RunResult& result);
inline void TerminateProcessByName(const char* imageName) {
    RunResult unused;
    TerminateProcessByName(imageName, unused);
}
w32::DWORD NtMinorVersion();

// ---- the present-device walk shared by the scan and the removal -------------------------------

// How a walk over the present devices ended.
enum class DeviceWalkEnd {
    NoDeviceSet,  // the set of present devices could not be obtained
    Enumerated,   // every device was visited
    ReadFailed,   // a hardware-ID read failed for another reason than a missing ID
};

// Called once per present device that has a hardware ID, with the device set and the record that
// SetupDiRemoveDevice needs, and the first string of the device's hardware-ID list.
using PresentDeviceVisitor =
    std::function<void(w32::HDEVINFO set, w32::SP_DEVINFO_DATA& device, const char* hardwareId)>;

// Walks every present device of every class. On return the last-error value is the one that
// ended the walk.
DeviceWalkEnd ForEachPresentDevice(const PresentDeviceVisitor& visit);

// A device belongs to a table row when its first hardware ID begins with the row's ID, compared
// over the ID's length with ASCII letters folded.
bool HardwareIdMatches(const char* hardwareId, const char* rowId);

// ---- the walk over the instance keys of the device class key --------------------------------

// Called for each instance key of ClassKeyPath that opens with full access and has a readable
// "DriverDesc", with the open class key (for deleting the instance key), the key's name, its open
// handle and its description.
using InstanceKeyVisitor = std::function<void(w32::HKEY classKey, const char* name,
                                              w32::HKEY instance, const char* description)>;

// Walks the instance keys of ClassKeyPath by index, once, until the first enumeration that fails.
// nameCapacity is the size of the name buffer handed to the enumeration (at most 256 characters,
// terminator included): a longer name ends the walk.
void ForEachClassInstanceKey(w32::DWORD nameCapacity, const InstanceKeyVisitor& visit);

// Reads a value as text into a fixed buffer; false when it is absent, too long for the buffer, or
// fills it without a terminator.
bool ReadTextValue(w32::HKEY key, const char* valueName, char* buffer, w32::DWORD capacity);

// ---- pieces of the removal sequence -------------------------------------------------------------

inline constexpr int kInfNameListSize = 10;

// The INF file names found through the class key's instance keys, in the order collected.
// An OEM INF: "oem", one or more digits, ".inf", letters in any case, and nothing else.
bool IsOemInfName(const char* name);

struct InfNameList {
    char entries[kInfNameListSize][256];
    int count;
};

// Walks the instance keys of ClassKeyPath and collects the InfPath of each key whose DriverDesc
// begins with a DevTable or ExtDevTable row's Name, one entry per matching row.
void CollectInfNames(InfNameList& list);

// The PNF file that belongs to an INF entry: its first dot-separated token followed by ".pnf"
// (leading dots skipped, as strtok skips delimiters).
std::string PnfNameFor(const char* infEntry);

// ---- driver packages ----------------------------------------------------------------------------

// The OEM INFs whose driver package would not leave the driver store while devices used it, kept
// with their INF and PNF files to be tried once more after the device removal.
using DeferredDriverPackages = std::vector<std::string>;

// Uninstalls the OEM INF's driver package, forced. True when its INF and PNF may then be deleted
// by hand: the package left, or the system keeps no driver store (XP), or the store holds no
// package of that name. False when the store kept it (from Vista on): the name joins deferred.
// Each outcome is recorded in the result, except a deferral, which the retry records.
bool UninstallDriverPackage(const char* oemInf, DeferredDriverPackages& deferred,
                            RunResult& result);

// Tries each deferred package once more, now that no device uses it. Returns those that still
// stay in the driver store, with their INF and PNF files: these the run has not removed.
std::vector<std::string> RetryDriverPackages(const DeferredDriverPackages& deferred,
                                             RunResult& result);
