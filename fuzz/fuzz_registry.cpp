// The registry walks over arbitrary key names and value sizes: the installed-product check, the NT
// cleanup and the 9x cleanup.
//
// Input: one item per line, the first character saying what it is.
//   Registry (a name may hold backslashes, which make nested keys):
//     S<name>           a subkey of "SYSTEM\CurrentControlSet\Services"
//     C<name>[=<value>] a subkey of the NT MEDIA class key, with that DriverDesc
//     I<name>[=<value>] a subkey of the NT image class key, with that DriverDesc
//     M<name>[=<value>] a subkey of the 9x MEDIA class key, with that DriverDesc
//     U<name>[=<value>] a subkey of the Uninstall key, with that DisplayName
//     V<name>, W<name>, X<name>   subkeys of "Enum\PCI", "Enum\USB", "Enum\STREAM"
//     Z                 the key of the line before cannot be opened with full access
//   A '!' right after the tag stores the value without its terminator; a value "#<n>:<text>"
//   is the text repeated to n bytes (at most 1024).
//   Profile and program state:
//     s<name> ServiceNames row, n<name> DevTable Name, e<name> ExtDevTable Name,
//     k<name> DrvUninstRegKeyPath, d<name> DrvUninstRegKeyName, c<text> MediaClass,
//     v<name> VendorKeyList entry, t<name> StreamKeyList entry, u UsbDeviceSeen
// Invariants: the parent keys survive, no key goes that the profile does not name, the installed
// check agrees with the uninstall entries, and every handle is released.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/text.h"
#include "app/uninst_app.h"
#include "fuzz_support.h"
#include "nt/nt_removal.h"
#include "win9x/enum_keys.h"

namespace {

using w32::HKEY_LOCAL_MACHINE;

const std::string kServices = "SYSTEM\\CurrentControlSet\\Services";
const std::string kNtMedia =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}";
const std::string kNtImage =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
const std::string k9xMedia = "SYSTEM\\CurrentControlSet\\Services\\Class\\MEDIA";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kEnumPci = "Enum\\PCI";
const std::string kEnumUsb = "Enum\\USB";
const std::string kEnumStream = "Enum\\STREAM";

constexpr std::size_t kMaxValue = 1024;

fuzz::MachinePool pool(500);

struct RegItem {
    std::string parent;
    std::string name;
    std::string valueName;                           // empty: no value
    std::optional<std::vector<std::uint8_t>> value;  // as stored
    bool denied = false;
};

struct Profile {
    std::vector<std::string> services, devNames, extNames, vendorKeys, streamKeys;
    std::string keyPath, displayName, mediaClass = "Yes";
    bool usb = false;
};

std::vector<std::uint8_t> ValueBytes(const std::string& text, bool terminate) {
    std::string v = text;
    if (v.size() > 1 && v[0] == '#') {
        std::size_t n = 0;
        const auto r = std::from_chars(v.data() + 1, v.data() + v.size(), n);
        if (r.ec == std::errc() && r.ptr < v.data() + v.size() && *r.ptr == ':') {
            const std::string unit = v.substr(static_cast<std::size_t>(r.ptr + 1 - v.data()));
            n = std::min(n, kMaxValue);
            v.clear();
            while (!unit.empty() && v.size() < n) v += unit;
            v.resize(unit.empty() ? 0 : n);
        }
    }
    std::vector<std::uint8_t> out(v.begin(), v.end());
    if (terminate) out.push_back(0);
    return out;
}

