// Where windows stand on the screen: the dialog template as the resource holds it, window frames
// and their moves, and the one monitor with its work area. The dialog's frame is its client area
// (which grows with the screen's resolution, as the dialog font does) with a fixed frame and a
// caption around it, the classic metrics of a dialog with DS_MODALFRAME.
#include <algorithm>
#include <cstring>

#include "platform/sim/sim_state.h"
#include "res/dialog_template.h"

namespace sim {

namespace {

constexpr ULONG_PTR kDialogResource = 0x00470066;  // what FindResourceA gives for dialog 102
constexpr ULONG_PTR kMonitor = 0x00010001;
constexpr DWORD kErrorResourceTypeNotFound = 1813;
constexpr DWORD kErrorInvalidIndex = 1413;
constexpr DWORD kErrorInvalidMonitorHandle = 1461;
constexpr UINT kSwpNoMove = 0x0002;
constexpr DWORD kMonitorInfoPrimary = 1;
constexpr DWORD kSizeofMonitorInfoExA = sizeof(MONITORINFO) + 32;
constexpr LONG kWsOverlappedWindow = 0x00CF0000;

// SM_CXFIXEDFRAME, SM_CYFIXEDFRAME and SM_CYCAPTION at 96 DPI.
constexpr int kFrame = 3;
constexpr int kCaption = 19;

// A null instance means the program's own module.
bool OwnModule(HINSTANCE hModule) {
    return hModule == nullptr || hModule == ModuleHandle();
}

int Scaled(const State& s, int pixelsAt96) {
    return pixelsAt96 * s.dpi / 96;
}

void PutWord(std::vector<BYTE>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

// ASCII text as the resource's UTF-16 string with its terminator.
void PutText(std::vector<BYTE>& out, const char* text) {
    for (const char* p = text; *p != '\0'; ++p) PutWord(out, static_cast<BYTE>(*p), 2);
    PutWord(out, 0, 2);
}

// The class of a control: the predefined ones by their atom, as the resource compiler writes them.
void PutClass(std::vector<BYTE>& out, const char* className) {
    static const std::pair<const char*, WORD> kAtoms[] = {{"Button", 0x80}, {"Static", 0x82}};
    for (const auto& [name, atom] : kAtoms) {
        if (std::strcmp(name, className) == 0) {
            PutWord(out, 0xFFFF, 2);
            PutWord(out, atom, 2);
            return;
        }
    }
    PutText(out, className);
}

// Dialog 102 laid out as a DIALOGEX resource: the header, no menu, the default class, the
// caption, the font, then each control on a DWORD boundary.
std::vector<BYTE> BuildDialogTemplate() {
    std::vector<BYTE> out;
    PutWord(out, 1, 2);       // dlgVer
    PutWord(out, 0xFFFF, 2);  // signature
    PutWord(out, 0, 4);       // helpID
    PutWord(out, dialog102::kExStyle, 4);
    PutWord(out, dialog102::kStyle, 4);
    PutWord(out, static_cast<std::uint32_t>(std::size(dialog102::kControls)), 2);
    for (int v : {dialog102::kX, dialog102::kY, dialog102::kWidth, dialog102::kHeight})
        PutWord(out, static_cast<std::uint32_t>(v), 2);
    PutWord(out, 0, 2);  // menu
    PutWord(out, 0, 2);  // class
    PutText(out, dialog102::kCaption);
    PutWord(out, dialog102::kFontPoints, 2);
    PutWord(out, 0, 2);  // weight
    PutWord(out, 0, 1);  // italic
    PutWord(out, dialog102::kCharset, 1);
    PutText(out, dialog102::kFont);
    for (const dialog102::Control& c : dialog102::kControls) {
        while (out.size() % 4 != 0) out.push_back(0);
        PutWord(out, 0, 4);  // helpID
        PutWord(out, 0, 4);  // exStyle
        PutWord(out, c.style, 4);
        for (int v : {c.x, c.y, c.cx, c.cy}) PutWord(out, static_cast<std::uint32_t>(v), 2);
        PutWord(out, static_cast<std::uint32_t>(c.id), 4);
        PutClass(out, c.className);
        PutText(out, c.text);
        PutWord(out, 0, 2);  // no creation data
    }
    return out;
}

// Made on first use and kept, as a loaded resource stays where it is.
std::vector<BYTE>& DialogTemplate(State& s) {
    if (s.dialogTemplate.empty()) s.dialogTemplate = BuildDialogTemplate();
    return s.dialogTemplate;
}

}  // namespace

// ---- the dialog's frame ---------------------------------------------------------------------
// The frame that the dialog manager gives a new dialog: its template places it at the screen's
// origin (no owner, no DS_ABSALIGN), and it is then moved into the monitor's work area.
RECT InitialDialogFrame(const State& s) {
    const int cx = s.clientCx + 2 * Scaled(s, kFrame);
    const int cy = s.clientCy + 2 * Scaled(s, kFrame) + Scaled(s, kCaption);
    const LONG left = std::max<LONG>(s.screen.left, s.workArea.left);
    const LONG top = std::max<LONG>(s.screen.top, s.workArea.top);
    return RECT{left, top, left + cx, top + cy};
}

// ---- resources ------------------------------------------------------------------------------
HRSRC Machine::FindResourceA(HINSTANCE hModule, const char* lpName, const char* lpType) {
    Call c(*s_, "FindResourceA",
           (IS_INTRESOURCE(lpName) ? std::to_string(reinterpret_cast<ULONG_PTR>(lpName))
                                   : Str(lpName)) +
               "|" +
               (IS_INTRESOURCE(lpType) ? std::to_string(reinterpret_cast<ULONG_PTR>(lpType))
                                       : Str(lpType)));
    if (c.Faulted()) return c.FailWith<HRSRC>(nullptr, c.Error());
    if (!OwnModule(hModule)) return c.FailWith<HRSRC>(nullptr, kErrorResourceTypeNotFound);
    if (lpType != RT_DIALOG) return c.FailWith<HRSRC>(nullptr, kErrorResourceTypeNotFound);
    if (!IS_INTRESOURCE(lpName) ||
        reinterpret_cast<ULONG_PTR>(lpName) != static_cast<ULONG_PTR>(dialog102::kId))
        return c.FailWith<HRSRC>(nullptr, kErrorResourceNameNotFound);
    return c.Ret(reinterpret_cast<HRSRC>(kDialogResource));
}

HGLOBAL Machine::LoadResource(HINSTANCE hModule, HRSRC hResInfo) {
    Call c(*s_, "LoadResource", Hex(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hResInfo))));
    if (c.Faulted()) return c.FailWith<HGLOBAL>(nullptr, c.Error());
    if (!OwnModule(hModule) || reinterpret_cast<ULONG_PTR>(hResInfo) != kDialogResource)
        return c.FailWith<HGLOBAL>(nullptr, ERROR_INVALID_HANDLE);
    return c.Ret<HGLOBAL>(DialogTemplate(*s_).data());
}

