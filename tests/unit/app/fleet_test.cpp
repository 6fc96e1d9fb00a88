// Safe on a fleet: the one-run lock no user can hold, the log no user can aim, the hand-over that
// starts only its twin in a job that ends it with its parent, and a run nobody can see that
// waits for nobody. Whole runs on scenario machines, as a deployment tool starts them.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "app/single_run.h"
#include "app/uninst_app.h"
#include "framework/afx.h"
#include "support/scenario.h"
#include "ui/uninst_dlg.h"

namespace {

constexpr const char* kLog = "C:\\windows\\Logs\\tvuninst.log";
const std::string kUserOnly = std::string("D:(A;;GA;;;") + sim::kSidStandardUser + ")";

struct Row {
    const char* name;
    const char* folder;
    const char* arguments;
    std::function<void(sim::Machine&, std::optional<SingleRunLock>&)> setUp;
    int exitCode;
    const char* logged;  // a line of the log; empty: none to look for
};

int RunRow(sim::Machine& m, const Row& row, std::optional<SingleRunLock>& other) {
    const scenario::Scenario s =
        scenario::Load(scenario::SourceDir() / "tests/e2e/scenarios" / row.folder);
    scenario::PrepareMachine(s, m);
    m.SetCommandLine(row.arguments);
    row.setUp(m, other);
    ResetProgramState();
    return mfc::AfxWinMain();
}

void Check(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sim::ScopedMachine m;
        std::optional<SingleRunLock> other;
        EXPECT_EQ(RunRow(*m, row, other), row.exitCode);
        const std::string log = m->ReadFileText(kLog);
        if (*row.logged != '\0') {
            EXPECT_NE(log.find(row.logged), std::string::npos) << log;
        }
        other.reset();
        EXPECT_EQ(m->OpenHandles(), std::vector<std::string>{});
    }
}

// A first run, under another account, that holds the lock while the row's run starts.
void FirstRunAs(sim::Machine& m, std::optional<SingleRunLock>& other, const char* account,
                bool elevated) {
    m.AsAnotherProcess(account, elevated, [&] { other.emplace(); });
}

TEST(Fleet, NoUserCanHoldTheLock) {
    Check({
        {"XP: a standard user's mutex of the lock's name is passed over", "nt-xp-full", "/S",
         [](sim::Machine& m, auto&) {
             m.SetAccount(sim::kSidSystem, true);
             m.HoldMutex("Global\\TvuninstRun", sim::kSidStandardUser, "");
         },
         0, "which no run of the uninstaller gives it: passed over"},
        {"XP: a squatter whose DACL shuts SYSTEM out is never taken for no lock", "nt-xp-full",
         "/S",
         [](sim::Machine& m, auto&) {
             m.SetAccount(sim::kSidSystem, true);
             m.HoldMutex("Global\\TvuninstRun", sim::kSidStandardUser, kUserOnly);
         },
         1618, "exit code 1618"},
        {"XP: a SYSTEM run holds the lock", "nt-xp-full", "/S",
         [](sim::Machine& m, auto& other) { FirstRunAs(m, other, sim::kSidSystem, true); }, 1618,
         "exit code 1618"},
        {"Windows 10: a SYSTEM run holds the lock in the private namespace", "nt-win10-x64", "/S",
         [](sim::Machine& m, auto& other) { FirstRunAs(m, other, sim::kSidSystem, true); }, 1618,
         "exit code 1618"},
        {"Windows 10: the lock in the namespace refusing this run is another run's", "nt-win10-x64",
         "/S",
         [](sim::Machine& m, auto&) {
             m.AddFault({"CreateMutexA", 1, w32::ERROR_ACCESS_DENIED, "\\Run"});
         },
         1618, "exit code 1618"},
        {"Windows 10: the old name, squatted and shut, is no lock at all", "nt-win10-x64", "/S",
         [](sim::Machine& m, auto&) {
             m.HoldMutex("Global\\TvuninstRun", sim::kSidStandardUser, kUserOnly);
         },
         3010, "exit code 3010"},
        {"Windows 10: a standard user's run cannot make the namespace first", "nt-win10-x64", "/S",
         [](sim::Machine& m, auto& other) { FirstRunAs(m, other, sim::kSidStandardUser, false); },
         3010, "exit code 3010"},
    });
}

