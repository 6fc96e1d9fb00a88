// What the application tests share: a fresh simulated machine and a freshly started program per
// test, and readers for the call log.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/uninst_app.h"
#include "platform/sim/sim_machine.h"

namespace apptest {

class AppTest : public ::testing::Test {
protected:
    AppTest() { ResetProgramState(); }

    sim::ScopedMachine m;
};

// The fields of one logged call, split at '|'.
inline std::vector<std::string> Fields(const std::string& args) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : args) {
        if (c == '|') {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

// Every profile read of the run so far as "section|key", in order; reads of other files fail
// the test, since the program reads no profile but its own.
inline std::vector<std::string> ProfileReads(sim::Machine& machine) {
    std::vector<std::string> reads;
    for (const auto& call : machine.Calls()) {
        if (call.api != "GetPrivateProfileStringA") continue;
        const auto f = Fields(call.args);
        EXPECT_EQ(f.size(), 3u) << call.args;
        if (f.size() != 3) continue;
        EXPECT_EQ(f[2], "TVMuxDrv.ini") << call.args;
        reads.push_back(f[0] + "|" + f[1]);
    }
    return reads;
}

// Index in the call log of the first call of api whose args contain text; -1 when none.
inline long FirstCall(sim::Machine& machine, const std::string& api, const std::string& text = "") {
    const auto& calls = machine.Calls();
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].api == api && calls[i].args.find(text) != std::string::npos) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

}  // namespace apptest
