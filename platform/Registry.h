// The seam's registry slice: keys and values in a view, each key opened with
// only the rights the call needs and never created by a reading call.  A
// failing call returns false and leaves its code for Program::lastError():
// 2 for a missing key or value, 5 when refused (a user who may not write
// under HKEY_LOCAL_MACHINE).  Key and value names match without regard to
// case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

enum class RootKey { LocalMachine, CurrentUser };

// Where a registry key lies on 64-bit Windows: Wow32 is the view that a
// 32-bit program gets (KEY_WOW64_32KEY; HKLM\Software\X is then
// HKLM\Software\Wow6432Node\X of the other), Native the system's own
// (KEY_WOW64_64KEY), where its tools, RegEdit included, write.  On 32-bit
// Windows both are the one registry.
enum class RegView { Wow32, Native };

class Registry {
public:
    virtual ~Registry() = default;

    virtual bool keyExists(RootKey root, RegView view, const std::string& subKey) = 0;
    // Whether the value exists under the key, of whatever type.
    virtual bool valueExists(RootKey root, RegView view, const std::string& subKey, const std::string& name) = 0;
    // A REG_SZ or REG_EXPAND_SZ value as stored (not expanded), without its
    // terminating zero; another type fails with 13.
    virtual bool readString(RootKey root, RegView view, const std::string& subKey, const std::string& name,
                            std::string& value) = 0;
    // The names of a key's subkeys, and of its values ("" the default value).
    virtual bool subKeys(RootKey root, RegView view, const std::string& subKey, std::vector<std::string>& names) = 0;
    virtual bool valueNames(RootKey root, RegView view, const std::string& subKey,
                            std::vector<std::string>& names) = 0;

    // REG_SZ and REG_DWORD values; the key is created with its missing parents.
    virtual bool setString(RootKey root, RegView view, const std::string& subKey, const std::string& name,
                           const std::string& value) = 0;
    virtual bool setDword(RootKey root, RegView view, const std::string& subKey, const std::string& name,
                          std::uint32_t value) = 0;
    virtual bool deleteValue(RootKey root, RegView view, const std::string& subKey, const std::string& name) = 0;
    // Deletes a key that has no subkeys, with its values; a key with subkeys
    // is refused (5).
    virtual bool deleteKey(RootKey root, RegView view, const std::string& subKey) = 0;
};

// The registry slice in force (platform/Platform.h); throws std::logic_error while
// none is.
Registry& registry();

}  // namespace plat
