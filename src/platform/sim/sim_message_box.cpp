// Message boxes, the program's icon and module, the common controls.
#include "platform/sim/sim_state.h"

namespace sim {

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

HINSTANCE ModuleHandle() {
    return reinterpret_cast<HINSTANCE>(ULONG_PTR{0x00400000});
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

const std::vector<MessageBoxRecord>& Machine::MessageBoxes() const {
    return s_->messageBoxes;
}

bool Machine::CommonControlsInitialised() const {
    return s_->commonControls;
}

}  // namespace sim
