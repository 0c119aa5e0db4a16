// The install folder's record while a disc run writes there: what goes on
// it and when, so that the uninstaller knows everything the run may have
// left (folders before they are made, a file before it is written and again
// once whole, a file found whole in place, the uninstaller's copies, the
// shortcuts and the game's entry in Windows' list of programs).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Path.h"
#include "shell/InstallRecord.h"

namespace shell::record {
class Writer;
}

namespace discinstall {

class RunRecord {
public:
    RunRecord();
    ~RunRecord();
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    // Opens the folder's record, naming the program's language; raises
    // base::Error when it cannot be written.  Held until close(): no other
    // run and no uninstaller work on the folder meanwhile.
    void open(const plat::Path& installFolder);
    // The patch and the uninstaller open it next.
    void close();
    shell::record::Writer& writer() { return *writer_; }

    // Puts each missing folder down to `folder` on the record, outermost
    // first, then makes them.
    void makeFolders(const plat::Path& folder);
    // A file about to be written, and the same file once it is whole.
    void announce(const plat::Path& target);
    void whole(const plat::Path& target, const std::optional<shell::record::Digest>& digest = std::nullopt);
    // A file found whole in place is the installation's too, so that the
    // uninstaller takes it away (a reinstall over a set-aside record, a game
    // copied in by hand): put on the record unless it is already.
    void inPlace(const plat::Path& target);
    // Copies the uninstaller beside the record (shell::record::copyUninstaller)
    // before disc 1's files; the destinations that could not be written.
    std::vector<plat::Path> installUninstaller();
    // The game's shortcut, on the record before it is made.
    void makeGameShortcut();
    // The game in Windows' list of installed programs, with its size; raises
    // base::Error with the reason when it cannot be.
    void registerGame(std::uint64_t bytes);

private:
    plat::Path folder_;
    std::unique_ptr<shell::record::Writer> writer_;
};

}  // namespace discinstall
