// Every port call of a whole run failing once, one call at a time. A clean run of each family
// (the user clicks OK) is recorded first; then, for each call of that run, the same machine is
// built afresh, that one call fails with an error Windows could give for it, and the whole program
// runs again. Whatever fails, the program must not crash, must release every handle it obtained,
// and must not delete anything that the clean run kept.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "app/uninst_app.h"
#include "demo/product_profile.h"
#include "framework/afx.h"
#include "platform/sim/sim_machine.h"

namespace {

using namespace w32;

constexpr const char* kWin = "C:\\WINDOWS";
const std::string kEnum = "SYSTEM\\CurrentControlSet\\Enum\\";
const std::string kNtMedia =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}";
const std::string kMediaGuid = "{4d36e96c-e325-11ce-bfc1-08002be10318}";
const std::string kNetGuid = "{4d36e972-e325-11ce-bfc1-08002be10318}";
const std::string kServices = "SYSTEM\\CurrentControlSet\\Services";
const std::string k9xMedia = "SYSTEM\\CurrentControlSet\\Services\\Class\\MEDIA";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// ---- the two machines ------------------------------------------------------------------------

// A device's driver key, as its Enum key names it: relative to the Control\Class key.
std::string MediaDriver(const std::string& instance) {
    return "{4D36E96C-E325-11CE-BFC1-08002BE10318}\\" + instance;
}

void Files(sim::Machine& m, const std::vector<std::string>& relative) {
    for (const std::string& r : relative) m.WriteFile(std::string(kWin) + "\\" + r);
}

void DriverKey(sim::Machine& m, const std::string& classKey, const std::string& sub,
               const std::string& desc, const std::string& inf = "") {
    m.SetString(HKEY_LOCAL_MACHINE, classKey + "\\" + sub, "DriverDesc", desc);
    if (!inf.empty()) m.SetString(HKEY_LOCAL_MACHINE, classKey + "\\" + sub, "InfPath", inf);
}

void Uninstall(sim::Machine& m) {
    m.SetString(HKEY_LOCAL_MACHINE, kUninstall + "\\AcmeBurner", "DisplayName", "Acme Burner");
    m.SetString(HKEY_LOCAL_MACHINE, kUninstall + "\\BrelonTunaraWDM", "DisplayName",
                "Brelon Tunara WDM Drivers");
    m.SetString(HKEY_LOCAL_MACHINE, kUninstall + "\\BrelonTunaraWDM", "UninstallString",
                "C:\\WINDOWS\\zq4unist.exe");
    m.SetString(HKEY_LOCAL_MACHINE, kUninstall + "\\ZetaPlayer", "DisplayName", "Zeta Player");
}

