// What the 9x-family tests share: a fresh simulated 9x machine and a freshly started program per
// test, and short ways to fill the profile's tables and to read the enumerator-key state.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/text.h"
#include "app/uninst_app.h"
#include "platform/sim/sim_machine.h"
#include "win9x/enum_keys.h"

namespace win9x_test {

struct RowText {
    const char* id = "";
    const char* name = "";
    const char* sys = "";
    const char* inf = "";
};

inline void SetRow(DeviceEntry& row, const RowText& text) {
    CopyField(row.ID, text.id);
    CopyField(row.Name, text.name);
    CopyField(row.SYS, text.sys);
    CopyField(row.INF, text.inf);
}

inline void SetDevTable(const std::vector<RowText>& rows) {
    theApp.DevIDNum = static_cast<std::int32_t>(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) SetRow(theApp.DevTable[i], rows[i]);
}
inline void SetExtDevTable(const std::vector<RowText>& rows) {
    theApp.ExtDevIDNum = static_cast<std::int32_t>(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) SetRow(theApp.ExtDevTable[i], rows[i]);
}
inline void SetCandidates(const std::vector<RowText>& rows) {
    theApp.PossibleDevIDNum = static_cast<std::int32_t>(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) SetRow(theApp.PossibleDevTable[i], rows[i]);
}

inline std::vector<std::string> Recorded(const std::string (&list)[kEnumKeyListSize],
                                         std::int32_t count) {
    const auto n = std::clamp<std::int32_t>(count, 0, kEnumKeyListSize);
    return {list, list + n};
}
inline std::vector<std::string> VendorKeys() {
    return Recorded(VendorKeyList, VendorKeyCount);
}
inline std::vector<std::string> StreamKeys() {
    return Recorded(StreamKeyList, StreamKeyCount);
}

// A device the device installer lists, below "SYSTEM\CurrentControlSet\Enum".
inline std::string DevicePath(const std::string& enumerator, const std::string& device,
                              const std::string& instance = "0000") {
    return enumerator + "\\" + device + "\\" + instance;
}

// The size a LocalAlloc call asked for, from its logged arguments ("flags|bytes").
inline std::size_t AllocSize(const sim::CallRecord& call) {
    return std::stoul(call.args.substr(call.args.rfind('|') + 1));
}

inline const char* const kMediaKey = "SYSTEM\\CurrentControlSet\\Services\\Class\\MEDIA";
inline const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Names parameterised cases by their label.
struct LabelOf {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return info.param.label;
    }
};

class Win9xTest : public ::testing::Test {
protected:
    Win9xTest() {
        ResetProgramState();
        m->SetVersion(1, 4, 10);
    }
    ~Win9xTest() override { ResetProgramState(); }

    // Whatever a test does, the program releases every key, set and block it obtained.
    void TearDown() override {
        EXPECT_EQ(m->OpenHandles(), std::vector<std::string>{});
        EXPECT_EQ(m->HandleErrors(), std::vector<std::string>{});
    }

    // The calls of one operation, in order.
    std::vector<sim::CallRecord> CallsOf(const std::string& api) {
        std::vector<sim::CallRecord> out;
        for (const auto& call : m->Calls()) {
            if (call.api == api) out.push_back(call);
        }
        return out;
    }

    sim::ScopedMachine m;
};

}  // namespace win9x_test
