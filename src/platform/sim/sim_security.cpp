// Who the program runs as and who may open what: the account and elevation of its token, owners
// and DACLs of named mutexes and private namespaces, security descriptors and SIDs (modelled by
// their string forms, which is all the program hands on). What the one-run lock and the log look
// at.
#include <algorithm>
#include <cstring>

#include "platform/sim/sim_state.h"

namespace sim {

namespace {

template <typename T>
T* HandleAs(State& s, HANDLE h) {
    auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(h));
    return it == s.handles.end() ? nullptr : std::get_if<T>(&it->second);
}

std::string SidOfAlias(const std::string& alias) {
    if (alias == "BA") return kSidAdministrators;
    if (alias == "SY") return kSidSystem;
    if (alias == "BU") return "S-1-5-32-545";
    if (alias == "WD") return "S-1-1-0";
    return alias.rfind("S-1-", 0) == 0 ? alias : "";
}

bool Vista(const State& s) {
    return s.platformId == VER_PLATFORM_WIN32_NT && s.major >= 6;
}
bool Windows7(const State& s) {
    return Vista(s) && (s.major > 6 || s.minor >= 1);
}
bool Windows2000(const State& s) {
    return s.platformId == VER_PLATFORM_WIN32_NT && s.major >= 5;
}

// "D:P(A;;GA;;;BA)...": every ACE well formed, allowing or denying, with a known trustee.
bool ValidSddl(const std::string& sddl) {
    std::size_t at = sddl.find("D:");
    if (at == std::string::npos) return false;
    for (at = sddl.find('(', at); at != std::string::npos; at = sddl.find('(', at + 1)) {
        const std::size_t end = sddl.find(')', at);
        if (end == std::string::npos) return false;
        const std::string ace = sddl.substr(at + 1, end - at - 1);
        if (std::count(ace.begin(), ace.end(), ';') != 5) return false;
        if (ace[0] != 'A' && ace[0] != 'D') return false;
        if (SidOfAlias(ace.substr(ace.rfind(';') + 1)).empty()) return false;
    }
    return true;
}

const char* Text(const void* p) {
    return static_cast<const char*>(p);
}

// The boundary descriptor may move when it grows: the handle changes, as Windows allows.
BoundaryObject* Grow(State& s, HANDLE* descriptor) {
    auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(*descriptor));
    if (it == s.handles.end() || std::get_if<BoundaryObject>(&it->second) == nullptr)
        return nullptr;
    const BoundaryObject moved = std::get<BoundaryObject>(it->second);
    const bool other = s.otherHandles.erase(it->first) != 0;
    s.handles.erase(it);
    const bool was = s.anotherProcess;
    s.anotherProcess = other;
    const ULONG_PTR value = s.NewHandleValue();
    s.anotherProcess = was;
    s.handles[value] = moved;
    *descriptor = reinterpret_cast<HANDLE>(value);
    return &std::get<BoundaryObject>(s.handles[value]);
}

}  // namespace

// ---- the model --------------------------------------------------------------------------------
Dacl ParseDacl(const std::string& sddl) {
    Dacl dacl;
    std::size_t at = sddl.find("D:");
    if (at == std::string::npos) return dacl;
    dacl.present = true;
    for (at = sddl.find('(', at); at != std::string::npos; at = sddl.find('(', at + 1)) {
        const std::size_t end = sddl.find(')', at);
        const std::string ace = sddl.substr(at + 1, end - at - 1);
        if (ace[0] != 'A') continue;  // a denying entry takes nothing away that the model gives
        const std::size_t rights = ace.find(';', ace.find(';') + 1) + 1;
        dacl.aces.push_back(
            Ace{SidOfAlias(ace.substr(ace.rfind(';') + 1)), ace.compare(rights, 2, "GA") == 0});
    }
    return dacl;
}

std::string BoundaryObject::Identity() const {
    std::vector<std::string> sorted = sids;
    std::sort(sorted.begin(), sorted.end());
    std::string identity = name;
    for (const std::string& sid : sorted) identity += "|" + sid;
    return identity + "|" + label;
}

std::string State::DefaultOwner() const {
    if (account == kSidSystem) return kSidSystem;
    return elevated ? kSidAdministrators : account;
}

