// tvprofile plan on every scenario folder whose user presses OK: the plan names every key and file
// that the folder says the run removes, names nothing that it says stays, schedules what it says
// is deleted at the next start, and ends in the message the folder expects or the reason the run
// stops.
#include "tvprofile/plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/scenario_folder.h"
#include "support/scenario.h"

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool AtOrBelow(const std::string& path, const std::string& top) {
    const std::string p = Lower(path), t = Lower(top);
    return p == t || (p.size() > t.size() && p.compare(0, t.size(), t) == 0 && p[t.size()] == '\\');
}

std::optional<std::string> Arg(const std::string& line, const std::string& verb) {
    if (line.rfind(verb + " ", 0) != 0) return std::nullopt;
    return line.substr(verb.size() + 1);
}

constexpr const char* kEnum = "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\";
constexpr const char* kClass = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\";

struct Planned {
    std::vector<std::string> lines;
    std::vector<std::string>
        driverKeys;  // of the devices the plan removes, as the folder sets them
};

Planned PlanFolder(const scenario::Scenario& s) {
    Planned p;
    {
        sim::ScopedMachine m;
        scenario::PrepareMachine(s, *m);
        p.lines = tvprofile::PlanRun(*m);
    }
    sim::Machine before;
    scenario::PrepareMachine(s, before);
    for (const std::string& line : p.lines) {
        if (const auto id = Arg(line, "remove-device")) {
            const auto driver = before.GetString(
                w32::HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\" + *id, "Driver");
            if (driver) p.driverKeys.push_back(kClass + *driver);
        }
    }
    return p;
}

// The device installer takes the instance key, the parents it leaves empty and the driver key.
bool RemovesKey(const Planned& p, const std::string& key) {
    for (const std::string& line : p.lines) {
        if (const auto k = Arg(line, "delete-key"); k && AtOrBelow(key, *k)) return true;
        if (const auto id = Arg(line, "remove-device")) {
            const std::string instance = kEnum + *id;
            if (AtOrBelow(key, instance) || (AtOrBelow(key, kEnum) && AtOrBelow(instance, key)))
                return true;
        }
    }
    for (const std::string& driver : p.driverKeys)
        if (Lower(driver) == Lower(key)) return true;
    return false;
}

bool NamesFile(const Planned& p, const std::string& verb, const std::string& relative) {
    const std::string path = Lower(std::string(scenario::kWindowsDir) + "\\" + relative);
    for (const std::string& line : p.lines) {
        if (const auto f = Arg(line, verb); f && Lower(*f) == path) return true;
    }
    return false;
}

// A driver package takes its INF and PNF from the INF folder.
bool PackageTakes(const Planned& p, const std::string& relative) {
    for (const std::string& line : p.lines) {
        const auto inf = Arg(line, "uninstall-driver-package");
        if (!inf) continue;
        const std::string base = Lower("inf\\" + inf->substr(0, inf->rfind('.')));
        if (Lower(relative) == base + ".inf" || Lower(relative) == base + ".pnf") return true;
    }
    return false;
}

TEST(Plan, AgreesWithEveryScenarioFolder) {
    const auto folders = scenario::ListScenarios(scenario::SourceDir() / "tests/e2e/scenarios");
    ASSERT_GE(folders.size(), 10u);
    int compared = 0;
    for (const auto& folder : folders) {
        scenario::Scenario s = scenario::Load(folder);
        // The plan previews the native exe's run with OK pressed; the expectations of a folder
        // whose user cancels, whose 32-bit exe runs alone, whose run is given options or meets
        // another run, are of another run.
        const bool confirms =
            s.user == sim::UserAction::ClickOk || s.user == sim::UserAction::PressEnter;
        if (!confirms || s.onlyX86 || !s.arguments.empty() || !s.anotherRun.empty()) continue;
        SCOPED_TRACE(s.name);
        const Planned p = PlanFolder(s);
        ASSERT_FALSE(p.lines.empty());
        ++compared;
        for (const std::string& e : s.expectations) {
            SCOPED_TRACE(e);
            if (const auto k = Arg(e, "absent-key")) {
                EXPECT_TRUE(RemovesKey(p, *k));
            } else if (const auto k2 = Arg(e, "present-key")) {
                EXPECT_FALSE(RemovesKey(p, *k2));
            } else if (const auto f = Arg(e, "absent-file")) {
                EXPECT_TRUE(NamesFile(p, "delete-file", *f) || PackageTakes(p, *f));
            } else if (const auto f2 = Arg(e, "present-file")) {
                EXPECT_FALSE(NamesFile(p, "delete-file", *f2) || PackageTakes(p, *f2));
            } else if (const auto f3 = Arg(e, "pending-delete")) {
                EXPECT_TRUE(NamesFile(p, "schedule-delete", *f3));
            } else if (const auto m = Arg(e, "message")) {
                // The message ends the plan: the completion text after the dialog, the warning
                // when the product is not installed.
                const bool dialog = std::find(s.expectations.begin(), s.expectations.end(),
                                              "dialog shown") != s.expectations.end();
                const std::string& last = p.lines.back();
                if (last.rfind("stop device-check: ", 0) == 0) {
                    EXPECT_EQ(last.substr(last.size() - m->size() - 2), ": " + *m);
                } else {
                    EXPECT_EQ(last, (dialog ? "message " : "stop not-installed: ") + *m);
                }
            }
        }
        // A run that shows the dialog and no message stops at the device check.
        const bool anyMessage =
            std::any_of(s.expectations.begin(), s.expectations.end(),
                        [](const std::string& e) { return e.rfind("message ", 0) == 0; });
        if (!anyMessage) {
            EXPECT_EQ(p.lines.back().rfind("stop device-check: ", 0), 0u);
        }
    }
    EXPECT_GE(compared, 10);
}

// The plan is read from the run's own calls, in their order: a line for each removal the run
// made, and none for one that failed.
TEST(Plan, FollowsTheCallsAndPassesOverFailures) {
    const scenario::Scenario s =
        scenario::Load(scenario::SourceDir() / "tests/e2e/scenarios/nt-xp-full");
    sim::ScopedMachine m;
    scenario::PrepareMachine(s, *m);
    m->AddFault({"DeleteFileA", 1, w32::ERROR_ACCESS_DENIED, ""});
    const std::vector<std::string> plan = tvprofile::PlanRun(*m);
    std::vector<std::string> deleted;
    std::string failed;
    for (const sim::CallRecord& c : m->Calls()) {
        if (c.api != "DeleteFileA") continue;
        if (c.faulted) {
            failed = c.args;
        } else if (c.result != 0) {
            deleted.push_back("delete-file " + c.args);
        }
    }
    ASSERT_FALSE(failed.empty());
    ASSERT_GE(deleted.size(), 2u);
    std::vector<std::string> planned;
    for (const std::string& line : plan)
        if (line.rfind("delete-file ", 0) == 0) planned.push_back(line);
    EXPECT_EQ(planned, deleted);
    EXPECT_EQ(std::count(plan.begin(), plan.end(), "delete-file " + failed), 0);
}

}  // namespace
