// File handles as the copy component uses them: opened without sharing, read
// and written in steps of up to 1024 bytes, positioned from the start, sized
// in 32 bits; every failure returns its code.  plat::File owns each handle.
#include <string>

#include "platform/File.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "tests/contract/Contract.h"

namespace contract {
namespace {

using plat::File;
namespace err = plat::err;

class FileHandleContract : public ContractTest {
protected:
    enum class Op { OpenRead, CreateNew, OpenWrite, CreateAlways };

    static plat::SysError open(Op op, const plat::Path& path, File& out) {
        switch (op) {
            case Op::OpenRead: return File::openRead(path, out);
            case Op::CreateNew: return File::createNew(path, out);
            case Op::OpenWrite: return File::openWrite(path, out);
            case Op::CreateAlways: return File::createAlways(path, out);
        }
        return plat::SysError(err::InvalidHandle);
    }
    static const char* nameOf(Op op) {
        switch (op) {
            case Op::OpenRead: return "openRead";
            case Op::CreateNew: return "createNew";
            case Op::OpenWrite: return "openWrite";
            case Op::CreateAlways: return "createAlways";
        }
        return "?";
    }

    static std::string read(const File& f, std::uint32_t count) {
        std::string buf(count, '\0');
        std::uint32_t done = 0xDEADBEEF;
        EXPECT_TRUE(f.read(buf.data(), count, done).ok()) << "a read within or at the end of a file succeeds";
        EXPECT_LE(done, count);
        buf.resize(done <= count ? done : 0);
        return buf;
    }
    static void write(const File& f, const std::string& bytes) {
        std::uint32_t done = 0xDEADBEEF;
        EXPECT_TRUE(f.write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), done).ok());
        EXPECT_EQ(done, bytes.size()) << "a write to a disk with room writes everything";
    }
};

std::string pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return s;
}

TEST_F(FileHandleContract, CreateNewOntoAnExistingFileFailsWith80AndLeavesItUntouched) {
    env().writeFile(at("dest.dat"), "earlier installation");
    File f;
    EXPECT_EQ(failure([&] { return File::createNew(at("dest.dat"), f); }).code(), err::FileExists)
        << "createNew never opens an existing file: 80, the file exists";
    EXPECT_FALSE(f.isOpen());
    EXPECT_EQ(env().readFile(at("dest.dat")), "earlier installation") << "the existing file is untouched";

    env().makeFolder(at("folder.dat"));
    EXPECT_EQ(failure([&] { return File::createNew(at("folder.dat"), f); }).code(), err::FileExists)
        << "nor is a file created over a folder: one of that name exists as well (80)";
}

TEST_F(FileHandleContract, OpeningFailsWithTheSystemsCode) {
    env().writeFile(at("file.dat"), "f");
    struct Row {
        Op op;
        const char* path;
        std::uint32_t code;
    } rows[] = {
        {Op::OpenRead, "missing.dat", err::FileNotFound},
        {Op::OpenRead, "missing\\x.dat", err::PathNotFound},
        {Op::OpenWrite, "missing.dat", err::FileNotFound},
        {Op::OpenWrite, "missing\\x.dat", err::PathNotFound},
        {Op::CreateNew, "missing\\x.dat", err::PathNotFound},
        {Op::CreateAlways, "missing\\x.dat", err::PathNotFound},
        {Op::OpenRead, "file.dat\\x.dat", err::PathNotFound},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(nameOf(r.op)) + " " + r.path);
        File f;
        EXPECT_EQ(failure([&] { return open(r.op, at(r.path), f); }).code(), r.code) << "the system's code";
        EXPECT_FALSE(f.isOpen());
    }
    EXPECT_FALSE(sys().fileExists(at("missing.dat"))) << "openWrite never creates";
}

TEST_F(FileHandleContract, HandlesAreNotShared) {
    struct Row {
        Op first, second;
    } rows[] = {
        {Op::OpenRead, Op::OpenRead},   {Op::OpenRead, Op::OpenWrite},  {Op::OpenWrite, Op::OpenRead},
        {Op::CreateNew, Op::OpenRead},  {Op::CreateAlways, Op::OpenRead}, {Op::OpenRead, Op::CreateAlways},
        {Op::OpenWrite, Op::OpenWrite},
    };
    int n = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(nameOf(r.first)) + " then " + nameOf(r.second));
        const plat::Path path = at("shared" + std::to_string(n++) + ".dat");
        if (r.first != Op::CreateNew) env().writeFile(path, "contents");
        File a, b;
        ASSERT_TRUE(open(r.first, path, a).ok());
        if (r.first == Op::CreateNew || r.first == Op::CreateAlways) write(a, "contents");
        EXPECT_EQ(failure([&] { return open(r.second, path, b); }).code(), err::SharingViolation)
            << "a file open without sharing cannot be opened again: 32, a sharing violation";
        a.close();
        EXPECT_EQ(env().readFile(path), "contents") << "the refused open changed nothing";
        EXPECT_TRUE(open(r.second, path, b).ok()) << "after closing, the file opens again";
    }
}

