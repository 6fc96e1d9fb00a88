// Windows, the modal dialog built from template 102, its controls (the progress bar modelled on
// msctls_progress32), message boxes, icons and painting. The user is scripted: the dialog
// manager feeds the scripted actions to the dialog one at a time, as the real one would deliver
// the input.
#include <cstring>

#include "platform/sim/sim_state.h"
#include "res/dialog_template.h"

namespace sim {

namespace {

constexpr DWORD kWsVisible = 0x10000000;
constexpr UINT kWmSetFont = 0x0030;
constexpr UINT kWmSetText = 0x000C;
constexpr const char* kDialogClass = "#32770";

const LiveDialog* LiveOf(const State& s, std::size_t record) {
    for (const LiveDialog& d : s.liveDialogs)
        if (d.record == record) return &d;
    return nullptr;
}

ControlState* ControlById(DialogRecord& d, int id) {
    for (ControlState& c : d.controls)
        if (c.id == id) return &c;
    return nullptr;
}

HWND ControlHwnd(const DialogRecord& d, int id) {
    for (const ControlState& c : d.controls)
        if (c.id == id) return c.hwnd;
    return nullptr;
}

int ClampToRange(const ProgressState& p, int pos) {
    if (pos < p.low) return p.low;
    if (pos > p.high) return p.high;
    return pos;
}

// The progress bar's messages, as comctl32 (and Wine's progress.c) implement them.
LRESULT ProgressMessage(ProgressState& p, UINT msg, WPARAM wParam, LPARAM lParam) {
    p.messages.emplace_back(msg, wParam);
    switch (msg) {
        case PBM_SETRANGE: {
            const LRESULT previous =
                MAKELPARAM(static_cast<WORD>(p.low), static_cast<WORD>(p.high));
            p.low = LOWORD(static_cast<ULONG_PTR>(lParam));
            p.high = HIWORD(static_cast<ULONG_PTR>(lParam));
            const int pos = ClampToRange(p, p.pos);
            if (pos != p.pos) {
                p.pos = pos;
                p.positions.push_back(pos);
            }
            return previous;
        }
        case PBM_SETSTEP: {
            const int previous = p.step;
            p.step = static_cast<int>(static_cast<LONG_PTR>(wParam));
            return previous;
        }
        case PBM_STEPIT: {
            const int previous = p.pos;
            int pos = p.pos + p.step;
            // Past either end the position starts over from the other, modulo the range.
            const int span = p.high - p.low;
            if (span <= 0) {
                pos = p.low;
            } else if (pos > p.high) {
                pos = (pos - p.low) % span + p.low;
            } else if (pos < p.low) {
                pos = (pos - p.low) % span + p.high;
            }
            p.pos = pos;
            p.positions.push_back(pos);
            return previous;
        }
        case PBM_SETPOS: {
            const int previous = p.pos;
            p.pos = ClampToRange(p, static_cast<int>(static_cast<LONG_PTR>(wParam)));
            p.positions.push_back(p.pos);
            return previous;
        }
        case PBM_DELTAPOS: {
            const int previous = p.pos;
            p.pos = ClampToRange(p, p.pos + static_cast<int>(static_cast<LONG_PTR>(wParam)));
            p.positions.push_back(p.pos);
            return previous;
        }
        case PBM_GETPOS:
            return p.pos;
        default:
            return 0;
    }
}

}  // namespace

HINSTANCE ModuleHandle() {
    return reinterpret_cast<HINSTANCE>(ULONG_PTR{0x00400000});
}

const WindowRef* FindWindowRef(const State& s, HWND h) {
    auto it = s.windows.find(reinterpret_cast<ULONG_PTR>(h));
    return it == s.windows.end() ? nullptr : &it->second;
}

std::string WindowLabel(const State& s, HWND h) {
    auto it = s.windows.find(reinterpret_cast<ULONG_PTR>(h));
    if (it == s.windows.end()) return h == nullptr ? "(null)" : "<bad window>";
    switch (it->second.kind) {
        case WindowRef::TopLevel:
            return "window " + s.topLevels[it->second.index].title;
        case WindowRef::Dialog:
            return "dialog";
        case WindowRef::Control:
            return "ctl " +
                   std::to_string(s.dialogs[it->second.index].controls[it->second.control].id);
    }
    return "<bad window>";
}

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

namespace {

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

// ---- the dialog -----------------------------------------------------------------------------
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

BOOL Machine::EndDialog(HWND hDlg, INT_PTR nResult) {
    Call c(*s_, "EndDialog", WindowLabel(*s_, hDlg) + "|" + std::to_string(nResult));
    if (c.Faulted()) return c.FailBool(c.Error());
    DialogRecord* d = s_->LiveDialogRecord(hDlg);
    if (d == nullptr) return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
    d->ended = true;
    d->result = nResult;
    return c.Ret<BOOL>(TRUE);
}

// ---- messages and window texts --------------------------------------------------------------
namespace {

// A sent message reaching its window: the result the window's procedure gives.
LRESULT Receive(State& s, const WindowRef ref, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    switch (ref.kind) {
        case WindowRef::TopLevel: {
            TopLevelWindow& w = s.topLevels[ref.index];
            w.messages.push_back(Msg);
            // The companion program closes its window when asked to.
            if (Msg == WM_CLOSE) {
                w.closed = true;
                s.windows.erase(reinterpret_cast<ULONG_PTR>(hWnd));
            }
            return 0;
        }
        case WindowRef::Dialog: {
            s.dialogs[ref.index].sentToDialog.push_back(Msg);
            const INT_PTR r = Deliver(s, ref.index, Msg, wParam, lParam);
            // A dialog procedure's TRUE means "handled"; only a few messages return a value.
            const bool valueMessage = Msg == WM_QUERYDRAGICON || Msg == WM_SETICON;
            return valueMessage ? r : 0;
        }
        case WindowRef::Control: {
            ControlState& cs = s.dialogs[ref.index].controls[ref.control];
            if (cs.className == "msctls_progress32")
                return ProgressMessage(s.dialogs[ref.index].progress, Msg, wParam, lParam);
            if (Msg == kWmSetText) {
                cs.text = Str(reinterpret_cast<const char*>(lParam));
                cs.textHistory.push_back(cs.text);
                return TRUE;
            }
            return 0;
        }
    }
    return 0;
}

}  // namespace

LRESULT Machine::SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Call c(*s_, "SendMessageA",
           WindowLabel(*s_, hWnd) + "|" + Hex(Msg) + "|" + std::to_string(wParam) + "|" +
               std::to_string(lParam));
    if (c.Faulted()) return c.FailWith<LRESULT>(0, c.Error());
    const WindowRef* found = FindWindowRef(*s_, hWnd);
    if (found == nullptr) return c.FailWith<LRESULT>(0, ERROR_INVALID_WINDOW_HANDLE);
    return c.Ret(Receive(*s_, *found, hWnd, Msg, wParam, lParam));
}

// A window whose program no longer answers keeps the sender waiting for the timeout; with
// SMTO_ABORTIFHUNG Windows gives up at once on one it already knows to be hung. Either way the
// call fails with ERROR_TIMEOUT and the message is not handled.
LRESULT Machine::SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam,
                                     UINT fuFlags, UINT uTimeout, DWORD_PTR* lpdwResult) {
    Call c(*s_, "SendMessageTimeoutA",
           WindowLabel(*s_, hWnd) + "|" + Hex(Msg) + "|" + Hex(fuFlags) + "|" +
               std::to_string(uTimeout));
    if (c.Faulted()) return c.FailWith<LRESULT>(0, c.Error());
    const WindowRef* found = FindWindowRef(*s_, hWnd);
    if (found == nullptr) return c.FailWith<LRESULT>(0, ERROR_INVALID_WINDOW_HANDLE);
    if (found->kind == WindowRef::TopLevel && s_->topLevels[found->index].hung) {
        s_->topLevels[found->index].messages.push_back(Msg);
        if ((fuFlags & SMTO_ABORTIFHUNG) == 0) s_->sleepTotal += uTimeout;
        return c.FailWith<LRESULT>(0, ERROR_TIMEOUT);
    }
    const LRESULT r = Receive(*s_, *found, hWnd, Msg, wParam, lParam);
    if (lpdwResult != nullptr) *lpdwResult = static_cast<DWORD_PTR>(r);
    return c.Ret<LRESULT>(1);
}

