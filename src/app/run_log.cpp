#include "app/run_log.h"

#include <cstdio>
#include <vector>

#include "app/security.h"
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

// Administrators and SYSTEM may do anything in the default Logs folder, users may read.
constexpr const char* kLogFolderSecurity = "D:P(A;OICI;GA;;;BA)(A;OICI;GA;;;SY)(A;OICI;GR;;;BU)";

// The file itself, never what a reparse point at its name leads to (NT family).
UniqueHandle OpenOwn(const std::string& path, DWORD access, DWORD disposition, bool nt) {
    const HANDLE opened =
        Api().CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                          FILE_ATTRIBUTE_NORMAL | (nt ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
    return UniqueHandle(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
}

// Why the open file is no log of this program, or empty; its size when it is. A folder on the way
// that is a junction is followed, but can only lead to a file that passes these checks.
std::string NotOurLog(HANDLE file, bool nt, DWORD& size) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (Api().GetFileInformationByHandle(file, &info) == FALSE)
        return "what it is cannot be read (error " + std::to_string(Api().GetLastError()) + ")";
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return "it is a reparse point (a link to somewhere else)";
    if (info.nNumberOfLinks > 1)
        return "it has " + std::to_string(info.nNumberOfLinks) + " names (hard links)";
    if (nt && RunIsElevated()) {
        // A FAT volume's file has no owner to read: nobody else can own it either.
        const std::string owner = OwnerOf(file);
        if (!owner.empty() && !OwnedLikeOurs(owner))
            return "it belongs to another account (" + owner + ")";
    }
    if (info.nFileSizeHigh != 0 || info.nFileSizeLow > 0xFFFFFFFFu - kLogCapacity)
        return "it is no log of this program (too large)";
    size = info.nFileSizeLow;
    if (size == 0) return "";
    char start[sizeof kBlockStart - 1] = {};
    DWORD read = 0;
    if (Api().ReadFile(file, start, sizeof start, &read, nullptr) == FALSE ||
        read != sizeof start || std::string(start, read) != kBlockStart)
        return "it is not empty and is no log of this program";
    return "";
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
    for (const std::string& note : result.notes) block += note + "\r\n";
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

std::string AppendToLog(const std::string& path, const std::string& block, bool defaultFolder) {
    if (path.empty()) return "";
    const bool nt = !IsWin9xFamily();
    // The folder of the default log may not exist yet (the 9x family has no Logs folder); a
    // folder that cannot be made shows up as a file that cannot be opened. On 2000 and XP Power
    // Users may write in the Windows folder, where the default Logs folder is made: it gets its
    // own DACL rather than inherit theirs. A folder /log= names keeps the security it inherits.
    const std::size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos && slash > 0) {
        const UniqueLocal descriptor =
            defaultFolder ? SecurityDescriptor(kLogFolderSecurity) : UniqueLocal();
        SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor.get(), FALSE};
        Api().CreateDirectoryA(path.substr(0, slash).c_str(), descriptor ? &attributes : nullptr);
    }
    // The 9x family knows neither reparse points nor READ_CONTROL, nor owners to ask about.
    UniqueHandle file =
        OpenOwn(path, GENERIC_READ | GENERIC_WRITE | (nt ? READ_CONTROL : 0), OPEN_ALWAYS, nt);
    if (!file) return "";
    DWORD size = 0;
    const std::string refused = NotOurLog(file.get(), nt, size);
    if (!refused.empty()) return refused;
    if (size + block.size() <= kLogCapacity) {
        if (Api().SetFilePointer(file.get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER)
            WriteAll(file.get(), block);
        return "";
    }
    const std::string kept = NewerHalf(file.get(), size) + block;
    if (!nt) {
        // One user, no links, no owners, and MoveFileExA does nothing on the 9x family: the file
        // is a log of ours (its first block says so) and is trimmed in place.
        if (Api().SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
            WriteAll(file.get(), kept))
            Api().SetEndOfFile(file.get());
        return "";
    }
    // The log is replaced, never rewritten: a file made anew beside it (a name that someone made
    // first is deleted, which never touches what a link points to) takes its place.
    file.reset();
    const std::string fresh = path + ".new";
    Api().DeleteFileA(fresh.c_str());
    UniqueHandle next = OpenOwn(fresh, GENERIC_WRITE, CREATE_NEW, true);
    if (!next) return "";
    const bool written = WriteAll(next.get(), kept);
    next.reset();
    if (!written ||
        Api().MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) == FALSE)
        Api().DeleteFileA(fresh.c_str());
    return "";
}
