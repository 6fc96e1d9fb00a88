// The registry cleanup of the 9x family: the product's driver keys under the MEDIA class key, the
// enumerator subkeys that the device scan recorded, and the product's uninstall entry.
#include <algorithm>
#include <cstring>

#include "app/uninst_app.h"
#include "app/uninstall_entry.h"
#include "platform/handles.h"
#include "win9x/enum_keys.h"

namespace {

constexpr const char* kMediaClassKey = "SYSTEM\\CurrentControlSet\\Services\\Class\\MEDIA";
constexpr const char* kUsbEnumKey = "Enum\\USB";
constexpr const char* kPciEnumKey = "Enum\\PCI";
constexpr const char* kStreamEnumKey = "Enum\\STREAM";
constexpr const char* kUninstallKey = "SoftWare\\MicroSoft\\Windows\\CurrentVersion\\Uninstall";

constexpr DWORD kNameCapacity = 256;
constexpr DWORD kDescCapacity = 256;

// Whole-string equality ignoring case. A row without a Name would equal every driver key that has
// no description, other products' keys among them, so it equals nothing.
bool NameMatches(const char* description, const char* name) {
    return name[0] != '\0' && Api().lstrcmpiA(description, name) == 0;
}

// Reads "DriverDesc" into desc. The size is carried from key to key, so a description longer than
// the one before first reports ERROR_MORE_DATA and is read again at the size it needs. The buffer
// is never handed over as larger than it is: a description that does not fit (or that fills it
// without a terminator) is reported as unreadable and is compared with nothing.
bool ReadDescription(HKEY driverKey, char (&desc)[kDescCapacity], DWORD& descSize) {
    std::memset(desc, 0, sizeof desc);
    DWORD type = 0;
    descSize = std::min(descSize, kDescCapacity);
    LONG result = Api().RegQueryValueExA(driverKey, "DriverDesc", nullptr, &type,
                                         reinterpret_cast<BYTE*>(desc), &descSize);
    if (result == static_cast<LONG>(ERROR_MORE_DATA)) {
        if (descSize > kDescCapacity) return false;
        std::memset(desc, 0, sizeof desc);
        result = Api().RegQueryValueExA(driverKey, "DriverDesc", nullptr, &type,
                                        reinterpret_cast<BYTE*>(desc), &descSize);
        if (result == static_cast<LONG>(ERROR_MORE_DATA)) return false;
    }
    // A key without the value, or whose value cannot be read, is compared with the empty text.
    if (result != ERROR_SUCCESS) desc[0] = '\0';
    return std::memchr(desc, '\0', sizeof desc) != nullptr;
}

// One walk over the class key. The enumeration closes the gap a delete leaves, and the index still
// advances after a delete, so the subkey after a deleted one waits for the next walk.
void CleanMediaClassPass(DWORD& descSize, RunResult& result) {
    w32::UniqueKey classKey;
    if (Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMediaClassKey, 0, KEY_ALL_ACCESS,
                            classKey.put()) != ERROR_SUCCESS) {
        return;
    }
    char name[kNameCapacity];
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = kNameCapacity;
        FILETIME written{};
        if (Api().RegEnumKeyExA(classKey.get(), index, name, &nameLength, nullptr, nullptr, nullptr,
                                &written) != ERROR_SUCCESS) {
            break;
        }
        // An empty name would make the delete below take the class key itself.
        if (name[0] == '\0') continue;
        w32::UniqueKey driverKey;
        if (Api().RegOpenKeyExA(classKey.get(), name, 0, KEY_ALL_ACCESS, driverKey.put()) !=
            ERROR_SUCCESS) {
            continue;
        }
        char desc[kDescCapacity];
        if (!ReadDescription(driverKey.get(), desc, descSize)) continue;
        // Every matching row asks for the delete; only the first finds the key.
        for (int i = 0; i < RowsInUse(theApp.DevIDNum); ++i) {
            if (NameMatches(desc, theApp.DevTable[i].Name)) {
                RecordKeyDelete(result, std::string("HKLM\\") + kMediaClassKey + "\\" + name,
                                Api().SHDeleteKeyA(classKey.get(), name));
            }
        }
        for (int k = 0; k < RowsInUse(theApp.ExtDevIDNum); ++k) {
            if (NameMatches(desc, theApp.ExtDevTable[k].Name)) {
                RecordKeyDelete(result, std::string("HKLM\\") + kMediaClassKey + "\\" + name,
                                Api().SHDeleteKeyA(classKey.get(), name));
            }
        }
    }
}

// The parent is opened anew for every entry. An empty entry would name the parent itself and take
// every device's key below it, so it is passed over.
void DeleteEnumKeys(const char* parentPath, const std::string* entries, std::int32_t count,
                    RunResult& result) {
    for (int i = 0; i < RowsInUse(count, kEnumKeyListSize); ++i) {
        if (entries[i].empty()) continue;
        w32::UniqueKey parent;
        if (Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, parentPath, 0, KEY_ALL_ACCESS, parent.put()) !=
            ERROR_SUCCESS) {
            continue;
        }
        RecordKeyDelete(result, std::string("HKLM\\") + parentPath + "\\" + entries[i],
                        Api().RegDeleteKeyA(parent.get(), entries[i].c_str()));
    }
}

void DeleteUninstallEntry(RunResult& result) {
    w32::UniqueKey uninstall;
    if (Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ALL_ACCESS,
                            uninstall.put()) != ERROR_SUCCESS) {
        return;
    }
    // Without a subkey name the delete would take the whole list of installed programs.
    if (theApp.DrvUninstRegKeyPath[0] != '\0') {
        RecordKeyDelete(result,
                        std::string("HKLM\\") + kUninstallKey + "\\" + theApp.DrvUninstRegKeyPath,
                        Api().SHDeleteKeyA(uninstall.get(), theApp.DrvUninstRegKeyPath));
    }
    Api().RegFlushKey(uninstall.get());
}

}  // namespace

int CleanRegistryWin9x(RunResult& result) {
    // Set once for the whole cleanup: both walks and every driver key share it.
    DWORD descSize = kDescCapacity;
    CleanMediaClassPass(descSize, result);
    CleanMediaClassPass(descSize, result);

    DeleteEnumKeys(UsbDeviceSeen() ? kUsbEnumKey : kPciEnumKey, VendorKeyList, VendorKeyCount,
                   result);
    DeleteEnumKeys(kStreamEnumKey, StreamKeyList, StreamKeyCount, result);

    // The entry goes last, and only when nothing is left: while it stays, the product still counts
    // as installed, and the next run finishes what this one could not.
    if (result.ItemsLeft() == 0) DeleteUninstallEntry(result);
    return 1;
}
