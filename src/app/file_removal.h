// What both removal runs do to a file: which names may be joined to a group's folder, the check
// that Windows does not protect the file, and the deletion itself with what the dialog shows.
// Every file a run deletes goes through here, so these guarantees hold for every group alike.
#pragma once

#include <optional>
#include <string>

#include "app/removal_run.h"
#include "platform/port.h"

// Whether a name is one plain file name lying directly in its group's folder: what a name from
// the registry (the INF files a driver key names) must be, and what each part of a name from the
// profile must be (IsFileNameBelowFolder).
//
// A name with a separator is refused here even where it would stay inside the folder
// ("sub\x.dll"): the registry names INF files directly in the inf folder, whose subfolders are
// the system's own. Only the profile's names may descend into subfolders, part by part; since
// such a name can reach the system's own files (joined to the Windows directory,
// "system32\config\system" names the registry's hive), a file named through a subfolder is never
// scheduled for deletion at the next start.
// Refused as well: the empty name (it names the folder itself); a drive, a root or a stream
// (":", a leading "\" or "/"); a name that ends in a dot or a blank, since Windows drops those
// and the name then stands for another file than the one it spells, which the protection check
// might not know by that spelling (made only of dots and blanks, it names the folder itself, and
// on the 9x family "..." is the folder's grandparent); characters no file name may hold; and the
// DOS device names (CON, NUL, COM1, ...), which name a device rather than a file in the folder.
// The check goes byte by byte: in a double-byte code page a trail byte equal to "\" makes a name
// look as if it had a separator, and such a name is refused, which errs on the safe side.
bool IsPlainFileName(const char* name);

// Whether a file name from the profile may be joined to its group's folder: one plain file name,
// or plain names joined by "\" that descend into a subfolder of the group's folder
// ("drivers\tunaaux.sys" among the extra files). Every component passes IsPlainFileName, so
// none is empty, ".", "..", a drive or a root, and the path stays below the folder.
bool IsFileNameBelowFolder(const char* name);

// One group's folder: the Windows directory followed by the group's suffix ("\inf\",
// "\system32\drivers\", "\system32\", "\system\"), composed in the 100-byte directory buffer. A
// Windows directory that does not fit it with the suffix leaves the folder unknown, and nothing is
// deleted from it: a cut path would name some other file.
class RemovalFolder {
public:
    explicit RemovalFolder(const char* suffix);
    // The Windows directory itself, where the uninstaller lives; a name is joined to it with "\".
    static RemovalFolder WindowsDirectory();

    bool Known() const { return known_; }
    // What a file name is appended to.
    const std::string& Prefix() const { return prefix_; }

private:
    RemovalFolder(const char* suffix, const char* joint);
    std::string prefix_;
    bool known_ = false;
};

// Turns the lower-cased name of one file into the name of another in the same folder.
using NameRewrite = std::string (*)(std::string lowerName);

// A file that a run may delete: a plain name joined to a known folder, its whole path lower-cased,
// and not a file that Windows protects. Only In() makes one, so nothing reaches the display, the
// attribute reset or the delete without passing those checks.
class RemovableFile {
public:
    // Which names may be joined to the folder: a plain name (what the registry names), or one
    // that may descend into a subfolder (what the profile names).
    enum class Names { Plain, BelowFolder };

    // The file that name names in folder; with a rewrite, the file whose name the rewrite makes of
    // the lower-cased name. Nothing when the folder is unknown, the name (before or after the
    // rewrite) is not one the kind allows, or Windows protects the file; a file kept because
    // Windows protects it is recorded in the run, when one is given.
    static std::optional<RemovableFile> In(const RemovalFolder& folder, const char* name,
                                           NameRewrite rewrite = nullptr,
                                           Names names = Names::Plain, RemovalRun* run = nullptr);

    // The lower-cased path that In() would give, without the protection check: what a run's
    // journal names the file by. Nothing where In() would refuse the name.
    static std::optional<std::string> PathFor(const RemovalFolder& folder, const char* name,
                                              NameRewrite rewrite = nullptr,
                                              Names names = Names::Plain);
    // The file a run's journal names by its path: one below the Windows directory, each part a
    // plain file name, and not a file that Windows protects (recorded in the run).
    static std::optional<RemovableFile> AtPath(const std::string& path, RemovalRun* run);

    const std::string& Path() const { return path_; }
    void Show(RemovalRun& run) const;
    // FILE_ATTRIBUTE_ARCHIVE replaces every other attribute, read-only included.
    void ResetAttributes() const;
    // A file that another program holds open (a TV application with the product's filter or
    // DLL loaded) cannot go now; it is deleted at the next start instead, which the completion
    // message's reboot then finishes. Not so a file named through a subfolder: the system's
    // own files in use below the group's folders (the registry's hives in system32\config) are
    // not all known to the protection check, and a profile's mistake must not take one at the
    // next start. The outcome is recorded in the run: deleted, not there, scheduled, or failed;
    // with keepReadOnly, a read-only file that stays was kept on purpose.
    void Delete(RemovalRun& run, bool keepReadOnly = false) const;

private:
    RemovableFile(std::string path, bool inSubfolder)
        : path_(std::move(path)), inSubfolder_(inSubfolder) {}
    std::string path_;
    bool inSubfolder_ = false;
};

// The plain deletion of one file: shown, its attributes reset, deleted. A file that does not pass
// the checks of RemovableFile is passed over: not shown and not touched.
void DeletePlain(RemovalRun& run, const RemovalFolder& folder, const char* name,
                 NameRewrite rewrite = nullptr);

// The product's own uninstaller in the Windows directory: shown and deleted with its attributes
// as they are, so that a read-only copy stays. An empty name is passed over like any other
// name that does not pass the checks.
void DeleteUninstaller(RemovalRun& run, const char* name);

// Whether a failed delete failed because another program holds the file open: a sharing
// violation, or access denied for a file mapped as an image (a loaded DLL or driver), which is
// neither read-only nor a folder.
bool HeldOpenByAnotherProgram(const std::string& path, w32::DWORD deleteError);

// Has the file deleted when Windows next starts: MoveFileExA's delayed delete on the NT family,
// a NUL= line of WININIT.INI's [rename] section on the 9x family. Returns 0, or the error that
// kept it from being scheduled.
w32::DWORD ScheduleDeleteAtRestart(const std::string& path);
