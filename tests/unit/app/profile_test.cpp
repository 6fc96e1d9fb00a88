// The profile loader: which section is used, the counts and rows, the order of reads, the
// country code, the class key rule, defaults and capacities.
#include <climits>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/uninst_app.h"
#include "unit/app/app_fixture.h"

namespace {

using apptest::AppTest;
using apptest::ProfileReads;

constexpr const char* kMediaClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}";
constexpr const char* kImageClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";

void SetCountry(sim::Machine& m, const std::string& code) {
    m.SetString(HKEY_CURRENT_USER, "Control Panel\\International", "iCountry", code);
}

// ---- which section -------------------------------------------------------------------------

struct SectionCase {
    const char* name;
    const char* profile;
    const char* section;
    std::int32_t devIdNum;
    const char* title;
    const char* okText;
};

TEST(Profile, TheTitleAloneDecidesTheSection) {
    const SectionCase cases[] = {
        {"titled country section without DevIDNum gets no rows from section 1",
         "[49]\nUnInstDrvAppTitle=Deinstallation\nOKText=Los\n"
         "[1]\nUnInstDrvAppTitle=Removal\nDevIDNum=2\nDevDrvID0=PCI\\A\nDevDrvID1=PCI\\B\n",
         "49", 0, "Deinstallation", "Los"},
        {"empty title: the country section is ignored in full",
         "[49]\nUnInstDrvAppTitle=\nDevIDNum=3\nOKText=Los\n"
         "[1]\nUnInstDrvAppTitle=Removal\nDevIDNum=1\nDevDrvID0=PCI\\A\n",
         "1", 1, "Removal", "OK"},
        {"no country section", "[1]\nUnInstDrvAppTitle=Removal\nOKText=Go\n", "1", 0, "Removal",
         "Go"},
        {"no titled section at all: the built-in title",
         "[7]\nUnInstDrvAppTitle=Seven\n[1]\nDevIDNum=1\n", "1", 1,
         "Brelon Tunara WDM Drivers Uninstallation", "OK"},
        {"key names match without regard to case", "[49]\nunINSTdrvAPPtitle=Klein\ndevidnum=1\n",
         "49", 1, "Klein", "OK"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ScopedMachine m;
        ResetProgramState();
        SetCountry(*m, "49");
        m->WriteProfile(c.profile);

        EXPECT_EQ(theApp.LoadProfile(), 1);

        EXPECT_STREQ(theApp.ProfileSection, c.section);
        EXPECT_EQ(theApp.DevIDNum, c.devIdNum);
        EXPECT_STREQ(theApp.UnInstDrvAppTitle, c.title);
        EXPECT_STREQ(theApp.OKText, c.okText);
        // Once the section is chosen, every read names it.
        const auto reads = ProfileReads(*m);
        ASSERT_GE(reads.size(), 2u);
        EXPECT_EQ(reads[0], "49|UnInstDrvAppTitle");
        for (std::size_t i = 1; i < reads.size(); ++i) {
            EXPECT_EQ(reads[i].substr(0, reads[i].find('|')), c.section) << reads[i];
        }
        EXPECT_TRUE(m->OpenHandles().empty());
    }
}

// ---- counts and rows -----------------------------------------------------------------------

TEST(Profile, ParseHexCountReadsTheLeadingHexDigitsAsOneWrappingNumber) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"", 0},
        {"0", 0},
        {"7", 7},
        {"F", 15},
        {"f", 15},
        {"10", 16},
        {"A", 10},
        {"c", 12},
        {"b", 11},
        {"aB", 0xAB},
        {"7FFFFFFF", INT_MAX},
        {"80000000", INT_MIN},
        {"FFFFFFFF", -1},
        {"ffffffff", -1},
        // Digits left of the eighth from the right add nothing.
        {"123456789", 0x23456789},
        {"1FFFFFFFF", -1},
        // The first character that is not a hex digit ends the number.
        {"A ; ten tuners", 10},
        {"12x4", 0x12},
        {"-1", 0},
        {"+5", 0},
        {" 5", 0},
        {"g", 0},
        {"0x10", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CUninstApp::ParseHexCount(c.text), c.value) << '"' << c.text << '"';
    }
}

