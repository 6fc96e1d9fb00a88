// Processes, snapshots and the token.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/sim/sim_machine.h"

namespace {

using namespace w32;

std::vector<std::pair<DWORD, std::string>> SnapshotList(sim::Machine& m) {
    std::vector<std::pair<DWORD, std::string>> out;
    HANDLE snap = m.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    EXPECT_NE(snap, INVALID_HANDLE_VALUE);
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL ok = m.Process32First(snap, &e); ok; ok = m.Process32Next(snap, &e))
        out.emplace_back(e.th32ProcessID, e.szExeFile);
    EXPECT_EQ(m.GetLastError(), sim::kErrorNoMoreFiles);
    EXPECT_TRUE(m.CloseHandle(snap));
    return out;
}

TEST(SimProcesses, SnapshotsListRunningProcessesInOrder) {
    sim::ScopedMachine m;
    const DWORD recvr = m->AddProcess("ehRecvr.exe");
    const DWORD other = m->AddProcess("explorer.exe");
    EXPECT_NE(recvr, other);
    const auto list = SnapshotList(*m);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].second, "tvuninst.exe");  // the program itself comes first
    EXPECT_EQ(list[1], std::make_pair(recvr, std::string("ehRecvr.exe")));
    EXPECT_EQ(list[2], std::make_pair(other, std::string("explorer.exe")));

    // A snapshot does not see later changes; an entry record of the wrong size is refused.
    HANDLE snap = m->CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    m->AddProcess("late.exe");
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e - 4;
    EXPECT_FALSE(m->Process32First(snap, &e));
    EXPECT_EQ(m->GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    e.dwSize = sizeof e;
    int n = 0;
    for (BOOL ok = m->Process32First(snap, &e); ok; ok = m->Process32Next(snap, &e)) ++n;
    EXPECT_EQ(n, 3);
    EXPECT_EQ(m->OpenHandles(), std::vector<std::string>{"snapshot: 3 processes"});
    EXPECT_TRUE(m->CloseHandle(snap));
    EXPECT_FALSE(m->CloseHandle(snap));
    EXPECT_EQ(m->GetLastError(), ERROR_INVALID_HANDLE);
}

// The steps the program takes to end a process, with what each reported.
struct Attempt {
    BOOL adjusted = FALSE;
    DWORD adjustError = 0;
    bool opened = false;
    DWORD openError = 0;
    BOOL terminated = FALSE;
};

