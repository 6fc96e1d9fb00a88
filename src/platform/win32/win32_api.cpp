// The real-API adapter. The port header comes first: once <windows.h> is in, its macros (TRUE,
// MAX_PATH, HKEY_LOCAL_MACHINE, INVALID_HANDLE_VALUE, ...) would rewrite the port's constants, so
// this file names none of them and converts only types, handles and structures.
#include "platform/win32/win32_api.h"

#include "platform/port.h"

// clang-format off
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>
#include <shlwapi.h>
#include <tlhelp32.h>
// clang-format on

#include <cstddef>
#include <cstdint>
#include <cstring>

// BOOL is a macro for WINBOOL in MinGW's headers; both are int, and the port's BOOL must stay
// nameable here.
#pragma push_macro("BOOL")
#undef BOOL

namespace win32adapter {

namespace {

// The port's types must be the system's, bit for bit: pointers to them are handed straight to the
// system DLLs.
static_assert(sizeof(w32::DWORD) == sizeof(::DWORD));
static_assert(sizeof(w32::LONG) == sizeof(::LONG));
static_assert(sizeof(w32::UINT) == sizeof(::UINT));
static_assert(sizeof(w32::WPARAM) == sizeof(::WPARAM));
static_assert(sizeof(w32::LPARAM) == sizeof(::LPARAM));
static_assert(sizeof(w32::LRESULT) == sizeof(::LRESULT));
static_assert(sizeof(w32::INT_PTR) == sizeof(::INT_PTR));
static_assert(sizeof(w32::DWORD_PTR) == sizeof(::DWORD_PTR));
// The port's WCHAR is char16_t; the system's is wchar_t, 16-bit on Windows.
static_assert(sizeof(w32::WCHAR) == sizeof(::WCHAR) && sizeof(wchar_t) == 2);

#define TVU_SAME_FIELD(port, real, field)                                  \
    static_assert(offsetof(w32::port, field) == offsetof(::real, field) && \
                      sizeof(w32::port::field) == sizeof(::real::field),   \
                  #port "." #field " differs from the system's layout")
#define TVU_SAME_SIZE(port, real) \
    static_assert(sizeof(w32::port) == sizeof(::real), #port " differs in size from the system's")

TVU_SAME_SIZE(FILETIME, FILETIME);
TVU_SAME_FIELD(FILETIME, FILETIME, dwLowDateTime);
TVU_SAME_FIELD(FILETIME, FILETIME, dwHighDateTime);

TVU_SAME_SIZE(OSVERSIONINFOA, OSVERSIONINFOA);
TVU_SAME_FIELD(OSVERSIONINFOA, OSVERSIONINFOA, dwOSVersionInfoSize);
TVU_SAME_FIELD(OSVERSIONINFOA, OSVERSIONINFOA, dwMajorVersion);
TVU_SAME_FIELD(OSVERSIONINFOA, OSVERSIONINFOA, dwMinorVersion);
TVU_SAME_FIELD(OSVERSIONINFOA, OSVERSIONINFOA, dwBuildNumber);
TVU_SAME_FIELD(OSVERSIONINFOA, OSVERSIONINFOA, dwPlatformId);
TVU_SAME_FIELD(OSVERSIONINFOA, OSVERSIONINFOA, szCSDVersion);

TVU_SAME_SIZE(GUID, GUID);
TVU_SAME_FIELD(GUID, GUID, Data1);
TVU_SAME_FIELD(GUID, GUID, Data2);
TVU_SAME_FIELD(GUID, GUID, Data3);
TVU_SAME_FIELD(GUID, GUID, Data4);

TVU_SAME_SIZE(SP_DEVINFO_DATA, SP_DEVINFO_DATA);
TVU_SAME_FIELD(SP_DEVINFO_DATA, SP_DEVINFO_DATA, cbSize);
TVU_SAME_FIELD(SP_DEVINFO_DATA, SP_DEVINFO_DATA, ClassGuid);
TVU_SAME_FIELD(SP_DEVINFO_DATA, SP_DEVINFO_DATA, DevInst);
TVU_SAME_FIELD(SP_DEVINFO_DATA, SP_DEVINFO_DATA, Reserved);

TVU_SAME_SIZE(PROCESSENTRY32, PROCESSENTRY32);
TVU_SAME_FIELD(PROCESSENTRY32, PROCESSENTRY32, dwSize);
TVU_SAME_FIELD(PROCESSENTRY32, PROCESSENTRY32, cntUsage);
TVU_SAME_FIELD(PROCESSENTRY32, PROCESSENTRY32, th32ProcessID);
TVU_SAME_FIELD(PROCESSENTRY32, PROCESSENTRY32, th32DefaultHeapID);
TVU_SAME_FIELD(PROCESSENTRY32, PROCESSENTRY32, th32ModuleID);
TVU_SAME_FIELD(PROCESSENTRY32, PROCESSENTRY32, cntThreads);
TVU_SAME_FIELD(PROCESSENTRY32, PROCESSENTRY32, th32ParentProcessID);
TVU_SAME_FIELD(PROCESSENTRY32, PROCESSENTRY32, pcPriClassBase);
TVU_SAME_FIELD(PROCESSENTRY32, PROCESSENTRY32, dwFlags);
TVU_SAME_FIELD(PROCESSENTRY32, PROCESSENTRY32, szExeFile);

TVU_SAME_SIZE(LUID, LUID);
TVU_SAME_FIELD(LUID, LUID, LowPart);
TVU_SAME_FIELD(LUID, LUID, HighPart);
TVU_SAME_SIZE(LUID_AND_ATTRIBUTES, LUID_AND_ATTRIBUTES);
TVU_SAME_FIELD(LUID_AND_ATTRIBUTES, LUID_AND_ATTRIBUTES, Luid);
TVU_SAME_FIELD(LUID_AND_ATTRIBUTES, LUID_AND_ATTRIBUTES, Attributes);
TVU_SAME_SIZE(TOKEN_PRIVILEGES, TOKEN_PRIVILEGES);
TVU_SAME_FIELD(TOKEN_PRIVILEGES, TOKEN_PRIVILEGES, PrivilegeCount);
TVU_SAME_FIELD(TOKEN_PRIVILEGES, TOKEN_PRIVILEGES, Privileges);

TVU_SAME_SIZE(RECT, RECT);
TVU_SAME_FIELD(RECT, RECT, left);
TVU_SAME_FIELD(RECT, RECT, top);
TVU_SAME_FIELD(RECT, RECT, right);
TVU_SAME_FIELD(RECT, RECT, bottom);

TVU_SAME_SIZE(PAINTSTRUCT, PAINTSTRUCT);
TVU_SAME_FIELD(PAINTSTRUCT, PAINTSTRUCT, hdc);
TVU_SAME_FIELD(PAINTSTRUCT, PAINTSTRUCT, fErase);
TVU_SAME_FIELD(PAINTSTRUCT, PAINTSTRUCT, rcPaint);
TVU_SAME_FIELD(PAINTSTRUCT, PAINTSTRUCT, fRestore);
TVU_SAME_FIELD(PAINTSTRUCT, PAINTSTRUCT, fIncUpdate);
TVU_SAME_FIELD(PAINTSTRUCT, PAINTSTRUCT, rgbReserved);

TVU_SAME_SIZE(STARTUPINFOA, STARTUPINFOA);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, cb);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, lpReserved);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, lpDesktop);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, lpTitle);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, dwX);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, dwY);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, dwXSize);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, dwYSize);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, dwXCountChars);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, dwYCountChars);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, dwFillAttribute);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, dwFlags);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, wShowWindow);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, cbReserved2);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, lpReserved2);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, hStdInput);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, hStdOutput);
TVU_SAME_FIELD(STARTUPINFOA, STARTUPINFOA, hStdError);