// The row indices of the keys "<base><i>" that the loader read.
std::vector<int> RowsRead(sim::Machine& m, const std::string& base) {
    std::vector<int> rows;
    for (const auto& r : ProfileReads(m)) {
        const std::string key = r.substr(r.find('|') + 1);
        if (key.size() > base.size() && key.compare(0, base.size(), base) == 0 &&
            key.find_first_not_of("0123456789", base.size()) == std::string::npos) {
            rows.push_back(std::stoi(key.substr(base.size())));
        }
    }
    return rows;
}

std::vector<int> Range(int n) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(i);
    return v;
}

TEST(Profile, DevIDNumIsHexadecimalAndBoundsTheRowsRead) {
    const struct {
        std::optional<std::string> line;  // absent: no DevIDNum line
        std::int32_t count;
        int rows;
    } cases[] = {
        {"DevIDNum=A", 10, 10},
        {"DevIDNum=c", 12, 12},
        {"DevIDNum=1", 1, 1},
        {"DevIDNum=F", 15, 15},
        {"DevIDNum=", 0, 0},
        {std::nullopt, 0, 0},
        {"DevIDNum=FFFFFFFF", -1, 0},
        {"DevIDNum=80000000", INT_MIN, 0},
        // More rows than the tables hold: the count is stored as 15 and rows 0 to 14 are read.
        {"DevIDNum=10", 15, 15},
        {"DevIDNum=FF", 15, 15},
        {"DevIDNum=7FFFFFFF", 15, 15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.value_or("(no line)"));
        sim::ScopedMachine m;
        ResetProgramState();
        std::string profile = "[1]\n";
        if (c.line) profile += *c.line + "\n";
        for (int i = 0; i < 20; ++i)
            profile += "DevDrvID" + std::to_string(i) + "=ID" + std::to_string(i) + "\n";
        m->WriteProfile(profile);

        theApp.LoadProfile();

        EXPECT_EQ(theApp.DevIDNum, c.count);
        for (const char* base : {"DevDrvID", "DevDrvName", "DevDrvSYS", "DevDrvINF"}) {
            EXPECT_EQ(RowsRead(*m, base), Range(c.rows)) << base;
        }
        for (int i = 0; i < c.rows; ++i) {
            EXPECT_EQ(std::string(theApp.DevTable[i].ID), "ID" + std::to_string(i));
        }
    }
}

TEST(Profile, EveryTableAndListIsClampedToFifteenRows) {
    const struct {
        const char* countKey;
        std::vector<const char*> rowKeys;
        std::function<std::int32_t()> count;
    } tables[] = {
        {"DevIDNum",
         {"DevDrvID", "DevDrvName", "DevDrvSYS", "DevDrvINF"},
         [] { return theApp.DevIDNum; }},
        {"ExtDevIDNum",
         {"ExtDevDrvID", "ExtDevDrvName", "ExtDevDrvSYS", "ExtDevDrvINF"},
         [] { return theApp.ExtDevIDNum; }},
        {"ExtDllFileNum", {"ExtCopyFileName"}, [] { return theApp.ExtDllFileNum; }},
        {"PossibleDevIDNum",
         {"PossibleDevID", "PossibleDevDrvName", "PossibleDevDrvSYS", "PossibleDevInf"},
         [] { return theApp.PossibleDevIDNum; }},
        {"UnInstServiceNum", {"UnInstService"}, [] { return theApp.UnInstServiceNum; }},
    };
    for (const auto& t : tables) {
        SCOPED_TRACE(t.countKey);
        sim::ScopedMachine m;
        ResetProgramState();
        m->WriteProfile(std::string("[1]\n") + t.countKey + "=1F\n");

        theApp.LoadProfile();

        EXPECT_EQ(t.count(), 15);
        for (const char* key : t.rowKeys) EXPECT_EQ(RowsRead(*m, key), Range(15)) << key;
    }
}

