// A port that hands every call to another one; a test derives from it to change the answer of
// one call that the simulated machine cannot be made to give.
#pragma once

#include "platform/port.h"

class ForwardingApi : public w32::Win32Api {
public:
    explicit ForwardingApi(w32::Win32Api& next) : next_(next) {}

protected:
    w32::Win32Api& next_;

public:
    w32::LONG RegOpenKeyA(w32::HKEY hKey, const char* lpSubKey, w32::HKEY* phkResult) override {
        return next_.RegOpenKeyA(hKey, lpSubKey, phkResult);
    }
    w32::LONG RegOpenKeyExA(w32::HKEY hKey, const char* lpSubKey, w32::DWORD ulOptions,
                            w32::DWORD samDesired, w32::HKEY* phkResult) override {
        return next_.RegOpenKeyExA(hKey, lpSubKey, ulOptions, samDesired, phkResult);
    }
    w32::LONG RegEnumKeyExA(w32::HKEY hKey, w32::DWORD dwIndex, char* lpName, w32::DWORD* lpcchName,
                            w32::DWORD* lpReserved, char* lpClass, w32::DWORD* lpcchClass,
                            w32::FILETIME* lpftLastWriteTime) override {
        return next_.RegEnumKeyExA(hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass,
                                   lpcchClass, lpftLastWriteTime);
    }
    w32::LONG RegQueryValueExA(w32::HKEY hKey, const char* lpValueName, w32::DWORD* lpReserved,
                               w32::DWORD* lpType, w32::BYTE* lpData,
                               w32::DWORD* lpcbData) override {
        return next_.RegQueryValueExA(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
    }
    w32::LONG RegDeleteKeyA(w32::HKEY hKey, const char* lpSubKey) override {
        return next_.RegDeleteKeyA(hKey, lpSubKey);
    }
    w32::LONG SHDeleteKeyA(w32::HKEY hKey, const char* pszSubKey) override {
        return next_.SHDeleteKeyA(hKey, pszSubKey);
    }
    w32::LONG RegDeleteKeyExA(w32::HKEY hKey, const char* sub, w32::DWORD sam,
                              w32::DWORD reserved) override {
        return next_.RegDeleteKeyExA(hKey, sub, sam, reserved);
    }
    w32::LONG RegDeleteTreeA(w32::HKEY hKey, const char* sub) override {
        return next_.RegDeleteTreeA(hKey, sub);
    }
    w32::LONG RegFlushKey(w32::HKEY hKey) override { return next_.RegFlushKey(hKey); }
    w32::LONG RegCloseKey(w32::HKEY hKey) override { return next_.RegCloseKey(hKey); }
    w32::DWORD GetPrivateProfileStringA(const char* lpAppName, const char* lpKeyName,
                                        const char* lpDefault, char* lpReturnedString,
                                        w32::DWORD nSize, const char* lpFileName) override {
        return next_.GetPrivateProfileStringA(lpAppName, lpKeyName, lpDefault, lpReturnedString,
                                              nSize, lpFileName);
    }
    w32::UINT GetPrivateProfileIntA(const char* lpAppName, const char* lpKeyName, int nDefault,
                                    const char* lpFileName) override {
        return next_.GetPrivateProfileIntA(lpAppName, lpKeyName, nDefault, lpFileName);
    }
    w32::BOOL GetVersionExA(w32::OSVERSIONINFOA* lpVersionInformation) override {
        return next_.GetVersionExA(lpVersionInformation);
    }
    w32::UINT GetWindowsDirectoryA(char* lpBuffer, w32::UINT uSize) override {
        return next_.GetWindowsDirectoryA(lpBuffer, uSize);
    }
    void Sleep(w32::DWORD dwMilliseconds) override { next_.Sleep(dwMilliseconds); }
    w32::DWORD GetLastError() override { return next_.GetLastError(); }
    void SetLastError(w32::DWORD dwErrCode) override { next_.SetLastError(dwErrCode); }
    w32::HLOCAL LocalAlloc(w32::UINT uFlags, w32::SIZE_T uBytes) override {
        return next_.LocalAlloc(uFlags, uBytes);
    }
    w32::HLOCAL LocalFree(w32::HLOCAL hMem) override { return next_.LocalFree(hMem); }
    int lstrcmpiA(const char* lpString1, const char* lpString2) override {
        return next_.lstrcmpiA(lpString1, lpString2);
    }
    char* CharLowerA(char* lpsz) override { return next_.CharLowerA(lpsz); }
    int MultiByteToWideChar(w32::UINT CodePage, w32::DWORD dwFlags, const char* lpMultiByteStr,
                            int cbMultiByte, w32::WCHAR* lpWideCharStr, int cchWideChar) override {
        return next_.MultiByteToWideChar(CodePage, dwFlags, lpMultiByteStr, cbMultiByte,
                                         lpWideCharStr, cchWideChar);
    }
    w32::BOOL SetFileAttributesA(const char* lpFileName, w32::DWORD dwFileAttributes) override {
        return next_.SetFileAttributesA(lpFileName, dwFileAttributes);
    }
    w32::BOOL DeleteFileA(const char* lpFileName) override { return next_.DeleteFileA(lpFileName); }
    w32::BOOL SfcIsFileProtected(w32::HANDLE RpcHandle, const w32::WCHAR* ProtFileName) override {
        return next_.SfcIsFileProtected(RpcHandle, ProtFileName);
    }
    w32::HDEVINFO SetupDiGetClassDevsA(const w32::GUID* ClassGuid, const char* Enumerator,
                                       w32::HWND hwndParent, w32::DWORD Flags) override {
        return next_.SetupDiGetClassDevsA(ClassGuid, Enumerator, hwndParent, Flags);
    }
    w32::BOOL SetupDiEnumDeviceInfo(w32::HDEVINFO DeviceInfoSet, w32::DWORD MemberIndex,
                                    w32::SP_DEVINFO_DATA* DeviceInfoData) override {
        return next_.SetupDiEnumDeviceInfo(DeviceInfoSet, MemberIndex, DeviceInfoData);
    }
    w32::BOOL SetupDiGetDeviceRegistryPropertyA(
        w32::HDEVINFO DeviceInfoSet, w32::SP_DEVINFO_DATA* DeviceInfoData, w32::DWORD Property,
        w32::DWORD* PropertyRegDataType, w32::BYTE* PropertyBuffer, w32::DWORD PropertyBufferSize,
        w32::DWORD* RequiredSize) override {
        return next_.SetupDiGetDeviceRegistryPropertyA(DeviceInfoSet, DeviceInfoData, Property,
                                                       PropertyRegDataType, PropertyBuffer,
                                                       PropertyBufferSize, RequiredSize);
    }
    w32::BOOL SetupDiRemoveDevice(w32::HDEVINFO DeviceInfoSet,
                                  w32::SP_DEVINFO_DATA* DeviceInfoData) override {
        return next_.SetupDiRemoveDevice(DeviceInfoSet, DeviceInfoData);
    }
    w32::BOOL SetupDiDestroyDeviceInfoList(w32::HDEVINFO DeviceInfoSet) override {
        return next_.SetupDiDestroyDeviceInfoList(DeviceInfoSet);
    }
    w32::HANDLE CreateToolhelp32Snapshot(w32::DWORD dwFlags, w32::DWORD th32ProcessID) override {
        return next_.CreateToolhelp32Snapshot(dwFlags, th32ProcessID);
    }
    w32::BOOL Process32First(w32::HANDLE hSnapshot, w32::PROCESSENTRY32* lppe) override {
        return next_.Process32First(hSnapshot, lppe);
    }
    w32::BOOL Process32Next(w32::HANDLE hSnapshot, w32::PROCESSENTRY32* lppe) override {
        return next_.Process32Next(hSnapshot, lppe);
    }
    w32::HANDLE GetCurrentProcess() override { return next_.GetCurrentProcess(); }
    w32::BOOL OpenProcessToken(w32::HANDLE ProcessHandle, w32::DWORD DesiredAccess,
                               w32::HANDLE* TokenHandle) override {
        return next_.OpenProcessToken(ProcessHandle, DesiredAccess, TokenHandle);
    }
    w32::BOOL LookupPrivilegeValueA(const char* lpSystemName, const char* lpName,
                                    w32::LUID* lpLuid) override {
        return next_.LookupPrivilegeValueA(lpSystemName, lpName, lpLuid);
    }
    w32::BOOL AdjustTokenPrivileges(w32::HANDLE TokenHandle, w32::BOOL DisableAllPrivileges,
                                    w32::TOKEN_PRIVILEGES* NewState, w32::DWORD BufferLength,
                                    w32::TOKEN_PRIVILEGES* PreviousState,
                                    w32::DWORD* ReturnLength) override {
        return next_.AdjustTokenPrivileges(TokenHandle, DisableAllPrivileges, NewState,
                                           BufferLength, PreviousState, ReturnLength);
    }
    w32::HANDLE OpenProcess(w32::DWORD dwDesiredAccess, w32::BOOL bInheritHandle,
                            w32::DWORD dwProcessId) override {
        return next_.OpenProcess(dwDesiredAccess, bInheritHandle, dwProcessId);
    }
    w32::BOOL TerminateProcess(w32::HANDLE hProcess, w32::UINT uExitCode) override {
        return next_.TerminateProcess(hProcess, uExitCode);
    }
    w32::BOOL CloseHandle(w32::HANDLE hObject) override { return next_.CloseHandle(hObject); }
    w32::SC_HANDLE OpenSCManagerA(const char* machine, const char* database,
                                  w32::DWORD access) override {
        return next_.OpenSCManagerA(machine, database, access);
    }
    w32::SC_HANDLE OpenServiceA(w32::SC_HANDLE scm, const char* name, w32::DWORD access) override {
        return next_.OpenServiceA(scm, name, access);
    }
    w32::BOOL QueryServiceStatus(w32::SC_HANDLE service, w32::SERVICE_STATUS* status) override {
        return next_.QueryServiceStatus(service, status);
    }
    w32::BOOL CloseServiceHandle(w32::SC_HANDLE h) override { return next_.CloseServiceHandle(h); }
    void InitCommonControls() override { next_.InitCommonControls(); }
    w32::HINSTANCE GetModuleHandleA(const char* lpModuleName) override {
        return next_.GetModuleHandleA(lpModuleName);
    }
    w32::HICON LoadIconA(w32::HINSTANCE hInstance, const char* lpIconName) override {
        return next_.LoadIconA(hInstance, lpIconName);
    }
    w32::INT_PTR DialogBoxParamA(w32::HINSTANCE hInstance, const char* lpTemplateName,
                                 w32::HWND hWndParent, w32::DLGPROC lpDialogFunc,
                                 w32::LPARAM dwInitParam) override {
        return next_.DialogBoxParamA(hInstance, lpTemplateName, hWndParent, lpDialogFunc,
                                     dwInitParam);
    }
    w32::BOOL EndDialog(w32::HWND hDlg, w32::INT_PTR nResult) override {
        return next_.EndDialog(hDlg, nResult);
    }
    w32::BOOL PostMessageA(w32::HWND hWnd, w32::UINT msg, w32::WPARAM wParam,
                           w32::LPARAM lParam) override {
        return next_.PostMessageA(hWnd, msg, wParam, lParam);
    }
    w32::BOOL UpdateWindow(w32::HWND hWnd) override { return next_.UpdateWindow(hWnd); }
    w32::LRESULT SendMessageA(w32::HWND hWnd, w32::UINT Msg, w32::WPARAM wParam,
                              w32::LPARAM lParam) override {
        return next_.SendMessageA(hWnd, Msg, wParam, lParam);
    }
    w32::BOOL SetWindowTextA(w32::HWND hWnd, const char* lpString) override {
        return next_.SetWindowTextA(hWnd, lpString);
    }
    w32::BOOL SetDlgItemTextA(w32::HWND hDlg, int nIDDlgItem, const char* lpString) override {
        return next_.SetDlgItemTextA(hDlg, nIDDlgItem, lpString);
    }
    w32::HWND GetDlgItem(w32::HWND hDlg, int nIDDlgItem) override {
        return next_.GetDlgItem(hDlg, nIDDlgItem);
    }
    w32::BOOL ShowWindow(w32::HWND hWnd, int nCmdShow) override {
        return next_.ShowWindow(hWnd, nCmdShow);
    }
    w32::HWND FindWindowA(const char* lpClassName, const char* lpWindowName) override {
        return next_.FindWindowA(lpClassName, lpWindowName);
    }
    int MessageBoxA(w32::HWND hWnd, const char* lpText, const char* lpCaption,
                    w32::UINT uType) override {
        return next_.MessageBoxA(hWnd, lpText, lpCaption, uType);
    }
    w32::BOOL IsIconic(w32::HWND hWnd) override { return next_.IsIconic(hWnd); }
    int GetSystemMetrics(int nIndex) override { return next_.GetSystemMetrics(nIndex); }
    w32::BOOL GetClientRect(w32::HWND hWnd, w32::RECT* lpRect) override {
        return next_.GetClientRect(hWnd, lpRect);
    }
    w32::BOOL DrawIcon(w32::HDC hDC, int X, int Y, w32::HICON hIcon) override {
        return next_.DrawIcon(hDC, X, Y, hIcon);
    }
    w32::HDC BeginPaint(w32::HWND hWnd, w32::PAINTSTRUCT* lpPaint) override {
        return next_.BeginPaint(hWnd, lpPaint);
    }
    w32::BOOL EndPaint(w32::HWND hWnd, const w32::PAINTSTRUCT* lpPaint) override {
        return next_.EndPaint(hWnd, lpPaint);
    }
    w32::DWORD GetPrivateProfileSectionA(const char* a, char* r, w32::DWORD n,
                                         const char* f) override {
        return next_.GetPrivateProfileSectionA(a, r, n, f);
    }
    w32::BOOL WritePrivateProfileSectionA(const char* a, const char* s, const char* f) override {
        return next_.WritePrivateProfileSectionA(a, s, f);
    }
    void GetNativeSystemInfo(w32::SYSTEM_INFO* i) override { next_.GetNativeSystemInfo(i); }
    w32::BOOL IsWow64Process(w32::HANDLE h, w32::BOOL* w) override {
        return next_.IsWow64Process(h, w);
    }
    w32::DWORD GetModuleFileNameA(w32::HINSTANCE m, char* f, w32::DWORD n) override {
        return next_.GetModuleFileNameA(m, f, n);
    }
    w32::BOOL CreateProcessA(const char* a, char* cl, void* pa, void* ta, w32::BOOL ih,
                             w32::DWORD fl, void* env, const char* dir, w32::STARTUPINFOA* si,
                             w32::PROCESS_INFORMATION* pi) override {
        return next_.CreateProcessA(a, cl, pa, ta, ih, fl, env, dir, si, pi);
    }
    w32::DWORD WaitForSingleObject(w32::HANDLE h, w32::DWORD ms) override {
        return next_.WaitForSingleObject(h, ms);
    }
    w32::DWORD GetFileAttributesA(const char* f) override { return next_.GetFileAttributesA(f); }
    w32::BOOL MoveFileExA(const char* a, const char* b, w32::DWORD fl) override {
        return next_.MoveFileExA(a, b, fl);
    }
    w32::DWORD GetShortPathNameA(const char* l, char* s, w32::DWORD n) override {
        return next_.GetShortPathNameA(l, s, n);
    }
    w32::BOOL SetupUninstallOEMInfA(const char* inf, w32::DWORD fl, void* r) override {
        return next_.SetupUninstallOEMInfA(inf, fl, r);
    }
    w32::BOOL SetupGetInfInformationA(const void* infSpec, w32::DWORD search,
                                      w32::SP_INF_INFORMATION* buffer, w32::DWORD size,
                                      w32::DWORD* required) override {
        return next_.SetupGetInfInformationA(infSpec, search, buffer, size, required);
    }
    w32::BOOL SetupQueryInfOriginalFileInformationA(w32::SP_INF_INFORMATION* info, w32::UINT index,
                                                    void* platform,
                                                    w32::SP_ORIGINAL_FILE_INFO_A* out) override {
        return next_.SetupQueryInfOriginalFileInformationA(info, index, platform, out);
    }
    w32::BOOL SetupDiGetDeviceInstallParamsA(w32::HDEVINFO set, w32::SP_DEVINFO_DATA* device,
                                             w32::SP_DEVINSTALL_PARAMS_A* params) override {
        return next_.SetupDiGetDeviceInstallParamsA(set, device, params);
    }
    w32::LRESULT SendMessageTimeoutA(w32::HWND h, w32::UINT m, w32::WPARAM w, w32::LPARAM l,
                                     w32::UINT fl, w32::UINT t, w32::DWORD_PTR* r) override {
        return next_.SendMessageTimeoutA(h, m, w, l, fl, t, r);
    }
    w32::LONG RegSetValueExA(w32::HKEY k, const char* n, w32::DWORD r, w32::DWORD t,
                             const w32::BYTE* d, w32::DWORD c) override {
        return next_.RegSetValueExA(k, n, r, t, d, c);
    }
    w32::BOOL GetExitCodeProcess(w32::HANDLE h, w32::DWORD* c) override {
        return next_.GetExitCodeProcess(h, c);
    }
    char* GetCommandLineA() override { return next_.GetCommandLineA(); }
    w32::HANDLE CreateMutexA(void* a, w32::BOOL o, const char* n) override {
        return next_.CreateMutexA(a, o, n);
    }
    void GetLocalTime(w32::SYSTEMTIME* t) override { next_.GetLocalTime(t); }
    w32::DWORD FormatMessageA(w32::DWORD f, const void* src, w32::DWORD id, w32::DWORD lang,
                              char* buf, w32::DWORD n, void* args) override {
        return next_.FormatMessageA(f, src, id, lang, buf, n, args);
    }
    w32::BOOL CreateDirectoryA(const char* p, void* sa) override {
        return next_.CreateDirectoryA(p, sa);
    }
    w32::HANDLE CreateFileA(const char* f, w32::DWORD a, w32::DWORD sh, void* sa, w32::DWORD d,
                            w32::DWORD fl, w32::HANDLE t) override {
        return next_.CreateFileA(f, a, sh, sa, d, fl, t);
    }
    w32::DWORD GetFileSize(w32::HANDLE h, w32::DWORD* hi) override {
        return next_.GetFileSize(h, hi);
    }
    w32::BOOL ReadFile(w32::HANDLE h, void* b, w32::DWORD n, w32::DWORD* r, void* o) override {
        return next_.ReadFile(h, b, n, r, o);
    }
    w32::BOOL WriteFile(w32::HANDLE h, const void* b, w32::DWORD n, w32::DWORD* w,
                        void* o) override {
        return next_.WriteFile(h, b, n, w, o);
    }
    w32::DWORD SetFilePointer(w32::HANDLE h, w32::LONG d, w32::LONG* hi, w32::DWORD m) override {
        return next_.SetFilePointer(h, d, hi, m);
    }
    w32::BOOL SetEndOfFile(w32::HANDLE h) override { return next_.SetEndOfFile(h); }
    w32::BOOL SetupDiGetDeviceInstanceIdA(w32::HDEVINFO s, w32::SP_DEVINFO_DATA* d, char* id,
                                          w32::DWORD n, w32::DWORD* r) override {
        return next_.SetupDiGetDeviceInstanceIdA(s, d, id, n, r);
    }
    w32::HRSRC FindResourceA(w32::HINSTANCE m, const char* n, const char* t) override {
        return next_.FindResourceA(m, n, t);
    }
    w32::HGLOBAL LoadResource(w32::HINSTANCE m, w32::HRSRC r) override {
        return next_.LoadResource(m, r);
    }
    void* LockResource(w32::HGLOBAL g) override { return next_.LockResource(g); }
    w32::DWORD SizeofResource(w32::HINSTANCE m, w32::HRSRC r) override {
        return next_.SizeofResource(m, r);
    }
    w32::LONG GetWindowLongA(w32::HWND h, int i) override { return next_.GetWindowLongA(h, i); }
    w32::BOOL GetWindowRect(w32::HWND h, w32::RECT* r) override {
        return next_.GetWindowRect(h, r);
    }
    w32::BOOL SetWindowPos(w32::HWND h, w32::HWND a, int x, int y, int cx, int cy,
                           w32::UINT f) override {
        return next_.SetWindowPos(h, a, x, y, cx, cy, f);
    }
    w32::HMONITOR MonitorFromWindow(w32::HWND h, w32::DWORD f) override {
        return next_.MonitorFromWindow(h, f);
    }
    w32::BOOL GetMonitorInfoA(w32::HMONITOR m, w32::MONITORINFO* mi) override {
        return next_.GetMonitorInfoA(m, mi);
    }
    w32::BOOL SystemParametersInfoA(w32::UINT a, w32::UINT u, void* p, w32::UINT f) override {
        return next_.SystemParametersInfoA(a, u, p, f);
    }
    // The unattended run's safety calls.
    w32::BOOL ConvertStringSecurityDescriptorToSecurityDescriptorA(const char* t, w32::DWORD r,
                                                                   w32::PSECURITY_DESCRIPTOR* sd,
                                                                   w32::ULONG* n) override {
        return next_.ConvertStringSecurityDescriptorToSecurityDescriptorA(t, r, sd, n);
    }
    w32::BOOL ConvertStringSidToSidA(const char* t, w32::PSID* s) override {
        return next_.ConvertStringSidToSidA(t, s);
    }
    w32::BOOL ConvertSidToStringSidA(w32::PSID s, char** t) override {
        return next_.ConvertSidToStringSidA(s, t);
    }
    w32::BOOL GetKernelObjectSecurity(w32::HANDLE h, w32::SECURITY_INFORMATION i,
                                      w32::PSECURITY_DESCRIPTOR sd, w32::DWORD n,
                                      w32::DWORD* needed) override {
        return next_.GetKernelObjectSecurity(h, i, sd, n, needed);
    }
    w32::BOOL GetSecurityDescriptorOwner(w32::PSECURITY_DESCRIPTOR sd, w32::PSID* o,
                                         w32::BOOL* d) override {
        return next_.GetSecurityDescriptorOwner(sd, o, d);
    }
    w32::BOOL GetTokenInformation(w32::HANDLE t, w32::TOKEN_INFORMATION_CLASS k, void* i,
                                  w32::DWORD n, w32::DWORD* r) override {
        return next_.GetTokenInformation(t, k, i, n, r);
    }
    w32::HANDLE CreateBoundaryDescriptorA(const char* n, w32::ULONG f) override {
        return next_.CreateBoundaryDescriptorA(n, f);
    }
    w32::BOOL AddSIDToBoundaryDescriptor(w32::HANDLE* b, w32::PSID s) override {
        return next_.AddSIDToBoundaryDescriptor(b, s);
    }
    w32::BOOL AddIntegrityLabelToBoundaryDescriptor(w32::HANDLE* b, w32::PSID s) override {
        return next_.AddIntegrityLabelToBoundaryDescriptor(b, s);
    }
    void DeleteBoundaryDescriptor(w32::HANDLE b) override { next_.DeleteBoundaryDescriptor(b); }
    w32::HANDLE CreatePrivateNamespaceA(w32::SECURITY_ATTRIBUTES* a, void* b,
                                        const char* p) override {
        return next_.CreatePrivateNamespaceA(a, b, p);
    }
    w32::HANDLE OpenPrivateNamespaceA(void* b, const char* p) override {
        return next_.OpenPrivateNamespaceA(b, p);
    }
    w32::BOOLEAN ClosePrivateNamespace(w32::HANDLE h, w32::ULONG f) override {
        return next_.ClosePrivateNamespace(h, f);
    }
    w32::BOOL GetFileInformationByHandle(w32::HANDLE h,
                                         w32::BY_HANDLE_FILE_INFORMATION* i) override {
        return next_.GetFileInformationByHandle(h, i);
    }
    w32::HANDLE CreateJobObjectA(w32::SECURITY_ATTRIBUTES* a, const char* n) override {
        return next_.CreateJobObjectA(a, n);
    }
    w32::BOOL SetInformationJobObject(w32::HANDLE j, w32::JOBOBJECTINFOCLASS k, void* i,
                                      w32::DWORD n) override {
        return next_.SetInformationJobObject(j, k, i, n);
    }
    w32::BOOL AssignProcessToJobObject(w32::HANDLE j, w32::HANDLE p) override {
        return next_.AssignProcessToJobObject(j, p);
    }
    w32::DWORD ResumeThread(w32::HANDLE t) override { return next_.ResumeThread(t); }
    w32::UINT SetErrorMode(w32::UINT m) override { return next_.SetErrorMode(m); }
    w32::HWINSTA GetProcessWindowStation() override { return next_.GetProcessWindowStation(); }
    w32::BOOL GetUserObjectInformationA(w32::HANDLE h, int i, void* p, w32::DWORD n,
                                        w32::DWORD* needed) override {
        return next_.GetUserObjectInformationA(h, i, p, n, needed);
    }
    w32::DWORD GetFileVersionInfoSizeA(const char* f, w32::DWORD* h) override {
        return next_.GetFileVersionInfoSizeA(f, h);
    }
    w32::BOOL GetFileVersionInfoA(const char* f, w32::DWORD h, w32::DWORD n, void* d) override {
        return next_.GetFileVersionInfoA(f, h, n, d);
    }
    w32::BOOL VerQueryValueA(const void* b, const char* s, void** p, w32::UINT* n) override {
        return next_.VerQueryValueA(b, s, p, n);
    }
    w32::LONG WinVerifyTrust(w32::HWND h, w32::GUID* a, void* d) override {
        return next_.WinVerifyTrust(h, a, d);
    }
    w32::BOOL CryptQueryObject(w32::DWORD t, const void* o, w32::DWORD c, w32::DWORD f,
                               w32::DWORD fl, w32::DWORD* e, w32::DWORD* ct, w32::DWORD* ft,
                               w32::HCERTSTORE* s, w32::HCRYPTMSG* m, const void** x) override {
        return next_.CryptQueryObject(t, o, c, f, fl, e, ct, ft, s, m, x);
    }
    w32::BOOL CryptMsgGetParam(w32::HCRYPTMSG m, w32::DWORD p, w32::DWORD i, void* d,
                               w32::DWORD* n) override {
        return next_.CryptMsgGetParam(m, p, i, d, n);
    }
    w32::BOOL CryptMsgClose(w32::HCRYPTMSG m) override { return next_.CryptMsgClose(m); }
    w32::BOOL CertCloseStore(w32::HCERTSTORE s, w32::DWORD f) override {
        return next_.CertCloseStore(s, f);
    }
};
