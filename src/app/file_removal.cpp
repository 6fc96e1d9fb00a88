#include "app/file_removal.h"

#include <cstring>
#include <vector>

#include "app/text.h"
#include "app/uninst_app.h"
#include "app/windows_version.h"
#include "platform/port.h"

namespace {

bool IsDotOrBlank(char c) {
    return c == '.' || c == ' ';
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Windows takes these as devices whatever extension follows them, and with trailing blanks.
bool IsDosDeviceName(const char* name) {
    std::size_t length = std::strcspn(name, ".");
    while (length > 0 && name[length - 1] == ' ') --length;
    std::string base;
    for (std::size_t i = 0; i < length; ++i) base += UpperAscii(name[i]);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// Separators, drive and stream marks, wildcards, quotes, pipes and control characters.
bool HoldsForbiddenCharacter(const char* name) {
    for (const char* p = name; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) < 0x20) return true;
    }
    return std::strpbrk(name, "\\/:*?\"<>|") != nullptr;
}

// The system's RPC error codes (RPC_S_INVALID_STRING_BINDING to RPC_X_BAD_STUB_DATA and the
// later RPC_S_* codes).
constexpr w32::DWORD kFirstRpcError = 1700;
constexpr w32::DWORD kLastRpcError = 1999;

// A path that cannot be put to the check counts as protected, since it is not known to be free
// to delete: it is longer than any path DeleteFileA accepts, or it cannot be converted.
bool ProtectedByWindows(const std::string& path) {
    w32::WCHAR wide[w32::MAX_PATH];
    if (w32::Api().MultiByteToWideChar(w32::CP_ACP, 0, path.c_str(), -1, wide, w32::MAX_PATH) ==
        0) {
        return true;
    }
    // FALSE means both "not protected" and "could not ask": an RPC error says the protection
    // service was not reached, and then the file is kept, since it may well be protected. The
    // last error is cleared first so that a stale code is not taken for the check's own.
    w32::Api().SetLastError(w32::ERROR_SUCCESS);
    if (w32::Api().SfcIsFileProtected(nullptr, wide) != w32::FALSE) return true;
    const w32::DWORD error = w32::Api().GetLastError();
    return error >= kFirstRpcError && error <= kLastRpcError;
}

// How many bytes of WININIT.INI's [rename] section are read: the 9x family's profile functions
// handle no more than 32 KB of a section.
constexpr w32::DWORD kRenameSectionCapacity = 32767;

// The file has the 9x family's delete-at-start line in WININIT.INI: "NUL=" and its short path,
// since the list is carried out before long names are known. The section holds repeated
// names, so it is read and written whole; a section too long to read whole is left as it is
// rather than written back without its end.
w32::DWORD ScheduleInWininit(const std::string& path) {
    char shortPath[w32::MAX_PATH];
    const w32::DWORD length = w32::Api().GetShortPathNameA(path.c_str(), shortPath, w32::MAX_PATH);
    if (length == 0) return w32::Api().GetLastError();
    if (length >= w32::MAX_PATH) return w32::ERROR_INSUFFICIENT_BUFFER;
    std::vector<char> section(kRenameSectionCapacity);
    const w32::DWORD used = w32::Api().GetPrivateProfileSectionA(
        "rename", section.data(), kRenameSectionCapacity, "WININIT.INI");
    if (used >= kRenameSectionCapacity - 2) return w32::ERROR_MORE_DATA;
    std::string entries(section.data(), used);
    entries += "NUL=";
    entries += shortPath;
    entries += '\0';
    // c_str() adds the second NUL that ends the list.
    if (w32::Api().WritePrivateProfileSectionA("rename", entries.c_str(), "WININIT.INI") ==
        w32::FALSE)
        return w32::Api().GetLastError();
    return 0;
}

}  // namespace

