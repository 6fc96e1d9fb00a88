// Registry cleanup of the NT family: the product's services, its driver keys under the device
// class key and its uninstall entry.
#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "app/uninst_app.h"
#include "app/uninstall_entry.h"
#include "app/windows_version.h"
#include "nt/nt_removal.h"
#include "platform/handles.h"

namespace {

constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services";
// The letter case is the one this program has always used; registry names ignore it.
constexpr const char* kUninstallKey = "SoftWare\\MicroSoft\\Windows\\CurrentVersion\\Uninstall";

// An empty subkey name would make SHDeleteKeyA take the opened parent key itself, so such a
// name is never handed to it. parentPath names the parent below HKLM, for the record. True when
// the key went.
bool DeleteSubkey(HKEY parent, const std::string& parentPath, const char* name, RunResult& result) {
    if (name[0] == '\0') return false;
    const LONG deleted = Api().SHDeleteKeyA(parent, name);
    RecordKeyDelete(result, "HKLM\\" + parentPath + "\\" + name, deleted);
    return deleted == ERROR_SUCCESS;
}

// Whether the service control manager runs the service now. Deleting its key does not stop it:
// the manager keeps what it read when Windows started, and the driver stays loaded until the
// next start, so the removal needs one. A manager or service that cannot be asked (no manager,
// an empty name) counts as stopped: nothing says it runs.
bool ServiceRuns(SC_HANDLE manager, const char* name) {
    const UniqueService service(Api().OpenServiceA(manager, name, SERVICE_QUERY_STATUS));
    if (!service) return false;
    SERVICE_STATUS status{};
    return Api().QueryServiceStatus(service.get(), &status) != FALSE &&
           status.dwCurrentState != SERVICE_STOPPED;
}

void DeleteServices(const CUninstApp& app, RunResult& result) {
    UniqueKey services;
    if (Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServicesKey, 0, KEY_ALL_ACCESS, services.put()) !=
        ERROR_SUCCESS) {
        return;
    }
    const UniqueService manager(Api().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    for (int i = 0; i < RowsInUse(app.UnInstServiceNum); ++i) {
        const char* name = app.ServiceNames[i];
        const bool runs = ServiceRuns(manager.get(), name);
        if (DeleteSubkey(services.get(), kServicesKey, name, result) && runs)
            result.servicesStillRunning.push_back(name);
    }
    Api().RegFlushKey(services.get());
}

// Whether the description names the row's driver. A row without a Name takes no part: its empty
// text would otherwise delete every driver key whose description is empty.
bool DescribesDriver(const char* description, const DeviceEntry& row) {
    return row.Name[0] != '\0' && Api().lstrcmpiA(description, row.Name) == 0;
}

void DeleteDriverKeys(const CUninstApp& app, RunResult& result) {
    SelectClassKeyPath();
    // A driver key that a device instance still names is the device's to remove: deleted by
    // hand, it would leave the device naming a key number that a later device of the class may
    // be given. When the devices cannot all be seen, no key is known to be free.
    std::set<std::string> inUse;
    const bool known = DriverKeysInUse(inUse);
    const DWORD walkError = known ? 0 : Api().GetLastError();
    // A key equal to several rows' Names gets one delete request per row; only the first finds it.
    ForEachClassInstanceKey(256, [&](HKEY classKey, const char* name, HKEY,
                                     const char* description) {
        auto deleteFor = [&](const DeviceEntry& row) {
            if (!DescribesDriver(description, row)) return;
            if (!known) {
                result.Record(Action::DeleteKey, "HKLM\\" + std::string(ClassKeyPath) + "\\" + name,
                              Outcome::Failed, walkError);
                return;
            }
            if (inUse.count(DriverKeyRef(name)) != 0) return;
            DeleteSubkey(classKey, ClassKeyPath, name, result);
        };
        for (int i = 0; i < RowsInUse(app.DevIDNum); ++i) deleteFor(app.DevTable[i]);
        for (int i = 0; i < RowsInUse(app.ExtDevIDNum); ++i) deleteFor(app.ExtDevTable[i]);
    });
}

// Deletes the subkey of a key opened in a registry view. Every open and delete below such a key
// must carry the view's flag, which SHDeleteKeyA does not pass on to the keys it opens: so the
// key's subkeys go with RegDeleteTreeA through a handle opened in the view (from Vista on), then
// deleted with RegDeleteKeyExA and the flag. 64-bit XP has RegDeleteKeyExA alone, which deletes
// a key without subkeys; a key with subkeys there, and a system with neither call, keep
// SHDeleteKeyA (Windows 2000 and older have no views at all). Returns the outcome: the code of the
// delete that decided it, or the open's when the view does not hold the key.
LONG DeleteSubkeyInView(HKEY parent, const char* name, DWORD view) {
    if (view == 0) return Api().SHDeleteKeyA(parent, name);
    LONG emptied = ERROR_SUCCESS;
    {
        UniqueKey entry;
        // Not in this view: nothing to delete here.
        const LONG opened =
            Api().RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS | view, entry.put());
        if (opened != ERROR_SUCCESS) return opened;
        // Its subkeys go one at a time and its values stay until the key itself goes: a run cut
        // off in between leaves the entry still naming the product (and carrying the run's
        // mark), so the next run finds it and finishes the job.
        char sub[256];
        // Bounded, so that a subkey that a delete reports gone but stays cannot hold the run.
        for (int left = 4096; left > 0; --left) {
            DWORD length = sizeof sub;
            FILETIME written{};
            if (Api().RegEnumKeyExA(entry.get(), 0, sub, &length, nullptr, nullptr, nullptr,
                                    &written) != ERROR_SUCCESS)
                break;
            emptied = Api().RegDeleteTreeA(entry.get(), sub);
            if (emptied != ERROR_SUCCESS) break;
        }
    }
    const LONG deleted = Api().RegDeleteKeyExA(parent, name, view, 0);
    const LONG missing = static_cast<LONG>(ERROR_PROC_NOT_FOUND);
    if (deleted == missing || (emptied == missing && deleted != ERROR_SUCCESS))
        return Api().SHDeleteKeyA(parent, name);
    return deleted;
}

}  // namespace

