#include <gtest/gtest.h>

#include <functional>
#include <iconv.h>

#include <fstream>
#include <map>
#include <set>

#include "platform/Desktop.h"
#include "shell/Face.h"
#include "shell/MessageTable.h"
#include "tests/support/SimTest.h"

namespace {

// The built-in texts as the user reads them; the table must hold their GBK bytes.
const char* const kExpected[] = {
    "您要安装《Lunavire》声音认识补丁吗？", "提示", "声音认识安装完成！",
    "没有找到原版《Lunavire》安装光盘！", "请确认您使用的是正版的《Lunavire》！",
    "请插入《Lunavire》安装CD-2！", "更换光盘", "安装没有完成！", "警告",
    "没有找到文件！要手动查找文件所在吗？", "错误", "请插入《Lunavire》安装CD-3！",
    "恭喜，安装已经完成！", "您所选择的安装路径有误！或选择了一个只读介质！", "\\Lunavire",
    "请选择《Lunavire》游戏目录", "没有发现《Lunavire》游戏文件！",
    "汉化补丁安装成功！请运行KESTAL.EXE开始游戏！",
};

std::string toGbk(const std::string& utf8) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    std::string in = utf8, out(utf8.size() * 2, '\0');
    char* ip = in.data();
    char* op = out.data();
    std::size_t il = in.size(), ol = out.size();
    EXPECT_NE(iconv(cd, &ip, &il, &op, &ol), static_cast<std::size_t>(-1)) << utf8;
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
}

TEST(MessageTable, HoldsTheEighteenBuiltInGbkTexts) {
    shell::MessageTable t;
    ASSERT_EQ(t.count(), 18);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(t.get(i), toGbk(kExpected[i])) << "entry " << i;
    // Spot check of the raw bytes: entry 1 is "提示".
    EXPECT_EQ(t.get(1), "\xCC\xE1\xCA\xBE");
}

TEST(MessageTable, PutReplacesInPlaceAndIndicesOutsideTheTableAreRefused) {
    shell::MessageTable t;
    t.put(14, "\\Game");
    EXPECT_EQ(t.get(14), "\\Game");
    EXPECT_EQ(t.count(), 18);
    EXPECT_THROW(t.get(18), std::out_of_range);
    EXPECT_THROW(t.put(-1, ""), std::out_of_range);
}

TEST(MessageTable, NamedTextsHaveGbkDefaultsAndACountPlaceholder) {
    struct Row {
        shell::Text text;
        const char* key;
        const char* builtIn;
    } rows[] = {
        {shell::Text::FilesLeftOut, "LeftOut", "安装没有完成！以下文件没有安装："},
        {shell::Text::MoreFilesLeftOut, "LeftOutMore", "……还有 %d 个文件没有安装。"},
        {shell::Text::VoiceAddOnFailed, "VoiceAddOnFailed", "声音认识补丁没有安装完成！"},
        {shell::Text::ExitCode, "ExitCode", "程序结束时返回了错误代码 %d。"},
        {shell::Text::NoRoom, "NoRoom",
         "安装文件夹所在的磁盘 %1 空间不足：只有 %2 MB 可用，光盘 %3 还需要 %4 MB。请释放磁盘空间后按“重试”，或按“取消”放弃安装。"},
    };
    shell::MessageTable t;
    for (const Row& r : rows) {
        EXPECT_STREQ(shell::MessageTable::key(r.text), r.key);
        EXPECT_EQ(t.get(r.text), toGbk(r.builtIn)) << r.key;
    }
    struct Format {
        const char* text;
        std::size_t n;
        const char* shown;
    } formats[] = {
        {"%d more", 21, "21 more"},
        {"no number", 3, "no number"},
        {"%d and %d", 1, "1 and %d"},
        {"", 5, ""},
    };
    for (const Format& f : formats) EXPECT_EQ(shell::formatCount(f.text, f.n), f.shown) << f.text;
    struct Positional {
        const char* text;
        const char* shown;
    } positional[] = {
        {"drive %1: %2 MB free, disc %3 needs %4 MB", "drive C:: 7 MB free, disc 2 needs 90 MB"},
        {"%4 MB for disc %3 (%1 has %2)", "90 MB for disc 2 (C: has 7)"},
        {"%5 and %0 and 100%", "%5 and %0 and 100%"},
        {"%1%1%", "C:C:%"},
    };
    for (const Positional& f : positional)
        EXPECT_EQ(shell::formatText(f.text, {"C:", "7", "2", "90"}), f.shown) << "values in any order: " << f.text;
}

