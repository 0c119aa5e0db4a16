// The disc installation's test world: three discs in read-only drives D:,
// E: and F:, the program's windows, and a scripted player who answers the
// prompts and locates discs in the folder picker.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/App.h"
#include "discinstall/Installation.h"
#include "platform/Desktop.h"
#include "tests/support/SimTest.h"

namespace discruntest {

using plat::Answer;
using shell::Msg;

inline const std::string kPrograms = "C:\\Users\\Player\\Start Menu\\Programs";
inline const std::string kSetup = "MZ setup";

// What each disc holds, relative to its root.
inline const std::vector<std::pair<std::string, std::string>> kDisc1 = {
    {"game\\VRecog\\v1.wav", std::string(2500, 'v')},
    {"game\\VRecog\\jp\\v2.wav", "jp voice"},
    {"game\\Movie\\op.mpg", std::string(3000, 'm')},
    {"game\\save\\slot1\\s.dat", "save"},
    {"game\\game00.dat", std::string(5000, '0')},
    {"game\\game01.dat", "one"},
    {"game\\game02.dat", ""},
    {"game\\vandry.exe", "MZ game"},
};
inline const std::vector<std::pair<std::string, std::string>> kDisc2 = {{"game03.dat", std::string(1500, '3')}};
inline const std::vector<std::pair<std::string, std::string>> kDisc3 = {
    {"music\\bgm\\01.ogg", std::string(1025, 'o')},
    {"music\\x.dat\\02.ogg", "two"},
};

class DiscRun : public simtest::SimTest {
protected:
    void SetUp() override {
        for (char d : {'D', 'E', 'F'}) s.addDrive(d, true);
        s.setProgramPath("D:\\Setup.exe");
        s.writeFile("D:\\Setup.exe", kSetup);  // the installation copies it as the uninstaller
        put("D:", kDisc1);
        put("E:", kDisc2);
        put("F:", kDisc3);
        app::createForms();
        Form1->Timer1->setEnabled(false);  // the start-up language is not under test here
        s.onBox([this](const sim::BoxRecord& b) { return answerBox(b); });
    }
    void TearDown() override { app::destroyForms(); }

    void put(const std::string& root, const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& f : files) s.writeFile(root + "\\" + f.first, f.second);
    }
    std::string msg(Msg m) const { return Form1->messages.get(m); }

    // Answers, in order, for the boxes whose text is an entry of the table;
    // an entry without answers left is answered OK.
    void answer(Msg m, std::vector<Answer> answers) {
        auto& q = answers_[msg(m)];
        q.insert(q.end(), answers.begin(), answers.end());
    }
    // Answers for boxes about a file that cannot be copied.
    void answerFailures(std::vector<Answer> answers) {
        failureAnswers_.insert(failureAnswers_.end(), answers.begin(), answers.end());
    }
    Answer answerBox(const sim::BoxRecord& b) {
        if (onEachBox) onEachBox(b);
        if (b.style == shell::boxStyleOf(shell::Question::CopyFailed)) {
            EXPECT_FALSE(failureAnswers_.empty()) << "an unexpected copy failure: " << b.text;
            if (failureAnswers_.empty()) return Answer::Abort;
            Answer a = failureAnswers_.front();
            failureAnswers_.pop_front();
            return a;
        }
        auto it = answers_.find(b.text);
        if (it == answers_.end() || it->second.empty())
            return (b.style & 0xF) == plat::mb::RetryCancel ? Answer::Retry : Answer::Ok;
        Answer a = it->second.front();
        it->second.pop_front();
        return a;
    }
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> t;
        for (const auto& b : s.boxes()) t.push_back(b.text);
        return t;
    }
    // Locating a disc: the picker chooses `folder` (or is cancelled).
    void pickEachTime(std::vector<std::string> folders) {
        picks_.insert(picks_.end(), folders.begin(), folders.end());
        s.onModal("TForm3", [this](ui::Form&) {
            ASSERT_FALSE(picks_.empty()) << "the picker came up once more than expected";
            std::string f = picks_.front();
            picks_.pop_front();
            if (f.empty()) return Form3->Button2->click();
            s.setTreeSelection(*Form3->ShellTreeView1, f);
            Form3->Button1->click();
        });
    }

    // Opens the disc window from the main window and presses its start button,
    // after `arrange` has set the window up.
    void install(const std::string& folder = "c:\\Lunavire", const std::function<void()>& arrange = {}) {
        s.onModal("TForm2", [this, folder, arrange](ui::Form&) {
            Form2->Edit2->setText(folder);
            if (arrange) arrange();
            Form2->Button1->click();
            // Without an end of the run the window stays: leave it.
            if (Form2->showing() && !ui::app().terminated()) Form2->Button2->click();
        });
        Form1->Button1->click();
    }
    void expectTree(const std::string& root, const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& f : files) EXPECT_EQ(s.readFile(root + "\\" + f.first), f.second) << f.first;
    }

    // A worker that was asked to stop still has one late step to hand over
    // before it ends: let it, for as long as a busy machine keeps it from
    // running (a minute at most).
    bool workersEnd() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (s.liveWorkers() && std::chrono::steady_clock::now() < end) s.processMessages();
        return s.liveWorkers() == 0;
    }

    std::function<void(const sim::BoxRecord&)> onEachBox;

private:
    std::map<std::string, std::deque<Answer>> answers_;
    std::deque<Answer> failureAnswers_;
    std::deque<std::string> picks_;
};

inline std::vector<std::pair<std::string, std::string>> under(const std::string& folder,
                                                       std::vector<std::pair<std::string, std::string>> files,
                                                       const std::string& cut) {
    for (auto& f : files) f.first = folder + f.first.substr(cut.size());
    return files;
}

}  // namespace discruntest
