// The hand-over's child in a job object (killed when the job's last handle closes, nesting refused
// before Windows 8), started suspended and let go; the error mode; the window station, which a
// test may make one nobody sees.
#include <algorithm>

#include "platform/sim/sim_state.h"

namespace sim {

namespace {

// A value that stands for the process's window station, which is never closed.
const auto kWindowStation = reinterpret_cast<HWINSTA>(static_cast<ULONG_PTR>(0x7A10));

template <typename T>
T* HandleAs(State& s, HANDLE h) {
    auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(h));
    return it == s.handles.end() ? nullptr : std::get_if<T>(&it->second);
}

bool Windows2000(const State& s) {
    return s.platformId == VER_PLATFORM_WIN32_NT && s.major >= 5;
}

}  // namespace

void State::CloseJob(const JobObject& job) {
    if (!job.killOnClose) return;
    for (Process& p : processes) {
        if (std::find(job.pids.begin(), job.pids.end(), p.pid) == job.pids.end() || !p.running)
            continue;
        p.running = false;
        p.suspended = false;
        p.exitCode = 0;
    }
}

// ---- test helpers -----------------------------------------------------------------------------
void Machine::SetWindowStationVisible(bool visible) {
    s_->windowStationVisible = visible;
}

UINT Machine::ErrorMode() const {
    return s_->errorMode;
}

void Machine::SetStartedProcessesKeepRunning(bool keepRunning) {
    s_->startedKeepRunning = keepRunning;
}

void Machine::RunProgramInJob(bool breakawayOk) {
    s_->inToolJob = true;
    s_->toolJobBreakawayOk = breakawayOk;
}

// ---- jobs, the window station, the error mode -----------------------------------------------
HANDLE Machine::CreateJobObjectA(SECURITY_ATTRIBUTES*, const char* lpName) {
    Call c(*s_, "CreateJobObjectA", Str(lpName));
    if (c.Faulted()) return c.FailWith<HANDLE>(nullptr, c.Error());
    if (!Windows2000(*s_)) return c.FailWith<HANDLE>(nullptr, ERROR_PROC_NOT_FOUND);
    const ULONG_PTR value = s_->NewHandleValue();
    s_->handles[value] = JobObject{};
    return c.Ret(reinterpret_cast<HANDLE>(value));
}

BOOL Machine::SetInformationJobObject(HANDLE job, JOBOBJECTINFOCLASS kind, void* info,
                                      DWORD length) {
    Call c(*s_, "SetInformationJobObject", std::to_string(kind) + "|" + std::to_string(length));
    if (c.Faulted()) return c.FailBool(c.Error());
    JobObject* j = HandleAs<JobObject>(*s_, job);
    if (j == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    if (kind != JobObjectExtendedLimitInformation || info == nullptr)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    if (length != sizeof(JOBOBJECT_EXTENDED_LIMIT_INFORMATION))
        return c.FailBool(24);  // BAD_LENGTH
    const auto* limits = static_cast<const JOBOBJECT_EXTENDED_LIMIT_INFORMATION*>(info);
    j->killOnClose =
        (limits->BasicLimitInformation.LimitFlags & JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE) != 0;
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::AssignProcessToJobObject(HANDLE job, HANDLE process) {
    Call c(*s_, "AssignProcessToJobObject", Hex(reinterpret_cast<ULONG_PTR>(process)));
    if (c.Faulted()) return c.FailBool(c.Error());
    JobObject* j = HandleAs<JobObject>(*s_, job);
    const ProcessObject* p = HandleAs<ProcessObject>(*s_, process);
    if (j == nullptr || p == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    // Before Windows 8 a process in one job cannot join another.
    const bool nesting = s_->major > 6 || (s_->major == 6 && s_->minor >= 2);
    for (const Process& started : s_->processes) {
        if (started.pid == p->pid && started.inToolJob && !nesting)
            return c.FailBool(ERROR_ACCESS_DENIED);
    }
    j->pids.push_back(p->pid);
    return c.Ret<BOOL>(TRUE);
}

DWORD Machine::ResumeThread(HANDLE thread) {
    Call c(*s_, "ResumeThread", Hex(reinterpret_cast<ULONG_PTR>(thread)));
    if (c.Faulted()) return c.FailWith<DWORD>(0xFFFFFFFFu, c.Error());
    const ThreadObject* t = HandleAs<ThreadObject>(*s_, thread);
    if (t == nullptr) return c.FailWith<DWORD>(0xFFFFFFFFu, ERROR_INVALID_HANDLE);
    for (Process& p : s_->processes) {
        if (p.pid != t->pid || !p.suspended) continue;
        p.suspended = false;
        p.running = s_->startedKeepRunning;
        return c.Ret<DWORD>(1);  // the suspend count before the call
    }
    return c.Ret<DWORD>(0);
}

UINT Machine::SetErrorMode(UINT uMode) {
    Call c(*s_, "SetErrorMode", Hex(uMode));
    const UINT previous = s_->errorMode;
    s_->errorMode = uMode;
    return c.Ret(previous);
}

HWINSTA Machine::GetProcessWindowStation() {
    Call c(*s_, "GetProcessWindowStation", "");
    if (c.Faulted()) return c.FailWith<HWINSTA>(nullptr, c.Error());
    if (s_->platformId != VER_PLATFORM_WIN32_NT)
        return c.FailWith<HWINSTA>(nullptr, ERROR_CALL_NOT_IMPLEMENTED);
    return c.Ret(kWindowStation);
}

BOOL Machine::GetUserObjectInformationA(HANDLE object, int index, void* info, DWORD length,
                                        DWORD* needed) {
    Call c(*s_, "GetUserObjectInformationA", std::to_string(index) + "|" + std::to_string(length));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (object != static_cast<HANDLE>(kWindowStation)) return c.FailBool(ERROR_INVALID_HANDLE);
    if (index != UOI_FLAGS) return c.FailBool(ERROR_INVALID_PARAMETER);
    if (needed != nullptr) *needed = sizeof(USEROBJECTFLAGS);
    if (info == nullptr || length < sizeof(USEROBJECTFLAGS))
        return c.FailBool(ERROR_INSUFFICIENT_BUFFER);
    *static_cast<USEROBJECTFLAGS*>(info) =
        USEROBJECTFLAGS{FALSE, FALSE, s_->windowStationVisible ? WSF_VISIBLE : 0};
    return c.Ret<BOOL>(TRUE);
}

}  // namespace sim
