#include "app/command_line.h"

#include <cstring>
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

    for (const std::string& word : SplitArguments(parsed.arguments)) {
        const bool option = !word.empty() && (word[0] == '/' || word[0] == '-');
        const std::string name = option ? word.substr(1) : word;
        if (option && (Is(name, "S") || Is(name, "quiet") || Is(name, "silent") ||
                       Is(name, "verysilent") || Is(name, "qn"))) {
            parsed.silent = true;
        } else if (option && (Is(name, "?") || Is(name, "help"))) {
            parsed.help = true;
        } else if (option && name.size() > 4 && AsciiStrNICmp(name.c_str(), "log=", 4) == 0) {
            parsed.logPath = name.substr(4);
        } else if (parsed.badOption.empty()) {
            parsed.badOption = word;
        }
    }
    return parsed;
}

std::string UsageText() {
    return "Usage: tvuninst.exe [/S] [/log=PATH]\n"
           "\n"
           "/S\tremoves the drivers without any window or message\n"
           "\t(also /quiet, /silent, /verysilent, /qn)\n"
           "/log=PATH\twrites the log to PATH instead of %windir%\\Logs\\tvuninst.log\n"
           "/?, /help\tshows this text\n"
           "\n"
           "Exit codes: 0 nothing to do, 3010 removed (restart needed), 1602 cancelled,\n"
           "1603 not removed (see the log), 1618 another run under way, 1639 bad command line.";
}
