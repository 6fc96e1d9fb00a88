#include "platform/sim/profile_lines.h"

#include <sstream>

namespace sim {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

}  // namespace

std::string TrimProfileBlanks(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::vector<ProfileLine> SplitProfileLines(const std::string& text) {
    std::vector<ProfileLine> lines;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        ProfileLine line;
        line.number = number;
        line.text = TrimProfileBlanks(raw);
        if (line.text.empty()) continue;
        if (line.text[0] == '[') {
            const std::size_t close = line.text.rfind(']');
            if (close != std::string::npos) {
                // Blanks inside the brackets are not part of the name: "[ 1 ]" is section "1".
                line.header = true;
                line.name = TrimProfileBlanks(line.text.substr(1, close - 1));
                lines.push_back(std::move(line));
                continue;
            }
        }
        const std::size_t eq = line.text.find('=');
        if (eq == std::string::npos) {
            line.name = line.text;
        } else {
            line.name = TrimProfileBlanks(line.text.substr(0, eq));
            line.value = TrimProfileBlanks(line.text.substr(eq + 1));
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace sim
