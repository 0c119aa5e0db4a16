// The disc installation window: a settings page (source and install folders,
// with a hidden folder panel) and a progress page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "discinstall/DiscFiles.h"
#include "discinstall/FileCopy.h"
#include "ui/Components.h"

class TForm2 : public ui::Form {
public:
    TForm2();

    ui::PageControl* PageControl1 = nullptr;
    ui::TabSheet* TabSheet1 = nullptr;
    ui::GroupBox* GroupBox3 = nullptr;
    ui::Button* Button1 = nullptr;
    ui::Button* Button2 = nullptr;
    ui::GroupBox* GroupBox2 = nullptr;
    ui::Button* Button5 = nullptr;
    ui::Edit* Edit2 = nullptr;
    ui::GroupBox* GroupBox1 = nullptr;
    ui::Edit* Edit1 = nullptr;
    ui::Button* Button4 = nullptr;
    ui::Panel* Panel1 = nullptr;
    ui::PageControl* PageControl2 = nullptr;
    ui::TabSheet* TabSheet3 = nullptr;
    ui::ShellTreeView* ShellTreeView1 = nullptr;
    ui::Button* Button8 = nullptr;
    ui::Button* Button9 = nullptr;
    ui::TabSheet* TabSheet4 = nullptr;
    ui::ShellTreeView* ShellTreeView2 = nullptr;
    ui::Button* Button6 = nullptr;
    ui::Button* Button7 = nullptr;
    ui::TabSheet* TabSheet2 = nullptr;
    ui::GroupBox* GroupBox4 = nullptr;
    ui::Label* Label1 = nullptr;
    ui::ProgressBar* ProgressBar1 = nullptr;
    ui::GroupBox* GroupBox5 = nullptr;
    ui::Label* Label2 = nullptr;
    ui::ProgressBar* ProgressBar2 = nullptr;
    ui::GroupBox* GroupBox6 = nullptr;
    ui::ProgressBar* ProgressBar3 = nullptr;
    ui::Button* Button3 = nullptr;
    TKqFileCopy* KqFileCopy1 = nullptr;

    // The files of the disc being copied, one list for the whole program.
    discinstall::DiscList discFiles;
    // 0 while a file's copy is under way, 1 once KqFileCopy1 has finished it.
    int finishFlag = 0;
    // The folder that stands for the disc being read (taken from Edit1, then
    // wherever the player locates a disc), and the folder being filled.
    std::string runSource, installFolder;

    // What the run in progress knows of itself.  A run lasts from the start
    // button's first check to its last message; only one runs at a time.
    struct Run {
        bool active = false;
        bool cancelRequested = false;  // the cancel button or the close box during the run
        bool copyFailed = false;       // KqFileCopy1 reported an error for the current file
        std::string failure;           // the system's text of that error
        std::uint32_t failureCode = 0;
        int disc = 0;                  // 1 to 3
        std::uint64_t discDone = 0;    // bytes of the disc's files in place before the current one
        int overall = 0;               // what ProgressBar3 shows; it only grows
        std::size_t placed = 0;        // destinations that hold the disc's file (or the player's own)
        std::vector<std::string> leftOut;  // destinations the player let go without their file
    } run;

    void FormHide();
    void ShellTreeView1Change();
    void ShellTreeView2Change();
    bool FormCloseQuery();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    void KqFileCopy1CopyProgress(ui::Component* Sender, std::uint32_t TotalFileSize,
                                 std::uint32_t TotalBytesTransferred, std::uint8_t Rate);
    void KqFileCopy1Finish(ui::Component* Sender);
    void KqFileCopy1Error(ui::Component* Sender, const std::string& Msg, std::uint32_t Code);

private:
    void openFolderPanel(int page);
    void closeFolderPanel();
};
