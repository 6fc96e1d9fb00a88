// The 9x registry cleanup: the two walks over the MEDIA class key, the recorded enumerator keys and
// the uninstall entry.
#include <optional>
#include <string>
#include <vector>

#include "win9x_fixture.h"

namespace win9x_test {
namespace {

std::string SubkeyName(std::size_t i) {
    char name[24];
    std::snprintf(name, sizeof name, "%04zu", i);
    return name;
}

// The MEDIA class key with one driver key per description, named 0000, 0001, ...; no value means
// a key without "DriverDesc".
void WriteDriverKeys(sim::Machine& machine, const std::vector<std::optional<std::string>>& descs) {
    machine.CreateKey(HKEY_LOCAL_MACHINE, kMediaKey);
    for (std::size_t i = 0; i < descs.size(); ++i) {
        const std::string path = std::string(kMediaKey) + "\\" + SubkeyName(i);
        machine.CreateKey(HKEY_LOCAL_MACHINE, path);
        if (descs[i]) machine.SetString(HKEY_LOCAL_MACHINE, path, "DriverDesc", *descs[i]);
    }
}

// Row names live as long as the tables that point at them are filled.
std::vector<RowText> Named(const std::vector<std::string>& names) {
    std::vector<RowText> rows;
    for (const auto& name : names)
        rows.push_back({"PCI\\VEN_ABCD", name.c_str(), "a.sys", "a.inf"});
    return rows;
}

struct MediaCase {
    const char* label;
    std::vector<std::optional<std::string>> descs;
    std::vector<std::string> devNames;
    std::vector<std::string> extNames;
    std::vector<std::string> remaining;
    int deleteRequests;
};

const std::string kA5(5, 'a');
const std::string kB60(60, 'b');
const std::string kC127(127, 'c');

const MediaCase kMediaCases[] = {
    {"equal_but_for_case_is_deleted", {"brelon CAPTURE"}, {"Brelon Capture"}, {}, {}, 1},
    {"a_longer_description_stays", {"Brelon Capture Plus"}, {"Brelon Capture"}, {}, {"0000"}, 0},
    {"a_shorter_description_stays", {"Brelon Captur"}, {"Brelon Capture"}, {}, {"0000"}, 0},
    {"ext_rows_match_too",
     {"Other", "Brelon Crossbar"},
     {"Brelon Capture"},
     {"Brelon Crossbar"},
     {"0000"},
     1},
    {"matches_at_2_and_3_go_in_the_two_walks",
     {"A", "B", "Brelon Capture", "Brelon Capture", "C"},
     {"Brelon Capture"},
     {},
     {"0000", "0001", "0004"},
     2},
    {"three_adjacent_matches_all_go", {"M", "M", "M", "Z"}, {"M"}, {}, {"0003"}, 3},
    {"of_four_adjacent_matches_the_fourth_stays", {"M", "M", "M", "M"}, {"M"}, {}, {"0003"}, 3},
    {"a_key_equal_to_several_rows_is_asked_for_by_each",
     {"Brelon Capture", "Z"},
     {"brelon capture", "BRELON CAPTURE"},
     {"Brelon Capture"},
     {"0001"},
     3},
    {"a_row_without_name_equals_no_key",
     {std::nullopt, "", "Z"},
     {""},
     {""},
     {"0000", "0001", "0002"},
     0},
    {"growing_descriptions_are_read_in_full",
     {kA5, "Z", kB60, "Z", kC127},
     {kA5, kB60},
     {kC127},
     {"0001", "0003"},
     3},
    {"a_description_too_long_for_the_buffer_stays_and_the_next_are_read",
     {std::string(300, 'D'), kB60, "Z", kC127},
     {kB60},
     {kC127},
     {"0000", "0002"},
     2},
    {"a_256_character_description_does_not_fit",
     {std::string(256, 'D'), "Brelon Capture"},
     {"Brelon Capture"},
     {},
     {"0000"},
     1},
};

class CleanMedia : public Win9xTest, public ::testing::WithParamInterface<MediaCase> {};

TEST_P(CleanMedia, DeletesTheDriverKeysWhoseWholeDescriptionIsARowsName) {
    const MediaCase& c = GetParam();
    WriteDriverKeys(*m, c.descs);
    SetDevTable(Named(c.devNames));
    SetExtDevTable(Named(c.extNames));

    EXPECT_EQ(CleanRegistryWin9x(), 1);

    EXPECT_EQ(m->SubkeyNames(HKEY_LOCAL_MACHINE, kMediaKey), c.remaining);
    EXPECT_EQ(m->CallCount("SHDeleteKeyA"), c.deleteRequests);
}

INSTANTIATE_TEST_SUITE_P(Win9x, CleanMedia, ::testing::ValuesIn(kMediaCases), LabelOf());

// The description size is set once and carried across keys and walks: a description longer than
// the one read before costs a second read, one of the same or a smaller size does not.
TEST_F(Win9xTest, DescriptionSizeIsCarriedAcrossKeysAndWalks) {
    WriteDriverKeys(*m, {std::string(100, 'a'), std::string(10, 'b'), std::string(40, 'c')});
    SetDevTable(Named({"none of them"}));

    CleanRegistryWin9x();

    std::vector<std::string> reads;
    for (const auto& call : CallsOf("RegQueryValueExA")) {
        reads.push_back(call.args.substr(call.args.size() - 15, 4) + ":" +
                        std::to_string(call.result));
    }
    // Walk 1 reads 101 bytes at 256, 11 at 101 and 41 at 11 (a second read); walk 2 starts with the
    // 41 that walk 1 left, so its first key needs a second read too.
    const std::vector<std::string> expected = {"0000:0", "0001:0", "0002:234", "0002:0", "0000:234",
                                               "0000:0", "0001:0", "0002:234", "0002:0"};
    EXPECT_EQ(reads, expected);
}

TEST_F(Win9xTest, DriverKeyThatDoesNotOpenIsLeftAlone) {
    WriteDriverKeys(*m, {"M", "M", "Z"});
    m->DenyFullAccess(HKEY_LOCAL_MACHINE, std::string(kMediaKey) + "\\0000");
    SetDevTable(Named({"M"}));
    CleanRegistryWin9x();
    EXPECT_EQ(m->SubkeyNames(HKEY_LOCAL_MACHINE, kMediaKey),
              (std::vector<std::string>{"0000", "0002"}));
}

// ---- enumerator keys ---------------------------------------------------------------------------

void RecordKeys(std::string (&list)[kEnumKeyListSize], std::int32_t& count,
                const std::vector<std::string>& keys) {
    for (const auto& key : keys) list[count++] = key;
}

struct EnumCase {
    const char* label;
    bool usb;
    std::vector<std::string> vendor;
    std::vector<std::string> stream;
    std::vector<std::string> gone;   // below HKLM
    std::vector<std::string> stays;  // below HKLM
    int vendorOpens;                 // of the vendor parent the flag chooses
    int streamOpens;
};

const EnumCase kEnumCases[] = {
    {"without_the_flag_entries_are_looked_for_under_pci",
     false,
     {"VEN_ABCD&DEV_EF12&REV_01"},
     {"PHXBAR"},
     {"Enum\\PCI\\VEN_ABCD&DEV_EF12&REV_01", "Enum\\STREAM\\PHXBAR"},
     {"Enum\\PCI\\VEN_1111&DEV_0001", "Enum\\USB\\VID_ABCD&PID_EF12", "Enum\\STREAM\\MSPQM"},
     1,
     1},
    {"with_the_flag_every_entry_is_looked_for_under_usb",
     true,
     {"VID_ABCD&PID_EF12", "VEN_ABCD&DEV_EF12&REV_01"},
     {},
     {"Enum\\USB\\VID_ABCD&PID_EF12"},
     {"Enum\\PCI\\VEN_ABCD&DEV_EF12&REV_01", "Enum\\USB\\ROOT_HUB"},
     2,
     0},
    {"an_empty_vendor_entry_never_takes_the_parent",
     true,
     {""},
     {},
     {},
     {"Enum\\USB", "Enum\\USB\\VID_ABCD&PID_EF12", "Enum\\USB\\ROOT_HUB"},
     0,
     0},
    {"an_empty_stream_entry_never_takes_the_parent",
     false,
     {"", "VEN_ABCD&DEV_EF12&REV_01"},
     {""},
     {"Enum\\PCI\\VEN_ABCD&DEV_EF12&REV_01"},
     {"Enum\\PCI", "Enum\\STREAM", "Enum\\STREAM\\PHXBAR", "Enum\\STREAM\\MSPQM"},
     1,
     0},
    {"no_entries_open_no_enumerator_key",
     false,
     {},
     {},
     {},
     {"Enum\\PCI\\VEN_ABCD&DEV_EF12&REV_01", "Enum\\STREAM\\PHXBAR"},
     0,
     0},
    {"the_parent_is_opened_for_every_entry_and_twice_recorded_goes_once",
     false,
     {"VEN_ABCD&DEV_EF12&REV_01", "VEN_ABCD&DEV_EF12&REV_01", "VEN_9999"},
     {"PHXBAR", "MSPQM"},
     {"Enum\\PCI\\VEN_ABCD&DEV_EF12&REV_01", "Enum\\STREAM\\PHXBAR", "Enum\\STREAM\\MSPQM"},
     {"Enum\\PCI\\VEN_1111&DEV_0001"},
     3,
     2},
    {"an_entry_with_a_backslash_names_a_deeper_key",
     false,
     {"EAM\\VEN_AB"},
     {},
     {"Enum\\PCI\\EAM\\VEN_AB"},
     {"Enum\\PCI\\EAM"},
     1,
     0},
};

class CleanEnum : public Win9xTest, public ::testing::WithParamInterface<EnumCase> {};

TEST_P(CleanEnum, DeletesTheRecordedEnumeratorKeys) {
    const EnumCase& c = GetParam();
    for (const char* key :
         {"Enum\\PCI\\VEN_ABCD&DEV_EF12&REV_01\\BUS_01&DEV_06&FUNC_00",
          "Enum\\PCI\\VEN_1111&DEV_0001\\BUS_00&DEV_01&FUNC_00", "Enum\\PCI\\EAM\\VEN_AB\\0000",
          "Enum\\USB\\VID_ABCD&PID_EF12\\5&2C1A&0&1", "Enum\\USB\\ROOT_HUB\\PCI&VEN_8086",
          "Enum\\STREAM\\PHXBAR\\1&0&0", "Enum\\STREAM\\MSPQM\\1&0&0"}) {
        m->CreateKey(HKEY_LOCAL_MACHINE, key);
    }
    if (c.usb) Win9xFlags |= kUsbDeviceSeen;
    RecordKeys(VendorKeyList, VendorKeyCount, c.vendor);
    RecordKeys(StreamKeyList, StreamKeyCount, c.stream);

    CleanRegistryWin9x();

    for (const auto& key : c.gone) EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    for (const auto& key : c.stays) EXPECT_TRUE(m->KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    const std::string vendorParent = c.usb ? "HKLM\\Enum\\USB|" : "HKLM\\Enum\\PCI|";
    const std::string otherParent = c.usb ? "HKLM\\Enum\\PCI|" : "HKLM\\Enum\\USB|";
    int vendorOpens = 0, streamOpens = 0;
    for (const auto& call : CallsOf("RegOpenKeyExA")) {
        if (call.args.rfind(vendorParent, 0) == 0) ++vendorOpens;
        if (call.args.rfind("HKLM\\Enum\\STREAM|", 0) == 0) ++streamOpens;
        EXPECT_NE(call.args.rfind(otherParent, 0), 0u) << call.args;
        EXPECT_NE(call.args.find("|0xf003f"), std::string::npos) << call.args;
    }
    EXPECT_EQ(vendorOpens, c.vendorOpens);
    EXPECT_EQ(streamOpens, c.streamOpens);
    // The state the scan left is read, not changed.
    EXPECT_EQ(VendorKeys(), c.vendor);
    EXPECT_EQ(StreamKeys(), c.stream);
}

INSTANTIATE_TEST_SUITE_P(Win9x, CleanEnum, ::testing::ValuesIn(kEnumCases), LabelOf());

// ---- the uninstall entry and the independence of the steps -------------------------------------

TEST_F(Win9xTest, UninstallEntryIsDeletedAndTheUninstallKeyFlushed) {
    m->SetString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\BrelonTunara\\Sub",
                 "DisplayName", "x");
    m->CreateKey(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\Other");
    CopyField(theApp.DrvUninstRegKeyPath, "brelontunara");

    CleanRegistryWin9x();

    EXPECT_EQ(m->SubkeyNames(HKEY_LOCAL_MACHINE, kUninstallKey), std::vector<std::string>{"Other"});
    const auto flushes = CallsOf("RegFlushKey");
    ASSERT_EQ(flushes.size(), 1u);
    EXPECT_NE(flushes[0].args.find("Uninstall"), std::string::npos) << flushes[0].args;
}

TEST_F(Win9xTest, TheEntryStaysWhileAnItemIsLeft) {
    m->CreateKey(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\BrelonTunara");
    CopyField(theApp.DrvUninstRegKeyPath, "BrelonTunara");
    RunResult result;
    result.Record(Action::DeleteFile, "c:\\windows\\system\\tuna.dll", Outcome::Failed, 5);
    CleanRegistryWin9x(result);
    EXPECT_TRUE(m->KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\BrelonTunara"));
}

TEST_F(Win9xTest, EmptyUninstallEntryNameNeverTakesTheUninstallKey) {
    m->CreateKey(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\BrelonTunara");
    m->CreateKey(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\Other");

    CleanRegistryWin9x();

    EXPECT_EQ(m->SubkeyNames(HKEY_LOCAL_MACHINE, kUninstallKey),
              (std::vector<std::string>{"BrelonTunara", "Other"}));
    EXPECT_EQ(m->CallCount("SHDeleteKeyA"), 0);
}

struct MissingCase {
    const char* label;
    bool mediaExists;
    bool mediaDenied;
};

const MissingCase kMissingCases[] = {
    {"media_key_missing", false, false},
    {"media_key_not_openable", true, true},
};

class CleanWithoutMedia : public Win9xTest, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(CleanWithoutMedia, StillDeletesTheEnumeratorKeysAndTheUninstallEntry) {
    const MissingCase& c = GetParam();
    if (c.mediaExists) WriteDriverKeys(*m, {"Brelon Capture"});
    if (c.mediaDenied) m->DenyFullAccess(HKEY_LOCAL_MACHINE, kMediaKey);
    SetDevTable(Named({"Brelon Capture"}));
    m->CreateKey(HKEY_LOCAL_MACHINE, "Enum\\PCI\\VEN_ABCD\\0000");
    m->CreateKey(HKEY_LOCAL_MACHINE, "Enum\\STREAM\\PHXBAR\\0000");
    m->CreateKey(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\BrelonTunara");
    RecordKeys(VendorKeyList, VendorKeyCount, {"VEN_ABCD"});
    RecordKeys(StreamKeyList, StreamKeyCount, {"PHXBAR"});
    CopyField(theApp.DrvUninstRegKeyPath, "BrelonTunara");

    EXPECT_EQ(CleanRegistryWin9x(), 1);

    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, "Enum\\PCI\\VEN_ABCD"));
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, "Enum\\STREAM\\PHXBAR"));
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\BrelonTunara"));
    EXPECT_EQ(m->KeyExists(HKEY_LOCAL_MACHINE, std::string(kMediaKey) + "\\0000"), c.mediaExists);
    // Each walk tries the class key on its own.
    int mediaOpens = 0;
    for (const auto& call : CallsOf("RegOpenKeyExA")) {
        if (call.args.find("\\MEDIA|") != std::string::npos) ++mediaOpens;
    }
    EXPECT_EQ(mediaOpens, 2);
}

INSTANTIATE_TEST_SUITE_P(Win9x, CleanWithoutMedia, ::testing::ValuesIn(kMissingCases), LabelOf());

// A USB device sends every vendor entry to "Enum\USB", so a PCI device's key of the same run is
// not found there and stays.
TEST_F(Win9xTest, UsbFlagSendsPciEntriesToTheUsbKey) {
    m->AddDevice(DevicePath("ROOT", "D100"), {"USB\\VID_ABCD&PID_EF12&REV_0100"});
    m->AddDevice(DevicePath("ROOT", "D101"), {"PCI\\VEN_ABCD&DEV_EF12&REV_01"});
    m->CreateKey(HKEY_LOCAL_MACHINE, "Enum\\USB\\VID_ABCD&PID_EF12\\5&2C1A&0&1");
    m->CreateKey(HKEY_LOCAL_MACHINE, "Enum\\PCI\\VEN_ABCD&DEV_EF12&REV_01\\BUS_01&DEV_06&FUNC_00");
    SetDevTable({{"USB\\VID_ABCD&PID_EF12", "U", "u.sys", "u.inf"},
                 {"PCI\\VEN_ABCD", "P", "p.sys", "p.inf"}});

    ScanDevicesWin9x();
    CleanRegistryWin9x();

    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, "Enum\\USB\\VID_ABCD&PID_EF12"));
    EXPECT_TRUE(m->KeyExists(HKEY_LOCAL_MACHINE, "Enum\\PCI\\VEN_ABCD&DEV_EF12&REV_01"));
    const auto deletes = CallsOf("RegDeleteKeyA");
    ASSERT_EQ(deletes.size(), 2u);
    EXPECT_NE(deletes[1].args.find("Enum\\USB\\VEN_ABCD&DEV_EF12&REV_01"), std::string::npos)
        << deletes[1].args;
}

// A row ID in lower case gives an empty vendor key, which must not delete "Enum\USB".
TEST_F(Win9xTest, LowerCaseUsbRowLeavesTheUsbKeyWhole) {
    m->AddDevice(DevicePath("ROOT", "D100"), {"USB\\VID_ABCD&PID_EF12&REV_0100"});
    m->CreateKey(HKEY_LOCAL_MACHINE, "Enum\\USB\\VID_ABCD&PID_EF12\\5&2C1A&0&1");
    m->CreateKey(HKEY_LOCAL_MACHINE, "Enum\\USB\\ROOT_HUB\\0000");
    SetDevTable({{"usb\\vid_abcd&pid_ef12", "U", "u.sys", "u.inf"}});

    ScanDevicesWin9x();
    ASSERT_EQ(VendorKeys(), std::vector<std::string>{""});
    CleanRegistryWin9x();

    EXPECT_EQ(m->SubkeyNames(HKEY_LOCAL_MACHINE, "Enum\\USB"),
              (std::vector<std::string>{"ROOT_HUB", "VID_ABCD&PID_EF12"}));
    EXPECT_EQ(m->CallCount("RegDeleteKeyA"), 0);
}

}  // namespace
}  // namespace win9x_test
