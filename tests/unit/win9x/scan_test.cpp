// The 9x device scan: which devices match, which rows take candidates, which enumerator keys are
// recorded, and how the hardware-ID buffer grows.
#include <optional>
#include <string>
#include <vector>

#include "win9x_fixture.h"

namespace win9x_test {
namespace {

std::string Repeat(char c, std::size_t n) {
    return std::string(n, c);
}

// A PCI hardware ID of exactly the given length, beginning with "PCI\VEN_ABCD&DEV_EF12&SUBSYS_".
std::string PciIdOfLength(std::size_t length) {
    const std::string head = "PCI\\VEN_ABCD&DEV_EF12&SUBSYS_";
    return head + Repeat('7', length - head.size());
}

struct KeyCase {
    const char* label;
    std::vector<std::string> hardwareIds;  // of the one present device
    std::vector<RowText> dev;
    std::vector<RowText> ext;
    std::vector<RowText> candidates;
    std::optional<std::int32_t> candidateCount;  // overrides the number of candidate rows
    int count;
    std::vector<std::string> vendor;
    std::vector<std::string> stream;
    bool usb;
    std::optional<RowText> row0After;  // DevTable row 0 after the scan, when it changes
};

const std::string kPciId = "PCI\\VEN_ABCD&DEV_EF12&SUBSYS_AB12CD34&REV_01";
const std::string kUsbId = "USB\\VID_ABCD&PID_EF12&REV_A1B2";

const KeyCase kKeyCases[] = {
    {"pci_device_keeps_its_whole_id_from_the_first_v_e_or_n",
     {kPciId},
     {{"PCI\\VEN_ABCD&DEV_EF12", "Capture", "cap.sys", "cap.inf"}},
     {},
     {},
     {},
     1,
     {"VEN_ABCD&DEV_EF12&SUBSYS_AB12CD34&REV_01"},
     {},
     false,
     {}},
    {"usb_device_is_keyed_by_the_rows_id_and_sets_the_flag",
     {kUsbId},
     {{"USB\\VID_ABCD&PID_EF12", "Capture", "cap.sys", "cap.inf"}},
     {},
     {},
     {},
     1,
     {"VID_ABCD&PID_EF12"},
     {},
     true,
     {}},
    {"candidate_takes_the_row_and_the_key_comes_from_the_device",
     {kPciId},
     {{"PCI\\VEN_ABCD&DEV_EF12", "Capture", "cap.sys", "cap.inf"}},
     {},
     {{"PCI\\VEN_ABCD&DEV_EF12&SUBSYS_AB12", "Capture Two", "cap2.sys", "cap2.inf"}},
     {},
     1,
     {"VEN_ABCD&DEV_EF12&SUBSYS_AB12CD34&REV_01"},
     {},
     false,
     RowText{"PCI\\VEN_ABCD&DEV_EF12&SUBSYS_AB12", "Capture Two", "cap2.sys", "cap2.inf"}},
    {"stream_key_from_the_first_p_or_h_cut_at_the_hash",
     {"STREAM\\PHXBAR#A"},
     {},
     {{"STREAM\\PH", "Crossbar", "xbar.sys", "xbar.inf"}},
     {},
     {},
     0,
     {},
     {"PHXBAR"},
     false,
     {}},
    {"stream_key_without_hash_is_kept_whole",
     {"STREAM\\PHXBAR&REV_2"},
     {},
     {{"stream\\ph", "Crossbar", "xbar.sys", "xbar.inf"}},
     {},
     {},
     0,
     {},
     {"PHXBAR&REV_2"},
     false,
     {}},
    {"the_stream_set_is_upper_case_exactly",
     {"STREAM\\phxbar#A"},
     {},
     {{"STREAM\\PH", "Crossbar", "xbar.sys", "xbar.inf"}},
     {},
     {},
     0,
     {},
     {""},
     false,
     {}},
    {"lower_case_row_id_matches_but_gives_an_empty_key",
     {kUsbId},
     {{"usb\\vid_abcd&pid_ef12", "Capture", "cap.sys", "cap.inf"}},
     {},
     {},
     {},
     1,
     {""},
     {},
     true,
     {}},
    {"the_set_is_searched_character_by_character",
     {"STREAM\\VEN_AB"},
     {{"STREAM\\VEN", "Tuner", "tun.sys", "tun.inf"}},
     {},
     {},
     {},
     1,
     {"EAM\\VEN_AB"},
     {},
     false,
     {}},
    {"a_device_matching_two_rows_counts_twice",
     {kPciId},
     {{"PCI\\VEN_ABCD", "A", "a.sys", "a.inf"}, {"pci\\ven_abcd&dev_ef12", "B", "b.sys", "b.inf"}},
     {},
     {},
     {},
     2,
     {"VEN_ABCD&DEV_EF12&SUBSYS_AB12CD34&REV_01", "VEN_ABCD&DEV_EF12&SUBSYS_AB12CD34&REV_01"},
     {},
     false,
     {}},
    {"usb_device_with_candidates_leaves_the_flag_and_cuts_with_ven",
     {kUsbId},
     {{"USB\\VID_ABCD", "Capture", "cap.sys", "cap.inf"}},
     {},
     {{"USB\\VID_ABCD&PID_EF12", "Capture Two", "cap2.sys", "cap2.inf"}},
     {},
     1,
     {"VID_ABCD&PID_EF12&REV_A1B2"},
     {},
     false,
     RowText{"USB\\VID_ABCD&PID_EF12", "Capture Two", "cap2.sys", "cap2.inf"}},
    {"candidates_1_and_3_match_the_last_one_wins",
     {kPciId},
     {{"PCI\\VEN_ABCD", "Capture", "cap.sys", "cap.inf"}},
     {},
     {{"PCI\\VEN_9999", "C0", "c0.sys", "c0.inf"},
      {"PCI\\VEN_ABCD&DEV_EF12", "C1", "c1.sys", "c1.inf"},
      {"PCI\\VEN_ABCD&DEV_0000", "C2", "c2.sys", "c2.inf"},
      {"pci\\ven_abcd&dev_ef12&subsys", "C3", "c3.sys", "c3.inf"}},
     {},
     1,
     {"VEN_ABCD&DEV_EF12&SUBSYS_AB12CD34&REV_01", "VEN_ABCD&DEV_EF12&SUBSYS_AB12CD34&REV_01"},
     {},
     false,
     RowText{"pci\\ven_abcd&dev_ef12&subsys", "C3", "c3.sys", "c3.inf"}},
    {"matching_row_without_matching_candidate_records_nothing",
     {kPciId},
     {{"PCI\\VEN_ABCD", "Capture", "cap.sys", "cap.inf"}},
     {},
     {{"PCI\\VEN_9999", "C0", "c0.sys", "c0.inf"}},
     {},
     1,
     {},
     {},
     false,
     {}},
    {"negative_candidate_count_tries_no_candidate_and_records_nothing",
     {kUsbId},
     {{"USB\\VID_ABCD", "Capture", "cap.sys", "cap.inf"}},
     {},
     {{"USB\\VID_ABCD", "C0", "c0.sys", "c0.inf"}},
     -1,
     1,
     {},
     {},
     false,
     {}},
    {"only_the_first_hardware_id_takes_part",
     {"PCI\\VEN_9999&DEV_0001", kPciId},
     {{"PCI\\VEN_ABCD", "Capture", "cap.sys", "cap.inf"}},
     {{"PCI\\VEN_ABCD", "X", "x.sys", "x.inf"}},
     {},
     {},
     0,
     {},
     {},
     false,
     {}},
    {"a_prefix_longer_than_the_hardware_id_does_not_match",
     {"PCI\\VEN_ABCD"},
     {{"PCI\\VEN_ABCD&DEV_EF12", "Capture", "cap.sys", "cap.inf"}},
     {},
     {},
     {},
     0,
     {},
     {},
     false,
     {}},
    {"rows_without_an_id_match_no_device",
     {kPciId},
     {{"", "Capture", "cap.sys", "cap.inf"}},
     {{"", "X", "x.sys", "x.inf"}},
     {},
     {},
     0,
     {},
     {},
     false,
     {}},
    {"a_candidate_without_an_id_takes_no_row",
     {kPciId},
     {{"PCI\\VEN_ABCD", "Capture", "cap.sys", "cap.inf"}},
     {},
     {{"", "C0", "c0.sys", "c0.inf"}},
     {},
     1,
     {},
     {},
     false,
     {}},
    {"a_127_character_id_is_recorded_whole",
     {PciIdOfLength(127)},
     {{"PCI\\VEN_ABCD", "Capture", "cap.sys", "cap.inf"}},
     {{"PCI\\VEN_ABCD", "X", "x.sys", "x.inf"}},
     {},
     {},
     1,
     {PciIdOfLength(127).substr(4)},
     {PciIdOfLength(127)},  // "PCI" begins with a "P" of the stream set
     false,
     {}},
    {"a_128_character_id_is_counted_but_records_no_key",
     {PciIdOfLength(128)},
     {{"PCI\\VEN_ABCD", "Capture", "cap.sys", "cap.inf"}},
     {{"PCI\\VEN_ABCD", "X", "x.sys", "x.inf"}},
     {},
     {},
     1,
     {},
     {},
     false,
     {}},
    {"a_long_usb_id_still_gives_the_rows_key",
     {"USB\\VID_ABCD&PID_EF12&" + Repeat('Z', 200)},
     {{"USB\\VID_ABCD&PID_EF12", "Capture", "cap.sys", "cap.inf"}},
     {},
     {},
     {},
     1,
     {"VID_ABCD&PID_EF12"},
     {},
     true,
     {}},
    {"a_long_id_still_takes_a_candidate",
     {PciIdOfLength(200)},
     {{"PCI\\VEN_ABCD", "Capture", "cap.sys", "cap.inf"}},
     {},
     {{"PCI\\VEN_ABCD&DEV_EF12", "C0", "c0.sys", "c0.inf"}},
     {},
     1,
     {},
     {},
     false,
     RowText{"PCI\\VEN_ABCD&DEV_EF12", "C0", "c0.sys", "c0.inf"}},
};

class ScanKeys : public Win9xTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ScanKeys, RecordsTheEnumeratorKeysOfTheMatchedDevice) {
    const KeyCase& c = GetParam();
    m->AddDevice(DevicePath("ROOT", "DEVICE"), c.hardwareIds);
    SetDevTable(c.dev);
    SetExtDevTable(c.ext);
    SetCandidates(c.candidates);
    if (c.candidateCount) theApp.PossibleDevIDNum = *c.candidateCount;
    const DeviceEntry row0Before = theApp.DevTable[0];

