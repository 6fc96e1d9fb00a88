// tvprofile: a support tool beside the uninstaller, on the same product library.
//   tvprofile check [--json] [FILE]
//   tvprofile plan [--machine DIR]
// check: FILE defaults to the profile the uninstaller reads, TVMuxDrv.ini in the Windows
// directory. On Windows the profile is read by the system's own profile reader, as the uninstaller
// reads it; the native build reads it with the simulated machine's.
// plan: the uninstaller's run on a simulated copy of a scenario folder's machine, or on Windows of
// the live machine, which is only read.
#include <cstdio>
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
#include <filesystem>

#include "platform/win32/win32_api.h"
#include "tvprofile/live_machine.h"
using Adapter = win32adapter::RealApi;
#else
using Adapter = sim::Machine;
#endif

namespace {

using Probe = tvprofile::ProfileProbe<Adapter>;

constexpr int kExitErrors = 2;

int Usage() {
    std::fputs(
        "usage: tvprofile check [--json] [FILE]\n"
        "       tvprofile plan [--machine DIR]\n"
        "  check: reports what the uninstaller makes of a TVMuxDrv.ini profile (default: the one\n"
        "  in the Windows directory). Exit status 0: nothing found, 1: warnings only, 2: errors.\n"
        "  plan: prints what a run would do, one action a line, in the run's order, when the user\n"
        "  presses OK; it changes nothing. DIR is a scenario folder (tests/e2e/scenarios/); on\n"
        "  Windows the default is this machine, which is only read.\n",
        stderr);
    return kExitErrors;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
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
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else if (file.empty()) {
            file = a;
        } else {
            return Usage();
        }
    }
    if (file.empty()) {
        char dir[260] = {};
        probe.GetWindowsDirectoryA(dir, sizeof dir);
        file = std::string(dir) + "\\TVMuxDrv.ini";
    }
    const auto text = ReadWholeFile(file);
    std::vector<tvprofile::Finding> findings;
    w32::InstallApi(&probe);
    if (text) {
        UseProfile(probe, file, *text);
        findings = tvprofile::CheckProfile(*text, probe);
    } else {
        findings.push_back(
            {0, tvprofile::Severity::Error, "unreadable", "", "", "cannot read the file"});
    }
    const std::string report =
        json ? tvprofile::FormatJson(file, findings) : tvprofile::FormatText(file, findings);
    w32::InstallApi(nullptr);
    std::fputs(report.c_str(), stdout);
    return tvprofile::ExitCode(findings);
}

void PrintPlan(const std::vector<std::string>& plan) {
    for (const std::string& line : plan) std::printf("%s\n", line.c_str());
}

#ifdef _WIN32
// The live machine, copied without the files, then with the files that a run on the copy named,
// until a run names no file that the copy lacks: which files matter is the run's own business.
int PlanLive() {
    std::set<std::string> files;
    for (int pass = 0; pass < 4; ++pass) {
        sim::Machine machine;
        if (const std::string error = tvprofile::CopyLiveMachine(machine); !error.empty()) {
            std::fprintf(stderr, "tvprofile plan: cannot read this machine: %s\n", error.c_str());
            return kExitErrors;
        }
        tvprofile::CopyLiveFiles(machine, {files.begin(), files.end()});
        machine.ScriptUser({sim::UserAction::ClickOk});
        w32::InstallApi(&machine);
        const std::vector<std::string> plan = tvprofile::PlanRun(machine);
        w32::InstallApi(nullptr);
        const std::size_t known = files.size();
        for (const std::string& f : tvprofile::FilesTouched(machine)) files.insert(f);
        if (files.size() == known) {
            PrintPlan(plan);
            return 0;
        }
    }
    std::fputs("tvprofile plan: the run's files did not settle\n", stderr);
    return kExitErrors;
}
#endif

int Plan(const std::vector<std::string>& args) {
    std::optional<std::string> folder;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--machine" && i + 1 < args.size() && !folder) {
            folder = args[++i];
        } else {
            return Usage();
        }
    }
#ifdef _WIN32
    if (!folder) return PlanLive();
#endif
    sim::Machine machine;
    if (folder) {
        try {
            scenario::Scenario s = scenario::Load(*folder);
            // The run previewed is the one that removes: the exe native to the machine, which the
            // 32-bit one hands over to on 64-bit Windows, and the user pressing OK.
            s.onlyX86 = false;
            s.user = sim::UserAction::ClickOk;
            scenario::PrepareMachine(s, machine);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tvprofile plan: %s: %s\n", folder->c_str(), e.what());
            return kExitErrors;
        }
    } else {
        std::fputs("tvprofile plan: no machine here; give a scenario folder with --machine DIR\n",
                   stderr);
        return kExitErrors;
    }
    w32::InstallApi(&machine);
    const std::vector<std::string> plan = tvprofile::PlanRun(machine);
    w32::InstallApi(nullptr);
    PrintPlan(plan);
    return 0;
}

struct Command {
    const char* name;
    std::function<int(const std::vector<std::string>&)> run;
};

}  // namespace

int main(int argc, char** argv) {
    const Command commands[] = {{"check", Check}, {"plan", Plan}};
    if (argc < 2) return Usage();
    const std::string name = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& c : commands) {
        if (name == c.name) return c.run(args);
    }
    return Usage();
}
