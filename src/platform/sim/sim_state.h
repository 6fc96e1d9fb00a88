// The simulated machine's inner state, shared by the files that implement its areas. Nothing
// outside src/platform/sim includes this.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace sim {

// ---- text helpers ---------------------------------------------------------------------------
std::string Upper(std::string s);
std::string Lower(std::string s);
bool IEquals(const std::string& a, const std::string& b);
std::string Hex(ULONG_PTR v);
std::string Str(const char* p);                               // NULL gives "(null)"
std::vector<std::string> SplitPath(const std::string& path);  // on '\\', empty parts dropped

// ---- registry -------------------------------------------------------------------------------
struct RegValue {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegKey {
    std::string name;
    std::weak_ptr<RegKey> parent;
    bool deleted = false;
    bool denyFull = false;
    std::string pathWhenDeleted;
    std::map<std::string, std::shared_ptr<RegKey>> subkeys;  // by upper-cased name: enum order
    std::map<std::string, RegValue> values;                  // by upper-cased name

    // Where the last enumeration by index stood, so that a walk by rising index costs one step
    // per subkey rather than a walk from the first subkey each time. Any change to the subkeys
    // forgets it, since indexes then shift.
    using SubkeyIterator = std::map<std::string, std::shared_ptr<RegKey>>::iterator;
    static constexpr std::size_t kNoCursor = static_cast<std::size_t>(-1);
    std::size_t cursorIndex = kNoCursor;
    SubkeyIterator cursor;
    SubkeyIterator SubkeyAt(std::size_t index) {
        SubkeyIterator it = subkeys.begin();
        std::size_t at = 0;
        if (cursorIndex != kNoCursor && cursorIndex <= index) {
            it = cursor;
            at = cursorIndex;
        }
        std::advance(it, static_cast<std::ptrdiff_t>(index - at));
        cursorIndex = index;
        cursor = it;
        return it;
    }
    void SubkeysChanged() { cursorIndex = kNoCursor; }
};

// The attributes SetFileAttributesA keeps; the others it ignores.
inline constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                             0x100 /* temporary */ | 0x1000 /* offline */ |
                                             0x2000 /* not content indexed */;

// Access bits that write: KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE, WRITE_DAC,
// WRITE_OWNER, GENERIC_WRITE, GENERIC_ALL.
inline constexpr DWORD kWriteAccessBits =
    0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000 | 0x40000000 | 0x10000000;

// ---- handles --------------------------------------------------------------------------------
struct KeyHandle {
    std::shared_ptr<RegKey> key;
    DWORD access = 0;
};
struct DevEntry {
    std::string instanceId;  // below ...\Enum, as the registry spells it
    DWORD devInst = 0;
    GUID classGuid{};
};
struct DevInfoSet {
    std::vector<DevEntry> devices;
};
struct SnapshotHandle {
    std::vector<std::pair<DWORD, std::string>> processes;  // pid, image name
    std::size_t next = 0;
};
struct TokenObject {
    DWORD access = 0;
};
struct ProcessObject {
    DWORD pid = 0;
    DWORD access = 0;
};
// The thread handle CreateProcessA hands back beside the process's.
struct ThreadObject {
    DWORD pid = 0;
};
struct PaintSession {
    HWND hwnd = nullptr;
    HDC hdc = nullptr;
};
// A named mutex: a handle to it keeps it alive. The name is the one the machine files it under
// (a private namespace's objects under that namespace's identity).
struct MutexObject {
    std::string name;
};

// ---- security (sim_security.cpp) ------------------------------------------------------------
// Security descriptors and SIDs are modelled by their string forms, in LocalAlloc blocks: a SID
// is its "S-1-..." text, a descriptor its SDDL text; the program only passes them on.
struct Ace {
    std::string sid;
    bool full = false;  // GA; otherwise GR
};
// An object's DACL: absent means everyone may open it (a null DACL, or a default one that
// lets its maker's group in, which the machine does not tell apart).
struct Dacl {
    bool present = false;
    std::vector<Ace> aces;
};
Dacl ParseDacl(const std::string& sddl);
// A kernel object with a name: who owns it, who may open it, and the handles (of any process)
// that keep it alive.
struct NamedObject {
    std::string owner;
    Dacl dacl;
    int handles = 0;
};
struct BoundaryObject {
    std::string name;
    std::vector<std::string> sids;
    std::string label;  // an integrity label's SID, or empty
    std::string Identity() const;
};
struct NamespaceObject {
    std::string identity;  // the boundary's
    std::string alias;
};
struct JobObject {
    bool killOnClose = false;
    std::vector<DWORD> pids;
};
// What a started program's file is: its version resource and Authenticode signature.
struct ExeFacts {
    std::string version;  // "3.1.0.1"; empty: no version resource
    std::string signer;   // empty: not signed
    bool signatureValid = true;
};
struct CryptMsgObject {
    std::string signer;
};
struct CertStoreObject {};
// An open file: where it lies on disk, what it was opened for and where the next read or write
// goes.
struct FileObject {
    std::filesystem::path disk;
    DWORD access = 0;
    std::uint64_t position = 0;
    std::string relKey;  // the file's key in the attribute and owner maps
    DWORD share = 0;
};
// A handle of the service control manager (an empty name) or of one service.
struct ServiceObject {
    std::string name;
};
using HandleObject =
    std::variant<KeyHandle, DevInfoSet, SnapshotHandle, TokenObject, ProcessObject, ThreadObject,
                 PaintSession, MutexObject, FileObject, ServiceObject, BoundaryObject,
                 NamespaceObject, JobObject, CryptMsgObject, CertStoreObject>;

// ---- windows --------------------------------------------------------------------------------
struct WindowRef {
    enum Kind { TopLevel, Dialog, Control } kind = TopLevel;
    std::size_t index = 0;    // into topLevels or dialogs
    std::size_t control = 0;  // into the dialog's controls
};

struct LiveDialog {
    std::size_t record = 0;  // index into dialogs
    DLGPROC proc = nullptr;
};

struct FaultState {
    Fault fault;
    int matches = 0;
};

struct State {
    // Version, directories, errors, timing.
    DWORD platformId = VER_PLATFORM_WIN32_NT, major = 5, minor = 1, build = 2600;
    std::string windowsDirectory = "C:\\WINDOWS";
    std::filesystem::path windowsOnDisk;
    DWORD lastError = 0;
    DWORD sleepTotal = 0;
    // A 64-bit Windows, and whether the program runs on it as a 32-bit process (WOW64: the
    // registry's 32-bit view and system32 redirected to SysWOW64 unless asked otherwise).
    bool windows64 = false;
    bool wow64Process = false;
    bool Wow64() const { return windows64 && wow64Process; }
    // Whether the system has a function that arrived with XP (IsWow64Process,
    // SetupUninstallOEMInfA, GetNativeSystemInfo).
    bool HasXpFunctions() const {
        return platformId == VER_PLATFORM_WIN32_NT && (major > 5 || (major == 5 && minor >= 1));
    }
    std::string moduleFileName = "C:\\tvu\\tvuninst.exe";
    std::vector<std::string> startedProcesses;  // CreateProcessA command lines, in order
    DWORD startedExitCode = 0;                  // what a started program's run ends with
    std::string commandLine = "\"C:\\tvu\\tvuninst.exe\"";
    // Named mutexes by name (case-sensitive, as object names are), with the handles that keep
    // each alive; other programs' handles count too.
    std::map<std::string, NamedObject> mutexes;
    // Private namespaces by their boundary's identity and alias.
    std::map<std::string, NamedObject> namespaces;
    // The account the program runs as, and whether its token is an elevated administrator's
    // (the Administrators group enabled, the high integrity level).
    std::string account = "S-1-5-21-1004336348-1177238915-682003330-500";
    bool elevated = true;
    // The owner that objects the program makes get: SYSTEM's own, Administrators for an
    // elevated administrator, else the account.
    std::string DefaultOwner() const;
    bool InAdministrators() const { return elevated || account == "S-1-5-18"; }
    bool MayOpen(const NamedObject& object) const;
    // Another process runs code of the program (AsAnotherProcess): its handles are its own.
    bool anotherProcess = false;
    std::set<ULONG_PTR> otherHandles;
    // Files: owners by relKey (Administrators unless set), and the descriptors folders were
    // made with.
    std::map<std::string, std::string> fileOwners;
    std::map<std::string, std::string> folderSecurity;
    // Jobs, the window station, the error mode, started programs.
    bool windowStationVisible = true;
    UINT errorMode = 0;
    bool startedKeepRunning = false;
    bool inToolJob = false, toolJobBreakawayOk = false;
    // Exes by relKey; the program's own file by its module name.
    std::map<std::string, ExeFacts> exes;
    ExeFacts moduleFacts{"3.1.0.1", "", true};
    const ExeFacts* ExeAt(const std::string& windowsPath) const;
    // A LocalAlloc block holding the text, as the conversions hand them out.
    void* TextBlock(const std::string& text);
    SYSTEMTIME localTime{2026, 12, 2, 8, 9, 30, 0, 0};
    // Every port call past this many fails, as if the power had gone: nothing more changes.
    std::optional<std::size_t> powerCutAfter;
    std::string powerCutApi;  // the operation whose nth call cuts the power, if any
    int powerCutCountdown = 0;