TEST_F(AppTest, RowKeysCarryDecimalSuffixes) {
    m->WriteProfile(
        "[1]\nDevIDNum=c\nDevDrvIDa=hex-named\nDevDrvID10=ten\nDevDrvID11=eleven\n"
        "UnInstServiceNum=b\nUnInstService10=last\nUnInstService11=beyond\n");

    theApp.LoadProfile();

    EXPECT_EQ(theApp.DevIDNum, 12);
    EXPECT_STREQ(theApp.DevTable[10].ID, "ten");
    EXPECT_STREQ(theApp.DevTable[11].ID, "eleven");
    EXPECT_EQ(theApp.UnInstServiceNum, 11);
    EXPECT_STREQ(theApp.ServiceNames[10], "last");
    EXPECT_STREQ(theApp.ServiceNames[11], "");
    EXPECT_EQ(RowsRead(*m, "UnInstService"), Range(11));
}

// ---- the order of reads and which key fills which field ------------------------------------

TEST_F(AppTest, ReadsEveryKeyInOrderIntoItsOwnField) {
    // Every value names its own key, so a key read into the wrong field shows.
    const std::vector<std::string> rowKeys = {
        "DevDrvID0", "DevDrvName0", "DevDrvSYS0", "DevDrvINF0", "ExtDevDrvID0", "ExtDevDrvName0",
        "ExtDevDrvSYS0", "ExtDevDrvINF0", "ExtCopyFileName0", "PossibleDevID0",
        "PossibleDevDrvName0", "PossibleDevDrvSYS0", "PossibleDevInf0", "DrvUninstRegKeyPath",
        "DrvUninstRegKeyName", "DrvUninstAppName", "MediaClass", "UnInstNoRegKeyMsg",
        "UnInstDrvPassMsg", "UnInstDrvPassMsg2", "UnInstDrvRunTipMsg", "UnInstService0", "OKText",
        "UnInstRemoteTitleName", "UnInstDevMissingMsg",
        // Spellings the program must not use for the candidate table.
        "PossibleDevDrvID0", "PossibleDevDrvINF0"};
    std::string profile =
        "[1]\nUnInstDrvAppTitle=v-UnInstDrvAppTitle\nDevIDNum=1\nExtDevIDNum=1\n"
        "ExtDllFileNum=1\nPossibleDevIDNum=1\nUnInstServiceNum=1\n";
    for (const auto& k : rowKeys) profile += k + "=v-" + k + "\n";
    m->WriteProfile(profile);
    SetCountry(*m, "49");

    theApp.LoadProfile();

    const std::vector<std::string> expected = {"49|UnInstDrvAppTitle",
                                               "1|UnInstDrvAppTitle",
                                               "1|DevIDNum",
                                               "1|DevDrvID0",
                                               "1|DevDrvName0",
                                               "1|DevDrvSYS0",
                                               "1|DevDrvINF0",
                                               "1|ExtDevIDNum",
                                               "1|ExtDevDrvID0",
                                               "1|ExtDevDrvName0",
                                               "1|ExtDevDrvSYS0",
                                               "1|ExtDevDrvINF0",
                                               "1|ExtDllFileNum",
                                               "1|ExtCopyFileName0",
                                               "1|PossibleDevIDNum",
                                               "1|PossibleDevID0",
                                               "1|PossibleDevDrvName0",
                                               "1|PossibleDevDrvSYS0",
                                               "1|PossibleDevInf0",
                                               "1|DrvUninstRegKeyPath",
                                               "1|DrvUninstRegKeyName",
                                               "1|DrvUninstAppName",
                                               "1|MediaClass",
                                               "1|UnInstNoRegKeyMsg",
                                               "1|UnInstDrvPassMsg",
                                               "1|UnInstDrvPassMsg2",
                                               "1|UnInstDrvRunTipMsg",
                                               "1|UnInstServiceNum",
                                               "1|UnInstService0",
                                               "1|OKText",
                                               "1|UnInstRemoteTitleName",
                                               "1|UnInstDevMissingMsg"};
    EXPECT_EQ(ProfileReads(*m), expected);

    const struct {
        const char* key;
        const char* field;
    } fields[] = {
        {"UnInstDrvAppTitle", theApp.UnInstDrvAppTitle},
        {"DevDrvID0", theApp.DevTable[0].ID},
        {"DevDrvName0", theApp.DevTable[0].Name},
        {"DevDrvSYS0", theApp.DevTable[0].SYS},
        {"DevDrvINF0", theApp.DevTable[0].INF},
        {"ExtDevDrvID0", theApp.ExtDevTable[0].ID},
        {"ExtDevDrvName0", theApp.ExtDevTable[0].Name},
        {"ExtDevDrvSYS0", theApp.ExtDevTable[0].SYS},
        {"ExtDevDrvINF0", theApp.ExtDevTable[0].INF},
        {"ExtCopyFileName0", theApp.ExtCopyFiles[0]},
        {"PossibleDevID0", theApp.PossibleDevTable[0].ID},
        {"PossibleDevDrvName0", theApp.PossibleDevTable[0].Name},
        {"PossibleDevDrvSYS0", theApp.PossibleDevTable[0].SYS},
        {"PossibleDevInf0", theApp.PossibleDevTable[0].INF},
        {"DrvUninstRegKeyPath", theApp.DrvUninstRegKeyPath},
        {"DrvUninstRegKeyName", theApp.DrvUninstRegKeyName},
        {"DrvUninstAppName", theApp.DrvUninstAppName},
        {"MediaClass", theApp.MediaClass},
        {"UnInstNoRegKeyMsg", theApp.UnInstNoRegKeyMsg},
        {"UnInstDrvPassMsg", theApp.UnInstDrvPassMsg},
        {"UnInstDrvPassMsg2", theApp.UnInstDrvPassMsg2},
        {"UnInstDrvRunTipMsg", theApp.UnInstDrvRunTipMsg},
        {"UnInstService0", theApp.ServiceNames[0]},
        {"OKText", theApp.OKText},
        {"UnInstRemoteTitleName", theApp.UnInstRemoteTitleName},
        {"UnInstDevMissingMsg", theApp.UnInstDevMissingMsg},
    };
    for (const auto& f : fields) EXPECT_EQ(std::string(f.field), std::string("v-") + f.key);
    EXPECT_EQ(theApp.DevIDNum, 1);
    EXPECT_EQ(theApp.ExtDevIDNum, 1);
    EXPECT_EQ(theApp.ExtDllFileNum, 1);
    EXPECT_EQ(theApp.PossibleDevIDNum, 1);
    EXPECT_EQ(theApp.UnInstServiceNum, 1);
}

