// The files the runs write besides the game's own: their logs, and the
// voice add-on's files in the root of drive C.  The record needs the names
// to tell its own lines apart, the runs to write them.
#pragma once

namespace shell {

// A log's name in the folder of its run and its name in the user's temporary
// folder, where it goes when that folder cannot take it.
struct LogName {
    const char* inFolder;
    const char* inTemp;
    // Each line names its process: a log that runs started at once share.
    bool marksProcess = false;
};
inline constexpr LogName kInstallLog{"install.log", "Lunavire install.log"};
inline constexpr LogName kPatchLog{"patch.log", "Lunavire patch.log"};
inline constexpr LogName kVoiceLog{"voice.log", "Lunavire voice.log"};
// The uninstaller's goes to the temporary folder: the game folder goes away.
inline constexpr LogName kUninstallLog{"uninstall.log", "Lunavire uninstall.log"};
// A check's and a repair's of the game's files, from the uninstall window.
inline constexpr LogName kRepairLog{"repair.log", "Lunavire repair.log"};
// An unattended run's own lines: its command line, its rules' answers, its exit code.
inline constexpr LogName kUnattendedLog{"unattended.log", "Lunavire unattended.log", true};

namespace voice {

// The add-on's files, in the root of drive C while it runs: its setup, its
// engine's installer and its registry script.  The only files outside a game
// folder that a record may name.
inline constexpr char kSetupFile[] = "c:\\setvice.exe";
inline constexpr char kEngineFile[] = "c:\\asr3232.exe";
inline constexpr char kScriptFile[] = "c:\\00.reg";
inline constexpr const char* kFiles[] = {kSetupFile, kEngineFile, kScriptFile};

}  // namespace voice

}  // namespace shell
