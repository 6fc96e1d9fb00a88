// The NT-family removal sequence, run from the dialog once the user confirms.
#include "nt/nt_removal.h"
#include "ui/uninst_dlg.h"

BOOL CUninstDlg::RunNtRemoval() {
    PrepareRunControls();
    FinishRun();
    return TRUE;
}