// ---- defaults and capacities ---------------------------------------------------------------

TEST_F(AppTest, WithoutAProfileEveryFieldHasItsDefault) {
    theApp.LoadProfile();

    EXPECT_STREQ(theApp.ProfileSection, "1");
    EXPECT_STREQ(theApp.UnInstDrvAppTitle, "Brelon Tunara WDM Drivers Uninstallation");
    EXPECT_STREQ(theApp.DrvUninstRegKeyPath, "");
    EXPECT_STREQ(theApp.DrvUninstRegKeyName, "Brelon Tunara WDM Drivers");
    EXPECT_STREQ(theApp.DrvUninstAppName, "zq4unist.exe");
    EXPECT_STREQ(theApp.MediaClass, "Yes");
    EXPECT_STREQ(theApp.UnInstNoRegKeyMsg, "You do not install Brelon Tunara WDM Drivers.");
    EXPECT_STREQ(theApp.UnInstDrvPassMsg,
                 "Brelon Tunara WDM Drivers have been uninstalled completely.");
    EXPECT_STREQ(theApp.UnInstDrvPassMsg2,
                 "If you want to re-install drivers, you MUST reboot your system.");
    EXPECT_STREQ(theApp.UnInstDrvRunTipMsg, "Press 'OK' to start ...");
    EXPECT_STREQ(theApp.UnInstRemoteTitleName, "Remote Control");
    EXPECT_STREQ(theApp.OKText, "OK");
    EXPECT_EQ(theApp.DevIDNum, 0);
    EXPECT_EQ(theApp.ExtDevIDNum, 0);
    EXPECT_EQ(theApp.ExtDllFileNum, 0);
    EXPECT_EQ(theApp.PossibleDevIDNum, 0);
    EXPECT_EQ(theApp.UnInstServiceNum, 0);
    EXPECT_STREQ(theApp.DevTable[0].ID, "");
    EXPECT_TRUE(m->OpenHandles().empty());
}

