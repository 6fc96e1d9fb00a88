// The user interface: the modal dialog, its controls and messages, message boxes, painting.
#include "platform/win32/win32_internal.h"

namespace win32adapter {

namespace {

// The port's dialog procedure is a plain function; the system calls a CALLBACK (stdcall on x86).
// The thunk below carries the port's procedure and the caller's init parameter in this block,
// which lives on DialogBoxParamA's stack for the whole modal loop and is found again through
// DWLP_USER.
struct DialogThunk {
    w32::DLGPROC proc;
    w32::LPARAM param;
};

INT_PTR CALLBACK ThunkProc(::HWND hwnd, ::UINT msg, ::WPARAM wParam, ::LPARAM lParam) {
    DialogThunk* thunk = nullptr;
    if (msg == WM_INITDIALOG) {
        thunk = As<DialogThunk*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, As<::LONG_PTR>(thunk));
        lParam = thunk->param;
    } else {
        thunk = As<DialogThunk*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) get the dialog manager's default handling.
    if (thunk == nullptr) return 0;
    return thunk->proc(As<w32::HWND>(hwnd), msg, wParam, lParam);
}

}  // namespace

void RealApi::InitCommonControls() {
    static const auto fn = ComCtl32().Find<decltype(&::InitCommonControls)>("InitCommonControls");
    // A system without it has no common controls; the dialog then fails on its own.
    if (fn != nullptr) fn();
}

w32::HINSTANCE RealApi::GetModuleHandleA(const char* lpModuleName) {
    return As<w32::HINSTANCE>(::GetModuleHandleA(lpModuleName));
}

w32::HICON RealApi::LoadIconA(HINSTANCE hInstance, const char* lpIconName) {
    return As<w32::HICON>(::LoadIconA(As<::HINSTANCE>(hInstance), lpIconName));
}

w32::INT_PTR RealApi::DialogBoxParamA(HINSTANCE hInstance, const char* lpTemplateName,
                                      HWND hWndParent, w32::DLGPROC lpDialogFunc,
                                      LPARAM dwInitParam) {
    DialogThunk thunk{lpDialogFunc, dwInitParam};
    return ::DialogBoxParamA(As<::HINSTANCE>(hInstance), lpTemplateName, Wnd(hWndParent), ThunkProc,
                             As<::LPARAM>(&thunk));
}

w32::BOOL RealApi::EndDialog(HWND hDlg, INT_PTR nResult) {
    return ::EndDialog(Wnd(hDlg), nResult);
}

w32::LRESULT RealApi::SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(Wnd(hWnd), Msg, wParam, lParam);
}

w32::LRESULT RealApi::SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam,
                                          UINT fuFlags, UINT uTimeout, w32::DWORD_PTR* lpdwResult) {
    return ::SendMessageTimeoutA(Wnd(hWnd), Msg, wParam, lParam, fuFlags, uTimeout,
                                 As<::PDWORD_PTR>(lpdwResult));
}

w32::BOOL RealApi::SetWindowTextA(HWND hWnd, const char* lpString) {
    return ::SetWindowTextA(Wnd(hWnd), lpString);
}

w32::BOOL RealApi::SetDlgItemTextA(HWND hDlg, int nIDDlgItem, const char* lpString) {
    return ::SetDlgItemTextA(Wnd(hDlg), nIDDlgItem, lpString);
}

w32::HWND RealApi::GetDlgItem(HWND hDlg, int nIDDlgItem) {
    return As<w32::HWND>(::GetDlgItem(Wnd(hDlg), nIDDlgItem));
}

w32::BOOL RealApi::ShowWindow(HWND hWnd, int nCmdShow) {
    return ::ShowWindow(Wnd(hWnd), nCmdShow);
}

w32::HWND RealApi::FindWindowA(const char* lpClassName, const char* lpWindowName) {
    return As<w32::HWND>(::FindWindowA(lpClassName, lpWindowName));
}

int RealApi::MessageBoxA(HWND hWnd, const char* lpText, const char* lpCaption, UINT uType) {
    return ::MessageBoxA(Wnd(hWnd), lpText, lpCaption, uType);
}

w32::BOOL RealApi::IsIconic(HWND hWnd) {
    return ::IsIconic(Wnd(hWnd));
}

int RealApi::GetSystemMetrics(int nIndex) {
    return ::GetSystemMetrics(nIndex);
}

w32::BOOL RealApi::GetClientRect(HWND hWnd, w32::RECT* lpRect) {
    return ::GetClientRect(Wnd(hWnd), As<::LPRECT>(lpRect));
}

w32::BOOL RealApi::DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
    return ::DrawIcon(As<::HDC>(hDC), X, Y, As<::HICON>(hIcon));
}

w32::HDC RealApi::BeginPaint(HWND hWnd, w32::PAINTSTRUCT* lpPaint) {
    return As<w32::HDC>(::BeginPaint(Wnd(hWnd), As<::LPPAINTSTRUCT>(lpPaint)));
}

w32::BOOL RealApi::EndPaint(HWND hWnd, const w32::PAINTSTRUCT* lpPaint) {
    return ::EndPaint(Wnd(hWnd), As<const ::PAINTSTRUCT*>(lpPaint));
}

}  // namespace win32adapter
