#include "app/native_twin.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "platform/handles.h"

using namespace w32;

namespace {

// The file version of a version resource ("3.1.0.1"); nothing when the file has none.
std::optional<std::string> FileVersion(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = Api().GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::vector<ULONG_PTR> data((size + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR));
    void* fixed = nullptr;
    UINT length = 0;
    if (Api().GetFileVersionInfoA(path.c_str(), 0, size, data.data()) == FALSE ||
        Api().VerQueryValueA(data.data(), "\\", &fixed, &length) == FALSE || fixed == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    char text[48];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", info->dwFileVersionMS >> 16,
                  info->dwFileVersionMS & 0xFFFF, info->dwFileVersionLS >> 16,
                  info->dwFileVersionLS & 0xFFFF);
    return std::string(text);
}

std::vector<WCHAR> Wide(const std::string& path) {
    const int length = Api().MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::vector<WCHAR> wide(length > 0 ? static_cast<std::size_t>(length) : 1, 0);
    if (length > 0) Api().MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    return wide;
}

// The certificate that signed the file, named by its issuer and serial number; empty when the
// file carries no Authenticode signature.
std::string Signer(const std::string& path) {
    const std::vector<WCHAR> wide = Wide(path);
    DWORD encoding = 0, content = 0, format = 0;
    UniqueCertStore store;
    UniqueCryptMsg message;
    if (Api().CryptQueryObject(CERT_QUERY_OBJECT_FILE, wide.data(),
                               CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                               CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &content, &format,
                               store.put(), message.put(), nullptr) == FALSE)
        return "";
    DWORD size = 0;
    if (Api().CryptMsgGetParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) == FALSE ||
        size < sizeof(CMSG_SIGNER_INFO_HEAD))
        return "";
    std::vector<ULONG_PTR> data((size + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR));
    if (Api().CryptMsgGetParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, data.data(), &size) ==
        FALSE)
        return "";
    const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO_HEAD*>(data.data());
    const auto bytes = [](const CRYPT_DATA_BLOB& blob) {
        return blob.pbData == nullptr
                   ? std::string()
                   : std::string(reinterpret_cast<const char*>(blob.pbData), blob.cbData);
    };
    return bytes(signer->Issuer) + '\0' + bytes(signer->SerialNumber);
}

// WinVerifyTrust's answer for the file: 0 when its signature verifies. Revocation is not asked
// for: the run may have no network, and must not wait for one.
LONG Verify(const std::string& path) {
    const std::vector<WCHAR> wide = Wide(path);
    WINTRUST_FILE_INFO file{sizeof(WINTRUST_FILE_INFO), wide.data(), nullptr, nullptr};
    WINTRUST_DATA data{};
    data.cbStruct = sizeof(WINTRUST_DATA);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_IGNORE;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    return Api().WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
}

}  // namespace

std::string WhyNotTwin(const std::string& self, const std::string& native) {
    const std::optional<std::string> own = FileVersion(self);
    const std::optional<std::string> other = FileVersion(native);
    if (!own || !other || *own != *other) {
        return "its version (" + other.value_or("none") + ") is not this program's (" +
               own.value_or("none") + ")";
    }
    const std::string signer = Signer(self);
    if (signer.empty()) return "";
    const LONG trust = Verify(native);
    if (trust != 0) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(trust));
        return std::string("its signature does not verify (") + code + ")";
    }
    if (Signer(native) != signer) return "it is signed by another certificate";
    return "";
}
