// Processes: Tool Help's snapshots, starting and ending processes, the token's privileges, the
// mutex that keeps to one run at a time, and closing a kernel handle.
#include "platform/win32/win32_internal.h"

namespace win32adapter {

// NT 4.0's KERNEL32 has no Tool Help.
w32::HANDLE RealApi::CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID) {
    static const auto fn =
        Kernel32().Find<decltype(&::CreateToolhelp32Snapshot)>("CreateToolhelp32Snapshot");
    if (fn == nullptr) return ProcNotFound<w32::HANDLE>(INVALID_HANDLE_VALUE);
    return fn(dwFlags, th32ProcessID);
}

w32::BOOL RealApi::Process32First(HANDLE hSnapshot, w32::PROCESSENTRY32* lppe) {
    static const auto fn = Kernel32().Find<decltype(&::Process32First)>("Process32First");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(hSnapshot, As<::LPPROCESSENTRY32>(lppe));
}

w32::BOOL RealApi::Process32Next(HANDLE hSnapshot, w32::PROCESSENTRY32* lppe) {
    static const auto fn = Kernel32().Find<decltype(&::Process32Next)>("Process32Next");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(hSnapshot, As<::LPPROCESSENTRY32>(lppe));
}

w32::HANDLE RealApi::GetCurrentProcess() {
    return ::GetCurrentProcess();
}

w32::BOOL RealApi::OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess,
                                    HANDLE* TokenHandle) {
    return ::OpenProcessToken(ProcessHandle, DesiredAccess, TokenHandle);
}

w32::BOOL RealApi::LookupPrivilegeValueA(const char* lpSystemName, const char* lpName,
                                         w32::LUID* lpLuid) {
    return ::LookupPrivilegeValueA(lpSystemName, lpName, As<::PLUID>(lpLuid));
}

w32::BOOL RealApi::AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges,
                                         w32::TOKEN_PRIVILEGES* NewState, DWORD BufferLength,
                                         w32::TOKEN_PRIVILEGES* PreviousState,
                                         DWORD* ReturnLength) {
    return ::AdjustTokenPrivileges(
        TokenHandle, DisableAllPrivileges, As<::PTOKEN_PRIVILEGES>(NewState), BufferLength,
        As<::PTOKEN_PRIVILEGES>(PreviousState), As<::PDWORD>(ReturnLength));
}

w32::BOOL RealApi::CreateProcessA(const char* lpApplicationName, char* lpCommandLine,
                                  void* lpProcessAttributes, void* lpThreadAttributes,
                                  BOOL bInheritHandles, DWORD dwCreationFlags, void* lpEnvironment,
                                  const char* lpCurrentDirectory, w32::STARTUPINFOA* lpStartupInfo,
                                  w32::PROCESS_INFORMATION* lpProcessInformation) {
    return ::CreateProcessA(
        lpApplicationName, lpCommandLine, static_cast<::LPSECURITY_ATTRIBUTES>(lpProcessAttributes),
        static_cast<::LPSECURITY_ATTRIBUTES>(lpThreadAttributes), bInheritHandles, dwCreationFlags,
        lpEnvironment, lpCurrentDirectory, As<::LPSTARTUPINFOA>(lpStartupInfo),
        As<::LPPROCESS_INFORMATION>(lpProcessInformation));
}

w32::DWORD RealApi::WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    return ::WaitForSingleObject(hHandle, dwMilliseconds);
}

w32::BOOL RealApi::GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode) {
    ::DWORD code = 0;
    const ::BOOL ok = ::GetExitCodeProcess(hProcess, &code);
    if (lpExitCode != nullptr) *lpExitCode = code;
    return ok;
}

w32::HANDLE RealApi::OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId) {
    return ::OpenProcess(dwDesiredAccess, bInheritHandle, dwProcessId);
}

w32::BOOL RealApi::TerminateProcess(HANDLE hProcess, UINT uExitCode) {
    return ::TerminateProcess(hProcess, uExitCode);
}

w32::HANDLE RealApi::CreateMutexA(void* lpMutexAttributes, BOOL bInitialOwner, const char* lpName) {
    return ::CreateMutexA(static_cast<::LPSECURITY_ATTRIBUTES>(lpMutexAttributes), bInitialOwner,
                          lpName);
}

w32::BOOL RealApi::CloseHandle(HANDLE hObject) {
    return ::CloseHandle(hObject);
}

}  // namespace win32adapter
