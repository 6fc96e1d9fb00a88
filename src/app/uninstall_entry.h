// The product's uninstall entry as the run uses it beyond the installed check. Before its first
// removal a run writes its journal there, beside the mark of its start: what it will act on, one
// line per item in the run result's own words ("remove-device PCI\...", "delete-file C:\...").
// The entry is the key a run deletes last, and only when nothing is left, so a journal found there
// names what an earlier run did not finish. Also how a key delete is named and recorded.
#pragma once

#include <string>
#include <vector>

#include "app/run_result.h"
#include "app/uninst_app.h"
#include "platform/win32_types.h"

// The values of the entry that a run writes: when it started, its journal (REG_MULTI_SZ), and the
// entry's DisplayVersion and InstallDate as they were when the journal was written, by which a
// journal that a later install wrote over is known.
inline constexpr const char* kRunStartedValue = "TvuninstRunStarted";
inline constexpr const char* kJournalValue = "TvuninstJournal";
inline constexpr const char* kJournalVersionValue = "TvuninstJournalDisplayVersion";
inline constexpr const char* kJournalDateValue = "TvuninstJournalInstallDate";

// The entries a run's journal goes in: those the installed check found; without them (a step run
// on its own), the profile's DrvUninstRegKeyPath in every view that holds it.
std::vector<ProductEntry> JournalEntries();

// The entry's key below HKLM as the log names it ("HKLM\SOFTWARE\Wow6432Node\...\Uninstall\X").
std::string EntryKeyName(const ProductEntry& entry);

// Writes the journal, with the start mark and the entry's version and date, into every entry.
// An entry that cannot be written changes nothing else: the journal only matters to a later run.
void WriteJournal(const std::vector<std::string>& lines);

// Puts the journal's lines as they now stand in every entry that holds the journal, leaving the
// rest as the first write made it.
void RewriteJournal(const std::vector<std::string>& lines);

// What a run finds in the entries: no journal; one to finish; or one it does not follow, with why.
struct JournalFound {
    enum class State { None, Usable, Discarded } state = State::None;
    std::vector<std::string> lines;
    std::string whyDiscarded;
};
JournalFound ReadJournal();

// One journal line split into the action and its target; false for a line of no known action.
bool ParseJournalLine(const std::string& line, Action& action, std::string& target);

// The items of the journal that the run has not finished: every line, in its order, that the
// result does not record as done (removed, not there, kept on purpose, or scheduled for restart).
std::vector<std::string> LinesLeft(const std::vector<std::string>& journal,
                                   const RunResult& result);

// The start mark alone, in every entry (the 9x family, which keeps no journal).
void MarkRunStarted();

// A path below HKLM as Windows shows it in that registry view: the 32-bit view of Software lies
// under Software\Wow6432Node.
std::string PathInView(const std::string& path, w32::DWORD view);

// Records the outcome of SHDeleteKeyA or RegDeleteKeyA on the key named.
void RecordKeyDelete(RunResult& result, std::string key, w32::LONG code);
