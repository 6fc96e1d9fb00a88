// The minimised dialog's painting: whether it is iconic, the metrics and the client area it paints
// its icon in, the paint session.
#include <cstring>

#include "platform/sim/sim_state.h"

namespace sim {

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

void Machine::SetClientSize(int cx, int cy) {
    s_->clientCx = cx;
    s_->clientCy = cy;
}

}  // namespace sim
