#include "uninstall/RemovalRun.h"

#include "platform/SystemError.h"
#include "shell/Face.h"
#include "shell/RecordFile.h"
#include "shell/RunLog.h"

namespace {

using shell::Text;

// A report's lists name their first lines and count the rest.
constexpr std::size_t kShown = 20;

void listed(std::string& text, const std::vector<std::string>& paths, const shell::MessageTable& m) {
    const std::size_t shown = std::min(paths.size(), kShown);
    for (std::size_t i = 0; i < shown; ++i) text += "\r\n" + paths[i];
    if (paths.size() > shown) text += "\r\n" + shell::formatCount(m.get(Text::UninstallMore), paths.size() - shown);
}

void list(std::string& text, const std::string& heading, const std::vector<std::string>& paths,
          const shell::MessageTable& m) {
    if (paths.empty()) return;
    text += "\r\n\r\n" + heading;
    listed(text, paths, m);
}

}  // namespace

namespace uninstall {

Report removePatchFrom(const Installed& game, RemovalView& view) {
    shell::RunLog log(shell::kUninstallLog, "removal of the patch from " + game.folder.text());
    log.placeInTemp();
    return shell::loggingErrors(log, [&] {
        Report report;
        shell::record::Record after;
        {
            shell::record::Writer writer(game.folder, game.record.codePage);
            Removal removal(writer.record(), game.folder, view, log);
            if (game.damaged) removal.recordDamaged();
            report = removal.removePatch(writer);
            after = writer.record();
        }
        // The writer holds the record open: on a folder that holds our patch
        // only, what goes with the patch goes once it is closed.
        if (!after.patchOnly()) return report;
        Removal traces(after, game.folder, view, log);
        if (game.damaged) traces.recordDamaged();
        return traces.removeOwnTraces(std::move(report));
    });
}

Report removeGameFrom(const Installed& game, bool saves, RemovalView& view) {
    shell::RunLog log(shell::kUninstallLog, "removal of the game from " + game.folder.text());
    log.placeInTemp();
    return shell::loggingErrors(log, [&] {
        Removal removal(game.record, game.folder, view, log);
        if (game.damaged) removal.recordDamaged();
        return removal.removeGame(saves);
    });
}

void tellReport(shell::Face& face, const Report& report, const shell::MessageTable& m, bool patch) {
    const auto shown = reportText(report, m, patch);
    face.show(shown.text, m.get(shown.warning ? shell::Msg::Warning : shell::Msg::Notice),
              shown.warning ? shell::MsgKind::Warning : shell::MsgKind::Information);
}

plat::Answer askAboutFailure(shell::Face& face, const std::string& path, std::uint32_t code,
                             const shell::MessageTable& m) {
    return face.ask(shell::Question::RemovalFailed, plat::systemText(code) + "\r\n\r\n" + path,
                    m.get(shell::Msg::Error), 0);
}

ReportText reportText(const Report& r, const shell::MessageTable& m, bool patch) {
    if (r.outcome == Report::NoOriginals) return {m.get(Text::UninstallNoOriginals), true};
    if (r.outcome == Report::NoPatch) return {m.get(Text::UninstallNoPatch), true};
    std::string text;
    if (patch) {
        text = m.get(Text::UninstallPatchDone);
        listed(text, r.restored, m);
        list(text, m.get(Text::UninstallPatchRemoved), r.removed, m);
        list(text, m.get(Text::UninstallLeftOver), r.leftOver, m);
    } else if (r.complete()) {
        text = m.get(Text::UninstallGameDone);
    } else {
        text = m.get(Text::UninstallIncomplete);
        listed(text, r.leftOver, m);
    }
    if (r.recordDamaged) text += "\r\n\r\n" + m.get(Text::UninstallRecordDamaged);
    list(text, m.get(Text::UninstallLinksKept), r.links, m);
    list(text, m.get(Text::UninstallIgnored), r.ignored, m);
    list(text, m.get(Text::UninstallAtRestart), r.atRestart, m);
    list(text, m.get(Text::UninstallKept), r.kept, m);
    const bool warning = !r.leftOver.empty() || r.aborted || r.recordDamaged || !r.links.empty() || !r.ignored.empty();
    return {text, warning};
}

}  // namespace uninstall
