// The INI probe: reads keys of one profile through the port's GetPrivateProfileStringA, so that
// the same lines can be had from the real API (under Wine) and from the simulated machine.
#pragma once

#include <functional>
#include <string>

namespace iniprobe {

// usage: iniprobe INI_FILE LIST_FILE
// The INI file is placed as "TVMuxDrv.ini" in the Windows directory by `place`, byte for byte;
// every line "section|key|capacity|default" of the list (capacity 260 and default "<absent>"
// when left out; "#" starts a comment) is read with the bare file name and printed as
// "section|key|value".
int Main(int argc, char** argv, const std::function<bool(const std::string& bytes)>& place);

}  // namespace iniprobe