TEST(Profile, ValuesAreCutToTheirCapacityLessOne) {
    const struct {
        const char* key;
        std::function<const char*()> field;
        std::size_t capacity;
    } cases[] = {
        {"UnInstDrvAppTitle", [] { return theApp.UnInstDrvAppTitle; }, 260},
        {"OKText", [] { return theApp.OKText; }, 32},
        {"DevDrvID0", [] { return theApp.DevTable[0].ID; }, 128},
        {"DevDrvINF0", [] { return theApp.DevTable[0].INF; }, 128},
        {"ExtCopyFileName0", [] { return theApp.ExtCopyFiles[0]; }, 260},
        {"PossibleDevInf0", [] { return theApp.PossibleDevTable[0].INF; }, 128},
        {"DrvUninstRegKeyName", [] { return theApp.DrvUninstRegKeyName; }, 128},
        {"MediaClass", [] { return theApp.MediaClass; }, 128},
        {"UnInstService0", [] { return theApp.ServiceNames[0]; }, 260},
        {"UnInstRemoteTitleName", [] { return theApp.UnInstRemoteTitleName; }, 260},
        {"UnInstDevMissingMsg", [] { return theApp.UnInstDevMissingMsg; }, 260},
    };
    std::string long400;
    for (int i = 0; i < 400; ++i) long400 += static_cast<char>('a' + i % 26);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        sim::ScopedMachine m;
        ResetProgramState();
        m->WriteProfile(std::string("[1]\nDevIDNum=1\nExtDllFileNum=1\nPossibleDevIDNum=1\n"
                                    "UnInstServiceNum=1\n") +
                        c.key + "=" + long400 + "\n");

        theApp.LoadProfile();

        EXPECT_EQ(std::string(c.field()), long400.substr(0, c.capacity - 1));
    }
}

TEST_F(AppTest, CountsReadFromLongTextsStillParse) {
    // The count's text holds 31 characters: a longer line is cut before it is parsed.
    m->WriteProfile("[1]\nDevIDNum=000000000000000000000000000000A\nExtDevIDNum=" +
                    std::string(31, '0') + "5\n");

    theApp.LoadProfile();

    EXPECT_EQ(theApp.DevIDNum, 10);
    EXPECT_EQ(theApp.ExtDevIDNum, 0);
}

// ---- the country code ----------------------------------------------------------------------

struct CountryCase {
    const char* name;
    DWORD platform, major, minor;
    std::function<void(sim::Machine&)> setUp;
    int code;
    bool registryBranch;
};

