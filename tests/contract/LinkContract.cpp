// Links (symbolic links, junctions): a walk over a tree tells one by the
// entry's own attributes, and taking a link away leaves what it leads to.
// What the uninstaller's removal must be able to rely on before it deletes
// anything in a folder the player may have linked elsewhere.
#include <string>
#include <vector>

#include "platform/Files.h"
#include "tests/contract/Contract.h"

namespace contract {
namespace {

using plat::attr::Directory;
using plat::attr::ReparsePoint;

class LinkContract : public ContractTest {
protected:
    std::string readThroughSeam(const std::string& path) {
        const plat::FileHandle h = sys().openRead(path);
        if (h == plat::kNoFile) return "(error " + std::to_string(sys().lastError()) + ")";
        std::string out(64, '\0');
        std::uint32_t done = 0;
        sys().readFile(h, &out[0], static_cast<std::uint32_t>(out.size()), done);
        sys().closeFile(h);
        out.resize(done);
        return out;
    }
};

TEST_F(LinkContract, ALinkIsListedWithItsOwnAttributesAndLeadsToItsTarget) {
    env().makeFolder(at("saves"));
    env().writeFile(at("saves\\slot1.sav"), "progress");
    env().writeFile(at("game.cfg"), "cfg");
    env().makeLink(at("folderlink"), at("saves"));
    env().makeLink(at("filelink"), at("game.cfg"));

    const auto folder = list(at("folderlink"));
    ASSERT_EQ(folder.size(), 1u);
    EXPECT_EQ(folder[0].attributes & (ReparsePoint | Directory), ReparsePoint | Directory)
        << "a folder link is a folder and a reparse point";
    const auto file = list(at("filelink"));
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0].attributes & Directory, 0u) << "a file link is no folder";
    expectExceptOn("win32", (file[0].attributes & ReparsePoint) != 0, "a file link is a reparse point");

    EXPECT_EQ(namesOf(list(at("folderlink\\*.sav"))), std::vector<std::string>{"slot1.sav"})
        << "a search through a folder link lists its target";
    EXPECT_EQ(readThroughSeam(at("folderlink\\slot1.sav")), "progress");
    EXPECT_EQ(readThroughSeam(at("filelink")), "cfg") << "opening a file link opens its target";
}

TEST_F(LinkContract, DeletingAFileLinkLeavesItsTargetByteForByte) {
    const std::string bytes("\x00\xFFsaved\r\n", 9);
    env().writeFile(at("slot1.sav"), bytes);
    env().makeLink(at("slot1link.sav"), at("slot1.sav"));

    EXPECT_TRUE(sys().deleteFile(at("slot1link.sav")));
    const bool linkGone = list(at("slot1link.sav")).empty();
    const bool targetKept = sys().fileExists(at("slot1.sav")) && env().readFile(at("slot1.sav")) == bytes;
    expectExceptOn("win32", linkGone && targetKept, "deleting a file link takes the link and leaves its target");
}

TEST_F(LinkContract, RemovingAFolderLinkTakesTheLinkAlone) {
    struct Row {
        const char* target;
        bool withFiles;
        const char* rule;
    } rows[] = {
        {"full", true, "removing a folder link whose target holds files takes the link"},
        {"empty", false, "removing a folder link whose target is empty takes the link, not the target"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.target);
        const std::string target = at(r.target), link = target + "link";
        env().makeFolder(target);
        if (r.withFiles) env().writeFile(target + "\\slot1.sav", "progress");
        env().makeLink(link, target);

        const bool removed = sys().removeFolder(link);
        const bool linkGone = list(link).empty();
        const bool targetKept =
            sys().folderExists(target) && (!r.withFiles || env().readFile(target + "\\slot1.sav") == "progress");
        if (r.withFiles) {
            EXPECT_TRUE(targetKept) << "the target folder and its files stay";
        }
        expectExceptOn("win32", removed && linkGone && targetKept, r.rule);
    }
}

}  // namespace
}  // namespace contract