BOOL Machine::SetWindowTextA(HWND hWnd, const char* lpString) {
    Call c(*s_, "SetWindowTextA", WindowLabel(*s_, hWnd) + "|" + Str(lpString));
    if (c.Faulted()) return c.FailBool(c.Error());
    const WindowRef* ref = FindWindowRef(*s_, hWnd);
    if (ref == nullptr) return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
    const std::string text = lpString == nullptr ? "" : lpString;
    switch (ref->kind) {
        case WindowRef::TopLevel:
            s_->topLevels[ref->index].title = text;
            break;
        case WindowRef::Dialog:
            s_->dialogs[ref->index].caption = text;
            s_->dialogs[ref->index].captionHistory.push_back(text);
            break;
        case WindowRef::Control: {
            ControlState& cs = s_->dialogs[ref->index].controls[ref->control];
            cs.text = text;
            cs.textHistory.push_back(text);
            break;
        }
    }
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::SetDlgItemTextA(HWND hDlg, int nIDDlgItem, const char* lpString) {
    Call c(*s_, "SetDlgItemTextA", std::to_string(nIDDlgItem) + "|" + Str(lpString));
    if (c.Faulted()) return c.FailBool(c.Error());
    DialogRecord* d = s_->LiveDialogRecord(hDlg);
    if (d == nullptr) return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
    ControlState* cs = ControlById(*d, nIDDlgItem);
    if (cs == nullptr) return c.FailBool(kErrorControlIdNotFound);
    cs->text = lpString == nullptr ? "" : lpString;
    cs->textHistory.push_back(cs->text);
    return c.Ret<BOOL>(TRUE);
}

HWND Machine::GetDlgItem(HWND hDlg, int nIDDlgItem) {
    Call c(*s_, "GetDlgItem", std::to_string(nIDDlgItem));
    if (c.Faulted()) return c.FailWith<HWND>(nullptr, c.Error());
    DialogRecord* d = s_->LiveDialogRecord(hDlg);
    if (d == nullptr) return c.FailWith<HWND>(nullptr, ERROR_INVALID_WINDOW_HANDLE);
    const HWND h = ControlHwnd(*d, nIDDlgItem);
    if (h == nullptr) return c.FailWith<HWND>(nullptr, kErrorControlIdNotFound);
    return c.Ret(h);
}

BOOL Machine::ShowWindow(HWND hWnd, int nCmdShow) {
    Call c(*s_, "ShowWindow", WindowLabel(*s_, hWnd) + "|" + std::to_string(nCmdShow));
    if (c.Faulted()) return c.FailBool(c.Error());
    const WindowRef* ref = FindWindowRef(*s_, hWnd);
    if (ref == nullptr) return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
    switch (ref->kind) {
        case WindowRef::Control: {
            ControlState& cs = s_->dialogs[ref->index].controls[ref->control];
            const bool was = cs.visible;
            cs.visible = nCmdShow != SW_HIDE;
            return c.Ret<BOOL>(was ? TRUE : FALSE);
        }
        case WindowRef::Dialog: {
            DialogRecord& d = s_->dialogs[ref->index];
            // SW_SHOWMINIMIZED, SW_MINIMIZE, SW_SHOWMINNOACTIVE, SW_FORCEMINIMIZE minimise;
            // SW_SHOWNORMAL, SW_SHOWMAXIMIZED, SW_RESTORE restore.
            if (nCmdShow == 2 || nCmdShow == 6 || nCmdShow == 7 || nCmdShow == 11) d.iconic = true;
            if (nCmdShow == 1 || nCmdShow == 3 || nCmdShow == 9) d.iconic = false;
            const bool was = d.visible;
            d.visible = nCmdShow != SW_HIDE;
            return c.Ret<BOOL>(was ? TRUE : FALSE);
        }
        case WindowRef::TopLevel:
            return c.Ret<BOOL>(TRUE);
    }
    return c.Ret<BOOL>(TRUE);
}

HWND Machine::FindWindowA(const char* lpClassName, const char* lpWindowName) {
    const bool classAtom = lpClassName != nullptr && IS_INTRESOURCE(lpClassName);
    Call c(*s_, "FindWindowA", (classAtom ? "atom" : Str(lpClassName)) + "|" + Str(lpWindowName));
    if (c.Faulted()) return c.FailWith<HWND>(nullptr, c.Error());
    // Titles and class names match without regard to case; a null one matches any.
    auto matches = [&](const std::string& cls, const std::string& title) {
        if (lpWindowName != nullptr && !IEquals(title, lpWindowName)) return false;
        if (lpClassName != nullptr && !classAtom && !IEquals(cls, lpClassName)) return false;
        return true;
    };
    for (const TopLevelWindow& w : s_->topLevels)
        if (!w.closed && matches(w.className, w.title)) return c.Ret(w.hwnd);
    for (const LiveDialog& live : s_->liveDialogs) {
        const DialogRecord& d = s_->dialogs[live.record];
        if (matches(kDialogClass, d.caption)) return c.Ret(d.hwnd);
    }
    return c.Ret<HWND>(nullptr);
}

// ---- message boxes, icons, the module -------------------------------------------------------
int Machine::MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType) {
    Call c(*s_, "MessageBoxA", Str(lpText) + "|" + Str(lpCaption) + "|" + Hex(uType));
    if (c.Faulted()) return c.FailWith(0, c.Error());
    if (hWnd != nullptr && FindWindowRef(*s_, hWnd) == nullptr)
        return c.FailWith(0, ERROR_INVALID_WINDOW_HANDLE);
    MessageBoxRecord r;
    r.owner = hWnd;
    r.ownerWasDialog = s_->LiveDialogRecord(hWnd) != nullptr;
    r.text = lpText == nullptr ? "" : lpText;
    r.caption = lpCaption == nullptr ? "Error" : lpCaption;
    r.type = uType;
    s_->messageBoxes.push_back(std::move(r));
    // The user presses the first button of the box.
    static constexpr int kFirstButton[] = {1 /*OK*/,    1 /*OK*/, 3 /*Abort*/, 6 /*Yes*/, 6 /*Yes*/,
                                           4 /*Retry*/, 2 /*Cancel*/};
    const UINT kind = uType & 0xF;
    return c.Ret(kind < 7 ? kFirstButton[kind] : IDOK);
}

