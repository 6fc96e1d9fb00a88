// The uninstall dialog: its texts and icon, how a run starts, the run display and the end of a
// run.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/uninst_app.h"
#include "app/windows_version.h"
#include "res/resource.h"
#include "ui/uninst_dlg.h"
#include "unit/app/app_fixture.h"

namespace {

using apptest::AppTest;
using apptest::FirstCall;
using sim::UserAction;

constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void InstallProduct(sim::Machine& m, const std::string& profile = "") {
    m.SetString(HKEY_LOCAL_MACHINE, std::string(kUninstall) + "\\Brelon", "DisplayName",
                "Brelon Tunara WDM Drivers");
    if (!profile.empty()) m.WriteProfile(profile);
}

const sim::ControlState& Control(const sim::DialogRecord& d, int id) {
    const sim::ControlState* c = d.Control(id);
    EXPECT_NE(c, nullptr) << id;
    static const sim::ControlState none;
    return c != nullptr ? *c : none;
}

// The run-display operations on their own: a dialog whose OK click runs a test's script instead
// of a removal sequence.
class DisplayProbe : public CUninstDlg {
public:
    std::function<void(DisplayProbe&)> onOk;

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK && onOk) {
            onOk(*this);
            result = TRUE;
            return true;
        }
        return CUninstDlg::OnMessage(message, wParam, lParam, result);
    }
};

// Loads the profile and runs a probe dialog with one click on OK.
void RunProbe(sim::Machine& m, std::function<void(DisplayProbe&)> onOk) {
    theApp.m_hInstance = m.GetModuleHandleA(nullptr);
    theApp.LoadProfile();
    DisplayProbe probe;
    probe.onOk = std::move(onOk);
    m.ScriptUser({UserAction::ClickOk});
    probe.DoModal();
}

// ---- the prompt ----------------------------------------------------------------------------

TEST_F(AppTest, OnInitDialogShowsTheProfileTexts) {
    InstallProduct(*m,
                   "[1]\nUnInstDrvAppTitle=Tuner Removal\nUnInstDrvRunTipMsg=Press Go to begin.\n"
                   "OKText=Go\n");
    m->ScriptUser({UserAction::PressEscape});

    mfc::AfxWinMain();

    ASSERT_EQ(m->Dialogs().size(), 1u);
    const auto& d = m->Dialogs()[0];
    EXPECT_EQ(d.caption, "Tuner Removal");
    EXPECT_EQ(d.captionHistory, std::vector<std::string>{"Tuner Removal"});
    EXPECT_EQ(Control(d, IDC_RUN_TIP).textHistory, std::vector<std::string>{"Press Go to begin."});
    EXPECT_EQ(Control(d, IDOK).textHistory, std::vector<std::string>{"Go"});
    for (int id : {IDC_FILE_NAME, IDC_BLANK, IDC_ACTION}) {
        EXPECT_EQ(Control(d, id).text, "") << id;
        EXPECT_TRUE(Control(d, id).textHistory.empty()) << id;
    }
    EXPECT_FALSE(Control(d, IDC_PROGRESS).visible);
    EXPECT_TRUE(Control(d, IDC_PROGRESS).textHistory.empty());
    EXPECT_TRUE(d.progress.messages.empty());
}

