// Taking an installation away by its record: the whole game, or the patch
// alone with the game's originals put back.  Only what the record names is
// touched; a file that cannot go is the player's to retry or let be.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "shell/InstallRecord.h"

namespace shell::record {
class Writer;
}

namespace uninstall {

// What a removal shows and asks, implemented by its window.
class RemovalView {
public:
    virtual ~RemovalView() = default;
    // The file being removed (or put back, with restoring).
    virtual void showFile(const std::string& path, bool restoring) = 0;
    // A file or folder that cannot go: Retry, Ignore or Abort.
    virtual plat::Answer askAboutFailure(const std::string& path, std::uint32_t code) = 0;
};

struct Report {
    enum Outcome {
        Done,         // as far as the player let it: see leftOver
        NoOriginals,  // the patch kept no originals: nothing changed
        NoPatch,      // there is no patch to take away: nothing changed
    } outcome = Done;
    std::vector<std::string> restored;   // originals put back
    std::vector<std::string> removed;    // the patch's own files and shortcuts taken away
    std::vector<std::string> leftOver;   // what could not go; the record stays for another try
    std::vector<std::string> atRestart;  // what goes when Windows starts again
    std::vector<std::string> kept;       // folders that stay: the saved games, the player's own files
    bool aborted = false;                // the player stopped it
    bool complete() const { return outcome == Done && leftOver.empty() && !aborted; }
};

class Removal {
public:
    Removal(const shell::record::Record& record, RemovalView& view);

    // Everything the record names, the saved games only with `saves`; then,
    // if everything went, the registration, the record and the uninstaller
    // itself (at the next start of Windows when it is the running program),
    // and the folders left empty.  While something stays, the record and
    // the uninstaller stay too, so that the player can try again.
    Report removeGame(bool saves);

    // The patch's files and shortcuts, each game file it replaced given its
    // original back; each step goes on the record as it is done.  Nothing
    // changes when an original was not kept.
    Report removePatch(shell::record::Writer& writer);

private:
    // Deletes a file, asking about each failure; false when it stays.
    bool remove(const std::string& path);
    bool removeEmptyFolder(const std::string& path);
    void removeTree(const std::string& folder);
    bool isSave(const std::string& path) const;
    bool otherInstallationLeft() const;

    const shell::record::Record& record_;
    RemovalView& view_;
    Report report_;
};

}  // namespace uninstall
