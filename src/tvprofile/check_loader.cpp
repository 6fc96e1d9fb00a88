// What the checks learn from the product itself: what its loader reads, which field each read
// fills, and what its scans make of made-up devices.
#include <algorithm>
#include <cctype>

#include "nt/nt_removal.h"
#include "tvprofile/check_internal.h"
#include "win9x/enum_keys.h"

namespace tvprofile::checking {

// ---- what the loader reads ----------------------------------------------------------------------

std::vector<ProfileRead> Load(ProbeControl& probe, int country) {
    ResetProgramState();
    probe.reads.clear();
    probe.country = country;
    theApp.LoadProfile();
    probe.country.reset();
    return probe.reads;
}

std::optional<RowKeyParts> SplitRowKey(const std::string& key) {
    std::size_t end = key.size();
    while (end > 0 && std::isdigit(static_cast<unsigned char>(key[end - 1]))) --end;
    if (end == key.size() || end == 0 || key.size() - end > 6) return std::nullopt;
    RowKeyParts p{key.substr(0, end), std::stoi(key.substr(end)), key.substr(end)};
    return p;
}

Vocabulary Vocabulary::Learn(ProbeControl& probe) {
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
            if (parts &&
                std::find(count.bases.begin(), count.bases.end(), parts->base) == count.bases.end())
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

bool Vocabulary::Knows(const std::string& key) const {
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
std::string Vocabulary::Closest(const std::string& key) const {
    auto distance = [](const std::string& a, const std::string& b) {
        const std::string x = Lower(a), y = Lower(b);
        std::vector<std::size_t> row(y.size() + 1);
        for (std::size_t j = 0; j <= y.size(); ++j) row[j] = j;
        for (std::size_t i = 1; i <= x.size(); ++i) {
            std::size_t diag = row[0];
            row[0] = i;
            for (std::size_t j = 1; j <= y.size(); ++j) {
                const std::size_t up = row[j];
                row[j] =
                    std::min({row[j] + 1, row[j - 1] + 1, diag + (x[i - 1] == y[j - 1] ? 0u : 1u)});
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

// ---- which field a read fills -------------------------------------------------------------------

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

void Restore(const UninstallProfile& loaded) {
    ResetProgramState();
    static_cast<UninstallProfile&>(theApp) = loaded;
}

std::pair<int, UninstallProfile> ScanNt(ProbeControl& probe, const UninstallProfile& loaded,
                                        const std::string& hardwareId) {
    Restore(loaded);
    probe.fakeDevices = std::vector<std::string>{hardwareId};
    const int count = ScanDevicesNt();
    probe.fakeDevices.reset();
    return {count, theApp};
}

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

}  // namespace tvprofile::checking
