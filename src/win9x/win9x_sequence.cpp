// The removal run on the Windows 9x family: the device scan, the product's files group by group
// with one progress step per row, the registry cleanup and the end of the run.
#include <string>

#include "app/file_removal.h"
#include "app/uninst_app.h"
#include "ui/uninst_dlg.h"
#include "win9x/enum_keys.h"

namespace {

// The PNF that belongs to an INF: every ".inf" of the lower-cased name, left to right, becomes
// ".pnf". Only the name is rewritten, not the folder: a Windows directory whose name holds ".inf"
// would otherwise turn the PNF path into one outside the INF folder.
std::string PnfName(std::string name) {
    static constexpr char kInf[] = ".inf";
    static constexpr char kPnf[] = ".pnf";
    for (std::size_t at = name.find(kInf); at != std::string::npos;
         at = name.find(kInf, at + sizeof kInf - 1)) {
        name.replace(at, sizeof kInf - 1, kPnf);
    }
    return name;
}

}  // namespace

int CUninstDlg::RunWin9xRemoval() {
    PrepareRunControls();
    ScanDevicesWin9x();

    // A group whose folder does not fit the directory buffer, or a name that is passed over,
    // deletes nothing; every row's step is taken all the same.
    const RemovalFolder inf("\\inf\\");
    auto deleteInfPair = [&](const DeviceEntry& row) {
        DeletePlain(*this, inf, row.INF);
        DeletePlain(*this, inf, row.INF, PnfName);
    };
    for (int i = 0; i < RowsInUse(theApp.DevIDNum); ++i) {
        deleteInfPair(theApp.DevTable[i]);
        StepProgress();
    }
    for (int k = 0; k < RowsInUse(theApp.ExtDevIDNum); ++k) {
        deleteInfPair(theApp.ExtDevTable[k]);
        StepProgress();
    }
    // Every candidate's INF, whether or not it took a row; candidates leave no PNF to look for.
    for (int j = 0; j < RowsInUse(theApp.PossibleDevIDNum); ++j) {
        DeletePlain(*this, inf, theApp.PossibleDevTable[j].INF);
        StepProgress();
    }

    const RemovalFolder drivers("\\system32\\drivers\\");
    auto deleteSys = [&](const DeviceEntry& row) {
        DeletePlain(*this, drivers, row.SYS);
        StepProgress();
    };
    for (int i = 0; i < RowsInUse(theApp.DevIDNum); ++i) deleteSys(theApp.DevTable[i]);
    for (int k = 0; k < RowsInUse(theApp.ExtDevIDNum); ++k) deleteSys(theApp.ExtDevTable[k]);

    const RemovalFolder system("\\system\\");
    for (int f = 0; f < RowsInUse(theApp.ExtDllFileNum); ++f) {
        DeletePlain(*this, system, theApp.ExtCopyFiles[f]);
        StepProgress();
    }

    DeleteUninstaller(*this, theApp.DrvUninstAppName);
    StepProgressNoPause();

    CleanRegistryWin9x();
    SetProgressPos(100);
    FinishRun();
    return 1;
}
