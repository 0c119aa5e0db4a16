// The interface language of Setup.exe with the language files the build
// ships: under code page 936 with the GB2312 font association the start-up
// language is the Simplified file's; under code page 950 the user chooses the
// Traditional file in the list.  Expected texts are the files' own bytes.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/Session.h"

namespace e2e {
namespace {

using namespace robot;

bool endsWithCaption(const std::string& key) {
    static const std::string suffix = ".caption";
    if (key.size() <= suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = key[key.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

class LanguageTest : public SetupSession {
protected:
    // The four windows' titles and the captions of every control that the
    // file names, as the file's bytes.
    void expectTextsOf(const LanguageFileBytes& file) {
        const struct {
            const char* className;
            const char* section;
        } windows[] = {{"TForm1", "window1"}, {"TForm2", "window2"}, {"TForm3", "window3"}, {"TForm4", "window4"}};
        for (const auto& w : windows) {
            HWND window = form(w.className);
            EXPECT_EQ(escaped(textOf(window)), escaped(file.get(w.section, "title")))
                << w.className << " is titled from [" << w.section << "] title";
            for (const std::string& key : file.keys(w.section)) {
                if (!endsWithCaption(key)) continue;
                const std::string name = key.substr(0, key.size() - 8);
                HWND c = findControl(window, name);
                if (!c) {
                    ADD_FAILURE() << w.className << " has no control " << name << " for the file's key " << key;
                    continue;
                }
                EXPECT_EQ(escaped(textOf(c)), escaped(file.get(w.section, key)))
                    << w.className << "." << name << " shows [" << w.section << "] " << key;
            }
        }
    }

    void closeAndExpectExitCode0() {
        closeWindow(main_);
        EXPECT_EQ(process_.waitForExit(), 0u);
        main_ = nullptr;
    }
};

class Language936 : public LanguageTest {};
class Language950 : public LanguageTest {};

TEST_F(Language936, TheGb2312AssociationStartsInTheShippedSimplifiedFile) {
    ASSERT_EQ(GetACP(), 936u) << "this run wants LC_ALL=zh_CN.UTF-8";
    addShippedLanguage(kSimplified);
    addShippedLanguage(kTraditional);
    Gb2312Association simplifiedSystem(true);
    const LanguageFileBytes file(shippedLanguage(kSimplified));

    start();
    // The Simplified notice is there from the start, and stays once the
    // start timer has applied the Simplified file.
    waitForStartLanguage(noticeAsShown(payload("TXT", "LINCE1")));

    EXPECT_EQ(escaped(selectedLanguage()), escaped("\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4"))
        << "the list shows the detected language, 简体中文 in GBK";
    EXPECT_EQ(comboItems(control("ComboBox1")).size(), 2u) << "both shipped files are listed";
    expectTextsOf(file);

    settle(main_);
    saveScreenshot(main_, artifactPath("language-simplified-936.bmp"));
    closeAndExpectExitCode0();
}

TEST_F(Language950, ChoosingTraditionalAppliesTheShippedBig5File) {
    ASSERT_EQ(GetACP(), 950u) << "this run wants LC_ALL=zh_TW.UTF-8";
    addShippedLanguage(kSimplified);
    addShippedLanguage(kTraditional);
    // The start-up language is then the Simplified one, so that the choice
    // below visibly changes the notice.
    Gb2312Association simplifiedSystem(true);
    const LanguageFileBytes file(shippedLanguage(kTraditional));

    start();
    // The Simplified notice is GBK: this code page shows it garbled.
    waitForStartLanguage(asShownHere(noticeAsShown(payload("TXT", "LINCE1"))));

    const std::string traditional = ansi(kTraditional);
    ASSERT_EQ(escaped(traditional), escaped("\xC1\x63\xC5\xE9\xA4\xA4\xA4\xE5")) << "繁體中文 in Big5";
    chooseLanguage(traditional);
    waitForText(control("Memo1"), noticeAsShown(payload("TXT", "LINCE2")));
    EXPECT_EQ(escaped(selectedLanguage()), escaped(traditional));
    expectTextsOf(file);

    settle(main_);
    saveScreenshot(main_, artifactPath("language-traditional-950.bmp"));
    closeAndExpectExitCode0();
}

}  // namespace
}  // namespace e2e
