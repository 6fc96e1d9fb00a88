// Start-up: the installed-product check, the warning, the dialog, and the program-wide state.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/uninst_app.h"
#include "unit/app/app_fixture.h"
#include "win9x/enum_keys.h"

namespace {

using apptest::AppTest;
using apptest::FirstCall;

constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kProduct = "Brelon Tunara WDM Drivers";

std::string Entry(const std::string& subkey) {
    return std::string(kUninstall) + "\\" + subkey;
}

void AddEntry(sim::Machine& m, const std::string& subkey, const std::string& displayName) {
    m.SetString(HKEY_LOCAL_MACHINE, Entry(subkey), "DisplayName", displayName);
}

// Where a 32-bit program's entry lies on 64-bit Windows.
std::string Wow32Entry(const std::string& subkey) {
    return "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + subkey;
}

constexpr const char* kWarningProfile =
    "[1]\nUnInstDrvAppTitle=Tuner Removal\nUnInstNoRegKeyMsg=Nothing to remove here.\n";

struct CheckCase {
    const char* name;
    const char* profile;
    std::function<void(sim::Machine&)> setUp;
};

TEST(StartUp, WithoutTheProductTheWarningIsTheOnlyWindow) {
    const CheckCase cases[] = {
        {"no Uninstall key", kWarningProfile, [](sim::Machine&) {}},
        {"an empty Uninstall key", kWarningProfile,
         [](sim::Machine& machine) { machine.CreateKey(HKEY_LOCAL_MACHINE, kUninstall); }},
        {"no entry shows the name", kWarningProfile,
         [](sim::Machine& machine) {
             AddEntry(machine, "OtherPlayer", "Other Player");
             machine.CreateKey(HKEY_LOCAL_MACHINE, Entry("NoName"));
         }},
        {"a name that merely begins with the product's", kWarningProfile,
         [](sim::Machine& machine) {
             AddEntry(machine, "Brelon", "Brelon Tunara WDM Drivers 3.1");
         }},
        {"a name that is the beginning of the product's", kWarningProfile,
         [](sim::Machine& machine) { AddEntry(machine, "Brelon", "Brelon Tunara WDM"); }},
        {"the Uninstall key cannot be opened with full access", kWarningProfile,
         [](sim::Machine& machine) {
             AddEntry(machine, "Brelon", kProduct);
             machine.DenyFullAccess(HKEY_LOCAL_MACHINE, kUninstall);
         }},
        {"the product's entry cannot be opened with full access", kWarningProfile,
         [](sim::Machine& machine) {
             AddEntry(machine, "Brelon", kProduct);
             machine.DenyFullAccess(HKEY_LOCAL_MACHINE, Entry("Brelon"));
         }},
        {"a display name too long for the buffer counts as empty", kWarningProfile,
         [](sim::Machine& machine) {
             AddEntry(machine, "Brelon", std::string(kProduct) + std::string(300, ' '));
         }},
        {"an enumeration error ends the search", kWarningProfile,
         [](sim::Machine& machine) {
             AddEntry(machine, "A", "Other");
             AddEntry(machine, "B", kProduct);
             machine.AddFault({"RegEnumKeyExA", 2, ERROR_ACCESS_DENIED, ""});
         }},
        {"an unreadable display name counts as empty", kWarningProfile,
         [](sim::Machine& machine) {
             AddEntry(machine, "Brelon", kProduct);
             machine.AddFault({"RegQueryValueExA", 0, ERROR_ACCESS_DENIED, "DisplayName"});
         }},
        {"32-bit Windows has one view: Wow6432Node is just a key there", kWarningProfile,
         [](sim::Machine& machine) {
             machine.SetString(HKEY_LOCAL_MACHINE, Wow32Entry("Brelon"), "DisplayName", kProduct);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ScopedMachine m;
        ResetProgramState();
        m->WriteProfile(c.profile);
        c.setUp(*m);

        EXPECT_EQ(mfc::AfxWinMain(), 0);  // nothing to do

        ASSERT_EQ(m->MessageBoxes().size(), 1u);
        const auto& box = m->MessageBoxes()[0];
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.text, "Nothing to remove here.");
        EXPECT_EQ(box.caption, "Tuner Removal");
        EXPECT_EQ(box.type, MB_ICONWARNING);
        EXPECT_TRUE(m->Dialogs().empty());
        EXPECT_EQ(m->CallCount("DialogBoxParamA"), 0);
        EXPECT_EQ(m->CallCount("LoadIconA"), 0);
        EXPECT_TRUE(m->OpenHandles().empty());
        EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    }
}

TEST(StartUp, WithTheProductTheDialogRuns) {
    const char* const profile = "[1]\nUnInstDrvAppTitle=Tuner Removal\n";
    const char* const emptyName = "[1]\nUnInstDrvAppTitle=Tuner Removal\nDrvUninstRegKeyName=\n";
    const CheckCase cases[] = {
        {"the same name", profile,
         [](sim::Machine& machine) { AddEntry(machine, "Brelon", kProduct); }},
        {"the name in other letter case", profile,
         [](sim::Machine& machine) { AddEntry(machine, "x", "BRELON tunara wdm DRIVERS"); }},
        {"any subkey name, after other entries", profile,
         [](sim::Machine& machine) {
             AddEntry(machine, "Acrobat", "Reader");
             machine.CreateKey(HKEY_LOCAL_MACHINE, Entry("Blank"));
             AddEntry(machine, "{0A1B2C3D-0000-1111-2222-333344445555}", kProduct);
         }},
        {"an entry that cannot be opened is skipped", profile,
         [](sim::Machine& machine) {
             AddEntry(machine, "A", kProduct);
             machine.DenyFullAccess(HKEY_LOCAL_MACHINE, Entry("A"));
             AddEntry(machine, "B", kProduct);
         }},
        {"the name length is reset before each enumeration", profile,
         [](sim::Machine& machine) {
             AddEntry(machine, "A" + std::string(9, 'a'), "Other");
             AddEntry(machine, "B" + std::string(250, 'b'), kProduct);
         }},
        {"the value size is reset before each query", profile,
         [](sim::Machine& machine) {
             AddEntry(machine, "A", "ab");
             AddEntry(machine, "B", kProduct);
         }},
        {"a display name stored without its terminator", profile,
         [](sim::Machine& machine) {
             // The entry read before it leaves a longer name in the buffer.
             AddEntry(machine, "A", std::string(kProduct) + " 3.1 beta");
             const std::string name = kProduct;
             machine.SetBinary(HKEY_LOCAL_MACHINE, Entry("Raw"), "DisplayName",
                               std::vector<BYTE>(name.begin(), name.end()), REG_SZ);
         }},
        {"an empty product name matches the first entry without a DisplayName", emptyName,
         [](sim::Machine& machine) {
             AddEntry(machine, "A", "Other");
             machine.CreateKey(HKEY_LOCAL_MACHINE, Entry("B"));
         }},
        {"an empty product name matches an empty DisplayName", emptyName,
         [](sim::Machine& machine) {
             AddEntry(machine, "A", "Other");
             AddEntry(machine, "B", "");
         }},
        {"64-bit Windows: the 32-bit installer's entry in the 32-bit view", profile,
         [](sim::Machine& machine) {
             machine.Set64BitWindows();
             AddEntry(machine, "Other", "Other");
             machine.SetString(HKEY_LOCAL_MACHINE, Wow32Entry("Brelon"), "DisplayName", kProduct);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ScopedMachine m;
        ResetProgramState();
        m->WriteProfile(c.profile);
        c.setUp(*m);
        m->ScriptUser({sim::UserAction::PressEscape});

        EXPECT_EQ(mfc::AfxWinMain(), 1602);  // cancelled

        ASSERT_EQ(m->Dialogs().size(), 1u);
        EXPECT_EQ(m->Dialogs()[0].templateId, 102);
        EXPECT_EQ(m->Dialogs()[0].parent, nullptr);
        EXPECT_EQ(m->Dialogs()[0].result, IDCANCEL);
        EXPECT_TRUE(m->MessageBoxes().empty());
        EXPECT_TRUE(m->OpenHandles().empty());
        // The dialog object is gone: the application no longer points at it.
        EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    }
}

// The 32-bit build on 64-bit Windows does no run of its own: it starts the 64-bit one beside it
// with its own arguments, waits for it and ends with its exit code, or says to run it. It takes
// no part in the one-run lock, which the 64-bit one takes for itself.
TEST(StartUp, UnderWow64TheRunIsHandedToThe64BitUninstaller) {
    for (const bool beside : {true, false}) {
        for (const char* arguments : {"", "-S /LOG=\"C:\\My Logs\\t.log\""}) {
            SCOPED_TRACE(std::string(beside ? "tvuninst64.exe beside it" : "alone") + " " +
                         arguments);
            sim::ScopedMachine m;
            ResetProgramState();
            m->SetVersion(VER_PLATFORM_WIN32_NT, 10, 0, 19045);
            m->Set64BitWindows(true);
            m->SetModuleFileName("C:\\Downloads\\tvuninst.exe");
            m->SetCommandLine(arguments);
            m->SetStartedProcessExitCode(3010);
            if (beside) m->WriteExe("C:\\Downloads\\tvuninst64.exe");
            m->WriteProfile("[1]\nUnInstDrvAppTitle=Tuner Removal\n");
            AddEntry(*m, "Brelon", kProduct);
            m->ScriptUser({sim::UserAction::ClickOk});

            EXPECT_EQ(mfc::AfxWinMain(), beside ? 3010 : 1603);

            EXPECT_TRUE(m->Dialogs().empty());
            EXPECT_EQ(m->CallCount("RegOpenKeyExA"), 0);
            EXPECT_EQ(m->CallCount("CreateMutexA"), 0);
            EXPECT_TRUE(m->OpenHandles().empty());
            const bool silent = *arguments != '\0';
            if (beside) {
                EXPECT_EQ(m->StartedProcesses(),
                          std::vector<std::string>{"\"C:\\Downloads\\tvuninst64.exe\"" +
                                                   std::string(silent ? " " : "") + arguments});
                EXPECT_EQ(m->CallCount("WaitForSingleObject"), 1);
                EXPECT_TRUE(m->MessageBoxes().empty());
            } else if (silent) {
                EXPECT_TRUE(m->MessageBoxes().empty());
            } else {
                EXPECT_TRUE(m->StartedProcesses().empty());
                ASSERT_EQ(m->MessageBoxes().size(), 1u);
                EXPECT_EQ(m->MessageBoxes()[0].caption, "Tuner Removal");
                EXPECT_NE(m->MessageBoxes()[0].text.find("tvuninst64.exe"), std::string::npos);
            }
        }
    }
}

TEST_F(AppTest, TheSearchStopsAtTheFirstMatch) {
    AddEntry(*m, "A", kProduct);
    AddEntry(*m, "B", kProduct);
    theApp.LoadProfile();

    EXPECT_EQ(theApp.IsProductInstalled(), 1);

    EXPECT_EQ(m->CallCount("RegEnumKeyExA"), 1);
    EXPECT_EQ(FirstCall(*m, "RegOpenKeyExA", Entry("B")), -1);
    EXPECT_TRUE(m->OpenHandles().empty());
}

TEST_F(AppTest, TheCheckOpensEveryKeyWithFullAccess) {
    AddEntry(*m, "A", "Other");
    AddEntry(*m, "B", kProduct);
    theApp.LoadProfile();

    EXPECT_EQ(theApp.IsProductInstalled(), 1);

    int opens = 0;
    for (const auto& call : m->Calls()) {
        if (call.api != "RegOpenKeyExA") continue;
        ++opens;
        EXPECT_NE(call.args.find("|0xf003f"), std::string::npos) << call.args;
    }
    EXPECT_EQ(opens, 3);
    EXPECT_GE(FirstCall(*m, "RegOpenKeyExA", std::string("HKLM\\") + kUninstall), 0);
}

TEST_F(AppTest, InitInstanceReturnsFalseOnBothPaths) {
    theApp.m_hInstance = m->GetModuleHandleA(nullptr);
    EXPECT_EQ(theApp.InitInstance(), FALSE);
    EXPECT_EQ(m->MessageBoxes().size(), 1u);

    AddEntry(*m, "Brelon", kProduct);
    m->ScriptUser({sim::UserAction::PressEscape});
    EXPECT_EQ(theApp.InitInstance(), FALSE);
    EXPECT_EQ(m->Dialogs().size(), 1u);
    EXPECT_EQ(m->MessageBoxes().size(), 1u);
}

TEST_F(AppTest, StartUpRunsItsStepsInOrder) {
    AddEntry(*m, "Brelon", kProduct);
    m->ScriptUser({sim::UserAction::PressEscape});

    mfc::AfxWinMain();

    EXPECT_TRUE(m->CommonControlsInitialised());
    const long module = FirstCall(*m, "GetModuleHandleA");
    const long controls = FirstCall(*m, "InitCommonControls");
    const long profile = FirstCall(*m, "GetPrivateProfileStringA");
    const long check = FirstCall(*m, "RegOpenKeyExA", kUninstall);
    const long icon = FirstCall(*m, "LoadIconA");
    const long dialog = FirstCall(*m, "DialogBoxParamA");
    ASSERT_GE(module, 0);
    EXPECT_LT(module, controls);
    EXPECT_LT(controls, profile);
    EXPECT_LT(profile, check);
    EXPECT_LT(check, icon);
    EXPECT_LT(icon, dialog);
    EXPECT_EQ(theApp.m_hInstance, m->GetModuleHandleA(nullptr));
}

TEST_F(AppTest, ResetProgramStateEmptiesEveryPieceOfProgramWideState) {
    m->WriteProfile(
        "[1]\nDevIDNum=2\nDevDrvID0=PCI\\A\nExtDevIDNum=1\nExtDllFileNum=1\n"
        "ExtCopyFileName0=a.dll\nPossibleDevIDNum=1\nUnInstServiceNum=1\nUnInstService0=S\n");
    theApp.LoadProfile();
    SelectClassKeyPath();
    VendorKeyList[3] = "VEN_1";
    StreamKeyList[9] = "PH";
    VendorKeyCount = 4;
    StreamKeyCount = 10;
    Win9xFlags = kUsbDeviceSeen;
    theApp.m_hInstance = m->GetModuleHandleA(nullptr);
    mfc::CDialog someDialog(102, nullptr);
    theApp.m_pMainWnd = &someDialog;

    ResetProgramState();

    const auto* bytes =
        reinterpret_cast<const unsigned char*>(static_cast<const UninstallProfile*>(&theApp));
    std::size_t nonZero = 0;
    for (std::size_t i = 0; i < sizeof(UninstallProfile); ++i) nonZero += bytes[i] != 0;
    EXPECT_EQ(nonZero, 0u);
    for (const auto& key : VendorKeyList) EXPECT_TRUE(key.empty());
    for (const auto& key : StreamKeyList) EXPECT_TRUE(key.empty());
    EXPECT_EQ(VendorKeyCount, 0);
    EXPECT_EQ(StreamKeyCount, 0);
    EXPECT_EQ(Win9xFlags, 0u);
    EXPECT_FALSE(UsbDeviceSeen());
    for (char c : ClassKeyPath) EXPECT_EQ(c, '\0');
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    EXPECT_EQ(theApp.m_hInstance, nullptr);
    EXPECT_EQ(UsbPrefix, "USB\\");
}

}  // namespace
