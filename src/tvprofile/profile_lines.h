// Where things are in a profile file: its sections and key lines with their line numbers, split
// into lines as the simulated machine's profile reader splits them (platform/sim/profile_lines.h).
// This only locates keys for the report; which value the uninstaller takes is always asked of the
// product's own loader through the port.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tvprofile {

struct KeyLine {
    int line = 0;
    std::string key;                   // as written, blanks around it removed
    std::optional<std::string> value;  // the text after "=", blanks around it removed
};

struct SectionLines {
    int line = 0;  // of the header
    std::string name;
    std::vector<KeyLine> keys;

    // The lines of a key, in file order (names compared without regard to case).
    std::vector<const KeyLine*> Find(const std::string& key) const;
};

struct ProfileLines {
    std::vector<SectionLines> sections;
    std::vector<KeyLine> outside;   // key lines before the first header
    std::vector<KeyLine> unclosed;  // lines that begin with '[' and have no ']': no header

    // Lines that begin with ';' or '#' are comments: the program reads no key of such a name.

    static ProfileLines Parse(const std::string& text);
    // The first section of that name, or none.
    const SectionLines* Find(const std::string& name) const;
};

bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace tvprofile
