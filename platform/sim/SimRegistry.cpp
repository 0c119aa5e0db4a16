// The simulated registry: keys and values in a view (the test's side and the
// registry slice).
#include <algorithm>

#include "platform/sim/SimImpl.h"

namespace sim {

namespace {

constexpr std::uint32_t kRegSz = 1, kRegExpandSz = 2, kRegDword = 4;

}  // namespace

// ---------------------------------------------------------------- registry in views

namespace {

// The names of a key path as spelled, empty ones dropped; a lead byte takes
// its trail byte with it.
std::vector<std::string> keyParts(const detail::CodePage& cp, const std::string& subKey) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < subKey.size();) {
        std::size_t n = cp.charLength(subKey, i);
        if (n == 1 && subKey[i] == '\\')
            parts.emplace_back();
        else
            parts.back().append(subKey, i, n);
        i += n;
    }
    parts.erase(std::remove(parts.begin(), parts.end(), std::string()), parts.end());
    return parts;
}

// The parts as the store holds them: the 32-bit view of HKLM\Software lies
// below its Wow6432Node.
std::vector<std::string> storeParts(const detail::CodePage& cp, plat::RootKey root, plat::RegView view,
                                    const std::string& subKey) {
    std::vector<std::string> parts = keyParts(cp, subKey);
    if (root == plat::RootKey::LocalMachine && view == plat::RegView::Wow32 && !parts.empty() &&
        detail::asciiUpper(cp, parts[0]) == "SOFTWARE" &&
        (parts.size() == 1 || detail::asciiUpper(cp, parts[1]) != "WOW6432NODE"))
        parts.insert(parts.begin() + 1, "Wow6432Node");
    return parts;
}

std::string joinFolded(const detail::CodePage& cp, const std::vector<std::string>& parts, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        if (i) out += '\\';
        out += detail::asciiUpper(cp, parts[i]);
    }
    return out;
}

}  // namespace

std::string SimPlatform::Impl::viewPath(plat::RootKey root, plat::RegView view, const std::string& subKey) const {
    auto parts = storeParts(*cp, root, view, subKey);
    return joinFolded(*cp, parts, parts.size());
}

bool SimPlatform::Impl::writeDenied(int root, const std::string& key) const {
    for (const auto& [r, top] : denied)
        if (r == root && within(key, top)) return true;
    return false;
}

void SimPlatform::Impl::makeKey(int root, const std::string& key, const std::string& spelled) {
    auto parts = keyParts(*cp, spelled);
    auto folded = keyParts(*cp, key);
    // The spelling follows the parts it has; a part it lacks (Wow6432Node) is
    // spelled as folded.
    for (std::size_t i = 1; i <= folded.size(); ++i) {
        std::string name = folded[i - 1];
        for (const auto& p : parts)
            if (detail::asciiUpper(*cp, p) == name) name = p;
        keys.emplace(std::make_pair(root, joinFolded(*cp, folded, i)), name);
    }
}

bool SimPlatform::keyExists(const plat::RegKey& k) {
    std::string key = d_->viewPath(k.root, k.view, k.path);
    return key.empty() || d_->keys.count({static_cast<int>(k.root), key});
}

bool SimPlatform::valueExists(const plat::RegKey& k, const std::string& name) {
    const int r = static_cast<int>(k.root);
    std::string key = d_->viewPath(k.root, k.view, k.path);
    if (!key.empty() && !d_->keys.count({r, key})) return false;
    return d_->values.count({r, key, detail::asciiUpper(*d_->cp, name)}) != 0;
}

namespace {

plat::SysError setValue(SimPlatform::Impl& d, const plat::RegKey& k, const std::string& name, std::uint32_t type,
                        const std::string& data) {
    const int r = static_cast<int>(k.root);
    auto parts = storeParts(*d.cp, k.root, k.view, k.path);
    std::string key = joinFolded(*d.cp, parts, parts.size());
    if (d.writeDenied(r, key)) return plat::SysError(plat::err::AccessDenied);
    std::string spelled;
    for (const auto& p : parts) spelled += (spelled.empty() ? "" : "\\") + p;
    d.makeKey(r, key, spelled);
    d.values[{r, key, detail::asciiUpper(*d.cp, name)}] = {name, type, data};
    return plat::kOk;
}

}  // namespace

plat::SysError SimPlatform::setString(const plat::RegKey& key, const std::string& name, const std::string& value) {
    return setValue(*d_, key, name, kRegSz, value);
}

plat::SysError SimPlatform::setDword(const plat::RegKey& key, const std::string& name, std::uint32_t value) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i) data[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return setValue(*d_, key, name, kRegDword, data);
}

plat::SysError SimPlatform::readString(const plat::RegKey& k, const std::string& name, std::string& value) {
    const int r = static_cast<int>(k.root);
    std::string key = d_->viewPath(k.root, k.view, k.path);
    if (!key.empty() && !d_->keys.count({r, key})) return plat::SysError(plat::err::FileNotFound);
    auto it = d_->values.find({r, key, detail::asciiUpper(*d_->cp, name)});
    if (it == d_->values.end()) return plat::SysError(plat::err::FileNotFound);
    if (it->second.type != kRegSz && it->second.type != kRegExpandSz) return plat::SysError(plat::err::InvalidData);
    value = it->second.data;
    return plat::kOk;
}

