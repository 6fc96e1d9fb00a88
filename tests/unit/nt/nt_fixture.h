// Shared set-up for the NT-family tests: a fresh simulated machine and a freshly started program
// per test, profile rows written straight into the application object, and the checks that every
// test makes at its end (nothing left open, no handle misused).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/text.h"
#include "app/uninst_app.h"
#include "platform/sim/sim_machine.h"

namespace nttest {

inline const std::string kEnum = "SYSTEM\\CurrentControlSet\\Enum\\";
inline const std::string kMediaClass =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}";
inline const std::string kImageClass =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";
inline const std::string kServices = "SYSTEM\\CurrentControlSet\\Services";
inline const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

inline std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// Driver key names as the device installer makes them: "0000", "0001", ...
inline std::string Sub(std::size_t i) {
    std::string n = std::to_string(i);
    return std::string(n.size() < 4 ? 4 - n.size() : 0, '0') + n;
}

struct Row {
    std::string id, name, sys, inf;
};

inline void Fill(DeviceEntry& e, const Row& r) {
    CopyField(e.ID, r.id.c_str());
    CopyField(e.Name, r.name.c_str());
    CopyField(e.SYS, r.sys.c_str());
    CopyField(e.INF, r.inf.c_str());
}

class NtTest : public testing::Test {
protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override {
        EXPECT_EQ(m->OpenHandles(), std::vector<std::string>{});
        EXPECT_EQ(m->HandleErrors(), std::vector<std::string>{});
    }

    void DevRows(const std::vector<Row>& rows) {
        theApp.DevIDNum = static_cast<std::int32_t>(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) Fill(theApp.DevTable[i], rows[i]);
    }
    void ExtRows(const std::vector<Row>& rows) {
        theApp.ExtDevIDNum = static_cast<std::int32_t>(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) Fill(theApp.ExtDevTable[i], rows[i]);
    }
    void Candidates(const std::vector<Row>& rows) {
        theApp.PossibleDevIDNum = static_cast<std::int32_t>(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) Fill(theApp.PossibleDevTable[i], rows[i]);
    }
    void Services(const std::vector<std::string>& names) {
        theApp.UnInstServiceNum = static_cast<std::int32_t>(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            CopyField(theApp.ServiceNames[i], names[i].c_str());
        }
    }
    void ExtFiles(const std::vector<std::string>& names) {
        theApp.ExtDllFileNum = static_cast<std::int32_t>(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            CopyField(theApp.ExtCopyFiles[i], names[i].c_str());
        }
    }
    // A driver key of the given class with its description and INF name (empty: no such value).
    void DriverKey(const std::string& classKey, const std::string& sub, const std::string& desc,
                   const std::string& inf = "") {
        const std::string path = classKey + "\\" + sub;
        m->CreateKey(HKEY_LOCAL_MACHINE, path);
        if (!desc.empty()) m->SetString(HKEY_LOCAL_MACHINE, path, "DriverDesc", desc);
        if (!inf.empty()) m->SetString(HKEY_LOCAL_MACHINE, path, "InfPath", inf);
    }
    bool Key(const std::string& path) { return m->KeyExists(HKEY_LOCAL_MACHINE, path); }
    int Calls(const std::string& api) { return m->CallCount(api); }
    // The calls of one operation, in order, by their recorded arguments.
    std::vector<std::string> CallArgs(const std::string& api) {
        std::vector<std::string> args;
        for (const sim::CallRecord& c : m->Calls()) {
            if (c.api == api) args.push_back(c.args);
        }
        return args;
    }

    sim::ScopedMachine m;
};

}  // namespace nttest
