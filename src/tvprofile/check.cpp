#include "tvprofile/check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "app/file_removal.h"
#include "app/text.h"
#include "app/uninst_app.h"
#include "nt/nt_removal.h"
#include "platform/sim/sim_text.h"
#include "tvprofile/encoding_check.h"
#include "tvprofile/model_run.h"
#include "tvprofile/profile_lines.h"
#include "win9x/enum_keys.h"

namespace tvprofile {

namespace {

std::string Lower(std::string s) {
    return detail::Lower(std::move(s));
}

// ---- what the loader reads ----------------------------------------------------------------------

// One run of the product's loader for a country code; the program state then holds its result.
std::vector<ProfileRead> Load(ProbeControl& probe, int country) {
    ResetProgramState();
    probe.reads.clear();
    probe.country = country;
    theApp.LoadProfile();
    probe.country.reset();
    return probe.reads;
}

// A row key's base and index ("DevDrvID12" -> "DevDrvID", 12); nothing for a key without
// trailing digits.
struct RowKeyParts {
    std::string base;
    int index = 0;
    std::string digits;
};
std::optional<RowKeyParts> SplitRowKey(const std::string& key) {
    std::size_t end = key.size();
    while (end > 0 && std::isdigit(static_cast<unsigned char>(key[end - 1]))) --end;
    if (end == key.size() || end == 0 || key.size() - end > 6) return std::nullopt;
    RowKeyParts p{key.substr(0, end), std::stoi(key.substr(end)), key.substr(end)};
    return p;
}

struct CountKey {
    std::string key;
    std::vector<std::string> bases;
};

// The keys the loader can read, learnt from the loader itself: a load from an empty profile gives
// the single keys and the counts; a count is a key whose answer "F" makes the loader read rows.
struct Vocabulary {
    std::vector<std::string> singles;
    std::vector<CountKey> counts;

    static Vocabulary Learn(ProbeControl& probe) {
        Vocabulary v;
        probe.answers.emplace();
        std::vector<std::string> plain;
        for (const ProfileRead& r : Load(probe, 1))
            if (std::find(plain.begin(), plain.end(), r.key) == plain.end()) plain.push_back(r.key);
        for (const std::string& key : plain) {
            probe.answers = std::map<std::string, std::string>{{Lower(key), "F"}};
            CountKey count{key, {}};
            for (const ProfileRead& r : Load(probe, 1)) {
                if (std::find(plain.begin(), plain.end(), r.key) != plain.end()) continue;
                const auto parts = SplitRowKey(r.key);
                if (parts && std::find(count.bases.begin(), count.bases.end(), parts->base) ==
                                 count.bases.end())
                    count.bases.push_back(parts->base);
            }
            if (count.bases.empty()) {
                v.singles.push_back(key);
            } else {
                v.counts.push_back(std::move(count));
            }
        }
        probe.answers.reset();
        ResetProgramState();
        return v;
    }

    bool Knows(const std::string& key) const {
        for (const std::string& s : singles)
            if (EqualsNoCase(s, key)) return true;
        for (const CountKey& c : counts) {
            if (EqualsNoCase(c.key, key)) return true;
            const auto parts = SplitRowKey(key);
            if (!parts || parts->digits != std::to_string(parts->index)) continue;
            for (const std::string& b : c.bases)
                if (EqualsNoCase(b, parts->base)) return true;
        }
        return false;
    }

