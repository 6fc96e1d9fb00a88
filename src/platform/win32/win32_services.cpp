// The real-API adapter's calls to the service control manager. The port header comes first, as in
// win32_api.cpp: <windows.h>'s macros would otherwise rewrite the port's constants.
#include "platform/port.h"
#include "platform/win32/win32_api.h"

// clang-format off
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// clang-format on

#include <cstddef>

#pragma push_macro("BOOL")
#undef BOOL

namespace win32adapter {

namespace {

static_assert(sizeof(w32::SERVICE_STATUS) == sizeof(::SERVICE_STATUS));
static_assert(offsetof(w32::SERVICE_STATUS, dwCurrentState) ==
              offsetof(::SERVICE_STATUS, dwCurrentState));
static_assert(offsetof(w32::SERVICE_STATUS, dwWaitHint) == offsetof(::SERVICE_STATUS, dwWaitHint));

// Found at run time, not imported: Windows 95's ADVAPI32 may lack them, and a single missing
// import keeps the x86 exe from starting there. ADVAPI32 is in the process from its start (the
// registry calls import it), so it is only looked up. The 9x road never asks for a service.
template <typename Fn>
Fn AdvApi32Function(const char* name) {
    const ::HMODULE advapi32 = ::GetModuleHandleA("advapi32.dll");
    if (advapi32 == nullptr) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(advapi32, name)));
}

::SC_HANDLE Sc(w32::SC_HANDLE h) {
    return reinterpret_cast<::SC_HANDLE>(h);
}

w32::SC_HANDLE Sc(::SC_HANDLE h) {
    return reinterpret_cast<w32::SC_HANDLE>(h);
}

template <typename T>
T ProcNotFound(T failure) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return failure;
}

}  // namespace

w32::SC_HANDLE RealApi::OpenSCManagerA(const char* lpMachineName, const char* lpDatabaseName,
                                       DWORD dwDesiredAccess) {
    static const auto fn = AdvApi32Function<decltype(&::OpenSCManagerA)>("OpenSCManagerA");
    if (fn == nullptr) return ProcNotFound<w32::SC_HANDLE>(nullptr);
    return Sc(fn(lpMachineName, lpDatabaseName, dwDesiredAccess));
}

w32::SC_HANDLE RealApi::OpenServiceA(w32::SC_HANDLE hSCManager, const char* lpServiceName,
                                     DWORD dwDesiredAccess) {
    static const auto fn = AdvApi32Function<decltype(&::OpenServiceA)>("OpenServiceA");
    if (fn == nullptr) return ProcNotFound<w32::SC_HANDLE>(nullptr);
    return Sc(fn(Sc(hSCManager), lpServiceName, dwDesiredAccess));
}

w32::BOOL RealApi::QueryServiceStatus(w32::SC_HANDLE hService,
                                      w32::SERVICE_STATUS* lpServiceStatus) {
    static const auto fn = AdvApi32Function<decltype(&::QueryServiceStatus)>("QueryServiceStatus");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(0);
    return fn(Sc(hService), reinterpret_cast<::LPSERVICE_STATUS>(lpServiceStatus));
}

w32::BOOL RealApi::CloseServiceHandle(w32::SC_HANDLE hSCObject) {
    static const auto fn = AdvApi32Function<decltype(&::CloseServiceHandle)>("CloseServiceHandle");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(0);
    return fn(Sc(hSCObject));
}

}  // namespace win32adapter

#pragma pop_macro("BOOL")
