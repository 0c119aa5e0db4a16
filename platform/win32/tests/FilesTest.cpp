// File handles, existence tests, directory search and error texts against
// the real file system.
#include <gtest/gtest.h>

#include <set>

#include "platform/win32/tests/TestSupport.h"

namespace {

using w32test::platform;
using w32test::TempDir;

TEST(Files, OpenModesAndTheirErrors) {
    TempDir dir;
    const std::string existing = dir / "existing.bin", missing = dir / "missing.bin";
    w32test::writeBytes(existing, "0123456789");
    auto& p = platform();

    struct Row {
        const char* what;
        plat::FileHandle (w32::Win32Platform::*open)(const std::string&);
        std::string path;
        bool opens;
        std::uint32_t error;
    } rows[] = {
        {"openRead of a missing file", &w32::Win32Platform::openRead, missing, false, plat::err::FileNotFound},
        {"openWrite of a missing file", &w32::Win32Platform::openWrite, missing, false, plat::err::FileNotFound},
        {"createNew over an existing file", &w32::Win32Platform::createNew, existing, false,
         plat::err::FileExists},
        {"openRead of a file in a missing folder", &w32::Win32Platform::openRead, dir / "no\\x.bin", false,
         plat::err::PathNotFound},
        {"openRead of an existing file", &w32::Win32Platform::openRead, existing, true, 0},
        {"openWrite of an existing file", &w32::Win32Platform::openWrite, existing, true, 0},
    };
    for (const auto& r : rows) {
        plat::FileHandle h = (p.*r.open)(r.path);
        std::uint32_t code = p.lastError();
        EXPECT_EQ(h != plat::kNoFile, r.opens) << r.what;
        if (!r.opens) {
            EXPECT_EQ(code, r.error) << r.what;
        }
        p.closeFile(h);
    }
    EXPECT_EQ(w32test::readBytes(existing), "0123456789") << "failed opens and openWrite leave the file alone";
}

TEST(Files, HandlesAreNotShared) {
    TempDir dir;
    const std::string path = dir / "a.bin";
    w32test::writeBytes(path, "abc");
    auto& p = platform();
    plat::FileHandle first = p.openRead(path);
    ASSERT_NE(first, plat::kNoFile);
    EXPECT_EQ(p.openRead(path), plat::kNoFile) << "a second reader is refused";
    EXPECT_EQ(p.lastError(), plat::err::SharingViolation);
    EXPECT_FALSE(p.deleteFile(path)) << "an open file cannot be deleted";
    EXPECT_EQ(p.lastError(), plat::err::SharingViolation);
    p.closeFile(first);
    EXPECT_TRUE(p.deleteFile(path));
}

TEST(Files, CreateAlwaysTruncatesAndReadsBack) {
    TempDir dir;
    const std::string path = dir / "a.bin";
    w32test::writeBytes(path, "old contents, longer");
    auto& p = platform();
    plat::FileHandle h = p.createAlways(path);
    ASSERT_NE(h, plat::kNoFile);
    std::uint32_t done = 0, size = 99;
    ASSERT_TRUE(p.fileSize(h, size));
    EXPECT_EQ(size, 0u) << "createAlways truncates";
    ASSERT_TRUE(p.writeFile(h, "hello", 5, done));
    EXPECT_EQ(done, 5u);
    ASSERT_TRUE(p.seekFromStart(h, 1));
    char buf[8] = {};
    ASSERT_TRUE(p.readFile(h, buf, sizeof buf, done)) << "createAlways opens for reading too";
    EXPECT_EQ(std::string(buf, done), "ello");
    ASSERT_TRUE(p.readFile(h, buf, sizeof buf, done));
    EXPECT_EQ(done, 0u) << "a read at the end succeeds with 0 bytes";
    p.closeFile(h);
}

TEST(Files, SeekAcceptsEveryUnsignedPosition) {
    TempDir dir;
    auto& p = platform();
    plat::FileHandle h = p.createAlways(dir / "a.bin");
    ASSERT_NE(h, plat::kNoFile);
    // 0xFFFFFFFF is what SetFilePointer returns on failure as well; above
    // 2 GiB the position no longer fits a signed 32-bit distance.
    for (std::uint32_t pos : {0u, 4096u, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
        EXPECT_TRUE(p.seekFromStart(h, pos)) << "seek to " << pos;
        LARGE_INTEGER zero{}, now{};
        SetFilePointerEx(reinterpret_cast<HANDLE>(h), zero, &now, FILE_CURRENT);
        EXPECT_EQ(static_cast<std::uint64_t>(now.QuadPart), pos) << "position after seek to " << pos;
    }
    p.closeFile(h);

    plat::FileHandle bogus = reinterpret_cast<plat::FileHandle>(INVALID_HANDLE_VALUE);
    std::uint32_t size = 0;
    EXPECT_FALSE(p.seekFromStart(bogus, 10));
    EXPECT_EQ(p.lastError(), plat::err::InvalidHandle);
    EXPECT_FALSE(p.fileSize(bogus, size));
    EXPECT_EQ(p.lastError(), plat::err::InvalidHandle);
}

TEST(Files, FileAndFolderTestsDoNotMix) {
    TempDir dir;
    w32test::writeBytes(dir / "f.txt", "x");
    auto& p = platform();
    struct Row {
        std::string path;
        bool file, folder;
    } rows[] = {
        {dir / "f.txt", true, false},
        {dir.path(), false, true},
        {dir.path() + "\\", false, true},
        {dir / "F.TXT", true, false},
        {dir / "none", false, false},
        {dir / "f.txt\\x", false, false},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(p.fileExists(r.path), r.file) << r.path;
        EXPECT_EQ(p.folderExists(r.path), r.folder) << r.path;
    }
}

TEST(Files, CreateFolderMakesOneLevel) {
    TempDir dir;
    auto& p = platform();
    EXPECT_TRUE(p.createFolder(dir / "a"));
    EXPECT_FALSE(p.createFolder(dir / "a")) << "an existing folder";
    EXPECT_EQ(p.lastError(), plat::err::AlreadyExists);
    EXPECT_FALSE(p.createFolder(dir / "x\\y")) << "a missing parent";
    EXPECT_EQ(p.lastError(), plat::err::PathNotFound);
}

TEST(Files, DeleteFailsOnProtectedAndMissingFiles) {
    TempDir dir;
    const std::string ro = dir / "ro.txt";
    w32test::writeBytes(ro, "x");
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY);
    auto& p = platform();
    EXPECT_FALSE(p.deleteFile(ro));
    EXPECT_EQ(p.lastError(), plat::err::AccessDenied);
    EXPECT_FALSE(p.deleteFile(dir / "missing"));
    EXPECT_EQ(p.lastError(), plat::err::FileNotFound);
}

TEST(Files, DirectorySearchListsNamesAndAttributes) {
    TempDir dir;
    w32test::writeBytes(dir / "one.txt", "12345");
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    w32test::writeBytes(dir / "hidden.txt", "");
    SetFileAttributesA((dir / "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    auto& p = platform();

    plat::FindData d;
    auto search = p.findFirst(dir / "*", d);
    ASSERT_NE(search, nullptr);
    std::set<std::string> names;
    std::uint32_t oneSize = 0, subAttr = 0, hiddenAttr = 0;
    do {
        names.insert(d.name);
        if (d.name == "one.txt") oneSize = d.sizeLow;
        if (d.name == "sub") subAttr = d.attributes;
        if (d.name == "hidden.txt") hiddenAttr = d.attributes;
    } while (search->next(d));
    EXPECT_EQ(names, (std::set<std::string>{".", "..", "one.txt", "sub", "hidden.txt"}));
    EXPECT_EQ(oneSize, 5u);
    EXPECT_TRUE(subAttr & plat::attr::Directory);
    EXPECT_TRUE(hiddenAttr & plat::attr::Hidden);

    EXPECT_EQ(p.findFirst(dir / "*.none", d), nullptr) << "no match";
    EXPECT_EQ(p.lastError(), plat::err::FileNotFound);
    EXPECT_EQ(p.findFirst(dir / "missing\\*", d), nullptr) << "missing folder";
    EXPECT_EQ(p.lastError(), plat::err::PathNotFound);
}

TEST(Files, ErrorTextKeepsTheLineBreak) {
    auto& p = platform();
    for (std::uint32_t code : {plat::err::FileNotFound, plat::err::FileExists, plat::err::SharingViolation}) {
        std::string text = p.errorText(code);
        ASSERT_GE(text.size(), 3u) << "code " << code;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "code " << code;
    }
    EXPECT_EQ(p.errorText(0x2FFFFFFF), "") << "a code without text";
}

}  // namespace
