// The present-device walk: the device check with its candidate substitution, and the removal.
#include <cstring>

#include "forwarding_api.h"
#include "nt/nt_removal.h"
#include "nt_fixture.h"

namespace nttest {
namespace {

struct Device {
    std::string instance;               // below the Enum key
    std::vector<std::string> hardware;  // empty: no HardwareID value
};

struct CountCase {
    const char* what;
    std::vector<std::string> rowIds;
    std::vector<Device> devices;
    int expected;
};

class ScanCount : public NtTest, public testing::WithParamInterface<CountCase> {};

TEST_P(ScanCount, CountsEveryPairOfDeviceAndRow) {
    const CountCase& c = GetParam();
    std::vector<Row> rows;
    for (const auto& id : c.rowIds) rows.push_back({id, "n", "s", "i"});
    DevRows(rows);
    for (const Device& d : c.devices) m->AddDevice(d.instance, d.hardware);
    EXPECT_EQ(ScanDevicesNt(), c.expected) << c.what;
    EXPECT_EQ(m->GetLastError(), ERROR_NO_MORE_ITEMS) << c.what;
}

const Device kCapture{"PCI\\VEN_1131&DEV_7133\\1", {"PCI\\VEN_1131&DEV_7133&SUBSYS_1"}};
const Device kOther{"PCI\\VEN_8086&DEV_2415\\1", {"PCI\\VEN_8086&DEV_2415"}};

INSTANTIATE_TEST_SUITE_P(
    Cases, ScanCount,
    testing::Values(CountCase{"two rows on one device add 2",
                              {"PCI\\VEN_1131", "PCI\\VEN_1131&DEV_7133"},
                              {kCapture, kOther},
                              2},
                    CountCase{"two devices of one row add 2",
                              {"PCI\\VEN_1131&DEV_7133"},
                              {kCapture,
                               {"PCI\\VEN_1131&DEV_7133\\2", {"PCI\\VEN_1131&DEV_7133&SUBSYS_2"}}},
                              2},
                    CountCase{"capitals in the row match small letters of the device",
                              {"PCI\\VEN_ABCD"},
                              {{"PCI\\VEN_abcd\\1", {"pci\\ven_abcd&dev_0001"}}},
                              1},
                    CountCase{"letters outside ASCII are compared byte for byte",
                              {"USB\\\xC9"},
                              {{"USB\\X\\1", {"USB\\\xE9T"}}},
                              0},
                    CountCase{"only the first hardware ID is compared",
                              {"PCI\\VEN_1131&DEV_7133"},
                              {{"PCI\\VEN_1131&DEV_7130\\1",
                                {"PCI\\VEN_1131&DEV_7130", "PCI\\VEN_1131&DEV_7133"}}},
                              0},
                    CountCase{"a first hardware ID shorter than the row's ID does not match",
                              {"PCI\\VEN_1131&DEV_7133&SUBSYS_1&REV_01"},
                              {kCapture},
                              0},
                    CountCase{"a device without a hardware ID is skipped and the walk goes on",
                              {"PCI\\VEN_1131"},
                              {{"ROOT\\LEGACY\\0000", {}}, kCapture},
                              1},
                    CountCase{"an empty ID counts every device that has a hardware ID",
                              {""},
                              {kCapture, {"ROOT\\LEGACY\\0000", {}}, kOther},
                              2},
                    CountCase{"no rows compare nothing", {}, {kCapture}, 0}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

class Scan : public NtTest {};

TEST_F(Scan, ANegativeRowCountComparesNothing) {
    DevRows({{"PCI\\VEN_1131", "", "", ""}});
    theApp.DevIDNum = -1;
    m->AddDevice(kCapture.instance, kCapture.hardware);
    EXPECT_EQ(ScanDevicesNt(), 0);
}

TEST_F(Scan, TheLastMatchingCandidateTakesOverTheWholeRow) {
    DevRows({{"PCI\\VEN_1131", "Old", "old.sys", "old.inf"}});
    Candidates({{"PCI\\VEN_1131&DEV_7133", "First", "first.sys", "first.inf"},
                {"PCI\\VEN_9999", "Never", "never.sys", "never.inf"},
                {"pci\\ven_1131&dev_7133&subsys", "Third", "third.sys", "third.inf"}});
    m->AddDevice(kCapture.instance, kCapture.hardware);
    EXPECT_EQ(ScanDevicesNt(), 1);
    const DeviceEntry& row = theApp.DevTable[0];
    EXPECT_STREQ(row.ID, "pci\\ven_1131&dev_7133&subsys");
    EXPECT_STREQ(row.Name, "Third");
    EXPECT_STREQ(row.SYS, "third.sys");
    EXPECT_STREQ(row.INF, "third.inf");
    // The candidate table is only read.
    EXPECT_STREQ(theApp.PossibleDevTable[0].Name, "First");
}

TEST_F(Scan, CandidatesAreComparedWithTheDeviceNotWithTheRow) {
    // The candidate's ID is longer than the row's: it matches the device, and the row's own ID
    // would not begin with it.
    DevRows({{"PCI\\VEN_1131", "Old", "old.sys", "old.inf"},
             {"PCI\\VEN_8086", "Keep", "keep.sys", "keep.inf"}});
    Candidates({{"PCI\\VEN_1131&DEV_7133&SUBSYS_1", "New", "new.sys", "new.inf"}});
    m->AddDevice(kCapture.instance, kCapture.hardware);
    m->AddDevice(kOther.instance, kOther.hardware);
    EXPECT_EQ(ScanDevicesNt(), 2);
    EXPECT_STREQ(theApp.DevTable[0].Name, "New");
    // Matched by no candidate: unchanged, and still counted.
    EXPECT_STREQ(theApp.DevTable[1].ID, "PCI\\VEN_8086");
    EXPECT_STREQ(theApp.DevTable[1].Name, "Keep");
}

TEST_F(Scan, TheSubstitutedIdIsWhatLaterDevicesAreComparedWith) {
    DevRows({{"PCI\\VEN_1131&DEV_7133", "Old", "old.sys", "old.inf"}});
    Candidates({{"PCI\\VEN_1131&DEV_7133&SUBSYS_1", "New", "new.sys", "new.inf"}});
    m->AddDevice(kCapture.instance, kCapture.hardware);
    // Begins with the row's former ID, not with the candidate's.
    m->AddDevice("PCI\\VEN_1131&DEV_7133\\2", {"PCI\\VEN_1131&DEV_7133&SUBSYS_2"});
    EXPECT_EQ(ScanDevicesNt(), 1);
    EXPECT_STREQ(theApp.DevTable[0].ID, "PCI\\VEN_1131&DEV_7133&SUBSYS_1");
}

TEST_F(Scan, TheCountIsTakenBeforeTheCandidates) {
    // Two candidates match; the row is still counted once for the device.
    DevRows({{"PCI\\VEN_1131", "", "", ""}});
    Candidates({{"PCI\\VEN_1131&DEV", "A", "", ""}, {"PCI\\VEN_1131&DEV_7133", "B", "", ""}});
    m->AddDevice(kCapture.instance, kCapture.hardware);
    EXPECT_EQ(ScanDevicesNt(), 1);
    EXPECT_STREQ(theApp.DevTable[0].Name, "B");
}

TEST_F(Scan, AReadErrorEndsTheScanWithTheCountSoFar) {
    constexpr DWORD kGenFailure = 31;
    DevRows({{"PCI\\VEN_1131", "Old", "", ""}});
    Candidates({{"PCI\\VEN_1131&DEV_7133", "New", "", ""}});
    // The first device is counted and substituted; the second cannot be read; the third would
    // have been counted.
    m->AddDevice("PCI\\A\\1", {"PCI\\VEN_1131&DEV_7133"});
    m->AddDevice("PCI\\B\\1", {"PCI\\VEN_1131&DEV_7134"});
    m->AddDevice("PCI\\C\\1", {"PCI\\VEN_1131&DEV_7133&X"});
    m->FailHardwareIdRead("PCI\\B\\1", kGenFailure);
    EXPECT_EQ(ScanDevicesNt(), 1);
    EXPECT_EQ(m->GetLastError(), kGenFailure);
    EXPECT_STREQ(theApp.DevTable[0].Name, "New");
}

TEST_F(Scan, AFailedAllocationEndsTheScanLikeAReadError) {
    DevRows({{"PCI\\VEN_1131", "", "", ""}});
    m->AddDevice("PCI\\A\\1", {"PCI\\VEN_1131&DEV_7133"});
    m->AddDevice("PCI\\B\\1", {"PCI\\VEN_1131&DEV_7134"});
    m->AddFault({"LocalAlloc", 2, ERROR_NOT_ENOUGH_MEMORY, ""});
    EXPECT_EQ(ScanDevicesNt(), 1);
    EXPECT_EQ(m->GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
}

TEST_F(Scan, NoDeviceSetGivesZeroAndLeavesTheTableAlone) {
    DevRows({{"", "Old", "", ""}});
    Candidates({{"", "New", "", ""}});
    m->AddDevice(kCapture.instance, kCapture.hardware);
    m->AddFault({"SetupDiGetClassDevsA", 1, ERROR_INVALID_PARAMETER, ""});
    EXPECT_EQ(ScanDevicesNt(), 0);
    EXPECT_STREQ(theApp.DevTable[0].Name, "Old");
    EXPECT_EQ(Calls("SetupDiEnumDeviceInfo"), 0);
}

TEST_F(Scan, AsksForPresentDevicesOfAllClassesAndReadsWithAnExactBlock) {
    DevRows({{"PCI\\VEN_1131", "", "", ""}});
    m->AddDevice(kCapture.instance, kCapture.hardware);
    m->AddDevice("PCI\\VEN_1131&DEV_7133\\absent", {"PCI\\VEN_1131&DEV_7133&SUBSYS_9"});
    m->SetDevicePresent("PCI\\VEN_1131&DEV_7133\\absent", false);
    EXPECT_EQ(ScanDevicesNt(), 1);
    // The first read has no buffer; the block is exactly the size the platform reported (the
    // list, its terminators and the closing empty string).
    const std::size_t listSize = std::strlen("PCI\\VEN_1131&DEV_7133&SUBSYS_1") + 2;
    EXPECT_EQ(CallArgs("SetupDiGetClassDevsA"), std::vector<std::string>{"(null)|(null)|0x6"});
    EXPECT_EQ(CallArgs("LocalAlloc"), std::vector<std::string>{"0x40|" + std::to_string(listSize)});
    EXPECT_EQ(Calls("LocalFree"), 1);
    EXPECT_EQ(Calls("SetupDiGetDeviceRegistryPropertyA"), 2);
    EXPECT_EQ(Calls("SetupDiDestroyDeviceInfoList"), 1);
}

// Answers the hardware-ID read of every device itself: either at once, without a buffer, or
// with a list that carries no terminator within the block.
class OddHardwareIdApi : public ForwardingApi {
public:
    using ForwardingApi::ForwardingApi;
    int bufferlessSuccesses = 0;  // the first reads that succeed at once, without a buffer
    std::string unterminated;     // bytes of a list without any terminator

    BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, SP_DEVINFO_DATA* data, DWORD property,
                                           DWORD* type, BYTE* buffer, DWORD size,
                                           DWORD* required) override {
        if (bufferlessSuccesses > 0) {
            --bufferlessSuccesses;
            if (required != nullptr) *required = 0;
            return TRUE;
        }
        if (unterminated.empty()) {
            return next_.SetupDiGetDeviceRegistryPropertyA(set, data, property, type, buffer, size,
                                                           required);
        }
        const auto needed = static_cast<DWORD>(unterminated.size());
        if (required != nullptr) *required = needed;
        if (buffer == nullptr || size < needed) {
            next_.SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        (void)set, (void)data, (void)property, (void)type;
        std::memcpy(buffer, unterminated.data(), needed);
        return TRUE;
    }
};

TEST_F(Scan, AReadThatSucceedsWithoutABufferCountsAsNoHardwareId) {
    DevRows({{"PCI", "", "", ""}});
    m->AddDevice(kCapture.instance, kCapture.hardware);
    m->AddDevice(kOther.instance, kOther.hardware);
    OddHardwareIdApi odd(*m);
    // The first device of each walk answers at once; the walk goes on with the second.
    odd.bufferlessSuccesses = 1;
    InstallApi(&odd);
    const int count = ScanDevicesNt();
    odd.bufferlessSuccesses = 1;
    const int removed = RemoveDevicesNt();
    InstallApi(&*m);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(m->RemovedDevices(), std::vector<std::string>{kOther.instance});
    EXPECT_EQ(m->GetLastError(), ERROR_NO_MORE_ITEMS);
}

TEST_F(Scan, AListWithoutATerminatorIsReadOnlyWithinItsBlock) {
    DevRows({{"PCI\\VEN_1", "", "", ""}, {"PCI\\VEN_12", "", "", ""}});
    m->AddDevice(kCapture.instance, kCapture.hardware);
    OddHardwareIdApi odd(*m);
    odd.unterminated = "PCI\\VEN_1";
    InstallApi(&odd);
    const int count = ScanDevicesNt();
    InstallApi(&*m);
    // The first row is the whole block; the second would need a byte past its end.
    EXPECT_EQ(count, 1);
}

class Removal : public NtTest {};

TEST_F(Removal, ARemovalThatAsksForARestartSaysSo) {
    DevRows({{"PCI\\VEN_1131", "", "", ""}});
    m->AddDevice(kCapture.instance, kCapture.hardware);
    m->RemovalNeedsRestart(kCapture.instance);
    RunResult result;
    RemoveDevicesNt(result);
    EXPECT_TRUE(result.restartNeeded);
}

TEST_F(Removal, OneRequestPerMatchingDeviceHoweverManyRowsDescribeIt) {
    DevRows({{"PCI\\VEN_1131", "", "", ""}, {"PCI\\VEN_1131&DEV_7133", "", "", ""}});
    ExtRows({{"pci\\ven_1131&dev_7133&subsys", "", "", ""}, {"USB\\VID_1", "", "", ""}});
    m->AddDevice(kOther.instance, kOther.hardware);
    m->AddDevice(kCapture.instance, kCapture.hardware);
    m->AddDevice("USB\\VID_1\\1", {"USB\\VID_1&PID_2"});
    RunResult result;
    EXPECT_EQ(RemoveDevicesNt(result), 1);
    EXPECT_FALSE(result.restartNeeded);
    // Three rows describe the capture card: one request for it, then one for the USB device.
    EXPECT_EQ(m->RemoveRequests(), 2);
    EXPECT_EQ(m->RemovedDevices(), (std::vector<std::string>{kCapture.instance, "USB\\VID_1\\1"}));
    EXPECT_TRUE(Key(kEnum + kOther.instance));
    EXPECT_EQ(m->GetLastError(), ERROR_NO_MORE_ITEMS);
}

TEST_F(Removal, AnExtraRowRemovesADeviceTheScanNeverCounted) {
    ExtRows({{"BRELON\\TUNAAUDIO", "", "", ""}});
    m->AddDevice("ROOT\\MEDIA\\0001", {"BRELON\\TunaAudio"});
    EXPECT_EQ(ScanDevicesNt(), 0);
    EXPECT_EQ(RemoveDevicesNt(), 1);
    EXPECT_EQ(m->RemovedDevices(), std::vector<std::string>{"ROOT\\MEDIA\\0001"});
}

TEST_F(Removal, ASubstitutedRowRemovesByTheCandidatesId) {
    DevRows({{"PCI\\VEN_1131&DEV_7133", "", "", ""}});
    Candidates({{"PCI\\VEN_1131&DEV_7133&SUBSYS_1", "", "", ""}});
    m->AddDevice(kCapture.instance, kCapture.hardware);
    m->AddDevice("PCI\\VEN_1131&DEV_7133\\2", {"PCI\\VEN_1131&DEV_7133&SUBSYS_2"});
    ASSERT_EQ(ScanDevicesNt(), 1);
    RemoveDevicesNt();
    EXPECT_EQ(m->RemovedDevices(), std::vector<std::string>{kCapture.instance});
}

TEST_F(Removal, OnlyTheFirstHardwareIdDecides) {
    DevRows({{"PCI\\VEN_1131&DEV_7133", "", "", ""}});
    m->AddDevice("PCI\\X\\1", {"PCI\\VEN_1131&DEV_7130", "PCI\\VEN_1131&DEV_7133"});
    RemoveDevicesNt();
    EXPECT_EQ(m->RemoveRequests(), 0);
}

TEST_F(Removal, ARowWithAnEmptyIdRemovesNothing) {
    DevRows({{"", "", "", ""}});
    ExtRows({{"", "", "", ""}});
    m->AddDevice(kCapture.instance, kCapture.hardware);
    m->AddDevice(kOther.instance, kOther.hardware);
    EXPECT_EQ(ScanDevicesNt(), 2);
    EXPECT_EQ(RemoveDevicesNt(), 1);
    EXPECT_EQ(m->RemoveRequests(), 0);
    EXPECT_TRUE(Key(kEnum + kCapture.instance));
}

TEST_F(Removal, AReadErrorEndsTheWalkAndStillGivesOne) {
    constexpr DWORD kGenFailure = 31;
    DevRows({{"PCI\\VEN_1131", "", "", ""}});
    m->AddDevice("PCI\\A\\1", {"PCI\\VEN_1131&DEV_1"});
    m->AddDevice("PCI\\B\\1", {"PCI\\VEN_1131&DEV_2"});
    m->AddDevice("PCI\\C\\1", {"PCI\\VEN_1131&DEV_3"});
    m->FailHardwareIdRead("PCI\\B\\1", kGenFailure);
    EXPECT_EQ(RemoveDevicesNt(), 1);
    EXPECT_EQ(m->RemovedDevices(), std::vector<std::string>{"PCI\\A\\1"});
    EXPECT_EQ(m->GetLastError(), kGenFailure);
}

TEST_F(Removal, NoRowsOrNoDeviceSet) {
    m->AddDevice(kCapture.instance, kCapture.hardware);
    EXPECT_EQ(RemoveDevicesNt(), 1);
    DevRows({{"PCI", "", "", ""}});
    m->AddFault({"SetupDiGetClassDevsA", 0, ERROR_INVALID_PARAMETER, ""});
    EXPECT_EQ(RemoveDevicesNt(), 0);
    EXPECT_EQ(m->RemoveRequests(), 0);
}

}  // namespace
}  // namespace nttest
