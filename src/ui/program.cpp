#include "ui/program.h"

#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/companion.h"
#include "app/single_run.h"
#include "app/uninst_app.h"
#include "app/windows_version.h"
#include "app/wow64.h"
#include "nt/nt_removal.h"
#include "ui/uninst_dlg.h"
#include "win9x/enum_keys.h"

namespace {

constexpr const char* kAlreadyRunningText =
    "The uninstaller is already running. Please wait until it has finished.";

// A message box, unless the run is silent or passive: nobody would see it, or nobody would be
// there to answer it, and it would wait for ever.
void Tell(const CUninstApp& app, const std::string& text, UINT type) {
    if (!app.Options().ShowsMessages()) return;
    Api().MessageBoxA(nullptr, text.c_str(), app.UnInstDrvAppTitle, MB_OK | type);
}

RunResult Ended(RunEnd end) {
    RunResult result;
    result.end = end;
    return result;
}

// The window station of this process is one nobody sees. Where that cannot be asked (the 9x
// family has no window stations), it is taken to be the user's own.
bool WindowStationIsVisible() {
    const HWINSTA station = Api().GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (station == nullptr ||
        Api().GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed) == FALSE)
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

// The one-run lock, then the installed check: a run that had to wait for the lock may find the
// product already removed by the run that held it. Nothing when the run ends here.
std::optional<SingleRunLock> TakeLock(CUninstApp& app) {
    std::optional<SingleRunLock> lock(std::in_place);
    for (const std::string& note : lock->Notes()) app.Note(note);
    if (lock->AnotherRunHoldsIt()) {
        Tell(app, kAlreadyRunningText, MB_ICONWARNING);
        app.EndRun(Ended(RunEnd::AlreadyRunning));
        return std::nullopt;
    }
    if (app.IsProductInstalled() == 0) {
        Tell(app, app.UnInstNoRegKeyMsg, MB_ICONWARNING);
        app.EndRun(Ended(RunEnd::NotInstalled));
        return std::nullopt;
    }
    return lock;
}

void RunRemoval(RemovalRun& run, HWND ownWindow) {
    CloseCompanionWindow(run, ownWindow);
    if (IsWin9xFamily()) {
        RunWin9xRemoval(run);
    } else {
        RunNtRemoval(run);
    }
}

BOOL CUninstApp::InitInstance() {
    // A missing floppy or a failing disk must not put up a system error box that an unattended
    // run would wait on for ever; the program's own calls report such errors to it instead.
    Api().SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    Api().InitCommonControls();
    mfc::CWinApp::InitInstance();
    CommandLine parsed = ParseCommandLine(Api().GetCommandLineA());
    // A run as a service, or in session 0, has a window station nobody sees: a dialog there
    // would wait for ever (a deployment command typed without /S, a startup script).
    if (!parsed.silent && !WindowStationIsVisible()) {
        parsed.silent = true;
        Note(
            "window station: not visible (a service's or session 0's): the run goes on as with /S");
    }
    SetOptions(parsed);
    LoadProfile();
    const CommandLine& options = Options();
    if (!options.badOption.empty()) {
        Tell(*this, "Bad option: " + options.badOption + "\n\n" + UsageText(), MB_ICONWARNING);
        EndRun(Ended(RunEnd::BadCommandLine));
        return FALSE;
    }
    if (options.help) {
        Tell(*this, UsageText(), MB_ICONINFORMATION);
        EndRun(Ended(RunEnd::Usage));
        return FALSE;
    }
    // A 32-bit process on 64-bit Windows would see the 32-bit registry view and SysWOW64 and may
    // not remove devices: its run would be partial. The 64-bit build does the run, and takes the
    // one-run lock itself, so this process holds nothing that would make it a second run.
    if (RunsUnderWow64()) {
        const HandOver handOver = RunNativeUninstaller(options.arguments);
        for (const std::string& note : handOver.notes) Note(note);
        if (!handOver.exitCode) {
            if (!handOver.notTwin.empty()) {
                Note(std::string(kNativeUninstallerName) + " not started: " + handOver.notTwin);
                Tell(*this,
                     std::string("The 64-bit uninstaller beside this program, ") +
                         kNativeUninstallerName + ", is not the one that came with it (" +
                         handOver.notTwin +
                         "), so it was not started.\n\nPlease use both files from one package.",
                     MB_ICONWARNING);
            } else if (options.ShowsMessages()) {
                TellToRunNativeUninstaller(UnInstDrvAppTitle);
            }
            EndRun(Ended(RunEnd::NoNativeUninstaller));
            return FALSE;
        }
        RunResult handedOver = Ended(RunEnd::HandedOver);
        handedOver.handedOverExitCode = *handOver.exitCode;
        EndRun(handedOver);
        return FALSE;
    }
    if (options.silent) {
        // As if OK had been pressed, with nothing to show it on.
        const std::optional<SingleRunLock> lock = TakeLock(*this);
        if (!lock) return FALSE;
        RemovalRun run(nullptr);
        RunRemoval(run, nullptr);
        EndRun(run.Result());
        return FALSE;
    }
    // The dialog holds no lock while it waits for OK: a dialog left open on someone's screen
    // must not turn a deployment's silent run away.
    if (IsProductInstalled() == 0) {
        Tell(*this, UnInstNoRegKeyMsg, MB_ICONWARNING);
        EndRun(Ended(RunEnd::NotInstalled));
        return FALSE;
    }
    CUninstDlg dlg(nullptr);
    m_pMainWnd = &dlg;
    const INT_PTR shown = dlg.DoModal();
    // The dialog ended without a run: closed by the user, or never shown at all.
    EndRun(Ended(shown == -1 ? RunEnd::NoDialog : RunEnd::Cancelled));
    // No message loop: the program ends once the dialog has closed or the warning is dismissed.
    return FALSE;
}
