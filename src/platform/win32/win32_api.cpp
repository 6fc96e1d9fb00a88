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

// Windows File Protection lives in sfc.dll, which the 9x family does not have: it is looked up
// at run time rather than imported, so that the program starts everywhere, and once, for the
// life of the program. It is loaded by its full path in the system folder, never by its bare
// name, which the search order could find in the folder the uninstaller was started from first.
class SfcLibrary {
public:
    using IsProtectedFn = ::BOOL(WINAPI*)(::HANDLE, LPCWSTR);

    SfcLibrary() {
        static constexpr char kName[] = "\\sfc.dll";
        char path[MAX_PATH];
        const ::UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
        if (length == 0 || length + sizeof kName > sizeof path) return;
        ::lstrcpyA(path + length, kName);
        module_ = ::LoadLibraryA(path);
        if (module_ == nullptr) return;
        // Through the type that matches every function, so that the cast says what it means.
        isProtected_ = reinterpret_cast<IsProtectedFn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(module_, "SfcIsFileProtected")));
    }
    ~SfcLibrary() {
        if (module_ != nullptr) ::FreeLibrary(module_);
    }
    SfcLibrary(const SfcLibrary&) = delete;
    SfcLibrary& operator=(const SfcLibrary&) = delete;

    // Without the DLL or the function nothing is protected by it.
    ::BOOL IsProtected(::HANDLE rpc, const wchar_t* path) const {
        return isProtected_ != nullptr ? isProtected_(rpc, path) : FALSE;
    }

private:
    ::HMODULE module_ = nullptr;
    IsProtectedFn isProtected_ = nullptr;
};

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
    return ::SHDeleteKeyA(Key(hKey), pszSubKey);
}

w32::LONG RealApi::RegFlushKey(HKEY hKey) {
    return ::RegFlushKey(Key(hKey));
}

w32::LONG RealApi::RegCloseKey(HKEY hKey) {
    return ::RegCloseKey(Key(hKey));
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

// ---- files -------------------------------------------------------------------------------------

w32::BOOL RealApi::SetFileAttributesA(const char* lpFileName, DWORD dwFileAttributes) {
    return ::SetFileAttributesA(lpFileName, dwFileAttributes);
}

w32::BOOL RealApi::DeleteFileA(const char* lpFileName) {
    return ::DeleteFileA(lpFileName);
}

w32::BOOL RealApi::SfcIsFileProtected(HANDLE RpcHandle, const WCHAR* ProtFileName) {
    static const SfcLibrary sfc;
    return sfc.IsProtected(RpcHandle, As<const wchar_t*>(ProtFileName));
}

// ---- device installer --------------------------------------------------------------------------

w32::HDEVINFO RealApi::SetupDiGetClassDevsA(const w32::GUID* ClassGuid, const char* Enumerator,
                                            HWND hwndParent, DWORD Flags) {
    return ::SetupDiGetClassDevsA(As<const ::GUID*>(ClassGuid), Enumerator, Wnd(hwndParent), Flags);
}

w32::BOOL RealApi::SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                                         w32::SP_DEVINFO_DATA* DeviceInfoData) {
    return ::SetupDiEnumDeviceInfo(DeviceInfoSet, MemberIndex,
                                   As<::PSP_DEVINFO_DATA>(DeviceInfoData));
}

w32::BOOL RealApi::SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet,
                                                     w32::SP_DEVINFO_DATA* DeviceInfoData,
                                                     DWORD Property, DWORD* PropertyRegDataType,
                                                     BYTE* PropertyBuffer, DWORD PropertyBufferSize,
                                                     DWORD* RequiredSize) {
    return ::SetupDiGetDeviceRegistryPropertyA(DeviceInfoSet,
                                               As<::PSP_DEVINFO_DATA>(DeviceInfoData), Property,
                                               As<::PDWORD>(PropertyRegDataType), PropertyBuffer,
                                               PropertyBufferSize, As<::PDWORD>(RequiredSize));
}

w32::BOOL RealApi::SetupDiRemoveDevice(HDEVINFO DeviceInfoSet,
                                       w32::SP_DEVINFO_DATA* DeviceInfoData) {
    return ::SetupDiRemoveDevice(DeviceInfoSet, As<::PSP_DEVINFO_DATA>(DeviceInfoData));
}

w32::BOOL RealApi::SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    return ::SetupDiDestroyDeviceInfoList(DeviceInfoSet);
}

// ---- Tool Help, processes, tokens --------------------------------------------------------------

w32::HANDLE RealApi::CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID) {
    return ::CreateToolhelp32Snapshot(dwFlags, th32ProcessID);
}

w32::BOOL RealApi::Process32First(HANDLE hSnapshot, w32::PROCESSENTRY32* lppe) {
    return ::Process32First(hSnapshot, As<::LPPROCESSENTRY32>(lppe));
}

w32::BOOL RealApi::Process32Next(HANDLE hSnapshot, w32::PROCESSENTRY32* lppe) {
    return ::Process32Next(hSnapshot, As<::LPPROCESSENTRY32>(lppe));
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
    ::InitCommonControls();
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

}  // namespace win32adapter

#pragma pop_macro("BOOL")
