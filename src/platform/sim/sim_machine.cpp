// The machine itself: construction, the call log and faults, handle accounting, and the small
// KERNEL32 calls (version, Windows directory, timing, last error, local memory, strings).
#include "platform/sim/sim_machine.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>

#include "platform/sim/sim_state.h"

namespace sim {

// ---- text helpers ---------------------------------------------------------------------------
std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool IEquals(const std::string& a, const std::string& b) {
    return Upper(a) == Upper(b);
}

std::string Hex(ULONG_PTR v) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), digits[v & 0xF]);
        v >>= 4;
    } while (v != 0);
    return "0x" + out;
}

std::string Str(const char* p) {
    return p == nullptr ? std::string("(null)") : std::string(p);
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path) {
        if (c == '\\') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

// ---- the call log and faults ----------------------------------------------------------------
Call::Call(State& s, const char* api, std::string args) : s_(s), index_(s.calls.size()) {
    if (!s.powerCutApi.empty() && s.powerCutApi == api && --s.powerCutCountdown == 0) {
        s.powerCutAfter = s.calls.size();
        s.powerCutApi.clear();
    }
    if (s.powerCutAfter && s.calls.size() >= *s.powerCutAfter) fault_ = kErrorNotReady;
    for (FaultState& f : s.faults) {
        if (f.fault.api != api) continue;
        if (!f.fault.argsContain.empty() && args.find(f.fault.argsContain) == std::string::npos)
            continue;
        ++f.matches;
        if (f.fault.nth == 0 || f.fault.nth == f.matches) {
            if (!fault_) fault_ = f.fault.error;
        }
    }
    CallRecord rec;
    rec.api = api;
    rec.args = std::move(args);
    rec.result = 0;
    rec.faulted = fault_.has_value();
    s.calls.push_back(std::move(rec));
}

void Machine::AddFault(const Fault& fault) {
    s_->faults.push_back(FaultState{fault, 0});
}

const std::vector<CallRecord>& Machine::Calls() const {
    return s_->calls;
}

int Machine::CallCount(const std::string& api) const {
    return static_cast<int>(std::count_if(s_->calls.begin(), s_->calls.end(),
                                          [&](const CallRecord& c) { return c.api == api; }));
}

// ---- construction ---------------------------------------------------------------------------
Machine::Machine() : s_(std::make_unique<State>()) {
    for (ULONG_PTR root : {0x80000000u, 0x80000001u, 0x80000002u, 0x80000003u}) {
        auto k = std::make_shared<RegKey>();
        k->name = root == 0x80000000u   ? "HKCR"
                  : root == 0x80000001u ? "HKCU"
                  : root == 0x80000002u ? "HKLM"
                                        : "HKU";
        s_->roots[root] = k;
    }

    // A folder of its own, made by this machine alone (create_directory fails on one that
    // exists), in portable C++ so that the machine also runs inside tvprofile on Windows.
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
    std::random_device random;
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100 && s_->windowsOnDisk.empty(); ++attempt) {
        std::string name = "tvuninst-sim-";
        for (int i = 0; i < 10; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        std::error_code ec;
        if (std::filesystem::create_directory(temp / name, ec)) s_->windowsOnDisk = temp / name;
    }
    if (s_->windowsOnDisk.empty())
        throw std::runtime_error("cannot create the simulated Windows folder");
    for (const char* sub : {"inf", "system", "system32", "system32/drivers"})
        std::filesystem::create_directories(s_->windowsOnDisk / sub);

    // The program itself runs, as it does on a real machine; Tool Help lists it first.
    Process self;
    self.pid = s_->nextPid;
    s_->nextPid += 4;
    self.exeFile = "tvuninst.exe";
    s_->processes.push_back(self);
}

Machine::~Machine() {
    std::error_code ec;
    std::filesystem::remove_all(s_->windowsOnDisk, ec);
}

ScopedMachine::ScopedMachine() {
    w32::InstallApi(&m_);
}
ScopedMachine::~ScopedMachine() {
    w32::InstallApi(nullptr);
}

// ---- setup and inspection -------------------------------------------------------------------
void Machine::SetVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build) {
    s_->platformId = platformId;
    s_->major = major;
    s_->minor = minor;
    s_->build = build;
}

