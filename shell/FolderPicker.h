// The folder picker: a folder tree of the shell namespace and two buttons,
// shown modally wherever the player chooses a folder outside the disc
// installation window.
#pragma once

#include <optional>
#include <string>

#include "ui/Components.h"

class TForm3 : public ui::Form {
public:
    TForm3();

    ui::ShellTreeView* ShellTreeView1 = nullptr;
    ui::Button* Button1 = nullptr;
    ui::Button* Button2 = nullptr;

    void FormShow();
    void ShellTreeView1Change();
    void Button1Click();
    void Button2Click();
};

namespace shell {

// The picker that the windows' face shows is the one in force
// (base::InForce<TForm3>), put there by the program once it is made.

// Shows the folder picker modally.  OK gives the selected folder's whole path
// ("X:\" for a drive root); it can be pressed only while a file-system folder
// is selected.  Cancel or the close box give no choice, and so does a program
// without a picker.  A path too long for
// the file calls, or one that the code page cannot spell, raises base::Error.
std::optional<std::string> showPicker();

}  // namespace shell
