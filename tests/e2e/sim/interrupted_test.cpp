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
};

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
    if (cut) {
        m->RestorePower();
        ResetProgramState();
        exitCode = mfc::AfxWinMain();
    }
    const scenario::RunResult result = scenario::Evaluate(s, *m, made, {exitCode});
    return {scenario::EndStateText(result), exitCode, calls, result.log};
}

class Interrupted : public testing::TestWithParam<const char*> {};

TEST_P(Interrupted, TheNextRunEndsWhereAnUninterruptedOneEnds) {
    const scenario::Scenario s =
        scenario::Load(scenario::SourceDir() / "tests/e2e/scenarios" / GetParam());
    const Outcome whole = Runs(s, std::nullopt);
    ASSERT_TRUE(whole.exitCode == 0 || whole.exitCode == 3010) << whole.exitCode;
    ASSERT_FALSE(whole.endState.empty());
    ASSERT_GT(whole.calls, 100u);
    for (std::size_t cut = 0; cut < whole.calls; ++cut) {
        const Outcome resumed = Runs(s, cut);
        // The last run finds the product gone once the cut came after the entry's delete.
        EXPECT_TRUE(resumed.exitCode == whole.exitCode || resumed.exitCode == 0)
            << "cut after " << cut << " calls: exit code " << resumed.exitCode << "\n"
            << resumed.log;
        ASSERT_EQ(resumed.endState, whole.endState) << "cut after " << cut << " calls";
    }
}

INSTANTIATE_TEST_SUITE_P(Machines, Interrupted,
                         testing::Values("nt-xp-full", "nt-win10-x64", "w98-full"),
                         [](const testing::TestParamInfo<const char*>& param) {
                             std::string name = param.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
