// The rule for the names joined to a group's folder, and the checks that stand between a name and
// the deletion: an unknown folder, a name that is not plain, a file Windows protects, a path that
// cannot be put to the protection check.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/file_removal.h"
#include "app/uninst_app.h"
#include "framework/afx.h"
#include "platform/sim/sim_machine.h"

namespace {

using namespace w32;

struct NameCase {
    const char* name;
    bool plain;
};

TEST(PlainFileName, OnlyANameThatStaysDirectlyInItsFolder) {
    const NameCase cases[] = {
        {"tunacap.sys", true},
        {"oem12.inf", true},
        {"my file.dll", true},
        {" leading.sys", true},  // a blank at the front is part of the name
        {"x.sys.", false},       // Windows drops the dot: the name stands for x.sys
        {"x.sys ", false},
        {"..x.inf", true},
        {"a..b", true},
        {"\xE9t\xE9.dll", true},  // letters beyond ASCII
        {"console.sys", true},
        {"com0", true},
        {"lpt", true},
        {"", false},
        {".", false},
        {"..", false},
        {"...", false},
        {" ", false},
        {". .", false},
        {"\\boot.ini", false},
        {"/boot.ini", false},
        {"..\\..\\x.sys", false},
        {"sub\\x.dll", false},
        {"sub/x.dll", false},
        {"sub\\..\\..\\x", false},
        {"C:\\x.dll", false},
        {"C:x.dll", false},
        {"x.sys:stream", false},
        {"a*b", false},
        {"a?b", false},
        {"a\"b", false},
        {"a<b", false},
        {"a>b", false},
        {"a|b", false},
        {"a\tb", false},
        {"con", false},
        {"CON.inf", false},
        {"nul ", false},
        {"Aux.dll", false},
        {"prn", false},
        {"Lpt1.sys", false},
        {"COM9", false},
    };
    for (const NameCase& c : cases) EXPECT_EQ(IsPlainFileName(c.name), c.plain) << c.name;
}

// A profile's name may descend into subfolders, one plain name at a time, and nowhere else.
TEST(PlainFileName, AProfileNameMayDescendIntoASubfolder) {
    const NameCase cases[] = {
        {"tunacap.sys", true}, {"drivers\\tunaaux.sys", true},
        {"a\\b\\c.dll", true}, {"sub\\..\\x.dll", false},
        {"..\\x.sys", false},  {"\\x.sys", false},
        {"sub\\", false},      {"a\\\\b", false},
        {"C:\\x.dll", false},  {"sub/x.dll", false},
        {"sub\\con", false},   {"sub.\\x.dll", false},
        {"", false},
    };
    for (const NameCase& c : cases) EXPECT_EQ(IsFileNameBelowFolder(c.name), c.plain) << c.name;
}

struct TargetCase {
    const char* label;
    const char* windows;  // the Windows directory
    const char* suffix;
    const char* name;
    bool rewrite;  // ".inf" to ".pnf" in the name
    const char* protect;
    std::optional<std::string> path;  // what the deletion would work on; nothing: passed over
    std::vector<sim::Fault> faults = {};
};

void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.label;
}

std::string InfToPnf(std::string name) {
    for (std::size_t at = name.find(".inf"); at != std::string::npos; at = name.find(".inf", at))
        name.replace(at, 4, ".pnf");
    return name;
}

class Targets : public testing::TestWithParam<TargetCase> {};

TEST_P(Targets, APathOnlyForAPlainUnprotectedFileInAKnownFolder) {
    const TargetCase& c = GetParam();
    sim::ScopedMachine m;
    ResetProgramState();
    m->SetWindowsDirectory(c.windows);
    if (c.protect != nullptr) m->ProtectFile(c.protect);
    for (const sim::Fault& f : c.faults) m->AddFault(f);
    const RemovalFolder folder(c.suffix);
    const std::optional<RemovableFile> file =
        RemovableFile::In(folder, c.name, c.rewrite ? InfToPnf : nullptr);
    ASSERT_EQ(file.has_value(), c.path.has_value());
    if (file) {
        EXPECT_EQ(file->Path(), *c.path);
    }
}

// "\system32\drivers\" does not fit the 100-byte buffer after 81 characters.
const std::string kLongWindows = "C:\\" + std::string(79, 'w');
// Longer than MAX_PATH once joined to its folder.
const std::string kLongName = std::string(250, 'a') + ".dll";

