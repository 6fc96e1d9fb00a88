// The live Windows machine copied, read-only, into a simulated one, so that `tvprofile plan` can
// run the uninstaller on the copy: what the run reads (version, bitness, the Windows directory, the
// profile, the registry keys it walks, the files the profile names, running processes and the
// companion window) and nothing it does not. The files are copied apart: the ones a run touches,
// which a first run on the copy names. Windows builds only.
#pragma once

#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"

namespace tvprofile {

// Fills the machine, which must be fresh, with all but the files. Returns an empty text, or what
// could not be read.
std::string CopyLiveMachine(sim::Machine& machine);

// Copies these files (Windows paths) of the live machine that exist: their attributes, whether
// another program holds them open, and the contents of INI files.
void CopyLiveFiles(sim::Machine& machine, const std::vector<std::string>& paths);

// Whether tvprofile runs as a 32-bit process on 64-bit Windows (WOW64), where it would read the
// registry's 32-bit view and find SysWOW64 behind system32: not the machine the uninstaller's
// run works on.
bool RunsUnderWow64();

// Has the console show what the program writes as UTF-8, the encoding of its reports.
void UseUtf8Console();

}  // namespace tvprofile