    EXPECT_EQ(ScanDevicesWin9x(), c.count);

    EXPECT_EQ(VendorKeys(), c.vendor);
    EXPECT_EQ(StreamKeys(), c.stream);
    EXPECT_EQ(UsbDeviceSeen(), c.usb);
    const DeviceEntry& row0 = theApp.DevTable[0];
    const RowText expected = c.row0After.value_or(
        RowText{row0Before.ID, row0Before.Name, row0Before.SYS, row0Before.INF});
    EXPECT_STREQ(row0.ID, expected.id);
    EXPECT_STREQ(row0.Name, expected.name);
    EXPECT_STREQ(row0.SYS, expected.sys);
    EXPECT_STREQ(row0.INF, expected.inf);
}

INSTANTIATE_TEST_SUITE_P(Win9x, ScanKeys, ::testing::ValuesIn(kKeyCases), LabelOf());

// Devices are listed in the order of their instance keys; these names keep that order.
std::string Nth(int i) {
    return DevicePath("ROOT", "D" + std::to_string(100 + i));
}

TEST_F(Win9xTest, ScanWithEmptyTablesComparesNothing) {
    m->AddDevice(Nth(0), {kPciId});
    SetCandidates({{"PCI\\VEN_ABCD", "C0", "c0.sys", "c0.inf"}});
    EXPECT_EQ(ScanDevicesWin9x(), 0);
    EXPECT_TRUE(VendorKeys().empty());
    EXPECT_TRUE(StreamKeys().empty());
    EXPECT_FALSE(UsbDeviceSeen());
}

TEST_F(Win9xTest, ScanKeepsWithinTheTenEntriesOfEachList) {
    for (int i = 0; i < 11; ++i) m->AddDevice(Nth(i), {"STREAM\\PHX_" + std::to_string(10 + i)});
    SetDevTable({{"STREAM\\PH", "A", "a.sys", "a.inf"}});
    SetExtDevTable({{"STREAM\\PH", "X", "x.sys", "x.inf"}});

    EXPECT_EQ(ScanDevicesWin9x(), 11);

    std::vector<std::string> vendor, stream;
    for (int i = 0; i < 10; ++i) {
        vendor.push_back("EAM\\PHX_" + std::to_string(10 + i));
        stream.push_back("PHX_" + std::to_string(10 + i));
    }
    EXPECT_EQ(VendorKeyCount, 10);
    EXPECT_EQ(StreamKeyCount, 10);
    EXPECT_EQ(VendorKeys(), vendor);
    EXPECT_EQ(StreamKeys(), stream);
}

TEST_F(Win9xTest, ScanTrustsNoCountBeyondTheTable) {
    m->AddDevice(Nth(0), {kPciId});
    for (auto& row : theApp.DevTable) SetRow(row, {"PCI\\VEN_ABCD", "A", "a.sys", "a.inf"});
    theApp.DevIDNum = 0x40;
    EXPECT_EQ(ScanDevicesWin9x(), kTableRows);
    EXPECT_EQ(VendorKeyCount, 10);
}

TEST_F(Win9xTest, ScanComparesLaterDevicesWithTheSubstitutedRow) {
    m->AddDevice(Nth(0), {kPciId});
    m->AddDevice(Nth(1), {"PCI\\VEN_ABCD&DEV_0000"});
    m->AddDevice(Nth(2), {"PCI\\VEN_ABCD&DEV_EF12&SUBSYS_AB12FFFF"});
    SetDevTable({{"PCI\\VEN_ABCD", "Capture", "cap.sys", "cap.inf"}});
    SetCandidates({{"PCI\\VEN_ABCD&DEV_EF12", "C0", "c0.sys", "c0.inf"}});

    // The first device hands the row the candidate's longer ID; the second no longer matches it.
    EXPECT_EQ(ScanDevicesWin9x(), 2);
    EXPECT_STREQ(theApp.DevTable[0].ID, "PCI\\VEN_ABCD&DEV_EF12");
    EXPECT_EQ(VendorKeys(), (std::vector<std::string>{"VEN_ABCD&DEV_EF12&SUBSYS_AB12CD34&REV_01",
                                                      "VEN_ABCD&DEV_EF12&SUBSYS_AB12FFFF"}));
}

TEST_F(Win9xTest, OneUsbDeviceSetsTheFlagForTheWholeRun) {
    m->AddDevice(Nth(0), {kUsbId});
    m->AddDevice(Nth(1), {kPciId});
    SetDevTable(
        {{"USB\\VID_ABCD", "U", "u.sys", "u.inf"}, {"PCI\\VEN_ABCD", "P", "p.sys", "p.inf"}});
    EXPECT_EQ(ScanDevicesWin9x(), 2);
    EXPECT_TRUE(UsbDeviceSeen());
    EXPECT_EQ(Win9xFlags, kUsbDeviceSeen);
    EXPECT_EQ(VendorKeys(),
              (std::vector<std::string>{"VID_ABCD", "VEN_ABCD&DEV_EF12&SUBSYS_AB12CD34&REV_01"}));
}

// ---- the hardware-ID buffer --------------------------------------------------------------------

// A hardware-ID list of one string takes its characters, its terminator and the list's own.
std::string IdForListSize(std::size_t listBytes) {
    return PciIdOfLength(listBytes - 2);
}

struct BufferCase {
    const char* label;
    std::vector<std::size_t> listSizes;  // of the devices, in order
    std::vector<std::size_t> blocks;     // LocalAlloc sizes, in order
};

const BufferCase kBufferCases[] = {
    {"lists_that_never_grow_keep_the_first_block", {120, 60, 60, 40}, {256}},
    {"a_larger_list_gets_its_size_plus_16", {40, 300}, {256, 316}},
    // The size reported for the device before is the limit, not the block.
    {"growing_past_the_previous_devices_size", {100, 150}, {256, 166}},
    {"shrinking_then_growing_again", {300, 200, 250, 250}, {256, 316, 266}},
    {"the_very_first_device_is_read_at_256", {256, 257}, {256, 273}},
};

class ScanBuffer : public Win9xTest, public ::testing::WithParamInterface<BufferCase> {};

TEST_P(ScanBuffer, GrowsTheBlockByTheReportedSize) {
    const BufferCase& c = GetParam();
    for (std::size_t i = 0; i < c.listSizes.size(); ++i) {
        m->AddDevice(Nth(static_cast<int>(i)), {IdForListSize(c.listSizes[i])});
    }
    SetDevTable({{"PCI\\VEN_ABCD&DEV_EF12", "A", "a.sys", "a.inf"}});
    SetExtDevTable({{"PCI\\VEN_ABCD", "X", "x.sys", "x.inf"}});

    // Every device is read in full: each matches and leaves its whole ID as the key.
    EXPECT_EQ(ScanDevicesWin9x(), static_cast<int>(c.listSizes.size()));
    std::vector<std::size_t> blocks;
    for (const auto& call : CallsOf("LocalAlloc")) blocks.push_back(AllocSize(call));
    EXPECT_EQ(blocks, c.blocks);
    EXPECT_EQ(CallsOf("LocalFree").size(), c.blocks.size());
    // Each ID that fits the working copy comes back whole ("PCI" begins with a "P" of the set).
    std::vector<std::string> whole;
    for (std::size_t size : c.listSizes) {
        if (size - 2 < 128) whole.push_back(IdForListSize(size));
    }
    EXPECT_EQ(StreamKeys(), whole);
}

INSTANTIATE_TEST_SUITE_P(Win9x, ScanBuffer, ::testing::ValuesIn(kBufferCases), LabelOf());

// ---- failures ----------------------------------------------------------------------------------

TEST_F(Win9xTest, ScanWithoutADeviceSetDoesNothing) {
    m->AddDevice(Nth(0), {kPciId});
    SetDevTable({{"PCI\\VEN_ABCD", "Capture", "cap.sys", "cap.inf"}});
    SetCandidates({{"PCI\\VEN_ABCD", "C0", "c0.sys", "c0.inf"}});
    m->AddFault({"SetupDiGetClassDevsA", 0, ERROR_INVALID_PARAMETER, ""});

    EXPECT_EQ(ScanDevicesWin9x(), 0);
    EXPECT_STREQ(theApp.DevTable[0].ID, "PCI\\VEN_ABCD");
    EXPECT_STREQ(theApp.DevTable[0].Name, "Capture");
    EXPECT_TRUE(VendorKeys().empty());
    EXPECT_EQ(m->CallCount("LocalAlloc"), 0);
}

TEST_F(Win9xTest, ScanSkipsADeviceWithoutHardwareId) {
    m->AddDevice(Nth(0), {kPciId});
    m->AddDevice(Nth(1), {});
    m->AddDevice(Nth(2), {"PCI\\VEN_ABCD&DEV_0002"});
    SetDevTable({{"PCI\\VEN_ABCD", "Capture", "cap.sys", "cap.inf"}});

    EXPECT_EQ(ScanDevicesWin9x(), 2);
    EXPECT_EQ(VendorKeys(), (std::vector<std::string>{"VEN_ABCD&DEV_EF12&SUBSYS_AB12CD34&REV_01",
                                                      "VEN_ABCD&DEV_0002"}));
    EXPECT_EQ(m->GetLastError(), ERROR_NO_MORE_ITEMS);
}

struct AbortCase {
    const char* label;
    std::optional<sim::Fault> fault;
    DWORD readErrorOfSecondDevice;  // 0: none
    int count;
    DWORD lastError;
};

const AbortCase kAbortCases[] = {
    {"read_error_aborts_with_the_count_so_far", {}, ERROR_ACCESS_DENIED, 1, ERROR_ACCESS_DENIED},
    {"failed_first_block_reads_nothing", sim::Fault{"LocalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY, ""},
     0, 0, ERROR_NOT_ENOUGH_MEMORY},
    {"failed_larger_block_aborts", sim::Fault{"LocalAlloc", 2, ERROR_NOT_ENOUGH_MEMORY, ""}, 0, 1,
     ERROR_NOT_ENOUGH_MEMORY},
};

class ScanAbort : public Win9xTest, public ::testing::WithParamInterface<AbortCase> {};

TEST_P(ScanAbort, KeepsWhatEarlierDevicesGaveAndTheFailingCode) {
    const AbortCase& c = GetParam();
    m->AddDevice(Nth(0), {kPciId});
    m->AddDevice(Nth(1), {IdForListSize(400)});
    m->AddDevice(Nth(2), {"PCI\\VEN_ABCD&DEV_0002"});
    SetDevTable({{"PCI\\VEN_ABCD", "Capture", "cap.sys", "cap.inf"}});
    if (c.fault) m->AddFault(*c.fault);
    if (c.readErrorOfSecondDevice != 0) m->FailHardwareIdRead(Nth(1), c.readErrorOfSecondDevice);

    EXPECT_EQ(ScanDevicesWin9x(), c.count);
    EXPECT_EQ(VendorKeyCount, c.count);
    EXPECT_EQ(m->GetLastError(), c.lastError);
    EXPECT_EQ(m->CallCount("SetupDiDestroyDeviceInfoList"), 1);
}

INSTANTIATE_TEST_SUITE_P(Win9x, ScanAbort, ::testing::ValuesIn(kAbortCases), LabelOf());

}  // namespace
}  // namespace win9x_test