    // The real key nearest to a misspelt one, keeping a row key's index.
    std::string Closest(const std::string& key) const {
        auto distance = [](const std::string& a, const std::string& b) {
            const std::string x = Lower(a), y = Lower(b);
            std::vector<std::size_t> row(y.size() + 1);
            for (std::size_t j = 0; j <= y.size(); ++j) row[j] = j;
            for (std::size_t i = 1; i <= x.size(); ++i) {
                std::size_t diag = row[0];
                row[0] = i;
                for (std::size_t j = 1; j <= y.size(); ++j) {
                    const std::size_t up = row[j];
                    row[j] = std::min(
                        {row[j] + 1, row[j - 1] + 1, diag + (x[i - 1] == y[j - 1] ? 0u : 1u)});
                    diag = up;
                }
            }
            return row[y.size()];
        };
        std::string best;
        std::size_t bestDistance = SIZE_MAX;
        auto consider = [&](const std::string& candidate, const std::string& written,
                            const std::string& suffix) {
            const std::size_t d = distance(written, candidate);
            if (d < bestDistance) {
                bestDistance = d;
                best = candidate + suffix;
            }
        };
        const auto parts = SplitRowKey(key);
        for (const std::string& s : singles) consider(s, key, "");
        for (const CountKey& c : counts) {
            consider(c.key, key, "");
            for (const std::string& b : c.bases) {
                if (parts) consider(b, parts->base, std::to_string(parts->index));
            }
        }
        return bestDistance <= std::max<std::size_t>(3, key.size() / 3) ? best : std::string();
    }
};

// ---- which field a read fills -------------------------------------------------------------------

enum class Field { Id, Name, Sys, Inf, ExtFile, Service, AppName, UninstPath, MediaClass, Other };
enum class Table { Dev, ExtDev, Possible, None };

struct Role {
    Field field = Field::Other;
    Table table = Table::None;
};

Role RoleOf(const char* buffer) {
    const UninstallProfile& p = theApp;
    const std::pair<const DeviceEntry*, Table> tables[] = {{p.DevTable, Table::Dev},
                                                           {p.ExtDevTable, Table::ExtDev},
                                                           {p.PossibleDevTable, Table::Possible}};
    for (const auto& [rows, table] : tables) {
        for (int i = 0; i < kTableRows; ++i) {
            if (buffer == rows[i].ID) return {Field::Id, table};
            if (buffer == rows[i].Name) return {Field::Name, table};
            if (buffer == rows[i].SYS) return {Field::Sys, table};
            if (buffer == rows[i].INF) return {Field::Inf, table};
        }
    }
    for (int i = 0; i < kTableRows; ++i) {
        if (buffer == p.ExtCopyFiles[i]) return {Field::ExtFile, Table::None};
        if (buffer == p.ServiceNames[i]) return {Field::Service, Table::None};
    }
    if (buffer == p.DrvUninstAppName) return {Field::AppName, Table::None};
    if (buffer == p.DrvUninstRegKeyPath) return {Field::UninstPath, Table::None};
    if (buffer == p.MediaClass) return {Field::MediaClass, Table::None};
    return {};
}

// ---- the product's scans on made-up devices -----------------------------------------------------

// The program state as loaded, with the scans' own lists empty.
void Restore(const UninstallProfile& loaded) {
    ResetProgramState();
    static_cast<UninstallProfile&>(theApp) = loaded;
}

// DevTable after the NT scan has seen one device with this hardware ID, and the scan's count.
std::pair<int, UninstallProfile> ScanNt(ProbeControl& probe, const UninstallProfile& loaded,
                                        const std::string& hardwareId) {
    Restore(loaded);
    probe.fakeDevices = std::vector<std::string>{hardwareId};
    const int count = ScanDevicesNt();
    probe.fakeDevices.reset();
    return {count, theApp};
}

// The enumerator keys the 9x scan records for one device with this hardware ID, counting only
// DevTable row `row` (no candidates), and whether it took the device for a USB one.
std::pair<std::vector<std::string>, bool> ScanWin9xRow(ProbeControl& probe,
                                                       const UninstallProfile& loaded, int row,
                                                       const std::string& hardwareId) {
    Restore(loaded);
    theApp.PossibleDevIDNum = 0;
    theApp.DevTable[0] = loaded.DevTable[row];
    theApp.DevIDNum = 1;
    theApp.ExtDevIDNum = 0;
    probe.fakeDevices = std::vector<std::string>{hardwareId};
    ScanDevicesWin9x();
    probe.fakeDevices.reset();
    std::vector<std::string> keys(VendorKeyList, VendorKeyList + RowsInUse(VendorKeyCount, 10));
    return {keys, UsbDeviceSeen()};
}

// ---- the checks ---------------------------------------------------------------------------------

std::string Quote(const std::string& s) {
    return "\"" + s + "\"";
}

std::string Rows(int count) {
    return count == 1 ? "1 row" : std::to_string(count) + " rows";
}

std::string RowRange(int count) {
    return count <= 0 ? "no rows" : count == 1 ? "row 0" : "rows 0-" + std::to_string(count - 1);
}

// Why IsFileNameBelowFolder refused a name, for the reader; the decision itself is its own.
std::string PlainNameHint(const std::string& name) {
    if (name.empty()) return "it is empty";
    if (name.find('/') != std::string::npos || name.front() == '\\' || name.back() == '\\' ||
        name.find("\\\\") != std::string::npos || name.find("..") != std::string::npos)
        return "its folder part does not stay below the group's folder";
    if (name.find(':') != std::string::npos) return "it names a drive or a stream";
    if (name.find_first_of("*?") != std::string::npos) return "it has a wildcard";
    if (name.back() == '.' || name.back() == ' ') return "it ends in a dot or a blank";
    return "it is a device name (CON, NUL, COM1, ...) or holds a character no file name may";
}

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
    Checker(const std::string& bytes, ProbeControl& probe)
        : bytes_(bytes),
          lines_(ProfileLines::Parse(sim::AnsiTextOf(bytes))),
          probe_(probe),
          vocab_(Vocabulary::Learn(probe)) {}

