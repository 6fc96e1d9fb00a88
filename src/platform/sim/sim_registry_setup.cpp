// The registry as the tests and the scenario loader set it up and read it back, beside the calls
// the program makes (sim_registry.cpp): values written and read without handles, access denied on
// a key, and the dump that end-state comparisons use.
#include "platform/sim/sim_state.h"

namespace sim {

namespace {

void PutValue(RegKey& k, const std::string& name, DWORD type, std::vector<BYTE> data) {
    RegValue& v = k.values[Upper(name)];
    if (v.name.empty()) v.name = name;
    v.type = type;
    v.data = std::move(data);
}

std::vector<BYTE> Bytes(const std::string& s, bool terminate) {
    std::vector<BYTE> out(s.begin(), s.end());
    if (terminate) out.push_back(0);
    return out;
}

}  // namespace

void Machine::CreateKey(HKEY root, const std::string& path) {
    s_->Create(root, path);
}

void Machine::SetString(HKEY root, const std::string& path, const std::string& name,
                        const std::string& value, DWORD type) {
    PutValue(*s_->Create(root, path), name, type, Bytes(value, true));
}

void Machine::SetMultiString(HKEY root, const std::string& path, const std::string& name,
                             const std::vector<std::string>& values) {
    std::vector<BYTE> data;
    for (const std::string& v : values) {
        data.insert(data.end(), v.begin(), v.end());
        data.push_back(0);
    }
    data.push_back(0);
    PutValue(*s_->Create(root, path), name, REG_MULTI_SZ, std::move(data));
}

void Machine::SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
    std::vector<BYTE> data(4);
    for (int i = 0; i < 4; ++i)
        data[static_cast<std::size_t>(i)] = static_cast<BYTE>(value >> (8 * i));
    PutValue(*s_->Create(root, path), name, REG_DWORD, std::move(data));
}

void Machine::SetBinary(HKEY root, const std::string& path, const std::string& name,
                        const std::vector<BYTE>& data, DWORD type) {
    PutValue(*s_->Create(root, path), name, type, data);
}

void Machine::DeleteTree(HKEY root, const std::string& path) {
    auto k = s_->Find(root, path);
    if (k && !k->parent.expired()) State::DetachTree(k);
}

void Machine::DenyFullAccess(HKEY root, const std::string& path) {
    s_->Create(root, path)->denyFull = true;
}

bool Machine::KeyExists(HKEY root, const std::string& path) const {
    return s_->Find(root, path) != nullptr;
}

std::optional<std::string> Machine::GetString(HKEY root, const std::string& path,
                                              const std::string& name) const {
    auto k = s_->Find(root, path);
    if (!k) return std::nullopt;
    auto it = k->values.find(Upper(name));
    if (it == k->values.end()) return std::nullopt;
    const auto& d = it->second.data;
    std::string out(d.begin(), d.end());
    if (auto nul = out.find('\0'); nul != std::string::npos) out.resize(nul);
    return out;
}

std::vector<std::string> Machine::SubkeyNames(HKEY root, const std::string& path) const {
    std::vector<std::string> out;
    if (auto k = s_->Find(root, path))
        for (const auto& [upper, child] : k->subkeys) out.push_back(child->name);
    return out;
}

namespace {

std::string RenderValue(const RegValue& v) {
    auto hexBytes = [&] {
        std::string out;
        static const char digits[] = "0123456789abcdef";
        for (std::size_t i = 0; i < v.data.size(); ++i) {
            if (i != 0) out += ',';
            out += digits[v.data[i] >> 4];
            out += digits[v.data[i] & 0xF];
        }
        return out;
    };
    auto strings = [&] {
        std::vector<std::string> parts;
        std::string cur;
        for (BYTE b : v.data) {
            if (b == 0) {
                parts.push_back(cur);
                cur.clear();
            } else {
                cur += static_cast<char>(b);
            }
        }
        if (!cur.empty()) parts.push_back(cur);
        return parts;
    };
    switch (v.type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            auto parts = strings();
            return std::string(v.type == REG_SZ ? "sz:\"" : "expand_sz:\"") +
                   (parts.empty() ? "" : parts.front()) + "\"";
        }
        case REG_MULTI_SZ: {
            std::string out = "multi_sz:";
            auto parts = strings();
            while (!parts.empty() && parts.back().empty()) parts.pop_back();
            for (std::size_t i = 0; i < parts.size(); ++i)
                out += (i != 0 ? ",\"" : "\"") + parts[i] + "\"";
            return out;
        }
        case REG_DWORD:
            if (v.data.size() == 4) {
                DWORD d = 0;
                for (int i = 3; i >= 0; --i) d = (d << 8) | v.data[static_cast<std::size_t>(i)];
                return "dword:" + Hex(d);
            }
            return "dword-bytes:" + hexBytes();
        default:
            return "hex(" + std::to_string(v.type) + "):" + hexBytes();
    }
}

void Dump(const RegKey& k, const std::string& path, std::string& out) {
    out += "[" + path + "]\n";
    for (const auto& [upper, v] : k.values) out += "\"" + v.name + "\"=" + RenderValue(v) + "\n";
    for (const auto& [upper, child] : k.subkeys) Dump(*child, path + "\\" + child->name, out);
}

}  // namespace

std::string Machine::DumpTree(HKEY root, const std::string& path) const {
    auto k = s_->Find(root, path);
    if (!k) return "";
    std::string out;
    Dump(*k, State::PathOf(*k), out);
    return out;
}

}  // namespace sim
