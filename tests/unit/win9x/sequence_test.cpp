// The 9x removal run as the user sees it: the files shown and deleted, group by group, the progress
// bar, the registry cleanup and the completion message.
#include <string>
#include <vector>

#include "ui/uninst_dlg.h"
#include "win9x_fixture.h"

namespace win9x_test {
namespace {

class Win9xRun : public Win9xTest {
protected:
    Win9xRun() {
        CopyField(theApp.DrvUninstAppName, "zq4unist.exe");
        CopyField(theApp.UnInstDrvAppTitle, "Brelon Tunara WDM Drivers Uninstallation");
        CopyField(theApp.UnInstDrvPassMsg, "Gone.");
        CopyField(theApp.UnInstDrvPassMsg2, "Reboot.");
    }

    // Presses OK in the dialog; the run happens inside the button handler.
    void Run() {
        // OK checks again that the product is listed, once it holds the lock.
        m->SetString(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\Listed", "DisplayName",
                     theApp.DrvUninstRegKeyName);
        m->ScriptUser({sim::UserAction::ClickOk});
        CUninstDlg dialog;
        dialog.DoModal();
        ASSERT_EQ(m->Dialogs().size(), 1u);
    }

    const sim::DialogRecord& Dialog() { return m->Dialogs().front(); }

    // Every path the run showed in control 1002, in order (the emptying at the start left out).
    std::vector<std::string> Shown() {
        std::vector<std::string> shown;
        for (const auto& text : Dialog().Control(1002)->textHistory) {
            if (!text.empty()) shown.push_back(text);
        }
        return shown;
    }