bool State::MayOpen(const NamedObject& object) const {
    if (!object.dacl.present) return true;
    for (const Ace& ace : object.dacl.aces) {
        if (!ace.full) continue;
        if (ace.sid == account || ace.sid == "S-1-1-0" ||
            (ace.sid == kSidAdministrators && InAdministrators()))
            return true;
    }
    return false;
}

void* State::TextBlock(const std::string& text) {
    auto block = std::make_unique<BYTE[]>(text.size() + 1);
    std::memcpy(block.get(), text.c_str(), text.size() + 1);
    void* p = block.get();
    blocks[p] = std::move(block);
    blockSizes[p] = text.size() + 1;
    return p;
}

// ---- test helpers -----------------------------------------------------------------------------
void Machine::SetAccount(const std::string& sid, bool elevated) {
    s_->account = sid;
    s_->elevated = elevated;
}

void Machine::AsAnotherProcess(const std::string& sid, bool elevated,
                               const std::function<void()>& fn) {
    const std::string account = s_->account;
    const bool wasElevated = s_->elevated, wasOther = s_->anotherProcess;
    s_->account = sid;
    s_->elevated = elevated;
    s_->anotherProcess = true;
    fn();
    s_->account = account;
    s_->elevated = wasElevated;
    s_->anotherProcess = wasOther;
}

void Machine::HoldMutex(const std::string& name, const std::string& owner,
                        const std::string& dacl) {
    NamedObject& mutex = s_->mutexes[name];
    mutex.owner = owner;
    mutex.dacl = ParseDacl(dacl);
    ++mutex.handles;
}

bool Machine::MutexExists(const std::string& name) const {
    return s_->mutexes.count(name) != 0;
}