HICON Machine::LoadIconA(HINSTANCE hInstance, const char* lpIconName) {
    const std::string name = IS_INTRESOURCE(lpIconName)
                                 ? std::to_string(reinterpret_cast<ULONG_PTR>(lpIconName))
                                 : Str(lpIconName);
    Call c(*s_, "LoadIconA", name);
    if (c.Faulted()) return c.FailWith<HICON>(nullptr, c.Error());
    // Group icon 132 is the program's only icon; a null instance asks for a system icon.
    if (hInstance != ModuleHandle() || !IS_INTRESOURCE(lpIconName) ||
        reinterpret_cast<ULONG_PTR>(lpIconName) != 132)
        return c.FailWith<HICON>(nullptr, kErrorResourceNameNotFound);
    if (s_->icon == nullptr) s_->icon = reinterpret_cast<HICON>(s_->NewHandleValue());
    return c.Ret(s_->icon);
}

HINSTANCE Machine::GetModuleHandleA(const char* lpModuleName) {
    Call c(*s_, "GetModuleHandleA", Str(lpModuleName));
    if (c.Faulted()) return c.FailWith<HINSTANCE>(nullptr, c.Error());
    if (lpModuleName == nullptr || IEquals(lpModuleName, "tvuninst.exe") ||
        IEquals(lpModuleName, "tvuninst"))
        return c.Ret(ModuleHandle());
    return c.FailWith<HINSTANCE>(nullptr, kErrorModNotFound);
}