// On 64-bit Windows the entry is deleted from each view that holds it: the product's 32-bit
// installer writes it into the 32-bit one.
std::vector<ProductEntry> EntriesToDelete() {
    const CUninstApp& app = theApp;
    const RegistryViews views = UninstallEntryViews();
    std::vector<ProductEntry> entries;
    // An empty name would make the delete take the list of installed programs itself.
    if (app.DrvUninstRegKeyPath[0] != '\0') {
        for (int v = 0; v < views.count; ++v)
            entries.push_back(ProductEntry{views.flags[v], app.DrvUninstRegKeyPath});
    }
    return entries;
}

void DeleteUninstallEntries(RunResult& result) {
    const RegistryViews views = UninstallEntryViews();
    for (int v = 0; v < views.count; ++v) {
        UniqueKey uninstall;
        if (Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0,
                                KEY_ALL_ACCESS | views.flags[v],
                                uninstall.put()) != ERROR_SUCCESS) {
            continue;
        }
        for (const ProductEntry& entry : EntriesToDelete()) {
            if (entry.view != views.flags[v]) continue;
            RecordKeyDelete(result, EntryKeyName(entry),
                            DeleteSubkeyInView(uninstall.get(), entry.name.c_str(), entry.view));
        }
        Api().RegFlushKey(uninstall.get());
    }
    // An entry that names the product under another subkey than the profile's stays, as it always
    // has; its journal is emptied, so that no later run takes it for work left to do.
    RewriteJournal({});
}

std::vector<std::string> PlannedServiceKeys() {
    const CUninstApp& app = theApp;
    std::vector<std::string> keys;
    for (int i = 0; i < RowsInUse(app.UnInstServiceNum); ++i) {
        if (app.ServiceNames[i][0] != '\0')
            keys.push_back("HKLM\\" + std::string(kServicesKey) + "\\" + app.ServiceNames[i]);
    }
    return keys;
}

