// The NT-family removal sequence, run from the dialog once the user confirms.
#include <optional>
#include <string>

#include "app/file_removal.h"
#include "app/text.h"
#include "app/uninst_app.h"
#include "nt/nt_removal.h"
#include "ui/uninst_dlg.h"

namespace {

// The driver store keeps a copy of every driver package from Vista on, and Windows reinstalls a
// device's driver from it as soon as it finds the device again, however the INF folder's copy
// went. Uninstalling the OEM INF removes the package with its INF, PNF and catalog (on XP, the
// INF, PNF and catalog). Only OEM INFs ("oem" and digits) are uninstalled this way: the system's
// own INFs are not packages to remove. Windows 2000 and the 9x family have no such call.
bool UsesDriverStore() {
    const OSVERSIONINFOA version = QueryVersion();
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           (version.dwMajorVersion > 5 ||
            (version.dwMajorVersion == 5 && version.dwMinorVersion >= 1));
}

// Each pair is shown PNF first, so that the INF path stays visible; the INF goes first. A file
// that may not be deleted (its name, or Windows protecting it) is left out of the pair alone, and
// the pair's step is taken in any case. The plain deletes stay after the driver-store uninstall,
// for the files it leaves (it fails, or the system has no driver store).
void DeleteInfPairs(CUninstDlg& dlg, const InfNameList& list, const RemovalFolder& infDir) {
    const bool driverStore = UsesDriverStore();
    for (int i = 0; i < RowsInUse(list.count, kInfNameListSize); ++i) {
        const char* entry = list.entries[i];
        // An entry without a usable name only steps: its PNF name would be ".pnf".
        if (!IsPlainFileName(entry)) {
            dlg.StepProgress();
            continue;
        }
        const std::string pnfName = PnfNameFor(entry);
        const std::optional<RemovableFile> pnf = RemovableFile::In(infDir, pnfName.c_str());
        const std::optional<RemovableFile> inf = RemovableFile::In(infDir, entry);
        if (pnf) pnf->Show(dlg);
        if (inf) inf->Show(dlg);
        if (inf) inf->ResetAttributes();
        if (pnf) pnf->ResetAttributes();
        if (inf && driverStore && IsOemInfName(entry))
            Api().SetupUninstallOEMInfA(entry, SUOI_FORCEDELETE, nullptr);
        if (inf) inf->Delete();
        if (pnf) pnf->Delete();
        dlg.StepProgress();
    }
}

// Every row takes its step, also one whose SYS name is passed over.
void DeleteSysFiles(CUninstDlg& dlg, const CUninstApp& app, const RemovalFolder& drivers) {
    auto one = [&](const DeviceEntry& row) {
        DeletePlain(dlg, drivers, row.SYS);
        dlg.StepProgress();
    };
    for (int i = 0; i < RowsInUse(app.DevIDNum); ++i) one(app.DevTable[i]);
    for (int i = 0; i < RowsInUse(app.ExtDevIDNum); ++i) one(app.ExtDevTable[i]);
}

}  // namespace

bool IsOemInfName(const char* name) {
    if (AsciiStrNICmp(name, "oem", 3) != 0) return false;
    const char* p = name + 3;
    if (*p < '0' || *p > '9') return false;
    while (*p >= '0' && *p <= '9') ++p;
    return AsciiStrNICmp(p, ".inf", 5) == 0;
}

std::string PnfNameFor(const char* infEntry) {
    const std::string entry(infEntry);
    const std::size_t start = entry.find_first_not_of('.');
    std::string token;
    if (start != std::string::npos) {
        const std::size_t end = entry.find('.', start);
        token = entry.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    return token + ".pnf";
}

void CollectInfNames(InfNameList& list) {
    const CUninstApp& app = theApp;
    list.count = 0;
    ForEachClassInstanceKey(250, [&](HKEY, const char*, HKEY instance, const char* description) {
        auto collect = [&](const DeviceEntry& row) {
            // An empty Name begins every description: such a row would hand every other
            // driver's INF file of the class to the delete, so it names none.
            if (row.Name[0] == '\0' || !BeginsWithNoCase(description, row.Name)) return;
            // The list holds 10 names; further matches are not collected. A matching key
            // without a usable InfPath (one that is not a plain file name in the INF folder) is
            // an entry all the same, with its step of the progress bar; it is kept empty, so
            // that it names no file to delete.
            if (list.count >= kInfNameListSize) return;
            char(&entry)[256] = list.entries[list.count];
            if (!ReadTextValue(instance, "InfPath", entry, sizeof(entry)) ||
                !IsPlainFileName(entry)) {
                entry[0] = '\0';
            }
            ++list.count;
        };
        for (int i = 0; i < RowsInUse(app.DevIDNum); ++i) collect(app.DevTable[i]);
        for (int i = 0; i < RowsInUse(app.ExtDevIDNum); ++i) collect(app.ExtDevTable[i]);
    });
}

BOOL CUninstDlg::RunNtRemoval() {
    const CUninstApp& app = theApp;
    PrepareRunControls();

    // A Windows folder too long for the 100-byte buffer with its suffix leaves that group's
    // files alone, while the progress steps are still taken so the run looks as it always does.
    const RemovalFolder infDir("\\inf\\");
    InfNameList infNames{};

    if (ScanDevicesNt() != app.DevIDNum) {
        OnOK();
        return FALSE;
    }
    if (NtMinorVersion() != 0) TerminateProcessByName("ehRecvr.exe");

    SelectClassKeyPath();
    CollectInfNames(infNames);
    DeleteInfPairs(*this, infNames, infDir);

    DeleteSysFiles(*this, app, RemovalFolder("\\system32\\drivers\\"));

    // The extra files do not move the bar.
    const RemovalFolder system32("\\system32\\");
    for (int i = 0; i < RowsInUse(app.ExtDllFileNum); ++i) {
        DeletePlain(*this, system32, app.ExtCopyFiles[i]);
    }

    DeleteUninstaller(*this, app.DrvUninstAppName);
    StepProgressNoPause();

    RemoveDevicesNt();
    SetProgressPos(90);
    CleanRegistryNt();
    SetProgressPos(100);
    FinishRun();
    return TRUE;
}
