// The native demo: a simulated machine with the product installed, the uninstaller run on it with
// the user clicking OK, and a plain-text report of what the user saw and what was removed.
#include "demo/demo.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "app/uninst_app.h"
#include "demo/product_profile.h"
#include "framework/afx.h"
#include "platform/sim/sim_machine.h"

namespace demo {

using namespace sim;

namespace {

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kMediaClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}";
constexpr const char* kMediaClassGuid = "{4d36e96c-e325-11ce-bfc1-08002be10318}";
constexpr const char* kNetClassGuid = "{4d36e972-e325-11ce-bfc1-08002be10318}";
constexpr const char* kEnumKey = "SYSTEM\\CurrentControlSet\\Enum";
constexpr const char* kCompanionTitle = "Remote Control";

struct DemoDevice {
    const char* instance;  // below the Enum key
    const char* hardwareId;
    const char* classGuid;
    const char* driverKey;  // below the Control\Class key
};

// A machine as the product's installer leaves it, with bystanders that must survive: another
// program's uninstall entry, a network card, another media driver and its INF.
struct DemoMachine {
    std::vector<std::string> keys;   // HKLM paths reported as removed or kept
    std::vector<std::string> files;  // Windows paths reported as removed or kept
    DWORD receiverPid = 0;
    HWND companion = nullptr;
};

DemoMachine SetUpNtMachine(Machine& m) {
    DemoMachine demo;
    m.SetVersion(VER_PLATFORM_WIN32_NT, 5, 1, 2600);
    m.SetString(HKEY_CURRENT_USER, "Control Panel\\International", "iCountry", "1");
    m.WriteProfile(ProductProfile());

    const std::string product = std::string(kUninstallKey) + "\\BrelonTunaraWDM";
    const std::string other = std::string(kUninstallKey) + "\\OtherPlayer";
    m.SetString(HKEY_LOCAL_MACHINE, product, "DisplayName", "Brelon Tunara WDM Drivers");
    m.SetString(HKEY_LOCAL_MACHINE, other, "DisplayName", "Other Player 2.0");
    demo.keys.push_back(product);
    demo.keys.push_back(other);

    const DemoDevice devices[] = {
        {"PCI\\VEN_1131&DEV_7133&SUBSYS_00011131&REV_01\\4&1A2B3C&0&40F0",
         "PCI\\VEN_1131&DEV_7133&SUBSYS_00011131&REV_01", kMediaClassGuid,
         "{4d36e96c-e325-11ce-bfc1-08002be10318}\\0001"},
        {"PCI\\VEN_1131&DEV_7134&SUBSYS_00011131&REV_01\\4&1A2B3C&0&41F0",
         "PCI\\VEN_1131&DEV_7134&SUBSYS_00011131&REV_01", kMediaClassGuid,
         "{4d36e96c-e325-11ce-bfc1-08002be10318}\\0002"},
        {"STREAM\\BRELON.XBAR\\5&2C3D4E&0&0", "STREAM\\BRELON.XBAR", kMediaClassGuid,
         "{4d36e96c-e325-11ce-bfc1-08002be10318}\\0003"},
        {"PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02\\3&61AAA01&0&18",
         "PCI\\VEN_8086&DEV_100E&SUBSYS_001E8086&REV_02", kNetClassGuid,
         "{4d36e972-e325-11ce-bfc1-08002be10318}\\0000"},
    };
    for (const auto& d : devices) {
        m.AddDevice(d.instance, {d.hardwareId}, d.classGuid, d.driverKey);
        demo.keys.push_back(std::string(kEnumKey) + "\\" + d.instance);
    }

    struct ClassEntry {
        const char* sub;
        const char* desc;
        const char* inf;
    };
    const ClassEntry classEntries[] = {
        {"0000", "Other Vendor Audio", "oem3.inf"},
        {"0001", "Brelon Tunara Video Capture", "oem12.inf"},
        {"0002", "Brelon Tunara Audio Capture", "oem13.inf"},
        {"0003", "Brelon Tunara Crossbar", "oem14.inf"},
    };
    for (const auto& c : classEntries) {
        const std::string key = std::string(kMediaClassKey) + "\\" + c.sub;
        m.SetString(HKEY_LOCAL_MACHINE, key, "DriverDesc", c.desc);
        m.SetString(HKEY_LOCAL_MACHINE, key, "InfPath", c.inf);
        demo.keys.push_back(key);
    }

    for (const char* service : {"TunaCap", "TunaAud", "TunaXbar", "OtherAudio"}) {
        const std::string key = std::string("SYSTEM\\CurrentControlSet\\Services\\") + service;
        m.SetDword(HKEY_LOCAL_MACHINE, key, "Start", 3);
        demo.keys.push_back(key);
    }

    for (const char* file :
         {"C:\\WINDOWS\\inf\\oem3.inf", "C:\\WINDOWS\\inf\\oem3.pnf", "C:\\WINDOWS\\inf\\oem12.inf",
          "C:\\WINDOWS\\inf\\oem12.pnf", "C:\\WINDOWS\\inf\\oem13.inf",
          "C:\\WINDOWS\\inf\\oem13.pnf", "C:\\WINDOWS\\inf\\oem14.inf",
          "C:\\WINDOWS\\inf\\oem14.pnf", "C:\\WINDOWS\\system32\\drivers\\tunacap.sys",
          "C:\\WINDOWS\\system32\\drivers\\tunaaud.sys",
          "C:\\WINDOWS\\system32\\drivers\\tunaxbar.sys",
          "C:\\WINDOWS\\system32\\drivers\\otheraud.sys", "C:\\WINDOWS\\system32\\tunaprop.dll",
          "C:\\WINDOWS\\zq4unist.exe"}) {
        m.WriteFile(file);
        demo.files.push_back(file);
    }
    // A read-only driver file: the run resets its attributes before deleting it.
    m.WriteFile("C:\\WINDOWS\\system32\\drivers\\tunacap.sys", "x",
                FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

    demo.receiverPid = m.AddProcess("ehRecvr.exe");
    demo.companion = m.AddTopLevelWindow(kCompanionTitle);
    return demo;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Hex(unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", value);
    return buf;
}

void PrintDialog(std::ostream& out, const DialogRecord& dlg) {
    out << "Dialog " << dlg.templateId << ", caption " << Quoted(dlg.caption) << "\n";
    out << "  icons: big " << (dlg.bigIcon != nullptr ? "set" : "not set") << ", small "
        << (dlg.smallIcon != nullptr ? "set" : "not set") << "\n";
    for (const auto& c : dlg.controls) {
        out << "  control " << c.id << " (" << c.className
            << "): " << (c.visible ? "visible" : "hidden") << ", texts set:";
        if (c.textHistory.empty()) out << " none";
        for (const auto& t : c.textHistory) out << " " << Quoted(t);
        out << "\n";
    }
    const ControlState* file = dlg.Control(1002);
    out << "Files shown:\n";
    if (file != nullptr) {
        for (const auto& t : file->textHistory) {
            if (!t.empty()) out << "  " << t << "\n";
        }
    }
    out << "Progress: range " << dlg.progress.low << "-" << dlg.progress.high << ", step "
        << dlg.progress.step << ", positions:";
    if (dlg.progress.positions.empty()) out << " none";
    for (int p : dlg.progress.positions) out << " " << p;
    out << "\n";
    out << "Dialog ended: " << (dlg.ended ? "yes" : "no") << ", DoModal result " << dlg.result
        << "\n";
}

void PrintMessageBoxes(std::ostream& out, const std::vector<MessageBoxRecord>& boxes) {
    if (boxes.empty()) out << "Message boxes: none\n";
    for (const auto& box : boxes) {
        const char* icon = (box.type & 0xF0) == MB_ICONINFORMATION ? "information"
                           : (box.type & 0xF0) == MB_ICONWARNING   ? "warning"
                                                                   : "other";
        out << "Message box, caption " << Quoted(box.caption) << ", type " << Hex(box.type) << " ("
            << icon << " icon), owner "
            << (box.ownerWasDialog ? "the dialog" : (box.owner == nullptr ? "none" : "a window"))
            << "\n  " << Quoted(box.text) << "\n";
    }
}

void PrintOutcome(std::ostream& out, Machine& m, const DemoMachine& demo) {
    out << "Removed:\n";
    for (const auto& f : demo.files) {
        if (!m.FileExists(f)) out << "  file " << f << "\n";
    }
    for (const auto& k : demo.keys) {
        if (!m.KeyExists(HKEY_LOCAL_MACHINE, k)) out << "  key HKLM\\" << k << "\n";
    }
    for (const auto& d : m.RemovedDevices()) out << "  device " << d << "\n";
    const Process* p = m.FindProcess(demo.receiverPid);
    if (p != nullptr && !p->running) {
        out << "  process " << p->exeFile << " (pid " << p->pid << ", exit code " << p->exitCode
            << ")\n";
    }
    const TopLevelWindow* w = m.FindTopLevel(demo.companion);
    if (w != nullptr && w->closed) out << "  window " << Quoted(w->title) << " (WM_CLOSE)\n";

    out << "Kept:\n";
    for (const auto& f : demo.files) {
        if (m.FileExists(f)) out << "  file " << f << "\n";
    }
    for (const auto& k : demo.keys) {
        if (m.KeyExists(HKEY_LOCAL_MACHINE, k)) out << "  key HKLM\\" << k << "\n";
    }
    if (p != nullptr && p->running) out << "  process " << p->exeFile << "\n";
    if (w != nullptr && !w->closed) out << "  window " << Quoted(w->title) << "\n";

    const auto open = m.OpenHandles();
    out << "Handles left open: " << open.size() << "\n";
    for (const auto& h : open) out << "  " << h << "\n";
}

}  // namespace

int RunDemo(int argc, char** argv) {
    return RunDemo(argc, argv, std::cout);
}

int RunDemo(int argc, char** argv, std::ostream& out) {
    if (argc > 1) {
        out << "usage: " << (argv != nullptr && argv[0] != nullptr ? argv[0] : "tvuninst-sim")
            << "\nRuns the uninstaller once on a simulated Windows XP machine with the product "
               "installed,\nclicks OK, and reports what the user saw and what was removed.\n";
        return std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
    }

    ScopedMachine m;
    const DemoMachine demo = SetUpNtMachine(*m);
    m->ScriptUser({UserAction::ClickOk});

    out << "Machine: Windows NT 5.1 (platform id 2), Windows directory C:\\WINDOWS, profile "
           "C:\\WINDOWS\\TVMuxDrv.ini (built in)\n";
    out << "User: clicks OK, then acknowledges the message\n";

    ResetProgramState();
    const int exitCode = mfc::AfxWinMain();

    if (m->Dialogs().empty()) out << "Dialog: not shown\n";
    for (const auto& dlg : m->Dialogs()) PrintDialog(out, dlg);
    PrintMessageBoxes(out, m->MessageBoxes());
    PrintOutcome(out, *m, demo);
    out << "Exit code: " << exitCode << "\n";
    return exitCode;
}

}  // namespace demo
