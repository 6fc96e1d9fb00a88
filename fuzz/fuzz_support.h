// Shared pieces of the fuzz targets: a checked invariant that stops the run, a simulated machine
// reused across inputs, the little line format the targets decode their inputs from, and the
// prefix and comparison rules written out independently of the product's own helpers.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/port.h"
#include "platform/sim/sim_machine.h"

namespace fuzz {

// A broken invariant is a finding: say which one and stop, so libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* file, int line, const char* what,
                              const std::string& detail) {
    std::fprintf(stderr, "\n%s:%d: invariant broken: %s\n%s\n", file, line, what, detail.c_str());
    std::abort();
}

#define FUZZ_CHECK(cond, detail)                                        \
    do {                                                                \
        if (!(cond)) ::fuzz::Fail(__FILE__, __LINE__, #cond, (detail)); \
    } while (0)

// A fixed-capacity field holds its terminator somewhere inside its capacity.
template <std::size_t N>
bool Terminated(const char (&field)[N]) {
    return std::memchr(field, '\0', N) != nullptr;
}

template <std::size_t N>
bool AllZero(const char (&field)[N]) {
    for (char c : field) {
        if (c != '\0') return false;
    }
    return true;
}

inline std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& s : items) out += "  " + s + "\n";
    return out;
}

// The machine's Windows folder is a real temporary folder, so making one per input would cost a
// folder on disk each time. One machine serves many inputs; it is replaced now and then only to
// keep its call log from growing without end. Targets reset the parts of it they use.
class MachinePool {
public:
    explicit MachinePool(int usesPerMachine) : usesPerMachine_(usesPerMachine) {
        // The profile target writes and reads its file for every input: on a memory file system
        // that costs far less than on disk. An explicit TMPDIR is left as it is.
        std::error_code ec;
        if (std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", ec) &&
            access("/dev/shm", W_OK) == 0)
            setenv("TMPDIR", "/dev/shm", 1);
    }
    ~MachinePool() { w32::InstallApi(nullptr); }
    MachinePool(const MachinePool&) = delete;
    MachinePool& operator=(const MachinePool&) = delete;

    // The machine for the next input; fresh tells whether it was just made.
    sim::Machine& Next(bool& fresh) {
        fresh = false;
        if (!machine_ || uses_ >= usesPerMachine_) {
            w32::InstallApi(nullptr);
            machine_.reset();
            machine_ = std::make_unique<sim::Machine>();
            w32::InstallApi(machine_.get());
            uses_ = 0;
            ++generation_;
            fresh = true;
        }
        ++uses_;
        return *machine_;
    }
    // Counts the inputs run on all machines so far: a unique tag for names that a machine keeps
    // beyond one input (absent devices, failing reads).
    std::uint64_t InputNumber() const { return generation_ * 1000000u + uses_; }

private:
    int usesPerMachine_;
    int uses_ = 0;
    std::uint64_t generation_ = 0;
    std::unique_ptr<sim::Machine> machine_;
};

// One input line: a tag character, an optional '!' flag right after it, and the rest.
struct Line {
    char tag = 0;
    bool bang = false;
    std::string rest;
};

// Splits an input into lines at line feeds (a carriage return before one is dropped). Lines are
// capped so that one input cannot make a machine of unbounded size.
inline std::vector<Line> Lines(const std::uint8_t* data, std::size_t size,
                               std::size_t maxLines = 256) {
    std::vector<Line> out;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty() && out.size() < maxLines) {
        const std::size_t nl = text.find('\n');
        std::string_view raw = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        if (raw.empty()) continue;
        Line l;
        l.tag = raw[0];
        raw.remove_prefix(1);
        if (!raw.empty() && raw[0] == '!') {
            l.bang = true;
            raw.remove_prefix(1);
        }
        l.rest = std::string(raw);
        out.push_back(std::move(l));
    }
    return out;
}

inline std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = s.find(sep, start);
        parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

// ASCII letters folded, every other byte as it is: how the program compares IDs and names.
inline char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i])) return false;
    }
    return true;
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// The text of a value's bytes: up to the first terminator, or all of them.
inline std::string TextOf(const std::vector<std::uint8_t>& bytes) {
    std::string s(bytes.begin(), bytes.end());
    if (const std::size_t nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
    return s;
}

}  // namespace fuzz
