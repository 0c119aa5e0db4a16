#include "extras/VoiceAddOn.h"

#include <iterator>
#include <string>
#include <vector>

#include "base/Error.h"
#include "payload/Payload.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Program.h"
#include "platform/Shell.h"
#include "platform/SystemError.h"
#include "shell/Face.h"
#include "shell/RunLog.h"
#include "shell/Services.h"
#include "shell/VoiceRecord.h"

namespace extras {

namespace {

// A program's file cannot be deleted while the program runs: keep trying,
// with the windows alive, until it is gone.  A file that someone else
// removed meanwhile counts as deleted.
void deleteWhenFree(const plat::Path& path, shell::RunLog& log) {
    bool waited = false;
    for (;;) {
        const plat::SysError e = plat::files().deleteFile(path);
        if (e.ok() || (!plat::files().fileExists(path) && !plat::files().folderExists(path))) break;
        if (!waited) log.line("waiting for " + path.text() + " to be free (" + shell::errorText(e.code()) + ")");
        waited = true;
        plat::desktop().waitMessages(kVoiceRetryMs);
    }
    log.line("removed " + path.text());
}

void extract(const char* name, const char* type, const char* path, shell::RunLog& log) {
    payload::extractPayload(name, type, plat::Path(path));
    log.line(std::string("wrote ") + path + " (" + shell::sizeText(payload::payloadSize(name, type)) + ")");
}

AddOnEnd install(shell::Face& face, shell::RunLog& log);

}  // namespace

AddOnEnd installVoiceAddOn(shell::Face& face) {
    using shell::Msg;
    if (face.ask(shell::Question::ConfirmVoiceAddOn, Msg::ConfirmVoiceAddOn, Msg::Notice) != plat::Answer::Ok)
        return AddOnEnd::Declined;
    // The add-on has no folder of its own: its log is kept in the user's
    // temporary folder.
    shell::RunLog log(shell::kVoiceLog, "voice add-on");
    log.placeInTemp();
    try {
        return install(face, log);
    } catch (const std::exception& e) {
        log.stoppedBy(e);
        throw;
    }
}

namespace {

// Each program is started all the same when one cannot be, and the import
// run; why the add-on is not installed is told one reason after the other.
class Starting {
public:
    explicit Starting(shell::RunLog& log) : log_(log) {}

    void start(const char* program) {
        if (const plat::SysError e = plat::shell().winExec(program, plat::sw::Show); e.failed())
            return couldNot("start", program, e);
        log_.line(std::string("started ") + program);
    }

    // The editor must have read the script before it goes: waits for the import.
    void import(const char* script) {
        const std::string command = plat::systemTool("RegEdit") + " /s " + script;
        std::uint32_t exitCode = 0;
        if (const plat::SysError e = plat::shell().execAndWait(command, plat::sw::ShowNormal, exitCode); e.failed())
            return couldNot("run", command, e);
        log_.line(command + " ended with exit code " + std::to_string(exitCode));
        if (exitCode != 0)
            reasons_ += "\r\n" + shell::formatCount(shell::messages().get(shell::Text::ExitCode), exitCode) + "\r\n" +
                        command;
    }

    const std::string& reasons() const { return reasons_; }

private:
    void couldNot(const char* what, const std::string& program, plat::SysError e) {
        log_.line(std::string("could not ") + what + " " + program + ": " + shell::errorText(e.code()));
        reasons_ += "\r\n" + std::string(plat::systemError(e, program).what());
    }

    shell::RunLog& log_;
    std::string reasons_;
};

// What the player is told at the end: not installed and why, installed, or
// installed without an uninstaller that knows of it.
AddOnEnd tellOutcome(shell::Face& face, const std::string& reasons, const shell::voice::Recorder& recorder,
                     shell::RunLog& log) {
    using shell::Msg;
    using shell::MsgKind;
    const auto& m = shell::messages();
    if (!reasons.empty()) {
        log.line("outcome: not installed");
        face.show(m.get(shell::Text::VoiceAddOnFailed) + reasons, m.get(Msg::Error), MsgKind::Stop);
        return AddOnEnd::NotInstalled;
    }
    log.line("outcome: installed");
    if (recorder.failures().empty()) {
        face.show(Msg::VoiceAddOnDone, Msg::Notice, MsgKind::Information);
        return AddOnEnd::Installed;
    }
    std::string text = m.get(Msg::VoiceAddOnDone) + "\r\n";
    for (const auto& failure : recorder.failures()) {
        log.line("not on the uninstall record: " + failure);
        text += "\r\n" + failure;
    }
    face.show(text, m.get(Msg::Warning), MsgKind::Warning);
    return AddOnEnd::NotRecorded;
}

// A file in the add-on's place that is a link would have its link replaced
// and then removed: nothing is written while one is there.
void refuseLinks() {
    for (const char* path : shell::voice::kFiles) {
        plat::FindData found;
        if (plat::files().firstMatch(plat::Path(path), found) && !(found.attributes & plat::attr::Directory) &&
            ((found.attributes & plat::attr::ReparsePoint) || plat::isFileLink(plat::Path(path))))
            throw Refused(shell::formatText(shell::messages().get(shell::Text::LinkedFile), {path}));
    }
}

AddOnEnd install(shell::Face& face, shell::RunLog& log) {
    using namespace shell::voice;
    refuseLinks();
    // On the records of the installations first, so that their uninstallers
    // take away what the add-on leaves, and only that.
    Recorder recorder(std::vector<plat::Path>(std::begin(kFiles), std::end(kFiles)));
    extract("SOUNDS", "ex0", kSetupFile, log);
    extract("SOUND1", "EX0", kEngineFile, log);
    extract("REG000", "re0", kScriptFile, log);

    Starting starting(log);
    starting.start(kSetupFile);
    starting.start(kEngineFile);
    starting.import(kScriptFile);
    recorder.imported();

    for (const char* file : {kScriptFile, kSetupFile, kEngineFile}) deleteWhenFree(plat::Path(file), log);
    return tellOutcome(face, starting.reasons(), recorder, log);
}

}  // namespace

}  // namespace extras
