// The main window: artwork, notice, language list and the six action buttons.
#pragma once

#include <functional>
#include <string>

#include "shell/MessageTable.h"
#include "ui/Components.h"

class TForm1 : public ui::Form {
public:
    TForm1();

    ui::Image* Image1;
    ui::Memo* Memo1;
    ui::Button* Button1;
    ui::Button* Button2;
    ui::Button* Button3;
    ui::Button* Button4;
    ui::Button* Button5;
    ui::Button* Button6;
    ui::ComboBox* ComboBox1;
    ui::Timer* Timer1;

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
};

// The main window's source folder for a program path: its folder without
// the trailing backslash ("D:\Setup.exe" -> "D:").
std::string sourceFolderOf(const std::string& programPath);
