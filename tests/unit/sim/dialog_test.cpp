// The dialog model: template, scripted user, controls, the progress bar, message boxes, paint.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/sim/sim_machine.h"
#include "res/resource.h"

namespace {

using namespace w32;

struct Message {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// What the dialog procedure of a test sees and does.
struct Proc {
    std::vector<Message> seen;
    std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> handle;
};
Proc* current = nullptr;

INT_PTR TestProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    current->seen.push_back({msg, w, l});
    return current->handle ? current->handle(h, msg, w, l) : FALSE;
}

INT_PTR RunDialog(sim::Machine& m, Proc& proc, LPARAM param = 0) {
    current = &proc;
    const INT_PTR r = m.DialogBoxParamA(m.GetModuleHandleA(nullptr), MAKEINTRESOURCEA(102), nullptr,
                                        &TestProc, param);
    current = nullptr;
    return r;
}

std::vector<UINT> Kinds(const Proc& p) {
    std::vector<UINT> out;
    for (const Message& m : p.seen) out.push_back(m.msg);
    return out;
}

TEST(SimDialog, TheTemplateMakesTheControlsInOrder) {
    sim::ScopedMachine m;
    Proc proc;
    HWND dlg = nullptr;
    proc.handle = [&](HWND h, UINT msg, WPARAM, LPARAM l) -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            EXPECT_EQ(l, 77);
            dlg = h;
            m->EndDialog(h, 5);
        }
        return FALSE;
    };
    EXPECT_EQ(RunDialog(*m, proc, 77), 5);
    ASSERT_EQ(m->Dialogs().size(), 1u);
    const sim::DialogRecord& d = m->Dialogs()[0];
    EXPECT_EQ(d.templateId, 102);
    EXPECT_EQ(d.caption, "Brelon WDM Drivers Uninstallation");
    std::vector<int> ids;
    for (const sim::ControlState& c : d.controls) ids.push_back(c.id);
    EXPECT_EQ(ids, (std::vector<int>{IDC_ACTION, IDOK, IDC_PROGRESS, IDC_BLANK, IDC_FILE_NAME,
                                     IDC_RUN_TIP}));
    EXPECT_FALSE(d.Control(IDC_PROGRESS)->visible);  // created without WS_VISIBLE
    EXPECT_TRUE(d.Control(IDOK)->visible);
    EXPECT_EQ(d.Control(IDC_RUN_TIP)->text,
              "Please click 'OK' to uninstall the Brelon WDM Drivers. ");
    EXPECT_EQ(d.Control(IDC_PROGRESS)->className, "msctls_progress32");
    // WM_INITDIALOG names the OK button, the first tab stop, for the focus.
    ASSERT_EQ(proc.seen.back().msg, WM_INITDIALOG);
    EXPECT_EQ(reinterpret_cast<HWND>(proc.seen.back().wParam), d.Control(IDOK)->hwnd);
    // Once the modal run is over the window is gone.
    EXPECT_FALSE(m->SetWindowTextA(dlg, "late"));
    EXPECT_EQ(m->GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(m->DialogBoxParamA(nullptr, MAKEINTRESOURCEA(103), nullptr, &TestProc, 0), -1);
}

