// Registry semantics the uninstaller relies on.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/sim/sim_machine.h"

namespace {

using namespace w32;

constexpr const char* kClass =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}";

HKEY Open(sim::Machine& m, const std::string& path, DWORD access = KEY_ALL_ACCESS) {
    HKEY k = nullptr;
    EXPECT_EQ(m.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &k), ERROR_SUCCESS)
        << path;
    return k;
}

// Every subkey name the enumeration gives, index by index, as the program walks them.
std::vector<std::string> Enumerate(sim::Machine& m, HKEY k) {
    std::vector<std::string> out;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD len = sizeof name;
        FILETIME ft{};
        const LONG r = m.RegEnumKeyExA(k, i, name, &len, nullptr, nullptr, nullptr, &ft);
        if (r != ERROR_SUCCESS) {
            EXPECT_EQ(r, static_cast<LONG>(ERROR_NO_MORE_ITEMS));
            return out;
        }
        EXPECT_EQ(len, std::strlen(name));
        out.push_back(name);
    }
}

TEST(SimRegistry, NamesMatchWithoutRegardToCaseAndKeepTheirCase) {
    sim::ScopedMachine m;
    m->SetString(HKEY_LOCAL_MACHINE, "Software\\Vendor\\Product", "DisplayName", "Tuner");
    HKEY k = Open(*m, "SOFTWARE\\vendor\\PRODUCT");
    char buf[32] = {};
    DWORD size = sizeof buf, type = 0;
    ASSERT_EQ(
        m->RegQueryValueExA(k, "displayname", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(buf, "Tuner");
    EXPECT_EQ(size, 6u);  // stored with its terminator
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(m->RegCloseKey(k), ERROR_SUCCESS);
    // A second write under another spelling lands in the same key and keeps the first spelling.
    m->SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\VENDOR", "x", "y");
    EXPECT_EQ(m->SubkeyNames(HKEY_LOCAL_MACHINE, "software"), std::vector<std::string>{"Vendor"});
    EXPECT_EQ(m->GetString(HKEY_LOCAL_MACHINE, "software\\VENDOR\\product", "DISPLAYNAME"),
              "Tuner");
    EXPECT_TRUE(m->OpenHandles().empty());
}

TEST(SimRegistry, SubkeysEnumerateSortedByUpperCasedName) {
    sim::ScopedMachine m;
    for (const char* name : {"b", "_under", "A", "0001", "0000", "Zeta", "alpha"})
        m->CreateKey(HKEY_LOCAL_MACHINE, std::string(kClass) + "\\" + name);
    HKEY k = Open(*m, kClass);
    // Upper-cased order: digits, letters, then '_' (0x5F) after 'Z'.
    EXPECT_EQ(Enumerate(*m, k),
              (std::vector<std::string>{"0000", "0001", "A", "alpha", "b", "Zeta", "_under"}));
    m->RegCloseKey(k);
}

TEST(SimRegistry, DeletingWhileWalkingClosesTheGap) {
    sim::ScopedMachine m;
    for (const char* name : {"0000", "0001", "0002", "0003"})
        m->CreateKey(HKEY_LOCAL_MACHINE, std::string(kClass) + "\\" + name);
    HKEY k = Open(*m, kClass);
    char name[256];
    DWORD len = sizeof name;
    ASSERT_EQ(m->RegEnumKeyExA(k, 1, name, &len, nullptr, nullptr, nullptr, nullptr), 0);
    ASSERT_STREQ(name, "0001");
    ASSERT_EQ(m->SHDeleteKeyA(k, name), ERROR_SUCCESS);
    // The next subkey moves into the deleted one's index.
    len = sizeof name;
    ASSERT_EQ(m->RegEnumKeyExA(k, 1, name, &len, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_STREQ(name, "0002");
    len = sizeof name;
    EXPECT_EQ(m->RegEnumKeyExA(k, 3, name, &len, nullptr, nullptr, nullptr, nullptr),
              static_cast<LONG>(ERROR_NO_MORE_ITEMS));
    m->RegCloseKey(k);
}

TEST(SimRegistry, NameThatDoesNotFitGivesMoreDataAndWritesNothing) {
    struct Case {
        DWORD capacity;
        LONG result;
        DWORD lengthAfter;
        const char* buffer;
    };
    // "0123456789" has 10 characters: it needs 11 with the terminator.
    const Case cases[] = {
        {10, static_cast<LONG>(ERROR_MORE_DATA), 10, "##############"},
        {1, static_cast<LONG>(ERROR_MORE_DATA), 1, "##############"},
        {11, ERROR_SUCCESS, 10, "0123456789"},
        {256, ERROR_SUCCESS, 10, "0123456789"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        sim::ScopedMachine m;
        m->CreateKey(HKEY_LOCAL_MACHINE, "K\\0123456789");
        HKEY k = Open(*m, "K");
        char buf[16];
        std::memset(buf, '#', sizeof buf);
        buf[14] = '\0';
        DWORD len = c.capacity;
        EXPECT_EQ(m->RegEnumKeyExA(k, 0, buf, &len, nullptr, nullptr, nullptr, nullptr), c.result);
        EXPECT_EQ(len, c.lengthAfter);
        EXPECT_STREQ(buf, c.buffer);
        m->RegCloseKey(k);
    }
}

TEST(SimRegistry, ValueReadsFollowTheSizeProtocol) {
    sim::ScopedMachine m;
    m->SetString(HKEY_LOCAL_MACHINE, "K", "DriverDesc", "Brelon Tuner");  // 13 bytes
    m->SetDword(HKEY_LOCAL_MACHINE, "K", "Count", 0x01020304);
    HKEY k = Open(*m, "K");

    DWORD size = 0, type = 0;
    EXPECT_EQ(m->RegQueryValueExA(k, "DriverDesc", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 13u);

    char small[8];
    std::memset(small, '#', sizeof small);
    size = sizeof small;
    EXPECT_EQ(
        m->RegQueryValueExA(k, "DriverDesc", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
        static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 13u);
    EXPECT_EQ(std::string(small, sizeof small), std::string(8, '#'));  // left as it was

    char exact[13];
    size = sizeof exact;
    EXPECT_EQ(
        m->RegQueryValueExA(k, "DriverDesc", nullptr, &type, reinterpret_cast<BYTE*>(exact), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(exact, "Brelon Tuner");

    DWORD d = 0;
    size = sizeof d;
    EXPECT_EQ(m->RegQueryValueExA(k, "count", nullptr, &type, reinterpret_cast<BYTE*>(&d), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(d, 0x01020304u);
    EXPECT_EQ(type, REG_DWORD);

    size = sizeof d;
    EXPECT_EQ(m->RegQueryValueExA(k, "Missing", nullptr, &type, reinterpret_cast<BYTE*>(&d), &size),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    m->RegCloseKey(k);
}

TEST(SimRegistry, OpeningFollowsPathAndAccessRules) {
    sim::ScopedMachine m;
    m->CreateKey(HKEY_LOCAL_MACHINE, "A\\B\\C");
    m->DenyFullAccess(HKEY_LOCAL_MACHINE, "A\\Locked");
    struct Case {
        const char* path;
        DWORD access;
        LONG result;
    };
    const Case cases[] = {
        {"A\\B\\C", KEY_ALL_ACCESS, ERROR_SUCCESS},
        {"a\\b", KEY_READ, ERROR_SUCCESS},
        {"A\\Missing", KEY_READ, static_cast<LONG>(ERROR_FILE_NOT_FOUND)},
        {"A\\Locked", KEY_ALL_ACCESS, static_cast<LONG>(ERROR_ACCESS_DENIED)},
        {"A\\Locked", 0x0002 /* KEY_SET_VALUE */, static_cast<LONG>(ERROR_ACCESS_DENIED)},
        {"A\\Locked", KEY_READ, ERROR_SUCCESS},
        {"\\A", KEY_READ, static_cast<LONG>(sim::kErrorBadPathname)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        HKEY k = reinterpret_cast<HKEY>(1);
        EXPECT_EQ(m->RegOpenKeyExA(HKEY_LOCAL_MACHINE, c.path, 0, c.access, &k), c.result);
        if (c.result == ERROR_SUCCESS) {
            EXPECT_EQ(m->OpenHandles().size(), 1u);
            EXPECT_EQ(m->RegCloseKey(k), ERROR_SUCCESS);
        } else {
            EXPECT_EQ(k, nullptr);
        }
    }
    // NULL or "" opens a new handle to the same key; each is counted and closed on its own.
    HKEY a = Open(*m, "A");
    HKEY same1 = nullptr, same2 = nullptr;
    EXPECT_EQ(m->RegOpenKeyExA(a, nullptr, 0, KEY_ALL_ACCESS, &same1), ERROR_SUCCESS);
    EXPECT_EQ(m->RegOpenKeyExA(a, "", 0, KEY_ALL_ACCESS, &same2), ERROR_SUCCESS);
    EXPECT_NE(same1, a);
    EXPECT_NE(same2, same1);
    EXPECT_EQ(m->OpenHandles().size(), 3u);
    EXPECT_EQ(m->OpenHandles()[1], "key: HKLM\\A");
    // A handle opened only to query values may not enumerate subkeys.
    HKEY q = Open(*m, "A", KEY_QUERY_VALUE);
    char name[32];
    DWORD len = sizeof name;
    EXPECT_EQ(m->RegEnumKeyExA(q, 0, name, &len, nullptr, nullptr, nullptr, nullptr),
              static_cast<LONG>(ERROR_ACCESS_DENIED));
    for (HKEY h : {a, same1, same2, q}) EXPECT_EQ(m->RegCloseKey(h), ERROR_SUCCESS);
    EXPECT_TRUE(m->OpenHandles().empty());
}

TEST(SimRegistry, RegOpenKeyAWithoutSubkeyGivesBackTheSameHandle) {
    sim::ScopedMachine m;
    m->SetString(HKEY_CURRENT_USER, "Control Panel\\International", "iCountry", "49");
    HKEY k = nullptr;
    ASSERT_EQ(m->RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\International", &k), 0);
    HKEY same = nullptr;
    EXPECT_EQ(m->RegOpenKeyA(k, "", &same), ERROR_SUCCESS);
    EXPECT_EQ(same, k);
    EXPECT_EQ(m->OpenHandles(),
              std::vector<std::string>{"key: HKCU\\Control Panel\\International"});
    EXPECT_EQ(m->RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(m->RegCloseKey(same), static_cast<LONG>(ERROR_INVALID_HANDLE));
}

TEST(SimRegistry, DeletingAKeyWithSubkeysDependsOnTheFamily) {
    struct Case {
        DWORD platform;
        bool shell;  // SHDeleteKeyA rather than RegDeleteKeyA
        LONG result;
        bool gone;
    };
    const Case cases[] = {
        {VER_PLATFORM_WIN32_NT, false, static_cast<LONG>(ERROR_ACCESS_DENIED), false},
        {VER_PLATFORM_WIN32_WINDOWS, false, ERROR_SUCCESS, true},
        {VER_PLATFORM_WIN32_NT, true, ERROR_SUCCESS, true},
        {VER_PLATFORM_WIN32_WINDOWS, true, ERROR_SUCCESS, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.platform) + (c.shell ? " SHDeleteKeyA" : " RegDeleteKeyA"));
        sim::ScopedMachine m;
        m->SetVersion(c.platform, c.platform == 1 ? 4 : 5, c.platform == 1 ? 10 : 1);
        m->CreateKey(HKEY_LOCAL_MACHINE, "Enum\\USB\\VID_1234&PID_5678\\0");
        m->CreateKey(HKEY_LOCAL_MACHINE, "Enum\\USB\\Other");
        HKEY usb = Open(*m, "Enum\\USB");
        const LONG r = c.shell ? m->SHDeleteKeyA(usb, "vid_1234&pid_5678")
                               : m->RegDeleteKeyA(usb, "vid_1234&pid_5678");
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(m->KeyExists(HKEY_LOCAL_MACHINE, "Enum\\USB\\VID_1234&PID_5678"), !c.gone);
        EXPECT_TRUE(m->KeyExists(HKEY_LOCAL_MACHINE, "Enum\\USB\\Other"));
        // A leaf goes on either family, and a missing one is reported.
        EXPECT_EQ(m->RegDeleteKeyA(usb, "Other"), ERROR_SUCCESS);
        EXPECT_EQ(m->RegDeleteKeyA(usb, "Other"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
        m->RegCloseKey(usb);
    }
}

TEST(SimRegistry, AnEmptySubkeyNameDeletesTheOpenedKeyItself) {
    sim::ScopedMachine m;
    m->CreateKey(HKEY_LOCAL_MACHINE, "SoftWare\\MicroSoft\\Windows\\CurrentVersion\\Uninstall\\P");
    HKEY k = Open(*m, "SoftWare\\MicroSoft\\Windows\\CurrentVersion\\Uninstall");
    EXPECT_EQ(m->SHDeleteKeyA(k, ""), ERROR_SUCCESS);
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE,
                              "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    EXPECT_TRUE(m->KeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion"));
    // The roots themselves are never deleted.
    EXPECT_EQ(m->SHDeleteKeyA(HKEY_LOCAL_MACHINE, ""), static_cast<LONG>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(m->KeyExists(HKEY_LOCAL_MACHINE, "Software"));
    m->RegCloseKey(k);
}

TEST(SimRegistry, HandlesToDeletedKeysReportTheDeletion) {
    sim::ScopedMachine m;
    m->SetString(HKEY_LOCAL_MACHINE, "Services\\Drv\\Enum", "0", "x");
    HKEY inner = Open(*m, "Services\\Drv\\Enum");
    HKEY services = Open(*m, "Services");
    ASSERT_EQ(m->SHDeleteKeyA(services, "Drv"), ERROR_SUCCESS);
    char name[32];
    DWORD len = sizeof name, size = sizeof name;
    const auto deleted = static_cast<LONG>(ERROR_KEY_DELETED);
    EXPECT_EQ(m->RegEnumKeyExA(inner, 0, name, &len, nullptr, nullptr, nullptr, nullptr), deleted);
    EXPECT_EQ(
        m->RegQueryValueExA(inner, "0", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size),
        deleted);
    EXPECT_EQ(m->RegFlushKey(inner), deleted);
    HKEY sub = nullptr;
    EXPECT_EQ(m->RegOpenKeyExA(inner, "", 0, KEY_READ, &sub), deleted);
    EXPECT_EQ(m->OpenHandles().size(), 2u);  // still to be closed
    EXPECT_EQ(m->RegCloseKey(inner), ERROR_SUCCESS);
    EXPECT_EQ(m->RegFlushKey(services), ERROR_SUCCESS);
    EXPECT_EQ(m->RegCloseKey(services), ERROR_SUCCESS);
    // Closed handles, and values that were never handles, are bad handles.
    const auto invalid = static_cast<LONG>(ERROR_INVALID_HANDLE);
    EXPECT_EQ(m->RegCloseKey(services), invalid);
    EXPECT_EQ(m->RegFlushKey(services), invalid);
    EXPECT_EQ(m->RegFlushKey(reinterpret_cast<HKEY>(0x1234)), invalid);
    EXPECT_EQ(m->RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST(SimRegistry, ImportReadsEveryRegeditForm) {
    sim::ScopedMachine m;
    m->CreateKey(HKEY_LOCAL_MACHINE, "Gone\\Below");
    m->ImportReg(
        "REGEDIT4\r\n"
        "\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_1&DEV_2\\3&0]\r\n"
        "\"ClassGUID\"=\"{4d36e96c-e325-11ce-bfc1-08002be10318}\"\r\n"
        "\"HardwareID\"=hex(7):50,43,49,5c,41,00,\\\r\n"
        "  42,00,00\r\n"
        "@=\"default\"\r\n"
        "\"Path\"=\"C:\\\\WINDOWS\\\\say \\\"hi\\\"\"\r\n"
        "\"Flags\"=dword:0000001f\r\n"
        "\"Blob\"=hex:01,ff\r\n"
        "\"Expand\"=hex(2):25,00\r\n"
        "[HKEY_CURRENT_USER\\Control Panel\\International]\r\n"
        "\"iCountry\"=\"49\"\r\n"
        "[-HKEY_LOCAL_MACHINE\\Gone]\r\n");
    const std::string dev = "SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_1&DEV_2\\3&0";
    EXPECT_EQ(m->DumpTree(HKEY_LOCAL_MACHINE, dev),
              "[HKLM\\" + dev +
                  "]\n"
                  "\"\"=sz:\"default\"\n"
                  "\"Blob\"=hex(3):01,ff\n"
                  "\"ClassGUID\"=sz:\"{4d36e96c-e325-11ce-bfc1-08002be10318}\"\n"
                  "\"Expand\"=expand_sz:\"%\"\n"
                  "\"Flags\"=dword:0x1f\n"
                  "\"HardwareID\"=multi_sz:\"PCI\\A\",\"B\"\n"
                  "\"Path\"=sz:\"C:\\WINDOWS\\say \"hi\"\"\n");
    EXPECT_EQ(m->GetString(HKEY_CURRENT_USER, "Control Panel\\International", "iCountry"), "49");
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, "Gone"));

    // Version 5 files keep multi-strings as UTF-16; they arrive as the same ANSI bytes.
    m->ImportReg(
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_LOCAL_MACHINE\\U]\n"
        "\"HardwareID\"=hex(7):55,00,53,00,42,00,00,00,00,00\n");
    EXPECT_EQ(m->DumpTree(HKEY_LOCAL_MACHINE, "U"), "[HKLM\\U]\n\"HardwareID\"=multi_sz:\"USB\"\n");

    EXPECT_THROW(m->ImportReg("not a registry file\n"), std::invalid_argument);
    EXPECT_THROW(m->ImportReg("REGEDIT4\n[HKEY_NOWHERE\\X]\n"), std::invalid_argument);
    EXPECT_THROW(m->ImportReg("REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"v\"=dword:xyz\n"),
                 std::invalid_argument);
}

}  // namespace
