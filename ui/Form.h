// Forms: the windows, made from their tables, shown modally or as the main
// window.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ui/Component.h"
#include "ui/Controls.h"
#include "ui/FormDef.h"

namespace ui {

class Form : public Control {
public:
    Form(std::string className, std::string name);
    // Takes the window's appearance from its table; the derived window builds
    // the controls (buildControls) once its members exist, and binds its
    // events (bindEvents) once the components they name exist.
    explicit Form(const FormDef& def);
    ~Form() override;
    Kind kind() const override { return Kind::Form; }
    const std::string& className() const { return className_; }

    // -- appearance, fixed before the peer exists
    int clientWidth = 0, clientHeight = 0;  // used when outerSize is false
    bool outerSize = false;                 // bounds give the outer size
    BorderStyle borderStyle = BorderStyle::Single;
    bool systemMenu = true, minimizeBox = false, maximizeBox = false;
    Position position = Position::DesktopCenter;
    // Keyboard order of the controls that take focus, by name; creation
    // order when empty.
    std::vector<std::string> tabOrder;

    const Font& formFont() const { return font_; }
    void setFont(const Font& f);
    void setFontName(const std::string& name);
    void setFontCharset(int charset);  // keeps the low 8 bits
    void setFontSize(int points);  // at the window's dots per inch
    void setFontHeight(int pixels);

    // -- scale: the window is designed at 96 dots per inch
    int pixelsPerInch() const { return pixelsPerInch_; }
    // Scales every position, size and font height of the window and its
    // controls from the current dots per inch to `dpi`.  Edges are scaled,
    // not sizes, so controls that do not overlap at one scale do not at
    // another.  Done when the window is made on a monitor of another scale
    // and when it moves to one.
    void changeScale(int dpi);

    // Every component the form owns, in creation order.
    const std::vector<Component*>& components() const { return order_; }
    Component* findComponent(const std::string& name) const;
    template <class T>
    T& get(const std::string& name) const {
        auto* t = dynamic_cast<T*>(findComponent(name));
        if (!t) throw std::logic_error("no component " + name + " of that kind");
        return *t;
    }

    // The table the window was made from (nullptr for a window made in code).
    const FormDef* definition() const { return def_; }
    // Creates the controls of the window's table in order, parents before
    // children, and binds each to its member.
    void buildControls();
    // The same for any table (tests, windows made in code).
    void build(const ControlDef* defs, std::size_t count);
    // Binds the events of the window's table to its handlers.
    void bindEvents();
    Timer& addTimer(const std::string& name, std::uint32_t intervalMs, bool enabled);
    template <class T, class... Args>
    T& add(Args&&... args) {
        auto c = std::make_unique<T>(std::forward<Args>(args)...);
        T& ref = *c;
        adopt(std::move(c));
        return ref;
    }

    // Makes the native windows of the form and its controls, and starts the
    // timers.  Done once, after construction.
    void createWindows();

    // -- showing
    // Returns the modal result; mrNone at once, without showing anything,
    // when the window is already up.
    int ShowModal();
    void Show();      // non-modal (the main window)
    void Close();     // modal: ends the modal loop after the handler returns
    int modalResult() const { return modalResult_; }
    void setModalResult(int r) { modalResult_ = r; }
    bool showing() const { return showing_; }
    void userClose();  // the close box: as Close, through dispatch, when the window takes input

    std::function<void()> OnShow, OnHide, OnClose;
    // Asked by Close() before a modal window closes; false keeps it open.
    std::function<bool()> OnCloseQuery;

private:
    void adopt(std::unique_ptr<Component> c);
    // Lets the controls make what they leave until the window is first shown.
    void prepareToShow();
    std::string className_;
    const FormDef* def_ = nullptr;
    Font font_;
    int pixelsPerInch_ = kPixelsPerInch;
    std::vector<std::unique_ptr<Component>> owned_;
    std::vector<Component*> order_;
    int modalResult_ = 0;
    bool showing_ = false;
};

constexpr int mrNone = 0, mrOk = 1, mrCancel = 2;

}  // namespace ui