// The dialog holds no lock until OK; then it checks the product again (a run under way meanwhile
// may have removed it) and removes nothing when it is gone.
TEST(Fleet, TheLockIsTakenWhenOkIsPressedAndTheProductCheckedAgain) {
    sim::ScopedMachine m;
    ResetProgramState();
    m->SetVersion(VER_PLATFORM_WIN32_NT, 10, 0, 19045);
    m->ScriptUser({sim::UserAction::ClickOk});
    CUninstDlg dlg;
    dlg.DoModal();
    EXPECT_EQ(theApp.LastResult().ExitCode(), 0u);
    ASSERT_EQ(m->MessageBoxes().size(), 1u);
    EXPECT_EQ(m->MessageBoxes()[0].text, theApp.UnInstNoRegKeyMsg);
    EXPECT_EQ(m->CallCount("SetupDiGetClassDevsA"), 0);
    const auto& calls = m->Calls();
    const auto at = [&](const char* api) {
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].api == api) return i;
        return calls.size();
    };
    EXPECT_LT(at("DialogBoxParamA"), at("CreatePrivateNamespaceA"));
    EXPECT_EQ(m->OpenHandles(), std::vector<std::string>{});
}

// Someone made the log first: a link, a second name, a file of another account (each to a file
// that looks like a log of ours), a large file that is no log. Nothing is written into any, and
// the run ends as it would have.
TEST(Fleet, NoUserCanAimTheLog) {
    const std::string target = "C:\\windows\\system32\\config\\software.sav";
    const std::string aimed = "C:\\temp\\tv.log";
    const std::string marked = "==== tvuninst " + std::string(2 * 1024 * 1024, 'd');
    const std::function<void(sim::Machine&)> setUps[] = {
        [&](sim::Machine& m) { m.MakeSymbolicLink(aimed, target); },
        [&](sim::Machine& m) { m.AddHardLink(target, aimed); },
        [&](sim::Machine& m) {
            m.WriteFile(aimed, marked);
            m.SetFileOwner(aimed, sim::kSidStandardUser);
        },
        [&](sim::Machine& m) { m.WriteFile(aimed, marked.substr(1)); },
    };
    for (const auto& setUp : setUps) {
        for (const char* arguments : {"/S /log=C:\\temp\\tv.log", "/log=C:\\temp\\tv.log"}) {
            SCOPED_TRACE(arguments);
            sim::ScopedMachine m;
            std::optional<SingleRunLock> none;
            std::string before;
            const Row row{"",
                          "nt-xp-full",
                          arguments,
                          [&](sim::Machine& machine, auto&) {
                              machine.WriteFile(target, marked);
                              machine.SetAccount(sim::kSidSystem, true);
                              setUp(machine);
                              before = machine.ReadFileText(aimed);
                          },
                          0,
                          ""};
            EXPECT_EQ(RunRow(*m, row, none), 0);
            EXPECT_EQ(m->ReadFileText(target), marked);
            EXPECT_EQ(m->ReadFileText(aimed), before);
            if (arguments[1] != 'S') {
                ASSERT_EQ(m->MessageBoxes().size(), 1u);
                EXPECT_NE(m->MessageBoxes()[0].text.find("No log was written to " + aimed + ": "),
                          std::string::npos);
            }
        }
    }
}

// A run without an administrator's full rights cannot be aimed at another account's file: its
// owner is not asked, and a log of ours that another account owns is written to.
TEST(Fleet, ANonElevatedRunDoesNotAskTheOwner) {
    sim::ScopedMachine m;
    std::optional<SingleRunLock> none;
    const Row row{"",
                  "nt-win10-x64",
                  "/S /log=C:\\temp\\tv.log",
                  [](sim::Machine& machine, auto&) {
                      machine.SetAccount(sim::kSidAdministrator, false);
                      machine.WriteFile("C:\\temp\\tv.log", "==== tvuninst old\r\n");
                      machine.SetFileOwner("C:\\temp\\tv.log", sim::kSidStandardUser);
                  },
                  3010,
                  ""};
    RunRow(*m, row, none);
    EXPECT_NE(m->ReadFileText("C:\\temp\\tv.log").find("\r\nexit code "), std::string::npos);
}