TEST_F(FileHandleContract, ReadingInStepsEndsWithAnEmptySuccessfulRead) {
    const std::string source = pattern(2500);
    env().writeFile(at("src.dat"), source);
    File h;
    ASSERT_TRUE(File::openRead(at("src.dat"), h).ok());
    std::string copied;
    for (std::uint32_t expected : {1024u, 1024u, 452u, 0u, 0u}) {
        const std::string step = read(h, 1024);
        EXPECT_EQ(step.size(), expected) << "a step reads what is left, up to 1024 bytes; 0 at the end";
        copied += step;
    }
    EXPECT_EQ(copied, source);

    env().writeFile(at("empty.dat"), "");
    File e;
    ASSERT_TRUE(File::openRead(at("empty.dat"), e).ok());
    EXPECT_EQ(read(e, 1024).size(), 0u) << "an empty file reads 0 bytes at once";
}

TEST_F(FileHandleContract, SeekFromStartPositionsTheNextReadAndWrite) {
    env().writeFile(at("src.dat"), "abcdefgh");
    File h;
    ASSERT_TRUE(File::openRead(at("src.dat"), h).ok());
    // Past 4 GiB a position that lost its high part would land on "def".
    struct Row {
        std::uint64_t position;
        const char* next3;
    } rows[] = {{3, "def"}, {0, "abc"}, {6, "gh"}, {8, ""}, {100, ""}, {0x100000003ull, ""}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.position);
        EXPECT_TRUE(h.seek(r.position).ok()) << "any position from the start can be set";
        EXPECT_EQ(read(h, 3), r.next3) << "the next read starts there; past the end it reads nothing";
    }

    // Resuming a copy: the destination is opened without truncating and
    // written from the break point on.
    env().writeFile(at("dst.dat"), "abcdef");
    File w;
    ASSERT_TRUE(File::openWrite(at("dst.dat"), w).ok());
    std::uint32_t size = 0;
    EXPECT_TRUE(w.size(size).ok());
    EXPECT_EQ(size, 6u) << "openWrite does not truncate";
    EXPECT_TRUE(w.seek(2).ok());
    write(w, "XY");
    w.close();
    EXPECT_EQ(env().readFile(at("dst.dat")), "abXYef") << "bytes outside the write stay";
}

TEST_F(FileHandleContract, CreateAlwaysTruncatesAndReadsBack) {
    env().writeFile(at("old.dat"), "abcdef");
    File h;
    ASSERT_TRUE(File::createAlways(at("old.dat"), h).ok());
    std::uint32_t size = 99;
    EXPECT_TRUE(h.size(size).ok());
    EXPECT_EQ(size, 0u) << "createAlways truncates an existing file";
    write(h, "Z");
    EXPECT_TRUE(h.seek(0).ok());
    EXPECT_EQ(read(h, 10), "Z") << "createAlways opens for reading and writing";
    h.close();
    EXPECT_EQ(env().readFile(at("old.dat")), "Z");

    File n;
    EXPECT_TRUE(File::createAlways(at("new.dat"), n).ok()) << "createAlways creates a missing file";
    n.close();
    EXPECT_EQ(env().readFile(at("new.dat")), "");
}

TEST_F(FileHandleContract, FileSizeFollowsWritesThroughTheHandle) {
    File h;
    ASSERT_TRUE(File::createNew(at("grow.dat"), h).ok());
    std::uint32_t size = 99;
    EXPECT_TRUE(h.size(size).ok());
    EXPECT_EQ(size, 0u) << "a new file is empty";
    const std::string data = pattern(3000);
    for (std::size_t off = 0; off < data.size(); off += 1024) write(h, data.substr(off, 1024));
    EXPECT_TRUE(h.size(size).ok());
    EXPECT_EQ(size, 3000u) << "the size counts what was written through the handle";
    h.close();
    EXPECT_EQ(env().readFile(at("grow.dat")), data) << "the steps land in order";

    env().writeFile(at("src.dat"), pattern(70000));
    File r;
    ASSERT_TRUE(File::openRead(at("src.dat"), r).ok());
    EXPECT_TRUE(r.size(size).ok());
    EXPECT_EQ(size, 70000u) << "sizes beyond 16 bits are reported whole";
}

}  // namespace
}  // namespace contract