// A loaded resource needs no locking: the handle is the resource's address.
void* Machine::LockResource(HGLOBAL hResData) {
    Call c(*s_, "LockResource", "");
    if (c.Faulted()) return c.FailWith<void*>(nullptr, c.Error());
    return c.Ret(hResData);
}

DWORD Machine::SizeofResource(HINSTANCE hModule, HRSRC hResInfo) {
    Call c(*s_, "SizeofResource", Hex(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hResInfo))));
    if (c.Faulted()) return c.FailWith<DWORD>(0, c.Error());
    if (!OwnModule(hModule) || reinterpret_cast<ULONG_PTR>(hResInfo) != kDialogResource)
        return c.FailWith<DWORD>(0, ERROR_INVALID_HANDLE);
    return c.Ret(static_cast<DWORD>(DialogTemplate(*s_).size()));
}

// ---- window styles and frames ---------------------------------------------------------------
LONG Machine::GetWindowLongA(HWND hWnd, int nIndex) {
    Call c(*s_, "GetWindowLongA", std::to_string(nIndex));
    if (c.Faulted()) return c.FailWith<LONG>(0, c.Error());
    const WindowRef* found = FindWindowRef(*s_, hWnd);
    if (found == nullptr) return c.FailWith<LONG>(0, ERROR_INVALID_WINDOW_HANDLE);
    if (nIndex != GWL_STYLE) return c.FailWith<LONG>(0, kErrorInvalidIndex);
    const WindowRef& ref = *found;
    auto withVisible = [](DWORD style, bool visible) {
        return static_cast<LONG>(visible ? style | static_cast<DWORD>(WS_VISIBLE)
                                         : style & ~static_cast<DWORD>(WS_VISIBLE));
    };
    switch (ref.kind) {
        case WindowRef::Dialog: {
            const DialogRecord& d = s_->dialogs[ref.index];
            const LONG style = withVisible(dialog102::kStyle, d.visible);
            return c.Ret(d.iconic ? style | WS_MINIMIZE : style);
        }
        case WindowRef::Control: {
            const ControlState& cs = s_->dialogs[ref.index].controls[ref.control];
            return c.Ret(withVisible(cs.style, cs.visible));
        }
        case WindowRef::TopLevel:
            return c.Ret(kWsOverlappedWindow | WS_VISIBLE);
    }
    return c.Ret<LONG>(0);
}

