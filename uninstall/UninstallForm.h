// The uninstaller's window: what each choice removes, a button per choice
// and Cancel; the removal's progress in its first line; the report at the
// end.  The fifth window of the program, and the only one of its uninstall
// mode.  On a folder that holds our patch only the whole game's choice is
// hidden (Button2 and its text): the game there is not this program's.
#pragma once

#include <functional>
#include <string>

#include "platform/Desktop.h"
#include "shell/InstallRecord.h"
#include "shell/MessageTable.h"
#include "ui/Components.h"
#include "uninstall/GameCheck.h"
#include "uninstall/RemovalRun.h"

class TForm5 : public ui::Form, private uninstall::RemovalView, private uninstall::CheckView {
public:
    // The removal acts on the record of the game in `folder` (where the game
    // lies now), read and checked already; `damaged` when some of its lines
    // did not read.  A check and a repair find the discs through `discs`.
    TForm5(shell::MessageTable& messages, shell::record::Record record, plat::Path folder, bool damaged,
           uninstall::DiscsFor discs);

    ui::Label* Label1 = nullptr;  // the question, then the file being removed
    ui::Button* Button1 = nullptr;  // the patch alone
    ui::Label* Label2 = nullptr;
    ui::Button* Button2 = nullptr;  // the whole game
    ui::Label* Label3 = nullptr;
    ui::Button* Button3 = nullptr;  // cancel
    ui::ProgressBar* ProgressBar1 = nullptr;  // a check's or a repair's progress, while it runs
    ui::Button* Button4 = nullptr;  // check the game's files
    ui::Button* Button5 = nullptr;  // repair them

    // Captions and texts from the message table, once a language is applied.
    void showTexts();

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();

private:
    void showFile(const std::string& path, bool restoring) override;
    void showProgress(std::size_t filesDone, std::size_t files, std::uint64_t bytesDone, std::uint64_t bytes,
                      const std::string& path) override;
    std::vector<ui::Button*> choices();
    void checkAndTell(bool repairing);
    plat::Answer askAboutFailure(const std::string& path, std::uint32_t code) override;
    // Disables the choices while a removal runs.
    class Running;
    // Runs a removal and tells its report (or the error that stopped it); then the window goes.
    void removeAndTell(const std::function<uninstall::Report()>& removal, bool patch);

    shell::MessageTable& messages_;
    shell::record::Record record_;
    plat::Path folder_;
    bool damaged_ = false;
    uninstall::DiscsFor discs_;
    bool running_ = false;
};
