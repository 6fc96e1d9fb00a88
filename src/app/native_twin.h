// Whether the tvuninst64.exe beside the 32-bit uninstaller is its twin from the same package,
// before the 32-bit one starts it with its own rights (an administrator's, or SYSTEM's under a
// deployment tool): from a Downloads folder, or a share that computers may write to, a stranger's
// program of that name would otherwise run with them.
#pragma once

#include <string>

// Why `native` is not the twin of `self` (both full paths), or empty when it is: the twin's
// version resource equals this program's, and where this program is Authenticode-signed, the
// twin's signature verifies and names the same signer certificate.
std::string WhyNotTwin(const std::string& self, const std::string& native);
