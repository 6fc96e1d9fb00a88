// Profile files, the version, the Windows directory, memory and strings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/sim/sim_machine.h"

namespace {

using namespace w32;

constexpr const char* kProfile =
    "; TV tuner profile\n"
    "[1]\n"
    "UnInstDrvAppTitle=Brelon Uninstall\n"
    "  DevIDNum  =  2  \n"
    "Empty=\n"
    "Quoted=\"  spaced  \"\n"
    "Single='x'\n"
    "Half=\"open\n"
    "Dup=first\n"
    "dup=second\n"
    ";Commented=yes\n"
    "NoEquals\n"
    "Long=0123456789\n"
    "Neg=-42abc\n"
    "Word=abc\n"
    "[49]\n"
    "DevIDNum=7\n"
    "[1]\n"
    "Later=only in the second section\n";

TEST(SimProfile, StringReadsFollowTheProfileRules) {
    struct Case {
        const char* section;
        const char* key;
        const char* def;
        DWORD size;
        const char* expected;
    };
    const Case cases[] = {
        {"1", "UnInstDrvAppTitle", "", 260, "Brelon Uninstall"},
        {"1", "devidnum", "0", 32, "2"},            // names without case, blanks trimmed
        {"  1 ", " DEVIDNUM ", "0", 32, "2"},       // the requested names are trimmed too
        {"1", "Empty", "default", 32, ""},          // present and empty: not the default
        {"1", "Absent", "default", 32, "default"},  // absent key
        {"2", "DevIDNum", "none", 32, "none"},      // absent section
        {"1", "Absent", nullptr, 32, ""},           // a NULL default counts as ""
        {"1", "Absent", "dflt   ", 32, "dflt"},     // trailing blanks of the default dropped
        {"1", "Quoted", "", 32, "  spaced  "},      // a pair of quotes goes, blanks inside stay
        {"1", "Single", "", 32, "x"},
        {"1", "Half", "", 32, "\"open"},      // an unpaired quote stays
        {"1", "Dup", "", 32, "first"},        // the first occurrence wins
        {"1", "Commented", "d", 32, "d"},     // ";Commented" is a key of its own
        {"1", ";Commented", "d", 32, "yes"},  // no comment syntax, as in Wine
        {"1", "NoEquals", "d", 32, "d"},      // a line without '=' has no value
        {"1", "Long", "", 5, "0123"},         // cut to capacity - 1
        {"1", "Long", "", 11, "0123456789"},
        {"1", "Long", "", 1, ""},
        {"49", "DevIDNum", "0", 32, "7"},
        {"1", "Later", "d", 32, "d"},  // only the first section of a name counts
    };
    sim::ScopedMachine m;
    m->WriteProfile(kProfile);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key + "/" + std::to_string(c.size));
        char buf[300];
        std::memset(buf, '#', sizeof buf);
        const DWORD n =
            m->GetPrivateProfileStringA(c.section, c.key, c.def, buf, c.size, "TVMuxDrv.ini");
        EXPECT_STREQ(buf, c.expected);
        EXPECT_EQ(n, std::strlen(c.expected));
        EXPECT_EQ(buf[c.size], '#');  // nothing written past the capacity
    }
}

TEST(SimProfile, FileIsFoundByBareNameOrWindowsPathAndReadAtEveryCall) {
    sim::ScopedMachine m;
    char buf[32];
    EXPECT_EQ(m->GetPrivateProfileStringA("intl", "iCountry", "d", buf, sizeof buf, "win.ini"), 1u);
    EXPECT_STREQ(buf, "d");  // no file yet
    EXPECT_EQ(m->GetLastError(), ERROR_FILE_NOT_FOUND);
    m->WriteProfile("[intl]\niCountry=49\n", "WIN.INI");
    for (const char* name : {"win.ini", "C:\\WINDOWS\\win.ini", "c:\\windows\\WIN.INI"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(m->GetPrivateProfileStringA("intl", "iCountry", "d", buf, sizeof buf, name), 2u);
        EXPECT_STREQ(buf, "49");
    }
    m->WriteProfile("[intl]\niCountry=886\n", "WIN.INI");
    EXPECT_EQ(m->GetPrivateProfileStringA("INTL", "ICOUNTRY", "d", buf, sizeof buf, "win.ini"), 3u);
    EXPECT_STREQ(buf, "886");
    // Paths outside the Windows folder do not exist on this machine.
    EXPECT_EQ(m->GetPrivateProfileStringA("intl", "iCountry", "d", buf, sizeof buf, "D:\\win.ini"),
              1u);
    EXPECT_STREQ(buf, "d");
}

TEST(SimProfile, IntReadsTakeTheLeadingDecimalDigits) {
    struct Case {
        const char* key;
        int def;
        UINT expected;
    };
    const Case cases[] = {
        {"DevIDNum", 1, 2}, {"Neg", 1, static_cast<UINT>(-42)},
        {"Word", 1, 0},   // present, no digits
        {"Empty", 5, 5},  // empty reads like absent
        {"Absent", 7, 7},   {"Long", 1, 123456789},
    };
    sim::ScopedMachine m;
    m->WriteProfile(kProfile);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(m->GetPrivateProfileIntA("1", c.key, c.def, "C:\\WINDOWS\\TVMuxDrv.ini"),
                  c.expected);
    }
    EXPECT_EQ(m->GetPrivateProfileIntA("intl", "iCountry", 1, "C:\\WINDOWS\\missing.ini"), 1u);
}

