#include "iniprobe.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/port.h"

namespace iniprobe {

namespace {

std::vector<std::string> Split(const std::string& line, char sep) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : line) {
        if (c == sep) {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    return parts;
}

// Control characters would break the one-line-per-key output; spell them out.
std::string Visible(const std::string& s) {
    std::string out;
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", u);
            out += buf;
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

bool ReadAll(const char* path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

}  // namespace

int Main(int argc, char** argv, const std::function<bool(const std::string& bytes)>& place) {
    if (argc != 3) {
        std::fputs("usage: iniprobe INI_FILE LIST_FILE\n", stderr);
        return 4;
    }
    std::string ini, list;
    if (!ReadAll(argv[1], ini) || !ReadAll(argv[2], list)) {
        std::fputs("iniprobe: cannot read the input files\n", stderr);
        return 1;
    }
    if (!place(ini)) {
        std::fputs("iniprobe: cannot place the profile\n", stderr);
        return 1;
    }
    std::istringstream lines(list);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> f = Split(line, '|');
        if (f.size() < 2 || f.size() > 4) {
            std::fprintf(stderr, "iniprobe: bad list line: %s\n", line.c_str());
            return 4;
        }
        const unsigned long capacity = f.size() > 2 ? std::strtoul(f[2].c_str(), nullptr, 10) : 260;
        const std::string def = f.size() > 3 ? f[3] : "<absent>";
        std::vector<char> buf(capacity + 16, '#');
        w32::Api().GetPrivateProfileStringA(f[0].c_str(), f[1].c_str(), def.c_str(), buf.data(),
                                            static_cast<w32::DWORD>(capacity), "TVMuxDrv.ini");
        // A reader must never write past the capacity it was given.
        for (std::size_t k = capacity; k < buf.size(); ++k)
            if (buf[k] != '#') {
                std::printf("%s|%s|<wrote past capacity %lu>\n", f[0].c_str(), f[1].c_str(),
                            capacity);
                return 1;
            }
        const std::string value = capacity == 0 ? std::string() : std::string(buf.data());
        std::printf("%s|%s|%s\n", f[0].c_str(), f[1].c_str(), Visible(value).c_str());
    }
    return 0;
}

}  // namespace iniprobe
