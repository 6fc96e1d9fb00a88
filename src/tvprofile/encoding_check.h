// How a profile file is saved, against how Windows reads it: the encodings that make the
// program read something else than the vendor wrote.
#pragma once

#include <string_view>
#include <vector>

#include "tvprofile/check.h"

namespace tvprofile {

// Findings on the file's bytes as a whole: saved as "Unicode" (which the 9x family cannot
// read), a UTF-8 byte-order mark (which Windows does not skip), UTF-8 letters (which the dialog
// shows in the ANSI code page), NUL bytes (UTF-16 without a mark, or big-endian).
std::vector<Finding> CheckEncoding(std::string_view bytes);

}  // namespace tvprofile
