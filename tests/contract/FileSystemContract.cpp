// Files and folders as the disc checks, the disc lists, the language list and
// the voice add-on's clean-up see them.
#include <algorithm>
#include <map>
#include <set>

#include "platform/File.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "tests/contract/Contract.h"

namespace contract {
namespace {

using plat::attr::Directory;
using plat::attr::Hidden;
using plat::attr::ReadOnly;
using plat::attr::System;

class FileSystemContract : public ContractTest {};

bool has(std::uint32_t attributes, std::uint32_t bit) { return (attributes & bit) != 0; }

// ------------------------------------------------------------------ existence

TEST_F(FileSystemContract, FileAndFolderTestsTellTheKindsApartWithoutRegardToCase) {
    env().writeFile(at("Game00.dat"), "data");
    env().makeFolder(at("VRecog"));
    env().writeFile(at("VRecog\\inner.txt"), "x");
    env().writeFile(at("hidden.dat"), "h");
    env().setAttributes(at("hidden.dat"), Hidden | System);
    env().writeFile(at("locked.dat"), "r");
    env().setAttributes(at("locked.dat"), ReadOnly);

    struct Row {
        const char* path;
        bool file, folder;
        const char* rule;
    } rows[] = {
        {"Game00.dat", true, false, "a file is a file, not a folder"},
        {"GAME00.DAT", true, false, "file names match without regard to case"},
        {"VRecog", false, true, "a folder is a folder, not a file"},
        {"vrecog", false, true, "folder names match without regard to case"},
        {"missing", false, false, "a missing name is neither"},
        {"Game00.dat\\inner", false, false, "a path through a file names nothing"},
        {"missing\\inner.txt", false, false, "a path through a missing folder names nothing"},
        {"VRecog\\\\inner.txt", true, false, "a doubled backslash counts as one (\"X:\\\" + \"\\name\")"},
        {"hidden.dat", true, false, "hidden and system files exist like others"},
        {"locked.dat", true, false, "read-only files exist like others"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(sys().fileExists(at(r.path)), r.file) << r.rule;
        EXPECT_EQ(sys().folderExists(at(r.path)), r.folder) << r.rule;
    }
    env().setAttributes(at("locked.dat"), plat::attr::Normal);
}

TEST_F(FileSystemContract, DoubleByteNamesKeepEveryByte) {
    // GBK characters whose second byte is a backslash or a lower-case letter:
    // the backslash is no separator there, and the letter is not folded, so
    // 0x81 0x61 and 0x81 0x41 are two different names.
    const std::string backslashTrail = "\x81\x5C.dat", lowerTrail = "\x81" "a.dat",
                      upperTrail = "\x81" "A.dat";
    env().writeFile(at(backslashTrail), "5C");
    env().writeFile(at(lowerTrail), "61");

    EXPECT_TRUE(sys().fileExists(at(backslashTrail))) << "a trail byte 0x5C is part of the name";
    EXPECT_TRUE(sys().fileExists(at("\x81" "a.DAT"))) << "ASCII case is still folded after the character";
    EXPECT_FALSE(sys().fileExists(at(upperTrail))) << "a trail byte is not case-folded";

    env().writeFile(at(upperTrail), "41");
    EXPECT_EQ(env().readFile(at(lowerTrail)), "61") << "writing the other name leaves this file alone";
    const auto names = sortedNoCase(namesOf(list(at("*.dat"))));
    const std::set<std::string> got(names.begin(), names.end());
    EXPECT_EQ(got, (std::set<std::string>{backslashTrail, lowerTrail, upperTrail}))
        << "the listing returns each double-byte name intact and distinct";
}

// ------------------------------------------------------------------ directory search

TEST_F(FileSystemContract, SearchListsEveryMatchingEntryWithItsAttributes) {
    env().writeFile(at("alpha.ini"), "12345");
    env().writeFile(at("Upper.INI"), "");
    env().writeFile(at("AutoRun.ini"), "a");
    env().writeFile(at("hidden.ini"), "hh");
    env().setAttributes(at("hidden.ini"), Hidden);
    env().writeFile(at("system.ini"), "sss");
    env().setAttributes(at("system.ini"), Hidden | System);
    env().writeFile(at("locked.ini"), "r");
    env().setAttributes(at("locked.ini"), ReadOnly);
    env().makeFolder(at("x.ini"));  // a folder is listed like a file
    env().writeFile(at("notes.txt"), "t");
    env().writeFile(at("README"), "no extension");
    env().writeFile(at("a.in"), "i");
    env().writeFile(at("ini"), "i");
    env().makeFolder(at("sub"));

    const std::vector<std::string> inis = {"alpha.ini", "Upper.INI", "AutoRun.ini", "hidden.ini",
                                           "system.ini", "locked.ini", "x.ini"};
    std::vector<std::string> all = {".", "..", "notes.txt", "README", "a.in", "ini", "sub"};
    all.insert(all.end(), inis.begin(), inis.end());

    struct Row {
        const char* pattern;
        const std::vector<std::string>& expected;
        const char* rule;
    } rows[] = {
        {"*.ini", inis, "\"*.ini\" lists files and folders of any attribute with that extension"},
        {"*.INI", inis, "patterns match without regard to case"},
        {"*.*", all, "\"*.*\" lists everything, names without a dot and \".\" \"..\" included"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.pattern);
        EXPECT_EQ(sortedNoCase(namesOf(list(at(r.pattern)))), sortedNoCase(r.expected)) << r.rule;
    }

    std::map<std::string, plat::FindData> byName;
    for (const auto& e : list(at("*.*"))) byName[e.name] = e;
    struct Attr {
        const char* name;
        std::uint32_t set, clear;
        std::uint32_t size;  // ~0: not checked
    } attrs[] = {
        {"alpha.ini", 0, Directory | Hidden | System | ReadOnly, 5},
        {"Upper.INI", 0, Directory, 0},
        {"hidden.ini", Hidden, Directory | System, 2},
        {"system.ini", Hidden | System, Directory, 3},
        {"locked.ini", ReadOnly, Directory, 1},
        {"x.ini", Directory, 0, ~0u},
        {"sub", Directory, 0, ~0u},
        {".", Directory, 0, ~0u},
        {"..", Directory, 0, ~0u},
    };
    for (const Attr& a : attrs) {
        SCOPED_TRACE(a.name);
        auto it = byName.find(a.name);
        ASSERT_NE(it, byName.end());
        EXPECT_EQ(it->second.attributes & a.set, a.set) << "the entry carries its attributes";
        EXPECT_EQ(it->second.attributes & a.clear, 0u) << "and no others of these";
        if (a.size != ~0u) {
            EXPECT_EQ(it->second.sizeLow, a.size) << "a file's entry carries its size";
        }
    }
    env().setAttributes(at("locked.ini"), plat::attr::Normal);
}

TEST_F(FileSystemContract, LongExtensionsMatchThroughTheirShortNames) {
    // Windows gives "notes.inibak" the short name NOTES~1.INI (Wine a hashed
    // one with the same extension), and patterns match short names too: the
    // language list sees such a file.
    env().writeFile(at("notes.inibak"), "n");
    env().writeFile(at("plain.ini"), "p");
    EXPECT_EQ(sortedNoCase(namesOf(list(at("*.ini")))),
              sortedNoCase({"notes.inibak", "plain.ini"}))
        << "\"*.ini\" also lists a long extension that starts with \"ini\", under its long name";
}

TEST_F(FileSystemContract, SubfolderListingsBeginWithDotEntries) {
    env().makeFolder(at("empty"));
    env().makeFolder(at("one"));
    env().writeFile(at("one\\file.dat"), "f");

    struct Row {
        const char* pattern;
        std::vector<std::string> expected;
    } rows[] = {
        {"empty\\*.*", {".", ".."}},
        {"one\\*.*", {".", "..", "file.dat"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.pattern);
        const auto entries = list(at(r.pattern));
        EXPECT_EQ(sortedNoCase(namesOf(entries)), sortedNoCase(r.expected))
            << "a subfolder lists \".\" and \"..\" besides its entries (a walk must skip them)";
        for (const auto& e : entries) {
            if (e.name == "." || e.name == "..") {
                EXPECT_TRUE(has(e.attributes, Directory)) << e.name << " is a folder";
            }
        }
    }
    EXPECT_TRUE(list(at("one\\*.ini")).empty()) << "\".\" and \"..\" do not match \"*.ini\"";
}

TEST_F(FileSystemContract, NoFirstEntryWhenNothingMatches) {
    env().writeFile(at("file.dat"), "f");
    env().makeFolder(at("empty"));
    struct Row {
        const char* pattern;
        std::uint32_t code;  // 0: any
    } rows[] = {
        {"missing\\*.*", plat::err::PathNotFound},  // the folder does not exist
        {"*.xyz", plat::err::FileNotFound},          // nothing matches
        {"empty\\*.ini", plat::err::FileNotFound},  // an empty folder holds only the dot entries
        {"file.dat\\*.*", 0},                       // a file is no folder (Wine: 123, Windows: 3 or 267)
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.pattern);
        plat::FindData first{};
        std::unique_ptr<plat::DirSearch> search;
        const plat::SysError e = failure([&] { return sys().findFirst(at(r.pattern), first, search); });
        EXPECT_EQ(search, nullptr) << "a search without entries yields no first entry";
        if (r.code) {
            EXPECT_EQ(e.code(), r.code);
        }
    }
}

TEST_F(FileSystemContract, SearchEndsAndStaysEnded) {
    env().writeFile(at("only.ini"), "o");
    plat::FindData first{}, next{};
    std::unique_ptr<plat::DirSearch> search;
    ASSERT_TRUE(sys().findFirst(at("*.ini"), first, search).ok());
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(first.name, "only.ini") << "the first entry comes with findFirst";
    EXPECT_FALSE(search->next(next)) << "the search ends after the last entry";
    EXPECT_FALSE(search->next(next)) << "and stays ended";
}

TEST_F(FileSystemContract, ListingOrderIsTheFileSystemsOwn) {
    // Created in an order that is neither alphabetical nor its reverse.
    const std::vector<std::string> created = {"m.dat", "Zeta.dat", "alpha.dat", "Beta.dat", "k.dat", "c.dat"};
    for (const auto& n : created) env().writeFile(at(n), n);

    const auto listed = namesOf(list(at("*.dat")));
    EXPECT_EQ(sortedNoCase(listed), sortedNoCase(created))
        << "the installer takes entries in whatever order the listing returns: only the set is promised";
    // The simulation lists in creation order; Wine (like NTFS) sorts names
    // without regard to case, whatever order they were created in.
    expectExceptOn("win32", listed == created, "the listing returns entries in creation order");
    if (on("win32")) {
        EXPECT_EQ(listed, sortedNoCase(created)) << "Wine lists names sorted without regard to case";
    }
}

// ------------------------------------------------------------------ create folder

TEST_F(FileSystemContract, CreateFolderMakesOneLevel) {
    env().makeFolder(at("exists"));
    env().writeFile(at("file"), "f");

    struct Row {
        const char* path;
        std::uint32_t code;  // 0: created
        const char* rule;
    } rows[] = {
        {"new", 0, "a folder is created below an existing one"},
        {"EXISTS", plat::err::AlreadyExists, "an existing folder (in any case) is not created again (183)"},
        {"file", plat::err::AlreadyExists, "a file of that name blocks the folder (183)"},
        {"missing\\new", plat::err::PathNotFound, "only one level: the parent must exist (3)"},
        {"new\\inner", 0, "a level below a folder just created"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        if (r.code == 0)
            EXPECT_TRUE(sys().createFolder(at(r.path)).ok()) << r.rule;
        else
            EXPECT_EQ(failure([&] { return sys().createFolder(at(r.path)); }, r.rule).code(), r.code) << r.rule;
    }
    EXPECT_TRUE(sys().folderExists(at("new\\inner")));
    EXPECT_FALSE(sys().folderExists(at("missing"))) << "a failed creation makes no parent";
    EXPECT_TRUE(sys().fileExists(at("file"))) << "the blocking file stays a file";
}

// ------------------------------------------------------------------ delete file

TEST_F(FileSystemContract, DeleteFileFailsWhileInUseProtectedOrMissing) {
    env().writeFile(at("plain.dat"), "p");
    env().writeFile(at("hidden.dat"), "h");
    env().setAttributes(at("hidden.dat"), Hidden | System);
    env().writeFile(at("readonly.dat"), "r");
    env().setAttributes(at("readonly.dat"), ReadOnly);
    env().writeFile(at("open.dat"), "o");
    plat::File open;
    ASSERT_TRUE(plat::File::openRead(at("open.dat"), open).ok());

    struct Row {
        const char* path;
        std::uint32_t code;  // 0: deleted
        const char* rule;
    } rows[] = {
        {"plain.dat", 0, "a file is deleted"},
        {"hidden.dat", 0, "hidden and system files are deleted like others"},
        {"open.dat", plat::err::SharingViolation, "a file open without sharing cannot be deleted (32)"},
        {"readonly.dat", plat::err::AccessDenied, "a read-only file cannot be deleted (5)"},
        {"missing.dat", plat::err::FileNotFound, "a missing file cannot be deleted (2)"},
        {"missing\\x.dat", plat::err::PathNotFound, "nor one in a missing folder (3)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        const bool existed = sys().fileExists(at(r.path));
        if (r.code == 0) {
            EXPECT_TRUE(sys().deleteFile(at(r.path)).ok()) << r.rule;
            EXPECT_FALSE(sys().fileExists(at(r.path))) << "a deleted file is gone";
        } else {
            EXPECT_EQ(failure([&] { return sys().deleteFile(at(r.path)); }, r.rule).code(), r.code) << r.rule;
            EXPECT_EQ(sys().fileExists(at(r.path)), existed) << "a failed deletion leaves the file";
        }
    }

    open.close();
    EXPECT_TRUE(sys().deleteFile(at("open.dat")).ok()) << "closing the handle releases the file";
    env().setAttributes(at("readonly.dat"), plat::attr::Normal);
    EXPECT_TRUE(sys().deleteFile(at("readonly.dat")).ok()) << "clearing read-only releases the file";
}

// ------------------------------------------------------------------ replacing a file

TEST_F(FileSystemContract, MoveReplacingPutsTheWholeFileInPlaceOrChangesNothing) {
    env().makeFolder(at("folder"));
    env().writeFile(at("held.dat"), "held");
    plat::File held;
    ASSERT_TRUE(plat::File::openRead(at("held.dat"), held).ok());

    struct Row {
        const char* from;
        const char* to;
        bool moved;
        std::uint32_t code;  // the code when not moved; 0: any
        const char* rule;
    } rows[] = {
        {"new.tmp", "existing.dat", true, 0, "an existing file is replaced by the whole new one"},
        {"new.tmp", "fresh.dat", true, 0, "a missing target is created"},
        {"missing.tmp", "existing.dat", false, plat::err::FileNotFound, "a missing source moves nothing (2)"},
        {"new.tmp", "folder", false, plat::err::AccessDenied, "a folder is not replaced (5)"},
        {"new.tmp", "held.dat", false, 0, "a file open without sharing is not replaced"},
        {"new.tmp", "missing\\x.dat", false, plat::err::PathNotFound, "nor one in a missing folder (3)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.from) + " -> " + r.to);
        env().writeFile(at("new.tmp"), "new content");
        if (std::string(r.to) == "existing.dat") env().writeFile(at("existing.dat"), "old");
        const bool targetWasFile = sys().fileExists(at(r.to));
        const std::string before = targetWasFile && std::string(r.to) != "held.dat" ? env().readFile(at(r.to)) : "";
        if (r.moved) {
            EXPECT_TRUE(sys().moveReplacing(at(r.from), at(r.to)).ok()) << r.rule;
            EXPECT_EQ(env().readFile(at(r.to)), "new content") << r.rule;
            EXPECT_FALSE(sys().fileExists(at(r.from))) << "the source is gone";
            continue;
        }
        const plat::SysError e = failure([&] { return sys().moveReplacing(at(r.from), at(r.to)); }, r.rule);
        if (r.code) {
            EXPECT_EQ(e.code(), r.code) << r.rule;
        }
        if (std::string(r.from) == "new.tmp") {
            EXPECT_TRUE(sys().fileExists(at(r.from))) << "the source stays";
        }
        if (targetWasFile && std::string(r.to) != "held.dat") {
            EXPECT_EQ(env().readFile(at(r.to)), before) << "the target is untouched";
        }
    }
    EXPECT_TRUE(sys().folderExists(at("folder")));
    held.close();
    EXPECT_EQ(env().readFile(at("held.dat")), "held") << "the file that was held open is untouched";

    // Windows refuses a read-only target; Wine running as root replaces it.
    env().writeFile(at("readonly.dat"), "old");
    env().setAttributes(at("readonly.dat"), ReadOnly);
    env().writeFile(at("new.tmp"), "new content");
    const bool moved = sys().moveReplacing(at("new.tmp"), at("readonly.dat")).ok();
    expectExceptOn("win32", !moved && env().readFile(at("readonly.dat")) == "old",
                   "a read-only target is not replaced");
    env().setAttributes(at("readonly.dat"), plat::attr::Normal);
}

TEST_F(FileSystemContract, SameFileTellsOneFileUnderAnyOfItsNames) {
    env().makeFolder(at("game"));
    env().writeFile(at("game\\game00.dat"), "data");
    env().writeFile(at("copy.dat"), "data");
    plat::File held;
    ASSERT_TRUE(plat::File::openRead(at("copy.dat"), held).ok());
    struct Row {
        const char* a;
        const char* b;
        bool same;
        const char* rule;
    } rows[] = {
        {"game\\game00.dat", "game\\game00.dat", true, "a file is itself"},
        {"game\\game00.dat", "GAME\\Game00.DAT", true, "whatever the case of its name"},
        {"game\\game00.dat", "game\\\\game00.dat", true, "or a doubled backslash"},
        {"game\\game00.dat", "game\\..\\game\\game00.dat", true, "or a way round through its parent"},
        {"game\\game00.dat", "copy.dat", false, "another file of the same bytes is another file"},
        {"copy.dat", "copy.dat", true, "a file another handle holds without sharing can still be told"},
        {"game\\missing.dat", "game\\missing.dat", false, "a missing file is no file"},
        {"game", "game", false, "a folder is no file"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.a) + " / " + r.b);
        EXPECT_EQ(sys().sameFile(at(r.a), at(r.b)), r.same) << r.rule;
    }
}

TEST_F(FileSystemContract, PathsOfUpTo259Utf16UnitsFitTheFileCalls) {
    // Names up to a given total length; the folder part is the scratch folder.
    const std::size_t base = scratch().text().size() + 1;
    auto named = [&](std::size_t total) { return at(std::string(total - base, 'n')); };
    struct Row {
        std::size_t length;
        bool fits;
        bool created;  // by createAlways
        const char* rule;
    } rows[] = {
        {259, true, true, "259 units fit"},
        {261, false, false, "261 units neither fit nor work (206)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.length);
        const plat::Path path = named(r.length);
        EXPECT_EQ(sys().pathFits(path), r.fits) << r.rule;
        {
            plat::File f;
            if (r.created)
                EXPECT_TRUE(plat::File::createAlways(path, f).ok()) << r.rule;
            else
                EXPECT_EQ(failure([&] { return plat::File::createAlways(path, f); }, r.rule).code(),
                          plat::err::FileNameTooLong)
                    << r.rule;
        }
        EXPECT_EQ(sys().fileExists(path), r.created);
        if (r.created) {
            EXPECT_TRUE(sys().deleteFile(path).ok());
        }
    }
    EXPECT_FALSE(sys().pathFits(named(260))) << "260 units do not fit: MAX_PATH holds the terminating zero too";

    // Double-byte characters count one unit each, though two bytes.
    std::string chinese;
    for (int i = 0; i < 80; ++i) chinese += "\xC7\xB3";  // 浅
    env().makeFolder(at(chinese));
    const plat::Path file = at(chinese) / std::string(259 - base - 80 - 1, 'n');
    ASSERT_GT(file.text().size(), 260u) << "more bytes than MAX_PATH";
    EXPECT_TRUE(sys().pathFits(file)) << "259 units in more than 260 bytes fit";
    {
        plat::File f;
        EXPECT_TRUE(plat::File::createAlways(file, f).ok()) << "and work";
    }
    EXPECT_TRUE(sys().deleteFile(file).ok());
}

TEST_F(FileSystemContract, FreeSpaceIsToldForAnExistingFolder) {
    std::uint64_t bytes = 0;
    EXPECT_TRUE(sys().freeSpace(scratch(), bytes).ok()) << "the scratch folder's drive tells its free space";
    EXPECT_GT(bytes, 0u);
    failure([&] { return sys().freeSpace(at("missing\\deeper"), bytes); }, "a missing folder has no drive to ask");
}

}  // namespace
}  // namespace contract
