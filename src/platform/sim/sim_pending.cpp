// Areas of the machine that are not modelled yet: every call fails as Windows fails it.
#include "platform/sim/sim_state.h"

namespace sim {

namespace {
constexpr DWORD kNotImplemented = 120;  // ERROR_CALL_NOT_IMPLEMENTED
}

HDEVINFO Machine::SetupDiGetClassDevsA(const GUID*, const char*, HWND, DWORD Flags) {
    Call c(*s_, "SetupDiGetClassDevsA", Hex(Flags));
    return c.FailWith<HDEVINFO>(INVALID_HANDLE_VALUE, kNotImplemented);
}
BOOL Machine::SetupDiEnumDeviceInfo(HDEVINFO, DWORD i, SP_DEVINFO_DATA*) {
    Call c(*s_, "SetupDiEnumDeviceInfo", std::to_string(i));
    return c.FailBool(ERROR_INVALID_HANDLE);
}
BOOL Machine::SetupDiGetDeviceRegistryPropertyA(HDEVINFO, SP_DEVINFO_DATA*, DWORD, DWORD*, BYTE*,
                                                DWORD, DWORD*) {
    Call c(*s_, "SetupDiGetDeviceRegistryPropertyA", "");
    return c.FailBool(ERROR_INVALID_HANDLE);
}
BOOL Machine::SetupDiRemoveDevice(HDEVINFO, SP_DEVINFO_DATA*) {
    Call c(*s_, "SetupDiRemoveDevice", "");
    return c.FailBool(ERROR_INVALID_HANDLE);
}
BOOL Machine::SetupDiDestroyDeviceInfoList(HDEVINFO) {
    Call c(*s_, "SetupDiDestroyDeviceInfoList", "");
    return c.FailBool(ERROR_INVALID_HANDLE);
}
HANDLE Machine::CreateToolhelp32Snapshot(DWORD f, DWORD) {
    Call c(*s_, "CreateToolhelp32Snapshot", Hex(f));
    return c.FailWith<HANDLE>(INVALID_HANDLE_VALUE, kNotImplemented);
}
BOOL Machine::Process32First(HANDLE, PROCESSENTRY32*) {
    Call c(*s_, "Process32First", "");
    return c.FailBool(ERROR_INVALID_HANDLE);
}
BOOL Machine::Process32Next(HANDLE, PROCESSENTRY32*) {
    Call c(*s_, "Process32Next", "");
    return c.FailBool(ERROR_INVALID_HANDLE);
}
HANDLE Machine::GetCurrentProcess() {
    Call c(*s_, "GetCurrentProcess", "");
    return c.Ret<HANDLE>(INVALID_HANDLE_VALUE);
}
BOOL Machine::OpenProcessToken(HANDLE, DWORD, HANDLE* t) {
    Call c(*s_, "OpenProcessToken", "");
    if (t != nullptr) *t = nullptr;
    return c.FailBool(kNotImplemented);
}
BOOL Machine::LookupPrivilegeValueA(const char*, const char* n, LUID*) {
    Call c(*s_, "LookupPrivilegeValueA", Str(n));
    return c.FailBool(kNotImplemented);
}
BOOL Machine::AdjustTokenPrivileges(HANDLE, BOOL, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*,
                                    DWORD*) {
    Call c(*s_, "AdjustTokenPrivileges", "");
    return c.FailBool(ERROR_INVALID_HANDLE);
}
HANDLE Machine::OpenProcess(DWORD, BOOL, DWORD pid) {
    Call c(*s_, "OpenProcess", std::to_string(pid));
    return c.FailWith<HANDLE>(nullptr, ERROR_INVALID_PARAMETER);
}
BOOL Machine::TerminateProcess(HANDLE, UINT) {
    Call c(*s_, "TerminateProcess", "");
    return c.FailBool(ERROR_INVALID_HANDLE);
}
BOOL Machine::CloseHandle(HANDLE h) {
    Call c(*s_, "CloseHandle", Hex(reinterpret_cast<ULONG_PTR>(h)));
    if (h == INVALID_HANDLE_VALUE) return c.Ret<BOOL>(TRUE);
    return c.FailBool(ERROR_INVALID_HANDLE);
}
void Machine::InitCommonControls() {
    Call c(*s_, "InitCommonControls", "");
    if (!c.Faulted()) s_->commonControls = true;
}
HINSTANCE Machine::GetModuleHandleA(const char* n) {
    Call c(*s_, "GetModuleHandleA", Str(n));
    return c.Ret(reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(0x400000)));
}
HICON Machine::LoadIconA(HINSTANCE, const char*) {
    Call c(*s_, "LoadIconA", "");
    return c.FailWith<HICON>(nullptr, kErrorResourceNameNotFound);
}
INT_PTR Machine::DialogBoxParamA(HINSTANCE, const char*, HWND, DLGPROC, LPARAM) {
    Call c(*s_, "DialogBoxParamA", "");
    return c.FailWith<INT_PTR>(-1, kNotImplemented);
}
BOOL Machine::EndDialog(HWND, INT_PTR) {
    Call c(*s_, "EndDialog", "");
    return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
}
LRESULT Machine::SendMessageA(HWND, UINT m, WPARAM, LPARAM) {
    Call c(*s_, "SendMessageA", Hex(m));
    return c.FailWith<LRESULT>(0, ERROR_INVALID_WINDOW_HANDLE);
}
BOOL Machine::SetWindowTextA(HWND, const char* t) {
    Call c(*s_, "SetWindowTextA", Str(t));
    return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
}
BOOL Machine::SetDlgItemTextA(HWND, int id, const char*) {
    Call c(*s_, "SetDlgItemTextA", std::to_string(id));
    return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
}
HWND Machine::GetDlgItem(HWND, int id) {
    Call c(*s_, "GetDlgItem", std::to_string(id));
    return c.FailWith<HWND>(nullptr, ERROR_INVALID_WINDOW_HANDLE);
}
BOOL Machine::ShowWindow(HWND, int n) {
    Call c(*s_, "ShowWindow", std::to_string(n));
    return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
}
HWND Machine::FindWindowA(const char* cls, const char* title) {
    Call c(*s_, "FindWindowA", Str(cls) + "|" + Str(title));
    return c.FailWith<HWND>(nullptr, 1400);
}
int Machine::MessageBoxA(HWND, const char* text, const char* caption, UINT type) {
    Call c(*s_, "MessageBoxA", Str(text) + "|" + Str(caption) + "|" + Hex(type));
    return c.Ret(IDOK);
}
BOOL Machine::IsIconic(HWND) {
    Call c(*s_, "IsIconic", "");
    return c.Ret<BOOL>(FALSE);
}
int Machine::GetSystemMetrics(int i) {
    Call c(*s_, "GetSystemMetrics", std::to_string(i));
    return c.Ret((i == SM_CXICON || i == SM_CYICON) ? 32 : 0);
}
BOOL Machine::GetClientRect(HWND, RECT*) {
    Call c(*s_, "GetClientRect", "");
    return c.FailBool(ERROR_INVALID_WINDOW_HANDLE);
}
BOOL Machine::DrawIcon(HDC, int, int, HICON) {
    Call c(*s_, "DrawIcon", "");
    return c.FailBool(ERROR_INVALID_HANDLE);
}
HDC Machine::BeginPaint(HWND, PAINTSTRUCT*) {
    Call c(*s_, "BeginPaint", "");
    return c.FailWith<HDC>(nullptr, ERROR_INVALID_WINDOW_HANDLE);
}
BOOL Machine::EndPaint(HWND, const PAINTSTRUCT*) {
    Call c(*s_, "EndPaint", "");
    return c.Ret<BOOL>(TRUE);
}