TEST(SimSystem, WindowsDirectoryFollowsTheBufferProtocol) {
    struct Case {
        UINT size;
        UINT result;
        const char* buffer;
    };
    const Case cases[] = {
        {0, 11, "untouched"},
        {10, 11, "untouched"},
        {11, 10, "C:\\WINDOWS"},
        {100, 10, "C:\\WINDOWS"},
    };
    sim::ScopedMachine m;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        char buf[100] = "untouched";
        EXPECT_EQ(m->GetWindowsDirectoryA(buf, c.size), c.result);
        EXPECT_STREQ(buf, c.buffer);
    }
    m->SetWindowsDirectory("D:\\WIN98");
    char buf[100];
    EXPECT_EQ(m->GetWindowsDirectoryA(buf, sizeof buf), 8u);
    EXPECT_STREQ(buf, "D:\\WIN98");
    // The folder on disk stands for the Windows directory whatever it is called.
    m->WriteFile("d:\\win98\\system32\\drivers\\a.sys");
    EXPECT_TRUE(
        std::filesystem::exists(m->WindowsFolderOnDisk() / "system32" / "drivers" / "a.sys"));
}

TEST(SimSystem, VersionIsReportedForTheRightStructureSizeOnly) {
    sim::ScopedMachine m;
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    ASSERT_EQ(m->GetVersionExA(&v), TRUE);
    EXPECT_EQ(v.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(v.dwMajorVersion, 5u);
    EXPECT_EQ(v.dwMinorVersion, 1u);
    EXPECT_EQ(v.dwBuildNumber, 2600u);

    m->SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222);
    ASSERT_EQ(m->GetVersionExA(&v), TRUE);
    EXPECT_EQ(v.dwPlatformId, 1u);
    EXPECT_EQ(v.dwMinorVersion, 10u);
    EXPECT_EQ(v.dwBuildNumber, 0x040A08AEu);  // 9x keeps the version in the high word

    for (DWORD size : {0u, 100u, 147u, 149u}) {
        SCOPED_TRACE(size);
        OSVERSIONINFOA bad{};
        bad.dwOSVersionInfoSize = size;
        EXPECT_EQ(m->GetVersionExA(&bad), FALSE);
        EXPECT_EQ(m->GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(bad.dwPlatformId, 0u);
    }
}

TEST(SimSystem, LocalBlocksAreRealAndAccounted) {
    sim::ScopedMachine m;
    auto* zeroed = static_cast<BYTE*>(m->LocalAlloc(LMEM_ZEROINIT, 64));
    auto* raw = static_cast<BYTE*>(m->LocalAlloc(LMEM_FIXED, 8));
    ASSERT_NE(zeroed, nullptr);
    ASSERT_NE(raw, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(zeroed[i], 0) << i;
    EXPECT_NE(raw[0], 0);  // not zero-filled unless asked
    std::vector<std::string> open = m->OpenHandles();
    std::sort(open.begin(), open.end());
    EXPECT_EQ(open, (std::vector<std::string>{"local block: 64 bytes", "local block: 8 bytes"}));
    EXPECT_EQ(m->LocalFree(zeroed), nullptr);
    EXPECT_EQ(m->LocalFree(raw), nullptr);
    EXPECT_TRUE(m->OpenHandles().empty());
    EXPECT_TRUE(m->HandleErrors().empty());
    // Freeing twice, or something LocalAlloc never gave, fails and is reported.
    EXPECT_EQ(m->LocalFree(raw), raw);
    EXPECT_EQ(m->GetLastError(), ERROR_INVALID_HANDLE);
    int local = 0;
    EXPECT_EQ(m->LocalFree(&local), &local);
    EXPECT_EQ(m->HandleErrors().size(), 2u);
    EXPECT_EQ(m->LocalFree(nullptr), nullptr);

    m->AddFault({"LocalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY, ""});
    EXPECT_EQ(m->LocalAlloc(LMEM_ZEROINIT, 16), nullptr);
    EXPECT_EQ(m->GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    HLOCAL second = m->LocalAlloc(LMEM_ZEROINIT, 16);
    EXPECT_NE(second, nullptr);
    m->LocalFree(second);
}

TEST(SimSystem, StringsCompareAndLowerAsciiLetters) {
    sim::ScopedMachine m;
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {"TV Capture", "tv capture", 0},
        {"TV Capture (2)", "tv capture", 1},
        {"tv", "TV Capture", -1},
        {"", "", 0},
        {"a", "B", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + "|" + c.b);
        const int r = m->lstrcmpiA(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign);
    }
    char path[] = "C:\\WINDOWS\\INF\\OEM12.INF";
    EXPECT_EQ(m->CharLowerA(path), path);
    EXPECT_STREQ(path, "c:\\windows\\inf\\oem12.inf");
    m->SetLastError(1234);
    EXPECT_EQ(m->GetLastError(), 1234u);
    m->Sleep(20);
    m->Sleep(20);
    EXPECT_EQ(m->TotalSleepMs(), 40u);
}

}  // namespace
