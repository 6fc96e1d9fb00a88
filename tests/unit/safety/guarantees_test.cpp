// What a whole removal run never does, whatever the profile says, on both families: delete a file
// outside its group's folder or one that Windows protects, delete the parent keys it works below,
// or remove a device that no non-empty ID describes. Each row runs the whole program (start-up,
// the dialog, OK, the run) on a machine with the product installed beside other programs, with
// bait files placed wherever a bad name would reach, and says what must survive and what the run
// must still have removed (so that the row shows the run got that far).
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "app/uninst_app.h"
#include "framework/afx.h"
#include "platform/sim/sim_machine.h"

namespace {

using namespace w32;

const std::string kWin = "C:\\WINDOWS";
const std::string kEnumNt = "SYSTEM\\CurrentControlSet\\Enum";
const std::string kNtMedia =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}";
const std::string kNtImage =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
const std::string kServices = "SYSTEM\\CurrentControlSet\\Services";
const std::string k9xMedia = "SYSTEM\\CurrentControlSet\\Services\\Class\\MEDIA";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kMediaGuid = "{4d36e96c-e325-11ce-bfc1-08002be10318}";
const std::string kNetGuid = "{4d36e972-e325-11ce-bfc1-08002be10318}";

std::string W(const std::string& relative) {
    return kWin + "\\" + relative;
}

enum class Family { WinXP, Win98 };

// ---- profiles -------------------------------------------------------------------------------

using Profile = std::map<std::string, std::string>;

Profile CommonProfile() {
    return {
        {"UnInstDrvAppTitle", "Brelon Tunara WDM Drivers Uninstallation"},
        {"DevIDNum", "1"},
        {"DevDrvID0", "PCI\\VEN_1131&DEV_7133"},
        {"DevDrvName0", "Brelon Tunara Video Capture"},
        {"DevDrvSYS0", "tunacap.sys"},
        {"DevDrvINF0", "tunacap.inf"},
        {"ExtDevIDNum", "1"},
        {"ExtDevDrvName0", "Brelon Tunara Crossbar"},
        {"ExtDevDrvSYS0", "tunaxbar.sys"},
        {"ExtDevDrvINF0", "tunaxbar.inf"},
        {"ExtDllFileNum", "1"},
        {"ExtCopyFileName0", "tunaprop.dll"},
        {"DrvUninstRegKeyPath", "BrelonTunaraWDM"},
        {"DrvUninstRegKeyName", "Brelon Tunara WDM Drivers"},
        {"DrvUninstAppName", "zq4unist.exe"},
    };
}

Profile FamilyProfile(Family f) {
    Profile p = CommonProfile();
    if (f == Family::WinXP) {
        p["ExtDevDrvID0"] = "STREAM\\BRELON.XBAR";
        p["MediaClass"] = "Yes";
        p["UnInstServiceNum"] = "2";
        p["UnInstService0"] = "TunaCap";
        p["UnInstService1"] = "TunaXbar";
    } else {
        p["ExtDevDrvID0"] = "STREAM\\PH";
        p["PossibleDevIDNum"] = "0";
    }
    return p;
}

// Every value quoted, so that one made of blanks reaches the program as it is.
std::string ProfileText(const Profile& p) {
    std::string text = "[1]\r\n";
    for (const auto& [key, value] : p) text += key + "=\"" + value + "\"\r\n";
    return text;
}

// ---- the machines ---------------------------------------------------------------------------

void DriverKey(sim::Machine& m, const std::string& classKey, const std::string& sub,
               const char* desc, const char* inf = nullptr) {
    m.CreateKey(HKEY_LOCAL_MACHINE, classKey + "\\" + sub);
    if (desc != nullptr) m.SetString(HKEY_LOCAL_MACHINE, classKey + "\\" + sub, "DriverDesc", desc);
    if (inf != nullptr) m.SetString(HKEY_LOCAL_MACHINE, classKey + "\\" + sub, "InfPath", inf);
}

