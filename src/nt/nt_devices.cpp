// The present-device walk, the device check with its candidate substitution, and the removal of
// the product's devices.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "app/text.h"
#include "app/uninst_app.h"
#include "nt/nt_removal.h"
#include "platform/handles.h"

namespace {

// MAX_DEVICE_ID_LEN (200) and its terminator.
constexpr DWORD kInstanceIdCapacity = 201;

enum class HardwareIdRead { Present, Absent, Failed };

// Reads the hardware-ID list of one device into buffer, growing it for as long as the platform
// says it is too small. On Present, firstId holds the first string of the list.
HardwareIdRead ReadFirstHardwareId(HDEVINFO set, SP_DEVINFO_DATA& device, UniqueLocal& buffer,
                                   std::string& firstId) {
    DWORD type = 0;
    DWORD required = 0;
    DWORD size = 0;
    while (!Api().SetupDiGetDeviceRegistryPropertyA(
        set, &device, SPDRP_HARDWAREID, &type, static_cast<BYTE*>(buffer.get()), size, &required)) {
        const DWORD error = Api().GetLastError();
        if (error == ERROR_INVALID_DATA) return HardwareIdRead::Absent;
        if (error != ERROR_INSUFFICIENT_BUFFER) return HardwareIdRead::Failed;
        buffer.reset();
        buffer.reset(Api().LocalAlloc(LMEM_ZEROINIT, required));
        if (!buffer) return HardwareIdRead::Failed;
        size = required;
    }
    // A read that succeeds without a buffer has no text to compare: such a device is treated
    // like one without a hardware ID.
    if (!buffer) return HardwareIdRead::Absent;
    // The list is not trusted to carry its terminator within the block.
    const char* text = static_cast<const char*>(buffer.get());
    firstId.assign(text, strnlen(text, size));
    return HardwareIdRead::Present;
}

}  // namespace

bool HardwareIdMatches(const char* hardwareId, const char* rowId) {
    return BeginsWithNoCase(hardwareId, rowId);
}

DeviceWalkEnd ForEachPresentDevice(const PresentDeviceVisitor& visit) {
    return ForEachDevice(DIGCF_PRESENT | DIGCF_ALLCLASSES, visit);
}

DeviceWalkEnd ForEachDevice(DWORD flags, const PresentDeviceVisitor& visit) {
    DeviceWalkEnd end = DeviceWalkEnd::Enumerated;
    DWORD endError = ERROR_SUCCESS;
    {
        UniqueDevInfo set(Api().SetupDiGetClassDevsA(nullptr, nullptr, nullptr, flags));
        if (!set) return DeviceWalkEnd::NoDeviceSet;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        std::string firstId;
        for (DWORD index = 0;; ++index) {
            if (!Api().SetupDiEnumDeviceInfo(set.get(), index, &device)) {
                endError = Api().GetLastError();
                break;
            }
            UniqueLocal buffer;
            const HardwareIdRead read = ReadFirstHardwareId(set.get(), device, buffer, firstId);
            if (read == HardwareIdRead::Failed) {
                endError = Api().GetLastError();
                end = DeviceWalkEnd::ReadFailed;
                break;
            }
            if (read == HardwareIdRead::Absent) continue;
            visit(set.get(), device, firstId.c_str());
        }
    }
    // Releasing the buffer and the set must not hide the code that ended the walk.
    Api().SetLastError(endError);
    return end;
}

int ScanDevicesNt() {
    CUninstApp& app = theApp;
    int count = 0;
    const DeviceWalkEnd end =
        ForEachPresentDevice([&](HDEVINFO, SP_DEVINFO_DATA&, const char* hardwareId) {
            for (int i = 0; i < RowsInUse(app.DevIDNum); ++i) {
                DeviceEntry& row = app.DevTable[i];
                if (!HardwareIdMatches(hardwareId, row.ID)) continue;
                ++count;
                // The last matching candidate decides what the row holds from now on.
                for (int j = 0; j < RowsInUse(app.PossibleDevIDNum); ++j) {
                    const DeviceEntry& candidate = app.PossibleDevTable[j];
                    if (!HardwareIdMatches(hardwareId, candidate.ID)) continue;
                    CopyField(row.ID, candidate.ID);
                    CopyField(row.Name, candidate.Name);
                    CopyField(row.SYS, candidate.SYS);
                    CopyField(row.INF, candidate.INF);
                }
            }
        });
    return end == DeviceWalkEnd::NoDeviceSet ? 0 : count;
}

namespace {

// The device's instance ID, as the log and the plan name a removed device; its first hardware ID
// when the ID cannot be read.
std::string InstanceIdOf(HDEVINFO set, SP_DEVINFO_DATA& device, const char* hardwareId) {
    char id[kInstanceIdCapacity];
    if (Api().SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr) == FALSE)
        return hardwareId;
    return std::string(id, strnlen(id, sizeof id));
}

// The device's driver key as its "Driver" value names it, below the Class key; empty when it has
// none.
std::string DriverOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
    char driver[256] = {};
    DWORD type = 0;
    if (Api().SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_DRIVER, &type,
                                                reinterpret_cast<BYTE*>(driver), sizeof driver - 1,
                                                nullptr) == FALSE)
        return {};
    return driver;
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The error that ended a walk early, as the walk left it.
DWORD WalkError() {
    const DWORD error = Api().GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_NO_MORE_ITEMS;
}

}  // namespace