    // Registry.
    std::map<ULONG_PTR, std::shared_ptr<RegKey>> roots;

    // Files: attributes by the lower-cased path relative to the Windows folder on disk.
    std::map<std::string, DWORD> attributes;

    // Devices.
    std::set<std::string> absentDevices;              // upper-cased instance ids
    std::map<std::string, DWORD> failingHardwareIds;  // upper-cased instance id -> error
    std::map<std::string, DWORD> devInsts;            // upper-cased instance id -> DevInst
    DWORD nextDevInst = 1;
    std::vector<std::string> removedDevices;
    int removeRequests = 0;
    std::set<std::string> restartAfterRemoval;  // upper-cased instance ids

    // Processes and the token.
    std::vector<Process> processes;
    DWORD nextPid = 4;
    bool debugHeld = true;
    bool debugEnabled = false;
    // The services the service control manager runs, by upper-cased name.
    std::set<std::string> runningServices;

    // Windows and the user.
    std::vector<TopLevelWindow> topLevels;
    std::vector<DialogRecord> dialogs;
    std::vector<LiveDialog> liveDialogs;  // innermost last
    std::map<ULONG_PTR, WindowRef> windows;
    std::deque<UserAction> script;
    std::vector<MessageBoxRecord> messageBoxes;
    bool commonControls = false;
    HICON icon = nullptr;
    int clientCx = 345, clientCy = 146;
    // One monitor: the screen, and its work area above a taskbar of 30 pixels at the bottom.
    RECT screen{0, 0, 1024, 768};
    RECT workArea{0, 0, 1024, 738};
    int dpi = 96;
    // Whether the system has the monitor functions, which arrived with 98 and 2000.
    bool HasMonitorFunctions() const {
        return platformId == VER_PLATFORM_WIN32_NT ? major >= 5 : (major > 4 || minor >= 10);
    }
    // Dialog template 102 as the resource holds it (DIALOGEX), made on first use.
    std::vector<BYTE> dialogTemplate;

