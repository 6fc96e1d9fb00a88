// The profile loader over arbitrary bytes as "TVMuxDrv.ini": whatever the file holds, no count
// may exceed the 15 rows the tables have, no row past the count is touched, and every text field
// ends within its capacity.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/uninst_app.h"
#include "fuzz_support.h"

namespace {

constexpr const char* kMediaClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}";
constexpr const char* kImageClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";

fuzz::MachinePool pool(2000);

void CheckRow(const DeviceEntry& row, bool inUse, const char* table, int i) {
    const std::string where = std::string(table) + " row " + std::to_string(i);
    FUZZ_CHECK(fuzz::Terminated(row.ID), where);
    FUZZ_CHECK(fuzz::Terminated(row.Name), where);
    FUZZ_CHECK(fuzz::Terminated(row.SYS), where);
    FUZZ_CHECK(fuzz::Terminated(row.INF), where);
    if (!inUse) {
        // The loader reads no row at or past the count: it stays as the program started.
        FUZZ_CHECK(fuzz::AllZero(row.ID) && fuzz::AllZero(row.Name) && fuzz::AllZero(row.SYS) &&
                       fuzz::AllZero(row.INF),
                   where);
    }
}

void CheckTable(const DeviceEntry (&table)[kTableRows], std::int32_t count, const char* name) {
    FUZZ_CHECK(count <= kTableRows, std::string(name) + " = " + std::to_string(count));
    for (int i = 0; i < kTableRows; ++i) CheckRow(table[i], i < count, name, i);
}

void CheckList(const char (&list)[kTableRows][260], std::int32_t count, const char* name) {
    FUZZ_CHECK(count <= kTableRows, std::string(name) + " = " + std::to_string(count));
    for (int i = 0; i < kTableRows; ++i) {
        const std::string where = std::string(name) + " row " + std::to_string(i);
        FUZZ_CHECK(fuzz::Terminated(list[i]), where);
        if (i >= count) FUZZ_CHECK(fuzz::AllZero(list[i]), where);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bool fresh = false;
    sim::Machine& m = pool.Next(fresh);
    if (fresh) {
        // An XP machine whose user is in country 49: the loader reads the registry branch and
        // tries section "49" first, then "1".
        m.SetVersion(w32::VER_PLATFORM_WIN32_NT, 5, 1, 2600);
        m.SetString(w32::HKEY_CURRENT_USER, "Control Panel\\International", "iCountry", "49");
    }
    m.WriteProfile(std::string(reinterpret_cast<const char*>(data), size));

    ResetProgramState();
    theApp.LoadProfile();
    const CUninstApp& app = theApp;

    CheckTable(app.DevTable, app.DevIDNum, "DevIDNum");
    CheckTable(app.ExtDevTable, app.ExtDevIDNum, "ExtDevIDNum");
    CheckTable(app.PossibleDevTable, app.PossibleDevIDNum, "PossibleDevIDNum");
    CheckList(app.ExtCopyFiles, app.ExtDllFileNum, "ExtDllFileNum");
    CheckList(app.ServiceNames, app.UnInstServiceNum, "UnInstServiceNum");

    FUZZ_CHECK(
        std::strcmp(app.ProfileSection, "49") == 0 || std::strcmp(app.ProfileSection, "1") == 0,
        app.ProfileSection);
    // The country's section is used only when it has a title.
    if (std::strcmp(app.ProfileSection, "49") == 0)
        FUZZ_CHECK(app.UnInstDrvAppTitle[0] != '\0', "section 49 without a title");
    FUZZ_CHECK(fuzz::Terminated(app.DrvUninstRegKeyPath), "DrvUninstRegKeyPath");
    FUZZ_CHECK(fuzz::Terminated(app.DrvUninstRegKeyName), "DrvUninstRegKeyName");
    FUZZ_CHECK(fuzz::Terminated(app.DrvUninstAppName), "DrvUninstAppName");
    FUZZ_CHECK(fuzz::Terminated(app.UnInstDrvAppTitle), "UnInstDrvAppTitle");
    FUZZ_CHECK(fuzz::Terminated(app.UnInstNoRegKeyMsg), "UnInstNoRegKeyMsg");
    FUZZ_CHECK(fuzz::Terminated(app.UnInstDrvPassMsg), "UnInstDrvPassMsg");
    FUZZ_CHECK(fuzz::Terminated(app.UnInstDrvPassMsg2), "UnInstDrvPassMsg2");
    FUZZ_CHECK(fuzz::Terminated(app.UnInstDrvRunTipMsg), "UnInstDrvRunTipMsg");
    FUZZ_CHECK(fuzz::Terminated(app.MediaClass), "MediaClass");
    FUZZ_CHECK(fuzz::Terminated(app.UnInstRemoteTitleName), "UnInstRemoteTitleName");
    FUZZ_CHECK(fuzz::Terminated(app.OKText), "OKText");

    // Whatever MediaClass says, the class key is one of the two.
    SelectClassKeyPath();
    const bool image = fuzz::StartsWithNoCase(app.MediaClass, "no");
    FUZZ_CHECK(std::strcmp(ClassKeyPath, image ? kImageClassKey : kMediaClassKey) == 0,
               std::string("MediaClass \"") + app.MediaClass + "\" gave " + ClassKeyPath);

    FUZZ_CHECK(m.OpenHandles().empty(), fuzz::Join(m.OpenHandles()));
    FUZZ_CHECK(m.HandleErrors().empty(), fuzz::Join(m.HandleErrors()));
    return 0;
}