// Windows XP with the product installed: its capture device (which takes the candidate row), its
// audio device and its crossbar, their driver keys (each between two keys of other drivers, so
// that the walk over the class key reaches every one of them), services, files, the uninstall
// entry, the media receiver running and the companion window open. Beside them, things of other
// products that must stay.
std::vector<DWORD> SetUpNt(sim::Machine& m) {
    m.SetVersion(VER_PLATFORM_WIN32_NT, 5, 1, 2600);
    m.SetWindowsDirectory(kWin);
    m.SetString(HKEY_CURRENT_USER, "Control Panel\\International", "iCountry", "1");
    m.WriteProfile(
        demo::ProductProfile({"STREAM\\BRELON.XBAR",
                              {"tunaprop.dll", "ksproxy.ax"},
                              {{"PCI\\VEN_1131&DEV_7133&SUBSYS_00021131",
                                "Brelon Tunara Video Capture II", "tunacap2.sys", "tunacap2.inf"}},
                              true}));

    m.AddDevice("PCI\\VEN_1131&DEV_7133&SUBSYS_00021131&REV_01\\4&1A2B3C&0&0010",
                {"PCI\\VEN_1131&DEV_7133&SUBSYS_00021131&REV_01", "PCI\\VEN_1131&DEV_7133"},
                kMediaGuid, MediaDriver("0001"));
    m.AddDevice("PCI\\VEN_1131&DEV_7134&SUBSYS_00021131&REV_01\\4&1A2B3C&0&0011",
                {"PCI\\VEN_1131&DEV_7134&SUBSYS_00021131&REV_01"}, kMediaGuid, MediaDriver("0003"));
    m.AddDevice("STREAM\\BRELON.XBAR\\5&2F&0&0", {"STREAM\\BRELON.XBAR"}, kMediaGuid,
                MediaDriver("0005"));
    m.AddDevice("PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\3&61AAA01&0&40",
                {"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02"}, kNetGuid);
    m.AddDevice("PCI\\VEN_1102&DEV_0002&SUBSYS_80611102&REV_08\\3&61AAA01&0&48",
                {"PCI\\VEN_1102&DEV_0002&SUBSYS_80611102&REV_08"}, kMediaGuid, MediaDriver("0000"));

    DriverKey(m, kNtMedia, "0000", "Creative SB Live!", "oem3.inf");
    DriverKey(m, kNtMedia, "0001", "Brelon Tunara Video Capture II", "oem12.inf");
    DriverKey(m, kNtMedia, "0002", "Legacy Audio Drivers", "wave.inf");
    DriverKey(m, kNtMedia, "0003", "Brelon Tunara Audio Capture", "oem13.inf");
    DriverKey(m, kNtMedia, "0004", "Media Control Devices", "machine.inf");
    DriverKey(m, kNtMedia, "0005", "Brelon Tunara Crossbar", "oem14.inf");
    DriverKey(m, kNtMedia, "0006", "Video Codecs", "wave.inf");

    for (const char* svc : {"TunaCap", "TunaAud", "TunaXbar", "Tcpip", "E100B"})
        m.SetDword(HKEY_LOCAL_MACHINE, kServices + "\\" + svc, "Start", 3);
    m.SetDword(HKEY_LOCAL_MACHINE, kServices + "\\TunaCap\\Enum", "Count", 1);
    Uninstall(m);

    Files(m,
          {"inf\\oem12.inf", "inf\\oem12.pnf", "inf\\oem13.inf", "inf\\oem13.pnf", "inf\\oem14.inf",
           "inf\\oem14.pnf", "inf\\oem3.inf", "inf\\oem3.pnf", "inf\\wave.inf", "inf\\machine.inf",
           "system32\\drivers\\tunacap2.sys", "system32\\drivers\\tunaaud.sys",
           "system32\\drivers\\tunaxbar.sys", "system32\\drivers\\e100b325.sys",
           "system32\\tunaprop.dll", "system32\\kernel32.dll", "zq4unist.exe", "explorer.exe"});
    m.WriteFile(std::string(kWin) + "\\system32\\drivers\\tunaaud.sys", "x",
                FILE_ATTRIBUTE_READONLY);
    // The profile also names a file of Windows' own, which Windows File Protection guards.
    m.WriteFile(std::string(kWin) + "\\system32\\ksproxy.ax");
    m.ProtectFile(std::string(kWin) + "\\system32\\ksproxy.ax");

    const std::vector<DWORD> pids = {m.AddProcess("explorer.exe"), m.AddProcess("ehRecvr.exe")};
    m.AddTopLevelWindow("Remote Control");
    m.AddTopLevelWindow("Untitled - Notepad");
    m.ScriptUser({sim::UserAction::ClickOk});
    return pids;
}

