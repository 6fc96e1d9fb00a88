// The device installer (SETUPAPI), loaded from the system folder and every call looked up at run
// time: the uninstaller must start where the DLL or one of its calls is missing (none before XP
// has SetupUninstallOEMInfA).
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

}  // namespace win32adapter
