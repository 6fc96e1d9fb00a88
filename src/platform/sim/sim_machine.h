// A small, faithful model of a Windows machine behind the port: registry, profile files, the
// Windows folder (a real folder on disk), version, present devices, processes and tokens, windows,
// the dialog and message boxes. Where it models a call it behaves as Windows does in the cases the
// uninstaller meets. Tests set the machine up through the methods below, run the program, and read
// back what it did: the machine's end state, the call log, open handles and what the user saw.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/port.h"

namespace sim {

using namespace w32;

// Accounts, as SIDs.
inline constexpr const char* kSidSystem = "S-1-5-18";
inline constexpr const char* kSidAdministrators = "S-1-5-32-544";
inline constexpr const char* kSidAdministrator = "S-1-5-21-1004336348-1177238915-682003330-500";
inline constexpr const char* kSidStandardUser = "S-1-5-21-1004336348-1177238915-682003330-1001";

// Error codes the machine reports that the product code has no name for.
inline constexpr DWORD kErrorNoMoreFiles = 18;
inline constexpr DWORD kErrorInvalidName = 123;
inline constexpr DWORD kErrorModNotFound = 126;
inline constexpr DWORD kErrorBadPathname = 161;
inline constexpr DWORD kErrorNoAccess = 998;
inline constexpr DWORD kErrorNotReady = 21;
inline constexpr DWORD kErrorMrMidNotFound = 317;
inline constexpr DWORD kErrorResourceNameNotFound = 1814;
inline constexpr DWORD kErrorControlIdNotFound = 1421;
inline constexpr DWORD kErrorInvalidCursorHandle = 1402;
inline constexpr DWORD kErrorInvalidFlags = 1004;
inline constexpr DWORD kErrorNoUnicodeTranslation = 1113;
inline constexpr DWORD kErrorInvalidUserBuffer = 0x6F8;
inline constexpr DWORD kRpcServerUnavailable = 1722;
inline constexpr DWORD kErrorInvalidRegProperty = 0xE0000209;

// One port call as the program made it.
struct CallRecord {
    std::string api;   // "RegOpenKeyExA"
    std::string args;  // the arguments that identify the call, e.g. "HKLM\\Software\\...|0xf003f"
    LONG_PTR result;   // the call's return value (handles as integers)
    bool faulted = false;  // an injected fault decided this call's outcome
};

// A scripted user action on the dialog, fed in order while the dialog is up.
enum class UserAction {
    ClickOk,           // BM_CLICK on IDOK: WM_COMMAND (IDOK, BN_CLICKED)
    PressEnter,        // the default push button: WM_COMMAND (IDOK, BN_CLICKED)
    PressEscape,       // WM_COMMAND (IDCANCEL)
    CloseBox,          // WM_SYSCOMMAND SC_CLOSE, which the dialog manager turns into IDCANCEL
    MinimiseAndPaint,  // the dialog becomes iconic and receives WM_PAINT
    Restore,           // the dialog is no longer iconic
};

struct ControlState {
    int id = 0;
    std::string className;
    std::string text;
    bool visible = false;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units, from the template
    DWORD style = 0;
    std::vector<std::string> textHistory;  // every text set, in order
    HWND hwnd = nullptr;
};

struct ProgressState {
    int low = 0, high = 100, step = 10, pos = 0;
    std::vector<std::pair<UINT, WPARAM>> messages;  // every message received with its wParam
    std::vector<int> positions;                     // the position after each position change
};

struct DialogRecord {
    int templateId = 0;
    HWND hwnd = nullptr;
    HWND parent = nullptr;
    std::string caption;
    std::vector<std::string> captionHistory;  // every caption set by the program, in order
    std::vector<ControlState> controls;       // template order
    ProgressState progress;
    HICON bigIcon = nullptr, smallIcon = nullptr;
    bool iconic = false;
    bool ended = false;
    INT_PTR result = 0;  // the value DialogBoxParamA returned
    // The scripted actions ran out before the dialog ended; DialogBoxParamA then gave -1.
    bool scriptExhausted = false;
    std::vector<std::pair<int, int>> drawnIcons;  // DrawIcon positions
    std::vector<UINT> sentToDialog;               // messages the program sent to the dialog itself
    std::vector<int> posted;                      // commands posted to it, not yet delivered
    // The window's frame on the screen, and where it stood once WM_INITDIALOG was handled. The
    // dialog manager shows a visible template's window only after WM_INITDIALOG.
    RECT window{};
    RECT afterInit{};
    bool visible = false;
    const ControlState* Control(int id) const;
};

struct MessageBoxRecord {
    HWND owner = nullptr;
    bool ownerWasDialog = false;  // the owner was a dialog that still existed
    std::string text;
    std::string caption;
    UINT type = 0;
};

struct TopLevelWindow {
    HWND hwnd = nullptr;
    std::string title;
    std::string className;
    bool closed = false;  // received WM_CLOSE
    bool hung = false;    // its program no longer answers messages
    RECT rect{200, 150, 600, 450};
    std::vector<UINT> messages;  // every message sent to it, in order
};

struct Process {
    DWORD pid = 0;
    std::string exeFile;  // szExeFile as Tool Help reports it, letter case kept
    bool running = true;
    bool openable = true;  // OpenProcess with PROCESS_ALL_ACCESS succeeds
    // Runs under another account: opening it needs the debug privilege enabled in the caller's
    // token.
    bool otherAccount = false;
    UINT exitCode = 0;
    bool suspended = false;  // started with CREATE_SUSPENDED and not yet resumed
    bool inToolJob = false;  // in the job the program itself runs in (RunProgramInJob)
};

// Make the nth matching call of an operation fail (1 = the first; 0 = every call), returning its
// failure value and setting the last-error value (or, for registry calls, returning the code).
// Calls that release something (RegCloseKey, CloseHandle, SetupDiDestroyDeviceInfoList, LocalFree,
// EndPaint) report the failure but still release, so that the handle accounting shows what the
// program asked for. Calls that cannot fail on Windows (Sleep, GetLastError, SetLastError,
// GetCurrentProcess, lstrcmpiA, CharLowerA, InitCommonControls) are marked as faulted in the call
// log and otherwise behave as usual; InitCommonControls then does not count as having run.
struct Fault {
    std::string api;
    int nth = 0;
    DWORD error = ERROR_ACCESS_DENIED;
    std::string argsContain;  // only calls whose args contain this text count; empty: all
};

// A registry file that cannot be imported: the physical line (from 1; 0 for the whole file) and
// why, with the offending text escaped where it is not printable.
struct RegFileError : std::invalid_argument {
    RegFileError(int lineNumber, const std::string& reason)
        : std::invalid_argument("registry file line " + std::to_string(lineNumber) + ": " + reason),
          line(lineNumber),
          why(reason) {}
    int line;
    std::string why;
};

struct State;  // the machine's inner state, private to src/platform/sim

class Machine : public Win32Api {
public:
    // Creates a machine whose Windows folder ("C:\WINDOWS" by default) is a fresh temporary
    // folder on disk, removed again when the machine is destroyed.
    Machine();
    ~Machine() override;
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // ---- setting the machine up -------------------------------------------------------------
    void SetVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build = 0);
    // A 64-bit Windows; with programIs32Bit the program runs on it under WOW64.
    void Set64BitWindows(bool programIs32Bit = false);
    // The program's own file (GetModuleFileNameA); "C:\tvu\tvuninst.exe" unless set.
    void SetModuleFileName(const std::string& windowsPath);
    // Command lines of the processes the program started, in order.
    const std::vector<std::string>& StartedProcesses() const;
    // The exit code that each program the program starts ends with (0 unless set).
    void SetStartedProcessExitCode(DWORD code);
    // The program's command line as GetCommandLineA gives it: "C:\tvu\tvuninst.exe" quoted,
    // then the arguments given here, if any.
    void SetCommandLine(const std::string& arguments);
    // Another program holds a mutex of this name: its owner, and the DACL (in the system's string
    // form) it was made with; an empty one lets everyone open it.
    void HoldMutex(const std::string& name, const std::string& owner = kSidSystem,
                   const std::string& dacl = "D:P(A;;GA;;;BA)(A;;GA;;;SY)");
    bool MutexExists(const std::string& name) const;
    // The account the program runs as; elevated: its token holds the Administrators group and
    // the high integrity level (SYSTEM's always does). An elevated administrator unless set.
    void SetAccount(const std::string& sid, bool elevated);
    // Runs fn as another process of this machine under that account (a first run, a user's
    // program): the handles it opens are that process's, not among OpenHandles, and keep their
    // objects alive until they are closed.
    void AsAnotherProcess(const std::string& sid, bool elevated, const std::function<void()>& fn);
    // The program's window station is one nobody sees (a service's, session 0's).
    void SetWindowStationVisible(bool visible);
    UINT ErrorMode() const;  // the last SetErrorMode
    // The programs the program starts keep running once resumed, as one waiting at its dialog,
    // until a job ends them.
    void SetStartedProcessesKeepRunning(bool keepRunning);
    // The program runs in a deployment tool's job object (before Windows 8 it then cannot put a
    // child into a job of its own); breakawayOk: that job lets a child be started outside it.
    void RunProgramInJob(bool breakawayOk);
    // An exe on the machine with its version resource (none when empty) and Authenticode signer
    // (none when empty), whose signature verifies or not.
    void WriteExe(const std::string& windowsPath, const std::string& version = "3.1.0.1",
                  const std::string& signer = "", bool signatureValid = true);
    // The program's own exe (the module file name): version 3.1.0.1 and unsigned unless set.
    void SetModuleExe(const std::string& version, const std::string& signer = "");
    // Every port call after the next `calls` ones fails with ERROR_NOT_READY and changes nothing,
    // as a run that is killed or loses power there; RestorePower ends that.
    void CutPowerAfter(std::size_t calls);
    // The same from the nth call of that operation on, that call included (as a run killed when
    // it makes the call).
    void CutPowerAt(const std::string& api, int nth);
    void RestorePower();
    // The text of a file on the machine (empty when there is none).
    std::string ReadFileText(const std::string& windowsPath) const;
    void SetWindowsDirectory(const std::string& path);  // the text GetWindowsDirectoryA gives
    const std::string& WindowsDirectory() const;
    std::filesystem::path WindowsFolderOnDisk() const;

