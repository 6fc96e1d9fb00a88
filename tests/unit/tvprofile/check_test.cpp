// tvprofile check on profiles with planted mistakes: every mistake is found on its line, and
// nothing else is; the scenario profiles, which hold no mistakes, give nothing.
#include "tvprofile/check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "platform/sim/sim_machine.h"
#include "support/scenario.h"
#include "tvprofile/profile_probe.h"

namespace {

using tvprofile::Finding;
using tvprofile::Severity;
using Found = std::tuple<int, std::string, Severity>;  // line, code, severity

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<Finding> CheckBytes(const std::string& text) {
    tvprofile::ProfileProbe<sim::Machine> probe;
    w32::InstallApi(&probe);
    probe.WriteProfile(text);
    std::vector<Finding> findings = tvprofile::CheckProfile(text, probe);
    w32::InstallApi(nullptr);
    return findings;
}

std::vector<Finding> CheckFile(const std::filesystem::path& path) {
    return CheckBytes(ReadText(path));
}

std::set<Found> Summary(const std::vector<Finding>& findings) {
    std::set<Found> out;
    for (const Finding& f : findings) out.emplace(f.line, f.code, f.severity);
    return out;
}

std::filesystem::path Planted(const char* name) {
    return scenario::SourceDir() / "tests/unit/tvprofile/profiles" / name;
}

constexpr Severity W = Severity::Warning;
constexpr Severity E = Severity::Error;

struct PlantedCase {
    const char* file;
    std::set<Found> expected;
};

const PlantedCase kPlanted[] = {
    {"counts.ini",
     {{4, "count-decimal", E},      // DevIDNum=10 over rows 0-9
      {45, "count-limit", E},       // UnInstServiceNum=10 (16) over rows 0-15
      {61, "row-past-count", W},    // UnInstService15
      {64, "row-past-count", W},    // ExtCopyFileName1 past ExtDllFileNum=1
      {65, "row-missing", W},       // ExtDevIDNum=2, one row
      {75, "row-incomplete", W}}},  // PossibleDevID1 alone
    {"keys.ini",
     {{1, "outside-section", W},
      {7, "unknown-key", W},  // DevDrvNam0
      {8, "value-cut", W},    // a 140-character name in a 128-byte field
      {11, "duplicate-key", W},
      {12, "unknown-key", W},  // UnInstServiceNumber
      {13, "no-equals", W}}},
    {"sections.ini",
     {{9, "section-unused", W},        // [49] with an empty title
      {12, "section-name", W},         // [049]
      {14, "no-key-fallback", W},      // [44] without DevIDNum
      {14, "removes-nothing", E},      // [44] has a title and no rows
      {17, "section-name", W},         // [Strings]
      {19, "section-duplicate", W}}},  // a second [1]
    {"matching.ini",
     {{1, "removes-nothing", E},  // the empty ID stops the run at the device check
      {4, "media-class", W},      // Normal begins with "No"
      {6, "id-empty", E},         // counts every device on NT
      {10, "win9x-usb-key", W},   // all lower case: no vendor key
      {11, "name-empty", W},
      {12, "not-plain-name", W},  // ..\u.sys
      {13, "not-plain-name", W},  // CON
      {14, "win9x-usb-key", W},   // lower-case vid: the cut starts at PID's I
      {23, "id-empty", E},        // an empty candidate takes over every row on NT
      {28, "service-empty", W}}},
};

TEST(TvprofileCheck, FindsEachPlantedMistakeOnItsLine) {
    for (const PlantedCase& c : kPlanted) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(Summary(CheckFile(Planted(c.file))), c.expected);
    }
}

TEST(TvprofileCheck, ScenarioAndSampleProfilesGiveNothing) {
    int checked = 0;
    std::vector<std::filesystem::path> profiles = {scenario::SourceDir() /
                                                   "docs/TVMuxDrv.sample.ini"};
    for (const auto& entry :
         std::filesystem::directory_iterator(scenario::SourceDir() / "tests/e2e/scenarios"))
        profiles.push_back(entry.path() / "TVMuxDrv.ini");
    for (const auto& profile : profiles) {
        if (!std::filesystem::exists(profile)) continue;
        SCOPED_TRACE(profile.string());
        const std::vector<Finding> findings = CheckFile(profile);
        EXPECT_EQ(tvprofile::FormatText("TVMuxDrv.ini", findings), "0 errors, 0 warnings\n");
        EXPECT_EQ(tvprofile::ExitCode(findings), 0);
        ++checked;
    }
    EXPECT_GT(checked, 1);
}

