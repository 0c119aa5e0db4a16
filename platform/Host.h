// What the program above the seam does for the back ends: the back ends show
// an error that escaped a worker, end the program when the system asks, and
// own message boxes by the main window through it, never by naming the
// application.  The application puts itself in force as the host
// (base::InForce<plat::Host>) once its main window is made; a test, for its
// scope.
#pragma once

#include <string>

namespace plat {

class ControlPeer;

class Host {
public:
    virtual ~Host() = default;
    // The application's default error box, for an error that nothing caught.
    virtual void showError(const std::string& text) = 0;
    // The system asked the program to end (WM_QUIT): its loops end.
    virtual void endProgram() = 0;
    // The main window's peer, which owns every other window and message box;
    // nullptr before it exists.
    virtual ControlPeer* mainWindow() = 0;
    // How busy the user-interface thread is, for tools that must know when an
    // action has run its course: the user events' handlers running and the
    // modal windows and message boxes up.
    struct Busy {
        int handlers = 0;
        int modalLoops = 0;
    };
    virtual Busy busy() = 0;
    // A new run of the program in this process (a test's scope): forget the
    // last run's windows, boxes and end.
    virtual void restart() = 0;
};

// The host in force.  Without one (a test of the seam alone) it is
// noHost(): an error shows in a plain box and nothing owns the boxes.
Host& host();
Host& noHost();

}  // namespace plat
