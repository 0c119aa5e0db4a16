// Profile strings read as Wine's GetPrivateProfileStringA reads them (each
// row was checked against Wine 8 in zh_CN), the registry and own resources.
#include "platform/Registry.h"
#include "tests/support/SimTest.h"

namespace simtest {
namespace {

using SimProfile = SimTest;

TEST_F(SimProfile, ValuesFollowWinesReadingRules) {
    s.writeFile("C:\\a.ini",
                "top=before\r\n; comment\r\n[Sec]\r\nkey=value\r\n Key2 =  spaced value  \r\nquoted=\"q v\"\r\n"
                "squoted='s v'\r\nmixed=\"x'\r\nqq=\"\"\r\nempty=\r\nnoequals\r\ndup=first\r\ndup=second\r\n"
                "inline=v ; c\r\n;k=commented\r\ntab\t=\tt\t\r\na=b=c\r\nshadow\r\nshadow=v\r\n"
                "[sec]\r\nother=o\r\n[ Spaced ]\r\nk=v\r\n[Unclosed\r\nu=1\r\n[A]B]\r\nab=1\r\n[Last]\r\nlast=nonl");
    struct Row {
        const char *section, *key, *def, *expected, *rule;
    } rows[] = {
        {"SEC", "KEY", "D", "value", "section and key names fold case"},
        {" Sec ", " key2\t", "D", "spaced value", "blanks around names and values are trimmed"},
        {"Sec", "quoted", "D", "q v", "matching double quotes go"},
        {"Sec", "squoted", "D", "s v", "matching single quotes go"},
        {"Sec", "mixed", "D", "\"x'", "mismatched quotes stay"},
        {"Sec", "qq", "D", "", "an empty quoted value is empty, not the default"},
        {"Sec", "empty", "D", "", "an empty value is empty, not the default"},
        {"Sec", "noequals", "D", "D", "a line without '=' has no value"},
        {"Sec", "shadow", "D", "D", "and hides a later line of that key"},
        {"Sec", "dup", "D", "first", "the first of a key wins"},
        {"sec", "other", "D", "D", "only the first section of a name is searched"},
        {"Sec", "inline", "D", "v ; c", "no comments after a value"},
        {"Sec", ";k", "D", "commented", "a ';' line is just a key nobody asks for"},
        {"Sec", "k", "D", "D", "and does not define the key after the ';'"},
        {"Sec", "tab", "D", "t", "tabs are blanks"},
        {"Sec", "a", "D", "b=c", "the first '=' splits"},
        {"", "top", "D", "before", "keys above the first header form a nameless section"},
        {"Spaced", "k", "D", "v", "blanks inside the brackets are trimmed"},
        {"Unclosed", "u", "D", "D", "a header without ']' is ignored..."},
        {"Spaced", "u", "D", "1", "...and its keys stay in the section before"},
        {"A]B", "ab", "D", "1", "the header ends at the last ']'"},
        {"Last", "last", "D", "nonl", "the last line needs no line break"},
        {"Sec", "missing", "def  ", "def", "the default loses trailing blanks"},
        {"Sec", "missing", "'qd'", "qd", "and enclosing quotes"},
        {"Sec", "missing", "  lead", "  lead", "but keeps leading blanks"},
        {"None", "key", "D", "D", "a missing section gives the default"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string("[") + r.section + "] " + r.key);
        EXPECT_EQ(p.profileString("C:\\a.ini", r.section, r.key, r.def), r.expected) << r.rule;
    }
}

TEST_F(SimProfile, LineBreaksEncodingsAndDoubleByteNames) {
    const std::string section = ansi("中文"), key = ansi("按钮"), value = ansi("确定");
    struct Row {
        const char* what;
        std::string file, section, key, expected;
    } rows[] = {
        {"LF lines", "[S]\nk=lf\nj=2\n", "S", "j", "2"},
        {"CR lines", "[S]\rk=cr\rj=2\r", "S", "j", "2"},
        {"GBK names", "[" + section + "]\r\n" + key + "=" + value + "\r\n", section, key, value},
        {"trail 0x5C in a section", "[\xB0\x5C]\r\nk=5c\r\n", "\xB0\x5C", "k", "5c"},
        {"trail bytes do not fold", "[\x81\x61]\r\nk=61\r\n", "\x81\x41", "k", "D"},
        {"full-width letters do not fold", "[S]\r\nA" + ansi("ａ") + "=fw\r\n", "S", "a" + ansi("Ａ"), "D"},
        {"ideographic space is no blank", "[S]\r\nk=" + ansi("　v　") + "\r\n", "S", "k", ansi("　v　")},
        {"UTF-8 with a mark", "\xEF\xBB\xBF[S]\r\nk=\xE4\xB8\xAD\r\n", "S", "k", ansi("中")},
        {"UTF-16 with a mark", std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0-\0N\0\r\0\n\0", 24), "S", "k", "-N"},
        {"a lead byte alone", "[S]\r\nk=\x81\r\n", "S", "k", "?"},
        {"empty file", "", "S", "k", "D"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        s.writeFile("C:\\t.ini", r.file);
        EXPECT_EQ(p.profileString("C:\\t.ini", r.section, r.key, "D"), r.expected);
    }
}

TEST_F(SimProfile, ValuesAreCutTo2047BytesWithoutSplittingACharacter) {
    std::string wide;
    for (int i = 0; i < 1500; ++i) wide += "\xD6\xD0";
    s.writeFile("C:\\long.ini", "[S]\r\nascii=" + std::string(3000, 'x') + "\r\nexact=" + std::string(2047, 'y') +
                                    "\r\ngbk=" + wide + "\r\nodd=a" + wide + "\r\n");
    struct Row {
        const char* key;
        std::size_t length;
    } rows[] = {{"ascii", 2047}, {"exact", 2047}, {"gbk", 2046}, {"odd", 2047}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.key);
        std::string v = p.profileString("C:\\long.ini", "S", r.key, "D");
        EXPECT_EQ(v.size(), r.length);
    }
}

TEST_F(SimProfile, AnUnreadableFileGivesTheDefault) {
    s.writeFile("C:\\held.ini", "[S]\r\nk=v\r\n");
    s.lockFile("C:\\held.ini");
    s.makeFolder("C:\\dir.ini");
    s.writeFile("C:\\Windows\\win.ini", "[S]\r\nk=windows folder\r\n");
    struct Row {
        const char* file;
        const char* expected;
    } rows[] = {{"C:\\none.ini", "D"}, {"C:\\no\\none.ini", "D"}, {"C:\\held.ini", "D"},
                {"C:\\dir.ini", "D"},  {"win.ini", "windows folder"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.file);
        EXPECT_EQ(p.profileString(r.file, "S", "k", "D"), r.expected);
    }
}

TEST_F(SimProfile, RegistryValuesExistUnderTheirKeyWithTheRightAccess) {
    using plat::RootKey;
    const char* key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
    s.setRegistryValue(RootKey::LocalMachine, key, "SimSun");
    using plat::RegView;
    struct Row {
        RootKey root;
        RegView view;
        const char *subKey, *value;
        bool exists;
        const char* rule;
    } rows[] = {
        {RootKey::LocalMachine, RegView::Native, "software\\MICROSOFT\\windows\\currentversion\\fonts", "simsun", true,
         "names fold case"},
        {RootKey::LocalMachine, RegView::Native, "SOFTWARE\\Microsoft", "SimSun", false, "not in the parent"},
        {RootKey::CurrentUser, RegView::Native, key, "SimSun", false, "roots are separate"},
        {RootKey::LocalMachine, RegView::Wow32, key, "SimSun", false,
         "the 32-bit view of HKLM\\Software lies below Wow6432Node"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        EXPECT_EQ(p.valueExists({r.root, r.view, r.subKey}, r.value), r.exists);
    }
    s.denyWriteAccess(RootKey::LocalMachine, "software");
    EXPECT_TRUE(p.valueExists({RootKey::LocalMachine, RegView::Native, key}, "SimSun"))
        << "a key refused for writing can still be read";
    s.removeRegistryKey(RootKey::LocalMachine, "Software\\Microsoft");
    EXPECT_FALSE(p.valueExists({RootKey::LocalMachine, RegView::Native, key}, "SimSun"))
        << "removing a key removes its subkeys";
}

TEST_F(SimProfile, ResourcesMatchWithoutCaseAndStayValid) {
    s.setResource("EX0", "SOUNDS", "first");
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(p.ownResource("ex0", "sounds", data, size).ok());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "first");
    s.setResource("ex0", "Sounds", "second");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "first") << "handed-out bytes stay valid";
    s.removeResource("EX0", "SOUNDS");
    EXPECT_EQ(p.ownResource("EX0", "SOUNDS", data, size).code(), 1813u) << "no resource of that type";
    s.setResource("EX0", "SOUND1", "x");
    EXPECT_EQ(p.ownResource("EX0", "SOUNDS", data, size).code(), 1814u) << "the type exists, the name does not";
}

}  // namespace
}  // namespace simtest
