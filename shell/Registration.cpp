#include "shell/Registration.h"

#include <cstdio>

#include "platform/AnsiText.h"
#include "platform/Folders.h"
#include "platform/Path.h"
#include "platform/Program.h"
#include "platform/Registry.h"
#include "platform/SystemError.h"
#include "shell/InstallRecord.h"

namespace shell::registration {

namespace {

const char kPrefix[] = "LunavireChinese-";

bool ours(const std::string& key) { return text::sameRegistryName(key.substr(0, sizeof kPrefix - 1), kPrefix); }

// Every value of the entry, or the failing call's error.
plat::SysError write(const plat::RegKey& k, const Entry& e, const std::string& name) {
    const std::uint64_t kilobytes = (e.bytes + 1023) / 1024;
    const std::string folder = e.installFolder.text();
    plat::Registry& r = plat::registry();
    for (const auto& [value, text] : {std::pair<const char*, std::string>{"DisplayName", name},
                                      {"DisplayVersion", kVersion},
                                      {"Publisher", kPublisher},
                                      {"InstallLocation", folder},
                                      {"DisplayIcon", (e.installFolder / "Vandry.exe").text()},
                                      {"UninstallString", uninstallCommand(e.installFolder)},
                                      // The list's "Change" opens the same window, where the repair is a choice.
                                      {"ModifyPath", uninstallCommand(e.installFolder)}})
        if (const plat::SysError failed = r.setString(k, value, text); failed.failed()) return failed;
    for (const auto& [value, number] :
         {std::pair<const char*, std::uint32_t>{"EstimatedSize",
                                                static_cast<std::uint32_t>(std::min<std::uint64_t>(kilobytes, 0xFFFFFFFFu))},
          {"NoModify", 0},
          {"NoRepair", 1}})
        if (const plat::SysError failed = r.setDword(k, value, number); failed.failed()) return failed;
    return plat::kOk;
}

}  // namespace

// As the version resource of Setup.exe (app/Setup.rc.in) has them.
const char* const kPublisher = "《Lunavire》中文化委员会";
const char* const kVersion = "1.0.0.0";

plat::RegKey listKey(plat::RootKey root) { return {root, kView, kUninstallKey}; }

plat::RegKey entryKey(plat::RootKey root, const std::string& keyName) { return listKey(root) / keyName; }

std::string keyName(const plat::Path& installFolder) {
    // Made from the upper-cased text as every earlier run made it, so that a
    // reinstall finds the entry it wrote; a name, not a comparison of paths.
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", record::crc32(text::upperCase(installFolder.text())));
    return kPrefix + std::string(hex);
}

std::string uninstallCommand(const plat::Path& installFolder) {
    return "\"" + record::programPath(installFolder).text() + "\" /uninstall";
}

plat::RegKey registerInstallation(const Entry& e, const std::function<void(const plat::RegKey&)>& writing) {
    const std::string key = keyName(e.installFolder);
    // Two folders would show as two entries of one name: each tells its folder.
    std::string name = e.displayName;
    if (!otherInstallations(key).empty()) name += " (" + e.installFolder.text() + ")";
    plat::SysError refused;
    for (plat::RootKey root : {plat::RootKey::LocalMachine, plat::RootKey::CurrentUser}) {
        const plat::RegKey k = entryKey(root, key);
        writing(k);
        refused = write(k, e, name);
        if (refused.ok()) {
            // An entry an earlier run left under the other root would list the folder twice.
            unregister(root == plat::RootKey::CurrentUser ? plat::RootKey::LocalMachine : plat::RootKey::CurrentUser,
                       key);
            return k;
        }
        unregister(root, key);  // no half entry
    }
    throw plat::systemError(refused, entryKey(plat::RootKey::CurrentUser, key).text());
}

std::vector<std::pair<plat::RootKey, plat::Path>> otherInstallations(const std::string& exceptKey) {
    std::vector<std::pair<plat::RootKey, plat::Path>> found;
    for (plat::RootKey root : {plat::RootKey::LocalMachine, plat::RootKey::CurrentUser}) {
        std::vector<std::string> keys;
        if (plat::registry().subKeys(listKey(root), keys).failed()) continue;
        for (const auto& k : keys) {
            if (!ours(k) || text::sameRegistryName(k, exceptKey)) continue;
            std::string folder;
            if (plat::registry().readString(entryKey(root, k), "InstallLocation", folder).ok())
                found.push_back({root, plat::Path(folder)});
        }
    }
    return found;
}

std::vector<plat::RootKey> entriesOf(const plat::Path& installFolder) {
    std::vector<plat::RootKey> roots;
    const std::string key = keyName(installFolder);
    for (plat::RootKey root : {plat::RootKey::LocalMachine, plat::RootKey::CurrentUser}) {
        std::string location;
        if (plat::registry().readString(entryKey(root, key), "InstallLocation", location).ok() &&
            plat::longName(plat::Path(location)) == plat::longName(installFolder))
            roots.push_back(root);
    }
    return roots;
}

plat::SysError unregister(plat::RootKey root, const std::string& keyName) {
    const plat::SysError e = plat::registry().deleteKey(entryKey(root, keyName));
    return e.code() == plat::err::FileNotFound ? plat::kOk : e;
}

}  // namespace shell::registration