bool HeldOpenByAnotherProgram(const std::string& path, w32::DWORD deleteError) {
    if (deleteError == w32::ERROR_SHARING_VIOLATION) return true;
    if (deleteError != w32::ERROR_ACCESS_DENIED) return false;
    // Access is also denied for a read-only file, whose attribute was left as it was (the
    // product's own uninstaller), and for a folder: neither is held open.
    const w32::DWORD attributes = w32::Api().GetFileAttributesA(path.c_str());
    return attributes != w32::INVALID_FILE_ATTRIBUTES &&
           (attributes & (w32::FILE_ATTRIBUTE_READONLY | w32::FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

w32::DWORD ScheduleDeleteAtRestart(const std::string& path) {
    if (IsWin9xFamily()) return ScheduleInWininit(path);
    if (w32::Api().MoveFileExA(path.c_str(), nullptr, w32::MOVEFILE_DELAY_UNTIL_REBOOT) !=
        w32::FALSE)
        return 0;
    return w32::Api().GetLastError();
}

bool IsPlainFileName(const char* name) {
    if (name == nullptr || name[0] == '\0') return false;
    if (HoldsForbiddenCharacter(name)) return false;
    // This also covers a name made only of dots and blanks.
    if (IsDotOrBlank(name[std::strlen(name) - 1])) return false;
    return !IsDosDeviceName(name);
}

bool IsFileNameBelowFolder(const char* name) {
    if (name == nullptr) return false;
    const std::string text = name;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\\', start);
        if (!IsPlainFileName(text.substr(start, end - start).c_str())) return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

RemovalFolder::RemovalFolder(const char* suffix) : RemovalFolder(suffix, "") {}

RemovalFolder::RemovalFolder(const char* suffix, const char* joint) {
    char buffer[100];
    known_ = WindowsDirWith(buffer, suffix);
    if (known_) prefix_ = std::string(buffer) + joint;
}

RemovalFolder RemovalFolder::WindowsDirectory() {
    return RemovalFolder("", "\\");
}

std::optional<std::string> RemovableFile::PathFor(const RemovalFolder& folder, const char* name,
                                                  NameRewrite rewrite, Names names) {
    const auto allowed = [names](const char* n) {
        return names == Names::Plain ? IsPlainFileName(n) : IsFileNameBelowFolder(n);
    };
    if (!folder.Known() || !allowed(name)) return std::nullopt;
    std::string path = LowerPath(folder.Prefix() + name);
    const std::size_t at = folder.Prefix().size();
    if (rewrite != nullptr) {
        // Only the name is rewritten: the folder part stays the folder, whatever it is called.
        const std::string renamed = rewrite(path.substr(at));
        if (!allowed(renamed.c_str())) return std::nullopt;
        path = path.substr(0, at) + renamed;
    }
    return path;
}

std::optional<RemovableFile> RemovableFile::In(const RemovalFolder& folder, const char* name,
                                               NameRewrite rewrite, Names names, RemovalRun* run) {
    std::optional<std::string> path = PathFor(folder, name, rewrite, names);
    if (!path) return std::nullopt;
    if (ProtectedByWindows(*path)) {
        if (run != nullptr) run->Record(Action::DeleteFile, *path, Outcome::KeptProtected);
        return std::nullopt;
    }
    const bool inSubfolder = path->find('\\', folder.Prefix().size()) != std::string::npos;
    return RemovableFile(std::move(*path), inSubfolder);
}

std::optional<RemovableFile> RemovableFile::AtPath(const std::string& path, RemovalRun* run) {
    const RemovalFolder windows = RemovalFolder::WindowsDirectory();
    if (!windows.Known()) return std::nullopt;
    const std::string prefix = LowerPath(windows.Prefix());
    const std::string lower = LowerPath(path);
    if (lower.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    const std::string relative = lower.substr(prefix.size());
    if (!IsFileNameBelowFolder(relative.c_str())) return std::nullopt;
    if (ProtectedByWindows(lower)) {
        if (run != nullptr) run->Record(Action::DeleteFile, lower, Outcome::KeptProtected);
        return std::nullopt;
    }
    // The groups' own folders; a file deeper down was named through a subfolder.
    const std::size_t slash = relative.rfind('\\');
    const std::string folder = slash == std::string::npos ? "" : relative.substr(0, slash);
    bool inGroupFolder = false;
    for (const char* group :
         {"", "inf", "system", "system32", "system32\\drivers", "syswow64", "syswow64\\drivers"})
        if (folder == group) inGroupFolder = true;
    return RemovableFile(lower, !inGroupFolder);
}

void RemovableFile::Show(RemovalRun& run) const {
    run.ShowFileName(path_.c_str());
}

void RemovableFile::ResetAttributes() const {
    w32::Api().SetFileAttributesA(path_.c_str(), w32::FILE_ATTRIBUTE_ARCHIVE);
}

void RemovableFile::Delete(RemovalRun& run, bool keepReadOnly) const {
    if (w32::Api().DeleteFileA(path_.c_str()) != w32::FALSE) {
        run.Record(Action::DeleteFile, path_, Outcome::Ok);
        return;
    }
    const w32::DWORD error = w32::Api().GetLastError();
    if (error == w32::ERROR_FILE_NOT_FOUND || error == w32::ERROR_PATH_NOT_FOUND) {
        run.Record(Action::DeleteFile, path_, Outcome::NotFound);
        return;
    }
    if (!inSubfolder_ && HeldOpenByAnotherProgram(path_, error)) {
        // The file goes at the next start; the run names it as scheduled, not as failed.
        const w32::DWORD scheduleError = ScheduleDeleteAtRestart(path_);
        run.Record(Action::ScheduleDelete, path_,
                   scheduleError == 0 ? Outcome::Ok : Outcome::Failed, scheduleError);
        return;
    }
    if (keepReadOnly && error == w32::ERROR_ACCESS_DENIED) {
        const w32::DWORD attributes = w32::Api().GetFileAttributesA(path_.c_str());
        if (attributes != w32::INVALID_FILE_ATTRIBUTES &&
            (attributes & w32::FILE_ATTRIBUTE_READONLY) != 0) {
            run.Record(Action::DeleteFile, path_, Outcome::KeptReadOnly);
            return;
        }
    }
    run.Record(Action::DeleteFile, path_, Outcome::Failed, error);
}

void DeletePlain(RemovalRun& run, const RemovalFolder& folder, const char* name,
                 NameRewrite rewrite) {
    const std::optional<RemovableFile> file =
        RemovableFile::In(folder, name, rewrite, RemovableFile::Names::BelowFolder, &run);
    if (!file) return;
    file->Show(run);
    file->ResetAttributes();
    file->Delete(run);
}

void DeleteUninstaller(RemovalRun& run, const char* name) {
    const RemovalFolder windows = RemovalFolder::WindowsDirectory();
    const std::optional<RemovableFile> file =
        RemovableFile::In(windows, name, nullptr, RemovableFile::Names::BelowFolder, &run);
    if (!file) return;
    file->Show(run);
    file->Delete(run, true);
}
