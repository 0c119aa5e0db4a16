// The four windows on monitors of more than 96 dots per inch: every place,
// size and font scaled, nothing that is apart at 96 brought together.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/App.h"
#include "tests/support/SimTest.h"

namespace {

struct Place {
    std::string name;
    int left, top, right, bottom;  // in the window's client area
    bool inForm;                   // a control of the window itself, not of a container
};

std::vector<ui::Form*> forms() { return {Form1, Form2, Form3, Form4}; }

std::vector<Place> places(const ui::Form& form) {
    std::vector<Place> out;
    for (ui::Component* c : form.components()) {
        auto* ctl = dynamic_cast<ui::Control*>(c);
        if (!ctl) continue;
        int x = ctl->bounds().left, y = ctl->bounds().top;
        bool top = true;
        for (ui::Control* p = ctl->parent(); p && p->kind() != ui::Kind::Form; p = p->parent()) {
            x += p->bounds().left;
            y += p->bounds().top;
            top = false;
        }
        out.push_back({ctl->name(), x, y, x + ctl->bounds().width, y + ctl->bounds().height, top});
    }
    return out;
}

bool overlap(const Place& a, const Place& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
bool inside(const Place& a, int width, int height) {
    return a.left >= 0 && a.top >= 0 && a.right <= width && a.bottom <= height;
}

class Scale : public simtest::SimTest {
protected:
    void TearDown() override { app::destroyForms(); }

    // Every window's places at `dpi`, windows made afresh.
    std::vector<std::vector<Place>> layoutAt(int dpi) {
        app::destroyForms();
        s.setDpi(dpi);
        app::createForms();
        std::vector<std::vector<Place>> out;
        for (ui::Form* f : forms()) out.push_back(places(*f));
        return out;
    }
};

TEST_F(Scale, At144And192EverythingGrowsAndNothingApartComesTogether) {
    const auto designed = layoutAt(96);
    for (int dpi : {144, 192}) {
        SCOPED_TRACE(dpi);
        const auto scaled = layoutAt(dpi);
        for (std::size_t w = 0; w < designed.size(); ++w) {
            const ui::Form& form = *forms()[w];
            SCOPED_TRACE(form.className());
            EXPECT_EQ(form.pixelsPerInch(), dpi);
            ASSERT_EQ(scaled[w].size(), designed[w].size());
            for (std::size_t i = 0; i < designed[w].size(); ++i) {
                const Place &d = designed[w][i], &n = scaled[w][i];
                EXPECT_EQ(n.left, (d.left * dpi + 48) / 96) << n.name;
                EXPECT_EQ(n.right, (d.right * dpi + 48) / 96) << n.name;
                EXPECT_EQ(n.bottom, (d.bottom * dpi + 48) / 96) << n.name;
                for (std::size_t j = i + 1; j < designed[w].size(); ++j) {
                    if (!overlap(d, designed[w][j])) {
                        EXPECT_FALSE(overlap(n, scaled[w][j])) << n.name << " and " << scaled[w][j].name;
                    }
                }
                if (w == 0 && d.inForm) {
                    ASSERT_TRUE(inside(d, 557, 372)) << d.name;
                    EXPECT_TRUE(inside(n, form.clientWidth, form.clientHeight)) << n.name;
                }
            }
        }
    }
    // The main window at 192: 557 x 372 doubled.
    EXPECT_EQ(Form1->clientWidth, 1114);
    EXPECT_EQ(Form1->clientHeight, 744);
}

TEST_F(Scale, At144TheMainWindowAndEveryFontAreHalfAsLargeAgain) {
    s.setDpi(144);
    app::createForms();
    EXPECT_EQ(Form1->clientWidth, 836);  // 835.5, rounded as the system rounds
    EXPECT_EQ(Form1->clientHeight, 558);
    EXPECT_EQ(Form3->bounds().width, 468) << "a window sized from outside scales its outer size";
    EXPECT_EQ(Form3->bounds().height, 480);
    for (ui::Form* f : forms()) EXPECT_EQ(f->formFont().height, -18) << f->className();
    EXPECT_EQ(Form1->Button6->font().height, -17) << "its own font: 16.5 rounded away from zero";
    EXPECT_EQ(Form1->ComboBox1->font().height, -20);
    EXPECT_EQ(Form1->Button1->font().height, -18) << "the window's font";

    // A language file's size in points is taken at the window's scale.
    Form1->setFontSize(9);
    EXPECT_EQ(Form1->formFont().height, -18);
    Form1->setFontSize(12);
    EXPECT_EQ(Form1->formFont().height, -24);
}

TEST_F(Scale, MovedBackTo96EveryWindowIsAsDesigned) {
    const auto designed = layoutAt(96);
    std::vector<ui::Font> fonts;
    for (ui::Form* f : forms()) fonts.push_back(f->formFont());
    for (int dpi : {144, 192, 120}) {
        SCOPED_TRACE(dpi);
        layoutAt(dpi);
        for (ui::Form* f : forms()) f->changeScale(96);
        for (std::size_t w = 0; w < designed.size(); ++w) {
            const auto now = places(*forms()[w]);
            for (std::size_t i = 0; i < now.size(); ++i) {
                const Place &d = designed[w][i], &n = now[i];
                EXPECT_TRUE(d.left == n.left && d.top == n.top && d.right == n.right && d.bottom == n.bottom)
                    << forms()[w]->className() << "." << n.name;
            }
            EXPECT_EQ(forms()[w]->formFont(), fonts[w]);
        }
        EXPECT_EQ(Form1->clientWidth, 557);
        EXPECT_EQ(Form1->clientHeight, 372);
        EXPECT_EQ(Form1->Button6->font().height, -11);
    }
}

}  // namespace
