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

// Puts a back end's every slice in force (nullptr: none); set by the program
// entry or by a test fixture.
void setPlatform(Platform* p);

// Puts one slice in force for a scope and the one it replaced back on
// leaving: a fake that fails or times a few calls of one subject.
template <class Slice>
class Standing {
public:
    explicit Standing(Slice& s);
    ~Standing();
    Standing(const Standing&) = delete;
    Standing& operator=(const Standing&) = delete;

private:
    Slice* before_;
};

extern template class Standing<Program>;
extern template class Standing<Files>;
extern template class Standing<Drives>;
extern template class Standing<Registry>;
extern template class Standing<Shell>;
extern template class Standing<Desktop>;

}  // namespace plat
