// File handles as the copy component uses them: opened without sharing, read
// and written in steps of up to 1024 bytes, positioned from the start, sized
// in 32 bits; every failure leaves its code for lastError().
#include <string>

#include "platform/Files.h"
#include "platform/Program.h"
#include "tests/contract/Contract.h"

namespace contract {
namespace {

using plat::FileHandle;
using plat::kNoFile;
namespace err = plat::err;

class FileHandleContract : public ContractTest {
protected:
    enum class Op { OpenRead, CreateNew, OpenWrite, CreateAlways };

    FileHandle open(Op op, const std::string& path) {
        switch (op) {
            case Op::OpenRead: return sys().openRead(path);
            case Op::CreateNew: return sys().createNew(path);
            case Op::OpenWrite: return sys().openWrite(path);
            case Op::CreateAlways: return sys().createAlways(path);
        }
        return kNoFile;
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

    std::string read(FileHandle h, std::uint32_t count) {
        std::string buf(count, '\0');
        std::uint32_t done = 0xDEADBEEF;
        EXPECT_TRUE(sys().readFile(h, buf.data(), count, done)) << "a read within or at the end of a file succeeds";
        EXPECT_LE(done, count);
        buf.resize(done <= count ? done : 0);
        return buf;
    }
    void write(FileHandle h, const std::string& bytes) {
        std::uint32_t done = 0xDEADBEEF;
        EXPECT_TRUE(sys().writeFile(h, bytes.data(), static_cast<std::uint32_t>(bytes.size()), done));
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
    EXPECT_EQ(sys().createNew(at("dest.dat")), kNoFile) << "createNew never opens an existing file";
    EXPECT_EQ(sys().lastError(), err::FileExists) << "the code is 80, the file exists";
    EXPECT_EQ(env().readFile(at("dest.dat")), "earlier installation") << "the existing file is untouched";

    env().makeFolder(at("folder.dat"));
    EXPECT_EQ(sys().createNew(at("folder.dat")), kNoFile) << "nor is a file created over a folder";
    EXPECT_EQ(sys().lastError(), err::FileExists) << "a folder of that name exists as well (80)";
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
        EXPECT_EQ(open(r.op, at(r.path)), kNoFile);
        EXPECT_EQ(sys().lastError(), r.code) << "the failing call leaves the system's code";
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
        const std::string path = at("shared" + std::to_string(n++) + ".dat");
        if (r.first != Op::CreateNew) env().writeFile(path, "contents");
        const FileHandle a = open(r.first, path);
        ASSERT_NE(a, kNoFile);
        if (r.first == Op::CreateNew || r.first == Op::CreateAlways) write(a, "contents");
        EXPECT_EQ(open(r.second, path), kNoFile) << "a file open without sharing cannot be opened again";
        EXPECT_EQ(sys().lastError(), err::SharingViolation) << "the code is 32, a sharing violation";
        sys().closeFile(a);
        EXPECT_EQ(env().readFile(path), "contents") << "the refused open changed nothing";

        const FileHandle b = open(r.second, path);
        EXPECT_NE(b, kNoFile) << "after closing, the file opens again";
        if (b != kNoFile) sys().closeFile(b);
    }
}

TEST_F(FileHandleContract, ReadingInStepsEndsWithAnEmptySuccessfulRead) {
    const std::string source = pattern(2500);
    env().writeFile(at("src.dat"), source);
    const FileHandle h = sys().openRead(at("src.dat"));
    ASSERT_NE(h, kNoFile);
    std::string copied;
    for (std::uint32_t expected : {1024u, 1024u, 452u, 0u, 0u}) {
        const std::string step = read(h, 1024);
        EXPECT_EQ(step.size(), expected) << "a step reads what is left, up to 1024 bytes; 0 at the end";
        copied += step;
    }
    EXPECT_EQ(copied, source);
    sys().closeFile(h);

    env().writeFile(at("empty.dat"), "");
    const FileHandle e = sys().openRead(at("empty.dat"));
    ASSERT_NE(e, kNoFile);
    EXPECT_EQ(read(e, 1024).size(), 0u) << "an empty file reads 0 bytes at once";
    sys().closeFile(e);
}

TEST_F(FileHandleContract, SeekFromStartPositionsTheNextReadAndWrite) {
    env().writeFile(at("src.dat"), "abcdefgh");
    const FileHandle h = sys().openRead(at("src.dat"));
    ASSERT_NE(h, kNoFile);
    // Past 4 GiB a position that lost its high part would land on "def".
    struct Row {
        std::uint64_t position;
        const char* next3;
    } rows[] = {{3, "def"}, {0, "abc"}, {6, "gh"}, {8, ""}, {100, ""}, {0x100000003ull, ""}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.position);
        EXPECT_TRUE(sys().seekFromStart(h, r.position)) << "any position from the start can be set";
        EXPECT_EQ(read(h, 3), r.next3) << "the next read starts there; past the end it reads nothing";
    }
    sys().closeFile(h);

