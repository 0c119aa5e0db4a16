// The patch benchmark's run: the installer's own patch action on a
// forwarding platform that answers the boxes, redirects Notepad and the
// shortcuts, and time-stamps every pump and extraction boundary.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace patchbench {

// Seconds on the performance counter.
double now();

enum class Ev { TickStart, TickEnd, PumpStart, PumpEnd, ExtractStart, WriteStart, ExtractEnd, Box, Exec };

struct Event {
    Ev kind;
    double t;
};

// Where the shortcuts' time goes, summed over a run's links.
struct LinkTimes {
    double create = 0, setPath = 0, setDir = 0, save = 0, programs = 0;
    int links = 0;
};

// Forwards to the real platform, which is in force, and stands in for its
// program, files, shell and desktop while it lives: the few places a user or
// the desktop would act are answered here, and the run's steps are
// time-stamped.
class BenchPlatform final : public plat::ForwardingProgram,
                            public plat::ForwardingFiles,
                            public plat::ForwardingShell,
                            public plat::ForwardingDesktop {
public:
    BenchPlatform(plat::Platform& real, std::string gameFolder, std::string programs)
        : ForwardingProgram(real), ForwardingFiles(real), ForwardingShell(real), ForwardingDesktop(real),
          real_(real), gameFolder_(std::move(gameFolder)), programs_(std::move(programs)) {
        events_.reserve(256);
    }

    void mark(Ev kind) { events_.push_back({kind, now()}); }
    const std::vector<Event>& events() const { return events_; }
    void clearEvents() {
        events_.clear();
        linkTimes = {};
    }
    std::vector<std::string> boxes, execs;
    LinkTimes linkTimes;
    std::function<void()> afterExtraction;  // the memory run samples here

    // -- answered or redirected here
    plat::Answer messageBox(const std::string& text, const std::string&, std::uint32_t) override {
        mark(Ev::Box);
        boxes.push_back(text);
        return plat::Answer::Ok;
    }
    plat::SysError execAndWait(const std::string& commandLine, int showMode, std::uint32_t& exitCode) override {
        exitCode = 0;
        return winExec(commandLine, showMode);
    }
    plat::SysError winExec(const std::string& commandLine, int) override {
        mark(Ev::Exec);
        execs.push_back(commandLine);
        return plat::kOk;
    }
    std::string programsFolder() override {
        // The system is still asked, as the run would ask it; the links go to
        // the scratch folder so that the prefix's Start menu is left alone.
        double t0 = now();
        real_.programsFolder();
        linkTimes.programs += now() - t0;
        return programs_;
    }
    std::unique_ptr<plat::ShellLink> createShellLink() override;
    std::unique_ptr<plat::ControlPeer> createPeer(ui::Control& control) override;

    // -- time-stamped
    void processMessages() override {
        mark(Ev::PumpStart);
        real_.processMessages();
        mark(Ev::PumpEnd);
    }
    plat::SysError ownResource(const std::string& type, const std::string& name, const std::uint8_t*& data,
                               std::size_t& size) override {
        mark(Ev::ExtractStart);
        return real_.ownResource(type, name, data, size);
    }
    // A file is written into a new temporary file, which then moves over the
    // target: the extraction ends with the move.  The checks before the run
    // also ask for each payload and make one temporary file; the marks they
    // leave are overwritten by the first extraction's.
    plat::SysError createNew(const plat::Path& path, plat::FileHandle& out) override {
        mark(Ev::WriteStart);
        return real_.createNew(path, out);
    }
    plat::SysError moveReplacing(const plat::Path& from, const plat::Path& to) override {
        const plat::SysError moved = real_.moveReplacing(from, to);
        mark(Ev::ExtractEnd);
        if (afterExtraction) afterExtraction();
        return moved;
    }

private:
    plat::Platform& real_;
    base::InForce<plat::Program> standsForProgram_{*this};
    base::InForce<plat::Files> standsForFiles_{*this};
    base::InForce<plat::Shell> standsForShell_{*this};
    base::InForce<plat::Desktop> standsForDesktop_{*this};
    std::string gameFolder_, programs_;
    std::vector<Event> events_;
};

struct Paths {
    std::string files, scratch, game, bare, programs;
};

Paths pathsFor(const std::string& files, const std::string& scratch);
bool writeWhole(const std::string& path, const void* data, DWORD size);
bool readWhole(const std::string& path, std::string& out);

// The installer's four windows with the Simplified edition selected, the
// start-up language step left out, and a picker that is confirmed at once.
void prepareRun(const Paths& p);

// A payload of the program's own resources: its bytes, N from its header.
struct Resource {
    const std::uint8_t* data;
    std::size_t size;
    std::uint32_t n;
};
Resource resource(const char* name);

// One patch action as the user starts it; the tick is time-stamped.
void patchAction(BenchPlatform& bench);

}  // namespace patchbench
