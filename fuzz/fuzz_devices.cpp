// The present-device walks over arbitrary hardware-ID lists and profile rows: the 9x scan with its
// enumerator keys, the NT scan, and the NT device removal.
//
// Input: one item per line, the first character saying what it is.
//   D<id>|<id>|...    a present device with that hardware-ID list (terminated as Windows stores it)
//   B<bytes>          a device whose HardwareID value is these bytes as they are, '|' standing
//                     for a NUL: a list that may lack its terminators
//   N                 a device without a HardwareID value
//   F<c>              the hardware-ID read of the device before fails: c = '5' access denied,
//                     '8' out of memory, 'p' invalid parameter, anything else invalid data
//   A                 the device before is not present
//   R<ID>|<Name>|<SYS>|<INF>   a DevTable row; E the same for ExtDevTable, P for PossibleDevTable
//   C<R|E|P><number>  that table's count instead of its number of rows (-2 to 15)
// Invariants: counts and lists within their bounds, substituted rows are whole candidate rows, no
// device removed unless a non-empty row ID is a prefix of its first hardware ID, and every handle
// released.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/text.h"
#include "app/uninst_app.h"
#include "fuzz_support.h"
#include "nt/nt_removal.h"
#include "win9x/enum_keys.h"

namespace {

constexpr const char* kEnum = "SYSTEM\\CurrentControlSet\\Enum";
constexpr std::size_t kMaxDevices = 64;

fuzz::MachinePool pool(500);

struct Device {
    std::string instance;  // below the Enum key
    std::optional<std::vector<std::uint8_t>> hardwareIds;
    std::optional<w32::DWORD> readError;
    bool present = true;
    // The first hardware ID as the program should see it: the bytes up to the first NUL.
    std::string FirstId() const { return hardwareIds ? fuzz::TextOf(*hardwareIds) : ""; }
    bool Readable() const { return present && hardwareIds && !readError; }
};

struct Tables {
    std::vector<DeviceEntry> dev, ext, possible;
    std::optional<int> devCount, extCount, possibleCount;
};

DeviceEntry RowFrom(const std::string& text) {
    DeviceEntry e{};
    const std::vector<std::string> f = fuzz::Split(text, '|');
    CopyField(e.ID, f[0].c_str());
    if (f.size() > 1) CopyField(e.Name, f[1].c_str());
    if (f.size() > 2) CopyField(e.SYS, f[2].c_str());
    if (f.size() > 3) CopyField(e.INF, f[3].c_str());
    return e;
}

std::vector<std::uint8_t> Bytes(const std::string& s) {
    std::vector<std::uint8_t> out(s.begin(), s.end());
    for (auto& b : out) {
        if (b == '|') b = 0;
    }
    return out;
}

void Decode(const std::uint8_t* data, std::size_t size, std::uint64_t input,
            std::vector<Device>& devices, Tables& t) {
    for (const fuzz::Line& l : fuzz::Lines(data, size)) {
        auto newDevice = [&] {
            Device d;
            // A name of its own per input: what a machine remembers about an earlier input's
            // devices (absence, failing reads) never applies to this one's.
            d.instance =
                "FUZZ\\DEV" + std::to_string(devices.size()) + "\\" + std::to_string(input);
            devices.push_back(d);
            return &devices.back();
        };
        switch (l.tag) {
            case 'D': {
                if (devices.size() >= kMaxDevices) break;
                std::vector<std::uint8_t> list;
                for (const std::string& id : fuzz::Split(l.rest, '|')) {
                    // A NUL inside an ID would end it early in the stored list: keep IDs whole.
                    for (char c : id) {
                        if (c != '\0') list.push_back(static_cast<std::uint8_t>(c));
                    }
                    list.push_back(0);
                }
                list.push_back(0);
                newDevice()->hardwareIds = list;
                break;
            }
            case 'B':
                if (devices.size() >= kMaxDevices) break;
                { newDevice()->hardwareIds = Bytes(l.rest); }
                break;
            case 'N':
                if (devices.size() < kMaxDevices) newDevice();
                break;
            case 'F':
                if (!devices.empty()) {
                    const char c = l.rest.empty() ? 0 : l.rest[0];
                    devices.back().readError = c == '5'   ? w32::ERROR_ACCESS_DENIED
                                               : c == '8' ? w32::ERROR_NOT_ENOUGH_MEMORY
                                               : c == 'p' ? w32::ERROR_INVALID_PARAMETER
                                                          : w32::ERROR_INVALID_DATA;
                }
                break;
            case 'A':
                if (!devices.empty()) devices.back().present = false;
                break;
            case 'R':
                if (t.dev.size() < kTableRows) t.dev.push_back(RowFrom(l.rest));
                break;
            case 'E':
                if (t.ext.size() < kTableRows) t.ext.push_back(RowFrom(l.rest));
                break;
            case 'P':
                if (t.possible.size() < kTableRows) t.possible.push_back(RowFrom(l.rest));
                break;
            case 'C': {
                if (l.rest.size() < 2) break;
                int n = 0;
                const char* begin = l.rest.data() + 1;
                const auto r = std::from_chars(begin, l.rest.data() + l.rest.size(), n);
                if (r.ec != std::errc()) break;
                n = std::clamp(n, -2, kTableRows);
                if (l.rest[0] == 'R') t.devCount = n;
                if (l.rest[0] == 'E') t.extCount = n;
                if (l.rest[0] == 'P') t.possibleCount = n;
                break;
            }
            default:
                break;
        }
    }
}

void SetUpMachine(sim::Machine& m, const std::vector<Device>& devices) {
    m.DeleteTree(w32::HKEY_LOCAL_MACHINE, kEnum);
    m.CreateKey(w32::HKEY_LOCAL_MACHINE, kEnum);
    for (const Device& d : devices) {
        const std::string path = std::string(kEnum) + "\\" + d.instance;
        m.AddDevice(d.instance, {});
        if (d.hardwareIds) {
            m.SetBinary(w32::HKEY_LOCAL_MACHINE, path, "HardwareID", *d.hardwareIds,
                        w32::REG_MULTI_SZ);
        }
        if (d.readError) m.FailHardwareIdRead(d.instance, *d.readError);
        if (!d.present) m.SetDevicePresent(d.instance, false);
    }
}

void FillProfile(const Tables& t) {
    ResetProgramState();
    auto fill = [](const std::vector<DeviceEntry>& rows, DeviceEntry(&table)[kTableRows],
                   std::int32_t& count, const std::optional<int>& override) {
        for (std::size_t i = 0; i < rows.size(); ++i) table[i] = rows[i];
        count = override ? *override : static_cast<std::int32_t>(rows.size());
    };
    fill(t.dev, theApp.DevTable, theApp.DevIDNum, t.devCount);
    fill(t.ext, theApp.ExtDevTable, theApp.ExtDevIDNum, t.extCount);
    fill(t.possible, theApp.PossibleDevTable, theApp.PossibleDevIDNum, t.possibleCount);
}

int Rows(std::int32_t count) {
    return std::clamp<std::int32_t>(count, 0, kTableRows);
}

// Rows are compared as texts: a copy carries each string with its terminator, not the bytes
// after it.
bool SameRow(const DeviceEntry& a, const DeviceEntry& b) {
    return std::strcmp(a.ID, b.ID) == 0 && std::strcmp(a.Name, b.Name) == 0 &&
           std::strcmp(a.SYS, b.SYS) == 0 && std::strcmp(a.INF, b.INF) == 0;
}

std::string RowText(const DeviceEntry& e) {
    return std::string(e.ID) + "|" + e.Name + "|" + e.SYS + "|" + e.INF;
}

void CheckHandles(sim::Machine& m, const char* after) {
    FUZZ_CHECK(m.OpenHandles().empty(),
               std::string("after ") + after + "\n" + fuzz::Join(m.OpenHandles()));
    FUZZ_CHECK(m.HandleErrors().empty(),
               std::string("after ") + after + "\n" + fuzz::Join(m.HandleErrors()));
}

// After a scan every DevTable row is either as loaded or a whole copy of one candidate row, every
// field still terminated; the other two tables are as loaded.
void CheckTablesAfterScan(const DeviceEntry (&before)[kTableRows]) {
    const CUninstApp& app = theApp;
    for (int i = 0; i < kTableRows; ++i) {
        const DeviceEntry& row = app.DevTable[i];
        FUZZ_CHECK(fuzz::Terminated(row.ID) && fuzz::Terminated(row.Name) &&
                       fuzz::Terminated(row.SYS) && fuzz::Terminated(row.INF),
                   "DevTable row " + std::to_string(i));
        bool known = SameRow(row, before[i]);
        for (int j = 0; j < Rows(app.PossibleDevIDNum) && !known; ++j)
            known = SameRow(row, app.PossibleDevTable[j]);
        FUZZ_CHECK(known, "DevTable row " + std::to_string(i) + " became " + RowText(row));
        // Rows past the count are never compared, so never substituted.
        if (i >= Rows(app.DevIDNum)) FUZZ_CHECK(SameRow(row, before[i]), std::to_string(i));
    }
}

void CheckKeyList(const std::string (&list)[kEnumKeyListSize], std::int32_t count,
                  const char* name) {
    FUZZ_CHECK(count >= 0 && count <= kEnumKeyListSize,
               std::string(name) + " count " + std::to_string(count));
    for (int i = 0; i < kEnumKeyListSize; ++i) {
        // Every key is cut from the 128-byte working copy.
        if (i < count) {
            FUZZ_CHECK(list[i].size() <= 127, std::string(name) + " entry " + list[i]);
            FUZZ_CHECK(list[i].find('\0') == std::string::npos, name);
        } else {
            FUZZ_CHECK(list[i].empty(), std::string(name) + " past its count: " + list[i]);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bool fresh = false;
    sim::Machine& m = pool.Next(fresh);
    std::vector<Device> devices;
    Tables tables;
    Decode(data, size, pool.InputNumber(), devices, tables);
    SetUpMachine(m, devices);

    int readable = 0;
    bool usbPresent = false;
    for (const Device& d : devices) {
        if (!d.Readable()) continue;
        ++readable;
        usbPresent = usbPresent || fuzz::StartsWithNoCase(d.FirstId(), "USB\\");
    }

    // ---- the 9x scan ----
    FillProfile(tables);
    DeviceEntry loaded[kTableRows];
    std::memcpy(loaded, theApp.DevTable, sizeof loaded);
    const int found9x = ScanDevicesWin9x();
    CheckHandles(m, "ScanDevicesWin9x");
    FUZZ_CHECK(found9x >= 0 && found9x <= readable * Rows(theApp.DevIDNum),
               std::to_string(found9x));
    CheckTablesAfterScan(loaded);
    CheckKeyList(VendorKeyList, VendorKeyCount, "VendorKeyList");
    CheckKeyList(StreamKeyList, StreamKeyCount, "StreamKeyList");
    if (UsbDeviceSeen()) FUZZ_CHECK(usbPresent, "UsbDeviceSeen without a USB device");
    FUZZ_CHECK((Win9xFlags & ~kUsbDeviceSeen) == 0, std::to_string(Win9xFlags));
    if (Rows(theApp.DevIDNum) == 0) FUZZ_CHECK(VendorKeyCount == 0, "vendor key without a row");
    if (Rows(theApp.ExtDevIDNum) == 0) FUZZ_CHECK(StreamKeyCount == 0, "stream key without a row");

    // ---- the NT scan and removal, on the program as it starts ----
    FillProfile(tables);
    const int foundNt = ScanDevicesNt();
    CheckHandles(m, "ScanDevicesNt");
    FUZZ_CHECK(foundNt >= 0 && foundNt <= readable * Rows(theApp.DevIDNum),
               std::to_string(foundNt));
    CheckTablesAfterScan(loaded);

    const std::size_t removedBefore = m.RemovedDevices().size();
    const int removed = RemoveDevicesNt();
    CheckHandles(m, "RemoveDevicesNt");
    FUZZ_CHECK(removed == 1, std::to_string(removed));
    const std::vector<std::string> gone = m.RemovedDevices();
    for (std::size_t g = removedBefore; g < gone.size(); ++g) {
        const Device* d = nullptr;
        for (const Device& candidate : devices) {
            if (fuzz::EqualsNoCase(candidate.instance, gone[g])) d = &candidate;
        }
        FUZZ_CHECK(d != nullptr, "removed a device the input did not make: " + gone[g]);
        FUZZ_CHECK(d->Readable(), "removed an absent or unreadable device: " + gone[g]);
        const std::string first = d->FirstId();
        bool described = false;
        for (int i = 0; i < Rows(theApp.DevIDNum); ++i) {
            const char* id = theApp.DevTable[i].ID;
            described = described || (id[0] != '\0' && fuzz::StartsWithNoCase(first, id));
        }
        for (int i = 0; i < Rows(theApp.ExtDevIDNum); ++i) {
            const char* id = theApp.ExtDevTable[i].ID;
            described = described || (id[0] != '\0' && fuzz::StartsWithNoCase(first, id));
        }
        FUZZ_CHECK(described, "removed " + gone[g] + " (first hardware ID \"" + first +
                                  "\") that no row describes");
    }
    return 0;
}