    std::vector<Finding> Run() {
        findings_ = CheckEncoding(bytes_);
        const bool utf8Mark = bytes_.rfind("\xEF\xBB\xBF", 0) == 0;
        for (const KeyLine& k : lines_.outside) {
            // A header behind a UTF-8 mark is the mark's finding.
            if (utf8Mark && k.line == 1) continue;
            Add(k.line, Severity::Warning, "outside-section", "", k.key,
                Quote(k.key) + " stands before any [section] header and is never read");
        }
        for (const KeyLine& k : lines_.unclosed)
            Add(k.line, Severity::Warning, "header-unclosed", "", k.key,
                Quote(k.key) +
                    " lacks its closing ']': it starts no section, and the lines below it "
                    "belong to the section before");
        std::set<std::string> seen;
        for (const SectionLines& s : lines_.sections) {
            if (!seen.insert(Lower(s.name)).second) {
                Add(s.line, Severity::Warning, "section-duplicate", s.name, "",
                    "a second [" + s.name + "] (the first is on line " +
                        std::to_string(lines_.Find(s.name)->line) +
                        "): the program reads only the first section of a name");
                continue;
            }
            CheckSection(s);
        }
        CheckRuns();
        std::stable_sort(findings_.begin(), findings_.end(),
                         [](const Finding& a, const Finding& b) { return a.line < b.line; });
        ResetProgramState();
        return findings_;
    }

private:
    void Add(int line, Severity severity, std::string code, std::string section, std::string key,
             std::string message) {
        findings_.push_back(Finding{line, severity, std::move(code), std::move(section),
                                    std::move(key), std::move(message)});
    }

    void CheckSection(const SectionLines& s) {
        const bool numeric = !s.name.empty() && s.name.size() <= 9 &&
                             std::all_of(s.name.begin(), s.name.end(), [](char c) {
                                 return std::isdigit(static_cast<unsigned char>(c)) != 0;
                             });
        if (!numeric) {
            Add(s.line, Severity::Warning, "section-name", s.name, "",
                "[" + s.name + "] is not a country code: the program never reads this section");
            return;
        }
        const std::vector<ProfileRead> reads = Load(probe_, std::stoi(s.name));
        if (!EqualsNoCase(theApp.ProfileSection, s.name)) {
            const auto title = probe_.WholeValue(s.name, "UnInstDrvAppTitle");
            if (!title || title->empty()) {
                Add(s.line, Severity::Warning, "section-unused", s.name, "",
                    "[" + s.name + "] has no UnInstDrvAppTitle" + (title ? " value" : "") +
                        ": the program ignores the whole section and uses [" +
                        theApp.ProfileSection + "] for every key");
            } else {
                Add(s.line, Severity::Warning, "section-name", s.name, "",
                    "[" + s.name +
                        "] is never read: the program writes a country code without "
                        "leading zeros, and this one as [" +
                        std::to_string(std::stoi(s.name)) + "]");
            }
            return;
        }
        loaded_ = theApp;
        reads_ = reads;
        runs_.push_back(RunFor{s.name, s.line, std::stoi(s.name), theApp});
        CheckKeys(s);
        CheckReads(s, reads);
        CheckCounts(s, reads);
        if (!EqualsNoCase(s.name, "1")) CheckNoFallback(s);
    }