// Windows 98 with the product installed: its two PCI devices and the crossbar with their Enum
// keys, the MEDIA class keys (three of the product's side by side, which the two walks remove
// completely, and others around them), files and the uninstall entry.
std::vector<DWORD> SetUp98(sim::Machine& m) {
    m.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222);
    m.SetWindowsDirectory(kWin);
    m.WriteProfile(demo::ProductProfile({"STREAM\\PH", {"tunaprop.dll"}, {}, false}));
    m.WriteFile(std::string(kWin) + "\\win.ini", "[intl]\r\niCountry=1\r\n");

    const std::string cap = "PCI\\VEN_1131&DEV_7133&SUBSYS_00021131&REV_01";
    const std::string aud = "PCI\\VEN_1131&DEV_7134&SUBSYS_00021131&REV_01";
    const std::string net = "PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02";
    m.AddDevice(cap + "\\BUS_00&DEV_0A&FUNC_00", {cap}, kMediaGuid);
    m.AddDevice(aud + "\\BUS_00&DEV_0A&FUNC_01", {aud}, kMediaGuid);
    m.AddDevice("STREAM\\PHXBAR\\0000", {"STREAM\\PHXBAR#A"}, kMediaGuid);
    m.AddDevice(net + "\\BUS_00&DEV_0B&FUNC_00", {net}, kNetGuid);
    for (const std::string& id : {cap, aud, net}) {
        const std::string key = "Enum\\" + id.substr(0, id.find('\\')) + "\\" +
                                id.substr(id.find('\\') + 1) + "\\BUS_00&DEV_0A&FUNC_00";
        m.SetString(HKEY_LOCAL_MACHINE, key, "HardwareID", id);
    }
    m.SetString(HKEY_LOCAL_MACHINE, "Enum\\STREAM\\PHXBAR\\0000", "HardwareID", "STREAM\\PHXBAR");
    m.SetString(HKEY_LOCAL_MACHINE, "Enum\\STREAM\\MSPQM\\0000", "HardwareID", "STREAM\\MSPQM");
    m.SetString(HKEY_LOCAL_MACHINE, "Enum\\USB\\ROOT_HUB\\0000", "HardwareID", "USB\\ROOT_HUB");

    DriverKey(m, k9xMedia, "0000", "Creative SB Live!");
    DriverKey(m, k9xMedia, "0001", "Brelon Tunara Video Capture");
    DriverKey(m, k9xMedia, "0002", "Brelon Tunara Audio Capture");
    DriverKey(m, k9xMedia, "0003", "Brelon Tunara Crossbar");
    DriverKey(m, k9xMedia, "0004", "Microsoft Kernel Wave Audio");
    m.SetString(HKEY_LOCAL_MACHINE, k9xMedia + "\\0004\\Drivers", "SubClasses", "wave");
    Uninstall(m);

    Files(m, {"inf\\tunacap.inf", "inf\\tunacap.pnf", "inf\\tunaaud.inf", "inf\\tunaaud.pnf",
              "inf\\tunaxbar.inf", "inf\\tunaxbar.pnf", "inf\\sblive.inf",
              "system32\\drivers\\tunacap.sys", "system32\\drivers\\tunaaud.sys",
              "system32\\drivers\\tunaxbar.sys", "system32\\drivers\\sblive.sys",
              "system\\tunaprop.dll", "system\\mmsystem.dll", "zq4unist.exe", "regedit.exe"});
    const std::vector<DWORD> pids = {m.AddProcess("Explorer.exe")};
    m.AddTopLevelWindow("Remote Control");
    m.ScriptUser({sim::UserAction::ClickOk});
    return pids;
}

// ---- what a run leaves ------------------------------------------------------------------------

struct EndState {
    std::set<std::string> keys;   // every key, "HKLM\\..." as the machine spells it
    std::set<std::string> files;  // every file below the Windows folder
    std::set<std::string> running;
    std::set<std::string> removedDevices;
};

std::set<std::string> KeysOf(const sim::Machine& m, HKEY root) {
    std::set<std::string> out;
    const std::string dump = m.DumpTree(root, "");
    for (std::size_t at = 0; at < dump.size();) {
        const std::size_t end = dump.find('\n', at);
        const std::string line = dump.substr(at, end - at);
        if (line.size() > 2 && line.front() == '[' && line.back() == ']')
            out.insert(line.substr(1, line.size() - 2));
        at = end == std::string::npos ? dump.size() : end + 1;
    }
    return out;
}

EndState StateOf(const sim::Machine& m, const std::vector<DWORD>& pids) {
    EndState s;
    s.keys = KeysOf(m, HKEY_LOCAL_MACHINE);
    for (const std::string& k : KeysOf(m, HKEY_CURRENT_USER)) s.keys.insert(k);
    for (const std::string& f : m.FilesBelowWindows()) s.files.insert(f);
    for (DWORD pid : pids) {
        const sim::Process* p = m.FindProcess(pid);
        if (p != nullptr && p->running) s.running.insert(p->exeFile);
    }
    for (const std::string& d : m.RemovedDevices()) s.removedDevices.insert(d);
    return s;
}