    // "attr <path>" and "delete <path>" for every attribute reset and delete, in order.
    std::vector<std::string> FileCalls() {
        std::vector<std::string> out;
        for (const auto& call : m->Calls()) {
            const std::string path = call.args.substr(0, call.args.find('|'));
            if (call.api == "SetFileAttributesA") out.push_back("attr " + path);
            if (call.api == "DeleteFileA") out.push_back("delete " + path);
        }
        return out;
    }
};

TEST_F(Win9xRun, DeletesEveryGroupInOrderWithOneStepPerRow) {
    SetDevTable(
        {{"PCI\\VEN_AAAA", "A", "A.sys", "A.inf"}, {"PCI\\VEN_BBBB", "B", "b.sys", "b.inf"}});
    SetExtDevTable({{"STREAM\\PHX", "X", "x.sys", "x.inf"}});
    SetCandidates({{"PCI\\VEN_AAAA&DEV_1", "C", "c.sys", "c.inf"}});
    theApp.ExtDllFileNum = 2;
    CopyField(theApp.ExtCopyFiles[0], "e1.dll");
    CopyField(theApp.ExtCopyFiles[1], "E2.AX");

    Run();

    const std::vector<std::string> files = {
        "c:\\windows\\inf\\a.inf",
        "c:\\windows\\inf\\a.pnf",
        "c:\\windows\\inf\\b.inf",
        "c:\\windows\\inf\\b.pnf",
        "c:\\windows\\inf\\x.inf",
        "c:\\windows\\inf\\x.pnf",
        "c:\\windows\\inf\\c.inf",
        "c:\\windows\\system32\\drivers\\a.sys",
        "c:\\windows\\system32\\drivers\\b.sys",
        "c:\\windows\\system32\\drivers\\x.sys",
        "c:\\windows\\system\\e1.dll",
        "c:\\windows\\system\\e2.ax",
        "c:\\windows\\zq4unist.exe",
    };
    EXPECT_EQ(Shown(), files);
    std::vector<std::string> calls;
    for (std::size_t i = 0; i + 1 < files.size(); ++i) {
        calls.push_back("attr " + files[i]);
        calls.push_back("delete " + files[i]);
    }
    calls.push_back("delete " + files.back());
    EXPECT_EQ(FileCalls(), calls);
    EXPECT_EQ(Dialog().progress.positions,
              (std::vector<int>{6, 12, 18, 24, 30, 36, 42, 48, 54, 60, 100}));
    // Every step but the uninstaller's pauses.
    EXPECT_EQ(m->TotalSleepMs(), 9u * 20u);
    ASSERT_EQ(m->MessageBoxes().size(), 1u);
    EXPECT_EQ(m->MessageBoxes()[0].text, "Gone.\n\nReboot.");
    EXPECT_TRUE(m->MessageBoxes()[0].ownerWasDialog);
}

TEST_F(Win9xRun, WithEveryCountZeroOnlyTheUninstallerGoes) {
    m->WriteFile("C:\\WINDOWS\\zq4unist.exe");
    Run();
    EXPECT_EQ(Shown(), std::vector<std::string>{"c:\\windows\\zq4unist.exe"});
    EXPECT_FALSE(m->FileExists("C:\\WINDOWS\\zq4unist.exe"));
    EXPECT_EQ(Dialog().progress.positions, (std::vector<int>{6, 100}));
    EXPECT_EQ(m->TotalSleepMs(), 0u);
    EXPECT_EQ(m->MessageBoxes().size(), 1u);
}

struct PnfCase {
    const char* label;
    const char* inf;
    std::vector<std::string> shown;
    std::vector<std::string> files;  // written before, all gone after
    const char* windows = "C:\\WINDOWS";
    std::vector<std::string> kept = {};  // written before, all still there after
};

const PnfCase kPnfCases[] = {
    {"capitals_still_give_the_pnf",
     "DRIVER.INF",
     {"c:\\windows\\inf\\driver.inf", "c:\\windows\\inf\\driver.pnf"},
     {"C:\\WINDOWS\\inf\\DRIVER.INF", "C:\\WINDOWS\\inf\\driver.pnf"}},
    {"a_name_without_inf_is_shown_and_deleted_twice",
     "driver.ini",
     {"c:\\windows\\inf\\driver.ini", "c:\\windows\\inf\\driver.ini"},
     {"C:\\WINDOWS\\inf\\driver.ini"}},
    {"every_occurrence_is_replaced",
     "a.inf.inf",
     {"c:\\windows\\inf\\a.inf.inf", "c:\\windows\\inf\\a.pnf.pnf"},
     {"C:\\WINDOWS\\inf\\a.inf.inf", "C:\\WINDOWS\\inf\\a.pnf.pnf"}},
    // The folder keeps its name: replacing in it would put the PNF outside the INF folder.
    {"only_the_name_is_replaced",
     "b.inf",
     {"c:\\win.inf\\inf\\b.inf", "c:\\win.inf\\inf\\b.pnf"},
     {"C:\\WIN.INF\\inf\\b.inf", "C:\\WIN.INF\\inf\\b.pnf"},
     "C:\\WIN.INF",
     {"C:\\WIN.PNF\\inf\\b.pnf"}},
};

class Win9xPnf : public Win9xRun, public ::testing::WithParamInterface<PnfCase> {};

TEST_P(Win9xPnf, ReplacesInfByPnfInTheLowerCasedPath) {
    const PnfCase& c = GetParam();
    m->SetWindowsDirectory(c.windows);
    for (const auto& file : c.files) m->WriteFile(file);
    for (const auto& file : c.kept) m->WriteFile(file);
    SetDevTable({{"PCI\\VEN_AAAA", "A", "", c.inf}});
    CopyField(theApp.DrvUninstAppName, "");

    Run();

    EXPECT_EQ(Shown(), c.shown);
    // Each of the two paths is made deletable and deleted right after it is shown.
    EXPECT_EQ(FileCalls(),
              (std::vector<std::string>{"attr " + c.shown[0], "delete " + c.shown[0],
                                        "attr " + c.shown[1], "delete " + c.shown[1]}));
    for (const auto& file : c.files) EXPECT_FALSE(m->FileExists(file)) << file;
    for (const auto& file : c.kept) EXPECT_TRUE(m->FileExists(file)) << file;
    // One step for the pair, one for the (empty) SYS name, one for the uninstaller.
    EXPECT_EQ(Dialog().progress.positions, (std::vector<int>{6, 12, 18, 100}));
}

INSTANTIATE_TEST_SUITE_P(Win9x, Win9xPnf, ::testing::ValuesIn(kPnfCases), LabelOf());

TEST_F(Win9xRun, ReadOnlyUninstallerStaysWhileOtherReadOnlyFilesGo) {
    const std::vector<std::string> others = {
        "C:\\WINDOWS\\inf\\a.inf", "C:\\WINDOWS\\inf\\a.pnf", "C:\\WINDOWS\\inf\\c.inf",
        "C:\\WINDOWS\\system32\\drivers\\a.sys", "C:\\WINDOWS\\system\\e1.dll"};
    for (const auto& file : others) {
        m->WriteFile(file, "x", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    }
    m->WriteFile("C:\\WINDOWS\\zq4unist.exe", "x", FILE_ATTRIBUTE_READONLY);
    SetDevTable({{"PCI\\VEN_AAAA", "A", "a.sys", "a.inf"}});
    SetCandidates({{"PCI\\VEN_AAAA&DEV_1", "C", "c.sys", "c.inf"}});
    theApp.ExtDllFileNum = 1;
    CopyField(theApp.ExtCopyFiles[0], "e1.dll");

    Run();

    for (const auto& file : others) EXPECT_FALSE(m->FileExists(file)) << file;
    EXPECT_TRUE(m->FileExists("C:\\WINDOWS\\zq4unist.exe"));
    EXPECT_EQ(m->FileAttributes("C:\\WINDOWS\\zq4unist.exe"), FILE_ATTRIBUTE_READONLY);
}

TEST_F(Win9xRun, RowThatTookACandidateDeletesTheCandidatesFiles) {
    m->AddDevice(DevicePath("PCI", "VEN_AAAA&DEV_1&SUBSYS_0"), {"PCI\\VEN_AAAA&DEV_1&SUBSYS_0"});
    for (const char* file : {"C:\\WINDOWS\\inf\\a.inf", "C:\\WINDOWS\\system32\\drivers\\a.sys",
                             "C:\\WINDOWS\\inf\\c.inf", "C:\\WINDOWS\\inf\\c.pnf",
                             "C:\\WINDOWS\\system32\\drivers\\c.sys"}) {
        m->WriteFile(file);
    }
    SetDevTable({{"PCI\\VEN_AAAA", "A", "a.sys", "a.inf"}});
    SetCandidates({{"PCI\\VEN_AAAA&DEV_1", "C", "c.sys", "c.inf"}});
    CopyField(theApp.DrvUninstAppName, "");

    Run();

    EXPECT_EQ(Shown(), (std::vector<std::string>{
                           "c:\\windows\\inf\\c.inf", "c:\\windows\\inf\\c.pnf",
                           "c:\\windows\\inf\\c.inf", "c:\\windows\\system32\\drivers\\c.sys"}));
    EXPECT_FALSE(m->FileExists("C:\\WINDOWS\\inf\\c.inf"));
    EXPECT_FALSE(m->FileExists("C:\\WINDOWS\\inf\\c.pnf"));
    EXPECT_FALSE(m->FileExists("C:\\WINDOWS\\system32\\drivers\\c.sys"));
    EXPECT_TRUE(m->FileExists("C:\\WINDOWS\\inf\\a.inf"));
    EXPECT_TRUE(m->FileExists("C:\\WINDOWS\\system32\\drivers\\a.sys"));
}

TEST_F(Win9xRun, EmptyNamesArePassedOverButStillStep) {
    SetDevTable({{"PCI\\VEN_AAAA", "A", "", ""}});
    SetExtDevTable({{"STREAM\\PHX", "X", "", ""}});
    SetCandidates({{"PCI\\VEN_AAAA&DEV_1", "C", "", ""}});
    theApp.ExtDllFileNum = 1;
    CopyField(theApp.DrvUninstAppName, "");

    Run();

    EXPECT_EQ(Shown(), std::vector<std::string>{});
    EXPECT_EQ(FileCalls(), std::vector<std::string>{});
    EXPECT_EQ(Dialog().progress.positions, (std::vector<int>{6, 12, 18, 24, 30, 36, 42, 100}));
}

// The directory buffer holds 100 bytes: a Windows directory that does not fit it with a group's
// suffix leaves that group's files alone, and the steps are taken all the same.
struct DirCase {
    const char* label;
    std::size_t length;
    std::vector<std::string> folders;  // the folders whose files are deleted
};

const DirCase kDirCases[] = {
    {"81_characters_fit_every_suffix", 81, {"inf", "drivers", "system", "root"}},
    {"82_characters_leave_the_drivers", 82, {"inf", "system", "root"}},
    {"92_characters_leave_the_system_folder", 92, {"inf", "root"}},
    {"95_characters_leave_the_inf_folder", 95, {"root"}},
    {"99_characters_still_fit_alone", 99, {"root"}},
    {"100_characters_fit_nothing", 100, {}},
};

class Win9xLongDir : public Win9xRun, public ::testing::WithParamInterface<DirCase> {};

TEST_P(Win9xLongDir, SkipsTheGroupsThatDoNotFit) {
    const DirCase& c = GetParam();
    const std::string dir = "C:\\" + std::string(c.length - 3, 'w');
    m->SetWindowsDirectory(dir);
    SetDevTable({{"PCI\\VEN_AAAA", "A", "a.sys", "a.inf"}});
    theApp.ExtDllFileNum = 1;
    CopyField(theApp.ExtCopyFiles[0], "e1.dll");

    Run();

    const std::string lower = LowerPath(dir);
    std::vector<std::string> expected;
    for (const auto& folder : c.folders) {
        if (folder == "inf") {
            expected.push_back(lower + "\\inf\\a.inf");
            expected.push_back(lower + "\\inf\\a.pnf");
        }
        if (folder == "drivers") expected.push_back(lower + "\\system32\\drivers\\a.sys");
        if (folder == "system") expected.push_back(lower + "\\system\\e1.dll");
        if (folder == "root") expected.push_back(lower + "\\zq4unist.exe");
    }
    EXPECT_EQ(Shown(), expected);
    EXPECT_EQ(Dialog().progress.positions, (std::vector<int>{6, 12, 18, 24, 100}));
}

INSTANTIATE_TEST_SUITE_P(Win9x, Win9xLongDir, ::testing::ValuesIn(kDirCases), LabelOf());

// The scan comes before the first file, the registry cleanup after the last one and before the
// bar goes to 100.
TEST_F(Win9xRun, ScanFilesRegistryAndEndComeInThisOrder) {
    m->AddDevice(DevicePath("PCI", "VEN_AAAA&DEV_1"), {"PCI\\VEN_AAAA&DEV_1"});
    m->CreateKey(HKEY_LOCAL_MACHINE, "Enum\\PCI\\VEN_AAAA&DEV_1\\BUS_00");
    m->SetString(HKEY_LOCAL_MACHINE, std::string(kMediaKey) + "\\0000", "DriverDesc", "A");
    m->CreateKey(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\BrelonTunara");
    CopyField(theApp.DrvUninstRegKeyPath, "BrelonTunara");
    SetDevTable({{"PCI\\VEN_AAAA", "A", "a.sys", "a.inf"}});

    Run();

    std::vector<std::string> order;
    for (const auto& call : m->Calls()) {
        if (call.api == "SetupDiGetClassDevsA" || call.api == "DeleteFileA" ||
            call.api == "RegFlushKey" || call.api == "MessageBoxA" ||
            call.api == "RegSetValueExA") {
            order.push_back(call.api);
        }
        if (call.api == "SendMessageA" && call.args.find("0x402") != std::string::npos) {
            order.push_back("PBM_SETPOS");
        }
    }
    // The uninstall entry is marked before the first file goes.
    EXPECT_EQ(order,
              (std::vector<std::string>{"SetupDiGetClassDevsA", "RegSetValueExA", "RegFlushKey",
                                        "DeleteFileA", "DeleteFileA", "DeleteFileA", "DeleteFileA",
                                        "RegFlushKey", "PBM_SETPOS", "MessageBoxA"}));
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, "Enum\\PCI\\VEN_AAAA&DEV_1"));
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, std::string(kMediaKey) + "\\0000"));
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\BrelonTunara"));
    EXPECT_TRUE(Dialog().ended);
}

}  // namespace
}  // namespace win9x_test
