// The line rules: the keys of a section (unknown, repeated, without "="), the values the loader
// read (cut, empty, MediaClass), and the keys a country section lacks that [1] has.
#include <cctype>
#include <set>

#include "app/text.h"
#include "tvprofile/check_internal.h"

namespace tvprofile::checking {

// Keys the program never reads, lines that are no keys, and repeated keys.
void Checker::CheckKeys(const SectionLines& s) {
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
        if (all.size() < 2 || all.front() != &k || !reported.insert(Lower(k.key)).second) continue;
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
                    std::to_string(all.front()->line) + "); the program takes the value on line " +
                    std::to_string(winner) + (taken ? ": " + Quote(*taken) : std::string()));
        }
    }
}

int Checker::LineOf(const SectionLines& s, const std::string& key) const {
    const auto found = s.Find(key);
    return found.empty() ? 0 : found.front()->line;
}

// Every value the loader read: cut values, and the rules that each field's users apply.
void Checker::CheckReads(const SectionLines& s, const std::vector<ProfileRead>& reads) {
    std::set<std::string> done;
    for (const ProfileRead& r : reads) {
        if (!EqualsNoCase(r.section, s.name) || !done.insert(Lower(r.key)).second) continue;
        const int line = LineOf(s, r.key);
        const Role role = RoleOf(r.buffer);
        if (role.field == Field::UninstPath && r.value.empty()) {
            Add(line != 0 ? line : s.line, Severity::Warning, "uninstall-path-empty", s.name, r.key,
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

void Checker::CheckMediaClass(const SectionLines& s, int line, const ProfileRead& r) {
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

// A country section has no key-by-key fallback: what it lacks takes the built-in default.
void Checker::CheckNoFallback(const SectionLines& s) {
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

}  // namespace tvprofile::checking
