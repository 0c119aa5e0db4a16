// Shared helpers of the Windows-side platform tests.
#pragma once

#include <functional>
#include <string>

#include "platform/Path.h"
#include "platform/win32/Win32Platform.h"

namespace w32test {

// The platform made for the test run (see main.cpp).
w32::Win32Platform& platform();

// An empty folder under %TEMP%, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    plat::Path operator/(const std::string& name) const { return plat::Path(path_) / name; }

private:
    std::string path_;
};

// Pumps messages (as the event loop would) until done() holds or the time
// runs out; says whether done() held.  The time-out is generous: the wait
// ends as soon as done() holds, and a busy machine can keep Wine from it
// for seconds.
constexpr unsigned kWaitMs = 30000;
bool pumpUntil(const std::function<bool()>& done, unsigned timeoutMs = kWaitMs);
// Pumps for at least `ms`: for a wait whose point is the time itself (a
// quiet spell), never in place of waiting for something to happen.
void pumpFor(unsigned ms);

// The component name a window carries for robots, read as another process
// would: the property's atom, then the atom's text.
std::string componentName(HWND h);

}  // namespace w32test
