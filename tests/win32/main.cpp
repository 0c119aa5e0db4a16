// The platform is made once for the run, on this (the user-interface) thread.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "base/InForce.h"
#include "platform/Host.h"
#include "platform/Platform.h"
#include "tests/win32/TestSupport.h"
#include "ui/Components.h"

namespace w32test {

namespace {
std::unique_ptr<w32::Win32Platform> instance;
}

w32::Win32Platform& platform() { return *instance; }

namespace {

void touch(const std::string& path) {
    CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The program that the WinExec test starts: it runs until the event is set
// (20 s at most), marking in `folder` that it started and that it ended.
int holdUntil(const char* event, const std::string& folder) {
    touch(folder + "\\started");
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, event);
    if (release) WaitForSingleObject(release, 20000);
    touch(folder + "\\ended");
    return 0;
}

}  // namespace

}  // namespace w32test

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--hold-until") == 0) return w32test::holdUntil(argv[2], argv[3]);
    ::testing::InitGoogleTest(&argc, argv);
    w32test::instance = std::make_unique<w32::Win32Platform>();
    int rc = 0;
    {
        const plat::PlatformInForce inForce(*w32test::instance);
        const base::InForce<plat::Host> host(ui::app());
        w32test::instance->comInitialize();
        rc = RUN_ALL_TESTS();
    }
    w32test::instance.reset();
    return rc;
}
