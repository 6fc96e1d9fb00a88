// The registry: one tree of keys per root, names matched without regard to case and kept in the
// case they were created with, subkeys enumerated in upper-cased order as Windows and Wine do.
#include <cstring>

#include "platform/sim/sim_state.h"

namespace sim {

namespace {

constexpr DWORD kMaximumAllowed = 0x02000000;
constexpr DWORD kGenericRead = 0x80000000;
constexpr DWORD kGenericWrite = 0x40000000;
constexpr DWORD kGenericExecute = 0x20000000;
constexpr DWORD kGenericAll = 0x10000000;
constexpr DWORD kKeyWrite = 0x20006;

DWORD MapGeneric(DWORD sam) {
    DWORD out = sam & ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll);
    if ((sam & kGenericRead) != 0 || (sam & kGenericExecute) != 0) out |= KEY_READ;
    if ((sam & kGenericWrite) != 0) out |= kKeyWrite;
    if ((sam & kGenericAll) != 0) out |= KEY_ALL_ACCESS;
    return out;
}

std::string Join(const std::string& parent, const char* sub) {
    if (sub == nullptr || *sub == '\0') return parent;
    return parent + "\\" + sub;
}

bool IsRootValue(HKEY h) {
    const auto v = reinterpret_cast<ULONG_PTR>(h);
    return v >= 0x80000000u && v <= 0x80000003u;
}

}  // namespace

// ---- tree helpers ---------------------------------------------------------------------------
std::shared_ptr<RegKey> State::RootOf(HKEY root) const {
    auto it = roots.find(reinterpret_cast<ULONG_PTR>(root));
    return it == roots.end() ? nullptr : it->second;
}

std::shared_ptr<RegKey> State::Child(const std::shared_ptr<RegKey>& k, const std::string& name) {
    auto it = k->subkeys.find(Upper(name));
    return it == k->subkeys.end() ? nullptr : it->second;
}

std::shared_ptr<RegKey> State::Find(HKEY root, const std::string& path) const {
    auto k = RootOf(root);
    for (const std::string& part : SplitPath(path)) {
        if (!k) return nullptr;
        k = Child(k, part);
    }
    return k;
}

std::shared_ptr<RegKey> State::Create(HKEY root, const std::string& path) {
    auto k = RootOf(root);
    if (!k) throw std::invalid_argument("unknown registry root");
    for (const std::string& part : SplitPath(path)) {
        auto next = Child(k, part);
        if (!next) {
            next = std::make_shared<RegKey>();
            next->name = part;
            next->parent = k;
            k->subkeys[Upper(part)] = next;
            k->SubkeysChanged();
        }
        k = next;
    }
    return k;
}

std::string State::PathOf(const RegKey& k) {
    if (k.deleted) return k.pathWhenDeleted;
    std::string path = k.name;
    for (auto p = k.parent.lock(); p; p = p->parent.lock()) path = p->name + "\\" + path;
    return path;
}

std::string State::KeyLabel(HKEY h) const {
    if (auto root = RootOf(h)) return root->name;
    auto it = handles.find(reinterpret_cast<ULONG_PTR>(h));
    if (it != handles.end())
        if (const auto* kh = std::get_if<KeyHandle>(&it->second)) return PathOf(*kh->key);
    return "<bad key " + Hex(reinterpret_cast<ULONG_PTR>(h)) + ">";
}

void State::DetachTree(const std::shared_ptr<RegKey>& k) {
    const std::string path = PathOf(*k);
    if (auto p = k->parent.lock()) {
        p->subkeys.erase(Upper(k->name));
        p->SubkeysChanged();
    }
    // Mark the whole subtree, so that every handle into it reports the deletion.
    struct Marker {
        static void Mark(RegKey& key, const std::string& keyPath) {
            key.deleted = true;
            key.pathWhenDeleted = keyPath;
            for (auto& [upper, child] : key.subkeys) Mark(*child, keyPath + "\\" + child->name);
        }
    };
    Marker::Mark(*k, path);
}

