// Inside the real-API adapter: what its files share. Each of them includes this header first and
// <windows.h> nowhere else. The port header comes before <windows.h>: once that is in, its macros
// (TRUE, MAX_PATH, HKEY_LOCAL_MACHINE, INVALID_HANDLE_VALUE, ...) would rewrite the port's
// constants, so the adapter names none of them and converts only types, handles and structures.
#pragma once

#include "platform/port.h"
#include "platform/win32/win32_api.h"

// clang-format off
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>
#include <shlwapi.h>
#include <tlhelp32.h>
// clang-format on

#include <cstddef>
#include <cstdint>
#include <cstring>

// BOOL is a macro for WINBOOL in MinGW's headers; both are int, and the port's BOOL must stay
// nameable in the adapter's files.
#undef BOOL

namespace win32adapter {

template <typename To, typename From>
To As(From p) {
    return reinterpret_cast<To>(p);
}

// The port spells the predefined roots as their 32-bit values (HKEY_LOCAL_MACHINE is 0x80000002),
// while the system's own constants are sign-extended to pointer width on x64. Hand over exactly
// the system's values rather than rely on the registry truncating a handle it is given.
inline ::HKEY Key(w32::HKEY k) {
    const auto v = reinterpret_cast<std::uintptr_t>(k);
    if (v >= 0x80000000u && v <= 0x800000FFu) {
        const auto widened =
            static_cast<std::intptr_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
        return reinterpret_cast<::HKEY>(widened);
    }
    return reinterpret_cast<::HKEY>(k);
}

inline ::HWND Wnd(w32::HWND h) {
    return As<::HWND>(h);
}

// A system DLL whose functions are looked up at run time instead of imported. Windows refuses to
// start a program that imports a single function it lacks, and the uninstaller must start on every
// Windows it cleans: 95 and 98 have no sfc.dll, NT 4.0 no Tool Help, nothing before XP has
// SetupUninstallOEMInfA or the WOW64 calls. Each DLL is found once and kept for the life of the
// process: unloading it at exit would only run its detach code during the runtime's shutdown.
class SystemLibrary {
public:
    // A DLL the process has not loaded yet, from the system folder. forwardsTo names the DLL its
    // functions are forwarded to, loaded first from there too (see Sfc()).
    static SystemLibrary FromSystemFolder(const char* fileName, const char* forwardsTo = nullptr) {
        if (forwardsTo != nullptr) LoadFromSystemFolder(forwardsTo);
        return SystemLibrary(LoadFromSystemFolder(fileName));
    }

    // A DLL in every process from its start (KERNEL32): only looked up, never loaded.
    static SystemLibrary Resident(const char* fileName) {
        return SystemLibrary(::GetModuleHandleA(fileName));
    }

    // A DLL that the exe's manifest binds to a side-by-side assembly: by its name alone, which
    // the loader resolves through that binding before it searches any folder. A full path would
    // bypass the binding and load the system folder's older version instead.
    static SystemLibrary BoundByManifest(const char* fileName) {
        return SystemLibrary(::LoadLibraryA(fileName));
    }

    // The function of that name with the type it is declared with, or null where the DLL or the
    // function is missing.
    template <typename Fn>
    Fn Find(const char* procName) const {
        if (module_ == nullptr) return nullptr;
        // Through the type that matches every function, so that the cast says what it means.
        return reinterpret_cast<Fn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(module_, procName)));
    }

private:
    explicit SystemLibrary(::HMODULE module) : module_(module) {}

    // By its full path in the system folder, never by its bare name, which the search would look
    // for first beside the uninstaller (in Downloads, say, where a web page may have dropped a DLL
    // of that name). The altered search path makes the DLLs it imports come from the system
    // folder as well, rather than from beside the uninstaller.
    static ::HMODULE LoadFromSystemFolder(const char* fileName) {
        char path[MAX_PATH];
        const ::UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
        const std::size_t nameLength = std::strlen(fileName);
        // Without the system folder's full path there is no safe place to load it from.
        if (length == 0 || length + 1 + nameLength >= sizeof path) return nullptr;
        path[length] = '\\';
        std::memcpy(path + length + 1, fileName, nameLength + 1);
        return ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }

    ::HMODULE module_;
};

// The system DLLs whose functions the adapter looks up at run time (win32_libraries.cpp says
// where each comes from).
const SystemLibrary& Kernel32();
const SystemLibrary& User32();
const SystemLibrary& AdvApi32();
const SystemLibrary& SetupApi();
const SystemLibrary& ShlwApi();
const SystemLibrary& Sfc();
const SystemLibrary& ComCtl32();

// Checks that a port type has the system's layout: a field at the same offset and of the same
// size, or the whole type of the same size. Each group's file checks the types it converts.
#define TVU_SAME_FIELD(port, real, field)                                  \
    static_assert(offsetof(w32::port, field) == offsetof(::real, field) && \
                      sizeof(w32::port::field) == sizeof(::real::field),   \
                  #port "." #field " differs from the system's layout")
#define TVU_SAME_SIZE(port, real) \
    static_assert(sizeof(w32::port) == sizeof(::real), #port " differs in size from the system's")

// What a call of a function the system lacks gives back: the function's own failure, with the
// error GetProcAddress reports for a missing entry point, which callers already meet as a failed
// call.
template <typename T>
T ProcNotFound(T failure) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return failure;
}

}  // namespace win32adapter
