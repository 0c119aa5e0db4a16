// The keyboard of the program's five windows: each in a state, keys pressed
// as the player presses them, and what they did: the buttons pressed (whose
// handlers ran), whether the window closed, where the focus is.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/App.h"
#include "tests/support/SimTest.h"
#include "ui/Keyboard.h"
#include "uninstall/UninstallForm.h"

namespace {

using K = ui::Key;

struct Row {
    const char* window;  // its class; "TForm5/patch": the uninstaller of a patch alone
    const char* state;
    std::function<void()> arrange;
    std::vector<K> keys;
    const char* pressed;  // the buttons, in order
    bool closes;
    const char* focus;  // afterward; "" none
};

class Keys : public simtest::SimTest {
protected:
    void check(const Row& r) {
        SCOPED_TRACE(std::string(r.window) + ", " + r.state);
        app::createForms();
        Form1->Timer1->setEnabled(false);
        s.onBox([](const sim::BoxRecord&) { return plat::Answer::Ok; });
        ui::Form* form = windowOf(r.window);
        std::string pressed, focus;
        for (auto* c : form->components())
            if (auto* b = dynamic_cast<ui::Button*>(c))
                b->OnClick = [&pressed, b, click = b->OnClick] {
                    pressed += (pressed.empty() ? "" : " ") + b->name();
                    if (click) click();
                };
        const bool main = form == ui::app().mainForm();
        bool closed = false;
        auto act = [&](ui::Form&) {
            if (r.arrange) r.arrange();
            pressed.clear();
            for (K k : r.keys) s.pressKey(*form, k);
            closed = main ? ui::app().terminated() : form->modalResult() != ui::mrNone;
            focus = s.focusOf(*form) ? s.focusOf(*form)->name() : "";
            form->setModalResult(ui::mrCancel);
        };
        s.onModal(form->className(), act);
        if (main) {
            form->Show();
            act(*form);
        } else {
            form->ShowModal();
        }
        EXPECT_EQ(pressed, r.pressed);
        EXPECT_EQ(closed, r.closes);
        EXPECT_EQ(focus, r.focus);
        uninstaller_.reset();
        app::destroyForms();
    }

private:
    ui::Form* windowOf(const std::string& name) {
        ui::Form* const made[] = {Form1, Form2, Form3, Form4};
        if (name.rfind("TForm5", 0) != 0) return made[name.back() - '1'];
        shell::record::Record record;
        record.folder = "C:\\Lunavire";
        if (name == "TForm5") {
            shell::record::Record::Item game;
            game.path = plat::Path("Vandry.exe");
            game.whole = true;
            record.files.push_back(game);
        }
        uninstaller_ = std::make_unique<TForm5>(Form1->messages, record, record.folder, false, uninstall::DiscsFor{});
        uninstaller_->createWindows();
        ui::app().setMainForm(uninstaller_.get());
        return uninstaller_.get();
    }
    std::unique_ptr<TForm5> uninstaller_;
};

TEST_F(Keys, EachWindowAsAPlayerPressesItsKeys) {
    const auto panel = [] { Form2->Button4->click(); };
    const auto chosen = [this] {
        Form2->Button4->click();
        s.setTreeSelection(*Form2->ShellTreeView1, "C:\\");
    };
    const auto picked = [this] { s.setTreeSelection(*Form3->ShellTreeView1, "C:\\"); };
    const Row rows[] = {
        // The main window: no default and no cancel button; the six actions are a group of the arrows.
        {"TForm1", "as shown", {}, {K::Escape, K::Enter, K::Down, K::Tab, K::Down}, "", false, "ComboBox1"},
        {"TForm1", "as shown", {}, {K::Tab, K::Tab, K::Left, K::Left, K::Enter}, "Button5", false, "Button5"},
        // The disc window's settings: Start is the default, Cancel the cancel button.
        {"TForm2", "settings", {}, {K::Escape}, "Button2", true, "Button1"},
        {"TForm2", "settings", {}, {K::Tab, K::Tab, K::Tab, K::Enter}, "Button1", false, "Edit2"},
        {"TForm2", "settings", {}, {K::Right, K::Right, K::Tab, K::Tab, K::Down, K::Down}, "", false, "Edit2"},
        {"TForm2", "settings", {}, {K::Tab, K::Space}, "Button2", true, "Button2"},
        // The folder panel over them: the page behind takes no key, the panel has its own OK and Cancel.
        {"TForm2", "folder panel", panel, {K::Enter, K::Tab}, "", false, "ShellTreeView1"},
        {"TForm2", "folder panel", panel, {K::Escape}, "Button9", false, ""},
        {"TForm2", "folder panel, a folder chosen", chosen, {K::Enter}, "Button8", false, ""},
        // The copy's page: no key presses its Cancel.
        {"TForm2", "progress page", [] { Form2->PageControl1->setActivePageIndex(1); },
         {K::Escape, K::Enter, K::Tab}, "", false, "Button3"},
        // The folder picker: OK once a folder is chosen, and Cancel.
        {"TForm3", "nothing chosen", {}, {K::Enter, K::Tab}, "", false, "Button2"},
        {"TForm3", "nothing chosen", {}, {K::Escape}, "Button2", true, "ShellTreeView1"},
        {"TForm3", "a folder chosen", picked, {K::Enter}, "Button1", true, "ShellTreeView1"},
        // The patch's progress: it closes itself when its run ends, never for a key.
        {"TForm4", "before its run", {}, {K::Escape, K::Enter, K::Tab, K::Space}, "", false, ""},
        // The uninstaller: two removals, the check, the repair and Cancel, no default among them.
        {"TForm5", "both choices", {}, {K::Escape}, "Button3", true, "Button1"},
        {"TForm5", "both choices", {}, {K::Up, K::Enter}, "Button3", true, "Button3"},
        {"TForm5/patch", "the patch alone", {}, {K::Down}, "", false, "Button4"},
    };
    for (const Row& r : rows) check(r);
}

TEST_F(Keys, OnlyAButtonIsADefaultOrCancelButton) {
    ui::Form form("TKeyForm", "KeyForm");
    const ui::ControlDef wrong[] = {{"Edit1", ui::Binding(ui::Kind::Edit), "", {}, "", -1, nullptr, ui::kCancel}};
    EXPECT_THROW(form.build(wrong, 1), std::logic_error);
}

}  // namespace
