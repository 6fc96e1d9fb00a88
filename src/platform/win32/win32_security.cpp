// Security descriptors, SIDs and the token (ADVAPI32), private namespaces and the identity of an
// open file (KERNEL32): what the one-run lock and the log ask before they trust an object that
// someone else may have made first. Every function is found at run time: the conversions arrived
// with 2000 and the namespaces with Vista, and Windows 95's ADVAPI32 has only stubs of the rest.
#include "platform/win32/win32_internal.h"

namespace win32adapter {

namespace {

TVU_SAME_SIZE(SECURITY_ATTRIBUTES, SECURITY_ATTRIBUTES);
TVU_SAME_FIELD(SECURITY_ATTRIBUTES, SECURITY_ATTRIBUTES, lpSecurityDescriptor);
TVU_SAME_FIELD(SECURITY_ATTRIBUTES, SECURITY_ATTRIBUTES, bInheritHandle);
TVU_SAME_SIZE(TOKEN_USER, TOKEN_USER);
TVU_SAME_FIELD(SID_AND_ATTRIBUTES, SID_AND_ATTRIBUTES, Sid);
TVU_SAME_FIELD(SID_AND_ATTRIBUTES, SID_AND_ATTRIBUTES, Attributes);
TVU_SAME_SIZE(TOKEN_ELEVATION, TOKEN_ELEVATION);
TVU_SAME_SIZE(TOKEN_OWNER, TOKEN_OWNER);
TVU_SAME_SIZE(BY_HANDLE_FILE_INFORMATION, BY_HANDLE_FILE_INFORMATION);
TVU_SAME_FIELD(BY_HANDLE_FILE_INFORMATION, BY_HANDLE_FILE_INFORMATION, dwFileAttributes);
TVU_SAME_FIELD(BY_HANDLE_FILE_INFORMATION, BY_HANDLE_FILE_INFORMATION, nFileSizeHigh);
TVU_SAME_FIELD(BY_HANDLE_FILE_INFORMATION, BY_HANDLE_FILE_INFORMATION, nFileSizeLow);
TVU_SAME_FIELD(BY_HANDLE_FILE_INFORMATION, BY_HANDLE_FILE_INFORMATION, nNumberOfLinks);
static_assert(TokenUser == ::TokenUser && TokenOwner == ::TokenOwner &&
              TokenElevation == ::TokenElevation);

// The documented declarations, which not every toolchain's headers carry for every target
// version.
using ConvertSddlFn = ::BOOL(WINAPI*)(LPCSTR, ::DWORD, PSECURITY_DESCRIPTOR*, PULONG);
using ConvertSidFn = ::BOOL(WINAPI*)(LPCSTR, PSID*);
using SidToTextFn = ::BOOL(WINAPI*)(PSID, LPSTR*);
using KernelSecurityFn = ::BOOL(WINAPI*)(::HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR,
                                         ::DWORD, LPDWORD);
using OwnerFn = ::BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, PSID*, LPBOOL);
using TokenInfoFn = ::BOOL(WINAPI*)(::HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, ::DWORD, PDWORD);
using CreateBoundaryFn = ::HANDLE(WINAPI*)(LPCSTR, ::ULONG);
using AddToBoundaryFn = ::BOOL(WINAPI*)(::HANDLE*, PSID);
using DeleteBoundaryFn = VOID(WINAPI*)(::HANDLE);
using CreateNamespaceFn = ::HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCSTR);
using OpenNamespaceFn = ::HANDLE(WINAPI*)(LPVOID, LPCSTR);
using CloseNamespaceFn = ::BOOLEAN(WINAPI*)(::HANDLE, ::ULONG);
using FileInformationFn = ::BOOL(WINAPI*)(::HANDLE, LPBY_HANDLE_FILE_INFORMATION);

}  // namespace

w32::BOOL RealApi::ConvertStringSecurityDescriptorToSecurityDescriptorA(
    const char* StringSecurityDescriptor, DWORD StringSDRevision,
    w32::PSECURITY_DESCRIPTOR* SecurityDescriptor, w32::ULONG* SecurityDescriptorSize) {
    static const auto fn =
        AdvApi32().Find<ConvertSddlFn>("ConvertStringSecurityDescriptorToSecurityDescriptorA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(StringSecurityDescriptor, StringSDRevision, SecurityDescriptor,
              As<PULONG>(SecurityDescriptorSize));
}

