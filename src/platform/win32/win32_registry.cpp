// The registry calls. Every key handed over goes through Key(), which widens the predefined
// roots to the system's own values.
#include "platform/win32/win32_internal.h"

namespace win32adapter {

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

w32::LONG RealApi::RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType,
                                  const BYTE* lpData, DWORD cbData) {
    return ::RegSetValueExA(Key(hKey), lpValueName, Reserved, dwType, lpData, cbData);
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

}  // namespace win32adapter
