// A payload replaces its target whole or not at all: every failure that the
// simulation can inject, at every step of the replacement, leaves the target
// byte for byte the old file (or no file where there was none) and no
// temporary file beside it.
#include <gtest/gtest.h>

#include <functional>

#include "payload/Payload.h"
#include "platform/FileReplace.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/SystemError.h"
#include "platform/sim/SimPlatform.h"
#include "tests/support/Containers.h"

using namespace testpay;

namespace {

const std::string kFolder = "D:\\Game";
const std::string kTarget = kFolder + "\\game01.dat";
const std::string kTemporary = kFolder + "\\game01.~00";

class Replace : public ::testing::Test {
protected:
    sim::SimPlatform s;
    sim::Installed on{s, [](const std::string& m) { ADD_FAILURE() << m; }};
    const std::string fresh = sample(20000, false, 3);
    const std::string old = std::string(100 * 1024, 'o');

    void SetUp() override {
        s.addDrive('D');
        s.makeFolder(kFolder);
        s.setResource("GB_", "GAME01", le32(static_cast<std::uint32_t>(fresh.size())) + zstream(fresh));
    }
    void TearDown() override { EXPECT_EQ(s.openHandles(), 0u) << "every handle is closed, error or not"; }

    std::string extract() {
        try {
            payload::extractPayload("game01", "GB_", plat::Path(kTarget));
        } catch (const base::Error& e) {
            return e.what();
        }
        return "(no error)";
    }
};

TEST_F(Replace, TheTemporaryNameIsTheTargetsWithATwoDigitExtension) {
    EXPECT_EQ(plat::temporaryPath(plat::Path(kTarget)).text(), kTemporary);
    EXPECT_EQ(plat::temporaryPath("D:\\G\\GAME00.DAT", 0x1F).text(), "D:\\G\\GAME00.~1F");
    EXPECT_EQ(plat::temporaryPath("D:\\a.b\\KESTAL").text(), "D:\\a.b\\KESTAL.~00")
        << "a folder's full stop is no extension";
    // 乗 (81 5C): the backslash of its second byte does not end the folder part.
    EXPECT_EQ(plat::temporaryPath("D:\\\x81\x5C.x\\readme.txt").text(), "D:\\\x81\x5C.x\\readme.~00");
    EXPECT_EQ(plat::temporaryPath("D:\\\x81\x5C").text(), "D:\\\x81\x5C.~00");
}

TEST_F(Replace, EveryFailureLeavesTheOldFileOrNoneAndNoTemporaryFile) {
    const std::string createError = "Cannot create file " + kTarget;
    const std::string writeError = "Stream write error\r\n" + kTarget;
    struct Row {
        const char* rule;
        bool oldFile;  // the target exists before
        std::function<void(sim::SimPlatform&)> fault;
        std::string error;
    } rows[] = {
        {"the temporary file cannot be created", true,
         [](sim::SimPlatform& s) { s.failCreate(kTemporary, plat::err::AccessDenied); }, createError},
        {"a write fails part way", true,
         [](sim::SimPlatform& s) { s.failWriteAt(kTemporary, 4096, plat::err::DiskFull); }, writeError},
        {"the disk runs full", true,
         [](sim::SimPlatform& s) { s.setDriveCapacity('D', 100 * 1024 + 8192); }, writeError},
        {"a write falls short without an error, as Wine's on a full disk", true,
         [](sim::SimPlatform& s) { s.failWriteAt(kTemporary, 8192, 0); }, writeError},
        {"the move fails", true, [](sim::SimPlatform& s) { s.failMove(kTarget, plat::err::AccessDenied); },
         createError},
        {"another program holds the target open", true, [](sim::SimPlatform& s) { s.lockFile(kTarget); },
         createError},
        {"the target is read-only", true,
         [](sim::SimPlatform& s) { s.setAttributes(kTarget, plat::attr::ReadOnly); }, createError},
        {"a write fails with no old file", false,
         [](sim::SimPlatform& s) { s.failWriteAt(kTemporary, 0, plat::err::DiskFull); }, writeError},
        {"the move fails with no old file", false,
         [](sim::SimPlatform& s) { s.failMove(kTarget, plat::err::AccessDenied); }, createError},
        {"read-only media", false, [](sim::SimPlatform& s) { s.setReadOnlyMedia('D', true); }, createError},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        s.clearFaults();
        s.setReadOnlyMedia('D', false);
        s.setDriveCapacity('D', 0);
        s.remove(kTarget);
        if (r.oldFile) s.writeFile(kTarget, old);
        r.fault(s);
        EXPECT_EQ(extract(), r.error);
        if (r.oldFile)
            EXPECT_TRUE(s.readFile(kTarget) == old) << "the old file stays, byte for byte";
        else
            EXPECT_FALSE(s.exists(kTarget)) << "no part of a new file appears";
        EXPECT_EQ(s.listNames(kFolder).size(), r.oldFile ? 1u : 0u) << "no temporary file is left";
        s.unlockFile(kTarget);
        if (r.oldFile) s.setAttributes(kTarget, plat::attr::Archive);
    }
}

TEST_F(Replace, AWriteThatFallsShortCountsAsAFullDisk) {
    s.writeFile(kTarget, old);
    s.failWriteAt(kTemporary, 8192, 0);
    const auto failed = plat::replaceFile(plat::Path(kTarget), fresh.data(), static_cast<std::uint32_t>(fresh.size()));
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->step, plat::ReplaceFailure::Write);
    EXPECT_EQ(failed->error.code(), plat::err::DiskFull) << "though the write call itself succeeded";
    EXPECT_TRUE(s.readFile(kTarget) == old);
}