TEST(SimDialog, ScriptedActionsReachTheProcedureAsTheDialogManagerSendsThem) {
    struct Case {
        const char* name;
        std::vector<sim::UserAction> script;
        std::vector<UINT> afterInit;  // messages after WM_INITDIALOG
        WPARAM lastCommand;
        INT_PTR result;
    };
    using A = sim::UserAction;
    const WPARAM okClicked = static_cast<WPARAM>(MAKELPARAM(IDOK, BN_CLICKED));
    const Case cases[] = {
        {"click", {A::ClickOk}, {WM_COMMAND}, okClicked, IDOK},
        {"enter", {A::PressEnter}, {WM_COMMAND}, okClicked, IDOK},
        {"escape", {A::PressEscape}, {WM_COMMAND}, IDCANCEL, IDCANCEL},
        {"close box", {A::CloseBox}, {WM_SYSCOMMAND, WM_CLOSE, WM_COMMAND}, IDCANCEL, IDCANCEL},
        {"minimise, restore, click",
         {A::MinimiseAndPaint, A::Restore, A::ClickOk},
         {WM_PAINT, WM_COMMAND},
         okClicked,
         IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ScopedMachine m;
        Proc proc;
        proc.handle = [&](HWND h, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
            if (msg != WM_COMMAND) return FALSE;
            m->EndDialog(h, LOWORD(w));
            return TRUE;
        };
        m->ScriptUser(c.script);
        m->ScriptUser({A::ClickOk});  // never reached: the run ends first
        EXPECT_EQ(RunDialog(*m, proc), c.result);
        const std::vector<UINT> kinds = Kinds(proc);
        const auto init = std::find(kinds.begin(), kinds.end(), WM_INITDIALOG);
        ASSERT_NE(init, kinds.end());
        EXPECT_EQ(std::vector<UINT>(init + 1, kinds.end()), c.afterInit);
        EXPECT_EQ(proc.seen.back().wParam, c.lastCommand);
        if (c.lastCommand == okClicked) {
            EXPECT_EQ(reinterpret_cast<HWND>(proc.seen.back().lParam),
                      m->Dialogs()[0].Control(IDOK)->hwnd);
        }
        EXPECT_TRUE(m->Dialogs()[0].ended);
        EXPECT_FALSE(m->Dialogs()[0].scriptExhausted);
    }
}

// The dialog manager posts the IDCANCEL that WM_CLOSE becomes: it arrives after the handler that
// sent WM_CLOSE has returned, not inside it.
TEST(SimDialog, WmCloseToTheDialogPostsItsCancel) {
    sim::ScopedMachine m;
    Proc proc;
    std::size_t seenWhenCloseReturned = 0;
    proc.handle = [&](HWND h, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
        if (msg != WM_COMMAND) return FALSE;
        if (LOWORD(w) == IDOK) {
            m->SendMessageA(h, WM_CLOSE, 0, 0);
            seenWhenCloseReturned = proc.seen.size();
            return TRUE;
        }
        m->EndDialog(h, LOWORD(w));
        return TRUE;
    };
    m->ScriptUser({sim::UserAction::ClickOk});
    EXPECT_EQ(RunDialog(*m, proc), IDCANCEL);
    ASSERT_GE(proc.seen.size(), 2u);
    EXPECT_EQ(proc.seen[seenWhenCloseReturned - 1].msg, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(seenWhenCloseReturned + 1, proc.seen.size());
    EXPECT_EQ(proc.seen.back().wParam, static_cast<WPARAM>(IDCANCEL));
}

TEST(SimDialog, ARunWithoutAScriptedUserEndsWithMinusOne) {
    sim::ScopedMachine m;
    Proc proc;  // handles nothing, so nothing ends the dialog
    m->ScriptUser({sim::UserAction::ClickOk});
    EXPECT_EQ(RunDialog(*m, proc), -1);
    EXPECT_TRUE(m->Dialogs()[0].scriptExhausted);
    EXPECT_FALSE(m->Dialogs()[0].ended);
    EXPECT_EQ(m->Dialogs()[0].result, -1);
}

TEST(SimDialog, ProgressBarArithmeticFollowsTheControl) {
    struct Step {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result;
        int posAfter;
    };
    const std::vector<Step> steps = {
        {PBM_STEPIT, 0, 0, 0, 10},  // initial range 0-100, step 10
        {PBM_SETRANGE, 0, MAKELPARAM(0, 100), MAKELPARAM(0, 100), 10},
        {PBM_SETSTEP, 6, 0, 10, 10},
        {PBM_SETPOS, 0, 0, 10, 0},
        {PBM_STEPIT, 0, 0, 0, 6},
        {PBM_SETPOS, 94, 0, 6, 94},
        {PBM_STEPIT, 0, 0, 94, 100},  // lands on the end, not past it: stays
        {PBM_SETPOS, 96, 0, 100, 96},
        {PBM_STEPIT, 0, 0, 96, 2},     // 102 is past the end: starts over, modulo the range
        {PBM_SETPOS, 250, 0, 2, 100},  // clamped
        {PBM_STEPIT, 0, 0, 100, 6},
        {PBM_SETRANGE, 0, MAKELPARAM(10, 20), MAKELPARAM(0, 100), 10},  // pos pulled into range
        {PBM_GETPOS, 0, 0, 10, 10},
    };
    sim::ScopedMachine m;
    Proc proc;
    proc.handle = [&](HWND h, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg != WM_INITDIALOG) return FALSE;
        HWND bar = m->GetDlgItem(h, IDC_PROGRESS);
        for (const Step& s : steps) {
            SCOPED_TRACE(testing::Message() << std::hex << s.msg << " " << std::dec << s.wParam);
            EXPECT_EQ(m->SendMessageA(bar, s.msg, s.wParam, s.lParam), s.result);
            EXPECT_EQ(m->SendMessageA(bar, PBM_GETPOS, 0, 0), s.posAfter);
        }
        m->EndDialog(h, IDOK);
        return TRUE;
    };
    EXPECT_EQ(RunDialog(*m, proc), IDOK);
    const sim::ProgressState& p = m->Dialogs()[0].progress;
    EXPECT_EQ(p.positions, (std::vector<int>{10, 0, 6, 94, 100, 96, 2, 100, 6, 10}));
    EXPECT_EQ(p.step, 6);
    EXPECT_EQ(p.low, 10);
    EXPECT_EQ(p.high, 20);
}

TEST(SimDialog, TextsIconsAndTheCompletionMessageAreRecorded) {
    sim::ScopedMachine m;
    Proc proc;
    HICON icon = m->LoadIconA(m->GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(m->LoadIconA(m->GetModuleHandleA(nullptr), MAKEINTRESOURCEA(133)), nullptr);
    proc.handle = [&](HWND h, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            m->SendMessageA(h, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
            m->SendMessageA(h, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
            m->SetWindowTextA(h, "Brelon Tunara WDM Drivers Uninstallation");
            m->SetDlgItemTextA(h, IDC_RUN_TIP, "Press 'OK' to start ...");
            EXPECT_FALSE(m->SetDlgItemTextA(h, 4711, "x"));
            return TRUE;
        }
        if (msg == WM_COMMAND && w == static_cast<WPARAM>(MAKELPARAM(IDOK, BN_CLICKED))) {
            m->ShowWindow(m->GetDlgItem(h, IDC_PROGRESS), SW_SHOW);
            m->SetWindowTextA(m->GetDlgItem(h, IDC_FILE_NAME), "c:\\windows\\inf\\a.inf");
            m->SetWindowTextA(m->GetDlgItem(h, IDC_FILE_NAME), "c:\\windows\\inf\\a.pnf");
            m->EndDialog(h, IDOK);
            // After EndDialog the dialog still exists until the handler returns.
            m->MessageBoxA(h, "done", "title", MB_OK | MB_ICONINFORMATION);
            return TRUE;
        }
        return FALSE;
    };
    m->ScriptUser({sim::UserAction::ClickOk});
    EXPECT_EQ(RunDialog(*m, proc), IDOK);
    const sim::DialogRecord& d = m->Dialogs()[0];
    EXPECT_EQ(d.bigIcon, icon);
    EXPECT_EQ(d.smallIcon, icon);
    EXPECT_EQ(d.sentToDialog, (std::vector<UINT>{WM_SETICON, WM_SETICON}));
    EXPECT_EQ(d.caption, "Brelon Tunara WDM Drivers Uninstallation");
    EXPECT_EQ(d.Control(IDC_RUN_TIP)->text, "Press 'OK' to start ...");
    EXPECT_EQ(d.Control(IDC_FILE_NAME)->textHistory,
              (std::vector<std::string>{"c:\\windows\\inf\\a.inf", "c:\\windows\\inf\\a.pnf"}));
    EXPECT_TRUE(d.Control(IDC_PROGRESS)->visible);
    ASSERT_EQ(m->MessageBoxes().size(), 1u);
    EXPECT_TRUE(m->MessageBoxes()[0].ownerWasDialog);
    EXPECT_EQ(m->MessageBoxes()[0].type, MB_ICONINFORMATION);
    // An owner that no longer exists makes the box fail.
    EXPECT_EQ(m->MessageBoxA(d.hwnd, "late", "t", MB_OK), 0);
    EXPECT_EQ(m->MessageBoxA(nullptr, "warning", "t", MB_ICONWARNING), IDOK);
    EXPECT_FALSE(m->MessageBoxes().back().ownerWasDialog);
}

TEST(SimDialog, TheMinimisedDialogPaintsItsIconCentred) {
    struct Case {
        int cx, cy;
        int x, y;
    };
    const Case cases[] = {{36, 36, 2, 2}, {345, 146, 157, 57}, {20, 20, -5, -5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cx);
        sim::ScopedMachine m;
        m->SetClientSize(c.cx, c.cy);
        HICON icon = m->LoadIconA(m->GetModuleHandleA(nullptr), MAKEINTRESOURCEA(132));
        Proc proc;
        proc.handle = [&](HWND h, UINT msg, WPARAM, LPARAM) -> INT_PTR {
            if (msg == WM_PAINT && m->IsIconic(h)) {
                PAINTSTRUCT ps{};
                HDC dc = m->BeginPaint(h, &ps);
                EXPECT_EQ(m->OpenHandles().size(), 1u);
                RECT r{};
                m->GetClientRect(h, &r);
                const int cx = m->GetSystemMetrics(SM_CXICON), cy = m->GetSystemMetrics(SM_CYICON);
                m->DrawIcon(dc, (r.right - r.left - cx + 1) / 2, (r.bottom - r.top - cy + 1) / 2,
                            icon);
                // An icon the program never loaded is not drawn.
                EXPECT_FALSE(m->DrawIcon(dc, 0, 0, reinterpret_cast<HICON>(&ps)));
                m->EndPaint(h, &ps);
                m->EndDialog(h, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        };
        m->ScriptUser({sim::UserAction::MinimiseAndPaint});
        EXPECT_EQ(RunDialog(*m, proc), IDCANCEL);
        EXPECT_EQ(m->Dialogs()[0].drawnIcons, (std::vector<std::pair<int, int>>{{c.x, c.y}}));
        EXPECT_TRUE(m->OpenHandles().empty());
        EXPECT_TRUE(m->HandleErrors().empty());
    }
}

TEST(SimWindows, FindWindowAndWmCloseReachTheFirstMatchingWindow) {
    sim::ScopedMachine m;
    HWND first = m->AddTopLevelWindow("Remote Control", "RemoteClass");
    HWND second = m->AddTopLevelWindow("Remote Control");
    EXPECT_EQ(m->FindWindowA(nullptr, "remote control"), first);
    EXPECT_EQ(m->FindWindowA("RemoteClass", "Remote Control"), first);
    EXPECT_EQ(m->FindWindowA("Other", "Remote Control"), nullptr);
    EXPECT_EQ(m->SendMessageA(first, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(m->FindTopLevel(first)->closed);
    EXPECT_EQ(m->FindTopLevel(first)->messages, std::vector<UINT>{WM_CLOSE});
    EXPECT_EQ(m->FindWindowA(nullptr, "Remote Control"), second);
    EXPECT_FALSE(m->FindTopLevel(second)->closed);
    EXPECT_EQ(m->FindWindowA(nullptr, "Remote"), nullptr);  // whole titles only
}

TEST(SimDialog, WindowCallsFailWhenFaultedAndChangeNothing) {
    constexpr DWORD kFault = 0x4242;
    struct Case {
        const char* api;
        std::function<bool(sim::Machine&, HWND)> fails;
    };
    const std::vector<Case> cases = {
        {"SetWindowTextA",
         [](sim::Machine& m, HWND h) {
             return !m.SetWindowTextA(h, "x") && m.Dialogs()[0].captionHistory.empty();
         }},
        {"SetDlgItemTextA",
         [](sim::Machine& m, HWND h) {
             return !m.SetDlgItemTextA(h, IDC_RUN_TIP, "x") &&
                    m.Dialogs()[0].Control(IDC_RUN_TIP)->textHistory.empty();
         }},
        {"GetDlgItem", [](sim::Machine& m, HWND h) { return m.GetDlgItem(h, IDOK) == nullptr; }},
        {"ShowWindow",
         [](sim::Machine& m, HWND h) {
             HWND bar = m.GetDlgItem(h, IDC_PROGRESS);
             return !m.ShowWindow(bar, SW_SHOW) && !m.Dialogs()[0].Control(IDC_PROGRESS)->visible;
         }},
        {"SendMessageA",
         [](sim::Machine& m, HWND h) {
             HWND bar = m.GetDlgItem(h, IDC_PROGRESS);
             return m.SendMessageA(bar, PBM_SETPOS, 50, 0) == 0 &&
                    m.Dialogs()[0].progress.messages.empty();
         }},
        {"EndDialog", [](sim::Machine& m, HWND h) { return !m.EndDialog(h, IDOK); }},
        {"GetClientRect",
         [](sim::Machine& m, HWND h) {
             RECT r{};
             return !m.GetClientRect(h, &r);
         }},
        {"BeginPaint",
         [](sim::Machine& m, HWND h) {
             PAINTSTRUCT ps{};
             return m.BeginPaint(h, &ps) == nullptr && m.OpenHandles().empty();
         }},
        {"DrawIcon",
         [](sim::Machine& m, HWND h) {
             PAINTSTRUCT ps{};
             HDC dc = m.BeginPaint(h, &ps);
             HICON icon = m.LoadIconA(m.GetModuleHandleA(nullptr), MAKEINTRESOURCEA(132));
             const bool f = !m.DrawIcon(dc, 1, 1, icon) && m.Dialogs()[0].drawnIcons.empty();
             m.EndPaint(h, &ps);
             return f;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.api);
        sim::ScopedMachine m;
        m->AddFault({c.api, 0, kFault, ""});
        Proc proc;
        bool failed = false;
        DWORD error = 0;
        proc.handle = [&](HWND h, UINT msg, WPARAM, LPARAM) -> INT_PTR {
            if (msg != WM_INITDIALOG) return FALSE;
            failed = c.fails(*m, h);
            error = m->GetLastError();
            return TRUE;
        };
        m->ScriptUser({});
        EXPECT_EQ(RunDialog(*m, proc), -1);  // nobody ends it
        EXPECT_TRUE(failed);
        EXPECT_EQ(error, kFault);
        EXPECT_TRUE(m->OpenHandles().empty());
    }
}

}  // namespace
