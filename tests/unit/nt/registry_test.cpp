// Registry cleanup of the NT family: services, driver keys of the class key, uninstall entry.
#include "nt/nt_removal.h"
#include "nt_fixture.h"

namespace nttest {
namespace {

class Cleanup : public NtTest {};

TEST_F(Cleanup, DeletesTheNamedServicesWithTheirSubkeysAndFlushes) {
    m->CreateKey(HKEY_LOCAL_MACHINE, kServices + "\\tunapro\\Enum");
    m->CreateKey(HKEY_LOCAL_MACHINE, kServices + "\\TunaRC");
    m->CreateKey(HKEY_LOCAL_MACHINE, kServices + "\\tunaproExtra");
    m->CreateKey(HKEY_LOCAL_MACHINE, kServices + "\\Beep");
    Services({"tunapro", "tunarc", "missing"});
    EXPECT_EQ(CleanRegistryNt(), 1);
    EXPECT_FALSE(Key(kServices + "\\tunapro"));
    EXPECT_FALSE(Key(kServices + "\\TunaRC"));
    EXPECT_TRUE(Key(kServices + "\\tunaproExtra"));
    EXPECT_TRUE(Key(kServices + "\\Beep"));
}

TEST_F(Cleanup, NoServicesStillOpensFlushesAndClosesTheServicesKey) {
    m->CreateKey(HKEY_LOCAL_MACHINE, kServices + "\\Beep");
    Services({});
    CleanRegistryNt();
    EXPECT_TRUE(Key(kServices + "\\Beep"));
    EXPECT_EQ(Calls("SHDeleteKeyA"), 0);
    const auto flushes = CallArgs("RegFlushKey");
    ASSERT_EQ(flushes.size(), 1u);  // no uninstall key on this machine, and the class key never
    EXPECT_NE(Lower(flushes[0]).find("services"), std::string::npos) << flushes[0];
}

TEST_F(Cleanup, AnEmptyNameNeverTakesTheParentKey) {
    m->CreateKey(HKEY_LOCAL_MACHINE, kServices + "\\Beep");
    m->CreateKey(HKEY_LOCAL_MACHINE, kServices + "\\tunapro");
    m->CreateKey(HKEY_LOCAL_MACHINE, kUninstall + "\\Other");
    Services({"", "tunapro"});
    theApp.DrvUninstRegKeyPath[0] = '\0';
    CleanRegistryNt();
    EXPECT_TRUE(Key(kServices + "\\Beep"));
    EXPECT_FALSE(Key(kServices + "\\tunapro"));
    EXPECT_TRUE(Key(kUninstall + "\\Other"));
    EXPECT_EQ(Calls("SHDeleteKeyA"), 1);
}

TEST_F(Cleanup, DeletesTheUninstallEntryAndFlushesTheUninstallKey) {
    m->CreateKey(HKEY_LOCAL_MACHINE, kUninstall + "\\{PRODUCT}\\Sub");
    m->CreateKey(HKEY_LOCAL_MACHINE, kUninstall + "\\Other");
    CopyField(theApp.DrvUninstRegKeyPath, "{product}");
    CleanRegistryNt();
    EXPECT_FALSE(Key(kUninstall + "\\{PRODUCT}"));
    EXPECT_TRUE(Key(kUninstall + "\\Other"));
    EXPECT_EQ(Calls("RegFlushKey"), 1);  // no services key on this machine
}

// In a view the entry is emptied and deleted by the calls that carry the view's flag where the
// system has them (the simulated machine has them by version and view); 64-bit XP (5.2) lacks
// RegDeleteTreeA, and older Windows has no views.
struct ViewCase {
    DWORD major, minor;
    bool windows64;
    int keyEx, shell;  // RegDeleteKeyExA and SHDeleteKeyA calls
};
class Views : public Cleanup, public testing::WithParamInterface<ViewCase> {};

TEST_P(Views, TheUninstallEntryLeavesEachViewThatHoldsIt) {
    const ViewCase& c = GetParam();
    const std::string view32 = "SOFTWARE\\Wow6432Node" + kUninstall.substr(8);
    m->SetVersion(VER_PLATFORM_WIN32_NT, c.major, c.minor);
    if (c.windows64) m->Set64BitWindows(false);
    for (const std::string& entry : {kUninstall, view32}) {
        m->CreateKey(HKEY_LOCAL_MACHINE, entry + "\\{PRODUCT}\\Sub");
        m->CreateKey(HKEY_LOCAL_MACHINE, entry + "\\Other");
    }
    CopyField(theApp.DrvUninstRegKeyPath, "{product}");
    CleanRegistryNt();
    EXPECT_FALSE(Key(kUninstall + "\\{PRODUCT}"));
    EXPECT_EQ(Key(view32 + "\\{PRODUCT}"), !c.windows64);
    EXPECT_TRUE(Key(view32 + "\\Other"));
    EXPECT_EQ(Calls("RegDeleteKeyExA"), c.keyEx);
    EXPECT_EQ(Calls("SHDeleteKeyA"), c.shell);
}

INSTANTIATE_TEST_SUITE_P(Cases, Views,
                         testing::Values(ViewCase{6, 0, true, 2, 0}, ViewCase{5, 2, true, 2, 2},
                                         ViewCase{5, 1, false, 0, 1}),
                         [](const auto& p) { return "Case" + std::to_string(p.index); });

TEST_F(Cleanup, AMissingClassKeyLeavesTheOtherStepsToRun) {
    m->CreateKey(HKEY_LOCAL_MACHINE, kServices + "\\tunapro");
    m->CreateKey(HKEY_LOCAL_MACHINE, kUninstall + "\\{P}");
    Services({"tunapro"});
    CopyField(theApp.DrvUninstRegKeyPath, "{P}");
    DevRows({{"", "Brelon", "", ""}});
    CleanRegistryNt();
    EXPECT_FALSE(Key(kServices + "\\tunapro"));
    EXPECT_FALSE(Key(kUninstall + "\\{P}"));
}

struct ClassCase {
    const char* what;
    std::vector<std::string> descriptions;  // driver keys 0000, 0001, ...; "-" for no DriverDesc
    std::vector<std::string> rowNames;
    std::vector<std::string> extNames;
    std::vector<std::string> remaining;  // subkeys left after the cleanup
};

class ClassKeys : public NtTest, public testing::WithParamInterface<ClassCase> {};

TEST_P(ClassKeys, DeleteOnWholeDescriptionsInOneWalk) {
    const ClassCase& c = GetParam();
    for (std::size_t i = 0; i < c.descriptions.size(); ++i) {
        const std::string key = kMediaClass + "\\" + Sub(i);
        m->CreateKey(HKEY_LOCAL_MACHINE, key);
        if (c.descriptions[i] != "-") {
            m->SetString(HKEY_LOCAL_MACHINE, key, "DriverDesc", c.descriptions[i]);
        }
    }
    std::vector<Row> rows, ext;
    for (const auto& n : c.rowNames) rows.push_back({"ID", n, "", ""});
    for (const auto& n : c.extNames) ext.push_back({"ID", n, "", ""});
    DevRows(rows);
    ExtRows(ext);
    CleanRegistryNt();
    EXPECT_EQ(m->SubkeyNames(HKEY_LOCAL_MACHINE, kMediaClass), c.remaining) << c.what;
    EXPECT_TRUE(Key(kMediaClass)) << c.what;
}

const std::string k127(127, 'D');

INSTANTIATE_TEST_SUITE_P(
    Cases, ClassKeys,
    testing::Values(
        ClassCase{"letter case does not matter, a longer description stays",
                  {"Brelon Tunara Capture (2)", "brelon TUNARA capture", "Other"},
                  {"Brelon Tunara Capture"},
                  {},
                  {"0000", "0002"}},
        ClassCase{"of two adjacent matches the second moves into the gap and stays",
                  {"Other", "Other 2", "Brelon", "Brelon", "Other 3"},
                  {"Brelon"},
                  {},
                  {"0000", "0001", "0003", "0004"}},
        // The key examined after a deleted one is the one two places on.
        ClassCase{"a key without a description examined after a matching one stays",
                  {"Brelon", "Other", "-"},
                  {"Brelon"},
                  {},
                  {"0001", "0002"}},
        ClassCase{"descriptions of growing length are read in full",
                  {std::string(10, 'D'), std::string(100, 'D'), std::string(255, 'D'), k127},
                  {k127},
                  {},
                  {"0000", "0001", "0002"}},
        ClassCase{"rows of the extra table delete as well; several equal rows delete once",
                  {"Capture", "Other", "Audio"},
                  {"Capture", "capture"},
                  {"AUDIO"},
                  {"0001"}},
        ClassCase{"a row without a Name deletes no key, not even one with an empty description",
                  {"-", "", "Other"},
                  {""},
                  {},
                  {"0000", "0001", "0002"}}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

TEST_F(Cleanup, ADescriptionTooLongForTheBufferIsNotJudgedByTheKeyBefore) {
    // The first key matches and goes; the third, examined next, has a value that does not fit.
    DriverKey(kMediaClass, "0000", "Brelon");
    DriverKey(kMediaClass, "0001", "Other");
    DriverKey(kMediaClass, "0002", std::string(300, 'x'));
    DevRows({{"ID", "Brelon", "", ""}});
    CleanRegistryNt();
    EXPECT_EQ(m->SubkeyNames(HKEY_LOCAL_MACHINE, kMediaClass),
              (std::vector<std::string>{"0001", "0002"}));
}

TEST_F(Cleanup, ADescriptionWithoutItsTerminatorIsNotCompletedByTheKeyBefore) {
    DriverKey(kMediaClass, "0000", "Brelon");
    DriverKey(kMediaClass, "0001", "Other");
    // Examined right after the deleted key: "Bre" stored without a terminator.
    m->SetBinary(HKEY_LOCAL_MACHINE, kMediaClass + "\\0002", "DriverDesc", {'B', 'r', 'e'}, REG_SZ);
    DevRows({{"ID", "Brelon", "", ""}});
    CleanRegistryNt();
    EXPECT_EQ(m->SubkeyNames(HKEY_LOCAL_MACHINE, kMediaClass),
              (std::vector<std::string>{"0001", "0002"}));
}

TEST_F(Cleanup, AKeyThatWillNotOpenIsLeftAndTheWalkGoesOn) {
    DriverKey(kMediaClass, "0000", "Brelon");
    DriverKey(kMediaClass, "0001", "Brelon");
    m->DenyFullAccess(HKEY_LOCAL_MACHINE, kMediaClass + "\\0000");
    DevRows({{"ID", "Brelon", "", ""}});
    CleanRegistryNt();
    EXPECT_EQ(m->SubkeyNames(HKEY_LOCAL_MACHINE, kMediaClass), std::vector<std::string>{"0000"});
}

TEST_F(Cleanup, MediaClassPicksTheClassKey) {
    for (const char* value : {"No", "nONE", "Yes", ""}) {
        DriverKey(kMediaClass, "0000", "Brelon");
        DriverKey(kImageClass, "0000", "Brelon");
        DevRows({{"ID", "Brelon", "", ""}});
        CopyField(theApp.MediaClass, value);
        CleanRegistryNt();
        const bool image = value[0] == 'N' || value[0] == 'n';
        EXPECT_EQ(Key(kMediaClass + "\\0000"), image) << value;
        EXPECT_EQ(Key(kImageClass + "\\0000"), !image) << value;
        m->DeleteTree(HKEY_LOCAL_MACHINE, kMediaClass + "\\0000");
        m->DeleteTree(HKEY_LOCAL_MACHINE, kImageClass + "\\0000");
    }
}

TEST_F(Cleanup, TheClassKeyIsNotFlushed) {
    DriverKey(kMediaClass, "0000", "Brelon");
    m->CreateKey(HKEY_LOCAL_MACHINE, kServices);
    m->CreateKey(HKEY_LOCAL_MACHINE, kUninstall);
    DevRows({{"ID", "Brelon", "", ""}});
    CleanRegistryNt();
    EXPECT_FALSE(Key(kMediaClass + "\\0000"));
    for (const std::string& args : CallArgs("RegFlushKey")) {
        EXPECT_EQ(Lower(args).find("class"), std::string::npos) << args;
    }
    EXPECT_EQ(Calls("RegFlushKey"), 2);
}

}  // namespace
}  // namespace nttest
