#include "app/run_result.h"

#include "platform/port.h"

using namespace w32;

namespace {

// The system's text for an error code, on one line; empty when it has none.
std::string SystemErrorText(DWORD error) {
    char text[256];
    const DWORD length =
        Api().FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, text, sizeof text, nullptr);
    std::string line(text, length < sizeof text ? length : 0);
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

bool RemovesSomething(Action action) {
    return action != Action::CloseWindow && action != Action::EndProcess;
}

}  // namespace

void RunResult::Record(Action action, std::string target, Outcome outcome, DWORD error,
                       std::string reason) {
    actions.push_back(ActionRecord{action, std::move(target), outcome, error, std::move(reason)});
}

int RunResult::ItemsLeft() const {
    int left = 0;
    for (const ActionRecord& r : actions)
        if (r.outcome == Outcome::Failed && RemovesSomething(r.action)) ++left;
    return left;
}

std::vector<std::string> RunResult::RestartReasons() const {
    std::vector<std::string> reasons;
    for (const ActionRecord& r : actions) {
        if (r.action == Action::ScheduleDelete && r.outcome == Outcome::Ok)
            reasons.push_back(r.target + " is deleted at the next start");
    }
    if (restartNeeded) reasons.push_back("a removed device asked for a restart");
    for (const std::string& service : servicesStillRunning)
        reasons.push_back("service " + service + " still runs");
    return reasons;
}

DWORD RunResult::ExitCode() const {
    switch (end) {
        case RunEnd::NotInstalled:
        case RunEnd::Usage:
            return kExitSuccess;
        case RunEnd::Cancelled:
            return kExitUserCancelled;
        case RunEnd::Completed:
            if (ItemsLeft() > 0) return kExitFailure;
            return RestartReasons().empty() ? kExitSuccess : kExitRebootRequired;
        case RunEnd::AlreadyRunning:
            return kExitAlreadyRunning;
        case RunEnd::BadCommandLine:
            return kExitBadCommandLine;
        case RunEnd::HandedOver:
            return handedOverExitCode;
        case RunEnd::NotStarted:
        case RunEnd::DeviceCheck:
            return kExitDeviceNotConnected;
        case RunEnd::NoDialog:
        case RunEnd::NoNativeUninstaller:
            return kExitFailure;
    }
    return kExitFailure;
}

const char* ActionName(Action action) {
    switch (action) {
        case Action::CloseWindow:
            return "close-window";
        case Action::EndProcess:
            return "end-process";
        case Action::UninstallDriverPackage:
            return "uninstall-driver-package";
        case Action::DeleteFile:
            return "delete-file";
        case Action::ScheduleDelete:
            return "schedule-delete";
        case Action::RemoveDevice:
            return "remove-device";
        case Action::DeleteKey:
            return "delete-key";
    }
    return "?";
}

std::string OutcomeText(const ActionRecord& record) {
    switch (record.outcome) {
        case Outcome::Ok:
            return "ok";
        case Outcome::NotFound:
            return "not found";
        case Outcome::KeptProtected:
            return "kept (protected)";
        case Outcome::KeptReadOnly:
            return "kept (read-only)";
        case Outcome::KeptNotProducts:
            return std::string("kept (not the product's)") +
                   (record.reason.empty() ? "" : ": " + record.reason);
        case Outcome::Failed:
            break;
    }
    const std::string text = SystemErrorText(record.error);
    return "failed (error " + std::to_string(record.error) + (text.empty() ? "" : ": " + text) +
           ")";
}

std::string PlanLine(const ActionRecord& record) {
    return std::string(ActionName(record.action)) + " " + record.target;
}

std::string LogLine(const ActionRecord& record) {
    return PlanLine(record) + " " + OutcomeText(record);
}

std::string ExitCodeMeaning(const RunResult& result) {
    switch (result.end) {
        case RunEnd::NotStarted:
            return "the run did not start";
        case RunEnd::NotInstalled:
            return "the product is not installed: nothing to do";
        case RunEnd::Cancelled:
            return "cancelled by the user: nothing removed";
        case RunEnd::NoDialog:
            return "the dialog could not be shown: nothing removed";
        case RunEnd::DeviceCheck:
            return "not all of the product's devices were found: nothing removed (connect them "
                   "and run again, or pass /disconnected)";
        case RunEnd::Completed:
            if (result.ItemsLeft() > 0)
                return std::to_string(result.ItemsLeft()) + " item(s) could not be removed";
            return result.RestartReasons().empty() ? "removed; no restart needed"
                                                   : "removed; restart Windows to finish";
        case RunEnd::AlreadyRunning:
            return "another run of the uninstaller is under way: nothing removed";
        case RunEnd::BadCommandLine:
            return "bad command line: nothing removed";
        case RunEnd::Usage:
            return "usage shown: nothing removed";
        case RunEnd::NoNativeUninstaller:
            return "the 64-bit uninstaller could not be started: nothing removed";
        case RunEnd::HandedOver:
            return "the exit code of the 64-bit uninstaller";
    }
    return "";
}
