// The NT-family removal sequence, run once the user confirms (or at once, in a silent run).
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/file_removal.h"
#include "app/text.h"
#include "app/uninst_app.h"
#include "app/uninstall_entry.h"
#include "app/windows_version.h"
#include "nt/nt_removal.h"

namespace {

// What the run does with each collected INF. From Vista on, the driver store keeps a copy of
// every driver package, and Windows reinstalls a device's driver from it as soon as it finds the
// device again, however the INF folder's copy went: an OEM INF ("oem" and digits) proved the
// product's is uninstalled from the store, which takes its INF, PNF and catalog. One not proved
// the product's (found only because another vendor's description begins with a row's Name) stays
// whole: its INF and PNF deleted by hand would orphan its package. XP and older have no store:
// the INF/PNF pair is deleted as found.
struct InfDecision {
    bool keep = false;       // not the product's: stays whole
    bool fromStore = false;  // uninstalled from the driver store first
    std::string reason;      // why it is kept
};

std::vector<InfDecision> DecideInfs(const InfNameList& list,
                                    const std::vector<ProductDevice>& devices) {
    std::vector<InfDecision> decisions(static_cast<std::size_t>(kInfNameListSize));
    if (!KeepsDriverStore()) return decisions;
    std::map<std::string, PackageProof> proofs;
    for (int i = 0; i < RowsInUse(list.count, kInfNameListSize); ++i) {
        const char* entry = list.entries[i];
        if (!IsPlainFileName(entry)) continue;
        const std::string key = LowerPath(entry);
        auto it = proofs.find(key);
        if (it == proofs.end()) it = proofs.emplace(key, ProvePackage(entry, devices)).first;
        InfDecision& d = decisions[static_cast<std::size_t>(i)];
        d.keep = !it->second.proved;
        d.reason = it->second.reason;
        d.fromStore = !d.keep && IsOemInfName(entry);
    }
    return decisions;
}

// Each pair is shown PNF first, so that the INF path stays visible; the INF goes first. A file
// that may not be deleted (its name, or Windows protecting it) is left out of the pair alone, and
// the pair's step is taken in any case. The plain deletes stay after the driver-store uninstall,
// for the files it leaves (on XP, which has no driver store), except for a package the store kept:
// its pair stays for the retry after the device removal.
void DeleteInfPairs(RemovalRun& run, const InfNameList& list, const RemovalFolder& infDir,
                    const std::vector<InfDecision>& decisions, DeferredDriverPackages& deferred) {
    std::set<std::string> keptNamed;
    for (int i = 0; i < RowsInUse(list.count, kInfNameListSize); ++i) {
        const char* entry = list.entries[i];
        const InfDecision& decision = decisions[static_cast<std::size_t>(i)];
        // An entry without a usable name only steps: its PNF name would be ".pnf".
        if (!IsPlainFileName(entry)) {
            run.StepProgress();
            continue;
        }
        if (decision.keep) {
            if (keptNamed.insert(LowerPath(entry)).second)
                run.Record(Action::UninstallDriverPackage, entry, Outcome::KeptNotProducts, 0,
                           decision.reason);
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
        const bool byHand =
            !(inf && decision.fromStore) || UninstallDriverPackage(entry, deferred, run.Result());
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
    // The journal's lines for the name, in the order Delete takes them.
    void Plan(std::vector<std::string>& lines, const char* name) const {
        PlanFile(lines, native_, name);
        if (wow64_) PlanFile(lines, *wow64_, name);
    }
    static void PlanFile(std::vector<std::string>& lines, const RemovalFolder& folder,
                         const char* name, NameRewrite rewrite = nullptr,
                         RemovableFile::Names names = RemovableFile::Names::BelowFolder) {
        if (const auto path = RemovableFile::PathFor(folder, name, rewrite, names))
            lines.push_back(Line(Action::DeleteFile, *path));
    }
    static std::string Line(Action action, const std::string& target) {
        return std::string(ActionName(action)) + " " + target;
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

// What the run will act on, written down before it acts: the journal's lines in the order the
// run takes them. Each names its item as the run's result will, so that what is done can be
// struck off.
std::vector<std::string> PlanJournal(const CUninstApp& app, const InfNameList& infNames,
                                     const RemovalFolder& infDir,
                                     const std::vector<InfDecision>& decisions,
                                     const std::vector<ProductDevice>& devices,
                                     const SystemFolder& drivers, const SystemFolder& system32) {
    std::vector<std::string> lines;
    std::set<std::string> named;
    auto add = [&](Action action, const std::string& target) {
        std::string line = SystemFolder::Line(action, target);
        if (named.insert(LowerPath(line)).second) lines.push_back(std::move(line));
    };
    for (int i = 0; i < RowsInUse(infNames.count, kInfNameListSize); ++i) {
        const char* entry = infNames.entries[i];
        const InfDecision& decision = decisions[static_cast<std::size_t>(i)];
        if (!IsPlainFileName(entry) || decision.keep) continue;
        if (decision.fromStore) add(Action::UninstallDriverPackage, entry);
        const std::string pnfName = PnfNameFor(entry);
        for (const char* name : {entry, pnfName.c_str()}) {
            if (const auto path = RemovableFile::PathFor(infDir, name))
                add(Action::DeleteFile, *path);
        }
    }
    auto files = [&](const SystemFolder& folder, const char* name) {
        std::vector<std::string> paths;
        folder.Plan(paths, name);
        for (const std::string& line : paths)
            add(Action::DeleteFile, line.substr(line.find(' ') + 1));
    };
    for (int i = 0; i < RowsInUse(app.DevIDNum); ++i) files(drivers, app.DevTable[i].SYS);
    for (int i = 0; i < RowsInUse(app.ExtDevIDNum); ++i) files(drivers, app.ExtDevTable[i].SYS);
    for (int i = 0; i < RowsInUse(app.ExtDllFileNum); ++i) files(system32, app.ExtCopyFiles[i]);
    if (const auto own =
            RemovableFile::PathFor(RemovalFolder::WindowsDirectory(), app.DrvUninstAppName, nullptr,
                                   RemovableFile::Names::BelowFolder))
        add(Action::DeleteFile, *own);
    for (const ProductDevice& device : devices) add(Action::RemoveDevice, device.instanceId);
    for (const std::string& key : PlannedServiceKeys()) add(Action::DeleteKey, key);
    for (const std::string& key : PlannedDriverKeys(devices)) add(Action::DeleteKey, key);
    for (const ProductEntry& entry : EntriesToDelete()) add(Action::DeleteKey, EntryKeyName(entry));
    return lines;
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

RunStart DeviceCheck(RunResult& result, int found, bool journalUsable) {
    const int expected = theApp.DevIDNum;
    if (found == expected) return RunStart::Fresh;
    result.devicesFound = found;
    result.devicesExpected = expected;
    // A run that was cut off after it removed some of the devices left its journal: the devices
    // it took are missing now, and the rest of what it wrote down is still to be done. More
    // devices than the profile counts is never such a run.
    if (found < expected && journalUsable) return RunStart::Resume;
    // /disconnected passes the check over: the tuner is gone for good, and the product's devices
    // that Windows knows go with the rest of the product.
    if (theApp.Options().disconnected) {
        result.deviceCheckPassedOver = true;
        return RunStart::Fresh;
    }
    result.end = RunEnd::DeviceCheck;
    return RunStart::Stop;
}

void RunNtRemoval(RemovalRun& run) {
    const CUninstApp& app = theApp;
    run.PrepareRunControls();

    // A Windows folder too long for the 100-byte buffer with its suffix leaves that group's
    // files alone, while the progress steps are still taken so the run looks as it always does.
    const RemovalFolder infDir("\\inf\\");
    InfNameList infNames{};

    const int found = ScanDevicesNt();
    const JournalFound journal = ReadJournal();
    if (journal.state == JournalFound::State::Discarded)
        run.Result().journalDiscarded = journal.whyDiscarded;
    switch (DeviceCheck(run.Result(), found, journal.state == JournalFound::State::Usable)) {
        case RunStart::Stop:
            return;
        case RunStart::Resume:
            ResumeFromJournal(run, journal.lines);
            return;
        case RunStart::Fresh:
            break;
    }
    if (NtMinorVersion() != 0) TerminateProcessByName("ehRecvr.exe", run.Result());

    SelectClassKeyPath();
    CollectInfNames(infNames);
    bool allDevicesSeen = true;
    const std::vector<ProductDevice> devices = FindProductDevices(allDevicesSeen);
    // A device walk that ended early may have missed a device of the product: an item left.
    if (!allDevicesSeen)
        run.Record(Action::RemoveDevice, "(device walk)", Outcome::Failed, Api().GetLastError());
    const std::vector<InfDecision> decisions = DecideInfs(infNames, devices);
    const SystemFolder drivers("\\system32\\drivers\\", "\\SysWOW64\\drivers\\");
    const SystemFolder system32("\\system32\\", "\\SysWOW64\\");
    const std::vector<std::string> plan =
        PlanJournal(app, infNames, infDir, decisions, devices, drivers, system32);
    WriteJournal(plan);

    DeferredDriverPackages deferredPackages;
    DeleteInfPairs(run, infNames, infDir, decisions, deferredPackages);

    DeleteSysFiles(run, app, drivers);

    // The extra files do not move the bar.
    for (int i = 0; i < RowsInUse(app.ExtDllFileNum); ++i) {
        system32.Delete(run, app.ExtCopyFiles[i]);
    }

    DeleteUninstaller(run, app.DrvUninstAppName);
    run.StepProgressNoPause();

    std::vector<std::string> deviceIds;
    for (const ProductDevice& device : devices) deviceIds.push_back(device.instanceId);
    RemoveDevicesNt(run.Result(), &deviceIds);
    // A package that still stays in the driver store is recorded as failed: the run has not
    // removed it.
    RetryDriverPackages(deferredPackages, run.Result());
    RewriteJournal(LinesLeft(plan, run.Result()));
    run.SetProgressPos(90);
    CleanRegistryNt(run.Result());
    if (run.Result().ItemsLeft() > 0) RewriteJournal(LinesLeft(plan, run.Result()));
    run.SetProgressPos(100);
    run.Result().end = RunEnd::Completed;
}
