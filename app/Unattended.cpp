#include "app/Unattended.h"


#include <exception>
#include <functional>
#include <optional>

#include "base/Error.h"
#include "base/InForce.h"
#include "discinstall/FileCopy.h"
#include "discinstall/Installation.h"
#include "discinstall/RunEvents.h"
#include "extras/VoiceAddOn.h"
#include "patch/PatchRun.h"
#include "platform/AnsiText.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Host.h"
#include "platform/Path.h"
#include "platform/Program.h"
#include "platform/SystemError.h"
#include "shell/Language.h"
#include "shell/RunLog.h"
#include "shell/Services.h"
#include "shell/Unattended.h"
#include "ui/Application.h"
#include "uninstall/Uninstaller.h"

namespace app {

namespace {

using shell::ExitCode;
using shell::UnattendedFace;

const char kDefaultFolder[] = "C:\\Lunavire";

// What the command line chose, in place of the main window's state.
class Chosen : public shell::Settings {
public:
    explicit Chosen(const shell::CommandLine& line)
        : language_(shell::detectedLanguageByFile()), shortcuts_(!line.noShortcuts) {
        shell::loadMessages(shell::detectedLanguageFile(), messages_);
        // The record names the language as its file is named, for the uninstaller.
        const auto byLanguage = shell::detectedLanguage() == shell::kSimplified ? shell::Edition::Simplified
                                                                               : shell::Edition::Traditional;
        edition_ = line.patch.value_or(byLanguage);
    }
    const shell::MessageTable& messages() const override { return messages_; }
    std::string sourceFolder() const override { return source_; }
    void setSourceFolder(const std::string& folder) override { source_ = folder; }
    shell::Edition edition() const override { return edition_; }
    std::string languageName() const override { return language_; }
    void closeMainWindow() override {}  // there is none: the run ends by itself
    bool makesShortcuts() const override { return shortcuts_; }

private:
    shell::MessageTable messages_;
    std::string language_, source_;
    shell::Edition edition_ = shell::Edition::Simplified;
    bool shortcuts_;
};

// The host of a run without windows: errors go to the log, and the end the
// system asks for cancels the run under way.
class Unwatched : public plat::Host {
public:
    void showError(const std::string& text) override { UnattendedFace::note("error: " + text); }
    void endProgram() override {
        UnattendedFace::note("the system asked the program to end");
        ended_ = true;
        if (onEnd) onEnd();
    }
    plat::ControlPeer* mainWindow() override { return nullptr; }
    Busy busy() override { return {}; }
    void restart() override { ended_ = false; }
    bool ended() const { return ended_; }