std::vector<std::string> Missing(const std::set<std::string>& kept,
                                 const std::set<std::string>& now) {
    std::vector<std::string> out;
    std::set_difference(kept.begin(), kept.end(), now.begin(), now.end(), std::back_inserter(out));
    return out;
}

// ---- the error each call fails with -----------------------------------------------------------

constexpr DWORD kErrorNoUnicodeTranslation = 1113;

// Calls that cannot fail on Windows: the machine only marks them, so a run with one of them
// "failing" is the clean run again.
bool CannotFail(const std::string& api) {
    static const std::set<std::string> kNever = {
        "Sleep", "GetLastError", "SetLastError", "GetCurrentProcess", "lstrcmpiA", "CharLowerA"};
    return kNever.count(api) != 0;
}

// An error that Windows gives for the call when it fails.
std::vector<DWORD> ErrorsFor(const std::string& api) {
    static const std::map<std::string, std::vector<DWORD>> kErrors = {
        {"LocalAlloc", {ERROR_NOT_ENOUGH_MEMORY}},
        {"LocalFree", {ERROR_INVALID_HANDLE}},
        {"RegCloseKey", {ERROR_INVALID_HANDLE}},
        {"CloseHandle", {ERROR_INVALID_HANDLE}},
        {"GetVersionExA", {ERROR_INSUFFICIENT_BUFFER}},
        {"GetWindowsDirectoryA", {ERROR_NOT_ENOUGH_MEMORY}},
        {"SetupDiGetClassDevsA", {ERROR_NOT_ENOUGH_MEMORY}},
        {"SetupDiEnumDeviceInfo", {ERROR_INVALID_PARAMETER}},
        // Both ways a hardware-ID read fails: no hardware ID, and any other reason.
        {"SetupDiGetDeviceRegistryPropertyA", {ERROR_INVALID_PARAMETER, ERROR_INVALID_DATA}},
        {"SetupDiRemoveDevice", {ERROR_ACCESS_DENIED}},
        {"SetupDiDestroyDeviceInfoList", {ERROR_INVALID_HANDLE}},
        {"CreateToolhelp32Snapshot", {ERROR_NOT_ENOUGH_MEMORY}},
        {"Process32First", {sim::kErrorNoMoreFiles}},
        {"Process32Next", {sim::kErrorNoMoreFiles}},
        {"LookupPrivilegeValueA", {ERROR_NO_SUCH_PRIVILEGE}},
        {"AdjustTokenPrivileges", {ERROR_NOT_ALL_ASSIGNED}},
        {"GetModuleHandleA", {sim::kErrorModNotFound}},
        {"LoadIconA", {sim::kErrorResourceNameNotFound}},
        {"DialogBoxParamA", {sim::kErrorResourceNameNotFound}},
        {"GetDlgItem", {sim::kErrorControlIdNotFound}},
        {"SetDlgItemTextA", {sim::kErrorControlIdNotFound}},
        {"SetWindowTextA", {ERROR_INVALID_WINDOW_HANDLE}},
        {"ShowWindow", {ERROR_INVALID_WINDOW_HANDLE}},
        {"SendMessageA", {ERROR_ACCESS_DENIED}},
        {"EndDialog", {ERROR_INVALID_WINDOW_HANDLE}},
        {"FindWindowA", {ERROR_INVALID_WINDOW_HANDLE}},
        {"MessageBoxA", {ERROR_NOT_ENOUGH_MEMORY}},
        {"MultiByteToWideChar", {kErrorNoUnicodeTranslation}},
        // The protection service cannot be asked.
        {"SfcIsFileProtected", {sim::kRpcServerUnavailable}},
    };
    const auto it = kErrors.find(api);
    // Registry, profile, file, process and token calls: access denied.
    return it != kErrors.end() ? it->second : std::vector<DWORD>{ERROR_ACCESS_DENIED};
}