void UninstallEntries(sim::Machine& m) {
    m.SetString(HKEY_LOCAL_MACHINE, kUninstall + "\\AcmeBurner", "DisplayName", "Acme Burner");
    m.SetString(HKEY_LOCAL_MACHINE, kUninstall + "\\BrelonTunaraWDM", "DisplayName",
                "Brelon Tunara WDM Drivers");
}

// Windows XP: the capture device and the crossbar of the product, a network card, a sound card,
// a mouse and another stream device; driver keys of the product between other drivers' keys,
// one without a description and one with an empty description; services; files.
const std::string kXpCapture = "PCI\\VEN_1131&DEV_7133&SUBSYS_00021131&REV_01\\4&1A2B3C&0&0010";
const std::string kXpCrossbar = "STREAM\\BRELON.XBAR\\5&2F&0&0";
const std::string kXpNet = "PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\3&61AAA01&0&40";
const std::string kXpSound = "PCI\\VEN_1102&DEV_0002&SUBSYS_80611102&REV_08\\3&61AAA01&0&48";
const std::string kXpMouse = "USB\\VID_046D&PID_C00E\\5&3B&0&1";
const std::string kXpTee = "STREAM\\MSTEE\\0000";

void SetUpXp(sim::Machine& m) {
    m.SetVersion(VER_PLATFORM_WIN32_NT, 5, 1, 2600);
    m.SetString(HKEY_CURRENT_USER, "Control Panel\\International", "iCountry", "1");
    m.AddDevice(kXpCapture, {"PCI\\VEN_1131&DEV_7133&SUBSYS_00021131&REV_01"}, kMediaGuid);
    m.AddDevice(kXpCrossbar, {"STREAM\\BRELON.XBAR"}, kMediaGuid);
    m.AddDevice(kXpNet, {"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02"}, kNetGuid);
    m.AddDevice(kXpSound, {"PCI\\VEN_1102&DEV_0002&SUBSYS_80611102&REV_08"}, kMediaGuid);
    m.AddDevice(kXpMouse, {"USB\\VID_046D&PID_C00E"}, kMediaGuid);
    m.AddDevice(kXpTee, {"STREAM\\MSTEE"}, kMediaGuid);

    DriverKey(m, kNtMedia, "0000", "Creative SB Live!", "oem3.inf");
    DriverKey(m, kNtMedia, "0001", "Brelon Tunara Video Capture", "oem12.inf");
    DriverKey(m, kNtMedia, "0002", nullptr, "wave.inf");
    DriverKey(m, kNtMedia, "0003", "Brelon Tunara Crossbar", "oem14.inf");
    DriverKey(m, kNtMedia, "0004", "", "machine.inf");
    DriverKey(m, kNtImage, "0000", "Some Scanner", "sti.inf");
    DriverKey(m, kNtImage, "0001", nullptr, "sti.inf");
    DriverKey(m, kNtImage, "0002", "", "sti.inf");
    for (const char* svc : {"TunaCap", "TunaXbar", "Tcpip", "E100B"})
        m.SetDword(HKEY_LOCAL_MACHINE, kServices + "\\" + svc, "Start", 3);
    UninstallEntries(m);
    for (const char* f : {"inf\\oem12.inf", "inf\\oem12.pnf", "inf\\oem14.inf", "inf\\oem14.pnf",
                          "system32\\drivers\\tunacap.sys", "system32\\drivers\\tunaxbar.sys",
                          "system32\\tunaprop.dll", "zq4unist.exe"})
        m.WriteFile(W(f));
}

const std::vector<std::string> kXpOthersFiles = {
    W("inf\\oem3.inf"),          W("inf\\oem3.pnf"), W("inf\\wave.inf"),
    W("inf\\machine.inf"),       W("inf\\sti.inf"),  W("system32\\drivers\\e100b325.sys"),
    W("system32\\kernel32.dll"), W("explorer.exe")};
