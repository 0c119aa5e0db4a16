// The disc installation: disc 1, then disc 2 and disc 3 as the player
// inserts or locates them, each file copied by the window's copy component
// while the run waits with the windows alive; then the game's shortcut.
// The run owns its state, its file list and its parts: the installation of
// one file (FileInstaller, the run's use of the copy component), the room
// check before each disc (DiscRoom), the record (RunRecord) and the log,
// written from the events the run reports (RunLogger).  The window shows
// its progress through InstallationView.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "discinstall/DiscFiles.h"
#include "discinstall/FileInstall.h"
#include "discinstall/RunEvents.h"
#include "discinstall/RunRecord.h"
#include "platform/Path.h"

class TKqFileCopy;

namespace discinstall {

class RunLogger;

// What the run shows, implemented by its window.
class InstallationView {
public:
    virtual ~InstallationView() = default;
    // The run has begun copying: the progress page, every bar at 0.
    virtual void showProgressPage() = 0;
    virtual void clearProgress() = 0;
    // The file being copied and where it goes.
    virtual void showFile(const std::string& source, const std::string& target) = 0;
    // The whole run's share done, in percent.
    virtual void showOverallProgress(int percent) = 0;
    // The run is over: the window goes once the run has returned.
    virtual void closeWindow() = 0;
};

class Installation {
public:
    // The run meets the player through `face`: its notices and questions.
    Installation(TKqFileCopy& copy, InstallationView& view, shell::Face& face);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // A run lasts from the start's first check to its last message; only one
    // runs at a time.
    bool active() const { return run_.active; }

    // The start button: checks the disc below `source` and the install folder
    // as typed, then copies the three discs; how the run ended.  Does
    // nothing while a run is under way (NotRun).  An error that ends the run
    // is logged, shown through the face, and ends it as Failed.
    RunEnd start(const std::string& source, const std::string& typedFolder);
    // Whether a run makes the install folder's missing parents too (a typed
    // path, unattended) or only its last level (the window's).
    void setMakesParents(bool makes) { makesParents_ = makes; }
    // The cancel button or the close box during the run: the current copy
    // stops and the run ends.
    void cancel();

    // The copy component's events, as the window receives them.
    void copyProgressed(std::uint32_t transferred);
    void copyFinished();
    void copyFailed(const std::string& text, std::uint32_t code);

    // The folder that stands for the disc being read (the source at the
    // start, then wherever the player locates a disc), and the folder being
    // filled.
    const plat::Path& runSource() const { return runSource_; }
    const plat::Path& installFolder() const { return installFolder_; }

private:
    // How one listed file ended.
    enum class FileEnd { Placed, LeftOut, Cancelled, GaveUp };
    // The end of the run when a step ends it there; nothing when it goes on.
    using Stop = std::optional<RunEnd>;
    class Active;

    bool cancelled() const { return run_.cancelRequested; }
    RunEnd run(const std::string& typedFolder);
    // The start's checks, each refusing the folder with its reason, before
    // anything is written; nothing once the record is open.
    Stop checkFolder(const std::string& typedFolder);
    Stop checkName(const std::string& typedFolder, plat::Path& folder);
    Stop listDisc1(const plat::Path& folder);
    // Disc 1's room, before anything goes into the folder.
    Stop roomForDisc1(const plat::Path& folder);
    // Makes the folder (with its parents when asked).
    Stop makeFolder(const plat::Path& folder);
    Stop openRecord(const plat::Path& folder);
    // The folders this run made, taken away again (while empty) when it
    // ends with nothing written into them.
    void takeBackFolders();
    void showOverall(std::uint32_t transferred);
    void setOverall(int percent);
    RunEnd runDiscs();
    // Where the disc's files begin below its folder, and where a file of it
    // lands in the install folder.
    Stop listDisc(int disc, const plat::Path& root);
    Stop copyDisc(int disc);
    Outcome copyDiscList(const plat::Path& root);
    FileEnd installListed(const plat::Path& source, const plat::Path& target, bool playersOwn);
    Stop askForDisc(int disc);
    Stop locateDisc(int disc);
    void pickDiscFolder();
    // The end of a run cut short (and the question that gave up, if any),
    // and of one that went through all three discs.
    RunEnd endEarly(Outcome outcome, std::optional<Question> at = std::nullopt);
    RunEnd refuse(Refusal why, const std::string& subject, std::uint32_t code);
    RunEnd finish();
    RunEnd ending(RunEnd::Kind kind) const;

    InstallationView& view_;
    shell::Face& face_;
    // The files of the disc being copied, one list for the whole program.
    DiscList files_;
    FileInstaller installer_;
    plat::Path runSource_;
    plat::Path installFolder_;
    // The run's events, which write its log; held for the run under way.
    std::unique_ptr<RunLogger> events_;
    // The install folder's record, open while a run writes there.
    RunRecord record_;
    bool makesParents_ = false;

    // What the run in progress knows of itself.
    struct Run {
        bool active = false;
        bool cancelRequested = false;  // the cancel button or the close box during the run
        bool wrote = false;            // the record is open: the folder is the record's
        int disc = 0;                  // 1 to 3
        std::uint64_t discDone = 0;    // bytes of the disc's files in place before the current one
        int overall = 0;               // what the overall bar shows; it only grows
        std::size_t placed = 0;        // destinations that hold the disc's file (or the player's own)
        std::uint64_t bytesPlaced = 0; // their sizes, the installation's size
        std::vector<plat::Path> leftOut;  // destinations the player let go without their file
        std::vector<plat::Path> made;     // folders the run made, outermost first
    } run_;
};

}  // namespace discinstall
