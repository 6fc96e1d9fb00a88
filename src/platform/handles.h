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
    // Gives up ownership without releasing: for calls that take the handle and may hand back
    // another one (AddSIDToBoundaryDescriptor).
    Handle release() { return std::exchange(h_, Traits::invalid()); }
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

// A private namespace is closed, not destroyed: it goes when its last handle does.
struct NamespaceTraits {
    using Handle = HANDLE;
    static HANDLE invalid() { return nullptr; }
    static void release(HANDLE h) { Api().ClosePrivateNamespace(h, 0); }
};

struct BoundaryTraits {
    using Handle = HANDLE;
    static HANDLE invalid() { return nullptr; }
    static void release(HANDLE h) { Api().DeleteBoundaryDescriptor(h); }
};

struct CryptMsgTraits {
    using Handle = HCRYPTMSG;
    static HCRYPTMSG invalid() { return nullptr; }
    static void release(HCRYPTMSG h) { Api().CryptMsgClose(h); }
};

struct CertStoreTraits {
    using Handle = HCERTSTORE;
    static HCERTSTORE invalid() { return nullptr; }
    static void release(HCERTSTORE h) { Api().CertCloseStore(h, 0); }
};

using UniqueKey = Unique<KeyTraits>;
using UniqueDevInfo = Unique<DevInfoTraits>;
using UniqueSnapshot = Unique<SnapshotTraits>;
using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueLocal = Unique<LocalTraits>;
using UniqueNamespace = Unique<NamespaceTraits>;
using UniqueBoundary = Unique<BoundaryTraits>;
using UniqueCryptMsg = Unique<CryptMsgTraits>;
using UniqueCertStore = Unique<CertStoreTraits>;
using UniqueService = Unique<ServiceTraits>;

}  // namespace w32