bool IsProductHardwareId(const char* hardwareId) {
    const CUninstApp& app = theApp;
    // An empty ID is a prefix of every hardware ID; only a row that names its devices counts.
    auto describes = [&](const DeviceEntry& row) {
        return row.ID[0] != '\0' && HardwareIdMatches(hardwareId, row.ID);
    };
    for (int i = 0; i < RowsInUse(app.DevIDNum); ++i)
        if (describes(app.DevTable[i])) return true;
    for (int i = 0; i < RowsInUse(app.ExtDevIDNum); ++i)
        if (describes(app.ExtDevTable[i])) return true;
    return false;
}

std::vector<ProductDevice> FindProductDevices(bool& complete) {
    std::vector<ProductDevice> devices;
    std::set<std::string> seen;
    complete = true;
    auto walk = [&](DWORD flags, bool present) {
        const DeviceWalkEnd end = ForEachDevice(
            flags, [&](HDEVINFO set, SP_DEVINFO_DATA& device, const char* hardwareId) {
                if (!IsProductHardwareId(hardwareId)) return;
                std::string id = InstanceIdOf(set, device, hardwareId);
                if (!seen.insert(Upper(id)).second) return;
                devices.push_back(ProductDevice{std::move(id), DriverOf(set, device), present});
            });
        if (end != DeviceWalkEnd::Enumerated) complete = false;
    };
    // Present devices first, as the removal takes them; then those Windows knows but does not
    // see now (a USB tuner once plugged into another port, a card moved to another slot).
    walk(DIGCF_PRESENT | DIGCF_ALLCLASSES, true);
    walk(DIGCF_ALLCLASSES, false);
    return devices;
}

bool DriverKeysInUse(std::set<std::string>& inUse) {
    inUse.clear();
    const DeviceWalkEnd end =
        ForEachDevice(DIGCF_ALLCLASSES, [&](HDEVINFO set, SP_DEVINFO_DATA& device, const char*) {
            const std::string driver = DriverOf(set, device);
            if (!driver.empty()) inUse.insert(Upper(driver));
        });
    return end == DeviceWalkEnd::Enumerated;
}

int RemoveDevicesNt(RunResult& result, const std::vector<std::string>* planned) {
    // Each device is handed to the device installer once, however many rows describe it.
    std::set<std::string> tried;
    auto removeOne = [&](HDEVINFO set, SP_DEVINFO_DATA& device, const std::string& id) {
        if (!tried.insert(Upper(id)).second) return;
        if (Api().SetupDiRemoveDevice(set, &device) == FALSE) {
            const DWORD error = Api().GetLastError();
            result.Record(Action::RemoveDevice, id,
                          error == ERROR_NO_SUCH_DEVINST ? Outcome::NotFound : Outcome::Failed,
                          error);
            return;
        }
        result.Record(Action::RemoveDevice, id, Outcome::Ok);
        SP_DEVINSTALL_PARAMS_A params{};
        params.cbSize = sizeof params;
        if (Api().SetupDiGetDeviceInstallParamsA(set, &device, &params) != FALSE &&
            (params.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT)) != 0)
            result.restartNeeded = true;
    };
    std::set<std::string> wanted;
    if (planned != nullptr)
        for (const std::string& id : *planned) wanted.insert(Upper(id));
    auto visit = [&](HDEVINFO set, SP_DEVINFO_DATA& device, const char* hardwareId) {
        if (planned == nullptr) {
            if (IsProductHardwareId(hardwareId))
                removeOne(set, device, InstanceIdOf(set, device, hardwareId));
            return;
        }
        const std::string id = InstanceIdOf(set, device, hardwareId);
        if (wanted.count(Upper(id)) != 0) removeOne(set, device, id);
    };
    DeviceWalkEnd end = ForEachPresentDevice(visit);
    DWORD error = end == DeviceWalkEnd::Enumerated ? 0 : WalkError();
    // The devices Windows knows but does not see now go through the device installer too, so
    // that no device still names a package or a driver key that the run removes.
    if (planned != nullptr && end == DeviceWalkEnd::Enumerated) {
        end = ForEachDevice(DIGCF_ALLCLASSES, visit);
        if (end != DeviceWalkEnd::Enumerated) error = WalkError();
    }
    // A walk that ended early leaves devices it never reached: each is an item left.
    if (planned == nullptr) {
        if (end != DeviceWalkEnd::Enumerated)
            result.Record(Action::RemoveDevice, "(device walk)", Outcome::Failed, error);
    } else {
        for (const std::string& id : *planned) {
            if (tried.count(Upper(id)) != 0) continue;
            if (end == DeviceWalkEnd::Enumerated) {
                result.Record(Action::RemoveDevice, id, Outcome::NotFound);
            } else {
                result.Record(Action::RemoveDevice, id, Outcome::Failed, error);
            }
        }
    }
    return end == DeviceWalkEnd::NoDeviceSet ? 0 : 1;
}
