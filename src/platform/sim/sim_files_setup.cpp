// Files as the tests and the scenario loader set them up and read them back, beside the calls the
// program makes (sim_files.cpp): folders and files written, removed and protected without a
// handle, their attributes, and every file below the Windows folder.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/sim/sim_state.h"

namespace sim {

void Machine::MakeFolder(const std::string& windowsPath) {
    const State::Resolved r = s_->Resolve(windowsPath);
    if (!r.inside || r.relKey.empty())
        throw std::invalid_argument("not a folder path: " + windowsPath);
    std::filesystem::create_directories(r.disk);
    s_->attributes[r.relKey] = FILE_ATTRIBUTE_DIRECTORY;
}

void Machine::RemovePath(const std::string& windowsPath) {
    const State::Resolved r = s_->Resolve(windowsPath);
    if (!r.inside || r.relKey.empty()) throw std::invalid_argument("not a path: " + windowsPath);
    std::error_code ec;
    std::filesystem::remove_all(r.disk, ec);
    s_->attributes.erase(r.relKey);
}

void Machine::WriteFile(const std::string& windowsPath, const std::string& content,
                        DWORD attributes) {
    const State::Resolved r = s_->Resolve(windowsPath);
    const bool folderRoot =
        (r.inside && r.relKey.empty()) || (r.outside && r.disk.parent_path() == s_->DrivesOnDisk());
    if ((!r.inside && !r.outside) || folderRoot)
        throw std::invalid_argument("not a file path: " + windowsPath);
    if (r.outside) s_->drivesRemover.path = s_->DrivesOnDisk();
    std::filesystem::create_directories(r.disk.parent_path());
    std::ofstream out(r.disk, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + r.disk.string());
    s_->attributes[r.relKey] = attributes & kSettableAttributes;
}

bool Machine::FileExists(const std::string& windowsPath) const {
    const State::Resolved r = s_->Resolve(windowsPath);
    std::error_code ec;
    return (r.inside || r.outside) && std::filesystem::is_regular_file(r.disk, ec);
}

DWORD Machine::FileAttributes(const std::string& windowsPath) const {
    const State::Resolved r = s_->Resolve(windowsPath);
    std::error_code ec;
    if ((!r.inside && !r.outside) || !std::filesystem::exists(r.disk, ec))
        return INVALID_FILE_ATTRIBUTES;
    auto it = s_->attributes.find(r.relKey);
    if (std::filesystem::is_directory(r.disk, ec))
        return FILE_ATTRIBUTE_DIRECTORY | (it == s_->attributes.end() ? 0 : it->second);
    const DWORD a = it == s_->attributes.end() ? FILE_ATTRIBUTE_ARCHIVE : it->second;
    return a == 0 ? FILE_ATTRIBUTE_NORMAL : a;
}

void Machine::ProtectFile(const std::string& windowsPath) {
    const State::Resolved r = s_->Resolve(windowsPath);
    if (!r.inside && !r.outside) throw std::invalid_argument("not a file path: " + windowsPath);
    s_->protectedFiles.insert(r.relKey);
}

void Machine::WriteProfile(const std::string& text, const std::string& fileName) {
    WriteFile(s_->windowsDirectory + "\\" + fileName, text, FILE_ATTRIBUTE_ARCHIVE);
}

std::vector<std::string> Machine::FilesBelowWindows() const {
    std::vector<std::string> out;
    std::error_code ec;
    std::string root = s_->windowsDirectory;
    while (!root.empty() && root.back() == '\\') root.pop_back();
    for (auto it = std::filesystem::recursive_directory_iterator(s_->windowsOnDisk, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string rel = std::filesystem::relative(it->path(), s_->windowsOnDisk, ec).string();
        std::replace(rel.begin(), rel.end(), '/', '\\');
        out.push_back(root + "\\" + rel);
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace sim