// The shipped language files as their sources hold them: "key=value" lines in UTF-8.
std::map<std::string, std::string> shippedTexts(const char* file) {
    std::ifstream in(std::string(LUNAVIRE_SOURCE_DIR) + "/assets/lang/" + file);
    EXPECT_TRUE(in) << file;
    std::map<std::string, std::string> texts;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && line[0] != ';') texts[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return texts;
}

TEST(MessageTable, EveryNamedTextIsInTheShippedFilesAndTheSimplifiedOneIsTheBuiltInText) {
    const auto simplified = shippedTexts("zh-Hans.ini"), traditional = shippedTexts("zh-Hant.ini"),
               english = shippedTexts("English.ini");
    std::set<std::string> keys;
    for (int i = 0; i < shell::MessageTable::kTextCount; ++i) {
        const auto t = static_cast<shell::Text>(i);
        const std::string key = shell::MessageTable::key(t);
        SCOPED_TRACE(key);
        EXPECT_TRUE(keys.insert(key).second) << "a key names one text";
        ASSERT_TRUE(simplified.count(key)) << "zh-Hans.ini has it";
        EXPECT_EQ(toGbk(simplified.at(key)), shell::MessageTable::builtIn(t))
            << "the built-in text is the Simplified file's, so a file without it reads the same";
        EXPECT_TRUE(traditional.count(key)) << "zh-Hant.ini has it";
        EXPECT_TRUE(english.count(key)) << "English.ini has it";
    }
}

class ShowMessage : public simtest::SimTest {};

TEST_F(ShowMessage, EachNoticeAndQuestionPassesItsExactStyle) {
    using shell::Question;
    struct Row {
        std::function<plat::Answer()> show;
        std::uint32_t style;
        plat::Answer answer;
    } rows[] = {
        {[] { return shell::showMessage("t", "c", shell::MsgKind::Information); }, 0x40040, plat::Answer::Ok},
        {[] { return shell::showMessage("t", "c", shell::MsgKind::QuestionNotice); }, 0x40020, plat::Answer::Ok},
        {[] { return shell::showMessage("t", "c", shell::MsgKind::Stop); }, 0x40010, plat::Answer::Ok},
        {[] { return shell::showMessage("t", "c", shell::MsgKind::Warning); }, 0x40030, plat::Answer::Ok},
        {[] { return shell::showMessage("t", "c", shell::MsgKind::Plain); }, 0x40000, plat::Answer::Ok},
        {[] { return shell::ask(Question::DiscWanted, "t", "c", 2); }, 0x40025, plat::Answer::Retry},
        {[] { return shell::ask(Question::LocateDisc, "t", "c", 2); }, 0x40011, plat::Answer::Ok},
        {[] { return shell::ask(Question::TooLittleRoom, "t", "c", 1); }, 0x40035, plat::Answer::Retry},
        {[] { return shell::ask(Question::CopyFailed, "t", "c"); }, 0x40012, plat::Answer::Ignore},
        {[] { return shell::ask(Question::RemovalFailed, "t", "c"); }, 0x40012, plat::Answer::Abort},
        {[] { return shell::ask(Question::RemoveSaves, "t", "c"); }, 0x40023, plat::Answer::No},
        {[] { return shell::ask(Question::ConfirmVoiceAddOn, "t", "c"); }, 0x40021, plat::Answer::Cancel},
    };
    for (const auto& r : rows) s.answerBoxes({r.answer});
    for (const auto& r : rows) EXPECT_EQ(r.show(), r.answer);
    ASSERT_EQ(s.boxes().size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(s.boxes()[i].style, rows[i].style) << "row " << i;
        EXPECT_EQ(s.boxes()[i].style & 0x40000u, 0x40000u) << "every box is topmost";
    }
}

}  // namespace
