#include "discinstall/Discs.h"

#include <exception>
#include <utility>

#include "discinstall/DiscFiles.h"
#include "platform/AnsiText.h"
#include "shell/MessageTable.h"

namespace discinstall {

Discs::Discs(shell::Face& face, std::array<std::string, 3> folders, std::function<void(const std::string&)> log)
    : face_(face), folders_(std::move(folders)), log_(std::move(log)) {}

int Discs::discOf(const plat::Path& relative) const { return discinstall::discOf(relative); }

std::optional<plat::Path> Discs::fileOnDisc(const plat::Path& relative) {
    const int disc = discOf(relative);
    const auto folder = root(disc);
    if (!folder) return std::nullopt;
    return *folder / relative.text();
}

std::optional<plat::Path> Discs::root(int disc) {
    const std::size_t i = static_cast<std::size_t>(disc - 1);
    if (!roots_[i] && !givenUp_[i]) {
        if (const auto found = locate(disc)) {
            last_ = *found;
            roots_[i] = discRoot(disc, plat::Path(*found));
        } else {
            givenUp_[i] = true;
        }
    }
    return roots_[i];
}

// Where it was told to be, else where the last disc was or a CD drive; then
// the player is asked, as the installation asks: to put disc 2 or 3 in, and
// to point at the disc's files.
std::optional<std::string> Discs::locate(int disc) {
    using shell::Msg;
    using shell::Question;
    std::string look = folders_[static_cast<std::size_t>(disc - 1)].empty() ? last_
                                                                            : folders_[static_cast<std::size_t>(disc - 1)];
    bool askedToInsert = disc == 1;
    for (;;) {
        if (auto found = findDisc(disc, look)) {
            log_("disc " + std::to_string(disc) + " found in " + *found);
            return found;
        }
        log_("disc " + std::to_string(disc) + " is neither in " + (look.empty() ? "the source" : look) +
             " nor in a CD drive");
        if (!askedToInsert) {
            askedToInsert = true;
            if (face_.ask(Question::DiscWanted, disc == 2 ? Msg::InsertDisc2 : Msg::InsertDisc3, Msg::ChangeDisc,
                          disc) == plat::Answer::Cancel)
                return std::nullopt;
            continue;
        }
        if (face_.ask(Question::LocateDisc, Msg::LocateFiles, Msg::Error, disc) != plat::Answer::Ok)
            return std::nullopt;
        try {
            if (auto picked = face_.pickFolder()) look = text::cutDriveRoot(*picked);
        } catch (const std::exception& e) {
            face_.showError(e.what());
        }
    }
}

}  // namespace discinstall
