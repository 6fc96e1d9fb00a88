// The smallest dialog program that does what the uninstaller's start-up does before its dialog
// shows: one modal dialog from a resource template, its caption and one text set. Its start-up
// time under Wine is the yardstick for the uninstaller's.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

constexpr int kDialogId = 100;
constexpr int kPromptId = 1001;

INT_PTR CALLBACK DialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowTextA(dlg, "Minimal Dialog");
            SetDlgItemTextA(dlg, kPromptId, "Press 'OK' to end.");
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wParam));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    DialogBoxParamA(instance, MAKEINTRESOURCEA(kDialogId), nullptr, DialogProc, 0);
    return 0;
}
