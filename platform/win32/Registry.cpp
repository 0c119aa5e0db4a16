// The registry slice: keys and values in a view, each key opened with only
// the rights the call needs.
#include <vector>

#include "platform/win32/Win32Platform.h"

namespace w32 {

namespace {

HKEY rootOf(plat::RootKey r) { return r == plat::RootKey::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

REGSAM viewOf(plat::RegView v) { return v == plat::RegView::Wow32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

// The registry functions return their code instead of setting the last error.
plat::SysError fromCode(LONG code) { return plat::SysError(static_cast<std::uint32_t>(code)); }

plat::SysError openKey(const plat::RegKey& k, REGSAM rights, RegKey& key) {
    HKEY opened = nullptr;
    const plat::SysError e =
        fromCode(RegOpenKeyExA(rootOf(k.root), k.path.c_str(), 0, rights | viewOf(k.view), &opened));
    if (e.ok()) key.reset(opened);
    return e;
}

plat::SysError setValue(const plat::RegKey& k, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY created = nullptr;
    const plat::SysError e = fromCode(RegCreateKeyExA(rootOf(k.root), k.path.c_str(), 0, nullptr, 0,
                                                      KEY_SET_VALUE | viewOf(k.view), nullptr, &created, nullptr));
    if (e.failed()) return e;
    RegKey key(created);
    return fromCode(RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size));
}

// Names of a key's subkeys or values; the longest name comes from the key itself.
plat::SysError names(const plat::RegKey& k, bool values, std::vector<std::string>& out) {
    RegKey key;
    if (const plat::SysError e = openKey(k, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, key); e.failed()) return e;
    DWORD subKeys = 0, longestKey = 0, valueCount = 0, longestValue = 0;
    if (const plat::SysError e = fromCode(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, &longestKey,
                                                           nullptr, &valueCount, &longestValue, nullptr, nullptr,
                                                           nullptr));
        e.failed())
        return e;
    out.clear();
    const DWORD count = values ? valueCount : subKeys;
    std::vector<char> buffer((values ? longestValue : longestKey) + 2);
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(buffer.size());
        LONG r = values ? RegEnumValueA(key.get(), i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr)
                        : RegEnumKeyExA(key.get(), i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;  // removed meanwhile
        if (r != ERROR_SUCCESS) return fromCode(r);
        out.emplace_back(buffer.data(), length);
    }
    return plat::kOk;
}

}  // namespace

bool Win32Platform::keyExists(const plat::RegKey& k) {
    RegKey key;
    return openKey(k, KEY_QUERY_VALUE, key).ok();
}

bool Win32Platform::valueExists(const plat::RegKey& k, const std::string& name) {
    RegKey key;
    if (openKey(k, KEY_QUERY_VALUE, key).failed()) return false;
    return RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

plat::SysError Win32Platform::setString(const plat::RegKey& key, const std::string& name, const std::string& value) {
    return setValue(key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

plat::SysError Win32Platform::setDword(const plat::RegKey& key, const std::string& name, std::uint32_t value) {
    const DWORD data = value;
    return setValue(key, name, REG_DWORD, &data, sizeof data);
}

plat::SysError Win32Platform::readString(const plat::RegKey& k, const std::string& name, std::string& value) {
    RegKey key;
    if (const plat::SysError e = openKey(k, KEY_QUERY_VALUE, key); e.failed()) return e;
    DWORD type = 0, size = 0;
    if (const plat::SysError e = fromCode(RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size));
        e.failed())
        return e;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return plat::SysError(ERROR_INVALID_DATA);
    std::vector<char> data(size + 1);
    if (const plat::SysError e = fromCode(RegQueryValueExA(key.get(), name.c_str(), nullptr, &type,
                                                           reinterpret_cast<BYTE*>(data.data()), &size));
        e.failed())
        return e;
    // A value stored without its terminating zero has none to cut.
    value.assign(data.data(), size);
    if (!value.empty() && value.back() == '\0') value.pop_back();
    return plat::kOk;
}

plat::SysError Win32Platform::deleteValue(const plat::RegKey& k, const std::string& name) {
    RegKey key;
    if (const plat::SysError e = openKey(k, KEY_SET_VALUE, key); e.failed()) return e;
    return fromCode(RegDeleteValueA(key.get(), name.c_str()));
}

plat::SysError Win32Platform::deleteKey(const plat::RegKey& k) {
    // An empty name would be the root itself.
    if (k.path.empty()) return plat::SysError(ERROR_ACCESS_DENIED);
    return fromCode(RegDeleteKeyExA(rootOf(k.root), k.path.c_str(), viewOf(k.view), 0));
}

plat::SysError Win32Platform::subKeys(const plat::RegKey& key, std::vector<std::string>& out) {
    return names(key, false, out);
}

plat::SysError Win32Platform::valueNames(const plat::RegKey& key, std::vector<std::string>& out) {
    return names(key, true, out);
}

}  // namespace w32
