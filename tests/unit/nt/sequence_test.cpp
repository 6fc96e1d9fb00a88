// The NT removal sequence as the dialog runs it: the device check, the media receiver, the files
// with their progress steps, then devices and registry.
#include <algorithm>

#include "nt/nt_removal.h"
#include "nt_fixture.h"
#include "ui/uninst_dlg.h"

namespace nttest {
namespace {

constexpr const char* kWin = "C:\\WINDOWS";

class Sequence : public NtTest {
protected:
    void SetUp() override {
        NtTest::SetUp();
        m->SetWindowsDirectory(kWin);
    }

    // The product's one device and its row, so that the device check passes.
    void OneDevice(const std::string& name = "Brelon Capture", const std::string& sys = "cap.sys",
                   bool namesDriverKey = true) {
        const std::string kMediaGuid = "{4D36E96C-E325-11CE-BFC1-08002BE10318}";
        DevRows({{"PCI\\VEN_1131", name, sys, "cap.inf"}});
        // Its Enum key names its driver key, as on a real machine.
        m->AddDevice("PCI\\VEN_1131&DEV_7133\\1", {"PCI\\VEN_1131&DEV_7133"}, kMediaGuid,
                     namesDriverKey ? kMediaGuid + "\\0000" : "");
    }
    std::string File(const std::string& relative) { return std::string(kWin) + "\\" + relative; }
    void Write(const std::string& relative, bool readOnly = false) {
        m->WriteFile(File(relative), "x",
                     readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_ARCHIVE);
    }
    bool Exists(const std::string& relative) { return m->FileExists(File(relative)); }

    INT_PTR RunDialog(sim::UserAction action = sim::UserAction::ClickOk) {
        // OK checks again that the product is listed, once it holds the lock.
        m->SetString(HKEY_LOCAL_MACHINE, kUninstall + "\\Listed", "DisplayName",
                     theApp.DrvUninstRegKeyName);
        m->ScriptUser({action});
        CUninstDlg dlg;
        return dlg.DoModal();
    }
    const sim::DialogRecord& Dialog() {
        EXPECT_EQ(m->Dialogs().size(), 1u);
        return m->Dialogs().back();
    }
    // Every path shown in control 1002, after the empty text that the run starts with.
    std::vector<std::string> Shown() {
        const sim::ControlState* c = Dialog().Control(1002);
        if (c == nullptr) return {};
        std::vector<std::string> shown;
        for (const std::string& t : c->textHistory) {
            if (!t.empty()) shown.push_back(t);
        }
        return shown;
    }
    // Index of the first call of an operation in the log, or the log's size.
    std::size_t FirstCall(const std::string& api) {
        const auto& calls = m->Calls();
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i].api == api) return i;
        }
        return calls.size();
    }
};

struct CheckCase {
    const char* what;
    std::vector<std::string> rowIds;
    std::vector<std::string> devices;  // first hardware IDs of the present devices
    bool noDeviceSet;                  // the set of present devices cannot be obtained
};

class DeviceCheck : public Sequence, public testing::WithParamInterface<CheckCase> {};

