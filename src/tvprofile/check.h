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

// Checks the profile whose file bytes are given. The probe must be the installed port, reading the
// same file (probe.profileFile); it is swapped for a made-up machine while the product's run is
// tried there, and put back. The product's program state is left reset.
std::vector<Finding> CheckProfile(const std::string& bytes, ProbeControl& probe);

// 0: nothing found; 1: warnings only; 2: at least one error.
int ExitCode(const std::vector<Finding>& findings);

// "FILE:LINE: error: text" lines ("FILE: ..." for line 0, the file as a whole), then the count.
// Both reports show the profile's bytes as Windows-1252 text in UTF-8, control bytes escaped.
std::string FormatText(const std::string& file, const std::vector<Finding>& findings);
std::string FormatJson(const std::string& file, const std::vector<Finding>& findings);

// Text from the profile or the machine (code page 1252) as a terminal shows it: UTF-8, with
// control bytes and bytes 1252 leaves undefined written as \xNN.
std::string PrintableText(const std::string& text);

}  // namespace tvprofile
