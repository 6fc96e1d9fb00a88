// The service control manager's calls. Found at run time, not imported: Windows 95's ADVAPI32
// may lack them, and a single missing import keeps the x86 exe from starting there. The 9x road
// never asks for a service.
#include "platform/win32/win32_internal.h"

namespace win32adapter {

namespace {

static_assert(sizeof(w32::SERVICE_STATUS) == sizeof(::SERVICE_STATUS));
static_assert(offsetof(w32::SERVICE_STATUS, dwCurrentState) ==
              offsetof(::SERVICE_STATUS, dwCurrentState));
static_assert(offsetof(w32::SERVICE_STATUS, dwWaitHint) == offsetof(::SERVICE_STATUS, dwWaitHint));

::SC_HANDLE Sc(w32::SC_HANDLE h) {
    return As<::SC_HANDLE>(h);
}

w32::SC_HANDLE Sc(::SC_HANDLE h) {
    return As<w32::SC_HANDLE>(h);
}

}  // namespace

w32::SC_HANDLE RealApi::OpenSCManagerA(const char* lpMachineName, const char* lpDatabaseName,
                                       DWORD dwDesiredAccess) {
    static const auto fn = AdvApi32().Find<decltype(&::OpenSCManagerA)>("OpenSCManagerA");
    if (fn == nullptr) return ProcNotFound<w32::SC_HANDLE>(nullptr);
    return Sc(fn(lpMachineName, lpDatabaseName, dwDesiredAccess));
}

w32::SC_HANDLE RealApi::OpenServiceA(w32::SC_HANDLE hSCManager, const char* lpServiceName,
                                     DWORD dwDesiredAccess) {
    static const auto fn = AdvApi32().Find<decltype(&::OpenServiceA)>("OpenServiceA");
    if (fn == nullptr) return ProcNotFound<w32::SC_HANDLE>(nullptr);
    return Sc(fn(Sc(hSCManager), lpServiceName, dwDesiredAccess));
}

w32::BOOL RealApi::QueryServiceStatus(w32::SC_HANDLE hService,
                                      w32::SERVICE_STATUS* lpServiceStatus) {
    static const auto fn = AdvApi32().Find<decltype(&::QueryServiceStatus)>("QueryServiceStatus");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(0);
    return fn(Sc(hService), As<::LPSERVICE_STATUS>(lpServiceStatus));
}

w32::BOOL RealApi::CloseServiceHandle(w32::SC_HANDLE hSCObject) {
    static const auto fn = AdvApi32().Find<decltype(&::CloseServiceHandle)>("CloseServiceHandle");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(0);
    return fn(Sc(hSCObject));
}

}  // namespace win32adapter
