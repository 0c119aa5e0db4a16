#include "shell/Services.h"

#include <stdexcept>

#include "base/InForce.h"
#include "platform/Desktop.h"
#include "shell/Language.h"
#include "shell/MainForm.h"

namespace shell {

namespace {

Settings& settings() {
    Settings* current = base::InForce<Settings>::current();
    if (!current) throw std::logic_error("the main window is not made yet");
    return *current;
}

}  // namespace

const MessageTable& MainWindowSettings::messages() const { return w_.messages; }
std::string MainWindowSettings::sourceFolder() const { return w_.sourceFolder; }
void MainWindowSettings::setSourceFolder(const std::string& folder) { w_.sourceFolder = folder; }
Edition MainWindowSettings::edition() const {
    return w_.ComboBox1->selectedText() == kSimplified ? Edition::Simplified : Edition::Traditional;
}
std::string MainWindowSettings::languageName() const { return w_.ComboBox1->selectedText(); }
void MainWindowSettings::closeMainWindow() { w_.Close(); }

const MessageTable& messages() { return settings().messages(); }

std::string sourceFolder() { return settings().sourceFolder(); }
void setSourceFolder(const std::string& folder) { settings().setSourceFolder(folder); }
Edition edition() { return settings().edition(); }
std::string languageName() { return settings().languageName(); }
void closeMainWindow() { settings().closeMainWindow(); }
bool makesShortcuts() { return settings().makesShortcuts(); }

}  // namespace shell
