// The verdicts of the product's own run on a model machine: a section a user can get on which it
// removes nothing, and file names that repeat the folder they are looked for in.
#include <algorithm>

#include "tvprofile/check_internal.h"

namespace tvprofile::checking {

// The product's own run for every section a user can get, on a machine that has all the
// section names: a section on which it removes nothing is an error. [1] is every user's whose
// country has no titled section, so it is run even where the file lacks it.
void Checker::CheckRuns() {
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
                    "] removes nothing but the uninstaller's own file: " + WhyNothing(r, outcome));
        }
        // The 9x family names files of its own (the rows' INF files, the "system" folder).
        std::vector<std::string> lookedFor = outcome.filesLookedFor;
        const auto win9x = RunOnModelMachine(bytes_, r.country, r.loaded, true);
        lookedFor.insert(lookedFor.end(), win9x.filesLookedFor.begin(), win9x.filesLookedFor.end());
        if (const SectionLines* s = lines_.Find(r.section); s != nullptr && r.line != 0)
            CheckFolderNames(*s, lookedFor);
    }
}

std::string Checker::WhyNothing(const RunFor& r, const ModelOutcome& outcome) const {
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
        written += (written.empty() ? "" : ", ") + std::string(key) + "=" + *found.front()->value;
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
void Checker::CheckFolderNames(const SectionLines& s, const std::vector<std::string>& lookedFor) {
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

}  // namespace tvprofile::checking
