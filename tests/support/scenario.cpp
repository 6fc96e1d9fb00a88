#include "support/scenario.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "app/single_run.h"
#include "app/uninst_app.h"
#include "framework/afx.h"

namespace scenario {

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == Lower(prefix);
}

std::string TitleArg(const std::string& arg) {
    return arg == "(untitled)" ? std::string() : arg;
}

// "HKLM\A\B" as a root and the path below it.
std::pair<HKEY, std::string> ParseKeyPath(const std::string& text) {
    static const std::pair<const char*, HKEY> kRoots[] = {
        {"HKLM\\", HKEY_LOCAL_MACHINE},
        {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
        {"HKCU\\", HKEY_CURRENT_USER},
        {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
    };
    for (const auto& [prefix, root] : kRoots) {
        if (StartsWithNoCase(text, prefix)) return {root, text.substr(std::string(prefix).size())};
    }
    throw ScenarioError("key path without a known root: '" + text + "'");
}

std::string WindowsPath(const std::string& relative) {
    return std::string(kWindowsDir) + "\\" + relative;
}

// "C:\windows\inf\a.inf" -> "inf\a.inf"; empty when the path is not below the Windows folder.
std::string RelativeToWindows(const std::string& windowsPath) {
    const std::string prefix = std::string(kWindowsDir) + "\\";
    if (!StartsWithNoCase(windowsPath, prefix)) return "";
    return windowsPath.substr(prefix.size());
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Quote(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return "\"" + out + "\"";
}

void ListKeys(const sim::Machine& m, HKEY root, const std::string& path, const std::string& label,
              std::set<std::string>& out) {
    if (!m.KeyExists(root, path)) return;
    out.insert("key " + Lower(label));
    for (const std::string& sub : m.SubkeyNames(root, path)) {
        ListKeys(m, root, path + "\\" + sub, label + "\\" + sub, out);
    }
}

void ListFiles(const sim::Machine& m, const std::string& folder, std::set<std::string>& out) {
    const std::string wanted = Lower(folder);
    for (const std::string& path : m.FilesBelowWindows()) {
        const std::string relative = Lower(RelativeToWindows(path));
        if (relative.empty()) continue;
        const auto slash = relative.rfind('\\');
        const std::string parent = slash == std::string::npos ? "" : relative.substr(0, slash);
        if (parent == wanted) out.insert("file " + relative);
    }
}

RunResult EvaluateMade(const Scenario& s, const sim::Machine& m, const Prepared& made,
                       const std::vector<int>& exitCodes) {
    RunResult result;
    result.exitCodes = exitCodes;
    std::string codes;
    for (int code : exitCodes) codes += (codes.empty() ? "" : " ") + std::to_string(code);
    // The run's log: the default one, or the one a log-file line names (options moved it).
    std::string logPath = "Logs\\tvuninst.log";
    for (const std::string& line : s.expectations)
        if (line.rfind("log-file ", 0) == 0) logPath = Trim(line.substr(9));
    result.log = m.ReadFileText(WindowsPath(logPath));
    std::set<std::string> endState;
    for (const std::string& line : s.expectations) {
        const auto space = line.find(' ');
        const std::string verb = line.substr(0, space);
        const std::string arg = space == std::string::npos ? "" : Trim(line.substr(space + 1));
        if (arg.empty()) throw ScenarioError("check without an argument: '" + line + "'");
        CheckResult check{line, false, ""};
        if (verb == "absent-key" || verb == "present-key") {
            const auto [root, path] = ParseKeyPath(arg);
            const bool exists = m.KeyExists(root, path);
            check.passed = exists == (verb == "present-key");
            check.detail = exists ? "the key exists" : "the key does not exist";
        } else if (verb == "absent-file" || verb == "present-file") {
            const bool exists = m.FileExists(WindowsPath(arg));
            check.passed = exists == (verb == "present-file");
            check.detail = exists ? "the file exists" : "the file does not exist";
        } else if (verb == "process-ended" || verb == "process-running") {
            int running = 0, known = 0;
            for (const auto& [name, pid] : made.processes) {
                if (name != arg) continue;
                ++known;
                const sim::Process* p = m.FindProcess(pid);
                if (p != nullptr && p->running) ++running;
            }
            if (known == 0) throw ScenarioError("no process '" + arg + "' in scenario.txt");
            check.passed = verb == "process-running" ? running > 0 : running == 0;
            check.detail = std::to_string(running) + " of " + std::to_string(known) + " running";
        } else if (verb == "window-closed" || verb == "window-open") {
            int closed = 0, known = 0;
            for (const auto& [title, hwnd] : made.windows) {
                if (title != TitleArg(arg)) continue;
                ++known;
                const sim::TopLevelWindow* w = m.FindTopLevel(hwnd);
                if (w != nullptr && w->closed) ++closed;
            }
            if (known == 0) throw ScenarioError("no window '" + arg + "' in scenario.txt");
            check.passed = verb == "window-closed" ? closed > 0 : closed == 0;
            check.detail = std::to_string(closed) + " of " + std::to_string(known) + " closed";
        } else if (verb == "pending-delete") {
            const std::string wanted = Lower(WindowsPath(arg));
            check.detail = "scheduled:";
            for (const std::string& path : m.PendingDeletes()) {
                if (Lower(path) == wanted) check.passed = true;
                check.detail += " " + path;
            }
        } else if (verb == "driver-package" || verb == "no-driver-package") {
            int calls = 0;
            for (const sim::CallRecord& call : m.Calls())
                if (call.api == "SetupUninstallOEMInfA" && Lower(call.args) == Lower(arg) + "|0x1")
                    ++calls;
            check.passed = verb == "driver-package" ? calls == 1 : calls == 0;
            check.detail =
                std::to_string(calls) + " SetupUninstallOEMInfA calls with SUOI_FORCEDELETE";
        } else if (verb == "dialog" && arg == "centred") {
            // Within a pixel of the work area's centre, once WM_INITDIALOG was handled.
            const w32::RECT a = m.WorkArea();
            check.detail = "no dialog was shown";
            if (!m.Dialogs().empty()) {
                const w32::RECT& w = m.Dialogs()[0].afterInit;
                const long dx = (w.left + w.right) - (a.left + a.right);
                const long dy = (w.top + w.bottom) - (a.top + a.bottom);
                check.passed = dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2;
                check.detail = "the dialog's centre is off by " + std::to_string(dx / 2) + ", " +
                               std::to_string(dy / 2);
            }
        } else if (verb == "dialog") {
            if (arg != "shown" && arg != "not-shown") {
                throw ScenarioError("dialog takes shown, not-shown or centred: '" + line + "'");
            }
            const bool shown = !m.Dialogs().empty();
            check.passed = shown == (arg == "shown");
            check.detail = shown ? "a dialog was shown" : "no dialog was shown";
        } else if (verb == "message") {
            const std::string wanted = Unescape(arg);
            check.detail = "message boxes:";
            for (const sim::MessageBoxRecord& box : m.MessageBoxes()) {
                if (box.text == wanted) check.passed = true;
                check.detail += " " + Quote(box.text);
            }
        } else if (verb == "exit-code") {
            // One code per run, in order.
            check.passed = codes == arg;
            check.detail = "exit codes " + codes;
        } else if (verb == "seen") {
            if (arg != "nothing" && arg != "dialog-only")
                throw ScenarioError("seen takes nothing or dialog-only: '" + line + "'");
            const std::size_t dialogs = arg == "nothing" ? 0 : 1;
            check.passed = m.Dialogs().size() == dialogs && m.MessageBoxes().empty();
            check.detail = std::to_string(m.Dialogs().size()) + " dialogs, " +
                           std::to_string(m.MessageBoxes().size()) + " message boxes";
        } else if (verb == "log-file") {
            check.passed = m.FileExists(WindowsPath(arg));
            check.detail = check.passed ? "the log is there" : "no log there";
        } else if (verb == "log") {
            // A line of the log, letters compared without regard to case (Windows may give a
            // device's instance ID in capitals).
            check.passed =
                Lower(result.log).find("\r\n" + Lower(arg) + "\r\n") != std::string::npos;
            check.detail = "the log: " + Quote(result.log);
        } else if (verb == "same-data") {
            check.passed = m.ReadFileText(WindowsPath(arg)) == Data2m();
            check.detail = "the file changed";
        } else if (verb == "compare-key") {
            const auto [root, path] = ParseKeyPath(arg);
            const std::string label =
                (root == HKEY_LOCAL_MACHINE ? std::string("hklm\\") : std::string("hkcu\\")) + path;
            ListKeys(m, root, path, label, endState);
            continue;
        } else if (verb == "compare-dir") {
            ListFiles(m, arg, endState);
            continue;
        } else {
            throw ScenarioError("unknown check '" + verb + "'");
        }
        result.checks.push_back(std::move(check));
    }
    result.endState.assign(endState.begin(), endState.end());
    result.openHandles = m.OpenHandles();
    return result;
}

}  // namespace

fs::path SourceDir() {
    if (const char* env = std::getenv("TVU_SOURCE_DIR"); env != nullptr && env[0] != '\0') {
        return env;
    }
#ifdef TVU_DEFAULT_SOURCE_DIR
    return TVU_DEFAULT_SOURCE_DIR;
#else
    return fs::current_path();
#endif
}

std::vector<fs::path> ListScenarios(const fs::path& root) {
    std::vector<fs::path> folders;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root, ec)) {
        if (entry.is_directory() && fs::exists(entry.path() / "scenario.txt")) {
            folders.push_back(entry.path());
        }
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

RunResult Run(const Scenario& s, sim::Machine& machine) {
    const Prepared made = PrepareMachine(s, machine);
    // A first run's dialog holds nothing; a first run under way (an administrator's) holds the
    // lock, for as long as the scenario's own runs last.
    std::optional<SingleRunLock> first;
    if (s.anotherRun == "running")
        machine.AsAnotherProcess(sim::kSidAdministrator, true, [&] { first.emplace(); });
    std::vector<int> exitCodes;
    for (int run = 0; run < s.runs; ++run) {
        if (run > 0) machine.ScriptUser({s.user});
        const bool killed = run == 0 && !s.interruptApi.empty();
        if (killed) machine.CutPowerAt(s.interruptApi, s.interruptNth);
        ResetProgramState();
        const int exitCode = mfc::AfxWinMain();
        // A killed run leaves no exit code behind.
        if (killed) {
            machine.RestorePower();
        } else {
            exitCodes.push_back(exitCode);
        }
        if (run == 0 && !s.removeAfterFirstRun.empty())
            machine.RemovePath(std::string(kWindowsDir) + "\\" + s.removeAfterFirstRun);
    }
    return EvaluateMade(s, machine, made, exitCodes);
}

RunResult Evaluate(const Scenario& s, const sim::Machine& machine, const Prepared& made,
                   const std::vector<int>& exitCodes) {
    return EvaluateMade(s, machine, made, exitCodes);
}

RunResult Run(const Scenario& s) {
    sim::ScopedMachine machine;
    return Run(s, *machine);
}

std::string EndStateText(const RunResult& result) {
    std::string text;
    for (const std::string& line : result.endState) text += line + "\n";
    return text;
}

}  // namespace scenario
