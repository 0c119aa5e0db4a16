#include "uninstall/Uninstaller.h"


#include <exception>

#include "base/InForce.h"
#include "platform/AnsiText.h"
#include "platform/Host.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Path.h"
#include "platform/Program.h"
#include "platform/Shell.h"
#include "platform/SystemError.h"
#include "shell/CommandLine.h"
#include "shell/Face.h"
#include "shell/FolderPicker.h"
#include "shell/Language.h"
#include "shell/RecordFile.h"
#include "shell/Services.h"
#include "uninstall/UninstallForm.h"
#include "uninstall/UnattendedRemoval.h"

namespace uninstall {

namespace {

using shell::Text;
using shell::record::Refusal;

// Each mode's main window class.
const char kInstallerWindow[] = "TForm1";
const char kUninstallerWindow[] = "TForm5";
// The temporary copy's folder, numbered when taken.
const char kTemporaryFolder[] = "LunavireUninstall";

// The installed uninstaller cannot remove its own file while it runs: a copy
// in the temporary folder does the work, and this one ends.  False when this
// is not the installed uninstaller, or no copy can be made or started (it
// then does the work itself).
bool startTemporaryCopy(const plat::Path& folder) {
    const plat::Path own(plat::program().programPath());
    if (!plat::files().sameFile(own, shell::record::programPath(folder))) return false;
    const plat::Path temp(plat::shell().tempFolder());
    if (temp.empty()) return false;
    plat::Path dir;
    for (int n = 0; n < 100 && dir.empty(); ++n) {
        const plat::Path candidate = temp / (kTemporaryFolder + (n ? "-" + std::to_string(n) : ""));
        if (plat::files().createFolder(candidate).ok()) dir = candidate;
    }
    if (dir.empty()) return false;
    const plat::Path copy = dir / shell::record::kProgramName;
    if (plat::files().copyFile(own, copy).ok() &&
        plat::shell()
            .winExec("\"" + copy.text() + "\" /uninstall \"" + folder.text() + "\"", plat::sw::ShowNormal)
            .ok())
        return true;
    plat::files().deleteFile(copy);
    plat::files().removeFolder(dir);
    return false;
}

// The copies' folders are "LunavireUninstall" or "LunavireUninstall-N".
bool isTemporaryCopyFolder(const std::string& name) {
    const std::string n = plat::Path(name).key(), stem = plat::Path(kTemporaryFolder).key();
    return n == stem || (n.compare(0, stem.size() + 1, stem + "-") == 0 &&
                         n.find_first_not_of("0123456789", stem.size() + 1) == std::string::npos && n.size() > stem.size() + 1);
}

// The temporary copy goes, with its folder, when Windows starts again.
void removeTemporaryCopy() {
    const plat::Path own(plat::program().programPath());
    const plat::Path dir = own.parent();
    if (dir.parent() != plat::Path(plat::shell().tempFolder())) return;
    // Any folder named as the copies' are (a prefix of ASCII letters).
    const std::string stem = plat::Path(kTemporaryFolder).key();
    if (plat::Path(dir.name()).key().compare(0, stem.size(), stem) != 0) return;
    plat::files().deleteAtRestart(own);
    plat::files().deleteAtRestart(dir);
}

// Why the uninstaller will not act on the record it found.
std::optional<Refusal> refusalOf(const shell::record::Loaded& loaded, const plat::Path& folder) {
    if (loaded.refusal) return loaded.refusal;
    if (loaded.record->codePage != plat::program().ansiCodePage())
        return Refusal{Refusal::CodePage, std::to_string(loaded.record->codePage)};
    if (shell::record::unsafeFolder(folder, plat::Path(plat::shell().windowsFolder())))
        return Refusal{Refusal::UnsafeFolder, folder.text()};
    return std::nullopt;
}

std::string refusalText(const Refusal& r, const shell::MessageTable& m) {
    switch (r.kind) {
        case Refusal::Missing:
            return m.get(Text::RecordMissing) + "\r\n\r\n" + plat::systemError(r.code, r.subject).what();
        case Refusal::Damaged:
        case Refusal::CodePage:
            return m.get(Text::RecordDamaged) + "\r\n\r\n" + r.subject;
        case Refusal::UnsafeFolder:
            return m.get(Text::RecordUnsafeFolder) + "\r\n\r\n" + r.subject;
    }
    return m.get(Text::RecordDamaged);
}

// The language file of the record's language: the uninstaller's, beside the
// record, or the one beside the program.
std::string languageFile(const plat::Path& folder, const std::string& language) {
    const plat::Path beside = shell::record::uninstallFolder(folder) / (language + ".ini");
    if (plat::files().fileExists(beside)) return beside.text();
    return (plat::Path(plat::program().programPath()).parent() / (language + ".ini")).text();
}

// The uninstall window, in the record's language; 1 when the record is refused.
int removeInWindow(const Installed& game, const std::string& refused, shell::MessageTable& messages,
                   const std::string& languageFile, const DiscsFor& discs) {
    const base::InForce<plat::Host> host(ui::app());  // until the window has gone
    // A repair may ask the player to point at a disc's files.
    TForm3 picker;
    const base::InForce<TForm3> pickerInForce(picker);
    TForm5 form(messages, game.record, game.folder, game.damaged, discs);
    ui::app().setMainForm(&form);
    try {
        shell::applyLanguageFile(languageFile, messages, form);
    } catch (const std::exception&) {
        // A font number that is no number: the built-in font, the file's texts.
    }
    form.showTexts();
    int code = 0;
    if (!refused.empty()) {
        // Nothing is removed: the player is told why, and the program ends.
        shell::showMessage(refused, messages.get(shell::Msg::Error), shell::MsgKind::Stop);
        code = 1;
    } else {
        form.createWindows();
        picker.createWindows();
        form.Show();
        ui::app().run();
    }
    ui::app().reset();
    return code;
}

}  // namespace

void cleanTemporaryCopies() {
    const plat::Path temp(plat::shell().tempFolder());
    if (temp.empty()) return;
    const plat::Path ownFolder = plat::Path(plat::program().programPath()).parent();
    plat::FindData entry;
    std::vector<plat::Path> copies;
    if (auto search = plat::files().firstMatch(temp / (std::string(kTemporaryFolder) + "*"), entry)) {
        do {
            const std::uint32_t folderOnly = plat::attr::Directory | plat::attr::ReparsePoint;
            if ((entry.attributes & folderOnly) == plat::attr::Directory && isTemporaryCopyFolder(entry.name))
                copies.push_back(temp / entry.name);
        } while (search->next(entry));
    }
    for (const auto& copyFolder : copies) {
        if (copyFolder == ownFolder) continue;
        // A copy that still runs cannot be deleted: its folder stays for the next start.
        const plat::Path copy = copyFolder / shell::record::kProgramName;
        if (plat::files().deleteFile(copy).ok() || !plat::files().fileExists(copy)) plat::files().removeFolder(copyFolder);
    }
}

bool startOnlyCopy(Mode mode) {
    const std::vector<std::string> windows = mode == Mode::Installer
                                                 ? std::vector<std::string>{kInstallerWindow, kUninstallerWindow}
                                                 : std::vector<std::string>{kUninstallerWindow, kInstallerWindow};
    if (!plat::program().claimFirstInstance(windows)) return false;
    cleanTemporaryCopies();
    return true;
}

namespace {

// What the services read in the uninstall mode: the record's language.
class UninstallSettings : public shell::Settings {
public:
    UninstallSettings(const shell::MessageTable& messages, std::string language)
        : messages_(messages), language_(std::move(language)) {}
    const shell::MessageTable& messages() const override { return messages_; }
    std::string sourceFolder() const override { return {}; }
    void setSourceFolder(const std::string&) override {}
    shell::Edition edition() const override {
        return language_ == shell::kSimplified ? shell::Edition::Simplified : shell::Edition::Traditional;
    }
    std::string languageName() const override { return language_; }
    void closeMainWindow() override {}
    bool makesShortcuts() const override { return false; }

private:
    const shell::MessageTable& messages_;
    std::string language_;
};

}  // namespace

int runUninstaller(const shell::CommandLine& line, const DiscsFor& discs) {
    // Started in the uninstall folder (as the list of programs or the player
    // may start it), the program would hold that folder as its current one,
    // and so would the copy it starts: neither could remove it.
    if (plat::program().setCurrentFolder(plat::shell().tempFolder()).failed())
        plat::program().setCurrentFolder(plat::shell().windowsFolder());
    // One spelling of the folder (its long names), as its entry was registered.
    plat::Path folder = line.uninstallFolder.empty() ? plat::Path() : plat::longName(plat::Path(line.uninstallFolder));
    if (folder.empty()) {
        // The installed uninstaller lies in the install folder's Uninstall folder.
        folder = plat::Path(plat::program().programPath()).parent().parent();
        // Unattended, it does the work itself, so that whoever started it
        // gets the removal's exit code: it and its folder go when Windows
        // starts again.
        if (!line.silent && startTemporaryCopy(folder)) return 0;
    }
    if (!startOnlyCopy(Mode::Uninstaller)) return line.silent ? static_cast<int>(shell::ExitCode::AlreadyRunning) : 0;

    shell::MessageTable messages;
    // The record names the game's files relative to the folder it lies in,
    // so a game moved elsewhere is removed from where it is now.
    const auto loaded = shell::record::load(folder);
    const std::optional<Refusal> refusal = refusalOf(loaded, folder);
    const std::string language =
        loaded.record && !loaded.record->language.empty() ? loaded.record->language : shell::detectedLanguage();
    const shell::record::Record record = loaded.record ? *loaded.record : shell::record::Record();
    const bool damaged = !loaded.damaged.empty() || loaded.cutShort;
    const auto refused = [&] {
        if (!line.unholdable.empty()) return line.unholdable;
        return refusal ? refusalText(*refusal, messages) : std::string();
    };
    UninstallSettings settings(messages, language);
    const base::InForce<shell::Settings> settingsInForce(settings);
    int code = 0;
    if (line.silent) {
        shell::loadMessages(languageFile(folder, language), messages);
        code = line.check == shell::CommandLine::Check::None
                   ? removeUnattended(line, {record, folder, damaged}, refused(), messages)
                   : checkUnattended(line, {record, folder, damaged}, refused(), messages, discs);
    } else {
        code = removeInWindow({record, folder, damaged}, refused(), messages, languageFile(folder, language), discs);
    }
    removeTemporaryCopy();
    return code;
}

}  // namespace uninstall