TVU_SAME_SIZE(PROCESS_INFORMATION, PROCESS_INFORMATION);
TVU_SAME_FIELD(PROCESS_INFORMATION, PROCESS_INFORMATION, hProcess);
TVU_SAME_FIELD(PROCESS_INFORMATION, PROCESS_INFORMATION, hThread);
TVU_SAME_FIELD(PROCESS_INFORMATION, PROCESS_INFORMATION, dwProcessId);
TVU_SAME_FIELD(PROCESS_INFORMATION, PROCESS_INFORMATION, dwThreadId);

// The system's first member is a union of dwOemId with the architecture and wReserved.
TVU_SAME_SIZE(SYSTEM_INFO, SYSTEM_INFO);
TVU_SAME_FIELD(SYSTEM_INFO, SYSTEM_INFO, wProcessorArchitecture);
TVU_SAME_FIELD(SYSTEM_INFO, SYSTEM_INFO, wReserved);
TVU_SAME_FIELD(SYSTEM_INFO, SYSTEM_INFO, dwPageSize);
TVU_SAME_FIELD(SYSTEM_INFO, SYSTEM_INFO, lpMinimumApplicationAddress);
TVU_SAME_FIELD(SYSTEM_INFO, SYSTEM_INFO, lpMaximumApplicationAddress);
TVU_SAME_FIELD(SYSTEM_INFO, SYSTEM_INFO, dwActiveProcessorMask);
TVU_SAME_FIELD(SYSTEM_INFO, SYSTEM_INFO, dwNumberOfProcessors);
TVU_SAME_FIELD(SYSTEM_INFO, SYSTEM_INFO, dwProcessorType);
TVU_SAME_FIELD(SYSTEM_INFO, SYSTEM_INFO, dwAllocationGranularity);
TVU_SAME_FIELD(SYSTEM_INFO, SYSTEM_INFO, wProcessorLevel);
TVU_SAME_FIELD(SYSTEM_INFO, SYSTEM_INFO, wProcessorRevision);

