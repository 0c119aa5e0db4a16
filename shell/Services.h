// What the subsystems use of the main window, and nothing more: the message
// table, the source folder, the patch edition that the language list chooses
// and the end of the program.  The program puts the main window's settings
// in force once it exists (MainWindowSettings), an unattended run its own
// (base::InForce<shell::Settings>); no window is reachable through here.
#pragma once

#include <string>

#include "platform/Desktop.h"
#include "shell/MessageTable.h"

class TForm1;

namespace shell {

// Simplified only when the language list reads exactly the built-in name
// 简体中文; Traditional otherwise, nothing selected included.
enum class Edition { Simplified, Traditional };

// What the services read: the main window's state, or what an unattended
// run's command line chose.
class Settings {
public:
    virtual ~Settings() = default;
    virtual const MessageTable& messages() const = 0;
    virtual std::string sourceFolder() const = 0;
    virtual void setSourceFolder(const std::string& folder) = 0;
    virtual Edition edition() const = 0;
    virtual std::string languageName() const = 0;
    virtual void closeMainWindow() = 0;
    virtual bool makesShortcuts() const { return true; }
};

// The main window's state, as the services read it.
class MainWindowSettings : public Settings {
public:
    explicit MainWindowSettings(TForm1& window) : w_(window) {}
    const MessageTable& messages() const override;
    std::string sourceFolder() const override;
    void setSourceFolder(const std::string& folder) override;
    Edition edition() const override;
    std::string languageName() const override;
    void closeMainWindow() override;

private:
    TForm1& w_;
};

// The main window's message table.
const MessageTable& messages();

// The folder of the game's disc, without a trailing backslash ("X:" for a
// drive root); the default source of the disc installation and of the setups.
std::string sourceFolder();
void setSourceFolder(const std::string& folder);

Edition edition();

// The language list's text: the language the player runs the program in
// (empty when nothing is selected).
std::string languageName();

// Closes the main window: the program ends once the running handler returns.
void closeMainWindow();

// Whether the runs make their Start-menu shortcuts (the command line may say no).
bool makesShortcuts();

}  // namespace shell
