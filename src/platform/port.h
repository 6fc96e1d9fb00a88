// The one port through which the uninstaller reaches the operating system. Every operation carries
// the name, arguments, results and error codes of the Win32 call it stands for, so the product code
// reads as the Win32 program it is. Two adapters implement it: the real API (win32/) and a
// simulated Windows machine (sim/).
#pragma once

#include "platform/win32_security_types.h"
#include "platform/win32_types.h"

namespace w32 {

class Win32Api {
public:
    virtual ~Win32Api() = default;

    // Registry (ADVAPI32, SHLWAPI).
    virtual LONG RegOpenKeyA(HKEY hKey, const char* lpSubKey, HKEY* phkResult) = 0;
    virtual LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD ulOptions, DWORD samDesired,
                               HKEY* phkResult) = 0;
    virtual LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName,
                               DWORD* lpReserved, char* lpClass, DWORD* lpcchClass,
                               FILETIME* lpftLastWriteTime) = 0;
    virtual LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved,
                                  DWORD* lpType, BYTE* lpData, DWORD* lpcbData) = 0;
    virtual LONG RegDeleteKeyA(HKEY hKey, const char* lpSubKey) = 0;
    virtual LONG SHDeleteKeyA(HKEY hKey, const char* pszSubKey) = 0;
    virtual LONG RegFlushKey(HKEY hKey) = 0;
    virtual LONG RegCloseKey(HKEY hKey) = 0;
    virtual LONG RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType,
                                const BYTE* lpData, DWORD cbData) = 0;
    // A key in a registry view (samDesired's KEY_WOW64_32KEY or KEY_WOW64_64KEY), from Vista and
    // 64-bit XP on; where the system lacks it, ERROR_PROC_NOT_FOUND.
    virtual LONG RegDeleteKeyExA(HKEY hKey, const char* lpSubKey, DWORD samDesired,
                                 DWORD Reserved) = 0;
    // From Vista on; where the system lacks it, ERROR_PROC_NOT_FOUND.
    virtual LONG RegDeleteTreeA(HKEY hKey, const char* lpSubKey) = 0;

    // Profile files, version, directories, timing, errors, memory, strings (KERNEL32).
    virtual DWORD GetPrivateProfileStringA(const char* lpAppName, const char* lpKeyName,
                                           const char* lpDefault, char* lpReturnedString,
                                           DWORD nSize, const char* lpFileName) = 0;
    virtual UINT GetPrivateProfileIntA(const char* lpAppName, const char* lpKeyName, int nDefault,
                                       const char* lpFileName) = 0;
    virtual BOOL GetVersionExA(OSVERSIONINFOA* lpVersionInformation) = 0;
    virtual UINT GetWindowsDirectoryA(char* lpBuffer, UINT uSize) = 0;
    virtual void Sleep(DWORD dwMilliseconds) = 0;
    virtual DWORD GetLastError() = 0;
    virtual void SetLastError(DWORD dwErrCode) = 0;
    virtual HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) = 0;
    virtual HLOCAL LocalFree(HLOCAL hMem) = 0;
    virtual int lstrcmpiA(const char* lpString1, const char* lpString2) = 0;
    virtual char* CharLowerA(char* lpsz) = 0;
    virtual int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, const char* lpMultiByteStr,
                                    int cbMultiByte, WCHAR* lpWideCharStr, int cchWideChar) = 0;
    // Sections with repeated key names (WININIT.INI's [rename]) are read and written whole.
    virtual DWORD GetPrivateProfileSectionA(const char* lpAppName, char* lpReturnedString,
                                            DWORD nSize, const char* lpFileName) = 0;
    virtual BOOL WritePrivateProfileSectionA(const char* lpAppName, const char* lpString,
                                             const char* lpFileName) = 0;
    // Where the system lacks it (before XP), the answer is GetSystemInfo's, which is then true.
    virtual void GetNativeSystemInfo(SYSTEM_INFO* lpSystemInfo) = 0;
    // Where the system lacks it, FALSE with ERROR_PROC_NOT_FOUND: no such system runs WOW64.
    virtual BOOL IsWow64Process(HANDLE hProcess, BOOL* Wow64Process) = 0;
    virtual DWORD GetModuleFileNameA(HINSTANCE hModule, char* lpFilename, DWORD nSize) = 0;
    virtual BOOL CreateProcessA(const char* lpApplicationName, char* lpCommandLine,
                                void* lpProcessAttributes, void* lpThreadAttributes,
                                BOOL bInheritHandles, DWORD dwCreationFlags, void* lpEnvironment,
                                const char* lpCurrentDirectory, STARTUPINFOA* lpStartupInfo,
                                PROCESS_INFORMATION* lpProcessInformation) = 0;
    virtual DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) = 0;
    virtual BOOL GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode) = 0;
    virtual char* GetCommandLineA() = 0;
    virtual HANDLE CreateMutexA(void* lpMutexAttributes, BOOL bInitialOwner,
                                const char* lpName) = 0;
    virtual void GetLocalTime(SYSTEMTIME* lpSystemTime) = 0;
    // Arguments is a va_list*, never used: the program asks with FORMAT_MESSAGE_IGNORE_INSERTS.
    virtual DWORD FormatMessageA(DWORD dwFlags, const void* lpSource, DWORD dwMessageId,
                                 DWORD dwLanguageId, char* lpBuffer, DWORD nSize,
                                 void* Arguments) = 0;

    // Files.
    virtual BOOL SetFileAttributesA(const char* lpFileName, DWORD dwFileAttributes) = 0;
    virtual BOOL DeleteFileA(const char* lpFileName) = 0;
    virtual DWORD GetFileAttributesA(const char* lpFileName) = 0;
    virtual BOOL MoveFileExA(const char* lpExistingFileName, const char* lpNewFileName,
                             DWORD dwFlags) = 0;
    virtual DWORD GetShortPathNameA(const char* lpszLongPath, char* lpszShortPath,
                                    DWORD cchBuffer) = 0;
    // The run's log: a folder made when missing, one file appended to.
    virtual BOOL CreateDirectoryA(const char* lpPathName, void* lpSecurityAttributes) = 0;
    virtual HANDLE CreateFileA(const char* lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                               void* lpSecurityAttributes, DWORD dwCreationDisposition,
                               DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) = 0;
    virtual DWORD GetFileSize(HANDLE hFile, DWORD* lpFileSizeHigh) = 0;
    virtual BOOL ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead,
                          DWORD* lpNumberOfBytesRead, void* lpOverlapped) = 0;
    virtual BOOL WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
                           DWORD* lpNumberOfBytesWritten, void* lpOverlapped) = 0;
    virtual DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh,
                                 DWORD dwMoveMethod) = 0;
    virtual BOOL SetEndOfFile(HANDLE hFile) = 0;
    // Windows File Protection (SFC). Where the platform has no sfc.dll (the 9x family) the answer
    // is FALSE: nothing there is protected by it.
    virtual BOOL SfcIsFileProtected(HANDLE RpcHandle, const WCHAR* ProtFileName) = 0;

    // Device installer (SETUPAPI).
    virtual HDEVINFO SetupDiGetClassDevsA(const GUID* ClassGuid, const char* Enumerator,
                                          HWND hwndParent, DWORD Flags) = 0;
    virtual BOOL SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                                       SP_DEVINFO_DATA* DeviceInfoData) = 0;
    virtual BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet,
                                                   SP_DEVINFO_DATA* DeviceInfoData, DWORD Property,
                                                   DWORD* PropertyRegDataType, BYTE* PropertyBuffer,
                                                   DWORD PropertyBufferSize,
                                                   DWORD* RequiredSize) = 0;
    virtual BOOL SetupDiRemoveDevice(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* DeviceInfoData) = 0;
    virtual BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet,
                                             SP_DEVINFO_DATA* DeviceInfoData,
                                             char* DeviceInstanceId, DWORD DeviceInstanceIdSize,
                                             DWORD* RequiredSize) = 0;
    virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) = 0;
    // From XP on; where the system lacks it, FALSE with ERROR_PROC_NOT_FOUND.
    virtual BOOL SetupUninstallOEMInfA(const char* InfFileName, DWORD Flags, void* Reserved) = 0;
    // The name an OEM INF was installed from. Where the system lacks them, FALSE with
    // ERROR_PROC_NOT_FOUND.
    virtual BOOL SetupGetInfInformationA(const void* InfSpec, DWORD SearchControl,
                                         SP_INF_INFORMATION* ReturnBuffer, DWORD ReturnBufferSize,
                                         DWORD* RequiredSize) = 0;
    virtual BOOL SetupQueryInfOriginalFileInformationA(
        SP_INF_INFORMATION* InfInformation, UINT InfIndex, void* AlternatePlatformInfo,
        SP_ORIGINAL_FILE_INFO_A* OriginalFileInfo) = 0;
    // Whether a device removal asks for a restart (DI_NEEDRESTART, DI_NEEDREBOOT).
    virtual BOOL SetupDiGetDeviceInstallParamsA(HDEVINFO DeviceInfoSet,
                                                SP_DEVINFO_DATA* DeviceInfoData,
                                                SP_DEVINSTALL_PARAMS_A* DeviceInstallParams) = 0;

    // Tool Help, processes and tokens (KERNEL32, ADVAPI32).
    virtual HANDLE CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID) = 0;
    virtual BOOL Process32First(HANDLE hSnapshot, PROCESSENTRY32* lppe) = 0;
    virtual BOOL Process32Next(HANDLE hSnapshot, PROCESSENTRY32* lppe) = 0;
    virtual HANDLE GetCurrentProcess() = 0;
    virtual BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess,
                                  HANDLE* TokenHandle) = 0;
    virtual BOOL LookupPrivilegeValueA(const char* lpSystemName, const char* lpName,
                                       LUID* lpLuid) = 0;
    virtual BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges,
                                       TOKEN_PRIVILEGES* NewState, DWORD BufferLength,
                                       TOKEN_PRIVILEGES* PreviousState, DWORD* ReturnLength) = 0;
    virtual HANDLE OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId) = 0;
    virtual BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode) = 0;
    virtual BOOL CloseHandle(HANDLE hObject) = 0;

    // The service control manager (ADVAPI32), on the NT family. On the 9x family null or FALSE
    // with ERROR_CALL_NOT_IMPLEMENTED; where the system lacks them, ERROR_PROC_NOT_FOUND.
    virtual SC_HANDLE OpenSCManagerA(const char* lpMachineName, const char* lpDatabaseName,
                                     DWORD dwDesiredAccess) = 0;
    virtual SC_HANDLE OpenServiceA(SC_HANDLE hSCManager, const char* lpServiceName,
                                   DWORD dwDesiredAccess) = 0;
    virtual BOOL QueryServiceStatus(SC_HANDLE hService, SERVICE_STATUS* lpServiceStatus) = 0;
    virtual BOOL CloseServiceHandle(SC_HANDLE hSCObject) = 0;

    // User interface (USER32, COMCTL32).
    virtual void InitCommonControls() = 0;
    virtual HINSTANCE GetModuleHandleA(const char* lpModuleName) = 0;
    virtual HICON LoadIconA(HINSTANCE hInstance, const char* lpIconName) = 0;
    virtual INT_PTR DialogBoxParamA(HINSTANCE hInstance, const char* lpTemplateName,
                                    HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) = 0;
    virtual BOOL EndDialog(HWND hDlg, INT_PTR nResult) = 0;
    virtual BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) = 0;
    virtual BOOL UpdateWindow(HWND hWnd) = 0;
    virtual LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) = 0;
    virtual LRESULT SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam,
                                        UINT fuFlags, UINT uTimeout, DWORD_PTR* lpdwResult) = 0;
    virtual BOOL SetWindowTextA(HWND hWnd, const char* lpString) = 0;
    virtual BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, const char* lpString) = 0;
    virtual HWND GetDlgItem(HWND hDlg, int nIDDlgItem) = 0;
    virtual BOOL ShowWindow(HWND hWnd, int nCmdShow) = 0;
    virtual HWND FindWindowA(const char* lpClassName, const char* lpWindowName) = 0;
    virtual int MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType) = 0;
    virtual BOOL IsIconic(HWND hWnd) = 0;
    virtual int GetSystemMetrics(int nIndex) = 0;
    virtual BOOL GetClientRect(HWND hWnd, RECT* lpRect) = 0;
    virtual BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon) = 0;
    virtual HDC BeginPaint(HWND hWnd, PAINTSTRUCT* lpPaint) = 0;
    virtual BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) = 0;

    // Where the framework places a dialog: its template, its window on the screen, the work area
    // of the monitor that holds it (USER32, KERNEL32).
    virtual HRSRC FindResourceA(HINSTANCE hModule, const char* lpName, const char* lpType) = 0;
    virtual HGLOBAL LoadResource(HINSTANCE hModule, HRSRC hResInfo) = 0;
    virtual void* LockResource(HGLOBAL hResData) = 0;
    virtual DWORD SizeofResource(HINSTANCE hModule, HRSRC hResInfo) = 0;
    virtual LONG GetWindowLongA(HWND hWnd, int nIndex) = 0;
    virtual BOOL GetWindowRect(HWND hWnd, RECT* lpRect) = 0;
    virtual BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                              UINT uFlags) = 0;
    // From 98 and 2000 on; where the system lacks them, null or FALSE with ERROR_PROC_NOT_FOUND.
    virtual HMONITOR MonitorFromWindow(HWND hwnd, DWORD dwFlags) = 0;
    virtual BOOL GetMonitorInfoA(HMONITOR hMonitor, MONITORINFO* lpmi) = 0;
    virtual BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, void* pvParam,
                                       UINT fWinIni) = 0;

    // The unattended run's safety: who owns an object and who may open it, a lock no user can
    // hold, a log no user can aim, a hand-over only to its twin, a child that ends with its parent
    // (ADVAPI32, KERNEL32, USER32, VERSION, WINTRUST, CRYPT32). The calls that some supported
    // Windows lacks fail there with ERROR_PROC_NOT_FOUND (FALSE, null, or that code returned).
    // From 2000 on; the descriptor and the SIDs are LocalAlloc blocks, released with LocalFree.
    virtual BOOL ConvertStringSecurityDescriptorToSecurityDescriptorA(
        const char* StringSecurityDescriptor, DWORD StringSDRevision,
        PSECURITY_DESCRIPTOR* SecurityDescriptor, ULONG* SecurityDescriptorSize) = 0;
    virtual BOOL ConvertStringSidToSidA(const char* StringSid, PSID* Sid) = 0;
    virtual BOOL ConvertSidToStringSidA(PSID Sid, char** StringSid) = 0;
    virtual BOOL GetKernelObjectSecurity(HANDLE Handle, SECURITY_INFORMATION RequestedInformation,
                                         PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD nLength,
                                         DWORD* lpnLengthNeeded) = 0;
    virtual BOOL GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID* pOwner,
                                            BOOL* lpbOwnerDefaulted) = 0;
    virtual BOOL GetTokenInformation(HANDLE TokenHandle,
                                     TOKEN_INFORMATION_CLASS TokenInformationClass,
                                     void* TokenInformation, DWORD TokenInformationLength,
                                     DWORD* ReturnLength) = 0;
    // Private namespaces: from Vista on; the integrity label from Windows 7 on.
    virtual HANDLE CreateBoundaryDescriptorA(const char* Name, ULONG Flags) = 0;
    virtual BOOL AddSIDToBoundaryDescriptor(HANDLE* BoundaryDescriptor, PSID RequiredSid) = 0;
    virtual BOOL AddIntegrityLabelToBoundaryDescriptor(HANDLE* BoundaryDescriptor,
                                                       PSID IntegrityLabel) = 0;
    virtual void DeleteBoundaryDescriptor(HANDLE BoundaryDescriptor) = 0;
    virtual HANDLE CreatePrivateNamespaceA(SECURITY_ATTRIBUTES* lpPrivateNamespaceAttributes,
                                           void* lpBoundaryDescriptor,
                                           const char* lpAliasPrefix) = 0;
    virtual HANDLE OpenPrivateNamespaceA(void* lpBoundaryDescriptor, const char* lpAliasPrefix) = 0;
    virtual BOOLEAN ClosePrivateNamespace(HANDLE Handle, ULONG Flags) = 0;
    virtual BOOL GetFileInformationByHandle(HANDLE hFile,
                                            BY_HANDLE_FILE_INFORMATION* lpFileInformation) = 0;
    // Job objects: from 2000 on.
    virtual HANDLE CreateJobObjectA(SECURITY_ATTRIBUTES* lpJobAttributes, const char* lpName) = 0;
    virtual BOOL SetInformationJobObject(HANDLE hJob, JOBOBJECTINFOCLASS JobObjectInformationClass,
                                         void* lpJobObjectInformation,
                                         DWORD cbJobObjectInformationLength) = 0;
    virtual BOOL AssignProcessToJobObject(HANDLE hJob, HANDLE hProcess) = 0;
    virtual DWORD ResumeThread(HANDLE hThread) = 0;
    virtual UINT SetErrorMode(UINT uMode) = 0;
    // The NT family's window stations; the 9x family has none (null with ERROR_PROC_NOT_FOUND or
    // ERROR_CALL_NOT_IMPLEMENTED).
    virtual HWINSTA GetProcessWindowStation() = 0;
    virtual BOOL GetUserObjectInformationA(HANDLE hObj, int nIndex, void* pvInfo, DWORD nLength,
                                           DWORD* lpnLengthNeeded) = 0;
    // Version resources.
    virtual DWORD GetFileVersionInfoSizeA(const char* lptstrFilename, DWORD* lpdwHandle) = 0;
    virtual BOOL GetFileVersionInfoA(const char* lptstrFilename, DWORD dwHandle, DWORD dwLen,
                                     void* lpData) = 0;
    virtual BOOL VerQueryValueA(const void* pBlock, const char* lpSubBlock, void** lplpBuffer,
                                UINT* puLen) = 0;
    // Authenticode: from 2000 on (XP SP2 for the data layout the program passes).
    virtual LONG WinVerifyTrust(HWND hwnd, GUID* pgActionID, void* pWVTData) = 0;
    virtual BOOL CryptQueryObject(DWORD dwObjectType, const void* pvObject,
                                  DWORD dwExpectedContentTypeFlags, DWORD dwExpectedFormatTypeFlags,
                                  DWORD dwFlags, DWORD* pdwMsgAndCertEncodingType,
                                  DWORD* pdwContentType, DWORD* pdwFormatType,
                                  HCERTSTORE* phCertStore, HCRYPTMSG* phMsg,
                                  const void** ppvContext) = 0;
    virtual BOOL CryptMsgGetParam(HCRYPTMSG hCryptMsg, DWORD dwParamType, DWORD dwIndex,
                                  void* pvData, DWORD* pcbData) = 0;
    virtual BOOL CryptMsgClose(HCRYPTMSG hCryptMsg) = 0;
    virtual BOOL CertCloseStore(HCERTSTORE hCertStore, DWORD dwFlags) = 0;
};

// The installed adapter. The entry point installs one before anything else runs; tests install a
// fresh simulated machine per test.
Win32Api& Api();
void InstallApi(Win32Api* api);

}  // namespace w32
