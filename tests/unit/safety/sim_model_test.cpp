// The parts of the simulated machine that the safety checks stand on: paths normalised as Windows
// does it (so that a name of dots reaches the folder itself, as it would on Windows), files
// outside the Windows folder, the code-page conversion and Windows File Protection.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace {

using namespace w32;

struct PathCase {
    const char* path;     // handed to SetFileAttributesA
    const char* reaches;  // the file or folder whose attributes it changed; nullptr: none
};

TEST(SimPaths, AttributesReachWhatWindowsWouldReach) {
    const PathCase cases[] = {
        {"C:\\WINDOWS\\inf\\...", "C:\\WINDOWS\\inf"},
        {"C:\\WINDOWS\\inf\\ ", "C:\\WINDOWS\\inf"},
        {"C:\\WINDOWS\\inf\\. .", "C:\\WINDOWS\\inf"},
        {"c:\\windows\\system32\\drivers\\\\x.sys", "C:\\WINDOWS\\system32\\drivers\\x.sys"},
        {"C:\\WINDOWS\\system32\\drivers\\x.sys.", "C:\\WINDOWS\\system32\\drivers\\x.sys"},
        {"C:\\WINDOWS\\system32\\drivers\\x.sys  ", "C:\\WINDOWS\\system32\\drivers\\x.sys"},
        {"C:\\WINDOWS\\system32\\drivers\\..\\..\\x.sys", "C:\\WINDOWS\\x.sys"},
        {"C:\\WINDOWS\\inf\\..\\..\\boot.ini", "C:\\boot.ini"},
        {"C:\\..\\..\\boot.ini", "C:\\boot.ini"},
        {"C:\\WINDOWS\\inf\\...\\x.sys", nullptr},  // "..." inside a path is a name of its own
        {"WINDOWS\\x.sys", nullptr},                // not a full path
    };
    for (const PathCase& c : cases) {
        sim::Machine m;
        for (const char* f :
             {"C:\\WINDOWS\\x.sys", "C:\\WINDOWS\\system32\\drivers\\x.sys", "C:\\boot.ini"})
            m.WriteFile(f, "x", FILE_ATTRIBUTE_READONLY);
        const std::vector<std::string> all = {"C:\\WINDOWS\\inf", "C:\\WINDOWS\\x.sys",
                                              "C:\\WINDOWS\\system32\\drivers\\x.sys",
                                              "C:\\boot.ini"};
        std::vector<DWORD> before;
        for (const std::string& p : all) before.push_back(m.FileAttributes(p));
        EXPECT_EQ(m.SetFileAttributesA(c.path, FILE_ATTRIBUTE_HIDDEN), c.reaches ? TRUE : FALSE)
            << c.path;
        for (std::size_t i = 0; i < all.size(); ++i) {
            const bool reached = c.reaches != nullptr && all[i] == c.reaches;
            const DWORD expected =
                reached ? (before[i] & FILE_ATTRIBUTE_DIRECTORY) | FILE_ATTRIBUTE_HIDDEN
                        : before[i];
            EXPECT_EQ(m.FileAttributes(all[i]), expected) << c.path << " on " << all[i];
        }
    }
}