TVU_SAME_SIZE(MONITORINFO, MONITORINFO);
TVU_SAME_FIELD(MONITORINFO, MONITORINFO, cbSize);
TVU_SAME_FIELD(MONITORINFO, MONITORINFO, rcMonitor);
TVU_SAME_FIELD(MONITORINFO, MONITORINFO, rcWork);
TVU_SAME_FIELD(MONITORINFO, MONITORINFO, dwFlags);
static_assert(sizeof(w32::DLGTEMPLATEEX_HEADER) == 26, "DIALOGEX header");

#undef TVU_SAME_FIELD
#undef TVU_SAME_SIZE

template <typename To, typename From>
To As(From p) {
    return reinterpret_cast<To>(p);
}

// The port spells the predefined roots as their 32-bit values (HKEY_LOCAL_MACHINE is 0x80000002),
// while the system's own constants are sign-extended to pointer width on x64. Hand over exactly
// the system's values rather than rely on the registry truncating a handle it is given.
::HKEY Key(w32::HKEY k) {
    const auto v = reinterpret_cast<std::uintptr_t>(k);
    if (v >= 0x80000000u && v <= 0x800000FFu) {
        const auto widened =
            static_cast<std::intptr_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
        return reinterpret_cast<::HKEY>(widened);
    }
    return reinterpret_cast<::HKEY>(k);
}

::HWND Wnd(w32::HWND h) {
    return As<::HWND>(h);
}

// The port's dialog procedure is a plain function; the system calls a CALLBACK (stdcall on x86).
// The thunk below carries the port's procedure and the caller's init parameter in this block,
// which lives on DialogBoxParamA's stack for the whole modal loop and is found again through
// DWLP_USER.
struct DialogThunk {
    w32::DLGPROC proc;
    w32::LPARAM param;
};

INT_PTR CALLBACK ThunkProc(::HWND hwnd, ::UINT msg, ::WPARAM wParam, ::LPARAM lParam) {
    DialogThunk* thunk = nullptr;
    if (msg == WM_INITDIALOG) {
        thunk = As<DialogThunk*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, As<::LONG_PTR>(thunk));
        lParam = thunk->param;
    } else {
        thunk = As<DialogThunk*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) get the dialog manager's default handling.
    if (thunk == nullptr) return 0;
    return thunk->proc(As<w32::HWND>(hwnd), msg, wParam, lParam);
}

// A system DLL whose functions are looked up at run time instead of imported. Windows refuses to
// start a program that imports a single function it lacks, and the uninstaller must start on every
// Windows it cleans: 95 and 98 have no sfc.dll, NT 4.0 no Tool Help, nothing before XP has
// SetupUninstallOEMInfA or the WOW64 calls. Each DLL is found once and kept for the life of the
// process: unloading it at exit would only run its detach code during the runtime's shutdown.
class SystemLibrary {
public:
    // A DLL the process has not loaded yet, from the system folder. forwardsTo names the DLL its
    // functions are forwarded to, loaded first from there too (see Sfc()).
    static SystemLibrary FromSystemFolder(const char* fileName, const char* forwardsTo = nullptr) {
        if (forwardsTo != nullptr) LoadFromSystemFolder(forwardsTo);
        return SystemLibrary(LoadFromSystemFolder(fileName));
    }

    // A DLL in every process from its start (KERNEL32): only looked up, never loaded.
    static SystemLibrary Resident(const char* fileName) {
        return SystemLibrary(::GetModuleHandleA(fileName));
    }

    // A DLL that the exe's manifest binds to a side-by-side assembly: by its name alone, which
    // the loader resolves through that binding before it searches any folder. A full path would
    // bypass the binding and load the system folder's older version instead.
    static SystemLibrary BoundByManifest(const char* fileName) {
        return SystemLibrary(::LoadLibraryA(fileName));
    }

    // The function of that name with the type it is declared with, or null where the DLL or the
    // function is missing.
    template <typename Fn>
    Fn Find(const char* procName) const {
        if (module_ == nullptr) return nullptr;
        // Through the type that matches every function, so that the cast says what it means.
        return reinterpret_cast<Fn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(module_, procName)));
    }

private:
    explicit SystemLibrary(::HMODULE module) : module_(module) {}

    // By its full path in the system folder, never by its bare name, which the search would look
    // for first beside the uninstaller (in Downloads, say, where a web page may have dropped a DLL
    // of that name). The altered search path makes the DLLs it imports come from the system
    // folder as well, rather than from beside the uninstaller.
    static ::HMODULE LoadFromSystemFolder(const char* fileName) {
        char path[MAX_PATH];
        const ::UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
        const std::size_t nameLength = std::strlen(fileName);
        // Without the system folder's full path there is no safe place to load it from.
        if (length == 0 || length + 1 + nameLength >= sizeof path) return nullptr;
        path[length] = '\\';
        std::memcpy(path + length + 1, fileName, nameLength + 1);
        return ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }

    ::HMODULE module_;
};

const SystemLibrary& Kernel32() {
    static const SystemLibrary library = SystemLibrary::Resident("kernel32.dll");
    return library;
}

// Windows 95 and NT 4.0 have one screen and no monitor functions; USER32 is in the process from
// its start, so it is only looked up.
const SystemLibrary& User32() {
    static const SystemLibrary library = SystemLibrary::Resident("user32.dll");
    return library;
}