// The 32-bit exe on 64-bit Windows starts only the 64-bit exe of its own package.
TEST(Fleet, TheHandOverStartsOnlyItsTwin) {
    struct Twin {
        const char* name;
        const char* version;
        const char* ownSigner;
        const char* signer;
        bool valid;
        bool started;
    };
    const Twin twins[] = {
        {"the twin", "3.1.0.1", "", "", true, true},
        {"another version", "3.1.0.0", "", "", true, false},
        {"no version resource", "", "", "", true, false},
        {"signed twins", "3.1.0.1", "Brelon", "Brelon", true, true},
        {"signed by another", "3.1.0.1", "Brelon", "Mallory", true, false},
        {"a signature that does not verify", "3.1.0.1", "Brelon", "Brelon", false, false},
        {"unsigned beside a signed exe", "3.1.0.1", "Brelon", "", true, false},
    };
    for (const Twin& twin : twins) {
        for (const char* arguments : {"/S", ""}) {
            SCOPED_TRACE(std::string(twin.name) + " " + arguments);
            sim::ScopedMachine m;
            std::optional<SingleRunLock> none;
            const Row row{"",
                          "nt-win10-x86-alone",
                          arguments,
                          [&](sim::Machine& machine, auto&) {
                              machine.SetModuleExe("3.1.0.1", twin.ownSigner);
                              machine.WriteExe("C:\\tvu\\tvuninst64.exe", twin.version, twin.signer,
                                               twin.valid);
                              machine.SetStartedProcessExitCode(3010);
                          },
                          3010,
                          ""};
            EXPECT_EQ(RunRow(*m, row, none), twin.started ? 3010 : 1603);
            EXPECT_EQ(m->StartedProcesses().size(), twin.started ? 1u : 0u);
            EXPECT_EQ(m->MessageBoxes().size(), twin.started || *arguments != '\0' ? 0u : 1u);
            EXPECT_EQ(
                m->ReadFileText(kLog).find("tvuninst64.exe not started: ") != std::string::npos,
                !twin.started);
            EXPECT_EQ(m->OpenHandles(), std::vector<std::string>{});
        }
    }
}

// GetModuleFileNameA cuts a path of MAX_PATH characters or more: the folder it then names is not
// this program's, and whatever lies there is not started, even a file that passes for the twin.
TEST(Fleet, AnOwnPathCutAtMaxPathStartsNothing) {
    const std::string folder = "C:\\" + std::string(150, 'a');
    const std::string self = folder + "\\" + std::string(120, 'b') + "\\tvuninst.exe";
    sim::ScopedMachine m;
    std::optional<SingleRunLock> none;
    const Row row{"",
                  "nt-win10-x86-alone",
                  "/S",
                  [&](sim::Machine& machine, auto&) {
                      machine.SetModuleFileName(self);
                      machine.WriteExe(self.substr(0, MAX_PATH - 1));
                      machine.WriteExe(folder + "\\tvuninst64.exe");
                  },
                  1603,
                  ""};
    EXPECT_EQ(RunRow(*m, row, none), 1603);
    EXPECT_TRUE(m->StartedProcesses().empty());
}

// The 64-bit child runs in a job that ends it with the 32-bit parent, however that ends; where
// the parent's own job keeps it out (before Windows 8), the log says so.
TEST(Fleet, TheChildEndsWithItsParent) {
    {
        sim::ScopedMachine m;
        std::optional<SingleRunLock> none;
        const Row row{"",
                      "nt-win10-x86-alone",
                      "",
                      [&](sim::Machine& machine, auto&) {
                          machine.WriteExe("C:\\tvu\\tvuninst64.exe");
                          machine.SetStartedProcessesKeepRunning(true);
                          machine.CutPowerAt("WaitForSingleObject", 1);
                      },
                      0,
                      ""};
        RunRow(*m, row, none);
        ASSERT_NE(m->FindProcessNamed("tvuninst64.exe"), nullptr);
        EXPECT_FALSE(m->FindProcessNamed("tvuninst64.exe")->running);
    }
    for (const bool breakawayOk : {true, false}) {
        SCOPED_TRACE(breakawayOk ? "the tool's job lets it go" : "the tool's job keeps it");
        sim::ScopedMachine m;
        std::optional<SingleRunLock> none;
        const Row row{"",
                      "nt-win10-x86-alone",
                      "/S",
                      [&](sim::Machine& machine, auto&) {
                          machine.SetVersion(VER_PLATFORM_WIN32_NT, 6, 1, 7601);
                          machine.WriteExe("C:\\tvu\\tvuninst64.exe");
                          machine.RunProgramInJob(breakawayOk);
                      },
                      0,
                      ""};
        EXPECT_EQ(RunRow(*m, row, none), 0);
        EXPECT_EQ(m->ReadFileText(kLog).find("is outside this run's job") != std::string::npos,
                  !breakawayOk);
        EXPECT_EQ(m->CallCount("CreateProcessA"), breakawayOk ? 2 : 3);
    }
}

// A run as a service or in session 0 shows nothing and waits for nobody.
TEST(Fleet, AnInvisibleWindowStationRunsAsSilent) {
    sim::ScopedMachine m;
    std::optional<SingleRunLock> none;
    const Row row{"", "nt-xp-full",
                  "", [](sim::Machine& machine, auto&) { machine.SetWindowStationVisible(false); },
                  0,  ""};
    EXPECT_EQ(RunRow(*m, row, none), 0);
    EXPECT_TRUE(m->Dialogs().empty());
    EXPECT_TRUE(m->MessageBoxes().empty());
    EXPECT_NE(m->ReadFileText(kLog).find("window station: not visible"), std::string::npos);
    EXPECT_EQ(m->ErrorMode(), SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

}  // namespace
