// Profile (INI) files, read from disk at every call as GetPrivateProfileStringA does. How a file
// splits into lines is in profile_lines.cpp (tvprofile uses it too); every other reading rule
// lives in this file.
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/sim/profile_lines.h"
#include "platform/sim/sim_state.h"
#include "platform/sim/sim_text.h"

namespace sim {

namespace {

struct ProfileEntry {
    std::string key;
    std::optional<std::string> value;  // a line without '=' has a name and no value
};

struct ProfileSection {
    std::string name;
    std::vector<ProfileEntry> entries;
};

// Lines before the first section header belong to no section and cannot be read by name.
std::vector<ProfileSection> Parse(const std::string& text) {
    std::vector<ProfileSection> sections;
    for (ProfileLine& line : SplitProfileLines(text)) {
        if (line.header) {
            sections.push_back(ProfileSection{std::move(line.name), {}});
        } else if (!sections.empty()) {
            sections.back().entries.push_back(
                ProfileEntry{std::move(line.name), std::move(line.value)});
        }
    }
    return sections;
}

// A value wrapped in a pair of matching quotes (double or single) loses them.
std::string Unquote(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

namespace {

// Where a profile name's file lies on disk: a bare name lives in the Windows folder; a full
// Windows path is mapped below it. Anything else is not found.
std::optional<std::filesystem::path> ProfileOnDisk(const State& s, const char* fileName) {
    const std::string name = fileName;
    if (name.find_first_of("\\/:") == std::string::npos)
        return s.Resolve(s.windowsDirectory + "\\" + name).disk;
    const State::Resolved r = s.Resolve(name);
    if (!r.inside) return std::nullopt;
    return r.disk;
}

// The file a profile name stands for, or nothing when it is not there.
std::optional<std::string> ReadProfileFile(const State& s, const char* fileName) {
    if (fileName == nullptr) return std::nullopt;
    const std::optional<std::filesystem::path> disk = ProfileOnDisk(s, fileName);
    std::error_code ec;
    if (!disk || !std::filesystem::is_regular_file(*disk, ec)) return std::nullopt;
    std::ifstream in(*disk, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    // The encodings, as Windows reads them (Microsoft documents only that a file "created using
    // Unicode characters" stays Unicode; what follows is how the NT family behaves):
    // - a file that begins with the UTF-16 LE mark (Notepad's "Unicode") is read as UTF-16 on the
    //   NT family, and the ANSI functions hand out its text in the ANSI code page. The 9x family's
    //   reader knows no Unicode: it reads the bytes, finds no section in them, and every key
    //   takes its default.
    // - a UTF-8 mark is not recognised: its three bytes are text of the first line, so a section
    //   header on that line is no header. Wine's reader skips the mark and decodes UTF-8; here
    //   Windows is followed, since the profiles are made for Windows.
    // - every other file is ANSI text: UTF-8 letters are handed out as their bytes, which the
    //   dialog shows as two or three 1252 characters each. A UTF-16 BE mark is not recognised
    //   either (Wine reads such a file; Windows 10 does not).
    if (s.platformId == VER_PLATFORM_WIN32_NT) return AnsiTextOf(text.str());
    return text.str();
}

// The lines of the first section of that name as "key=value" (or "key" for a line without
// '='), in file order, repeated keys and all.
std::vector<std::string> SectionLines(const std::string& text, const std::string& section) {
    std::vector<std::string> lines;
    for (const ProfileSection& sec : Parse(text)) {
        if (!IEquals(sec.name, TrimProfileBlanks(section))) continue;
        for (const ProfileEntry& e : sec.entries)
            lines.push_back(e.key + (e.value ? "=" + *e.value : ""));
        break;
    }
    return lines;
}

// The value of section/key, or nothing when the file, the section or the key is absent. Only
// the first section of a name is searched, and within it the first entry of the key wins.
std::optional<std::string> Lookup(const std::string& text, const std::string& section,
                                  const std::string& key) {
    for (const ProfileSection& sec : Parse(text)) {
        if (!IEquals(sec.name, section)) continue;
        for (const ProfileEntry& e : sec.entries)
            if (IEquals(e.key, key))
                return e.value ? std::optional(Unquote(*e.value)) : std::nullopt;
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

DWORD Machine::GetPrivateProfileStringA(const char* lpAppName, const char* lpKeyName,
                                        const char* lpDefault, char* lpReturnedString, DWORD nSize,
                                        const char* lpFileName) {
    Call c(*s_, "GetPrivateProfileStringA",
           Str(lpAppName) + "|" + Str(lpKeyName) + "|" + Str(lpFileName));
    if (lpReturnedString == nullptr || nSize == 0) return c.Ret<DWORD>(0);
    // Windows drops trailing blanks from the default.
    std::string value = lpDefault == nullptr ? "" : lpDefault;
    while (!value.empty() && value.back() == ' ') value.pop_back();
    std::optional<std::string> text;
    if (!c.Faulted()) text = ReadProfileFile(*s_, lpFileName);
    if (c.Faulted()) {
        s_->lastError = c.Error();
    } else if (!text) {
        s_->lastError = ERROR_FILE_NOT_FOUND;
    } else if (lpAppName == nullptr || lpKeyName == nullptr) {
        // The listing forms (all sections, all keys of a section) are not used by the program.
        value.clear();
    } else if (auto found =
                   Lookup(*text, TrimProfileBlanks(lpAppName), TrimProfileBlanks(lpKeyName))) {
        value = *found;
    }
    const std::size_t n = std::min<std::size_t>(value.size(), nSize - 1);
    std::memcpy(lpReturnedString, value.data(), n);
    lpReturnedString[n] = '\0';
    return c.Ret(static_cast<DWORD>(n));
}

UINT Machine::GetPrivateProfileIntA(const char* lpAppName, const char* lpKeyName, int nDefault,
                                    const char* lpFileName) {
    Call c(*s_, "GetPrivateProfileIntA",
           Str(lpAppName) + "|" + Str(lpKeyName) + "|" + Str(lpFileName));
    if (c.Faulted()) return c.FailWith(static_cast<UINT>(nDefault), c.Error());
    std::optional<std::string> text = ReadProfileFile(*s_, lpFileName);
    if (!text) return c.FailWith(static_cast<UINT>(nDefault), ERROR_FILE_NOT_FOUND);
    if (lpAppName == nullptr || lpKeyName == nullptr) return c.Ret(static_cast<UINT>(nDefault));
    std::optional<std::string> v =
        Lookup(*text, TrimProfileBlanks(lpAppName), TrimProfileBlanks(lpKeyName));
    // An empty value reads like an absent one: the default.
    if (!v || v->empty()) return c.Ret(static_cast<UINT>(nDefault));
    // The leading decimal digits with an optional sign; anything else ends the number.
    std::size_t i = 0;
    bool negative = false;
    if (i < v->size() && ((*v)[i] == '-' || (*v)[i] == '+')) negative = (*v)[i++] == '-';
    std::uint32_t n = 0;
    for (; i < v->size() && (*v)[i] >= '0' && (*v)[i] <= '9'; ++i)
        n = n * 10u + static_cast<std::uint32_t>((*v)[i] - '0');
    return c.Ret(static_cast<UINT>(negative ? 0u - n : n));
}

// The section's lines as "key=value" strings, each ended by a NUL, the list by another. What
// does not fit is cut, and the result is then nSize - 2, as Windows reports it.
DWORD Machine::GetPrivateProfileSectionA(const char* lpAppName, char* lpReturnedString, DWORD nSize,
                                         const char* lpFileName) {
    Call c(*s_, "GetPrivateProfileSectionA", Str(lpAppName) + "|" + Str(lpFileName));
    if (lpReturnedString == nullptr || nSize < 2) return c.Ret<DWORD>(0);
    std::string list;
    std::optional<std::string> text;
    if (!c.Faulted() && lpAppName != nullptr && lpFileName != nullptr)
        text = ReadProfileFile(*s_, lpFileName);
    if (c.Faulted()) s_->lastError = c.Error();
    if (text) {
        for (const std::string& line : SectionLines(*text, lpAppName)) {
            list += line;
            list += '\0';
        }
    }
    if (list.size() + 1 > nSize) {
        std::memcpy(lpReturnedString, list.data(), nSize - 2);
        lpReturnedString[nSize - 2] = '\0';
        lpReturnedString[nSize - 1] = '\0';
        return c.Ret(nSize - 2);
    }
    std::memcpy(lpReturnedString, list.data(), list.size());
    lpReturnedString[list.size()] = '\0';
    if (list.empty() && nSize > 1) lpReturnedString[1] = '\0';
    return c.Ret(static_cast<DWORD>(list.size()));
}

// The section's lines are replaced by the given ones (repeated keys and all), or a new section
// is added at the end; a file that is not there is made.
BOOL Machine::WritePrivateProfileSectionA(const char* lpAppName, const char* lpString,
                                          const char* lpFileName) {
    std::string lines;
    for (const char* p = lpString; p != nullptr && *p != '\0'; p += std::strlen(p) + 1)
        lines += std::string(p) + "\r\n";
    Call c(*s_, "WritePrivateProfileSectionA",
           Str(lpAppName) + "|" + lines + "|" + Str(lpFileName));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (lpAppName == nullptr || lpString == nullptr || lpFileName == nullptr)
        return c.FailBool(ERROR_INVALID_PARAMETER);
    const std::optional<std::filesystem::path> disk = ProfileOnDisk(*s_, lpFileName);
    if (!disk) return c.FailBool(ERROR_PATH_NOT_FOUND);
    const std::string text = ReadProfileFile(*s_, lpFileName).value_or("");
    std::istringstream in(text);
    std::string out, raw;
    bool inSection = false, written = false;
    while (std::getline(in, raw)) {
        const std::string line = TrimProfileBlanks(raw);
        if (!line.empty() && line[0] == '[') {
            const std::size_t close = line.rfind(']');
            inSection =
                !written && close != std::string::npos &&
                IEquals(TrimProfileBlanks(line.substr(1, close - 1)), TrimProfileBlanks(lpAppName));
            out += raw + "\n";
            if (inSection) {
                out += lines;
                written = true;
            }
            continue;
        }
        if (!inSection) out += raw + "\n";
    }
    if (!written) out += "[" + std::string(lpAppName) + "]\r\n" + lines;
    std::ofstream file(*disk, std::ios::binary | std::ios::trunc);
    file << out;
    if (!file) return c.FailBool(ERROR_ACCESS_DENIED);
    return c.Ret<BOOL>(TRUE);
}

std::vector<std::string> State::ProfileSectionLines(const char* fileName,
                                                    const std::string& section) const {
    const std::optional<std::string> text = ReadProfileFile(*this, fileName);
    return text ? SectionLines(*text, section) : std::vector<std::string>{};
}

}  // namespace sim
