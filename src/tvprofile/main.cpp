// tvprofile: a support tool beside the uninstaller, on the same product library.
//   tvprofile check [--json] [FILE]
// FILE defaults to the profile the uninstaller reads: TVMuxDrv.ini in the Windows directory.
// On Windows the profile is read by the system's own profile reader, as the uninstaller reads it;
// the native build reads it with the simulated machine's.
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tvprofile/check.h"
#include "tvprofile/profile_probe.h"

#ifdef _WIN32
#include <filesystem>

#include "platform/win32/win32_api.h"
using Adapter = win32adapter::RealApi;
#else
#include "platform/sim/sim_machine.h"
using Adapter = sim::Machine;
#endif

namespace {

using Probe = tvprofile::ProfileProbe<Adapter>;

constexpr int kExitErrors = 2;

int Usage() {
    std::fputs(
        "usage: tvprofile check [--json] [FILE]\n"
        "  Reports what the uninstaller makes of a TVMuxDrv.ini profile (default: the one in the\n"
        "  Windows directory). Exit status 0: nothing found, 1: warnings only, 2: errors.\n",
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

int Check(Probe& probe, const std::vector<std::string>& args) {
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
    if (text) {
        UseProfile(probe, file, *text);
        findings = tvprofile::CheckProfile(*text, probe);
    } else {
        findings.push_back(
            {0, tvprofile::Severity::Error, "unreadable", "", "", "cannot read the file"});
    }
    const std::string report =
        json ? tvprofile::FormatJson(file, findings) : tvprofile::FormatText(file, findings);
    std::fputs(report.c_str(), stdout);
    return tvprofile::ExitCode(findings);
}

struct Command {
    const char* name;
    std::function<int(Probe&, const std::vector<std::string>&)> run;
};

}  // namespace

int main(int argc, char** argv) {
    const Command commands[] = {{"check", Check}};
    if (argc < 2) return Usage();
    const std::string name = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& c : commands) {
        if (name != c.name) continue;
        Probe probe;
        w32::InstallApi(&probe);
        const int status = c.run(probe, args);
        w32::InstallApi(nullptr);
        return status;
    }
    return Usage();
}
