// Processes, Tool Help snapshots and the program's own access token.
#include <cstring>

#include "platform/sim/sim_state.h"

namespace sim {

namespace {

// GetCurrentProcess's pseudo handle: not a handle to close, and the same value as
// INVALID_HANDLE_VALUE.
HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
constexpr LUID kDebugLuid{20, 0};  // SE_DEBUG_PRIVILEGE
constexpr DWORD kNoMoreFiles = 18;

template <typename T>
T* HandleAs(State& s, HANDLE h) {
    auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(h));
    return it == s.handles.end() ? nullptr : std::get_if<T>(&it->second);
}

Process* FindProcessIn(State& s, DWORD pid) {
    for (Process& p : s.processes)
        if (p.pid == pid) return &p;
    return nullptr;
}

std::string HandleLabel(State& s, HANDLE h) {
    if (h == kCurrentProcess) return "current process";
    auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(h));
    if (it == s.handles.end()) return "<bad handle " + Hex(reinterpret_cast<ULONG_PTR>(h)) + ">";
    if (std::get_if<SnapshotHandle>(&it->second) != nullptr) return "snapshot";
    if (std::get_if<TokenObject>(&it->second) != nullptr) return "token";
    if (const auto* p = std::get_if<ProcessObject>(&it->second))
        return "process " + std::to_string(p->pid);
    if (const auto* t = std::get_if<ThreadObject>(&it->second))
        return "thread of process " + std::to_string(t->pid);
    if (const auto* m = std::get_if<MutexObject>(&it->second)) return "mutex " + m->name;
    if (const auto* f = std::get_if<FileObject>(&it->second)) return "file " + f->disk.string();
    if (std::get_if<JobObject>(&it->second) != nullptr) return "job";
    return "<not a kernel handle " + Hex(reinterpret_cast<ULONG_PTR>(h)) + ">";
}

BOOL NextEntry(State& s, Call& c, HANDLE snapshot, PROCESSENTRY32* entry, bool first) {
    if (c.Faulted()) return c.FailBool(c.Error());
    SnapshotHandle* snap = HandleAs<SnapshotHandle>(s, snapshot);
    if (snap == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    if (entry == nullptr || entry->dwSize < sizeof(PROCESSENTRY32))
        return c.FailBool(ERROR_INSUFFICIENT_BUFFER);
    if (first) snap->next = 0;
    if (snap->next >= snap->processes.size()) return c.FailBool(kNoMoreFiles);
    const auto& [pid, exe] = snap->processes[snap->next++];
    entry->cntUsage = 0;
    entry->th32ProcessID = pid;
    entry->th32DefaultHeapID = 0;
    entry->th32ModuleID = 0;
    entry->cntThreads = 1;
    entry->th32ParentProcessID = 0;
    entry->pcPriClassBase = 8;
    entry->dwFlags = 0;
    std::memset(entry->szExeFile, 0, sizeof entry->szExeFile);
    std::memcpy(entry->szExeFile, exe.c_str(), std::min(exe.size(), sizeof entry->szExeFile - 1));
    return c.Ret<BOOL>(TRUE);
}

}  // namespace

HANDLE Machine::CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID) {
    Call c(*s_, "CreateToolhelp32Snapshot", Hex(dwFlags) + "|" + std::to_string(th32ProcessID));
    if (c.Faulted()) return c.FailWith<HANDLE>(INVALID_HANDLE_VALUE, c.Error());
    SnapshotHandle snap;
    // Only the process list is modelled; other parts of a snapshot come out empty.
    if ((dwFlags & TH32CS_SNAPPROCESS) != 0)
        for (const Process& p : s_->processes)
            if (p.running) snap.processes.emplace_back(p.pid, p.exeFile);
    const ULONG_PTR value = s_->NewHandleValue();
    s_->handles[value] = std::move(snap);
    return c.Ret(reinterpret_cast<HANDLE>(value));
}

BOOL Machine::Process32First(HANDLE hSnapshot, PROCESSENTRY32* lppe) {
    Call c(*s_, "Process32First", HandleLabel(*s_, hSnapshot));
    return NextEntry(*s_, c, hSnapshot, lppe, true);
}

BOOL Machine::Process32Next(HANDLE hSnapshot, PROCESSENTRY32* lppe) {
    Call c(*s_, "Process32Next", HandleLabel(*s_, hSnapshot));
    return NextEntry(*s_, c, hSnapshot, lppe, false);
}

HANDLE Machine::GetCurrentProcess() {
    Call c(*s_, "GetCurrentProcess", "");
    return c.Ret(kCurrentProcess);
}

