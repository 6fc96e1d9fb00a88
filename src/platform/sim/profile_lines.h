// How the system's profile reader splits a profile file into lines: the machine's
// GetPrivateProfile* calls read keys from it, and tvprofile finds the lines of the keys it
// reports on with it, so the two cannot disagree on what a line is.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sim {

// One line that is not blank. A line is a header when it begins with '[' and has a ']' after
// it; every other line, a "[" without its "]" too, is a key line: the reader knows no comment
// syntax, so ";x=1" is a key named ";x".
struct ProfileLine {
    int number = 0;    // in the file, from 1
    std::string text;  // the whole line, blanks around it removed
    bool header = false;
    std::string name;  // a header's section name, or the key, blanks around either removed
    std::optional<std::string> value;  // the text after the first '=', blanks around it removed
};

// The file's lines that are not blank, in order. Lines end at '\n'; a '\r' before it is a blank.
std::vector<ProfileLine> SplitProfileLines(const std::string& text);

// The text without the blanks (space, tab, CR, LF, FF, VT) at either end.
std::string TrimProfileBlanks(const std::string& text);

}  // namespace sim
