// The service control manager of the simulated machine: the services are the keys below
// SYSTEM\CurrentControlSet\Services, each stopped unless a test set it running. Windows' manager
// reads those keys when Windows starts and keeps what it read: deleting a service's key does not
// stop the service, which runs on until the next start.
#include "platform/sim/sim_state.h"

namespace sim {

namespace {

constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services";
constexpr DWORD kErrorDatabaseDoesNotExist = 1065;
constexpr DWORD kServiceKernelDriver = 1;
constexpr DWORD kServiceAcceptStop = 1;

ServiceObject* ServiceOf(State& s, SC_HANDLE h) {
    auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(h));
    return it == s.handles.end() ? nullptr : std::get_if<ServiceObject>(&it->second);
}

SC_HANDLE NewServiceHandle(State& s, const std::string& name) {
    const ULONG_PTR h = s.NewHandleValue();
    s.handles[h] = ServiceObject{name};
    return reinterpret_cast<SC_HANDLE>(h);
}

}  // namespace

void Machine::SetServiceRunning(const std::string& name, bool running) {
    if (running) {
        s_->runningServices.insert(Upper(name));
    } else {
        s_->runningServices.erase(Upper(name));
    }
}

SC_HANDLE Machine::OpenSCManagerA(const char* lpMachineName, const char* lpDatabaseName,
                                  DWORD dwDesiredAccess) {
    Call c(*s_, "OpenSCManagerA",
           Str(lpMachineName) + "|" + Str(lpDatabaseName) + "|" + Hex(dwDesiredAccess));
    if (c.Faulted()) return c.FailWith<SC_HANDLE>(nullptr, c.Error());
    if (s_->platformId != VER_PLATFORM_WIN32_NT)
        return c.FailWith<SC_HANDLE>(nullptr, ERROR_CALL_NOT_IMPLEMENTED);
    // Another computer's manager is out of reach of this machine.
    if (lpMachineName != nullptr && lpMachineName[0] != '\0')
        return c.FailWith<SC_HANDLE>(nullptr, kRpcServerUnavailable);
    if (lpDatabaseName != nullptr && !IEquals(lpDatabaseName, "ServicesActive"))
        return c.FailWith<SC_HANDLE>(nullptr, kErrorDatabaseDoesNotExist);
    return c.Ret(NewServiceHandle(*s_, ""));
}

SC_HANDLE Machine::OpenServiceA(SC_HANDLE hSCManager, const char* lpServiceName,
                                DWORD dwDesiredAccess) {
    Call c(*s_, "OpenServiceA", Str(lpServiceName) + "|" + Hex(dwDesiredAccess));
    if (c.Faulted()) return c.FailWith<SC_HANDLE>(nullptr, c.Error());
    const ServiceObject* manager = ServiceOf(*s_, hSCManager);
    if (manager == nullptr || !manager->name.empty())
        return c.FailWith<SC_HANDLE>(nullptr, ERROR_INVALID_HANDLE);
    const std::string name = Str(lpServiceName);
    if (lpServiceName == nullptr || name.empty() || name.find_first_of("\\/") != std::string::npos)
        return c.FailWith<SC_HANDLE>(nullptr, kErrorInvalidName);
    if (s_->Find(HKEY_LOCAL_MACHINE, std::string(kServicesKey) + "\\" + name) == nullptr)
        return c.FailWith<SC_HANDLE>(nullptr, ERROR_SERVICE_DOES_NOT_EXIST);
    return c.Ret(NewServiceHandle(*s_, name));
}

BOOL Machine::QueryServiceStatus(SC_HANDLE hService, SERVICE_STATUS* lpServiceStatus) {
    const ServiceObject* service = ServiceOf(*s_, hService);
    Call c(*s_, "QueryServiceStatus", service != nullptr ? service->name : "<bad handle>");
    if (c.Faulted()) return c.FailBool(c.Error());
    if (service == nullptr || service->name.empty()) return c.FailBool(ERROR_INVALID_HANDLE);
    if (lpServiceStatus == nullptr) return c.FailBool(kErrorNoAccess);
    const bool running = s_->runningServices.count(Upper(service->name)) != 0;
    *lpServiceStatus = SERVICE_STATUS{};
    lpServiceStatus->dwServiceType = kServiceKernelDriver;
    lpServiceStatus->dwCurrentState = running ? SERVICE_RUNNING : SERVICE_STOPPED;
    lpServiceStatus->dwControlsAccepted = running ? kServiceAcceptStop : 0;
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::CloseServiceHandle(SC_HANDLE hSCObject) {
    const ServiceObject* service = ServiceOf(*s_, hSCObject);
    Call c(*s_, "CloseServiceHandle", service != nullptr ? service->name : "<bad handle>");
    if (service == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    s_->handles.erase(reinterpret_cast<ULONG_PTR>(hSCObject));
    if (c.Faulted()) return c.FailBool(c.Error());
    return c.Ret<BOOL>(TRUE);
}

}  // namespace sim
