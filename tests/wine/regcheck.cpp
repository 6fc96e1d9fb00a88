// Answers many registry questions in one process, so that the Wine harness need not start reg.exe
// once per check. Reads a list of requests, one a line:
//   exists HKLM\path   ->  "exists 1 HKLM\path" or "exists 0 HKLM\path"
//   tree HKLM\path     ->  "key HKLM\path" for the key and every key below it, depth first
//                          (nothing when the key does not exist)
//   multi HKLM\path|NAME -> "item TEXT" for each string of the REG_MULTI_SZ value NAME
//
//   regcheck 64|32 LIST_FILE     (the registry view: KEY_WOW64_64KEY or KEY_WOW64_32KEY)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

REGSAM g_view = KEY_WOW64_64KEY;

bool SplitRoot(const std::string& path, HKEY& root, std::string& rest) {
    const std::size_t slash = path.find('\\');
    const std::string head = path.substr(0, slash);
    rest = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    if (lstrcmpiA(head.c_str(), "HKLM") == 0 || lstrcmpiA(head.c_str(), "HKEY_LOCAL_MACHINE") == 0)
        root = HKEY_LOCAL_MACHINE;
    else if (lstrcmpiA(head.c_str(), "HKCU") == 0 ||
             lstrcmpiA(head.c_str(), "HKEY_CURRENT_USER") == 0)
        root = HKEY_CURRENT_USER;
    else
        return false;
    return true;
}

void Tree(HKEY key, const std::string& label) {
    std::printf("key %s\n", label.c_str());
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD len = sizeof name;
        if (RegEnumKeyExA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ | g_view, &sub) != ERROR_SUCCESS) continue;
        Tree(sub, label + "\\" + name);
        RegCloseKey(sub);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "64") != 0 && std::strcmp(argv[1], "32") != 0)) {
        std::fputs("usage: regcheck 64|32 LIST_FILE\n", stderr);
        return 4;
    }
    g_view = std::strcmp(argv[1], "64") == 0 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    std::ifstream list(argv[2]);
    if (!list) return 1;
    for (std::string line; std::getline(list, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t sp = line.find(' ');
        if (sp == std::string::npos) continue;
        const std::string op = line.substr(0, sp);
        std::string path = line.substr(sp + 1), valueName;
        if (op == "multi") {
            const std::size_t bar = path.find('|');
            if (bar == std::string::npos) return 4;
            valueName = path.substr(bar + 1);
            path = path.substr(0, bar);
        }
        HKEY root = nullptr, key = nullptr;
        std::string rest;
        const bool open =
            SplitRoot(path, root, rest) &&
            RegOpenKeyExA(root, rest.c_str(), 0, KEY_READ | g_view, &key) == ERROR_SUCCESS;
        if (op == "exists") {
            std::printf("exists %d %s\n", open ? 1 : 0, path.c_str());
        } else if (op == "tree") {
            if (open) Tree(key, path);
        } else if (op == "multi") {
            static char data[65536];
            DWORD size = sizeof data - 2, type = 0;
            if (open &&
                RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
                type == REG_MULTI_SZ) {
                data[size] = data[size + 1] = '\0';
                // Every string, the empty ones too, up to the list's end.
                for (const char* p = data; p < data + size; p += std::strlen(p) + 1)
                    std::printf("item %s\n", p);
            }
        } else {
            std::fprintf(stderr, "regcheck: unknown request: %s\n", line.c_str());
            if (open) RegCloseKey(key);
            return 4;
        }
        if (open) RegCloseKey(key);
    }
    std::fflush(stdout);
    return 0;
}
