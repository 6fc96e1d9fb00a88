// Checks, on the real API, that the adapter finds its optional functions in the system's own DLLs
// and never in DLLs planted beside the program (planted.cpp, copied here by the test under the
// system DLLs' names).
//   loadprobe            calls every run-time-loaded function through the adapter, as the
//                        uninstaller does; exit 0 when each was found and no planted DLL ran.
//   loadprobe naive DLL...  loads each DLL with a plain LoadLibraryA, the mistake the adapter
//                        avoids; exit 0 when a planted DLL ran, which shows the planted copies
//                        are found and working, so that the first form's clean result means
//                        something.
// The port's headers come before <windows.h>, whose macros would otherwise rewrite the port's
// constants.
// clang-format off
#include "platform/port.h"
#include "platform/win32/win32_api.h"
// Named before <windows.h> makes these names its own macros.
namespace {
const w32::HANDLE kInvalidHandle = w32::INVALID_HANDLE_VALUE;
const w32::HKEY kCurrentUser = w32::HKEY_CURRENT_USER;
}  // namespace
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// clang-format on

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kPlanted[] = {"sfc", "sfc_os", "setupapi", "shlwapi"};

int MarkersFound(win32adapter::RealApi& api) {
    int found = 0;
    for (const char* name : kPlanted) {
        char marker[MAX_PATH];
        wsprintfA(marker, "C:\\markers\\planted-%s.txt", name);
        if (api.GetFileAttributesA(marker) != INVALID_FILE_ATTRIBUTES) {
            std::printf("planted %s.dll ran\n", name);
            ++found;
        }
    }
    return found;
}

int failures = 0;

void Expect(bool ok, const char* what, unsigned long error) {
    std::printf("%s %s (last error %lu)\n", ok ? "ok  " : "FAIL", what, error);
    if (!ok) ++failures;
}

}  // namespace

int main(int argc, char** argv) {
    win32adapter::RealApi api;
    if (argc >= 2 && std::strcmp(argv[1], "naive") == 0) {
        for (int i = 2; i < argc; ++i) LoadLibraryA(argv[i]);
        return MarkersFound(api) > 0 ? 0 : 1;
    }

    win32adapter::RestrictDllSearch();

    // A missing function answers ERROR_PROC_NOT_FOUND: every call below must reach the real one.
    api.SetLastError(0);
    api.SfcIsFileProtected(nullptr, u"C:\\windows\\system32\\kernel32.dll");
    w32::DWORD error = api.GetLastError();
    Expect(error != ERROR_PROC_NOT_FOUND, "SfcIsFileProtected found", error);

    const w32::LONG deleted = api.SHDeleteKeyA(kCurrentUser, "Software\\tvu-loadprobe");
    Expect(deleted != ERROR_PROC_NOT_FOUND, "SHDeleteKeyA found", static_cast<w32::DWORD>(deleted));

    const w32::HDEVINFO devices =
        api.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, w32::DIGCF_ALLCLASSES);
    error = api.GetLastError();
    Expect(devices != kInvalidHandle, "SetupDiGetClassDevsA found", error);
    if (devices != kInvalidHandle) {
        Expect(api.SetupDiDestroyDeviceInfoList(devices) != 0, "SetupDiDestroyDeviceInfoList",
               api.GetLastError());
    }

    api.SetLastError(0);
    api.SetupUninstallOEMInfA("oem-absent.inf", 0, nullptr);
    error = api.GetLastError();
    Expect(error != ERROR_PROC_NOT_FOUND, "SetupUninstallOEMInfA found", error);

    const w32::HANDLE snapshot = api.CreateToolhelp32Snapshot(w32::TH32CS_SNAPPROCESS, 0);
    error = api.GetLastError();
    Expect(snapshot != kInvalidHandle, "CreateToolhelp32Snapshot found", error);
    if (snapshot != kInvalidHandle) {
        w32::PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        Expect(api.Process32First(snapshot, &entry) != 0, "Process32First found",
               api.GetLastError());
        Expect(api.Process32Next(snapshot, &entry) != 0, "Process32Next found", api.GetLastError());
        api.CloseHandle(snapshot);
    }

    w32::BOOL wow64 = 0;
    Expect(api.IsWow64Process(api.GetCurrentProcess(), &wow64) != 0, "IsWow64Process found",
           api.GetLastError());
    // GetSystemInfo, the fallback, gives a WOW64 process the emulated x86 architecture: only the
    // real GetNativeSystemInfo says AMD64 there.
    w32::SYSTEM_INFO native{};
    api.GetNativeSystemInfo(&native);
    const bool wide = sizeof(void*) == 8 || wow64 != 0;
    Expect(native.wProcessorArchitecture ==
               (wide ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL),
           "GetNativeSystemInfo gives the machine's architecture", native.wProcessorArchitecture);

    if (MarkersFound(api) > 0) ++failures;
    return failures == 0 ? 0 : 1;
}
