// The shipped Simplified language file through the profile reader: the keys
// the installer reads come back as the GBK bytes of the source's values.
// This file is compiled to GBK bytes.
#include <cstring>
#include <string>

#include "tests/contract/Contract.h"
#include "tests/contract/LanguageCorpus.h"

namespace contract {
namespace {

const LanguageEntry* sourceEntry(const char* section, const char* key) {
    for (const LanguageEntry& e : simplifiedSource())
        if (std::strcmp(e.section, section) == 0 && std::strcmp(e.key, key) == 0) return &e;
    return nullptr;
}

TEST(LanguageCorpus, TheSourceIsTheSimplifiedOne) {
    // Guards the table below against a source that lost its keys.
    const LanguageEntry* name = sourceEntry("fontset", "name");
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name->value, "宋体");
}

class LanguageFileContract : public ContractTest {};

TEST_F(LanguageFileContract, TheShippedSimplifiedFileReadsAsItsSource) {
    const plat::Path file = at("简体中文.ini");
    env().writeFile(file, shippedSimplifiedFile());

    std::vector<std::pair<const char*, std::string>> keys = {
        {"fontset", "name"},        {"fontset", "Charset"},         {"fontset", "Size"},
        {"window1", "title"},       {"window2", "title"},           {"window3", "title"},
        {"window4", "title"},       {"window1", "Button3.Caption"}, {"window1", "Button5.Caption"},
        {"window2", "GroupBox1.Caption"}, {"window2", "Label2.Caption"}, {"window3", "Button1.Caption"},
    };
    for (int i = 0; i <= 17; ++i) keys.emplace_back("msgs", "msgs" + std::to_string(i));
    for (const char* named : {"LeftOut", "LeftOutMore", "VoiceAddOnFailed", "ExitCode"})
        keys.emplace_back("msgs", named);

    for (const auto& k : keys) {
        SCOPED_TRACE(std::string("[") + k.first + "] " + k.second);
        const LanguageEntry* expected = sourceEntry(k.first, k.second.c_str());
        ASSERT_NE(expected, nullptr) << "the source has the key";
        const std::string got = sys().profileString(file, k.first, k.second, "(missing)");
        EXPECT_EQ(got, expected->value) << "the converted file gives the source's text in GBK\n  got  " << quoted(got);
    }
}

}  // namespace
}  // namespace contract
