// Injected faults, the call log and the handle accounting.
#include <gtest/gtest.h>

#include <functional>

#include "platform/sim/sim_machine.h"

namespace {

using namespace w32;

constexpr DWORD kFault = 0x4242;

// A machine with one of everything the calls below reach.
void Furnish(sim::Machine& m) {
    m.SetString(HKEY_LOCAL_MACHINE, "K\\Sub", "V", "text");
    m.WriteProfile("[1]\nKey=value\nNum=5\n");
    m.WriteFile("C:\\WINDOWS\\inf\\a.inf");
    m.AddDevice("PCI\\VEN_1\\0", {"PCI\\VEN_1"});
    m.AddProcess("ehRecvr.exe");
}

HKEY OpenK(sim::Machine& m) {
    HKEY k = nullptr;
    EXPECT_EQ(m.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K", 0, KEY_ALL_ACCESS, &k), 0);
    return k;
}

struct FaultCase {
    const char* api;
    // Makes the call and says whether it reported the failure it was given: a registry call by
    // returning the code, any other call by its failure value with the code as last error.
    std::function<bool(sim::Machine&)> fails;
};

bool LastIs(sim::Machine& m) {
    return m.GetLastError() == kFault;
}

TEST(SimFaults, EveryCallFailsAsWindowsFailsIt) {
    const std::vector<FaultCase> cases = {
        {"RegOpenKeyA",
         [](sim::Machine& m) {
             HKEY k = reinterpret_cast<HKEY>(1);
             return m.RegOpenKeyA(HKEY_LOCAL_MACHINE, "K", &k) == static_cast<LONG>(kFault) &&
                    k == nullptr;
         }},
        {"RegOpenKeyExA",
         [](sim::Machine& m) {
             HKEY k = reinterpret_cast<HKEY>(1);
             return m.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K", 0, KEY_READ, &k) ==
                        static_cast<LONG>(kFault) &&
                    k == nullptr;
         }},
        {"RegEnumKeyExA",
         [](sim::Machine& m) {
             HKEY k = OpenK(m);
             char n[32];
             DWORD len = sizeof n;
             const bool f = m.RegEnumKeyExA(k, 0, n, &len, nullptr, nullptr, nullptr, nullptr) ==
                            static_cast<LONG>(kFault);
             m.RegCloseKey(k);
             return f;
         }},
        {"RegQueryValueExA",
         [](sim::Machine& m) {
             DWORD size = 0;
             return m.RegQueryValueExA(HKEY_LOCAL_MACHINE, "V", nullptr, nullptr, nullptr, &size) ==
                    static_cast<LONG>(kFault);
         }},
        {"RegDeleteKeyA",
         [](sim::Machine& m) {
             HKEY k = OpenK(m);
             const bool f = m.RegDeleteKeyA(k, "Sub") == static_cast<LONG>(kFault) &&
                            m.KeyExists(HKEY_LOCAL_MACHINE, "K\\Sub");
             m.RegCloseKey(k);
             return f;
         }},
        {"SHDeleteKeyA",
         [](sim::Machine& m) {
             return m.SHDeleteKeyA(HKEY_LOCAL_MACHINE, "K") == static_cast<LONG>(kFault) &&
                    m.KeyExists(HKEY_LOCAL_MACHINE, "K\\Sub");
         }},
        {"RegFlushKey",
         [](sim::Machine& m) {
             return m.RegFlushKey(HKEY_LOCAL_MACHINE) == static_cast<LONG>(kFault);
         }},
        {"RegCloseKey",
         [](sim::Machine& m) {
             // The failure is reported, and the handle is released all the same.
             return m.RegCloseKey(OpenK(m)) == static_cast<LONG>(kFault) && m.OpenHandles().empty();
         }},
        {"GetPrivateProfileStringA",
         [](sim::Machine& m) {
             char buf[16];
             return m.GetPrivateProfileStringA("1", "Key", "dflt", buf, sizeof buf,
                                               "TVMuxDrv.ini") == 4 &&
                    std::string(buf) == "dflt" && LastIs(m);
         }},
        {"GetPrivateProfileIntA",
         [](sim::Machine& m) {
             return m.GetPrivateProfileIntA("1", "Num", 9, "TVMuxDrv.ini") == 9u && LastIs(m);
         }},
        {"GetVersionExA",
         [](sim::Machine& m) {
             OSVERSIONINFOA v{};
             v.dwOSVersionInfoSize = sizeof v;
             return m.GetVersionExA(&v) == FALSE && LastIs(m);
         }},
        {"GetWindowsDirectoryA",
         [](sim::Machine& m) {
             char buf[100];
             return m.GetWindowsDirectoryA(buf, sizeof buf) == 0 && LastIs(m);
         }},
        {"LocalAlloc",
         [](sim::Machine& m) { return m.LocalAlloc(LMEM_ZEROINIT, 8) == nullptr && LastIs(m); }},
        {"LocalFree",
         [](sim::Machine& m) {
             HLOCAL p = m.LocalAlloc(LMEM_ZEROINIT, 8);
             return m.LocalFree(p) == p && LastIs(m) && m.OpenHandles().empty();
         }},
        {"SetFileAttributesA",
         [](sim::Machine& m) {
             return m.SetFileAttributesA("C:\\WINDOWS\\inf\\a.inf", FILE_ATTRIBUTE_ARCHIVE) ==
                        FALSE &&
                    LastIs(m);
         }},
        {"DeleteFileA",
         [](sim::Machine& m) {
             return m.DeleteFileA("C:\\WINDOWS\\inf\\a.inf") == FALSE && LastIs(m) &&
                    m.FileExists("C:\\WINDOWS\\inf\\a.inf");
         }},
        {"SetupDiGetClassDevsA",
         [](sim::Machine& m) {
             return m.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, 6) == INVALID_HANDLE_VALUE &&
                    LastIs(m);
         }},
        {"SetupDiEnumDeviceInfo",
         [](sim::Machine& m) {
             HDEVINFO set = m.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, 6);
             SP_DEVINFO_DATA d{};
             d.cbSize = sizeof d;
             const bool f = m.SetupDiEnumDeviceInfo(set, 0, &d) == FALSE && LastIs(m);
             m.SetupDiDestroyDeviceInfoList(set);
             return f;
         }},
        {"SetupDiGetDeviceRegistryPropertyA",
         [](sim::Machine& m) {
             HDEVINFO set = m.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, 6);
             SP_DEVINFO_DATA d{};
             d.cbSize = sizeof d;
             m.SetupDiEnumDeviceInfo(set, 0, &d);
             DWORD need = 0;
             const bool f = m.SetupDiGetDeviceRegistryPropertyA(set, &d, SPDRP_HARDWAREID, nullptr,
                                                                nullptr, 0, &need) == FALSE &&
                            LastIs(m);
             m.SetupDiDestroyDeviceInfoList(set);
             return f;
         }},
        {"SetupDiRemoveDevice",
         [](sim::Machine& m) {
             HDEVINFO set = m.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, 6);
             SP_DEVINFO_DATA d{};
             d.cbSize = sizeof d;
             m.SetupDiEnumDeviceInfo(set, 0, &d);
             const bool f =
                 m.SetupDiRemoveDevice(set, &d) == FALSE && LastIs(m) && m.RemovedDevices().empty();
             m.SetupDiDestroyDeviceInfoList(set);
             return f;
         }},
        {"SetupDiDestroyDeviceInfoList",
         [](sim::Machine& m) {
             HDEVINFO set = m.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, 6);
             return m.SetupDiDestroyDeviceInfoList(set) == FALSE && LastIs(m) &&
                    m.OpenHandles().empty();
         }},
        {"CreateToolhelp32Snapshot",
         [](sim::Machine& m) {
             return m.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0) == INVALID_HANDLE_VALUE &&
                    LastIs(m);
         }},
        {"Process32First",
         [](sim::Machine& m) {
             HANDLE s = m.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
             PROCESSENTRY32 e{};
             e.dwSize = sizeof e;
             const bool f = m.Process32First(s, &e) == FALSE && LastIs(m);
             m.CloseHandle(s);
             return f;
         }},
        {"Process32Next",
         [](sim::Machine& m) {
             HANDLE s = m.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
             PROCESSENTRY32 e{};
             e.dwSize = sizeof e;
             const bool f = m.Process32First(s, &e) && m.Process32Next(s, &e) == FALSE && LastIs(m);
             m.CloseHandle(s);
             return f;
         }},
        {"OpenProcessToken",
         [](sim::Machine& m) {
             HANDLE t = reinterpret_cast<HANDLE>(1);
             return m.OpenProcessToken(m.GetCurrentProcess(), 0x28, &t) == FALSE && LastIs(m) &&
                    t == nullptr;
         }},
        {"LookupPrivilegeValueA",
         [](sim::Machine& m) {
             LUID l{};
             return m.LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &l) == FALSE && LastIs(m);
         }},
        {"AdjustTokenPrivileges",
         [](sim::Machine& m) {
             HANDLE t = nullptr;
             m.OpenProcessToken(m.GetCurrentProcess(), 0x28, &t);
             TOKEN_PRIVILEGES tp{1, {{{20, 0}, SE_PRIVILEGE_ENABLED}}};
             const bool f = m.AdjustTokenPrivileges(t, FALSE, &tp, 0, nullptr, nullptr) == FALSE &&
                            LastIs(m) && !m.DebugPrivilegeEnabled();
             m.CloseHandle(t);
             return f;
         }},
        {"OpenProcess",
         [](sim::Machine& m) {
             return m.OpenProcess(PROCESS_ALL_ACCESS, FALSE, 8) == nullptr && LastIs(m);
         }},
        {"TerminateProcess",
         [](sim::Machine& m) {
             HANDLE p = m.OpenProcess(PROCESS_ALL_ACCESS, FALSE, 8);
             const bool f =
                 m.TerminateProcess(p, 0) == FALSE && LastIs(m) && m.FindProcess(8)->running;
             m.CloseHandle(p);
             return f;
         }},
        {"CloseHandle",
         [](sim::Machine& m) {
             HANDLE s = m.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
             return m.CloseHandle(s) == FALSE && LastIs(m) && m.OpenHandles().empty();
         }},
        {"GetModuleHandleA",
         [](sim::Machine& m) { return m.GetModuleHandleA(nullptr) == nullptr && LastIs(m); }},
        {"LoadIconA",
         [](sim::Machine& m) {
             return m.LoadIconA(reinterpret_cast<HINSTANCE>(0x400000), MAKEINTRESOURCEA(132)) ==
                        nullptr &&
                    LastIs(m);
         }},
        {"DialogBoxParamA",
         [](sim::Machine& m) {
             return m.DialogBoxParamA(
                        nullptr, MAKEINTRESOURCEA(102), nullptr,
                        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0) == -1 &&
                    LastIs(m) && m.Dialogs().empty();
         }},
        {"FindWindowA",
         [](sim::Machine& m) {
             m.AddTopLevelWindow("Remote Control");
             return m.FindWindowA(nullptr, "Remote Control") == nullptr && LastIs(m);
         }},
        {"SendMessageA",
         [](sim::Machine& m) {
             HWND w = m.AddTopLevelWindow("Remote Control");
             return m.SendMessageA(w, WM_CLOSE, 0, 0) == 0 && LastIs(m) &&
                    !m.FindTopLevel(w)->closed;
         }},
        {"MessageBoxA",
         [](sim::Machine& m) {
             return m.MessageBoxA(nullptr, "t", "c", MB_OK) == 0 && LastIs(m) &&
                    m.MessageBoxes().empty();
         }},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.api);
        sim::ScopedMachine m;
        Furnish(*m);
        m->AddFault({c.api, 0, kFault, ""});
        EXPECT_TRUE(c.fails(*m));
        // The log marks the faulted call.
        bool marked = false;
        for (const sim::CallRecord& r : m->Calls())
            marked = marked || (r.api == c.api && r.faulted);
        EXPECT_TRUE(marked);
        EXPECT_TRUE(m->OpenHandles().empty());
    }
}

