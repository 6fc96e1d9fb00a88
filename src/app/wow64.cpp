#include "app/wow64.h"

#include <string>

#include "platform/handles.h"

using namespace w32;

std::optional<DWORD> RunNativeUninstaller(const std::string& arguments) {
    // The 64-bit build lies beside this exe; a path that does not fit is not guessed at.
    char path[MAX_PATH];
    const DWORD length = Api().GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string native;
    if (length > 0 && length < MAX_PATH) {
        const std::string self(path, length);
        const std::size_t slash = self.find_last_of("\\/");
        if (slash != std::string::npos) native = self.substr(0, slash + 1) + kNativeUninstallerName;
    }
    if (native.empty() || native.size() >= MAX_PATH) return std::nullopt;
    // CreateProcessA may write to its command line, so it gets a copy of its own.
    std::string commandLine = "\"" + native + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (Api().CreateProcessA(native.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &startup, &started) == FALSE) {
        return std::nullopt;
    }
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    DWORD exitCode = 0;
    // A run whose end cannot be waited for or read is not known to have removed anything.
    if (Api().WaitForSingleObject(process.get(), INFINITE) == WAIT_FAILED ||
        Api().GetExitCodeProcess(process.get(), &exitCode) == FALSE) {
        return 1603;
    }
    return exitCode;
}

void TellToRunNativeUninstaller(const char* caption) {
    const std::string text =
        std::string(
            "This is the 32-bit uninstaller, which cannot remove drivers from 64-bit "
            "Windows.\n\nPlease run the 64-bit uninstaller, ") +
        kNativeUninstallerName + ", from the same folder as this program.";
    Api().MessageBoxA(nullptr, text.c_str(), caption, MB_OK | MB_ICONWARNING);
}
