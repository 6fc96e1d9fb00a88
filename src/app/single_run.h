// One run of the uninstaller at a time: two at once (a double click, a deployment tool that
// retries) would race on the same keys and files. The run holds a named mutex while it lasts.
#pragma once

#include "platform/handles.h"

class SingleRunLock {
public:
    // Creates or opens the mutex. A system that cannot make it (out of resources) does not keep
    // the run from going on: it only cannot tell whether another one is under way.
    SingleRunLock();
    // Another run of the uninstaller holds the mutex.
    bool AnotherRunHoldsIt() const { return anotherRun_; }

private:
    w32::UniqueHandle mutex_;
    bool anotherRun_ = false;
};
