// Where the system DLLs come from: each one the adapter looks functions up in, found once, and
// the restricted search for any DLL loaded later.
#include "platform/win32/win32_internal.h"

namespace win32adapter {

const SystemLibrary& Kernel32() {
    static const SystemLibrary library = SystemLibrary::Resident("kernel32.dll");
    return library;
}

// Windows 95 and NT 4.0 have one screen and no monitor functions; USER32 is in the process from
// its start, so it is only looked up.
const SystemLibrary& User32() {
    static const SystemLibrary library = SystemLibrary::Resident("user32.dll");
    return library;
}

// Imported for the registry calls every Windows has, so it is in the process from the start.
const SystemLibrary& AdvApi32() {
    static const SystemLibrary library = SystemLibrary::Resident("advapi32.dll");
    return library;
}

const SystemLibrary& SetupApi() {
    static const SystemLibrary library = SystemLibrary::FromSystemFolder("setupapi.dll");
    return library;
}

const SystemLibrary& ShlwApi() {
    static const SystemLibrary library = SystemLibrary::FromSystemFolder("shlwapi.dll");
    return library;
}

// From XP on, sfc.dll only forwards SfcIsFileProtected to sfc_os.dll, and a forward is followed
// when the function is looked up, by a search that need not start in sfc.dll's folder: Wine 8
// takes a sfc_os.dll lying beside the program then, even after the search was restricted (seen
// with tests/wine/loadprobe). Loaded first from the system folder, sfc_os.dll is already in the
// process when the forward is followed, and the loader takes that one. Where it does not exist
// (2000, the 9x family) nothing is lost.
const SystemLibrary& Sfc() {
    static const SystemLibrary library = SystemLibrary::FromSystemFolder("sfc.dll", "sfc_os.dll");
    return library;
}

// Found at run time rather than imported: an import is resolved by the loader's search before
// main, and before XP (no side-by-side binding) that search looks beside the exe first, where a
// comctl32.dll may have been dropped. From XP on (which brought activation contexts) the
// manifest's binding to version 6 is followed by name; before, the system folder's copy is
// loaded by its full path.
const SystemLibrary& ComCtl32() {
    static const SystemLibrary library = Kernel32().Find<void (*)()>("ActivateActCtx") != nullptr
                                             ? SystemLibrary::BoundByManifest("comctl32.dll")
                                             : SystemLibrary::FromSystemFolder("comctl32.dll");
    return library;
}

void RestrictDllSearch() {
    static const auto fn =
        Kernel32().Find<decltype(&::SetDefaultDllDirectories)>("SetDefaultDllDirectories");
    // Elsewhere nothing is changed: the adapter loads every DLL by its full path anyway.
    if (fn != nullptr) fn(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace win32adapter
