// A run cut off after any one of its port calls (killed, or the power gone) is finished by the
// next run: silent runs of whole scenario machines, stopped after each call in turn, then run
// again, end where one uninterrupted run ends.
#include <gtest/gtest.h>

#include "app/run_result.h"
#include "app/uninst_app.h"
#include "framework/afx.h"
#include "support/scenario.h"

namespace {

struct Outcome {
    std::string endState;
    int exitCode = 0;
    std::size_t calls = 0;
    std::string log;
    std::vector<std::string> failedChecks;
    // After the cut run, before the next: whether the product's entry was still there, and the
    // end state then.
    bool entryAfterCut = true;
    std::string endStateAfterCut;
};

// The product's uninstall entry, as the folder's expectations name it.
std::string EntryKey(const scenario::Scenario& s) {
    for (const std::string& line : s.expectations) {
        if (line.rfind("absent-key HKLM\\", 0) == 0 &&
            line.find("\\Uninstall\\") != std::string::npos)
            return line.substr(16);
    }
    return {};
}

// One silent run on a fresh machine set up as the scenario says, cut after `cut` port calls when
// given, then run again.
Outcome Runs(const scenario::Scenario& s, std::optional<std::size_t> cut) {
    sim::ScopedMachine m;
    const scenario::Prepared made = scenario::PrepareMachine(s, *m);
    m->SetCommandLine("/S");
    if (cut) m->CutPowerAfter(*cut);
    ResetProgramState();
    int exitCode = mfc::AfxWinMain();
    const std::size_t calls = m->Calls().size();
    Outcome out;
    if (cut) {
        m->RestorePower();
        const std::string entry = EntryKey(s);
        out.entryAfterCut = entry.empty() || m->KeyExists(w32::HKEY_LOCAL_MACHINE, entry);
        out.endStateAfterCut = scenario::EndStateText(scenario::Evaluate(s, *m, made, {0}));
        ResetProgramState();
        exitCode = mfc::AfxWinMain();
    }
    const scenario::RunResult result = scenario::Evaluate(s, *m, made, {exitCode});
    out.endState = scenario::EndStateText(result);
    out.exitCode = exitCode;
    out.calls = calls;
    out.log = result.log;
    // What must be gone and what must stay (the other checks are the interactive run's).
    for (const scenario::CheckResult& check : result.checks) {
        const bool keyOrFile =
            check.line.rfind("absent-", 0) == 0 || check.line.rfind("present-", 0) == 0;
        if (keyOrFile && !check.passed) out.failedChecks.push_back(check.line);
    }
    return out;
}

class Interrupted : public testing::TestWithParam<const char*> {};

TEST_P(Interrupted, TheNextRunEndsWhereAnUninterruptedOneEnds) {
    const scenario::Scenario s = scenario::Load(scenario::SourceDir() / "tests/e2e" / GetParam());
    const Outcome whole = Runs(s, std::nullopt);
    ASSERT_TRUE(whole.exitCode == 0 || whole.exitCode == 3010) << whole.exitCode;
    ASSERT_TRUE(whole.failedChecks.empty()) << whole.failedChecks.front();
    ASSERT_FALSE(whole.endState.empty());
    ASSERT_GT(whole.calls, 100u);
    for (std::size_t cut = 0; cut < whole.calls; ++cut) {
        const Outcome resumed = Runs(s, cut);
        // The last run finds the product gone once the cut came after the entry's delete.
        EXPECT_TRUE(resumed.exitCode == whole.exitCode || resumed.exitCode == 0)
            << "cut after " << cut << " calls: exit code " << resumed.exitCode << "\n"
            << resumed.log;
        ASSERT_EQ(resumed.endState, whole.endState) << "cut after " << cut << " calls";
        // Detection says installed until the job is done: an entry gone means nothing is left.
        if (!resumed.entryAfterCut) {
            ASSERT_EQ(resumed.endStateAfterCut, whole.endState) << "cut after " << cut << " calls";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Machines, Interrupted,
                         testing::Values("scenarios/nt-xp-full", "scenarios/nt-win10-x64",
                                         "scenarios/w98-full", "sim/machines/nt-win10-x64-phantom"),
                         [](const testing::TestParamInfo<const char*>& param) {
                             std::string name = param.param;
                             name = name.substr(name.rfind('/') + 1);
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
