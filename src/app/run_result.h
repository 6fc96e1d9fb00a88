// What a run did, as data: every action it took on the machine with its outcome, and how the run
// ended. The log, `tvprofile plan`, the completion message's extra line and the exit code are all
// read from here, in one vocabulary, so that a plan, a log and a result can be set side by side.
#pragma once

#include <string>
#include <vector>

#include "platform/win32_types.h"

// The actions, named as the log and the plan write them.
enum class Action {
    CloseWindow,             // close-window TITLE
    EndProcess,              // end-process IMAGE
    UninstallDriverPackage,  // uninstall-driver-package OEM_INF
    DeleteFile,              // delete-file PATH
    ScheduleDelete,          // schedule-delete PATH (deleted when Windows next starts)
    RemoveDevice,            // remove-device INSTANCE_ID
    DeleteKey,               // delete-key HKLM\PATH
};

enum class Outcome {
    Ok,
    NotFound,         // it was not there (a second request for the same key, a file already gone)
    KeptProtected,    // a file Windows protects, kept on purpose
    KeptReadOnly,     // the product's own uninstaller, kept on purpose when it is read-only
    KeptNotProducts,  // found by a looser rule, but not proved the product's: kept, with the reason
    Failed,           // it stayed; the error says why
};

struct ActionRecord {
    Action action;
    std::string target;
    Outcome outcome;
    w32::DWORD error = 0;  // the system's error code, for Failed
    std::string reason;    // why it was kept, for KeptNotProducts
};

// How a run ended; each end has its exit code.
enum class RunEnd {
    NotStarted,           // nothing decided yet
    NotInstalled,         // the product is not on the list of installed programs
    Cancelled,            // the user closed the dialog without starting the run
    NoDialog,             // the dialog could not be shown
    DeviceCheck,          // the devices present do not match the profile: nothing removed
    Completed,            // the removal ran to its end
    AlreadyRunning,       // another run of the uninstaller is under way
    BadCommandLine,       // an option the program does not know
    Usage,                // /? or /help
    NoNativeUninstaller,  // 64-bit Windows, and the 64-bit uninstaller could not be started
    HandedOver,           // the 64-bit uninstaller did the run; its exit code is the run's
};

// The exit codes, as the Windows Installer names them: deployment tools know these.
inline constexpr w32::DWORD kExitSuccess = 0;
inline constexpr w32::DWORD kExitRebootRequired = 3010;      // ERROR_SUCCESS_REBOOT_REQUIRED
inline constexpr w32::DWORD kExitUserCancelled = 1602;       // ERROR_INSTALL_USEREXIT
inline constexpr w32::DWORD kExitFailure = 1603;             // ERROR_INSTALL_FAILURE
inline constexpr w32::DWORD kExitDeviceNotConnected = 1167;  // ERROR_DEVICE_NOT_CONNECTED
inline constexpr w32::DWORD kExitAlreadyRunning = 1618;      // ERROR_INSTALL_ALREADY_RUNNING
inline constexpr w32::DWORD kExitBadCommandLine = 1639;      // ERROR_INVALID_COMMAND_LINE

struct RunResult {
    std::vector<ActionRecord> actions;
    RunEnd end = RunEnd::NotStarted;
    // The device check's counts, when it stopped the run.
    int devicesFound = 0;
    int devicesExpected = 0;
    // The run found the journal of an earlier run that did not finish, and did what it names
    // instead of the device check.
    bool resumed = false;
    // A journal found in the entry and not followed, and why (empty when none was).
    std::string journalDiscarded;
    // The devices present did not match the profile, and /disconnected let the run go on.
    bool deviceCheckPassedOver = false;
    bool restartNeeded = false;  // a device removal asked for a restart
    // Services whose keys the run deleted while the service control manager still ran them:
    // they stay loaded until Windows restarts.
    std::vector<std::string> servicesStillRunning;
    // The 64-bit uninstaller's exit code, for HandedOver.
    w32::DWORD handedOverExitCode = 0;
    // What the run noticed about where it runs (its lock, its window station, its hand-over,
    // its log), one log line each.
    std::vector<std::string> notes;

    void Record(Action action, std::string target, Outcome outcome, w32::DWORD error = 0,
                std::string reason = {});
    // The items the run names that stayed: removals that failed. A window that would not close
    // or a program that would not end is logged, but removes nothing by itself.
    int ItemsLeft() const;
    // Why the removal needs a restart to finish, in a few words each: a file deleted at the
    // next start, a device that asked for one, a service that still runs. None: no restart.
    std::vector<std::string> RestartReasons() const;
    w32::DWORD ExitCode() const;
};

const char* ActionName(Action action);
// "ok", "not found", "kept (protected)", "kept (not the product's): REASON",
// "failed (error 5: Access is denied.)".
std::string OutcomeText(const ActionRecord& record);
// "delete-file c:\windows\inf\oem3.inf ok".
std::string LogLine(const ActionRecord& record);
// "delete-file c:\windows\inf\oem3.inf": the plan's line, for an action that was carried out.
std::string PlanLine(const ActionRecord& record);
// What the run's exit code means for this run, in a few words.
std::string ExitCodeMeaning(const RunResult& result);
