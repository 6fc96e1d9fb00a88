#include "app/uninstall_entry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>

#include "app/text.h"
#include "app/uninst_app.h"
#include "app/windows_version.h"
#include "platform/handles.h"

namespace {

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The letter case in which the log has always named the entry's key.
constexpr const char* kUninstallKeyAsLogged =
    "SoftWare\\MicroSoft\\Windows\\CurrentVersion\\Uninstall";

bool OpenEntry(const ProductEntry& entry, UniqueKey& key) {
    if (entry.name.empty()) return false;
    const std::string path = std::string(kUninstallKey) + "\\" + entry.name;
    return Api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS | entry.view,
                               key.put()) == ERROR_SUCCESS;
}

// A value's bytes, whatever its type; nothing when it is absent or cannot be read.
std::optional<std::string> ReadValue(HKEY key, const char* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (Api().RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string data(size, '\0');
    if (size != 0 &&
        Api().RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                               &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size < data.size() ? size : data.size());
    return data;
}

// A text value up to its first terminator; empty when absent.
std::string ReadText(HKEY key, const char* name) {
    std::string text = ReadValue(key, name).value_or("");
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

void WriteBytes(HKEY key, const char* name, DWORD type, const std::string& bytes) {
    Api().RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size()));
}

void WriteText(HKEY key, const char* name, const std::string& text) {
    WriteBytes(key, name, REG_SZ, text + '\0');
}

std::string StartStamp() {
    SYSTEMTIME now{};
    Api().GetLocalTime(&now);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    return stamp;
}

std::string Lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

std::vector<ProductEntry> JournalEntries() {
    if (!theApp.FoundEntries().empty()) return theApp.FoundEntries();
    std::vector<ProductEntry> entries;
    if (theApp.DrvUninstRegKeyPath[0] == '\0') return entries;
    const RegistryViews views = UninstallEntryViews();
    for (int v = 0; v < views.count; ++v) {
        const ProductEntry entry{views.flags[v], theApp.DrvUninstRegKeyPath};
        UniqueKey key;
        if (OpenEntry(entry, key)) entries.push_back(entry);
    }
    return entries;
}

std::string EntryKeyName(const ProductEntry& entry) {
    return "HKLM\\" + PathInView(kUninstallKeyAsLogged, entry.view) + "\\" + entry.name;
}

namespace {

std::string MultiString(const std::vector<std::string>& lines) {
    std::string list;
    for (const std::string& line : lines) list += line + '\0';
    return list + '\0';
}

}  // namespace

void RewriteJournal(const std::vector<std::string>& lines) {
    const std::string list = MultiString(lines);
    for (const ProductEntry& entry : JournalEntries()) {
        UniqueKey key;
        if (!OpenEntry(entry, key) || !ReadValue(key.get(), kJournalValue)) continue;
        WriteBytes(key.get(), kJournalValue, REG_MULTI_SZ, list);
        Api().RegFlushKey(key.get());
    }
}

void WriteJournal(const std::vector<std::string>& lines) {
    const std::string list = MultiString(lines);
    const std::string stamp = StartStamp();
    for (const ProductEntry& entry : JournalEntries()) {
        UniqueKey key;
        if (!OpenEntry(entry, key)) continue;
        // What the entry says of the install comes first: a cut before the journal leaves the
        // journal of an earlier run, which a run that finds all devices present does not follow.
        WriteText(key.get(), kJournalVersionValue, ReadText(key.get(), "DisplayVersion"));
        WriteText(key.get(), kJournalDateValue, ReadText(key.get(), "InstallDate"));
        WriteText(key.get(), kRunStartedValue, stamp);
        WriteBytes(key.get(), kJournalValue, REG_MULTI_SZ, list);
        Api().RegFlushKey(key.get());
    }
}

