// Control peers: each control is one real child window, each form one
// top-level window.  The component model owns every property; a peer reads
// them all when it is made and re-reads one when told it changed.
#pragma once

#include <memory>

#include "platform/Platform.h"
#include "platform/win32/Window.h"
#include "ui/Components.h"

namespace w32 {

class Win32Platform;

class ControlPeer : public plat::ControlPeer, public Window {
public:
    ControlPeer(Win32Platform& platform, ui::Control& control) : platform_(platform), control_(control) {}

    void textChanged() override;
    void boundsChanged() override;
    void visibleChanged() override;
    void enabledChanged() override;
    void fontChanged() override;

    ui::Control& control() const { return control_; }
    HFONT font() const { return font_; }

    // The peer's window, for tests and the back end's own use.
    static HWND windowOf(const ui::Control& c);

protected:
    // Window styles every child control has.
    DWORD childStyle() const;
    HWND parentWindow() const;
    // Name, stacking, font and enabled state of the new window.
    void finishCreate();
    // Moves the window to the control's bounds (combo boxes reach lower,
    // for their drop-down list).
    virtual void placeWindow();

    Win32Platform& platform_;
    ui::Control& control_;
    HFONT font_ = nullptr;
};

std::unique_ptr<plat::ControlPeer> makeControlPeer(Win32Platform& platform, ui::Control& control);
std::unique_ptr<plat::ControlPeer> makeFormPeer(Win32Platform& platform, ui::Form& form);
std::unique_ptr<plat::ControlPeer> makeShellTreePeer(Win32Platform& platform, ui::ShellTreeView& tree);
// Containers, gauge and picture: windows of our own classes.
std::unique_ptr<plat::ControlPeer> makeOwnDrawnPeer(Win32Platform& platform, ui::Control& control);

// Geometry of the drawings, apart from the drawing itself.
// The width of the gauge's filled part for a bar of the given inner width.
int gaugeFillWidth(int innerWidth, int percent);
// Where a picture of w x h goes in a box of boxW x boxH: as large as fits,
// proportions kept, at the top left.
RECT fitPicture(int w, int h, int boxW, int boxH);

}  // namespace w32