TEST(SimFaults, TheNthMatchingCallFailsAndTheOthersDoNot) {
    struct Case {
        int nth;
        std::string argsContain;
        std::vector<bool> fails;  // of the opens of A, B, A, B
    };
    const Case cases[] = {
        {1, "", {true, false, false, false}},    {3, "", {false, false, true, false}},
        {0, "", {true, true, true, true}},       {2, "\\B|", {false, false, false, true}},
        {0, "\\A|", {true, false, true, false}}, {5, "", {false, false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.nth) + " " + c.argsContain);
        sim::ScopedMachine m;
        m->CreateKey(HKEY_LOCAL_MACHINE, "A");
        m->CreateKey(HKEY_LOCAL_MACHINE, "B");
        m->AddFault({"RegOpenKeyExA", c.nth, ERROR_ACCESS_DENIED, c.argsContain});
        std::vector<bool> fails;
        for (const char* path : {"A", "B", "A", "B"}) {
            HKEY k = nullptr;
            const LONG r = m->RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &k);
            fails.push_back(r != ERROR_SUCCESS);
            if (r == ERROR_SUCCESS) {
                m->RegCloseKey(k);
            } else {
                EXPECT_EQ(r, static_cast<LONG>(ERROR_ACCESS_DENIED));
            }
        }
        EXPECT_EQ(fails, c.fails);
    }
}

