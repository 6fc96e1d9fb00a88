// Who owns a kernel object or a file, and who this run is: the questions the one-run lock and the
// log ask before they trust an object that someone else may have made first.
#pragma once

#include <string>

#include "platform/handles.h"

// The accounts that may own the lock and the log: an administrator's run makes its objects
// owned by the Administrators group, a run as SYSTEM by SYSTEM.
inline constexpr const char* kAdministratorsSid = "S-1-5-32-544";
inline constexpr const char* kSystemSid = "S-1-5-18";

// A security descriptor in the system's string form, as a LocalAlloc block; none where the system
// cannot make one (NT 4.0 and the 9x family lack the conversion), and the caller then passes no
// security attributes: the creator's default applies.
w32::UniqueLocal SecurityDescriptor(const char* sddl);

// The owner of an object opened with READ_CONTROL, as "S-1-5-..."; empty when it cannot be read
// (the 9x family, NT 4.0 without the SID conversion, a FAT volume's file, which has none).
std::string OwnerOf(w32::HANDLE object);

// Whether an object's owner is one that a run of this program could have given it: Administrators
// or SYSTEM, or this run's own account or the owner its token gives new objects (an
// administrator's own account where policy makes the creator the owner; Wine's user group).
// A standard user's object has none of them.
bool OwnedLikeOurs(const std::string& owner);

// The run has an administrator's full rights: from Vista on, the token says whether it is
// elevated; before, there is no split token, and every run counts as one that must not be
// aimed at another account's files.
bool RunIsElevated();
