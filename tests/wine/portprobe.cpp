#include "portprobe.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/port.h"

namespace portprobe {

namespace {

using namespace w32;

constexpr const char* kProbe = "SOFTWARE\\TvuProbe";

void Out(const std::string& name, const std::string& result) {
    std::printf("%s|%s\n", name.c_str(), result.c_str());
}

std::string Num(long long v) {
    return std::to_string(v);
}

void Registry() {
    Win32Api& api = Api();
    UniqueKey key;
    Out("open probe key",
        Num(api.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProbe, 0, KEY_ALL_ACCESS, key.put())));
    UniqueKey missing;
    Out("open missing key", Num(api.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TvuNoSuchKey", 0,
                                                  KEY_ALL_ACCESS, missing.put())));
    UniqueKey mixed;
    Out("open with other letter case",
        Num(api.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\TVUPROBE", 0, KEY_ALL_ACCESS,
                              mixed.put())));

    // Subkeys in index order, then the first index past the end.
    for (DWORD i = 0; i < 6; ++i) {
        char name[256] = {};
        DWORD len = sizeof name;
        FILETIME ft{};
        const LONG rc = api.RegEnumKeyExA(key.get(), i, name, &len, nullptr, nullptr, nullptr, &ft);
        Out("enum " + Num(i),
            Num(rc) + (rc == ERROR_SUCCESS ? " " + std::string(name) + " len " + Num(len) : ""));
        if (rc != ERROR_SUCCESS) break;
    }
    // A name that does not fit.
    {
        char name[8];
        std::memset(name, '#', sizeof name);
        DWORD len = 4;
        const LONG rc =
            api.RegEnumKeyExA(key.get(), 3, name, &len, nullptr, nullptr, nullptr, nullptr);
        Out("enum into a short buffer", Num(rc));
    }

    // Values: fitting, short buffer, size query, absent, name in other case, types.
    struct Query {
        const char* what;
        const char* value;
        DWORD capacity;  // 0: no data buffer, size query only
    };
    const Query queries[] = {
        {"query string", "Name", 64},           {"query string short", "Name", 4},
        {"query string size only", "Name", 0},  {"query string exact", "Name", 12},
        {"query string one short", "Name", 11}, {"query empty", "Empty", 64},
        {"query dword", "Count", 64},           {"query multi", "Multi", 64},
        {"query absent", "NoSuchValue", 64},    {"query other case", "nAmE", 64},
    };
    for (const Query& q : queries) {
        BYTE data[64];
        std::memset(data, '#', sizeof data);
        DWORD type = 0xFFFF, size = q.capacity;
        const LONG rc = api.RegQueryValueExA(key.get(), q.value, nullptr, &type,
                                             q.capacity ? data : nullptr, &size);
        // After a failure the type variable holds nothing the program may rely on (Wine clears
        // it, the simulated machine leaves it): only the code and the size are compared then.
        std::string r =
            Num(rc) +
            (rc == ERROR_SUCCESS || rc == static_cast<LONG>(ERROR_MORE_DATA) ? " type " + Num(type)
                                                                             : std::string()) +
            " size " + Num(size);
        if (rc == ERROR_SUCCESS && q.capacity && (type == REG_SZ || type == REG_MULTI_SZ)) {
            std::string text;
            for (DWORD k = 0; k < size; ++k)
                text +=
                    data[k] == 0 ? std::string("\\0") : std::string(1, static_cast<char>(data[k]));
            r += " data " + text;
        }
        Out(q.what, r);
    }

    // Deletes: a key with subkeys, a leaf, a whole tree, a missing key.
    Out("RegDeleteKeyA with subkeys", Num(api.RegDeleteKeyA(key.get(), "Gamma")));
    Out("RegDeleteKeyA leaf", Num(api.RegDeleteKeyA(key.get(), "alpha")));
    Out("SHDeleteKeyA tree", Num(api.SHDeleteKeyA(key.get(), "Gamma")));
    Out("SHDeleteKeyA missing", Num(api.SHDeleteKeyA(key.get(), "Gamma")));
    UniqueKey gone;
    Out("open deleted tree",
        Num(api.RegOpenKeyExA(key.get(), "Gamma\\Deep", 0, KEY_ALL_ACCESS, gone.put())));

    // Deleting the current index moves the next subkey into it.
    UniqueKey gap;
    if (api.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TvuProbeGap", 0, KEY_ALL_ACCESS,
                          gap.put()) == ERROR_SUCCESS) {
        std::string seen;
        for (int guard = 0; guard < 10; ++guard) {
            char name[256] = {};
            DWORD len = sizeof name;
            if (api.RegEnumKeyExA(gap.get(), 0, name, &len, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            seen += std::string(name) + " ";
            api.SHDeleteKeyA(gap.get(), name);
        }
        Out("enumerate index 0 while deleting", seen);
    }
    Out("flush", Num(api.RegFlushKey(key.get())));
}

void Files() {
    Win32Api& api = Api();
    char dir[100] = {};
    const UINT n = api.GetWindowsDirectoryA(dir, sizeof dir);
    std::string lower = dir;
    api.CharLowerA(lower.data());
    Out("windows directory", lower + " length " + Num(n));
    const std::string base = std::string(dir) + "\\tvuprobe\\";
    struct Step {
        const char* what;
        std::string path;
        bool resetFirst;
    };
    const Step steps[] = {
        {"delete plain file", base + "plain.txt", false},
        {"delete it again", base + "plain.txt", false},
        {"delete read-only file", base + "locked.txt", false},
        {"delete read-only file after reset", base + "locked.txt", true},
        {"delete in a missing folder", base + "nofolder\\x.txt", false},
    };
    for (const Step& s : steps) {
        std::string r;
        if (s.resetFirst) {
            api.SetLastError(0);
            r = "reset " + Num(api.SetFileAttributesA(s.path.c_str(), FILE_ATTRIBUTE_ARCHIVE)) +
                " ";
        }
        api.SetLastError(0);
        const BOOL ok = api.DeleteFileA(s.path.c_str());
        r += Num(ok) + (ok ? "" : " error " + Num(api.GetLastError()));
        Out(s.what, r);
    }
    api.SetLastError(0);
    const BOOL ok = api.SetFileAttributesA((base + "missing.txt").c_str(), FILE_ATTRIBUTE_ARCHIVE);
    Out("reset a missing file", Num(ok) + (ok ? "" : " error " + Num(api.GetLastError())));
}

// What a run needs for files it cannot delete now: attributes, the short name, the delayed
// delete in the session manager's list, and a profile section with repeated keys.
void DelayedDeletes() {
    Win32Api& api = Api();
    char dir[100] = {};
    api.GetWindowsDirectoryA(dir, sizeof dir);
    const std::string base = std::string(dir) + "\\tvuprobe\\";
    auto lower = [&](std::string text) {
        api.CharLowerA(text.data());
        return text;
    };
    for (const char* name : {"keep.txt", "locked.txt", "missing.txt"}) {
        api.SetLastError(0);
        const DWORD a = api.GetFileAttributesA((base + name).c_str());
        Out(std::string("attributes of ") + name,
            a == INVALID_FILE_ATTRIBUTES ? "none error " + Num(api.GetLastError()) : Num(a));
    }
    char shortPath[MAX_PATH] = {};
    const DWORD n = api.GetShortPathNameA((base + "keep.txt").c_str(), shortPath, MAX_PATH);
    Out("short path", lower(shortPath) + " length " + Num(n));
    Out("short path of a missing file",
        Num(api.GetShortPathNameA((base + "missing.txt").c_str(), shortPath, MAX_PATH)));

    api.SetLastError(0);
    const BOOL moved =
        api.MoveFileExA((base + "keep.txt").c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    Out("delete at restart", Num(moved) + (moved ? "" : " error " + Num(api.GetLastError())));
    UniqueKey session;
    api.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, session.put());
    std::vector<char> list(65536, '\0');
    DWORD type = 0, size = static_cast<DWORD>(list.size() - 2);
    std::string mine;
    if (session &&
        api.RegQueryValueExA(session.get(), "PendingFileRenameOperations", nullptr, &type,
                             reinterpret_cast<BYTE*>(list.data()), &size) == ERROR_SUCCESS) {
        // The probe's own pair: its path, then the empty name that means delete.
        for (const char* p = list.data(); p < list.data() + size; p += std::strlen(p) + 1) {
            if (lower(p).find("tvuprobe") == std::string::npos) continue;
            mine += lower(p) + "|next:" + std::string(p + std::strlen(p) + 1) + ";";
        }
    }
    Out("pending renames", "type " + Num(type) + " " + mine);

    const char entries[] = "NUL=C:\\A.TXT\0NUL=C:\\B.TXT\0x=1\0";
    Out("write section", Num(api.WritePrivateProfileSectionA("rename", entries, "tvuprobe.ini")));
    char section[256] = {};
    const DWORD got =
        api.GetPrivateProfileSectionA("rename", section, sizeof section, "tvuprobe.ini");
    std::string read;
    for (const char* p = section; p < section + got; p += std::strlen(p) + 1)
        read += std::string(p) + ";";
    Out("read section", Num(got) + " " + read);
    Out("read a short section",
        Num(api.GetPrivateProfileSectionA("rename", section, 8, "tvuprobe.ini")));
}

void Strings() {
    Win32Api& api = Api();
    char path[] = "C:\\WINDOWS\\System32\\DRIVERS\\Tuna.SYS";
    Out("CharLowerA", api.CharLowerA(path));
    auto sign = [](int v) { return v < 0 ? std::string("<0") : v > 0 ? ">0" : "0"; };
    Out("lstrcmpiA equal", sign(api.lstrcmpiA("Brelon Tunara", "BRELON TUNARA")));
    Out("lstrcmpiA prefix", sign(api.lstrcmpiA("Brelon", "Brelon Tunara")));
    Out("lstrcmpiA order", sign(api.lstrcmpiA("abc", "ABD")));
    Out("lstrcmpiA empty", sign(api.lstrcmpiA("", "")));
    // Held bare: freeing it is the call under test.
    HLOCAL block = api.LocalAlloc(LPTR, 64);
    bool zero = block != nullptr;
    for (int i = 0; zero && i < 64; ++i) zero = static_cast<const char*>(block)[i] == 0;
    Out("LocalAlloc zero-filled", Num(zero));
    Out("LocalFree", Num(api.LocalFree(block) == nullptr));
}

void Version() {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    const BOOL ok = Api().GetVersionExA(&v);
    Out("GetVersionExA", Num(ok) + " platform " + Num(v.dwPlatformId) + " " +
                             Num(v.dwMajorVersion) + "." + Num(v.dwMinorVersion));
}

void Devices() {
    Win32Api& api = Api();
    UniqueDevInfo set(
        api.SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
    Out("SetupDiGetClassDevsA", set ? "a set" : "failed");
    if (!set) return;
    std::vector<std::string> mine;
    int removed = 0;
    for (DWORD i = 0; i < 200; ++i) {
        SP_DEVINFO_DATA d{};
        d.cbSize = sizeof d;
        if (!api.SetupDiEnumDeviceInfo(set.get(), i, &d)) {
            Out("enumeration ends", "error " + Num(api.GetLastError()));
            break;
        }
        DWORD type = 0, needed = 0;
        api.SetLastError(0);
        const BOOL sized = api.SetupDiGetDeviceRegistryPropertyA(set.get(), &d, SPDRP_HARDWAREID,
                                                                 &type, nullptr, 0, &needed);
        const DWORD sizeError = api.GetLastError();
        std::vector<BYTE> buf(needed + 2, 0);
        if (!api.SetupDiGetDeviceRegistryPropertyA(set.get(), &d, SPDRP_HARDWAREID, &type,
                                                   buf.data(), needed, nullptr))
            continue;
        const std::string first(reinterpret_cast<const char*>(buf.data()));
        if (first.rfind("TVUPROBE\\", 0) != 0) continue;
        std::string ids;
        for (const char* p = reinterpret_cast<const char*>(buf.data()); *p; p += std::strlen(p) + 1)
            ids += std::string(p) + ";";
        mine.push_back(first + " size query " + Num(sized) + " error " + Num(sizeError) +
                       " needed " + Num(needed) + " type " + Num(type) + " ids " + ids);
        if (first == "TVUPROBE\\DEV_0002")
            removed += api.SetupDiRemoveDevice(set.get(), &d) ? 1 : 0;
    }
    for (const std::string& m : mine) Out("device", m);
    Out("removed", Num(removed));
    UniqueKey instance;
    Out("removed device key",
        Num(api.RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                              "SYSTEM\\CurrentControlSet\\Enum\\ROOT\\TVUPROBE\\0001", 0,
                              KEY_ALL_ACCESS, instance.put())));
    UniqueKey kept;
    Out("kept device key",
        Num(api.RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                              "SYSTEM\\CurrentControlSet\\Enum\\ROOT\\TVUPROBE\\0000", 0,
                              KEY_ALL_ACCESS, kept.put())));
}

}  // namespace

int Run() {
    Registry();
    Files();
    DelayedDeletes();
    Strings();
    Version();
    Devices();
    std::fflush(stdout);
    return 0;
}

}  // namespace portprobe
