// The disc run's log, written from the run's events: every line the log
// holds about a run is worded here.
#pragma once

#include "discinstall/RunEvents.h"
#include "shell/RunLog.h"

namespace discinstall {

class RunLogger : public RunEvents {
public:
    RunLogger();
    // The log itself: placed once the install folder is checked.
    shell::RunLog& log() { return log_; }
    const shell::RunLog& log() const { return log_; }

    void started(const std::string& source, const std::string& typedFolder) override;
    void refused(Refusal why, const std::string& subject, std::uint32_t code) override;
    void folderMade(const std::string& folder) override;
    void folderTakenBack(const std::string& folder, bool gone) override;
    void listingCancelled() override;
    void discFound(int disc, const std::string& where, bool belowSource) override;
    void discMissing(int disc, const std::string& source) override;
    void folderChosen(const std::string& folder) override;
    void folderUnusable(const std::string& reason) override;
    void answered(Question question, int disc, plat::Answer answer) override;
    void clusterUntold(const std::string& drive, std::uint32_t code, std::uint32_t takenAs) override;
    void roomChecked(const RoomReport& room) override;
    void staleRemoved(const std::string& path) override;
    void stampNotKept(const std::string& source, std::uint32_t code) override;
    void fileInstalled(const std::string& source, const std::string& target, const FileResult& result) override;
    void fileFailed(const std::string& source, const std::string& target, const FileResult& result,
                    plat::Answer answer) override;
    void ended(Outcome outcome) override;
    void shortcutFailed(const std::string& reason) override;
    void finished(std::size_t placed, const std::vector<std::string>& leftOut,
                  const std::string& unregistered) override;

private:
    shell::RunLog log_;
};

}  // namespace discinstall