void Machine::InitCommonControls() {
    Call c(*s_, "InitCommonControls", "");
    if (!c.Faulted()) s_->commonControls = true;
}

// ---- the minimised dialog's painting --------------------------------------------------------
BOOL Machine::IsIconic(HWND hWnd) {
    Call c(*s_, "IsIconic", WindowLabel(*s_, hWnd));
    if (c.Faulted()) return c.Ret<BOOL>(FALSE);
    DialogRecord* d = s_->LiveDialogRecord(hWnd);
    return c.Ret<BOOL>(d != nullptr && d->iconic ? TRUE : FALSE);
}

int Machine::GetSystemMetrics(int nIndex) {
    Call c(*s_, "GetSystemMetrics", std::to_string(nIndex));
    if (c.Faulted()) return c.Ret(0);
    switch (nIndex) {
        case 0:
            return c.Ret(static_cast<int>(s_->screen.right - s_->screen.left));  // SM_CXSCREEN
        case 1:
            return c.Ret(static_cast<int>(s_->screen.bottom - s_->screen.top));  // SM_CYSCREEN
        case SM_CXICON:
        case SM_CYICON:
            return c.Ret(32);
        case 49:  // SM_CXSMICON
        case 50:
            return c.Ret(16);  // SM_CYSMICON
        default:
            return c.Ret(0);
    }
}

BOOL Machine::GetClientRect(HWND hWnd, RECT* lpRect) {
    Call c(*s_, "GetClientRect", WindowLabel(*s_, hWnd));
    if (c.Faulted()) return c.FailBool(c.Error());
    const WindowRef* ref = FindWindowRef(*s_, hWnd);
    if (ref == nullptr) return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
    if (lpRect == nullptr) return c.FailBool(kErrorNoAccess);
    int cx = 200, cy = 100;
    if (ref->kind == WindowRef::Dialog) {
        cx = s_->clientCx;
        cy = s_->clientCy;
    } else if (ref->kind == WindowRef::Control) {
        // Dialog units of Arial 9 pt come to about 1.5 by 1.625 pixels.
        const ControlState& cs = s_->dialogs[ref->index].controls[ref->control];
        cx = cs.cx * 3 / 2;
        cy = cs.cy * 13 / 8;
    }
    *lpRect = RECT{0, 0, cx, cy};
    return c.Ret<BOOL>(TRUE);
}

