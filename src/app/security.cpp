#include "app/security.h"

#include <vector>

using namespace w32;

namespace {

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (sid == nullptr || Api().ConvertSidToStringSidA(sid, &text) == FALSE || text == nullptr)
        return "";
    const UniqueLocal owned(text);
    return text;
}

// A buffer for the variable-sized records the security calls fill, aligned for the pointers
// inside them.
std::vector<ULONG_PTR> Buffer(DWORD bytes) {
    return std::vector<ULONG_PTR>((bytes + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR));
}

UniqueHandle QueryToken() {
    UniqueHandle token;
    if (Api().OpenProcessToken(Api().GetCurrentProcess(), TOKEN_QUERY, token.put()) == FALSE)
        token.reset();
    return token;
}

}  // namespace

UniqueLocal SecurityDescriptor(const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (Api().ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                   &descriptor, nullptr) == FALSE)
        return UniqueLocal();
    return UniqueLocal(descriptor);
}

std::string OwnerOf(HANDLE object) {
    DWORD needed = 0;
    Api().GetKernelObjectSecurity(object, OWNER_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed == 0) return "";
    std::vector<ULONG_PTR> descriptor = Buffer(needed);
    const auto size = static_cast<DWORD>(descriptor.size() * sizeof(ULONG_PTR));
    if (Api().GetKernelObjectSecurity(object, OWNER_SECURITY_INFORMATION, descriptor.data(), size,
                                      &needed) == FALSE)
        return "";
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (Api().GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted) == FALSE) return "";
    return SidText(owner);
}

namespace {

// The SID the token gives for one of its classes (TokenUser, TokenOwner), as "S-1-5-...".
std::string TokenSid(TOKEN_INFORMATION_CLASS kind) {
    const UniqueHandle token = QueryToken();
    if (!token) return "";
    DWORD needed = 0;
    Api().GetTokenInformation(token.get(), kind, nullptr, 0, &needed);
    if (needed < sizeof(PSID)) return "";
    std::vector<ULONG_PTR> data = Buffer(needed);
    if (Api().GetTokenInformation(token.get(), kind, data.data(),
                                  static_cast<DWORD>(data.size() * sizeof(ULONG_PTR)),
                                  &needed) == FALSE)
        return "";
    // TOKEN_USER and TOKEN_OWNER both begin with the SID's pointer.
    return SidText(*reinterpret_cast<const PSID*>(data.data()));
}

}  // namespace

bool OwnedLikeOurs(const std::string& owner) {
    return owner == kAdministratorsSid || owner == kSystemSid || owner == TokenSid(TokenUser) ||
           owner == TokenSid(TokenOwner);
}

bool RunIsElevated() {
    const UniqueHandle token = QueryToken();
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!token || Api().GetTokenInformation(token.get(), TokenElevation, &elevation,
                                            sizeof elevation, &size) == FALSE)
        return true;
    return elevation.TokenIsElevated != 0;
}
