// The discs for what puts a file of an installed game back: each found as
// the installation finds its discs, and asked for through the face when it
// is not where it was looked for.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "platform/Path.h"
#include "shell/DiscSource.h"
#include "shell/Face.h"

namespace discinstall {

class Discs : public shell::DiscSource {
public:
    // `folders`: where each disc lies when the command line says (empty: where
    // the last disc was, then the CD drives); `log`: where each find is told.
    Discs(shell::Face& face, std::array<std::string, 3> folders, std::function<void(const std::string&)> log);

    int discOf(const plat::Path& relative) const override;
    std::optional<plat::Path> fileOnDisc(const plat::Path& relative) override;

private:
    // The disc's folder whose files go into the install folder; each disc
    // is looked for (and asked for) once.
    std::optional<plat::Path> root(int disc);
    std::optional<std::string> locate(int disc);

    shell::Face& face_;
    std::array<std::string, 3> folders_;
    std::function<void(const std::string&)> log_;
    std::array<std::optional<plat::Path>, 3> roots_;
    std::array<bool, 3> givenUp_{};
    std::string last_;  // where the last disc was found
};

}  // namespace discinstall