    // Handles, memory, faults, the call log.
    ULONG_PTR nextHandle = 0x1000;
    std::map<ULONG_PTR, HandleObject> handles;
    std::map<const void*, std::unique_ptr<BYTE[]>> blocks;
    std::map<const void*, SIZE_T> blockSizes;
    std::vector<std::string> handleErrors;
    std::vector<FaultState> faults;
    std::vector<CallRecord> calls;

    ULONG_PTR NewHandleValue() {
        const ULONG_PTR v = nextHandle;
        nextHandle += 4;
        if (anotherProcess) otherHandles.insert(v);
        return v;
    }
    // A process has ended: the processes of a kill-on-close job whose last handle it was go too.
    void CloseJob(const JobObject& job);

    // Registry helpers (sim_registry.cpp).
    std::shared_ptr<RegKey> RootOf(HKEY root) const;
    std::shared_ptr<RegKey> Find(HKEY root, const std::string& path) const;
    std::shared_ptr<RegKey> Create(HKEY root, const std::string& path);
    static std::shared_ptr<RegKey> Child(const std::shared_ptr<RegKey>& k, const std::string& name);
    static std::string PathOf(const RegKey& k);
    std::string KeyLabel(HKEY h) const;  // "HKLM\\..." or "<bad handle 0x...>"
    // Marks a subtree deleted and detaches it from its parent.
    static void DetachTree(const std::shared_ptr<RegKey>& k);

