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
    const auto another = [](sim::Machine& m) { m.HoldMutex("Global\\TvuninstRun"); };
    const auto stays = [](sim::Machine& m) {
        m.AddFault({"DeleteFileA", 1, kWriteProtected, "tunarc.sys"});
    };
    const Road roads[] = {
        {"not installed", "warning-not-installed", "", None, 0, 1},
        {"not installed, silent", "warning-not-installed", "/quiet", None, 0, 0},
        // Nothing scheduled for the next start and no restart asked for: nothing to wait for.
        {"OK pressed", "nt-xp-full", "", None, 0, 1},
        {"silent", "nt-xp-full", "-S", None, 0, 0},
        {"passive", "nt-xp-full", "/passive", None, 0, 0},
        {"switches admins type", "nt-xp-full",
         "/S /NORESTART -suppressmsgboxes /sp- /l*v C:\\windows\\Logs\\tvuninst.log", None, 0, 0},
        {"a file deleted at the next start", "nt-xp-full", "/S",
         [](sim::Machine& m) { m.HoldFileOpen("C:\\windows\\system32\\tunaprop.dll"); }, 3010, 0},
        {"a service deleted while it runs", "nt-xp-full", "/S",
         [](sim::Machine& m) { m.SetServiceRunning("tunarc"); }, 3010, 0},
        {"an ehRecvr.exe that will not end: a step, not an item left", "nt-xp-full", "/S",
         [](sim::Machine& m) {
             m.AddFault({"TerminateProcess", 0, ERROR_ACCESS_DENIED, ""});
         },
         0, 0},
        {"9x, silent: its devices run until the restart", "w98-full", "/VERYSILENT", None, 3010, 0},
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
        {"device check", "nt-device-missing", "", None, 1167, 1},
        {"device check, silent", "nt-device-missing", "/silent", None, 1167, 0},
        {"device check, passive", "nt-device-missing", "/passive", None, 1167, 0},
        {"device check passed over", "nt-device-missing", "/S /disconnected", None, 0, 0},
        {"another run under way", "nt-xp-full", "", another, 1618, 1},
        {"another run under way, silent", "nt-xp-full", "/S", another, 1618, 0},
        {"bad option", "nt-xp-full", "/x", None, 1639, 1},
        {"bad option, silent", "nt-xp-full", "/S -x", None, 1639, 0},
        {"a stray word", "nt-xp-full", "/S now", None, 1639, 0},
        {"/log= with nothing after it", "nt-xp-full", "/S /log=", None, 1639, 0},
        {"/l*v with no path after it", "nt-xp-full", "/S /l*v /norestart", None, 1639, 0},
        {"/country= with no code", "nt-xp-full", "/S /country=", None, 1639, 0},
        {"usage", "nt-xp-full", "/?", None, 0, 1},
        {"usage, silent", "nt-xp-full", "/HELP /s", None, 0, 0},
        {"32-bit exe alone on 64-bit Windows", "nt-win10-x86-alone", "", None, 1603, 1},
        {"32-bit exe alone, silent", "nt-win10-x86-alone", "/S", None, 1603, 0},
        {"handed over: the 64-bit exe's code", "nt-win10-x86-alone", "/S",
         [](sim::Machine& m) {
             m.WriteFile("C:\\tvu\\tvuninst64.exe", "MZ");
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
        const bool passive = std::string(road.arguments).find("/passive") != std::string::npos;
        if (silent && !passive) {
            EXPECT_TRUE(m->Dialogs().empty());
            EXPECT_EQ(m->TotalSleepMs(), 0u);
        }
        // A passive run shows its dialog, without anybody pressing OK.
        if (passive) {
            ASSERT_EQ(m->Dialogs().size(), 1u);
            EXPECT_TRUE(m->Dialogs()[0].visible);
            EXPECT_EQ(m->Dialogs()[0].result, IDOK);
        }
        // Turned away, or stopped at the device check: nothing removed.
        if (road.exitCode == 1167 || road.exitCode == 1602 || road.exitCode == 1618 ||
            road.exitCode == 1639) {
            EXPECT_EQ(m->CallCount("DeleteFileA") + m->CallCount("SHDeleteKeyA") +
                          m->CallCount("SetupDiRemoveDevice"),
                      0);
        }
    }
}

// The log's forms, each at the edge where a path stops being one.
TEST(CommandLine, ReadsTheLogAndCountryFormsAdminsType) {
    const struct {
        const char* arguments;
        const char* logPath;
        const char* badOption;
    } cases[] = {
        {"/log:C:\\a.log", "C:\\a.log", ""},
        {"/LOG \"C:\\my logs\\a.log\" /S", "C:\\my logs\\a.log", ""},
        {"-l*vx C:\\a.log", "C:\\a.log", ""},
        {"/L+! C:\\a.log", "C:\\a.log", ""},
        {"/l C:\\a.log", "C:\\a.log", ""},
        {"/l*vC:\\a.log", "", "/l*vC:\\a.log"},
        {"/x C:\\a.log", "", "/x"},
        {"/log -S", "", "/log"},
        {"/log", "", "/log"},
        {"/log:", "", "/log:"},
        {"/country=99999", "", ""},
        {"/country=10", "", ""},
        {"/country=100000", "", "/country=100000"},
        {"/country=4a", "", "/country=4a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CommandLine parsed =
            ParseCommandLine((std::string("\"C:\\tvu\\tvuninst.exe\" ") + c.arguments).c_str());
        EXPECT_EQ(parsed.logPath, c.logPath);
        EXPECT_EQ(parsed.badOption, c.badOption);
    }
}

// A completed run gives 3010 only for something that waits for the restart.
TEST(ExitCode, ACompletedRunAsksForARestartOnlyWhenOneIsNeeded) {
    RunResult r;
    r.end = RunEnd::Completed;
    r.Record(Action::DeleteFile, "c:\\windows\\a.sys", Outcome::Ok);
    r.Record(Action::ScheduleDelete, "c:\\windows\\b.dll", Outcome::Failed, 5);
    EXPECT_EQ(r.ExitCode(), 1603u);
    r.actions.pop_back();
    EXPECT_EQ(r.ExitCode(), 0u);
    r.restartNeeded = true;  // a device removal asked for one
    EXPECT_EQ(r.ExitCode(), 3010u);
    EXPECT_EQ(r.RestartReasons().size(), 1u);
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
                                 0, 0}),
                  0);
        EXPECT_FALSE(m->FileExists("C:\\windows\\system32\\drivers\\tunarc.sys"));
        EXPECT_TRUE(m->OpenHandles().empty());
    }
}

