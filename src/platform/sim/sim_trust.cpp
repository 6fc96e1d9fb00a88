// What the hand-over looks at before it starts tvuninst64.exe: each exe's version resource and
// Authenticode signature, set by the test (WriteExe, SetModuleExe); the program's own file has
// version 3.1.0.1 and no signature unless set, as the release's unsigned build.
#include <cstdio>
#include <cstring>

#include "platform/sim/sim_state.h"

namespace sim {

namespace {

constexpr DWORD kSignature = 0xFEEF04BD;
constexpr DWORD kCryptNoMatch = 0x80092009;                  // CRYPT_E_NO_MATCH
constexpr LONG kBadDigest = static_cast<LONG>(0x80096010u);  // TRUST_E_BAD_DIGEST

template <typename T>
T* HandleAs(State& s, HANDLE h) {
    auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(h));
    return it == s.handles.end() ? nullptr : std::get_if<T>(&it->second);
}

std::string Narrow(const WCHAR* wide) {
    std::string text;
    for (; wide != nullptr && *wide != 0; ++wide) text += static_cast<char>(*wide);
    return text;
}

}  // namespace

const ExeFacts* State::ExeAt(const std::string& windowsPath) const {
    if (IEquals(windowsPath, moduleFileName)) return &moduleFacts;
    const Resolved r = Resolve(windowsPath);
    std::error_code ec;
    if ((!r.inside && !r.outside) || !std::filesystem::is_regular_file(r.disk, ec)) return nullptr;
    static const ExeFacts none;
    const auto it = exes.find(r.relKey);
    return it == exes.end() ? &none : &it->second;
}

void Machine::WriteExe(const std::string& windowsPath, const std::string& version,
                       const std::string& signer, bool signatureValid) {
    WriteFile(windowsPath, "MZ");
    s_->exes[s_->Resolve(windowsPath).relKey] = ExeFacts{version, signer, signatureValid};
}

void Machine::SetModuleExe(const std::string& version, const std::string& signer) {
    s_->moduleFacts = ExeFacts{version, signer, true};
}

DWORD Machine::GetFileVersionInfoSizeA(const char* file, DWORD* handle) {
    Call c(*s_, "GetFileVersionInfoSizeA", Str(file));
    if (handle != nullptr) *handle = 0;
    if (c.Faulted()) return c.FailWith<DWORD>(0, c.Error());
    const ExeFacts* exe = file == nullptr ? nullptr : s_->ExeAt(file);
    if (exe == nullptr) return c.FailWith<DWORD>(0, ERROR_FILE_NOT_FOUND);
    if (exe->version.empty()) return c.FailWith<DWORD>(0, ERROR_RESOURCE_TYPE_NOT_FOUND);
    return c.Ret(static_cast<DWORD>(sizeof(VS_FIXEDFILEINFO)));
}

BOOL Machine::GetFileVersionInfoA(const char* file, DWORD, DWORD length, void* data) {
    Call c(*s_, "GetFileVersionInfoA", Str(file) + "|" + std::to_string(length));
    if (c.Faulted()) return c.FailBool(c.Error());
    const ExeFacts* exe = file == nullptr ? nullptr : s_->ExeAt(file);
    if (exe == nullptr) return c.FailBool(ERROR_FILE_NOT_FOUND);
    if (exe->version.empty()) return c.FailBool(ERROR_RESOURCE_TYPE_NOT_FOUND);
    if (data == nullptr || length < sizeof(VS_FIXEDFILEINFO))
        return c.FailBool(ERROR_INSUFFICIENT_BUFFER);
    unsigned a = 0, b = 0, d = 0, e = 0;
    std::sscanf(exe->version.c_str(), "%u.%u.%u.%u", &a, &b, &d, &e);
    VS_FIXEDFILEINFO info{};
    info.dwSignature = kSignature;
    info.dwStrucVersion = 0x00010000;
    info.dwFileVersionMS = (a << 16) | b;
    info.dwFileVersionLS = (d << 16) | e;
    std::memcpy(data, &info, sizeof info);
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length) {
    Call c(*s_, "VerQueryValueA", Str(subBlock));
    if (block == nullptr || subBlock == nullptr || buffer == nullptr || length == nullptr ||
        std::strcmp(subBlock, "\\") != 0)
        return c.FailBool(ERROR_RESOURCE_TYPE_NOT_FOUND);
    DWORD signature = 0;
    std::memcpy(&signature, block, sizeof signature);
    if (signature != kSignature) return c.FailBool(ERROR_INVALID_DATA);
    *buffer = const_cast<void*>(block);
    *length = sizeof(VS_FIXEDFILEINFO);
    return c.Ret<BOOL>(TRUE);
}

