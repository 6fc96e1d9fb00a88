// The framework stand-in: the application object, the modal dialog on its template, and how a
// dialog's messages reach its handlers.
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/uninst_app.h"
#include "framework/afx.h"
#include "unit/app/app_fixture.h"

namespace {

using apptest::AppTest;
using apptest::FirstCall;
using sim::UserAction;

class TestDlg : public mfc::CDialog {
public:
    explicit TestDlg(UINT id = 102, mfc::CDialog* parent = nullptr) : CDialog(id, parent) {}

    using MessageMap = std::function<bool(TestDlg&, UINT, WPARAM, LPARAM, INT_PTR&)>;
    MessageMap map;
    int initCalls = 0;
    int exchanges = 0;
    HWND hwndAtInit = nullptr;
    std::vector<UINT> seen;  // messages that reached the message map

    BOOL OnInitDialog() override {
        ++initCalls;
        hwndAtInit = m_hWnd;
        return CDialog::OnInitDialog();
    }
    void DoDataExchange() override { ++exchanges; }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
        seen.push_back(message);
        return map ? map(*this, message, wParam, lParam, result) : false;
    }
    using CDialog::Default;
};

bool IsOkClick(UINT message, WPARAM wParam) {
    return message == WM_COMMAND && LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED;
}

TEST(Framework, TheApplicationObjectIsTheOneRegistered) {
    EXPECT_EQ(mfc::AfxGetApp(), static_cast<mfc::CWinApp*>(&theApp));
}

