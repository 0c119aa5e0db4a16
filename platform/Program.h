// The seam's first slice: the program itself and its process.  Its path and
// command line, the code page its strings are in, the one-copy rule, its own
// resources, the system's text for an error code, the clock and the version
// of Windows.
//
// Strings are byte strings in the system's ANSI code page throughout, in
// every slice; Win32 values that the installer's behaviour depends on are
// spelled out as the seam's own constants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/SysError.h"

namespace plat {

// The wall clock as the user has it set.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct WindowsVersion {
    unsigned major = 0, minor = 0, build = 0;
    std::string servicePack;  // "" without one
};

class Program {
public:
    virtual ~Program() = default;

    virtual void comInitialize() = 0;
    virtual std::string programPath() = 0;  // full path of the program file
    // The program's command line as Windows hands it over, the program's own
    // path first (quoted or not, as its starter wrote it); a character the
    // code page cannot hold is "?", never a look-alike.
    virtual std::string commandLine() = 0;
    // This run's process id, which tells the lines of two runs apart in a log
    // they share.
    virtual std::uint32_t processId() = 0;
    // Makes the folder this program's current folder.  A program's current
    // folder cannot be removed (32) while it is current, so a program that
    // removes the folder it was started in moves elsewhere first.  2 when
    // the folder does not exist.
    virtual SysError setCurrentFolder(const std::string& path) = 0;

    virtual unsigned ansiCodePage() = 0;
    virtual bool isDbcsLeadByte(unsigned char c) = 0;
    // ANSI bytes of the code page as UTF-8, so that a file of them reads the
    // same on any system.
    virtual std::string ansiToUtf8(const std::string& ansi) = 0;

    // True for the only running copy of the program.  A copy started while
    // another runs brings that one's main window to the front (the first
    // visible window of the given classes, in their order: the installer
    // and the uninstaller are one program with two main windows) and gets
    // false.
    virtual bool claimFirstInstance(const std::vector<std::string>& mainWindowClasses) = 0;
    // Notes a moment of the start-up for a trace of where its time goes
    // (kept only when the back end was asked for one).
    virtual void startupMark(const char* step) { (void)step; }

    // The bytes of resource (type, name) of the program file, names matched
    // without regard to case.  Returns false when missing.  The bytes stay
    // valid for the rest of the run.
    virtual SysError ownResource(const std::string& type, const std::string& name, const std::uint8_t*& data,
                             std::size_t& size) = 0;

    // The system's text for a code (empty when the system has none; keeps
    // the system's trailing line break).
    virtual std::string errorText(std::uint32_t code) = 0;

    virtual LocalTime localTime() = 0;
    virtual WindowsVersion windowsVersion() = 0;
};

// Passes every call on to another Program, for fakes that answer a few.
class ForwardingProgram : public Program {
public:
    explicit ForwardingProgram(Program& next) : program_(next) {}

    void comInitialize() override { program_.comInitialize(); }
    std::string programPath() override { return program_.programPath(); }
    std::string commandLine() override { return program_.commandLine(); }
    std::uint32_t processId() override { return program_.processId(); }
    SysError setCurrentFolder(const std::string& path) override { return program_.setCurrentFolder(path); }
    unsigned ansiCodePage() override { return program_.ansiCodePage(); }
    bool isDbcsLeadByte(unsigned char c) override { return program_.isDbcsLeadByte(c); }
    std::string ansiToUtf8(const std::string& ansi) override { return program_.ansiToUtf8(ansi); }
    bool claimFirstInstance(const std::vector<std::string>& mainWindowClasses) override {
        return program_.claimFirstInstance(mainWindowClasses);
    }
    void startupMark(const char* step) override { program_.startupMark(step); }
    SysError ownResource(const std::string& type, const std::string& name, const std::uint8_t*& data,
                     std::size_t& size) override {
        return program_.ownResource(type, name, data, size);
    }
    std::string errorText(std::uint32_t code) override { return program_.errorText(code); }
    LocalTime localTime() override { return program_.localTime(); }
    WindowsVersion windowsVersion() override { return program_.windowsVersion(); }

protected:
    Program& program_;
};

// The program slice in force (platform/Platform.h); throws std::logic_error while
// none is.
Program& program();

}  // namespace plat
