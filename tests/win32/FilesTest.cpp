// Seeking, where the Win32 calls need care beyond the shared contract: the
// failure value of SetFilePointer is also a valid position.
#include <gtest/gtest.h>

#include "platform/File.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "tests/win32/TestSupport.h"

namespace {

using w32test::platform;
using w32test::TempDir;

TEST(Files, SeekAcceptsPositionsPastFourGigabytes) {
    TempDir dir;
    auto& p = platform();
    plat::File f;
    ASSERT_TRUE(plat::File::createAlways(dir / "a.bin", f).ok());
    const plat::FileHandle h = f.handle();
    // 0xFFFFFFFF is what SetFilePointer returns on failure as well; above
    // 2 GiB the position no longer fits a signed 32-bit distance, from 4 GiB
    // on not 32 bits at all.  Past the end of the file: nothing is written.
    for (std::uint64_t pos : {0ull, 4096ull, 0x80000000ull, 0xFFFFFFFEull, 0xFFFFFFFFull, 0x100000000ull,
                              0x140000003ull}) {
        EXPECT_TRUE(p.seekFromStart(h, pos).ok()) << "seek to " << pos;
        LARGE_INTEGER zero{}, now{};
        SetFilePointerEx(reinterpret_cast<HANDLE>(h), zero, &now, FILE_CURRENT);
        EXPECT_EQ(static_cast<std::uint64_t>(now.QuadPart), pos) << "position after seek to " << pos;
    }
    f.close();

    plat::FileHandle bogus = reinterpret_cast<plat::FileHandle>(INVALID_HANDLE_VALUE);
    std::uint32_t size = 0;
    EXPECT_EQ(p.seekFromStart(bogus, 10).code(), plat::err::InvalidHandle);
    EXPECT_EQ(p.fileSize(bogus, size).code(), plat::err::InvalidHandle);
}

}  // namespace