INSTANTIATE_TEST_SUITE_P(
    Cases, Targets,
    testing::Values(TargetCase{"plain_name", "C:\\WINDOWS", "\\inf\\", "OEM12.INF", false, nullptr,
                               "c:\\windows\\inf\\oem12.inf"},
                    TargetCase{"rewrite_acts_on_the_name_alone", "C:\\WIN.INF", "\\inf\\", "A.INF",
                               true, nullptr, "c:\\win.inf\\inf\\a.pnf"},
                    TargetCase{"not_plain", "C:\\WINDOWS", "\\inf\\", "..\\x.inf", false, nullptr,
                               std::nullopt},
                    TargetCase{"protected_in_another_letter_case", "C:\\WINDOWS",
                               "\\system32\\drivers\\", "tunacap.sys", false,
                               "C:\\Windows\\System32\\Drivers\\TUNACAP.SYS", std::nullopt},
                    TargetCase{"protected_one_beside_it", "C:\\WINDOWS", "\\system32\\drivers\\",
                               "tunacap.sys", false, "C:\\WINDOWS\\system32\\drivers\\tunaaud.sys",
                               "c:\\windows\\system32\\drivers\\tunacap.sys"},
                    TargetCase{"protected_after_the_rewrite", "C:\\WINDOWS", "\\inf\\", "a.inf",
                               true, "C:\\WINDOWS\\inf\\a.pnf", std::nullopt},
                    TargetCase{"folder_unknown", kLongWindows.c_str(), "\\system32\\drivers\\",
                               "a.sys", false, nullptr, std::nullopt},
                    TargetCase{"too_long_for_the_check", "C:\\WINDOWS", "\\system32\\",
                               kLongName.c_str(), false, nullptr, std::nullopt},
                    TargetCase{"conversion_fails",
                               "C:\\WINDOWS",
                               "\\system32\\",
                               "tunaprop.dll",
                               false,
                               nullptr,
                               std::nullopt,
                               {{"MultiByteToWideChar", 1, ERROR_INVALID_PARAMETER, ""}}},
                    // FALSE is the answer for every file the check does not know; only when the
                    // protection service could not be reached is the file kept.
                    TargetCase{"check_cannot_reach_the_service",
                               "C:\\WINDOWS",
                               "\\system32\\",
                               "tunaprop.dll",
                               false,
                               nullptr,
                               std::nullopt,
                               {{"SfcIsFileProtected", 1, sim::kRpcServerUnavailable, ""}}},
                    TargetCase{"check_answers_false",
                               "C:\\WINDOWS",
                               "\\system32\\",
                               "tunaprop.dll",
                               false,
                               nullptr,
                               "c:\\windows\\system32\\tunaprop.dll",
                               {{"SfcIsFileProtected", 1, ERROR_ACCESS_DENIED, ""}}}),
    [](const testing::TestParamInfo<TargetCase>& p) { return std::string(p.param.label); });

TEST(Uninstaller, AnEmptyNameIsPassedOverOnBothFamilies) {
    for (DWORD platform : {VER_PLATFORM_WIN32_NT, VER_PLATFORM_WIN32_WINDOWS}) {
        sim::ScopedMachine m;
        ResetProgramState();
        m->SetVersion(platform, platform == VER_PLATFORM_WIN32_NT ? 5 : 4,
                      platform == VER_PLATFORM_WIN32_NT ? 1 : 10);
        m->SetString(HKEY_CURRENT_USER, "Control Panel\\International", "iCountry", "1");
        m->SetString(HKEY_LOCAL_MACHINE,
                     "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\P", "DisplayName",
                     "Brelon Tunara WDM Drivers");
        m->WriteProfile("[1]\r\nUnInstDrvAppTitle=T\r\nDrvUninstAppName=\r\n");
        m->ScriptUser({sim::UserAction::ClickOk});
        mfc::AfxWinMain();
        ASSERT_EQ(m->Dialogs().size(), 1u);
        EXPECT_EQ(m->CallCount("DeleteFileA"), 0) << platform;
        EXPECT_EQ(m->CallCount("SetFileAttributesA"), 0) << platform;
        for (const std::string& t : m->Dialogs()[0].Control(1002)->textHistory)
            EXPECT_EQ(t, "") << platform;
        // The uninstaller's step is taken all the same.
        const std::vector<int> positions = platform == VER_PLATFORM_WIN32_NT
                                               ? std::vector<int>{6, 90, 100}
                                               : std::vector<int>{6, 100};
        EXPECT_EQ(m->Dialogs()[0].progress.positions, positions) << platform;
        EXPECT_EQ(m->MessageBoxes().size(), 1u) << platform;
    }
}

}  // namespace
