// Driver packages from Vista on: a package that will not leave the driver store keeps its INF and
// PNF. Deleted by hand, they would orphan it (Microsoft's "How devices and driver packages are
// uninstalled"): it stays in the store, Windows reinstalls the driver from it when it next finds
// the device, and no tool can remove it by its published name any more.
#include <algorithm>

#include "app/text.h"
#include "app/uninst_app.h"
#include "app/windows_version.h"
#include "nt/nt_removal.h"

namespace {

// Windows keeps the driver store from Vista on; XP has only the INF folder's copies.
bool KeepsDriverStore() {
    const OSVERSIONINFOA version = QueryVersion();
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 6;
}

}  // namespace

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
    if (!KeepsDriverStore()) {
        result.Record(Action::UninstallDriverPackage, oemInf, Outcome::Failed, error);
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