const std::vector<std::string> kXpOthersKeys = {
    kNtMedia + "\\0000",       kNtImage + "\\0000",         kServices + "\\Tcpip",
    kServices + "\\E100B",     kUninstall + "\\AcmeBurner", kEnumNt + "\\" + kXpNet,
    kEnumNt + "\\" + kXpSound, kEnumNt + "\\" + kXpMouse,   kEnumNt + "\\" + kXpTee};
// The keys the NT run works below, which it never deletes themselves.
const std::vector<std::string> kXpParents = {
    kServices,         kUninstall,           kNtMedia, kNtImage, kEnumNt + "\\PCI",
    kEnumNt + "\\USB", kEnumNt + "\\STREAM", kEnumNt};

// Windows 98: the same product devices with their Enum keys, the MEDIA class key with the
// product's driver keys between others, and files.
const std::string k98CaptureId = "PCI\\VEN_1131&DEV_7133&SUBSYS_00021131&REV_01";
const std::string k98Capture = "Enum\\PCI\\VEN_1131&DEV_7133&SUBSYS_00021131&REV_01";
const std::string k98Net = "Enum\\PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02";
const std::string k98Mouse = "Enum\\USB\\VID_046D&PID_C00E";
const std::string k98Crossbar = "Enum\\STREAM\\PHXBAR";
const std::string k98Tee = "Enum\\STREAM\\MSTEE";
const std::string k98Acpi = "Enum\\ACPI\\PCI0";

void SetUp98(sim::Machine& m) {
    m.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222);
    m.WriteFile(W("win.ini"), "[intl]\r\niCountry=1\r\n");
    m.AddDevice(k98CaptureId + "\\BUS_00&DEV_0A&FUNC_00", {k98CaptureId}, kMediaGuid);
    m.AddDevice("PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\BUS_00&DEV_0B&FUNC_00",
                {"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02"}, kNetGuid);
    m.AddDevice("USB\\VID_046D&PID_C00E\\0000", {"USB\\VID_046D&PID_C00E"}, kMediaGuid);
    m.AddDevice("STREAM\\PHXBAR\\0000", {"STREAM\\PHXBAR#A"}, kMediaGuid);
    m.AddDevice("STREAM\\MSTEE\\0000", {"STREAM\\MSTEE"}, kMediaGuid);
    m.AddDevice("ACPI\\PCI0\\0000", {"ACPI\\PCI0"}, kMediaGuid);
    for (const std::string& key : {k98Capture, k98Net, k98Mouse, k98Crossbar, k98Tee, k98Acpi})
        m.SetString(HKEY_LOCAL_MACHINE, key + "\\0000", "Class", "MEDIA");

    DriverKey(m, k9xMedia, "0000", "Creative SB Live!");
    DriverKey(m, k9xMedia, "0001", "Brelon Tunara Video Capture");
    DriverKey(m, k9xMedia, "0002", nullptr);
    DriverKey(m, k9xMedia, "0003", "Brelon Tunara Crossbar");
    DriverKey(m, k9xMedia, "0004", "");
    UninstallEntries(m);
    for (const char* f :
         {"inf\\tunacap.inf", "inf\\tunacap.pnf", "inf\\tunaxbar.inf", "inf\\tunaxbar.pnf",
          "system32\\drivers\\tunacap.sys", "system32\\drivers\\tunaxbar.sys",
          "system\\tunaprop.dll", "zq4unist.exe"})
        m.WriteFile(W(f));
}

const std::vector<std::string> k98OthersFiles = {W("inf\\sblive.inf"),
                                                 W("system32\\drivers\\sblive.sys"),
                                                 W("system\\mmsystem.dll"), W("regedit.exe")};
const std::vector<std::string> k98OthersKeys = {
    k9xMedia + "\\0000", kUninstall + "\\AcmeBurner", k98Net, k98Mouse, k98Tee, k98Acpi};