BOOL Machine::OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, HANDLE* TokenHandle) {
    Call c(*s_, "OpenProcessToken", HandleLabel(*s_, ProcessHandle) + "|" + Hex(DesiredAccess));
    if (TokenHandle != nullptr) *TokenHandle = nullptr;
    if (c.Faulted()) return c.FailBool(c.Error());
    if (ProcessHandle != kCurrentProcess && HandleAs<ProcessObject>(*s_, ProcessHandle) == nullptr)
        return c.FailBool(ERROR_INVALID_HANDLE);
    if (TokenHandle == nullptr) return c.FailBool(kErrorNoAccess);
    // Every token the machine hands out is the program's own; tokens of other processes are
    // not modelled.
    const ULONG_PTR value = s_->NewHandleValue();
    s_->handles[value] = TokenObject{DesiredAccess};
    *TokenHandle = reinterpret_cast<HANDLE>(value);
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::LookupPrivilegeValueA(const char* lpSystemName, const char* lpName, LUID* lpLuid) {
    Call c(*s_, "LookupPrivilegeValueA", Str(lpSystemName) + "|" + Str(lpName));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (lpSystemName != nullptr && *lpSystemName != '\0') return c.FailBool(kRpcServerUnavailable);
    if (lpName == nullptr || lpLuid == nullptr) return c.FailBool(ERROR_INVALID_PARAMETER);
    if (!IEquals(lpName, SE_DEBUG_NAME)) return c.FailBool(ERROR_NO_SUCH_PRIVILEGE);
    *lpLuid = kDebugLuid;
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges,
                                    TOKEN_PRIVILEGES* NewState, DWORD BufferLength,
                                    TOKEN_PRIVILEGES* PreviousState, DWORD* ReturnLength) {
    Call c(*s_, "AdjustTokenPrivileges",
           HandleLabel(*s_, TokenHandle) + "|" + std::to_string(DisableAllPrivileges) + "|" +
               std::to_string(BufferLength));
    if (c.Faulted()) return c.FailBool(c.Error());
    TokenObject* token = HandleAs<TokenObject>(*s_, TokenHandle);
    if (token == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    if ((token->access & TOKEN_ADJUST_PRIVILEGES) == 0 ||
        (PreviousState != nullptr && (token->access & TOKEN_QUERY) == 0))
        return c.FailBool(ERROR_ACCESS_DENIED);
    if (!DisableAllPrivileges && NewState == nullptr) return c.FailBool(ERROR_INVALID_PARAMETER);
    if (PreviousState != nullptr && ReturnLength == nullptr)
        return c.FailBool(ERROR_INVALID_PARAMETER);

    // Work out the new state of the one privilege the machine knows, and what the account does
    // not hold.
    bool notAllAssigned = false;
    bool enable = s_->debugEnabled;
    if (DisableAllPrivileges) {
        enable = false;
    } else {
        for (DWORD i = 0; i < NewState->PrivilegeCount; ++i) {
            const LUID_AND_ATTRIBUTES& p = NewState->Privileges[i];
            const bool isDebug =
                p.Luid.LowPart == kDebugLuid.LowPart && p.Luid.HighPart == kDebugLuid.HighPart;
            if (!isDebug || !s_->debugHeld) {
                notAllAssigned = true;
                continue;
            }
            enable = (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    const bool changed = enable != s_->debugEnabled;
    if (PreviousState != nullptr) {
        // The previous state lists the privileges that changed.
        const DWORD needed =
            static_cast<DWORD>(sizeof(DWORD) + (changed ? sizeof(LUID_AND_ATTRIBUTES) : 0));
        *ReturnLength = needed;
        if (BufferLength < needed) return c.FailBool(ERROR_INSUFFICIENT_BUFFER);
        PreviousState->PrivilegeCount = changed ? 1 : 0;
        if (changed) {
            PreviousState->Privileges[0].Luid = kDebugLuid;
            PreviousState->Privileges[0].Attributes = s_->debugEnabled ? SE_PRIVILEGE_ENABLED : 0;
        }
    }
    s_->debugEnabled = enable;
    // Success either way; what the account lacks shows only in the last-error value.
    s_->lastError = notAllAssigned ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS;
    return c.Ret<BOOL>(TRUE);
}

HANDLE Machine::OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId) {
    Call c(*s_, "OpenProcess", std::to_string(dwProcessId) + "|" + Hex(dwDesiredAccess));
    (void)bInheritHandle;
    if (c.Faulted()) return c.FailWith<HANDLE>(nullptr, c.Error());
    Process* p = FindProcessIn(*s_, dwProcessId);
    if (p == nullptr || !p->running) return c.FailWith<HANDLE>(nullptr, ERROR_INVALID_PARAMETER);
    if (!p->openable || (p->otherAccount && !s_->debugEnabled))
        return c.FailWith<HANDLE>(nullptr, ERROR_ACCESS_DENIED);
    const ULONG_PTR value = s_->NewHandleValue();
    s_->handles[value] = ProcessObject{dwProcessId, dwDesiredAccess};
    return c.Ret(reinterpret_cast<HANDLE>(value));
}

BOOL Machine::TerminateProcess(HANDLE hProcess, UINT uExitCode) {
    Call c(*s_, "TerminateProcess", HandleLabel(*s_, hProcess) + "|" + std::to_string(uExitCode));
    if (c.Faulted()) return c.FailBool(c.Error());
    ProcessObject* h = HandleAs<ProcessObject>(*s_, hProcess);
    if (h == nullptr) return c.FailBool(ERROR_INVALID_HANDLE);
    if ((h->access & PROCESS_TERMINATE) == 0) return c.FailBool(ERROR_ACCESS_DENIED);
    Process* p = FindProcessIn(*s_, h->pid);
    // Ending a process that has already ended is refused, as Windows does.
    if (p == nullptr || !p->running) return c.FailBool(ERROR_ACCESS_DENIED);
    p->running = false;
    p->exitCode = uExitCode;
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::CloseHandle(HANDLE hObject) {
    Call c(*s_, "CloseHandle", HandleLabel(*s_, hObject));
    if (hObject == kCurrentProcess) return c.Ret<BOOL>(TRUE);
    auto it = s_->handles.find(reinterpret_cast<ULONG_PTR>(hObject));
    if (it == s_->handles.end() || (std::get_if<SnapshotHandle>(&it->second) == nullptr &&
                                    std::get_if<TokenObject>(&it->second) == nullptr &&
                                    std::get_if<ProcessObject>(&it->second) == nullptr &&
                                    std::get_if<ThreadObject>(&it->second) == nullptr &&
                                    std::get_if<MutexObject>(&it->second) == nullptr &&
                                    std::get_if<FileObject>(&it->second) == nullptr &&
                                    std::get_if<JobObject>(&it->second) == nullptr))
        return c.FailBool(ERROR_INVALID_HANDLE);
    // The last handle to a named mutex takes its name with it.
    if (const auto* m = std::get_if<MutexObject>(&it->second)) {
        if (--s_->mutexes[m->name].handles <= 0) s_->mutexes.erase(m->name);
    }
    const HandleObject object = std::move(it->second);
    s_->handles.erase(it);
    s_->otherHandles.erase(reinterpret_cast<ULONG_PTR>(hObject));
    // One handle per job: closing it is the last.
    if (const auto* job = std::get_if<JobObject>(&object)) s_->CloseJob(*job);
    if (c.Faulted()) return c.FailBool(c.Error());
    return c.Ret<BOOL>(TRUE);
}

// ---- the program's own process, and the ones it starts ------------------------------------------
void Machine::GetNativeSystemInfo(SYSTEM_INFO* lpSystemInfo) {
    Call c(*s_, "GetNativeSystemInfo", "");
    if (lpSystemInfo == nullptr) return;
    *lpSystemInfo = SYSTEM_INFO{};
    lpSystemInfo->wProcessorArchitecture =
        s_->windows64 ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL;
    lpSystemInfo->dwPageSize = 4096;
    lpSystemInfo->dwNumberOfProcessors = 2;
    lpSystemInfo->dwAllocationGranularity = 65536;
}

BOOL Machine::IsWow64Process(HANDLE hProcess, BOOL* Wow64Process) {
    Call c(*s_, "IsWow64Process", HandleLabel(*s_, hProcess));
    if (c.Faulted()) return c.FailBool(c.Error());
    // The function arrived with XP; before it, a program finds no such export.
    if (!s_->HasXpFunctions()) return c.FailBool(ERROR_PROC_NOT_FOUND);
    if (hProcess != kCurrentProcess || Wow64Process == nullptr)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    *Wow64Process = s_->Wow64() ? TRUE : FALSE;
    return c.Ret<BOOL>(TRUE);
}

DWORD Machine::GetModuleFileNameA(HINSTANCE hModule, char* lpFilename, DWORD nSize) {
    Call c(*s_, "GetModuleFileNameA",
           Hex(reinterpret_cast<ULONG_PTR>(hModule)) + "|" + std::to_string(nSize));
    if (c.Faulted()) return c.FailWith<DWORD>(0, c.Error());
    if (hModule != nullptr || lpFilename == nullptr) return c.FailWith<DWORD>(0, kErrorModNotFound);
    const std::string& name = s_->moduleFileName;
    // Too small a buffer gets the name cut to fit with its terminator, and the error says so
    // (XP and later).
    if (name.size() + 1 > nSize) {
        if (nSize == 0) return c.FailWith<DWORD>(0, ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(lpFilename, name.data(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        return c.FailWith<DWORD>(nSize, ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(lpFilename, name.c_str(), name.size() + 1);
    return c.Ret(static_cast<DWORD>(name.size()));
}

BOOL Machine::CreateProcessA(const char* lpApplicationName, char* lpCommandLine, void*, void*, BOOL,
                             DWORD dwCreationFlags, void*, const char*, STARTUPINFOA* lpStartupInfo,
                             PROCESS_INFORMATION* lpProcessInformation) {
    Call c(*s_, "CreateProcessA",
           Str(lpApplicationName) + "|" + Str(lpCommandLine) + "|" + Hex(dwCreationFlags));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (lpStartupInfo == nullptr || lpProcessInformation == nullptr ||
        lpStartupInfo->cb != sizeof(STARTUPINFOA) || lpApplicationName == nullptr)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    const State::Resolved r = s_->Resolve(s_->ProgramView(lpApplicationName));
    std::error_code ec;
    if ((!r.inside && !r.outside) || !std::filesystem::is_regular_file(r.disk, ec))
        return c.FailBool(r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    std::string image = lpApplicationName;
    image = image.substr(image.find_last_of("\\/") + 1);
    // Before Windows 8 a process in a job cannot start one outside it unless the job allows it.
    if ((dwCreationFlags & CREATE_BREAKAWAY_FROM_JOB) != 0 && s_->inToolJob &&
        !s_->toolJobBreakawayOk)
        return c.FailBool(ERROR_ACCESS_DENIED);
    const DWORD pid = AddProcess(image);
    // The started program ends at once, once it runs (what it does is its own run, not this
    // one's), unless it is made to keep running, as one that waits at its dialog.
    Process& started = s_->processes.back();
    started.suspended = (dwCreationFlags & CREATE_SUSPENDED) != 0;
    started.inToolJob = s_->inToolJob && (dwCreationFlags & CREATE_BREAKAWAY_FROM_JOB) == 0;
    started.running = started.suspended || s_->startedKeepRunning;
    s_->startedProcesses.push_back(Str(lpCommandLine));
    started.exitCode = s_->startedExitCode;
    const ULONG_PTR process = s_->NewHandleValue();
    s_->handles[process] = ProcessObject{pid, PROCESS_ALL_ACCESS};
    const ULONG_PTR thread = s_->NewHandleValue();
    s_->handles[thread] = ThreadObject{pid};
    lpProcessInformation->hProcess = reinterpret_cast<HANDLE>(process);
    lpProcessInformation->hThread = reinterpret_cast<HANDLE>(thread);
    lpProcessInformation->dwProcessId = pid;
    lpProcessInformation->dwThreadId = pid + 1;
    return c.Ret<BOOL>(TRUE);
}

DWORD Machine::WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    Call c(*s_, "WaitForSingleObject", HandleLabel(*s_, hHandle) + "|" + Hex(dwMilliseconds));
    if (c.Faulted()) return c.FailWith<DWORD>(WAIT_FAILED, c.Error());
    const ProcessObject* p = HandleAs<ProcessObject>(*s_, hHandle);
    if (p == nullptr) return c.FailWith<DWORD>(WAIT_FAILED, ERROR_INVALID_HANDLE);
    const Process* process = FindProcessIn(*s_, p->pid);
    // The machine cannot wait for a program that never ends: a fault of the test or the program.
    if (process != nullptr && process->running && dwMilliseconds == INFINITE) {
        s_->handleErrors.push_back("WaitForSingleObject: a process that is still running (" +
                                   std::string(process->suspended ? "suspended" : "waiting") + ")");
        return c.FailWith<DWORD>(WAIT_FAILED, ERROR_INVALID_HANDLE);
    }
    return c.Ret<DWORD>(WAIT_OBJECT_0);
}

// ---- test helpers ---------------------------------------------------------------------------
DWORD Machine::AddProcess(const std::string& exeFile, bool openable) {
    Process p;
    p.pid = s_->nextPid;
    s_->nextPid += 4;
    p.exeFile = exeFile;
    p.openable = openable;
    s_->processes.push_back(p);
    return p.pid;
}

const Process* Machine::FindProcess(DWORD pid) const {
    return FindProcessIn(*s_, pid);
}

const Process* Machine::FindProcessNamed(const std::string& exeFile) const {
    for (auto it = s_->processes.rbegin(); it != s_->processes.rend(); ++it) {
        if (IEquals(it->exeFile, exeFile)) return &*it;
    }
    return nullptr;
}

void Machine::SetProcessOtherAccount(DWORD pid, bool otherAccount) {
    if (Process* p = FindProcessIn(*s_, pid)) p->otherAccount = otherAccount;
}

void Machine::SetDebugPrivilegeHeld(bool held) {
    s_->debugHeld = held;
}

bool Machine::DebugPrivilegeEnabled() const {
    return s_->debugEnabled;
}

}  // namespace sim
