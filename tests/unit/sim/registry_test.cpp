// Registry semantics the uninstaller relies on.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/sim/sim_machine.h"

namespace {

using namespace w32;

constexpr const char* kClass =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}";

TEST(SimRegistry, NamesMatchWithoutRegardToCaseAndKeepTheirCase) {
    sim::ScopedMachine m;
    m->SetString(HKEY_LOCAL_MACHINE, "Software\\Vendor\\Product", "DisplayName", "Tuner");
    HKEY k = nullptr;
    ASSERT_EQ(
        m->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\vendor\\PRODUCT", 0, KEY_ALL_ACCESS, &k),
        ERROR_SUCCESS);
    char buf[32] = {};
    DWORD size = sizeof buf, type = 0;
    ASSERT_EQ(
        m->RegQueryValueExA(k, "displayname", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(buf, "Tuner");
    EXPECT_EQ(size, 6u);  // stored with its terminator
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(m->RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(m->SubkeyNames(HKEY_LOCAL_MACHINE, "software"), std::vector<std::string>{"Vendor"});
    EXPECT_TRUE(m->OpenHandles().empty());
}

}  // namespace
