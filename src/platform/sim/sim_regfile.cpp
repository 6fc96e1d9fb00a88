// Importing registry files as regedit writes them: REGEDIT4 and "Windows Registry Editor Version
// 5.00". A malformed file is a mistake in a test's setup or in a support engineer's export, so it
// throws, naming the line, instead of being skipped.
#include <cctype>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "platform/sim/sim_state.h"
#include "platform/sim/sim_text.h"

namespace sim {

namespace {

// What is wrong with one line; ImportReg adds the line's number.
struct Malformed {
    std::string why;
};

// The start of a line as it can be shown anywhere: bytes that are not printable ASCII escaped.
std::string Shown(const std::string& line) {
    constexpr std::size_t kMost = 60;
    std::string out;
    for (std::size_t i = 0; i < line.size() && i < kMost; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return line.size() > kMost ? out + "..." : out;
}

[[noreturn]] void Bad(const std::string& line, const char* why) {
    throw Malformed{std::string(why) + (line.empty() ? "" : ": " + Shown(line))};
}

std::string TrimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    return s;
}

std::string TrimLeft(const std::string& s) {
    std::size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
    return s.substr(b);
}

// A logical line and the physical line it starts on.
struct Line {
    int number = 0;
    std::string text;
};

// Physical lines joined where a line ends with a backslash (hex data split over lines).
std::vector<Line> LogicalLines(const std::string& text) {
    std::vector<Line> out;
    std::istringstream in(text);
    std::string raw, pending;
    bool continuing = false;
    int number = 0, start = 0;
    while (std::getline(in, raw)) {
        ++number;
        std::string line = TrimRight(raw);
        if (continuing) line = TrimLeft(line);
        if (!continuing && !line.empty() && line.back() == '\\' &&
            line.find('=') != std::string::npos) {
            pending = line.substr(0, line.size() - 1);
            start = number;
            continuing = true;
            continue;
        }
        if (continuing) {
            const bool stillContinuing = !line.empty() && line.back() == '\\';
            pending += stillContinuing ? line.substr(0, line.size() - 1) : line;
            if (stillContinuing) continue;
            out.push_back({start, pending});
            pending.clear();
            continuing = false;
            continue;
        }
        out.push_back({number, line});
    }
    if (continuing) out.push_back({start, pending});
    return out;
}

HKEY RootByName(const std::string& name) {
    const std::string n = Upper(name);
    if (n == "HKEY_LOCAL_MACHINE" || n == "HKLM") return HKEY_LOCAL_MACHINE;
    if (n == "HKEY_CURRENT_USER" || n == "HKCU") return HKEY_CURRENT_USER;
    if (n == "HKEY_CLASSES_ROOT" || n == "HKCR") return HKEY_CLASSES_ROOT;
    if (n == "HKEY_USERS" || n == "HKU") return HKEY_USERS;
    return nullptr;
}

// A quoted text starting at pos (at the opening quote); pos ends after the closing quote.
std::string Quoted(const std::string& line, std::size_t& pos) {
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        const char ch = line[pos];
        if (ch == '"') {
            ++pos;
            return out;
        }
        if (ch == '\\' && pos + 1 < line.size()) {
            const char next = line[++pos];
            switch (next) {
                case '\\':
                    out += '\\';
                    break;
                case '"':
                    out += '"';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case '0':
                    out += '\0';
                    break;
                default:
                    out += '\\';
                    out += next;
            }
            continue;
        }
        out += ch;
    }
    Bad(line, "unterminated string");
}

std::vector<BYTE> HexBytes(const std::string& text, const std::string& line) {
    std::vector<BYTE> out;
    std::string digits;
    auto flush = [&] {
        if (digits.empty()) return;
        if (digits.size() > 2) Bad(line, "hex byte too long");
        out.push_back(static_cast<BYTE>(std::stoul(digits, nullptr, 16)));
        digits.clear();
    };
    for (char ch : text) {
        if (ch == ',') {
            if (digits.empty()) Bad(line, "empty hex byte");
            flush();
        } else if (ch == ' ' || ch == '\t') {
            continue;
        } else if (std::isxdigit(static_cast<unsigned char>(ch)) != 0) {
            digits += ch;
        } else {
            Bad(line, "not a hex byte");
        }
    }
    flush();
    return out;
}

// Version 5 files keep REG_EXPAND_SZ and REG_MULTI_SZ data as UTF-16LE; the machine stores the
// ANSI bytes, in code page 1252 as the ANSI functions would hand them out.
std::vector<BYTE> Utf16ToAnsi(const std::vector<BYTE>& in) {
    const std::string narrow =
        NarrowUtf16Le(std::string_view(reinterpret_cast<const char*>(in.data()), in.size()));
    return std::vector<BYTE>(narrow.begin(), narrow.end());
}

}  // namespace