TEST_F(Replace, ASuccessReplacesTheFileWholeInPlaceOfTheOld) {
    s.writeFile(kTarget, old);
    s.setDriveCapacity('D', 100 * 1024 + fresh.size());  // room for the new file beside the old
    EXPECT_EQ(extract(), "(no error)");
    EXPECT_TRUE(s.readFile(kTarget) == fresh);
    EXPECT_EQ(s.listNames(kFolder), std::vector<std::string>{"game01.dat"}) << "the new file under the old name";
}

TEST_F(Replace, ATemporaryFileThatCannotBeDeletedIsAllThatRemains) {
    s.writeFile(kTarget, old);
    s.failWriteAt(kTemporary, 100, plat::err::DiskFull);
    s.failDelete(kTemporary, plat::err::AccessDenied);
    EXPECT_EQ(extract(), "Stream write error\r\n" + kTarget);
    EXPECT_TRUE(s.readFile(kTarget) == old) << "the target is untouched";
    EXPECT_TRUE(s.exists(kTemporary)) << "the partial temporary file could not go";
}

TEST_F(Replace, NamesThatAreTakenAreLeftAloneAndTheNextIsUsed) {
    s.writeFile(kTemporary, "the player's own file");
    s.writeFile(kFolder + "\\game01.~01", "another");
    EXPECT_EQ(extract(), "(no error)");
    EXPECT_TRUE(s.readFile(kTarget) == fresh);
    EXPECT_EQ(s.readFile(kTemporary), std::optional<std::string>("the player's own file"));
    EXPECT_EQ(s.readFile(kFolder + "\\game01.~01"), std::optional<std::string>("another"));
    EXPECT_FALSE(s.exists(kFolder + "\\game01.~02")) << "the one used is gone again";
}

TEST_F(Replace, APathTooLongForTheFileCallsIsRefusedBeforeAnythingIsMade) {
    // 259 UTF-16 units fit, with the temporary name that is one shorter.
    const std::string folder = "D:\\" + std::string(245, 'f');
    s.makeFolder(folder);
    const std::string target = folder + "\\game01.dat";
    ASSERT_EQ(target.size(), 259u);
    EXPECT_NO_THROW(payload::extractPayload("game01", "GB_", plat::Path(target))) << "259 units fit";
    const std::string longer = folder + "\\game01.dat2";
    try {
        payload::extractPayload("game01", "GB_", plat::Path(longer));
        ADD_FAILURE() << "260 units do not fit";
    } catch (const base::Error& e) {
        EXPECT_EQ(std::string(e.what()), plat::systemError(plat::err::FileNameTooLong, longer).what())
            << "the system's text for a name too long, and the path";
    }
    EXPECT_EQ(s.listNames(folder), std::vector<std::string>{"game01.dat"});
}

}  // namespace
