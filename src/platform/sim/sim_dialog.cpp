// The modal dialog built from template 102, run by the dialog manager. The user is scripted: the
// dialog manager feeds the scripted actions to the dialog one at a time, as the real one would
// deliver the input.
#include "platform/sim/sim_state.h"
#include "res/dialog_template.h"

namespace sim {

namespace {

constexpr DWORD kWsVisible = 0x10000000;
constexpr UINT kWmSetFont = 0x0030;

const LiveDialog* LiveOf(const State& s, std::size_t record) {
    for (const LiveDialog& d : s.liveDialogs)
        if (d.record == record) return &d;
    return nullptr;
}

void Perform(State& s, std::size_t record, UserAction action) {
    auto okCommand = [&] {
        const HWND ok = ControlHwnd(s.dialogs[record], IDOK);
        Deliver(s, record, WM_COMMAND, static_cast<WPARAM>(MAKELPARAM(IDOK, BN_CLICKED)),
                reinterpret_cast<LPARAM>(ok));
    };
    switch (action) {
        case UserAction::ClickOk: {
            // A button that is not shown cannot be clicked.
            const ControlState* ok = s.dialogs[record].Control(IDOK);
            if (ok != nullptr && ok->visible) okCommand();
            break;
        }
        case UserAction::PressEnter:
            okCommand();
            break;
        case UserAction::PressEscape:
            Deliver(s, record, WM_COMMAND, static_cast<WPARAM>(IDCANCEL),
                    reinterpret_cast<LPARAM>(ControlHwnd(s.dialogs[record], IDCANCEL)));
            break;
        case UserAction::CloseBox:
            // SC_CLOSE left to the default becomes WM_CLOSE, which the dialog manager turns into
            // IDCANCEL.
            if (Deliver(s, record, WM_SYSCOMMAND, SC_CLOSE, 0) == FALSE && !s.dialogs[record].ended)
                Deliver(s, record, WM_CLOSE, 0, 0);
            break;
        case UserAction::MinimiseAndPaint:
            s.dialogs[record].iconic = true;
            Deliver(s, record, WM_PAINT, 0, 0);
            break;
        case UserAction::Restore:
            s.dialogs[record].iconic = false;
            break;
    }
}

}  // namespace

DialogRecord* State::LiveDialogRecord(HWND h) {
    const WindowRef* ref = FindWindowRef(*this, h);
    if (ref == nullptr || ref->kind != WindowRef::Dialog || LiveOf(*this, ref->index) == nullptr)
        return nullptr;
    return &dialogs[ref->index];
}

const ControlState* DialogRecord::Control(int id) const {
    for (const ControlState& c : controls)
        if (c.id == id) return &c;
    return nullptr;
}

// Hands a message to the dialog's procedure, and gives it the dialog manager's default
// processing when the procedure leaves it (returns FALSE).
INT_PTR Deliver(State& s, std::size_t record, UINT msg, WPARAM wParam, LPARAM lParam) {
    const LiveDialog* live = LiveOf(s, record);
    if (live == nullptr) return 0;
    const HWND hwnd = s.dialogs[record].hwnd;
    const INT_PTR r = live->proc(hwnd, msg, wParam, lParam);
    if (r != FALSE) return r;
    DialogRecord& d = s.dialogs[record];  // the procedure may have grown the list
    switch (msg) {
        case WM_SETICON: {
            HICON& slot = wParam == ICON_BIG ? d.bigIcon : d.smallIcon;
            HICON previous = slot;
            slot = reinterpret_cast<HICON>(lParam);
            return reinterpret_cast<INT_PTR>(previous);
        }
        case WM_CLOSE:
            // The dialog manager turns a close request into IDCANCEL, which it posts: the
            // command arrives once the handler that sent WM_CLOSE has returned.
            if (!d.ended) d.posted.push_back(IDCANCEL);
            return 0;
        default:
            return 0;
    }
}

INT_PTR Machine::DialogBoxParamA(HINSTANCE hInstance, const char* lpTemplateName, HWND hWndParent,
                                 DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    const std::string name = IS_INTRESOURCE(lpTemplateName)
                                 ? std::to_string(reinterpret_cast<ULONG_PTR>(lpTemplateName))
                                 : Str(lpTemplateName);
    Call c(*s_, "DialogBoxParamA", name);
    if (c.Faulted()) return c.FailWith<INT_PTR>(-1, c.Error());
    // A null instance means the program's own module.
    if (hInstance != nullptr && hInstance != ModuleHandle())
        return c.FailWith<INT_PTR>(-1, kErrorResourceNameNotFound);
    if (!IS_INTRESOURCE(lpTemplateName) ||
        reinterpret_cast<ULONG_PTR>(lpTemplateName) != static_cast<ULONG_PTR>(dialog102::kId))
        return c.FailWith<INT_PTR>(-1, kErrorResourceNameNotFound);
    if (lpDialogFunc == nullptr) return c.FailWith<INT_PTR>(-1, ERROR_INVALID_PARAMETER);
    if (hWndParent != nullptr && FindWindowRef(*s_, hWndParent) == nullptr)
        return c.FailWith<INT_PTR>(-1, ERROR_INVALID_WINDOW_HANDLE);

    const std::size_t record = s_->dialogs.size();
    {
        DialogRecord d;
        d.templateId = dialog102::kId;
        d.hwnd = reinterpret_cast<HWND>(s_->NewHandleValue());
        d.parent = hWndParent;
        d.caption = dialog102::kCaption;
        s_->windows[reinterpret_cast<ULONG_PTR>(d.hwnd)] = WindowRef{WindowRef::Dialog, record, 0};
        for (const dialog102::Control& t : dialog102::kControls) {
            ControlState cs;
            cs.id = t.id;
            cs.className = t.className;
            cs.text = t.text;
            cs.visible = (t.style & kWsVisible) != 0;
            cs.x = t.x;
            cs.y = t.y;
            cs.cx = t.cx;
            cs.cy = t.cy;
            cs.style = t.style;
            cs.hwnd = reinterpret_cast<HWND>(s_->NewHandleValue());
            s_->windows[reinterpret_cast<ULONG_PTR>(cs.hwnd)] =
                WindowRef{WindowRef::Control, record, d.controls.size()};
            d.controls.push_back(std::move(cs));
        }
        s_->dialogs.push_back(std::move(d));
    }
    s_->liveDialogs.push_back(LiveDialog{record, lpDialogFunc});

    // As the dialog manager does: the window hidden in its first place, the font (DS_SETFONT),
    // then WM_INITDIALOG with the first tab stop, the OK button, as the control to receive the
    // focus; a template with WS_VISIBLE is shown only after that.
    s_->dialogs[record].window = InitialDialogFrame(*s_);
    Deliver(*s_, record, kWmSetFont, 0, 0);
    Deliver(*s_, record, WM_INITDIALOG,
            reinterpret_cast<WPARAM>(ControlHwnd(s_->dialogs[record], IDOK)), dwInitParam);
    s_->dialogs[record].afterInit = s_->dialogs[record].window;
    if ((dialog102::kStyle & kWsVisible) != 0) s_->dialogs[record].visible = true;
    while (!s_->dialogs[record].ended) {
        if (!s_->dialogs[record].posted.empty()) {
            const int command = s_->dialogs[record].posted.front();
            s_->dialogs[record].posted.erase(s_->dialogs[record].posted.begin());
            Deliver(*s_, record, WM_COMMAND, static_cast<WPARAM>(command),
                    reinterpret_cast<LPARAM>(ControlHwnd(s_->dialogs[record], command)));
            continue;
        }
        if (s_->script.empty()) {
            // A test that forgot to script the user ends here instead of hanging.
            s_->dialogs[record].scriptExhausted = true;
            break;
        }
        const UserAction action = s_->script.front();
        s_->script.pop_front();
        Perform(*s_, record, action);
    }

    DialogRecord& d = s_->dialogs[record];
    const INT_PTR result = d.ended ? d.result : -1;
    d.result = result;
    // The window and its controls are destroyed when the modal run ends.
    s_->windows.erase(reinterpret_cast<ULONG_PTR>(d.hwnd));
    for (const ControlState& cs : d.controls)
        s_->windows.erase(reinterpret_cast<ULONG_PTR>(cs.hwnd));
    for (auto it = s_->liveDialogs.begin(); it != s_->liveDialogs.end(); ++it) {
        if (it->record == record) {
            s_->liveDialogs.erase(it);
            break;
        }
    }
    return c.Ret(result);
}

BOOL Machine::EndDialog(HWND hDlg, INT_PTR nResult) {
    Call c(*s_, "EndDialog", WindowLabel(*s_, hDlg) + "|" + std::to_string(nResult));
    if (c.Faulted()) return c.FailBool(c.Error());
    DialogRecord* d = s_->LiveDialogRecord(hDlg);
    if (d == nullptr) return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
    d->ended = true;
    d->result = nResult;
    return c.Ret<BOOL>(TRUE);
}

// A command posted to a live dialog waits in its queue until its modal loop takes it, after the
// handler that is running now has returned. Other messages are accepted and not delivered: the
// machine's windows handle none of them.
BOOL Machine::PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Call c(*s_, "PostMessageA",
           WindowLabel(*s_, hWnd) + "|" + Hex(Msg) + "|" + Hex(wParam) + "|" +
               Hex(static_cast<ULONG_PTR>(lParam)));
    if (c.Faulted()) return c.FailBool(c.Error());
    const WindowRef* ref = FindWindowRef(*s_, hWnd);
    if (ref == nullptr) return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
    if (ref->kind == WindowRef::Dialog && Msg == WM_COMMAND) {
        DialogRecord* d = s_->LiveDialogRecord(hWnd);
        if (d != nullptr) d->posted.push_back(static_cast<int>(wParam));
    } else if (ref->kind == WindowRef::TopLevel) {
        s_->topLevels[ref->index].messages.push_back(Msg);
    }
    return c.Ret<BOOL>(TRUE);
}

// The machine keeps no region to repaint: every window is up to date, and UpdateWindow sends
// nothing, as Windows does for a window whose update region is empty.
BOOL Machine::UpdateWindow(HWND hWnd) {
    Call c(*s_, "UpdateWindow", WindowLabel(*s_, hWnd));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (FindWindowRef(*s_, hWnd) == nullptr) return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
    return c.Ret<BOOL>(TRUE);
}

void Machine::ScriptUser(std::vector<UserAction> actions) {
    s_->script.insert(s_->script.end(), actions.begin(), actions.end());
}

const std::vector<DialogRecord>& Machine::Dialogs() const {
    return s_->dialogs;
}

}  // namespace sim
