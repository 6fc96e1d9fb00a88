#include "tvprofile/model_run.h"

#include <algorithm>
#include <set>

#include "platform/sim/sim_machine.h"
#include "tvprofile/plan.h"

namespace tvprofile {

namespace {

constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";
constexpr const char* kWindows = "C:\\WINDOWS";

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Padded(int n) {
    std::string digits = std::to_string(n);
    return std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
}

// The keys the machine was given that a removal would take; the own entry is not among them.
struct Given {
    std::vector<std::string> keys;
    std::string ownFile;
};

Given Build(sim::Machine& m, const std::string& profileBytes, int country,
            const UninstallProfile& p, const std::vector<std::string>& files, bool family9x) {
    Given given;
    m.SetWindowsDirectory(kWindows);
    if (family9x) {
        m.SetVersion(w32::VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222);
    } else {
        m.SetVersion(w32::VER_PLATFORM_WIN32_NT, 5, 1, 2600);
    }
    m.SetModuleFileName("C:\\tvu\\tvuninst.exe");
    m.WriteProfile(profileBytes);
    // The user's country, where each family keeps it.
    m.SetString(w32::HKEY_CURRENT_USER, "Control Panel\\International", "iCountry",
                std::to_string(country));
    m.WriteProfile("[intl]\r\niCountry=" + std::to_string(country) + "\r\n", "win.ini");
    const std::string entry =
        p.DrvUninstRegKeyPath[0] != '\0' ? p.DrvUninstRegKeyPath : "TvprofileModelEntry";
    m.SetString(w32::HKEY_LOCAL_MACHINE, kUninstallKey + entry, "DisplayName",
                p.DrvUninstRegKeyName);

    // The device class that MediaClass selects, as the product selects it.
    static_cast<UninstallProfile&>(theApp) = p;
    SelectClassKeyPath();
    const std::string classKey = ClassKeyPath;
    const std::string classGuid = classKey.substr(classKey.rfind('\\') + 1);
    int instance = 0;
    auto addDevices = [&](const DeviceEntry* rows, std::int32_t count) {
        for (int i = 0; i < RowsInUse(count); ++i) {
            if (rows[i].ID[0] == '\0') continue;
            const std::string driver = classGuid + "\\" + Padded(instance);
            m.AddDevice("TVPROFILE\\DEVICE" + std::to_string(instance) + "\\0", {rows[i].ID},
                        classGuid, driver);
            const std::string key = classKey + "\\" + Padded(instance);
            m.SetString(w32::HKEY_LOCAL_MACHINE, key, "DriverDesc", rows[i].Name);
            m.SetString(w32::HKEY_LOCAL_MACHINE, key, "InfPath", rows[i].INF);
            given.keys.push_back(key);
            ++instance;
        }
    };
    addDevices(p.DevTable, p.DevIDNum);
    addDevices(p.ExtDevTable, p.ExtDevIDNum);
    for (int i = 0; i < RowsInUse(p.UnInstServiceNum); ++i) {
        if (p.ServiceNames[i][0] == '\0') continue;
        const std::string key = kServicesKey + std::string(p.ServiceNames[i]);
        m.SetString(w32::HKEY_LOCAL_MACHINE, key, "DisplayName", p.ServiceNames[i]);
        given.keys.push_back(key);
    }
    for (const std::string& f : files) m.WriteFile(f);
    given.ownFile = Lower(std::string(kWindows) + "\\" + p.DrvUninstAppName);
    m.ScriptUser({sim::UserAction::ClickOk});
    return given;
}

}  // namespace

ModelOutcome RunOnModelMachine(const std::string& profileBytes, int country,
                               const UninstallProfile& loaded, bool family9x) {
    w32::Win32Api& previous = w32::Api();
    ModelOutcome out;
    // First without files, to learn which files the run looks for; then with them.
    std::vector<std::string> files;
    for (int pass = 0; pass < 2; ++pass) {
        sim::Machine m;
        const Given given = Build(m, profileBytes, country, loaded, files, family9x);
        const std::vector<std::string> before = m.FilesBelowWindows();
        w32::InstallApi(&m);
        PlanRun(m);
        w32::InstallApi(&previous);
        if (pass == 0) {
            files = FilesTouched(m);
            continue;
        }
        out.filesLookedFor = files;
        if (m.Dialogs().empty()) {
            out.stop = ModelOutcome::Stop::NotInstalled;
        } else if (m.MessageBoxes().empty()) {
            out.stop = ModelOutcome::Stop::DeviceCheck;
        }
        out.removedDevice = !m.RemovedDevices().empty();
        const std::vector<std::string> after = m.FilesBelowWindows();
        const std::set<std::string> left(after.begin(), after.end());
        for (const std::string& f : before)
            if (left.count(f) == 0 && Lower(f) != given.ownFile) out.removedFile = true;
        for (const std::string& f : m.PendingDeletes())
            if (Lower(f).find(given.ownFile) == std::string::npos) out.removedFile = true;
        for (const std::string& k : given.keys)
            if (!m.KeyExists(w32::HKEY_LOCAL_MACHINE, k)) out.removedKey = true;
    }
    return out;
}

}  // namespace tvprofile
