// The calls that let a passive run start itself once its dialog is up: a posted command and an
// immediate repaint. Both are USER32's since Windows 95 and NT 3.1.
#include "platform/win32/win32_internal.h"

namespace win32adapter {

w32::BOOL RealApi::PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageA(Wnd(hWnd), Msg, wParam, lParam);
}

w32::BOOL RealApi::UpdateWindow(HWND hWnd) {
    return ::UpdateWindow(Wnd(hWnd));
}

}  // namespace win32adapter
