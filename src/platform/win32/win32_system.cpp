// What the system says about itself and this process: profiles, the version, the Windows
// folder, the architecture, the command line; and the small services (timing, errors, memory,
// strings, the clock).
#include "platform/win32/win32_internal.h"

namespace win32adapter {

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

w32::DWORD RealApi::GetPrivateProfileSectionA(const char* lpAppName, char* lpReturnedString,
                                              DWORD nSize, const char* lpFileName) {
    return ::GetPrivateProfileSectionA(lpAppName, lpReturnedString, nSize, lpFileName);
}

w32::BOOL RealApi::WritePrivateProfileSectionA(const char* lpAppName, const char* lpString,
                                               const char* lpFileName) {
    return ::WritePrivateProfileSectionA(lpAppName, lpString, lpFileName);
}

w32::BOOL RealApi::GetVersionExA(w32::OSVERSIONINFOA* lpVersionInformation) {
    return ::GetVersionExA(As<::LPOSVERSIONINFOA>(lpVersionInformation));
}

w32::UINT RealApi::GetWindowsDirectoryA(char* lpBuffer, UINT uSize) {
    return ::GetWindowsDirectoryA(lpBuffer, uSize);
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

char* RealApi::GetCommandLineA() {
    return ::GetCommandLineA();
}

void RealApi::Sleep(DWORD dwMilliseconds) {
    ::Sleep(dwMilliseconds);
}

void RealApi::GetLocalTime(w32::SYSTEMTIME* lpSystemTime) {
    ::GetLocalTime(As<::LPSYSTEMTIME>(lpSystemTime));
}

w32::DWORD RealApi::GetLastError() {
    return ::GetLastError();
}

void RealApi::SetLastError(DWORD dwErrCode) {
    ::SetLastError(dwErrCode);
}

w32::DWORD RealApi::FormatMessageA(DWORD dwFlags, const void* lpSource, DWORD dwMessageId,
                                   DWORD dwLanguageId, char* lpBuffer, DWORD nSize,
                                   void* Arguments) {
    return ::FormatMessageA(dwFlags, lpSource, dwMessageId, dwLanguageId, lpBuffer, nSize,
                            static_cast<va_list*>(Arguments));
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

}  // namespace win32adapter
