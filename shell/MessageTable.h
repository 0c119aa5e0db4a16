// The message table: every message-box text and caption the installer shows,
// 18 entries in the system's ANSI code page.  Built-in texts are Simplified
// Chinese; a language file may replace any entry in place.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace shell {

// The kinds of notice (a box with OK alone) and their exact style values.
// A question's box is its question's (shell::boxStyleOf).
enum class MsgKind : std::uint32_t {
    Information = plat::mb::Ok | plat::mb::IconInformation | plat::mb::Topmost,  // 0x40040
    QuestionNotice = plat::mb::Ok | plat::mb::IconQuestion | plat::mb::Topmost,  // 0x40020
    Stop = plat::mb::Ok | plat::mb::IconStop | plat::mb::Topmost,                // 0x40010
    Warning = plat::mb::Ok | plat::mb::IconExclamation | plat::mb::Topmost,      // 0x40030
    Plain = plat::mb::Ok | plat::mb::Topmost,                                    // 0x40000
};

// The entries, in table order.  Language files name them by index
// ("msgs0" .. "msgs17"), so the order is fixed.
enum class Msg : int {
    ConfirmVoiceAddOn,   // 0
    Notice,              // caption
    VoiceAddOnDone,
    DiscNotFound,
    UseGenuineCopy,
    InsertDisc2,         // 5
    ChangeDisc,          // caption
    InstallIncomplete,
    Warning,             // caption
    LocateFiles,
    Error,               // 10, caption
    InsertDisc3,
    InstallComplete,
    BadInstallFolder,
    InstallFolderName,   // "\Lunavire", appended to a chosen install folder
    ChooseGameFolder,    // 15
    NoGameFiles,
    PatchInstalled,
};

// Texts beyond the 18 numbered entries.  A language file gives them in its
// msgs section under their names (MessageTable::key), so that a file written
// for the 18 alone keeps the built-in texts for them.  "%d" stands for a
// number that the text is shown with (formatCount).
enum class Text : int {
    FilesLeftOut,      // heads the list of files a run could not install
    MoreFilesLeftOut,  // after the list's first files: how many more, %d
    VoiceAddOnFailed,  // heads the reasons the voice add-on is not installed
    ExitCode,          // a program ended with the exit code %d
    // -- resume and room
    NoRoom,            // the drive %1 has %2 MB free, disc %3 needs %4 MB
    // -- uninstall
    GameName,              // the game's name in Windows' list of installed programs
    NotRegistered,         // heads why a finished installation is not in that list
    UninstallTitle,        // the uninstall window's caption
    UninstallQuestion,     // what to remove?
    UninstallPatchButton,  // the choice of the patch alone,
    UninstallPatchText,    // and what it does
    UninstallGameButton,   // the choice of the whole game,
    UninstallGameText,     // and what it does
    UninstallCancel,
    UninstallSaves,        // the saved games too?  Yes, No, Cancel
    UninstallRemoving,     // heads the file being removed
    UninstallRestoring,    // heads the original being put back
    UninstallGameDone,     // the game is removed
    UninstallKept,         // heads the folders that stay: saved games, the player's own files
    UninstallLeftOver,     // heads what could not be removed; uninstall again later
    UninstallAtRestart,    // heads what goes when Windows starts again
    UninstallPatchDone,    // heads the originals put back
    UninstallPatchRemoved, // heads the patch's own files and shortcuts taken away
    UninstallNoOriginals,  // the originals were not kept: nothing changed
    UninstallNoPatch,      // no patch to remove: nothing changed
    RecordMissing,         // no record to remove by: nothing removed
    RecordDamaged,
    RecordOutside,         // the record names something outside its folders
    RecordUnsafeFolder,    // the folder is a drive's root or the Windows folder
    UninstallIncomplete,   // the game is not wholly removed: what stays follows; uninstall again
    UninstallMore,         // after a list's first lines: how many more, %d
    UninstallLinksKept,    // heads the links in the game folder, left as they were
    UninstallIgnored,      // heads the record's lines that name what it may not
    UninstallRecordDamaged,// the record is damaged in part: what it still names is removed
    UnsafeInstallFolder,   // no installation into a drive's root or the Windows folder
    // -- end uninstall
    Usage,                 // the command line's switches and exit codes; "\n" breaks a line
    PatchName,             // a game this program did not install, patched: its entry's name in that list
    PatchNotRegistered,    // heads why such a game is not in that list
    ShortcutNotMade,       // heads why the game's Start-menu shortcut was not made
    LinkedFile,            // %1 is a link to another file, which is neither replaced nor removed
    // -- checking and repairing the game's files
    CheckButton,           // the uninstall window's choices
    RepairButton,
    Checking,              // heads the file being checked: %1 of %2 files, %3 of %4 MB
    Repairing,             // heads the file being put back: %1 of %2 files
    AllIntact,             // all %d files are intact
    FilesDamaged,          // heads the lists of what the check found
    FilesMissing,
    FilesUnreadable,
    FilesUnchecked,        // an earlier record's files whose disc was not found
    RepairHint,            // the repair puts them back
    FilesRepaired,         // heads the files put back
    NotRepaired,           // heads those that were not
    RepairNoRoom,          // the drive %1 has %2 MB free, the repair needs %3 MB
};

class MessageTable {
public:
    static constexpr int kCount = 18;
    static constexpr int kTextCount = static_cast<int>(Text::RepairNoRoom) + 1;
    MessageTable();  // the built-in entries

    std::string get(int index) const;  // a copy
    std::string get(Msg m) const { return get(static_cast<int>(m)); }
    void put(int index, const std::string& text);
    int count() const { return kCount; }

    std::string get(Text t) const;
    void put(Text t, const std::string& text);
    // The text's key in the language files' msgs section.
    static const char* key(Text t);

    // The built-in text of an entry.
    static const char* builtIn(int index);
    static const char* builtIn(Text t);

private:
    std::array<std::string, kCount> entries_;
    std::array<std::string, kTextCount> texts_;
};

// The text with its first "%d" replaced by n; a text without one stays as it is.
std::string formatCount(const std::string& text, std::size_t n);
// The text with each "%1" .. "%9" replaced by that value (from 1), so that a
// translation may put them in its own order; one without a value stays.
std::string formatText(const std::string& text, const std::vector<std::string>& values);

}  // namespace shell