    std::function<void()> onEnd;

private:
    bool ended_ = false;
};

// The disc run's progress, every tenth of the way, in the log.
class LoggedProgress : public discinstall::InstallationView {
public:
    void showProgressPage() override {}
    void clearProgress() override {}
    void showFile(const std::string&, const std::string&) override {}  // the run's log names each file
    void showOverallProgress(int percent) override {
        if (percent / 10 <= told_ / 10) return;
        told_ = percent;
        UnattendedFace::note("installed " + std::to_string(percent) + "%");
    }
    void closeWindow() override {}

private:
    int told_ = 0;
};

class NoGauge : public patch::PatchView {
public:
    void showStep(patch::Step) override {}
};

// How a step of the run ended: its exit code and, unless it is Done, why.
struct Ended {
    ExitCode code = ExitCode::Done;
    std::string why;
};

// The question at which a disc run gave up, by its rule's code.
Ended exitOfGivingUp(std::optional<shell::Question> at) {
    switch (at.value_or(shell::Question::DiscWanted)) {
        case shell::Question::DiscWanted:
        case shell::Question::LocateDisc:
            return {ExitCode::DiscMissing, "a disc was found neither in the source nor in a CD drive"};
        case shell::Question::TooLittleRoom:
            return {ExitCode::NoRoom, "the install folder's drive has too little room for the disc"};
        case shell::Question::CopyFailed: return {ExitCode::FilesLeftOut, "a file could not be copied"};
        case shell::Question::RemovalFailed:
        case shell::Question::RemoveSaves:
        case shell::Question::ConfirmVoiceAddOn:
            break;  // not the disc run's
    }
    return {ExitCode::Cancelled, "the installation is not complete"};
}

// What a disc run's end comes to: its code, from the end alone.
Ended exitOf(const discinstall::RunEnd& end) {
    using Kind = discinstall::RunEnd::Kind;
    switch (end.kind) {
        case Kind::Finished:
            if (end.leftOut) return {ExitCode::FilesLeftOut, std::to_string(end.leftOut) + " files are left out"};
            if (!end.registered) return {ExitCode::FilesLeftOut, "the game is not in the list of installed programs"};
            if (end.shortcutMissing) return {ExitCode::FilesLeftOut, "the Start-menu shortcut was not made"};
            return {};
        case Kind::Refused:
            return {end.refusal == discinstall::Refusal::DiscMissing ? ExitCode::DiscMissing : ExitCode::Refused,
                    end.why};
        case Kind::Cancelled: return {ExitCode::Cancelled, "the installation was cancelled"};
        case Kind::GaveUp: return exitOfGivingUp(end.gaveUpAt);
        case Kind::Failed: return {end.wrote ? ExitCode::FilesLeftOut : ExitCode::Refused, end.why};
        case Kind::NotRun: break;
    }
    return {ExitCode::AlreadyRunning, "an installation is under way"};
}

Ended installGame(const std::string& folder, const std::string& disc1, Unwatched& host) {
    const auto source = !disc1.empty() ? std::optional<std::string>(disc1) : discinstall::findDiscInDrives(1);
    if (!source) {
        shell::showMessage(shell::Msg::DiscNotFound, shell::Msg::Error, shell::MsgKind::Stop);
        return {ExitCode::DiscMissing, "disc 1 is in no CD drive"};
    }
    TKqFileCopy copy(nullptr, "KqFileCopy1");
    LoggedProgress view;
    discinstall::Installation run(copy, view, shell::face());
    // A typed path's missing parents are made too, once the checks have
    // passed (nobody can pick an existing one); they stay when the game is
    // removed, and go again when the run wrote nothing into them.
    run.setMakesParents(true);
    copy.OnCopyProgress = [&](ui::Component*, std::uint32_t, std::uint32_t transferred, std::uint8_t) {
        run.copyProgressed(transferred);
    };
    copy.OnFinish = [&](ui::Component*) { run.copyFinished(); };
    copy.OnError = [&](ui::Component*, const std::string& text, std::uint32_t code) { run.copyFailed(text, code); };
    struct Watching {
        Unwatched& host;
        ~Watching() { host.onEnd = nullptr; }
    } watching{host};
    host.onEnd = [&] { run.cancel(); };
    return exitOf(run.start(*source, folder));
}

Ended applyPatch(const std::string& folder) {
    try {
        if (!patch::holdsGame(folder)) {
            shell::showMessage(shell::Msg::NoGameFiles, shell::Msg::Warning, shell::MsgKind::Stop);
            return {ExitCode::Refused, "no game to patch in " + folder};
        }
        NoGauge gauge;
        patch::PatchRun run(gauge, shell::face());
        run.setGameFolder(folder);
        const patch::PatchEnd end = run.run();
        if (!end.unregistered.empty())
            return {ExitCode::FilesLeftOut,
                    "the patched game is not in the list of installed programs: " + end.unregistered};
        return {};
    } catch (const patch::Refused& e) {
        // Told before anything was written: too little room, or a target it may not replace.
        UnattendedFace::note(std::string("the patch is refused: ") + e.what());
        return {e.code() == plat::err::DiskFull ? ExitCode::NoRoom : ExitCode::Refused, e.what()};
    } catch (const std::exception& e) {
        // A write that failed (a disk that filled meanwhile too): not complete.
        UnattendedFace::note(std::string("the patch stopped: ") + e.what());
        return {ExitCode::FilesLeftOut, e.what()};
    }
}

Ended installVoice() {
    try {
        switch (extras::installVoiceAddOn(shell::face())) {
            case extras::AddOnEnd::Installed:
            case extras::AddOnEnd::Declined: return {};  // no question is declined unattended
            case extras::AddOnEnd::NotInstalled: return {ExitCode::FilesLeftOut, "the voice add-on is not installed"};
            case extras::AddOnEnd::NotRecorded:
                return {ExitCode::FilesLeftOut, "the voice add-on is not on every uninstall record"};
        }
        return {ExitCode::FilesLeftOut, "the voice add-on is not wholly installed"};
    } catch (const extras::Refused& e) {
        UnattendedFace::note(std::string("the voice add-on is refused: ") + e.what());
        return {ExitCode::Refused, e.what()};
    } catch (const std::exception& e) {
        UnattendedFace::note(std::string("the voice add-on stopped: ") + e.what());
        return {ExitCode::FilesLeftOut, e.what()};
    }
}

// What the run does: the game from the discs unless only the add-on is
// asked for, or the patch for a folder that holds the game already.
struct Plan {
    bool game, patch, voice;
};

Plan planOf(const shell::CommandLine& line, const std::string& folder) {
    const bool voiceAlone = line.voice && !line.dir && line.sources.empty() && !line.patch;
    const bool patchAlone = line.patch && line.sources.empty() && patch::holdsGame(folder);
    return {!voiceAlone && !patchAlone, line.patch.has_value(), line.voice};
}

Ended runSteps(const shell::CommandLine& line, Unwatched& host,
               const std::array<std::string, 3>& discs) {
    try {
        // One spelling of the folder, by which it is registered and compared.
        const std::string folder = plat::longName(plat::Path(line.dir.value_or(kDefaultFolder))).text();
        const Plan plan = planOf(line, folder);
        Ended ended;
        if (plan.game) ended = installGame(folder, discs[0], host);
        // Once the system asked the program to end, no further step begins.
        if (ended.code == ExitCode::Done && plan.patch && !host.ended()) ended = applyPatch(folder);
        if (ended.code == ExitCode::Done && plan.voice && !host.ended()) ended = installVoice();
        return ended;
    } catch (const std::exception& e) {
        // Before any step began: the folder's name, too long for the file calls.
        UnattendedFace::note(std::string("error: ") + e.what());
        return {ExitCode::Refused, e.what()};
    }
}

// A "\n" in a language file's text (one line there) breaks the line.
std::string withLineBreaks(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = text::charLength(s, i);
        if (n == 1 && s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
            out += "\r\n";
            i += 2;
            continue;
        }
        out.append(s, i, n);
        i += n;
    }
    return out;
}

}  // namespace

