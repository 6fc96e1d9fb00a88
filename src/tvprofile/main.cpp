// tvprofile: a support tool beside the uninstaller, on the same product library.
//   tvprofile check [--json] [FILE]
//   tvprofile plan [--machine DIR] [--country N]
// check: FILE defaults to the profile the uninstaller reads, TVMuxDrv.ini in the Windows
// directory. On Windows the profile is read by the system's own profile reader, as the uninstaller
// reads it; the native build reads it with the simulated machine's.
// plan: the uninstaller's run on a simulated copy of a scenario folder's machine, or on Windows of
// the live machine, which is only read.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/scenario_folder.h"
#include "platform/sim/sim_machine.h"
#include "tvprofile/check.h"
#include "tvprofile/plan.h"
#include "tvprofile/profile_probe.h"

#ifdef _WIN32
#include "platform/win32/win32_api.h"
#include "tvprofile/live_machine.h"
using Adapter = win32adapter::RealApi;
#else
using Adapter = sim::Machine;
#endif

namespace {

using Probe = tvprofile::ProfileProbe<Adapter>;

constexpr int kExitErrors = 2;
constexpr int kExitRunStops = 3;

constexpr const char* kUsage =
    "usage: tvprofile check [--json] [FILE]\n"
    "       tvprofile plan [--machine DIR] [--country N]\n"
    "       tvprofile --help | --version\n"
    "  check: reports what the uninstaller makes of a TVMuxDrv.ini profile (default: the one\n"
    "  in the Windows directory). Exit status 0: nothing found, 1: warnings only, 2: errors\n"
    "  (or FILE cannot be read).\n"
    "  plan: prints what a run would do, one action a line, in the run's order, when the user\n"
    "  presses OK; it changes nothing. DIR is a folder with TVMuxDrv.ini and machine.reg (a\n"
    "  regedit export) and optionally scenario.txt and files.txt (tests/e2e/scenarios/); on\n"
    "  Windows the default is this machine, which is only read. --country N: the run of a user\n"
    "  whose country code is N. Exit status 0: the run goes through, 3: it stops (stop\n"
    "  not-installed, stop device-check), 2: the machine or folder cannot be read.\n";

// What is wrong with the command line, then the usage, on standard error.
int Misuse(const std::string& what) {
    std::fprintf(stderr, "tvprofile: %s\n%s", what.c_str(), kUsage);
    return kExitErrors;
}

bool IsHelp(const std::string& a) {
    return a == "--help" || a == "-h" || a == "help";
}

// "--name VALUE" or "--name=VALUE" at args[i]; i is left on the last argument taken.
std::optional<std::string> OptionValue(const std::vector<std::string>& args, std::size_t& i,
                                       const std::string& name) {
    if (args[i].rfind(name + "=", 0) == 0) return args[i].substr(name.size() + 1);
    if (args[i] == name && i + 1 < args.size()) return args[++i];
    return std::nullopt;
}

// The whole file, or why it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* why = nullptr) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        if (why != nullptr) *why = "is a directory, not a profile file";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in || in.bad()) {
        if (why != nullptr) *why = "cannot be read";
        return std::nullopt;
    }
    return text.str();
}