    // The product's own run for every section a user can get, on a machine that has all the
    // section names: a section on which it removes nothing is an error. [1] is every user's whose
    // country has no titled section, so it is run even where the file lacks it.
    void CheckRuns() {
        if (std::none_of(runs_.begin(), runs_.end(),
                         [](const RunFor& r) { return r.section == "1"; })) {
            Load(probe_, 1);
            runs_.push_back(RunFor{"1", 0, 1, theApp});
        }
        for (const RunFor& r : runs_) {
            const ModelOutcome outcome = RunOnModelMachine(bytes_, r.country, r.loaded);
            if (!outcome.RemovesSomething()) {
                Add(r.line, Severity::Error, "removes-nothing", r.section, "",
                    "the run for [" + r.section +
                        "] removes nothing but the uninstaller's own file: " +
                        WhyNothing(r, outcome));
            }
            // The 9x family names files of its own (the rows' INF files, the "system" folder).
            std::vector<std::string> lookedFor = outcome.filesLookedFor;
            const auto win9x = RunOnModelMachine(bytes_, r.country, r.loaded, true);
            lookedFor.insert(lookedFor.end(), win9x.filesLookedFor.begin(),
                             win9x.filesLookedFor.end());
            if (const SectionLines* s = lines_.Find(r.section); s != nullptr && r.line != 0)
                CheckFolderNames(*s, lookedFor);
        }
    }

    std::string WhyNothing(const RunFor& r, const ModelOutcome& outcome) const {
        if (outcome.stop == ModelOutcome::Stop::NotInstalled)
            return "it stops before its dialog, since the installed-product check does not "
                   "find the product even where its Uninstall entry (DisplayName \"" +
                   std::string(r.loaded.DrvUninstRegKeyName) + "\") exists";
        if (outcome.stop == ModelOutcome::Stop::DeviceCheck)
            return "it stops at the device check: with the device of every row present, the "
                   "number found does not equal DevIDNum (" +
                   std::to_string(r.loaded.DevIDNum) + ")";
        const SectionLines* s = lines_.Find(r.section);
        if (s == nullptr || r.line == 0) {
            std::string why = "the file has no [" + r.section + "] section";
            if (!lines_.unclosed.empty())
                why += " (line " + std::to_string(lines_.unclosed.front().line) + ", " +
                       Quote(lines_.unclosed.front().key) + ", lacks its closing ']')";
            return why + ", so every key takes its built-in default and no row is read";
        }
        const std::pair<const char*, std::int32_t> counts[] = {
            {"DevIDNum", r.loaded.DevIDNum},
            {"ExtDevIDNum", r.loaded.ExtDevIDNum},
            {"ExtDllFileNum", r.loaded.ExtDllFileNum},
            {"UnInstServiceNum", r.loaded.UnInstServiceNum}};
        if (std::any_of(std::begin(counts), std::end(counts),
                        [](const auto& c) { return c.second > 0; }))
            return "its rows name no device, file, service or key that the run finds";
        std::string written;
        for (const auto& [key, value] : counts) {
            const auto found = s->Find(key);
            if (found.empty() || !found.front()->value) continue;
            written +=
                (written.empty() ? "" : ", ") + std::string(key) + "=" + *found.front()->value;
        }
        if (!written.empty())
            return written + (written.find(',') == std::string::npos ? " reads" : " read") +
                   " as no rows: a count is plain hexadecimal digits, such as 2, A or F";
        if (r.section != "1")
            return "[" + r.section +
                   "] has a title and no rows (no DevIDNum), and a country section takes nothing "
                   "from [1]: this country's users get no removal at all";
        return "[1] has no rows (no DevIDNum)";
    }