// /country=N stands for the user's setting; the header says which section ran and why.
TEST(RunLog, NamesTheSectionAndWhereItsCountryCameFrom) {
    const struct {
        const char* arguments;
        const char* userCountry;  // iCountry of the account the run runs as; null: none
        const char* header;
    } cases[] = {
        {"/S /country=49", nullptr, "section [49] (country 49 from /country=)"},
        {"/S /country=33", "49", "section [1] (country 33 from /country=)"},
        {"/S", "49", "section [49] (country 49 from the user's settings)"},
        {"/S", nullptr, "section [1] (no country setting: the default)"},
    };
    const std::string profile =
        *scenario::Load(scenario::SourceDir() / "tests/e2e/scenarios/nt-xp-full").profile +
        "\r\n[49]\r\nUnInstDrvAppTitle=Deinstallation\r\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        sim::ScopedMachine m;
        RunFolder(*m, {"", "nt-xp-full", c.arguments,
                       [&](sim::Machine& machine) {
                           machine.WriteProfile(profile);
                           if (c.userCountry != nullptr)
                               machine.SetString(HKEY_CURRENT_USER, "Control Panel\\International",
                                                 "iCountry", c.userCountry);
                       },
                       0, 0});
        EXPECT_NE(m->ReadFileText(kLog).find(c.header), std::string::npos) << m->ReadFileText(kLog);
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
    AppendToLog(kLog, "==== tvuninst new\r\nexit code 0: nothing to do\r\n");

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
