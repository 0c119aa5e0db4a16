// Reading language files: the system's profile-string reader on a corpus of
// awkward INI files (corpus/*.ini).  The expected values are what Wine's
// reader returns.  This file is compiled to GBK bytes.
#include <string>

#include "tests/contract/Contract.h"
#include "tests/contract/Corpus.h"

namespace contract {
namespace {

class ProfileContract : public ContractTest {
protected:
    void SetUp() override {
        ContractTest::SetUp();
        if (HasFatalFailure()) return;
        for (const CorpusFile& f : corpus()) {
            env().writeFile(at(f.name), f.bytes);
            // The Simplified language file goes by its Chinese name.
            if (f.name == "gbk.ini") env().writeFile(at("简体中文.ini"), f.bytes);
        }
    }
};

std::string digits(std::size_t n) {
    std::string s;
    while (s.size() < n) s += "0123456789";
    return s.substr(0, n);
}

std::string gbkCut() {
    std::string s;
    for (int i = 0; i < 1000; ++i) s += "中";
    return (s + std::string(100, 'x')).substr(0, 2047);
}

struct Row {
    const char* file;
    std::string section, key, def, expected;
    const char* rule;
};

TEST_F(ProfileContract, CorpusReadsAsWindowsReadsIt) {
    ASSERT_EQ(corpus().size(), 6u) << "every corpus file is built in";
    const Row rows[] = {
        // layout.ini: CRLF, comments, blanks, quotes
        {"layout.ini", "fontset", "name", "def", "SimSun", "a plain value"},
        {"layout.ini", "FONTSET", "NAME", "def", "SimSun", "section and key names match without regard to case"},
        {"LAYOUT.INI", "fontset", "name", "def", "SimSun", "file names match without regard to case"},
        {"layout.ini", "fontset", "Charset", "def", "134", "blanks around '=' and after the value are dropped"},
        {"layout.ini", "fontset", "Size", "def", "9", "tabs are blanks; a commented-out line sets nothing"},
        {"layout.ini", "fontset", "hidden", "def", "def", "a line that starts with ';' is a comment"},
        {"layout.ini", "fontset", "orphan", "def", "def", "a key above the first section is in no section"},
        {"layout.ini", "window1", "title", "def", "Quoted title",
         "blanks inside a section's brackets are dropped; one pair of double quotes goes"},
        {"layout.ini", "window1", "single", "def", "single quoted", "as does one pair of single quotes"},
        {"layout.ini", "window1", "openquote", "def", "\"only opening", "an unmatched quote stays"},
        {"layout.ini", "window1", "inner", "def", "a \"b\" c", "quotes inside the value stay"},
        {"layout.ini", "window1", "quotedblanks", "def", " padded ", "blanks inside the quotes stay"},
        {"layout.ini", "window1", "empty", "def", "", "an empty value is a value, not the default"},
        {"layout.ini", "window1", "blanks", "def", "", "a value of blanks is empty"},
        {"layout.ini", "window1", "Button3.Caption", "def", "Install ; not a comment",
         "a ';' after the '=' is part of the value"},
        {"layout.ini", "window1", "no equals sign here", "def", "def", "a line without '=' gives no value"},
        {"layout.ini", "window1", "spaced key name", "def", "x y", "blanks inside a key name or value stay"},
        {"layout.ini", "window1", "mixedcase", "def", "found", "key names match without regard to case"},
        {"layout.ini", "window1", "missing", "def", "def", "a missing key gives the default"},
        {"layout.ini", "window1", "missing", "trailing blanks   ", "trailing blanks",
         "the default loses its trailing blanks"},
        {"layout.ini", "window1", "missing", "  leading", "  leading", "but keeps its leading ones"},
        {"layout.ini", "window1", "missing", "", "", "an empty default gives an empty string"},
        {"layout.ini", "nosection", "name", "def", "def", "a missing section gives the default"},
        {"missing.ini", "fontset", "name", "def", "def", "a missing file gives the default"},
        {"missing\\missing.ini", "fontset", "name", "def", "def", "so does a file in a missing folder"},
        {"empty.ini", "fontset", "name", "def", "def", "an empty file gives the default"},
        // duplicates.ini: LF line ends
        {"duplicates.ini", "a", "k", "def", "first", "of two equal keys the first wins"},
        {"duplicates.ini", "A", "k", "def", "first", "the first section of a name is the one read"},
        {"duplicates.ini", "a", "onlyfirst", "def", "one", "keys of the first section are found"},
        {"duplicates.ini", "a", "onlysecond", "def", "def",
         "keys of a repeated section are not: only the first section of a name counts"},
        {"duplicates.ini", "b", "x", "def", "1", "LF line ends split lines"},
        // no-final-newline.ini
        {"no-final-newline.ini", "s", "first", "def", "1", "CRLF line ends split lines"},
        {"no-final-newline.ini", "s", "last", "def", "tail", "the last line needs no line end"},
        // long-values.ini: values of up to 3000 bytes
        {"long-values.ini", "long", "v2046", "def", digits(2046), "values up to 2047 bytes are whole"},
        {"long-values.ini", "long", "v2047", "def", digits(2047), "values up to 2047 bytes are whole"},
        {"long-values.ini", "long", "v2048", "def", digits(2047), "longer values are cut to 2047 bytes"},
        {"long-values.ini", "long", "v3000", "def", digits(2047), "longer values are cut to 2047 bytes"},
        {"long-values.ini", "long", "gbkcut", "def", gbkCut(), "the cut counts bytes, not characters"},
        {"long-values.ini", "long", "after", "def", "ok", "a long line does not swallow the next"},
        // gbk.ini: a language file in GBK
        {"gbk.ini", "fontset", "name", "def", "宋体", "GBK values come back as GBK bytes"},
        {"gbk.ini", "window1", "title", "def", "Lunavire 中文安装程序", "GBK values come back as GBK bytes"},
        {"gbk.ini", "window1", "按钮.Caption", "def", "确定", "GBK key names"},
        {"gbk.ini", "window1", "按钮.CAPTION", "def", "确定", "ASCII case is folded beside GBK characters"},
        {"gbk.ini", "window1", "\x81" "a", "def", "trail a", "a GBK trail byte 'a' is not case-folded"},
        {"gbk.ini", "window1", "\x81" "A", "def", "trail A", "a GBK trail byte 'A' is not case-folded"},
        {"gbk.ini", "window1", "path", "def", "C:\\\x81\x5C\\x", "trail bytes 0x5C stay in the value"},
        {"gbk.ini", "中文", "键", "def", "值", "GBK section names"},
        {"gbk.ini", "\xB0]", "key", "def", "section name with trail byte ]",
         "a trail byte ']' does not end a section name"},
        {"gbk.ini", "msgs", "msgs12", "def", "安装完成", "the message keys"},
        {"gbk.ini", "msgs", "msgs1", "默认", "默认", "a GBK default comes back as given"},
        {"简体中文.ini", "fontset", "name", "def", "宋体", "a file with a GBK name"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.file) + " [" + r.section + "] " + r.key);
        const std::string got = sys().profileString(at(r.file), r.section, r.key, r.def);
        EXPECT_EQ(got, r.expected) << r.rule << "\n  got  " << quoted(got.substr(0, 80))
                                   << (got.size() > 80 ? "..." : "") << " (" << got.size() << " bytes)";
    }
}

TEST_F(ProfileContract, AFileIsReadAfreshAfterItChanges) {
    // Wine keeps recently read files in a cache: a language file edited
    // between two applies must still be read as it now is.
    env().writeFile(at("edited.ini"), "[window1]\r\ntitle=before\r\n");
    EXPECT_EQ(sys().profileString(at("edited.ini"), "window1", "title", "def"), "before");
    env().writeFile(at("edited.ini"), "[window1]\r\ntitle=after the edit\r\n");
    EXPECT_EQ(sys().profileString(at("edited.ini"), "window1", "title", "def"), "after the edit")
        << "the reader sees the file as it is now";
}

}  // namespace
}  // namespace contract
