// A run that finishes an earlier one: it does what the earlier run's journal names as left, and
// nothing else. It never works the removal out again from a machine the earlier run has already
// changed (the devices it removed took with them what named their rows' candidates and packages).
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/file_removal.h"
#include "app/text.h"
#include "app/uninst_app.h"
#include "app/uninstall_entry.h"
#include "nt/nt_removal.h"
#include "platform/handles.h"

namespace {

constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services";

bool BeginsWith(const std::string& text, const std::string& prefix) {
    return text.size() > prefix.size() &&
           AsciiStrNICmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

// A file the journal names, deleted as the removal deletes it: the product's own uninstaller with
// its attributes as they are, every other file with its attributes reset first.
void DeleteJournalFile(RemovalRun& run, const std::string& path) {
    const std::optional<RemovableFile> file = RemovableFile::AtPath(path, &run);
    if (!file) return;
    file->Show(run);
    const std::optional<std::string> own =
        RemovableFile::PathFor(RemovalFolder::WindowsDirectory(), theApp.DrvUninstAppName, nullptr,
                               RemovableFile::Names::BelowFolder);
    const bool uninstaller = own && *own == file->Path();
    if (!uninstaller) file->ResetAttributes();
    file->Delete(run, uninstaller);
}

// A service or driver key the journal names; a driver key only while no device instance names
// it. Any other key (the entry's among them, which goes last) is not deleted here.
void DeleteJournalKey(RunResult& result, const std::string& key, const std::set<std::string>& inUse,
                      bool inUseKnown, DWORD walkError) {
    const std::string services = std::string("HKLM\\") + kServicesKey + "\\";
    const std::string classKey = std::string("HKLM\\") + ClassKeyPath + "\\";
    const bool isService = BeginsWith(key, services);
    const bool isDriver = ClassKeyPath[0] != '\0' && BeginsWith(key, classKey);
    if (!isService && !isDriver) return;
    const std::string parent = (isService ? services : classKey).substr(5);
    const std::string name = key.substr(isService ? services.size() : classKey.size());
    if (name.empty() || name.find('\\') != std::string::npos) return;
    if (isDriver) {
        if (!inUseKnown) {
            result.Record(Action::DeleteKey, key, Outcome::Failed, walkError);
            return;
        }
        if (inUse.count(DriverKeyRef(name.c_str())) != 0) return;
    }
    UniqueKey parentKey;
    const std::string parentPath = parent.substr(0, parent.size() - 1);
    const LONG opened = Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, parentPath.c_str(), 0,
                                            KEY_ALL_ACCESS, parentKey.put());
    if (opened != ERROR_SUCCESS) {
        RecordKeyDelete(result, key, opened);
        return;
    }
    RecordKeyDelete(result, key, Api().SHDeleteKeyA(parentKey.get(), name.c_str()));
    Api().RegFlushKey(parentKey.get());
}

}  // namespace

void ResumeFromJournal(RemovalRun& run, const std::vector<std::string>& journal) {
    RunResult& result = run.Result();
    result.resumed = true;
    if (NtMinorVersion() != 0) TerminateProcessByName("ehRecvr.exe", result);
    SelectClassKeyPath();

    const RemovalFolder infDir("\\inf\\");
    DeferredDriverPackages deferred;
    // The INF and PNF of a package the store keeps stay for the retry after the devices.
    std::set<std::string> heldBack;
    std::vector<std::string> devices;
    std::vector<std::string> keys;
    for (const std::string& line : journal) {
        Action action{};
        std::string target;
        if (!ParseJournalLine(line, action, target)) continue;
        switch (action) {
            case Action::UninstallDriverPackage:
                if (!UninstallDriverPackage(target.c_str(), deferred, result)) {
                    const std::string pnf = PnfNameFor(target.c_str());
                    for (const char* name : {target.c_str(), pnf.c_str()}) {
                        if (const auto path = RemovableFile::PathFor(infDir, name))
                            heldBack.insert(*path);
                    }
                }
                run.StepProgress();
                break;
            case Action::DeleteFile:
                if (heldBack.count(LowerPath(target)) != 0) break;
                DeleteJournalFile(run, target);
                run.StepProgress();
                break;
            case Action::RemoveDevice:
                devices.push_back(target);
                break;
            case Action::DeleteKey:
                keys.push_back(target);
                break;
            default:
                break;
        }
    }
    run.StepProgressNoPause();
    if (!devices.empty()) RemoveDevicesNt(result, &devices);
    RetryDriverPackages(deferred, result);
    RewriteJournal(LinesLeft(journal, result));
    run.SetProgressPos(90);

    std::set<std::string> inUse;
    const bool inUseKnown = DriverKeysInUse(inUse);
    const DWORD walkError = inUseKnown ? 0 : Api().GetLastError();
    for (const std::string& key : keys) DeleteJournalKey(result, key, inUse, inUseKnown, walkError);
    // The entry goes last, and only when nothing is left.
    if (result.ItemsLeft() == 0) {
        DeleteUninstallEntries(result);
    } else {
        RewriteJournal(LinesLeft(journal, result));
    }
    run.SetProgressPos(100);
    result.end = RunEnd::Completed;
}
