// The application: the main window, the event loop, the error box and how
// busy the user-interface thread is.  It is the back ends' host
// (plat::Host), handed to them when the program's windows are made.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Host.h"
#include "platform/Desktop.h"

namespace ui {

class Form;

class Application final : public plat::Host {
public:
    // The title of the error box: the program file's name up to its first
    // full stop, all but the first character in lower case.
    std::string title() const;
    void setMainForm(Form* f) { mainForm_ = f; }
    Form* mainForm() const { return mainForm_; }
    void terminate() { terminated_ = true; }
    bool terminated() const { return terminated_; }
    void reset() {
        terminated_ = false;
        mainForm_ = nullptr;
        errorReporter_ = nullptr;
        modal_.clear();
        boxes_ = 0;
    }
    // Runs the event loop until the main form closes or terminate() is asked.
    void run();
    // The default error box: the error's text, a full stop appended when its
    // last character sorts above ".", stop icon, OK.  With an error reporter
    // set, the reporter gets the text instead.
    void showError(const std::string& message) override;
    // Lets a test observe showError() without a box; nullptr (and reset())
    // brings the box back.
    void setErrorReporter(std::function<void(const std::string&)> reporter) {
        errorReporter_ = std::move(reporter);
    }

    // A message box of the platform's.  While it is up no window takes input.
    plat::Answer messageBox(const std::string& text, const std::string& caption, std::uint32_t style);
    // Whether the player could act on a window now: not while a message box
    // is up, and while modal windows are up only on the innermost one.  A
    // click that comes anyway (posted by a tool, or queued before the modal
    // window came up) is dropped.
    bool acceptsInput(const Form* form) const;
    // Kept by Form::ShowModal for the length of its loop.
    void modalBegun(const Form* form) { modal_.push_back(form); }
    void modalEnded(const Form* form);
    // How busy the user-interface thread is, for tools that must know when
    // an action has run its course: the user events' handlers running
    // (more than one when a handler's modal loop runs another), and the
    // modal windows and message boxes up.  Both are 0 in the event loop
    // between actions.
    int handlersRunning() const { return handlers_; }
    int modalLoops() const { return static_cast<int>(modal_.size()) + boxes_; }
    // Kept by dispatch() for the length of a handler.
    void handlerBegun() { ++handlers_; }
    void handlerEnded() { --handlers_; }

    // -- as the back ends' host
    void endProgram() override { terminate(); }
    plat::ControlPeer* mainWindow() override;
    Busy busy() override { return {handlersRunning(), modalLoops()}; }
    void restart() override { reset(); }

private:
    Form* mainForm_ = nullptr;
    bool terminated_ = false;
    std::function<void(const std::string&)> errorReporter_;
    std::vector<const Form*> modal_;  // innermost last
    int boxes_ = 0;
    int handlers_ = 0;
};

Application& app();

// The error box's text for a message: a full stop appended when the last
// character sorts above ".".
std::string errorBoxText(const std::string& message);
// The application title for a program path.
std::string applicationTitle(const std::string& programPath);

}  // namespace ui
