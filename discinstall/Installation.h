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
#include <string>
#include <vector>

#include "discinstall/DiscFiles.h"
#include "discinstall/FileInstall.h"
#include "discinstall/RunEvents.h"
#include "discinstall/RunRecord.h"

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
    Installation(TKqFileCopy& copy, InstallationView& view);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // A run lasts from the start's first check to its last message; only one
    // runs at a time.
    bool active() const { return run_.active; }

    // The start button: checks the disc below `source` and the install folder
    // as typed, then copies the three discs.  Does nothing while a run is
    // under way.
    void start(const std::string& source, const std::string& typedFolder);
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
    const std::string& runSource() const { return runSource_; }
    const std::string& installFolder() const { return installFolder_; }
    // How the last run ended.
    const RunEnd& lastRun() const { return end_; }

private:
    // How one listed file ended.
    enum class FileEnd { Placed, LeftOut, Cancelled, GaveUp };
    class Active;

    bool cancelled() const { return run_.cancelRequested; }
    // The start's checks, each refusing the folder with its reason, before
    // anything is written; true once the record is open.
    bool checkFolder(const std::string& typedFolder);
    // Disc 1's room, before anything goes into the folder; false when the
    // player gave up.
    bool roomForDisc1(const std::string& folder);
    // Makes the folder (with its parents when asked); false, refused, when it
    // cannot be made.
    bool makeFolder(const std::string& folder);
    bool openRecord(const std::string& folder);
    // The folders this run made, taken away again (while empty) when it
    // ends with nothing written into them.
    void takeBackFolders();
    void showOverall(std::uint32_t transferred);
    void setOverall(int percent);
    void runDiscs();
    // Where the disc's files begin below its folder, and where a file of it
    // lands in the install folder.
    std::string discPrefix(int disc) const;
    std::string targetOf(const std::string& source, const std::string& prefix) const;
    Outcome listDisc(int disc, const std::string& prefix);
    bool copyDisc(int disc);
    Outcome copyDiscList(const std::string& prefix);
    FileEnd installListed(const std::string& source, const std::string& target, bool playersOwn);
    bool askForDisc(int disc);
    bool locateDisc(int disc);
    void pickDiscFolder();
    // The end of a run cut short, and of one that went through all three discs.
    void endEarly(Outcome outcome);
    void refuse(Refusal why, const std::string& subject, std::uint32_t code);
    void finish();

    InstallationView& view_;
    // The files of the disc being copied, one list for the whole program.
    DiscList files_;
    FileInstaller installer_;
    std::string runSource_, installFolder_;
    // The run's events, which write its log; held for the run under way.
    std::unique_ptr<RunLogger> events_;
    // The install folder's record, open while a run writes there.
    RunRecord record_;
    RunEnd end_;
    bool makesParents_ = false;
    std::vector<std::string> made_;  // folders the run made, outermost first

    // What the run in progress knows of itself.
    struct Run {
        bool active = false;
        bool cancelRequested = false;  // the cancel button or the close box during the run
        int disc = 0;                  // 1 to 3
        std::uint64_t discDone = 0;    // bytes of the disc's files in place before the current one
        int overall = 0;               // what the overall bar shows; it only grows
        std::size_t placed = 0;        // destinations that hold the disc's file (or the player's own)
        std::uint64_t bytesPlaced = 0; // their sizes, the installation's size
        std::vector<std::string> leftOut;  // destinations the player let go without their file
    } run_;
};

}  // namespace discinstall
