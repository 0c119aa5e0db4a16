#include "extras/VoiceAddOn.h"

#include "payload/Payload.h"
#include "platform/Platform.h"
#include "shell/Services.h"

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

    payload::extractPayload("SOUNDS", "ex0", kSetup);
    payload::extractPayload("SOUND1", "EX0", kEngine);
    payload::extractPayload("REG000", "re0", kScript);

    auto& p = plat::platform();
    p.winExec(kSetup, plat::sw::Show);
    p.winExec(kEngine, plat::sw::Show);
    // The editor must have read the script before it goes: wait for the import.
    std::uint32_t exitCode = 0;
    p.execAndWait(plat::systemTool("RegEdit") + " /s " + kScript, plat::sw::ShowNormal, exitCode);

    deleteWhenFree(kScript);
    deleteWhenFree(kSetup);
    deleteWhenFree(kEngine);
    shell::showMessage(Msg::VoiceAddOnDone, Msg::Notice, MsgKind::Information);
}

}  // namespace extras
