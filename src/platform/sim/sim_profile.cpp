// Profile (INI) files, read from disk at every call as GetPrivateProfileStringA does. All the
// reading rules live in this one file.
#include <cstring>
#include <fstream>
#include <sstream>

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

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Lines before the first section header belong to no section and cannot be read by name.
std::vector<ProfileSection> Parse(const std::string& text) {
    std::vector<ProfileSection> sections;
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        std::string line = Trim(raw);
        // Like Windows and Wine, the reader knows no comment syntax: ";x=1" is a key named ";x".
        if (line.empty()) continue;
        if (line[0] == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string::npos) {
                // Blanks inside the brackets are not part of the name: "[ 1 ]" is section "1".
                sections.push_back(ProfileSection{Trim(line.substr(1, close - 1)), {}});
                continue;
            }
        }
        if (sections.empty()) continue;
        const std::size_t eq = line.find('=');
        ProfileEntry e;
        if (eq == std::string::npos) {
            e.key = line;
        } else {
            e.key = Trim(line.substr(0, eq));
            e.value = Trim(line.substr(eq + 1));
        }
        sections.back().entries.push_back(std::move(e));
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
        if (!IEquals(sec.name, Trim(section))) continue;
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
    } else if (auto found = Lookup(*text, Trim(lpAppName), Trim(lpKeyName))) {
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
    std::optional<std::string> v = Lookup(*text, Trim(lpAppName), Trim(lpKeyName));
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
        const std::string line = Trim(raw);
        if (!line.empty() && line[0] == '[') {
            const std::size_t close = line.rfind(']');
            inSection = !written && close != std::string::npos &&
                        IEquals(Trim(line.substr(1, close - 1)), Trim(lpAppName));
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
