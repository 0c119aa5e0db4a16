// The disc installation: disc 1, then disc 2 and disc 3 as the player
// inserts or locates them, each file copied by the window's copy component
// while the run waits with the windows alive; then the game's shortcut.
// The run owns its state, its file list and its use of the copy component;
// the window shows its progress through InstallationView.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "discinstall/DiscFiles.h"

class TKqFileCopy;

namespace shell {
class RunLog;
}
namespace shell::record {
class Writer;
}

namespace discinstall {

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

private:
    // How a step of the run ended.
    enum class Outcome {
        Done,
        Cancelled,  // the player cancelled the run: back to the main window
        GaveUp,     // the player gave up: the program ends
        Refused,    // the install folder cannot take the disc: said, back to the main window
    };
    class Active;
    class Temporary;

    bool cancelled() const { return run_.cancelRequested; }
    void startChecked(const std::string& source, const std::string& typedFolder);
    void showOverall(std::uint32_t transferred);
    void setOverall(int percent);
    void runDiscs();
    bool copyDisc(int kind, const std::string& prefix);
    Outcome copyDiscList(const std::string& prefix);
    Outcome installFile(const std::string& source, const std::string& target, bool playersOwn, bool& placed);
    Outcome copyOnce(const std::string& source, const std::string& target);
    void noteFailure(std::uint32_t code);
    // What goes on the record: a folder before it is made, a file before it
    // is written and again once it is whole.
    void makeRecordedFolders(const std::string& folder);
    void announce(const std::string& target);
    void recordWhole(const std::string& target);
    void recordInPlace(const std::string& target);
    // The uninstaller's copies (this program and its language files): from, to.
    std::vector<std::pair<std::string, std::string>> uninstallerCopies() const;
    std::uint64_t uninstallerRoom(std::uint32_t cluster) const;
    // What the run writes besides the copies: the record's and the log's
    // lines, the folders it makes; in whole allocation units.
    std::uint64_t runRoom(const std::string& prefix, std::uint32_t cluster) const;
    void installUninstaller();
    std::string registerGame();
    bool askForDisc(int kind);
    bool locateDisc(int kind);
    void giveUp();
    void finish();
    // Before a disc's first copy: room on the install folder's drive for
    // what the disc still needs, or the player's answer.
    Outcome checkRoom(int kind, const std::string& prefix);
    // A line of the run's log.
    void note(const std::string& line);

    TKqFileCopy& copy_;
    InstallationView& view_;
    // The files of the disc being copied, one list for the whole program.
    DiscList files_;
    // 0 while a file's copy is under way, 1 once the copy component has finished it.
    int finishFlag_ = 0;
    std::string runSource_, installFolder_;
    // The log of the run under way.
    std::unique_ptr<shell::RunLog> log_;
    // The install folder's record, held while a run writes there.
    std::unique_ptr<shell::record::Writer> record_;

    // What the run in progress knows of itself.
    struct Run {
        bool active = false;
        bool cancelRequested = false;  // the cancel button or the close box during the run
        bool copyFailed = false;       // the copy component reported an error for the current file
        std::string failure;           // the system's text of that error
        std::uint32_t failureCode = 0;
        int disc = 0;                  // 1 to 3
        std::uint64_t discDone = 0;    // bytes of the disc's files in place before the current one
        int overall = 0;               // what the overall bar shows; it only grows
        std::size_t placed = 0;        // destinations that hold the disc's file (or the player's own)
        std::uint64_t bytesPlaced = 0; // their sizes, the installation's size
        std::vector<std::string> leftOut;  // destinations the player let go without their file
    } run_;
};

}  // namespace discinstall
