// The removal run on the Windows 9x family: the device scan, the product's files group by group
// with one progress step per row, the registry cleanup and the end of the run.
#include <algorithm>
#include <string>

#include "app/text.h"
#include "app/uninst_app.h"
#include "ui/uninst_dlg.h"
#include "win9x/enum_keys.h"

namespace {

int Rows(std::int32_t count) {
    return std::clamp<std::int32_t>(count, 0, kTableRows);
}

// Every ".inf" of the already lower-cased path, left to right, the directory part included.
std::string PnfPath(std::string path) {
    static constexpr char kInf[] = ".inf";
    static constexpr char kPnf[] = ".pnf";
    for (std::size_t at = path.find(kInf); at != std::string::npos;
         at = path.find(kInf, at + sizeof kInf - 1)) {
        path.replace(at, sizeof kInf - 1, kPnf);
    }
    return path;
}

// One group's folder below the Windows directory. A Windows directory that does not fit the
// 100-byte buffer with the group's suffix leaves the folder unknown: the group then deletes
// nothing, since a cut path would name some other file, but its progress steps are still taken.
struct Folder {
    char path[100];
    bool known;
    explicit Folder(const char* suffix) : path{}, known(WindowsDirWith(path, suffix)) {}
    // An empty name would make the folder itself the file to delete; such a row is passed over.
    bool Names(const char* name) const { return known && name[0] != '\0'; }
};

}  // namespace

int CUninstDlg::RunWin9xRemoval() {
    PrepareRunControls();
    ScanDevicesWin9x();

    auto plainDelete = [this](const std::string& composed) {
        const std::string path = LowerPath(composed);
        ShowFileName(path.c_str());
        Api().SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        Api().DeleteFileA(path.c_str());
    };
    const Folder inf("\\inf\\");
    auto deleteInfPair = [&](const DeviceEntry& row) {
        if (!inf.Names(row.INF)) return;
        const std::string composed = std::string(inf.path) + row.INF;
        plainDelete(composed);
        const std::string pnf = PnfPath(LowerPath(composed));
        ShowFileName(pnf.c_str());
        Api().SetFileAttributesA(pnf.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        Api().DeleteFileA(pnf.c_str());
    };

    for (int i = 0; i < Rows(theApp.DevIDNum); ++i) {
        deleteInfPair(theApp.DevTable[i]);
        StepProgress();
    }
    for (int k = 0; k < Rows(theApp.ExtDevIDNum); ++k) {
        deleteInfPair(theApp.ExtDevTable[k]);
        StepProgress();
    }
    // Every candidate's INF, whether or not it took a row; candidates leave no PNF to look for.
    for (int j = 0; j < Rows(theApp.PossibleDevIDNum); ++j) {
        const char* name = theApp.PossibleDevTable[j].INF;
        if (inf.Names(name)) plainDelete(std::string(inf.path) + name);
        StepProgress();
    }

    const Folder drivers("\\system32\\drivers\\");
    auto deleteSys = [&](const DeviceEntry& row) {
        if (drivers.Names(row.SYS)) plainDelete(std::string(drivers.path) + row.SYS);
        StepProgress();
    };
    for (int i = 0; i < Rows(theApp.DevIDNum); ++i) deleteSys(theApp.DevTable[i]);
    for (int k = 0; k < Rows(theApp.ExtDevIDNum); ++k) deleteSys(theApp.ExtDevTable[k]);

    const Folder system("\\system\\");
    for (int f = 0; f < Rows(theApp.ExtDllFileNum); ++f) {
        const char* name = theApp.ExtCopyFiles[f];
        if (system.Names(name)) plainDelete(std::string(system.path) + name);
        StepProgress();
    }

    // The uninstaller keeps its attributes: a read-only copy stays in place.
    const Folder windows("");
    if (windows.Names(theApp.DrvUninstAppName)) {
        const std::string path =
            LowerPath(std::string(windows.path) + "\\" + theApp.DrvUninstAppName);
        ShowFileName(path.c_str());
        Api().DeleteFileA(path.c_str());
    }
    StepProgressNoPause();

    CleanRegistryWin9x();
    SetProgressPos(100);
    FinishRun();
    return 1;
}
