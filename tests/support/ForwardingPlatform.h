// A platform that passes every call on to another one: the base of test and
// benchmark platforms that answer, redirect or time a few calls of the real
// one and leave the rest as they are.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace testsupport {

class ForwardingPlatform : public plat::Platform {
public:
    explicit ForwardingPlatform(plat::Platform& real) : real_(real) {}

    void comInitialize() override { real_.comInitialize(); }
    std::string programPath() override { return real_.programPath(); }
    unsigned ansiCodePage() override { return real_.ansiCodePage(); }
    bool isDbcsLeadByte(unsigned char c) override { return real_.isDbcsLeadByte(c); }
    bool claimFirstInstance(const std::vector<std::string>& mainWindowClasses) override {
        return real_.claimFirstInstance(mainWindowClasses);
    }
    bool ownResource(const std::string& type, const std::string& name, const std::uint8_t*& data,
                     std::size_t& size) override {
        return real_.ownResource(type, name, data, size);
    }
    plat::Answer messageBox(const std::string& text, const std::string& caption, std::uint32_t style) override {
        return real_.messageBox(text, caption, style);
    }
    void processMessages() override { real_.processMessages(); }
    void handleMessage() override { real_.handleMessage(); }
    void waitMessages(std::uint32_t ms) override { real_.waitMessages(ms); }
    TimerId setTimer(std::uint32_t ms, std::function<void()> tick) override {
        return real_.setTimer(ms, std::move(tick));
    }
    void killTimer(TimerId id) override { real_.killTimer(id); }
    bool startThread(std::function<void()> body, plat::Priority p) override {
        return real_.startThread(std::move(body), p);
    }
    void handOver(const std::function<void()>& call) override { real_.handOver(call); }
    bool fileExists(const std::string& path) override { return real_.fileExists(path); }
    bool folderExists(const std::string& path) override { return real_.folderExists(path); }
    std::unique_ptr<plat::DirSearch> findFirst(const std::string& pattern, plat::FindData& first) override {
        return real_.findFirst(pattern, first);
    }
    bool createFolder(const std::string& path) override { return real_.createFolder(path); }
    bool deleteFile(const std::string& path) override { return real_.deleteFile(path); }
    bool sameFile(const std::string& a, const std::string& b) override { return real_.sameFile(a, b); }
    bool moveReplacing(const std::string& from, const std::string& to) override {
        return real_.moveReplacing(from, to);
    }
    bool freeSpace(const std::string& folder, std::uint64_t& bytes) override { return real_.freeSpace(folder, bytes); }
    bool pathFits(const std::string& path) override { return real_.pathFits(path); }
    plat::FileHandle openRead(const std::string& path) override { return real_.openRead(path); }
    plat::FileHandle createNew(const std::string& path) override { return real_.createNew(path); }
    plat::FileHandle openWrite(const std::string& path) override { return real_.openWrite(path); }
    plat::FileHandle createAlways(const std::string& path) override { return real_.createAlways(path); }
    bool readFile(plat::FileHandle h, void* b, std::uint32_t n, std::uint32_t& done) override {
        return real_.readFile(h, b, n, done);
    }
    bool writeFile(plat::FileHandle h, const void* b, std::uint32_t n, std::uint32_t& done) override {
        return real_.writeFile(h, b, n, done);
    }
    bool seekFromStart(plat::FileHandle h, std::uint64_t pos) override { return real_.seekFromStart(h, pos); }
    bool fileSize(plat::FileHandle h, std::uint32_t& low) override { return real_.fileSize(h, low); }
    void closeFile(plat::FileHandle h) override { real_.closeFile(h); }
    std::uint32_t lastError() override { return real_.lastError(); }
    std::string errorText(std::uint32_t code) override { return real_.errorText(code); }
    bool registryValueExists(plat::RootKey root, const std::string& key, const std::string& value,
                             std::uint32_t access) override {
        return real_.registryValueExists(root, key, value, access);
    }
    std::string profileString(const std::string& file, const std::string& section, const std::string& key,
                              const std::string& def) override {
        return real_.profileString(file, section, key, def);
    }
    bool winExec(const std::string& commandLine, int showMode) override { return real_.winExec(commandLine, showMode); }
    bool execAndWait(const std::string& commandLine, int showMode, std::uint32_t& exitCode) override {
        return real_.execAndWait(commandLine, showMode, exitCode);
    }
    void shellOpen(const std::string& address, int mode) override { real_.shellOpen(address, mode); }
    std::string programsFolder() override { return real_.programsFolder(); }
    std::string windowsFolder() override { return real_.windowsFolder(); }
    std::unique_ptr<plat::ShellLink> createShellLink() override { return real_.createShellLink(); }
    std::unique_ptr<plat::ControlPeer> createPeer(ui::Control& control) override {
        return real_.createPeer(control);
    }

