#include "shell/VoiceRecord.h"

#include <algorithm>
#include <exception>

#include "payload/Payload.h"
#include "platform/AnsiText.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/Registry.h"
#include "shell/RecordFile.h"
#include "shell/Registration.h"

namespace shell::voice {

namespace {

std::optional<plat::RootKey> rootOf(const std::string& name) {
    const auto is = [&](const char* root) { return text::sameRegistryName(name, root); };
    if (is("HKEY_LOCAL_MACHINE") || is("HKLM")) return plat::RootKey::LocalMachine;
    if (is("HKEY_CURRENT_USER") || is("HKCU")) return plat::RootKey::CurrentUser;
    return std::nullopt;
}

// A quoted value name, its escapes undone; false when the line is no value.
bool valueName(const std::string& line, std::string& name) {
    if (!line.empty() && line[0] == '@') {
        name.clear();
        return true;
    }
    if (line.empty() || line[0] != '"') return false;
    name.clear();
    for (std::size_t i = 1; i < line.size(); i += text::charLength(line, i)) {
        if (text::charLength(line, i) > 1) {
            name.append(line, i, 2);
            continue;
        }
        if (line[i] == '\\' && i + 1 < line.size()) {
            name += line[++i];
        } else if (line[i] == '"') {
            return line.find('=', i) != std::string::npos;
        } else {
            name += line[i];
        }
    }
    return false;
}

record::Record::Key keyOf(const ScriptKey& k) { return {k.root, k.key, "", false}; }
record::Record::Key valueOf(const ScriptKey& k, const std::string& value) { return {k.root, k.key, value, true}; }

}  // namespace

std::vector<ScriptKey> scriptKeys(const std::string& script) {
    std::vector<ScriptKey> keys;
    bool inKey = false, continued = false;
    std::size_t from = 0;
    while (from < script.size()) {
        std::size_t end = script.find('\n', from);
        if (end == std::string::npos) end = script.size();
        std::string line = script.substr(from, end - from);
        from = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const bool wasContinued = continued;
        continued = !line.empty() && line.back() == '\\';
        if (wasContinued) continue;  // the rest of a long hexadecimal value
        if (!line.empty() && line[0] == '[') {
            inKey = false;
            const std::size_t close = line.rfind(']');
            if (close == std::string::npos || line.size() < 2 || line[1] == '-') continue;  // a key it deletes
            const std::string path = line.substr(1, close - 1);
            const std::size_t slash = text::find(path, '\\');
            auto root = rootOf(path.substr(0, std::min(slash, path.size())));
            if (!root || slash == std::string::npos || slash + 1 >= path.size()) continue;
            keys.push_back({*root, path.substr(slash + 1), {}});
            inKey = true;
            continue;
        }
        std::string name;
        if (inKey && valueName(line, name)) keys.back().values.push_back(name);
    }
    return keys;
}

std::vector<ScriptKey> addOnNames() { return scriptKeys(payload::payloadBytes("REG000", "re0")); }

namespace {

bool keyThere(const ScriptKey& k) {
    for (auto view : kViews)
        if (plat::registry().keyExists({k.root, view, k.key})) return true;
    return false;
}

// The script's values of the key that are there, in either view.
std::vector<std::string> valuesThere(const ScriptKey& k) {
    std::vector<std::string> there;
    for (auto view : kViews) {
        std::vector<std::string> names;
        if (plat::registry().valueNames({k.root, view, k.key}, names).failed()) continue;
        for (const auto& v : k.values)
            for (const auto& n : names)
                if (text::sameRegistryName(n, v) &&
                    std::find(there.begin(), there.end(), v) == there.end())
                    there.push_back(v);
    }
    return there;
}

}  // namespace

Recorder::Recorder(const std::vector<plat::Path>& files) {
    for (const auto& [root, folder] : registration::otherInstallations(""))
        if (plat::files().fileExists(record::recordPath(folder))) folders_.push_back(folder);
    if (folders_.empty()) return;
    try {
        script_ = scriptKeys(payload::payloadBytes("REG000", "re0"));
    } catch (const std::exception& e) {
        failures_.push_back(e.what());
    }
    std::vector<Line> lines;
    for (const auto& f : files) lines.push_back([f](record::Writer& w) { w.addOnFile(f); });
    for (const auto& k : script_) {
        if (keyThere(k)) {
            before_.push_back(keyOf(k));
            lines.push_back([k](record::Writer& w) { w.addOnKey(k.root, k.key, true); });
        }
        for (const auto& v : valuesThere(k)) {
            before_.push_back(valueOf(k, v));
            lines.push_back([k, v](record::Writer& w) { w.addOnValue(k.root, k.key, v, true); });
        }
    }
    add(lines);
}

void Recorder::imported() {
    auto was = [&](const record::Record::Key& name) {
        return std::find(before_.begin(), before_.end(), name) != before_.end();
    };
    std::vector<Line> lines;
    for (const auto& k : script_) {
        if (!was(keyOf(k)) && keyThere(k))
            lines.push_back([k](record::Writer& w) { w.addOnKey(k.root, k.key, false); });
        for (const auto& v : valuesThere(k))
            if (!was(valueOf(k, v)))
                lines.push_back([k, v](record::Writer& w) { w.addOnValue(k.root, k.key, v, false); });
    }
    add(lines);
}

void Recorder::add(const std::vector<Line>& lines) {
    if (lines.empty()) return;
    for (const auto& folder : folders_) {
        try {
            record::Writer w(folder, plat::program().ansiCodePage());
            for (const auto& l : lines) l(w);
        } catch (const std::exception& e) {
            failures_.push_back(e.what());
        }
    }
}

}  // namespace shell::voice