// ---- descriptors, SIDs, tokens ------------------------------------------------------------------
BOOL Machine::ConvertStringSecurityDescriptorToSecurityDescriptorA(const char* sddl, DWORD revision,
                                                                   PSECURITY_DESCRIPTOR* sd,
                                                                   ULONG* size) {
    Call c(*s_, "ConvertStringSecurityDescriptorToSecurityDescriptorA", Str(sddl));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (!Windows2000(*s_)) return c.FailBool(ERROR_PROC_NOT_FOUND);
    if (sddl == nullptr || sd == nullptr || revision != SDDL_REVISION_1 || !ValidSddl(sddl))
        return c.FailBool(ERROR_INVALID_PARAMETER);
    *sd = s_->TextBlock(sddl);
    if (size != nullptr) *size = static_cast<ULONG>(std::strlen(sddl) + 1);
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::ConvertStringSidToSidA(const char* text, PSID* sid) {
    Call c(*s_, "ConvertStringSidToSidA", Str(text));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (!Windows2000(*s_)) return c.FailBool(ERROR_PROC_NOT_FOUND);
    if (text == nullptr || sid == nullptr || std::strncmp(text, "S-1-", 4) != 0)
        return c.FailBool(1337);  // ERROR_INVALID_SID
    *sid = s_->TextBlock(text);
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::ConvertSidToStringSidA(PSID sid, char** text) {
    Call c(*s_, "ConvertSidToStringSidA", sid == nullptr ? "(null)" : Str(Text(sid)));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (!Windows2000(*s_)) return c.FailBool(ERROR_PROC_NOT_FOUND);
    if (sid == nullptr || text == nullptr || std::strncmp(Text(sid), "S-1-", 4) != 0)
        return c.FailBool(1337);
    *text = static_cast<char*>(s_->TextBlock(Text(sid)));
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::GetKernelObjectSecurity(HANDLE handle, SECURITY_INFORMATION info,
                                      PSECURITY_DESCRIPTOR sd, DWORD length, DWORD* needed) {
    Call c(*s_, "GetKernelObjectSecurity", Hex(reinterpret_cast<ULONG_PTR>(handle)));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (s_->platformId != VER_PLATFORM_WIN32_NT) return c.FailBool(ERROR_CALL_NOT_IMPLEMENTED);
    if (info != OWNER_SECURITY_INFORMATION || needed == nullptr)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    std::string owner;
    if (const MutexObject* m = HandleAs<MutexObject>(*s_, handle)) {
        owner = s_->mutexes[m->name].owner;
    } else if (const FileObject* f = HandleAs<FileObject>(*s_, handle)) {
        if ((f->access & READ_CONTROL) == 0) return c.FailBool(ERROR_ACCESS_DENIED);
        const auto it = s_->fileOwners.find(f->relKey);
        owner = it == s_->fileOwners.end() ? kSidAdministrators : it->second;
    } else {
        return c.FailBool(ERROR_INVALID_HANDLE);
    }
    const std::string text = "O:" + owner;
    *needed = static_cast<DWORD>(text.size() + 1);
    if (sd == nullptr || length < *needed) return c.FailBool(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(sd, text.c_str(), text.size() + 1);
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR sd, PSID* owner, BOOL* defaulted) {
    Call c(*s_, "GetSecurityDescriptorOwner", sd == nullptr ? "(null)" : Str(Text(sd)));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (sd == nullptr || owner == nullptr || defaulted == nullptr)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    // A descriptor without an owner gives a null one, and succeeds.
    *owner = std::strncmp(Text(sd), "O:", 2) == 0 ? static_cast<char*>(sd) + 2 : nullptr;
    *defaulted = FALSE;
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* info,
                                  DWORD length, DWORD* returned) {
    Call c(*s_, "GetTokenInformation", std::to_string(kind) + "|" + std::to_string(length));
    if (c.Faulted()) return c.FailBool(c.Error());
    const TokenObject* t = HandleAs<TokenObject>(*s_, token);
    if (t == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    if ((t->access & TOKEN_QUERY) == 0) return c.FailBool(ERROR_ACCESS_DENIED);
    if (returned == nullptr) return c.FailBool(kErrorNoAccess);
    // The account, and the owner the token gives new objects: each a SID after the record.
    if (kind == TokenUser || kind == TokenOwner) {
        const std::string sid = kind == TokenUser ? s_->account : s_->DefaultOwner();
        *returned = static_cast<DWORD>(sizeof(TOKEN_USER) + sid.size() + 1);
        if (info == nullptr || length < *returned) return c.FailBool(ERROR_INSUFFICIENT_BUFFER);
        char* text = static_cast<char*>(info) + sizeof(TOKEN_USER);
        std::memcpy(text, sid.c_str(), sid.size() + 1);
        if (kind == TokenUser) {
            *static_cast<TOKEN_USER*>(info) = TOKEN_USER{{text, 0}};
        } else {
            *static_cast<TOKEN_OWNER*>(info) = TOKEN_OWNER{text};
        }
        return c.Ret<BOOL>(TRUE);
    }
    // Windows before Vista knows no elevation class.
    if (kind != TokenElevation || !Vista(*s_)) return c.FailBool(ERROR_INVALID_PARAMETER);
    *returned = sizeof(TOKEN_ELEVATION);
    if (info == nullptr || length < *returned) return c.FailBool(ERROR_INSUFFICIENT_BUFFER);
    static_cast<TOKEN_ELEVATION*>(info)->TokenIsElevated = s_->InAdministrators() ? 1 : 0;
    return c.Ret<BOOL>(TRUE);
}

// ---- private namespaces and mutexes -------------------------------------------------------------
HANDLE Machine::CreateBoundaryDescriptorA(const char* name, ULONG flags) {
    Call c(*s_, "CreateBoundaryDescriptorA", Str(name));
    if (c.Faulted()) return c.FailWith<HANDLE>(nullptr, c.Error());
    if (!Vista(*s_)) return c.FailWith<HANDLE>(nullptr, ERROR_PROC_NOT_FOUND);
    if (name == nullptr || flags != 0) return c.FailWith<HANDLE>(nullptr, ERROR_INVALID_PARAMETER);
    const ULONG_PTR value = s_->NewHandleValue();
    s_->handles[value] = BoundaryObject{name, {}, ""};
    return c.Ret(reinterpret_cast<HANDLE>(value));
}

BOOL Machine::AddSIDToBoundaryDescriptor(HANDLE* descriptor, PSID sid) {
    Call c(*s_, "AddSIDToBoundaryDescriptor", sid == nullptr ? "(null)" : Str(Text(sid)));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (!Vista(*s_)) return c.FailBool(ERROR_PROC_NOT_FOUND);
    if (descriptor == nullptr || sid == nullptr || std::strncmp(Text(sid), "S-1-", 4) != 0)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    BoundaryObject* b = Grow(*s_, descriptor);
    if (b == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    b->sids.push_back(Text(sid));
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::AddIntegrityLabelToBoundaryDescriptor(HANDLE* descriptor, PSID label) {
    Call c(*s_, "AddIntegrityLabelToBoundaryDescriptor",
           label == nullptr ? "(null)" : Str(Text(label)));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (!Windows7(*s_)) return c.FailBool(ERROR_PROC_NOT_FOUND);
    if (descriptor == nullptr || label == nullptr || std::strncmp(Text(label), "S-1-16-", 7) != 0)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    BoundaryObject* b = Grow(*s_, descriptor);
    if (b == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    b->label = Text(label);
    return c.Ret<BOOL>(TRUE);
}

void Machine::DeleteBoundaryDescriptor(HANDLE descriptor) {
    Call c(*s_, "DeleteBoundaryDescriptor", Hex(reinterpret_cast<ULONG_PTR>(descriptor)));
    if (HandleAs<BoundaryObject>(*s_, descriptor) == nullptr) {
        s_->handleErrors.push_back("DeleteBoundaryDescriptor: not a boundary descriptor");
        return;
    }
    s_->handles.erase(reinterpret_cast<ULONG_PTR>(descriptor));
    s_->otherHandles.erase(reinterpret_cast<ULONG_PTR>(descriptor));
}

HANDLE Machine::CreatePrivateNamespaceA(SECURITY_ATTRIBUTES* attributes, void* descriptor,
                                        const char* alias) {
    Call c(*s_, "CreatePrivateNamespaceA", Str(alias));
    if (c.Faulted()) return c.FailWith<HANDLE>(nullptr, c.Error());
    if (!Vista(*s_)) return c.FailWith<HANDLE>(nullptr, ERROR_PROC_NOT_FOUND);
    const BoundaryObject* b = HandleAs<BoundaryObject>(*s_, descriptor);
    if (b == nullptr || alias == nullptr)
        return c.FailWith<HANDLE>(nullptr, ERROR_INVALID_PARAMETER);
    // The maker's token must hold every SID of the boundary, and the integrity level of its
    // label: a non-elevated administrator has neither the group enabled nor the high level.
    for (const std::string& sid : b->sids) {
        if (sid != s_->account && !(sid == kSidAdministrators && s_->InAdministrators()))
            return c.FailWith<HANDLE>(nullptr, ERROR_ACCESS_DENIED);
    }
    if (!b->label.empty() && !s_->InAdministrators())
        return c.FailWith<HANDLE>(nullptr, ERROR_ACCESS_DENIED);
    const std::string identity = b->Identity() + "|" + alias;
    if (s_->namespaces.count(identity) != 0)
        return c.FailWith<HANDLE>(nullptr, ERROR_ALREADY_EXISTS);
    NamedObject& made = s_->namespaces[identity];
    made.owner = s_->DefaultOwner();
    made.dacl = ParseDacl(attributes != nullptr && attributes->lpSecurityDescriptor != nullptr
                              ? Text(attributes->lpSecurityDescriptor)
                              : "");
    made.handles = 1;
    const ULONG_PTR value = s_->NewHandleValue();
    s_->handles[value] = NamespaceObject{identity, alias};
    s_->lastError = ERROR_SUCCESS;
    return c.Ret(reinterpret_cast<HANDLE>(value));
}

HANDLE Machine::OpenPrivateNamespaceA(void* descriptor, const char* alias) {
    Call c(*s_, "OpenPrivateNamespaceA", Str(alias));
    if (c.Faulted()) return c.FailWith<HANDLE>(nullptr, c.Error());
    if (!Vista(*s_)) return c.FailWith<HANDLE>(nullptr, ERROR_PROC_NOT_FOUND);
    const BoundaryObject* b = HandleAs<BoundaryObject>(*s_, descriptor);
    if (b == nullptr || alias == nullptr)
        return c.FailWith<HANDLE>(nullptr, ERROR_INVALID_PARAMETER);
    const std::string identity = b->Identity() + "|" + alias;
    auto it = s_->namespaces.find(identity);
    if (it == s_->namespaces.end()) return c.FailWith<HANDLE>(nullptr, ERROR_PATH_NOT_FOUND);
    if (!s_->MayOpen(it->second)) return c.FailWith<HANDLE>(nullptr, ERROR_ACCESS_DENIED);
    ++it->second.handles;
    const ULONG_PTR value = s_->NewHandleValue();
    s_->handles[value] = NamespaceObject{identity, alias};
    return c.Ret(reinterpret_cast<HANDLE>(value));
}

BOOLEAN Machine::ClosePrivateNamespace(HANDLE handle, ULONG) {
    Call c(*s_, "ClosePrivateNamespace", Hex(reinterpret_cast<ULONG_PTR>(handle)));
    const NamespaceObject* n = HandleAs<NamespaceObject>(*s_, handle);
    if (n == nullptr) return static_cast<BOOLEAN>(c.FailBool(ERROR_INVALID_HANDLE));
    // The namespace goes with its last handle, and with it the names of the objects in it.
    if (--s_->namespaces[n->identity].handles <= 0) s_->namespaces.erase(n->identity);
    s_->handles.erase(reinterpret_cast<ULONG_PTR>(handle));
    s_->otherHandles.erase(reinterpret_cast<ULONG_PTR>(handle));
    return static_cast<BOOLEAN>(c.Ret<BOOL>(TRUE));
}

HANDLE Machine::CreateMutexA(void* attributes, BOOL bInitialOwner, const char* lpName) {
    Call c(*s_, "CreateMutexA", Str(lpName) + "|" + std::to_string(bInitialOwner));
    if (c.Faulted()) return c.FailWith<HANDLE>(nullptr, c.Error());
    std::string name = lpName == nullptr ? "" : lpName;
    // A name under a private namespace's alias is filed under the namespace that this process
    // opened with that alias; without one, the path does not exist.
    const std::size_t slash = name.find('\\');
    if (slash != std::string::npos && name.rfind("Global\\", 0) != 0 &&
        name.rfind("Local\\", 0) != 0) {
        const std::string alias = name.substr(0, slash);
        std::string identity;
        for (const auto& [value, object] : s_->handles) {
            const auto* n = std::get_if<NamespaceObject>(&object);
            if (n != nullptr && n->alias == alias &&
                (s_->otherHandles.count(value) != 0) == s_->anotherProcess)
                identity = n->identity;
        }
        if (identity.empty()) return c.FailWith<HANDLE>(nullptr, ERROR_PATH_NOT_FOUND);
        name = identity + name.substr(slash);
    }
    // An unnamed mutex is this process's own; a named one may already exist, and then the
    // handle is to that one, with ERROR_ALREADY_EXISTS, if its DACL lets this account open it.
    auto existing = s_->mutexes.find(name);
    const bool existed = !name.empty() && existing != s_->mutexes.end();
    if (existed && s_->platformId == VER_PLATFORM_WIN32_NT && !s_->MayOpen(existing->second))
        return c.FailWith<HANDLE>(nullptr, ERROR_ACCESS_DENIED);
    if (!name.empty()) {
        NamedObject& mutex = s_->mutexes[name];
        if (!existed) {
            const auto* sa = static_cast<const SECURITY_ATTRIBUTES*>(attributes);
            mutex.owner = s_->DefaultOwner();
            if (s_->platformId == VER_PLATFORM_WIN32_NT && sa != nullptr &&
                sa->lpSecurityDescriptor != nullptr)
                mutex.dacl = ParseDacl(Text(sa->lpSecurityDescriptor));
        }
        ++mutex.handles;
    }
    const ULONG_PTR h = s_->NewHandleValue();
    s_->handles[h] = MutexObject{name.empty() ? "(unnamed)" : name};
    s_->lastError = existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    return c.Ret(reinterpret_cast<HANDLE>(h));
}

}  // namespace sim
