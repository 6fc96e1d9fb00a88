#include "tvprofile/profile_lines.h"

#include "platform/sim/profile_lines.h"

namespace tvprofile {

namespace {

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
    for (sim::ProfileLine& line : sim::SplitProfileLines(text)) {
        if (line.text[0] == ';' || line.text[0] == '#') continue;
        if (line.header) {
            result.sections.push_back(SectionLines{line.number, std::move(line.name), {}});
            continue;
        }
        if (line.text[0] == '[') {
            // The reader takes it for a key line of the section before, which nothing reads.
            result.unclosed.push_back(KeyLine{line.number, line.text, std::nullopt});
            continue;
        }
        KeyLine k{line.number, std::move(line.name), std::move(line.value)};
        (result.sections.empty() ? result.outside : result.sections.back().keys)
            .push_back(std::move(k));
    }
    return result;
}

}  // namespace tvprofile
