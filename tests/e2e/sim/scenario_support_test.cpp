// The scenario loader and its checks: a folder it cannot read is an error, not a pass; a check
// that does not hold fails; the end state lists exactly what the compare lines name.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "support/scenario.h"

namespace {

namespace fs = std::filesystem;

class Folder {
public:
    Folder() {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("tvu-scenario-" + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(path_ / name, std::ios::binary) << text;
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Installed, but the product is not on the machine's list: the warning and nothing else.
const char* kReg =
    "REGEDIT4\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Keep\\Sub]\n"
    "\"x\"=\"1\"\n\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Keep\\Other]\n\n";

TEST(ScenarioLoad, ReadsTheMachineAndTheUser) {
    Folder f;
    f.Write("scenario.txt",
            "# comment\nversion = vista\nprocesses=a.exe, b.exe\nwindows=Remote Control\n"
            "user=escape\n");
    f.Write("files.txt", "inf\\a.inf readonly\r\n\nsystem32\\b c.dll\n# not a file\n");
    f.Write("expect.txt", "dialog shown\n\n# note\npresent-file inf\\a.inf\n");
    const scenario::Scenario s = scenario::Load(f.path());
    EXPECT_EQ(s.version.platformId, 2u);
    EXPECT_EQ(s.version.major, 6u);
    EXPECT_EQ(s.version.minor, 0u);
    EXPECT_EQ(s.processes, (std::vector<std::string>{"a.exe", "b.exe"}));
    EXPECT_EQ(s.windows, std::vector<std::string>{"Remote Control"});
    EXPECT_EQ(s.user, sim::UserAction::PressEscape);
    ASSERT_EQ(s.files.size(), 2u);
    EXPECT_EQ(s.files[0].path, "inf\\a.inf");
    EXPECT_TRUE(s.files[0].readOnly);
    EXPECT_EQ(s.files[1].path, "system32\\b c.dll");
    EXPECT_FALSE(s.files[1].readOnly);
    EXPECT_EQ(s.expectations,
              (std::vector<std::string>{"dialog shown", "present-file inf\\a.inf"}));
    EXPECT_FALSE(s.profile.has_value());
    EXPECT_FALSE(s.machineReg.has_value());
}

TEST(ScenarioLoad, RefusesWhatItDoesNotUnderstand) {
    for (const char* text : {"version=win95\n", "colour=blue\n", "user=click\n", "just a line\n"}) {
        Folder f;
        f.Write("scenario.txt", text);
        EXPECT_THROW(scenario::Load(f.path()), scenario::ScenarioError) << text;
    }
    Folder empty;
    EXPECT_THROW(scenario::Load(empty.path()), scenario::ScenarioError);
}

TEST(ScenarioRun, UnknownChecksAndUnknownNamesAreErrors) {
    for (const char* expect :
         {"present-thing x\n", "process-ended nobody.exe\n", "window-closed Nobody\n",
          "dialog maybe\n", "absent-key HKXX\\A\n", "present-file\n"}) {
        Folder f;
        f.Write("scenario.txt", "version=winxp\n");
        f.Write("expect.txt", expect);
        const scenario::Scenario s = scenario::Load(f.path());
        EXPECT_THROW(scenario::Run(s), scenario::ScenarioError) << expect;
    }
}

TEST(ScenarioRun, ChecksThatDoNotHoldFail) {
    Folder f;
    f.Write("scenario.txt", "version=winxp\nprocesses=keep.exe\nwindows=Remote Control\n");
    f.Write("machine.reg", kReg);
    f.Write("files.txt", "inf\\keep.inf\n");
    // The product is not installed: the warning box, no dialog, nothing touched.
    f.Write("expect.txt",
            "absent-file inf\\keep.inf\npresent-file inf\\keep.inf\npresent-file inf\\none.inf\n"
            "absent-key HKLM\\SYSTEM\\CurrentControlSet\\Services\\Keep\n"
            "present-key HKLM\\SYSTEM\\CurrentControlSet\\Services\\Keep\\Sub\n"
            "process-ended keep.exe\nprocess-running keep.exe\n"
            "window-closed Remote Control\ndialog shown\ndialog not-shown\n"
            "message You do not install Brelon Tunara WDM Drivers.\nmessage Something else\n");
    const scenario::RunResult r = scenario::Run(scenario::Load(f.path()));
    std::vector<bool> passed;
    for (const auto& c : r.checks) passed.push_back(c.passed);
    EXPECT_EQ(passed, (std::vector<bool>{false, true, false, false, true, false, true, false, false,
                                         true, true, false}));
    EXPECT_TRUE(r.openHandles.empty());
}

TEST(ScenarioRun, TheEndStateListsTheComparedKeysAndFilesSortedAndLowerCased) {
    Folder f;
    f.Write("scenario.txt", "version=winxp\n");
    f.Write("machine.reg", kReg);
    f.Write("files.txt", "INF\\Zeta.inf\ninf\\alpha.PNF\ninf\\sub\\deep.inf\nsystem32\\x.dll\n");
    f.Write("expect.txt",
            "compare-key HKLM\\SYSTEM\\CurrentControlSet\\Services\\Keep\n"
            "compare-key HKLM\\SYSTEM\\CurrentControlSet\\Services\\Missing\n"
            "compare-dir inf\ndialog not-shown\n");
    const scenario::RunResult r = scenario::Run(scenario::Load(f.path()));
    EXPECT_EQ(scenario::EndStateText(r),
              "file inf\\alpha.pnf\n"
              "file inf\\zeta.inf\n"
              "key hklm\\system\\currentcontrolset\\services\\keep\n"
              "key hklm\\system\\currentcontrolset\\services\\keep\\other\n"
              "key hklm\\system\\currentcontrolset\\services\\keep\\sub\n");
    ASSERT_EQ(r.checks.size(), 1u);
    EXPECT_TRUE(r.checks[0].passed);
}

}  // namespace
