#include "ui/program.h"

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

}  // namespace

void RunRemoval(RemovalRun& run, HWND ownWindow) {
    CloseCompanionWindow(run, ownWindow);
    if (IsWin9xFamily()) {
        RunWin9xRemoval(run);
    } else {
        RunNtRemoval(run);
    }
}

BOOL CUninstApp::InitInstance() {
    Api().InitCommonControls();
    mfc::CWinApp::InitInstance();
    SetOptions(ParseCommandLine(Api().GetCommandLineA()));
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
        const std::optional<DWORD> exitCode = RunNativeUninstaller(options.arguments);
        if (!exitCode) {
            if (options.ShowsMessages()) TellToRunNativeUninstaller(UnInstDrvAppTitle);
            EndRun(Ended(RunEnd::NoNativeUninstaller));
            return FALSE;
        }
        RunResult handedOver = Ended(RunEnd::HandedOver);
        handedOver.handedOverExitCode = *exitCode;
        EndRun(handedOver);
        return FALSE;
    }
    const SingleRunLock lock;
    if (lock.AnotherRunHoldsIt()) {
        Tell(*this, kAlreadyRunningText, MB_ICONWARNING);
        EndRun(Ended(RunEnd::AlreadyRunning));
        return FALSE;
    }
    if (IsProductInstalled() == 0) {
        Tell(*this, UnInstNoRegKeyMsg, MB_ICONWARNING);
        EndRun(Ended(RunEnd::NotInstalled));
        return FALSE;
    }
    if (options.silent) {
        // As if OK had been pressed, with nothing to show it on.
        RemovalRun run(nullptr);
        RunRemoval(run, nullptr);
        EndRun(run.Result());
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
