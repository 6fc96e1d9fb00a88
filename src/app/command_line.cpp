#include "app/command_line.h"

#include <cstring>
#include <iterator>
#include <optional>
#include <vector>

#include "app/text.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Splits the arguments at blanks outside quotes; the quotes themselves are dropped.
std::vector<std::string> SplitArguments(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (IsBlank(c) && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

bool Is(const std::string& name, const char* option) {
    return name.size() == std::strlen(option) &&
           AsciiStrNICmp(name.c_str(), option, name.size()) == 0;
}

bool BeginsWith(const std::string& name, const char* prefix) {
    return AsciiStrNICmp(name.c_str(), prefix, std::strlen(prefix)) == 0;
}

// MSI's log switch: "l" and any of its flags (/l*v, /lv, /l*vx, /l+, ...), the path in the next
// word. A path glued to the flags (/l*vC:\tv.log) is refused, as msiexec refuses it: a path that
// begins with a flag letter (a, c, e, i, m, o, p, r, u, v, w, x) could not be told from them.
bool IsMsiLogSwitch(const std::string& name) {
    if (name.empty() || (name[0] != 'l' && name[0] != 'L')) return false;
    return name.find_first_not_of("iwearucmopvx+!*IWEARUCMOPVX", 1) == std::string::npos;
}

// A word that can be the path after /log or /l*v: one that is missing or looks like an option is
// no path. Taken as one, "/log /S" would lose the /S and wait on a dialog nobody sees.
bool IsPathWord(const std::string& word) {
    return !word.empty() && word[0] != '/' && word[0] != '-';
}

// A country code as `tvprofile --country` takes it: decimal digits, at most 99999.
std::optional<int> CountryCode(const std::string& text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

CommandLine ParseCommandLine(const char* commandLine) {
    CommandLine parsed;
    const std::string text = commandLine != nullptr ? commandLine : "";
    // The program's own name ends at its closing quote, or at the first blank.
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at < text.size() && text[at] == '"') {
        const std::size_t close = text.find('"', at + 1);
        at = close == std::string::npos ? text.size() : close + 1;
    }
    while (at < text.size() && !IsBlank(text[at])) ++at;
    while (at < text.size() && IsBlank(text[at])) ++at;
    parsed.arguments = text.substr(at);

    const std::vector<std::string> words = SplitArguments(parsed.arguments);
    for (auto current = words.begin(); current != words.end(); ++current) {
        const std::string& word = *current;
        const bool option = !word.empty() && (word[0] == '/' || word[0] == '-');
        const std::string name = option ? word.substr(1) : word;
        bool known = option;
        if (!option) {
            // A stray word: no option at all.
        } else if (Is(name, "S") || Is(name, "quiet") || Is(name, "silent") ||
                   Is(name, "verysilent") || Is(name, "qn")) {
            parsed.silent = true;
        } else if (Is(name, "passive")) {
            parsed.passive = true;
        } else if (Is(name, "?") || Is(name, "help")) {
            parsed.help = true;
        } else if (Is(name, "disconnected")) {
            parsed.disconnected = true;
        } else if (Is(name, "norestart") || Is(name, "suppressmsgboxes") || Is(name, "sp-")) {
            // MSI's and Inno Setup's switches that deployment commands carry by habit: this
            // program never restarts Windows, and /S already shows no message box.
            parsed.ignored.push_back(word);
        } else if (BeginsWith(name, "log=") || BeginsWith(name, "log:")) {
            parsed.logPath = name.substr(4);
            known = !parsed.logPath.empty();
        } else if (Is(name, "log") || IsMsiLogSwitch(name)) {
            // The path is the next word.
            const auto next = std::next(current);
            known = next != words.end() && IsPathWord(*next);
            if (known) {
                parsed.logPath = *next;
                current = next;
            }
        } else if (BeginsWith(name, "country=")) {
            parsed.country = CountryCode(name.substr(8));
            known = parsed.country.has_value();
        } else {
            known = false;
        }
        if (!known && parsed.badOption.empty()) parsed.badOption = word;
    }
    return parsed;
}

std::string UsageText() {
    return "Usage: tvuninst.exe [/S | /passive] [/log=PATH] [/country=N] [/disconnected]\n"
           "\n"
           "/S\tremoves the drivers without any window or message\n"
           "\t(also /quiet, /silent, /verysilent, /qn)\n"
           "/passive\tshows the run's progress at once, asks nothing, ends without a message\n"
           "/log=PATH\twrites the log to PATH instead of %windir%\\Logs\\tvuninst.log\n"
           "\t(also /log:PATH, /log PATH, /l*v PATH)\n"
           "/country=N\tuses the profile's section for country code N\n"
           "/disconnected\tremoves the devices that are there and the rest of the product,\n"
           "\teven when not all of the product's devices are connected\n"
           "/norestart, /suppressmsgboxes, /sp-\taccepted; they change nothing\n"
           "/?, /help\tshows this text\n"
           "\n"
           "Exit codes: 0 removed or nothing to do, 3010 removed (restart needed),\n"
           "1167 a device is not connected (nothing removed), 1602 cancelled,\n"
           "1603 not removed (see the log), 1618 another run under way, 1639 bad command line.";
}
