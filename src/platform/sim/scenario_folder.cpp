#include "platform/sim/scenario_folder.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>

namespace scenario {

namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadOptional(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The meaningful lines of a text file: trimmed, without blanks and '#' comments.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> SplitList(const std::string& value) {
    std::vector<std::string> items;
    std::istringstream in(value);
    std::string item;
    while (std::getline(in, item, ',')) {
        item = Trim(item);
        if (!item.empty()) items.push_back(item);
    }
    return items;
}

// "(untitled)" stands for a window without a title.
std::vector<std::string> WindowTitles(const std::string& value) {
    std::vector<std::string> titles = SplitList(value);
    for (std::string& t : titles)
        if (t == "(untitled)") t.clear();
    return titles;
}

Version ParseVersion(const std::string& value) {
    static const std::map<std::string, Version> kVersions = {
        {"winxp", {2, 5, 1, 2600}}, {"win2k", {2, 5, 0, 2195}},  {"vista", {2, 6, 0, 6002}},
        {"win7", {2, 6, 1, 7601}},  {"win98", {1, 4, 10, 2222}}, {"win10", {2, 10, 0, 19045}},
    };
    const auto it = kVersions.find(value);
    if (it == kVersions.end()) throw ScenarioError("unknown version '" + value + "'");
    return it->second;
}

sim::UserAction ParseUser(const std::string& value) {
    if (value == "ok") return sim::UserAction::ClickOk;
    if (value == "enter") return sim::UserAction::PressEnter;
    if (value == "escape") return sim::UserAction::PressEscape;
    if (value == "close") return sim::UserAction::CloseBox;
    throw ScenarioError("unknown user action '" + value + "'");
}

std::string WindowsPath(const std::string& relative) {
    return std::string(kWindowsDir) + "\\" + relative;
}

}  // namespace

Scenario Load(const fs::path& folder) {
    Scenario s;
    s.name = folder.filename().string();
    const auto text = ReadOptional(folder / "scenario.txt");
    if (!text) throw ScenarioError("no scenario.txt in " + folder.string());
    for (const std::string& line : Lines(*text)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) throw ScenarioError("not key=value: '" + line + "'");
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        if (key == "version") {
            s.version = ParseVersion(value);
        } else if (key == "processes") {
            s.processes = SplitList(value);
        } else if (key == "windows") {
            s.windows = WindowTitles(value);
        } else if (key == "hung-windows") {
            s.hungWindows = WindowTitles(value);
        } else if (key == "hold") {
            s.heldFiles = SplitList(value);
        } else if (key == "hold-module") {
            s.heldModules = SplitList(value);
        } else if (key == "windows-bits") {
            if (value != "32" && value != "64") throw ScenarioError("windows-bits is 32 or 64");
            s.windows64 = value == "64";
        } else if (key == "exe") {
            if (value != "x86") throw ScenarioError("exe takes x86 alone");
            s.onlyX86 = true;
        } else if (key == "beside64") {
            if (value != "yes" && value != "no" && value != "stranger")
                throw ScenarioError("beside64 is yes, no or stranger");
            s.nativeBeside = value != "no";
            s.nativeStranger = value == "stranger";
        } else if (key == "user") {
            s.user = ParseUser(value);
        } else if (key == "arguments") {
            s.arguments = value;
        } else if (key == "another-run") {
            if (value != "dialog" && value != "running" && value != "no")
                throw ScenarioError("another-run is dialog, running or no");
            s.anotherRun = value == "no" ? "" : value;
        } else if (key == "interrupt") {
            const auto space = value.find(' ');
            if (space == std::string::npos) throw ScenarioError("interrupt is an API and a count");
            s.interruptApi = value.substr(0, space);
            s.interruptNth = std::atoi(value.c_str() + space + 1);
            if (s.interruptNth < 1) throw ScenarioError("interrupt's count starts at 1");
        } else if (key == "runs") {
            if (value != "1" && value != "2" && value != "3") throw ScenarioError("runs is 1 to 3");
            s.runs = value[0] - '0';
        } else if (key == "absent-devices") {
            s.absentDevices = SplitList(value);
        } else if (key == "store-keeps-in-use") {
            s.storeKeepsInUse = SplitList(value);
        } else if (key == "remove-after-first-run") {
            s.removeAfterFirstRun = value;
        } else if (key == "dpi") {
            if (value != "96" && value != "120" && value != "144" && value != "192")
                throw ScenarioError("dpi is 96, 120, 144 or 192");
            s.dpi = std::stoi(value);
        } else {
            throw ScenarioError("unknown key '" + key + "' in scenario.txt");
        }
    }
    s.profile = ReadOptional(folder / "TVMuxDrv.ini");
    s.machineReg = ReadOptional(folder / "machine.reg");
    if (const auto files = ReadOptional(folder / "files.txt")) {
        for (const std::string& line : Lines(*files)) {
            constexpr std::string_view kReadOnly = " readonly";
            constexpr std::string_view kFolder = " folder";
            constexpr std::string_view kData = " data2m";
            FileSpec f{line, false};
            auto endsWith = [&](std::string_view suffix) {
                return line.size() > suffix.size() &&
                       line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0;
            };
            if (endsWith(kData)) {
                f.path = Trim(line.substr(0, line.size() - kData.size()));
                f.data2m = true;
            } else if (endsWith(kReadOnly)) {
                f.path = Trim(line.substr(0, line.size() - kReadOnly.size()));
                f.readOnly = true;
            } else if (endsWith(kFolder)) {
                f.path = Trim(line.substr(0, line.size() - kFolder.size()));
                f.folder = true;
            }
            s.files.push_back(f);
        }
    }
    if (const auto expect = ReadOptional(folder / "expect.txt")) s.expectations = Lines(*expect);
    return s;
}

