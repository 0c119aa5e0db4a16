#include "extras/VoiceAddOn.h"

#include "payload/Payload.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/Shell.h"
#include "platform/SystemError.h"
#include "shell/RunLog.h"
#include "shell/Services.h"
#include "shell/VoiceRecord.h"

namespace extras {

namespace {

const char kSetup[] = "c:\\setvice.exe";
const char kEngine[] = "c:\\asr3232.exe";
const char kScript[] = "c:\\00.reg";

// A program's file cannot be deleted while the program runs: keep trying,
// with the windows alive, until it is gone.  A file that someone else
// removed meanwhile counts as deleted.
void deleteWhenFree(const std::string& path, shell::RunLog& log) {
    bool waited = false;
    while (!plat::files().deleteFile(path) && (plat::files().fileExists(path) || plat::files().folderExists(path))) {
        if (!waited) log.line("waiting for " + path + " to be free (" + shell::errorText(plat::program().lastError()) + ")");
        waited = true;
        plat::desktop().waitMessages(kVoiceRetryMs);
    }
    log.line("removed " + path);
}

void extract(const char* name, const char* type, const char* path, shell::RunLog& log) {
    payload::extractPayload(name, type, path);
    log.line(std::string("wrote ") + path + " (" + shell::sizeText(payload::payloadSize(name, type)) + ")");
}

void install(shell::RunLog& log);

}  // namespace

void installVoiceAddOn() {
    using shell::Msg;
    using shell::MsgKind;
    if (shell::showMessage(Msg::ConfirmVoiceAddOn, Msg::Notice, MsgKind::Confirm) != plat::Answer::Ok) return;
    // The add-on has no folder of its own: its log is kept in the user's
    // temporary folder.
    shell::RunLog log(shell::kVoiceLog, "voice add-on");
    log.placeInTemp();
    try {
        install(log);
    } catch (const std::exception& e) {
        log.stoppedBy(e);
        throw;
    }
}

namespace {

void install(shell::RunLog& log) {
    using shell::Msg;
    using shell::MsgKind;
    // On the records of the installations first, so that their uninstallers
    // take away what the add-on leaves, and only that.
    shell::voice::Recorder recorder({kSetup, kEngine, kScript});
    extract("SOUNDS", "ex0", kSetup, log);
    extract("SOUND1", "EX0", kEngine, log);
    extract("REG000", "re0", kScript, log);

    const auto& m = shell::messages();
    // Why the add-on is not installed, one reason after the other; each
    // program is started all the same, and its file removed.
    std::string reasons;
    auto start = [&](const char* program) {
        if (plat::shell().winExec(program, plat::sw::Show)) {
            log.line(std::string("started ") + program);
            return;
        }
        const std::uint32_t code = plat::program().lastError();
        log.line(std::string("could not start ") + program + ": " + shell::errorText(code));
        reasons += "\r\n" + std::string(plat::systemError(code, program).what());
    };
    start(kSetup);
    start(kEngine);
    // The editor must have read the script before it goes: wait for the import.
    const std::string import = plat::systemTool("RegEdit") + " /s " + kScript;
    std::uint32_t exitCode = 0;
    if (!plat::shell().execAndWait(import, plat::sw::ShowNormal, exitCode)) {
        const std::uint32_t code = plat::program().lastError();
        log.line("could not run " + import + ": " + shell::errorText(code));
        reasons += "\r\n" + std::string(plat::systemError(code, import).what());
    } else {
        log.line(import + " ended with exit code " + std::to_string(exitCode));
        if (exitCode != 0)
            reasons += "\r\n" + shell::formatCount(m.get(shell::Text::ExitCode), exitCode) + "\r\n" + import;
    }
    recorder.imported();

    deleteWhenFree(kScript, log);
    deleteWhenFree(kSetup, log);
    deleteWhenFree(kEngine, log);
    if (!reasons.empty()) {
        log.line("outcome: not installed");
        shell::showMessage(m.get(shell::Text::VoiceAddOnFailed) + reasons, m.get(Msg::Error), MsgKind::Stop);
        return;
    }
    log.line("outcome: installed");
    if (recorder.failures().empty()) {
        shell::showMessage(Msg::VoiceAddOnDone, Msg::Notice, MsgKind::Information);
        return;
    }
    // Installed, but an uninstaller will not know of it.
    std::string text = m.get(Msg::VoiceAddOnDone) + "\r\n";
    for (const auto& f : recorder.failures()) {
        log.line("not on the uninstall record: " + f);
        text += "\r\n" + f;
    }
    shell::showMessage(text, m.get(Msg::Warning), MsgKind::Warning);
}

}  // namespace

}  // namespace extras
