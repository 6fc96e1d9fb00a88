// The port as tvprofile gives it to the product's own code: the running adapter (the simulated
// machine natively, the real API on Windows) with a few calls taken over, so that the uninstaller's
// loader and device scans can be run on any profile file, for any country code, and watched.
//
// Taken over:
// - GetPrivateProfileStringA on "TVMuxDrv.ini": every read is recorded (section, key, default,
//   capacity, the buffer it fills and the value it got) and goes to the file being checked, or,
//   in answer mode, gets a value from a table instead of any file;
// - the country code: while a country is set, the version reads as the 9x family and win.ini's
//   iCountry as that code, so GetCountryCode gives it without touching the live settings;
// - the device installer's present-device list, when fake devices are set: the scans then see
//   exactly those devices and nothing of the machine's.
// Everything else is the adapter's.
#pragma once

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/port.h"

namespace tvprofile {

struct ProfileRead {
    std::string section;
    std::string key;
    std::string deflt;
    w32::DWORD capacity = 0;
    const char* buffer = nullptr;  // where the loader wanted the value: says which field it fills
    std::string value;             // what the loader got, cut to capacity - 1
};

// What the probe does on top of the adapter; kept apart from the adapter type so that the checks
// need not be templates.
class ProbeControl {
public:
    virtual ~ProbeControl() = default;

    // The profile reads go to this file name (as the adapter's profile reader understands it).
    std::string profileFile = "TVMuxDrv.ini";
    // Answer mode: no file is read; a key gets its value from here (keys in lower case) or the
    // caller's default.
    std::optional<std::map<std::string, std::string>> answers;
    std::optional<int> country;
    std::optional<std::vector<std::string>> fakeDevices;  // first hardware ID of each device
    std::vector<ProfileRead> reads;

    // The whole value of one key through the adapter's own reader, or nothing when the key is
    // absent. Not recorded.
    virtual std::optional<std::string> WholeValue(const std::string& section,
                                                  const std::string& key) = 0;
};

namespace detail {
inline bool IsProfileName(const char* fileName) {
    if (fileName == nullptr) return false;
    const char* expected = "tvmuxdrv.ini";
    for (; *fileName != '\0' && *expected != '\0'; ++fileName, ++expected) {
        char c = *fileName;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != *expected) return false;
    }
    return *fileName == '\0' && *expected == '\0';
}
inline std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}
// The handle of the fake device list; never handed to the adapter.
inline w32::HDEVINFO FakeSet() {
    static char marker;
    return reinterpret_cast<w32::HDEVINFO>(&marker);
}
}  // namespace detail

template <class Adapter>
class ProfileProbe final : public Adapter, public ProbeControl {
public:
    using BOOL = w32::BOOL;
    using DWORD = w32::DWORD;
    using UINT = w32::UINT;

    DWORD GetPrivateProfileStringA(const char* app, const char* key, const char* deflt, char* out,
                                   DWORD size, const char* file) override {
        if (!detail::IsProfileName(file) || app == nullptr || key == nullptr || out == nullptr ||
            size == 0) {
            return Adapter::GetPrivateProfileStringA(app, key, deflt, out, size, file);
        }
        DWORD n = 0;
        if (answers) {
            const auto it = answers->find(detail::Lower(key));
            const std::string value = it != answers->end() ? it->second : (deflt ? deflt : "");
            n = static_cast<DWORD>(std::min<std::size_t>(value.size(), size - 1));
            std::memcpy(out, value.data(), n);
            out[n] = '\0';
        } else {
            n = Adapter::GetPrivateProfileStringA(app, key, deflt, out, size, profileFile.c_str());
        }
        reads.push_back(ProfileRead{app, key, deflt ? deflt : "", size, out,
                                    std::string(out, strnlen(out, size))});
        return n;
    }

    UINT GetPrivateProfileIntA(const char* app, const char* key, int deflt,
                               const char* file) override {
        if (country && app != nullptr && key != nullptr && detail::Lower(app) == "intl" &&
            detail::Lower(key) == "icountry") {
            return static_cast<UINT>(*country);
        }
        return Adapter::GetPrivateProfileIntA(app, key, deflt, file);
    }

    BOOL GetVersionExA(w32::OSVERSIONINFOA* info) override {
        if (!country) return Adapter::GetVersionExA(info);
        info->dwPlatformId = w32::VER_PLATFORM_WIN32_WINDOWS;
        info->dwMajorVersion = 4;
        info->dwMinorVersion = 10;
        info->dwBuildNumber = 0;
        return w32::TRUE;
    }

    w32::HDEVINFO SetupDiGetClassDevsA(const w32::GUID* guid, const char* enumerator,
                                       w32::HWND parent, DWORD flags) override {
        if (!fakeDevices) return Adapter::SetupDiGetClassDevsA(guid, enumerator, parent, flags);
        return detail::FakeSet();
    }

    BOOL SetupDiEnumDeviceInfo(w32::HDEVINFO set, DWORD index,
                               w32::SP_DEVINFO_DATA* device) override {
        if (set != detail::FakeSet()) return Adapter::SetupDiEnumDeviceInfo(set, index, device);
        if (index >= fakeDevices->size()) {
            Adapter::SetLastError(w32::ERROR_NO_MORE_ITEMS);
            return w32::FALSE;
        }
        device->DevInst = index;
        return w32::TRUE;
    }

    BOOL SetupDiGetDeviceRegistryPropertyA(w32::HDEVINFO set, w32::SP_DEVINFO_DATA* device,
                                           DWORD property, DWORD* type, w32::BYTE* buffer,
                                           DWORD size, DWORD* required) override {
        if (set != detail::FakeSet()) {
            return Adapter::SetupDiGetDeviceRegistryPropertyA(set, device, property, type, buffer,
                                                              size, required);
        }
        if (property != w32::SPDRP_HARDWAREID || device->DevInst >= fakeDevices->size()) {
            Adapter::SetLastError(w32::ERROR_INVALID_DATA);
            return w32::FALSE;
        }
        // A one-string list: the text, its terminator and the list's.
        const std::string& id = (*fakeDevices)[device->DevInst];
        const DWORD needed = static_cast<DWORD>(id.size() + 2);
        if (required != nullptr) *required = needed;
        if (type != nullptr) *type = w32::REG_MULTI_SZ;
        if (buffer == nullptr || size < needed) {
            Adapter::SetLastError(w32::ERROR_INSUFFICIENT_BUFFER);
            return w32::FALSE;
        }
        std::memcpy(buffer, id.c_str(), id.size() + 1);
        buffer[id.size() + 1] = 0;
        return w32::TRUE;
    }

    BOOL SetupDiDestroyDeviceInfoList(w32::HDEVINFO set) override {
        if (set == detail::FakeSet()) return w32::TRUE;
        return Adapter::SetupDiDestroyDeviceInfoList(set);
    }

    std::optional<std::string> WholeValue(const std::string& section,
                                          const std::string& key) override {
        // Two different defaults tell an absent key from one whose value happens to be either.
        std::vector<char> a(1 << 16), b(1 << 16);
        const auto size = static_cast<DWORD>(a.size());
        Adapter::GetPrivateProfileStringA(section.c_str(), key.c_str(), "\x01", a.data(), size,
                                          profileFile.c_str());
        Adapter::GetPrivateProfileStringA(section.c_str(), key.c_str(), "\x02", b.data(), size,
                                          profileFile.c_str());
        if (std::strcmp(a.data(), b.data()) != 0) return std::nullopt;
        return std::string(a.data());
    }
};

}  // namespace tvprofile