plat::SysError SimPlatform::deleteValue(const plat::RegKey& k, const std::string& name) {
    const int r = static_cast<int>(k.root);
    std::string key = d_->viewPath(k.root, k.view, k.path);
    if (!key.empty() && !d_->keys.count({r, key})) return plat::SysError(plat::err::FileNotFound);
    if (d_->writeDenied(r, key)) return plat::SysError(plat::err::AccessDenied);
    return plat::SysError(d_->values.erase({r, key, detail::asciiUpper(*d_->cp, name)}) ? 0 : plat::err::FileNotFound);
}

plat::SysError SimPlatform::deleteKey(const plat::RegKey& k) {
    const int r = static_cast<int>(k.root);
    std::string key = d_->viewPath(k.root, k.view, k.path);
    if (key.empty()) return plat::SysError(plat::err::AccessDenied);
    if (!d_->keys.count({r, key})) return plat::SysError(plat::err::FileNotFound);
    if (d_->writeDenied(r, key)) return plat::SysError(plat::err::AccessDenied);
    for (const auto& k : d_->keys)
        if (k.first.first == r && k.first.second != key && Impl::within(k.first.second, key))
            return plat::SysError(plat::err::AccessDenied);
    d_->keys.erase({r, key});
    for (auto it = d_->values.begin(); it != d_->values.end();)
        it = std::get<0>(it->first) == r && std::get<1>(it->first) == key ? d_->values.erase(it) : std::next(it);
    return plat::kOk;
}

plat::SysError SimPlatform::subKeys(const plat::RegKey& k, std::vector<std::string>& names) {
    const int r = static_cast<int>(k.root);
    std::string key = d_->viewPath(k.root, k.view, k.path);
    if (!key.empty() && !d_->keys.count({r, key})) return plat::SysError(plat::err::FileNotFound);
    names.clear();
    for (const auto& k : d_->keys) {
        const std::string& path = k.first.second;
        if (k.first.first != r || path == key || !Impl::within(path, key)) continue;
        const std::size_t from = key.empty() ? 0 : key.size() + 1;
        if (path.find('\\', from) == std::string::npos) names.push_back(k.second);
    }
    return plat::kOk;
}

plat::SysError SimPlatform::valueNames(const plat::RegKey& k, std::vector<std::string>& names) {
    const int r = static_cast<int>(k.root);
    std::string key = d_->viewPath(k.root, k.view, k.path);
    if (!key.empty() && !d_->keys.count({r, key})) return plat::SysError(plat::err::FileNotFound);
    names.clear();
    for (const auto& v : d_->values)
        if (std::get<0>(v.first) == r && std::get<1>(v.first) == key) names.push_back(v.second.name);
    return plat::kOk;
}

std::optional<std::string> SimPlatform::registryText(plat::RootKey root, plat::RegView view,
                                                     const std::string& subKey, const std::string& name) const {
    auto it = d_->values.find({static_cast<int>(root), d_->viewPath(root, view, subKey),
                               detail::asciiUpper(*d_->cp, name)});
    if (it == d_->values.end() || it->second.type != kRegSz) return std::nullopt;
    return it->second.data;
}

std::optional<std::uint32_t> SimPlatform::registryDword(plat::RootKey root, plat::RegView view,
                                                        const std::string& subKey, const std::string& name) const {
    auto it = d_->values.find({static_cast<int>(root), d_->viewPath(root, view, subKey),
                               detail::asciiUpper(*d_->cp, name)});
    if (it == d_->values.end() || it->second.type != kRegDword) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(it->second.data[static_cast<std::size_t>(i)]);
    return v;
}

// ---------------------------------------------------------------- command line, folders, copies

namespace {
// A folder's path as compared: upper-cased, without a trailing separator.
}  // namespace

bool SimPlatform::Impl::within(const std::string& key, const std::string& top) {
    return top.empty() || key == top ||
           (key.size() > top.size() && key.compare(0, top.size(), top) == 0 && key[top.size()] == '\\');
}

std::string SimPlatform::Impl::keyPath(const std::string& subKey) const {
    std::string out, part;
    auto flush = [&] {
        if (part.empty()) return;
        if (!out.empty()) out += '\\';
        out += detail::asciiUpper(*cp, part);
        part.clear();
    };
    for (std::size_t i = 0; i < subKey.size();) {
        std::size_t n = cp->charLength(subKey, i);
        if (n == 1 && subKey[i] == '\\')
            flush();
        else
            part.append(subKey, i, n);
        i += n;
    }
    flush();
    return out;
}

void SimPlatform::denyWriteAccess(plat::RootKey root, const std::string& subKey) {
    d_->denied.push_back({static_cast<int>(root), d_->keyPath(subKey)});
}

void SimPlatform::removeRegistryKey(plat::RootKey root, const std::string& subKey) {
    std::string key = d_->keyPath(subKey);
    int r = static_cast<int>(root);
    for (auto it = d_->keys.begin(); it != d_->keys.end();)
        it = it->first.first == r && Impl::within(it->first.second, key) ? d_->keys.erase(it) : std::next(it);
    for (auto it = d_->values.begin(); it != d_->values.end();)
        it = std::get<0>(it->first) == r && Impl::within(std::get<1>(it->first), key) ? d_->values.erase(it)
                                                                                       : std::next(it);
}

void SimPlatform::setRegistryValue(plat::RootKey root, const std::string& subKey, const std::string& valueName) {
    std::string key = d_->keyPath(subKey);
    int r = static_cast<int>(root);
    d_->makeKey(r, key, subKey);
    d_->values[{r, key, detail::asciiUpper(*d_->cp, valueName)}] = {valueName, 1, ""};
}

}  // namespace sim