TEST(SimFaults, TheCallLogNamesEachCallByWhatIdentifiesIt) {
    sim::ScopedMachine m;
    m->CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Tuner");
    HKEY k = nullptr;
    m->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "system\\currentcontrolset\\services", 0, KEY_ALL_ACCESS,
                     &k);
    m->SHDeleteKeyA(k, "tuner");
    m->RegCloseKey(k);
    m->DeleteFileA("c:\\windows\\inf\\oem1.inf");
    ASSERT_EQ(m->Calls().size(), 4u);
    const std::vector<sim::CallRecord>& calls = m->Calls();
    EXPECT_EQ(calls[0].api, "RegOpenKeyExA");
    EXPECT_EQ(calls[0].args, "HKLM\\system\\currentcontrolset\\services|0xf003f");
    EXPECT_EQ(calls[0].result, 0);
    EXPECT_EQ(calls[1].args, "HKLM\\SYSTEM\\CurrentControlSet\\Services\\tuner");
    EXPECT_EQ(calls[1].result, 0);
    EXPECT_EQ(calls[2].api, "RegCloseKey");
    EXPECT_EQ(calls[3].args, "c:\\windows\\inf\\oem1.inf");
    EXPECT_EQ(calls[3].result, FALSE);
    EXPECT_EQ(m->CallCount("RegCloseKey"), 1);
    EXPECT_FALSE(m->KeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Tuner"));
}

