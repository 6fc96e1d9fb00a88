// Every scenario folder runs as one test on the simulated machine; each line of its expect.txt is
// one assertion, and the program must release everything it obtained.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "support/scenario.h"

namespace {

std::filesystem::path ScenarioRoot() {
    return scenario::SourceDir() / "tests" / "e2e" / "scenarios";
}

class ScenarioTest : public testing::TestWithParam<std::filesystem::path> {};

TEST_P(ScenarioTest, ExpectationsHold) {
    const scenario::Scenario s = scenario::Load(GetParam());
    ASSERT_FALSE(s.expectations.empty()) << s.name << " has no expect.txt checks";
    const scenario::RunResult result = scenario::Run(s);
    ASSERT_FALSE(result.checks.empty()) << s.name << " checks nothing but the end state";
    for (const scenario::CheckResult& check : result.checks) {
        EXPECT_TRUE(check.passed) << s.name << ": " << check.line << " (" << check.detail << ")";
    }
    EXPECT_TRUE(result.openHandles.empty())
        << s.name << ": " << result.openHandles.size() << " handles left open, first "
        << (result.openHandles.empty() ? "" : result.openHandles.front());
}

std::string FolderName(const testing::TestParamInfo<std::filesystem::path>& info) {
    std::string name = info.param.filename().string();
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Folders, ScenarioTest,
                         testing::ValuesIn(scenario::ListScenarios(ScenarioRoot())), FolderName);

// A scenario list that came back empty (a wrong source path) must not pass as a clean run.
TEST(ScenarioFolders, TheNtScenariosAreFound) {
    const auto folders = scenario::ListScenarios(ScenarioRoot());
    int nt = 0;
    for (const auto& f : folders) {
        if (f.filename().string().rfind("nt-", 0) == 0) ++nt;
    }
    EXPECT_GE(nt, 3) << "scenario root " << ScenarioRoot();
}

}  // namespace