void Machine::ImportReg(const std::string& bytes) {
    const std::vector<Line> lines = LogicalLines(AnsiTextOf(bytes));
    std::size_t i = 0;
    while (i < lines.size() && lines[i].text.empty()) ++i;
    if (i == lines.size()) throw RegFileError(0, "empty file");
    bool unicode = false;
    if (lines[i].text == "Windows Registry Editor Version 5.00") {
        unicode = true;
    } else if (lines[i].text != "REGEDIT4") {
        throw RegFileError(lines[i].number,
                           "not a registry file header (REGEDIT4 or \"Windows "
                           "Registry Editor Version 5.00\"): " +
                               Shown(lines[i].text));
    }

    std::shared_ptr<RegKey> current;
    const auto importLine = [&](const std::string& line) {
        if (line.empty() || line[0] == ';') return;
        if (line[0] == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string::npos) Bad(line, "unterminated key name");
            std::string path = line.substr(1, close - 1);
            const bool remove = !path.empty() && path[0] == '-';
            if (remove) path.erase(0, 1);
            const std::size_t slash = path.find('\\');
            HKEY root = RootByName(path.substr(0, slash));
            if (root == nullptr) Bad(line, "unknown root key");
            const std::string rest = slash == std::string::npos ? "" : path.substr(slash + 1);
            if (remove) {
                DeleteTree(root, rest);
                current.reset();
            } else {
                current = s_->Create(root, rest);
            }
            return;
        }

        if (!current) Bad(line, "value outside a key");
        std::string name;
        std::size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] == '"') {
            name = Quoted(line, pos);
        } else {
            Bad(line, "not a value line");
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') Bad(line, "missing '='");
        const std::string data = TrimLeft(line.substr(pos + 1));

        RegValue v;
        v.name = name;
        if (data == "-") {
            current->values.erase(Upper(name));
            return;
        }
        if (!data.empty() && data[0] == '"') {
            std::size_t p = 0;
            const std::string s = Quoted(data, p);
            v.type = REG_SZ;
            v.data.assign(s.begin(), s.end());
            v.data.push_back(0);
        } else if (Upper(data.substr(0, 6)) == "DWORD:") {
            const std::string digits = data.substr(6);
            if (digits.empty() || digits.size() > 8 ||
                digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                Bad(line, "bad dword");
            const auto d = static_cast<DWORD>(std::stoul(digits, nullptr, 16));
            v.type = REG_DWORD;
            for (int b = 0; b < 4; ++b) v.data.push_back(static_cast<BYTE>(d >> (8 * b)));
        } else if (Upper(data.substr(0, 4)) == "HEX:") {
            v.type = REG_BINARY;
            v.data = HexBytes(data.substr(4), line);
        } else if (Upper(data.substr(0, 4)) == "HEX(") {
            const std::size_t close = data.find("):");
            if (close == std::string::npos) Bad(line, "bad hex type");
            const std::string type = data.substr(4, close - 4);
            if (type.empty() ||
                type.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                Bad(line, "bad hex type");
            v.type = static_cast<DWORD>(std::stoul(type, nullptr, 16));
            v.data = HexBytes(data.substr(close + 2), line);
            if (unicode && (v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ))
                v.data = Utf16ToAnsi(v.data);
        } else {
            Bad(line, "unknown value form");
        }
        RegValue& slot = current->values[Upper(name)];
        if (slot.name.empty()) slot.name = name;
        slot.type = v.type;
        slot.data = std::move(v.data);
    };
    for (++i; i < lines.size(); ++i) {
        try {
            importLine(TrimLeft(lines[i].text));
        } catch (const Malformed& m) {
            throw RegFileError(lines[i].number, m.why);
        }
    }
}

}  // namespace sim
