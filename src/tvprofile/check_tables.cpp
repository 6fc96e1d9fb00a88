// The table rules: each count's hexadecimal reading and limit, the rows it covers and those past
// it, and what each row's values do in each family.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

#include "app/file_removal.h"
#include "app/text.h"
#include "tvprofile/check_internal.h"

namespace tvprofile::checking {

// The counts: their hexadecimal reading, their limit, and the rows around them.
void Checker::CheckCounts(const SectionLines& s, const std::vector<ProfileRead>& reads) {
    for (const CountKey& c : vocab_.counts) {
        const ProfileRead* countRead = nullptr;
        int rowsRead = 0;
        for (const ProfileRead& r : reads) {
            if (EqualsNoCase(r.key, c.key)) countRead = &r;
            const auto parts = SplitRowKey(r.key);
            if (parts && std::any_of(c.bases.begin(), c.bases.end(),
                                     [&](const auto& b) { return EqualsNoCase(b, parts->base); }))
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
        const bool decimal = !text.empty() && std::all_of(text.begin(), text.end(), [](char ch) {
            return std::isdigit(static_cast<unsigned char>(ch)) != 0;
        });
        long decimalValue = decimal && text.size() < 9 ? std::stol(text) : -1;
        if (countLine != 0 && decimal && decimalValue != parsed && highest + 1 == decimalValue) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%lX", decimalValue);
            Add(countLine, Severity::Error, "count-decimal", s.name, c.key,
                c.key + "=" + text + " is hexadecimal: " + std::to_string(parsed) + " rows" +
                    (parsed > kTableRows ? ", taken as " + std::to_string(kTableRows) : "") +
                    "; the file has " + RowRange(static_cast<int>(decimalValue)) + ", so write " +
                    c.key + "=" + hex);
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
        if (countLine != 0 && !text.empty() && !std::all_of(text.begin(), text.end(), [](char ch) {
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
void Checker::CheckRow(const SectionLines& s, const CountKey& c, int row, int countLine) {
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
                costs +=
                    "; without an ID the row removes no device" + EmptyIdConsequence(role.table);
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
                    Add(keyLine, role.table == Table::ExtDev ? Severity::Warning : Severity::Error,
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

// The loaded field that a row key of a count fills, through the reads of the load.
const char* Checker::RowBuffer(const CountKey&, const std::string& key) {
    for (const ProfileRead& r : reads_)
        if (EqualsNoCase(r.key, key)) return r.buffer;
    return nullptr;
}

std::string Checker::EmptyIdConsequence(Table table) {
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
void Checker::CheckWin9xUsbKey(const SectionLines& s, const std::string& key, int line, int row,
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

}  // namespace tvprofile::checking
