// The component model: forms and their controls, as a form designer keeps
// them.  Properties live here; each control has a platform peer that draws
// it and reports what the user did.  A control pushes a property change
// through its peer only when the peer exists; a new peer reads every stored
// property itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace ui {

// An error raised by an operation and shown by the application's error box
// when nothing catches it.  The message is ANSI bytes.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

constexpr int kDefaultCharset = 1;   // DEFAULT_CHARSET
constexpr int kGb2312Charset = 134;  // GB2312_CHARSET
constexpr int kPixelsPerInch = 96;

struct Font {
    std::string name = "MS Sans Serif";
    int charset = kDefaultCharset;  // low 8 bits of what was set
    int height = -11;               // pixels; negative: character height
    int size() const;               // points, from the height
    void setSize(int points);
    bool operator==(const Font& o) const {
        return name == o.name && charset == o.charset && height == o.height;
    }
};

enum class Kind {
    Form, Button, Edit, Label, GroupBox, Memo, ComboBox, ProgressBar, Gauge,
    ShellTreeView, PageControl, TabSheet, Panel, Image, Timer, Component
};

class Form;

// Anything a form owns: controls, timers and non-visual components.
class Component {
public:
    Component(Form* owner, std::string name);
    virtual ~Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    virtual Kind kind() const { return Kind::Component; }
    const std::string& name() const { return name_; }
    Form* owner() const { return owner_; }

private:
    Form* owner_;
    std::string name_;
};

class Control : public Component {
public:
    Control(Form* owner, std::string name, Control* parent, Rect bounds);

    Control* parent() const { return parent_; }
    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& r);

    // Caption for buttons, labels, group boxes and forms; text for edits.
    const std::string& text() const { return text_; }
    void setText(const std::string& t);
    const std::string& hint() const { return hint_; }
    void setHint(const std::string& h) { hint_ = h; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool e);
    bool visible() const { return visible_; }
    void setVisible(bool v);

    // The font in force: its own, or the parent's (ultimately the form's).
    const Font& font() const;
    bool hasOwnFont() const { return ownFont_ != nullptr; }
    void setOwnFont(const Font& f);

    plat::ControlPeer* peer() const { return peer_.get(); }
    void createPeer();
    void destroyPeer() { peer_.reset(); }

    // Called by the form when its font changed, so inheriting peers restyle.
    void parentFontChanged();

protected:
    void storeText(const std::string& t) { text_ = t; }
    void notify(void (plat::ControlPeer::*what)()) {
        if (peer_) (peer_.get()->*what)();
    }

private:
    Control* parent_;
    Rect bounds_;
    std::string text_, hint_;
    bool enabled_ = true, visible_ = true;
    std::unique_ptr<Font> ownFont_;
    std::unique_ptr<plat::ControlPeer> peer_;
};

// Runs a user event's handler; an error that escapes it goes to the
// application's error box, as in any handler called from the message loop.
void dispatch(const std::function<void()>& handler);

class Button : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::Button;
    Kind kind() const override { return kKind; }
    std::function<void()> OnClick;
    // As the user's click: runs OnClick through dispatch, unless the button
    // is disabled or its window takes no input (see Application::acceptsInput).
    void click();
};

class Edit : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::Edit;
    Kind kind() const override { return kKind; }
    void userEdited(const std::string& t);  // the peer reports typing
};

class Label : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::Label;
    Kind kind() const override { return kKind; }
};

class GroupBox : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::GroupBox;
    Kind kind() const override { return kKind; }
};

class Panel : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::Panel;
    Kind kind() const override { return kKind; }
};

// Multi-line text, shown as raw ANSI bytes.
class Memo : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::Memo;
    Kind kind() const override { return kKind; }
    const std::vector<std::string>& lines() const { return lines_; }
    void clear();
    // Split bytes into lines at CR LF, LF or CR, as a text file loads.
    void loadText(const std::string& bytes);
    std::string joined() const;  // lines joined with CR LF
    bool greyBackground = true;
    bool verticalScrollBar = true;

private:
    std::vector<std::string> lines_;
};

// A drop-down list, selection only.
class ComboBox : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::ComboBox;
    Kind kind() const override { return kKind; }
    const std::vector<std::string>& items() const { return items_; }
    void addItem(const std::string& item);
    void clearItems();
    int itemIndex() const { return itemIndex_; }
    void setItemIndex(int i);  // by code: no OnChange; -1 selects nothing
    // The selected item's text, empty when nothing is selected.
    std::string selectedText() const;
    std::function<void()> OnChange;
    void userSelected(int i);  // the peer reports a choice: OnChange through dispatch

private:
    std::vector<std::string> items_;
    int itemIndex_ = -1;
};

class ProgressBar : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::ProgressBar;
    Kind kind() const override { return kKind; }
    int min() const { return min_; }
    int max() const { return max_; }
    int position() const { return position_; }
    void setPosition(int p);  // clamped to the range, as the native bar does

private:
    int min_ = 0, max_ = 100, position_ = 0;
};

