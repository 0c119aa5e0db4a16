// The main window: artwork, notice, language list and the six action buttons.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "shell/MessageTable.h"
#include "ui/Components.h"

class TForm1 : public ui::Form {
public:
    TForm1();

    ui::Image* Image1 = nullptr;
    ui::Memo* Memo1 = nullptr;
    ui::Button* Button1 = nullptr;
    ui::Button* Button2 = nullptr;
    ui::Button* Button3 = nullptr;
    ui::Button* Button4 = nullptr;
    ui::Button* Button5 = nullptr;
    ui::Button* Button6 = nullptr;
    ui::ComboBox* ComboBox1 = nullptr;
    ui::Timer* Timer1 = nullptr;

    // Built by the creation step; every window reads it.
    shell::MessageTable messages;
    // The folder of the game's disc, without a trailing backslash.
    std::string sourceFolder;

    // Language steps of the start timer and of the list: find the language
    // files, detect the system's language (selecting it in the list), apply
    // a language by name.
    std::function<std::vector<std::string>()> findLanguages;
    std::function<std::string()> detectLanguage;
    std::function<void(const std::string&)> applyLanguage;

    // Button actions, each supplied by the subsystem that does the work.
    std::function<void()> discInstall, directXSetup, patchInstall, voiceAddOn, homePage, netShowSetup;

    void FormCreate();
    void Timer1Timer();
    void ComboBox1Change();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
};

// The main window's source folder for a program path: its folder without
// the trailing backslash ("D:\Setup.exe" -> "D:").
std::string sourceFolderOf(const std::string& programPath);
