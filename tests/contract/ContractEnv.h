// What the platform contract tests need besides the seam itself: a scratch
// folder and a few ways to arrange the world that the seam cannot (or must
// not) do.  One implementation per back end: SimEnv.cpp (simulated Windows)
// and Win32Env.cpp (the real one, under Wine).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Path.h"
#include "platform/Platform.h"

namespace contract {

class ContractEnv {
public:
    virtual ~ContractEnv() = default;
    // The platform under test, already in force (plat::platform() returns it).
    virtual plat::Platform& platform() = 0;
    // An existing, empty, writable folder for this test (e.g.
    // "C:\tmp\ct1234").  Removed by the environment afterwards.
    virtual plat::Path scratch() = 0;
    // Write a file directly (not through the seam), creating it or replacing it.
    virtual void writeFile(const plat::Path& path, const std::string& bytes) = 0;
    virtual std::string readFile(const plat::Path& path) = 0;
    virtual void makeFolder(const plat::Path& path) = 0;
    virtual void setAttributes(const plat::Path& path, std::uint32_t attributes) = 0;
    // A link at path to the existing file or folder target: what a symbolic
    // link or junction is on Windows (under Wine, a Unix symbolic link).
    virtual void makeLink(const plat::Path& path, const plat::Path& target) = 0;
    // An existing path by the short (8.3) names the system shows for it.
    virtual plat::Path shortPath(const plat::Path& path) = 0;
    // Sets the calling thread's last error to `code` where the back end
    // keeps one (Windows does; the simulation returns its codes directly).
    virtual void setLastError(std::uint32_t code) = 0;
    // Create HKCU\subKey (test keys live under the current user) with a value.
    virtual void setRegistryValue(const std::string& subKey, const std::string& value) = 0;
    virtual void deleteRegistryKey(const std::string& subKey) = 0;
    // Run the user-interface side for about ms milliseconds of (virtual or
    // real) time, handling messages as the event loop would.
    virtual void runFor(std::uint32_t ms) = 0;
    // What the tests wait for instead of a fixed time: the workers started
    // and not yet ended; whether a worker's handed-over call waits for the
    // user-interface thread; whether that thread is blocked in
    // handleMessage() waiting for one; whether an exception that ended a
    // worker waits there for the next pump.
    virtual std::size_t liveWorkers() = 0;
    virtual bool handOverWaiting() = 0;
    virtual bool uiThreadBlocked() = 0;
    virtual bool workerErrorWaiting() = 0;
    // "sim" or "win32", for known differences marked where they occur.
    virtual const char* name() const = 0;
};

// Made by the linked environment.
std::unique_ptr<ContractEnv> makeEnv();

}  // namespace contract