// A percentage gauge: a horizontal bar with its percentage centred.
class Gauge : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::Gauge;
    Kind kind() const override { return kKind; }
    int minValue() const { return min_; }
    int maxValue() const { return max_; }
    int progress() const { return progress_; }
    // Clamped to min..max; repaints at once when the shown percentage changes.
    void setProgress(int p);
    int percentDone() const;  // truncated toward zero; 0 when max == min

private:
    int min_ = 0, max_ = 100, progress_ = 0;
};

// A folder tree of the shell namespace, rooted at My Computer.
class ShellTreeView : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::ShellTreeView;
    Kind kind() const override { return kKind; }
    // The selected folder's file-system path ("X:\" for a drive root), or
    // empty: nothing selected, or a folder outside the file system (My
    // Computer, Control Panel).
    std::string path() const;
    // Another item became the selected one, by the player or by a message.
    std::function<void()> OnChange;
    void selectionChanged();  // the peer reports it: OnChange through dispatch
};

class TabSheet;

// Pages with hidden tabs: only the active page is visible.
class PageControl : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::PageControl;
    Kind kind() const override { return kKind; }
    int activePageIndex() const { return active_; }
    void setActivePageIndex(int i);
    const std::vector<TabSheet*>& pages() const { return pages_; }
    void addPage(TabSheet* page);

private:
    std::vector<TabSheet*> pages_;
    int active_ = 0;
};

class TabSheet : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::TabSheet;
    Kind kind() const override { return kKind; }
    int pageIndex() const { return index_; }
    void setPageIndex(int i) { index_ = i; }

private:
    int index_ = 0;
};

// A picture stretched into the control with its proportions kept.
class Image : public Control {
public:
    using Control::Control;
    static constexpr Kind kKind = Kind::Image;
    Kind kind() const override { return kKind; }
    std::string bitmapResource;  // name of the BITMAP resource that holds it
};

// A timer: one tick per interval while enabled, on the user-interface thread.
class Timer : public Component {
public:
    Timer(Form* owner, std::string name, std::uint32_t intervalMs, bool enabled);
    ~Timer() override;
    Kind kind() const override { return Kind::Timer; }
    std::uint32_t interval() const { return interval_; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool e);
    std::function<void()> OnTimer;
    // Arms the platform timer if enabled; done once the program runs.
    void start();

private:
    void arm();
    void disarm();
    std::uint32_t interval_;
    bool enabled_;
    bool started_ = false;
    plat::Platform::TimerId id_ = 0;
};

// ---------------------------------------------------------------- forms

enum class BorderStyle { Single, Sizeable };
enum class Position { DesktopCenter, MainFormCenter, ScreenCenter };

// ---------------------------------------------------------------- window tables
//
// A window is a table, as a form designer stores it: the window's own
// appearance and one row per control in creation order, each naming its
// parent, place, content, keyboard order, own font and initial visibility.
// A row binds its control to the form's member of the same name, so a
// control's name is written once in the table and once as a member:
//
//     const ui::ControlDef kControls[] = {
//         // control                  parent        left top width height  content
//         {UI_CONTROL(TForm2, Button1), "GroupBox3", {48, 24, 75, 25},      "Start"},
//     };

// What a row makes and how it reaches its member: the control's kind and a
// setter, both taken from the member's type.  A bare kind makes a control
// that no member holds (windows made in tests).
struct Binding {
    constexpr Binding(Kind k, void (*a)(Form&, Control&) = nullptr) : kind(k), assign(a) {}
    Kind kind;
    void (*assign)(Form& form, Control& made);
};

namespace detail {
template <class M>
struct MemberOf;
template <class F, class T>
struct MemberOf<T* F::*> {
    using FormType = F;
    using ControlType = T;
};
template <auto Member>
void assignMember(Form& form, Control& made) {
    using M = MemberOf<decltype(Member)>;
    static_cast<typename M::FormType&>(form).*Member = static_cast<typename M::ControlType*>(&made);
}
}  // namespace detail

template <auto Member>
inline constexpr Binding kMemberBinding{detail::MemberOf<decltype(Member)>::ControlType::kKind,
                                        &detail::assignMember<Member>};

// The name and the binding of a form's control member.
#define UI_CONTROL(FormType, member) #member, ::ui::kMemberBinding<&FormType::member>

struct ControlDef {
    const char* name;
    Binding binding;
    const char* parent;  // "" for the form itself
    Rect bounds;         // a tab sheet fills its page control whatever is given
    const char* content = nullptr;  // caption or text
    int tabOrder = -1;              // place in the keyboard order; where no row gives one, creation order
    const Font* font = nullptr;     // a font of its own, which the form's changes pass by
    bool visible = true;
};

struct FormDef {
    const char* className;  // also the window class
    const char* name;
    const char* caption;
    Rect size;               // width and height: the client area, or the outer size
    bool outerSize;
    BorderStyle borderStyle;
    bool systemMenu, minimizeBox, maximizeBox;
    Position position;
    Font font;
    const ControlDef* controls;
    std::size_t controlCount;
};

class Form : public Control {
public:
    Form(std::string className, std::string name);
    // Takes the window's appearance from its table; the derived window builds
    // the controls (buildControls) once its members exist.
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

// ---------------------------------------------------------------- application

class Application {
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
    void showError(const std::string& message);
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
