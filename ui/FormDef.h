// Window tables.  A window is a table, as a form designer stores it: the
// window's own appearance, one row per control in creation order (name,
// parent, place, content, keyboard order, own font, flags), and the events
// it handles.  A row binds its control to the form's member of the same name,
// so a control's name is written once in the table and once as a member:
//
//     const ui::ControlDef kControls[] = {
//         // control                  parent        left top width height  content
//         {UI_CONTROL(TForm2, Button1), "GroupBox3", {48, 24, 75, 25},      "Start"},
//     };
//     const ui::EventDef kEvents[] = {
//         UI_EVENT(TForm2, Button1, OnClick, Button1Click),
//         UI_FORM_EVENT(TForm2, OnHide, FormHide),
//     };
#pragma once

#include <cstddef>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "ui/Component.h"
#include "ui/Geometry.h"

namespace ui {

enum class BorderStyle { Single, Sizeable };
enum class Position { DesktopCenter, MainFormCenter, ScreenCenter };

// The frame of a window, as named flags.
enum FrameFlags : unsigned {
    kNoBorderIcons = 0,
    kOuterSize = 1u << 0,  // the size is the outer size, not the client area
    kSystemMenu = 1u << 1,
    kMinimizeBox = 1u << 2,
    kMaximizeBox = 1u << 3,
};

// Flags of a control's row.
enum ControlFlags : unsigned {
    kHidden = 1u << 0,    // made invisible
    kWordWrap = 1u << 1,  // a label whose text breaks into lines at its width
    // The keyboard (ui/Keyboard.h), as a dialog box has it:
    kDefault = 1u << 2,  // a button that Enter presses wherever the focus is on no other button
    kCancel = 1u << 3,   // a button that Esc presses
    kGroup = 1u << 4,    // begins a group of the arrow keys, up to the next row that begins one
};

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
template <class M>
struct MethodOf;
template <class F, class R, class... A>
struct MethodOf<R (F::*)(A...)> {
    using FormType = F;
};

template <auto Member>
void assignMember(Form& form, Control& made) {
    using M = MemberOf<decltype(Member)>;
    static_cast<typename M::FormType&>(form).*Member = static_cast<typename M::ControlType*>(&made);
}

// Binds the event of the component a member holds to a handler of the form.
template <auto Member, auto Event, auto Handler>
void bindEvent(Form& form) {
    using F = typename MemberOf<decltype(Member)>::FormType;
    F& f = static_cast<F&>(form);
    auto* component = f.*Member;
    if (!component) throw std::logic_error("an event of a component that is not made yet");
    component->*Event = [&f](auto&&... args) { return (f.*Handler)(std::forward<decltype(args)>(args)...); };
}

// Binds an event of the form itself to one of its handlers.
template <auto Event, auto Handler>
void bindFormEvent(Form& form) {
    auto& f = static_cast<typename MethodOf<decltype(Handler)>::FormType&>(form);
    form.*Event = [&f] { return (f.*Handler)(); };
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
    unsigned flags = 0;             // ControlFlags
};

// One handled event: "member.event = handler", as a form designer writes it.
struct EventDef {
    void (*bind)(Form& form);
};

// The event of a member component (a control, timer or non-visual
// component) and the form's handler for it.
#define UI_EVENT(FormType, member, event, handler)                                                      \
    ::ui::EventDef {                                                                                    \
        &::ui::detail::bindEvent<&FormType::member, &std::remove_pointer_t<decltype(FormType::member)>::event, \
                                 &FormType::handler>                                                    \
    }
// An event of the form itself (OnShow, OnHide, OnClose, OnCloseQuery).
#define UI_FORM_EVENT(FormType, event, handler) \
    ::ui::EventDef { &::ui::detail::bindFormEvent<&::ui::Form::event, &FormType::handler> }

struct FormDef {
    const char* className;  // also the window class
    const char* name;
    const char* caption;
    Rect size;         // width and height: the client area, or the outer size (kOuterSize)
    unsigned frame;    // FrameFlags
    BorderStyle borderStyle;
    Position position;
    Font font;
    const ControlDef* controls;
    std::size_t controlCount;
    const EventDef* events = nullptr;
    std::size_t eventCount = 0;
};

}  // namespace ui
