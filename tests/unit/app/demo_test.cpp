// The native demo: one whole run on its built-in machine, reported as the user saw it.
#include "demo/demo.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// The lines of the report between a heading and the next line that does not start with a blank.
std::vector<std::string> Section(const std::string& report, const std::string& heading) {
    std::istringstream in(report);
    std::vector<std::string> lines;
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (inside && (line.empty() || line[0] != ' ')) break;
        if (inside) lines.push_back(line.substr(2));
        if (line == heading) inside = true;
    }
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& wanted) {
    for (const auto& l : lines) {
        if (l == wanted) return true;
    }
    return false;
}

TEST(Demo, ReportsWhatTheUserSawAndWhatWasRemoved) {
    std::ostringstream out;
    char name[] = "tvuninst-sim";
    char* argv[] = {name, nullptr};

    EXPECT_EQ(demo::RunDemo(1, argv, out), 0);  // nothing waits for a restart

    const std::string report = out.str();
    EXPECT_NE(report.find("Dialog 102, caption \"Brelon Tunara WDM Drivers Uninstallation\"\n"),
              std::string::npos);
    EXPECT_NE(report.find("control 1001 (Static): visible, texts set: \"Press 'OK' to start "
                          "...\" \"\"\n"),
              std::string::npos);
    EXPECT_NE(report.find("Progress: range 0-100, step 6, positions: 6 12 18 24 30 36 42 90 100\n"),
              std::string::npos);
    EXPECT_NE(report.find("Message box, caption \"Brelon Tunara WDM Drivers Uninstallation\", "
                          "type 0x40 (information icon), owner the dialog\n  \"Brelon Tunara WDM "
                          "Drivers have been uninstalled completely.\\n\\nIf you want to "
                          "re-install drivers, you MUST reboot your system.\"\n"),
              std::string::npos);

    const auto shown = Section(report, "Files shown:");
    ASSERT_EQ(shown.size(), 11u);
    EXPECT_EQ(shown.front(), "c:\\windows\\inf\\oem12.pnf");
    EXPECT_EQ(shown.back(), "c:\\windows\\zq4unist.exe");

    const auto removed = Section(report, "Removed:");
    EXPECT_TRUE(Contains(removed, "file C:\\WINDOWS\\system32\\drivers\\tunacap.sys"));
    EXPECT_TRUE(Contains(removed,
                         "key HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                         "BrelonTunaraWDM"));
    EXPECT_TRUE(Contains(removed, "window \"Remote Control\" (WM_CLOSE)"));
    const auto kept = Section(report, "Kept:");
    // Only the bystanders stay.
    EXPECT_EQ(kept.size(), 7u);
    EXPECT_TRUE(Contains(kept, "file C:\\WINDOWS\\inf\\oem3.inf"));
    EXPECT_TRUE(Contains(kept, "key HKLM\\SYSTEM\\CurrentControlSet\\Services\\OtherAudio"));
    for (const auto& k : kept) EXPECT_EQ(k.find("una"), std::string::npos) << k;
    EXPECT_NE(report.find("Handles left open: 0\n"), std::string::npos);
}

TEST(Demo, TakesNoArgumentsButHelp) {
    const struct {
        const char* arg;
        int code;
    } cases[] = {{"--help", 0}, {"--win98", 2}, {"x", 2}};
    for (const auto& c : cases) {
        std::ostringstream out;
        char name[] = "tvuninst-sim";
        std::string arg = c.arg;
        char* argv[] = {name, arg.data(), nullptr};
        EXPECT_EQ(demo::RunDemo(2, argv, out), c.code) << c.arg;
        EXPECT_EQ(out.str().rfind("usage: tvuninst-sim\n", 0), 0u) << c.arg;
        EXPECT_EQ(out.str().find("Dialog 102"), std::string::npos) << c.arg;
    }
}

}  // namespace
