// The disc installation as an object of its own: what it asks of its view,
// driven through a copy component of its own, without the disc window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "discinstall/FileCopy.h"
#include "discinstall/Installation.h"
#include "tests/unit/discinstall/DiscRunFixture.h"

namespace {

using namespace discruntest;

// Records what the run shows.
struct RecordingView : discinstall::InstallationView {
    void showProgressPage() override { calls.push_back("page"); }
    void clearProgress() override { calls.push_back("clear"); }
    void showFile(const std::string&, const std::string& target) override { calls.push_back("file " + target); }
    void showOverallProgress(int percent) override { overall.push_back(percent); }
    void closeWindow() override { calls.push_back("close"); }

    std::size_t count(const std::string& prefix) const {
        return static_cast<std::size_t>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) {
            return c.compare(0, prefix.size(), prefix) == 0;
        }));
    }
    std::vector<std::string> calls;
    std::vector<int> overall;
};

class Installation : public DiscRun {
protected:
    void SetUp() override {
        DiscRun::SetUp();
        copy.OnFinish = [this](ui::Component*) { run.copyFinished(); };
        copy.OnError = [this](ui::Component*, const std::string& text, std::uint32_t code) {
            run.copyFailed(text, code);
        };
        copy.OnCopyProgress = [this](ui::Component*, std::uint32_t, std::uint32_t done, std::uint8_t) {
            run.copyProgressed(done);
            if (onProgress) onProgress();
        };
        // The player swaps discs 2 and 3 into drive D when asked.
        onEachBox = [this](const sim::BoxRecord& b) {
            if (b.text == msg(Msg::InsertDisc2)) put("D:", kDisc2);
            if (b.text == msg(Msg::InsertDisc3)) put("D:", kDisc3);
        };
    }

    ui::Form owner{"TOwner", "Owner"};
    TKqFileCopy& copy = owner.add<TKqFileCopy>(&owner, "KqFileCopy1");
    RecordingView view;
    discinstall::Installation run{copy, view, shell::face()};
    std::function<void()> onProgress;
};

TEST_F(Installation, AWholeRunShowsEachFileAndClosesItsViewOnce) {
    run.start("D:", "c:\\Lunavire");
    ASSERT_GE(view.calls.size(), 2u);
    EXPECT_EQ(view.calls[0], "page");
    EXPECT_EQ(view.calls[1], "clear");
    EXPECT_EQ(view.count("file "), kDisc1.size() + kDisc2.size() + kDisc3.size()) << "one line per file";
    EXPECT_EQ(view.calls.back(), "close");
    EXPECT_EQ(view.count("close"), 1u) << "the view is closed once, after the last message";
    ASSERT_FALSE(view.overall.empty());
    EXPECT_TRUE(std::is_sorted(view.overall.begin(), view.overall.end())) << "the overall share only grows";
    EXPECT_EQ(view.overall.back(), 100);
    EXPECT_FALSE(run.active());
    EXPECT_EQ(run.installFolder().text(), "c:\\Lunavire");
    EXPECT_EQ(boxTexts().back(), msg(Msg::InstallComplete));
    EXPECT_TRUE(workersEnd());
}

TEST_F(Installation, AStartThatIsRefusedShowsNothingOfARun) {
    struct Row {
        const char* what;
        std::string source, folder;
        Msg said;
    } rows[] = {
        {"no disc below the source", "C:", "c:\\Lunavire", Msg::DiscNotFound},
        {"an install folder on no drive", "D:", "q:\\Lunavire", Msg::BadInstallFolder},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const std::size_t boxes = s.boxes().size();
        run.start(r.source, r.folder);
        EXPECT_TRUE(view.calls.empty()) << "no page, no file, no close";
        ASSERT_EQ(s.boxes().size(), boxes + 1);
        EXPECT_EQ(s.boxes().back().text.compare(0, msg(r.said).size(), msg(r.said)), 0) << s.boxes().back().text;
        EXPECT_FALSE(run.active());
    }
}

TEST_F(Installation, ACancelDuringACopyEndsTheRunAndClosesItsViewOnce) {
    onProgress = [this] { run.cancel(); };
    run.start("D:", "c:\\Lunavire");
    EXPECT_EQ(view.count("file "), 1u) << "no file after the cancelled one";
    EXPECT_EQ(view.calls.back(), "close");
    EXPECT_EQ(view.count("close"), 1u);
    EXPECT_EQ(boxTexts().back(), msg(Msg::InstallIncomplete));
    EXPECT_FALSE(run.active());
    EXPECT_TRUE(workersEnd());
    EXPECT_EQ(s.openHandles(), 0u);
}

}  // namespace
