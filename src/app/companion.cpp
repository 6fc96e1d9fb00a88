#include "app/companion.h"

#include "app/uninst_app.h"

namespace {
constexpr UINT kCompanionTimeoutMs = 5000;
}  // namespace

void CloseCompanionWindow(RemovalRun& run, HWND ownWindow) {
    // An empty title would find any untitled top-level window of some other program, which the
    // close request could make lose its work.
    if (theApp.UnInstRemoteTitleName[0] == '\0') return;
    // The lookup goes by title over every top-level window, the dialog included: a profile that
    // gives the companion the dialog's own title must not make the dialog close itself.
    HWND companion = Api().FindWindowA(nullptr, theApp.UnInstRemoteTitleName);
    if (companion == nullptr || companion == ownWindow) return;
    // A companion program that has stopped answering must not stop the run with it.
    DWORD_PTR result = 0;
    if (Api().SendMessageTimeoutA(companion, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCompanionTimeoutMs,
                                  &result) != 0) {
        run.Record(Action::CloseWindow, theApp.UnInstRemoteTitleName, Outcome::Ok);
    } else {
        const DWORD error = Api().GetLastError();
        run.Record(Action::CloseWindow, theApp.UnInstRemoteTitleName, Outcome::Failed,
                   error != 0 ? error : ERROR_TIMEOUT);
    }
}
