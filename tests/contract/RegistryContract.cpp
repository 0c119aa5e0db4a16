// Does a value exist under a key?  Test keys live under HKEY_CURRENT_USER,
// where the environment may write, and which both views share; the key is
// never created by asking.
#include <string>

#include "platform/Registry.h"
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
    using plat::RegView;
    using plat::RootKey;
    struct Row {
        const char* key;
        const char* value;
        RegView view;
        bool exists;
        const char* rule;
    } rows[] = {
        {kKey, "GB2312(86)", RegView::Wow32, true, "a value under its key exists (32-bit view)"},
        {kKey, "GB2312(86)", RegView::Native, true, "a value under its key exists (native view)"},
        {"software\\lunavirecontract\\ASSOCIATED CHARSET", "gb2312(86)", RegView::Wow32, true,
         "key and value names match without regard to case"},
        {kKey, "GB2312(80)", RegView::Wow32, false, "a missing value is absent"},
        {kRoot, "GB2312(86)", RegView::Wow32, false, "a value of a subkey is not the parent's"},
        {"Software\\LunavireContract\\Missing", "GB2312(86)", RegView::Wow32, false, "a missing key counts as absent"},
        {"Software\\LunavireContract\\Missing", "GB2312(86)", RegView::Native, false,
         "a missing key counts as absent in either view"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.key) + " / " + r.value);
        EXPECT_EQ(sys().valueExists({RootKey::CurrentUser, r.view, r.key}, r.value), r.exists) << r.rule;
    }
    EXPECT_FALSE(sys().valueExists({RootKey::LocalMachine, RegView::Wow32, kKey}, "GB2312(86)"))
        << "a key under the current user is not one under the local machine";
}

}  // namespace
}  // namespace contract
