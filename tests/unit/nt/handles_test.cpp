// Every handle, key, device set, snapshot, token and block that the NT run obtains is released on
// every path: a whole run is repeated with each of its calls failing in turn.
#include <map>
#include <tuple>

#include "nt_fixture.h"
#include "ui/uninst_dlg.h"

namespace nttest {
namespace {

// A machine on which a complete run touches every step of the sequence.
void SetUpProduct(sim::Machine& m) {
    m.SetVersion(VER_PLATFORM_WIN32_NT, 5, 1);
    m.AddDevice("PCI\\VEN_1131&DEV_7133\\1", {"PCI\\VEN_1131&DEV_7133&SUBSYS_1", "PCI\\X"},
                "{4d36e96c-e325-11ce-bfc1-08002be10318}",
                "{4D36E96C-E325-11CE-BFC1-08002BE10318}\\0000");
    m.AddDevice("ROOT\\LEGACY\\0000", {});
    m.AddDevice("ROOT\\MEDIA\\0001", {"BRELON\\AUDIO"});
    for (const auto& [sub, desc, inf] : {std::tuple{"0000", "Brelon Capture Pro", "oem1.inf"},
                                         std::tuple{"0001", "Other", "oem2.inf"},
                                         std::tuple{"0002", "Brelon Audio", "oem3.inf"}}) {
        m.SetString(HKEY_LOCAL_MACHINE, kMediaClass + "\\" + sub, "DriverDesc", desc);
        m.SetString(HKEY_LOCAL_MACHINE, kMediaClass + "\\" + sub, "InfPath", inf);
    }
    m.CreateKey(HKEY_LOCAL_MACHINE, kServices + "\\cap\\Enum");
    m.CreateKey(HKEY_LOCAL_MACHINE, kUninstall + "\\{P}");
    for (const char* f :
         {"inf\\oem1.inf", "inf\\oem1.pnf", "inf\\oem3.inf", "system32\\drivers\\pro.sys",
          "system32\\drivers\\aud.sys", "system32\\tuna.dll", "zq4unist.exe"}) {
        m.WriteFile(std::string("C:\\WINDOWS\\") + f);
    }
    m.AddProcess("ehRecvr.exe");
    m.AddTopLevelWindow("Remote Control");
    m.ScriptUser({sim::UserAction::ClickOk});
}

void SetUpProfile() {
    ResetProgramState();
    Fill(theApp.DevTable[0], {"PCI\\VEN_1131", "Brelon Capture", "cap.sys", "cap.inf"});
    theApp.DevIDNum = 1;
    Fill(theApp.ExtDevTable[0], {"BRELON\\AUDIO", "Brelon Audio", "aud.sys", ""});
    theApp.ExtDevIDNum = 1;
    Fill(theApp.PossibleDevTable[0],
         {"PCI\\VEN_1131&DEV_7133", "Brelon Capture Pro", "pro.sys", "pro.inf"});
    theApp.PossibleDevIDNum = 1;
    CopyField(theApp.ExtCopyFiles[0], "tuna.dll");
    theApp.ExtDllFileNum = 1;
    CopyField(theApp.ServiceNames[0], "cap");
    theApp.UnInstServiceNum = 1;
    CopyField(theApp.DrvUninstRegKeyPath, "{P}");
    CopyField(theApp.DrvUninstAppName, "zq4unist.exe");
    CopyField(theApp.UnInstRemoteTitleName, "Remote Control");
}

void RunOnce() {
    CUninstDlg dlg;
    dlg.DoModal();
}

TEST(Handles, TheCompleteRunRemovesTheProductAndReleasesEverything) {
    sim::ScopedMachine m;
    SetUpProduct(*m);
    SetUpProfile();
    RunOnce();
    ASSERT_EQ(m->MessageBoxes().size(), 1u);
    EXPECT_FALSE(m->FileExists("C:\\WINDOWS\\system32\\drivers\\pro.sys"));
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, kMediaClass + "\\0000"));
    EXPECT_EQ(m->RemovedDevices().size(), 2u);
    EXPECT_EQ(m->OpenHandles(), std::vector<std::string>{});
    EXPECT_EQ(m->HandleErrors(), std::vector<std::string>{});
}

TEST(Handles, AreReleasedWhicheverCallFails) {
    std::vector<sim::CallRecord> clean;
    {
        sim::ScopedMachine m;
        SetUpProduct(*m);
        SetUpProfile();
        RunOnce();
        clean = m->Calls();
    }
    ASSERT_GT(clean.size(), 100u);
    std::map<std::string, int> seen;
    int runs = 0;
    for (const sim::CallRecord& call : clean) {
        const int nth = ++seen[call.api];
        sim::ScopedMachine m;
        SetUpProduct(*m);
        SetUpProfile();
        m->AddFault({call.api, nth, ERROR_ACCESS_DENIED, ""});
        RunOnce();
        ++runs;
        EXPECT_EQ(m->OpenHandles(), std::vector<std::string>{}) << call.api << " #" << nth;
        EXPECT_EQ(m->HandleErrors(), std::vector<std::string>{}) << call.api << " #" << nth;
    }
    EXPECT_EQ(runs, static_cast<int>(clean.size()));
    RecordProperty("faulted_runs", runs);
}

}  // namespace
}  // namespace nttest
