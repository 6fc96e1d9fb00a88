// The device installer: devices are the instance keys below HKLM\SYSTEM\CurrentControlSet\Enum
// that carry a ClassGUID value, as Wine's SetupAPI sees them; presence is kept beside them.
#include <algorithm>
#include <cstring>

#include "platform/sim/sim_state.h"

namespace sim {

namespace {

constexpr const char* kEnumPath = "SYSTEM\\CurrentControlSet\\Enum";
constexpr const char* kClassPath = "SYSTEM\\CurrentControlSet\\Control\\Class";
constexpr DWORD kDigcfDeviceInterface = 0x10;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"; anything else gives the null GUID.
GUID ParseGuid(const std::string& text) {
    GUID g{};
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return g;
    std::string digits;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash != (text[i] == '-')) return GUID{};
        if (!dash) {
            if (HexDigit(text[i]) < 0) return GUID{};
            digits += text[i];
        }
    }
    auto value = [&](std::size_t at, std::size_t n) {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < n; ++i)
            v = (v << 4) | static_cast<std::uint32_t>(HexDigit(digits[at + i]));
        return v;
    };
    g.Data1 = value(0, 8);
    g.Data2 = static_cast<WORD>(value(8, 4));
    g.Data3 = static_cast<WORD>(value(12, 4));
    for (std::size_t i = 0; i < 8; ++i) g.Data4[i] = static_cast<BYTE>(value(16 + 2 * i, 2));
    return g;
}

bool SameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::optional<std::string> StringValue(const RegKey& k, const std::string& name) {
    auto it = k.values.find(Upper(name));
    if (it == k.values.end()) return std::nullopt;
    std::string s(it->second.data.begin(), it->second.data.end());
    if (auto nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
    return s;
}

// The registry value behind each device property the machine knows.
const char* PropertyValueName(DWORD property) {
    switch (property) {
        case 0x00:
            return "DeviceDesc";
        case 0x01:
            return "HardwareID";
        case 0x02:
            return "CompatibleIDs";
        case 0x04:
            return "Service";
        case 0x07:
            return "Class";
        case 0x08:
            return "ClassGUID";
        case 0x09:
            return "Driver";
        case 0x0B:
            return "Mfg";
        case 0x0C:
            return "FriendlyName";
        default:
            return nullptr;
    }
}

std::string PropertyLabel(DWORD property) {
    const char* name = PropertyValueName(property);
    return name != nullptr ? name : Hex(property);
}

DevInfoSet* FindSet(State& s, HDEVINFO h) {
    auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(h));
    return it == s.handles.end() ? nullptr : std::get_if<DevInfoSet>(&it->second);
}

// The set member that a record names, or the error that Wine gives for a record that names none.
const DevEntry* Member(const DevInfoSet& set, const SP_DEVINFO_DATA* data) {
    if (data == nullptr || data->cbSize != sizeof(SP_DEVINFO_DATA) || data->Reserved == 0 ||
        data->Reserved > set.devices.size())
        return nullptr;
    const DevEntry& e = set.devices[data->Reserved - 1];
    return e.devInst == data->DevInst ? &e : nullptr;
}

std::string MemberLabel(State& s, HDEVINFO h, const SP_DEVINFO_DATA* data) {
    DevInfoSet* set = FindSet(s, h);
    if (set == nullptr) return "<bad set>";
    const DevEntry* e = Member(*set, data);
    return e == nullptr ? "<bad device>" : e->instanceId;
}

}  // namespace

