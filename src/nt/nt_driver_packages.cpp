// Driver packages from Vista on: a package that will not leave the driver store keeps its INF and
// PNF. Deleted by hand, they would orphan it (Microsoft's "How devices and driver packages are
// uninstalled"): it stays in the store, Windows reinstalls the driver from it when it next finds
// the device, and no tool can remove it by its published name any more.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "app/file_removal.h"
#include "app/text.h"
#include "app/uninst_app.h"
#include "app/windows_version.h"
#include "nt/nt_removal.h"
#include "platform/handles.h"

namespace {

constexpr const char* kClassRoot = "SYSTEM\\CurrentControlSet\\Control\\Class\\";

bool SameName(const char* a, const char* b) {
    return std::strlen(a) == std::strlen(b) && AsciiStrNICmp(a, b, std::strlen(a)) == 0;
}

// The INF that a device's driver key names as its InfPath; empty when there is none.
std::string InfOfDriverKey(const std::string& driver) {
    UniqueKey key;
    if (Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kClassRoot + driver).c_str(), 0, KEY_READ,
                            key.put()) != ERROR_SUCCESS)
        return {};
    char inf[256];
    return ReadTextValue(key.get(), "InfPath", inf, sizeof inf) ? inf : "";
}

// The name the INF had before Windows installed it as oemN.inf, as the system keeps it;
// nothing, with the error in the last-error value, when it cannot be read.
std::optional<std::string> OriginalInfName(const char* inf) {
    const RemovalFolder infDir("\\inf\\");
    if (!infDir.Known()) {
        Api().SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    const std::string path = infDir.Prefix() + inf;
    DWORD required = 0;
    if (Api().SetupGetInfInformationA(path.c_str(), INFINFO_INF_NAME_IS_ABSOLUTE, nullptr, 0,
                                      &required) == FALSE &&
        Api().GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return std::nullopt;
    if (required < sizeof(SP_INF_INFORMATION)) {
        Api().SetLastError(ERROR_INVALID_DATA);
        return std::nullopt;
    }
    std::vector<BYTE> block(required);
    auto* information = reinterpret_cast<SP_INF_INFORMATION*>(block.data());
    if (Api().SetupGetInfInformationA(path.c_str(), INFINFO_INF_NAME_IS_ABSOLUTE, information,
                                      required, nullptr) == FALSE)
        return std::nullopt;
    SP_ORIGINAL_FILE_INFO_A original{};
    original.cbSize = sizeof original;
    if (Api().SetupQueryInfOriginalFileInformationA(information, 0, nullptr, &original) == FALSE)
        return std::nullopt;
    original.OriginalInfName[sizeof original.OriginalInfName - 1] = '\0';
    return std::string(original.OriginalInfName);
}

bool IsRowInf(const std::string& name) {
    const CUninstApp& app = theApp;
    auto rows = [&](const DeviceEntry* table, std::int32_t count) {
        for (int i = 0; i < RowsInUse(count); ++i)
            if (table[i].INF[0] != '\0' && SameName(table[i].INF, name.c_str())) return true;
        return false;
    };
    return rows(app.DevTable, app.DevIDNum) || rows(app.ExtDevTable, app.ExtDevIDNum) ||
           rows(app.PossibleDevTable, app.PossibleDevIDNum);
}

}  // namespace

bool KeepsDriverStore() {
    const OSVERSIONINFOA version = QueryVersion();
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 6;
}

PackageProof ProvePackage(const char* inf, const std::vector<ProductDevice>& devices) {
    for (const ProductDevice& device : devices) {
        if (device.driver.empty()) continue;
        if (SameName(InfOfDriverKey(device.driver).c_str(), inf)) return PackageProof{true, {}};
    }
    const std::optional<std::string> original = OriginalInfName(inf);
    if (original && IsRowInf(*original)) return PackageProof{true, {}};
    // The name it was installed from says something only where it is not its own (Wine, and
    // an INF that the system could not read, give the INF's own name or none).
    std::string reason = "no device of the product uses it, and ";
    if (original && !SameName(original->c_str(), inf)) {
        reason += "it was installed from " + *original + ", which no row of the profile names";
    } else {
        reason += "it was not installed from an INF that a row of the profile names";
    }
    return PackageProof{false, reason};
}

// The force flag does not always carry the day: Windows ignores it for some packages (those
// installed to DirId 13, on some architectures), and then the call fails while a device, present
// or not, uses the package.
bool UninstallDriverPackage(const char* oemInf, DeferredDriverPackages& deferred,
                            RunResult& result) {
    if (Api().SetupUninstallOEMInfA(oemInf, SUOI_FORCEDELETE, nullptr) != FALSE) {
        result.Record(Action::UninstallDriverPackage, oemInf, Outcome::Ok);
        return true;
    }
    const DWORD error = Api().GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {
        result.Record(Action::UninstallDriverPackage, oemInf, Outcome::NotFound);
        return true;
    }
    // An INF that two rows collected is deferred once.
    const bool known = std::any_of(deferred.begin(), deferred.end(), [&](const std::string& d) {
        return AsciiStrNICmp(d.c_str(), oemInf, d.size() + 1) == 0;
    });
    if (!known) deferred.emplace_back(oemInf);
    return false;
}

std::vector<std::string> RetryDriverPackages(const DeferredDriverPackages& deferred,
                                             RunResult& result) {
    std::vector<std::string> stayed;
    for (const std::string& inf : deferred) {
        if (Api().SetupUninstallOEMInfA(inf.c_str(), SUOI_FORCEDELETE, nullptr) == FALSE) {
            // It stays in the store with its INF and PNF: an item the run did not remove.
            result.Record(Action::UninstallDriverPackage, inf, Outcome::Failed,
                          Api().GetLastError());
            stayed.push_back(inf);
        } else {
            result.Record(Action::UninstallDriverPackage, inf, Outcome::Ok);
        }
    }
    return stayed;
}