std::vector<std::string> PlannedDriverKeys(const std::vector<ProductDevice>& devices) {
    const CUninstApp& app = theApp;
    SelectClassKeyPath();
    std::vector<std::string> planned;
    std::set<std::string> inUse;
    if (!DriverKeysInUse(inUse)) return planned;
    // The product's devices take their driver keys with them when they are removed: by the time
    // of the walk those keys are gone.
    std::set<std::string> leaveWithDevices;
    for (const ProductDevice& d : devices) {
        std::string ref = d.driver;
        for (char& c : ref)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (!ref.empty()) leaveWithDevices.insert(ref);
    }
    UniqueKey classKey;
    if (Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, ClassKeyPath, 0, KEY_ALL_ACCESS, classKey.put()) !=
        ERROR_SUCCESS)
        return planned;
    // The keys as the walk will meet them, and whether it deletes each.
    std::vector<std::pair<std::string, bool>> walk;
    std::vector<std::string> withDevices;
    char name[256];
    char description[256];
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = sizeof name;
        FILETIME written{};
        if (Api().RegEnumKeyExA(classKey.get(), index, name, &nameSize, nullptr, nullptr, nullptr,
                                &written) != ERROR_SUCCESS)
            break;
        const std::string ref = DriverKeyRef(name);
        const bool leaves = leaveWithDevices.count(ref) != 0;
        bool describes = false;
        UniqueKey instance;
        if ((leaves || inUse.count(ref) == 0) &&
            Api().RegOpenKeyExA(classKey.get(), name, 0, KEY_ALL_ACCESS, instance.put()) ==
                ERROR_SUCCESS &&
            ReadTextValue(instance.get(), "DriverDesc", description, sizeof description)) {
            for (int i = 0; i < RowsInUse(app.DevIDNum); ++i)
                describes = describes || DescribesDriver(description, app.DevTable[i]);
            for (int i = 0; i < RowsInUse(app.ExtDevIDNum); ++i)
                describes = describes || DescribesDriver(description, app.ExtDevTable[i]);
        }
        // A product device's driver key is named too, where the walk would delete it: a removal
        // that leaves it behind (Wine keeps one that has subkeys) has it deleted by the walk, and
        // a run that finishes this one must do the same.
        if (leaves) {
            if (describes)
                withDevices.push_back("HKLM\\" + std::string(ClassKeyPath) + "\\" + name);
            continue;
        }
        walk.emplace_back(name, describes);
    }
    planned = withDevices;
    // The walk's index moves on after a delete as after any other key, so the key that followed
    // a deleted one is not examined.
    for (std::size_t i = 0; i < walk.size(); ++i) {
        if (!walk[i].second) continue;
        planned.push_back("HKLM\\" + std::string(ClassKeyPath) + "\\" + walk[i].first);
        ++i;
    }
    return planned;
}

std::string DriverKeyRef(const char* name) {
    const std::string classKey = ClassKeyPath;
    std::string ref = classKey.substr(classKey.rfind('\\') + 1) + "\\" + name;
    for (char& c : ref)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return ref;
}

bool ReadTextValue(HKEY key, const char* valueName, char* buffer, DWORD capacity) {
    // Cleared first, so that no key is judged by what the key before it left in the buffer.
    std::memset(buffer, 0, capacity);
    DWORD type = 0;
    DWORD size = capacity;
    if (Api().RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                               &size) != ERROR_SUCCESS) {
        return false;
    }
    return std::memchr(buffer, '\0', capacity) != nullptr;
}

void ForEachClassInstanceKey(DWORD nameCapacity, const InstanceKeyVisitor& visit) {
    UniqueKey classKey;
    if (Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, ClassKeyPath, 0, KEY_ALL_ACCESS, classKey.put()) !=
        ERROR_SUCCESS) {
        return;
    }
    char name[256];
    char description[256];
    if (nameCapacity > sizeof(name)) nameCapacity = sizeof(name);
    // The index advances after a delete as after any other key: the enumeration closes the gap,
    // so the key that followed a deleted one is not examined in this walk.
    for (DWORD index = 0;; ++index) {
        // Reset before every call, also after a key that would not open, so that a long name
        // after a short one is not taken for one that does not fit.
        DWORD nameSize = nameCapacity;
        FILETIME written{};
        if (Api().RegEnumKeyExA(classKey.get(), index, name, &nameSize, nullptr, nullptr, nullptr,
                                &written) != ERROR_SUCCESS) {
            return;
        }
        UniqueKey instance;
        if (Api().RegOpenKeyExA(classKey.get(), name, 0, KEY_ALL_ACCESS, instance.put()) !=
            ERROR_SUCCESS) {
            continue;
        }
        // A key whose description cannot be read is left alone.
        if (!ReadTextValue(instance.get(), "DriverDesc", description, sizeof(description))) {
            continue;
        }
        visit(classKey.get(), name, instance.get(), description);
    }
}

int CleanRegistryNt(RunResult& result) {
    const CUninstApp& app = theApp;
    DeleteServices(app, result);
    DeleteDriverKeys(app, result);
    // The entry goes last, and only when nothing is left: while it stays, the product still counts
    // as installed, and its journal names what the next run is to finish.
    if (result.ItemsLeft() == 0) DeleteUninstallEntries(result);
    return 1;
}