// Imported for the registry calls every Windows has, so it is in the process from the start.
const SystemLibrary& AdvApi32() {
    static const SystemLibrary library = SystemLibrary::Resident("advapi32.dll");
    return library;
}

const SystemLibrary& SetupApi() {
    static const SystemLibrary library = SystemLibrary::FromSystemFolder("setupapi.dll");
    return library;
}

const SystemLibrary& ShlwApi() {
    static const SystemLibrary library = SystemLibrary::FromSystemFolder("shlwapi.dll");
    return library;
}

// From XP on, sfc.dll only forwards SfcIsFileProtected to sfc_os.dll, and a forward is followed
// when the function is looked up, by a search that need not start in sfc.dll's folder: Wine 8
// takes a sfc_os.dll lying beside the program then, even after the search was restricted (seen
// with tests/wine/loadprobe). Loaded first from the system folder, sfc_os.dll is already in the
// process when the forward is followed, and the loader takes that one. Where it does not exist
// (2000, the 9x family) nothing is lost.
const SystemLibrary& Sfc() {
    static const SystemLibrary library = SystemLibrary::FromSystemFolder("sfc.dll", "sfc_os.dll");
    return library;
}

// Found at run time rather than imported: an import is resolved by the loader's search before
// main, and before XP (no side-by-side binding) that search looks beside the exe first, where a
// comctl32.dll may have been dropped. From XP on (which brought activation contexts) the
// manifest's binding to version 6 is followed by name; before, the system folder's copy is
// loaded by its full path.
const SystemLibrary& ComCtl32() {
    static const SystemLibrary library = Kernel32().Find<void (*)()>("ActivateActCtx") != nullptr
                                             ? SystemLibrary::BoundByManifest("comctl32.dll")
                                             : SystemLibrary::FromSystemFolder("comctl32.dll");
    return library;
}

// What a call of a function the system lacks gives back: the function's own failure, with the
// error GetProcAddress reports for a missing entry point, which callers already meet as a failed
// call.
template <typename T>
T ProcNotFound(T failure) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return failure;
}

// sfc.h is not in every toolchain; the declaration is the documented one.
using SfcIsFileProtectedFn = ::BOOL(WINAPI*)(::HANDLE, LPCWSTR);

}  // namespace

// ---- registry ----------------------------------------------------------------------------------

w32::LONG RealApi::RegOpenKeyA(HKEY hKey, const char* lpSubKey, HKEY* phkResult) {
    return ::RegOpenKeyA(Key(hKey), lpSubKey, As<::HKEY*>(phkResult));
}

w32::LONG RealApi::RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD ulOptions, DWORD samDesired,
                                 HKEY* phkResult) {
    return ::RegOpenKeyExA(Key(hKey), lpSubKey, ulOptions, samDesired, As<::HKEY*>(phkResult));
}

w32::LONG RealApi::RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName,
                                 DWORD* lpReserved, char* lpClass, DWORD* lpcchClass,
                                 w32::FILETIME* lpftLastWriteTime) {
    return ::RegEnumKeyExA(Key(hKey), dwIndex, lpName, As<::LPDWORD>(lpcchName),
                           As<::LPDWORD>(lpReserved), lpClass, As<::LPDWORD>(lpcchClass),
                           As<::PFILETIME>(lpftLastWriteTime));
}

w32::LONG RealApi::RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved,
                                    DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    return ::RegQueryValueExA(Key(hKey), lpValueName, As<::LPDWORD>(lpReserved),
                              As<::LPDWORD>(lpType), lpData, As<::LPDWORD>(lpcbData));
}

w32::LONG RealApi::RegDeleteKeyA(HKEY hKey, const char* lpSubKey) {
    return ::RegDeleteKeyA(Key(hKey), lpSubKey);
}

w32::LONG RealApi::SHDeleteKeyA(HKEY hKey, const char* pszSubKey) {
    static const auto fn = ShlwApi().Find<decltype(&::SHDeleteKeyA)>("SHDeleteKeyA");
    // A registry call reports its error as its result, not through the last error.
    if (fn == nullptr) return ERROR_PROC_NOT_FOUND;
    return fn(Key(hKey), pszSubKey);
}

w32::LONG RealApi::RegFlushKey(HKEY hKey) {
    return ::RegFlushKey(Key(hKey));
}

w32::LONG RealApi::RegCloseKey(HKEY hKey) {
    return ::RegCloseKey(Key(hKey));
}

w32::LONG RealApi::RegDeleteKeyExA(HKEY hKey, const char* lpSubKey, DWORD samDesired,
                                   DWORD Reserved) {
    static const auto fn = AdvApi32().Find<decltype(&::RegDeleteKeyExA)>("RegDeleteKeyExA");
    if (fn == nullptr) return ERROR_PROC_NOT_FOUND;
    return fn(Key(hKey), lpSubKey, samDesired, Reserved);
}