BOOL Machine::GetWindowRect(HWND hWnd, RECT* lpRect) {
    Call c(*s_, "GetWindowRect", WindowLabel(*s_, hWnd));
    if (c.Faulted()) return c.FailBool(c.Error());
    const WindowRef* found = FindWindowRef(*s_, hWnd);
    if (found == nullptr) return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
    if (lpRect == nullptr) return c.FailBool(kErrorNoAccess);
    const WindowRef& ref = *found;
    switch (ref.kind) {
        case WindowRef::Dialog:
            *lpRect = s_->dialogs[ref.index].window;
            break;
        case WindowRef::TopLevel:
            *lpRect = s_->topLevels[ref.index].rect;
            break;
        case WindowRef::Control: {
            // Template places in dialog units, which the client area's size turns into pixels.
            const DialogRecord& d = s_->dialogs[ref.index];
            const ControlState& cs = d.controls[ref.control];
            const LONG x =
                d.window.left + Scaled(*s_, kFrame) + cs.x * s_->clientCx / dialog102::kWidth;
            const LONG y = d.window.top + Scaled(*s_, kFrame) + Scaled(*s_, kCaption) +
                           cs.y * s_->clientCy / dialog102::kHeight;
            *lpRect = RECT{x, y, x + cs.cx * s_->clientCx / dialog102::kWidth,
                           y + cs.cy * s_->clientCy / dialog102::kHeight};
            break;
        }
    }
    return c.Ret<BOOL>(TRUE);
}

// The program moves top-level windows only; a control keeps its template place in the model.
BOOL Machine::SetWindowPos(HWND hWnd, HWND, int X, int Y, int cx, int cy, UINT uFlags) {
    Call c(*s_, "SetWindowPos",
           WindowLabel(*s_, hWnd) + "|" + std::to_string(X) + "|" + std::to_string(Y) + "|" +
               std::to_string(cx) + "|" + std::to_string(cy) + "|" + Hex(uFlags));
    if (c.Faulted()) return c.FailBool(c.Error());
    const WindowRef* found = FindWindowRef(*s_, hWnd);
    if (found == nullptr) return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
    RECT* frame = nullptr;
    if (found->kind == WindowRef::Dialog) frame = &s_->dialogs[found->index].window;
    if (found->kind == WindowRef::TopLevel) frame = &s_->topLevels[found->index].rect;
    if (frame == nullptr) return c.Ret<BOOL>(TRUE);
    if ((uFlags & SWP_NOSIZE) == 0) {
        frame->right = frame->left + cx;
        frame->bottom = frame->top + cy;
    }
    if ((uFlags & kSwpNoMove) == 0) {
        *frame = RECT{X, Y, X + (frame->right - frame->left), Y + (frame->bottom - frame->top)};
    }
    return c.Ret<BOOL>(TRUE);
}

// ---- the monitor ----------------------------------------------------------------------------
HMONITOR Machine::MonitorFromWindow(HWND hwnd, DWORD dwFlags) {
    Call c(*s_, "MonitorFromWindow", WindowLabel(*s_, hwnd) + "|" + Hex(dwFlags));
    if (c.Faulted()) return c.FailWith<HMONITOR>(nullptr, c.Error());
    if (!s_->HasMonitorFunctions()) return c.FailWith<HMONITOR>(nullptr, ERROR_PROC_NOT_FOUND);
    // Every window lies on the one monitor; a window that does not exist is on none, and the
    // flags say whether the primary one stands in for it.
    const bool known = s_->windows.count(reinterpret_cast<ULONG_PTR>(hwnd)) != 0;
    if (!known && dwFlags != MONITOR_DEFAULTTOPRIMARY && dwFlags != MONITOR_DEFAULTTONEAREST)
        return c.Ret<HMONITOR>(nullptr);
    return c.Ret(reinterpret_cast<HMONITOR>(kMonitor));
}

BOOL Machine::GetMonitorInfoA(HMONITOR hMonitor, MONITORINFO* lpmi) {
    Call c(*s_, "GetMonitorInfoA", Hex(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hMonitor))));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (!s_->HasMonitorFunctions()) return c.FailBool(ERROR_PROC_NOT_FOUND);
    if (reinterpret_cast<ULONG_PTR>(hMonitor) != kMonitor)
        return c.FailBool(kErrorInvalidMonitorHandle);
    if (lpmi == nullptr ||
        (lpmi->cbSize != sizeof(MONITORINFO) && lpmi->cbSize != kSizeofMonitorInfoExA))
        return c.FailBool(ERROR_INVALID_PARAMETER);
    lpmi->rcMonitor = s_->screen;
    lpmi->rcWork = s_->workArea;
    lpmi->dwFlags = kMonitorInfoPrimary;
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::SystemParametersInfoA(UINT uiAction, UINT, void* pvParam, UINT) {
    Call c(*s_, "SystemParametersInfoA", Hex(uiAction));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (uiAction != SPI_GETWORKAREA || pvParam == nullptr)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    *static_cast<RECT*>(pvParam) = s_->workArea;
    return c.Ret<BOOL>(TRUE);
}

// ---- test helpers ---------------------------------------------------------------------------
void Machine::SetDpi(int dpi) {
    s_->dpi = dpi;
    s_->clientCx = 345 * dpi / 96;
    s_->clientCy = 146 * dpi / 96;
}

void Machine::SetWorkArea(const RECT& workArea) {
    s_->workArea = workArea;
}

RECT Machine::WorkArea() const {
    return s_->workArea;
}

}  // namespace sim