void Decode(const std::uint8_t* data, std::size_t size, std::vector<RegItem>& items, Profile& p) {
    for (const fuzz::Line& l : fuzz::Lines(data, size, 200)) {
        std::string parent, valueName;
        // The program's own texts are C strings: a NUL ends them.
        const std::string text = l.rest.substr(0, l.rest.find('\0'));
        switch (l.tag) {
            case 'S':
                parent = kServices;
                break;
            case 'C':
                parent = kNtMedia;
                valueName = "DriverDesc";
                break;
            case 'I':
                parent = kNtImage;
                valueName = "DriverDesc";
                break;
            case 'M':
                parent = k9xMedia;
                valueName = "DriverDesc";
                break;
            case 'U':
                parent = kUninstall;
                valueName = "DisplayName";
                break;
            case 'V':
                parent = kEnumPci;
                break;
            case 'W':
                parent = kEnumUsb;
                break;
            case 'X':
                parent = kEnumStream;
                break;
            case 'Z':
                if (!items.empty()) items.back().denied = true;
                continue;
            case 's':
                p.services.push_back(text);
                continue;
            case 'n':
                p.devNames.push_back(text);
                continue;
            case 'e':
                p.extNames.push_back(text);
                continue;
            case 'k':
                p.keyPath = text;
                continue;
            case 'd':
                p.displayName = text;
                continue;
            case 'c':
                p.mediaClass = text;
                continue;
            case 'v':
                p.vendorKeys.push_back(text);
                continue;
            case 't':
                p.streamKeys.push_back(text);
                continue;
            case 'u':
                p.usb = true;
                continue;
            default:
                continue;
        }
        RegItem item;
        item.parent = parent;
        std::string rest = l.rest;
        // Registry names hold no NUL; a backslash separates nested keys.
        rest.erase(std::remove(rest.begin(), rest.end(), '\0'), rest.end());
        const std::size_t eq = valueName.empty() ? std::string::npos : rest.find('=');
        item.name = rest.substr(0, eq);
        if (eq != std::string::npos) {
            item.valueName = valueName;
            item.value = ValueBytes(l.rest.substr(l.rest.find('=') + 1), !l.bang);
        }
        if (fuzz::Split(item.name, '\\').size() > 4) continue;
        if (std::all_of(item.name.begin(), item.name.end(), [](char c) { return c == '\\'; }))
            continue;
        items.push_back(std::move(item));
    }
}

// Every key at or below path, by its upper-cased full path.
void ListKeys(const sim::Machine& m, const std::string& path, std::set<std::string>& out) {
    std::string upper;
    for (char c : path) upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    out.insert(upper);
    for (const std::string& sub : m.SubkeyNames(HKEY_LOCAL_MACHINE, path))
        ListKeys(m, path + "\\" + sub, out);
}

std::set<std::string> AllKeys(const sim::Machine& m) {
    std::set<std::string> out;
    for (const std::string& top : m.SubkeyNames(HKEY_LOCAL_MACHINE, "")) ListKeys(m, top, out);
    return out;
}

// A key path as its components, empty ones dropped, as the registry reads it.
std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> out;
    for (const std::string& part : fuzz::Split(path, '\\')) {
        if (!part.empty()) out.push_back(part);
    }
    return out;
}

// Whether key lies at or below parent\name.
bool AtOrBelow(const std::string& key, const std::string& parent, const std::string& name) {
    std::vector<std::string> want = Components(parent);
    const std::vector<std::string> tail = Components(name);
    if (tail.empty()) return false;
    want.insert(want.end(), tail.begin(), tail.end());
    const std::vector<std::string> have = Components(key);
    if (have.size() < want.size()) return false;
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (!fuzz::EqualsNoCase(have[i], want[i])) return false;
    }
    return true;
}

void SetUpMachine(sim::Machine& m, const std::vector<RegItem>& items, bool with9xKeys) {
    for (const char* top : {"SYSTEM", "SOFTWARE", "Enum"}) m.DeleteTree(HKEY_LOCAL_MACHINE, top);
    for (const std::string& k :
         {kServices, kNtMedia, kNtImage, kUninstall, kEnumPci, kEnumUsb, kEnumStream})
        m.CreateKey(HKEY_LOCAL_MACHINE, k);
    if (with9xKeys) m.CreateKey(HKEY_LOCAL_MACHINE, k9xMedia);
    for (const RegItem& it : items) {
        if (it.parent == k9xMedia && !with9xKeys) continue;
        const std::string path = it.parent + "\\" + it.name;
        m.CreateKey(HKEY_LOCAL_MACHINE, path);
        if (it.value) m.SetBinary(HKEY_LOCAL_MACHINE, path, it.valueName, *it.value, w32::REG_SZ);
        if (it.denied) m.DenyFullAccess(HKEY_LOCAL_MACHINE, path);
    }
}