// Setup and inspection.
void Machine::AddDevice(const std::string& instancePath, const std::vector<std::string>& ids,
                        const std::string& classGuid, const std::string& driverKey) {
    const std::string path = "SYSTEM\\CurrentControlSet\\Enum\\" + instancePath;
    SetString(HKEY_LOCAL_MACHINE, path, "ClassGUID", classGuid);
    if (!ids.empty()) SetMultiString(HKEY_LOCAL_MACHINE, path, "HardwareID", ids);
    if (!driverKey.empty()) SetString(HKEY_LOCAL_MACHINE, path, "Driver", driverKey);
}
void Machine::SetDevicePresent(const std::string& p, bool present) {
    if (present)
        s_->absentDevices.erase(Upper(p));
    else
        s_->absentDevices.insert(Upper(p));
}
void Machine::FailHardwareIdRead(const std::string& p, DWORD e) {
    s_->failingHardwareIds[Upper(p)] = e;
}
std::vector<std::string> Machine::RemovedDevices() const {
    return s_->removedDevices;
}
int Machine::RemoveRequests() const {
    return s_->removeRequests;
}
DWORD Machine::AddProcess(const std::string& exe, bool openable) {
    Process p;
    p.pid = s_->nextPid;
    s_->nextPid += 4;
    p.exeFile = exe;
    p.openable = openable;
    s_->processes.push_back(p);
    return p.pid;
}
const Process* Machine::FindProcess(DWORD pid) const {
    for (const Process& p : s_->processes)
        if (p.pid == pid) return &p;
    return nullptr;
}
void Machine::SetProcessOtherAccount(DWORD pid, bool other) {
    for (Process& p : s_->processes)
        if (p.pid == pid) p.otherAccount = other;
}
void Machine::SetDebugPrivilegeHeld(bool held) {
    s_->debugHeld = held;
}
bool Machine::DebugPrivilegeEnabled() const {
    return s_->debugEnabled;
}
HWND Machine::AddTopLevelWindow(const std::string& title, const std::string& className) {
    TopLevelWindow w;
    w.hwnd = reinterpret_cast<HWND>(s_->NewHandleValue());
    w.title = title;
    w.className = className;
    s_->topLevels.push_back(w);
    return w.hwnd;
}
const TopLevelWindow* Machine::FindTopLevel(HWND h) const {
    for (const TopLevelWindow& w : s_->topLevels)
        if (w.hwnd == h) return &w;
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
DialogRecord* State::LiveDialogRecord(HWND) {
    return nullptr;
}
const ControlState* DialogRecord::Control(int id) const {
    for (const ControlState& c : controls)
        if (c.id == id) return &c;
    return nullptr;
}

}  // namespace sim
