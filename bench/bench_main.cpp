// How the program's own walks grow with the size of the machine, on the simulated machine: the
// installed-product check over many uninstall entries, both device scans over many present
// devices, and both registry cleanups over a class key with many subkeys. Each figure is the
// median of several timed calls; the machine is set up outside the timed part. Beside each
// figure stands the cost of the bare enumeration the walk cannot do without (the same port calls
// in a plain loop), so that what the simulated machine itself costs can be told apart from what
// the program adds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/text.h"
#include "app/uninst_app.h"
#include "nt/nt_removal.h"
#include "platform/handles.h"
#include "platform/sim/sim_machine.h"
#include "win9x/enum_keys.h"

namespace {

using namespace w32;
using Clock = std::chrono::steady_clock;

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kNtMedia =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}";
const std::string k9xMedia = "SYSTEM\\CurrentControlSet\\Services\\Class\\MEDIA";
const char* const kProductName = "Brelon Tunara WDM Drivers";

std::string Padded(int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%05d", i);
    return buf;
}

sim::Machine* g_machine = nullptr;  // the machine installed as the port

struct Timing {
    double ms;          // the fastest call
    std::size_t calls;  // port calls one call made
};

// Times fn once per repetition, after prepare (untimed), and gives the fastest in milliseconds:
// the machine is shared, and the least disturbed call is the one that says what the work costs.
Timing Time(int reps, const std::function<void()>& prepare, const std::function<void()>& fn) {
    std::vector<double> ms;
    std::size_t calls = 0;
    for (int r = 0; r < reps; ++r) {
        prepare();
        const std::size_t before = g_machine->Calls().size();
        const auto t0 = Clock::now();
        fn();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        calls = g_machine->Calls().size() - before;
    }
    return {*std::min_element(ms.begin(), ms.end()), calls};
}

// A fresh machine installed as the port; the old one goes first.
struct Port {
    std::unique_ptr<sim::Machine> m;
    sim::Machine& Fresh() {
        InstallApi(nullptr);
        m.reset();
        m = std::make_unique<sim::Machine>();
        InstallApi(m.get());
        g_machine = m.get();
        return *m;
    }
    ~Port() {
        InstallApi(nullptr);
        g_machine = nullptr;
    }
};

void Header(const char* title, const char* item) {
    std::printf("\n%s\n", title);
    std::printf("  %8s  %11s  %11s  %11s  %15s  %13s\n", item, "program ms", "ns per item",
                "calls/item", "replay ns/item", "program's own");
}

// One size: the program's time and port calls per item, the time per item of the same kind of
// port calls replayed in a plain loop, and the difference, which is what the program adds.
void Row(int n, const Timing& program, const Timing& replay) {
    const double perItem = program.ms * 1e6 / n;
    const double replayPerItem = replay.ms * 1e6 / n;
    std::printf("  %8d  %11.3f  %11.0f  %11.2f  %15.0f  %13.0f\n", n, program.ms, perItem,
                static_cast<double>(program.calls) / n, replayPerItem, perItem - replayPerItem);
}

// The port calls a registry walk makes, replayed in a plain loop: open the parent, then for each
// index enumerate the subkey, open it, read one value into a 256-byte buffer and close it.
void BareKeyWalk(const std::string& path, const char* valueName) {
    UniqueKey key;
    if (Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, key.put()) !=
        ERROR_SUCCESS)
        std::abort();
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        FILETIME t{};
        if (Api().RegEnumKeyExA(key.get(), i, name, &size, nullptr, nullptr, nullptr, &t) !=
            ERROR_SUCCESS)
            break;
        UniqueKey sub;
        if (Api().RegOpenKeyExA(key.get(), name, 0, KEY_ALL_ACCESS, sub.put()) != ERROR_SUCCESS)
            continue;
        BYTE value[256];
        DWORD type = 0, valueSize = sizeof value;
        Api().RegQueryValueExA(sub.get(), valueName, nullptr, &type, value, &valueSize);
    }
}

