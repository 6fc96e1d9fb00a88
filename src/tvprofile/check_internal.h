// Inside `tvprofile check`: the checker that check.cpp runs and the pieces its rules share. The
// rules live in files of their own: the lines and values of a section (check_lines.cpp), the
// tables and their counts (check_tables.cpp), and the verdicts of the product's own run on a model
// machine (check_runs.cpp); what the loader reads and what its scans make of made-up devices is
// learnt in check_loader.cpp.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/uninst_app.h"
#include "tvprofile/check.h"
#include "tvprofile/model_run.h"
#include "tvprofile/profile_lines.h"

namespace tvprofile::checking {

inline std::string Lower(std::string s) {
    return detail::Lower(std::move(s));
}

// One run of the product's loader for a country code; the program state then holds its result.
std::vector<ProfileRead> Load(ProbeControl& probe, int country);

// A row key's base and index ("DevDrvID12" -> "DevDrvID", 12); nothing for a key without
// trailing digits.
struct RowKeyParts {
    std::string base;
    int index = 0;
    std::string digits;
};
std::optional<RowKeyParts> SplitRowKey(const std::string& key);

struct CountKey {
    std::string key;
    std::vector<std::string> bases;
};

// The keys the loader can read, learnt from the loader itself: a load from an empty profile gives
// the single keys and the counts; a count is a key whose answer "F" makes the loader read rows.
struct Vocabulary {
    std::vector<std::string> singles;
    std::vector<CountKey> counts;

    static Vocabulary Learn(ProbeControl& probe);

    bool Knows(const std::string& key) const;

    std::string Closest(const std::string& key) const;
};

enum class Field { Id, Name, Sys, Inf, ExtFile, Service, AppName, UninstPath, MediaClass, Other };
enum class Table { Dev, ExtDev, Possible, None };

struct Role {
    Field field = Field::Other;
    Table table = Table::None;
};

Role RoleOf(const char* buffer);

// The program state as loaded, with the scans' own lists empty.
void Restore(const UninstallProfile& loaded);

// DevTable after the NT scan has seen one device with this hardware ID, and the scan's count.
std::pair<int, UninstallProfile> ScanNt(ProbeControl& probe, const UninstallProfile& loaded,
                                        const std::string& hardwareId);

// The enumerator keys the 9x scan records for one device with this hardware ID, counting only
// DevTable row `row` (no candidates), and whether it took the device for a USB one.
std::pair<std::vector<std::string>, bool> ScanWin9xRow(ProbeControl& probe,
                                                       const UninstallProfile& loaded, int row,
                                                       const std::string& hardwareId);

// The wording the findings share.
std::string Quote(const std::string& s);
std::string Rows(int count);
std::string RowRange(int count);
// Why IsFileNameBelowFolder refused a name, for the reader; the decision itself is its own.
std::string PlainNameHint(const std::string& name);

class Checker {
    // A section that a user can get, with what the loader made of it.
    struct RunFor {
        std::string section;
        int line = 0;  // of its header; 0 when the file lacks it
        int country = 1;
        UninstallProfile loaded{};
    };

public:
    // The file is read as the NT family reads it; how the 9x family differs is an encoding
    // finding.
    Checker(const std::string& bytes, ProbeControl& probe);

    std::vector<Finding> Run();

private:
    void Add(int line, Severity severity, std::string code, std::string section, std::string key,
             std::string message);
    void CheckSection(const SectionLines& s);

    // check_lines.cpp
    void CheckKeys(const SectionLines& s);
    int LineOf(const SectionLines& s, const std::string& key) const;
    void CheckReads(const SectionLines& s, const std::vector<ProfileRead>& reads);
    void CheckMediaClass(const SectionLines& s, int line, const ProfileRead& r);
    void CheckNoFallback(const SectionLines& s);

    // check_tables.cpp
    void CheckCounts(const SectionLines& s, const std::vector<ProfileRead>& reads);
    void CheckRow(const SectionLines& s, const CountKey& c, int row, int countLine);
    const char* RowBuffer(const CountKey&, const std::string& key);
    std::string EmptyIdConsequence(Table table);
    void CheckWin9xUsbKey(const SectionLines& s, const std::string& key, int line, int row,
                          const std::string& id);

    // check_runs.cpp
    void CheckRuns();
    std::string WhyNothing(const RunFor& r, const ModelOutcome& outcome) const;
    void CheckFolderNames(const SectionLines& s, const std::vector<std::string>& lookedFor);

    std::string bytes_;
    ProfileLines lines_;
    std::vector<RunFor> runs_;
    ProbeControl& probe_;
    Vocabulary vocab_;
    UninstallProfile loaded_{};
    std::vector<ProfileRead> reads_;  // of the section being checked
    std::vector<Finding> findings_;
};

}  // namespace tvprofile::checking
