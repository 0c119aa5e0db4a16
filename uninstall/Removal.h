// Taking an installation away by its record: the whole game, or the patch
// alone with the game's originals put back.  Only what the record names
// below the game folder is touched, each name looked up on the disk and
// never through a link; outside the folder only fixed names are: this
// folder's entry in Windows' list, the shortcuts in the game's Start-menu
// folder that point into the game folder, and the add-on's files and
// registry names once no other installation is left.  A file that cannot go
// is the player's to retry or let be.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Desktop.h"
#include "platform/Path.h"
#include "shell/InstallRecord.h"

namespace shell {
class RunLog;
}
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
    std::vector<std::string> links;      // links in the game folder, left as they were
    std::vector<std::string> ignored;    // record lines naming what a record may not
    bool recordDamaged = false;          // lines of the record did not read
    bool aborted = false;                // the player stopped it
    bool complete() const { return outcome == Done && leftOver.empty() && !aborted; }
};

class Removal {
public:
    // `folder` is where the game lies now (the record may name where it was).
    Removal(const shell::record::Record& record, const plat::Path& folder, RemovalView& view, shell::RunLog& log);

    // Lines of the record that did not read: told in the report.
    void recordDamaged() { damaged_ = true; }

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

    // On a folder that holds our patch only (Record::patchOnly()), after the
    // patch's removal, whose report it goes on with, by the record as that
    // left it: once nothing of the patch is left, what this program left
    // beside it goes too (kept originals, what a killed run left, the
    // folder's entry in Windows' list, the voice add-on once no other
    // installation is left, the record and the uninstaller, at the next start
    // of Windows when it is the running program).  The game folder and the
    // game in it stay, and so does the patch's log, the story of it.
    Report removeOwnTraces(Report patch);

private:
    struct Found {
        plat::Path path;           // as the disk spells it
        std::uint32_t attributes;  // its entry's
    };
    // A game file the patch replaced, and the copy of its original that goes back.
    struct Restore {
        plat::Path target;  // relative
        Found kept;
    };
    // One try at removing or putting back a file or folder: done, failed with
    // the system's code (the player is asked), or left without asking.
    struct Attempt {
        enum Kind { Done, Failed, Left } kind;
        plat::SysError error = plat::kOk;
    };

    // The report begun: what did not read, what the record may not name.
    void beginReport();
    // The entry a path relative to the game folder names, looked up name by
    // name; nullopt when it is not there, or when a name on the way is a
    // link (told in the report: nothing behind it is touched).
    std::optional<Found> locate(const plat::Path& relative, bool* throughLink = nullptr);
    void leaveLink(const plat::Path& path);
    // Tries until the attempt is done or the player lets it be (Ignore,
    // Abort); false when it stays.
    bool untilDone(const plat::Path& what, const std::function<Attempt()>& attempt);
    // Deletes a file, asking about each failure; false when it stays.
    bool removeFile(const plat::Path& path, std::uint32_t attributes, bool ours);
    bool removeRecorded(const plat::Path& relative);
    bool removeEmptyFolder(const plat::Path& path);
    void removeTree(const plat::Path& folder);
    void removeShortcuts(const std::vector<int>& kinds, bool patch);
    void removeAddOn();
    void removeEntries();
    // The uninstaller's files and folder; the game folder too, once empty,
    // with `gameFolderToo`.
    void removeOwnFiles(bool gameFolderToo);
    void tellIgnored();

    // The whole game's steps, in order.
    std::vector<plat::Path> filesWritten() const;
    void removeFilesWritten(bool saves);
    void removeFoldersMade();
    void tellWhatStays(bool saves);

    // The patch's steps, in order; nullopt (told in the report) when an
    // original is missing.
    std::optional<std::vector<Restore>> originalsToRestore(const shell::record::Record& record,
                                                            const std::vector<shell::record::Record::Item>& files);
    void restoreOriginals(const std::vector<Restore>& originals, shell::record::Writer& writer);
    void removePatchFiles(const std::vector<shell::record::Record::Item>& files, shell::record::Writer& writer);
    void removePatchLinks(const std::vector<shell::record::Record::Item>& links, shell::record::Writer& writer);

    bool isSave(const plat::Path& path) const;
    bool liesHere(const plat::Path& path) const;
    bool otherInstallationLeft() const;
    // Folders the game lay in before a move that no longer hold it.
    std::vector<plat::Path> findFormerFolders() const;
    bool failed(const plat::Path& what, plat::SysError error);
    bool settled() const;

    const shell::record::Record& record_;
    plat::Path folder_;
    RemovalView& view_;
    shell::RunLog& log_;
    Report report_;
    bool damaged_ = false;
    std::vector<plat::Path> former_;  // findFormerFolders(), once
};

}  // namespace uninstall