Prepared PrepareMachine(const Scenario& s, sim::Machine& m) {
    m.SetWindowsDirectory(kWindowsDir);
    m.SetVersion(s.version.platformId, s.version.major, s.version.minor, s.version.build);
    m.SetDpi(s.dpi);
    if (s.profile) m.WriteProfile(*s.profile);
    if (s.machineReg) m.ImportReg(*s.machineReg);
    for (const FileSpec& f : s.files) {
        if (f.folder) {
            m.MakeFolder(WindowsPath(f.path));
            continue;
        }
        m.WriteFile(WindowsPath(f.path), f.data2m ? Data2m() : "x",
                    f.readOnly ? w32::FILE_ATTRIBUTE_READONLY : w32::FILE_ATTRIBUTE_ARCHIVE);
    }
    for (const std::string& device : s.absentDevices) m.SetDevicePresent(device, false);
    for (const std::string& inf : s.storeKeepsInUse) {
        const std::string base = inf.substr(0, inf.rfind('.'));
        m.AddDriverPackage(inf, "system32\\DriverStore\\FileRepository\\" + base + ".inf_amd64_0",
                           "", true);
    }
    // The program runs from C:\tvu, as under Wine; the 32-bit build on 64-bit Windows finds the
    // 64-bit one beside it.
    if (s.windows64) m.Set64BitWindows(s.onlyX86);
    m.SetModuleFileName(s.onlyX86 ? "C:\\tvu\\tvuninst.exe" : "C:\\tvu\\tvuninst64.exe");
    // The twin has the program's own version; a stranger has no version resource.
    if (s.onlyX86 && s.nativeBeside)
        m.WriteExe("C:\\tvu\\tvuninst64.exe", s.nativeStranger ? "" : "3.1.0.1");
    for (const std::string& f : s.heldFiles) m.HoldFileOpen(WindowsPath(f));
    m.SetCommandLine(s.arguments);
    for (const std::string& f : s.heldModules) m.HoldFileOpen(WindowsPath(f), true);
    Prepared made;
    for (const std::string& p : s.processes) made.processes.emplace_back(p, m.AddProcess(p));
    for (const std::string& w : s.windows) made.windows.emplace_back(w, m.AddTopLevelWindow(w));
    for (const std::string& w : s.hungWindows)
        made.windows.emplace_back(w, m.AddTopLevelWindow(w, "", true));
    // The completion message box is acknowledged by the machine itself.
    m.ScriptUser({s.user});
    return made;
}

std::string Data2m() {
    return std::string(2 * 1024 * 1024, 'd');
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace scenario
