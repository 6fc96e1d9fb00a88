// The findings as a person reads them and as a tool reads them. The profile's bytes are text in
// code page 1252, the code page its values are shown in; neither report passes a byte on that a
// terminal or a JSON parser could stumble over.
#include <cstdio>

#include "platform/sim/sim_text.h"
#include "tvprofile/check.h"

namespace tvprofile {

namespace {

std::pair<int, int> Counts(const std::vector<Finding>& findings) {
    int errors = 0;
    for (const Finding& f : findings) errors += f.severity == Severity::Error ? 1 : 0;
    return {errors, static_cast<int>(findings.size()) - errors};
}

std::string Hex(unsigned char c, const char* format) {
    char buf[8];
    std::snprintf(buf, sizeof buf, format, c);
    return buf;
}

// Whether the bytes are UTF-8 already (a file name given on a UTF-8 system).
bool IsUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80                 ? 1
                              : c >= 0xC2 && c <= 0xDF ? 2
                              : c >= 0xE0 && c <= 0xEF ? 3
                              : c >= 0xF0 && c <= 0xF4 ? 4
                                                       : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// One byte of 1252 text: UTF-8 for a character, the escape for a control or undefined byte.
std::string Character(char ch, const char* escape) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && sim::CodePointOf1252(c) == 0)) return Hex(c, escape);
    return c < 0x80 ? std::string(1, ch) : sim::Utf8From1252(std::string_view(&ch, 1));
}

std::string Printable(const std::string& text, bool utf8) {
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        out += utf8 && c >= 0x80 ? std::string(1, ch) : Character(ch, "\\x%02x");
    }
    return out;
}

std::string JsonString(const std::string& s, bool utf8) {
    std::string out = "\"";
    for (const char ch : s) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (utf8 && static_cast<unsigned char>(ch) >= 0x80) {
            out += ch;
        } else {
            out += Character(ch, "\\u%04x");
        }
    }
    return out + "\"";
}

}  // namespace

std::string PrintableText(const std::string& text) {
    return Printable(text, false);
}

int ExitCode(const std::vector<Finding>& findings) {
    const auto [errors, warnings] = Counts(findings);
    return errors > 0 ? 2 : warnings > 0 ? 1 : 0;
}

std::string FormatText(const std::string& file, const std::vector<Finding>& findings) {
    const std::string name = Printable(file, IsUtf8(file));
    std::string out;
    for (const Finding& f : findings) {
        out += name + (f.line > 0 ? ":" + std::to_string(f.line) : std::string()) + ": " +
               (f.severity == Severity::Error ? "error" : "warning") + ": " +
               Printable(f.message, false) + "\n";
    }
    const auto [errors, warnings] = Counts(findings);
    out += std::to_string(errors) + (errors == 1 ? " error, " : " errors, ") +
           std::to_string(warnings) + (warnings == 1 ? " warning\n" : " warnings\n");
    return out;
}

std::string FormatJson(const std::string& file, const std::vector<Finding>& findings) {
    const auto [errors, warnings] = Counts(findings);
    std::string out = "{\"file\":" + JsonString(file, IsUtf8(file)) +
                      ",\"errors\":" + std::to_string(errors) +
                      ",\"warnings\":" + std::to_string(warnings) + ",\"findings\":[";
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        out += std::string(i == 0 ? "" : ",") + "{\"line\":" + std::to_string(f.line) +
               ",\"severity\":" + (f.severity == Severity::Error ? "\"error\"" : "\"warning\"") +
               ",\"code\":" + JsonString(f.code, false) +
               ",\"section\":" + JsonString(f.section, false) +
               ",\"key\":" + JsonString(f.key, false) +
               ",\"message\":" + JsonString(f.message, false) + "}";
    }
    return out + "]}\n";
}

}  // namespace tvprofile
