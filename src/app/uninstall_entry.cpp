#include "app/uninstall_entry.h"

#include <cstdio>
#include <cstring>

#include "app/text.h"
#include "app/uninst_app.h"
#include "app/windows_version.h"
#include "platform/handles.h"

namespace {

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Opens the product's entry in one view; false when the profile names no entry (the path would
// be the list of installed programs itself) or the view does not hold it.
bool OpenEntry(DWORD view, UniqueKey& entry) {
    if (theApp.DrvUninstRegKeyPath[0] == '\0') return false;
    const std::string path = std::string(kUninstallKey) + "\\" + theApp.DrvUninstRegKeyPath;
    return Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | view,
                               entry.put()) == ERROR_SUCCESS;
}

}  // namespace

void MarkRunStarted() {
    SYSTEMTIME now{};
    Api().GetLocalTime(&now);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    const RegistryViews views = UninstallEntryViews();
    for (int v = 0; v < views.count; ++v) {
        UniqueKey entry;
        if (!OpenEntry(views.flags[v], entry)) continue;
        Api().RegSetValueExA(entry.get(), kRunStartedValue, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(stamp),
                             static_cast<DWORD>(std::strlen(stamp) + 1));
        Api().RegFlushKey(entry.get());
    }
}

bool RunWasInterrupted() {
    const RegistryViews views = UninstallEntryViews();
    for (int v = 0; v < views.count; ++v) {
        UniqueKey entry;
        if (!OpenEntry(views.flags[v], entry)) continue;
        DWORD type = 0;
        DWORD size = 0;
        if (Api().RegQueryValueExA(entry.get(), kRunStartedValue, nullptr, &type, nullptr, &size) ==
            ERROR_SUCCESS)
            return true;
    }
    return false;
}

std::string PathInView(const std::string& path, DWORD view) {
    constexpr char kSoftware[] = "Software\\";
    constexpr std::size_t kLength = sizeof kSoftware - 1;
    if (view != KEY_WOW64_32KEY || AsciiStrNICmp(path.c_str(), kSoftware, kLength) != 0)
        return path;
    return path.substr(0, kLength) + "Wow6432Node\\" + path.substr(kLength);
}

void RecordKeyDelete(RunResult& result, std::string key, LONG code) {
    if (code == ERROR_SUCCESS) {
        result.Record(Action::DeleteKey, std::move(key), Outcome::Ok);
    } else if (code == static_cast<LONG>(ERROR_FILE_NOT_FOUND)) {
        result.Record(Action::DeleteKey, std::move(key), Outcome::NotFound);
    } else {
        result.Record(Action::DeleteKey, std::move(key), Outcome::Failed, static_cast<DWORD>(code));
    }
}
