#include "demo/product_profile.h"

namespace demo {

namespace {

// Counts are hexadecimal in the profile; the rows here stay below 16.
std::string Count(std::size_t n) {
    return std::string(1, "0123456789ABCDEF"[n & 0xF]);
}

// One row of a table: its four keys, in the order id, name, SYS, INF.
void Row(std::string& out, const char* const (&keys)[4], std::size_t n, const ProfileRow& row) {
    const std::string i = std::to_string(n);
    out += std::string(keys[0]) + i + "=" + row.id + "\r\n";
    out += std::string(keys[1]) + i + "=" + row.name + "\r\n";
    out += std::string(keys[2]) + i + "=" + row.sys + "\r\n";
    out += std::string(keys[3]) + i + "=" + row.inf + "\r\n";
}

}  // namespace

std::string ProductProfile(const ProductProfileRows& rows) {
    const ProfileRow devices[] = {
        {"PCI\\VEN_1131&DEV_7133", "Brelon Tunara Video Capture", "tunacap.sys", "tunacap.inf"},
        {"PCI\\VEN_1131&DEV_7134", "Brelon Tunara Audio Capture", "tunaaud.sys", "tunaaud.inf"},
    };
    std::string out =
        "[1]\r\n"
        "UnInstDrvAppTitle=Brelon Tunara WDM Drivers Uninstallation\r\n"
        "DevIDNum=2\r\n";
    for (std::size_t n = 0; n < 2; ++n)
        Row(out, {"DevDrvID", "DevDrvName", "DevDrvSYS", "DevDrvINF"}, n, devices[n]);
    out += "ExtDevIDNum=1\r\n";
    Row(out, {"ExtDevDrvID", "ExtDevDrvName", "ExtDevDrvSYS", "ExtDevDrvINF"}, 0,
        {rows.crossbarId, "Brelon Tunara Crossbar", "tunaxbar.sys", "tunaxbar.inf"});
    out += "ExtDllFileNum=" + Count(rows.extraFiles.size()) + "\r\n";
    for (std::size_t n = 0; n < rows.extraFiles.size(); ++n)
        out += "ExtCopyFileName" + std::to_string(n) + "=" + rows.extraFiles[n] + "\r\n";
    out += "PossibleDevIDNum=" + Count(rows.candidates.size()) + "\r\n";
    for (std::size_t n = 0; n < rows.candidates.size(); ++n)
        Row(out, {"PossibleDevID", "PossibleDevDrvName", "PossibleDevDrvSYS", "PossibleDevInf"}, n,
            rows.candidates[n]);
    out +=
        "DrvUninstRegKeyPath=BrelonTunaraWDM\r\n"
        "DrvUninstRegKeyName=Brelon Tunara WDM Drivers\r\n"
        "DrvUninstAppName=zq4unist.exe\r\n";
    if (rows.ntKeys) {
        out +=
            "MediaClass=Yes\r\n"
            "UnInstServiceNum=3\r\n"
            "UnInstService0=TunaCap\r\n"
            "UnInstService1=TunaAud\r\n"
            "UnInstService2=TunaXbar\r\n";
    }
    out += "UnInstRemoteTitleName=Remote Control\r\n";
    return out;
}

}  // namespace demo
