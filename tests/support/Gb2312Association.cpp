#include "tests/support/Gb2312Association.h"

#include <gtest/gtest.h>

#include "tests/e2e/robot/Robot.h"

namespace e2e {

namespace {
const char kKey[] = "System\\CurrentControlSet\\Control\\FontAssoc\\Associated Charset";
const char kValue[] = "GB2312(86)";
}  // namespace

Gb2312Association::Gb2312Association() : had_(present()) {}

Gb2312Association::Gb2312Association(bool on) : had_(present()) { set(on); }

Gb2312Association::~Gb2312Association() {
    try {
        set(had_);
    } catch (const robot::Failure& f) {
        ADD_FAILURE() << f.what();
    }
}

bool Gb2312Association::present() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    bool found = RegQueryValueExA(key, kValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

void Gb2312Association::set(bool on) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        throw robot::Failure("cannot open the font association key");
    if (on)
        RegSetValueExA(key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>("YES"), 4);
    else
        RegDeleteValueA(key, kValue);
    RegCloseKey(key);
    if (present() != on) throw robot::Failure("cannot change the font association");
}

}  // namespace e2e
