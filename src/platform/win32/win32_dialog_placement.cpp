// Where a dialog is placed: its template read from the resources, its frame measured, the work
// area of its monitor (or of the one screen before 98 and 2000).
#include "platform/win32/win32_internal.h"

namespace win32adapter {

w32::HRSRC RealApi::FindResourceA(HINSTANCE hModule, const char* lpName, const char* lpType) {
    return ::FindResourceA(As<::HMODULE>(hModule), lpName, lpType);
}

w32::HGLOBAL RealApi::LoadResource(HINSTANCE hModule, HRSRC hResInfo) {
    return ::LoadResource(As<::HMODULE>(hModule), As<::HRSRC>(hResInfo));
}

void* RealApi::LockResource(HGLOBAL hResData) {
    return ::LockResource(hResData);
}

w32::DWORD RealApi::SizeofResource(HINSTANCE hModule, HRSRC hResInfo) {
    return ::SizeofResource(As<::HMODULE>(hModule), As<::HRSRC>(hResInfo));
}

w32::LONG RealApi::GetWindowLongA(HWND hWnd, int nIndex) {
    return ::GetWindowLongA(Wnd(hWnd), nIndex);
}

w32::BOOL RealApi::GetWindowRect(HWND hWnd, w32::RECT* lpRect) {
    return ::GetWindowRect(Wnd(hWnd), As<::LPRECT>(lpRect));
}

w32::BOOL RealApi::SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                                UINT uFlags) {
    return ::SetWindowPos(Wnd(hWnd), Wnd(hWndInsertAfter), X, Y, cx, cy, uFlags);
}

w32::HMONITOR RealApi::MonitorFromWindow(HWND hwnd, DWORD dwFlags) {
    static const auto fn = User32().Find<decltype(&::MonitorFromWindow)>("MonitorFromWindow");
    if (fn == nullptr) return ProcNotFound<w32::HMONITOR>(nullptr);
    return As<w32::HMONITOR>(fn(Wnd(hwnd), dwFlags));
}

w32::BOOL RealApi::GetMonitorInfoA(w32::HMONITOR hMonitor, w32::MONITORINFO* lpmi) {
    static const auto fn = User32().Find<decltype(&::GetMonitorInfoA)>("GetMonitorInfoA");
    if (fn == nullptr) return ProcNotFound<w32::BOOL>(FALSE);
    return fn(As<::HMONITOR>(hMonitor), As<::LPMONITORINFO>(lpmi));
}

w32::BOOL RealApi::SystemParametersInfoA(UINT uiAction, UINT uiParam, void* pvParam, UINT fWinIni) {
    return ::SystemParametersInfoA(uiAction, uiParam, pvParam, fWinIni);
}

}  // namespace win32adapter
