// The profile loader: one section of "TVMuxDrv.ini" into the application object.
#include <charconv>
#include <cstring>

#include "app/text.h"
#include "app/uninst_app.h"
#include "app/windows_version.h"
#include "platform/handles.h"

namespace {

constexpr const char* kProfileFile = "TVMuxDrv.ini";
constexpr const char* kFallbackSection = "1";
constexpr const char* kDefaultTitle = "Brelon Tunara WDM Drivers Uninstallation";

constexpr const char* kMediaClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}";
constexpr const char* kImageClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";

// A count's temporary text.
constexpr DWORD kCountTextCapacity = 32;

// A number's decimal text, as wsprintfA "%d" writes it.
template <std::size_t N>
void DecimalText(char (&buf)[N], int value) {
    const auto r = std::to_chars(buf, buf + N - 1, value);
    *r.ptr = '\0';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads one key of the section in use into a buffer of the given capacity.
void ReadKey(const char* section, const char* key, const char* deflt, char* buf, DWORD capacity) {
    Api().GetPrivateProfileStringA(section, key, deflt, buf, capacity, kProfileFile);
    buf[capacity - 1] = '\0';
}

template <std::size_t N>
void ReadField(const char* section, const char* key, const char* deflt, char (&field)[N]) {
    ReadKey(section, key, deflt, field, static_cast<DWORD>(N));
}

// The key of row i: the base name followed by i in decimal.
template <std::size_t N>
void RowKey(char (&buf)[N], const char* base, int row) {
    CopyField(buf, base);
    const std::size_t len = std::strlen(buf);
    const auto r = std::to_chars(buf + len, buf + N - 1, row);
    *r.ptr = '\0';
}

// Reads a count key. The tables hold kTableRows rows and every later step trusts the stored
// count, so a larger count is stored as kTableRows; zero and negative counts stay as parsed.
std::int32_t ReadCount(const char* section, const char* key) {
    char text[kCountTextCapacity];
    ReadKey(section, key, "0", text, kCountTextCapacity);
    const std::int32_t count = CUninstApp::ParseHexCount(text);
    return count > kTableRows ? kTableRows : count;
}

struct TableKeys {
    const char* count;
    const char* id;
    const char* name;
    const char* sys;
    const char* inf;
};

void ReadTable(const char* section, const TableKeys& keys, std::int32_t& count,
               DeviceEntry (&table)[kTableRows]) {
    count = ReadCount(section, keys.count);
    for (int i = 0; i < count; ++i) {
        char key[64];
        RowKey(key, keys.id, i);
        ReadField(section, key, "", table[i].ID);
        RowKey(key, keys.name, i);
        ReadField(section, key, "", table[i].Name);
        RowKey(key, keys.sys, i);
        ReadField(section, key, "", table[i].SYS);
        RowKey(key, keys.inf, i);
        ReadField(section, key, "", table[i].INF);
    }
}

void ReadList(const char* section, const char* countKey, const char* rowKey, std::int32_t& count,
              char (&list)[kTableRows][260]) {
    count = ReadCount(section, countKey);
    for (int i = 0; i < count; ++i) {
        char key[64];
        RowKey(key, rowKey, i);
        ReadField(section, key, "", list[i]);
    }
}

}  // namespace

