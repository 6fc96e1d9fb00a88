// The checker's course over a profile (check.h): the file's lines, then section by section the
// loader's reads, the line and table rules (check_lines.cpp, check_tables.cpp), and last the
// product's own runs (check_runs.cpp); and the wording the findings share.
#include "tvprofile/check.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "platform/sim/sim_text.h"
#include "tvprofile/check_internal.h"
#include "tvprofile/encoding_check.h"

namespace tvprofile {

namespace checking {

std::string Quote(const std::string& s) {
    return "\"" + s + "\"";
}

std::string Rows(int count) {
    return count == 1 ? "1 row" : std::to_string(count) + " rows";
}

std::string RowRange(int count) {
    return count <= 0 ? "no rows" : count == 1 ? "row 0" : "rows 0-" + std::to_string(count - 1);
}

std::string PlainNameHint(const std::string& name) {
    if (name.empty()) return "it is empty";
    if (name.find('/') != std::string::npos || name.front() == '\\' || name.back() == '\\' ||
        name.find("\\\\") != std::string::npos || name.find("..") != std::string::npos)
        return "its folder part does not stay below the group's folder";
    if (name.find(':') != std::string::npos) return "it names a drive or a stream";
    if (name.find_first_of("*?") != std::string::npos) return "it has a wildcard";
    if (name.back() == '.' || name.back() == ' ') return "it ends in a dot or a blank";
    return "it is a device name (CON, NUL, COM1, ...) or holds a character no file name may";
}

Checker::Checker(const std::string& bytes, ProbeControl& probe)
    : bytes_(bytes),
      lines_(ProfileLines::Parse(sim::AnsiTextOf(bytes))),
      probe_(probe),
      vocab_(Vocabulary::Learn(probe)) {}

std::vector<Finding> Checker::Run() {
    findings_ = CheckEncoding(bytes_);
    const bool utf8Mark = bytes_.rfind("\xEF\xBB\xBF", 0) == 0;
    for (const KeyLine& k : lines_.outside) {
        // A header behind a UTF-8 mark is the mark's finding.
        if (utf8Mark && k.line == 1) continue;
        Add(k.line, Severity::Warning, "outside-section", "", k.key,
            Quote(k.key) + " stands before any [section] header and is never read");
    }
    for (const KeyLine& k : lines_.unclosed)
        Add(k.line, Severity::Warning, "header-unclosed", "", k.key,
            Quote(k.key) +
                " lacks its closing ']': it starts no section, and the lines below it "
                "belong to the section before");
    std::set<std::string> seen;
    for (const SectionLines& s : lines_.sections) {
        if (!seen.insert(Lower(s.name)).second) {
            Add(s.line, Severity::Warning, "section-duplicate", s.name, "",
                "a second [" + s.name + "] (the first is on line " +
                    std::to_string(lines_.Find(s.name)->line) +
                    "): the program reads only the first section of a name");
            continue;
        }
        CheckSection(s);
    }
    CheckRuns();
    std::stable_sort(findings_.begin(), findings_.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    ResetProgramState();
    return findings_;
}

void Checker::Add(int line, Severity severity, std::string code, std::string section,
                  std::string key, std::string message) {
    findings_.push_back(Finding{line, severity, std::move(code), std::move(section), std::move(key),
                                std::move(message)});
}

void Checker::CheckSection(const SectionLines& s) {
    const bool numeric = !s.name.empty() && s.name.size() <= 9 &&
                         std::all_of(s.name.begin(), s.name.end(), [](char c) {
                             return std::isdigit(static_cast<unsigned char>(c)) != 0;
                         });
    if (!numeric) {
        Add(s.line, Severity::Warning, "section-name", s.name, "",
            "[" + s.name + "] is not a country code: the program never reads this section");
        return;
    }
    const std::vector<ProfileRead> reads = Load(probe_, std::stoi(s.name));
    if (!EqualsNoCase(theApp.ProfileSection, s.name)) {
        const auto title = probe_.WholeValue(s.name, "UnInstDrvAppTitle");
        if (!title || title->empty()) {
            Add(s.line, Severity::Warning, "section-unused", s.name, "",
                "[" + s.name + "] has no UnInstDrvAppTitle" + (title ? " value" : "") +
                    ": the program ignores the whole section and uses [" + theApp.ProfileSection +
                    "] for every key");
        } else {
            Add(s.line, Severity::Warning, "section-name", s.name, "",
                "[" + s.name +
                    "] is never read: the program writes a country code without "
                    "leading zeros, and this one as [" +
                    std::to_string(std::stoi(s.name)) + "]");
        }
        return;
    }
    loaded_ = theApp;
    reads_ = reads;
    runs_.push_back(RunFor{s.name, s.line, std::stoi(s.name), theApp});
    CheckKeys(s);
    CheckReads(s, reads);
    CheckCounts(s, reads);
    if (!EqualsNoCase(s.name, "1")) CheckNoFallback(s);
}

}  // namespace checking

std::vector<Finding> CheckProfile(const std::string& text, ProbeControl& probe) {
    return checking::Checker(text, probe).Run();
}

}  // namespace tvprofile