const std::vector<std::string> k98Parents = {k9xMedia, kUninstall, "Enum\\PCI", "Enum\\USB",
                                             "Enum\\STREAM"};

// Files wherever a name that leaves its folder would reach from any of the folders: above the
// Windows folder, in the folders themselves, and in subfolders of them.
const std::vector<std::string> kBait = {
    "C:\\x.sys",
    "C:\\x.dll",
    "C:\\boot.ini",
    "C:\\x",
    W("x.sys"),
    W("x.dll"),
    W("boot.ini"),
    W("x"),
    W("sub\\x.dll"),
    W("inf\\boot.ini"),
    W("inf\\x"),
    W("inf\\sub\\x.dll"),
    W("system32\\x.sys"),
    W("system32\\boot.ini"),
    W("system32\\x"),
    W("system32\\hal.dll"),
    W("system32\\sub\\x.dll"),
    W("system32\\drivers\\boot.ini"),
    W("system32\\drivers\\x"),
    W("system32\\drivers\\sub\\x.dll"),
    W("system\\boot.ini"),
    W("system\\x"),
    W("system\\sub\\x.dll"),
};
// The group folders, hidden and system as Windows keeps some of them: a name that names the
// folder itself would reset that.
const std::vector<std::string> kFolders = {kWin, W("inf"), W("system32"), W("system32\\drivers"),
                                           W("system")};
constexpr DWORD kFolderAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The folder of every group of the family, lower-cased as the run composes them.
std::vector<std::string> GroupFolders(Family f) {
    if (f == Family::WinXP) {
        return {"c:\\windows\\inf\\", "c:\\windows\\system32\\drivers\\", "c:\\windows\\system32\\",
                "c:\\windows\\"};
    }
    return {"c:\\windows\\inf\\", "c:\\windows\\system32\\drivers\\", "c:\\windows\\system\\",
            "c:\\windows\\"};
}

// ---- the table ------------------------------------------------------------------------------

struct Row {
    std::string label;
    Family family = Family::WinXP;
    Profile profile = {};                           // keys set over the family's profile
    std::function<void(sim::Machine&)> extra = {};  // more on the machine
    bool completes = true;                          // the run reaches the completion message
    std::vector<std::string> kept = {};             // files that stay
    std::vector<std::string> gone = {};             // files the run deletes
    std::vector<std::string> keptKeys = {};         // below HKLM
    std::vector<std::string> goneKeys = {};
    std::vector<std::string> keptDevices = {};  // NT: below ...\Enum
    std::vector<std::string> removedDevices = {};
    std::vector<int> positions = {};  // of the progress bar; empty: not checked
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.label;
}

const std::vector<int> kXpPositions = {6, 12, 18, 24, 30, 90, 100};
// With the driver key whose InfPath is passed over: an entry all the same, with its step.
const std::vector<int> kXpPositionsWithUnusableInf = {6, 12, 18, 24, 30, 36, 90, 100};

// The names that must never leave their folder, each put into every group of the family: the
// SYS and INF names of a row and of a candidate, an extra file, the uninstaller and, on NT, the
// InfPath of a driver key that the product's Name matches.
const std::vector<std::pair<std::string, std::string>> kEscapingNames = {
    {"parent_of_parent", "..\\..\\x.sys"},
    {"rooted", "\\boot.ini"},
    {"drive", "C:\\x.dll"},
    {"down_and_up_past_the_folder", "sub\\..\\..\\x"},
    {"only_dots", "..."},
    {"only_a_blank", " "},
};

