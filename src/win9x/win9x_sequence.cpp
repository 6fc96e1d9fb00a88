// The removal run on the Windows 9x family: the device scan, the product's files group by group
// with one progress step per row, the registry cleanup and the end of the run.
#include <string>

#include "app/file_removal.h"
#include "app/uninst_app.h"
#include "app/uninstall_entry.h"
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

void RunWin9xRemoval(RemovalRun& run) {
    run.PrepareRunControls();
    ScanDevicesWin9x();
    // The 9x family has no device check to stop at; the mark lets a later run know that this one
    // started, as on the NT family.
    MarkRunStarted();

    // A group whose folder does not fit the directory buffer, or a name that is passed over,
    // deletes nothing; every row's step is taken all the same.
    const RemovalFolder inf("\\inf\\");
    auto deleteInfPair = [&](const DeviceEntry& row) {
        DeletePlain(run, inf, row.INF);
        DeletePlain(run, inf, row.INF, PnfName);
    };
    for (int i = 0; i < RowsInUse(theApp.DevIDNum); ++i) {
        deleteInfPair(theApp.DevTable[i]);
        run.StepProgress();
    }
    for (int k = 0; k < RowsInUse(theApp.ExtDevIDNum); ++k) {
        deleteInfPair(theApp.ExtDevTable[k]);
        run.StepProgress();
    }
    // Every candidate's INF, whether or not it took a row; candidates leave no PNF to look for.
    for (int j = 0; j < RowsInUse(theApp.PossibleDevIDNum); ++j) {
        DeletePlain(run, inf, theApp.PossibleDevTable[j].INF);
        run.StepProgress();
    }

    const RemovalFolder drivers("\\system32\\drivers\\");
    auto deleteSys = [&](const DeviceEntry& row) {
        DeletePlain(run, drivers, row.SYS);
        run.StepProgress();
    };
    for (int i = 0; i < RowsInUse(theApp.DevIDNum); ++i) deleteSys(theApp.DevTable[i]);
    for (int k = 0; k < RowsInUse(theApp.ExtDevIDNum); ++k) deleteSys(theApp.ExtDevTable[k]);

    const RemovalFolder system("\\system\\");
    for (int f = 0; f < RowsInUse(theApp.ExtDllFileNum); ++f) {
        DeletePlain(run, system, theApp.ExtCopyFiles[f]);
        run.StepProgress();
    }

    DeleteUninstaller(run, theApp.DrvUninstAppName);
    run.StepProgressNoPause();

    CleanRegistryWin9x(run.Result());
    // The 9x family's removal takes a device's keys and files but never stops the device: its
    // driver stays loaded until Windows restarts.
    run.Result().restartNeeded = true;
    run.SetProgressPos(100);
    run.Result().end = RunEnd::Completed;
}