    // Files (sim_files.cpp): maps a Windows path to the folder on disk.
    struct Resolved {
        bool inside = false;         // below the Windows folder
        bool outside = false;        // a drive-absolute path anywhere else on a drive
        bool parentExists = false;   // the folder that would hold it exists
        std::filesystem::path disk;  // on-disk path (existing components in their own case)
        // The attribute and protection key: the lower-cased path relative to the Windows folder,
        // or "|" and the lower-cased drive path ("|c:/boot.ini") for a file outside it.
        std::string relKey;
    };
    Resolved Resolve(const std::string& windowsPath) const;
    // Files that tests place outside the Windows folder ("C:\boot.ini") live in one folder per
    // drive letter beside the Windows folder on disk.
    std::filesystem::path DrivesOnDisk() const { return windowsOnDisk.string() + "-drives"; }
    // Paths that Windows File Protection guards, by their relKey.
    std::set<std::string> protectedFiles;
    // Files another program holds open, by their relKey: true when mapped as an image.
    std::map<std::string, bool> heldOpen;
    // The driver store: each OEM INF name (lower case) with its package's folder below the
    // Windows folder, the name it was installed from, and whether it runs from the store.
    struct DriverPackage {
        std::string folder;
        std::string originalInf;
        bool runsFromStore = false;
    };
    std::map<std::string, DriverPackage> driverPackages;
    // The lines of a profile file's section as GetPrivateProfileSectionA reads them
    // (sim_profile.cpp); none when the file or the section is not there.
    std::vector<std::string> ProfileSectionLines(const char* fileName,
                                                 const std::string& section) const;
    // Whether a device's driver key (its instance key's "Driver") names this INF as its InfPath
    // (sim_devices.cpp).
    bool InfUsedByADevice(const std::string& infName) const;
    // The path as the program's process sees it: a 32-bit process on 64-bit Windows finds
    // SysWOW64 behind system32, except in the folders the redirector leaves alone.
    std::string ProgramView(const std::string& windowsPath) const;
    // Removes the drives folder with the machine, once a file has been written there.
    struct FolderRemover {
        std::filesystem::path path;
        FolderRemover() = default;
        FolderRemover(const FolderRemover&) = delete;
        FolderRemover& operator=(const FolderRemover&) = delete;
        ~FolderRemover() {
            std::error_code ec;
            if (!path.empty()) std::filesystem::remove_all(path, ec);
        }
    } drivesRemover;

    // Dialog of a window handle, if it is a live dialog.
    DialogRecord* LiveDialogRecord(HWND h);
};

// The program's own module, as GetModuleHandleA(NULL) gives it (sim_message_box.cpp).
HINSTANCE ModuleHandle();
// What a window handle stands for; null for no live window (sim_windows.cpp).
const WindowRef* FindWindowRef(const State& s, HWND h);
// What the call log names a window by: "dialog", "ctl 1002", "window TITLE" (sim_windows.cpp).
std::string WindowLabel(const State& s, HWND h);
// The frame the dialog manager gives a new dialog of template 102 (sim_screen.cpp).
RECT InitialDialogFrame(const State& s);
// The window handle of a dialog's control; null for an id the dialog has none of (sim_windows.cpp).
HWND ControlHwnd(const DialogRecord& d, int id);
// Hands a message to a live dialog's procedure, with the dialog manager's default processing where
// the procedure leaves it (sim_dialog.cpp).
INT_PTR Deliver(State& s, std::size_t record, UINT msg, WPARAM wParam, LPARAM lParam);
// A message reaching a progress bar: the result msctls_progress32 gives (sim_progress_bar.cpp).
LRESULT ProgressMessage(ProgressState& p, UINT msg, WPARAM wParam, LPARAM lParam);

// One port call: records it in the log on construction and decides whether a fault fires.
class Call {
public:
    Call(State& s, const char* api, std::string args);
    bool Faulted() const { return fault_.has_value(); }
    DWORD Error() const { return *fault_; }
    template <typename T>
    T Ret(T v) {
        s_.calls[index_].result = ToLongPtr(v);
        return v;
    }
    // The usual BOOL failure: last error set, FALSE returned.
    BOOL FailBool(DWORD error) {
        s_.lastError = error;
        return Ret<BOOL>(FALSE);
    }
    template <typename T>
    T FailWith(T value, DWORD error) {
        s_.lastError = error;
        return Ret<T>(value);
    }

private:
    template <typename T>
    static LONG_PTR ToLongPtr(T v) {
        if constexpr (std::is_pointer_v<T>) {
            return reinterpret_cast<LONG_PTR>(v);
        } else {
            return static_cast<LONG_PTR>(v);
        }
    }
    State& s_;
    std::size_t index_;
    std::optional<DWORD> fault_;
};

}  // namespace sim
