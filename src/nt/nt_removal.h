// Steps of the NT-family removal; each works on the one application object.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/removal_run.h"
#include "app/uninst_app.h"
#include "platform/win32_types.h"

// The whole NT-family removal: the device check, then files, devices and keys. It ends with the
// run's end set: stopped at the device check, or completed.
void RunNtRemoval(RemovalRun& run);

// What the run does after the device check: the whole removal, what an earlier run's journal
// names, or nothing.
enum class RunStart { Fresh, Resume, Stop };
// found devices of the profile's DevIDNum; a usable journal makes a run that finds fewer finish
// the earlier one, never one that finds more.
RunStart DeviceCheck(RunResult& result, int found, bool journalUsable);

// Carries out what the journal names: packages and files in its order, then the devices, the
// deferred packages once more, and the keys; the entry last, when nothing is left.
void ResumeFromJournal(RemovalRun& run, const std::vector<std::string>& journal);

int ScanDevicesNt();
// The steps record what they remove in the result; without one, the step is run on its own.
// With the run's planned devices (instance IDs), the removal takes those, present or not, and no
// other; without, the present devices that a row describes. Each device is removed once.
int RemoveDevicesNt(RunResult& result, const std::vector<std::string>* planned = nullptr);
inline int RemoveDevicesNt() {
    RunResult unused;
    return RemoveDevicesNt(unused);
}
// Services and driver keys; the uninstall entry too, unless the result holds an item left.
int CleanRegistryNt(RunResult& result);
inline int CleanRegistryNt() {
    RunResult unused;
    return CleanRegistryNt(unused);
}
// The product's entry (DrvUninstRegKeyPath) in every view that holds it: the last step of a run
// that left nothing. An entry found under another name keeps no journal after it.
void DeleteUninstallEntries(RunResult& result);
std::vector<ProductEntry> EntriesToDelete();
// The keys the registry cleanup will delete, as the run's journal names them: the services, and
// the driver keys that the walk will delete once the product's devices (which take their own
// driver keys with them) are removed.
std::vector<std::string> PlannedServiceKeys();
struct ProductDevice;
std::vector<std::string> PlannedDriverKeys(const std::vector<ProductDevice>& devices);
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
// The same over the set that the flags for SetupDiGetClassDevsA select.
DeviceWalkEnd ForEachDevice(w32::DWORD flags, const PresentDeviceVisitor& visit);

// A device belongs to a table row when its first hardware ID begins with the row's ID, compared
// over the ID's length with ASCII letters folded.
bool HardwareIdMatches(const char* hardwareId, const char* rowId);

// ---- what is proved the product's ---------------------------------------------------------------

// A device is the product's when its first hardware ID matches a DevTable or ExtDevTable row
// that has an ID (DevTable as the scan left it).
bool IsProductHardwareId(const char* hardwareId);

struct ProductDevice {
    std::string instanceId;
    std::string driver;  // its "Driver" value: the driver key below the Class key, or empty
    bool present;
};
// Every device of the product that Windows knows, present ones first; complete is false when a
// walk ended early.
std::vector<ProductDevice> FindProductDevices(bool& complete);

// The driver keys that some device instance names ("{GUID}\0003", upper case). False when the
// walk did not see every device: then no driver key is known to be free.
bool DriverKeysInUse(std::set<std::string>& inUse);

// A driver package (an INF of the INF folder) is the product's when a device of the product,
// present or not, names a driver key whose InfPath is that INF, or when the name it was installed
// from is a row's INF. Not proved, the reason says why.
struct PackageProof {
    bool proved = false;
    std::string reason;
};
PackageProof ProvePackage(const char* inf, const std::vector<ProductDevice>& devices);

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

// A driver key of ClassKeyPath as a device's "Driver" value names it: "{GUID}\\NAME", upper case.
std::string DriverKeyRef(const char* name);

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

// Whether the system keeps a driver store (Vista on): only there is a package uninstalled, and
// only a package proved the product's.
bool KeepsDriverStore();

// The PNF file that belongs to an INF entry: its first dot-separated token followed by ".pnf"
// (leading dots skipped, as strtok skips delimiters).
std::string PnfNameFor(const char* infEntry);

// ---- driver packages ----------------------------------------------------------------------------

// The OEM INFs whose driver package would not leave the driver store while devices used it, kept
// with their INF and PNF files to be tried once more after the device removal.
using DeferredDriverPackages = std::vector<std::string>;

// Uninstalls the OEM INF's driver package, forced (from Vista on, for a package proved the
// product's). True when its INF and PNF may then be deleted by hand: the package left, or the
// store holds no package of that name. False when the store kept it: the name joins deferred.
// Each outcome is recorded in the result, except a deferral, which the retry records.
bool UninstallDriverPackage(const char* oemInf, DeferredDriverPackages& deferred,
                            RunResult& result);

// Tries each deferred package once more, now that no device uses it. Returns those that still
// stay in the driver store, with their INF and PNF files: these the run has not removed.
std::vector<std::string> RetryDriverPackages(const DeferredDriverPackages& deferred,
                                             RunResult& result);