namespace {

// The key an HKEY stands for, with the access the handle grants.
DWORD ResolveKey(const State& s, HKEY h, std::shared_ptr<RegKey>& key, DWORD& access) {
    if (auto root = s.RootOf(h)) {
        key = root;
        access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(h));
    if (it == s.handles.end()) return ERROR_INVALID_HANDLE;
    const auto* kh = std::get_if<KeyHandle>(&it->second);
    if (kh == nullptr) return ERROR_INVALID_HANDLE;
    if (kh->key->deleted) return ERROR_KEY_DELETED;
    key = kh->key;
    access = kh->access;
    return ERROR_SUCCESS;
}

// Walks a relative path below a key. A leading backslash is a bad path on the NT family.
DWORD Walk(const std::shared_ptr<RegKey>& from, const char* sub, std::shared_ptr<RegKey>& out) {
    out = from;
    if (sub == nullptr || *sub == '\0') return ERROR_SUCCESS;
    if (*sub == '\\') return kErrorBadPathname;
    for (const std::string& part : SplitPath(sub)) {
        out = State::Child(out, part);
        if (!out) return ERROR_FILE_NOT_FOUND;
    }
    return ERROR_SUCCESS;
}

DWORD DeleteRecursively(const std::shared_ptr<RegKey>& k) {
    // Children first, in enumeration order; the first failure stops the delete, leaving what
    // was not reached, as a recursive delete on Windows does.
    while (!k->subkeys.empty()) {
        auto child = k->subkeys.begin()->second;
        if (DWORD e = DeleteRecursively(child); e != ERROR_SUCCESS) return e;
    }
    if (k->denyFull) return ERROR_ACCESS_DENIED;
    State::DetachTree(k);
    return ERROR_SUCCESS;
}

}  // namespace

// ---- the port -------------------------------------------------------------------------------
namespace {

// On 64-bit Windows the 32-bit view of HKLM\Software is its Wow6432Node subkey. An open reaches
// that view when it asks for it (KEY_WOW64_32KEY) or when a 32-bit process asks for no view; a
// key handle already lies in one view, so only opens from the root are redirected. 32-bit
// Windows has one view and ignores the flags.
std::string ViewPath(const State& s, HKEY parent, const char* sub, DWORD sam) {
    const std::string path = sub == nullptr ? "" : sub;
    if (!s.windows64 || parent != HKEY_LOCAL_MACHINE) return path;
    const bool view32 =
        (sam & KEY_WOW64_32KEY) != 0 || ((sam & KEY_WOW64_64KEY) == 0 && s.wow64Process);
    if (!view32) return path;
    const std::vector<std::string> parts = SplitPath(path);
    if (parts.empty() || !IEquals(parts[0], "Software")) return path;
    if (parts.size() > 1 && (IEquals(parts[1], "Wow6432Node") || IEquals(parts[1], "Classes")))
        return path;
    return parts[0] + "\\Wow6432Node" + path.substr(path.find(parts[0]) + parts[0].size());
}

LONG OpenKey(State& s, HKEY parent, const char* sub, DWORD sam, HKEY* result) {
    std::shared_ptr<RegKey> base, target;
    DWORD baseAccess = 0;
    if (DWORD e = ResolveKey(s, parent, base, baseAccess); e != ERROR_SUCCESS)
        return static_cast<LONG>(e);
    const std::string path = ViewPath(s, parent, sub, sam);
    if (DWORD e = Walk(base, sub == nullptr ? nullptr : path.c_str(), target); e != ERROR_SUCCESS)
        return static_cast<LONG>(e);
    sam &= ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    DWORD granted = MapGeneric(sam);
    if ((sam & kMaximumAllowed) != 0) {
        granted = (granted & ~kMaximumAllowed) | (target->denyFull ? KEY_READ : KEY_ALL_ACCESS);
    } else if (target->denyFull && (granted & kWriteAccessBits) != 0) {
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    }
    const ULONG_PTR value = s.NewHandleValue();
    s.handles[value] = KeyHandle{target, granted};
    *result = reinterpret_cast<HKEY>(value);
    return ERROR_SUCCESS;
}

}  // namespace

LONG Machine::RegOpenKeyA(HKEY hKey, const char* lpSubKey, HKEY* phkResult) {
    Call c(*s_, "RegOpenKeyA", Join(s_->KeyLabel(hKey), lpSubKey));
    if (phkResult == nullptr) return c.Ret<LONG>(static_cast<LONG>(ERROR_INVALID_PARAMETER));
    if (c.Faulted()) {
        *phkResult = nullptr;
        return c.Ret(static_cast<LONG>(c.Error()));
    }
    // Without a subkey RegOpenKeyA hands back the very handle it was given (nothing new to
    // close); with one it opens with the most access the key allows.
    if (lpSubKey == nullptr || *lpSubKey == '\0') {
        *phkResult = hKey;
        return c.Ret<LONG>(ERROR_SUCCESS);
    }
    const LONG r = OpenKey(*s_, hKey, lpSubKey, kMaximumAllowed, phkResult);
    if (r != ERROR_SUCCESS) *phkResult = nullptr;
    return c.Ret(r);
}