w32::LONG RealApi::RegDeleteTreeA(HKEY hKey, const char* lpSubKey) {
    static const auto fn = AdvApi32().Find<decltype(&::RegDeleteTreeA)>("RegDeleteTreeA");
    if (fn == nullptr) return ERROR_PROC_NOT_FOUND;
    return fn(Key(hKey), lpSubKey);
}

// ---- profile, version, directories, timing, errors, memory, strings ----------------------------

w32::DWORD RealApi::GetPrivateProfileStringA(const char* lpAppName, const char* lpKeyName,
                                             const char* lpDefault, char* lpReturnedString,
                                             DWORD nSize, const char* lpFileName) {
    return ::GetPrivateProfileStringA(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize,
                                      lpFileName);
}

w32::UINT RealApi::GetPrivateProfileIntA(const char* lpAppName, const char* lpKeyName, int nDefault,
                                         const char* lpFileName) {
    return ::GetPrivateProfileIntA(lpAppName, lpKeyName, nDefault, lpFileName);
}

w32::BOOL RealApi::GetVersionExA(w32::OSVERSIONINFOA* lpVersionInformation) {
    return ::GetVersionExA(As<::LPOSVERSIONINFOA>(lpVersionInformation));
}

w32::UINT RealApi::GetWindowsDirectoryA(char* lpBuffer, UINT uSize) {
    return ::GetWindowsDirectoryA(lpBuffer, uSize);
}

void RealApi::Sleep(DWORD dwMilliseconds) {
    ::Sleep(dwMilliseconds);
}

w32::DWORD RealApi::GetLastError() {
    return ::GetLastError();
}

void RealApi::SetLastError(DWORD dwErrCode) {
    ::SetLastError(dwErrCode);
}

w32::HLOCAL RealApi::LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    return ::LocalAlloc(uFlags, uBytes);
}

w32::HLOCAL RealApi::LocalFree(HLOCAL hMem) {
    return ::LocalFree(hMem);
}

int RealApi::lstrcmpiA(const char* lpString1, const char* lpString2) {
    return ::lstrcmpiA(lpString1, lpString2);
}

char* RealApi::CharLowerA(char* lpsz) {
    return ::CharLowerA(lpsz);
}

int RealApi::MultiByteToWideChar(UINT CodePage, DWORD dwFlags, const char* lpMultiByteStr,
                                 int cbMultiByte, WCHAR* lpWideCharStr, int cchWideChar) {
    return ::MultiByteToWideChar(CodePage, dwFlags, lpMultiByteStr, cbMultiByte,
                                 As<::LPWSTR>(lpWideCharStr), cchWideChar);
}

w32::DWORD RealApi::GetPrivateProfileSectionA(const char* lpAppName, char* lpReturnedString,
                                              DWORD nSize, const char* lpFileName) {
    return ::GetPrivateProfileSectionA(lpAppName, lpReturnedString, nSize, lpFileName);
}

w32::BOOL RealApi::WritePrivateProfileSectionA(const char* lpAppName, const char* lpString,
                                               const char* lpFileName) {
    return ::WritePrivateProfileSectionA(lpAppName, lpString, lpFileName);
}

void RealApi::GetNativeSystemInfo(w32::SYSTEM_INFO* lpSystemInfo) {
    static const auto fn = Kernel32().Find<decltype(&::GetNativeSystemInfo)>("GetNativeSystemInfo");
    // Before XP no Windows ran another architecture's programs: its own answer is the native one.
    if (fn == nullptr) {
        ::GetSystemInfo(As<::LPSYSTEM_INFO>(lpSystemInfo));
        return;
    }
    fn(As<::LPSYSTEM_INFO>(lpSystemInfo));
}

w32::BOOL RealApi::IsWow64Process(HANDLE hProcess, BOOL* Wow64Process) {
    static const auto fn = Kernel32().Find<decltype(&::IsWow64Process)>("IsWow64Process");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(hProcess, As<::PBOOL>(Wow64Process));
}

