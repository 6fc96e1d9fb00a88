#include "app/windows_version.h"

using namespace w32;

bool Is64BitWindows() {
    if (QueryVersion().dwPlatformId != VER_PLATFORM_WIN32_NT) return false;
    SYSTEM_INFO info{};
    Api().GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64;
}

bool RunsUnderWow64() {
    BOOL wow64 = FALSE;
    return Api().IsWow64Process(Api().GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE;
}

RegistryViews UninstallEntryViews() {
    if (Is64BitWindows()) return RegistryViews{{KEY_WOW64_64KEY, KEY_WOW64_32KEY}, 2};
    return RegistryViews{{0, 0}, 1};
}