// ---- the runs ---------------------------------------------------------------------------------

struct Family {
    const char* name;
    std::vector<DWORD> (*setUp)(sim::Machine&);  // returns the processes it started
    // The product's devices, below the Enum key. A fault may take a run down the other family's
    // road (GetVersionExA failing on 9x gives platform id 0, and every id but 1 runs the NT
    // removal), which removes them through the device installer where the clean run did not.
    std::vector<std::string> productDevices;
    // Files below the Windows folder that the clean run must keep (the profile names some of them).
    std::vector<std::string> keptFiles;
};

struct Recorded {
    std::vector<sim::CallRecord> calls;  // every call, in order
    EndState end;
};

// Runs the whole program on a fresh machine of the family, with the given faults.
template <typename Check>
void RunOnce(const Family& f, const std::vector<sim::Fault>& faults, Check check) {
    sim::ScopedMachine m;
    const std::vector<DWORD> pids = f.setUp(*m);
    for (const sim::Fault& fault : faults) m->AddFault(fault);
    ResetProgramState();
    mfc::AfxWinMain();
    check(*m, StateOf(*m, pids));
}

Recorded RecordCleanRun(const Family& family) {
    Recorded clean;
    RunOnce(family, {}, [&](sim::Machine& m, const EndState& end) {
        clean.calls = m.Calls();
        clean.end = end;
        // The recorded run is a whole one: the dialog ran, the completion message was shown,
        // and the product's entry and files are gone while another program's stay.
        EXPECT_EQ(m.Dialogs().size(), 1u);
        ASSERT_EQ(m.MessageBoxes().size(), 1u);
        EXPECT_EQ(m.MessageBoxes()[0].type, 0x40u);
        EXPECT_EQ(end.keys.count("HKLM\\" + kUninstall + "\\BrelonTunaraWDM"), 0u);
        EXPECT_EQ(end.keys.count("HKLM\\" + kUninstall + "\\AcmeBurner"), 1u);
        EXPECT_EQ(end.files.count(std::string(kWin) + "\\zq4unist.exe"), 0u);
        EXPECT_EQ(end.files.count(std::string(kWin) + "\\system32\\drivers\\tunaxbar.sys"), 0u);
        for (const std::string& f : family.keptFiles)
            EXPECT_EQ(end.files.count(std::string(kWin) + "\\" + f), 1u) << f;
        EXPECT_EQ(m.OpenHandles(), std::vector<std::string>{});
        EXPECT_EQ(m.HandleErrors(), std::vector<std::string>{});
    });
    return clean;
}

bool IsProductDeviceKey(const Family& f, const std::string& key) {
    const std::string enumKey = "HKLM\\" + kEnum;
    if (key.rfind(enumKey, 0) != 0) return false;
    const std::string below = key.substr(enumKey.size());
    // The instance key, or a parent of it that the removal left without subkeys.
    for (const std::string& d : f.productDevices) {
        if (d == below || d.rfind(below + "\\", 0) == 0) return true;
    }
    return false;
}

// What went wrong in the run with the one fault; empty when nothing did.
std::vector<std::string> Problems(const Family& family, const Recorded& clean,
                                  const sim::Fault& fault) {
    std::vector<std::string> problems;
    RunOnce(family, {fault}, [&](sim::Machine& m, const EndState& end) {
        const bool injected = std::any_of(m.Calls().begin(), m.Calls().end(),
                                          [](const sim::CallRecord& r) { return r.faulted; });
        if (!injected) problems.push_back("the run never reached the call");
        for (const std::string& h : m.OpenHandles()) problems.push_back("left open: " + h);
        for (const std::string& h : m.HandleErrors()) problems.push_back("misused: " + h);
        for (const std::string& k : Missing(clean.end.keys, end.keys)) {
            if (!IsProductDeviceKey(family, k)) problems.push_back("key deleted: " + k);
        }
        // The run's log is its own output, not a removal: a fault may keep it from being written.
        for (const std::string& f : Missing(clean.end.files, end.files))
            if (f.find("\\Logs\\") == std::string::npos) problems.push_back("file deleted: " + f);
        for (const std::string& p : Missing(clean.end.running, end.running))
            problems.push_back("process ended: " + p);
        for (const std::string& d : Missing(end.removedDevices, clean.end.removedDevices)) {
            const auto& mine = family.productDevices;
            if (std::find(mine.begin(), mine.end(), d) == mine.end())
                problems.push_back("device removed: " + d);
        }
    });
    return problems;
}

