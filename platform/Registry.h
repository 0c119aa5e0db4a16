// The seam's registry slice: keys and values in a view, each key opened with
// only the rights the call needs and never created by a reading call.  A
// call returns its SysError: 2 for a missing key or value, 5 when refused (a
// user who may not write under HKEY_LOCAL_MACHINE).  Key and value names
// match without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/SysError.h"

namespace plat {

enum class RootKey { LocalMachine, CurrentUser };

// Where a registry key lies on 64-bit Windows: Wow32 is the view that a
// 32-bit program gets (KEY_WOW64_32KEY; HKLM\Software\X is then
// HKLM\Software\Wow6432Node\X of the other), Native the system's own
// (KEY_WOW64_64KEY), where its tools, RegEdit included, write.  On 32-bit
// Windows both are the one registry.  Every call names its view, so that the
// 32-bit program and its 64-bit build write to the same keys.
enum class RegView { Wow32, Native };

// A key: its root, its view and its path below the root.
struct RegKey {
    RootKey root;
    RegView view;
    std::string path;

    // The subkey of that name (or path).
    RegKey operator/(const std::string& name) const { return {root, view, path + "\\" + name}; }
    // "HKEY_LOCAL_MACHINE\<path>", as a log or a report names it.
    std::string text() const;
};

class Registry {
public:
    virtual ~Registry() = default;

    virtual bool keyExists(const RegKey& key) = 0;
    // Whether the value exists under the key, of whatever type.
    virtual bool valueExists(const RegKey& key, const std::string& name) = 0;
    // A REG_SZ or REG_EXPAND_SZ value as stored (not expanded), without its
    // terminating zero; another type fails with 13.
    virtual SysError readString(const RegKey& key, const std::string& name, std::string& value) = 0;
    // The names of a key's subkeys, and of its values ("" the default value).
    virtual SysError subKeys(const RegKey& key, std::vector<std::string>& names) = 0;
    virtual SysError valueNames(const RegKey& key, std::vector<std::string>& names) = 0;

    // REG_SZ and REG_DWORD values; the key is created with its missing parents.
    virtual SysError setString(const RegKey& key, const std::string& name, const std::string& value) = 0;
    virtual SysError setDword(const RegKey& key, const std::string& name, std::uint32_t value) = 0;
    virtual SysError deleteValue(const RegKey& key, const std::string& name) = 0;
    // Deletes a key that has no subkeys, with its values; a key with subkeys
    // is refused (5).
    virtual SysError deleteKey(const RegKey& key) = 0;
};

// The registry slice in force (platform/Platform.h); throws std::logic_error while
// none is.
Registry& registry();

}  // namespace plat
