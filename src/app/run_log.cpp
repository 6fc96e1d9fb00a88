#include "app/run_log.h"

#include <cstdio>
#include <vector>

#include "app/text.h"
#include "app/uninst_app.h"
#include "app/windows_version.h"
#include "app/wow64.h"
#include "platform/handles.h"

namespace {

// Every block begins with this, so that cutting the log's older half can start at a whole block.
constexpr char kBlockStart[] = "==== tvuninst ";

#ifndef TVU_VERSION
#define TVU_VERSION "0.0.0.0"
#endif

std::string Format(const char* format, unsigned a, unsigned b, unsigned c, unsigned d = 0,
                   unsigned e = 0, unsigned f = 0) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b, c, d, e, f);
    return text;
}

std::string OwnFileName() {
    char path[MAX_PATH];
    const DWORD length = Api().GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "tvuninst";
    const std::string full(path, length);
    const std::size_t slash = full.find_last_of("\\/");
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

std::string WindowsLine(const RunResult& result) {
    const OSVERSIONINFOA v = QueryVersion();
    std::string line = Format(
        "windows: %u.%u build %u", v.dwMajorVersion, v.dwMinorVersion,
        v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? v.dwBuildNumber & 0xFFFF : v.dwBuildNumber);
    line += v.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? " (9x family)" : "";
    line += Is64BitWindows() ? ", 64-bit" : ", 32-bit";
    const bool handedOver =
        result.end == RunEnd::HandedOver || result.end == RunEnd::NoNativeUninstaller;
    line += handedOver ? std::string("; handed over to ") + kNativeUninstallerName
                       : std::string("; not handed over");
    return line;
}

// Writes all of text at the file's current position; false when the system would not.
bool WriteAll(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return text.empty() || (Api().WriteFile(file, text.data(), static_cast<DWORD>(text.size()),
                                            &written, nullptr) != FALSE &&
                            written == text.size());
}

// The newer half of a log that has grown too long, from its first whole block on.
std::string NewerHalf(HANDLE file, DWORD size) {
    const DWORD keep = (size < kLogCapacity ? size : kLogCapacity) / 2;
    if (Api().SetFilePointer(file, static_cast<LONG>(size - keep), nullptr, FILE_BEGIN) ==
        INVALID_SET_FILE_POINTER)
        return "";
    std::vector<char> tail(keep);
    DWORD read = 0;
    if (keep == 0 || Api().ReadFile(file, tail.data(), keep, &read, nullptr) == FALSE) return "";
    const std::string text(tail.data(), read);
    const std::size_t start = text.find(kBlockStart);
    return start == std::string::npos ? std::string() : text.substr(start);
}

}  // namespace

std::string DefaultLogPath() {
    char path[MAX_PATH];
    if (!WindowsDirWith(path, "\\Logs\\tvuninst.log")) return "";
    return path;
}

std::string RunLogBlock(const RunResult& result, const std::string& commandLine) {
    SYSTEMTIME now{};
    Api().GetLocalTime(&now);
    std::string block = kBlockStart;
    block += Format("%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                    now.wMinute, now.wSecond) +
             "\r\n";
    block += "exe: " + OwnFileName() + " " + TVU_VERSION +
             (sizeof(void*) == 8 ? " (64-bit)" : " (32-bit)") + "\r\n";
    block += "command line: " + commandLine + "\r\n";
    for (const std::string& option : theApp.Options().ignored)
        block += "option " + option + ": accepted, changes nothing\r\n";
    block += WindowsLine(result) + "\r\n";
    char windows[MAX_PATH];
    if (!WindowsDirWith(windows, "\\TVMuxDrv.ini")) CopyField(windows, "TVMuxDrv.ini");
    block += std::string("profile: ") + windows + ", section [" + theApp.ProfileSection + "] (" +
             theApp.CountryOrigin() + ")\r\n";
    if (!result.journalDiscarded.empty())
        block += "the journal of an earlier run was discarded: " + result.journalDiscarded + "\r\n";
    if (result.resumed)
        block += "an earlier run did not finish: this one does what its journal names\r\n";
    for (const ActionRecord& record : result.actions) block += LogLine(record) + "\r\n";
    if (result.end == RunEnd::DeviceCheck || result.deviceCheckPassedOver) {
        block += "device check: " + std::to_string(result.devicesFound) + " of " +
                 std::to_string(result.devicesExpected) + " devices found" +
                 (result.deviceCheckPassedOver
                      ? "; passed over (/disconnected): the devices found and the rest of the "
                        "product are removed"
                      : "") +
                 "\r\n";
    }
    if (result.end == RunEnd::Completed) {
        for (const std::string& reason : result.RestartReasons())
            block += "restart needed: " + reason + "\r\n";
    }
    block +=
        "exit code " + std::to_string(result.ExitCode()) + ": " + ExitCodeMeaning(result) + "\r\n";
    return block;
}

void AppendToLog(const std::string& path, const std::string& block) {
    if (path.empty()) return;
    // The folder of the default log may not exist yet (the 9x family has no Logs folder); a
    // folder that cannot be made shows up as a file that cannot be opened.
    const std::size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos && slash > 0)
        Api().CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    UniqueHandle file;
    {
        const HANDLE opened =
            Api().CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened == INVALID_HANDLE_VALUE) return;
        file.reset(opened);
    }
    DWORD high = 0;
    const DWORD size = Api().GetFileSize(file.get(), &high);
    if (size == INVALID_FILE_SIZE && Api().GetLastError() != ERROR_SUCCESS) return;
    if (high != 0 || size + block.size() > kLogCapacity) {
        const std::string kept = NewerHalf(file.get(), high != 0 ? 0xFFFFFFFFu : size);
        if (Api().SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
            return;
        if (!WriteAll(file.get(), kept)) return;
        Api().SetEndOfFile(file.get());
    } else if (Api().SetFilePointer(file.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
        return;
    }
    WriteAll(file.get(), block);
}
