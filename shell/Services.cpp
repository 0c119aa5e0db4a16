#include "shell/Services.h"

#include <stdexcept>

#include "platform/Desktop.h"
#include "shell/Language.h"
#include "shell/MainForm.h"

namespace shell {

namespace {

TForm1* current = nullptr;

TForm1& mainWindow() {
    if (!current) throw std::logic_error("the main window is not made yet");
    return *current;
}

}  // namespace

void useMainWindow(TForm1* window) { current = window; }

const MessageTable& messages() { return mainWindow().messages; }

plat::Answer showMessage(Msg text, Msg caption, MsgKind kind) {
    const MessageTable& m = messages();
    return showMessage(m.get(text), m.get(caption), kind);
}

std::string sourceFolder() { return mainWindow().sourceFolder; }
void setSourceFolder(const std::string& folder) { mainWindow().sourceFolder = folder; }

Edition edition() {
    return mainWindow().ComboBox1->selectedText() == kSimplified ? Edition::Simplified : Edition::Traditional;
}

std::string languageName() { return mainWindow().ComboBox1->selectedText(); }

void closeMainWindow() { mainWindow().Close(); }

}  // namespace shell
