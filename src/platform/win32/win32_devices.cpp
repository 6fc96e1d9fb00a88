// The device installer (SETUPAPI), loaded from the system folder and every call looked up at run
// time: the uninstaller must start where the DLL or one of its calls is missing (none before XP
// has SetupUninstallOEMInfA).
#include <cstddef>

#include "platform/win32/win32_internal.h"

namespace win32adapter {

w32::HDEVINFO RealApi::SetupDiGetClassDevsA(const w32::GUID* ClassGuid, const char* Enumerator,
                                            HWND hwndParent, DWORD Flags) {
    static const auto fn =
        SetupApi().Find<decltype(&::SetupDiGetClassDevsA)>("SetupDiGetClassDevsA");
    if (fn == nullptr) return ProcNotFound<w32::HDEVINFO>(INVALID_HANDLE_VALUE);
    return fn(As<const ::GUID*>(ClassGuid), Enumerator, Wnd(hwndParent), Flags);
}

w32::BOOL RealApi::SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                                         w32::SP_DEVINFO_DATA* DeviceInfoData) {
    static const auto fn =
        SetupApi().Find<decltype(&::SetupDiEnumDeviceInfo)>("SetupDiEnumDeviceInfo");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(DeviceInfoSet, MemberIndex, As<::PSP_DEVINFO_DATA>(DeviceInfoData));
}

w32::BOOL RealApi::SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet,
                                                     w32::SP_DEVINFO_DATA* DeviceInfoData,
                                                     DWORD Property, DWORD* PropertyRegDataType,
                                                     BYTE* PropertyBuffer, DWORD PropertyBufferSize,
                                                     DWORD* RequiredSize) {
    static const auto fn = SetupApi().Find<decltype(&::SetupDiGetDeviceRegistryPropertyA)>(
        "SetupDiGetDeviceRegistryPropertyA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(DeviceInfoSet, As<::PSP_DEVINFO_DATA>(DeviceInfoData), Property,
              As<::PDWORD>(PropertyRegDataType), PropertyBuffer, PropertyBufferSize,
              As<::PDWORD>(RequiredSize));
}

w32::BOOL RealApi::SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet,
                                               w32::SP_DEVINFO_DATA* DeviceInfoData,
                                               char* DeviceInstanceId, DWORD DeviceInstanceIdSize,
                                               DWORD* RequiredSize) {
    static const auto fn =
        SetupApi().Find<decltype(&::SetupDiGetDeviceInstanceIdA)>("SetupDiGetDeviceInstanceIdA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    ::DWORD required = 0;
    const ::BOOL ok = fn(DeviceInfoSet, As<::PSP_DEVINFO_DATA>(DeviceInfoData), DeviceInstanceId,
                         DeviceInstanceIdSize, &required);
    if (RequiredSize != nullptr) *RequiredSize = required;
    return ok;
}

w32::BOOL RealApi::SetupDiRemoveDevice(HDEVINFO DeviceInfoSet,
                                       w32::SP_DEVINFO_DATA* DeviceInfoData) {
    static const auto fn = SetupApi().Find<decltype(&::SetupDiRemoveDevice)>("SetupDiRemoveDevice");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(DeviceInfoSet, As<::PSP_DEVINFO_DATA>(DeviceInfoData));
}

w32::BOOL RealApi::SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    static const auto fn =
        SetupApi().Find<decltype(&::SetupDiDestroyDeviceInfoList)>("SetupDiDestroyDeviceInfoList");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(DeviceInfoSet);
}

w32::BOOL RealApi::SetupUninstallOEMInfA(const char* InfFileName, DWORD Flags, void* Reserved) {
    static const auto fn =
        SetupApi().Find<decltype(&::SetupUninstallOEMInfA)>("SetupUninstallOEMInfA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(InfFileName, Flags, Reserved);
}

// The name an OEM INF was installed from, and whether a device removal asks for a restart.
static_assert(sizeof(w32::SP_ORIGINAL_FILE_INFO_A) == sizeof(::SP_ORIGINAL_FILE_INFO_A),
              "SP_ORIGINAL_FILE_INFO_A");
static_assert(offsetof(w32::SP_ORIGINAL_FILE_INFO_A, OriginalCatalogName) ==
                  offsetof(::SP_ORIGINAL_FILE_INFO_A, OriginalCatalogName),
              "SP_ORIGINAL_FILE_INFO_A.OriginalCatalogName");

w32::BOOL RealApi::SetupGetInfInformationA(const void* InfSpec, DWORD SearchControl,
                                           w32::SP_INF_INFORMATION* ReturnBuffer,
                                           DWORD ReturnBufferSize, DWORD* RequiredSize) {
    static const auto fn =
        SetupApi().Find<decltype(&::SetupGetInfInformationA)>("SetupGetInfInformationA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    // The block is the system's own; it is only handed back to the query call.
    return fn(InfSpec, SearchControl, reinterpret_cast<::PSP_INF_INFORMATION>(ReturnBuffer),
              ReturnBufferSize, reinterpret_cast<::PDWORD>(RequiredSize));
}

w32::BOOL RealApi::SetupQueryInfOriginalFileInformationA(
    w32::SP_INF_INFORMATION* InfInformation, UINT InfIndex, void* AlternatePlatformInfo,
    w32::SP_ORIGINAL_FILE_INFO_A* OriginalFileInfo) {
    static const auto fn = SetupApi().Find<decltype(&::SetupQueryInfOriginalFileInformationA)>(
        "SetupQueryInfOriginalFileInformationA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(reinterpret_cast<::PSP_INF_INFORMATION>(InfInformation), InfIndex,
              static_cast<::PSP_ALTPLATFORM_INFO>(AlternatePlatformInfo),
              reinterpret_cast<::PSP_ORIGINAL_FILE_INFO_A>(OriginalFileInfo));
}

// The system's structure is packed differently on x86; only the flags are handed back.
w32::BOOL RealApi::SetupDiGetDeviceInstallParamsA(
    HDEVINFO DeviceInfoSet, w32::SP_DEVINFO_DATA* DeviceInfoData,
    w32::SP_DEVINSTALL_PARAMS_A* DeviceInstallParams) {
    static const auto fn = SetupApi().Find<decltype(&::SetupDiGetDeviceInstallParamsA)>(
        "SetupDiGetDeviceInstallParamsA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    if (DeviceInstallParams == nullptr ||
        DeviceInstallParams->cbSize != sizeof(w32::SP_DEVINSTALL_PARAMS_A)) {
        ::SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    ::SP_DEVINSTALL_PARAMS_A params{};
    params.cbSize = sizeof params;
    if (!fn(DeviceInfoSet, reinterpret_cast<::PSP_DEVINFO_DATA>(DeviceInfoData), &params))
        return FALSE;
    DeviceInstallParams->Flags = params.Flags;
    DeviceInstallParams->FlagsEx = params.FlagsEx;
    return TRUE;
}

}  // namespace win32adapter
