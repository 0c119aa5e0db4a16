// Modal windows and message boxes: which window takes the player's input
// while they are up, and a second request to show a window that is up.
#include <functional>
#include <stdexcept>
#include <vector>

#include "platform/Desktop.h"
#include "tests/support/SimTest.h"
#include "ui/Components.h"

namespace simtest {
namespace {

using plat::Answer;

// A window with one button that counts its clicks.
struct CountingForm : ui::Form {
    explicit CountingForm(const char* cls) : ui::Form(cls, cls) {
        button = &add<ui::Button>(this, "Button1", this, ui::Rect{});
        button->OnClick = [this] { ++clicks; };
        createWindows();
    }
    ui::Button* button = nullptr;
    int clicks = 0;
};

class Modal : public SimTest {
protected:
    void SetUp() override {
        ui::app().setMainForm(&main);
        main.Show();
    }
    std::size_t begun(const ui::Form& f) const {
        std::size_t n = 0;
        for (auto e : s.peerEvents(f)) n += e == sim::PeerEvent::BeginModal;
        return n;
    }

    CountingForm main{"TForm1"}, dialog{"TForm2"}, inner{"TForm3"};
};

TEST_F(Modal, ClicksAndTheCloseBoxReachOnlyTheInnermostModalWindow) {
    s.onModal("TForm3", [&](ui::Form&) {
        main.button->click();
        dialog.button->click();
        dialog.userClose();
        inner.button->click();
        inner.Close();
    });
    s.onModal("TForm2", [&](ui::Form&) {
        main.button->click();
        main.userClose();
        dialog.button->click();
        inner.ShowModal();
        dialog.button->click();
        dialog.userClose();
    });
    EXPECT_EQ(dialog.ShowModal(), ui::mrCancel) << "the modal window's own close box closes it";
    EXPECT_EQ(main.clicks, 0) << "the main window takes no click while a modal window is up";
    EXPECT_FALSE(ui::app().terminated()) << "nor its close box";
    EXPECT_EQ(dialog.clicks, 2) << "a modal window takes clicks, but not while another is above it";
    EXPECT_EQ(inner.clicks, 1);

    main.button->click();
    EXPECT_EQ(main.clicks, 1) << "once the modal windows are gone the main window takes clicks again";
}

TEST_F(Modal, NoWindowTakesInputWhileAMessageBoxIsUp) {
    const std::vector<std::function<void()>> boxes = {
        [] { ui::app().messageBox("text", "caption", plat::mb::Ok); },
        [] { ui::app().showError("the error box"); },
    };
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        SCOPED_TRACE(i);
        main.clicks = 0;
        s.onBox([&](const sim::BoxRecord&) {
            main.button->click();
            main.userClose();
            return Answer::Ok;
        });
        boxes[i]();
        EXPECT_EQ(main.clicks, 0) << "a click behind a message box is dropped";
        EXPECT_FALSE(ui::app().terminated()) << "and so is the close box";
        main.button->click();
        EXPECT_EQ(main.clicks, 1) << "once the box is gone the window takes clicks again";
    }
}

TEST_F(Modal, AWindowThatIsUpIsNotShownAgain) {
    int second = -1;
    s.onModal("TForm2", [&](ui::Form&) {
        if (begun(dialog) == 1) second = dialog.ShowModal();
        dialog.setModalResult(ui::mrOk);
    });
    EXPECT_EQ(dialog.ShowModal(), ui::mrOk);
    EXPECT_EQ(second, ui::mrNone) << "the second request returns at once";
    EXPECT_EQ(begun(dialog), 1u) << "the window's modal loop runs once";
    EXPECT_EQ(s.modals().size(), 1u);
    EXPECT_FALSE(dialog.showing());

    main.button->click();
    EXPECT_EQ(main.clicks, 1) << "the main window takes input again";
    EXPECT_EQ(main.ShowModal(), ui::mrNone) << "the main window, up from the start, is not shown modally";
}

TEST_F(Modal, TheApplicationCountsTheHandlersRunningAndTheModalLoopsUp) {
    // What a tool outside reads to know that an action has run its course.
    struct Seen {
        int handlers, modalLoops;
        bool operator==(const Seen& o) const { return handlers == o.handlers && modalLoops == o.modalLoops; }
    };
    auto now = [] { return Seen{ui::app().handlersRunning(), ui::app().modalLoops()}; };
    std::vector<Seen> seen;
    s.onBox([&](const sim::BoxRecord&) {
        seen.push_back(now());
        return Answer::Ok;
    });
    s.onModal("TForm2", [&](ui::Form&) {
        seen.push_back(now());
        dialog.button->click();  // its handler shows a box
        dialog.Close();
    });
    dialog.button->OnClick = [&] {
        seen.push_back(now());
        ui::app().messageBox("text", "caption", plat::mb::Ok);
    };
    main.button->OnClick = [&] {
        seen.push_back(now());
        dialog.ShowModal();
        throw std::runtime_error("the handler fails");  // to the error box, which counts too
    };

    EXPECT_EQ(now(), (Seen{0, 0})) << "between actions";
    main.button->click();
    EXPECT_EQ(seen, (std::vector<Seen>{
                        {1, 0},  // main's handler
                        {1, 1},  // in the dialog's loop
                        {2, 1},  // the dialog's button's handler
                        {2, 2},  // its box
                        {1, 1},  // the error box, after the dialog
                    }));
    EXPECT_EQ(now(), (Seen{0, 0})) << "and after, the failing handler included";
}

}  // namespace
}  // namespace simtest