// ---- the port -------------------------------------------------------------------------------
HDEVINFO Machine::SetupDiGetClassDevsA(const GUID* ClassGuid, const char* Enumerator,
                                       HWND hwndParent, DWORD Flags) {
    Call c(*s_, "SetupDiGetClassDevsA",
           std::string(ClassGuid == nullptr ? "(null)" : "class") + "|" + Str(Enumerator) + "|" +
               Hex(Flags));
    (void)hwndParent;
    if (c.Faulted()) return c.FailWith<HDEVINFO>(INVALID_HANDLE_VALUE, c.Error());
    if (ClassGuid == nullptr && (Flags & DIGCF_ALLCLASSES) == 0)
        return c.FailWith<HDEVINFO>(INVALID_HANDLE_VALUE, ERROR_INVALID_PARAMETER);
    DevInfoSet set;
    auto enumKey = s_->Find(HKEY_LOCAL_MACHINE, kEnumPath);
    // Device interfaces are not modelled: such a set is empty.
    if (enumKey && (Flags & kDigcfDeviceInterface) == 0) {
        for (const auto& [u1, enumerator] : enumKey->subkeys) {
            if (Enumerator != nullptr && !IEquals(enumerator->name, Enumerator)) continue;
            for (const auto& [u2, device] : enumerator->subkeys) {
                for (const auto& [u3, instance] : device->subkeys) {
                    auto guidText = StringValue(*instance, "ClassGUID");
                    if (!guidText) continue;
                    const GUID guid = ParseGuid(*guidText);
                    if ((Flags & DIGCF_ALLCLASSES) == 0 && !SameGuid(guid, *ClassGuid)) continue;
                    const std::string id =
                        enumerator->name + "\\" + device->name + "\\" + instance->name;
                    if ((Flags & DIGCF_PRESENT) != 0 && s_->absentDevices.count(Upper(id)) != 0)
                        continue;
                    DWORD& devInst = s_->devInsts[Upper(id)];
                    if (devInst == 0) devInst = s_->nextDevInst++;
                    set.devices.push_back(DevEntry{id, devInst, guid});
                }
            }
        }
    }
    const ULONG_PTR value = s_->NewHandleValue();
    s_->handles[value] = std::move(set);
    return c.Ret(reinterpret_cast<HDEVINFO>(value));
}

