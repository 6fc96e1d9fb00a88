// Owners for everything the port hands out, so that every path releases what it obtained.
#pragma once

#include <utility>

#include "platform/port.h"

namespace w32 {

// One move-only owner; Traits says what "no handle" is and how to release one.
template <typename Traits>
class Unique {
public:
    using Handle = typename Traits::Handle;

    Unique() = default;
    explicit Unique(Handle h) : h_(h) {}
    ~Unique() { reset(); }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& o) noexcept : h_(std::exchange(o.h_, Traits::invalid())) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, Traits::invalid());
        }
        return *this;
    }

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::invalid(); }
    // For out-parameters: releases what is held and hands out the slot.
    Handle* put() {
        reset();
        return &h_;
    }
    void reset(Handle h = Traits::invalid()) {
        if (h_ != Traits::invalid()) Traits::release(h_);
        h_ = h;
    }

private:
    Handle h_ = Traits::invalid();
};

struct KeyTraits {
    using Handle = HKEY;
    static HKEY invalid() { return nullptr; }
    static void release(HKEY h) { Api().RegCloseKey(h); }
};

// Destroying a device set must not disturb the last-error value that ended the walk over it.
struct DevInfoTraits {
    using Handle = HDEVINFO;
    static HDEVINFO invalid() { return INVALID_HANDLE_VALUE; }
    static void release(HDEVINFO h) {
        const DWORD saved = Api().GetLastError();
        Api().SetupDiDestroyDeviceInfoList(h);
        Api().SetLastError(saved);
    }
};

// Snapshots report failure as INVALID_HANDLE_VALUE.
struct SnapshotTraits {
    using Handle = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void release(HANDLE h) { Api().CloseHandle(h); }
};

// Tokens and processes report failure as a null handle.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static HANDLE invalid() { return nullptr; }
    static void release(HANDLE h) { Api().CloseHandle(h); }
};

// Service control manager and service handles report failure as null.
struct ServiceTraits {
    using Handle = SC_HANDLE;
    static SC_HANDLE invalid() { return nullptr; }
    static void release(SC_HANDLE h) { Api().CloseServiceHandle(h); }
};

struct LocalTraits {
    using Handle = HLOCAL;
    static HLOCAL invalid() { return nullptr; }
    static void release(HLOCAL h) { Api().LocalFree(h); }
};

using UniqueKey = Unique<KeyTraits>;
using UniqueDevInfo = Unique<DevInfoTraits>;
using UniqueSnapshot = Unique<SnapshotTraits>;
using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueLocal = Unique<LocalTraits>;
using UniqueService = Unique<ServiceTraits>;

}  // namespace w32
