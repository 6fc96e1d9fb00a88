// The live machine copied into a simulated one for `tvprofile plan`: the only file of tvprofile
// that calls Windows itself. Every call here reads; none writes the registry or a file of the
// machine. What is copied is what the uninstaller's run reads, taken whole where the run's rules
// decide what matters (all of Enum, the class keys, Services, both Uninstall views), so that no
// rule of the run is needed to choose what to copy; the files are those a run on the copy names.
#include <exception>

#include "tvprofile/live_machine.h"

#define WIN32_LEAN_AND_MEAN
// Tool Help needs the types of <windows.h> first.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <fstream>
#include <memory>
#include <sstream>
#include <type_traits>
#include <vector>

namespace tvprofile {

namespace {

// Owners of what this file opens, released on every path.
struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using OwnedKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;
struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

constexpr const char* kTrees[] = {
    "SYSTEM\\CurrentControlSet\\Enum",
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}",
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}",
    "SYSTEM\\CurrentControlSet\\Services",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    // The 32-bit view of the Uninstall key, where the simulated machine keeps it too.
    "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    // The 9x family's enumerator keys.
    "Enum",
};

// The simulated machine's roots: <windows.h> has taken the port's names for its macros.
const w32::HKEY kSimMachine = reinterpret_cast<w32::HKEY>(static_cast<ULONG_PTR>(0x80000002u));
const w32::HKEY kSimUser = reinterpret_cast<w32::HKEY>(static_cast<ULONG_PTR>(0x80000001u));

// The registry is read in its 64-bit view where there is one, as the 64-bit uninstaller reads it.
constexpr REGSAM kRead = KEY_READ | KEY_WOW64_64KEY;

void CopyKey(HKEY key, w32::HKEY root, const std::string& path, sim::Machine& m) {
    m.CreateKey(root, path);
    std::vector<char> name(16384);
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG r =
            RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (r == ERROR_MORE_DATA) {
            data.resize(size + 1);
            nameLength = static_cast<DWORD>(name.size());
            size = static_cast<DWORD>(data.size());
            r = RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        }
        if (r != ERROR_SUCCESS) break;
        m.SetBinary(root, path, std::string(name.data(), nameLength),
                    std::vector<w32::BYTE>(data.begin(), data.begin() + size), type);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExA(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        const std::string sub(name.data(), nameLength);
        HKEY opened = nullptr;
        // A key this account may not read (a device's Properties) is left out, as it would be
        // closed to the run too.
        if (RegOpenKeyExA(key, sub.c_str(), 0, kRead, &opened) != ERROR_SUCCESS) continue;
        const OwnedKey child(opened);
        CopyKey(child.get(), root, path + "\\" + sub, m);
    }
}

// Opens path below HKLM and gives its name as the registry spells it, part by part, so that the
// plan names keys as the machine does.
OwnedKey OpenWithSpelling(HKEY root, const std::string& path, std::string& spelled) {
    OwnedKey key;  // none yet: the root
    spelled.clear();
    std::istringstream parts(path);
    for (std::string part; std::getline(parts, part, '\\');) {
        const HKEY parent = key ? key.get() : root;
        std::string found = part;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(parent, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            if (lstrcmpiA(name, part.c_str()) == 0) {
                found.assign(name, length);
                break;
            }
        }
        HKEY next = nullptr;
        if (RegOpenKeyExA(parent, found.c_str(), 0, kRead, &next) != ERROR_SUCCESS) return nullptr;
        key.reset(next);
        spelled += (spelled.empty() ? "" : "\\") + found;
    }
    return key;
}

// Another program holds the file open without delete sharing: asking for delete access, and
// nothing else, shows it without touching the file.
bool HeldOpen(const std::string& path) {
    HANDLE h =
        CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    const OwnedHandle file(h);
    return false;
}

// Another program has the file loaded as a module (a filter, a DLL): a mapped image refuses write
// access with a sharing violation, while it lets the file be opened for delete. The handle, if
// any, is closed at once and nothing is written, so the file keeps its contents and times.
bool LoadedAsModule(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    const OwnedHandle file(h);
    return false;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool IsIniName(const std::string& name) {
    return name.size() > 4 && lstrcmpiA(name.c_str() + name.size() - 4, ".ini") == 0;
}

BOOL CALLBACK AddWindow(HWND hwnd, LPARAM machine) {
    char title[512] = {}, cls[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    GetClassNameA(hwnd, cls, sizeof cls);
    reinterpret_cast<sim::Machine*>(machine)->AddTopLevelWindow(title, cls);
    return TRUE;
}

}  // namespace

std::string CopyLiveMachine(sim::Machine& m) {
    // The true version, as the uninstaller's manifest lets it see it.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    if (rtlGetVersion == nullptr || rtlGetVersion(&version) != 0) return "the Windows version";
    const bool family9x = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    m.SetVersion(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                 version.dwBuildNumber & (family9x ? 0xFFFFu : 0xFFFFFFFFu));

    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    const WORD arch = system.wProcessorArchitecture;
    // The plan is of the exe native to the machine, which the 32-bit one hands over to.
    if (arch == PROCESSOR_ARCHITECTURE_AMD64 || arch == PROCESSOR_ARCHITECTURE_IA64 || arch == 12)
        m.Set64BitWindows(false);

    char windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "the Windows directory";
    m.SetWindowsDirectory(windows);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string beside = self;
    beside = beside.substr(0, beside.find_last_of('\\') + 1) + "tvuninst64.exe";
    m.SetModuleFileName(beside);

    for (const char* tree : kTrees) {
        std::string spelled;
        if (const OwnedKey key = OpenWithSpelling(HKEY_LOCAL_MACHINE, tree, spelled))
            CopyKey(key.get(), kSimMachine, spelled, m);
    }
    // The user's country, which picks the profile's section on the NT family.
    std::string spelled;
    if (const OwnedKey key =
            OpenWithSpelling(HKEY_CURRENT_USER, "Control Panel\\International", spelled))
        CopyKey(key.get(), kSimUser, spelled, m);
    // Every device under Enum counts as present. The device installer's own list would tell a
    // device that is gone, but Wine's rewrites the devices' ClassGUID values while listing them,
    // and the plan must write nothing.
    // The INI files the run reads or writes: the profile, win.ini (the 9x family's country) and
    // WININIT.INI (the 9x family's deletes at the next start).
    CopyLiveFiles(m, {std::string(windows) + "\\TVMuxDrv.ini", std::string(windows) + "\\win.ini",
                      std::string(windows) + "\\wininit.ini"});

    if (HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0); h != INVALID_HANDLE_VALUE) {
        const OwnedHandle snapshot(h);
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(h, &entry); more; more = Process32Next(h, &entry))
            m.AddProcess(entry.szExeFile);
    }
    EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&m));
    return "";
}

void CopyLiveFiles(sim::Machine& m, const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) continue;
        // A folder where the run looks for a file: a file the run cannot delete.
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            try {
                if (!IsIniName(path)) m.MakeFolder(path);
            } catch (const std::exception&) {
                // Not below the Windows folder: not one the run deletes.
            }
            continue;
        }
        m.WriteFile(path, IsIniName(path) ? ReadWhole(path) : "x", attributes);
        if (HeldOpen(path)) {
            m.HoldFileOpen(path);
        } else if (LoadedAsModule(path)) {
            m.HoldFileOpen(path, true);
        }
    }
}

bool RunsUnderWow64() {
    // Looked up: Windows before XP SP2 lacks the call, and runs no WOW64 it could report.
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

void UseUtf8Console() {
    SetConsoleOutputCP(CP_UTF8);
}

}  // namespace tvprofile