void Machine::Set64BitWindows(bool programIs32Bit) {
    s_->windows64 = true;
    s_->wow64Process = programIs32Bit;
}

void Machine::SetModuleFileName(const std::string& windowsPath) {
    s_->moduleFileName = windowsPath;
}

const std::vector<std::string>& Machine::StartedProcesses() const {
    return s_->startedProcesses;
}

void Machine::SetWindowsDirectory(const std::string& path) {
    s_->windowsDirectory = path;
}

const std::string& Machine::WindowsDirectory() const {
    return s_->windowsDirectory;
}

std::filesystem::path Machine::WindowsFolderOnDisk() const {
    return s_->windowsOnDisk;
}

DWORD Machine::TotalSleepMs() const {
    return s_->sleepTotal;
}

std::vector<std::string> Machine::HandleErrors() const {
    return s_->handleErrors;
}

std::vector<std::string> Machine::OpenHandles() const {
    std::vector<std::string> out;
    for (const auto& [value, object] : s_->handles) {
        if (const auto* k = std::get_if<KeyHandle>(&object)) {
            out.push_back("key: " + (k->key->deleted ? k->key->pathWhenDeleted + " (deleted)"
                                                     : State::PathOf(*k->key)));
        } else if (const auto* d = std::get_if<DevInfoSet>(&object)) {
            out.push_back("device set: " + std::to_string(d->devices.size()) + " devices");
        } else if (const auto* sn = std::get_if<SnapshotHandle>(&object)) {
            out.push_back("snapshot: " + std::to_string(sn->processes.size()) + " processes");
        } else if (std::get_if<TokenObject>(&object) != nullptr) {
            out.push_back("token: own process");
        } else if (const auto* p = std::get_if<ProcessObject>(&object)) {
            out.push_back("process: pid " + std::to_string(p->pid));
        } else if (const auto* t = std::get_if<ThreadObject>(&object)) {
            out.push_back("thread: pid " + std::to_string(t->pid));
        } else if (std::get_if<PaintSession>(&object) != nullptr) {
            out.push_back("paint session: " + Hex(value));
        } else if (const auto* mx = std::get_if<MutexObject>(&object)) {
            out.push_back("mutex: " + mx->name);
        } else if (const auto* f = std::get_if<FileObject>(&object)) {
            out.push_back("file: " + f->disk.filename().string());
        } else if (const auto* sv = std::get_if<ServiceObject>(&object)) {
            out.push_back(sv->name.empty() ? "service control manager" : "service: " + sv->name);
        }
    }
    for (const auto& [ptr, size] : s_->blockSizes)
        out.push_back("local block: " + std::to_string(size) + " bytes");
    return out;
}

// ---- version, directories, timing, errors ---------------------------------------------------
BOOL Machine::GetVersionExA(OSVERSIONINFOA* info) {
    Call c(*s_, "GetVersionExA",
           info == nullptr ? "(null)" : std::to_string(info->dwOSVersionInfoSize));
    if (c.Faulted()) return c.FailBool(c.Error());
    // Windows and Wine accept exactly the sizes of OSVERSIONINFOA and OSVERSIONINFOEXA.
    if (info == nullptr ||
        (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) && info->dwOSVersionInfoSize != 156))
        return c.FailBool(ERROR_INSUFFICIENT_BUFFER);
    info->dwMajorVersion = s_->major;
    info->dwMinorVersion = s_->minor;
    info->dwPlatformId = s_->platformId;
    // The 9x family packs the version into the high word of the build number.
    info->dwBuildNumber = s_->platformId == VER_PLATFORM_WIN32_WINDOWS
                              ? (s_->major << 24) | (s_->minor << 16) | (s_->build & 0xFFFF)
                              : s_->build;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    return c.Ret<BOOL>(TRUE);
}

