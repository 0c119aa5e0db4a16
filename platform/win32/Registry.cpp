// The registry slice: keys and values in a view, each key opened with only
// the rights the call needs.
#include <vector>

#include "platform/win32/Win32Platform.h"

namespace w32 {

namespace {

HKEY rootOf(plat::RootKey r) { return r == plat::RootKey::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

REGSAM viewOf(plat::RegView v) { return v == plat::RegView::Wow32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

// The registry functions return their code instead of setting the last error.
bool asLastError(LONG code) {
    SetLastError(static_cast<DWORD>(code));
    return code == ERROR_SUCCESS;
}

bool openKey(plat::RootKey root, plat::RegView view, const std::string& subKey, REGSAM rights, RegKey& key) {
    HKEY opened = nullptr;
    if (!asLastError(RegOpenKeyExA(rootOf(root), subKey.c_str(), 0, rights | viewOf(view), &opened))) return false;
    key.reset(opened);
    return true;
}

bool setValue(plat::RootKey root, plat::RegView view, const std::string& subKey, const std::string& name,
              DWORD type, const void* data, DWORD size) {
    HKEY created = nullptr;
    if (!asLastError(RegCreateKeyExA(rootOf(root), subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | viewOf(view), nullptr,
                              &created, nullptr)))
        return false;
    RegKey key(created);
    return asLastError(RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size));
}

// Names of a key's subkeys or values; the longest name comes from the key itself.
bool names(plat::RootKey root, plat::RegView view, const std::string& subKey, bool values,
           std::vector<std::string>& out) {
    RegKey key;
    if (!openKey(root, view, subKey, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, key)) return false;
    DWORD subKeys = 0, longestKey = 0, valueCount = 0, longestValue = 0;
    if (!asLastError(RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, &longestKey, nullptr, &valueCount,
                               &longestValue, nullptr, nullptr, nullptr)))
        return false;
    out.clear();
    const DWORD count = values ? valueCount : subKeys;
    std::vector<char> buffer((values ? longestValue : longestKey) + 2);
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(buffer.size());
        LONG r = values ? RegEnumValueA(key.get(), i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr)
                        : RegEnumKeyExA(key.get(), i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;  // removed meanwhile
        if (!asLastError(r)) return false;
        out.emplace_back(buffer.data(), length);
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

}  // namespace

bool Win32Platform::keyExists(plat::RootKey root, plat::RegView view, const std::string& subKey) {
    RegKey key;
    return openKey(root, view, subKey, KEY_QUERY_VALUE, key);
}

bool Win32Platform::valueExists(plat::RootKey root, plat::RegView view, const std::string& subKey,
                                const std::string& name) {
    RegKey key;
    if (!openKey(root, view, subKey, KEY_QUERY_VALUE, key)) return false;
    return asLastError(RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr));
}

bool Win32Platform::setString(plat::RootKey root, plat::RegView view, const std::string& subKey,
                                      const std::string& name, const std::string& value) {
    return setValue(root, view, subKey, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool Win32Platform::setDword(plat::RootKey root, plat::RegView view, const std::string& subKey,
                                     const std::string& name, std::uint32_t value) {
    const DWORD data = value;
    return setValue(root, view, subKey, name, REG_DWORD, &data, sizeof data);
}

bool Win32Platform::readString(plat::RootKey root, plat::RegView view, const std::string& subKey,
                                   const std::string& name, std::string& value) {
    RegKey key;
    if (!openKey(root, view, subKey, KEY_QUERY_VALUE, key)) return false;
    DWORD type = 0, size = 0;
    if (!asLastError(RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size))) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return asLastError(ERROR_INVALID_DATA);
    std::vector<char> data(size + 1);
    if (!asLastError(RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                               &size)))
        return false;
    // A value stored without its terminating zero has none to cut.
    value.assign(data.data(), size);
    if (!value.empty() && value.back() == '\0') value.pop_back();
    return true;
}

bool Win32Platform::deleteValue(plat::RootKey root, plat::RegView view, const std::string& subKey,
                                        const std::string& name) {
    RegKey key;
    if (!openKey(root, view, subKey, KEY_SET_VALUE, key)) return false;
    return asLastError(RegDeleteValueA(key.get(), name.c_str()));
}

bool Win32Platform::deleteKey(plat::RootKey root, plat::RegView view, const std::string& subKey) {
    // An empty name would be the root itself.
    if (subKey.empty()) return asLastError(ERROR_ACCESS_DENIED);
    return asLastError(RegDeleteKeyExA(rootOf(root), subKey.c_str(), viewOf(view), 0));
}

bool Win32Platform::subKeys(plat::RootKey root, plat::RegView view, const std::string& subKey,
                                    std::vector<std::string>& out) {
    return names(root, view, subKey, false, out);
}

bool Win32Platform::valueNames(plat::RootKey root, plat::RegView view, const std::string& subKey,
                                       std::vector<std::string>& out) {
    return names(root, view, subKey, true, out);
}

}  // namespace w32