    // resume, drives and run logs
    bool fileStamp(const std::string& path, plat::FileStamp& out) override { return real_.fileStamp(path, out); }
    bool setLastWriteTime(const std::string& path, std::uint64_t t) override { return real_.setLastWriteTime(path, t); }
    bool clusterSize(const std::string& folder, std::uint32_t& bytes) override {
        return real_.clusterSize(folder, bytes);
    }
    std::uint32_t logicalDrives() override { return real_.logicalDrives(); }
    plat::DriveType driveType(char letter) override { return real_.driveType(letter); }
    std::string tempFolder() override { return real_.tempFolder(); }
    plat::LocalTime localTime() override { return real_.localTime(); }
    plat::WindowsVersion windowsVersion() override { return real_.windowsVersion(); }
    std::string ansiToUtf8(const std::string& ansi) override { return real_.ansiToUtf8(ansi); }
    // -- uninstall
    bool registryKeyExists(plat::RootKey root, plat::RegView view, const std::string& key) override {
        return real_.registryKeyExists(root, view, key);
    }
    bool registrySetString(plat::RootKey root, plat::RegView view, const std::string& key, const std::string& name,
                           const std::string& value) override {
        return real_.registrySetString(root, view, key, name, value);
    }
    bool registrySetDword(plat::RootKey root, plat::RegView view, const std::string& key, const std::string& name,
                          std::uint32_t value) override {
        return real_.registrySetDword(root, view, key, name, value);
    }
    bool registryString(plat::RootKey root, plat::RegView view, const std::string& key, const std::string& name,
                        std::string& value) override {
        return real_.registryString(root, view, key, name, value);
    }
    bool registryDeleteValue(plat::RootKey root, plat::RegView view, const std::string& key,
                             const std::string& name) override {
        return real_.registryDeleteValue(root, view, key, name);
    }
    bool registryDeleteKey(plat::RootKey root, plat::RegView view, const std::string& key) override {
        return real_.registryDeleteKey(root, view, key);
    }
    bool registrySubKeys(plat::RootKey root, plat::RegView view, const std::string& key,
                         std::vector<std::string>& names) override {
        return real_.registrySubKeys(root, view, key, names);
    }
    bool registryValueNames(plat::RootKey root, plat::RegView view, const std::string& key,
                            std::vector<std::string>& names) override {
        return real_.registryValueNames(root, view, key, names);
    }
    std::string commandLine() override { return real_.commandLine(); }
    bool removeFolder(const std::string& path) override { return real_.removeFolder(path); }
    bool deleteAtRestart(const std::string& path) override { return real_.deleteAtRestart(path); }
    bool copyFile(const std::string& from, const std::string& to) override { return real_.copyFile(from, to); }
    bool setFileAttributes(const std::string& path, std::uint32_t attributes) override {
        return real_.setFileAttributes(path, attributes);
    }
    bool shellLinkTarget(const std::string& linkFile, std::string& target) override {
        return real_.shellLinkTarget(linkFile, target);
    }
    bool setCurrentFolder(const std::string& path) override { return real_.setCurrentFolder(path); }

protected:
    plat::Platform& real_;
};

}  // namespace testsupport