    // A file name that starts with its group's own folder ("drivers\\tunara.sys" for a driver
    // file) is looked for in a folder of that name below the group's folder.
    void CheckFolderNames(const SectionLines& s, const std::vector<std::string>& lookedFor) {
        const std::string windows = "c:\\windows\\";
        auto split = [](const std::string& path) {
            std::vector<std::string> parts;
            std::size_t at = 0;
            while (at < path.size()) {
                std::size_t end = path.find('\\', at);
                if (end == std::string::npos) end = path.size();
                if (end > at) parts.push_back(path.substr(at, end - at));
                at = end + 1;
            }
            return parts;
        };
        for (const KeyLine& k : s.keys) {
            if (!k.value || k.value->find('\\') == std::string::npos) continue;
            const std::string name = Lower(*k.value);
            for (const std::string& path : lookedFor) {
                if (path.size() <= name.size() ||
                    path.compare(path.size() - name.size(), name.size(), name) != 0 ||
                    path[path.size() - name.size() - 1] != '\\')
                    continue;
                const std::vector<std::string> folder =
                    split(path.substr(0, path.size() - name.size()));
                const std::vector<std::string> parts = split(name);
                // The most leading parts of the name that equal the folder's last parts.
                std::size_t repeated = 0;
                for (std::size_t n = parts.size() - 1; n > 0 && repeated == 0; --n) {
                    if (n <= folder.size() &&
                        std::equal(parts.begin(), parts.begin() + static_cast<long>(n),
                                   folder.end() - static_cast<long>(n)))
                        repeated = n;
                }
                if (repeated == 0) continue;
                std::size_t cut = 0;
                for (std::size_t n = 0; n < repeated; ++n) cut = k.value->find('\\', cut) + 1;
                const std::string shown =
                    path.rfind(windows, 0) == 0 ? path.substr(windows.size()) : path;
                Add(k.line, Severity::Warning, "name-repeats-folder", s.name, k.key,
                    k.key + "=" + *k.value + " is looked for as " + shown +
                        ", in a folder of the same name; the name is probably " + k.key + "=" +
                        k.value->substr(cut));
                break;
            }
        }
    }

    // Keys the program never reads, lines that are no keys, and repeated keys.
    void CheckKeys(const SectionLines& s) {
        std::set<std::string> reported;
        for (const KeyLine& k : s.keys) {
            if (!k.value) {
                Add(k.line, Severity::Warning, "no-equals", s.name, k.key,
                    "this line has no \"=\": it sets no key");
                continue;
            }
            if (!vocab_.Knows(k.key)) {
                const std::string closest = vocab_.Closest(k.key);
                Add(k.line, Severity::Warning, "unknown-key", s.name, k.key,
                    Quote(k.key) + " is not a key the program reads" +
                        (closest.empty() ? std::string() : "; did you mean " + closest + "?"));
                continue;
            }
            const auto all = s.Find(k.key);
            if (all.size() < 2 || all.front() != &k || !reported.insert(Lower(k.key)).second)
                continue;
            const auto taken = probe_.WholeValue(s.name, k.key);
            for (std::size_t i = 1; i < all.size(); ++i) {
                // Which line's text the profile reader returned; the first one if they agree.
                int winner = all.front()->line;
                for (const KeyLine* other : all) {
                    if (taken && other->value && *other->value == *taken) {
                        winner = other->line;
                        break;
                    }
                }
                Add(all[i]->line, Severity::Warning, "duplicate-key", s.name, all[i]->key,
                    Quote(all[i]->key) + " is repeated (first on line " +
                        std::to_string(all.front()->line) +
                        "); the program takes the value on line " + std::to_string(winner) +
                        (taken ? ": " + Quote(*taken) : std::string()));
            }
        }
    }

    int LineOf(const SectionLines& s, const std::string& key) const {
        const auto found = s.Find(key);
        return found.empty() ? 0 : found.front()->line;
    }

    // Every value the loader read: cut values, and the rules that each field's users apply.
    void CheckReads(const SectionLines& s, const std::vector<ProfileRead>& reads) {
        std::set<std::string> done;
        for (const ProfileRead& r : reads) {
            if (!EqualsNoCase(r.section, s.name) || !done.insert(Lower(r.key)).second) continue;
            const int line = LineOf(s, r.key);
            const Role role = RoleOf(r.buffer);
            if (role.field == Field::UninstPath && r.value.empty()) {
                Add(line != 0 ? line : s.line, Severity::Warning, "uninstall-path-empty", s.name,
                    r.key,
                    "DrvUninstRegKeyPath is " + std::string(line != 0 ? "empty" : "absent") +
                        ": the program never deletes an empty path, so the product's uninstall "
                        "entry stays");
            }
            if (line == 0) continue;
            if (const auto whole = probe_.WholeValue(s.name, r.key);
                whole && whole->size() > r.capacity - 1) {
                Add(line, Severity::Warning, "value-cut", s.name, r.key,
                    Quote(r.key) + " is " + std::to_string(whole->size()) +
                        " characters long; the program keeps only the first " +
                        std::to_string(r.capacity - 1) + ": " + Quote(r.value));
            }
            if (role.field == Field::MediaClass) CheckMediaClass(s, line, r);
        }
    }

