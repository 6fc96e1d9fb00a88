// Files: real files in the folder that stands for the Windows directory (and, for files a test
// places elsewhere on a drive, in a folder beside it), named by Windows paths whose components
// match without regard to case. Attributes and Windows File Protection are kept beside the files;
// MultiByteToWideChar is here for the protection check's paths. The tests' set-up is in
// sim_files_setup.cpp, the driver store in sim_driver_store.cpp.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <stdexcept>

#include "platform/sim/sim_state.h"
#include "platform/sim/sim_text.h"

namespace sim {

namespace {

std::string Normalise(std::string p) {
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

// The name of an existing entry of a folder that matches without regard to case.
std::optional<std::string> FindEntry(const std::filesystem::path& folder, const std::string& name,
                                     bool folderOnly) {
    std::error_code ec;
    if (std::filesystem::exists(folder / name, ec) &&
        (!folderOnly || std::filesystem::is_directory(folder / name, ec)))
        return name;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
        if (!IEquals(e.path().filename().string(), name)) continue;
        if (folderOnly && !e.is_directory(ec)) continue;
        return e.path().filename().string();
    }
    return std::nullopt;
}

// Where a path that is not below the Windows folder would fail: a file directly in a drive's
// root is simply not there, anything deeper has no path to it.
DWORD OutsideError(const std::string& path) {
    const bool rootFile = path.size() > 3 && path[1] == ':' && path[2] == '\\' &&
                          path.find('\\', 3) == std::string::npos;
    return rootFile ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

// A drive-absolute path as Windows normalises it before it opens anything (GetFullPathName): "/"
// is "\\", runs of separators count as one, "." and ".." are resolved (".." stops at the root), a
// segment that ends in a single period loses it, and unless the path ends in a separator its last
// segment loses every trailing period and blank, so that "inf\\..." and "inf\\ " name the folder
// "inf" itself. Nothing for a path that is not drive-absolute.
struct NormalPath {
    char drive = 0;  // upper case
    std::vector<std::string> segments;
};

std::optional<NormalPath> Normalised(const std::string& windowsPath) {
    const std::string path = Normalise(windowsPath);
    if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return std::nullopt;
    const char letter = path[0];
    if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')))
        return std::nullopt;
    NormalPath out;
    out.drive = Upper(std::string(1, letter))[0];
    for (std::string part : SplitPath(path.substr(3))) {
        if (part == ".") continue;
        if (part == "..") {
            if (!out.segments.empty()) out.segments.pop_back();
            continue;
        }
        if (part.size() >= 2 && part.back() == '.' && part[part.size() - 2] != '.') part.pop_back();
        out.segments.push_back(part);
    }
    if (path.back() != '\\' && !out.segments.empty()) {
        std::string& last = out.segments.back();
        while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
        if (last.empty()) out.segments.pop_back();
    }
    return out;
}

// The folders below system32 that WOW64's file system redirector leaves alone.
bool ExemptFromRedirection(const std::string& below) {
    static const char* const kExempt[] = {"catroot", "catroot2", "driverstore", "logfiles",
                                          "spool"};
    for (const char* e : kExempt)
        if (IEquals(below, e)) return true;
    return false;
}

}  // namespace

std::string State::ProgramView(const std::string& windowsPath) const {
    if (!Wow64()) return windowsPath;
    const std::optional<NormalPath> path = Normalised(windowsPath);
    const std::optional<NormalPath> root = Normalised(windowsDirectory);
    if (!path || !root || path->drive != root->drive) return windowsPath;
    const std::size_t at = root->segments.size();
    if (path->segments.size() <= at) return windowsPath;
    for (std::size_t i = 0; i < at; ++i)
        if (!IEquals(path->segments[i], root->segments[i])) return windowsPath;
    if (!IEquals(path->segments[at], "system32")) return windowsPath;
    if (path->segments.size() > at + 1) {
        const std::string& below = path->segments[at + 1];
        // drivers\etc is exempt too, but not drivers itself.
        if (ExemptFromRedirection(below)) return windowsPath;
        if (IEquals(below, "drivers") && path->segments.size() > at + 2 &&
            IEquals(path->segments[at + 2], "etc"))
            return windowsPath;
    }
    std::string out(1, path->drive);
    out += ':';
    for (std::size_t i = 0; i < path->segments.size(); ++i)
        out += "\\" + (i == at ? std::string("SysWOW64") : path->segments[i]);
    return out;
}

State::Resolved State::Resolve(const std::string& windowsPath) const {
    Resolved r;
    const std::optional<NormalPath> path = Normalised(windowsPath);
    const std::optional<NormalPath> root = Normalised(windowsDirectory);
    if (!path || !root) return r;

    bool below = path->drive == root->drive && path->segments.size() >= root->segments.size();
    for (std::size_t i = 0; below && i < root->segments.size(); ++i)
        below = IEquals(path->segments[i], root->segments[i]);
    std::vector<std::string> parts;
    std::string rel;
    if (below) {
        r.inside = true;
        r.disk = windowsOnDisk;
        parts.assign(path->segments.begin() + static_cast<std::ptrdiff_t>(root->segments.size()),
                     path->segments.end());
    } else {
        r.outside = true;
        r.disk = DrivesOnDisk() / std::string(1, path->drive);
        parts = path->segments;
        rel = '|';
        rel += Lower(std::string(1, path->drive));
        rel += ':';
    }
    r.parentExists = true;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        std::optional<std::string> found;
        if (r.parentExists) found = FindEntry(r.disk, parts[i], !last);
        if (!found && !last) r.parentExists = false;
        const std::string name = found ? *found : parts[i];
        r.disk /= name;
        if (!rel.empty()) rel += '/';
        rel += Lower(name);
    }
    r.relKey = rel;
    return r;
}

namespace {

// The 8-bit text of a wide path in code page 1252, the system code page of the machine; nothing
// for a character 1252 does not have.
std::optional<std::string> Narrow1252(const WCHAR* text) {
    std::string out;
    for (; *text != 0; ++text) {
        const std::optional<char> byte = ByteOf1252(*text);
        if (!byte) return std::nullopt;
        out += *byte;
    }
    return out;
}

constexpr DWORD kMbPrecomposed = 0x01;
constexpr DWORD kMbErrInvalidChars = 0x08;

}  // namespace

// ---- the port -------------------------------------------------------------------------------
BOOL Machine::SetFileAttributesA(const char* lpFileName, DWORD dwFileAttributes) {
    Call c(*s_, "SetFileAttributesA", Str(lpFileName) + "|" + Hex(dwFileAttributes));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (lpFileName == nullptr) return c.FailBool(ERROR_INVALID_PARAMETER);
    const State::Resolved r = s_->Resolve(s_->ProgramView(lpFileName));
    if (!r.inside && !r.outside) return c.FailBool(OutsideError(Normalise(lpFileName)));
    std::error_code ec;
    if (!std::filesystem::exists(r.disk, ec))
        return c.FailBool(r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    // FILE_ATTRIBUTE_NORMAL alone clears everything; the directory bit cannot be set or cleared.
    s_->attributes[r.relKey] = dwFileAttributes & kSettableAttributes;
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::DeleteFileA(const char* lpFileName) {
    Call c(*s_, "DeleteFileA", Str(lpFileName));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (lpFileName == nullptr) return c.FailBool(ERROR_INVALID_PARAMETER);
    if (*lpFileName == '\0') return c.FailBool(ERROR_PATH_NOT_FOUND);
    const State::Resolved r = s_->Resolve(s_->ProgramView(lpFileName));
    if (!r.inside && !r.outside) return c.FailBool(OutsideError(Normalise(lpFileName)));
    std::error_code ec;
    if (!std::filesystem::exists(r.disk, ec))
        return c.FailBool(r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    if (std::filesystem::is_directory(r.disk, ec)) return c.FailBool(ERROR_ACCESS_DENIED);
    auto it = s_->attributes.find(r.relKey);
    if (it != s_->attributes.end() && (it->second & FILE_ATTRIBUTE_READONLY) != 0)
        return c.FailBool(ERROR_ACCESS_DENIED);
    // A file mapped as an image (a loaded DLL) refuses with access denied, one opened without
    // delete sharing with a sharing violation. The 9x family deletes a file that is merely open
    // for normal I/O (DeleteFile's documentation for Windows 95/98/Me); only a module in use
    // stays there.
    if (auto held = s_->heldOpen.find(r.relKey); held != s_->heldOpen.end()) {
        if (held->second) return c.FailBool(ERROR_ACCESS_DENIED);
        if (s_->platformId != VER_PLATFORM_WIN32_WINDOWS)
            return c.FailBool(ERROR_SHARING_VIOLATION);
    }
    if (!std::filesystem::remove(r.disk, ec)) return c.FailBool(ERROR_ACCESS_DENIED);
    if (it != s_->attributes.end()) s_->attributes.erase(it);
    return c.Ret<BOOL>(TRUE);
}

int Machine::MultiByteToWideChar(UINT CodePage, DWORD dwFlags, const char* lpMultiByteStr,
                                 int cbMultiByte, WCHAR* lpWideCharStr, int cchWideChar) {
    std::string text = "(null)";
    if (lpMultiByteStr != nullptr) {
        text = cbMultiByte < 0 ? std::string(lpMultiByteStr)
                               : std::string(lpMultiByteStr, static_cast<std::size_t>(cbMultiByte));
    }
    Call c(*s_, "MultiByteToWideChar",
           Hex(CodePage) + "|" + Hex(dwFlags) + "|" + text + "|" + std::to_string(cbMultiByte) +
               "|" + std::to_string(cchWideChar));
    if (c.Faulted()) return c.FailWith<int>(0, c.Error());
    if (CodePage != CP_ACP && CodePage != 1252) return c.FailWith<int>(0, ERROR_INVALID_PARAMETER);
    if ((dwFlags & ~(kMbPrecomposed | kMbErrInvalidChars)) != 0)
        return c.FailWith<int>(0, kErrorInvalidFlags);
    if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (lpWideCharStr == nullptr && cchWideChar != 0))
        return c.FailWith<int>(0, ERROR_INVALID_PARAMETER);
    // -1: the text with its terminator.
    const std::size_t n =
        cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
    for (std::size_t i = 0; i < n && (dwFlags & kMbErrInvalidChars) != 0; ++i) {
        if (UndefinedIn1252(static_cast<unsigned char>(lpMultiByteStr[i])))
            return c.FailWith<int>(0, kErrorNoUnicodeTranslation);
    }
    const int needed = static_cast<int>(n);
    if (cchWideChar == 0) return c.Ret<int>(needed);
    // Windows fills what fits before it reports the buffer too small.
    const std::size_t fits = std::min(n, static_cast<std::size_t>(cchWideChar));
    for (std::size_t i = 0; i < fits; ++i)
        lpWideCharStr[i] = WideCharOf1252(static_cast<unsigned char>(lpMultiByteStr[i]));
    if (fits < n) return c.FailWith<int>(0, ERROR_INSUFFICIENT_BUFFER);
    return c.Ret<int>(needed);
}

// Answers from the paths ProtectFile named, on every version: whether a system of the 9x family
// has sfc.dll at all is the real adapter's business (without it the answer is FALSE), so a 9x
// machine that should protect nothing is simply given no protected file. An unprotected path
// gives FALSE with ERROR_FILE_NOT_FOUND, as Wine's sfc_os does.
BOOL Machine::SfcIsFileProtected(HANDLE RpcHandle, const WCHAR* ProtFileName) {
    const std::optional<std::string> path =
        ProtFileName == nullptr ? std::nullopt : Narrow1252(ProtFileName);
    Call c(*s_, "SfcIsFileProtected",
           Hex(reinterpret_cast<ULONG_PTR>(RpcHandle)) + "|" +
               (ProtFileName == nullptr ? "(null)"
                : path                  ? *path
                                        : "(not in code page 1252)"));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (ProtFileName == nullptr) return c.FailBool(ERROR_INVALID_PARAMETER);
    if (path) {
        const State::Resolved r = s_->Resolve(*path);
        if ((r.inside || r.outside) && s_->protectedFiles.count(r.relKey) != 0)
            return c.Ret<BOOL>(TRUE);
    }
    return c.FailBool(ERROR_FILE_NOT_FOUND);
}

// ---- attributes, scheduled deletes, short names ------------------------------------------------
namespace {

constexpr const char* kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingValue = "PendingFileRenameOperations";

std::vector<std::string> SplitMultiString(const std::vector<BYTE>& data) {
    std::vector<std::string> out;
    std::string current;
    for (BYTE b : data) {
        if (b != 0) {
            current += static_cast<char>(b);
            continue;
        }
        out.push_back(current);
        current.clear();
    }
    // The list ends at its empty string; what follows it is not part of it.
    while (!out.empty() && out.back().empty()) out.pop_back();
    return out;
}

// A name component that the 8.3 form keeps as it is: a base of 1 to 8 characters and an
// extension of at most 3, of characters short names allow.
bool IsShortComponent(const std::string& name) {
    const std::size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (ext.find('.') != std::string::npos) return false;
    return name.find_first_of(" +,;=[]") == std::string::npos;
}

// The 8.3 alias Windows makes for the first long name in a folder: up to six characters of
// the base, "~1", and up to three of the last extension, in upper case.
std::string ShortAlias(const std::string& name) {
    if (IsShortComponent(name)) return name;
    const std::size_t dot = name.rfind('.');
    std::string base, ext;
    for (char ch : name.substr(0, dot))
        if (ch != ' ' && ch != '.' && base.size() < 6) base += ch;
    if (dot != std::string::npos)
        for (char ch : name.substr(dot + 1))
            if (ch != ' ' && ext.size() < 3) ext += ch;
    return Upper(base + "~1" + (ext.empty() ? "" : "." + ext));
}

}  // namespace

DWORD Machine::GetFileAttributesA(const char* lpFileName) {
    Call c(*s_, "GetFileAttributesA", Str(lpFileName));
    if (c.Faulted()) return c.FailWith<DWORD>(INVALID_FILE_ATTRIBUTES, c.Error());
    if (lpFileName == nullptr)
        return c.FailWith<DWORD>(INVALID_FILE_ATTRIBUTES, ERROR_INVALID_PARAMETER);
    const std::string path = s_->ProgramView(lpFileName);
    const State::Resolved r = s_->Resolve(path);
    const DWORD attributes = FileAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return c.FailWith<DWORD>(INVALID_FILE_ATTRIBUTES,
                                 r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return c.Ret(attributes);
}

// The delete at the next start (the session manager's list on the NT family; the 9x family has
// no such call: its programs write WININIT.INI), and a file that takes the place of another.
BOOL Machine::MoveFileExA(const char* lpExistingFileName, const char* lpNewFileName,
                          DWORD dwFlags) {
    Call c(*s_, "MoveFileExA",
           Str(lpExistingFileName) + "|" + Str(lpNewFileName) + "|" + Hex(dwFlags));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (s_->platformId != VER_PLATFORM_WIN32_NT) return c.FailBool(ERROR_CALL_NOT_IMPLEMENTED);
    if (lpExistingFileName != nullptr && lpNewFileName != nullptr &&
        dwFlags == MOVEFILE_REPLACE_EXISTING) {
        if (!ReplaceByName(lpExistingFileName, lpNewFileName)) return c.FailBool(s_->lastError);
        return c.Ret<BOOL>(TRUE);
    }
    if (lpExistingFileName == nullptr || lpNewFileName != nullptr ||
        dwFlags != MOVEFILE_DELAY_UNTIL_REBOOT)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    const std::string path = s_->ProgramView(lpExistingFileName);
    const State::Resolved r = s_->Resolve(path);
    std::error_code ec;
    if ((!r.inside && !r.outside) || !std::filesystem::exists(r.disk, ec))
        return c.FailBool(r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    std::vector<BYTE> data;
    if (auto key = s_->Find(HKEY_LOCAL_MACHINE, kSessionManager)) {
        auto v = key->values.find(Upper(kPendingValue));
        if (v != key->values.end()) data = v->second.data;
    }
    // The list's closing empty string goes; the new pair and a new closing one follow. Each pair
    // is the NT path of the file and the empty new name that means delete.
    if (!data.empty() && data.back() == 0) data.pop_back();
    const std::string entry = "\\??\\" + path;
    data.insert(data.end(), entry.begin(), entry.end());
    data.insert(data.end(), {0, 0, 0});
    SetBinary(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, data, REG_MULTI_SZ);
    return c.Ret<BOOL>(TRUE);
}

// The name is replaced, not what it leads to: a link at the new name goes, its target stays.
bool Machine::ReplaceByName(const char* existing, const char* replaced) {
    const State::Resolved from = s_->Resolve(s_->ProgramView(existing));
    const State::Resolved to = s_->Resolve(s_->ProgramView(replaced));
    std::error_code ec;
    const auto fail = [&](DWORD error) {
        s_->lastError = error;
        return false;
    };
    if ((!from.inside && !from.outside) || !std::filesystem::exists(from.disk, ec))
        return fail(ERROR_FILE_NOT_FOUND);
    if ((!to.inside && !to.outside) || !to.parentExists) return fail(ERROR_PATH_NOT_FOUND);
    if (std::filesystem::is_directory(to.disk, ec)) return fail(ERROR_ACCESS_DENIED);
    // A file open without FILE_SHARE_DELETE (the program never shares it) cannot be replaced.
    for (const auto& [value, object] : s_->handles) {
        const auto* open = std::get_if<FileObject>(&object);
        if (open != nullptr && (open->relKey == from.relKey || open->relKey == to.relKey))
            return fail(ERROR_SHARING_VIOLATION);
    }
    if (s_->heldOpen.count(to.relKey) != 0) return fail(ERROR_SHARING_VIOLATION);
    std::filesystem::rename(from.disk, to.disk, ec);
    if (ec) return fail(ERROR_ACCESS_DENIED);
    for (auto* map : {&s_->fileOwners}) {
        const auto owner = map->find(from.relKey);
        if (owner != map->end()) (*map)[to.relKey] = owner->second;
        map->erase(from.relKey);
    }
    const auto attributes = s_->attributes.find(from.relKey);
    if (attributes != s_->attributes.end()) s_->attributes[to.relKey] = attributes->second;
    s_->attributes.erase(from.relKey);
    return true;
}

DWORD Machine::GetShortPathNameA(const char* lpszLongPath, char* lpszShortPath, DWORD cchBuffer) {
    Call c(*s_, "GetShortPathNameA", Str(lpszLongPath) + "|" + std::to_string(cchBuffer));
    if (c.Faulted()) return c.FailWith<DWORD>(0, c.Error());
    if (lpszLongPath == nullptr) return c.FailWith<DWORD>(0, ERROR_INVALID_PARAMETER);
    const State::Resolved r = s_->Resolve(s_->ProgramView(lpszLongPath));
    std::error_code ec;
    if ((!r.inside && !r.outside) || !std::filesystem::exists(r.disk, ec))
        return c.FailWith<DWORD>(0, r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    const std::string longPath = Normalise(lpszLongPath);
    std::string shortPath = longPath.substr(0, 2);
    for (const std::string& part : SplitPath(longPath.substr(2)))
        shortPath += "\\" + ShortAlias(part);
    if (shortPath.size() + 1 > cchBuffer) return c.Ret(static_cast<DWORD>(shortPath.size() + 1));
    std::memcpy(lpszShortPath, shortPath.c_str(), shortPath.size() + 1);
    return c.Ret(static_cast<DWORD>(shortPath.size()));
}

void Machine::HoldFileOpen(const std::string& windowsPath, bool mappedAsImage) {
    const State::Resolved r = s_->Resolve(windowsPath);
    if (!r.inside && !r.outside) throw std::invalid_argument("not a file path: " + windowsPath);
    s_->heldOpen[r.relKey] = mappedAsImage;
}

std::vector<std::string> Machine::PendingDeletes() const {
    std::vector<std::string> out;
    if (auto key = s_->Find(HKEY_LOCAL_MACHINE, kSessionManager)) {
        auto v = key->values.find(Upper(kPendingValue));
        if (v != key->values.end()) {
            // Pairs of a path and its new name; an empty new name (or none, at the end of a list
            // whose closing empty string was taken for its terminator) is a delete.
            const std::vector<std::string> items = SplitMultiString(v->second.data);
            for (std::size_t i = 0; i < items.size(); i += 2) {
                if (i + 1 < items.size() && !items[i + 1].empty()) continue;
                std::string path = items[i];
                if (path.rfind("\\??\\", 0) == 0) path = path.substr(4);
                out.push_back(path);
            }
        }
    }
    for (const std::string& line : s_->ProfileSectionLines("wininit.ini", "rename")) {
        if (line.size() > 4 && IEquals(line.substr(0, 4), "NUL=")) out.push_back(line.substr(4));
    }
    return out;
}

}  // namespace sim
