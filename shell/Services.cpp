#include "shell/Services.h"

#include <memory>
#include <stdexcept>

#include "platform/Desktop.h"
#include "shell/Language.h"
#include "shell/MainForm.h"

namespace shell {

namespace {

// The main window's state, as the services read it.
class MainWindow : public Settings {
public:
    explicit MainWindow(TForm1& window) : w_(window) {}
    const MessageTable& messages() const override { return w_.messages; }
    std::string sourceFolder() const override { return w_.sourceFolder; }
    void setSourceFolder(const std::string& folder) override { w_.sourceFolder = folder; }
    Edition edition() const override {
        return w_.ComboBox1->selectedText() == kSimplified ? Edition::Simplified : Edition::Traditional;
    }
    std::string languageName() const override { return w_.ComboBox1->selectedText(); }
    void closeMainWindow() override { w_.Close(); }

private:
    TForm1& w_;
};

std::unique_ptr<MainWindow> mainWindow;
Settings* current = nullptr;

Settings& settings() {
    if (!current) throw std::logic_error("the main window is not made yet");
    return *current;
}

}  // namespace

void useMainWindow(TForm1* window) {
    mainWindow = window ? std::make_unique<MainWindow>(*window) : nullptr;
    current = mainWindow.get();
}

void useSettings(Settings* s) {
    mainWindow.reset();
    current = s;
}

const MessageTable& messages() { return settings().messages(); }

std::string sourceFolder() { return settings().sourceFolder(); }
void setSourceFolder(const std::string& folder) { settings().setSourceFolder(folder); }
Edition edition() { return settings().edition(); }
std::string languageName() { return settings().languageName(); }
void closeMainWindow() { settings().closeMainWindow(); }
bool makesShortcuts() { return settings().makesShortcuts(); }

}  // namespace shell