w32::DWORD RealApi::GetModuleFileNameA(HINSTANCE hModule, char* lpFilename, DWORD nSize) {
    return ::GetModuleFileNameA(As<::HMODULE>(hModule), lpFilename, nSize);
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

// ---- files -------------------------------------------------------------------------------------

w32::BOOL RealApi::SetFileAttributesA(const char* lpFileName, DWORD dwFileAttributes) {
    return ::SetFileAttributesA(lpFileName, dwFileAttributes);
}

w32::BOOL RealApi::DeleteFileA(const char* lpFileName) {
    return ::DeleteFileA(lpFileName);
}

w32::DWORD RealApi::GetFileAttributesA(const char* lpFileName) {
    return ::GetFileAttributesA(lpFileName);
}

w32::BOOL RealApi::MoveFileExA(const char* lpExistingFileName, const char* lpNewFileName,
                               DWORD dwFlags) {
    return ::MoveFileExA(lpExistingFileName, lpNewFileName, dwFlags);
}

w32::DWORD RealApi::GetShortPathNameA(const char* lpszLongPath, char* lpszShortPath,
                                      DWORD cchBuffer) {
    return ::GetShortPathNameA(lpszLongPath, lpszShortPath, cchBuffer);
}

w32::BOOL RealApi::SfcIsFileProtected(HANDLE RpcHandle, const WCHAR* ProtFileName) {
    static const auto fn = Sfc().Find<SfcIsFileProtectedFn>("SfcIsFileProtected");
    // Without the DLL or the function (the 9x family) nothing is protected by it.
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(RpcHandle, As<const wchar_t*>(ProtFileName));
}

// ---- device installer --------------------------------------------------------------------------

w32::HDEVINFO RealApi::SetupDiGetClassDevsA(const w32::GUID* ClassGuid, const char* Enumerator,
                                            HWND hwndParent, DWORD Flags) {
    static const auto fn =
        SetupApi().Find<decltype(&::SetupDiGetClassDevsA)>("SetupDiGetClassDevsA");
    if (fn == nullptr) return ProcNotFound<w32::HDEVINFO>(INVALID_HANDLE_VALUE);
    return fn(As<const ::GUID*>(ClassGuid), Enumerator, Wnd(hwndParent), Flags);
}

w32::BOOL RealApi::SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                                         w32::SP_DEVINFO_DATA* DeviceInfoData) {
    static const auto fn =
        SetupApi().Find<decltype(&::SetupDiEnumDeviceInfo)>("SetupDiEnumDeviceInfo");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(DeviceInfoSet, MemberIndex, As<::PSP_DEVINFO_DATA>(DeviceInfoData));
}

w32::BOOL RealApi::SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet,
                                                     w32::SP_DEVINFO_DATA* DeviceInfoData,
                                                     DWORD Property, DWORD* PropertyRegDataType,
                                                     BYTE* PropertyBuffer, DWORD PropertyBufferSize,
                                                     DWORD* RequiredSize) {
    static const auto fn = SetupApi().Find<decltype(&::SetupDiGetDeviceRegistryPropertyA)>(
        "SetupDiGetDeviceRegistryPropertyA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(DeviceInfoSet, As<::PSP_DEVINFO_DATA>(DeviceInfoData), Property,
              As<::PDWORD>(PropertyRegDataType), PropertyBuffer, PropertyBufferSize,
              As<::PDWORD>(RequiredSize));
}

w32::BOOL RealApi::SetupDiRemoveDevice(HDEVINFO DeviceInfoSet,
                                       w32::SP_DEVINFO_DATA* DeviceInfoData) {
    static const auto fn = SetupApi().Find<decltype(&::SetupDiRemoveDevice)>("SetupDiRemoveDevice");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(DeviceInfoSet, As<::PSP_DEVINFO_DATA>(DeviceInfoData));
}

w32::BOOL RealApi::SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    static const auto fn =
        SetupApi().Find<decltype(&::SetupDiDestroyDeviceInfoList)>("SetupDiDestroyDeviceInfoList");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(DeviceInfoSet);
}

w32::BOOL RealApi::SetupUninstallOEMInfA(const char* InfFileName, DWORD Flags, void* Reserved) {
    static const auto fn =
        SetupApi().Find<decltype(&::SetupUninstallOEMInfA)>("SetupUninstallOEMInfA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(InfFileName, Flags, Reserved);
}

// ---- Tool Help, processes, tokens --------------------------------------------------------------

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

w32::HANDLE RealApi::OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId) {
    return ::OpenProcess(dwDesiredAccess, bInheritHandle, dwProcessId);
}

w32::BOOL RealApi::TerminateProcess(HANDLE hProcess, UINT uExitCode) {
    return ::TerminateProcess(hProcess, uExitCode);
}

w32::BOOL RealApi::CloseHandle(HANDLE hObject) {
    return ::CloseHandle(hObject);
}

// ---- user interface ----------------------------------------------------------------------------

void RealApi::InitCommonControls() {
    static const auto fn = ComCtl32().Find<decltype(&::InitCommonControls)>("InitCommonControls");
    // A system without it has no common controls; the dialog then fails on its own.
    if (fn != nullptr) fn();
}

w32::HINSTANCE RealApi::GetModuleHandleA(const char* lpModuleName) {
    return As<w32::HINSTANCE>(::GetModuleHandleA(lpModuleName));
}

w32::HICON RealApi::LoadIconA(HINSTANCE hInstance, const char* lpIconName) {
    return As<w32::HICON>(::LoadIconA(As<::HINSTANCE>(hInstance), lpIconName));
}

w32::INT_PTR RealApi::DialogBoxParamA(HINSTANCE hInstance, const char* lpTemplateName,
                                      HWND hWndParent, w32::DLGPROC lpDialogFunc,
                                      LPARAM dwInitParam) {
    DialogThunk thunk{lpDialogFunc, dwInitParam};
    return ::DialogBoxParamA(As<::HINSTANCE>(hInstance), lpTemplateName, Wnd(hWndParent), ThunkProc,
                             As<::LPARAM>(&thunk));
}

w32::BOOL RealApi::EndDialog(HWND hDlg, INT_PTR nResult) {
    return ::EndDialog(Wnd(hDlg), nResult);
}

