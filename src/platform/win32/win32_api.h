// The port on real Windows: every call goes to the system DLLs; those that some supported Windows
// lacks are looked up at run time, so that the program still starts there. This header stays free
// of <windows.h> so that the port's own names and constants are never clobbered by its macros.
#pragma once

#include "platform/port.h"

// <windows.h> defines BOOL as a macro; keep it away from the port's own BOOL in this header, which
// may be read after <windows.h> (the entry point includes both).
#pragma push_macro("BOOL")
#undef BOOL

namespace win32adapter {

// Inside the adapter, unqualified type names are the port's; the real ones are written with "::".
class RealApi : public w32::Win32Api {
public:
    using BOOL = w32::BOOL;
    using BYTE = w32::BYTE;
    using DWORD = w32::DWORD;
    using HANDLE = w32::HANDLE;
    using HDC = w32::HDC;
    using HDEVINFO = w32::HDEVINFO;
    using HGLOBAL = w32::HGLOBAL;
    using HRSRC = w32::HRSRC;
    using HICON = w32::HICON;
    using HINSTANCE = w32::HINSTANCE;
    using HKEY = w32::HKEY;
    using HLOCAL = w32::HLOCAL;
    using HWND = w32::HWND;
    using INT_PTR = w32::INT_PTR;
    using LONG = w32::LONG;
    using LPARAM = w32::LPARAM;
    using LRESULT = w32::LRESULT;
    using SIZE_T = w32::SIZE_T;
    using UINT = w32::UINT;
    using WPARAM = w32::WPARAM;
    using WCHAR = w32::WCHAR;

