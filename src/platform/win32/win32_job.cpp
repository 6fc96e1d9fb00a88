// The hand-over's child in a job that ends it with its parent, started suspended and let go once
// it is in the job; the error mode; the window station, which tells whether anyone can see the
// run (KERNEL32, USER32). Found at run time: job objects arrived with 2000, and Windows 95 has no
// window stations.
#include "platform/win32/win32_internal.h"

namespace win32adapter {

namespace {

TVU_SAME_SIZE(JOBOBJECT_EXTENDED_LIMIT_INFORMATION, JOBOBJECT_EXTENDED_LIMIT_INFORMATION);
TVU_SAME_FIELD(JOBOBJECT_BASIC_LIMIT_INFORMATION, JOBOBJECT_BASIC_LIMIT_INFORMATION, LimitFlags);
TVU_SAME_FIELD(JOBOBJECT_BASIC_LIMIT_INFORMATION, JOBOBJECT_BASIC_LIMIT_INFORMATION,
               SchedulingClass);
TVU_SAME_FIELD(JOBOBJECT_EXTENDED_LIMIT_INFORMATION, JOBOBJECT_EXTENDED_LIMIT_INFORMATION, IoInfo);
TVU_SAME_FIELD(JOBOBJECT_EXTENDED_LIMIT_INFORMATION, JOBOBJECT_EXTENDED_LIMIT_INFORMATION,
               PeakJobMemoryUsed);
TVU_SAME_SIZE(USEROBJECTFLAGS, USEROBJECTFLAGS);
TVU_SAME_FIELD(USEROBJECTFLAGS, USEROBJECTFLAGS, dwFlags);

using CreateJobFn = ::HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCSTR);
using SetJobFn = ::BOOL(WINAPI*)(::HANDLE, JOBOBJECTINFOCLASS, LPVOID, ::DWORD);
using AssignJobFn = ::BOOL(WINAPI*)(::HANDLE, ::HANDLE);
using ResumeFn = ::DWORD(WINAPI*)(::HANDLE);
using ErrorModeFn = ::UINT(WINAPI*)(::UINT);
using StationFn = ::HWINSTA(WINAPI*)();
using ObjectInfoFn = ::BOOL(WINAPI*)(::HANDLE, int, PVOID, ::DWORD, LPDWORD);

}  // namespace

w32::HANDLE RealApi::CreateJobObjectA(w32::SECURITY_ATTRIBUTES* lpJobAttributes,
                                      const char* lpName) {
    static const auto fn = Kernel32().Find<CreateJobFn>("CreateJobObjectA");
    if (fn == nullptr) return ProcNotFound<w32::HANDLE>(nullptr);
    return fn(As<LPSECURITY_ATTRIBUTES>(lpJobAttributes), lpName);
}

w32::BOOL RealApi::SetInformationJobObject(HANDLE hJob,
                                           w32::JOBOBJECTINFOCLASS JobObjectInformationClass,
                                           void* lpJobObjectInformation,
                                           DWORD cbJobObjectInformationLength) {
    static const auto fn = Kernel32().Find<SetJobFn>("SetInformationJobObject");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(hJob, static_cast<JOBOBJECTINFOCLASS>(JobObjectInformationClass),
              lpJobObjectInformation, cbJobObjectInformationLength);
}

w32::BOOL RealApi::AssignProcessToJobObject(HANDLE hJob, HANDLE hProcess) {
    static const auto fn = Kernel32().Find<AssignJobFn>("AssignProcessToJobObject");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(hJob, hProcess);
}

w32::DWORD RealApi::ResumeThread(HANDLE hThread) {
    static const auto fn = Kernel32().Find<ResumeFn>("ResumeThread");
    if (fn == nullptr) return ProcNotFound<w32::DWORD>(0xFFFFFFFFu);
    return fn(hThread);
}

w32::UINT RealApi::SetErrorMode(UINT uMode) {
    static const auto fn = Kernel32().Find<ErrorModeFn>("SetErrorMode");
    if (fn == nullptr) return ProcNotFound<w32::UINT>(0);
    return fn(uMode);
}

w32::HWINSTA RealApi::GetProcessWindowStation() {
    static const auto fn = User32().Find<StationFn>("GetProcessWindowStation");
    if (fn == nullptr) return ProcNotFound<w32::HWINSTA>(nullptr);
    return As<w32::HWINSTA>(fn());
}

w32::BOOL RealApi::GetUserObjectInformationA(HANDLE hObj, int nIndex, void* pvInfo, DWORD nLength,
                                             DWORD* lpnLengthNeeded) {
    static const auto fn = User32().Find<ObjectInfoFn>("GetUserObjectInformationA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(hObj, nIndex, pvInfo, nLength, As<LPDWORD>(lpnLengthNeeded));
}

}  // namespace win32adapter
