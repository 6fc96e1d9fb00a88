// Files: real files in the folder that stands for the Windows directory, named by Windows paths
// whose components match without regard to case. Attributes are kept beside the files.
#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "platform/sim/sim_state.h"

namespace sim {

namespace {

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      0x100 /* temporary */ | 0x1000 /* offline */ |
                                      0x2000 /* not content indexed */;

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

}  // namespace

State::Resolved State::Resolve(const std::string& windowsPath) const {
    Resolved r;
    const std::string path = Normalise(windowsPath);
    std::string root = Normalise(windowsDirectory);
    while (!root.empty() && root.back() == '\\') root.pop_back();
    if (path.size() < root.size() || !IEquals(path.substr(0, root.size()), root)) return r;
    if (path.size() > root.size() && path[root.size()] != '\\') return r;

    std::vector<std::string> parts;
    for (const std::string& part : SplitPath(path.substr(root.size()))) {
        if (part == ".") continue;
        if (part == "..") {
            if (parts.empty()) return r;  // above the Windows folder
            parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    r.inside = true;
    r.parentExists = true;
    r.disk = windowsOnDisk;
    std::string rel;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        std::optional<std::string> found;
        if (r.parentExists) found = FindEntry(r.disk, parts[i], !last);
        if (!found && !last) r.parentExists = false;
        const std::string name = found ? *found : parts[i];
        r.disk /= name;
        rel += (rel.empty() ? "" : "/") + Lower(name);
    }
    r.relKey = rel;
    return r;
}

// ---- the port -------------------------------------------------------------------------------
BOOL Machine::SetFileAttributesA(const char* lpFileName, DWORD dwFileAttributes) {
    Call c(*s_, "SetFileAttributesA", Str(lpFileName) + "|" + Hex(dwFileAttributes));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (lpFileName == nullptr) return c.FailBool(ERROR_INVALID_PARAMETER);
    const State::Resolved r = s_->Resolve(lpFileName);
    if (!r.inside) return c.FailBool(OutsideError(Normalise(lpFileName)));
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
    const State::Resolved r = s_->Resolve(lpFileName);
    if (!r.inside) return c.FailBool(OutsideError(Normalise(lpFileName)));
    std::error_code ec;
    if (!std::filesystem::exists(r.disk, ec))
        return c.FailBool(r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    if (std::filesystem::is_directory(r.disk, ec)) return c.FailBool(ERROR_ACCESS_DENIED);
    auto it = s_->attributes.find(r.relKey);
    if (it != s_->attributes.end() && (it->second & FILE_ATTRIBUTE_READONLY) != 0)
        return c.FailBool(ERROR_ACCESS_DENIED);
    if (!std::filesystem::remove(r.disk, ec)) return c.FailBool(ERROR_ACCESS_DENIED);
    if (it != s_->attributes.end()) s_->attributes.erase(it);
    return c.Ret<BOOL>(TRUE);
}

// ---- test helpers ---------------------------------------------------------------------------
void Machine::WriteFile(const std::string& windowsPath, const std::string& content,
                        DWORD attributes) {
    const State::Resolved r = s_->Resolve(windowsPath);
    if (!r.inside || r.relKey.empty())
        throw std::invalid_argument("not a file below the Windows folder: " + windowsPath);
    std::filesystem::create_directories(r.disk.parent_path());
    std::ofstream out(r.disk, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + r.disk.string());
    s_->attributes[r.relKey] = attributes & kSettableAttributes;
}

bool Machine::FileExists(const std::string& windowsPath) const {
    const State::Resolved r = s_->Resolve(windowsPath);
    std::error_code ec;
    return r.inside && std::filesystem::is_regular_file(r.disk, ec);
}

DWORD Machine::FileAttributes(const std::string& windowsPath) const {
    const State::Resolved r = s_->Resolve(windowsPath);
    std::error_code ec;
    if (!r.inside || !std::filesystem::exists(r.disk, ec)) return INVALID_FILE_ATTRIBUTES;
    auto it = s_->attributes.find(r.relKey);
    if (std::filesystem::is_directory(r.disk, ec))
        return FILE_ATTRIBUTE_DIRECTORY | (it == s_->attributes.end() ? 0 : it->second);
    const DWORD a = it == s_->attributes.end() ? FILE_ATTRIBUTE_ARCHIVE : it->second;
    return a == 0 ? FILE_ATTRIBUTE_NORMAL : a;
}

void Machine::WriteProfile(const std::string& text, const std::string& fileName) {
    WriteFile(s_->windowsDirectory + "\\" + fileName, text, FILE_ATTRIBUTE_ARCHIVE);
}

std::vector<std::string> Machine::FilesBelowWindows() const {
    std::vector<std::string> out;
    std::error_code ec;
    std::string root = s_->windowsDirectory;
    while (!root.empty() && root.back() == '\\') root.pop_back();
    for (auto it = std::filesystem::recursive_directory_iterator(s_->windowsOnDisk, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string rel = std::filesystem::relative(it->path(), s_->windowsOnDisk, ec).string();
        std::replace(rel.begin(), rel.end(), '/', '\\');
        out.push_back(root + "\\" + rel);
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace sim
