// The driver store from XP on: the OEM INFs' packages, their uninstall, and what the store says
// of an INF (the name it was installed from), beside the files the packages lie in
// (sim_files.cpp).
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/sim/sim_state.h"

namespace sim {

namespace {

constexpr const char* kCatalogFolder = "system32\\CatRoot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}";
constexpr DWORD kErrorInfInUseByDevices = 0xE000023D;

}  // namespace

// The OEM INF's package: its INF and PNF, its catalog, and from Vista on its folder in the
// driver store. An INF that a device still uses stays unless the delete is forced.
BOOL Machine::SetupUninstallOEMInfA(const char* InfFileName, DWORD Flags, void* Reserved) {
    Call c(*s_, "SetupUninstallOEMInfA", Str(InfFileName) + "|" + Hex(Flags));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (!s_->HasXpFunctions()) return c.FailBool(ERROR_PROC_NOT_FOUND);
    if (InfFileName == nullptr || Reserved != nullptr || (Flags & ~SUOI_FORCEDELETE) != 0)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    const std::string name = InfFileName;
    if (name.find_first_of("\\/:") != std::string::npos) return c.FailBool(ERROR_INVALID_PARAMETER);
    const std::string infPath = s_->windowsDirectory + "\\inf\\" + name;
    if (!FileExists(infPath)) return c.FailBool(ERROR_FILE_NOT_FOUND);
    // The force flag is ignored for a package that runs from the store; a device does not need
    // to be present to be found using the INF.
    auto package = s_->driverPackages.find(Lower(name));
    const bool forceIgnored =
        s_->major >= 6 && package != s_->driverPackages.end() && package->second.runsFromStore;
    if ((Flags & SUOI_FORCEDELETE) == 0 || forceIgnored) {
        if (s_->InfUsedByADevice(name)) return c.FailBool(kErrorInfInUseByDevices);
    }
    const std::string base = name.substr(0, name.rfind('.'));
    std::error_code ec;
    for (const std::string& rel : {"inf\\" + name, "inf\\" + base + ".pnf",
                                   std::string(kCatalogFolder) + "\\" + base + ".cat"}) {
        const State::Resolved r = s_->Resolve(s_->windowsDirectory + "\\" + rel);
        if (std::filesystem::remove(r.disk, ec)) s_->attributes.erase(r.relKey);
    }
    if (s_->major >= 6 && package != s_->driverPackages.end()) {
        const State::Resolved r = s_->Resolve(s_->windowsDirectory + "\\" + package->second.folder);
        std::filesystem::remove_all(r.disk, ec);
        s_->driverPackages.erase(package);
    }
    return c.Ret<BOOL>(TRUE);
}

// As Wine does, the information block holds the INF's path, which only the query calls read.
BOOL Machine::SetupGetInfInformationA(const void* InfSpec, DWORD SearchControl,
                                      SP_INF_INFORMATION* ReturnBuffer, DWORD ReturnBufferSize,
                                      DWORD* RequiredSize) {
    const char* path = static_cast<const char*>(InfSpec);
    Call c(
        *s_, "SetupGetInfInformationA",
        Str(path) + "|" + std::to_string(SearchControl) + "|" + std::to_string(ReturnBufferSize));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (path == nullptr || SearchControl != INFINFO_INF_NAME_IS_ABSOLUTE)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    if (!FileExists(path)) return c.FailBool(ERROR_FILE_NOT_FOUND);
    const auto needed =
        static_cast<DWORD>(offsetof(SP_INF_INFORMATION, VersionData) + std::strlen(path) + 1);
    if (RequiredSize != nullptr) *RequiredSize = needed;
    if (ReturnBuffer == nullptr) {
        if (ReturnBufferSize >= needed) return c.FailBool(ERROR_INVALID_PARAMETER);
        return c.Ret<BOOL>(TRUE);
    }
    if (ReturnBufferSize < needed) return c.FailBool(ERROR_INSUFFICIENT_BUFFER);
    ReturnBuffer->InfStyle = 2;  // INF_STYLE_WIN4
    ReturnBuffer->InfCount = 1;
    std::memcpy(ReturnBuffer->VersionData, path, std::strlen(path) + 1);
    return c.Ret<BOOL>(TRUE);
}

// The original name of a package in the store; any other INF was installed under its own name.
BOOL Machine::SetupQueryInfOriginalFileInformationA(SP_INF_INFORMATION* InfInformation,
                                                    UINT InfIndex, void* AlternatePlatformInfo,
                                                    SP_ORIGINAL_FILE_INFO_A* OriginalFileInfo) {
    Call c(*s_, "SetupQueryInfOriginalFileInformationA", std::to_string(InfIndex));
    (void)AlternatePlatformInfo;
    if (c.Faulted()) return c.FailBool(c.Error());
    if (InfInformation == nullptr || OriginalFileInfo == nullptr)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    if (OriginalFileInfo->cbSize != sizeof(SP_ORIGINAL_FILE_INFO_A))
        return c.FailBool(kErrorInvalidUserBuffer);
    if (InfIndex >= InfInformation->InfCount) return c.FailBool(ERROR_INVALID_PARAMETER);
    const std::string path(reinterpret_cast<const char*>(InfInformation->VersionData));
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    std::string original = name;
    auto package = s_->driverPackages.find(Lower(name));
    if (package != s_->driverPackages.end() && !package->second.originalInf.empty())
        original = package->second.originalInf;
    const std::string catalog = original.substr(0, original.rfind('.')) + ".cat";
    std::snprintf(OriginalFileInfo->OriginalInfName, MAX_PATH, "%s", original.c_str());
    std::snprintf(OriginalFileInfo->OriginalCatalogName, MAX_PATH, "%s", catalog.c_str());
    return c.Ret<BOOL>(TRUE);
}

void Machine::AddDriverPackage(const std::string& oemInf, const std::string& storeFolder,
                               const std::string& originalInf, bool runsFromStore) {
    const std::string base = oemInf.substr(0, oemInf.rfind('.'));
    WriteFile(s_->windowsDirectory + "\\" + storeFolder + "\\" + oemInf);
    WriteFile(s_->windowsDirectory + "\\" + kCatalogFolder + "\\" + base + ".cat");
    s_->driverPackages[Lower(oemInf)] =
        State::DriverPackage{storeFolder, originalInf, runsFromStore};
}

bool Machine::HasDriverPackage(const std::string& oemInf) const {
    return s_->driverPackages.count(Lower(oemInf)) != 0;
}

}  // namespace sim