    // Resuming a copy: the destination is opened without truncating and
    // written from the break point on.
    env().writeFile(at("dst.dat"), "abcdef");
    const FileHandle w = sys().openWrite(at("dst.dat"));
    ASSERT_NE(w, kNoFile);
    std::uint32_t size = 0;
    EXPECT_TRUE(sys().fileSize(w, size));
    EXPECT_EQ(size, 6u) << "openWrite does not truncate";
    EXPECT_TRUE(sys().seekFromStart(w, 2));
    write(w, "XY");
    sys().closeFile(w);
    EXPECT_EQ(env().readFile(at("dst.dat")), "abXYef") << "bytes outside the write stay";
}

TEST_F(FileHandleContract, CreateAlwaysTruncatesAndReadsBack) {
    env().writeFile(at("old.dat"), "abcdef");
    const FileHandle h = sys().createAlways(at("old.dat"));
    ASSERT_NE(h, kNoFile);
    std::uint32_t size = 99;
    EXPECT_TRUE(sys().fileSize(h, size));
    EXPECT_EQ(size, 0u) << "createAlways truncates an existing file";
    write(h, "Z");
    EXPECT_TRUE(sys().seekFromStart(h, 0));
    EXPECT_EQ(read(h, 10), "Z") << "createAlways opens for reading and writing";
    sys().closeFile(h);
    EXPECT_EQ(env().readFile(at("old.dat")), "Z");

    const FileHandle n = sys().createAlways(at("new.dat"));
    ASSERT_NE(n, kNoFile) << "createAlways creates a missing file";
    sys().closeFile(n);
    EXPECT_EQ(env().readFile(at("new.dat")), "");
}

TEST_F(FileHandleContract, FileSizeFollowsWritesThroughTheHandle) {
    const FileHandle h = sys().createNew(at("grow.dat"));
    ASSERT_NE(h, kNoFile);
    std::uint32_t size = 99;
    EXPECT_TRUE(sys().fileSize(h, size));
    EXPECT_EQ(size, 0u) << "a new file is empty";
    const std::string data = pattern(3000);
    for (std::size_t off = 0; off < data.size(); off += 1024) write(h, data.substr(off, 1024));
    EXPECT_TRUE(sys().fileSize(h, size));
    EXPECT_EQ(size, 3000u) << "the size counts what was written through the handle";
    sys().closeFile(h);
    EXPECT_EQ(env().readFile(at("grow.dat")), data) << "the steps land in order";

    env().writeFile(at("src.dat"), pattern(70000));
    const FileHandle r = sys().openRead(at("src.dat"));
    ASSERT_NE(r, kNoFile);
    EXPECT_TRUE(sys().fileSize(r, size));
    EXPECT_EQ(size, 70000u) << "sizes beyond 16 bits are reported whole";
    sys().closeFile(r);
}

}  // namespace
}  // namespace contract
