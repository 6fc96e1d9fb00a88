// Where a modal dialog appears. MFC centres a dialog whose template leaves its place to the
// system (no DS_ABSALIGN, x or y 0) when WM_INITDIALOG has not moved or shown it: without that a
// template at 0, 0 would open in the top-left corner of the screen. This layer stands in for
// MFC's CDialog, so its dialogs appear where the user of an MFC program finds them.
#include <cstring>

#include "framework/afx.h"

namespace mfc {

namespace {

// The rectangle of the work area (the screen less the taskbar) of the monitor that holds the
// window. Windows 95 and NT 4.0 have one screen and no monitor functions: there the system's own
// work area is that monitor's.
RECT WorkAreaOf(HWND hWnd, DWORD defaultMonitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR monitor = Api().MonitorFromWindow(hWnd, defaultMonitor);
    if (monitor != nullptr && Api().GetMonitorInfoA(monitor, &info)) return info.rcWork;
    RECT area{};
    if (Api().SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) return area;
    return RECT{0, 0, Api().GetSystemMetrics(SM_CXSCREEN), Api().GetSystemMetrics(SM_CYSCREEN)};
}

// Whether a window may be centred on: shown and not minimised.
bool Showing(HWND hWnd) {
    const auto style = static_cast<DWORD>(Api().GetWindowLongA(hWnd, GWL_STYLE));
    return (style & static_cast<DWORD>(WS_VISIBLE)) != 0 &&
           (style & static_cast<DWORD>(WS_MINIMIZE)) == 0;
}

}  // namespace

bool DialogTemplateLeavesPlaceToSystem(HINSTANCE instance, UINT templateId) {
    const char* name = MAKEINTRESOURCEA(static_cast<WORD>(templateId));
    const HRSRC found = Api().FindResourceA(instance, name, RT_DIALOG);
    if (found == nullptr) return false;
    const HGLOBAL loaded = Api().LoadResource(instance, found);
    const void* data = loaded != nullptr ? Api().LockResource(loaded) : nullptr;
    if (data == nullptr) return false;
    const DWORD size = Api().SizeofResource(instance, found);
    // A DIALOGEX template starts with its version and 0xFFFF; a plain DLGTEMPLATE with its style,
    // extended style and item count before x and y.
    DLGTEMPLATEEX_HEADER ex{};
    if (size >= sizeof ex) std::memcpy(&ex, data, sizeof ex);
    DWORD style = 0;
    std::int16_t xy[2] = {1, 1};
    if (size >= sizeof ex && ex.signature == 0xFFFF) {
        style = ex.style;
        xy[0] = ex.x;
        xy[1] = ex.y;
    } else if (size >= 18) {
        std::memcpy(&style, data, sizeof style);
        std::memcpy(xy, static_cast<const BYTE*>(data) + 10, sizeof xy);
    } else {
        return false;
    }
    return (style & DS_ABSALIGN) == 0 && (xy[0] == 0 || xy[1] == 0);
}

void CDialog::CenterWindow() {
    // Over the owner while it is shown; else on the work area of the monitor that holds the
    // dialog. Either way the dialog is kept inside that work area.
    RECT dialog{};
    if (!Api().GetWindowRect(m_hWnd, &dialog)) return;
    HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    if (owner != nullptr && !Showing(owner)) owner = nullptr;
    RECT centre{};
    RECT area{};
    if (owner == nullptr) {
        area = WorkAreaOf(m_hWnd, MONITOR_DEFAULTTOPRIMARY);
        centre = area;
    } else {
        if (!Api().GetWindowRect(owner, &centre)) return;
        area = WorkAreaOf(owner, MONITOR_DEFAULTTONEAREST);
    }
    const LONG width = dialog.right - dialog.left;
    const LONG height = dialog.bottom - dialog.top;
    LONG left = (centre.left + centre.right) / 2 - width / 2;
    LONG top = (centre.top + centre.bottom) / 2 - height / 2;
    if (left + width > area.right) left = area.right - width;
    if (left < area.left) left = area.left;
    if (top + height > area.bottom) top = area.bottom - height;
    if (top < area.top) top = area.top;
    Api().SetWindowPos(m_hWnd, nullptr, left, top, -1, -1,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CDialog::InitialPlace CDialog::BeforeInitDialog() const {
    InitialPlace place;
    Api().GetWindowRect(m_hWnd, &place.rect);
    place.style = static_cast<DWORD>(Api().GetWindowLongA(m_hWnd, GWL_STYLE));
    return place;
}

void CDialog::AfterInitDialog(const InitialPlace& before) {
    // Left alone: a dialog that was shown already, or that WM_INITDIALOG showed, made a child or
    // moved; its program has placed it. (The owner is disabled by the modal run before the dialog
    // is made, which MFC's own check asks of it.)
    const auto mask = static_cast<DWORD>(WS_VISIBLE);
    if ((before.style & mask) != 0) return;
    const auto style = static_cast<DWORD>(Api().GetWindowLongA(m_hWnd, GWL_STYLE));
    if ((style & (mask | static_cast<DWORD>(WS_CHILD))) != 0) return;
    RECT now{};
    if (!Api().GetWindowRect(m_hWnd, &now)) return;
    if (now.left != before.rect.left || now.top != before.rect.top) return;
    CWinApp* app = AfxGetApp();
    if (!DialogTemplateLeavesPlaceToSystem(app != nullptr ? app->m_hInstance : nullptr,
                                           m_nIDTemplate)) {
        return;
    }
    CenterWindow();
}

}  // namespace mfc