w32::BOOL RealApi::ConvertStringSidToSidA(const char* StringSid, w32::PSID* Sid) {
    static const auto fn = AdvApi32().Find<ConvertSidFn>("ConvertStringSidToSidA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(StringSid, Sid);
}

w32::BOOL RealApi::ConvertSidToStringSidA(w32::PSID Sid, char** StringSid) {
    static const auto fn = AdvApi32().Find<SidToTextFn>("ConvertSidToStringSidA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(Sid, StringSid);
}

w32::BOOL RealApi::GetKernelObjectSecurity(HANDLE Handle,
                                           w32::SECURITY_INFORMATION RequestedInformation,
                                           w32::PSECURITY_DESCRIPTOR pSecurityDescriptor,
                                           DWORD nLength, DWORD* lpnLengthNeeded) {
    static const auto fn = AdvApi32().Find<KernelSecurityFn>("GetKernelObjectSecurity");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(Handle, RequestedInformation, pSecurityDescriptor, nLength,
              As<LPDWORD>(lpnLengthNeeded));
}

w32::BOOL RealApi::GetSecurityDescriptorOwner(w32::PSECURITY_DESCRIPTOR pSecurityDescriptor,
                                              w32::PSID* pOwner, BOOL* lpbOwnerDefaulted) {
    static const auto fn = AdvApi32().Find<OwnerFn>("GetSecurityDescriptorOwner");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(pSecurityDescriptor, pOwner, lpbOwnerDefaulted);
}

w32::BOOL RealApi::GetTokenInformation(HANDLE TokenHandle,
                                       w32::TOKEN_INFORMATION_CLASS TokenInformationClass,
                                       void* TokenInformation, DWORD TokenInformationLength,
                                       DWORD* ReturnLength) {
    static const auto fn = AdvApi32().Find<TokenInfoFn>("GetTokenInformation");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(TokenHandle, static_cast<::TOKEN_INFORMATION_CLASS>(TokenInformationClass),
              TokenInformation, TokenInformationLength, As<PDWORD>(ReturnLength));
}

w32::HANDLE RealApi::CreateBoundaryDescriptorA(const char* Name, w32::ULONG Flags) {
    static const auto fn = Kernel32().Find<CreateBoundaryFn>("CreateBoundaryDescriptorA");
    if (fn == nullptr) return ProcNotFound<w32::HANDLE>(nullptr);
    return fn(Name, Flags);
}

w32::BOOL RealApi::AddSIDToBoundaryDescriptor(HANDLE* BoundaryDescriptor, w32::PSID RequiredSid) {
    static const auto fn = Kernel32().Find<AddToBoundaryFn>("AddSIDToBoundaryDescriptor");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(BoundaryDescriptor, RequiredSid);
}

w32::BOOL RealApi::AddIntegrityLabelToBoundaryDescriptor(HANDLE* BoundaryDescriptor,
                                                         w32::PSID IntegrityLabel) {
    static const auto fn =
        Kernel32().Find<AddToBoundaryFn>("AddIntegrityLabelToBoundaryDescriptor");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(BoundaryDescriptor, IntegrityLabel);
}

void RealApi::DeleteBoundaryDescriptor(HANDLE BoundaryDescriptor) {
    static const auto fn = Kernel32().Find<DeleteBoundaryFn>("DeleteBoundaryDescriptor");
    if (fn != nullptr) fn(BoundaryDescriptor);
}

w32::HANDLE RealApi::CreatePrivateNamespaceA(w32::SECURITY_ATTRIBUTES* lpPrivateNamespaceAttributes,
                                             void* lpBoundaryDescriptor,
                                             const char* lpAliasPrefix) {
    static const auto fn = Kernel32().Find<CreateNamespaceFn>("CreatePrivateNamespaceA");
    if (fn == nullptr) return ProcNotFound<w32::HANDLE>(nullptr);
    return fn(As<LPSECURITY_ATTRIBUTES>(lpPrivateNamespaceAttributes), lpBoundaryDescriptor,
              lpAliasPrefix);
}

w32::HANDLE RealApi::OpenPrivateNamespaceA(void* lpBoundaryDescriptor, const char* lpAliasPrefix) {
    static const auto fn = Kernel32().Find<OpenNamespaceFn>("OpenPrivateNamespaceA");
    if (fn == nullptr) return ProcNotFound<w32::HANDLE>(nullptr);
    return fn(lpBoundaryDescriptor, lpAliasPrefix);
}

w32::BOOLEAN RealApi::ClosePrivateNamespace(HANDLE Handle, w32::ULONG Flags) {
    static const auto fn = Kernel32().Find<CloseNamespaceFn>("ClosePrivateNamespace");
    if (fn == nullptr) return ProcNotFound<w32::BOOLEAN>(0);
    return fn(Handle, Flags);
}

w32::BOOL RealApi::GetFileInformationByHandle(HANDLE hFile,
                                              w32::BY_HANDLE_FILE_INFORMATION* lpFileInformation) {
    static const auto fn = Kernel32().Find<FileInformationFn>("GetFileInformationByHandle");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(hFile, As<LPBY_HANDLE_FILE_INFORMATION>(lpFileInformation));
}

}  // namespace win32adapter