w32::LRESULT RealApi::SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(Wnd(hWnd), Msg, wParam, lParam);
}

w32::LRESULT RealApi::SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam,
                                          UINT fuFlags, UINT uTimeout, w32::DWORD_PTR* lpdwResult) {
    return ::SendMessageTimeoutA(Wnd(hWnd), Msg, wParam, lParam, fuFlags, uTimeout,
                                 As<::PDWORD_PTR>(lpdwResult));
}

w32::BOOL RealApi::SetWindowTextA(HWND hWnd, const char* lpString) {
    return ::SetWindowTextA(Wnd(hWnd), lpString);
}

w32::BOOL RealApi::SetDlgItemTextA(HWND hDlg, int nIDDlgItem, const char* lpString) {
    return ::SetDlgItemTextA(Wnd(hDlg), nIDDlgItem, lpString);
}

w32::HWND RealApi::GetDlgItem(HWND hDlg, int nIDDlgItem) {
    return As<w32::HWND>(::GetDlgItem(Wnd(hDlg), nIDDlgItem));
}

w32::BOOL RealApi::ShowWindow(HWND hWnd, int nCmdShow) {
    return ::ShowWindow(Wnd(hWnd), nCmdShow);
}

w32::HWND RealApi::FindWindowA(const char* lpClassName, const char* lpWindowName) {
    return As<w32::HWND>(::FindWindowA(lpClassName, lpWindowName));
}

int RealApi::MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType) {
    return ::MessageBoxA(Wnd(hWnd), lpText, lpCaption, uType);
}

w32::BOOL RealApi::IsIconic(HWND hWnd) {
    return ::IsIconic(Wnd(hWnd));
}

int RealApi::GetSystemMetrics(int nIndex) {
    return ::GetSystemMetrics(nIndex);
}

w32::BOOL RealApi::GetClientRect(HWND hWnd, w32::RECT* lpRect) {
    return ::GetClientRect(Wnd(hWnd), As<::LPRECT>(lpRect));
}

w32::BOOL RealApi::DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
    return ::DrawIcon(As<::HDC>(hDC), X, Y, As<::HICON>(hIcon));
}

w32::HDC RealApi::BeginPaint(HWND hWnd, w32::PAINTSTRUCT* lpPaint) {
    return As<w32::HDC>(::BeginPaint(Wnd(hWnd), As<::LPPAINTSTRUCT>(lpPaint)));
}

w32::BOOL RealApi::EndPaint(HWND hWnd, const w32::PAINTSTRUCT* lpPaint) {
    return ::EndPaint(Wnd(hWnd), As<const ::PAINTSTRUCT*>(lpPaint));
}

// ---- where a dialog is placed ------------------------------------------------------------------

w32::HRSRC RealApi::FindResourceA(HINSTANCE hModule, const char* lpName, const char* lpType) {
    return ::FindResourceA(As<::HMODULE>(hModule), lpName, lpType);
}

w32::HGLOBAL RealApi::LoadResource(HINSTANCE hModule, HRSRC hResInfo) {
    return ::LoadResource(As<::HMODULE>(hModule), As<::HRSRC>(hResInfo));
}

void* RealApi::LockResource(HGLOBAL hResData) {
    return ::LockResource(hResData);
}

w32::DWORD RealApi::SizeofResource(HINSTANCE hModule, HRSRC hResInfo) {
    return ::SizeofResource(As<::HMODULE>(hModule), As<::HRSRC>(hResInfo));
}

w32::LONG RealApi::GetWindowLongA(HWND hWnd, int nIndex) {
    return ::GetWindowLongA(Wnd(hWnd), nIndex);
}

w32::BOOL RealApi::GetWindowRect(HWND hWnd, w32::RECT* lpRect) {
    return ::GetWindowRect(Wnd(hWnd), As<::LPRECT>(lpRect));
}

w32::BOOL RealApi::SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                                UINT uFlags) {
    return ::SetWindowPos(Wnd(hWnd), Wnd(hWndInsertAfter), X, Y, cx, cy, uFlags);
}

w32::HMONITOR RealApi::MonitorFromWindow(HWND hwnd, DWORD dwFlags) {
    static const auto fn = User32().Find<decltype(&::MonitorFromWindow)>("MonitorFromWindow");
    if (fn == nullptr) return ProcNotFound<w32::HMONITOR>(nullptr);
    return As<w32::HMONITOR>(fn(Wnd(hwnd), dwFlags));
}