LONG Machine::RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD ulOptions, DWORD samDesired,
                            HKEY* phkResult) {
    Call c(*s_, "RegOpenKeyExA", Join(s_->KeyLabel(hKey), lpSubKey) + "|" + Hex(samDesired));
    if (phkResult == nullptr) return c.Ret<LONG>(static_cast<LONG>(ERROR_INVALID_PARAMETER));
    *phkResult = nullptr;
    if (c.Faulted()) return c.Ret(static_cast<LONG>(c.Error()));
    (void)ulOptions;
    return c.Ret(OpenKey(*s_, hKey, lpSubKey, samDesired, phkResult));
}

LONG Machine::RegEnumKeyExA(HKEY hKey, DWORD dwIndex, char* lpName, DWORD* lpcchName,
                            DWORD* lpReserved, char* lpClass, DWORD* lpcchClass,
                            FILETIME* lpftLastWriteTime) {
    Call c(*s_, "RegEnumKeyExA", s_->KeyLabel(hKey) + "|" + std::to_string(dwIndex));
    if (c.Faulted()) return c.Ret(static_cast<LONG>(c.Error()));
    std::shared_ptr<RegKey> key;
    DWORD access = 0;
    if (DWORD e = ResolveKey(*s_, hKey, key, access); e != ERROR_SUCCESS)
        return c.Ret(static_cast<LONG>(e));
    if (lpReserved != nullptr || lpName == nullptr || lpcchName == nullptr)
        return c.Ret(static_cast<LONG>(ERROR_INVALID_PARAMETER));
    if ((access & KEY_ENUMERATE_SUB_KEYS) == 0)
        return c.Ret(static_cast<LONG>(ERROR_ACCESS_DENIED));
    if (dwIndex >= key->subkeys.size()) return c.Ret(static_cast<LONG>(ERROR_NO_MORE_ITEMS));
    auto it = key->SubkeyAt(dwIndex);
    const std::string& name = it->second->name;
    // A name that does not fit with its terminator: nothing is written, and the capacity is
    // left as it was (as Wine does).
    if (name.size() + 1 > *lpcchName) return c.Ret(static_cast<LONG>(ERROR_MORE_DATA));
    if (lpClass != nullptr && lpcchClass != nullptr && *lpcchClass < 1)
        return c.Ret(static_cast<LONG>(ERROR_MORE_DATA));
    std::memcpy(lpName, name.c_str(), name.size() + 1);
    *lpcchName = static_cast<DWORD>(name.size());
    if (lpClass != nullptr && lpcchClass != nullptr) lpClass[0] = '\0';
    if (lpcchClass != nullptr) *lpcchClass = 0;
    if (lpftLastWriteTime != nullptr) {
        // 2001-08-24 00:00 UTC, a fixed and plausible last-write time.
        lpftLastWriteTime->dwLowDateTime = 0x4B5A8000u;
        lpftLastWriteTime->dwHighDateTime = 0x01C12C4Bu;
    }
    return c.Ret<LONG>(ERROR_SUCCESS);
}

LONG Machine::RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType,
                               BYTE* lpData, DWORD* lpcbData) {
    Call c(*s_, "RegQueryValueExA", s_->KeyLabel(hKey) + "|" + Str(lpValueName));
    if (c.Faulted()) return c.Ret(static_cast<LONG>(c.Error()));
    std::shared_ptr<RegKey> key;
    DWORD access = 0;
    if (DWORD e = ResolveKey(*s_, hKey, key, access); e != ERROR_SUCCESS)
        return c.Ret(static_cast<LONG>(e));
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr))
        return c.Ret(static_cast<LONG>(ERROR_INVALID_PARAMETER));
    if ((access & KEY_QUERY_VALUE) == 0) return c.Ret(static_cast<LONG>(ERROR_ACCESS_DENIED));
    auto it = key->values.find(Upper(lpValueName == nullptr ? "" : lpValueName));
    if (it == key->values.end()) return c.Ret(static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    const RegValue& v = it->second;
    if (lpType != nullptr) *lpType = v.type;
    const auto needed = static_cast<DWORD>(v.data.size());
    if (lpData != nullptr) {
        if (*lpcbData < needed) {
            *lpcbData = needed;
            return c.Ret(static_cast<LONG>(ERROR_MORE_DATA));
        }
        if (needed != 0) std::memcpy(lpData, v.data.data(), needed);
    }
    if (lpcbData != nullptr) *lpcbData = needed;
    return c.Ret<LONG>(ERROR_SUCCESS);
}

