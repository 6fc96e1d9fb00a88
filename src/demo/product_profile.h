// The product's profile as its installer writes it, section [1]: the two capture devices and the
// crossbar, the extra files, the candidate rows, the uninstall entry and, for the NT family, the
// media class and the three services. The native demo runs on it, and so do the tests that need
// a whole product (the fault-injection runs).
#pragma once

#include <string>
#include <vector>

namespace demo {

struct ProfileRow {
    std::string id, name, sys, inf;
};

struct ProductProfileRows {
    std::string crossbarId = "STREAM\\BRELON.XBAR";
    std::vector<std::string> extraFiles = {"tunaprop.dll"};
    std::vector<ProfileRow> candidates;
    bool ntKeys = true;  // MediaClass and the services, which only the NT family reads
};

// The profile's text, with CR LF line ends.
std::string ProductProfile(const ProductProfileRows& rows = {});

}  // namespace demo