Attempt TryToEnd(sim::Machine& m, DWORD pid) {
    Attempt a;
    HANDLE token = nullptr;
    EXPECT_TRUE(
        m.OpenProcessToken(m.GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    LUID luid{};
    EXPECT_TRUE(m.LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &luid));
    TOKEN_PRIVILEGES tp{1, {{luid, SE_PRIVILEGE_ENABLED}}}, previous{};
    DWORD length = 0;
    a.adjusted = m.AdjustTokenPrivileges(token, FALSE, &tp, sizeof previous, &previous, &length);
    a.adjustError = m.GetLastError();
    HANDLE process = m.OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
    a.opened = process != nullptr;
    if (process != nullptr) {
        a.terminated = m.TerminateProcess(process, 0);
        EXPECT_TRUE(m.CloseHandle(process));
    } else {
        a.openError = m.GetLastError();
    }
    EXPECT_TRUE(m.CloseHandle(token));
    EXPECT_TRUE(m.CloseHandle(m.GetCurrentProcess()));  // the pseudo handle: nothing to close
    return a;
}

TEST(SimProcesses, EndingAProcessDependsOnPrivilegeAndAccess) {
    struct Case {
        const char* name;
        bool held;
        bool openable;
        bool otherAccount;
        DWORD adjustError;
        bool opened;
        DWORD openError;
        bool ends;
    };
    const Case cases[] = {
        {"held, own account", true, true, false, ERROR_SUCCESS, true, 0, true},
        {"held, service", true, true, true, ERROR_SUCCESS, true, 0, true},
        {"not held, own account", false, true, false, ERROR_NOT_ALL_ASSIGNED, true, 0, true},
        {"not held, service", false, true, true, ERROR_NOT_ALL_ASSIGNED, false, ERROR_ACCESS_DENIED,
         false},
        {"not openable", true, false, false, ERROR_SUCCESS, false, ERROR_ACCESS_DENIED, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ScopedMachine m;
        m->SetDebugPrivilegeHeld(c.held);
        const DWORD pid = m->AddProcess("ehRecvr.exe", c.openable);
        m->SetProcessOtherAccount(pid, c.otherAccount);
        const Attempt a = TryToEnd(*m, pid);
        EXPECT_EQ(a.adjusted, TRUE);  // success even when the account lacks the privilege
        EXPECT_EQ(a.adjustError, c.adjustError);
        EXPECT_EQ(m->DebugPrivilegeEnabled(), c.held);
        EXPECT_EQ(a.opened, c.opened);
        EXPECT_EQ(a.openError, c.openError);
        EXPECT_EQ(m->FindProcess(pid)->running, !c.ends);
        EXPECT_TRUE(m->OpenHandles().empty());
    }
}

TEST(SimProcesses, TokenAndProcessCallsCheckTheirArguments) {
    sim::ScopedMachine m;
    LUID luid{};
    EXPECT_FALSE(m->LookupPrivilegeValueA(nullptr, "SeShutdownPrivilegeX", &luid));
    EXPECT_EQ(m->GetLastError(), ERROR_NO_SUCH_PRIVILEGE);
    ASSERT_TRUE(m->LookupPrivilegeValueA("", "sedebugprivilege", &luid));

    HANDLE token = nullptr;
    ASSERT_TRUE(m->OpenProcessToken(m->GetCurrentProcess(), TOKEN_QUERY, &token));
    TOKEN_PRIVILEGES tp{1, {{luid, SE_PRIVILEGE_ENABLED}}}, previous{};
    DWORD length = 0;
    EXPECT_FALSE(m->AdjustTokenPrivileges(token, FALSE, &tp, sizeof previous, &previous, &length));
    EXPECT_EQ(m->GetLastError(), ERROR_ACCESS_DENIED);  // not opened for adjusting
    EXPECT_TRUE(m->CloseHandle(token));
    ASSERT_TRUE(m->OpenProcessToken(m->GetCurrentProcess(), 0x28, &token));
    EXPECT_TRUE(m->AdjustTokenPrivileges(token, FALSE, &tp, sizeof previous, &previous, &length));
    EXPECT_EQ(previous.PrivilegeCount, 1u);  // it changed: the previous state says disabled
    EXPECT_EQ(previous.Privileges[0].Attributes, 0u);
    EXPECT_EQ(length, 16u);
    EXPECT_TRUE(m->AdjustTokenPrivileges(token, FALSE, &tp, sizeof previous, &previous, &length));
    EXPECT_EQ(previous.PrivilegeCount, 0u);  // already enabled: nothing changed
    EXPECT_TRUE(m->CloseHandle(token));
    EXPECT_FALSE(m->AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr));
    EXPECT_EQ(m->GetLastError(), ERROR_INVALID_HANDLE);

    EXPECT_EQ(m->OpenProcess(PROCESS_ALL_ACCESS, FALSE, 9999), nullptr);
    EXPECT_EQ(m->GetLastError(), ERROR_INVALID_PARAMETER);
    const DWORD pid = m->AddProcess("ehRecvr.exe");
    HANDLE p = m->OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(m->TerminateProcess(p, 3));
    EXPECT_EQ(m->FindProcess(pid)->exitCode, 3u);
    EXPECT_FALSE(m->TerminateProcess(p, 0));  // already ended
    EXPECT_TRUE(m->CloseHandle(p));
    EXPECT_FALSE(m->TerminateProcess(p, 0));
    EXPECT_EQ(m->GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(m->OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid), nullptr);  // gone
    for (const auto& [id, exe] : SnapshotList(*m)) EXPECT_NE(id, pid);
}

}  // namespace
