// The seam between the installer and Windows, in six slices by subject:
//
//   Program   the program and its process (path, command line, code page,
//             one copy, own resources, last error, clock, version)
//   Files     files and folders by path and by handle, stamps, attributes
//   Drives    which drives there are, their kind and room
//   Registry  keys and values in a view
//   Shell     other programs, documents, the system's folders, shell links
//   Desktop   the message loop with its windows, timers and workers
//
// Nothing above this layer includes a Windows header.  A back end implements
// the whole (Platform below); platform/win32 is the real program, platform/sim
// a simulated Windows inside the test process, chosen at link time by
// createPlatform().  A caller names the slices it uses (plat::files() ..., declared in its slice's header),
// and a test fake or a benchmark stands in for one slice without the others.
#pragma once

#include <memory>

#include "base/InForce.h"
#include "platform/Desktop.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Program.h"
#include "platform/Registry.h"
#include "platform/Shell.h"

namespace plat {

// Everything a back end implements.
class Platform : public Program, public Files, public Drives, public Registry, public Shell, public Desktop {};

// The process's platform, made once by the linked back end.
std::unique_ptr<Platform> createPlatform();

// A back end's every slice in force for a scope: the program entry's, or a
// test fixture's.  One slice alone is put in force the same way
// (base::InForce<plat::Files>): a fake that fails or times a few calls of
// one subject.
class PlatformInForce {
public:
    explicit PlatformInForce(Platform& p)
        : program_(p), files_(p), drives_(p), registry_(p), shell_(p), desktop_(p) {}

private:
    base::InForce<Program> program_;
    base::InForce<Files> files_;
    base::InForce<Drives> drives_;
    base::InForce<Registry> registry_;
    base::InForce<Shell> shell_;
    base::InForce<Desktop> desktop_;
};

}  // namespace plat
