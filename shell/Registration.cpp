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

std::string path(const std::string& key) { return std::string(kUninstallKey) + "\\" + key; }

bool ours(const std::string& key) { return text::sameRegistryName(key.substr(0, sizeof kPrefix - 1), kPrefix); }

// Every value of the entry; false with the failing call's code.
bool write(plat::RootKey root, const std::string& key, const Entry& e, const std::string& name) {
    const std::string k = path(key);
    const std::uint64_t kilobytes = (e.bytes + 1023) / 1024;
    return plat::registry().setString(root, kView, k, "DisplayName", name) &&
           plat::registry().setString(root, kView, k, "DisplayVersion", kVersion) &&
           plat::registry().setString(root, kView, k, "Publisher", kPublisher) &&
           plat::registry().setString(root, kView, k, "InstallLocation", e.installFolder) &&
           plat::registry().setString(root, kView, k, "DisplayIcon", (plat::Path(e.installFolder) / "Vandry.exe").text()) &&
           plat::registry().setString(root, kView, k, "UninstallString", uninstallCommand(e.installFolder)) &&
           plat::registry().setDword(root, kView, k, "EstimatedSize",
                              static_cast<std::uint32_t>(std::min<std::uint64_t>(kilobytes, 0xFFFFFFFFu))) &&
           plat::registry().setDword(root, kView, k, "NoModify", 1) && plat::registry().setDword(root, kView, k, "NoRepair", 1);
}

}  // namespace

// As the version resource of Setup.exe (app/Setup.rc.in) has them.
const char* const kPublisher = "《Lunavire》中文化委员会";
const char* const kVersion = "1.0.0.0";

std::string keyName(const std::string& installFolder) {
    // Made from the upper-cased text as every earlier run made it, so that a
    // reinstall finds the entry it wrote; a name, not a comparison of paths.
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", record::crc32(text::upperCase(installFolder)));
    return kPrefix + std::string(hex);
}

std::string uninstallCommand(const std::string& installFolder) {
    return "\"" + record::programPath(installFolder) + "\" /uninstall";
}

plat::RootKey registerInstallation(const Entry& e, const std::function<void(plat::RootKey)>& writing) {
    const std::string key = keyName(e.installFolder);
    // Two folders would show as two entries of one name: each tells its folder.
    std::string name = e.displayName;
    if (!otherInstallations(key).empty()) name += " (" + e.installFolder + ")";
    std::uint32_t refused = 0;
    for (plat::RootKey root : {plat::RootKey::LocalMachine, plat::RootKey::CurrentUser}) {
        writing(root);
        if (write(root, key, e, name)) {
            // An entry an earlier run left under the other root would list the folder twice.
            if (root == plat::RootKey::CurrentUser) unregister(plat::RootKey::LocalMachine, key);
            else unregister(plat::RootKey::CurrentUser, key);
            return root;
        }
        refused = plat::program().lastError();
        unregister(root, key);  // no half entry
    }
    throw plat::systemError(refused, std::string("HKEY_CURRENT_USER\\") + path(key));
}

std::vector<std::pair<plat::RootKey, std::string>> otherInstallations(const std::string& exceptKey) {
    std::vector<std::pair<plat::RootKey, std::string>> found;
    for (plat::RootKey root : {plat::RootKey::LocalMachine, plat::RootKey::CurrentUser}) {
        std::vector<std::string> keys;
        if (!plat::registry().subKeys(root, kView, kUninstallKey, keys)) continue;
        for (const auto& k : keys) {
            if (!ours(k) || text::sameRegistryName(k, exceptKey)) continue;
            std::string folder;
            if (plat::registry().readString(root, kView, path(k), "InstallLocation", folder)) found.push_back({root, folder});
        }
    }
    return found;
}

std::vector<plat::RootKey> entriesOf(const std::string& installFolder) {
    std::vector<plat::RootKey> roots;
    const std::string key = path(keyName(installFolder));
    for (plat::RootKey root : {plat::RootKey::LocalMachine, plat::RootKey::CurrentUser}) {
        std::string location;
        if (plat::registry().readString(root, kView, key, "InstallLocation", location) &&
            plat::Path(plat::longName(location)) == plat::Path(plat::longName(installFolder)))
            roots.push_back(root);
    }
    return roots;
}

bool unregister(plat::RootKey root, const std::string& key) {
    return plat::registry().deleteKey(root, kView, path(key)) || plat::program().lastError() == plat::err::FileNotFound;
}

}  // namespace shell::registration