    LONG RegOpenKeyA(HKEY hKey, const char* lpSubKey, HKEY* phkResult) override;
    LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD ulOptions, DWORD samDesired,
                       HKEY* phkResult) override;
    LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD* lpReserved,
                       char* lpClass, DWORD* lpcchClass, w32::FILETIME* lpftLastWriteTime) override;
    LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType,
                          BYTE* lpData, DWORD* lpcbData) override;
    LONG RegDeleteKeyA(HKEY hKey, const char* lpSubKey) override;
    LONG SHDeleteKeyA(HKEY hKey, const char* pszSubKey) override;
    LONG RegFlushKey(HKEY hKey) override;
    LONG RegCloseKey(HKEY hKey) override;
    LONG RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType,
                        const BYTE* lpData, DWORD cbData) override;
    BOOL GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode) override;
    char* GetCommandLineA() override;
    HANDLE CreateMutexA(void* lpMutexAttributes, BOOL bInitialOwner, const char* lpName) override;
    void GetLocalTime(w32::SYSTEMTIME* lpSystemTime) override;
    DWORD FormatMessageA(DWORD dwFlags, const void* lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                         char* lpBuffer, DWORD nSize, void* Arguments) override;
    BOOL CreateDirectoryA(const char* lpPathName, void* lpSecurityAttributes) override;
    HANDLE CreateFileA(const char* lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                       void* lpSecurityAttributes, DWORD dwCreationDisposition,
                       DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) override;
    DWORD GetFileSize(HANDLE hFile, DWORD* lpFileSizeHigh) override;
    BOOL ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead,
                  DWORD* lpNumberOfBytesRead, void* lpOverlapped) override;
    BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
                   DWORD* lpNumberOfBytesWritten, void* lpOverlapped) override;
    DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh,
                         DWORD dwMoveMethod) override;
    BOOL SetEndOfFile(HANDLE hFile) override;
    BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, w32::SP_DEVINFO_DATA* DeviceInfoData,
                                     char* DeviceInstanceId, DWORD DeviceInstanceIdSize,
                                     DWORD* RequiredSize) override;
    LONG RegDeleteKeyExA(HKEY hKey, const char* lpSubKey, DWORD samDesired,
                         DWORD Reserved) override;
    LONG RegDeleteTreeA(HKEY hKey, const char* lpSubKey) override;

    DWORD GetPrivateProfileStringA(const char* lpAppName, const char* lpKeyName,
                                   const char* lpDefault, char* lpReturnedString, DWORD nSize,
                                   const char* lpFileName) override;
    UINT GetPrivateProfileIntA(const char* lpAppName, const char* lpKeyName, int nDefault,
                               const char* lpFileName) override;
    BOOL GetVersionExA(w32::OSVERSIONINFOA* lpVersionInformation) override;
    UINT GetWindowsDirectoryA(char* lpBuffer, UINT uSize) override;
    void Sleep(DWORD dwMilliseconds) override;
    DWORD GetLastError() override;
    void SetLastError(DWORD dwErrCode) override;
    HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) override;
    HLOCAL LocalFree(HLOCAL hMem) override;
    int lstrcmpiA(const char* lpString1, const char* lpString2) override;
    char* CharLowerA(char* lpsz) override;
    int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, const char* lpMultiByteStr,
                            int cbMultiByte, WCHAR* lpWideCharStr, int cchWideChar) override;
    DWORD GetPrivateProfileSectionA(const char* lpAppName, char* lpReturnedString, DWORD nSize,
                                    const char* lpFileName) override;
    BOOL WritePrivateProfileSectionA(const char* lpAppName, const char* lpString,
                                     const char* lpFileName) override;
    void GetNativeSystemInfo(w32::SYSTEM_INFO* lpSystemInfo) override;
    BOOL IsWow64Process(HANDLE hProcess, BOOL* Wow64Process) override;
    DWORD GetModuleFileNameA(HINSTANCE hModule, char* lpFilename, DWORD nSize) override;
    BOOL CreateProcessA(const char* lpApplicationName, char* lpCommandLine,
                        void* lpProcessAttributes, void* lpThreadAttributes, BOOL bInheritHandles,
                        DWORD dwCreationFlags, void* lpEnvironment, const char* lpCurrentDirectory,
                        w32::STARTUPINFOA* lpStartupInfo,
                        w32::PROCESS_INFORMATION* lpProcessInformation) override;
    DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) override;

    BOOL SetFileAttributesA(const char* lpFileName, DWORD dwFileAttributes) override;
    BOOL DeleteFileA(const char* lpFileName) override;
    DWORD GetFileAttributesA(const char* lpFileName) override;
    BOOL MoveFileExA(const char* lpExistingFileName, const char* lpNewFileName,
                     DWORD dwFlags) override;
    DWORD GetShortPathNameA(const char* lpszLongPath, char* lpszShortPath,
                            DWORD cchBuffer) override;
    BOOL SfcIsFileProtected(HANDLE RpcHandle, const WCHAR* ProtFileName) override;

    HDEVINFO SetupDiGetClassDevsA(const w32::GUID* ClassGuid, const char* Enumerator,
                                  HWND hwndParent, DWORD Flags) override;
    BOOL SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                               w32::SP_DEVINFO_DATA* DeviceInfoData) override;
    BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet,
                                           w32::SP_DEVINFO_DATA* DeviceInfoData, DWORD Property,
                                           DWORD* PropertyRegDataType, BYTE* PropertyBuffer,
                                           DWORD PropertyBufferSize, DWORD* RequiredSize) override;
    BOOL SetupDiRemoveDevice(HDEVINFO DeviceInfoSet, w32::SP_DEVINFO_DATA* DeviceInfoData) override;
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) override;
    BOOL SetupUninstallOEMInfA(const char* InfFileName, DWORD Flags, void* Reserved) override;
    BOOL SetupGetInfInformationA(const void* InfSpec, DWORD SearchControl,
                                 w32::SP_INF_INFORMATION* ReturnBuffer, DWORD ReturnBufferSize,
                                 DWORD* RequiredSize) override;
    BOOL SetupQueryInfOriginalFileInformationA(
        w32::SP_INF_INFORMATION* InfInformation, UINT InfIndex, void* AlternatePlatformInfo,
        w32::SP_ORIGINAL_FILE_INFO_A* OriginalFileInfo) override;
    BOOL SetupDiGetDeviceInstallParamsA(HDEVINFO DeviceInfoSet,
                                        w32::SP_DEVINFO_DATA* DeviceInfoData,
                                        w32::SP_DEVINSTALL_PARAMS_A* DeviceInstallParams) override;

    HANDLE CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID) override;
    BOOL Process32First(HANDLE hSnapshot, w32::PROCESSENTRY32* lppe) override;
    BOOL Process32Next(HANDLE hSnapshot, w32::PROCESSENTRY32* lppe) override;
    HANDLE GetCurrentProcess() override;
    BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, HANDLE* TokenHandle) override;
    BOOL LookupPrivilegeValueA(const char* lpSystemName, const char* lpName,
                               w32::LUID* lpLuid) override;
    BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges,
                               w32::TOKEN_PRIVILEGES* NewState, DWORD BufferLength,
                               w32::TOKEN_PRIVILEGES* PreviousState, DWORD* ReturnLength) override;
    HANDLE OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId) override;
    BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode) override;
    BOOL CloseHandle(HANDLE hObject) override;
    // The service control manager's calls, in win32_services.cpp.
    w32::SC_HANDLE OpenSCManagerA(const char* lpMachineName, const char* lpDatabaseName,
                                  DWORD dwDesiredAccess) override;
    w32::SC_HANDLE OpenServiceA(w32::SC_HANDLE hSCManager, const char* lpServiceName,
                                DWORD dwDesiredAccess) override;
    BOOL QueryServiceStatus(w32::SC_HANDLE hService, w32::SERVICE_STATUS* lpServiceStatus) override;
    BOOL CloseServiceHandle(w32::SC_HANDLE hSCObject) override;

    void InitCommonControls() override;
    HINSTANCE GetModuleHandleA(const char* lpModuleName) override;
    HICON LoadIconA(HINSTANCE hInstance, const char* lpIconName) override;
    INT_PTR DialogBoxParamA(HINSTANCE hInstance, const char* lpTemplateName, HWND hWndParent,
                            w32::DLGPROC lpDialogFunc, LPARAM dwInitParam) override;
    BOOL EndDialog(HWND hDlg, INT_PTR nResult) override;
    // In win32_services.cpp too, beside the other calls this round added.
    BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) override;
    BOOL UpdateWindow(HWND hWnd) override;
    LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                                UINT uTimeout, w32::DWORD_PTR* lpdwResult) override;
    BOOL SetWindowTextA(HWND hWnd, const char* lpString) override;
    BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, const char* lpString) override;
    HWND GetDlgItem(HWND hDlg, int nIDDlgItem) override;
    BOOL ShowWindow(HWND hWnd, int nCmdShow) override;
    HWND FindWindowA(const char* lpClassName, const char* lpWindowName) override;
    int MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType) override;
    BOOL IsIconic(HWND hWnd) override;
    int GetSystemMetrics(int nIndex) override;
    BOOL GetClientRect(HWND hWnd, w32::RECT* lpRect) override;
    BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon) override;
    HDC BeginPaint(HWND hWnd, w32::PAINTSTRUCT* lpPaint) override;
    BOOL EndPaint(HWND hWnd, const w32::PAINTSTRUCT* lpPaint) override;
    HRSRC FindResourceA(HINSTANCE hModule, const char* lpName, const char* lpType) override;
    HGLOBAL LoadResource(HINSTANCE hModule, HRSRC hResInfo) override;
    void* LockResource(HGLOBAL hResData) override;
    DWORD SizeofResource(HINSTANCE hModule, HRSRC hResInfo) override;
    LONG GetWindowLongA(HWND hWnd, int nIndex) override;
    BOOL GetWindowRect(HWND hWnd, w32::RECT* lpRect) override;
    BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                      UINT uFlags) override;
    w32::HMONITOR MonitorFromWindow(HWND hwnd, DWORD dwFlags) override;
    BOOL GetMonitorInfoA(w32::HMONITOR hMonitor, w32::MONITORINFO* lpmi) override;
    BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, void* pvParam, UINT fWinIni) override;

    // The unattended run's safety calls (win32_security.cpp, win32_job.cpp, win32_trust.cpp).
    BOOL ConvertStringSecurityDescriptorToSecurityDescriptorA(
        const char* StringSecurityDescriptor, DWORD StringSDRevision,
        w32::PSECURITY_DESCRIPTOR* SecurityDescriptor, w32::ULONG* SecurityDescriptorSize) override;
    BOOL ConvertStringSidToSidA(const char* StringSid, w32::PSID* Sid) override;
    BOOL ConvertSidToStringSidA(w32::PSID Sid, char** StringSid) override;
    BOOL GetKernelObjectSecurity(HANDLE Handle, w32::SECURITY_INFORMATION RequestedInformation,
                                 w32::PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD nLength,
                                 DWORD* lpnLengthNeeded) override;
    BOOL GetSecurityDescriptorOwner(w32::PSECURITY_DESCRIPTOR pSecurityDescriptor,
                                    w32::PSID* pOwner, BOOL* lpbOwnerDefaulted) override;
    BOOL GetTokenInformation(HANDLE TokenHandle, w32::TOKEN_INFORMATION_CLASS TokenInformationClass,
                             void* TokenInformation, DWORD TokenInformationLength,
                             DWORD* ReturnLength) override;
    HANDLE CreateBoundaryDescriptorA(const char* Name, w32::ULONG Flags) override;
    BOOL AddSIDToBoundaryDescriptor(HANDLE* BoundaryDescriptor, w32::PSID RequiredSid) override;
    BOOL AddIntegrityLabelToBoundaryDescriptor(HANDLE* BoundaryDescriptor,
                                               w32::PSID IntegrityLabel) override;
    void DeleteBoundaryDescriptor(HANDLE BoundaryDescriptor) override;
    HANDLE CreatePrivateNamespaceA(w32::SECURITY_ATTRIBUTES* lpPrivateNamespaceAttributes,
                                   void* lpBoundaryDescriptor, const char* lpAliasPrefix) override;
    HANDLE OpenPrivateNamespaceA(void* lpBoundaryDescriptor, const char* lpAliasPrefix) override;
    w32::BOOLEAN ClosePrivateNamespace(HANDLE Handle, w32::ULONG Flags) override;
    BOOL GetFileInformationByHandle(HANDLE hFile,
                                    w32::BY_HANDLE_FILE_INFORMATION* lpFileInformation) override;
    HANDLE CreateJobObjectA(w32::SECURITY_ATTRIBUTES* lpJobAttributes, const char* lpName) override;
    BOOL SetInformationJobObject(HANDLE hJob, w32::JOBOBJECTINFOCLASS JobObjectInformationClass,
                                 void* lpJobObjectInformation,
                                 DWORD cbJobObjectInformationLength) override;
    BOOL AssignProcessToJobObject(HANDLE hJob, HANDLE hProcess) override;
    DWORD ResumeThread(HANDLE hThread) override;
    UINT SetErrorMode(UINT uMode) override;
    w32::HWINSTA GetProcessWindowStation() override;
    BOOL GetUserObjectInformationA(HANDLE hObj, int nIndex, void* pvInfo, DWORD nLength,
                                   DWORD* lpnLengthNeeded) override;
    DWORD GetFileVersionInfoSizeA(const char* lptstrFilename, DWORD* lpdwHandle) override;
    BOOL GetFileVersionInfoA(const char* lptstrFilename, DWORD dwHandle, DWORD dwLen,
                             void* lpData) override;
    BOOL VerQueryValueA(const void* pBlock, const char* lpSubBlock, void** lplpBuffer,
                        UINT* puLen) override;
    LONG WinVerifyTrust(HWND hwnd, w32::GUID* pgActionID, void* pWVTData) override;
    BOOL CryptQueryObject(DWORD dwObjectType, const void* pvObject,
                          DWORD dwExpectedContentTypeFlags, DWORD dwExpectedFormatTypeFlags,
                          DWORD dwFlags, DWORD* pdwMsgAndCertEncodingType, DWORD* pdwContentType,
                          DWORD* pdwFormatType, w32::HCERTSTORE* phCertStore, w32::HCRYPTMSG* phMsg,
                          const void** ppvContext) override;
    BOOL CryptMsgGetParam(w32::HCRYPTMSG hCryptMsg, DWORD dwParamType, DWORD dwIndex, void* pvData,
                          DWORD* pcbData) override;
    BOOL CryptMsgClose(w32::HCRYPTMSG hCryptMsg) override;
    BOOL CertCloseStore(w32::HCERTSTORE hCertStore, DWORD dwFlags) override;
};

// Takes the program's own folder (and the current one) out of the search for DLLs loaded later,
// where the system can (Windows 8, or 7 with KB2533623): a downloaded uninstaller runs elevated
// from a folder where anything may lie beside it. The entry point calls it before anything else.
void RestrictDllSearch();

}  // namespace win32adapter

#pragma pop_macro("BOOL")
