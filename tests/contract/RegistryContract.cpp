// The one registry question the installer asks: does a value exist under a
// key?  Test keys live under HKEY_CURRENT_USER, where the environment may
// write; the key is opened with the access mask given and never created.
#include <string>

#include "tests/contract/Contract.h"

namespace contract {
namespace {

const char* const kRoot = "Software\\LunavireContract";
const char* const kKey = "Software\\LunavireContract\\Associated CharSet";

class RegistryContract : public ContractTest {
protected:
    void SetUp() override {
        ContractTest::SetUp();
        if (HasFatalFailure()) return;
        env().deleteRegistryKey(kRoot);  // left over from an aborted run
        env().setRegistryValue(kKey, "GB2312(86)");
    }
    void TearDown() override {
        env().deleteRegistryKey(kRoot);
        ContractTest::TearDown();
    }
};

TEST_F(RegistryContract, ValueExistsUnderItsKeyOnly) {
    using plat::RootKey;
    namespace access = plat::access;
    constexpr std::uint32_t kWrite = 0x20006;  // KEY_WRITE: no right to query values
    struct Row {
        const char* key;
        const char* value;
        std::uint32_t access;
        bool exists;
        const char* rule;
    } rows[] = {
        {kKey, "GB2312(86)", access::AllAccess, true, "a value under its key exists (full access)"},
        {kKey, "GB2312(86)", access::Read, true, "a value under its key exists (read access)"},
        {"software\\lunavirecontract\\ASSOCIATED CHARSET", "gb2312(86)", access::AllAccess, true,
         "key and value names match without regard to case"},
        {kKey, "GB2312(80)", access::AllAccess, false, "a missing value is absent"},
        {kRoot, "GB2312(86)", access::AllAccess, false, "a value of a subkey is not the parent's"},
        {"Software\\LunavireContract\\Missing", "GB2312(86)", access::AllAccess, false,
         "a missing key counts as absent"},
        {"Software\\LunavireContract\\Missing", "GB2312(86)", access::Read, false,
         "a missing key counts as absent with any access"},
        {kKey, "GB2312(86)", kWrite, false,
         "the access mask is the one asked for: a key opened without the right to query hides its values"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.key) + " / " + r.value);
        EXPECT_EQ(sys().registryValueExists(RootKey::CurrentUser, r.key, r.value, r.access), r.exists) << r.rule;
    }
    EXPECT_FALSE(sys().registryValueExists(RootKey::LocalMachine, kKey, "GB2312(86)", access::AllAccess))
        << "a key under the current user is not one under the local machine";
}

}  // namespace
}  // namespace contract