void FillProgram(const Profile& p) {
    ResetProgramState();
    CUninstApp& app = theApp;
    auto rows = [](const std::vector<std::string>& names, std::size_t cap) {
        return std::min(names.size(), cap);
    };
    app.UnInstServiceNum = static_cast<std::int32_t>(rows(p.services, kTableRows));
    for (int i = 0; i < app.UnInstServiceNum; ++i)
        CopyField(app.ServiceNames[i], p.services[i].c_str());
    app.DevIDNum = static_cast<std::int32_t>(rows(p.devNames, kTableRows));
    for (int i = 0; i < app.DevIDNum; ++i) CopyField(app.DevTable[i].Name, p.devNames[i].c_str());
    app.ExtDevIDNum = static_cast<std::int32_t>(rows(p.extNames, kTableRows));
    for (int i = 0; i < app.ExtDevIDNum; ++i)
        CopyField(app.ExtDevTable[i].Name, p.extNames[i].c_str());
    CopyField(app.DrvUninstRegKeyPath, p.keyPath.c_str());
    CopyField(app.DrvUninstRegKeyName, p.displayName.c_str());
    CopyField(app.MediaClass, p.mediaClass.c_str());
    VendorKeyCount = static_cast<std::int32_t>(rows(p.vendorKeys, kEnumKeyListSize));
    for (int i = 0; i < VendorKeyCount; ++i) VendorKeyList[i] = p.vendorKeys[i];
    StreamKeyCount = static_cast<std::int32_t>(rows(p.streamKeys, kEnumKeyListSize));
    for (int i = 0; i < StreamKeyCount; ++i) StreamKeyList[i] = p.streamKeys[i];
    if (p.usb) Win9xFlags |= kUsbDeviceSeen;
}

void CheckHandles(sim::Machine& m, const char* after) {
    FUZZ_CHECK(m.OpenHandles().empty(),
               std::string("after ") + after + "\n" + fuzz::Join(m.OpenHandles()));
    FUZZ_CHECK(m.HandleErrors().empty(),
               std::string("after ") + after + "\n" + fuzz::Join(m.HandleErrors()));
}

// The driver description a key offers: its DriverDesc text up to the first terminator.
std::optional<std::string> Description(const std::vector<RegItem>& items, const std::string& parent,
                                       const std::string& key) {
    std::optional<std::string> desc;
    for (const RegItem& it : items) {
        if (it.parent == parent && it.value && AtOrBelow(key, parent, it.name) &&
            Components(it.name).size() == 1)
            desc = fuzz::TextOf(*it.value);
    }
    return desc;
}

// A driver key may go only when its description equals a non-empty row Name ignoring case.
bool DescribedDriverKey(const std::vector<RegItem>& items, const std::string& parent,
                        const std::string& key) {
    const std::vector<std::string> have = Components(key);
    const std::size_t depth = Components(parent).size();
    if (have.size() <= depth) return false;
    const std::string top = parent + "\\" + have[depth];
    const std::optional<std::string> desc = Description(items, parent, top);
    if (!desc) return false;
    const CUninstApp& app = theApp;
    for (int i = 0; i < app.DevIDNum; ++i) {
        const char* name = app.DevTable[i].Name;
        if (name[0] != '\0' && fuzz::EqualsNoCase(*desc, name)) return true;
    }
    for (int i = 0; i < app.ExtDevIDNum; ++i) {
        const char* name = app.ExtDevTable[i].Name;
        if (name[0] != '\0' && fuzz::EqualsNoCase(*desc, name)) return true;
    }
    return false;
}

void CheckParents(const sim::Machine& m, bool with9xKeys) {
    for (const std::string& k :
         {kServices, kNtMedia, kNtImage, kUninstall, kEnumPci, kEnumUsb, kEnumStream})
        FUZZ_CHECK(m.KeyExists(HKEY_LOCAL_MACHINE, k), "parent key gone: " + k);
    if (with9xKeys)
        FUZZ_CHECK(m.KeyExists(HKEY_LOCAL_MACHINE, k9xMedia), "parent key gone: " + k9xMedia);
}

