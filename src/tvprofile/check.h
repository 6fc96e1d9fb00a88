// `tvprofile check`: what the uninstaller will make of a profile, found by running its own loader,
// scans and deletion rules on the profile and comparing the result with what the file says.
#pragma once

#include <string>
#include <vector>

#include "tvprofile/profile_probe.h"

namespace tvprofile {

enum class Severity { Warning, Error };

struct Finding {
    int line = 0;
    Severity severity = Severity::Warning;
    std::string code;  // stable name of the kind of finding, for tools ("count-decimal", ...)
    std::string section;
    std::string key;
    std::string message;
};

// Checks the profile whose text is given. The probe must be the installed port, reading the same
// file (probe.profileFile). The product's program state is left reset.
std::vector<Finding> CheckProfile(const std::string& text, ProbeControl& probe);

// 0: nothing found; 1: warnings only; 2: at least one error.
int ExitCode(const std::vector<Finding>& findings);

// "FILE:LINE: error: text" lines, then the count.
std::string FormatText(const std::string& file, const std::vector<Finding>& findings);
std::string FormatJson(const std::string& file, const std::vector<Finding>& findings);

}  // namespace tvprofile
