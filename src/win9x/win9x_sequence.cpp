// The removal run on the Windows 9x family.
#include "ui/uninst_dlg.h"

int CUninstDlg::RunWin9xRemoval() {
    PrepareRunControls();
    FinishRun();
    return 1;
}