TEST(SimPaths, AFileOutsideTheWindowsFolderIsARealFile) {
    sim::Machine m;
    m.WriteFile("C:\\boot.ini", "[boot loader]", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_TRUE(m.FileExists("c:\\BOOT.INI"));
    EXPECT_EQ(m.FilesBelowWindows(), std::vector<std::string>{});
    EXPECT_EQ(m.DeleteFileA("C:\\boot.ini"), FALSE);  // read-only
    EXPECT_EQ(m.GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(m.SetFileAttributesA("C:\\WINDOWS\\..\\boot.ini", FILE_ATTRIBUTE_ARCHIVE), TRUE);
    EXPECT_EQ(m.DeleteFileA("C:\\WINDOWS\\..\\boot.ini"), TRUE);
    EXPECT_FALSE(m.FileExists("C:\\boot.ini"));
    EXPECT_EQ(m.DeleteFileA("C:\\boot.ini"), FALSE);
    EXPECT_EQ(m.GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(m.DeleteFileA("C:\\nowhere\\boot.ini"), FALSE);
    EXPECT_EQ(m.GetLastError(), ERROR_PATH_NOT_FOUND);
}

struct WidenCase {
    const char* label;
    UINT codePage;
    DWORD flags;
    std::string text;
    int cb;   // -1: up to and with the terminator
    int cch;  // capacity handed over
    int result;
    DWORD error;                // when result is 0
    std::u16string wide = u"";  // the characters written
};

TEST(SimCodePage, WidensAsCodePage1252) {
    const WidenCase cases[] = {
        {"ascii_with_terminator", CP_ACP, 0, "C:\\a.inf", -1, 16, 9, 0, u"C:\\a.inf"},
        {"counted_without_terminator", 1252, 0, "abc", 2, 16, 2, 0, u"ab"},
        {"size_query", CP_ACP, 0, "abc", -1, 0, 4, 0},
        {"high_bytes", CP_ACP, 0, "\x80\xE9\x9F\xA0\xFF", 5, 8, 5, 0,
         u"\u20AC\u00E9\u0178\u00A0\u00FF"},
        {"undefined_byte_to_its_control", CP_ACP, 0, "\x81", 1, 4, 1, 0, u"\u0081"},
        {"undefined_byte_refused", CP_ACP, 0x08, "a\x81", 2, 4, 0, sim::kErrorNoUnicodeTranslation},
        {"too_small", CP_ACP, 0, "abcd", -1, 3, 0, ERROR_INSUFFICIENT_BUFFER},
        {"other_code_page", 437, 0, "a", -1, 4, 0, ERROR_INVALID_PARAMETER},
        {"unknown_flag", CP_ACP, 0x80, "a", -1, 4, 0, sim::kErrorInvalidFlags},
        {"empty_count", CP_ACP, 0, "a", 0, 4, 0, ERROR_INVALID_PARAMETER},
    };
    for (const WidenCase& c : cases) {
        sim::Machine m;
        m.SetLastError(0);
        WCHAR out[16] = {};
        const int n = m.MultiByteToWideChar(c.codePage, c.flags, c.text.c_str(), c.cb,
                                            c.cch == 0 ? nullptr : out, c.cch);
        EXPECT_EQ(n, c.result) << c.label;
        if (n == 0) {
            EXPECT_EQ(m.GetLastError(), c.error) << c.label;
        } else if (c.cch != 0) {
            const std::u16string written(out, out + n);
            const std::u16string expected = c.cb == -1 ? c.wide + std::u16string(1, u'\0') : c.wide;
            EXPECT_EQ(written, expected) << c.label;
        }
    }
}

TEST(SimFileProtection, AnswersForTheProtectedPathsOnly) {
    sim::Machine m;
    m.ProtectFile("C:\\WINDOWS\\system32\\drivers\\ks.sys");
    m.ProtectFile("C:\\boot.ini");
    struct {
        const char16_t* path;
        BOOL protectedFile;
    } const cases[] = {
        {u"c:\\windows\\system32\\drivers\\ks.sys", TRUE},
        {u"C:\\Windows\\System32\\DRIVERS\\KS.SYS", TRUE},
        {u"c:\\windows\\inf\\..\\system32\\drivers\\ks.sys", TRUE},
        {u"c:\\boot.ini", TRUE},
        {u"c:\\windows\\system32\\drivers\\ks2.sys", FALSE},
        {u"c:\\windows\\system32\\drivers\\k\u4E00.sys", FALSE},
    };
    for (const auto& c : cases) {
        m.SetLastError(0);
        EXPECT_EQ(m.SfcIsFileProtected(nullptr, c.path), c.protectedFile);
        if (c.protectedFile == FALSE) {
            EXPECT_EQ(m.GetLastError(), ERROR_FILE_NOT_FOUND);
        }
    }
}

}  // namespace