HDC Machine::BeginPaint(HWND hWnd, PAINTSTRUCT* lpPaint) {
    Call c(*s_, "BeginPaint", WindowLabel(*s_, hWnd));
    if (c.Faulted()) return c.FailWith<HDC>(nullptr, c.Error());
    const WindowRef* ref = FindWindowRef(*s_, hWnd);
    if (ref == nullptr) return c.FailWith<HDC>(nullptr, ERROR_INVALID_WINDOW_HANDLE);
    if (lpPaint == nullptr) return c.FailWith<HDC>(nullptr, kErrorNoAccess);
    const ULONG_PTR value = s_->NewHandleValue();
    const HDC hdc = reinterpret_cast<HDC>(value);
    s_->handles[value] = PaintSession{hWnd, hdc};
    std::memset(lpPaint, 0, sizeof *lpPaint);
    lpPaint->hdc = hdc;
    lpPaint->fErase = TRUE;
    lpPaint->rcPaint =
        ref->kind == WindowRef::Dialog ? RECT{0, 0, s_->clientCx, s_->clientCy} : RECT{0, 0, 0, 0};
    return c.Ret(hdc);
}

BOOL Machine::EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
    Call c(*s_, "EndPaint", WindowLabel(*s_, hWnd));
    // EndPaint reports no failure on Windows; a call without its BeginPaint is a fault of the
    // program all the same, so it is kept for the tests.
    auto it = lpPaint == nullptr ? s_->handles.end()
                                 : s_->handles.find(reinterpret_cast<ULONG_PTR>(lpPaint->hdc));
    const PaintSession* p =
        it == s_->handles.end() ? nullptr : std::get_if<PaintSession>(&it->second);
    if (p == nullptr || p->hwnd != hWnd) {
        s_->handleErrors.push_back("EndPaint: no matching BeginPaint");
    } else {
        s_->handles.erase(it);
    }
    if (c.Faulted()) return c.FailBool(c.Error());
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
    Call c(*s_, "DrawIcon", std::to_string(X) + "|" + std::to_string(Y));
    if (c.Faulted()) return c.FailBool(c.Error());
    auto it = s_->handles.find(reinterpret_cast<ULONG_PTR>(hDC));
    const PaintSession* p =
        it == s_->handles.end() ? nullptr : std::get_if<PaintSession>(&it->second);
    if (p == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    if (hIcon == nullptr || hIcon != s_->icon) return c.FailBool(kErrorInvalidCursorHandle);
    if (DialogRecord* d = s_->LiveDialogRecord(p->hwnd)) d->drawnIcons.emplace_back(X, Y);
    return c.Ret<BOOL>(TRUE);
}

// ---- test helpers ---------------------------------------------------------------------------
HWND Machine::AddTopLevelWindow(const std::string& title, const std::string& className, bool hung) {
    TopLevelWindow w;
    w.hwnd = reinterpret_cast<HWND>(s_->NewHandleValue());
    w.title = title;
    w.className = className;
    w.hung = hung;
    s_->windows[reinterpret_cast<ULONG_PTR>(w.hwnd)] =
        WindowRef{WindowRef::TopLevel, s_->topLevels.size(), 0};
    s_->topLevels.push_back(std::move(w));
    return s_->topLevels.back().hwnd;
}

const TopLevelWindow* Machine::FindTopLevel(HWND hwnd) const {
    for (const TopLevelWindow& w : s_->topLevels)
        if (w.hwnd == hwnd) return &w;
    return nullptr;
}

void Machine::ScriptUser(std::vector<UserAction> actions) {
    s_->script.insert(s_->script.end(), actions.begin(), actions.end());
}

const std::vector<DialogRecord>& Machine::Dialogs() const {
    return s_->dialogs;
}

const std::vector<MessageBoxRecord>& Machine::MessageBoxes() const {
    return s_->messageBoxes;
}

bool Machine::CommonControlsInitialised() const {
    return s_->commonControls;
}

void Machine::SetClientSize(int cx, int cy) {
    s_->clientCx = cx;
    s_->clientCy = cy;
}

}  // namespace sim