std::array<std::string, 3> discFolders(const std::vector<std::string>& sources) {
    std::array<std::string, 3> discs;
    if (sources.size() == 1 && plat::files().folderExists(plat::Path(sources[0]) / "DISC1")) {
        for (int i = 0; i < 3; ++i) discs[i] = (plat::Path(sources[0]) / ("DISC" + std::to_string(i + 1))).text();
        return discs;
    }
    for (std::size_t i = 0; i < sources.size() && i < discs.size(); ++i) discs[i] = sources[i];
    return discs;
}


int showUsage(const shell::CommandLine& line) {
    shell::MessageTable messages;
    shell::loadMessages(shell::detectedLanguageFile(), messages);
    std::string text = withLineBreaks(messages.get(shell::Text::Usage));
    if (!line.fault.empty()) text = line.fault + "\r\n\r\n" + text;
    if (line.silent) {
        shell::RunLog log(shell::kUnattendedLog, "unattended run");
        log.placeInTemp();
        log.line("command line: " + plat::program().commandLine());
        log.line(text);
        return UnattendedFace::exitWith(ExitCode::Usage);
    }
    const std::uint32_t icon = line.fault.empty() ? plat::mb::IconInformation : plat::mb::IconStop;
    ui::app().messageBox(text, ui::app().title(), plat::mb::Ok | icon | plat::mb::Topmost);
    return static_cast<int>(ExitCode::Usage);
}

int runUnattended(const shell::CommandLine& line) {
    shell::RunLog log(shell::kUnattendedLog, "unattended run");
    log.placeInTemp();
    log.line("command line: " + plat::program().commandLine());
    if (!uninstall::startOnlyCopy(uninstall::Mode::Installer))
        return UnattendedFace::exitWith(ExitCode::AlreadyRunning, "its window was brought to the front");
    // The shortcuts are shell links, made through COM.
    plat::program().comInitialize();
    Chosen chosen(line);
    const base::InForce<shell::Settings> settings(chosen);
    const auto discs = discFolders(line.sources);
    UnattendedFace face({false, discs});
    const base::InForce<shell::Face> faceInForce(face);
    if (!line.unholdable.empty()) return UnattendedFace::exitWith(ExitCode::Refused, line.unholdable);
    Unwatched host;
    const base::InForce<plat::Host> hostInForce(host);
    const Ended ended = runSteps(line, host, discs);
    if (host.ended() && ended.code == ExitCode::Done)
        return UnattendedFace::exitWith(ExitCode::Cancelled, "the system asked the program to end");
    return UnattendedFace::exitWith(ended.code, ended.why);
}

}  // namespace app
