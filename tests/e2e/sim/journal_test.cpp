// A run that leaves something keeps the entry with its journal; the next one does what was left
// and only that; a journal that a reinstall wrote over is not followed.
#include <gtest/gtest.h>

#include "app/run_result.h"
#include "app/uninst_app.h"
#include "framework/afx.h"
#include "support/scenario.h"

namespace {

const std::string kEntry =
    "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{B7E1A0C2-5D3F-4C8B-9E21-0A6F3D2C1B90}";

class Journal : public testing::Test {
protected:
    void SetUp() override {
        const scenario::Scenario s = scenario::Load(
            scenario::SourceDir() / "tests/e2e/scenarios/nt-win10-x64-silent-file-left");
        scenario::PrepareMachine(s, *m);
        ResetProgramState();
        ASSERT_EQ(mfc::AfxWinMain(), 1603);
        ASSERT_TRUE(m->KeyExists(w32::HKEY_LOCAL_MACHINE, kEntry));
    }
    std::vector<std::string> LastRun() {
        std::vector<std::string> lines;
        for (const ActionRecord& r : theApp.LastResult().actions) lines.push_back(LogLine(r));
        return lines;
    }
    sim::ScopedMachine m;
};

TEST_F(Journal, TheNextRunDoesWhatWasLeftAndOnlyThat) {
    m->RemovePath("C:\\windows\\system32\\drivers\\tunaaud.sys");
    ResetProgramState();
    EXPECT_EQ(mfc::AfxWinMain(), 0);
    EXPECT_TRUE(theApp.LastResult().resumed);
    // What was left is the file and the entry; the product's devices took their driver keys,
    // which the journal names for a removal that leaves one behind: not found.
    std::vector<std::string> done;
    for (const std::string& line : LastRun())
        if (line.size() < 10 || line.compare(line.size() - 9, 9, "not found") != 0)
            done.push_back(line);
    EXPECT_EQ(done,
              (std::vector<std::string>{
                  "delete-key HKLM\\SoftWare\\Wow6432Node\\MicroSoft\\Windows\\CurrentVersion\\"
                  "Uninstall\\{B7E1A0C2-5D3F-4C8B-9E21-0A6F3D2C1B90} ok"}));
    EXPECT_EQ(LastRun().front(),
              "delete-file c:\\windows\\system32\\drivers\\tunaaud.sys not found");
    for (const std::string& line : LastRun())
        EXPECT_EQ(line.find("remove-device"), std::string::npos) << line;
}

// A line of the journal deletes only a key of the kinds a run deletes, never one below it.
TEST_F(Journal, ALineNamesNoKeyBelowAServiceOrDriverKey) {
    const std::string below = "SYSTEM\\CurrentControlSet\\Services\\othertv\\Parameters";
    m->CreateKey(w32::HKEY_LOCAL_MACHINE, below);
    m->SetMultiString(w32::HKEY_LOCAL_MACHINE, kEntry, "TvuninstJournal",
                      {"delete-key HKLM\\" + below});
    ResetProgramState();
    EXPECT_EQ(mfc::AfxWinMain(), 0);
    EXPECT_TRUE(m->KeyExists(w32::HKEY_LOCAL_MACHINE, below));
}

// A read-only file the journal names goes as the removal deletes it; only the product's own
// uninstaller is kept when read-only.
TEST_F(Journal, AReadOnlyFileItNamesGoes) {
    const std::string file = "C:\\windows\\system32\\tunatv.ax";
    m->WriteFile(file, "", w32::FILE_ATTRIBUTE_READONLY);
    m->SetMultiString(w32::HKEY_LOCAL_MACHINE, kEntry, "TvuninstJournal",
                      {"delete-file c:\\windows\\system32\\tunatv.ax"});
    ResetProgramState();
    EXPECT_EQ(mfc::AfxWinMain(), 0);
    EXPECT_FALSE(m->FileExists(file));
}

TEST_F(Journal, OneThatAReinstallWroteOverIsDiscardedAndTheDeviceCheckApplies) {
    m->SetString(w32::HKEY_LOCAL_MACHINE, kEntry, "DisplayVersion", "3.2");
    ResetProgramState();
    EXPECT_EQ(mfc::AfxWinMain(), 1167);  // the device check
    const RunResult& r = theApp.LastResult();
    EXPECT_EQ(r.end, RunEnd::DeviceCheck);
    EXPECT_FALSE(r.resumed);
    EXPECT_NE(r.journalDiscarded.find("DisplayVersion \"3.2\""), std::string::npos)
        << r.journalDiscarded;
    EXPECT_TRUE(r.actions.empty());
}

}  // namespace