TEST(Framework, DoModalRunsTemplateAndEndsWithTheButtonsResult) {
    const struct {
        const char* name;
        UserAction action;
        INT_PTR result;
        int exchanges;  // OnInitDialog's and, for OK, OnOK's
    } cases[] = {
        {"OK", UserAction::ClickOk, IDOK, 2},
        {"Enter", UserAction::PressEnter, IDOK, 2},
        {"Esc", UserAction::PressEscape, IDCANCEL, 1},
        {"close box", UserAction::CloseBox, IDCANCEL, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ScopedMachine m;
        ResetProgramState();
        theApp.m_hInstance = m->GetModuleHandleA(nullptr);
        m->ScriptUser({c.action});
        TestDlg dlg;

        const INT_PTR result = dlg.DoModal();

        EXPECT_EQ(result, c.result);
        ASSERT_EQ(m->Dialogs().size(), 1u);
        const auto& d = m->Dialogs()[0];
        EXPECT_EQ(d.result, c.result);
        EXPECT_EQ(d.parent, nullptr);
        EXPECT_EQ(dlg.initCalls, 1);
        EXPECT_EQ(dlg.hwndAtInit, d.hwnd);
        EXPECT_EQ(dlg.exchanges, c.exchanges);
        ASSERT_FALSE(dlg.seen.empty());
        // The object is known from WM_INITDIALOG on; what comes before gets default processing.
        EXPECT_EQ(dlg.seen.front(), WM_INITDIALOG);
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_GE(FirstCall(*m, "DialogBoxParamA", "102"), 0);
    }
}

TEST_F(AppTest, TheMessageMapComesBeforeTheFrameworksOwnHandling) {
    theApp.m_hInstance = m->GetModuleHandleA(nullptr);
    m->ScriptUser({UserAction::ClickOk, UserAction::PressEnter, UserAction::PressEscape});
    TestDlg dlg;
    int clicks = 0;
    dlg.map = [&clicks](TestDlg&, UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
        if (!IsOkClick(message, wParam)) return false;
        ++clicks;
        result = TRUE;
        return true;
    };

    EXPECT_EQ(dlg.DoModal(), IDCANCEL);

    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(dlg.exchanges, 1);
}

TEST(Framework, AHandlerMayAskForDefaultProcessing) {
    // The system's default handling of WM_SETICON stores the icon, so it shows whether the
    // dialog procedure left the message to the system.
    const struct {
        const char* name;
        bool handled;
        bool callDefault;
        bool nestedDefault;  // the handler sends a message whose own handler asks for Default
        bool iconStored;
    } cases[] = {
        {"not in the message map", false, false, false, true},
        {"handled", true, false, false, false},
        {"handled, then Default", true, true, false, true},
        {"handled, a nested message's Default is its own", true, false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ScopedMachine m;
        ResetProgramState();
        theApp.m_hInstance = m->GetModuleHandleA(nullptr);
        const HICON icon = m->LoadIconA(theApp.m_hInstance, MAKEINTRESOURCEA(132));
        m->ScriptUser({UserAction::ClickOk});
        TestDlg dlg;
        dlg.map = [&c, icon](TestDlg& self, UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
            if (message == WM_PAINT) {
                self.Default();
                result = TRUE;
                return true;
            }
            if (message == WM_SETICON) {
                if (c.nestedDefault) Api().SendMessageA(self.m_hWnd, WM_PAINT, 0, 0);
                if (c.callDefault) self.Default();
                result = TRUE;
                return c.handled;
            }
            if (!IsOkClick(message, wParam)) return false;
            Api().SendMessageA(self.m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
            self.EndDialog(IDOK);
            result = TRUE;
            return true;
        };

        EXPECT_EQ(dlg.DoModal(), IDOK);

        ASSERT_EQ(m->Dialogs().size(), 1u);
        EXPECT_EQ(m->Dialogs()[0].bigIcon, c.iconStored ? icon : nullptr);
    }
}

TEST_F(AppTest, AValueMessageReturnsTheHandlersResult) {
    theApp.m_hInstance = m->GetModuleHandleA(nullptr);
    m->ScriptUser({UserAction::ClickOk});
    TestDlg dlg;
    LRESULT answer = 0;
    dlg.map = [&answer](TestDlg& self, UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
        if (message == WM_QUERYDRAGICON) {
            result = 0x5A5A;
            return true;
        }
        if (!IsOkClick(message, wParam)) return false;
        answer = Api().SendMessageA(self.m_hWnd, WM_QUERYDRAGICON, 0, 0);
        self.EndDialog(IDOK);
        result = TRUE;
        return true;
    };

    dlg.DoModal();

    EXPECT_EQ(answer, 0x5A5A);
}

TEST_F(AppTest, TheParentsWindowOwnsTheDialog) {
    theApp.m_hInstance = m->GetModuleHandleA(nullptr);
    TestDlg parent;
    parent.m_hWnd = m->AddTopLevelWindow("Owner");
    TestDlg child(102, &parent);
    m->ScriptUser({UserAction::PressEscape});

    EXPECT_EQ(child.DoModal(), IDCANCEL);

    ASSERT_EQ(m->Dialogs().size(), 1u);
    EXPECT_EQ(m->Dialogs()[0].parent, parent.m_hWnd);
    EXPECT_EQ(parent.initCalls, 0);
}

TEST_F(AppTest, TheMainWindowIsForgottenWhenItsModalRunEnds) {
    theApp.m_hInstance = m->GetModuleHandleA(nullptr);
    m->ScriptUser({UserAction::PressEscape});
    TestDlg dlg;
    theApp.m_pMainWnd = &dlg;

    dlg.DoModal();

    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
}

TEST_F(AppTest, ATemplateThatCannotBeLoadedEndsAtOnce) {
    theApp.m_hInstance = m->GetModuleHandleA(nullptr);
    m->ScriptUser({UserAction::ClickOk});
    TestDlg dlg(999);

    EXPECT_EQ(dlg.DoModal(), -1);

    EXPECT_EQ(dlg.initCalls, 0);
    EXPECT_TRUE(dlg.seen.empty());
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_TRUE(m->Dialogs().empty());
}

TEST_F(AppTest, DialogsRunOneAfterTheOtherEachReceiveTheirOwnMessages) {
    theApp.m_hInstance = m->GetModuleHandleA(nullptr);
    m->ScriptUser({UserAction::ClickOk, UserAction::PressEscape});
    TestDlg first;
    TestDlg second;

    EXPECT_EQ(first.DoModal(), IDOK);
    EXPECT_EQ(second.DoModal(), IDCANCEL);

    ASSERT_EQ(m->Dialogs().size(), 2u);
    EXPECT_EQ(first.initCalls, 1);
    EXPECT_EQ(second.initCalls, 1);
    EXPECT_EQ(first.hwndAtInit, m->Dialogs()[0].hwnd);
    EXPECT_EQ(second.hwndAtInit, m->Dialogs()[1].hwnd);
    EXPECT_EQ(first.exchanges, 2);
    EXPECT_EQ(second.exchanges, 1);
}

TEST(Framework, AModalDialogIsCentredOnItsWorkAreaUnlessItPlacedItself) {
    const struct {
        const char* name;
        DWORD platform, major, minor;  // NT 4.0 has no monitor functions
        RECT workArea;
        int dpi;
        bool movesItself;
    } cases[] = {
        {"XP", 2, 5, 1, {0, 0, 1024, 738}, 96, false},
        {"taskbar on the left", 2, 10, 0, {120, 0, 1024, 768}, 96, false},
        {"NT 4.0", 2, 4, 0, {0, 0, 1024, 738}, 96, false},
        {"192 DPI", 2, 10, 0, {0, 0, 1024, 738}, 192, false},
        {"moved in WM_INITDIALOG", 2, 5, 1, {0, 0, 1024, 738}, 96, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ScopedMachine m;
        ResetProgramState();
        m->SetVersion(c.platform, c.major, c.minor);
        m->SetWorkArea(c.workArea);
        m->SetDpi(c.dpi);
        theApp.m_hInstance = m->GetModuleHandleA(nullptr);
        m->ScriptUser({UserAction::PressEscape});
        TestDlg dlg;
        if (c.movesItself) {
            dlg.map = [](TestDlg& d, UINT message, WPARAM, LPARAM, INT_PTR&) {
                if (message == WM_INITDIALOG)
                    Api().SetWindowPos(d.m_hWnd, nullptr, 40, 30, 0, 0, SWP_NOSIZE);
                return false;
            };
        }

        dlg.DoModal();

        ASSERT_EQ(m->Dialogs().size(), 1u);
        const RECT& w = m->Dialogs()[0].afterInit;
        if (c.movesItself) {
            EXPECT_EQ(w.left, 40);
            EXPECT_EQ(w.top, 30);
            continue;
        }
        const RECT& a = c.workArea;
        EXPECT_LE(std::abs((w.left + w.right) - (a.left + a.right)), 2);
        EXPECT_LE(std::abs((w.top + w.bottom) - (a.top + a.bottom)), 2);
        EXPECT_GE(w.left, a.left);
        EXPECT_GE(w.top, a.top);
        EXPECT_GT(w.right - w.left, 345 * c.dpi / 96);
    }
}

}  // namespace
