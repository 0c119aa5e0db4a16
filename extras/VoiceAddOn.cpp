#include "extras/VoiceAddOn.h"

#include "payload/Payload.h"
#include "platform/Platform.h"
#include "platform/SystemError.h"
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
void deleteWhenFree(const std::string& path) {
    auto& p = plat::platform();
    while (!p.deleteFile(path) && (p.fileExists(path) || p.folderExists(path))) p.waitMessages(kVoiceRetryMs);
}

}  // namespace

void installVoiceAddOn() {
    using shell::Msg;
    using shell::MsgKind;
    if (shell::showMessage(Msg::ConfirmVoiceAddOn, Msg::Notice, MsgKind::Confirm) != plat::Answer::Ok) return;

    // On the records of the installations first, so that their uninstallers
    // take away what the add-on leaves, and only that.
    shell::voice::Recorder recorder({kSetup, kEngine, kScript});
    payload::extractPayload("SOUNDS", "ex0", kSetup);
    payload::extractPayload("SOUND1", "EX0", kEngine);
    payload::extractPayload("REG000", "re0", kScript);

    auto& p = plat::platform();
    const auto& m = shell::messages();
    // Why the add-on is not installed, one reason after the other; each
    // program is started all the same, and its file removed.
    std::string reasons;
    auto start = [&](const char* program) {
        if (!p.winExec(program, plat::sw::Show))
            reasons += "\r\n" + std::string(plat::systemError(p.lastError(), program).what());
    };
    start(kSetup);
    start(kEngine);
    // The editor must have read the script before it goes: wait for the import.
    const std::string import = plat::systemTool("RegEdit") + " /s " + kScript;
    std::uint32_t exitCode = 0;
    if (!p.execAndWait(import, plat::sw::ShowNormal, exitCode))
        reasons += "\r\n" + std::string(plat::systemError(p.lastError(), import).what());
    else if (exitCode != 0)
        reasons += "\r\n" + shell::formatCount(m.get(shell::Text::ExitCode), exitCode) + "\r\n" + import;
    recorder.imported();

    deleteWhenFree(kScript);
    deleteWhenFree(kSetup);
    deleteWhenFree(kEngine);
    if (!reasons.empty()) {
        shell::showMessage(m.get(shell::Text::VoiceAddOnFailed) + reasons, m.get(Msg::Error), MsgKind::Stop);
        return;
    }
    if (recorder.failures().empty()) {
        shell::showMessage(Msg::VoiceAddOnDone, Msg::Notice, MsgKind::Information);
        return;
    }
    // Installed, but an uninstaller will not know of it.
    std::string text = m.get(Msg::VoiceAddOnDone) + "\r\n";
    for (const auto& f : recorder.failures()) text += "\r\n" + f;
    shell::showMessage(text, m.get(Msg::Warning), MsgKind::Warning);
}

}  // namespace extras
