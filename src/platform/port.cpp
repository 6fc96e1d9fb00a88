#include "platform/port.h"

#include <cstdlib>

namespace w32 {

namespace {
Win32Api* installed = nullptr;
}

Win32Api& Api() {
    // Running without an adapter is a programming error that no caller could recover from.
    if (installed == nullptr) std::abort();
    return *installed;
}

void InstallApi(Win32Api* api) {
    installed = api;
}

}  // namespace w32
