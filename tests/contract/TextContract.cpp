// The system's code page and its error texts.  This file is compiled to GBK
// bytes: the expected texts are those of a Simplified Chinese system.
#include <string>

#include "platform/Program.h"
#include "tests/contract/Contract.h"

namespace contract {
namespace {

class TextContract : public ContractTest {};

TEST_F(TextContract, TheCodePageIsGbk) {
    // Under Wine the code page follows the locale, and falls back to 1252
    // without a word when zh_CN.UTF-8 is missing.
    ASSERT_EQ(sys().ansiCodePage(), 936u) << "the installer's texts are GBK: the system must be too";
    struct Row {
        unsigned char byte;
        bool lead;
    } rows[] = {
        {0x00, false}, {'A', false}, {0x5C, false}, {0x7F, false}, {0x80, false},
        {0x81, true},  {0xA1, true}, {0xB0, true},  {0xD6, true},  {0xFE, true},  {0xFF, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(sys().isDbcsLeadByte(r.byte), r.lead) << "byte 0x" << std::hex << int(r.byte)
                                                        << ": GBK lead bytes are 0x81 to 0xFE";
    }
}

TEST_F(TextContract, ErrorTextsAreTheSystemsWithTheirLineBreak) {
    ASSERT_EQ(sys().ansiCodePage(), 936u);
    // What Wine's Simplified Chinese message table says, in GBK, with the
    // line break that ends every system text.
    struct Row {
        std::uint32_t code;
        const char* text;
    } rows[] = {
        {plat::err::FileNotFound, "找不到文件。\r\n"},
        {plat::err::PathNotFound, "找不到路径。\r\n"},
        {plat::err::AccessDenied, "访问被拒绝。\r\n"},
        {plat::err::SharingViolation, "共享冲突。\r\n"},
        {plat::err::FileExists, "文件已存在。\r\n"},
        {plat::err::DiskFull, "磁盘满。\r\n"},
        {0x2FFFFFFF, ""},  // no text for an unknown code
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        const std::string text = sys().errorText(r.code);
        EXPECT_EQ(text, r.text) << "got " << quoted(text) << ", want " << quoted(r.text);
    }
}

}  // namespace
}  // namespace contract
