// The device installer's calls that prove a driver package the product's (its original INF
// name) and tell whether a device removal asks for a restart. Found at run time in setupapi.dll
// like the adapter's other device-installer calls: SETUPAPI.DLL is not part of Windows 95 or
// NT 4.0, where the x86 exe must still start.
#include "platform/port.h"
#include "platform/win32/win32_api.h"

// clang-format off
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <setupapi.h>
// clang-format on

#include <cstddef>
#include <cstring>

#pragma push_macro("BOOL")
#undef BOOL

namespace win32adapter {

namespace {

static_assert(sizeof(w32::SP_ORIGINAL_FILE_INFO_A) == sizeof(::SP_ORIGINAL_FILE_INFO_A),
              "SP_ORIGINAL_FILE_INFO_A");
static_assert(offsetof(w32::SP_ORIGINAL_FILE_INFO_A, OriginalCatalogName) ==
                  offsetof(::SP_ORIGINAL_FILE_INFO_A, OriginalCatalogName),
              "SP_ORIGINAL_FILE_INFO_A.OriginalCatalogName");

// setupapi.dll from the system folder by its full path, never by its bare name (which the search
// would look for beside the uninstaller first); the adapter has loaded it already for the device
// walk, and this finds the same module.
::HMODULE SetupApiModule() {
    static const ::HMODULE module = [] {
        char path[MAX_PATH];
        constexpr char kName[] = "\\setupapi.dll";
        const ::UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
        if (length == 0 || length + sizeof kName > sizeof path)
            return static_cast<::HMODULE>(nullptr);
        std::memcpy(path + length, kName, sizeof kName);
        return ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }();
    return module;
}

template <typename Fn>
Fn FindInSetupApi(const char* name) {
    if (SetupApiModule() == nullptr) return nullptr;
    return reinterpret_cast<Fn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(SetupApiModule(), name)));
}

w32::BOOL Missing() {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}

}  // namespace

w32::BOOL RealApi::SetupGetInfInformationA(const void* InfSpec, DWORD SearchControl,
                                           w32::SP_INF_INFORMATION* ReturnBuffer,
                                           DWORD ReturnBufferSize, DWORD* RequiredSize) {
    static const auto fn =
        FindInSetupApi<decltype(&::SetupGetInfInformationA)>("SetupGetInfInformationA");
    if (fn == nullptr) return Missing();
    // The block is the system's own; it is only handed back to the query call.
    return fn(InfSpec, SearchControl, reinterpret_cast<::PSP_INF_INFORMATION>(ReturnBuffer),
              ReturnBufferSize, reinterpret_cast<::PDWORD>(RequiredSize));
}

w32::BOOL RealApi::SetupQueryInfOriginalFileInformationA(
    w32::SP_INF_INFORMATION* InfInformation, UINT InfIndex, void* AlternatePlatformInfo,
    w32::SP_ORIGINAL_FILE_INFO_A* OriginalFileInfo) {
    static const auto fn = FindInSetupApi<decltype(&::SetupQueryInfOriginalFileInformationA)>(
        "SetupQueryInfOriginalFileInformationA");
    if (fn == nullptr) return Missing();
    return fn(reinterpret_cast<::PSP_INF_INFORMATION>(InfInformation), InfIndex,
              static_cast<::PSP_ALTPLATFORM_INFO>(AlternatePlatformInfo),
              reinterpret_cast<::PSP_ORIGINAL_FILE_INFO_A>(OriginalFileInfo));
}

// The system's structure is packed differently on x86; only the flags are handed back.
w32::BOOL RealApi::SetupDiGetDeviceInstallParamsA(
    HDEVINFO DeviceInfoSet, w32::SP_DEVINFO_DATA* DeviceInfoData,
    w32::SP_DEVINSTALL_PARAMS_A* DeviceInstallParams) {
    static const auto fn = FindInSetupApi<decltype(&::SetupDiGetDeviceInstallParamsA)>(
        "SetupDiGetDeviceInstallParamsA");
    if (fn == nullptr) return Missing();
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

#pragma pop_macro("BOOL")