TEST_P(DeviceCheck, AnUnequalCountEndsTheRunWithTheDeviceMessageAndRemovesNothing) {
    const CheckCase& c = GetParam();
    std::vector<Row> rows;
    for (const auto& id : c.rowIds) rows.push_back({id, "Brelon Capture", "cap.sys", "cap.inf"});
    DevRows(rows);
    ExtRows({{"BRELON\\AUDIO", "Brelon Audio", "aud.sys", ""}});
    for (std::size_t i = 0; i < c.devices.size(); ++i) {
        m->AddDevice("PCI\\DEV\\" + std::to_string(i), {c.devices[i]});
    }
    m->AddDevice("ROOT\\MEDIA\\0001", {"BRELON\\AUDIO"});
    if (c.noDeviceSet) m->AddFault({"SetupDiGetClassDevsA", 1, ERROR_INVALID_PARAMETER, ""});
    DriverKey(kMediaClass, "0000", "Brelon Capture", "oem1.inf");
    m->CreateKey(HKEY_LOCAL_MACHINE, kServices + "\\cap");
    Services({"cap"});
    m->CreateKey(HKEY_LOCAL_MACHINE, kUninstall + "\\{P}");
    CopyField(theApp.DrvUninstRegKeyPath, "{P}");
    CopyField(theApp.DrvUninstAppName, "zq4unist.exe");
    Write("inf\\oem1.inf");
    Write("system32\\drivers\\cap.sys");
    Write("zq4unist.exe");
    const DWORD receiver = m->AddProcess("ehRecvr.exe");

    EXPECT_EQ(RunDialog(), IDOK) << c.what;
    EXPECT_TRUE(Dialog().ended) << c.what;
    ASSERT_EQ(m->MessageBoxes().size(), 1u) << c.what;
    EXPECT_EQ(m->MessageBoxes()[0].text, theApp.UnInstDevMissingMsg) << c.what;
    EXPECT_EQ(theApp.LastResult().end, RunEnd::DeviceCheck) << c.what;
    for (const char* api :
         {"SetFileAttributesA", "DeleteFileA", "SetupDiRemoveDevice", "SHDeleteKeyA",
          "CreateToolhelp32Snapshot", "TerminateProcess", "RegSetValueExA"}) {
        EXPECT_EQ(Calls(api), 0) << c.what << ": " << api;
    }
    EXPECT_TRUE(Dialog().progress.positions.empty()) << c.what;
    EXPECT_TRUE(Exists("inf\\oem1.inf") && Exists("system32\\drivers\\cap.sys") &&
                Exists("zq4unist.exe"))
        << c.what;
    EXPECT_TRUE(m->FindProcess(receiver)->running) << c.what;
    EXPECT_TRUE(Key(kMediaClass + "\\0000") && Key(kServices + "\\cap") &&
                Key(kUninstall + "\\{P}") && Key(kEnum + "ROOT\\MEDIA\\0001"))
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceCheck,
    testing::Values(CheckCase{"one of two devices present",
                              {"PCI\\VEN_1131&DEV_7133", "USB\\VID_1131"},
                              {"PCI\\VEN_1131&DEV_7133&SUBSYS_1"},
                              false},
                    CheckCase{"two devices for one row",
                              {"PCI\\VEN_1131"},
                              {"PCI\\VEN_1131&DEV_7133", "PCI\\VEN_1131&DEV_7134"},
                              false},
                    CheckCase{"no device present", {"PCI\\VEN_1131"}, {}, false},
                    CheckCase{
                        "no device set", {"PCI\\VEN_1131"}, {"PCI\\VEN_1131&DEV_7133"}, true}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

// A journal makes a run that finds fewer devices than the profile counts finish the earlier one;
// more devices, or no journal, stop at the device check.
TEST_F(Sequence, OnlyFewerDevicesWithAJournalResume) {
    theApp.DevIDNum = 2;
    RunResult r;
    EXPECT_EQ(::DeviceCheck(r, 1, true), RunStart::Resume);
    EXPECT_EQ(::DeviceCheck(r, 2, true), RunStart::Fresh);
    EXPECT_EQ(::DeviceCheck(r, 2, false), RunStart::Fresh);
    EXPECT_EQ(::DeviceCheck(r, 1, false), RunStart::Stop);
    EXPECT_EQ(::DeviceCheck(r, 3, true), RunStart::Stop);
    EXPECT_EQ(r.devicesFound, 3);
}

// A device walk that ends early may have missed a device of the product: an item left, so the
// entry stays.
TEST_F(Sequence, AWalkForTheDevicesNotPresentThatFailsLeavesAnItem) {
    m->SetVersion(VER_PLATFORM_WIN32_NT, 10, 0);
    OneDevice();
    m->CreateKey(HKEY_LOCAL_MACHINE, kUninstall + "\\{P}");
    CopyField(theApp.DrvUninstRegKeyPath, "{P}");
    m->AddFault({"SetupDiGetClassDevsA", 1, ERROR_NOT_ENOUGH_MEMORY, "|0x4"});
    RemovalRun run(nullptr);
    RunNtRemoval(run);
    EXPECT_GT(run.Result().ItemsLeft(), 0);
    EXPECT_TRUE(Key(kUninstall + "\\{P}"));
}

// The removal's walk over the devices not present fails: the device it never reached is left, with
// the walk's error.
TEST_F(Sequence, ADeviceTheWalkNeverReachedIsLeftWithTheWalksError) {
    m->SetVersion(VER_PLATFORM_WIN32_NT, 10, 0);
    OneDevice();
    m->AddDevice("PCI\\VEN_1131&DEV_7133\\2", {"PCI\\VEN_1131&DEV_7133"});
    m->SetDevicePresent("PCI\\VEN_1131&DEV_7133\\2", false);
    // The third set of all devices: after the plan's two, the removal's own.
    m->AddFault({"SetupDiGetClassDevsA", 3, ERROR_NOT_ENOUGH_MEMORY, "|0x4"});
    RemovalRun run(nullptr);
    RunNtRemoval(run);
    const auto& actions = run.Result().actions;
    const auto left = std::find_if(actions.begin(), actions.end(), [](const ActionRecord& r) {
        return r.target == "PCI\\VEN_1131&DEV_7133\\2";
    });
    ASSERT_NE(left, actions.end());
    EXPECT_EQ(left->outcome, Outcome::Failed);
    EXPECT_EQ(left->error, ERROR_NOT_ENOUGH_MEMORY);
}

TEST_F(Sequence, NoRowsAndNoDevicesIsACompleteRun) {
    RunDialog();
    ASSERT_EQ(m->MessageBoxes().size(), 1u);
    EXPECT_EQ(Dialog().progress.positions, (std::vector<int>{6, 90, 100}));
}

struct ReceiverCase {
    DWORD major, minor;
    bool stopped;
};

class MediaReceiver : public Sequence, public testing::WithParamInterface<ReceiverCase> {};

TEST_P(MediaReceiver, StoppedBeforeAnyFileOnlyWhenTheMinorVersionIsNotZero) {
    const ReceiverCase& c = GetParam();
    m->SetVersion(VER_PLATFORM_WIN32_NT, c.major, c.minor);
    OneDevice();
    DriverKey(kMediaClass, "0000", "Brelon Capture", "oem1.inf");
    Write("inf\\oem1.inf");
    Write("system32\\drivers\\cap.sys");
    const DWORD pid = m->AddProcess("ehRecvr.exe");
    RunDialog();
    EXPECT_EQ(!m->FindProcess(pid)->running, c.stopped) << c.major << "." << c.minor;
    EXPECT_FALSE(Exists("inf\\oem1.inf"));
    EXPECT_FALSE(Exists("system32\\drivers\\cap.sys"));
    if (c.stopped) {
        EXPECT_LT(FirstCall("TerminateProcess"), FirstCall("SetFileAttributesA"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MediaReceiver,
                         testing::Values(ReceiverCase{5, 0, false}, ReceiverCase{5, 1, true},
                                         ReceiverCase{5, 2, true}, ReceiverCase{6, 0, false},
                                         ReceiverCase{6, 1, true}));

struct InfCase {
    std::string infPath;
    std::string pnfShown, infShown;  // in the order shown
    std::string pnfFile, infFile;    // on disk, below the Windows folder
};

class InfNames : public Sequence, public testing::WithParamInterface<InfCase> {};

TEST_P(InfNames, PnfFromTheFirstTokenBothLowerCasedAndDeleted) {
    const InfCase& c = GetParam();
    OneDevice();
    DriverKey(kMediaClass, "0000", "Brelon Capture", c.infPath);
    Write("inf\\" + c.infFile, /*readOnly=*/true);
    Write("inf\\" + c.pnfFile);
    Write("inf\\other.inf");
    RunDialog();
    const auto shown = Shown();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0], c.pnfShown);
    EXPECT_EQ(shown[1], c.infShown);
    EXPECT_FALSE(Exists("inf\\" + c.infFile)) << c.infPath;
    EXPECT_FALSE(Exists("inf\\" + c.pnfFile)) << c.infPath;
    EXPECT_TRUE(Exists("inf\\other.inf"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InfNames,
    testing::Values(InfCase{"oem12.inf", "c:\\windows\\inf\\oem12.pnf",
                            "c:\\windows\\inf\\oem12.inf", "oem12.pnf", "oem12.inf"},
                    InfCase{"a.b.inf", "c:\\windows\\inf\\a.pnf", "c:\\windows\\inf\\a.b.inf",
                            "a.pnf", "a.b.inf"},
                    InfCase{"oem7", "c:\\windows\\inf\\oem7.pnf", "c:\\windows\\inf\\oem7",
                            "oem7.pnf", "oem7"},
                    InfCase{"..x.inf", "c:\\windows\\inf\\x.pnf", "c:\\windows\\inf\\..x.inf",
                            "x.pnf", "..x.inf"},
                    InfCase{"OEM3.INF", "c:\\windows\\inf\\oem3.pnf", "c:\\windows\\inf\\oem3.inf",
                            "oem3.pnf", "oem3.inf"}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

// From XP on an OEM INF is uninstalled from the driver store before its plain delete; Windows
// 2000 has no such call, and an INF that is not an OEM INF is never handed to it. From Vista on a
// package that will not leave keeps its INF and PNF and is tried again after the device removal.
struct StoreCase {
    const char* what;
    DWORD major, minor;
    const char* infPath;
    int calls;
    bool packageGone;
    int failing = -1;  // which forced call fails: 1 the first, 0 every one, -1 none
    bool pairKept = false;
    bool runsFromStore = false;    // the store keeps it while the device uses it, forced or not
    bool deviceNamesKey = true;    // the device's Driver value names the INF's driver key
    const char* installedAs = "";  // the name it was installed from (empty: its own)
};
class DriverStore : public Sequence, public testing::WithParamInterface<StoreCase> {};

TEST_P(DriverStore, OemInfsLeaveItFromXpOn) {
    const StoreCase& c = GetParam();
    m->SetVersion(VER_PLATFORM_WIN32_NT, c.major, c.minor);
    OneDevice("Brelon Capture", "cap.sys", c.deviceNamesKey);
    DriverKey(kMediaClass, "0000", "Brelon Capture", c.infPath);
    const std::string pnf = PnfNameFor(c.infPath);
    Write(std::string("inf\\") + c.infPath);
    Write("inf\\" + pnf);
    const std::string store = "system32\\DriverStore\\FileRepository\\cap.inf_amd64_1";
    m->AddDriverPackage(c.infPath, store, c.installedAs, c.runsFromStore);
    if (c.failing >= 0) m->AddFault({"SetupUninstallOEMInfA", c.failing, 0xE000023D, ""});
    RunDialog();
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < m->Calls().size(); ++i) {
        const sim::CallRecord& call = m->Calls()[i];
        if (call.api == "SetupUninstallOEMInfA" && call.args == std::string(c.infPath) + "|0x1")
            at.push_back(i);
    }
    EXPECT_EQ(static_cast<int>(at.size()), c.calls);
    // The retry follows the device removal.
    if (at.size() == 2) {
        EXPECT_GT(at[1], FirstCall("SetupDiRemoveDevice"));
    }
    EXPECT_EQ(Exists(std::string("inf\\") + c.infPath), c.pairKept);
    EXPECT_EQ(Exists("inf\\" + pnf), c.pairKept);
    EXPECT_EQ(!Exists(store + "\\" + c.infPath), c.packageGone);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DriverStore,
    testing::Values(StoreCase{"2000", 5, 0, "oem12.inf", 0, false},
                    StoreCase{"XP: no store", 5, 1, "oem12.inf", 0, false},
                    StoreCase{"Vista", 6, 0, "OEM12.INF", 1, true},
                    StoreCase{"not OEM", 10, 0, "tunacap.inf", 0, false},
                    StoreCase{"no digits", 10, 0, "oemx.inf", 0, false},
                    StoreCase{"runs from the store", 10, 0, "oem12.inf", 2, true, -1, false, true},
                    StoreCase{"retried", 10, 0, "oem12.inf", 2, true, 1},
                    StoreCase{"kept", 10, 0, "oem12.inf", 2, false, 0, true},
                    StoreCase{"proved by the name it was installed from", 10, 0, "oem12.inf", 1,
                              true, -1, false, false, false, "CAP.inf"},
                    StoreCase{"not the product's", 10, 0, "oem12.inf", 0, false, -1, true, false,
                              false, "cap2.inf"}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

TEST(PnfName, FirstTokenOfTheEntry) {
    EXPECT_EQ(PnfNameFor("oem12.inf"), "oem12.pnf");
    EXPECT_EQ(PnfNameFor("a.b.inf"), "a.pnf");
    EXPECT_EQ(PnfNameFor("oem7"), "oem7.pnf");
    EXPECT_EQ(PnfNameFor("...a..b"), "a.pnf");
    EXPECT_EQ(PnfNameFor("..."), ".pnf");
    EXPECT_EQ(PnfNameFor(""), ".pnf");
}

TEST_F(Sequence, ProgressRunsOneStepPerPairAndSysFileThenJumps) {
    DevRows({{"PCI\\VEN_1131", "Brelon Capture", "cap.sys", ""},
             {"USB\\VID_1131", "Brelon Remote", "rc.sys", ""}});
    ExtRows({{"BRELON\\AUDIO", "Brelon Audio", "aud.sys", ""}});
    m->AddDevice("PCI\\VEN_1131&DEV_7133\\1", {"PCI\\VEN_1131&DEV_7133"});
    m->AddDevice("USB\\VID_1131&PID_0520\\1", {"USB\\VID_1131&PID_0520"});
    DriverKey(kMediaClass, "0000", "Brelon Capture", "oem1.inf");
    DriverKey(kMediaClass, "0001", "Brelon Audio", "oem2.inf");
    ExtFiles({"tuna.dll", "tuna.ax"});
    m->CreateKey(HKEY_LOCAL_MACHINE, kServices);
    m->CreateKey(HKEY_LOCAL_MACHINE, kUninstall);
    RunDialog();
    EXPECT_EQ(Dialog().progress.positions, (std::vector<int>{6, 12, 18, 24, 30, 36, 90, 100}));
    // Five paced steps; the uninstaller's step and the extra files have no pause.
    EXPECT_EQ(m->TotalSleepMs(), 100u);
    // 90 follows the device removal and precedes the registry cleanup; 100 follows that.
    std::size_t at90 = 0, at100 = 0, lastRemove = 0, firstDelete = 0, lastDelete = 0;
    const auto& calls = m->Calls();
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].api == "SendMessageA" &&
            calls[i].args.find("|0x402|90|") != std::string::npos) {
            at90 = i;
        }
        if (calls[i].api == "SendMessageA" &&
            calls[i].args.find("|0x402|100|") != std::string::npos) {
            at100 = i;
        }
        if (calls[i].api == "SetupDiRemoveDevice") lastRemove = i;
        if (calls[i].api == "RegOpenKeyExA" &&
            Lower(calls[i].args).find("services") != std::string::npos && firstDelete == 0) {
            firstDelete = i;
        }
        if (calls[i].api == "RegFlushKey") lastDelete = i;
    }
    ASSERT_GT(lastRemove, 0u);
    ASSERT_GT(lastDelete, 0u);
    EXPECT_LT(lastRemove, at90);
    EXPECT_LT(at90, firstDelete);
    EXPECT_LT(lastDelete, at100);
    ASSERT_EQ(m->MessageBoxes().size(), 1u);
    EXPECT_TRUE(Dialog().ended);
}

TEST_F(Sequence, FilesAreShownInOrderAndTheUninstallerKeepsItsAttributes) {
    DevRows({{"PCI\\VEN_1131", "Brelon Capture", "Cap.SYS", ""},
             {"USB\\VID_1131", "Brelon Remote", "rc.sys", ""}});
    ExtRows({{"BRELON\\AUDIO", "Brelon Audio", "aud.sys", ""}});
    m->AddDevice("PCI\\VEN_1131&DEV_7133\\1", {"PCI\\VEN_1131&DEV_7133"});
    m->AddDevice("USB\\VID_1131&PID_0520\\1", {"USB\\VID_1131&PID_0520"});
    DriverKey(kMediaClass, "0000", "Brelon Capture", "oem1.inf");
    ExtFiles({"Tuna.dll", "tuna.ax"});
    CopyField(theApp.DrvUninstAppName, "ZQ4unist.exe");
    Write("inf\\oem1.inf");
    Write("inf\\oem1.pnf");
    Write("system32\\drivers\\cap.sys", /*readOnly=*/true);
    Write("system32\\drivers\\rc.sys");
    Write("system32\\drivers\\aud.sys");
    Write("system32\\tuna.dll");
    Write("system32\\tuna.ax", /*readOnly=*/true);
    Write("zq4unist.exe", /*readOnly=*/true);
    RunDialog();
    EXPECT_EQ(
        Shown(),
        (std::vector<std::string>{
            "c:\\windows\\inf\\oem1.pnf", "c:\\windows\\inf\\oem1.inf",
            "c:\\windows\\system32\\drivers\\cap.sys", "c:\\windows\\system32\\drivers\\rc.sys",
            "c:\\windows\\system32\\drivers\\aud.sys", "c:\\windows\\system32\\tuna.dll",
            "c:\\windows\\system32\\tuna.ax", "c:\\windows\\zq4unist.exe"}));
    for (const char* gone : {"inf\\oem1.inf", "inf\\oem1.pnf", "system32\\drivers\\cap.sys",
                             "system32\\drivers\\rc.sys", "system32\\drivers\\aud.sys",
                             "system32\\tuna.dll", "system32\\tuna.ax"}) {
        EXPECT_FALSE(Exists(gone)) << gone;
    }
    // Deleted without resetting its attributes: a read-only uninstaller stays.
    EXPECT_TRUE(Exists("zq4unist.exe"));
    for (const std::string& args : CallArgs("SetFileAttributesA")) {
        EXPECT_EQ(args.find("zq4unist"), std::string::npos) << args;
    }
    EXPECT_EQ(CallArgs("DeleteFileA").back().find("c:\\windows\\zq4unist.exe"), 0u)
        << CallArgs("DeleteFileA").back();
}

TEST_F(Sequence, InfNamesByPrefixWhileDriverKeysGoOnlyOnTheWholeDescription) {
    // The device names none of the keys: the walk alone decides.
    OneDevice("tv capture", "cap.sys", false);
    DriverKey(kMediaClass, "0000", "TV Capture (2)", "oem4.inf");
    DriverKey(kMediaClass, "0001", "TV", "oem5.inf");  // shorter than the Name
    DriverKey(kMediaClass, "0002", "TV CAPTURE", "oem6.inf");
    Write("inf\\oem4.inf");
    Write("inf\\oem5.inf");
    Write("inf\\oem6.inf");
    RunDialog();
    EXPECT_FALSE(Exists("inf\\oem4.inf"));
    EXPECT_TRUE(Exists("inf\\oem5.inf"));
    EXPECT_FALSE(Exists("inf\\oem6.inf"));
    EXPECT_TRUE(Key(kMediaClass + "\\0000"));
    EXPECT_TRUE(Key(kMediaClass + "\\0001"));
    EXPECT_FALSE(Key(kMediaClass + "\\0002"));
}

TEST_F(Sequence, AKeyMatchingTwoRowsGivesTwoEntries) {
    DevRows({{"PCI\\VEN_1131", "Brelon", "", ""}});
    ExtRows({{"NONE\\PRESENT", "Brelon Capture", "", ""}});
    m->AddDevice("PCI\\VEN_1131&DEV_7133\\1", {"PCI\\VEN_1131&DEV_7133"});
    DriverKey(kMediaClass, "0000", "Brelon Capture", "oem1.inf");
    RunDialog();
    // The pair is deleted and stepped twice. The rows name no SYS file; the uninstaller's name is
    // empty too, and is passed over with its step.
    EXPECT_EQ(Shown(), (std::vector<std::string>{
                           "c:\\windows\\inf\\oem1.pnf", "c:\\windows\\inf\\oem1.inf",
                           "c:\\windows\\inf\\oem1.pnf", "c:\\windows\\inf\\oem1.inf"}));
    EXPECT_EQ(
        CallArgs("DeleteFileA"),
        (std::vector<std::string>{"c:\\windows\\inf\\oem1.inf", "c:\\windows\\inf\\oem1.pnf",
                                  "c:\\windows\\inf\\oem1.inf", "c:\\windows\\inf\\oem1.pnf"}));
    EXPECT_EQ(Dialog().progress.positions, (std::vector<int>{6, 12, 18, 24, 30, 90, 100}));
}

TEST_F(Sequence, AnEmptyNameCollectsNoInfFile) {
    OneDevice("");
    DriverKey(kMediaClass, "0000", "Anything", "a.inf");
    DriverKey(kMediaClass, "0001", "Else", "b.inf");
    DriverKey(kMediaClass, "0002", "", "c.inf");
    Write("inf\\a.inf");
    Write("inf\\b.inf");
    Write("inf\\c.inf");
    RunDialog();
    EXPECT_TRUE(Exists("inf\\a.inf"));
    EXPECT_TRUE(Exists("inf\\b.inf"));
    EXPECT_TRUE(Exists("inf\\c.inf"));
    // No pair to step: the SYS row and the uninstaller file are the only steps.
    EXPECT_EQ(Dialog().progress.positions, (std::vector<int>{6, 12, 90, 100}));
}

TEST_F(Sequence, NoMoreThanTenInfNamesAreCollected) {
    OneDevice("Brelon", "");
    for (int i = 0; i < 12; ++i) {
        DriverKey(kMediaClass, Sub(static_cast<std::size_t>(i)), "Brelon",
                  "oem" + std::to_string(i) + ".inf");
        Write("inf\\oem" + std::to_string(i) + ".inf");
    }
    RunDialog();
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(Exists("inf\\oem" + std::to_string(i) + ".inf"), i >= 10) << i;
    }
    // Ten pairs, one SYS row, the uninstaller.
    const auto& positions = Dialog().progress.positions;
    ASSERT_EQ(positions.size(), 14u);
    EXPECT_EQ(positions[9], 60);
    EXPECT_EQ(positions[11], 72);
}

TEST_F(Sequence, OnlyAPlainReadableInfPathIsCollected) {
    OneDevice("Brelon", "");
    DriverKey(kMediaClass, "0000", "Brelon");  // no InfPath
    DriverKey(kMediaClass, "0001", "Brelon", "..\\system32\\hal.dll");
    DriverKey(kMediaClass, "0002", "Brelon", "C:x.inf");
    DriverKey(kMediaClass, "0003", "Brelon", "...");
    m->SetString(HKEY_LOCAL_MACHINE, kMediaClass + "\\0004", "DriverDesc", "Brelon");
    m->SetString(HKEY_LOCAL_MACHINE, kMediaClass + "\\0004", "InfPath", "");
    DriverKey(kMediaClass, "0005", "Brelon", "oem8.inf");
    Write("system32\\hal.dll");
    Write("inf\\oem8.inf");
    RunDialog();
    EXPECT_TRUE(Exists("system32\\hal.dll"));
    EXPECT_FALSE(Exists("inf\\oem8.inf"));
    // Only oem8.inf makes a pair: the INF folder itself is never touched, nor a ".pnf".
    for (const std::string& args : CallArgs("SetFileAttributesA")) {
        EXPECT_EQ(Lower(args).find("c:\\windows\\inf\\|"), std::string::npos) << args;
        EXPECT_EQ(args.find("hal.dll"), std::string::npos) << args;
        EXPECT_EQ(args.find("\\.pnf"), std::string::npos) << args;
    }
    // Every matching key is an entry with its step: six pairs, the SYS row, the uninstaller.
    EXPECT_EQ(Dialog().progress.positions,
              (std::vector<int>{6, 12, 18, 24, 30, 36, 42, 48, 90, 100}));
}

TEST_F(Sequence, AKeyWithoutADescriptionCollectsNothingAfterAMatchingOne) {
    OneDevice("Brelon", "");
    DriverKey(kMediaClass, "0000", "Brelon", "a.inf");
    DriverKey(kMediaClass, "0001", "", "b.inf");
    DriverKey(kMediaClass, "0002", std::string(300, 'B'), "c.inf");  // does not fit the buffer
    Write("inf\\a.inf");
    Write("inf\\b.inf");
    Write("inf\\c.inf");
    RunDialog();
    EXPECT_FALSE(Exists("inf\\a.inf"));
    EXPECT_TRUE(Exists("inf\\b.inf"));
    EXPECT_TRUE(Exists("inf\\c.inf"));
}

TEST_F(Sequence, MediaClassNoTakesTheInfNamesFromTheImageClass) {
    OneDevice("Brelon", "");
    CopyField(theApp.MediaClass, "nope");
    DriverKey(kMediaClass, "0000", "Brelon", "media.inf");
    DriverKey(kImageClass, "0000", "Brelon", "image.inf");
    Write("inf\\media.inf");
    Write("inf\\image.inf");
    RunDialog();
    EXPECT_TRUE(Exists("inf\\media.inf"));
    EXPECT_FALSE(Exists("inf\\image.inf"));
    EXPECT_STREQ(ClassKeyPath, kImageClass.c_str());
}

TEST_F(Sequence, AnEmptySysNameLeavesTheDriversFolderAloneAndStillSteps) {
    OneDevice("Brelon", "");
    RunDialog();
    for (const std::string& args : CallArgs("SetFileAttributesA")) {
        EXPECT_EQ(Lower(args).find("drivers"), std::string::npos) << args;
    }
    EXPECT_EQ(Dialog().progress.positions, (std::vector<int>{6, 12, 90, 100}));
}

struct LongDirCase {
    std::size_t length;  // of the Windows directory
    bool inf, sys, ext, uninstaller;
};

class LongWindowsDir : public Sequence, public testing::WithParamInterface<LongDirCase> {};

TEST_P(LongWindowsDir, AGroupThatDoesNotFitIsLeftAloneWithItsSteps) {
    const LongDirCase& c = GetParam();
    const std::string dir = "C:\\" + std::string(c.length - 3, 'w');
    m->SetWindowsDirectory(dir);
    OneDevice("Brelon", "cap.sys");
    DriverKey(kMediaClass, "0000", "Brelon", "oem1.inf");
    ExtFiles({"tuna.dll"});
    CopyField(theApp.DrvUninstAppName, "zq4unist.exe");
    const std::string inf = dir + "\\inf\\oem1.inf", sys = dir + "\\system32\\drivers\\cap.sys",
                      ext = dir + "\\system32\\tuna.dll", uninst = dir + "\\zq4unist.exe";
    for (const auto& f : {inf, sys, ext, uninst}) m->WriteFile(f);
    RunDialog();
    EXPECT_EQ(!m->FileExists(inf), c.inf) << c.length;
    EXPECT_EQ(!m->FileExists(sys), c.sys) << c.length;
    EXPECT_EQ(!m->FileExists(ext), c.ext) << c.length;
    EXPECT_EQ(!m->FileExists(uninst), c.uninstaller) << c.length;
    EXPECT_EQ(Dialog().progress.positions, (std::vector<int>{6, 12, 18, 90, 100})) << c.length;
    for (const std::string& shown : Shown()) {
        EXPECT_EQ(Lower(shown).find(Lower(dir)), 0u) << shown;
    }
}

// The buffer holds 99 characters: "\system32\drivers\" needs 18 of them, "\system32\" 10,
// "\inf\" 5 and the uninstaller's folder none.
INSTANTIATE_TEST_SUITE_P(Cases, LongWindowsDir,
                         testing::Values(LongDirCase{81, true, true, true, true},
                                         LongDirCase{82, true, false, true, true},
                                         LongDirCase{90, true, false, false, true},
                                         LongDirCase{96, false, false, false, true},
                                         LongDirCase{99, false, false, false, true},
                                         LongDirCase{100, false, false, false, false}));

}  // namespace
}  // namespace nttest
