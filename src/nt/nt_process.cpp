// Stopping a running process by its image name, and the NT minor version that decides whether the
// media receiver is stopped.
#include <cstring>
#include <string_view>

#include "app/uninst_app.h"
#include "app/windows_version.h"
#include "nt/nt_removal.h"
#include "platform/handles.h"

namespace {

// Enables the debug privilege in the program's token, so that a process of another account (a
// service) can be opened with full access, then ends the process. Returns false when the token or
// the privilege is not available, in which case the process was not approached.
bool TerminateWithDebugPrivilege(DWORD processId, const char* imageName, RunResult& result) {
    UniqueHandle token;
    if (!Api().OpenProcessToken(Api().GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                                token.put())) {
        return false;
    }
    LUID luid{};
    if (!Api().LookupPrivilegeValueA(nullptr, SE_DEBUG_NAME, &luid)) return false;
    TOKEN_PRIVILEGES enable{};
    enable.PrivilegeCount = 1;
    enable.Privileges[0].Luid = luid;
    enable.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES previous{};
    DWORD previousLength = 0;
    // Left enabled afterwards; an account without the privilege still gets the attempt below.
    Api().AdjustTokenPrivileges(token.get(), FALSE, &enable, sizeof(enable), &previous,
                                &previousLength);
    UniqueHandle process(Api().OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
    if (!process) {
        result.Record(Action::EndProcess, imageName, Outcome::Failed, Api().GetLastError());
    } else if (Api().TerminateProcess(process.get(), 0) == FALSE) {
        result.Record(Action::EndProcess, imageName, Outcome::Failed, Api().GetLastError());
    } else {
        result.Record(Action::EndProcess, imageName, Outcome::Ok);
    }
    return true;
}

}  // namespace

void TerminateProcessByName(const char* imageName, RunResult& result) {
    UniqueSnapshot snapshot(Api().CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    if (!Api().Process32First(snapshot.get(), &entry)) return;
    const std::string_view wanted(imageName);
    bool done = false;
    do {
        // Byte for byte, letter case included; the entry's name is read only within its field.
        const std::string_view exe(entry.szExeFile,
                                   strnlen(entry.szExeFile, sizeof(entry.szExeFile)));
        if (exe == wanted && TerminateWithDebugPrivilege(entry.th32ProcessID, imageName, result))
            done = true;
    } while (Api().Process32Next(snapshot.get(), &entry) && !done);
}

DWORD NtMinorVersion() {
    const OSVERSIONINFOA version = QueryVersion();
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT ? version.dwMinorVersion : 0;
}
