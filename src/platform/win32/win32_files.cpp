// Files and folders: their attributes, deletion and renaming, the log's reading and writing, and
// the system's own protection of its files.
#include "platform/win32/win32_internal.h"

namespace win32adapter {

namespace {

// sfc.h is not in every toolchain; the declaration is the documented one.
using SfcIsFileProtectedFn = ::BOOL(WINAPI*)(::HANDLE, LPCWSTR);

}  // namespace

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

w32::BOOL RealApi::SfcIsFileProtected(HANDLE RpcHandle, const WCHAR* ProtFileName) {
    static const auto fn = Sfc().Find<SfcIsFileProtectedFn>("SfcIsFileProtected");
    // Without the DLL or the function (the 9x family) nothing is protected by it.
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(RpcHandle, As<const wchar_t*>(ProtFileName));
}

}  // namespace win32adapter
