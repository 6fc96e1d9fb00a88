// Every road through the program and the exit code it ends with, interactive and silent, on
// scenario machines; and the log: where it goes, how it stays small, and that a log that cannot
// be written changes nothing else.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/run_log.h"
#include "app/uninst_app.h"
#include "framework/afx.h"
#include "support/scenario.h"

namespace {

constexpr const char* kLog = "C:\\windows\\Logs\\tvuninst.log";
constexpr DWORD kWriteProtected = 19;  // ERROR_WRITE_PROTECT: neither gone nor held open

struct Road {
    const char* name;
    const char* folder;
    const char* arguments;
    std::function<void(sim::Machine&)> setUp;
    int exitCode;
    std::size_t messageBoxes;
};

void None(sim::Machine&) {}

int RunFolder(sim::Machine& m, const Road& road) {
    const scenario::Scenario s =
        scenario::Load(scenario::SourceDir() / "tests/e2e/scenarios" / road.folder);
    scenario::PrepareMachine(s, m);
    m.SetCommandLine(road.arguments);
    road.setUp(m);
    ResetProgramState();
    return mfc::AfxWinMain();
}

TEST(ExitCode, EveryRoadEndsWithItsCode) {
    const auto another = [](sim::Machine& m) {
        m.HoldMutex("Global\\TvuninstRun", sim::kSidAdministrators);
    };
    const auto stays = [](sim::Machine& m) {
        m.AddFault({"DeleteFileA", 1, kWriteProtected, "tunarc.sys"});
    };
    const Road roads[] = {
        {"not installed", "warning-not-installed", "", None, 0, 1},
        {"not installed, silent", "warning-not-installed", "/quiet", None, 0, 0},
        {"OK pressed", "nt-xp-full", "", None, 3010, 1},
        {"silent", "nt-xp-full", "-S", None, 3010, 0},
        {"9x, silent", "w98-full", "/VERYSILENT", None, 3010, 0},
        {"something stayed", "nt-xp-full", "", stays, 1603, 1},
        {"something stayed, silent", "nt-xp-full", "/qn", stays, 1603, 0},
        {"a driver package that stays in the store", "nt-win10-x64", "/S",
         [](sim::Machine& m) {
             m.AddFault({"SetupUninstallOEMInfA", 0, 0xE000023D, "oem13"});
         },
         1603, 0},
        {"a driver package that leaves on the retry", "nt-win10-x64", "/S",
         [](sim::Machine& m) {
             m.AddFault({"SetupUninstallOEMInfA", 1, 0xE000023D, "oem13"});
         },
         3010, 0},
        {"cancelled", "dialog-cancel", "", None, 1602, 0},
        {"device check", "nt-device-missing", "", None, 1603, 1},
        {"device check, silent", "nt-device-missing", "/silent", None, 1603, 0},
        {"another run under way", "nt-xp-full", "", another, 1618, 1},
        {"another run under way, silent", "nt-xp-full", "/S", another, 1618, 0},
        {"bad option", "nt-xp-full", "/x", None, 1639, 1},
        {"bad option, silent", "nt-xp-full", "/S -x", None, 1639, 0},
        {"a stray word", "nt-xp-full", "/S now", None, 1639, 0},
        {"usage", "nt-xp-full", "/?", None, 0, 1},
        {"usage, silent", "nt-xp-full", "/HELP /s", None, 0, 0},
        {"32-bit exe alone on 64-bit Windows", "nt-win10-x86-alone", "", None, 1603, 1},
        {"32-bit exe alone, silent", "nt-win10-x86-alone", "/S", None, 1603, 0},
        {"handed over: the 64-bit exe's code", "nt-win10-x86-alone", "/S",
         [](sim::Machine& m) {
             m.WriteExe("C:\\tvu\\tvuninst64.exe");
             m.SetStartedProcessExitCode(1618);
         },
         1618, 0},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        sim::ScopedMachine m;
        EXPECT_EQ(RunFolder(*m, road), road.exitCode);
        EXPECT_EQ(m->MessageBoxes().size(), road.messageBoxes);
        // The log's last line is the exit code, read from the same result.
        const std::string log = m->ReadFileText(kLog);
        EXPECT_NE(log.find("\r\nexit code " + std::to_string(road.exitCode) + ": "),
                  std::string::npos)
            << log;
        const bool silent = road.messageBoxes == 0 && road.exitCode != 1602;
        if (silent) {
            EXPECT_TRUE(m->Dialogs().empty());
            EXPECT_EQ(m->TotalSleepMs(), 0u);
        }
    }
}

TEST(ExitCode, WhatStayedIsCountedInTheCompletionMessageAndNamedInTheLog) {
    sim::ScopedMachine m;
    EXPECT_EQ(
        RunFolder(*m, {"", "nt-xp-full", "/log=C:\\windows\\temp\\run.log",
                       [](sim::Machine& machine) {
                           machine.WriteFile("C:\\windows\\temp\\keep.txt");
                           machine.AddFault({"DeleteFileA", 1, kWriteProtected, "tunarc.sys"});
                       },
                       1603, 1}),
        1603);
    ASSERT_EQ(m->MessageBoxes().size(), 1u);
    EXPECT_NE(
        m->MessageBoxes()[0].text.find("\n\n1 item(s) could not be removed. The log says which: "
                                       "C:\\windows\\temp\\run.log"),
        std::string::npos);
    const std::string log = m->ReadFileText("C:\\windows\\temp\\run.log");
    EXPECT_NE(log.find("\r\ndelete-file c:\\windows\\system32\\drivers\\tunarc.sys failed (error "
                       "19: The media is write protected.)\r\n"),
              std::string::npos)
        << log;
    EXPECT_TRUE(m->ReadFileText(kLog).empty());
}

// A log that cannot be made or written leaves the run and its exit code as they are.
TEST(RunLog, AFailingLogChangesNothingElse) {
    for (const char* api : {"CreateDirectoryA", "CreateFileA", "GetFileSize", "SetFilePointer",
                            "WriteFile", "GetLocalTime", "FormatMessageA"}) {
        SCOPED_TRACE(api);
        sim::ScopedMachine m;
        EXPECT_EQ(RunFolder(*m, {"", "nt-xp-full", "/S",
                                 [&](sim::Machine& machine) {
                                     machine.AddFault({api, 0, ERROR_ACCESS_DENIED, ""});
                                 },
                                 3010, 0}),
                  3010);
        EXPECT_FALSE(m->FileExists("C:\\windows\\system32\\drivers\\tunarc.sys"));
        EXPECT_TRUE(m->OpenHandles().empty());
    }
}

// Past 1 MB the older half of the log goes, whole blocks at a time; the new block follows.
TEST(RunLog, StaysBelowOneMegabyteDroppingTheOlderHalf) {
    sim::ScopedMachine m;
    m->SetWindowsDirectory("C:\\windows");
    std::string old;
    for (int i = 0; old.size() < kLogCapacity - 100; ++i)
        old += "==== tvuninst block " + std::to_string(i) + "\r\n" + std::string(200, 'x') + "\r\n";
    m->WriteFile(kLog, old);
    AppendToLog(kLog, "==== tvuninst new\r\nexit code 0: nothing to do\r\n", true);

    const std::string log = m->ReadFileText(kLog);
    EXPECT_LE(log.size(), kLogCapacity);
    EXPECT_GE(log.size(), kLogCapacity / 2 - 300);
    EXPECT_EQ(log.rfind("==== tvuninst ", 0), 0u);  // a whole block first
    EXPECT_EQ(log.find("block 0\r\n"), std::string::npos);
    const std::string last = "\r\nexit code 0: nothing to do\r\n";
    EXPECT_EQ(log.substr(log.size() - last.size()), last);
    EXPECT_NE(log.find(old.substr(old.size() - 300)), std::string::npos);
    EXPECT_TRUE(m->OpenHandles().empty());
}

}  // namespace