int CUninstApp::LoadProfile() {
    // /country=N stands for the user's setting, which a run as SYSTEM reads from the system
    // account's profile (HKEY_USERS\.DEFAULT) rather than from the users'.
    if (m_options.country) {
        m_country = *m_options.country;
        m_countrySource = CountrySource::Option;
    } else {
        m_country = GetCountryCode();
    }
    DecimalText(ProfileSection, m_country);

    // The title alone decides the section: a country section without one is ignored in full.
    ReadField(ProfileSection, "UnInstDrvAppTitle", "", UnInstDrvAppTitle);
    if (UnInstDrvAppTitle[0] == '\0') {
        CopyField(ProfileSection, kFallbackSection);
        ReadField(ProfileSection, "UnInstDrvAppTitle", kDefaultTitle, UnInstDrvAppTitle);
    }
    const char* const section = ProfileSection;

    ReadTable(section, {"DevIDNum", "DevDrvID", "DevDrvName", "DevDrvSYS", "DevDrvINF"}, DevIDNum,
              DevTable);
    ReadTable(section,
              {"ExtDevIDNum", "ExtDevDrvID", "ExtDevDrvName", "ExtDevDrvSYS", "ExtDevDrvINF"},
              ExtDevIDNum, ExtDevTable);
    ReadList(section, "ExtDllFileNum", "ExtCopyFileName", ExtDllFileNum, ExtCopyFiles);
    ReadTable(section,
              {"PossibleDevIDNum", "PossibleDevID", "PossibleDevDrvName", "PossibleDevDrvSYS",
               "PossibleDevInf"},
              PossibleDevIDNum, PossibleDevTable);

    ReadField(section, "DrvUninstRegKeyPath", "", DrvUninstRegKeyPath);
    ReadField(section, "DrvUninstRegKeyName", "Brelon Tunara WDM Drivers", DrvUninstRegKeyName);
    ReadField(section, "DrvUninstAppName", "zq4unist.exe", DrvUninstAppName);
    ReadField(section, "MediaClass", "Yes", MediaClass);
    ReadField(section, "UnInstNoRegKeyMsg", "You do not install Brelon Tunara WDM Drivers.",
              UnInstNoRegKeyMsg);
    ReadField(section, "UnInstDrvPassMsg",
              "Brelon Tunara WDM Drivers have been uninstalled completely.", UnInstDrvPassMsg);
    ReadField(section, "UnInstDrvPassMsg2",
              "If you want to re-install drivers, you MUST reboot your system.", UnInstDrvPassMsg2);
    ReadField(section, "UnInstDrvRunTipMsg", "Press 'OK' to start ...", UnInstDrvRunTipMsg);

    ReadList(section, "UnInstServiceNum", "UnInstService", UnInstServiceNum, ServiceNames);

    ReadField(section, "OKText", "OK", OKText);
    ReadField(section, "UnInstRemoteTitleName", "Remote Control", UnInstRemoteTitleName);
    ReadField(section, "UnInstDevMissingMsg",
              "Not all of the Brelon Tunara WDM Drivers devices were found, so nothing was "
              "removed. Please connect the device and run the uninstaller again.",
              UnInstDevMissingMsg);
    return 1;
}

std::string CUninstApp::CountryOrigin() const {
    const std::string country = "country " + std::to_string(m_country);
    switch (m_countrySource) {
        case CountrySource::Option:
            return country + " from /country=";
        case CountrySource::UserSettings:
            return country + " from the user's settings";
        case CountrySource::Default:
            break;
    }
    return "no country setting: the default";
}

int CUninstApp::GetCountryCode() {
    const OSVERSIONINFOA version = QueryVersion();
    m_countrySource = CountrySource::Default;

    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5) {
        // An unreadable setting (no key, no value, or one too long for the 30-byte buffer, whose
        // contents are then undefined) gives 1, the code the win.ini branch gives for an absent
        // one: the program then uses section "1", as for any country without a titled section.
        constexpr int kUnknownCountry = 1;
        UniqueKey key;
        if (Api().RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\International", key.put()) !=
            ERROR_SUCCESS) {
            return kUnknownCountry;
        }
        BYTE data[30] = {};
        DWORD type = 0;
        DWORD size = sizeof(data);
        if (Api().RegQueryValueExA(key.get(), "iCountry", nullptr, &type, data, &size) !=
            ERROR_SUCCESS) {
            return kUnknownCountry;
        }
        // The first five bytes at most, each folded in as a decimal digit whatever it is; the
        // zero-filled buffer ends a value stored without a terminator.
        m_countrySource = CountrySource::UserSettings;
        int value = 0;
        for (DWORD i = 0; i < 5 && i < size; ++i) {
            const auto c = static_cast<signed char>(data[i]);
            if (c == 0) break;
            value = value * 10 + (c - '0');
        }
        return value;
    }

    // A Windows directory too long for the buffer with "\win.ini" appended names no readable
    // win.ini: the same answer as an absent setting.
    char path[128];
    if (!WindowsDirWith(path, "\\win.ini")) return 1;
    m_countrySource = CountrySource::UserSettings;
    return static_cast<int>(Api().GetPrivateProfileIntA("intl", "iCountry", 1, path));
}

// The count is the run of hexadecimal digits at the start of the text; the first other character
// ends it. A trailing comment or blank after the digits ("A ; tuners") then keeps the count its
// author wrote, and a text that does not begin with a digit (a sign, "none") gives 0, no rows,
// which is the safe reading of a count nobody can interpret. The digits themselves are read as
// one 32-bit number that wraps, so eight F characters give -1 and digits left of the eighth from
// the right add nothing.
std::int32_t CUninstApp::ParseHexCount(const char* text) {
    std::uint32_t value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        const int d = HexDigit(*p);
        if (d < 0) break;
        value = value * 16u + static_cast<std::uint32_t>(d);
    }
    return static_cast<std::int32_t>(value);
}

void SelectClassKeyPath() {
    const char* path =
        AsciiStrNICmp(theApp.MediaClass, "No", 2) == 0 ? kImageClassKey : kMediaClassKey;
    CopyField(ClassKeyPath, path);
}