UINT Machine::GetWindowsDirectoryA(char* buffer, UINT size) {
    Call c(*s_, "GetWindowsDirectoryA", std::to_string(size));
    if (c.Faulted()) return c.FailWith<UINT>(0, c.Error());
    const auto len = static_cast<UINT>(s_->windowsDirectory.size());
    if (buffer == nullptr || size < len + 1) return c.Ret<UINT>(len + 1);
    std::memcpy(buffer, s_->windowsDirectory.c_str(), len + 1);
    return c.Ret<UINT>(len);
}

void Machine::Sleep(DWORD ms) {
    Call c(*s_, "Sleep", std::to_string(ms));
    s_->sleepTotal += ms;
}

DWORD Machine::GetLastError() {
    Call c(*s_, "GetLastError", "");
    return c.Ret<DWORD>(s_->lastError);
}

void Machine::SetLastError(DWORD code) {
    Call c(*s_, "SetLastError", std::to_string(code));
    s_->lastError = code;
}

// ---- local memory ---------------------------------------------------------------------------
HLOCAL Machine::LocalAlloc(UINT flags, SIZE_T bytes) {
    Call c(*s_, "LocalAlloc", Hex(flags) + "|" + std::to_string(bytes));
    if (c.Faulted()) return c.FailWith<HLOCAL>(nullptr, c.Error());
    // Movable blocks would hand out a handle to lock first; the program never asks for one, so
    // every block is fixed and the handle is the address.
    auto block = std::make_unique<BYTE[]>(bytes == 0 ? 1 : bytes);
    // Without LMEM_ZEROINIT the contents are undefined; a fill that is not zero lets tests see a
    // program that relies on zeros it did not ask for.
    std::memset(block.get(), (flags & LMEM_ZEROINIT) != 0 ? 0 : 0xCD, bytes == 0 ? 1 : bytes);
    void* p = block.get();
    s_->blocks[p] = std::move(block);
    s_->blockSizes[p] = bytes;
    return c.Ret<HLOCAL>(p);
}

HLOCAL Machine::LocalFree(HLOCAL mem) {
    Call c(*s_, "LocalFree", mem == nullptr ? "(null)" : "block");
    if (mem == nullptr) return c.Ret<HLOCAL>(nullptr);
    auto it = s_->blocks.find(mem);
    if (it == s_->blocks.end()) {
        s_->handleErrors.push_back("LocalFree: pointer not from LocalAlloc or already freed");
        return c.FailWith<HLOCAL>(mem, ERROR_INVALID_HANDLE);
    }
    s_->blocks.erase(it);
    s_->blockSizes.erase(mem);
    if (c.Faulted()) return c.FailWith<HLOCAL>(mem, c.Error());
    return c.Ret<HLOCAL>(nullptr);
}

// ---- strings --------------------------------------------------------------------------------
int Machine::lstrcmpiA(const char* a, const char* b) {
    Call c(*s_, "lstrcmpiA", Str(a) + "|" + Str(b));
    // Windows compares in the user's locale (word sort, so that for instance hyphens weigh
    // less); the machine compares ASCII letters without regard to case and other bytes by value,
    // which agrees for the descriptions and names the program compares.
    if (a == nullptr || b == nullptr) return c.Ret<int>(a == b ? 0 : (a == nullptr ? -1 : 1));
    for (;; ++a, ++b) {
        auto ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb - 'A' + 'a');
        if (ca != cb) return c.Ret<int>(ca < cb ? -1 : 1);
        if (ca == 0) return c.Ret<int>(0);
    }
}

char* Machine::CharLowerA(char* text) {
    const auto value = reinterpret_cast<ULONG_PTR>(text);
    // A pointer whose high word is zero carries one character in its low word.
    if ((value >> 16) == 0) {
        Call c(*s_, "CharLowerA", "char " + Hex(value));
        auto ch = static_cast<char>(value & 0xFF);
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        return c.Ret<char*>(
            reinterpret_cast<char*>(static_cast<ULONG_PTR>(static_cast<unsigned char>(ch))));
    }
    Call c(*s_, "CharLowerA", text);
    for (char* p = text; *p != '\0'; ++p)
        if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p - 'A' + 'a');
    return c.Ret<char*>(text);
}

}  // namespace sim