// The installed check against the entries: an entry whose readable display name equals the
// profile's (among the entries the enumeration reaches) means installed; installed means some
// entry's display name, or an empty one, equals it.
void CheckInstalled(const sim::Machine& m, const std::vector<RegItem>& items, int installed) {
    const std::string wanted = theApp.DrvUninstRegKeyName;
    bool certain = false, possible = false;
    for (const std::string& sub : m.SubkeyNames(HKEY_LOCAL_MACHINE, kUninstall)) {
        // A name that does not fit the 256-byte buffer ends the enumeration there.
        if (sub.size() >= 256) break;
        const RegItem* entry = nullptr;
        bool denied = false;
        for (const RegItem& it : items) {
            const std::vector<std::string> parts = Components(it.name);
            if (it.parent != kUninstall || parts.size() != 1 || !fuzz::EqualsNoCase(parts[0], sub))
                continue;
            if (it.value) entry = &it;
            denied = denied || it.denied;
        }
        // The program compares what it could read, or the empty text when the value is absent
        // or does not fit its 256-byte buffer.
        const bool readable = entry != nullptr && entry->value->size() <= 256;
        const std::string compared = readable ? fuzz::TextOf(*entry->value) : "";
        if (!denied && fuzz::EqualsNoCase(compared, wanted)) certain = true;
        possible = possible || fuzz::EqualsNoCase(compared, wanted);
    }
    FUZZ_CHECK(installed == 0 || installed == 1, std::to_string(installed));
    if (certain) FUZZ_CHECK(installed == 1, "an entry shows \"" + wanted + "\"");
    if (installed == 1)
        FUZZ_CHECK(possible, "installed without an entry showing \"" + wanted + "\"");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bool fresh = false;
    sim::Machine& m = pool.Next(fresh);
    std::vector<RegItem> items;
    Profile profile;
    Decode(data, size, items, profile);
    const CUninstApp& app = theApp;

    // ---- NT: the installed check and the cleanup ----
    m.SetVersion(w32::VER_PLATFORM_WIN32_NT, 5, 1, 2600);
    SetUpMachine(m, items, false);
    std::set<std::string> before = AllKeys(m);
    FillProgram(profile);
    const int installed = theApp.IsProductInstalled();
    CheckHandles(m, "IsProductInstalled");
    CheckInstalled(m, items, installed);
    FUZZ_CHECK(AllKeys(m) == before, "the installed check changed the registry");

    CleanRegistryNt();
    CheckHandles(m, "CleanRegistryNt");
    CheckParents(m, false);
    const bool image = fuzz::StartsWithNoCase(app.MediaClass, "no");
    const std::string classKey = image ? kNtImage : kNtMedia;
    std::set<std::string> after = AllKeys(m);
    for (const std::string& key : before) {
        if (after.count(key) != 0) continue;
        bool named = false;
        for (int i = 0; i < app.UnInstServiceNum; ++i)
            named = named || AtOrBelow(key, kServices, app.ServiceNames[i]);
        named = named || AtOrBelow(key, kUninstall, app.DrvUninstRegKeyPath);
        named = named || DescribedDriverKey(items, classKey, key);
        FUZZ_CHECK(named, "CleanRegistryNt deleted " + key);
    }

    // ---- 9x: the cleanup on a machine that also has the 9x class key ----
    m.SetVersion(w32::VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222);
    SetUpMachine(m, items, true);
    before = AllKeys(m);
    FillProgram(profile);
    CleanRegistryWin9x();
    CheckHandles(m, "CleanRegistryWin9x");
    CheckParents(m, true);
    const std::string vendorParent = UsbDeviceSeen() ? kEnumUsb : kEnumPci;
    after = AllKeys(m);
    for (const std::string& key : before) {
        if (after.count(key) != 0) continue;
        bool named = AtOrBelow(key, kUninstall, app.DrvUninstRegKeyPath);
        for (int i = 0; i < VendorKeyCount; ++i)
            named = named || AtOrBelow(key, vendorParent, VendorKeyList[i]);
        for (int i = 0; i < StreamKeyCount; ++i)
            named = named || AtOrBelow(key, kEnumStream, StreamKeyList[i]);
        named = named || DescribedDriverKey(items, k9xMedia, key);
        FUZZ_CHECK(named, "CleanRegistryWin9x deleted " + key);
    }
    return 0;
}
