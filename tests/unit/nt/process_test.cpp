// Stopping a process by its image name, and the minor version that decides whether it happens.
#include "nt/nt_removal.h"
#include "nt_fixture.h"

namespace nttest {
namespace {

struct NameCase {
    const char* what;
    std::vector<std::string> running;
    const char* name;
    std::vector<bool> endedAfter;  // per running process, in order
};

class ByName : public NtTest, public testing::WithParamInterface<NameCase> {};

TEST_P(ByName, EndsOnlyTheFirstExactMatch) {
    const NameCase& c = GetParam();
    std::vector<DWORD> pids;
    for (const auto& exe : c.running) pids.push_back(m->AddProcess(exe));
    TerminateProcessByName(c.name);
    int ended = 0;
    for (std::size_t i = 0; i < pids.size(); ++i) {
        const sim::Process* p = m->FindProcess(pids[i]);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(!p->running, c.endedAfter[i]) << c.what << ": " << c.running[i];
        if (!p->running) {
            ++ended;
            EXPECT_EQ(p->exitCode, 0u);
        }
    }
    // A search that finds nothing opens no process.
    EXPECT_EQ(Calls("OpenProcess"), ended) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ByName,
    testing::Values(
        NameCase{"no process has the name",
                 {"explorer.exe", "ehSched.exe"},
                 "ehRecvr.exe",
                 {false, false}},
        NameCase{"of two with the name only the first ends",
                 {"explorer.exe", "ehRecvr.exe", "ehRecvr.exe"},
                 "ehRecvr.exe",
                 {false, true, false}},
        NameCase{"letter case must agree",
                 {"ehrecvr.exe", "EHRECVR.EXE"},
                 "ehRecvr.exe",
                 {false, false}},
        NameCase{"the beginning of a name is no match", {"ehRecvr.exe"}, "ehRecvr", {false}},
        NameCase{"a longer name is no match", {"ehRecvr.exe.old"}, "ehRecvr.exe", {false}}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

class Terminate : public NtTest {};

TEST_F(Terminate, EnablesTheDebugPrivilegeAndOpensWithFullAccess) {
    const DWORD pid = m->AddProcess("ehRecvr.exe");
    m->SetProcessOtherAccount(pid, true);
    TerminateProcessByName("ehRecvr.exe");
    EXPECT_FALSE(m->FindProcess(pid)->running);
    EXPECT_TRUE(m->DebugPrivilegeEnabled());
    const auto opens = CallArgs("OpenProcess");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_NE(Lower(opens[0]).find("0x1f0fff"), std::string::npos) << opens[0];
}

TEST_F(Terminate, WithoutTheTokenTheNextProcessOfTheNameIsTried) {
    const DWORD first = m->AddProcess("ehRecvr.exe");
    const DWORD second = m->AddProcess("ehRecvr.exe");
    m->AddFault({"OpenProcessToken", 1, ERROR_ACCESS_DENIED, ""});
    TerminateProcessByName("ehRecvr.exe");
    EXPECT_TRUE(m->FindProcess(first)->running);
    EXPECT_FALSE(m->FindProcess(second)->running);
}

TEST_F(Terminate, WithoutThePrivilegeIdTheTokenIsClosedAndTheNextIsTried) {
    const DWORD first = m->AddProcess("ehRecvr.exe");
    const DWORD second = m->AddProcess("ehRecvr.exe");
    m->AddFault({"LookupPrivilegeValueA", 1, ERROR_NO_SUCH_PRIVILEGE, ""});
    TerminateProcessByName("ehRecvr.exe");
    EXPECT_TRUE(m->FindProcess(first)->running);
    EXPECT_FALSE(m->FindProcess(second)->running);
    EXPECT_EQ(Calls("OpenProcessToken"), 2);
}

TEST_F(Terminate, AProcessThatWillNotOpenEndsTheSearch) {
    const DWORD first = m->AddProcess("ehRecvr.exe", /*openable=*/false);
    const DWORD second = m->AddProcess("ehRecvr.exe");
    TerminateProcessByName("ehRecvr.exe");
    EXPECT_TRUE(m->FindProcess(first)->running);
    EXPECT_TRUE(m->FindProcess(second)->running);
    EXPECT_EQ(Calls("TerminateProcess"), 0);
}

TEST_F(Terminate, AnAccountWithoutThePrivilegeStillMakesTheOneAttempt) {
    const DWORD first = m->AddProcess("ehRecvr.exe");
    m->SetProcessOtherAccount(first, true);
    const DWORD second = m->AddProcess("ehRecvr.exe");
    m->SetDebugPrivilegeHeld(false);
    TerminateProcessByName("ehRecvr.exe");
    EXPECT_FALSE(m->DebugPrivilegeEnabled());
    EXPECT_EQ(Calls("AdjustTokenPrivileges"), 1);
    EXPECT_EQ(Calls("OpenProcess"), 1);
    EXPECT_TRUE(m->FindProcess(first)->running);
    EXPECT_TRUE(m->FindProcess(second)->running);
}

TEST_F(Terminate, NoSnapshotOrAnEmptyOneDoesNothing) {
    const DWORD pid = m->AddProcess("ehRecvr.exe");
    m->AddFault({"CreateToolhelp32Snapshot", 1, ERROR_NOT_ENOUGH_MEMORY, ""});
    TerminateProcessByName("ehRecvr.exe");
    EXPECT_TRUE(m->FindProcess(pid)->running);
    m->AddFault({"Process32First", 1, sim::kErrorNoMoreFiles, ""});
    TerminateProcessByName("ehRecvr.exe");
    EXPECT_TRUE(m->FindProcess(pid)->running);
    EXPECT_EQ(Calls("OpenProcessToken"), 0);
    EXPECT_EQ(Calls("CloseHandle"), 1);  // the second, empty snapshot
}

struct VersionCase {
    DWORD platform, major, minor, expected;
};

class MinorVersion : public NtTest, public testing::WithParamInterface<VersionCase> {};

TEST_P(MinorVersion, IsTheNtMinorVersionOrZero) {
    const VersionCase& c = GetParam();
    m->SetVersion(c.platform, c.major, c.minor);
    EXPECT_EQ(NtMinorVersion(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MinorVersion,
                         testing::Values(VersionCase{2, 5, 1, 1}, VersionCase{2, 5, 2, 2},
                                         VersionCase{2, 6, 0, 0}, VersionCase{2, 5, 0, 0},
                                         VersionCase{1, 4, 10, 0}, VersionCase{0, 3, 11, 0}));

}  // namespace
}  // namespace nttest