void Write(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// Points the probe's profile reads at the file whose text was read from path.
void UseProfile(Probe& probe, const std::string& path, const std::string& text) {
#ifdef _WIN32
    // The system reads a name without a folder from the Windows directory; a full path reads
    // exactly the file that was named.
    (void)text;
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    probe.profileFile = ec ? path : full.string();
#else
    // The simulated machine reads profiles from its own Windows folder.
    (void)path;
    probe.WriteProfile(text);
    probe.profileFile = "TVMuxDrv.ini";
#endif
}

int Check(const std::vector<std::string>& args) {
    Probe probe;
    bool json = false;
    std::string file;
    for (const std::string& a : args) {
        if (a == "--json") {
            json = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return Misuse("unknown option " + a);
        } else if (file.empty()) {
            file = a;
        } else {
            return Misuse("check takes one FILE, not also " + a);
        }
    }
    if (file.empty()) {
#ifdef _WIN32
        char dir[260] = {};
        probe.GetWindowsDirectoryA(dir, sizeof dir);
        file = std::string(dir) + "\\TVMuxDrv.ini";
#else
        return Misuse(
            "check needs FILE here: this is no Windows machine, so there is no "
            "TVMuxDrv.ini in a Windows directory to check");
#endif
    }
    std::string why;
    const auto text = ReadWholeFile(file, &why);
    std::vector<tvprofile::Finding> findings;
    w32::InstallApi(&probe);
    if (text) {
        UseProfile(probe, file, *text);
        findings = tvprofile::CheckProfile(*text, probe);
    } else {
        findings.push_back(
            {0, tvprofile::Severity::Error, "unreadable", "", "", "the file " + why});
    }
    const std::string report =
        json ? tvprofile::FormatJson(file, findings) : tvprofile::FormatText(file, findings);
    w32::InstallApi(nullptr);
    Write(report);
    return tvprofile::ExitCode(findings);
}

// The run of a user whose country code is this: the registry's value on the NT family from
// version 5, win.ini's on the others.
void SetCountry(sim::Machine& machine, std::optional<int> country) {
    if (!country) return;
    const std::string code = std::to_string(*country);
    machine.SetString(w32::HKEY_CURRENT_USER, "Control Panel\\International", "iCountry", code);
    const std::string intl = "iCountry=" + code + std::string(2, '\0');
    machine.WritePrivateProfileSectionA("intl", intl.c_str(), "win.ini");
}

// 0 for a run that goes through, 3 for one that stops.
int PlanExit(const std::vector<std::string>& plan) {
    return !plan.empty() && plan.back().rfind("stop ", 0) == 0 ? kExitRunStops : 0;
}

void PrintPlan(const std::vector<std::string>& plan) {
    for (const std::string& line : plan) Write(tvprofile::PrintableText(line) + "\n");
}

#ifdef _WIN32
// The live machine, copied without the files, then with the files that a run on the copy named,
// until a run names no file that the copy lacks: which files matter is the run's own business.
int PlanLive(std::optional<int> country) {
    // Its copy of the machine would hold the 32-bit registry view's keys and SysWOW64's files:
    // a plan that looks right and is not the run's.
    if (tvprofile::RunsUnderWow64()) {
        std::fputs(
            "tvprofile plan: this 32-bit tvprofile.exe runs on 64-bit Windows, where it sees "
            "the registry's 32-bit view and SysWOW64 instead of system32, not what the "
            "uninstaller works on; run tvprofile64.exe plan\n",
            stderr);
        return kExitErrors;
    }
    std::set<std::string> files;
    for (int pass = 0; pass < 4; ++pass) {
        sim::Machine machine;
        if (const std::string error = tvprofile::CopyLiveMachine(machine); !error.empty()) {
            std::fprintf(stderr, "tvprofile plan: cannot read this machine: %s\n", error.c_str());
            return kExitErrors;
        }
        tvprofile::CopyLiveFiles(machine, {files.begin(), files.end()});
        SetCountry(machine, country);
        machine.ScriptUser({sim::UserAction::ClickOk});
        w32::InstallApi(&machine);
        const std::vector<std::string> plan = tvprofile::PlanRun(machine);
        w32::InstallApi(nullptr);
        const std::size_t known = files.size();
        for (const std::string& f : tvprofile::FilesTouched(machine)) files.insert(f);
        if (files.size() == known) {
            PrintPlan(plan);
            return PlanExit(plan);
        }
    }
    std::fputs("tvprofile plan: the run's files did not settle\n", stderr);
    return kExitErrors;
}
#endif

// A folder's file, or nothing when it is absent (said in one line).
std::optional<std::string> FolderFile(const std::filesystem::path& folder, const char* name,
                                      const char* absent) {
    std::error_code ec;
    if (!std::filesystem::exists(folder / name, ec)) {
        std::fprintf(stderr, "tvprofile plan: %s has no %s: %s\n", folder.string().c_str(), name,
                     absent);
        return std::nullopt;
    }
    return ReadWholeFile((folder / name).string());
}

// The machine of a folder: a scenario folder, or the two files a support engineer collects
// from a customer's PC (TVMuxDrv.ini and a regedit export of the product's keys).
void PrepareFolder(const std::filesystem::path& folder, sim::Machine& machine) {
    scenario::Scenario s;
    std::error_code ec;
    if (std::filesystem::exists(folder / "scenario.txt", ec)) {
        s = scenario::Load(folder);
    } else {
        if (!std::filesystem::is_directory(folder, ec))
            throw scenario::ScenarioError("not a folder");
        s.name = folder.filename().string();
    }
    s.profile = FolderFile(folder, "TVMuxDrv.ini", "the run takes every key's built-in default");
    s.machineReg =
        FolderFile(folder, "machine.reg", "the machine has none of the product's registry keys");
    // The run previewed is the one that removes: the exe native to the machine, which the
    // 32-bit one hands over to on 64-bit Windows, and the user pressing OK.
    s.onlyX86 = false;
    s.user = sim::UserAction::ClickOk;
    // Nor the options a deployment tool passes: /disconnected would take the run past the
    // device check that the plan shows stopping it.
    s.arguments.clear();
    scenario::PrepareMachine(s, machine);
}

int Plan(const std::vector<std::string>& args) {
    std::optional<std::string> folder;
    std::optional<int> country;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (const auto dir = OptionValue(args, i, "--machine"); dir && !folder) {
            folder = *dir;
        } else if (const auto code = OptionValue(args, i, "--country"); code && !country) {
            char* end = nullptr;
            const long n = std::strtol(code->c_str(), &end, 10);
            if (code->empty() || *end != '\0' || n < 0 || n > 99999)
                return Misuse("--country takes a country code such as 49, not " + *code);
            country = static_cast<int>(n);
        } else if (args[i] == "--machine" || args[i] == "--country") {
            return Misuse(args[i] + " needs a value");
        } else {
            return Misuse((args[i].rfind('-', 0) == 0 ? "unknown option " : "unexpected ") +
                          args[i]);
        }
    }
#ifdef _WIN32
    if (!folder) return PlanLive(country);
#endif
    if (!folder) {
        std::fputs("tvprofile plan: no machine here; give a folder with --machine DIR\n", stderr);
        return kExitErrors;
    }
    sim::Machine machine;
    try {
        PrepareFolder(*folder, machine);
    } catch (const sim::RegFileError& e) {
        std::fprintf(stderr, "tvprofile plan: %s:%d: %s\n",
                     (std::filesystem::path(*folder) / "machine.reg").string().c_str(), e.line,
                     e.why.c_str());
        return kExitErrors;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tvprofile plan: %s: %s\n", folder->c_str(), e.what());
        return kExitErrors;
    }
    SetCountry(machine, country);
    w32::InstallApi(&machine);
    const std::vector<std::string> plan = tvprofile::PlanRun(machine);
    w32::InstallApi(nullptr);
    PrintPlan(plan);
    return PlanExit(plan);
}

struct Command {
    const char* name;
    std::function<int(const std::vector<std::string>&)> run;
};

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    tvprofile::UseUtf8Console();
#endif
    const Command commands[] = {{"check", Check}, {"plan", Plan}};
    if (argc < 2) return Misuse("give a command");
    const std::string name = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const std::string& a : std::vector<std::string>(argv + 1, argv + argc)) {
        if (IsHelp(a)) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    if (name == "--version") {
        std::printf("tvprofile %s\n", TVU_VERSION);
        return 0;
    }
    for (const Command& c : commands) {
        if (name == c.name) return c.run(args);
    }
    return Misuse((name.rfind('-', 0) == 0 ? "unknown option " : "unknown command ") + name);
}