BOOL Machine::SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                                    SP_DEVINFO_DATA* DeviceInfoData) {
    Call c(*s_, "SetupDiEnumDeviceInfo", std::to_string(MemberIndex));
    if (c.Faulted()) return c.FailBool(c.Error());
    DevInfoSet* set = FindSet(*s_, DeviceInfoSet);
    if (set == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    if (DeviceInfoData == nullptr) return c.FailBool(ERROR_INVALID_PARAMETER);
    if (DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA))
        return c.FailBool(kErrorInvalidUserBuffer);
    if (MemberIndex >= set->devices.size()) return c.FailBool(ERROR_NO_MORE_ITEMS);
    const DevEntry& e = set->devices[MemberIndex];
    DeviceInfoData->ClassGuid = e.classGuid;
    DeviceInfoData->DevInst = e.devInst;
    DeviceInfoData->Reserved = MemberIndex + 1;
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet,
                                                SP_DEVINFO_DATA* DeviceInfoData, DWORD Property,
                                                DWORD* PropertyRegDataType, BYTE* PropertyBuffer,
                                                DWORD PropertyBufferSize, DWORD* RequiredSize) {
    Call c(*s_, "SetupDiGetDeviceRegistryPropertyA",
           MemberLabel(*s_, DeviceInfoSet, DeviceInfoData) + "|" + PropertyLabel(Property) + "|" +
               std::to_string(PropertyBufferSize));
    if (c.Faulted()) return c.FailBool(c.Error());
    DevInfoSet* set = FindSet(*s_, DeviceInfoSet);
    if (set == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    const DevEntry* e = Member(*set, DeviceInfoData);
    if (e == nullptr) return c.FailBool(ERROR_INVALID_PARAMETER);
    if (PropertyBuffer == nullptr && PropertyBufferSize != 0) return c.FailBool(ERROR_INVALID_DATA);
    const char* valueName = PropertyValueName(Property);
    if (valueName == nullptr) return c.FailBool(kErrorInvalidRegProperty);
    auto key = s_->Find(HKEY_LOCAL_MACHINE, std::string(kEnumPath) + "\\" + e->instanceId);
    if (!key) return c.FailBool(ERROR_NO_SUCH_DEVINST);
    auto it = key->values.find(Upper(valueName));
    if (it == key->values.end()) return c.FailBool(ERROR_INVALID_DATA);
    const RegValue& v = it->second;
    const auto needed = static_cast<DWORD>(v.data.size());
    if (PropertyRegDataType != nullptr) *PropertyRegDataType = v.type;
    if (RequiredSize != nullptr) *RequiredSize = needed;
    if (needed > PropertyBufferSize) return c.FailBool(ERROR_INSUFFICIENT_BUFFER);
    if (Property == SPDRP_HARDWAREID) {
        auto failing = s_->failingHardwareIds.find(Upper(e->instanceId));
        if (failing != s_->failingHardwareIds.end()) return c.FailBool(failing->second);
    }
    if (needed != 0) std::memcpy(PropertyBuffer, v.data.data(), needed);
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* DeviceInfoData,
                                          char* DeviceInstanceId, DWORD DeviceInstanceIdSize,
                                          DWORD* RequiredSize) {
    Call c(*s_, "SetupDiGetDeviceInstanceIdA",
           MemberLabel(*s_, DeviceInfoSet, DeviceInfoData) + "|" +
               std::to_string(DeviceInstanceIdSize));
    if (c.Faulted()) return c.FailBool(c.Error());
    DevInfoSet* set = FindSet(*s_, DeviceInfoSet);
    if (set == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    const DevEntry* e = Member(*set, DeviceInfoData);
    if (e == nullptr) return c.FailBool(ERROR_INVALID_PARAMETER);
    const auto needed = static_cast<DWORD>(e->instanceId.size() + 1);
    if (RequiredSize != nullptr) *RequiredSize = needed;
    if (DeviceInstanceId == nullptr || DeviceInstanceIdSize < needed)
        return c.FailBool(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(DeviceInstanceId, e->instanceId.c_str(), needed);
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::SetupDiRemoveDevice(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* DeviceInfoData) {
    Call c(*s_, "SetupDiRemoveDevice", MemberLabel(*s_, DeviceInfoSet, DeviceInfoData));
    ++s_->removeRequests;
    if (c.Faulted()) return c.FailBool(c.Error());
    DevInfoSet* set = FindSet(*s_, DeviceInfoSet);
    if (set == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    const DevEntry* e = Member(*set, DeviceInfoData);
    if (e == nullptr) return c.FailBool(ERROR_INVALID_PARAMETER);
    // The device installer refuses to change devices for a 32-bit process on 64-bit Windows.
    if (s_->Wow64()) return c.FailBool(ERROR_IN_WOW64);
    const std::string instancePath = std::string(kEnumPath) + "\\" + e->instanceId;
    auto key = s_->Find(HKEY_LOCAL_MACHINE, instancePath);
    if (!key) return c.FailBool(ERROR_NO_SUCH_DEVINST);

    // As Windows does: the device's software (driver) key goes with all below it (Wine keeps one
    // that has subkeys), the instance key goes with all below it, and so do the parents it
    // leaves without subkeys, up to the Enum key.
    if (auto driver = StringValue(*key, "Driver"); driver && !driver->empty()) {
        auto driverKey = s_->Find(HKEY_LOCAL_MACHINE, std::string(kClassPath) + "\\" + *driver);
        if (driverKey && !driverKey->parent.expired()) State::DetachTree(driverKey);
    }
    auto parent = key->parent.lock();
    State::DetachTree(key);
    auto enumKey = s_->Find(HKEY_LOCAL_MACHINE, kEnumPath);
    while (parent && parent != enumKey && parent->subkeys.empty()) {
        auto up = parent->parent.lock();
        State::DetachTree(parent);
        parent = up;
    }
    s_->removedDevices.push_back(e->instanceId);
    // The removed device has no device node any more: its record's handle to one is null.
    s_->devInsts.erase(Upper(e->instanceId));
    set->devices[DeviceInfoData->Reserved - 1].devInst = 0;
    DeviceInfoData->DevInst = 0;
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::SetupDiGetDeviceInstallParamsA(HDEVINFO DeviceInfoSet,
                                             SP_DEVINFO_DATA* DeviceInfoData,
                                             SP_DEVINSTALL_PARAMS_A* DeviceInstallParams) {
    Call c(*s_, "SetupDiGetDeviceInstallParamsA", MemberLabel(*s_, DeviceInfoSet, DeviceInfoData));
    if (c.Faulted()) return c.FailBool(c.Error());
    DevInfoSet* set = FindSet(*s_, DeviceInfoSet);
    if (set == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    const DevEntry* e = Member(*set, DeviceInfoData);
    if (e == nullptr || DeviceInstallParams == nullptr) return c.FailBool(ERROR_INVALID_PARAMETER);
    if (DeviceInstallParams->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A))
        return c.FailBool(kErrorInvalidUserBuffer);
    const DWORD cbSize = DeviceInstallParams->cbSize;
    *DeviceInstallParams = SP_DEVINSTALL_PARAMS_A{};
    DeviceInstallParams->cbSize = cbSize;
    const bool removed = std::find(s_->removedDevices.begin(), s_->removedDevices.end(),
                                   e->instanceId) != s_->removedDevices.end();
    if (removed && s_->restartAfterRemoval.count(Upper(e->instanceId)) != 0)
        DeviceInstallParams->Flags = DI_NEEDREBOOT;
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    Call c(*s_, "SetupDiDestroyDeviceInfoList", "");
    auto it = s_->handles.find(reinterpret_cast<ULONG_PTR>(DeviceInfoSet));
    if (it == s_->handles.end() || std::get_if<DevInfoSet>(&it->second) == nullptr)
        return c.FailBool(ERROR_INVALID_HANDLE);
    s_->handles.erase(it);
    if (c.Faulted()) return c.FailBool(c.Error());
    return c.Ret<BOOL>(TRUE);
}

// ---- test helpers ---------------------------------------------------------------------------
void Machine::AddDevice(const std::string& instancePath, const std::vector<std::string>& ids,
                        const std::string& classGuid, const std::string& driverKey) {
    const std::string path = std::string(kEnumPath) + "\\" + instancePath;
    SetString(HKEY_LOCAL_MACHINE, path, "ClassGUID", classGuid);
    if (!ids.empty()) SetMultiString(HKEY_LOCAL_MACHINE, path, "HardwareID", ids);
    if (!driverKey.empty()) SetString(HKEY_LOCAL_MACHINE, path, "Driver", driverKey);
}

void Machine::SetDevicePresent(const std::string& instancePath, bool present) {
    if (present) {
        s_->absentDevices.erase(Upper(instancePath));
    } else {
        s_->absentDevices.insert(Upper(instancePath));
    }
}

void Machine::FailHardwareIdRead(const std::string& instancePath, DWORD error) {
    s_->failingHardwareIds[Upper(instancePath)] = error;
}

std::vector<std::string> Machine::RemovedDevices() const {
    return s_->removedDevices;
}

void Machine::RemovalNeedsRestart(const std::string& instancePath) {
    s_->restartAfterRemoval.insert(Upper(instancePath));
}

int Machine::RemoveRequests() const {
    return s_->removeRequests;
}

bool State::InfUsedByADevice(const std::string& infName) const {
    auto enumKey = Find(HKEY_LOCAL_MACHINE, kEnumPath);
    if (!enumKey) return false;
    for (const auto& [u1, enumerator] : enumKey->subkeys) {
        for (const auto& [u2, device] : enumerator->subkeys) {
            for (const auto& [u3, instance] : device->subkeys) {
                const auto driver = StringValue(*instance, "Driver");
                if (!driver || driver->empty()) continue;
                auto driverKey = Find(HKEY_LOCAL_MACHINE, std::string(kClassPath) + "\\" + *driver);
                if (!driverKey) continue;
                const auto inf = StringValue(*driverKey, "InfPath");
                if (inf && IEquals(*inf, infName)) return true;
            }
        }
    }
    return false;
}

}  // namespace sim