std::vector<Row> Table() {
    std::vector<Row> rows;

    // Registry keys and devices.
    rows.push_back({.label = "xp_empty_service_names",
                    .family = Family::WinXP,
                    .profile = {{"UnInstServiceNum", "3"},
                                {"UnInstService0", ""},
                                {"UnInstService1", "TunaCap"},
                                {"UnInstService2", ""}},
                    .goneKeys = {kServices + "\\TunaCap"}});
    rows.push_back({.label = "xp_empty_uninstall_entry_name",
                    .family = Family::WinXP,
                    .profile = {{"DrvUninstRegKeyPath", ""}},
                    .keptKeys = {kUninstall + "\\BrelonTunaraWDM"},
                    .goneKeys = {kServices + "\\TunaCap", kNtMedia + "\\0001"}});
    rows.push_back({.label = "xp_empty_names_media_class",
                    .family = Family::WinXP,
                    .profile = {{"DevDrvName0", ""}, {"ExtDevDrvName0", ""}},
                    .kept = {W("inf\\oem12.inf"), W("inf\\oem14.inf")},
                    .gone = {W("system32\\drivers\\tunacap.sys")},
                    .keptKeys = {kNtMedia + "\\0001", kNtMedia + "\\0002", kNtMedia + "\\0003",
                                 kNtMedia + "\\0004"},
                    .goneKeys = {kServices + "\\TunaCap"}});
    rows.push_back({.label = "xp_empty_names_image_class",
                    .family = Family::WinXP,
                    .profile = {{"MediaClass", "No"}, {"DevDrvName0", ""}, {"ExtDevDrvName0", ""}},
                    .gone = {W("system32\\drivers\\tunacap.sys")},
                    .keptKeys = {kNtImage + "\\0001", kNtImage + "\\0002"},
                    .goneKeys = {kServices + "\\TunaCap"}});
    rows.push_back({.label = "xp_empty_id_in_the_extra_table",
                    .family = Family::WinXP,
                    .profile = {{"ExtDevDrvID0", ""}},
                    .keptDevices = {kXpCrossbar},
                    .removedDevices = {kXpCapture}});
    // Every device begins with the empty ID, so the device check fails and nothing goes.
    rows.push_back(
        {.label = "xp_empty_id_in_the_device_table",
         .family = Family::WinXP,
         .profile = {{"DevIDNum", "2"},
                     {"DevDrvID1", ""},
                     {"DevDrvName1", "Brelon Tunara Video Capture"}},
         .completes = false,
         .kept = {W("inf\\oem12.inf"), W("system32\\drivers\\tunacap.sys"), W("zq4unist.exe")},
         .keptKeys = {kNtMedia + "\\0001", kServices + "\\TunaCap"},
         .keptDevices = {kXpCapture, kXpCrossbar}});
    rows.push_back({.label = "98_empty_uninstall_entry_name",
                    .family = Family::Win98,
                    .profile = {{"DrvUninstRegKeyPath", ""}},
                    .keptKeys = {kUninstall + "\\BrelonTunaraWDM"},
                    .goneKeys = {k98Capture, k9xMedia + "\\0001"}});
    rows.push_back({.label = "98_empty_names",
                    .family = Family::Win98,
                    .profile = {{"DevDrvName0", ""}, {"ExtDevDrvName0", ""}},
                    .gone = {W("inf\\tunacap.inf")},
                    .keptKeys = {k9xMedia + "\\0001", k9xMedia + "\\0002", k9xMedia + "\\0003",
                                 k9xMedia + "\\0004"},
                    .goneKeys = {k98Capture}});
    // A lower-case USB ID leaves no letter of "VID" to cut a key at.
    rows.push_back({.label = "98_lower_case_usb_id",
                    .family = Family::Win98,
                    .profile = {{"DevIDNum", "2"}, {"DevDrvID1", "usb\\vid_046d&pid_c00e"}},
                    .gone = {W("inf\\tunacap.inf")},
                    .keptKeys = {k98Mouse},
                    .goneKeys = {k98Crossbar}});
    // Hardware IDs without a letter of the set give empty keys too.
    rows.push_back({.label = "98_stream_id_without_p_or_h",
                    .family = Family::Win98,
                    .profile = {{"ExtDevIDNum", "2"}, {"ExtDevDrvID1", "STREAM\\MSTEE"}},
                    .keptKeys = {k98Tee},
                    .goneKeys = {k98Crossbar, k98Capture}});
    rows.push_back({.label = "98_id_without_v_e_or_n",
                    .family = Family::Win98,
                    .profile = {{"DevIDNum", "2"}, {"DevDrvID1", "ACPI\\PCI0"}},
                    .keptKeys = {k98Acpi},
                    .goneKeys = {k98Capture, k98Crossbar}});
    rows.push_back({.label = "98_empty_ids",
                    .family = Family::Win98,
                    .profile = {{"DevIDNum", "2"},
                                {"DevDrvID1", ""},
                                {"ExtDevIDNum", "2"},
                                {"ExtDevDrvID1", ""}},
                    .goneKeys = {k98Capture, k98Crossbar}});

    // Names that leave their folder, in every group.
    for (const auto& [label, name] : kEscapingNames) {
        Row xp{"xp_name_" + label,
               Family::WinXP,
               {{"ExtDevDrvSYS0", name}, {"ExtCopyFileName0", name}, {"DrvUninstAppName", name}}};
        const std::string infPath = name;
        xp.extra = [infPath](sim::Machine& m) {
            DriverKey(m, kNtMedia, "0005", "Brelon Tunara Crossbar", infPath.c_str());
        };
        xp.gone = {W("inf\\oem12.inf"), W("inf\\oem14.pnf"), W("system32\\drivers\\tunacap.sys")};
        xp.positions = kXpPositionsWithUnusableInf;
        rows.push_back(xp);

        Row w98{"98_name_" + label,
                Family::Win98,
                {{"ExtDevDrvINF0", name},
                 {"ExtDevDrvSYS0", name},
                 {"ExtCopyFileName0", name},
                 {"DrvUninstAppName", name},
                 {"PossibleDevIDNum", "1"},
                 {"PossibleDevID0", "PCI\\VEN_FFFF"},
                 {"PossibleDevInf0", name}}};
        w98.gone = {W("inf\\tunacap.inf"), W("inf\\tunacap.pnf"),
                    W("system32\\drivers\\tunacap.sys")};
        w98.positions = {6, 12, 18, 24, 30, 36, 42, 100};
        rows.push_back(w98);
    }

    // A profile's name may descend into a subfolder of its group's folder; the registry's InfPath
    // may not.
    Row xpSub{"xp_name_into_a_subfolder",
              Family::WinXP,
              {{"ExtDevDrvSYS0", "sub\\x.dll"},
               {"ExtCopyFileName0", "sub\\x.dll"},
               {"DrvUninstAppName", "sub\\x.dll"}}};
    xpSub.extra = [](sim::Machine& m) {
        DriverKey(m, kNtMedia, "0005", "Brelon Tunara Crossbar", "sub\\x.dll");
    };
    xpSub.kept = {W("inf\\sub\\x.dll")};
    xpSub.gone = {W("sub\\x.dll"), W("system32\\sub\\x.dll"), W("system32\\drivers\\sub\\x.dll")};
    xpSub.positions = kXpPositionsWithUnusableInf;
    rows.push_back(xpSub);
    Row w98Sub{"98_name_into_a_subfolder",
               Family::Win98,
               {{"ExtDevDrvINF0", "sub\\x.dll"},
                {"ExtDevDrvSYS0", "sub\\x.dll"},
                {"ExtCopyFileName0", "sub\\x.dll"},
                {"DrvUninstAppName", "sub\\x.dll"}}};
    w98Sub.gone = {W("sub\\x.dll"), W("inf\\sub\\x.dll"), W("system32\\drivers\\sub\\x.dll"),
                   W("system\\sub\\x.dll")};
    w98Sub.positions = {6, 12, 18, 24, 30, 36, 100};
    rows.push_back(w98Sub);

    // Files that Windows protects: an INF, a SYS, an extra file and the uninstaller stay, the
    // rest of the product's files go, and every step is taken.
    Row xp{.label = "xp_protected_files", .family = Family::WinXP};
    xp.extra = [](sim::Machine& m) {
        for (const char* f : {"inf\\oem12.inf", "system32\\drivers\\tunaxbar.sys",
                              "system32\\tunaprop.dll", "zq4unist.exe"})
            m.ProtectFile(W(f));
    };
    xp.kept = {W("inf\\oem12.inf"), W("system32\\drivers\\tunaxbar.sys"),
               W("system32\\tunaprop.dll"), W("zq4unist.exe")};
    xp.gone = {W("inf\\oem12.pnf"), W("inf\\oem14.inf"), W("inf\\oem14.pnf"),
               W("system32\\drivers\\tunacap.sys")};
    xp.positions = kXpPositions;
    rows.push_back(xp);

    Row w98{.label = "98_protected_files", .family = Family::Win98};
    w98.extra = [](sim::Machine& m) {
        for (const char* f :
             {"inf\\tunacap.inf", "system32\\drivers\\tunaxbar.sys", "system\\tunaprop.dll"})
            m.ProtectFile(W(f));
    };
    w98.kept = {W("inf\\tunacap.inf"), W("system32\\drivers\\tunaxbar.sys"),
                W("system\\tunaprop.dll")};
    w98.gone = {W("inf\\tunacap.pnf"), W("inf\\tunaxbar.inf"), W("inf\\tunaxbar.pnf"),
                W("system32\\drivers\\tunacap.sys"), W("zq4unist.exe")};
    w98.positions = {6, 12, 18, 24, 30, 36, 100};
    rows.push_back(w98);
    return rows;
}

