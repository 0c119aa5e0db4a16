// The disc installation window: a settings page (source and install folders,
// with a hidden folder panel) and a progress page, on which it shows its run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "discinstall/FileCopy.h"
#include "discinstall/Installation.h"
#include "ui/Components.h"

class TForm2 : public ui::Form, private discinstall::InstallationView {
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

    // The run, made with the window and kept for the whole program.
    discinstall::Installation& installation() { return *installation_; }

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
    // The settings page's three group boxes, in their order.
    void enableSettings(bool enabled);

    // -- the run's view
    void showProgressPage() override;
    void clearProgress() override;
    void showFile(const std::string& source, const std::string& target) override;
    void showOverallProgress(int percent) override;
    void closeWindow() override;

    std::unique_ptr<discinstall::Installation> installation_;
};
