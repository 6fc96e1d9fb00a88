#include "app/single_run.h"

#include "app/security.h"
#include "app/windows_version.h"

using namespace w32;

namespace {

constexpr const char* kLockName = "TvuninstRun";
// Only an administrator's or SYSTEM's run may open the namespace or the mutex.
constexpr const char* kAdministratorsAndSystemOnly = "D:P(A;;GA;;;BA)(A;;GA;;;SY)";
constexpr const char* kHighIntegrity = "S-1-16-12288";
// A user may squat the first names too; each run walks the same names and takes the first that
// is free or ours, so two runs still meet on one. Past the last, the run goes on without a lock
// (and says so): a user who squats every name only gets back the race that two runs would have.
constexpr int kNamedLocks = 8;

bool Win7OrLater(const OSVERSIONINFOA& v) {
    return v.dwMajorVersion > 6 || (v.dwMajorVersion == 6 && v.dwMinorVersion >= 1);
}

// The boundary descriptor may move when it grows; the owner follows it.
bool AddToBoundary(UniqueBoundary& boundary, const char* sidText, bool label) {
    PSID sid = nullptr;
    if (Api().ConvertStringSidToSidA(sidText, &sid) == FALSE) return false;
    const UniqueLocal owned(sid);
    HANDLE handle = boundary.release();
    const BOOL added = label ? Api().AddIntegrityLabelToBoundaryDescriptor(&handle, sid)
                             : Api().AddSIDToBoundaryDescriptor(&handle, sid);
    boundary.reset(handle);
    return added != FALSE;
}

}  // namespace

SingleRunLock::SingleRunLock() {
    const OSVERSIONINFOA version = QueryVersion();
    // The 9x family has one user and no security: the named mutex alone, as before.
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        TakeNamed(kLockName, nullptr);
        return;
    }
    // NT 4.0 cannot convert the descriptor: the mutex then gets the creator's default DACL, which
    // for an administrator's or SYSTEM's run lets no standard user open it either.
    const UniqueLocal descriptor = SecurityDescriptor(kAdministratorsAndSystemOnly);
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor.get(), FALSE};
    SECURITY_ATTRIBUTES* secured = descriptor ? &attributes : nullptr;
    if (version.dwMajorVersion >= 6 && TakeInPrivateNamespace(secured, Win7OrLater(version)))
        return;
    // "Global\" puts the name in the one namespace of every session (a run under a deployment
    // tool is in session 0, a user's double click in another). NT 4.0 knows no such prefix and
    // has one namespace anyway.
    TakeNamed(version.dwMajorVersion >= 5 ? std::string("Global\\") + kLockName : kLockName,
              secured);
}

bool SingleRunLock::TakeInPrivateNamespace(SECURITY_ATTRIBUTES* attributes, bool integrityLabel) {
    // Only a process whose token holds Administrators (and, from Windows 7, the high integrity
    // level, which a non-elevated administrator lacks) can make this namespace: a standard user
    // cannot make it first, nor an object in it.
    boundary_.reset(Api().CreateBoundaryDescriptorA(kLockName, 0));
    if (!boundary_ || !AddToBoundary(boundary_, kAdministratorsSid, false) ||
        (integrityLabel && !AddToBoundary(boundary_, kHighIntegrity, true))) {
        boundary_.reset();
        return false;
    }
    namespace_.reset(Api().CreatePrivateNamespaceA(attributes, boundary_.get(), kLockName));
    if (!namespace_) {
        const DWORD created = Api().GetLastError();
        // Made by a run that holds it, or by one that has just ended; a namespace that exists
        // and cannot be opened is another run's, never a reason to run without the lock.
        if (created != ERROR_ALREADY_EXISTS) {
            boundary_.reset();
            return false;
        }
        namespace_.reset(Api().OpenPrivateNamespaceA(boundary_.get(), kLockName));
        if (!namespace_) {
            anotherRun_ = true;
            return true;
        }
    }
    mutex_.reset(Api().CreateMutexA(attributes, FALSE, (std::string(kLockName) + "\\Run").c_str()));
    // The last error is read before anything else can change it.
    const DWORD error = Api().GetLastError();
    if (!mutex_) {
        anotherRun_ = error == ERROR_ACCESS_DENIED;
        if (!anotherRun_) notes_.push_back("lock: none (error " + std::to_string(error) + ")");
    } else {
        anotherRun_ = error == ERROR_ALREADY_EXISTS;
    }
    return true;
}

void SingleRunLock::TakeNamed(const std::string& name, SECURITY_ATTRIBUTES* attributes) {
    for (int n = 1; n <= kNamedLocks; ++n) {
        const std::string tried = n == 1 ? name : name + "." + std::to_string(n);
        UniqueHandle mutex(Api().CreateMutexA(attributes, FALSE, tried.c_str()));
        const DWORD error = Api().GetLastError();
        if (!mutex) {
            // An existing lock this run may not open is another run's (an older run's default
            // DACL kept administrators out); a system out of resources cannot tell, and the run
            // goes on.
            anotherRun_ = error == ERROR_ACCESS_DENIED;
            if (!anotherRun_) notes_.push_back("lock: none (error " + std::to_string(error) + ")");
            return;
        }
        if (error != ERROR_ALREADY_EXISTS || attributes == nullptr) {
            anotherRun_ = error == ERROR_ALREADY_EXISTS;
            mutex_ = std::move(mutex);
            return;
        }
        // Only a run as an administrator or SYSTEM makes the lock; an owner that cannot be read
        // is taken for such a run rather than risk two runs at once.
        const std::string owner = OwnerOf(mutex.get());
        if (owner.empty() || OwnedLikeOurs(owner)) {
            anotherRun_ = true;
            return;
        }
        notes_.push_back("lock: " + tried + " belongs to " + owner +
                         ", which no run of the uninstaller gives it: passed over");
    }
    notes_.push_back("lock: none (every name is held by another account)");
}
