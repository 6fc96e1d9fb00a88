#include "tvprofile/encoding_check.h"

#include <string>

#include "platform/sim/sim_text.h"

namespace tvprofile {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// The length of the well-formed UTF-8 sequence of two or more bytes at `at`, or 0.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 0;
    return length;
}

// The line (from 1) of the first UTF-8 letter in the text and that line's text, or line 0.
std::pair<int, std::string> FirstUtf8Line(std::string_view text) {
    int line = 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            start = i + 1;
        } else if (Utf8SequenceAt(text, i) != 0) {
            std::size_t end = text.find('\n', i);
            if (end == std::string_view::npos) end = text.size();
            std::string shown(text.substr(start, end - start));
            while (!shown.empty() && (shown.back() == '\r' || shown.back() == ' '))
                shown.pop_back();
            return {line, shown};
        }
    }
    return {0, ""};
}

// The line (from 1) of the first UTF-16 LE code unit that code page 1252 has no byte for, or 0.
int FirstLineLosing1252(std::string_view units) {
    int line = 1;
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        const std::string_view unit = units.substr(i, 2);
        if (unit == std::string_view("\n\0", 2)) ++line;
        if (unit != std::string_view("?\0", 2) && sim::NarrowUtf16Le(unit) == "?") return line;
    }
    return 0;
}

}  // namespace

std::vector<Finding> CheckEncoding(std::string_view bytes) {
    std::vector<Finding> found;
    auto add = [&](int line, Severity severity, const char* code, std::string message) {
        found.push_back(Finding{line, severity, code, "", "", std::move(message)});
    };
    if (sim::HasUtf16LeMark(bytes)) {
        add(1, Severity::Warning, "encoding-unicode",
            "the file is saved as \"Unicode\" (UTF-16): Windows NT, 2000 and later read it, but "
            "the "
            "9x family (Windows 95, 98, Me) does not, and takes every key's default there; save "
            "it as ANSI if the product is sold for those systems");
        if (const int line = FirstLineLosing1252(bytes.substr(2)); line != 0) {
            add(line, Severity::Warning, "encoding-unicode-lost",
                "this line holds characters that Windows-1252 lacks: the program reads the file "
                "through the ANSI functions, which give each such character as '?' where the "
                "system's ANSI code page lacks it too");
        }
        return found;
    }
    if (bytes.find('\0') != std::string_view::npos) {
        add(0, Severity::Error, "encoding-nul",
            "the file holds NUL bytes, as one saved as UTF-16 without a byte-order mark or as "
            "big-endian does; Windows reads such a file as ANSI text and finds none of its keys: "
            "save it as ANSI or as \"Unicode\" (Notepad's UTF-16 LE with its mark)");
        return found;
    }
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        std::string_view rest = bytes.substr(kUtf8Mark.size());
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
            rest.remove_prefix(1);
        const bool hidesHeader = !rest.empty() && rest.front() == '[';
        std::string first(rest.substr(0, rest.find_first_of("\r\n")));
        add(1, hidesHeader ? Severity::Error : Severity::Warning, "encoding-utf8-mark",
            "the file begins with a UTF-8 byte-order mark, which Windows does not skip: it is "
            "read as the characters \"\xEF\xBB\xBF\" at the start of line 1" +
                (hidesHeader
                     ? ", so " + first + " is no section header and none of its keys is read"
                     : std::string(", where it does no harm yet")) +
                "; save the file as ANSI or as \"Unicode\"");
    }
    const auto [line, text] = FirstUtf8Line(
        bytes.substr(bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark ? kUtf8Mark.size() : 0));
    if (line != 0) {
        add(line, Severity::Warning, "encoding-utf8",
            "this line holds UTF-8 letters, which the program shows in the ANSI code page, as \"" +
                text + "\"; save the file as ANSI (Windows-1252) or as \"Unicode\"");
    }
    return found;
}

}  // namespace tvprofile
