#include "tvprofile/plan.h"

#include <cstdlib>
#include <set>

#include "app/uninst_app.h"
#include "framework/afx.h"

namespace tvprofile {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The call log joins a call's arguments with '|'; the last `count` of them are the fields that
// cannot hold one (numbers, flags), so splitting from the right keeps a text with '|' whole.
std::vector<std::string> SplitRight(const std::string& args, int count) {
    std::vector<std::string> fields;
    std::string rest = args;
    for (int i = 0; i < count; ++i) {
        const auto bar = rest.rfind('|');
        if (bar == std::string::npos) break;
        fields.insert(fields.begin(), rest.substr(bar + 1));
        rest.erase(bar);
    }
    fields.insert(fields.begin(), rest);
    return fields;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c != '\r') {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::vector<std::string> PlanRun(sim::Machine& machine) {
    // The plan is always the interactive run with OK pressed, whatever options a folder gives.
    machine.SetCommandLine("");
    ResetProgramState();
    mfc::AfxWinMain();
    std::vector<std::string> plan = PlanFromResult(theApp.LastResult());
    ResetProgramState();
    return plan;
}

std::vector<std::string> PlanFromResult(const RunResult& result) {
    std::vector<std::string> plan;
    for (const ActionRecord& record : result.actions) {
        // The request to close the companion is the step, whether or not its program answers;
        // every other action counts only where it was carried out.
        if (record.outcome == Outcome::Ok || record.action == Action::CloseWindow)
            plan.push_back(PlanLine(record));
    }
    switch (result.end) {
        case RunEnd::Completed:
            plan.push_back("message " + Escape(theApp.CompletionMessage(result)));
            break;
        case RunEnd::NotInstalled:
            plan.push_back(std::string("stop not-installed: ") + Escape(theApp.UnInstNoRegKeyMsg));
            break;
        case RunEnd::DeviceCheck:
            plan.push_back("stop device-check: " + std::to_string(result.devicesFound) + " of " +
                           std::to_string(result.devicesExpected) +
                           " devices found; the dialog closes, nothing is removed, and the user "
                           "reads: " +
                           Escape(theApp.UnInstDevMissingMsg));
            break;
        default:
            plan.push_back("stop " + ExitCodeMeaning(result));
            break;
    }
    return plan;
}

std::vector<std::string> FilesTouched(const sim::Machine& machine) {
    const std::string prefix = Lower(machine.WindowsDirectory()) + "\\";
    std::set<std::string> files;
    for (const sim::CallRecord& call : machine.Calls()) {
        // The run's own log is written by the run, not found on the machine.
        if (call.api == "CreateDirectoryA" || call.api == "CreateFileA") continue;
        if (call.api == "SetupUninstallOEMInfA") {
            const std::string inf = SplitRight(call.args, 1)[0];
            const std::string base = inf.substr(0, inf.rfind('.'));
            files.insert(Lower(prefix + "inf\\" + inf));
            files.insert(Lower(prefix + "inf\\" + base + ".pnf"));
            continue;
        }
        std::size_t at = 0;
        while (at <= call.args.size()) {
            std::size_t bar = call.args.find('|', at);
            if (bar == std::string::npos) bar = call.args.size();
            const std::string field = Lower(call.args.substr(at, bar - at));
            if (field.size() > prefix.size() && field.compare(0, prefix.size(), prefix) == 0)
                files.insert(field);
            at = bar + 1;
        }
    }
    return {files.begin(), files.end()};
}

}  // namespace tvprofile
