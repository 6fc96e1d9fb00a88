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

std::string RunAccount() {
    const UniqueHandle token = QueryToken();
    if (!token) return "";
    DWORD needed = 0;
    Api().GetTokenInformation(token.get(), TokenUser, nullptr, 0, &needed);
    if (needed < sizeof(TOKEN_USER)) return "";
    std::vector<ULONG_PTR> user = Buffer(needed);
    if (Api().GetTokenInformation(token.get(), TokenUser, user.data(),
                                  static_cast<DWORD>(user.size() * sizeof(ULONG_PTR)),
                                  &needed) == FALSE)
        return "";
    return SidText(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
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

bool IsAdministratorsOrSystem(const std::string& sid) {
    return sid == kAdministratorsSid || sid == kSystemSid;
}