w32::BOOL RealApi::GetMonitorInfoA(w32::HMONITOR hMonitor, w32::MONITORINFO* lpmi) {
    static const auto fn = User32().Find<decltype(&::GetMonitorInfoA)>("GetMonitorInfoA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(As<::HMONITOR>(hMonitor), As<::LPMONITORINFO>(lpmi));
}

w32::BOOL RealApi::SystemParametersInfoA(UINT uiAction, UINT uiParam, void* pvParam, UINT fWinIni) {
    return ::SystemParametersInfoA(uiAction, uiParam, pvParam, fWinIni);
}

// ---- start-up ----------------------------------------------------------------------------------

void RestrictDllSearch() {
    static const auto fn =
        Kernel32().Find<decltype(&::SetDefaultDllDirectories)>("SetDefaultDllDirectories");
    // Elsewhere nothing is changed: the adapter loads every DLL by its full path anyway.
    if (fn != nullptr) fn(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// ---- the unattended run: command line, one run at a time, exit code, log -----------------------

w32::LONG RealApi::RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType,
                                  const BYTE* lpData, DWORD cbData) {
    return ::RegSetValueExA(Key(hKey), lpValueName, Reserved, dwType, lpData, cbData);
}

w32::BOOL RealApi::GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode) {
    ::DWORD code = 0;
    const ::BOOL ok = ::GetExitCodeProcess(hProcess, &code);
    if (lpExitCode != nullptr) *lpExitCode = code;
    return ok;
}

char* RealApi::GetCommandLineA() {
    return ::GetCommandLineA();
}

w32::HANDLE RealApi::CreateMutexA(void* lpMutexAttributes, BOOL bInitialOwner, const char* lpName) {
    return ::CreateMutexA(static_cast<::LPSECURITY_ATTRIBUTES>(lpMutexAttributes), bInitialOwner,
                          lpName);
}

void RealApi::GetLocalTime(w32::SYSTEMTIME* lpSystemTime) {
    ::GetLocalTime(As<::LPSYSTEMTIME>(lpSystemTime));
}

w32::DWORD RealApi::FormatMessageA(DWORD dwFlags, const void* lpSource, DWORD dwMessageId,
                                   DWORD dwLanguageId, char* lpBuffer, DWORD nSize,
                                   void* Arguments) {
    return ::FormatMessageA(dwFlags, lpSource, dwMessageId, dwLanguageId, lpBuffer, nSize,
                            static_cast<va_list*>(Arguments));
}

w32::BOOL RealApi::CreateDirectoryA(const char* lpPathName, void* lpSecurityAttributes) {
    return ::CreateDirectoryA(lpPathName,
                              static_cast<::LPSECURITY_ATTRIBUTES>(lpSecurityAttributes));
}

w32::HANDLE RealApi::CreateFileA(const char* lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                 void* lpSecurityAttributes, DWORD dwCreationDisposition,
                                 DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    return ::CreateFileA(lpFileName, dwDesiredAccess, dwShareMode,
                         static_cast<::LPSECURITY_ATTRIBUTES>(lpSecurityAttributes),
                         dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile);
}

w32::DWORD RealApi::GetFileSize(HANDLE hFile, DWORD* lpFileSizeHigh) {
    ::DWORD high = 0;
    const ::DWORD low = ::GetFileSize(hFile, &high);
    if (lpFileSizeHigh != nullptr) *lpFileSizeHigh = high;
    return low;
}

w32::BOOL RealApi::ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead,
                            DWORD* lpNumberOfBytesRead, void* lpOverlapped) {
    ::DWORD read = 0;
    const ::BOOL ok = ::ReadFile(hFile, lpBuffer, nNumberOfBytesToRead, &read,
                                 static_cast<::LPOVERLAPPED>(lpOverlapped));
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = read;
    return ok;
}

w32::BOOL RealApi::WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
                             DWORD* lpNumberOfBytesWritten, void* lpOverlapped) {
    ::DWORD written = 0;
    const ::BOOL ok = ::WriteFile(hFile, lpBuffer, nNumberOfBytesToWrite, &written,
                                  static_cast<::LPOVERLAPPED>(lpOverlapped));
    if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = written;
    return ok;
}

w32::DWORD RealApi::SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh,
                                   DWORD dwMoveMethod) {
    ::LONG high = lpDistanceToMoveHigh != nullptr ? *lpDistanceToMoveHigh : 0;
    const ::DWORD low = ::SetFilePointer(
        hFile, lDistanceToMove, lpDistanceToMoveHigh != nullptr ? &high : nullptr, dwMoveMethod);
    if (lpDistanceToMoveHigh != nullptr) *lpDistanceToMoveHigh = high;
    return low;
}

w32::BOOL RealApi::SetEndOfFile(HANDLE hFile) {
    return ::SetEndOfFile(hFile);
}

w32::BOOL RealApi::SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet,
                                               w32::SP_DEVINFO_DATA* DeviceInfoData,
                                               char* DeviceInstanceId, DWORD DeviceInstanceIdSize,
                                               DWORD* RequiredSize) {
    static const auto fn =
        SetupApi().Find<decltype(&::SetupDiGetDeviceInstanceIdA)>("SetupDiGetDeviceInstanceIdA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    ::DWORD required = 0;
    const ::BOOL ok = fn(DeviceInfoSet, As<::PSP_DEVINFO_DATA>(DeviceInfoData), DeviceInstanceId,
                         DeviceInstanceIdSize, &required);
    if (RequiredSize != nullptr) *RequiredSize = required;
    return ok;
}

}  // namespace win32adapter

#pragma pop_macro("BOOL")