    void CheckMediaClass(const SectionLines& s, int line, const ProfileRead& r) {
        if (EqualsNoCase(r.value, "Yes") || EqualsNoCase(r.value, "No")) return;
        // The product's own choice for this value, and for the two usual ones.
        auto classFor = [](const std::string& value) {
            CopyField(theApp.MediaClass, value.c_str());
            SelectClassKeyPath();
            return std::string(ClassKeyPath);
        };
        const std::string image = classFor("No");
        const std::string chosen = classFor(r.value);
        const bool isImage = chosen == image;
        std::string message = "MediaClass=" + r.value + " selects the " +
                              (isImage ? "image" : "MEDIA") + " device class (" +
                              chosen.substr(chosen.rfind('\\') + 1) + ")";
        if (isImage) {
            message += ", as every value beginning with \"No\" does; write No if that is meant";
        } else {
            message += "; only values beginning with \"No\" select the image class";
            if (r.value.size() <= 3 && std::tolower(static_cast<unsigned char>(r.value[0])) == 'n')
                message += " (did you mean No?)";
            else
                message += "; write Yes if MEDIA is meant";
        }
        Add(line, Severity::Warning, "media-class", s.name, r.key, message);
    }

    // The counts: their hexadecimal reading, their limit, and the rows around them.
    void CheckCounts(const SectionLines& s, const std::vector<ProfileRead>& reads) {
        for (const CountKey& c : vocab_.counts) {
            const ProfileRead* countRead = nullptr;
            int rowsRead = 0;
            for (const ProfileRead& r : reads) {
                if (EqualsNoCase(r.key, c.key)) countRead = &r;
                const auto parts = SplitRowKey(r.key);
                if (parts && std::any_of(c.bases.begin(), c.bases.end(), [&](const auto& b) {
                        return EqualsNoCase(b, parts->base);
                    }))
                    rowsRead = std::max(rowsRead, parts->index + 1);
            }
            if (countRead == nullptr) continue;
            const int countLine = LineOf(s, c.key);
            const std::string& text = countRead->value;
            const std::int32_t parsed = CUninstApp::ParseHexCount(text.c_str());

            // The rows the file has for this count, by index.
            std::map<int, int> present;  // index -> first line
            for (const KeyLine& k : s.keys) {
                const auto parts = SplitRowKey(k.key);
                if (!parts || parts->digits != std::to_string(parts->index)) continue;
                for (const std::string& b : c.bases) {
                    if (!EqualsNoCase(b, parts->base)) continue;
                    auto [it, inserted] = present.emplace(parts->index, k.line);
                    if (!inserted) it->second = std::min(it->second, k.line);
                }
            }
            const int highest = present.empty() ? -1 : present.rbegin()->first;

            int expected = rowsRead;  // rows that ought to be there
            const bool decimal =
                !text.empty() && std::all_of(text.begin(), text.end(), [](char ch) {
                    return std::isdigit(static_cast<unsigned char>(ch)) != 0;
                });
            long decimalValue = decimal && text.size() < 9 ? std::stol(text) : -1;
            if (countLine != 0 && decimal && decimalValue != parsed &&
                highest + 1 == decimalValue) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "%lX", decimalValue);
                Add(countLine, Severity::Error, "count-decimal", s.name, c.key,
                    c.key + "=" + text + " is hexadecimal: " + std::to_string(parsed) + " rows" +
                        (parsed > kTableRows ? ", taken as " + std::to_string(kTableRows) : "") +
                        "; the file has " + RowRange(static_cast<int>(decimalValue)) +
                        ", so write " + c.key + "=" + hex);
                expected = static_cast<int>(decimalValue);
            } else if (countLine != 0 && parsed > kTableRows) {
                Add(countLine, Severity::Error, "count-limit", s.name, c.key,
                    c.key + "=" + text + " is " + std::to_string(parsed) +
                        " rows; the program holds at most " + std::to_string(kTableRows) +
                        " and reads only " + RowRange(rowsRead));
            } else if (countLine != 0 && parsed < 0) {
                Add(countLine, Severity::Warning, "count-negative", s.name, c.key,
                    c.key + "=" + text + " reads as " + std::to_string(parsed) + ": no rows");
            }
            if (countLine != 0 && !text.empty() &&
                !std::all_of(text.begin(), text.end(), [](char ch) {
                    return std::isxdigit(static_cast<unsigned char>(ch));
                })) {
                Add(countLine, Severity::Warning, "count-text", s.name, c.key,
                    c.key + "=" + text +
                        ": only the leading hexadecimal digits count, so it reads "
                        "as " +
                        Rows(parsed < 0 ? 0 : static_cast<int>(parsed)));
            }

