// The product's uninstall entry as the run uses it beyond the installed check: a run marks it
// before its first removal, and it is the key a run deletes last, so a mark found there says that
// an earlier run started and did not finish. Also how a key delete is named and recorded.
#pragma once

#include <string>

#include "app/run_result.h"
#include "platform/win32_types.h"

// The value that marks the entry: the local time the run started, as text.
inline constexpr const char* kRunStartedValue = "TvuninstRunStarted";

// Marks the entry in every registry view that holds it. A mark that cannot be written changes
// nothing else: it only matters to a later run.
void MarkRunStarted();

// Whether the entry carries the mark of a run that did not finish.
bool RunWasInterrupted();

// A path below HKLM as Windows shows it in that registry view: the 32-bit view of Software lies
// under Software\Wow6432Node.
std::string PathInView(const std::string& path, w32::DWORD view);

// Records the outcome of SHDeleteKeyA or RegDeleteKeyA on the key named.
void RecordKeyDelete(RunResult& result, std::string key, w32::LONG code);
