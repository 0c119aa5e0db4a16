// The program's composition: the four windows, single global instances
// created here and nowhere else, and how the main window's actions are wired
// to the subsystems.  This is the one place that knows every window and
// every subsystem; the subsystems reach the main window through the shell's
// services (shell/Services.h) only.
#pragma once

#include <functional>
#include <string>

#include "discinstall/DiscForm.h"
#include "patch/PatchForm.h"
#include "shell/FolderPicker.h"
#include "shell/MainForm.h"

extern TForm1* Form1;
extern TForm2* Form2;
extern TForm3* Form3;
extern TForm4* Form4;

namespace app {

// Creates the four windows in their fixed order: the main window (whose
// creation step runs before the others exist), then the disc installation
// window, the folder picker and the patch progress window, hidden.
// A test may adjust the main window before its creation step runs;
// `mainCreated` runs once the main window exists, before the others.
void createForms(const std::function<void(TForm1&)>& beforeCreate = {},
                 const std::function<void()>& mainCreated = {});
void destroyForms();

// The language steps on the four windows: detection selects in the main
// window's list; applying relocalises all four and the message table.
std::string detectLanguage();
void applyLanguage(const std::string& name);

// COM, the windows, the event loop until the main window closes.
int runProgram();

}  // namespace app