TEST(Profile, CountryCodeComesFromTheRegistryOnNt5AndLaterElseFromWinIni) {
    const auto reg = [](const std::string& v) {
        return [v](sim::Machine& machine) { SetCountry(machine, v); };
    };
    const auto both = [](const std::string& v, const std::string& winIni) {
        return [v, winIni](sim::Machine& machine) {
            SetCountry(machine, v);
            machine.WriteProfile("[intl]\niCountry=" + winIni + "\n", "win.ini");
        };
    };
    const CountryCase cases[] = {
        {"NT 5.1", 2, 5, 1, both("49", "44"), 49, true},
        {"NT 6.1, six digits: the first five", 2, 6, 1, reg("123456"), 12345, true},
        {"NT 5.0", 2, 5, 0, reg("886"), 886, true},
        {"NT 10", 2, 10, 0, reg("1"), 1, true},
        {"non-digits are folded alike", 2, 5, 1, reg("4a"), 4 * 10 + ('a' - '0'), true},
        {"a sign is folded alike", 2, 5, 1, reg("-1"), ('-' - '0') * 10 + 1, true},
        {"empty value", 2, 5, 1, reg(""), 0, true},
        {"value type is not examined", 2, 5, 1,
         [](sim::Machine& machine) {
             machine.SetBinary(HKEY_CURRENT_USER, "Control Panel\\International", "iCountry",
                               {'3', '3'});
         },
         33, true},
        {"no International key: 1", 2, 5, 1, [](sim::Machine&) {}, 1, true},
        {"no iCountry value: 1", 2, 5, 1,
         [](sim::Machine& machine) {
             machine.CreateKey(HKEY_CURRENT_USER, "Control Panel\\International");
         },
         1, true},
        {"value too long for its buffer: 1", 2, 5, 1, reg(std::string(40, '7')), 1, true},
        {"NT 4.0 reads win.ini", 2, 4, 0, both("49", "44"), 44, false},
        {"9x reads win.ini", 1, 4, 10, both("49", "33"), 33, false},
        {"9x without win.ini", 1, 4, 10, reg("49"), 1, false},
        {"9x, win.ini without the key", 1, 4, 10,
         [](sim::Machine& machine) { machine.WriteProfile("[intl]\nsCountry=X\n", "win.ini"); }, 1,
         false},
        {"another platform id reads win.ini", 3, 5, 0, both("49", "61"), 61, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ScopedMachine m;
        ResetProgramState();
        m->SetVersion(c.platform, c.major, c.minor);
        c.setUp(*m);

        EXPECT_EQ(theApp.GetCountryCode(), c.code);

        EXPECT_EQ(m->CallCount("RegOpenKeyA"), c.registryBranch ? 1 : 0);
        EXPECT_EQ(m->CallCount("GetPrivateProfileIntA"), c.registryBranch ? 0 : 1);
        if (!c.registryBranch) {
            EXPECT_GE(apptest::FirstCall(*m, "GetPrivateProfileIntA",
                                         "intl|iCountry|C:\\WINDOWS\\win.ini"),
                      0);
        } else {
            EXPECT_GE(apptest::FirstCall(*m, "RegOpenKeyA", "HKCU\\Control Panel\\International"),
                      0);
        }
        EXPECT_TRUE(m->OpenHandles().empty());
    }
}

TEST(Profile, TheCountryCodeNamesTheSection) {
    const struct {
        const char* value;
        const char* section;
    } cases[] = {
        {"49", "49"},
        {"123456", "12345"},
        {"-1", "-29"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        sim::ScopedMachine m;
        ResetProgramState();
        SetCountry(*m, c.value);
        m->WriteProfile(std::string("[") + c.section + "]\nUnInstDrvAppTitle=Here\n");

        theApp.LoadProfile();

        EXPECT_STREQ(theApp.ProfileSection, c.section);
        EXPECT_STREQ(theApp.UnInstDrvAppTitle, "Here");
    }
}

TEST_F(AppTest, AWindowsDirectoryTooLongForWinIniGivesCountryOne) {
    m->SetVersion(1, 4, 10);
    m->SetWindowsDirectory("C:\\" + std::string(130, 'w'));

    EXPECT_EQ(theApp.GetCountryCode(), 1);
    EXPECT_EQ(m->CallCount("GetPrivateProfileIntA"), 0);
}

// ---- the class key -------------------------------------------------------------------------

TEST(Profile, MediaClassBeginningWithNoSelectsTheImageClass) {
    const struct {
        std::optional<std::string> value;  // absent: no MediaClass line
        const char* path;
    } cases[] = {
        {"No", kImageClassKey},         {"no", kImageClassKey}, {"NONE", kImageClassKey},
        {"Nope", kImageClassKey},       {"nO", kImageClassKey}, {"Yes", kMediaClassKey},
        {"Media", kMediaClassKey},      {"N", kMediaClassKey},  {"", kMediaClassKey},
        {std::nullopt, kMediaClassKey},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.value_or("(no line)"));
        sim::ScopedMachine m;
        ResetProgramState();
        std::string profile = "[1]\n";
        if (c.value) profile += "MediaClass=" + *c.value + "\n";
        m->WriteProfile(profile);
        theApp.LoadProfile();
        // A previous path must be overwritten, not kept.
        std::memset(ClassKeyPath, 'x', sizeof ClassKeyPath - 1);

        SelectClassKeyPath();

        EXPECT_STREQ(ClassKeyPath, c.path);
        EXPECT_EQ(std::strlen(ClassKeyPath), 77u);
    }
}

TEST_F(AppTest, MediaClassIsComparedAsStoredAfterLoading) {
    // The profile reader trims blanks, so " No" in the file reads as "No"; set directly, a
    // leading blank does not begin with "No".
    std::strcpy(theApp.MediaClass, " No");
    SelectClassKeyPath();
    EXPECT_STREQ(ClassKeyPath, kMediaClassKey);
    std::strcpy(theApp.MediaClass, "NoSuchClass");
    SelectClassKeyPath();
    EXPECT_STREQ(ClassKeyPath, kImageClassKey);
}

}  // namespace