    // Registry. Paths are "Key\\Subkey\\..." below root; keys are created as needed.
    void CreateKey(HKEY root, const std::string& path);
    void SetString(HKEY root, const std::string& path, const std::string& name,
                   const std::string& value, DWORD type = REG_SZ);
    void SetMultiString(HKEY root, const std::string& path, const std::string& name,
                        const std::vector<std::string>& values);
    void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value);
    void SetBinary(HKEY root, const std::string& path, const std::string& name,
                   const std::vector<BYTE>& data, DWORD type = REG_BINARY);
    void DeleteTree(HKEY root, const std::string& path);
    // Opening the key with KEY_ALL_ACCESS (or any write access) fails with ERROR_ACCESS_DENIED.
    void DenyFullAccess(HKEY root, const std::string& path);
    // Imports a REGEDIT4 / "Windows Registry Editor Version 5.00" file's bytes: ANSI text, or
    // UTF-16 LE after its mark, as regedit exports version 5 files. Throws RegFileError.
    void ImportReg(const std::string& text);

    bool KeyExists(HKEY root, const std::string& path) const;
    std::optional<std::string> GetString(HKEY root, const std::string& path,
                                         const std::string& name) const;
    std::vector<std::string> SubkeyNames(HKEY root, const std::string& path) const;
    // The subtree in a canonical text form (sorted, one line per key and value), for comparing
    // end states with other runs of the same scenario.
    std::string DumpTree(HKEY root, const std::string& path) const;

    // Files, named by their Windows path ("C:\\WINDOWS\\inf\\a.inf"). Paths are normalised as
    // Windows does it (separators, "." and "..", a trailing period or blank dropped). Files below
    // the Windows folder are the machine's usual ones; a file elsewhere on a drive ("C:\\boot.ini")
    // can be placed too, so that a test can see whether the program reaches out of the folder.
    // A folder below the Windows folder (where a file should be, say), and the removal of a file
    // or folder with all it holds.
    void MakeFolder(const std::string& windowsPath);
    void RemovePath(const std::string& windowsPath);
    void WriteFile(const std::string& windowsPath, const std::string& content = "x",
                   DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
    // The account that owns a file (Administrators unless set; a file the program makes is owned
    // as its objects are).
    void SetFileOwner(const std::string& windowsPath, const std::string& sid);
    // A second name for an existing file (a hard link), and a symbolic link: a reparse point
    // that leads to the target when it is opened without FILE_FLAG_OPEN_REPARSE_POINT.
    void AddHardLink(const std::string& existingPath, const std::string& newPath);
    void MakeSymbolicLink(const std::string& linkPath, const std::string& targetPath);
    // The DACL a folder was made with (CreateDirectoryA's security attributes), empty if none.
    std::string FolderSecurity(const std::string& windowsPath) const;
    // Windows File Protection guards this path: SfcIsFileProtected answers TRUE for it.
    void ProtectFile(const std::string& windowsPath);
    // Another program holds the file open, so that it cannot be deleted: opened without sharing
    // (ERROR_SHARING_VIOLATION) or mapped as an image, as a loaded DLL (ERROR_ACCESS_DENIED).
    void HoldFileOpen(const std::string& windowsPath, bool mappedAsImage = false);
    // The deletions scheduled for the next start: the NT family's PendingFileRenameOperations
    // (paths without their "\??\" prefix), the 9x family's NUL= lines of WININIT.INI [rename].
    std::vector<std::string> PendingDeletes() const;
    // A driver package in the driver store for an OEM INF that the INF folder holds: its
    // folder below the Windows folder, made with the INF's copy in it, and the catalog
    // system32\CatRoot\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\oemN.cat. originalInf is the name
    // it was installed from (empty: its own name). A package that copied files to DirId 13 runs
    // from the store, and Windows ignores SUOI_FORCEDELETE for it: while a device, present or
    // not, uses it, the uninstall fails.
    void AddDriverPackage(const std::string& oemInf, const std::string& storeFolder,
                          const std::string& originalInf = "", bool runsFromStore = false);
    bool HasDriverPackage(const std::string& oemInf) const;
    // What SetupDiGetDeviceInstallParamsA reports after a removal of that device (DI_NEEDREBOOT).
    void RemovalNeedsRestart(const std::string& instancePath);
    bool FileExists(const std::string& windowsPath) const;
    DWORD FileAttributes(const std::string& windowsPath) const;  // INVALID_FILE_ATTRIBUTES if none
    // Writes "TVMuxDrv.ini" (or the given name) into the Windows folder.
    void WriteProfile(const std::string& text, const std::string& fileName = "TVMuxDrv.ini");
    std::vector<std::string> FilesBelowWindows() const;  // Windows paths, sorted

    // Devices are instance keys "SYSTEM\CurrentControlSet\Enum\<enumerator>\<device>\<instance>"
    // with a ClassGUID value; HardwareID (REG_MULTI_SZ) is their hardware-ID list. AddDevice writes
    // such a key; a device without hardwareIds gets no HardwareID value.
    void AddDevice(const std::string& instancePath, const std::vector<std::string>& hardwareIds,
                   const std::string& classGuid = "{4d36e96c-e325-11ce-bfc1-08002be10318}",
                   const std::string& driverKey = "");
    void SetDevicePresent(const std::string& instancePath, bool present);
    // The hardware-ID read of this device fails with the given error (after the size query).
    void FailHardwareIdRead(const std::string& instancePath, DWORD error);
    std::vector<std::string> RemovedDevices() const;  // instance paths, in removal order
    int RemoveRequests() const;                       // SetupDiRemoveDevice calls, all devices

    // Processes and tokens.
    DWORD AddProcess(const std::string& exeFile, bool openable = true);  // returns its pid
    const Process* FindProcess(DWORD pid) const;
    const Process* FindProcessNamed(const std::string& exeFile) const;  // the last one started
    void SetProcessOtherAccount(DWORD pid, bool otherAccount);
    void SetDebugPrivilegeHeld(bool held);
    // Services are the keys below SYSTEM\CurrentControlSet\Services, stopped unless set running
    // here (the service control manager's state, which the keys alone do not show).
    void SetServiceRunning(const std::string& name, bool running = true);
    bool DebugPrivilegeEnabled() const;

    // Windows and the user.
    HWND AddTopLevelWindow(const std::string& title, const std::string& className = "",
                           bool hung = false);
    const TopLevelWindow* FindTopLevel(HWND hwnd) const;
    void ScriptUser(std::vector<UserAction> actions);
    const std::vector<DialogRecord>& Dialogs() const;
    const std::vector<MessageBoxRecord>& MessageBoxes() const;
    // The dialog's client area in pixels (GetClientRect); 345 x 146 unless set.
    void SetClientSize(int cx, int cy);
    // The screen's resolution: the dialog's client area grows with it, as its font does.
    void SetDpi(int dpi);
    // The one monitor's work area (the screen less the taskbar).
    void SetWorkArea(const RECT& workArea);
    RECT WorkArea() const;
    DWORD TotalSleepMs() const;
    bool CommonControlsInitialised() const;

    // ---- inspection and faults --------------------------------------------------------------
    void AddFault(const Fault& fault);
    const std::vector<CallRecord>& Calls() const;
    int CallCount(const std::string& api) const;
    // Handles the program obtained and has not released: keys, device sets, snapshots, tokens,
    // processes, local blocks, paint sessions. Each as "kind: description".
    std::vector<std::string> OpenHandles() const;
    // Misuses of handles that Windows would not report but that are faults of the program:
    // LocalFree of a pointer that LocalAlloc did not hand out (or already freed), EndPaint without
    // a matching BeginPaint. Each as "api: description".
    std::vector<std::string> HandleErrors() const;

    // ---- the port ----------------------------------------------------------------------------
    LONG RegOpenKeyA(HKEY hKey, const char* lpSubKey, HKEY* phkResult) override;
    LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD ulOptions, DWORD samDesired,
                       HKEY* phkResult) override;
    LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName, DWORD* lpReserved,
                       char* lpClass, DWORD* lpcchClass, FILETIME* lpftLastWriteTime) override;
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
    void GetLocalTime(SYSTEMTIME* lpSystemTime) override;
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
    BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* DeviceInfoData,
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
    BOOL GetVersionExA(OSVERSIONINFOA* lpVersionInformation) override;
    UINT GetWindowsDirectoryA(char* lpBuffer, UINT uSize) override;
    void Sleep(DWORD dwMilliseconds) override;
    DWORD GetLastError() override;
    void SetLastError(DWORD dwErrCode) override;
    HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) override;
    HLOCAL LocalFree(HLOCAL hMem) override;
    int lstrcmpiA(const char* lpString1, const char* lpString2) override;
    char* CharLowerA(char* lpsz) override;
    // The system code page is modelled as 1252 (CP_ACP and 1252 are accepted).
    int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, const char* lpMultiByteStr,
                            int cbMultiByte, WCHAR* lpWideCharStr, int cchWideChar) override;
    BOOL SetFileAttributesA(const char* lpFileName, DWORD dwFileAttributes) override;
    BOOL DeleteFileA(const char* lpFileName) override;
    BOOL SfcIsFileProtected(HANDLE RpcHandle, const WCHAR* ProtFileName) override;
    DWORD GetFileAttributesA(const char* lpFileName) override;
    BOOL MoveFileExA(const char* lpExistingFileName, const char* lpNewFileName,
                     DWORD dwFlags) override;
    DWORD GetShortPathNameA(const char* lpszLongPath, char* lpszShortPath,
                            DWORD cchBuffer) override;
    DWORD GetPrivateProfileSectionA(const char* lpAppName, char* lpReturnedString, DWORD nSize,
                                    const char* lpFileName) override;
    BOOL WritePrivateProfileSectionA(const char* lpAppName, const char* lpString,
                                     const char* lpFileName) override;
    void GetNativeSystemInfo(SYSTEM_INFO* lpSystemInfo) override;
    BOOL IsWow64Process(HANDLE hProcess, BOOL* Wow64Process) override;
    DWORD GetModuleFileNameA(HINSTANCE hModule, char* lpFilename, DWORD nSize) override;
    BOOL CreateProcessA(const char* lpApplicationName, char* lpCommandLine,
                        void* lpProcessAttributes, void* lpThreadAttributes, BOOL bInheritHandles,
                        DWORD dwCreationFlags, void* lpEnvironment, const char* lpCurrentDirectory,
                        STARTUPINFOA* lpStartupInfo,
                        PROCESS_INFORMATION* lpProcessInformation) override;
    DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) override;
    BOOL SetupUninstallOEMInfA(const char* InfFileName, DWORD Flags, void* Reserved) override;
    BOOL SetupGetInfInformationA(const void* InfSpec, DWORD SearchControl,
                                 SP_INF_INFORMATION* ReturnBuffer, DWORD ReturnBufferSize,
                                 DWORD* RequiredSize) override;
    BOOL SetupQueryInfOriginalFileInformationA(SP_INF_INFORMATION* InfInformation, UINT InfIndex,
                                               void* AlternatePlatformInfo,
                                               SP_ORIGINAL_FILE_INFO_A* OriginalFileInfo) override;
    BOOL SetupDiGetDeviceInstallParamsA(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* DeviceInfoData,
                                        SP_DEVINSTALL_PARAMS_A* DeviceInstallParams) override;
    LRESULT SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                                UINT uTimeout, DWORD_PTR* lpdwResult) override;
    HDEVINFO SetupDiGetClassDevsA(const GUID* ClassGuid, const char* Enumerator, HWND hwndParent,
                                  DWORD Flags) override;
    BOOL SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                               SP_DEVINFO_DATA* DeviceInfoData) override;
    BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* DeviceInfoData,
                                           DWORD Property, DWORD* PropertyRegDataType,
                                           BYTE* PropertyBuffer, DWORD PropertyBufferSize,
                                           DWORD* RequiredSize) override;
    BOOL SetupDiRemoveDevice(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* DeviceInfoData) override;
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) override;
    HANDLE CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID) override;
    BOOL Process32First(HANDLE hSnapshot, PROCESSENTRY32* lppe) override;
    BOOL Process32Next(HANDLE hSnapshot, PROCESSENTRY32* lppe) override;
    HANDLE GetCurrentProcess() override;
    BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, HANDLE* TokenHandle) override;
    BOOL LookupPrivilegeValueA(const char* lpSystemName, const char* lpName, LUID* lpLuid) override;
    BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges,
                               TOKEN_PRIVILEGES* NewState, DWORD BufferLength,
                               TOKEN_PRIVILEGES* PreviousState, DWORD* ReturnLength) override;
    HANDLE OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId) override;
    BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode) override;
    BOOL CloseHandle(HANDLE hObject) override;
    SC_HANDLE OpenSCManagerA(const char* lpMachineName, const char* lpDatabaseName,
                             DWORD dwDesiredAccess) override;
    SC_HANDLE OpenServiceA(SC_HANDLE hSCManager, const char* lpServiceName,
                           DWORD dwDesiredAccess) override;
    BOOL QueryServiceStatus(SC_HANDLE hService, SERVICE_STATUS* lpServiceStatus) override;
    BOOL CloseServiceHandle(SC_HANDLE hSCObject) override;
    void InitCommonControls() override;
    HINSTANCE GetModuleHandleA(const char* lpModuleName) override;
    HICON LoadIconA(HINSTANCE hInstance, const char* lpIconName) override;
    INT_PTR DialogBoxParamA(HINSTANCE hInstance, const char* lpTemplateName, HWND hWndParent,
                            DLGPROC lpDialogFunc, LPARAM dwInitParam) override;
    BOOL EndDialog(HWND hDlg, INT_PTR nResult) override;
    BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) override;
    BOOL UpdateWindow(HWND hWnd) override;
    LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) override;
    BOOL SetWindowTextA(HWND hWnd, const char* lpString) override;
    BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, const char* lpString) override;
    HWND GetDlgItem(HWND hDlg, int nIDDlgItem) override;
    BOOL ShowWindow(HWND hWnd, int nCmdShow) override;
    HWND FindWindowA(const char* lpClassName, const char* lpWindowName) override;
    int MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType) override;
    BOOL IsIconic(HWND hWnd) override;
    int GetSystemMetrics(int nIndex) override;
    BOOL GetClientRect(HWND hWnd, RECT* lpRect) override;
    BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon) override;
    HDC BeginPaint(HWND hWnd, PAINTSTRUCT* lpPaint) override;
    BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) override;
    HRSRC FindResourceA(HINSTANCE hModule, const char* lpName, const char* lpType) override;
    HGLOBAL LoadResource(HINSTANCE hModule, HRSRC hResInfo) override;
    void* LockResource(HGLOBAL hResData) override;
    DWORD SizeofResource(HINSTANCE hModule, HRSRC hResInfo) override;
    LONG GetWindowLongA(HWND hWnd, int nIndex) override;
    BOOL GetWindowRect(HWND hWnd, RECT* lpRect) override;
    BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                      UINT uFlags) override;
    HMONITOR MonitorFromWindow(HWND hwnd, DWORD dwFlags) override;
    BOOL GetMonitorInfoA(HMONITOR hMonitor, MONITORINFO* lpmi) override;
    BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, void* pvParam, UINT fWinIni) override;
    BOOL ConvertStringSecurityDescriptorToSecurityDescriptorA(
        const char* StringSecurityDescriptor, DWORD StringSDRevision,
        PSECURITY_DESCRIPTOR* SecurityDescriptor, ULONG* SecurityDescriptorSize) override;
    BOOL ConvertStringSidToSidA(const char* StringSid, PSID* Sid) override;
    BOOL ConvertSidToStringSidA(PSID Sid, char** StringSid) override;
    BOOL GetKernelObjectSecurity(HANDLE Handle, SECURITY_INFORMATION RequestedInformation,
                                 PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD nLength,
                                 DWORD* lpnLengthNeeded) override;
    BOOL GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID* pOwner,
                                    BOOL* lpbOwnerDefaulted) override;
    BOOL GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                             void* TokenInformation, DWORD TokenInformationLength,
                             DWORD* ReturnLength) override;
    HANDLE CreateBoundaryDescriptorA(const char* Name, ULONG Flags) override;
    BOOL AddSIDToBoundaryDescriptor(HANDLE* BoundaryDescriptor, PSID RequiredSid) override;
    BOOL AddIntegrityLabelToBoundaryDescriptor(HANDLE* BoundaryDescriptor,
                                               PSID IntegrityLabel) override;
    void DeleteBoundaryDescriptor(HANDLE BoundaryDescriptor) override;
    HANDLE CreatePrivateNamespaceA(SECURITY_ATTRIBUTES* lpPrivateNamespaceAttributes,
                                   void* lpBoundaryDescriptor, const char* lpAliasPrefix) override;
    HANDLE OpenPrivateNamespaceA(void* lpBoundaryDescriptor, const char* lpAliasPrefix) override;
    BOOLEAN ClosePrivateNamespace(HANDLE Handle, ULONG Flags) override;
    BOOL GetFileInformationByHandle(HANDLE hFile,
                                    BY_HANDLE_FILE_INFORMATION* lpFileInformation) override;
    HANDLE CreateJobObjectA(SECURITY_ATTRIBUTES* lpJobAttributes, const char* lpName) override;
    BOOL SetInformationJobObject(HANDLE hJob, JOBOBJECTINFOCLASS JobObjectInformationClass,
                                 void* lpJobObjectInformation,
                                 DWORD cbJobObjectInformationLength) override;
    BOOL AssignProcessToJobObject(HANDLE hJob, HANDLE hProcess) override;
    DWORD ResumeThread(HANDLE hThread) override;
    UINT SetErrorMode(UINT uMode) override;
    HWINSTA GetProcessWindowStation() override;
    BOOL GetUserObjectInformationA(HANDLE hObj, int nIndex, void* pvInfo, DWORD nLength,
                                   DWORD* lpnLengthNeeded) override;
    DWORD GetFileVersionInfoSizeA(const char* lptstrFilename, DWORD* lpdwHandle) override;
    BOOL GetFileVersionInfoA(const char* lptstrFilename, DWORD dwHandle, DWORD dwLen,
                             void* lpData) override;
    BOOL VerQueryValueA(const void* pBlock, const char* lpSubBlock, void** lplpBuffer,
                        UINT* puLen) override;
    LONG WinVerifyTrust(HWND hwnd, GUID* pgActionID, void* pWVTData) override;
    BOOL CryptQueryObject(DWORD dwObjectType, const void* pvObject,
                          DWORD dwExpectedContentTypeFlags, DWORD dwExpectedFormatTypeFlags,
                          DWORD dwFlags, DWORD* pdwMsgAndCertEncodingType, DWORD* pdwContentType,
                          DWORD* pdwFormatType, HCERTSTORE* phCertStore, HCRYPTMSG* phMsg,
                          const void** ppvContext) override;
    BOOL CryptMsgGetParam(HCRYPTMSG hCryptMsg, DWORD dwParamType, DWORD dwIndex, void* pvData,
                          DWORD* pcbData) override;
    BOOL CryptMsgClose(HCRYPTMSG hCryptMsg) override;
    BOOL CertCloseStore(HCERTSTORE hCertStore, DWORD dwFlags) override;

private:
    bool ReplaceByName(const char* existing, const char* replaced);
    std::unique_ptr<State> s_;
};

// Installs a machine as the port for the lifetime of this object (one per test).
class ScopedMachine {
public:
    ScopedMachine();
    ~ScopedMachine();
    ScopedMachine(const ScopedMachine&) = delete;
    ScopedMachine& operator=(const ScopedMachine&) = delete;
    Machine& operator*() { return m_; }
    Machine* operator->() { return &m_; }

private:
    Machine m_;
};

}  // namespace sim
