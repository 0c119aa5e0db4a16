// The face of a run that nobody watches: every notice and question goes to
// the log, and each question is answered by its rule, written here once.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "shell/Face.h"

namespace shell {

// What the command line chose beforehand.
struct UnattendedChoices {
    bool removeSaves = false;
    // Where each disc lies when the command line says (empty: the CD drives).
    std::array<std::string, 3> discFolders;
};


class UnattendedFace : public Face {
public:
    explicit UnattendedFace(UnattendedChoices choices) : choices_(std::move(choices)) {}

    // A question's unattended answer now; a disc's planned folder is
    // offered once.
    plat::Answer rule(Question q, int disc) const;

    using Face::ask;
    using Face::show;
    plat::Answer show(const std::string& text, const std::string& caption, MsgKind kind) override;
    plat::Answer ask(Question q, const std::string& text, const std::string& caption, int disc) override;
    std::optional<std::string> pickFolder() override;
    void showDocument(const std::string& path) override;
    void showError(const std::string& text) override;
    bool attended() const override { return false; }

    // A line for the log of the moment (the run's, else the unattended run's own).
    static void note(const std::string& line);
    // The run's last line: the exit code, what it means and, when it is not
    // 0, why; the code.
    static int exitWith(ExitCode code, const std::string& why = "");

private:
    UnattendedChoices choices_;
    int locating_ = 0;                    // the disc LocateDisc was answered OK for
    std::array<bool, 3> offered_{};       // planned folders already given
};

}  // namespace shell
