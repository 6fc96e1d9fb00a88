// The NT-family removal sequence, run from the dialog once the user confirms.
#include <algorithm>
#include <cstring>
#include <string>

#include "app/text.h"
#include "app/uninst_app.h"
#include "nt/nt_removal.h"
#include "platform/handles.h"
#include "ui/uninst_dlg.h"

namespace {

int Rows(std::int32_t count) {
    return std::clamp<std::int32_t>(count, 0, kTableRows);
}

// An InfPath is collected only when it is a plain file name in the INF folder: an empty name
// would be the folder itself, and a name with a path in it (or only dots, which the file system
// strips) could reach a file the product never installed there.
bool IsPlainFileName(const char* name) {
    if (name[0] == '\0') return false;
    if (std::strpbrk(name, "\\/:") != nullptr) return false;
    return std::strspn(name, ".") != std::strlen(name);
}

// Reads one value as text into a fixed buffer; false when it is absent, too long for the buffer,
// or fills it without a terminator.
template <std::size_t N>
bool ReadText(HKEY key, const char* valueName, char (&buffer)[N]) {
    std::memset(buffer, 0, N);
    DWORD type = 0;
    DWORD size = N;
    if (Api().RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                               &size) != ERROR_SUCCESS) {
        return false;
    }
    return std::memchr(buffer, '\0', N) != nullptr;
}

// Files are deleted by their lower-cased full path, which the dialog shows first.
void DeletePlain(CUninstDlg& dlg, const std::string& path) {
    const std::string lower = LowerPath(path);
    dlg.ShowFileName(lower.c_str());
    Api().SetFileAttributesA(lower.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    Api().DeleteFileA(lower.c_str());
}

void DeleteInfPairs(CUninstDlg& dlg, const InfNameList& list, bool infDirFits, const char* infDir) {
    for (int i = 0; i < list.count; ++i) {
        if (infDirFits) {
            const char* entry = list.entries[i];
            const std::string pnf = LowerPath(std::string(infDir) + PnfNameFor(entry));
            const std::string inf = LowerPath(std::string(infDir) + entry);
            dlg.ShowFileName(pnf.c_str());
            dlg.ShowFileName(inf.c_str());
            Api().SetFileAttributesA(inf.c_str(), FILE_ATTRIBUTE_ARCHIVE);
            Api().SetFileAttributesA(pnf.c_str(), FILE_ATTRIBUTE_ARCHIVE);
            Api().DeleteFileA(inf.c_str());
            Api().DeleteFileA(pnf.c_str());
        }
        dlg.StepProgress();
    }
}

// A row without a SYS name would name the drivers folder itself; its step is still taken so
// that the bar moves as for every row.
void DeleteSysFiles(CUninstDlg& dlg, const CUninstApp& app, bool dirFits, const char* dir) {
    auto one = [&](const DeviceEntry& row) {
        if (dirFits && row.SYS[0] != '\0') DeletePlain(dlg, std::string(dir) + row.SYS);
        dlg.StepProgress();
    };
    for (int i = 0; i < Rows(app.DevIDNum); ++i) one(app.DevTable[i]);
    for (int i = 0; i < Rows(app.ExtDevIDNum); ++i) one(app.ExtDevTable[i]);
}

}  // namespace

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
    UniqueKey classKey;
    if (Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, ClassKeyPath, 0, KEY_ALL_ACCESS, classKey.put()) !=
        ERROR_SUCCESS) {
        return;
    }
    char name[250];
    char description[256];
    for (DWORD index = 0;; ++index) {
        // Reset before every call, also after a key that would not open, so that a long name
        // after a short one is not taken for one that does not fit.
        DWORD nameSize = sizeof(name);
        FILETIME written{};
        if (Api().RegEnumKeyExA(classKey.get(), index, name, &nameSize, nullptr, nullptr, nullptr,
                                &written) != ERROR_SUCCESS) {
            return;
        }
        UniqueKey instance;
        if (Api().RegOpenKeyExA(classKey.get(), name, 0, KEY_ALL_ACCESS, instance.put()) !=
            ERROR_SUCCESS) {
            continue;
        }
        // A key whose description cannot be read matches no row, rather than being judged by
        // the description of the key before it.
        if (!ReadText(instance.get(), "DriverDesc", description)) continue;
        auto collect = [&](const DeviceEntry& row) {
            // An empty Name begins every description: such a row would hand every other
            // driver's INF file of the class to the delete, so it names none.
            if (row.Name[0] == '\0' || !BeginsWithNoCase(description, row.Name)) return;
            // The list holds 10 names; further matches are not collected. A matching key
            // without a usable InfPath adds nothing, since it names no file to delete.
            if (list.count >= kInfNameListSize) return;
            char(&entry)[256] = list.entries[list.count];
            if (!ReadText(instance.get(), "InfPath", entry) || !IsPlainFileName(entry)) {
                entry[0] = '\0';
                return;
            }
            ++list.count;
        };
        for (int i = 0; i < Rows(app.DevIDNum); ++i) collect(app.DevTable[i]);
        for (int i = 0; i < Rows(app.ExtDevIDNum); ++i) collect(app.ExtDevTable[i]);
    }
}

BOOL CUninstDlg::RunNtRemoval() {
    const CUninstApp& app = theApp;
    PrepareRunControls();

    // A Windows folder too long for the 100-byte buffer with its suffix would give a cut path
    // naming some other file: that group's files are then left alone, while the progress
    // steps are still taken so the run looks as it always does.
    char infDir[100];
    const bool infDirFits = WindowsDirWith(infDir, "\\inf\\");
    InfNameList infNames{};

    if (ScanDevicesNt() != app.DevIDNum) {
        OnOK();
        return FALSE;
    }
    if (NtMinorVersion() != 0) TerminateProcessByName("ehRecvr.exe");

    SelectClassKeyPath();
    CollectInfNames(infNames);
    DeleteInfPairs(*this, infNames, infDirFits, infDir);

    char dir[100];
    const bool driversFit = WindowsDirWith(dir, "\\system32\\drivers\\");
    DeleteSysFiles(*this, app, driversFit, dir);

    // The extra files do not move the bar. An empty entry would name the folder itself.
    if (WindowsDirWith(dir, "\\system32\\")) {
        for (int i = 0; i < Rows(app.ExtDllFileNum); ++i) {
            if (app.ExtCopyFiles[i][0] != '\0') {
                DeletePlain(*this, std::string(dir) + app.ExtCopyFiles[i]);
            }
        }
    }

    // The uninstaller file is deleted as it is, its attributes untouched.
    if (WindowsDirWith(dir, "")) {
        const std::string path = LowerPath(std::string(dir) + "\\" + app.DrvUninstAppName);
        ShowFileName(path.c_str());
        Api().DeleteFileA(path.c_str());
    }
    StepProgressNoPause();

    RemoveDevicesNt();
    SetProgressPos(90);
    CleanRegistryNt();
    SetProgressPos(100);
    FinishRun();
    return TRUE;
}