LONG Machine::WinVerifyTrust(HWND, GUID* action, void* data) {
    const auto* trust = static_cast<const WINTRUST_DATA*>(data);
    const std::string file =
        trust != nullptr && trust->pFile != nullptr ? Narrow(trust->pFile->pcwszFilePath) : "";
    Call c(*s_, "WinVerifyTrust", file);
    if (c.Faulted()) return c.Ret(static_cast<LONG>(c.Error()));
    if (action == nullptr || trust == nullptr || trust->cbStruct < sizeof(WINTRUST_DATA) ||
        trust->dwUnionChoice != WTD_CHOICE_FILE || trust->pFile == nullptr ||
        std::memcmp(action, &WINTRUST_ACTION_GENERIC_VERIFY_V2, sizeof(GUID)) != 0)
        return c.Ret(static_cast<LONG>(ERROR_INVALID_PARAMETER));
    const ExeFacts* exe = s_->ExeAt(file);
    if (exe == nullptr) return c.Ret(static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    if (exe->signer.empty()) return c.Ret(TRUST_E_NOSIGNATURE);
    return c.Ret(exe->signatureValid ? 0 : kBadDigest);
}

BOOL Machine::CryptQueryObject(DWORD type, const void* object, DWORD, DWORD, DWORD, DWORD* encoding,
                               DWORD* content, DWORD* format, HCERTSTORE* store, HCRYPTMSG* msg,
                               const void**) {
    const std::string file = Narrow(static_cast<const WCHAR*>(object));
    Call c(*s_, "CryptQueryObject", file);
    if (c.Faulted()) return c.FailBool(c.Error());
    if (type != CERT_QUERY_OBJECT_FILE || object == nullptr)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    const ExeFacts* exe = s_->ExeAt(file);
    if (exe == nullptr) return c.FailBool(ERROR_FILE_NOT_FOUND);
    if (exe->signer.empty()) return c.FailBool(kCryptNoMatch);
    if (encoding != nullptr) *encoding = 0x00010001;  // X509_ASN_ENCODING | PKCS_7_ASN_ENCODING
    if (content != nullptr) *content = 10;            // CERT_QUERY_CONTENT_PKCS7_SIGNED_EMBED
    if (format != nullptr) *format = 1;               // CERT_QUERY_FORMAT_BINARY
    if (store != nullptr) {
        const ULONG_PTR value = s_->NewHandleValue();
        s_->handles[value] = CertStoreObject{};
        *store = reinterpret_cast<HCERTSTORE>(value);
    }
    if (msg != nullptr) {
        const ULONG_PTR value = s_->NewHandleValue();
        s_->handles[value] = CryptMsgObject{exe->signer};
        *msg = reinterpret_cast<HCRYPTMSG>(value);
    }
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::CryptMsgGetParam(HCRYPTMSG msg, DWORD param, DWORD index, void* data, DWORD* size) {
    Call c(*s_, "CryptMsgGetParam", std::to_string(param) + "|" + std::to_string(index));
    if (c.Faulted()) return c.FailBool(c.Error());
    const CryptMsgObject* m = HandleAs<CryptMsgObject>(*s_, msg);
    if (m == nullptr || size == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    if (param != CMSG_SIGNER_INFO_PARAM || index != 0) return c.FailBool(ERROR_INVALID_PARAMETER);
    // The signer's certificate: its issuer is the signer's name here, its serial number "01".
    const std::string serial = "\x01";
    const DWORD needed =
        static_cast<DWORD>(sizeof(CMSG_SIGNER_INFO_HEAD) + m->signer.size() + serial.size());
    if (data == nullptr) {
        *size = needed;
        return c.Ret<BOOL>(TRUE);
    }
    if (*size < needed) {
        *size = needed;
        return c.FailBool(ERROR_MORE_DATA);
    }
    BYTE* bytes = static_cast<BYTE*>(data) + sizeof(CMSG_SIGNER_INFO_HEAD);
    std::memcpy(bytes, m->signer.data(), m->signer.size());
    std::memcpy(bytes + m->signer.size(), serial.data(), serial.size());
    *static_cast<CMSG_SIGNER_INFO_HEAD*>(data) =
        CMSG_SIGNER_INFO_HEAD{1,
                              {static_cast<DWORD>(m->signer.size()), bytes},
                              {static_cast<DWORD>(serial.size()), bytes + m->signer.size()}};
    *size = needed;
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::CryptMsgClose(HCRYPTMSG msg) {
    Call c(*s_, "CryptMsgClose", Hex(reinterpret_cast<ULONG_PTR>(msg)));
    if (HandleAs<CryptMsgObject>(*s_, msg) == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    s_->handles.erase(reinterpret_cast<ULONG_PTR>(msg));
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::CertCloseStore(HCERTSTORE store, DWORD) {
    Call c(*s_, "CertCloseStore", Hex(reinterpret_cast<ULONG_PTR>(store)));
    if (HandleAs<CertStoreObject>(*s_, store) == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    s_->handles.erase(reinterpret_cast<ULONG_PTR>(store));
    return c.Ret<BOOL>(TRUE);
}

}  // namespace sim
