// Files below the Windows folder and the device installer.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "platform/sim/sim_machine.h"

namespace {

using namespace w32;

TEST(SimFiles, WindowsPathsMapWithoutRegardToCase) {
    sim::ScopedMachine m;
    m->WriteFile("C:\\WINDOWS\\inf\\OEM12.inf", "[Version]");
    for (const char* path : {"C:\\WINDOWS\\inf\\OEM12.inf", "c:\\windows\\INF\\oem12.INF",
                             "C:\\WINDOWS\\system\\..\\inf\\oem12.inf", "c:/windows/inf/oem12.inf"})
        EXPECT_TRUE(m->FileExists(path)) << path;
    EXPECT_FALSE(m->FileExists("C:\\WINDOWS\\inf"));                 // a folder is not a file
    EXPECT_FALSE(m->FileExists("C:\\WINDOWS\\..\\inf\\oem12.inf"));  // not below the folder
    EXPECT_FALSE(m->FileExists("C:\\WINDOWSX\\inf\\oem12.inf"));
    EXPECT_EQ(m->FilesBelowWindows(), std::vector<std::string>{"C:\\WINDOWS\\inf\\OEM12.inf"});
    EXPECT_EQ(m->FileAttributes("C:\\WINDOWS\\inf"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST(SimFiles, DeletesAndAttributesBehaveAsOnWindows) {
    struct Case {
        const char* name;
        const char* path;
        BOOL result;
        DWORD error;
    };
    const Case cases[] = {
        {"plain file", "c:\\windows\\system32\\drivers\\tuner.sys", TRUE, 0},
        {"read-only file", "C:\\WINDOWS\\system32\\drivers\\locked.sys", FALSE,
         ERROR_ACCESS_DENIED},
        {"missing file", "C:\\WINDOWS\\system32\\drivers\\none.sys", FALSE, ERROR_FILE_NOT_FOUND},
        {"missing folder", "C:\\WINDOWS\\nowhere\\none.sys", FALSE, ERROR_PATH_NOT_FOUND},
        {"a folder", "C:\\WINDOWS\\system32\\drivers\\", FALSE, ERROR_ACCESS_DENIED},
        {"outside, drive root", "C:\\boot.ini", FALSE, ERROR_FILE_NOT_FOUND},
        {"outside, deeper", "D:\\x\\y.sys", FALSE, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ScopedMachine m;
        m->WriteFile("C:\\WINDOWS\\system32\\drivers\\tuner.sys");
        m->WriteFile("C:\\WINDOWS\\system32\\drivers\\locked.sys", "x",
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        m->SetLastError(0);
        EXPECT_EQ(m->DeleteFileA(c.path), c.result);
        EXPECT_EQ(m->GetLastError(), c.error);
        if (c.result) {
            EXPECT_FALSE(m->FileExists(c.path));
        }
    }
}

// A file that takes another's name: the name is replaced, where its folder exists.
TEST(SimFiles, MoveFileExReplacesByName) {
    sim::ScopedMachine m;
    m->WriteFile("C:\\WINDOWS\\Logs\\a.new", "new");
    m->WriteFile("C:\\WINDOWS\\Logs\\a.log", "old");
    EXPECT_FALSE(m->MoveFileExA("C:\\WINDOWS\\Logs\\a.new", "C:\\WINDOWS\\None\\a.log",
                                MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(m->GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(m->MoveFileExA("C:\\WINDOWS\\Logs\\a.new", "C:\\WINDOWS\\Logs\\a.log",
                               MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(m->ReadFileText("C:\\WINDOWS\\Logs\\a.log"), "new");
    EXPECT_FALSE(m->FileExists("C:\\WINDOWS\\Logs\\a.new"));
}

TEST(SimFiles, ReadOnlyFileStaysUntilItsAttributeIsReset) {
    sim::ScopedMachine m;
    const std::string path = "C:\\WINDOWS\\zq4unist.exe";
    m->WriteFile(path, "MZ", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(m->FileAttributes("c:\\windows\\ZQ4UNIST.EXE"),
              FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(m->DeleteFileA("c:\\windows\\zq4unist.exe"), FALSE);
    EXPECT_TRUE(m->FileExists(path));
    EXPECT_EQ(m->SetFileAttributesA("c:\\windows\\zq4unist.exe", FILE_ATTRIBUTE_ARCHIVE), TRUE);
    EXPECT_EQ(m->FileAttributes(path), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(m->DeleteFileA("c:\\windows\\zq4unist.exe"), TRUE);
    EXPECT_FALSE(m->FileExists(path));
    EXPECT_EQ(m->FileAttributes(path), INVALID_FILE_ATTRIBUTES);
    // Attributes of missing files cannot be set; a folder takes them and stays a folder.
    EXPECT_EQ(m->SetFileAttributesA("c:\\windows\\zq4unist.exe", FILE_ATTRIBUTE_ARCHIVE), FALSE);
    EXPECT_EQ(m->GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(m->SetFileAttributesA("c:\\windows\\inf\\", FILE_ATTRIBUTE_ARCHIVE), TRUE);
    EXPECT_EQ(m->FileAttributes("C:\\WINDOWS\\inf"),
              FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(m->SetFileAttributesA("C:\\WINDOWS\\inf\\a.inf", FILE_ATTRIBUTE_NORMAL), FALSE);
    m->WriteFile("C:\\WINDOWS\\inf\\a.inf");
    EXPECT_EQ(m->SetFileAttributesA("C:\\WINDOWS\\inf\\a.inf", FILE_ATTRIBUTE_NORMAL), TRUE);
    EXPECT_EQ(m->FileAttributes("C:\\WINDOWS\\inf\\a.inf"), FILE_ATTRIBUTE_NORMAL);
}

// ---- devices --------------------------------------------------------------------------------
constexpr const char* kEnum = "SYSTEM\\CurrentControlSet\\Enum";

struct Walk {
    std::vector<std::string> firstIds;
    DWORD endError = 0;
};

// Walks a device set the way the program does and collects each device's first hardware ID
// ("<13>" for a device without one).
Walk WalkSet(sim::Machine& m, HDEVINFO set) {
    Walk w;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; m.SetupDiEnumDeviceInfo(set, i, &data); ++i) {
        DWORD needed = 0, type = 0;
        EXPECT_FALSE(m.SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, &type,
                                                         nullptr, 0, &needed));
        const DWORD error = m.GetLastError();
        if (error == ERROR_INVALID_DATA) {
            w.firstIds.push_back("<13>");
            continue;
        }
        EXPECT_EQ(error, ERROR_INSUFFICIENT_BUFFER);
        std::vector<BYTE> buf(needed);
        EXPECT_TRUE(m.SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, &type,
                                                        buf.data(), needed, &needed));
        EXPECT_EQ(type, REG_MULTI_SZ);
        w.firstIds.emplace_back(reinterpret_cast<const char*>(buf.data()));
    }
    w.endError = m.GetLastError();
    return w;
}

TEST(SimDevices, PresentDevicesAreListedInRegistryOrder) {
    struct Case {
        DWORD flags;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {DIGCF_PRESENT | DIGCF_ALLCLASSES, {"PCI\\VEN_1131&DEV_7133", "<13>", "USB\\VID_0B48"}},
        {DIGCF_ALLCLASSES, {"PCI\\VEN_1131&DEV_7133", "PCI\\VEN_8086", "<13>", "USB\\VID_0B48"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        sim::ScopedMachine m;
        m->AddDevice("USB\\VID_0B48&PID_1006\\5&1", {"USB\\VID_0B48", "USB\\COMPAT"});
        m->AddDevice("PCI\\VEN_1131&DEV_7133\\4&2", {"PCI\\VEN_1131&DEV_7133"});
        m->AddDevice("PCI\\VEN_8086\\0", {"PCI\\VEN_8086"});
        m->AddDevice("ROOT\\NOIDS\\0000", {});
        m->CreateKey(HKEY_LOCAL_MACHINE, std::string(kEnum) + "\\ROOT\\NOCLASS\\0000");
        m->SetDevicePresent("pci\\ven_8086\\0", false);
        HDEVINFO set = m->SetupDiGetClassDevsA(nullptr, nullptr, nullptr, c.flags);
        ASSERT_NE(set, INVALID_HANDLE_VALUE);
        const Walk w = WalkSet(*m, set);
        EXPECT_EQ(w.firstIds, c.expected);
        EXPECT_EQ(w.endError, ERROR_NO_MORE_ITEMS);
        EXPECT_EQ(m->OpenHandles().size(), 1u);  // the set counts until destroyed
        EXPECT_TRUE(m->SetupDiDestroyDeviceInfoList(set));
        EXPECT_TRUE(m->OpenHandles().empty());
        EXPECT_FALSE(m->SetupDiDestroyDeviceInfoList(set));
        EXPECT_EQ(m->GetLastError(), ERROR_INVALID_HANDLE);
    }
}

TEST(SimDevices, PropertyReadsCheckRecordAndBuffer) {
    sim::ScopedMachine m;
    m->AddDevice("PCI\\VEN_1\\0", {"PCI\\VEN_1&DEV_2", "PCI\\VEN_1"});  // 27 bytes
    HDEVINFO set = m->SetupDiGetClassDevsA(nullptr, nullptr, nullptr, 6);
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data - 1;
    EXPECT_FALSE(m->SetupDiEnumDeviceInfo(set, 0, &data));
    EXPECT_EQ(m->GetLastError(), sim::kErrorInvalidUserBuffer);
    data.cbSize = sizeof data;
    ASSERT_TRUE(m->SetupDiEnumDeviceInfo(set, 0, &data));
    EXPECT_EQ(data.ClassGuid.Data1, 0x4d36e96cu);

    BYTE buf[64];
    std::memset(buf, '#', sizeof buf);
    DWORD needed = 0;
    EXPECT_FALSE(m->SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, nullptr, buf,
                                                      26, &needed));
    EXPECT_EQ(m->GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(needed, 27u);
    EXPECT_EQ(buf[0], '#');
    needed = 0;
    EXPECT_TRUE(m->SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, nullptr, buf,
                                                     sizeof buf, &needed));
    EXPECT_EQ(needed, 27u);
    EXPECT_EQ(std::memcmp(buf, "PCI\\VEN_1&DEV_2\0PCI\\VEN_1\0\0", 27), 0);
    EXPECT_EQ(buf[27], '#');

    // The read can be made to fail once the size is known.
    m->FailHardwareIdRead("PCI\\VEN_1\\0", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(m->SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, nullptr,
                                                      nullptr, 0, &needed));
    EXPECT_EQ(m->GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_FALSE(m->SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, nullptr, buf,
                                                      sizeof buf, &needed));
    EXPECT_EQ(m->GetLastError(), ERROR_NOT_ENOUGH_MEMORY);

    SP_DEVINFO_DATA forged = data;
    forged.Reserved = 99;
    EXPECT_FALSE(m->SetupDiGetDeviceRegistryPropertyA(set, &forged, SPDRP_HARDWAREID, nullptr, buf,
                                                      sizeof buf, &needed));
    EXPECT_EQ(m->GetLastError(), ERROR_INVALID_PARAMETER);
    m->SetupDiDestroyDeviceInfoList(set);
}

TEST(SimDevices, RemovalTakesTheInstanceKeyEmptyParentsAndTheDriverKey) {
    sim::ScopedMachine m;
    const std::string cls =
        "SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e96c-e325-11ce-bfc1-08002be10318}";
    m->AddDevice("PCI\\VEN_1131&DEV_7133\\4&1", {"PCI\\VEN_1131&DEV_7133"},
                 "{4d36e96c-e325-11ce-bfc1-08002be10318}",
                 "{4d36e96c-e325-11ce-bfc1-08002be10318}\\0000");
    m->AddDevice("PCI\\VEN_1131&DEV_7133\\4&2", {"PCI\\VEN_1131&DEV_7133"},
                 "{4d36e96c-e325-11ce-bfc1-08002be10318}",
                 "{4d36e96c-e325-11ce-bfc1-08002be10318}\\0001");
    m->AddDevice("USB\\VID_1\\7", {"USB\\VID_1"});
    m->SetString(HKEY_LOCAL_MACHINE, cls + "\\0000", "DriverDesc", "Tuner");
    m->SetString(HKEY_LOCAL_MACHINE, cls + "\\0001", "DriverDesc", "Tuner");
    m->CreateKey(HKEY_LOCAL_MACHINE, cls + "\\0001\\Settings");

    HDEVINFO set = m->SetupDiGetClassDevsA(nullptr, nullptr, nullptr, 6);
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; m->SetupDiEnumDeviceInfo(set, i, &data); ++i) {
        EXPECT_TRUE(m->SetupDiRemoveDevice(set, &data)) << i;
        EXPECT_EQ(data.DevInst, 0u) << i;  // no device node any more
    }
    // The set is a snapshot: removals do not move the later devices.
    EXPECT_EQ(m->RemovedDevices(),
              (std::vector<std::string>{"PCI\\VEN_1131&DEV_7133\\4&1",
                                        "PCI\\VEN_1131&DEV_7133\\4&2", "USB\\VID_1\\7"}));
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, std::string(kEnum) + "\\PCI"));
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, std::string(kEnum) + "\\USB"));
    EXPECT_TRUE(m->KeyExists(HKEY_LOCAL_MACHINE, kEnum));
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, cls + "\\0000"));
    // Windows takes the driver key with what lies below it (Wine keeps one with subkeys).
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, cls + "\\0001"));

    // A device removed already cannot be removed again, nor read.
    ASSERT_TRUE(m->SetupDiEnumDeviceInfo(set, 0, &data));
    EXPECT_FALSE(m->SetupDiRemoveDevice(set, &data));
    EXPECT_EQ(m->GetLastError(), ERROR_NO_SUCH_DEVINST);
    DWORD needed = 0;
    EXPECT_FALSE(m->SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, nullptr,
                                                      nullptr, 0, &needed));
    EXPECT_EQ(m->GetLastError(), ERROR_NO_SUCH_DEVINST);
    EXPECT_EQ(m->RemoveRequests(), 4);
    m->SetupDiDestroyDeviceInfoList(set);

    // A fresh set no longer lists them.
    set = m->SetupDiGetClassDevsA(nullptr, nullptr, nullptr, 6);
    EXPECT_FALSE(m->SetupDiEnumDeviceInfo(set, 0, &data));
    EXPECT_EQ(m->GetLastError(), ERROR_NO_MORE_ITEMS);
    m->SetupDiDestroyDeviceInfoList(set);
    EXPECT_TRUE(m->OpenHandles().empty());
}

TEST(SimDevices, AnEmptyHardwareIdIsReadWithoutABuffer) {
    sim::ScopedMachine m;
    m->AddDevice("ROOT\\EMPTY\\0", {});
    m->SetBinary(HKEY_LOCAL_MACHINE, std::string(kEnum) + "\\ROOT\\EMPTY\\0", "HardwareID", {},
                 REG_MULTI_SZ);
    HDEVINFO set = m->SetupDiGetClassDevsA(nullptr, nullptr, nullptr, 6);
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    ASSERT_TRUE(m->SetupDiEnumDeviceInfo(set, 0, &data));
    DWORD needed = 99;
    EXPECT_TRUE(m->SetupDiGetDeviceRegistryPropertyA(set, &data, SPDRP_HARDWAREID, nullptr, nullptr,
                                                     0, &needed));
    EXPECT_EQ(needed, 0u);
    m->SetupDiDestroyDeviceInfoList(set);
    EXPECT_EQ(m->SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT),
              INVALID_HANDLE_VALUE);  // no class and not all classes
    EXPECT_EQ(m->GetLastError(), ERROR_INVALID_PARAMETER);
}

// What a 32-bit process meets on 64-bit Windows: the 32-bit registry view unless it asks for the
// other, SysWOW64 behind system32 (but not behind the folders the redirector leaves alone), and a
// device installer that will not remove devices for it. A 64-bit process meets none of it.
TEST(SimWow64, A32BitProcessSeesItsOwnViewAndFolders) {
    for (const bool wow64 : {true, false}) {
        SCOPED_TRACE(wow64 ? "32-bit process" : "64-bit process");
        sim::ScopedMachine m;
        m->Set64BitWindows(wow64);
        m->SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Tuna", "v", "32");
        m->SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tuna", "v", "64");
        auto view = [&](DWORD flags) {
            HKEY key = nullptr;
            if (m->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tuna", 0, KEY_READ | flags, &key) !=
                ERROR_SUCCESS)
                return std::string("none");
            char text[8] = {};
            DWORD size = sizeof text;
            m->RegQueryValueExA(key, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
            m->RegCloseKey(key);
            return std::string(text);
        };
        EXPECT_EQ(view(0), wow64 ? "32" : "64");
        EXPECT_EQ(view(KEY_WOW64_64KEY), "64");
        EXPECT_EQ(view(KEY_WOW64_32KEY), "32");

        m->WriteFile("C:\\WINDOWS\\system32\\drivers\\tuna.sys");
        m->WriteFile("C:\\WINDOWS\\SysWOW64\\drivers\\tuna.sys");
        m->WriteFile("C:\\WINDOWS\\system32\\catroot\\tuna.cat");
        EXPECT_EQ(m->DeleteFileA("C:\\WINDOWS\\system32\\drivers\\tuna.sys"), TRUE);
        EXPECT_EQ(m->FileExists("C:\\WINDOWS\\system32\\drivers\\tuna.sys"), wow64);
        EXPECT_EQ(m->FileExists("C:\\WINDOWS\\SysWOW64\\drivers\\tuna.sys"), !wow64);
        EXPECT_EQ(m->DeleteFileA("C:\\WINDOWS\\system32\\catroot\\tuna.cat"), TRUE);

        m->AddDevice("PCI\\VEN_1131&DEV_7133\\1", {"PCI\\VEN_1131&DEV_7133"});
        HDEVINFO set =
            m->SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
        SP_DEVINFO_DATA d{};
        d.cbSize = sizeof d;
        ASSERT_EQ(m->SetupDiEnumDeviceInfo(set, 0, &d), TRUE);
        EXPECT_EQ(m->SetupDiRemoveDevice(set, &d), wow64 ? FALSE : TRUE);
        if (wow64) {
            EXPECT_EQ(m->GetLastError(), ERROR_IN_WOW64);
        }
        m->SetupDiDestroyDeviceInfoList(set);
    }
}

// A file another program holds: NT refuses to delete it, open or loaded; the 9x family deletes one
// that is merely open and refuses only a module in use.
TEST(SimFiles, AHeldFileStaysAsEachFamilyDecides) {
    const char* file = "C:\\WINDOWS\\system\\tunaprop.ax";
    // The platform id, whether it is loaded as a module, and DeleteFileA's error (0: deleted).
    const std::tuple<DWORD, bool, DWORD> cases[] = {{2, false, ERROR_SHARING_VIOLATION},
                                                    {2, true, ERROR_ACCESS_DENIED},
                                                    {1, false, 0},
                                                    {1, true, ERROR_ACCESS_DENIED}};
    for (const auto& [platform, module, error] : cases) {
        sim::ScopedMachine m;
        m->SetVersion(platform, platform == 1 ? 4 : 5, platform == 1 ? 10 : 1);
        m->WriteFile(file);
        m->HoldFileOpen(file, module);
        m->SetLastError(0);
        EXPECT_EQ(m->DeleteFileA(file), error == 0 ? TRUE : FALSE) << platform << module;
        EXPECT_EQ(m->GetLastError(), error) << platform << module;
        EXPECT_EQ(m->FileExists(file), error != 0) << platform << module;
    }
}

// An OEM INF that a device's driver key names, present or not, stays unless the delete is forced;
// forced, it goes with its PNF. A name the store does not hold is not found, and a fault stands
// for a forced delete that fails all the same (Windows ignores the flag for some packages).
TEST(SimDevices, AnInfInUseLeavesTheDriverStoreOnlyWhenForced) {
    sim::ScopedMachine m;
    m->SetVersion(VER_PLATFORM_WIN32_NT, 6, 1);
    m->AddDevice("PCI\\VEN_1131&DEV_7133\\1", {"PCI\\VEN_1131&DEV_7133"},
                 "{4d36e96c-e325-11ce-bfc1-08002be10318}",
                 "{4D36E96C-E325-11CE-BFC1-08002BE10318}\\0000");
    m->SetString(HKEY_LOCAL_MACHINE,
                 "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}"
                 "\\0000",
                 "InfPath", "oem5.inf");
    m->WriteFile("C:\\WINDOWS\\inf\\oem5.inf");
    m->WriteFile("C:\\WINDOWS\\inf\\oem5.pnf");
    EXPECT_EQ(m->SetupUninstallOEMInfA("OEM5.INF", 0, nullptr), FALSE);
    EXPECT_EQ(m->GetLastError(), 0xE000023Du);  // ERROR_INF_IN_USE_BY_DEVICES
    EXPECT_TRUE(m->FileExists("C:\\WINDOWS\\inf\\oem5.inf"));
    m->SetDevicePresent("PCI\\VEN_1131&DEV_7133\\1", false);
    EXPECT_EQ(m->SetupUninstallOEMInfA("oem5.inf", 0, nullptr), FALSE);
    EXPECT_EQ(m->GetLastError(), 0xE000023Du);
    EXPECT_EQ(m->SetupUninstallOEMInfA("oem6.inf", SUOI_FORCEDELETE, nullptr), FALSE);
    EXPECT_EQ(m->GetLastError(), ERROR_FILE_NOT_FOUND);
    m->AddFault({"SetupUninstallOEMInfA", 1, 0xE000023D, ""});
    EXPECT_EQ(m->SetupUninstallOEMInfA("oem5.inf", SUOI_FORCEDELETE, nullptr), FALSE);
    EXPECT_TRUE(m->FileExists("C:\\WINDOWS\\inf\\oem5.pnf"));
    EXPECT_EQ(m->SetupUninstallOEMInfA("oem5.inf", SUOI_FORCEDELETE, nullptr), TRUE);
    EXPECT_FALSE(m->FileExists("C:\\WINDOWS\\inf\\oem5.inf"));
    EXPECT_FALSE(m->FileExists("C:\\WINDOWS\\inf\\oem5.pnf"));
}

}  // namespace