LONG Machine::RegSetValueExA(HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType,
                             const BYTE* lpData, DWORD cbData) {
    Call c(*s_, "RegSetValueExA", s_->KeyLabel(hKey) + "|" + Str(lpValueName) + "|" + Hex(dwType));
    if (c.Faulted()) return c.Ret(static_cast<LONG>(c.Error()));
    std::shared_ptr<RegKey> key;
    DWORD access = 0;
    if (DWORD e = ResolveKey(*s_, hKey, key, access); e != ERROR_SUCCESS)
        return c.Ret(static_cast<LONG>(e));
    if (Reserved != 0 || (lpData == nullptr && cbData != 0))
        return c.Ret(static_cast<LONG>(ERROR_INVALID_PARAMETER));
    if ((access & 0x0002 /* KEY_SET_VALUE */) == 0)
        return c.Ret(static_cast<LONG>(ERROR_ACCESS_DENIED));
    const std::string name = lpValueName == nullptr ? "" : lpValueName;
    RegValue& v = key->values[Upper(name)];
    v.name = name;
    v.type = dwType;
    v.data.assign(lpData, lpData + cbData);
    return c.Ret<LONG>(ERROR_SUCCESS);
}

namespace {

// The key that a delete call's handle and subkey name lead to, as both delete calls find it.
// Returns the error to report, or ERROR_SUCCESS with target set. The empty name leads to the
// handle's own key; a root key is never deleted.
DWORD DeleteTarget(const State& s, HKEY hKey, const char* lpSubKey,
                   std::shared_ptr<RegKey>& target) {
    std::shared_ptr<RegKey> base;
    DWORD access = 0;
    if (DWORD e = ResolveKey(s, hKey, base, access); e != ERROR_SUCCESS) return e;
    if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
    if (DWORD e = Walk(base, lpSubKey, target); e != ERROR_SUCCESS) return e;
    if (target->parent.expired()) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

std::string DeleteLabel(const State& s, HKEY hKey, const char* lpSubKey) {
    const std::string label = s.KeyLabel(hKey);
    return lpSubKey != nullptr && *lpSubKey == '\0' ? label + "\\" : Join(label, lpSubKey);
}

}  // namespace

LONG Machine::RegDeleteKeyA(HKEY hKey, const char* lpSubKey) {
    Call c(*s_, "RegDeleteKeyA", DeleteLabel(*s_, hKey, lpSubKey));
    if (c.Faulted()) return c.Ret(static_cast<LONG>(c.Error()));
    std::shared_ptr<RegKey> target;
    if (DWORD e = DeleteTarget(*s_, hKey, lpSubKey, target); e != ERROR_SUCCESS)
        return c.Ret(static_cast<LONG>(e));
    // The 9x family deletes the key with everything below it; the NT family refuses a key that
    // still has subkeys.
    if (s_->platformId == VER_PLATFORM_WIN32_WINDOWS)
        return c.Ret(static_cast<LONG>(DeleteRecursively(target)));
    if (!target->subkeys.empty() || target->denyFull)
        return c.Ret(static_cast<LONG>(ERROR_ACCESS_DENIED));
    State::DetachTree(target);
    return c.Ret<LONG>(ERROR_SUCCESS);
}

LONG Machine::SHDeleteKeyA(HKEY hKey, const char* pszSubKey) {
    Call c(*s_, "SHDeleteKeyA", DeleteLabel(*s_, hKey, pszSubKey));
    if (c.Faulted()) return c.Ret(static_cast<LONG>(c.Error()));
    std::shared_ptr<RegKey> target;
    if (DWORD e = DeleteTarget(*s_, hKey, pszSubKey, target); e != ERROR_SUCCESS)
        return c.Ret(static_cast<LONG>(e));
    return c.Ret(static_cast<LONG>(DeleteRecursively(target)));
}

namespace {

// RegDeleteKeyExA came with 64-bit XP and Vista, RegDeleteTreeA with Vista; the 9x family has
// neither.
bool HasRegDeleteKeyEx(const State& s) {
    if (s.platformId != VER_PLATFORM_WIN32_NT) return false;
    return s.major >= 6 || (s.windows64 && s.major == 5 && s.minor >= 2);
}

bool HasRegDeleteTree(const State& s) {
    return s.platformId == VER_PLATFORM_WIN32_NT && s.major >= 6;
}

}  // namespace

// The view flag chooses the view of the path from a root, as an open with it would; below a
// handle the key is the handle's own child. Like RegDeleteKeyA on the NT family, it refuses a
// key that still has subkeys.
LONG Machine::RegDeleteKeyExA(HKEY hKey, const char* lpSubKey, DWORD samDesired, DWORD Reserved) {
    Call c(*s_, "RegDeleteKeyExA", DeleteLabel(*s_, hKey, lpSubKey) + "|" + Hex(samDesired));
    if (c.Faulted()) return c.Ret(static_cast<LONG>(c.Error()));
    if (!HasRegDeleteKeyEx(*s_)) return c.Ret(static_cast<LONG>(ERROR_PROC_NOT_FOUND));
    if (Reserved != 0 || lpSubKey == nullptr)
        return c.Ret(static_cast<LONG>(ERROR_INVALID_PARAMETER));
    const std::string path = ViewPath(*s_, hKey, lpSubKey, samDesired);
    std::shared_ptr<RegKey> target;
    if (DWORD e = DeleteTarget(*s_, hKey, path.c_str(), target); e != ERROR_SUCCESS)
        return c.Ret(static_cast<LONG>(e));
    if (!target->subkeys.empty() || target->denyFull)
        return c.Ret(static_cast<LONG>(ERROR_ACCESS_DENIED));
    State::DetachTree(target);
    return c.Ret<LONG>(ERROR_SUCCESS);
}

// Without a subkey name the handle's key stays and loses every subkey and value; with one, that
// key goes with everything below it. A path from a root lies in the process's own view.
LONG Machine::RegDeleteTreeA(HKEY hKey, const char* lpSubKey) {
    Call c(*s_, "RegDeleteTreeA", DeleteLabel(*s_, hKey, lpSubKey == nullptr ? "" : lpSubKey));
    if (c.Faulted()) return c.Ret(static_cast<LONG>(c.Error()));
    if (!HasRegDeleteTree(*s_)) return c.Ret(static_cast<LONG>(ERROR_PROC_NOT_FOUND));
    std::shared_ptr<RegKey> key;
    DWORD access = 0;
    if (DWORD e = ResolveKey(*s_, hKey, key, access); e != ERROR_SUCCESS)
        return c.Ret(static_cast<LONG>(e));
    constexpr DWORD kNeeded = 0x10000 /* DELETE */ | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;
    if ((access & kNeeded) != kNeeded) return c.Ret(static_cast<LONG>(ERROR_ACCESS_DENIED));
    if (lpSubKey != nullptr && *lpSubKey != '\0') {
        const std::string path = ViewPath(*s_, hKey, lpSubKey, 0);
        std::shared_ptr<RegKey> target;
        if (DWORD e = DeleteTarget(*s_, hKey, path.c_str(), target); e != ERROR_SUCCESS)
            return c.Ret(static_cast<LONG>(e));
        return c.Ret(static_cast<LONG>(DeleteRecursively(target)));
    }
    while (!key->subkeys.empty()) {
        // A copy: the delete takes the child out of the map that holds this pointer.
        const std::shared_ptr<RegKey> child = key->subkeys.begin()->second;
        if (DWORD e = DeleteRecursively(child); e != ERROR_SUCCESS)
            return c.Ret(static_cast<LONG>(e));
    }
    key->values.clear();
    return c.Ret<LONG>(ERROR_SUCCESS);
}

LONG Machine::RegFlushKey(HKEY hKey) {
    Call c(*s_, "RegFlushKey", s_->KeyLabel(hKey));
    if (c.Faulted()) return c.Ret(static_cast<LONG>(c.Error()));
    std::shared_ptr<RegKey> key;
    DWORD access = 0;
    return c.Ret(static_cast<LONG>(ResolveKey(*s_, hKey, key, access)));
}

LONG Machine::RegCloseKey(HKEY hKey) {
    Call c(*s_, "RegCloseKey", s_->KeyLabel(hKey));
    if (IsRootValue(hKey)) return c.Ret<LONG>(ERROR_SUCCESS);
    auto it = s_->handles.find(reinterpret_cast<ULONG_PTR>(hKey));
    if (it == s_->handles.end() || std::get_if<KeyHandle>(&it->second) == nullptr)
        return c.Ret(static_cast<LONG>(ERROR_INVALID_HANDLE));
    s_->handles.erase(it);
    if (c.Faulted()) return c.Ret(static_cast<LONG>(c.Error()));
    return c.Ret<LONG>(ERROR_SUCCESS);
}

}  // namespace sim
