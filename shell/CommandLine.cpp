#include "shell/CommandLine.h"

#include <cctype>

#include "platform/AnsiText.h"
#include "platform/Program.h"

namespace shell {

namespace {

enum class Kind { Flag, Value };
enum class Mode { Install, Uninstall, Both };

struct Switch {
    const char* name;
    Kind kind;
    Mode mode;
};
const Switch kSwitches[] = {
    {"S", Kind::Flag, Mode::Both},          {"?", Kind::Flag, Mode::Both},
    {"H", Kind::Flag, Mode::Both},          {"HELP", Kind::Flag, Mode::Both},
    {"DIR", Kind::Value, Mode::Install},    {"SOURCE", Kind::Value, Mode::Both},
    {"PATCH", Kind::Value, Mode::Install},  {"VOICE", Kind::Flag, Mode::Install},
    {"NOSHORTCUTS", Kind::Flag, Mode::Install}, {"LOG", Kind::Value, Mode::Both},
    {"PATCHONLY", Kind::Flag, Mode::Uninstall}, {"REMOVESAVES", Kind::Flag, Mode::Uninstall},
};

bool isSwitch(const std::string& arg) { return !arg.empty() && (arg[0] == '/' || arg[0] == '-'); }

// The folders of /SOURCE; an empty one (";", "a;;b", an unset variable in
// "%A%;%B%;%C%") empties the list, a bad value.
std::vector<std::string> splitSources(const std::string& value) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t i = 0;; i += text::charLength(value, i)) {
        if (i >= value.size() || value[i] == ';') {
            std::string part = value.substr(from, i - from);
            while (part.size() > 3 && text::endsWith(part, '\\')) part.pop_back();
            if (part.empty()) return {};
            parts.push_back(part);
            if (i >= value.size()) break;
            from = i + 1;
        }
    }
    return parts;
}

bool fullPath(const std::string& path) {
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                       path[2] == '\\';
    return drive || path.compare(0, 2, "\\\\") == 0;
}

// Takes one switch; the fault, or empty.
std::string take(CommandLine& c, const std::string& name, const std::string& value) {
    if (name == "S") c.silent = true;
    else if (name == "?" || name == "H" || name == "HELP") c.usage = true;
    else if (name == "DIR") c.dir = value;
    else if (name == "SOURCE") {
        c.sources = splitSources(value);
        if (c.sources.empty()) return "names an empty folder";
    }
    else if (name == "VOICE") c.voice = true;
    else if (name == "NOSHORTCUTS") c.noShortcuts = true;
    else if (name == "LOG") {
        if (!fullPath(value)) return "needs a full path (C:\\...)";
        c.log = value;
    }
    else if (name == "PATCHONLY") c.patchOnly = true;
    else if (name == "REMOVESAVES") c.removeSaves = true;
    else if (name == "PATCH") {
        const std::string edition = text::upperCase(value);
        if (edition == "SIMPLIFIED") c.patch = Edition::Simplified;
        else if (edition == "TRADITIONAL") c.patch = Edition::Traditional;
        else return "the edition is simplified or traditional";
    }
    return {};
}

std::string readSwitch(CommandLine& c, const std::string& arg) {
    const std::size_t eq = arg.find('=');
    const std::string name = text::upperCase(arg.substr(1, eq == std::string::npos ? std::string::npos : eq - 1));
    const bool hasValue = eq != std::string::npos;
    const std::string value = hasValue ? arg.substr(eq + 1) : "";
    for (const Switch& s : kSwitches) {
        if (name != s.name) continue;
        if (s.kind == Kind::Flag && hasValue) return "takes no value";
        if (s.kind == Kind::Value && value.empty()) return "needs a value";
        if (s.mode == Mode::Install && c.uninstall) return "is not the uninstaller's";
        if (s.mode == Mode::Uninstall && !c.uninstall) return "is the uninstaller's";
        return take(c, name, value);
    }
    return "is unknown";
}

// What needs another switch to mean anything.
std::string checkWhole(const CommandLine& c) {
    const bool installChoices = c.dir || !c.sources.empty() || c.patch || c.voice || c.noShortcuts;
    if (installChoices && !c.silent) return "/DIR, /SOURCE, /PATCH, /VOICE and /NOSHORTCUTS need /S";
    if ((c.patchOnly || c.removeSaves) && !c.silent) return "/PATCHONLY and /REMOVESAVES need /S";
    if ((c.patchOnly || c.removeSaves) && c.check != CommandLine::Check::None)
        return "/PATCHONLY and /REMOVESAVES are /uninstall's";
    if (!c.sources.empty() && c.uninstall && c.check == CommandLine::Check::None)
        return "/SOURCE is the setup's, /verify's and /repair's";
    if (c.sources.size() > 3) return "/SOURCE names at most three folders";
    return {};
}

// A path that reached the program with "?" in it: a character the code
// page cannot hold, which would name another folder (or none) in its place.
std::string unholdablePath(const CommandLine& c) {
    std::vector<std::string> paths = c.sources;
    if (c.dir) paths.push_back(*c.dir);
    paths.push_back(c.log);
    paths.push_back(c.uninstallFolder);
    for (const auto& p : paths)
        if (p.find('?') != std::string::npos)
            return p + ": the system's code page (" + std::to_string(plat::program().ansiCodePage()) +
                   ") cannot hold a character of this name (\"?\" here); choose a folder whose name it can hold";
    return {};
}

}  // namespace

std::vector<std::string> arguments(const std::string& line) {
    std::vector<std::string> args;
    std::string current;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t n = text::charLength(line, i);
        const char c = line[i];
        if (n == 1 && c == '"') {
            quoted = !quoted;
            any = true;
        } else if (n == 1 && (c == ' ' || c == '\t') && !quoted) {
            if (any) args.push_back(current);
            current.clear();
            any = false;
        } else {
            current.append(line, i, n);
            any = true;
        }
        i += n;
    }
    if (any) args.push_back(current);
    if (!args.empty()) args.erase(args.begin());  // the program's own path
    return args;
}

CommandLine parseCommandLine(const std::string& commandLine) {
    CommandLine c;
    const auto args = arguments(commandLine);
    std::size_t i = 0;
    const std::string mode = !args.empty() && isSwitch(args[0]) ? text::upperCase(args[0].substr(1)) : "";
    if (mode == "UNINSTALL" || mode == "VERIFY" || mode == "REPAIR") {
        c.uninstall = true;
        c.check = mode == "VERIFY"   ? CommandLine::Check::Verify
                  : mode == "REPAIR" ? CommandLine::Check::Repair
                                     : CommandLine::Check::None;
        ++i;
        if (i < args.size() && !isSwitch(args[i])) {
            c.uninstallFolder = args[i++];
            while (c.uninstallFolder.size() > 3 && text::endsWith(c.uninstallFolder, '\\'))
                c.uninstallFolder.pop_back();
        }
    }
    // The first fault is told; the switches after it still count (the log file, /S).
    for (; i < args.size(); ++i) {
        std::string why = isSwitch(args[i]) ? readSwitch(c, args[i]) : "not a switch";
        if (!why.empty() && c.fault.empty()) c.fault = args[i] + ": " + why;
    }
    if (c.fault.empty()) c.fault = checkWhole(c);
    c.unholdable = unholdablePath(c);
    return c;
}

}  // namespace shell