JournalFound ReadJournal() {
    JournalFound found;
    for (const ProductEntry& entry : JournalEntries()) {
        UniqueKey key;
        if (!OpenEntry(entry, key)) continue;
        const std::optional<std::string> list = ReadValue(key.get(), kJournalValue);
        if (!list) continue;
        JournalFound here;
        for (std::size_t at = 0; at < list->size();) {
            const std::size_t end = std::min(list->find('\0', at), list->size());
            if (end == at) break;
            here.lines.push_back(list->substr(at, end - at));
            at = end + 1;
        }
        const std::string version = ReadText(key.get(), "DisplayVersion");
        const std::string date = ReadText(key.get(), "InstallDate");
        const std::string journalVersion = ReadText(key.get(), kJournalVersionValue);
        const std::string journalDate = ReadText(key.get(), kJournalDateValue);
        if (version != journalVersion || date != journalDate) {
            here.state = JournalFound::State::Discarded;
            here.whyDiscarded = "the entry " + EntryKeyName(entry) +
                                " was written again after it (DisplayVersion \"" + version +
                                "\", InstallDate \"" + date + "\"; the journal's: \"" +
                                journalVersion + "\", \"" + journalDate + "\")";
        } else if (here.lines.empty()) {
            here.state = JournalFound::State::Discarded;
            here.whyDiscarded = "the journal in " + EntryKeyName(entry) + " names nothing left";
        } else {
            here.state = JournalFound::State::Usable;
            return here;
        }
        if (found.state == JournalFound::State::None) found = std::move(here);
    }
    return found;
}

bool ParseJournalLine(const std::string& line, Action& action, std::string& target) {
    const std::size_t space = line.find(' ');
    if (space == std::string::npos || space + 1 >= line.size()) return false;
    const std::string name = line.substr(0, space);
    for (Action a : {Action::UninstallDriverPackage, Action::DeleteFile, Action::RemoveDevice,
                     Action::DeleteKey}) {
        if (name == ActionName(a)) {
            action = a;
            target = line.substr(space + 1);
            return true;
        }
    }
    return false;
}

std::vector<std::string> LinesLeft(const std::vector<std::string>& journal,
                                   const RunResult& result) {
    std::set<std::string> done;
    for (const ActionRecord& record : result.actions) {
        if (record.outcome == Outcome::Failed) continue;
        // A file scheduled for deletion at the next start is not left.
        if (record.action == Action::ScheduleDelete) {
            done.insert(Lowered(std::string(ActionName(Action::DeleteFile)) + " " + record.target));
        } else {
            done.insert(Lowered(PlanLine(record)));
        }
    }
    std::vector<std::string> left;
    for (const std::string& line : journal)
        if (done.count(Lowered(line)) == 0) left.push_back(line);
    return left;
}

void MarkRunStarted() {
    const std::string stamp = StartStamp();
    for (const ProductEntry& entry : JournalEntries()) {
        UniqueKey key;
        if (!OpenEntry(entry, key)) continue;
        WriteText(key.get(), kRunStartedValue, stamp);
        Api().RegFlushKey(key.get());
    }
}

std::string PathInView(const std::string& path, DWORD view) {
    constexpr char kSoftware[] = "Software\\";
    constexpr std::size_t kLength = sizeof kSoftware - 1;
    if (view != KEY_WOW64_32KEY || AsciiStrNICmp(path.c_str(), kSoftware, kLength) != 0)
        return path;
    return path.substr(0, kLength) + "Wow6432Node\\" + path.substr(kLength);
}

void RecordKeyDelete(RunResult& result, std::string key, LONG code) {
    if (code == ERROR_SUCCESS) {
        result.Record(Action::DeleteKey, std::move(key), Outcome::Ok);
    } else if (code == static_cast<LONG>(ERROR_FILE_NOT_FOUND)) {
        result.Record(Action::DeleteKey, std::move(key), Outcome::NotFound);
    } else {
        result.Record(Action::DeleteKey, std::move(key), Outcome::Failed, static_cast<DWORD>(code));
    }
}
