// The shipped Simplified language file, as the build converted it to GBK, and
// the values of its UTF-8 source converted by the compiler (iconv) to GBK:
// what the profile reader must return for each key.
#pragma once

#include <string>
#include <vector>

namespace contract {

struct LanguageEntry {
    const char* section;
    const char* key;
    const char* value;  // GBK
};

// The bytes of the build's 简体中文.ini.
const std::string& shippedSimplifiedFile();
// Every key=value line of assets/lang/zh-Hans.ini, in file order.
const std::vector<LanguageEntry>& simplifiedSource();

}  // namespace contract