// ---- checks ---------------------------------------------------------------------------------

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Whether a path the run touched lies below one of the family's folders, by names none of which
// is empty or made of dots and blanks alone.
bool BelowAFolder(const std::string& path, Family f) {
    for (const std::string& folder : GroupFolders(f)) {
        if (path.rfind(folder, 0) != 0) continue;
        const std::string name = path.substr(folder.size());
        if (name.empty() || name.find_first_of("/:") != std::string::npos) continue;
        bool plain = true;
        for (std::size_t start = 0; plain;) {
            const std::size_t end = name.find('\\', start);
            const std::string part = name.substr(start, end - start);
            plain = !part.empty() && part.find_first_not_of(". ") != std::string::npos;
            if (end == std::string::npos) break;
            start = end + 1;
        }
        if (plain) return true;
    }
    return false;
}

class Guarantees : public testing::TestWithParam<Row> {};

TEST_P(Guarantees, AWholeRunKeepsWhatItMustNotTouch) {
    const Row& row = GetParam();
    sim::ScopedMachine m;
    m->SetWindowsDirectory(kWin);
    Profile profile = FamilyProfile(row.family);
    for (const auto& [key, value] : row.profile) profile[key] = value;
    m->WriteProfile(ProfileText(profile));
    const bool xp = row.family == Family::WinXP;
    if (xp) {
        SetUpXp(*m);
    } else {
        SetUp98(*m);
    }
    const auto& others = xp ? kXpOthersFiles : k98OthersFiles;
    for (const std::string& f : others) m->WriteFile(f);
    for (const std::string& f : kBait) m->WriteFile(f);
    for (const std::string& folder : kFolders) {
        ASSERT_EQ(m->SetFileAttributesA(folder.c_str(), kFolderAttributes), TRUE) << folder;
    }
    if (row.extra) row.extra(*m);
    m->AddTopLevelWindow("Remote Control");
    m->ScriptUser({sim::UserAction::ClickOk});
    const std::size_t start = m->Calls().size();

    ResetProgramState();
    mfc::AfxWinMain();

    ASSERT_EQ(m->Dialogs().size(), 1u);
    // The completion message, or the device check's.
    EXPECT_EQ(m->MessageBoxes().size(), 1u);
    EXPECT_EQ(theApp.LastResult().end, row.completes ? RunEnd::Completed : RunEnd::DeviceCheck);

    // Files.
    for (const std::string& f : kBait) {
        if (std::find(row.gone.begin(), row.gone.end(), f) != row.gone.end()) continue;
        EXPECT_TRUE(m->FileExists(f)) << "bait deleted: " << f;
    }
    for (const std::string& f : others) EXPECT_TRUE(m->FileExists(f)) << "deleted: " << f;
    for (const std::string& f : row.kept) EXPECT_TRUE(m->FileExists(f)) << "deleted: " << f;
    for (const std::string& f : row.gone) EXPECT_FALSE(m->FileExists(f)) << "still there: " << f;
    for (const std::string& folder : kFolders) {
        EXPECT_EQ(m->FileAttributes(folder), FILE_ATTRIBUTE_DIRECTORY | kFolderAttributes)
            << folder;
    }
    std::vector<std::string> deleted;
    for (std::size_t i = start; i < m->Calls().size(); ++i) {
        const sim::CallRecord& c = m->Calls()[i];
        if (c.api != "SetFileAttributesA" && c.api != "DeleteFileA") continue;
        const std::string path = c.args.substr(0, c.args.find('|'));
        EXPECT_TRUE(BelowAFolder(path, row.family)) << c.api << " " << path;
        if (c.api == "DeleteFileA") deleted.push_back(path);
    }
    // A file that is passed over is not shown either: every path shown is one the run deleted.
    for (const std::string& shown : m->Dialogs()[0].Control(1002)->textHistory) {
        if (shown.empty()) continue;
        EXPECT_NE(std::find(deleted.begin(), deleted.end(), shown), deleted.end())
            << "shown, not deleted: " << shown;
    }
    if (!row.positions.empty()) {
        EXPECT_EQ(m->Dialogs()[0].progress.positions, row.positions);
    }

    // Keys.
    for (const std::string& k : xp ? kXpParents : k98Parents)
        EXPECT_TRUE(m->KeyExists(HKEY_LOCAL_MACHINE, k)) << "parent deleted: " << k;
    for (const std::string& k : xp ? kXpOthersKeys : k98OthersKeys)
        EXPECT_TRUE(m->KeyExists(HKEY_LOCAL_MACHINE, k)) << "deleted: " << k;
    for (const std::string& k : row.keptKeys)
        EXPECT_TRUE(m->KeyExists(HKEY_LOCAL_MACHINE, k)) << "deleted: " << k;
    for (const std::string& k : row.goneKeys)
        EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, k)) << "still there: " << k;

    // Devices: only those a non-empty ID describes.
    std::vector<std::string> removed;
    for (const std::string& d : m->RemovedDevices()) removed.push_back(Lower(d));
    std::vector<std::string> mustStay = row.keptDevices;
    if (xp) mustStay.insert(mustStay.end(), {kXpNet, kXpSound, kXpMouse, kXpTee});
    for (const std::string& d : mustStay) {
        EXPECT_EQ(std::find(removed.begin(), removed.end(), Lower(d)), removed.end())
            << "removed: " << d;
        if (xp) {
            EXPECT_TRUE(m->KeyExists(HKEY_LOCAL_MACHINE, kEnumNt + "\\" + d)) << d;
        }
    }
    for (const std::string& d : row.removedDevices) {
        EXPECT_NE(std::find(removed.begin(), removed.end(), Lower(d)), removed.end())
            << "not removed: " << d;
    }

    EXPECT_EQ(m->OpenHandles(), std::vector<std::string>{});
    EXPECT_EQ(m->HandleErrors(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, Guarantees, testing::ValuesIn(Table()),
                         [](const testing::TestParamInfo<Row>& p) { return p.param.label; });

}  // namespace
