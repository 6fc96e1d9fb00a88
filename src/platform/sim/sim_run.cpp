// What a run needs of the system beyond the removal itself: the command line, a started program's
// exit code, the local time and the system's error texts; and the machine's power, which a test may
// cut after any call.
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/sim/sim_state.h"

namespace sim {

namespace {

template <typename T>
T* HandleOf(State& s, HANDLE h) {
    auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(h));
    return it == s.handles.end() ? nullptr : std::get_if<T>(&it->second);
}

// The system's texts of the errors a run meets, as Windows words them in English.
const char* ErrorText(DWORD code) {
    switch (code) {
        case ERROR_SUCCESS:
            return "The operation completed successfully.";
        case ERROR_FILE_NOT_FOUND:
            return "The system cannot find the file specified.";
        case ERROR_PATH_NOT_FOUND:
            return "The system cannot find the path specified.";
        case ERROR_ACCESS_DENIED:
            return "Access is denied.";
        case ERROR_INVALID_HANDLE:
            return "The handle is invalid.";
        case 19:  // ERROR_WRITE_PROTECT
            return "The media is write protected.";
        case kErrorNotReady:
            return "The device is not ready.";
        case ERROR_SHARING_VIOLATION:
            return "The process cannot access the file because it is being used by another "
                   "process.";
        case ERROR_INVALID_PARAMETER:
            return "The parameter is incorrect.";
        case ERROR_TIMEOUT:
            return "This operation returned because the timeout period expired.";
        default:
            return nullptr;
    }
}

}  // namespace

// ---- test helpers ---------------------------------------------------------------------------
void Machine::SetStartedProcessExitCode(DWORD code) {
    s_->startedExitCode = code;
}

void Machine::SetCommandLine(const std::string& arguments) {
    s_->commandLine = "\"" + s_->moduleFileName + "\"" + (arguments.empty() ? "" : " " + arguments);
}

void Machine::CutPowerAfter(std::size_t calls) {
    s_->powerCutAfter = s_->calls.size() + calls;
}

void Machine::CutPowerAt(const std::string& api, int nth) {
    s_->powerCutApi = api;
    s_->powerCutCountdown = nth;
}

void Machine::RestorePower() {
    s_->powerCutAfter.reset();
    s_->powerCutApi.clear();
}

std::string Machine::ReadFileText(const std::string& windowsPath) const {
    const State::Resolved r = s_->Resolve(windowsPath);
    std::ifstream in(r.disk, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    return text.str();
}

// ---- the port -------------------------------------------------------------------------------
BOOL Machine::GetExitCodeProcess(HANDLE hProcess, DWORD* lpExitCode) {
    Call c(*s_, "GetExitCodeProcess", Hex(reinterpret_cast<ULONG_PTR>(hProcess)));
    if (c.Faulted()) return c.FailBool(c.Error());
    const ProcessObject* p = HandleOf<ProcessObject>(*s_, hProcess);
    if (p == nullptr || lpExitCode == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    // A started program has ended by the time CreateProcessA returns.
    *lpExitCode = s_->startedExitCode;
    return c.Ret<BOOL>(TRUE);
}

char* Machine::GetCommandLineA() {
    Call c(*s_, "GetCommandLineA", "");
    return c.Ret<char*>(s_->commandLine.data());
}

void Machine::GetLocalTime(SYSTEMTIME* lpSystemTime) {
    Call c(*s_, "GetLocalTime", "");
    if (lpSystemTime != nullptr) *lpSystemTime = s_->localTime;
}

DWORD Machine::FormatMessageA(DWORD dwFlags, const void*, DWORD dwMessageId, DWORD, char* lpBuffer,
                              DWORD nSize, void*) {
    Call c(*s_, "FormatMessageA", Hex(dwFlags) + "|" + std::to_string(dwMessageId));
    if (c.Faulted()) return c.FailWith<DWORD>(0, c.Error());
    if ((dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || lpBuffer == nullptr)
        return c.FailWith<DWORD>(0, ERROR_INVALID_PARAMETER);
    const char* text = ErrorText(dwMessageId);
    // Windows ends a system message with a line break.
    if (text == nullptr) return c.FailWith<DWORD>(0, kErrorMrMidNotFound);
    const std::string message = std::string(text) + "\r\n";
    if (message.size() + 1 > nSize) return c.FailWith<DWORD>(0, ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(lpBuffer, message.c_str(), message.size() + 1);
    return c.Ret(static_cast<DWORD>(message.size()));
}

}  // namespace sim