            for (const auto& [index, line] : present) {
                if (index < rowsRead) continue;
                Add(line, Severity::Warning, "row-past-count", s.name, c.key,
                    "row " + std::to_string(index) + " lies past " +
                        (countLine != 0 ? c.key + "=" + text : "the absent " + c.key) + " (" +
                        RowRange(rowsRead) + "): the program never reads it");
            }
            for (int i = 0; i < std::min(rowsRead, expected); ++i) CheckRow(s, c, i, countLine);
        }
    }

    // One row within its count: missing keys, and what its values do in each family.
    void CheckRow(const SectionLines& s, const CountKey& c, int row, int countLine) {
        const std::string suffix = std::to_string(row);
        std::vector<std::string> missing;
        for (const std::string& b : c.bases)
            if (s.Find(b + suffix).empty()) missing.push_back(b + suffix);
        const int line = countLine != 0 ? countLine : s.line;
        if (missing.size() == c.bases.size()) {
            std::string keys;
            for (const std::string& k : missing) keys += (keys.empty() ? "" : ", ") + k;
            const Role role = RoleOf(RowBuffer(c, c.bases.front() + suffix));
            const bool devices = role.table == Table::Dev;
            Add(line, devices ? Severity::Error : Severity::Warning, "row-missing", s.name, c.key,
                "row " + suffix + " is missing (" + keys + "), though " + c.key + " counts it" +
                    (devices ? EmptyIdConsequence(role.table) : std::string()));
            return;
        }
        if (!missing.empty()) {
            // One finding for the row, at its first line, with what the missing keys cost.
            int first = 0;
            for (const std::string& b : c.bases)
                if (const auto found = s.Find(b + suffix); !found.empty())
                    first = first == 0 ? found.front()->line : std::min(first, found.front()->line);
            std::string keys;
            std::string costs;
            Severity severity = Severity::Warning;
            for (const std::string& key : missing) {
                keys += (keys.empty() ? "" : ", ") + key;
                const Role role = RoleOf(RowBuffer(c, key));
                if (role.field == Field::Id) {
                    costs += "; without an ID the row removes no device" +
                             EmptyIdConsequence(role.table);
                    if (role.table != Table::ExtDev) severity = Severity::Error;
                } else if (role.field == Field::Name) {
                    costs +=
                        "; without a name it collects no INF file (NT) and deletes no "
                        "driver key";
                }
            }
            Add(first, severity, "row-incomplete", s.name, c.key,
                "row " + suffix + " lacks " + keys + costs);
        }
        for (std::size_t b = 0; b < c.bases.size(); ++b) {
            const std::string key = c.bases[b] + suffix;
            if (s.Find(key).empty()) continue;
            const char* buffer = RowBuffer(c, key);
            if (buffer == nullptr) continue;
            const std::string value = buffer;
            const int keyLine = s.Find(key).front()->line;
            const std::string what = key + " is empty";
            const Role role = RoleOf(buffer);
            switch (role.field) {
                case Field::Id:
                    if (value.empty()) {
                        Add(keyLine,
                            role.table == Table::ExtDev ? Severity::Warning : Severity::Error,
                            "id-empty", s.name, key,
                            what + ": the row removes no device" + EmptyIdConsequence(role.table));
                    } else if (role.table == Table::Dev) {
                        CheckWin9xUsbKey(s, key, keyLine, row, value);
                    }
                    break;
                case Field::Name:
                    if (value.empty())
                        Add(keyLine, Severity::Warning, "name-empty", s.name, key,
                            what +
                                (role.table == Table::Possible ? ": a row this candidate takes over"
                                                               : ": the row") +
                                " collects no INF file (NT) and deletes no driver key");
                    break;
                case Field::Sys:
                case Field::Inf:
                case Field::ExtFile:
                    if (!IsFileNameBelowFolder(value.c_str()))
                        Add(keyLine, Severity::Warning, "not-plain-name", s.name, key,
                            (value.empty() ? what : key + "=" + value) +
                                ": the deletion rules pass over it (" + PlainNameHint(value) +
                                "), so no file is deleted for it");
                    break;
                case Field::Service:
                    if (value.empty())
                        Add(keyLine, Severity::Warning, "service-empty", s.name, key,
                            what + ": an empty service name is passed over, no service is deleted");
                    break;
                default:
                    break;
            }
        }
    }

    // The loaded field that row key `base` of count `c` fills, through the reads of the load.
    const char* RowBuffer(const CountKey&, const std::string& key) {
        for (const ProfileRead& r : reads_)
            if (EqualsNoCase(r.key, key)) return r.buffer;
        return nullptr;
    }

    std::string EmptyIdConsequence(Table table) {
        if (table == Table::Dev) {
            // The product's own NT scan, shown one device that no row names.
            const auto [count, after] = ScanNt(probe_, loaded_, "TVPROFILE\\NO_SUCH_DEVICE");
            if (count > 0)
                return "; on the NT family it counts every present device, so the number of "
                       "matches never equals DevIDNum and the run removes nothing";
        }
        if (table == Table::Possible) {
            for (int i = 0; i < RowsInUse(loaded_.DevIDNum); ++i) {
                if (loaded_.DevTable[i].ID[0] == '\0') continue;
                const auto [count, after] = ScanNt(probe_, loaded_, loaded_.DevTable[i].ID);
                if (after.DevTable[i].ID[0] == '\0')
                    return "; on the NT family this candidate takes over every row whose device "
                           "is present, which then removes no device";
            }
        }
        return std::string();
    }

    // On the 9x family a USB device's key under Enum\USB is named by a part of the row's ID.
    void CheckWin9xUsbKey(const SectionLines& s, const std::string& key, int line, int row,
                          const std::string& id) {
        const auto [keys, usb] = ScanWin9xRow(probe_, loaded_, row, id);
        if (!usb || keys.empty()) return;
        const std::size_t slash = id.find('\\');
        const std::string deviceKey = slash == std::string::npos ? id : id.substr(slash + 1);
        const std::string& recorded = keys.front();
        if (recorded.empty()) {
            Add(line, Severity::Warning, "win9x-usb-key", s.name, key,
                key + "=" + id +
                    ": on the 9x family the scan finds no vendor key in this ID (it looks for a "
                    "capital V, I or D), so the device's key Enum\\USB\\" +
                    deviceKey + " is not deleted; write the ID in capitals");
        } else if (!EqualsNoCase(recorded, deviceKey)) {
            Add(line, Severity::Warning, "win9x-usb-key", s.name, key,
                key + "=" + id + ": on the 9x family the scan takes Enum\\USB\\" + recorded +
                    " for this device, not Enum\\USB\\" + deviceKey +
                    " (it starts at the first capital V, I or D); write the ID in capitals");
        }
    }

    // A country section has no key-by-key fallback: what it lacks takes the built-in default.
    void CheckNoFallback(const SectionLines& s) {
        const SectionLines* fallback = lines_.Find("1");
        if (fallback == nullptr) return;
        std::string lacking;
        std::set<std::string> listed;
        for (const KeyLine& k : fallback->keys) {
            if (!k.value || !vocab_.Knows(k.key) || !s.Find(k.key).empty()) continue;
            // A lacking count says it for its rows.
            if (SplitRowKey(k.key)) continue;
            if (!listed.insert(Lower(k.key)).second) continue;
            lacking += (lacking.empty() ? "" : ", ") + k.key;
        }
        if (lacking.empty()) return;
        Add(s.line, Severity::Warning, "no-key-fallback", s.name, "",
            "[" + s.name + "] lacks keys that [1] has (" + lacking +
                "); for this country they take the program's built-in defaults, not [1]'s values");
    }

    std::string bytes_;
    ProfileLines lines_;
    std::vector<RunFor> runs_;
    ProbeControl& probe_;
    Vocabulary vocab_;
    UninstallProfile loaded_{};
    std::vector<ProfileRead> reads_;  // of the section being checked
    std::vector<Finding> findings_;
};

}  // namespace

std::vector<Finding> CheckProfile(const std::string& text, ProbeControl& probe) {
    return Checker(text, probe).Run();
}

}  // namespace tvprofile
