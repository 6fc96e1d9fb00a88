#include "tvprofile/profile_lines.h"

#include <sstream>

namespace tvprofile {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::vector<const KeyLine*> SectionLines::Find(const std::string& key) const {
    std::vector<const KeyLine*> found;
    for (const KeyLine& k : keys)
        if (EqualsNoCase(k.key, key)) found.push_back(&k);
    return found;
}

const SectionLines* ProfileLines::Find(const std::string& name) const {
    for (const SectionLines& s : sections)
        if (EqualsNoCase(s.name, name)) return &s;
    return nullptr;
}

ProfileLines ProfileLines::Parse(const std::string& text) {
    ProfileLines result;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string::npos) {
                result.sections.push_back(
                    SectionLines{number, Trim(line.substr(1, close - 1)), {}});
                continue;
            }
            // The reader takes it for a key line of the section before, which nothing reads.
            result.unclosed.push_back(KeyLine{number, line, std::nullopt});
            continue;
        }
        KeyLine k;
        k.line = number;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            k.key = line;
        } else {
            k.key = Trim(line.substr(0, eq));
            k.value = Trim(line.substr(eq + 1));
        }
        (result.sections.empty() ? result.outside : result.sections.back().keys)
            .push_back(std::move(k));
    }
    return result;
}

}  // namespace tvprofile
