#include "app/wow64.h"

#include <string>

#include "app/native_twin.h"
#include "app/run_result.h"
#include "platform/handles.h"

using namespace w32;

namespace {

// A job that ends every process in it when its last handle closes: this process's, at its end.
UniqueHandle KillOnCloseJob() {
    UniqueHandle job(Api().CreateJobObjectA(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job && Api().SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                             sizeof limits) == FALSE)
        job.reset();
    return job;
}

bool Start(const std::string& native, std::string commandLine, DWORD flags,
           PROCESS_INFORMATION& started) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    // CreateProcessA may write to its command line, so it gets a copy of its own.
    return Api().CreateProcessA(native.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags,
                                nullptr, nullptr, &startup, &started) != FALSE;
}

}  // namespace

HandOver RunNativeUninstaller(const std::string& arguments) {
    HandOver result;
    // The 64-bit build lies beside this exe; a path that does not fit (GetModuleFileNameA then
    // gives MAX_PATH and a cut path) is not guessed at.
    char path[MAX_PATH];
    const DWORD length = Api().GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self, native;
    if (length > 0 && length < MAX_PATH) {
        self.assign(path, length);
        const std::size_t slash = self.find_last_of("\\/");
        if (slash != std::string::npos) native = self.substr(0, slash + 1) + kNativeUninstallerName;
    }
    if (native.empty() || native.size() >= MAX_PATH) return result;
    // Held open, sharing only reading, until the child has started: nobody can replace or
    // change the file between its check and its start.
    UniqueHandle image;
    {
        const HANDLE opened = Api().CreateFileA(native.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, 0, nullptr);
        if (opened == INVALID_HANDLE_VALUE) return result;
        image.reset(opened);
    }
    result.notTwin = WhyNotTwin(self, native);
    if (!result.notTwin.empty()) return result;
    const std::string commandLine =
        "\"" + native + "\"" + (arguments.empty() ? std::string() : " " + arguments);
    // Started suspended, put into the job, then let run: it never runs outside the job. Before
    // Windows 8 a process may be in one job only: when this one already runs in a deployment
    // tool's job, the child is in that job too and cannot join ours; it is started again away
    // from that job where the tool's job allows it, else it runs in the tool's job alone, which
    // the tool ends as it ends this one (the log says so).
    UniqueHandle job = KillOnCloseJob();
    if (!job)
        result.notes.push_back("hand-over: no job object (error " +
                               std::to_string(Api().GetLastError()) +
                               "): the 64-bit run would outlive this one");
    PROCESS_INFORMATION started{};
    if (!Start(native, commandLine, CREATE_SUSPENDED, started)) return result;
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    if (job && Api().AssignProcessToJobObject(job.get(), process.get()) == FALSE) {
        const DWORD error = Api().GetLastError();
        Api().TerminateProcess(process.get(), kExitFailure);
        thread.reset();
        process.reset();
        if (Start(native, commandLine, CREATE_SUSPENDED | CREATE_BREAKAWAY_FROM_JOB, started)) {
            process.reset(started.hProcess);
            thread.reset(started.hThread);
            if (Api().AssignProcessToJobObject(job.get(), process.get()) == FALSE) job.reset();
        } else if (Start(native, commandLine, CREATE_SUSPENDED, started)) {
            process.reset(started.hProcess);
            thread.reset(started.hThread);
            job.reset();
        } else {
            return result;
        }
        if (!job)
            result.notes.push_back("hand-over: the 64-bit run is outside this run's job (error " +
                                   std::to_string(error) + "): it would outlive this one");
    }
    Api().ResumeThread(thread.get());
    image.reset();
    DWORD exitCode = 0;
    // A run whose end cannot be waited for or read is not known to have removed anything.
    if (Api().WaitForSingleObject(process.get(), INFINITE) == WAIT_FAILED ||
        Api().GetExitCodeProcess(process.get(), &exitCode) == FALSE) {
        exitCode = kExitFailure;
    }
    result.exitCode = exitCode;
    return result;
}

void TellToRunNativeUninstaller(const char* caption) {
    const std::string text =
        std::string(
            "This is the 32-bit uninstaller, which cannot remove drivers from 64-bit "
            "Windows.\n\nPlease run the 64-bit uninstaller, ") +
        kNativeUninstallerName + ", from the same folder as this program.";
    Api().MessageBoxA(nullptr, text.c_str(), caption, MB_OK | MB_ICONWARNING);
}
