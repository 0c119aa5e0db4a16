// Window tables: the events a window's table names reach the window's
// handlers, with their arguments and results, and only once the components
// they belong to exist.
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/SimTest.h"
#include "ui/Components.h"

namespace simtest {
namespace {

class TTableForm : public ui::Form {
public:
    // With timerFirst false the events are bound before the timer is made.
    explicit TTableForm(bool timerFirst);

    ui::Button* Button1 = nullptr;
    ui::ComboBox* ComboBox1 = nullptr;
    ui::Timer* Timer1 = nullptr;

    void Button1Click() { seen.push_back("Button1Click"); }
    void ComboBox1Change() { seen.push_back("ComboBox1Change " + ComboBox1->selectedText()); }
    void Timer1Timer() {
        seen.push_back("Timer1Timer");
        Timer1->setEnabled(false);
    }
    void FormShow() { seen.push_back("FormShow"); }
    bool FormCloseQuery() {
        seen.push_back("FormCloseQuery");
        return mayClose;
    }

    std::vector<std::string> seen;
    bool mayClose = false;
};

const ui::ControlDef kControls[] = {
    {UI_CONTROL(TTableForm, Button1), "", {8, 8, 75, 25}, "OK"},
    {UI_CONTROL(TTableForm, ComboBox1), "", {8, 40, 120, 24}},
};
const ui::EventDef kEvents[] = {
    UI_EVENT(TTableForm, Button1, OnClick, Button1Click),
    UI_EVENT(TTableForm, ComboBox1, OnChange, ComboBox1Change),
    UI_EVENT(TTableForm, Timer1, OnTimer, Timer1Timer),
    UI_FORM_EVENT(TTableForm, OnShow, FormShow),
    UI_FORM_EVENT(TTableForm, OnCloseQuery, FormCloseQuery),
};
const ui::FormDef kWindow{"TTableForm", "TableForm", "Tables", {0, 0, 200, 100}, ui::kSystemMenu,
                          ui::BorderStyle::Single, ui::Position::ScreenCenter, ui::Font{},
                          kControls, std::size(kControls), kEvents, std::size(kEvents)};

TTableForm::TTableForm(bool timerFirst) : ui::Form(kWindow) {
    buildControls();
    if (!timerFirst) bindEvents();
    Timer1 = &addTimer("Timer1", 100, true);
    if (timerFirst) bindEvents();
}

class Tables : public SimTest {};

TEST_F(Tables, EachEventOfTheTableReachesItsHandler) {
    TTableForm form(true);
    form.ComboBox1->addItem("one");
    form.createWindows();
    s.onModal("TTableForm", [&](ui::Form&) {
        form.Button1->click();
        form.ComboBox1->userSelected(0);
        s.advance(100);
        form.Close();
        EXPECT_TRUE(form.showing()) << "the close query's false keeps the window";
        form.mayClose = true;
        form.Close();
    });
    EXPECT_EQ(form.ShowModal(), ui::mrCancel);
    EXPECT_EQ(form.seen, (std::vector<std::string>{"FormShow", "Button1Click", "ComboBox1Change one",
                                                   "Timer1Timer", "FormCloseQuery", "FormCloseQuery"}));
}

TEST_F(Tables, AnEventOfAComponentNotMadeYetIsRefused) {
    EXPECT_THROW(TTableForm form(false), std::logic_error)
        << "binding before the timer exists would leave its tick without a handler";
}

}  // namespace
}  // namespace simtest