TEST_F(AppTest, TheIconIsSetBigThenSmall) {
    InstallProduct(*m);
    m->ScriptUser({UserAction::PressEscape});

    mfc::AfxWinMain();

    ASSERT_EQ(m->Dialogs().size(), 1u);
    const auto& d = m->Dialogs()[0];
    const HICON icon = m->LoadIconA(m->GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(d.bigIcon, icon);
    EXPECT_EQ(d.smallIcon, icon);
    const std::string iconText = std::to_string(reinterpret_cast<LPARAM>(icon));
    const long big = FirstCall(*m, "SendMessageA", "dialog|0x80|1|" + iconText);
    const long small = FirstCall(*m, "SendMessageA", "dialog|0x80|0|" + iconText);
    ASSERT_GE(big, 0);
    EXPECT_LT(big, small);
    // The icon was loaded once, from the program's own module, as group icon 132.
    EXPECT_EQ(m->CallCount("LoadIconA"), 2);  // the dialog's load and this test's own
    EXPECT_GE(FirstCall(*m, "LoadIconA", "132"), 0);
}

// ---- starting a run ------------------------------------------------------------------------

TEST(Dialog, OkAndEnterStartTheRunEscAndTheCloseBoxRemoveNothing) {
    const struct {
        const char* name;
        UserAction action;
        bool runs;
    } cases[] = {
        {"click on OK", UserAction::ClickOk, true},
        {"Enter", UserAction::PressEnter, true},
        {"Esc", UserAction::PressEscape, false},
        {"close box", UserAction::CloseBox, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ScopedMachine m;
        ResetProgramState();
        InstallProduct(*m);
        m->WriteFile("C:\\WINDOWS\\zq4unist.exe");
        m->ScriptUser({c.action});

        EXPECT_EQ(mfc::AfxWinMain(), c.runs ? 0 : 1602);

        ASSERT_EQ(m->Dialogs().size(), 1u);
        const auto& d = m->Dialogs()[0];
        EXPECT_FALSE(d.scriptExhausted);
        EXPECT_EQ(d.result, c.runs ? IDOK : IDCANCEL);
        EXPECT_EQ(m->MessageBoxes().size(), c.runs ? 1u : 0u);
        EXPECT_EQ(m->FileExists("C:\\WINDOWS\\zq4unist.exe"), !c.runs);
        EXPECT_EQ(Control(d, IDC_ACTION).text, c.runs ? "Delete Files:" : "");
        EXPECT_EQ(Control(d, IDC_PROGRESS).visible, c.runs);
        EXPECT_EQ(m->CallCount("FindWindowA"), c.runs ? 1 : 0);
        EXPECT_TRUE(m->OpenHandles().empty());
    }
}

TEST_F(AppTest, OnlyTheFirstCompanionWindowIsClosedAndBeforeTheRun) {
    InstallProduct(*m, "[1]\nUnInstRemoteTitleName=Tuner Remote\n");
    const HWND first = m->AddTopLevelWindow("Tuner Remote", "RemoteWnd");
    const HWND second = m->AddTopLevelWindow("Tuner Remote", "RemoteWnd");
    const HWND other = m->AddTopLevelWindow("Remote Control");
    m->ScriptUser({UserAction::ClickOk});

    mfc::AfxWinMain();

    EXPECT_GE(FirstCall(*m, "FindWindowA", "(null)|Tuner Remote"), 0);
    EXPECT_EQ(m->FindTopLevel(first)->messages, std::vector<UINT>{WM_CLOSE});
    EXPECT_TRUE(m->FindTopLevel(first)->closed);
    EXPECT_TRUE(m->FindTopLevel(second)->messages.empty());
    EXPECT_FALSE(m->FindTopLevel(second)->closed);
    EXPECT_TRUE(m->FindTopLevel(other)->messages.empty());
    const long close = FirstCall(*m, "SendMessageTimeoutA", "window Tuner Remote|0x10|0x2|5000");
    const long runStart = FirstCall(*m, "GetDlgItem");
    ASSERT_GE(close, 0);
    EXPECT_LT(close, runStart);
    EXPECT_EQ(m->MessageBoxes().size(), 1u);
}

// An empty title would find some other program's untitled window.
TEST_F(AppTest, AnEmptyCompanionTitleLooksForNoWindow) {
    InstallProduct(*m, "[1]\nUnInstRemoteTitleName=\n");
    const HWND untitled = m->AddTopLevelWindow("", "Notepad");
    m->ScriptUser({UserAction::ClickOk});
    mfc::AfxWinMain();
    EXPECT_EQ(m->CallCount("FindWindowA"), 0);
    EXPECT_TRUE(m->FindTopLevel(untitled)->messages.empty());
    EXPECT_EQ(m->MessageBoxes().size(), 1u);
}

// A companion program that no longer answers does not hold the run up.
TEST_F(AppTest, AHungCompanionDoesNotStopTheRun) {
    InstallProduct(*m, "[1]\nUnInstRemoteTitleName=Tuner Remote\n");
    const HWND hung = m->AddTopLevelWindow("Tuner Remote", "RemoteWnd", true);
    m->ScriptUser({UserAction::ClickOk});
    mfc::AfxWinMain();
    EXPECT_FALSE(m->FindTopLevel(hung)->closed);
    EXPECT_GE(FirstCall(*m, "SendMessageTimeoutA", "window Tuner Remote|0x10|0x2|5000"), 0);
    ASSERT_EQ(m->MessageBoxes().size(), 1u);
    EXPECT_EQ(m->Dialogs().size(), 1u);
}

TEST_F(AppTest, WithoutACompanionWindowTheRunGoesOn) {
    InstallProduct(*m);
    m->ScriptUser({UserAction::ClickOk});

    mfc::AfxWinMain();

    EXPECT_EQ(m->CallCount("FindWindowA"), 1);
    EXPECT_EQ(FirstCall(*m, "SendMessageTimeoutA", "|0x10|"), -1);
    ASSERT_EQ(m->MessageBoxes().size(), 1u);
    EXPECT_EQ(m->MessageBoxes()[0].type, MB_OK | MB_ICONINFORMATION);
}

TEST_F(AppTest, ACompanionTitleEqualToTheDialogsOwnNeverClosesTheDialog) {
    InstallProduct(*m, "[1]\nUnInstDrvAppTitle=Tuner\nUnInstRemoteTitleName=Tuner\n");
    m->ScriptUser({UserAction::ClickOk});

    mfc::AfxWinMain();

    ASSERT_EQ(m->Dialogs().size(), 1u);
    EXPECT_EQ(m->Dialogs()[0].result, IDOK);
    EXPECT_EQ(FirstCall(*m, "SendMessageA", "dialog|0x10|"), -1);
    EXPECT_EQ(m->MessageBoxes().size(), 1u);
}

TEST(Dialog, PlatformIdOnePicksThe9xSequenceEveryOtherIdTheNtOne) {
    const struct {
        DWORD platform, major, minor;
        bool win9x;
    } cases[] = {
        {1, 4, 10, true}, {1, 4, 0, true},  {2, 5, 1, false},
        {2, 6, 0, false}, {0, 3, 1, false}, {3, 5, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.platform) + " " + std::to_string(c.major) + "." +
                     std::to_string(c.minor));
        sim::ScopedMachine m;
        ResetProgramState();
        m->SetVersion(c.platform, c.major, c.minor);
        // Extra files are deleted from "system" on the 9x family and from "system32" on NT.
        InstallProduct(*m, "[1]\nExtDllFileNum=1\nExtCopyFileName0=tunaprop.dll\n");
        m->WriteFile("C:\\WINDOWS\\system\\tunaprop.dll");
        m->WriteFile("C:\\WINDOWS\\system32\\tunaprop.dll");
        m->ScriptUser({UserAction::ClickOk});

        EXPECT_EQ(IsWin9xFamily(), c.win9x);
        mfc::AfxWinMain();

        EXPECT_EQ(m->FileExists("C:\\WINDOWS\\system\\tunaprop.dll"), !c.win9x);
        EXPECT_EQ(m->FileExists("C:\\WINDOWS\\system32\\tunaprop.dll"), c.win9x);
        for (const auto& call : m->Calls()) {
            if (call.api == "GetVersionExA") {
                EXPECT_EQ(call.args, "148");
            }
        }
    }
}

// ---- the run display -----------------------------------------------------------------------

TEST_F(AppTest, PrepareRunControlsSetsTheTextsInOrderAndReadiesTheBar) {
    RunProbe(*m, [](DisplayProbe& d) { d.PrepareRunControls(); });

    ASSERT_EQ(m->Dialogs().size(), 1u);
    const auto& d = m->Dialogs()[0];
    std::vector<std::string> texts;
    for (const auto& call : m->Calls()) {
        if (call.api == "SetWindowTextA") texts.push_back(call.args);
    }
    const std::vector<std::string> expected = {
        "dialog|Brelon Tunara WDM Drivers Uninstallation",  // the caption, by OnInitDialog
        "ctl 1003|", "ctl 1004|Delete Files:", "ctl 1002|", "ctl 1001|"};
    EXPECT_EQ(texts, expected);
    EXPECT_TRUE(Control(d, IDC_PROGRESS).visible);
    const std::vector<std::pair<UINT, WPARAM>> messages = {{PBM_SETRANGE, 0}, {PBM_SETSTEP, 6}};
    EXPECT_EQ(d.progress.messages, messages);
    EXPECT_GE(FirstCall(*m, "SendMessageA", "ctl 1000|0x401|0|6553600"), 0);
    EXPECT_EQ(d.progress.low, 0);
    EXPECT_EQ(d.progress.high, 100);
    EXPECT_EQ(d.progress.step, 6);
    EXPECT_EQ(d.progress.pos, 0);
    EXPECT_TRUE(d.progress.positions.empty());
    EXPECT_GE(FirstCall(*m, "ShowWindow", "ctl 1000|5"), 0);
    EXPECT_EQ(Control(d, IDC_RUN_TIP).text, "");
    EXPECT_EQ(Control(d, IDC_BLANK).text, "");
    EXPECT_EQ(m->TotalSleepMs(), 0u);
}

TEST_F(AppTest, StepsAddSixWithAPauseAndPositionsJump) {
    RunProbe(*m, [](DisplayProbe& d) {
        d.PrepareRunControls();
        d.ShowFileName("c:\\windows\\inf\\oem12.pnf");
        d.ShowFileName("c:\\windows\\inf\\oem12.inf");
        d.StepProgress();
        d.StepProgress();
        d.StepProgress();
        d.StepProgressNoPause();
        d.SetProgressPos(90);
        d.SetProgressPos(100);
    });

    ASSERT_EQ(m->Dialogs().size(), 1u);
    const auto& d = m->Dialogs()[0];
    EXPECT_EQ(d.progress.positions, (std::vector<int>{6, 12, 18, 24, 90, 100}));
    EXPECT_EQ(m->TotalSleepMs(), 60u);
    EXPECT_EQ(m->CallCount("Sleep"), 3);
    EXPECT_EQ(Control(d, IDC_FILE_NAME).textHistory,
              (std::vector<std::string>{"", "c:\\windows\\inf\\oem12.pnf",
                                        "c:\\windows\\inf\\oem12.inf"}));
    // Each pause follows its step.
    std::vector<std::string> paced;
    for (const auto& call : m->Calls()) {
        if (call.api == "Sleep") paced.push_back("sleep " + call.args);
        if (call.api == "SendMessageA" && call.args.rfind("ctl 1000|0x405", 0) == 0) {
            paced.push_back("step");
        }
        if (call.api == "SendMessageA" && call.args.rfind("ctl 1000|0x402|", 0) == 0) {
            paced.push_back("pos " + apptest::Fields(call.args)[2]);
        }
    }
    EXPECT_EQ(paced, (std::vector<std::string>{"step", "sleep 20", "step", "sleep 20", "step",
                                               "sleep 20", "step", "pos 90", "pos 100"}));
}

TEST(Dialog, FinishRunEndsTheDialogThenShowsTheCompletionMessageOwnedByIt) {
    const struct {
        const char* name;
        const char* profile;
        RunEnd end;
        int failed;  // removals that failed in the run
        const char* text;
        const char* caption;
        UINT icon;
    } cases[] = {
        {"defaults", "", RunEnd::Completed, 0,
         "Brelon Tunara WDM Drivers have been uninstalled completely.\n\n"
         "If you want to re-install drivers, you MUST reboot your system.",
         "Brelon Tunara WDM Drivers Uninstallation", MB_ICONINFORMATION},
        {"the profile's texts",
         "[1]\nUnInstDrvAppTitle=Tuner Removal\nUnInstDrvPassMsg=All gone.\n"
         "UnInstDrvPassMsg2=Restart now.\n",
         RunEnd::Completed, 0, "All gone.\n\nRestart now.", "Tuner Removal", MB_ICONINFORMATION},
        {"empty paragraphs", "[1]\nUnInstDrvPassMsg=\nUnInstDrvPassMsg2=\n", RunEnd::Completed, 0,
         "\n\n", "Brelon Tunara WDM Drivers Uninstallation", MB_ICONINFORMATION},
        {"items left", "[1]\nUnInstDrvPassMsg=Done.\nUnInstDrvPassMsg2=Restart.\n",
         RunEnd::Completed, 2,
         "Done.\n\nRestart.\n\n2 item(s) could not be removed. The log says which: "
         "C:\\WINDOWS\\Logs\\tvuninst.log",
         "Brelon Tunara WDM Drivers Uninstallation", MB_ICONWARNING},
        {"device check, default text", "", RunEnd::DeviceCheck, 0,
         "Not all of the Brelon Tunara WDM Drivers devices were found, so nothing was removed. "
         "Please connect the device and run the uninstaller again.",
         "Brelon Tunara WDM Drivers Uninstallation", MB_ICONWARNING},
        {"device check, the profile's text", "[1]\nUnInstDevMissingMsg=Ger\xe4t fehlt.\n",
         RunEnd::DeviceCheck, 0, "Ger\xe4t fehlt.", "Brelon Tunara WDM Drivers Uninstallation",
         MB_ICONWARNING},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ScopedMachine m;
        ResetProgramState();
        if (*c.profile != '\0') m->WriteProfile(c.profile);
        RunResult result;
        result.end = c.end;
        for (int i = 0; i < c.failed; ++i)
            result.Record(Action::DeleteFile, "x", Outcome::Failed, ERROR_ACCESS_DENIED);
        RunProbe(*m, [&](DisplayProbe& d) {
            d.PrepareRunControls();
            d.FinishRun(result);
        });

        ASSERT_EQ(m->Dialogs().size(), 1u);
        ASSERT_EQ(m->MessageBoxes().size(), 1u);
        const auto& box = m->MessageBoxes()[0];
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_EQ(box.type, MB_OK | c.icon);
        EXPECT_EQ(box.owner, m->Dialogs()[0].hwnd);
        EXPECT_TRUE(box.ownerWasDialog);
        EXPECT_EQ(m->Dialogs()[0].result, IDOK);
        const long end = FirstCall(*m, "EndDialog", "dialog|1");
        ASSERT_GE(end, 0);
        EXPECT_LT(end, FirstCall(*m, "MessageBoxA"));
    }
}

// ---- the minimised dialog ------------------------------------------------------------------

TEST(Dialog, TheMinimisedIconIsDrawnCentred) {
    const struct {
        int cx, cy;
        int x, y;
    } cases[] = {
        {36, 36, 2, 2},
        {32, 32, 0, 0},
        {33, 35, 1, 2},
        {345, 146, 157, 57},
        // Smaller than the icon: the quotient is truncated toward zero.
        {30, 30, 0, 0},
        {29, 28, -1, -1},
        {0, 0, -15, -15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.cx) + " x " + std::to_string(c.cy));
        sim::ScopedMachine m;
        ResetProgramState();
        InstallProduct(*m);
        m->SetClientSize(c.cx, c.cy);
        m->ScriptUser({UserAction::MinimiseAndPaint, UserAction::Restore, UserAction::PressEscape});

        mfc::AfxWinMain();

        ASSERT_EQ(m->Dialogs().size(), 1u);
        const auto& d = m->Dialogs()[0];
        EXPECT_EQ(d.drawnIcons, (std::vector<std::pair<int, int>>{{c.x, c.y}}));
        EXPECT_EQ(d.sentToDialog, (std::vector<UINT>{WM_SETICON, WM_SETICON, WM_ICONERASEBKGND}));
        EXPECT_EQ(m->CallCount("BeginPaint"), 1);
        EXPECT_EQ(m->CallCount("EndPaint"), 1);
        EXPECT_TRUE(m->OpenHandles().empty());
        EXPECT_TRUE(m->HandleErrors().empty());
    }
}

TEST_F(AppTest, ANormalDialogIsPaintedByTheSystem) {
    RunProbe(*m, [](DisplayProbe& d) {
        INT_PTR result = 0;
        EXPECT_TRUE(d.OnMessage(WM_PAINT, 0, 0, result));
    });

    EXPECT_EQ(m->CallCount("IsIconic"), 1);
    EXPECT_EQ(m->CallCount("BeginPaint"), 0);
    EXPECT_EQ(m->CallCount("DrawIcon"), 0);
}

TEST_F(AppTest, DraggingTheMinimisedDialogShowsItsIcon) {
    LRESULT dragIcon = 0;
    RunProbe(*m, [&dragIcon](DisplayProbe& d) {
        dragIcon = Api().SendMessageA(d.m_hWnd, WM_QUERYDRAGICON, 0, 0);
        d.EndDialog(IDCANCEL);
    });

    ASSERT_EQ(m->Dialogs().size(), 1u);
    EXPECT_NE(dragIcon, 0);
    EXPECT_EQ(reinterpret_cast<HICON>(dragIcon), m->Dialogs()[0].bigIcon);
}

}  // namespace
