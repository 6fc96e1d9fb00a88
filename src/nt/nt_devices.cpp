// The present-device walk, the device check with its candidate substitution, and the removal of
// the product's devices.
#include <algorithm>
#include <cstring>
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
    DeviceWalkEnd end = DeviceWalkEnd::Enumerated;
    DWORD endError = ERROR_SUCCESS;
    {
        UniqueDevInfo set(Api().SetupDiGetClassDevsA(nullptr, nullptr, nullptr,
                                                     DIGCF_PRESENT | DIGCF_ALLCLASSES));
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

}  // namespace

int RemoveDevicesNt(RunResult& result) {
    CUninstApp& app = theApp;
    // An empty ID is a prefix of every hardware ID; only a row that names its devices may
    // remove one.
    auto describes = [](const char* hardwareId, const DeviceEntry& row) {
        return row.ID[0] != '\0' && HardwareIdMatches(hardwareId, row.ID);
    };
    const DeviceWalkEnd end = ForEachPresentDevice([&](HDEVINFO set, SP_DEVINFO_DATA& device,
                                                       const char* hardwareId) {
        auto remove = [&] {
            const std::string id = InstanceIdOf(set, device, hardwareId);
            if (Api().SetupDiRemoveDevice(set, &device) != FALSE) {
                result.Record(Action::RemoveDevice, id, Outcome::Ok);
            } else {
                const DWORD error = Api().GetLastError();
                result.Record(Action::RemoveDevice, id,
                              error == ERROR_NO_SUCH_DEVINST ? Outcome::NotFound : Outcome::Failed,
                              error);
            }
        };
        for (int i = 0; i < RowsInUse(app.DevIDNum); ++i) {
            if (describes(hardwareId, app.DevTable[i])) remove();
        }
        for (int i = 0; i < RowsInUse(app.ExtDevIDNum); ++i) {
            if (describes(hardwareId, app.ExtDevTable[i])) remove();
        }
    });
    return end == DeviceWalkEnd::NoDeviceSet ? 0 : 1;
}
