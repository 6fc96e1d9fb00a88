// What the hand-over checks before it starts tvuninst64.exe: version resources (VERSION) and the
// Authenticode signature and its signer (WINTRUST, CRYPT32). The DLLs are loaded from the system
// folder by their full paths, never found beside the exe, and their functions looked up.
#include "platform/win32/win32_internal.h"

// clang-format off
#include <wincrypt.h>
#include <wintrust.h>
// clang-format on

namespace win32adapter {

namespace {

TVU_SAME_SIZE(VS_FIXEDFILEINFO, VS_FIXEDFILEINFO);
TVU_SAME_FIELD(VS_FIXEDFILEINFO, VS_FIXEDFILEINFO, dwFileVersionMS);
TVU_SAME_FIELD(VS_FIXEDFILEINFO, VS_FIXEDFILEINFO, dwFileVersionLS);
TVU_SAME_SIZE(WINTRUST_FILE_INFO, WINTRUST_FILE_INFO);
TVU_SAME_FIELD(WINTRUST_FILE_INFO, WINTRUST_FILE_INFO, pcwszFilePath);
TVU_SAME_FIELD(WINTRUST_DATA, WINTRUST_DATA, dwUIChoice);
TVU_SAME_FIELD(WINTRUST_DATA, WINTRUST_DATA, dwUnionChoice);
TVU_SAME_FIELD(WINTRUST_DATA, WINTRUST_DATA, dwStateAction);
TVU_SAME_FIELD(WINTRUST_DATA, WINTRUST_DATA, dwProvFlags);
TVU_SAME_FIELD(WINTRUST_DATA, WINTRUST_DATA, dwUIContext);
TVU_SAME_FIELD(CMSG_SIGNER_INFO_HEAD, CMSG_SIGNER_INFO, dwVersion);
TVU_SAME_FIELD(CMSG_SIGNER_INFO_HEAD, CMSG_SIGNER_INFO, Issuer);
TVU_SAME_FIELD(CMSG_SIGNER_INFO_HEAD, CMSG_SIGNER_INFO, SerialNumber);
static_assert(sizeof(w32::CMSG_SIGNER_INFO_HEAD) <= sizeof(::CMSG_SIGNER_INFO));

const SystemLibrary& Version() {
    static const SystemLibrary library = SystemLibrary::FromSystemFolder("version.dll");
    return library;
}

const SystemLibrary& WinTrust() {
    static const SystemLibrary library = SystemLibrary::FromSystemFolder("wintrust.dll");
    return library;
}

const SystemLibrary& Crypt32() {
    static const SystemLibrary library = SystemLibrary::FromSystemFolder("crypt32.dll");
    return library;
}

using VersionSizeFn = ::DWORD(WINAPI*)(LPCSTR, LPDWORD);
using VersionInfoFn = ::BOOL(WINAPI*)(LPCSTR, ::DWORD, ::DWORD, LPVOID);
using VersionQueryFn = ::BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
using VerifyFn = ::LONG(WINAPI*)(::HWND, ::GUID*, LPVOID);
using QueryObjectFn = ::BOOL(WINAPI*)(::DWORD, const void*, ::DWORD, ::DWORD, ::DWORD, ::DWORD*,
                                      ::DWORD*, ::DWORD*, ::HCERTSTORE*, ::HCRYPTMSG*,
                                      const void**);
using MsgParamFn = ::BOOL(WINAPI*)(::HCRYPTMSG, ::DWORD, ::DWORD, void*, ::DWORD*);
using MsgCloseFn = ::BOOL(WINAPI*)(::HCRYPTMSG);
using StoreCloseFn = ::BOOL(WINAPI*)(::HCERTSTORE, ::DWORD);

}  // namespace

w32::DWORD RealApi::GetFileVersionInfoSizeA(const char* lptstrFilename, DWORD* lpdwHandle) {
    static const auto fn = Version().Find<VersionSizeFn>("GetFileVersionInfoSizeA");
    if (fn == nullptr) return ProcNotFound<w32::DWORD>(0);
    return fn(lptstrFilename, As<LPDWORD>(lpdwHandle));
}

w32::BOOL RealApi::GetFileVersionInfoA(const char* lptstrFilename, DWORD dwHandle, DWORD dwLen,
                                       void* lpData) {
    static const auto fn = Version().Find<VersionInfoFn>("GetFileVersionInfoA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(lptstrFilename, dwHandle, dwLen, lpData);
}

w32::BOOL RealApi::VerQueryValueA(const void* pBlock, const char* lpSubBlock, void** lplpBuffer,
                                  UINT* puLen) {
    static const auto fn = Version().Find<VersionQueryFn>("VerQueryValueA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(pBlock, lpSubBlock, lplpBuffer, As<PUINT>(puLen));
}

w32::LONG RealApi::WinVerifyTrust(HWND hwnd, w32::GUID* pgActionID, void* pWVTData) {
    static const auto fn = WinTrust().Find<VerifyFn>("WinVerifyTrust");
    if (fn == nullptr) return ProcNotFound<w32::LONG>(static_cast<w32::LONG>(ERROR_PROC_NOT_FOUND));
    return fn(Wnd(hwnd), As<::GUID*>(pgActionID), pWVTData);
}

w32::BOOL RealApi::CryptQueryObject(DWORD dwObjectType, const void* pvObject,
                                    DWORD dwExpectedContentTypeFlags,
                                    DWORD dwExpectedFormatTypeFlags, DWORD dwFlags,
                                    DWORD* pdwMsgAndCertEncodingType, DWORD* pdwContentType,
                                    DWORD* pdwFormatType, w32::HCERTSTORE* phCertStore,
                                    w32::HCRYPTMSG* phMsg, const void** ppvContext) {
    static const auto fn = Crypt32().Find<QueryObjectFn>("CryptQueryObject");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(dwObjectType, pvObject, dwExpectedContentTypeFlags, dwExpectedFormatTypeFlags,
              dwFlags, As<::DWORD*>(pdwMsgAndCertEncodingType), As<::DWORD*>(pdwContentType),
              As<::DWORD*>(pdwFormatType), As<::HCERTSTORE*>(phCertStore), As<::HCRYPTMSG*>(phMsg),
              ppvContext);
}

w32::BOOL RealApi::CryptMsgGetParam(w32::HCRYPTMSG hCryptMsg, DWORD dwParamType, DWORD dwIndex,
                                    void* pvData, DWORD* pcbData) {
    static const auto fn = Crypt32().Find<MsgParamFn>("CryptMsgGetParam");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(hCryptMsg, dwParamType, dwIndex, pvData, As<::DWORD*>(pcbData));
}

w32::BOOL RealApi::CryptMsgClose(w32::HCRYPTMSG hCryptMsg) {
    static const auto fn = Crypt32().Find<MsgCloseFn>("CryptMsgClose");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(hCryptMsg);
}

w32::BOOL RealApi::CertCloseStore(w32::HCERTSTORE hCertStore, DWORD dwFlags) {
    static const auto fn = Crypt32().Find<StoreCloseFn>("CertCloseStore");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(hCertStore, dwFlags);
}

}  // namespace win32adapter