// The port calls a device scan makes, replayed: the set, then for each member what the scan does
// to read its hardware IDs. The NT scan asks for the size, takes a block of that size and reads
// into it; the 9x scan reads straight into one 256-byte block that serves every device.
void BareDeviceWalk(bool oneBlock) {
    UniqueDevInfo set(
        Api().SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
    UniqueLocal shared(oneBlock ? Api().LocalAlloc(LMEM_ZEROINIT, 256) : nullptr);
    SP_DEVINFO_DATA d{};
    d.cbSize = sizeof d;
    for (DWORD i = 0; Api().SetupDiEnumDeviceInfo(set.get(), i, &d); ++i) {
        DWORD type = 0, required = 0;
        if (oneBlock) {
            Api().SetupDiGetDeviceRegistryPropertyA(set.get(), &d, SPDRP_HARDWAREID, &type,
                                                    static_cast<BYTE*>(shared.get()), 256,
                                                    &required);
            continue;
        }
        Api().SetupDiGetDeviceRegistryPropertyA(set.get(), &d, SPDRP_HARDWAREID, &type, nullptr, 0,
                                                &required);
        UniqueLocal block(Api().LocalAlloc(LMEM_ZEROINIT, required));
        Api().SetupDiGetDeviceRegistryPropertyA(set.get(), &d, SPDRP_HARDWAREID, &type,
                                                static_cast<BYTE*>(block.get()), required,
                                                &required);
    }
}

void ProductRows() {
    ResetProgramState();
    CUninstApp& app = theApp;
    app.DevIDNum = 2;
    CopyField(app.DevTable[0].ID, "PCI\\VEN_1131&DEV_7133");
    CopyField(app.DevTable[0].Name, "Brelon Tunara Video Capture");
    CopyField(app.DevTable[1].ID, "PCI\\VEN_1131&DEV_7134");
    CopyField(app.DevTable[1].Name, "Brelon Tunara Audio Capture");
    app.ExtDevIDNum = 1;
    CopyField(app.ExtDevTable[0].ID, "STREAM\\PH");
    CopyField(app.ExtDevTable[0].Name, "Brelon Tunara Crossbar");
    CopyField(app.DrvUninstRegKeyName, kProductName);
    CopyField(app.DrvUninstRegKeyPath, "BrelonTunaraWDM");
    CopyField(app.MediaClass, "Yes");
}

int RepsFor(int n) {
    return n >= 10000 ? 3 : (n >= 1000 ? 5 : 21);
}

void InstalledCheck(const std::vector<int>& sizes) {
    Header("IsProductInstalled, the product's entry last", "entries");
    Port port;
    for (int n : sizes) {
        sim::Machine& m = port.Fresh();
        for (int i = 0; i < n; ++i) {
            const std::string name = i == n - 1 ? kProductName : "Other Program " + Padded(i);
            m.SetString(HKEY_LOCAL_MACHINE, kUninstall + "\\App" + Padded(i), "DisplayName", name);
        }
        int found = 0;
        const Timing program =
            Time(RepsFor(n), ProductRows, [&] { found = theApp.IsProductInstalled(); });
        if (found != 1) std::abort();
        const Timing bare = Time(
            RepsFor(n), [] {}, [] { BareKeyWalk(kUninstall, "DisplayName"); });
        Row(n, program, bare);
    }
}

void AddDevices(sim::Machine& m, int n) {
    // Other devices first, the product's capture, audio and crossbar devices last.
    for (int i = 0; i < n - 3; ++i) {
        char id[64];
        std::snprintf(id, sizeof id, "PCI\\VEN_%04X&DEV_%04X&SUBSYS_00000000&REV_01",
                      0x8000 + i / 0x100, i % 0x100);
        m.AddDevice(std::string(id) + "\\3&61AAA01&0&" + Padded(i), {id});
    }
    m.AddDevice("PCI\\VEN_1131&DEV_7133&SUBSYS_00021131&REV_01\\4&1&0&0010",
                {"PCI\\VEN_1131&DEV_7133&SUBSYS_00021131&REV_01"});
    m.AddDevice("PCI\\VEN_1131&DEV_7134&SUBSYS_00021131&REV_01\\4&1&0&0011",
                {"PCI\\VEN_1131&DEV_7134&SUBSYS_00021131&REV_01"});
    m.AddDevice("STREAM\\PHXBAR\\0000", {"STREAM\\PHXBAR#A"});
}

void Scans(const std::vector<int>& sizes) {
    struct Scan {
        const char* title;
        int (*fn)();
        bool oneBlock;
    };
    for (const Scan& scan : {Scan{"ScanDevicesNt, present devices", ScanDevicesNt, false},
                             Scan{"ScanDevicesWin9x, present devices", ScanDevicesWin9x, true}}) {
        Header(scan.title, "devices");
        Port port;
        for (int n : sizes) {
            sim::Machine& m = port.Fresh();
            AddDevices(m, n);
            int found = 0;
            const Timing program = Time(RepsFor(n), ProductRows, [&] { found = scan.fn(); });
            if (found != 2) std::abort();
            const Timing bare = Time(
                RepsFor(n), [] {}, [&] { BareDeviceWalk(scan.oneBlock); });
            Row(n, program, bare);
        }
    }
}

void ClassKeys(sim::Machine& m, const std::string& classKey, int n) {
    // Other drivers' keys, the product's two driver keys last and apart.
    for (int i = 0; i < n; ++i) {
        std::string desc = "Other Media Driver " + Padded(i);
        if (i == n - 3) desc = "Brelon Tunara Video Capture";
        if (i == n - 1) desc = "Brelon Tunara Audio Capture";
        m.SetString(HKEY_LOCAL_MACHINE, classKey + "\\" + Padded(i), "DriverDesc", desc);
    }
}

void Cleanups(const std::vector<int>& sizes) {
    struct Cleanup {
        const char* title;
        const std::string* classKey;
        DWORD platform, major, minor;
        int (*fn)();
    };
    for (const Cleanup& c :
         {Cleanup{"CleanRegistryNt, subkeys of the class key", &kNtMedia, VER_PLATFORM_WIN32_NT, 5,
                  1, [] { return CleanRegistryNt(); }},
          Cleanup{"CleanRegistryWin9x, subkeys of the MEDIA class key (two walks)", &k9xMedia,
                  VER_PLATFORM_WIN32_WINDOWS, 4, 10, [] { return CleanRegistryWin9x(); }}}) {
        Header(c.title, "subkeys");
        Port port;
        for (int n : sizes) {
            // The cleanup deletes the product's keys, so every timed call gets a machine of its
            // own, made before the clock starts.
            const Timing program = Time(
                RepsFor(n),
                [&] {
                    sim::Machine& m = port.Fresh();
                    m.SetVersion(c.platform, c.major, c.minor);
                    ClassKeys(m, *c.classKey, n);
                    ProductRows();
                },
                [&] { c.fn(); });
            if (port.m->KeyExists(HKEY_LOCAL_MACHINE, *c.classKey + "\\" + Padded(n - 1)))
                std::abort();
            const int walks = c.platform == VER_PLATFORM_WIN32_WINDOWS ? 2 : 1;
            const Timing bare = Time(
                RepsFor(n), [] {},
                [&] {
                    for (int w = 0; w < walks; ++w) BareKeyWalk(*c.classKey, "DriverDesc");
                });
            Row(n, program, bare);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes = {100, 1000, 10000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    }
    for (int n : sizes) {
        if (n < 4) {
            std::fprintf(stderr, "bench: sizes must be 4 or more\n");
            return 2;
        }
    }
    std::printf("Simulated machine; each figure the fastest of %d, %d or %d timed calls.\n",
                RepsFor(100), RepsFor(1000), RepsFor(10000));
    InstalledCheck(sizes);
    Scans(sizes);
    Cleanups(sizes);
    return 0;
}
