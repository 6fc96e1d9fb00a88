// The device scan of the 9x family: counts the present devices that DevTable names, puts matching
// candidate rows in their place, and records the enumerator subkeys that the registry cleanup
// deletes at the end of the run.
#include <algorithm>
#include <cstring>
#include <string>

#include "app/text.h"
#include "app/uninst_app.h"
#include "platform/handles.h"
#include "win9x/enum_keys.h"

namespace {

constexpr DWORD kFirstBlockSize = 256;
constexpr DWORD kBlockSlack = 16;

// A key is the tail of the working copy from its first character that is one of the set's
// characters (each one on its own, letter case exact), or empty when there is none.
// A row without an ID would match every device in the machine and put every device's enumerator
// key up for deletion; such a row matches nothing.
bool Matches(const std::string& hardwareId, const char* prefix) {
    return prefix[0] != '\0' && BeginsWithNoCase(hardwareId.c_str(), prefix);
}

std::string CutKey(const char* workingCopy, const char* letterSet) {
    const char* start = std::strpbrk(workingCopy, letterSet);
    return start != nullptr ? std::string(start) : std::string();
}

// Fills the 128-byte working copy. A text that does not fit is refused rather than cut: the tail
// of a cut copy could name some other device's subkey, and the 9x deletion takes a key with
// everything below it. Nothing is recorded for such a device.
bool FillWorkingCopy(char (&workingCopy)[128], const std::string& text) {
    if (text.size() >= sizeof workingCopy) return false;
    std::memcpy(workingCopy, text.c_str(), text.size() + 1);
    return true;
}

// The lists hold kEnumKeyListSize entries; a further key is not recorded, so that the cleanup
// still deletes what was recorded first and nothing is written past the lists.
void AppendKey(std::string (&list)[kEnumKeyListSize], std::int32_t& count, std::string key) {
    if (count < 0 || count >= kEnumKeyListSize) return;
    list[count] = std::move(key);
    ++count;
}

void RecordVendorKey(const std::string& source, const char* letterSet) {
    char workingCopy[128];
    if (!FillWorkingCopy(workingCopy, source)) return;
    AppendKey(VendorKeyList, VendorKeyCount, CutKey(workingCopy, letterSet));
}

void RecordStreamKey(const std::string& hardwareId) {
    char workingCopy[128];
    if (!FillWorkingCopy(workingCopy, hardwareId)) return;
    std::string key = CutKey(workingCopy, "PH");
    if (const auto hash = key.find('#'); hash != std::string::npos) key.resize(hash);
    AppendKey(StreamKeyList, StreamKeyCount, std::move(key));
}

void CopyRow(DeviceEntry& row, const DeviceEntry& candidate) {
    CopyField(row.ID, candidate.ID);
    CopyField(row.Name, candidate.Name);
    CopyField(row.SYS, candidate.SYS);
    CopyField(row.INF, candidate.INF);
}

// A device that matched DevTable row i while the profile lists candidates: every candidate whose
// ID the device's hardware ID begins with takes the row over, the last one in table order winning.
void SubstituteCandidates(DeviceEntry& row, const std::string& hardwareId) {
    for (int j = 0; j < RowsInUse(theApp.PossibleDevIDNum); ++j) {
        const DeviceEntry& candidate = theApp.PossibleDevTable[j];
        if (!Matches(hardwareId, candidate.ID)) continue;
        CopyRow(row, candidate);
        RecordVendorKey(hardwareId, "VEN");
    }
}

// A USB device is kept under "Enum\USB" by the row's own ID (without the revision part); every
// other device under its enumerator by its whole first hardware ID.
void RecordVendorKeyFor(const DeviceEntry& row, const std::string& hardwareId) {
    if (BeginsWithNoCase(hardwareId.c_str(), UsbPrefix.c_str())) {
        Win9xFlags |= kUsbDeviceSeen;
        RecordVendorKey(row.ID, "VID");
    } else {
        RecordVendorKey(hardwareId, "VEN");
    }
}

// The first string of a hardware-ID list, bounded by the bytes the platform reported and by the
// block, so that a list without its terminators is never read past.
std::string FirstHardwareId(const w32::UniqueLocal& block, DWORD blockSize, DWORD reported) {
    const auto* text = static_cast<const char*>(block.get());
    const std::size_t limit = std::min(blockSize, reported);
    std::size_t length = 0;
    while (length < limit && text[length] != '\0') ++length;
    return std::string(text, length);
}

}  // namespace

int ScanDevicesWin9x() {
    int count = 0;
    // Declared before the block, so the block is released first and the set's release keeps the
    // last-error value that ended the walk.
    w32::UniqueDevInfo devices(
        Api().SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
    if (!devices) return 0;

    DWORD blockSize = kFirstBlockSize;
    w32::UniqueLocal block(Api().LocalAlloc(LMEM_ZEROINIT, blockSize));
    if (!block) return 0;
    // Carried from device to device: the size the platform reported for the device before.
    DWORD size = kFirstBlockSize;

    SP_DEVINFO_DATA record{};
    record.cbSize = sizeof record;
    for (DWORD index = 0; Api().SetupDiEnumDeviceInfo(devices.get(), index, &record); ++index) {
        bool readable = true;
        for (;;) {
            // A size the platform left behind on a failed read may exceed the block; the block
            // is all there is to write into.
            size = std::min(size, blockSize);
            DWORD type = 0;
            if (Api().SetupDiGetDeviceRegistryPropertyA(devices.get(), &record, SPDRP_HARDWAREID,
                                                        &type, static_cast<BYTE*>(block.get()),
                                                        size, &size)) {
                break;
            }
            const DWORD error = Api().GetLastError();
            if (error == ERROR_INVALID_DATA) {
                readable = false;
                break;
            }
            if (error != ERROR_INSUFFICIENT_BUFFER) return count;
            // A reported size that leaves no room for the slack cannot be allocated anyway.
            if (size > 0xFFFFFFFFu - kBlockSlack) return count;
            block.reset();
            size += kBlockSlack;
            blockSize = size;
            block.reset(Api().LocalAlloc(LMEM_ZEROINIT, blockSize));
            if (!block) return count;
        }
        if (!readable) continue;

        const std::string hardwareId = FirstHardwareId(block, blockSize, size);
        for (int i = 0; i < RowsInUse(theApp.DevIDNum); ++i) {
            DeviceEntry& row = theApp.DevTable[i];
            if (!Matches(hardwareId, row.ID)) continue;
            ++count;
            if (theApp.PossibleDevIDNum != 0) {
                SubstituteCandidates(row, hardwareId);
            } else {
                RecordVendorKeyFor(row, hardwareId);
            }
        }
        for (int k = 0; k < RowsInUse(theApp.ExtDevIDNum); ++k) {
            if (Matches(hardwareId, theApp.ExtDevTable[k].ID)) {
                RecordStreamKey(hardwareId);
            }
        }
    }
    return count;
}