std::string Describe(const sim::Fault& f) {
    return f.api + " #" + std::to_string(f.nth) + " failing with " + std::to_string(f.error);
}

const Family kNt{"NT",
                 SetUpNt,
                 {"PCI\\VEN_1131&DEV_7133&SUBSYS_00021131&REV_01\\4&1A2B3C&0&0010",
                  "PCI\\VEN_1131&DEV_7134&SUBSYS_00021131&REV_01\\4&1A2B3C&0&0011",
                  "STREAM\\BRELON.XBAR\\5&2F&0&0"},
                 {"system32\\ksproxy.ax", "system32\\kernel32.dll", "inf\\oem3.inf"}};
const Family k98{"9x",
                 SetUp98,
                 {"PCI\\VEN_1131&DEV_7133&SUBSYS_00021131&REV_01\\BUS_00&DEV_0A&FUNC_00",
                  "PCI\\VEN_1131&DEV_7134&SUBSYS_00021131&REV_01\\BUS_00&DEV_0A&FUNC_01",
                  "STREAM\\PHXBAR\\0000"},
                 {"system\\mmsystem.dll", "inf\\sblive.inf"}};

// How the test names show their parameter.
void PrintTo(const Family& f, std::ostream* os) {
    *os << f.name;
}

// The machines' Windows folders are real folders; on a memory file system the hundreds of runs
// take a fraction of the time they take on disk. An explicit TMPDIR is left as it is.
class TempFolderInMemory {
public:
    TempFolderInMemory() {
        std::error_code ec;
        if (std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", ec) &&
            access("/dev/shm", W_OK) == 0) {
            setenv("TMPDIR", "/dev/shm", 1);
            set_ = true;
        }
    }
    ~TempFolderInMemory() {
        if (set_) unsetenv("TMPDIR");
    }
    TempFolderInMemory(const TempFolderInMemory&) = delete;
    TempFolderInMemory& operator=(const TempFolderInMemory&) = delete;

private:
    bool set_ = false;
};

class FaultInjection : public testing::TestWithParam<Family> {
protected:
    TempFolderInMemory temp_;
};

TEST_P(FaultInjection, EveryCallFailingOnceReleasesAllAndDeletesNoMoreThanACleanRun) {
    const Family& family = GetParam();
    const Recorded clean = RecordCleanRun(family);
    ASSERT_FALSE(HasFailure());

    // The table of faults: every call that can fail, by its occurrence among calls of its name.
    std::vector<sim::Fault> faults;
    std::map<std::string, int> seen;
    for (const sim::CallRecord& call : clean.calls) {
        const int nth = ++seen[call.api];
        if (CannotFail(call.api)) continue;
        for (DWORD error : ErrorsFor(call.api))
            faults.push_back(sim::Fault{call.api, nth, error, ""});
    }

    std::vector<std::string> failures;
    for (const sim::Fault& fault : faults) {
        for (const std::string& p : Problems(family, clean, fault))
            failures.push_back(Describe(fault) + ": " + p);
    }
    std::string report;
    for (std::size_t i = 0; i < failures.size() && i < 40; ++i) report += failures[i] + "\n";
    EXPECT_TRUE(failures.empty()) << failures.size() << " problems, the first ones:\n" << report;

    std::printf("[ fault    ] %s run: %zu port calls, %zu faulted runs\n", family.name,
                clean.calls.size(), faults.size());
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, FaultInjection, testing::Values(kNt, k98),
                         [](const testing::TestParamInfo<Family>& p) {
                             return std::string(p.param.name) == "NT" ? "WinXP" : "Win98";
                         });

}  // namespace
