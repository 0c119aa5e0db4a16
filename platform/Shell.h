// The seam's shell slice: other programs started, documents opened, the
// system's folders, and shell links (.lnk).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Path.h"
#include "platform/SysError.h"

namespace plat {

// Show modes (SW_*).
namespace sw {
constexpr int ShowNormal = 1, ShowNoActivate = 4, Show = 5;
}

// One shell-link object (IShellLinkA + IPersistFile).  Results of the
// setters are not examined by callers.
class ShellLink {
public:
    virtual ~ShellLink() = default;
    virtual void setPath(const std::string& ansiPath) = 0;
    virtual void setWorkingDirectory(const std::string& ansiDir) = 0;
    // Converts the ANSI path to UTF-16 with the ANSI code page, then saves;
    // fails when the file could not be written.
    virtual SysError save(const Path& file) = 0;
};

class Shell {
public:
    virtual ~Shell() = default;

    // WinExec: fails when the program could not be started.
    virtual SysError winExec(const std::string& commandLine, int showMode) = 0;
    // Starts a command line and returns once the program has ended, handling
    // messages meanwhile, with the program's exit code.  Fails when it could
    // not be started or its end could not be waited for.
    virtual SysError execAndWait(const std::string& commandLine, int showMode, std::uint32_t& exitCode) = 0;
    virtual void shellOpen(const std::string& address, int showMode) = 0;

    // The Start menu's Programs folder, whole; empty when it cannot be
    // located.  One that the ANSI code page cannot spell raises base::Error.
    virtual std::string programsFolder() = 0;
    // The system's Windows folder, home of its own tools (Notepad, RegEdit).
    virtual std::string windowsFolder() = 0;
    // The user's temporary folder (GetTempPath), without a trailing backslash.
    virtual std::string tempFolder() = 0;

    // A new shell-link object; throws base::Error when it cannot be created or
    // lacks one of its interfaces.
    virtual std::unique_ptr<ShellLink> createShellLink() = 0;
    // The path a shell link (.lnk) points at, as its ANSI path; fails when
    // the file is missing or no shell link.
    virtual SysError shellLinkTarget(const Path& linkFile, std::string& target) = 0;
};

// The shell slice in force (platform/Platform.h); throws std::logic_error while
// none is.
Shell& shell();

// Passes every call on to another Shell, for fakes that answer a few.
class ForwardingShell : public Shell {
public:
    explicit ForwardingShell(Shell& next) : shell_(next) {}

    SysError winExec(const std::string& commandLine, int showMode) override {
        return shell_.winExec(commandLine, showMode);
    }
    SysError execAndWait(const std::string& commandLine, int showMode, std::uint32_t& exitCode) override {
        return shell_.execAndWait(commandLine, showMode, exitCode);
    }
    void shellOpen(const std::string& address, int showMode) override { shell_.shellOpen(address, showMode); }
    std::string programsFolder() override { return shell_.programsFolder(); }
    std::string windowsFolder() override { return shell_.windowsFolder(); }
    std::string tempFolder() override { return shell_.tempFolder(); }
    std::unique_ptr<ShellLink> createShellLink() override { return shell_.createShellLink(); }
    SysError shellLinkTarget(const Path& linkFile, std::string& target) override {
        return shell_.shellLinkTarget(linkFile, target);
    }

protected:
    Shell& shell_;
};

// The command-line start of one of the system's own tools: its full path in
// the Windows folder, quoted, never a bare name that the program's own or the
// current folder could answer.
std::string systemTool(const std::string& fileName);

}  // namespace plat