TEST(SimFaults, OpenHandlesListsEverythingNotReleased) {
    sim::ScopedMachine m;
    m->CreateKey(HKEY_LOCAL_MACHINE, "K");
    HKEY k = nullptr;
    m->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "K", 0, KEY_READ, &k);
    HDEVINFO set = m->SetupDiGetClassDevsA(nullptr, nullptr, nullptr, 6);
    HANDLE snap = m->CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    HANDLE token = nullptr;
    m->OpenProcessToken(m->GetCurrentProcess(), 0x28, &token);
    const DWORD pid = m->AddProcess("x.exe");
    HANDLE process = m->OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
    HLOCAL block = m->LocalAlloc(LMEM_ZEROINIT, 12);
    EXPECT_EQ(
        m->OpenHandles(),
        (std::vector<std::string>{"key: HKLM\\K", "device set: 0 devices", "snapshot: 1 processes",
                                  "token: own process", "process: pid " + std::to_string(pid),
                                  "local block: 12 bytes"}));
    // Each kind is released only by its own call.
    EXPECT_FALSE(m->CloseHandle(set));
    EXPECT_NE(m->RegCloseKey(reinterpret_cast<HKEY>(snap)), ERROR_SUCCESS);
    EXPECT_FALSE(m->SetupDiDestroyDeviceInfoList(token));
    EXPECT_EQ(m->OpenHandles().size(), 6u);
    m->RegCloseKey(k);
    m->SetupDiDestroyDeviceInfoList(set);
    m->CloseHandle(snap);
    m->CloseHandle(token);
    m->CloseHandle(process);
    m->LocalFree(block);
    EXPECT_TRUE(m->OpenHandles().empty());
    EXPECT_TRUE(m->HandleErrors().empty());
}

}  // namespace
