// One run of the uninstaller at a time: two at once (a double click, a deployment tool that
// retries) would race on the same keys and files. The run holds a mutex while it lasts, made so
// that no user can hold it in its place: from Vista on in a private namespace that only an
// elevated administrator or SYSTEM can make; before, a named mutex that only they may open, whose
// owner tells a run of ours from a user's squatting object of the same name.
#pragma once

#include <string>
#include <vector>

#include "platform/handles.h"

class SingleRunLock {
public:
    // Takes the lock, or finds that another run holds it.
    SingleRunLock();
    // Another run of the uninstaller holds the lock.
    bool AnotherRunHoldsIt() const { return anotherRun_; }
    // What the log should say about the lock: squatters passed over, a run without a lock.
    const std::vector<std::string>& Notes() const { return notes_; }

private:
    // True once it has decided (held, or another run's); false to try the named mutex instead.
    bool TakeInPrivateNamespace(w32::SECURITY_ATTRIBUTES* attributes, bool integrityLabel);
    void TakeNamed(const std::string& name, w32::SECURITY_ATTRIBUTES* attributes);

    // Released in the reverse order: the mutex, then its namespace, then the boundary.
    w32::UniqueBoundary boundary_;
    w32::UniqueNamespace namespace_;
    w32::UniqueHandle mutex_;
    bool anotherRun_ = false;
    std::vector<std::string> notes_;
};
