// Windows and the messages they are sent: what a handle stands for, window texts, showing and
// finding windows, and the top-level windows of other programs that the tests put on the desktop.
#include "platform/sim/sim_state.h"

namespace sim {

namespace {

constexpr UINT kWmSetText = 0x000C;
constexpr const char* kDialogClass = "#32770";

ControlState* ControlById(DialogRecord& d, int id) {
    for (ControlState& c : d.controls)
        if (c.id == id) return &c;
    return nullptr;
}

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

HWND ControlHwnd(const DialogRecord& d, int id) {
    for (const ControlState& c : d.controls)
        if (c.id == id) return c.hwnd;
    return nullptr;
}

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

}  // namespace sim