const std::string kRows =
    "DevIDNum=1\r\nDevDrvID0=PCI\\VEN_1131&DEV_7133\r\nDevDrvName0=Brelon Tunara Capture\r\n"
    "DevDrvSYS0=tunacap.sys\r\nDevDrvINF0=tunacap.inf\r\nDrvUninstRegKeyPath={B7E1}\r\n";

// Profiles on which the run removes nothing but its own file: one error, naming the section.
TEST(TvprofileCheck, ARunThatRemovesNothingIsAnErrorOfItsSection) {
    const struct {
        std::string text;
        std::string section;
    } cases[] = {
        {"", "1"},
        {"[49]\r\nUnInstDrvAppTitle=Tunara\r\n" + kRows, "1"},
        {"[1\r\n" + kRows, "1"},
        {"[1]\r\nDevIDNum=0x2\r\n" + kRows.substr(kRows.find('\n') + 1), "1"},
        {"[1]\r\nDevIDNum=two\r\n" + kRows.substr(kRows.find('\n') + 1), "1"},
        {"[1]\r\n" + kRows + "[49]\r\nUnInstDrvAppTitle=Tunara\r\n", "49"},
        {"\xEF\xBB\xBF[1]\r\n" + kRows, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::vector<Finding> findings = CheckBytes(c.text);
        const auto it = std::find_if(findings.begin(), findings.end(),
                                     [](const Finding& f) { return f.code == "removes-nothing"; });
        ASSERT_NE(it, findings.end());
        EXPECT_EQ(it->severity, E);
        EXPECT_EQ(it->section, c.section);
        EXPECT_NE(it->message.find("[" + c.section + "]"), std::string::npos);
        EXPECT_EQ(std::count_if(findings.begin(), findings.end(),
                                [](const Finding& f) { return f.code == "removes-nothing"; }),
                  1);
    }
}

std::string Utf16Le(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (const char ch : ascii) out += std::string{ch, '\0'};
    return out;
}

// One sound profile saved in the ways editors save it, and written with what editors add.
TEST(TvprofileCheck, ReadsEachEncodingAsWindowsDoes) {
    using Codes = std::set<std::pair<std::string, Severity>>;
    const std::string sound = "[1]\r\n" + kRows;
    const struct {
        std::string text;
        Codes expected;
    } cases[] = {
        {sound, {}},
        {Utf16Le(sound), {{"encoding-unicode", W}}},
        {[&] {  // a Cyrillic letter, U+0416, in the title
             std::string t = Utf16Le(sound + "UnInstDrvAppTitle=\x01\r\n");
             return t.replace(t.find('\x01'), 2, "\x16\x04");
         }(),
         {{"encoding-unicode", W}, {"encoding-unicode-lost", W}}},
        {"\xEF\xBB\xBF" + sound,
         {{"encoding-utf8-mark", E}, {"removes-nothing", E}, {"outside-section", W}}},
        {sound + "UnInstDrvAppTitle=Vollst\xC3\xA4ndig\r\n", {{"encoding-utf8", W}}},
        {sound + "UnInstDrvAppTitle=Vollst\xE4ndig\r\n", {}},
        {"; c\r\n# c\r\n" + sound + "; c=1\r\n#DevIDNum=2\r\n", {}},
        {"[1]\r\n" + std::regex_replace(kRows, std::regex("=tunacap.sys"), "=drivers\\tunacap.sys"),
         {{"name-repeats-folder", W}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Codes found;
        for (const Finding& f : CheckBytes(c.text)) found.emplace(f.code, f.severity);
        EXPECT_EQ(found, c.expected);
    }
}

TEST(TvprofileCheck, ExitCodeAndReportFollowTheWorstFinding) {
    const Finding warning{3, W, "unknown-key", "1", "X", "w"};
    const Finding error{4, E, "count-limit", "1", "DevIDNum", "e"};
    const struct {
        std::vector<Finding> findings;
        int exit;
        std::string text;
    } cases[] = {
        {{}, 0, "0 errors, 0 warnings\n"},
        {{warning}, 1, "F:3: warning: w\n0 errors, 1 warning\n"},
        {{warning, error}, 2, "F:3: warning: w\nF:4: error: e\n1 error, 1 warning\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tvprofile::ExitCode(c.findings), c.exit);
        EXPECT_EQ(tvprofile::FormatText("F", c.findings), c.text);
    }
    EXPECT_EQ(
        tvprofile::FormatJson("C:\\W\\a.ini", {error}),
        "{\"file\":\"C:\\\\W\\\\a.ini\",\"errors\":1,\"warnings\":0,\"findings\":[{\"line\":4,"
        "\"severity\":\"error\",\"code\":\"count-limit\",\"section\":\"1\",\"key\":"
        "\"DevIDNum\",\"message\":\"e\"}]}\n");
}

}  // namespace
