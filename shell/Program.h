// The four windows, single global instances created in one place, and the
// program entry.
#pragma once

#include <functional>

#include "discinstall/DiscForm.h"
#include "extras/FolderPicker.h"
#include "patch/PatchForm.h"
#include "shell/MainForm.h"

extern TForm1* Form1;
extern TForm2* Form2;
extern TForm3* Form3;
extern TForm4* Form4;

namespace shell {

// Creates the four windows in their fixed order: the main window (whose
// creation step runs before the others exist), then the disc installation
// window, the folder picker and the patch progress window, hidden.
// A test may adjust the main window before its creation step runs.
void createForms(const std::function<void(TForm1&)>& beforeCreate = {});
void destroyForms();

// COM, the windows, the event loop until the main window closes.
int runProgram();

}  // namespace shell
