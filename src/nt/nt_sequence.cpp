// The NT-family removal sequence, run once the user confirms (or at once, in a silent run).
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/file_removal.h"
#include "app/text.h"
#include "app/uninst_app.h"
#include "app/uninstall_entry.h"
#include "app/windows_version.h"
#include "nt/nt_removal.h"

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
// for the files it leaves (on XP, which has no driver store), except for a package the store kept:
// its pair stays for the retry after the device removal.
void DeleteInfPairs(RemovalRun& run, const InfNameList& list, const RemovalFolder& infDir,
                    DeferredDriverPackages& deferred) {
    const bool driverStore = UsesDriverStore();
    for (int i = 0; i < RowsInUse(list.count, kInfNameListSize); ++i) {
        const char* entry = list.entries[i];
        // An entry without a usable name only steps: its PNF name would be ".pnf".
        if (!IsPlainFileName(entry)) {
            run.StepProgress();
            continue;
        }
        const std::string pnfName = PnfNameFor(entry);
        const std::optional<RemovableFile> pnf =
            RemovableFile::In(infDir, pnfName.c_str(), nullptr, RemovableFile::Names::Plain, &run);
        const std::optional<RemovableFile> inf =
            RemovableFile::In(infDir, entry, nullptr, RemovableFile::Names::Plain, &run);
        if (pnf) pnf->Show(run);
        if (inf) inf->Show(run);
        if (inf) inf->ResetAttributes();
        if (pnf) pnf->ResetAttributes();
        const bool byHand = !(inf && driverStore && IsOemInfName(entry)) ||
                            UninstallDriverPackage(entry, deferred, run.Result());
        if (inf && byHand) inf->Delete(run);
        if (pnf && byHand) pnf->Delete(run);
        run.StepProgress();
    }
}

// A folder of system32 and, on 64-bit Windows, its twin below SysWOW64. The product's installer
// is a 32-bit program: what it copied to system32 by itself (extra DLLs and filters for 32-bit TV
// programs, a SYS file copied rather than installed through the INF) landed in SysWOW64, which
// this 64-bit process addresses by its own name. Each name goes from both, by the same rules.
class SystemFolder {
public:
    SystemFolder(const char* suffix, const char* wow64Suffix) : native_(suffix) {
        if (Is64BitWindows()) wow64_.emplace(wow64Suffix);
    }
    void Delete(RemovalRun& run, const char* name) const {
        DeletePlain(run, native_, name);
        if (wow64_) DeletePlain(run, *wow64_, name);
    }

private:
    RemovalFolder native_;
    std::optional<RemovalFolder> wow64_;
};

// Every row takes its step, also one whose SYS name is passed over; both copies of a file on
// 64-bit Windows take one step between them.
void DeleteSysFiles(RemovalRun& run, const CUninstApp& app, const SystemFolder& drivers) {
    auto one = [&](const DeviceEntry& row) {
        drivers.Delete(run, row.SYS);
        run.StepProgress();
    };
    for (int i = 0; i < RowsInUse(app.DevIDNum); ++i) one(app.DevTable[i]);
    for (int i = 0; i < RowsInUse(app.ExtDevIDNum); ++i) one(app.ExtDevTable[i]);
}

// The scan copies a candidate's four fields over the row its device matched.
bool TakenByADevice(const CUninstApp& app, const DeviceEntry& candidate) {
    const auto fields = [](const DeviceEntry& e) {
        return std::array<std::string_view, 4>{e.ID, e.Name, e.SYS, e.INF};
    };
    const DeviceEntry* rows = app.DevTable;
    return std::any_of(rows, rows + RowsInUse(app.DevIDNum),
                       [&](const DeviceEntry& row) { return fields(row) == fields(candidate); });
}

// A resumed run cannot see which candidate rows the devices it no longer finds had taken: it takes
// every candidate as a further device row, so that their files and driver keys go too. The
// candidates are the product's own devices, as the profile names them.
void TakeEveryCandidate(CUninstApp& app) {
    for (int j = 0; j < RowsInUse(app.PossibleDevIDNum); ++j) {
        // A candidate that a present device took is a device row already.
        if (TakenByADevice(app, app.PossibleDevTable[j])) continue;
        if (app.ExtDevIDNum < 0) app.ExtDevIDNum = 0;
        if (app.ExtDevIDNum >= kTableRows) return;
        app.ExtDevTable[app.ExtDevIDNum++] = app.PossibleDevTable[j];
    }
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

void RunNtRemoval(RemovalRun& run) {
    const CUninstApp& app = theApp;
    run.PrepareRunControls();

    // A Windows folder too long for the 100-byte buffer with its suffix leaves that group's
    // files alone, while the progress steps are still taken so the run looks as it always does.
    const RemovalFolder infDir("\\inf\\");
    InfNameList infNames{};

    // A run that was cut off after it removed some of the devices has marked the uninstall
    // entry; the devices it took are missing now, and the rest of the run is still to be done.
    // /disconnected passes the check over in the same way: the tuner is gone for good, and the
    // devices that are there go with the rest of the product.
    const int found = ScanDevicesNt();
    if (found != app.DevIDNum) {
        run.Result().devicesFound = found;
        run.Result().devicesExpected = app.DevIDNum;
        if (RunWasInterrupted()) {
            run.Result().resumed = true;
        } else if (app.Options().disconnected) {
            run.Result().deviceCheckPassedOver = true;
        } else {
            run.Result().end = RunEnd::DeviceCheck;
            return;
        }
        TakeEveryCandidate(theApp);
    }
    MarkRunStarted();
    if (NtMinorVersion() != 0) TerminateProcessByName("ehRecvr.exe", run.Result());

    SelectClassKeyPath();
    CollectInfNames(infNames);
    DeferredDriverPackages deferredPackages;
    DeleteInfPairs(run, infNames, infDir, deferredPackages);

    DeleteSysFiles(run, app, SystemFolder("\\system32\\drivers\\", "\\SysWOW64\\drivers\\"));

    // The extra files do not move the bar.
    const SystemFolder system32("\\system32\\", "\\SysWOW64\\");
    for (int i = 0; i < RowsInUse(app.ExtDllFileNum); ++i) {
        system32.Delete(run, app.ExtCopyFiles[i]);
    }

    DeleteUninstaller(run, app.DrvUninstAppName);
    run.StepProgressNoPause();

    RemoveDevicesNt(run.Result());
    // A package that still stays in the driver store is recorded as failed: the run has not
    // removed it.
    RetryDriverPackages(deferredPackages, run.Result());
    run.SetProgressPos(90);
    CleanRegistryNt(run.Result());
    run.SetProgressPos(100);
    run.Result().end = RunEnd::Completed;
}
