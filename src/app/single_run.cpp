#include "app/single_run.h"

#include "app/uninst_app.h"
#include "app/windows_version.h"

namespace {

// "Global\" puts the name in the one namespace of every session (a run under a deployment tool
// is in session 0, a user's double click in another). Windows NT 4.0 and the 9x family know no
// such prefix and refuse a name with a backslash; they have one namespace anyway.
const char* MutexName() {
    const OSVERSIONINFOA version = QueryVersion();
    const bool sessions =
        version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
    return sessions ? "Global\\TvuninstRun" : "TvuninstRun";
}

}  // namespace

SingleRunLock::SingleRunLock() : mutex_(Api().CreateMutexA(nullptr, FALSE, MutexName())) {
    // The last error is read before anything else can change it.
    anotherRun_ = mutex_ && Api().GetLastError() == ERROR_ALREADY_EXISTS;
}
