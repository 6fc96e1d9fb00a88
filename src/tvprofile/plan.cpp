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

// The path of the entry that a write of WININIT.INI's [rename] section added: the last "NUL=" line.
std::string LastRenameDelete(const std::string& lines) {
    std::string found;
    std::size_t at = 0;
    while (at < lines.size()) {
        std::size_t end = lines.find("\r\n", at);
        if (end == std::string::npos) end = lines.size();
        const std::string line = lines.substr(at, end - at);
        if (line.size() > 4 && Lower(line.substr(0, 4)) == "nul=") found = line.substr(4);
        at = end + 2;
    }
    return found;
}

}  // namespace

std::vector<std::string> PlanRun(sim::Machine& machine) {
    ResetProgramState();
    mfc::AfxWinMain();
    std::vector<std::string> plan = PlanFromCalls(machine);
    ResetProgramState();
    return plan;
}

std::vector<std::string> PlanFromCalls(const sim::Machine& machine) {
    std::vector<std::string> plan;
    bool completed = false;
    for (const sim::CallRecord& call : machine.Calls()) {
        const std::string& api = call.api;
        if (api == "SendMessageTimeoutA") {
            // The run asks the window to close whether or not its program still answers.
            const auto f = SplitRight(call.args, 3);
            if (f.size() == 4 && f[0].rfind("window ", 0) == 0 &&
                std::strtoul(f[1].c_str(), nullptr, 16) == w32::WM_CLOSE) {
                plan.push_back("close-window " + f[0].substr(7));
            }
        } else if (api == "TerminateProcess" && call.result != 0) {
            const auto f = SplitRight(call.args, 1);
            if (f[0].rfind("process ", 0) != 0) continue;
            const auto pid = static_cast<w32::DWORD>(std::strtoul(f[0].c_str() + 8, nullptr, 10));
            const sim::Process* p = machine.FindProcess(pid);
            plan.push_back("end-process " + (p != nullptr ? p->exeFile : f[0]));
        } else if (api == "SetupUninstallOEMInfA" && call.result != 0) {
            plan.push_back("uninstall-driver-package " + SplitRight(call.args, 1)[0]);
        } else if (api == "DeleteFileA" && call.result != 0) {
            plan.push_back("delete-file " + call.args);
        } else if (api == "MoveFileExA" && call.result != 0) {
            const auto f = SplitRight(call.args, 2);
            if (f.size() == 3 &&
                (std::strtoul(f[2].c_str(), nullptr, 16) & w32::MOVEFILE_DELAY_UNTIL_REBOOT) != 0)
                plan.push_back("schedule-delete " + f[0]);
        } else if (api == "WritePrivateProfileSectionA" && call.result != 0) {
            const auto bar = call.args.find('|');
            const auto last = call.args.rfind('|');
            if (bar == std::string::npos || last == bar) continue;
            if (Lower(call.args.substr(0, bar)) != "rename" ||
                Lower(call.args.substr(last + 1)) != "wininit.ini") {
                continue;
            }
            const std::string path = LastRenameDelete(call.args.substr(bar + 1, last - bar - 1));
            if (!path.empty()) plan.push_back("schedule-delete " + path);
        } else if (api == "SetupDiRemoveDevice" && call.result != 0) {
            plan.push_back("remove-device " + call.args);
        } else if ((api == "RegDeleteKeyA" || api == "SHDeleteKeyA") && call.result == 0) {
            plan.push_back("delete-key " + call.args);
        } else if (api == "RegDeleteKeyExA" && call.result == 0) {
            // The key and its view flag; the RegDeleteTreeA that emptied it first is this key's
            // delete too.
            plan.push_back("delete-key " + SplitRight(call.args, 1)[0]);
        } else if (api == "MessageBoxA") {
            const std::string text = Escape(SplitRight(call.args, 2)[0]);
            if (machine.Dialogs().empty()) {
                plan.push_back("stop not-installed: " + text);
            } else {
                plan.push_back("message " + text);
                completed = true;
            }
        }
    }
    // With OK pressed, a dialog that closes without its completion message has found the
    // product's devices other than the profile counts them.
    if (!machine.Dialogs().empty() && !completed) {
        plan.push_back(
            "stop device-check: the devices present do not match the profile; the dialog closes "
            "and nothing more is removed");
    }
    return plan;
}

std::vector<std::string> FilesTouched(const sim::Machine& machine) {
    const std::string prefix = Lower(machine.WindowsDirectory()) + "\\";
    std::set<std::string> files;
    for (const sim::CallRecord& call : machine.Calls()) {
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
