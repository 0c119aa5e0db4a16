// Replacing a file on a disk that really runs full: Wine's answers to a
// write past the end of the room, and what the replacement makes of them.
// Run by tests/e2e/small-disk.sh, which mounts the small disk and names it
// in LUNAVIRE_SMALL_DISK; the ordinary run of these tests leaves them out.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "platform/File.h"
#include "platform/FileReplace.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "tests/win32/TestSupport.h"

namespace {

using w32test::platform;

std::string bytes(std::size_t size, char seed) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>(seed + i * 7 + i / 4096);
    return out;
}

std::string readAll(const plat::Path& path) {
    plat::File f;
    if (plat::File::openRead(path, f).failed()) return "(cannot open)";
    std::uint32_t size = 0, done = 0;
    std::string out;
    if (f.size(size).ok()) {
        out.resize(size);
        if (size && (f.read(&out[0], size, done).failed() || done != size)) out = "(cannot read)";
    }
    return out;
}

std::vector<std::string> namesIn(const plat::Path& folder) {
    std::vector<std::string> names;
    plat::FindData d;
    auto search = platform().firstMatch(folder / "*", d);
    if (!search) return names;
    do {
        if (d.name != "." && d.name != "..") names.push_back(d.name);
    } while (search->next(d));
    return names;
}

TEST(SmallDisk, AReplacementThatRunsOutOfRoomLeavesTheOldFileWhole) {
    char disk[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableA("LUNAVIRE_SMALL_DISK", disk, MAX_PATH), 0u)
        << "run by small-disk.sh, which mounts the small disk";
    auto& p = platform();
    const plat::Path folder = plat::Path(disk) / "replace", target = folder / "game01.dat";
    ASSERT_TRUE(p.createFolder(folder).ok());
    const std::string old = bytes(100 * 1024, 'o');
    ASSERT_FALSE(plat::replaceFile(target, old.data(), static_cast<std::uint32_t>(old.size())));

    std::uint64_t room = 0;
    ASSERT_TRUE(p.freeSpace(folder, room).ok());
    // More than the disk holds beside the old file: the write runs out.
    const std::string tooBig = bytes(static_cast<std::size_t>(room) + 256 * 1024, 'n');
    const auto failed = plat::replaceFile(target, tooBig.data(), static_cast<std::uint32_t>(tooBig.size()));
    ASSERT_TRUE(failed) << "a file larger than the room left is not written";
    EXPECT_EQ(failed->step, plat::ReplaceFailure::Write);
    EXPECT_EQ(failed->error.code(), plat::err::DiskFull);
    EXPECT_TRUE(readAll(target) == old) << "the old file stays, byte for byte";
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"game01.dat"}) << "the temporary file is gone";
    std::uint64_t after = 0;
    ASSERT_TRUE(p.freeSpace(folder, after).ok());
    EXPECT_EQ(after, room) << "its room is free again";
    std::printf("small disk: %llu KB free beside a 100 KB file; a %zu KB replacement failed at the write (%u)\n",
                static_cast<unsigned long long>(room / 1024), tooBig.size() / 1024,
                static_cast<unsigned>(failed->error.code()));

    // What fits beside the old file replaces it whole.
    const std::string fits = bytes(static_cast<std::size_t>(room) - 64 * 1024, 'f');
    EXPECT_FALSE(plat::replaceFile(target, fits.data(), static_cast<std::uint32_t>(fits.size())));
    EXPECT_TRUE(readAll(target) == fits) << "the new file, byte for byte";
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"game01.dat"});
    EXPECT_TRUE(p.deleteFile(target).ok());
    EXPECT_TRUE(p.removeFolder(folder).ok());
}

}  // namespace
